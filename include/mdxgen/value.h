/// \file
/// MDXValue: a numeric or string value expression.
#pragma once

#include "mdxgen/export.h"
#include "mdxgen/fragment_text.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

class MDXField;
class MDXSet;
class MDXTuple;

/// A numeric or string value expression: a number, a count, an aggregate or
/// statistic over a set, a property of a member or a comparison, as MDX text.
///
///     MDXValue* v = generator->GenerateValue(L"[Measures].[Unit Sales]");
///     v->TakeSum(set);   // "SUM( S )" where S is the set's text
///
/// Every operation rewrites the value in place and returns this, so calls
/// chain. Add, ReverseSign, TakeEquality and TakeInequality keep the
/// previous text; every other operation builds the text from its arguments
/// alone, so it must not be given the value itself as an argument.
///
/// Fragments passed in are read during the call only: the value copies
/// their text and keeps no pointer or reference. Required pointers (every
/// set and member, `y` and `a`) must not be null; a tuple or `x` marked
/// "or null" may be. No operation raises an error of its own; an empty
/// tuple's MDXError kEmptyTuple passes through, and the value then keeps
/// its previous text.
///
/// In the examples S, M, U, Y, X and A stand for the texts of the set,
/// member, tuple and value arguments, and T for the value's text before the
/// call.
class MDXGEN_API MDXValue : public support::RefCountImpl {
 public:
  /// The number in decimal: `MDXValue(-12)` gives "-12".
  explicit MDXValue(int number);
  /// The text as given.
  explicit MDXValue(const VelaString& text);

  /// The MDX text.
  virtual VelaString getText() const;
  /// The text with every apostrophe doubled, for a single-quoted formula;
  /// computed once per text.
  virtual VelaString getQuotedText();
  /// Replaces `out` with the text.
  virtual void writeText(VelaString& out) const;

  /// Counts the set's tuples: "COUNT( S, IncludeEmpty )" when
  /// `includeEmpty`, else "COUNT( S, ExcludeEmpty )".
  virtual MDXValue* TakeCount(const MDXSet* set, bool includeEmpty);
  /// The member's unique name: "M.UNIQUENAME " (one blank at the end).
  virtual MDXValue* TakeUniqueName(const MDXField* member);
  /// The member's name: "M.NAME ".
  virtual MDXValue* TakeName(const MDXField* member);
  /// The member's caption: "M.CAPTION ".
  virtual MDXValue* TakeCaption(const MDXField* member);
  /// The member's description: "M.DESCRIPTION ".
  virtual MDXValue* TakeDescription(const MDXField* member);
  /// Sums the current measure over the set: "SUM( S )".
  virtual MDXValue* TakeSum(const MDXSet* set);
  /// The smallest value over the set, of the tuple or null:
  /// "MIN( S )", or "MIN( S, U )"; with a two-member tuple
  /// "MIN( S, ( A, B )  )".
  virtual MDXValue* TakeMin(const MDXSet* set, const MDXTuple* tuple);
  /// The largest value over the set, of the tuple or null:
  /// "MAX( S )", or "MAX( S, U )"; with a two-member tuple
  /// "MAX( S, ( A, B )  )".
  virtual MDXValue* TakeMax(const MDXSet* set, const MDXTuple* tuple);
  /// The average over the set: "AVG( S )".
  virtual MDXValue* TakeAverage(const MDXSet* set);
  /// The covariance of y and x (or null) over the set; `population` writes
  /// COVARIANCEN: "COVARIANCEN(S, Y ) ", "COVARIANCE(S, Y, X ) ".
  virtual MDXValue* TakeCovariance(const MDXSet* set, const MDXValue* y, const MDXValue* x,
                                   bool population);
  /// The linear regression's variance: "LINREGVARIANCE(S, Y, X ) ", or
  /// "LINREGVARIANCE(S, Y ) " when x is null.
  virtual MDXValue* TakeLinRegVariance(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  /// The linear regression's R²: "LINREGR2(S, Y ) ", or
  /// "LINREGR2(S, Y, X ) " with x.
  virtual MDXValue* TakeLinRegR2(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  /// The linear regression's slope: "LINREGSLOPE(S, Y ) ", or
  /// "LINREGSLOPE(S, Y, X ) " with x.
  virtual MDXValue* TakeLinRegSlope(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  /// The linear regression's intercept: "LINREGINTERCEPT(S, Y ) ", or
  /// "LINREGINTERCEPT(S, Y, X ) " with x.
  virtual MDXValue* TakeLinRegIntercept(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  /// The regression line's value at a: "LINREGPOINT(A, S, Y ) ", or
  /// "LINREGPOINT(A, S, Y, X ) " with x.
  virtual MDXValue* TakeLinRegPoint(const MDXValue* a, const MDXSet* set, const MDXValue* y,
                                    const MDXValue* x);
  /// The correlation of y and x over the set: "CORRELATION(S, Y ) ", or
  /// "CORRELATION(S, Y, X ) " with x.
  virtual MDXValue* TakeCorrelation(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  /// Adds a number in front: on "X", `Add(-3)` gives "-3 + X".
  virtual MDXValue* Add(int number);
  /// Negates the text: "- ( T ) "; twice on "X", "- ( - ( X )  ) ".
  virtual MDXValue* ReverseSign();
  /// A named property of the member: `TakeProperty(m, L"Manager")` gives
  /// `M.Properties("Manager")`; the name is not escaped.
  virtual MDXValue* TakeProperty(const MDXField* member, const VelaString& property);
  /// Compares with the text as given: on "X", `TakeEquality(L"'a'")` gives
  /// "X = 'a'". No parentheses are added.
  virtual MDXValue* TakeEquality(VelaString text);
  /// Compares with a number: on "X", `TakeEquality(7)` gives "X = 7".
  virtual MDXValue* TakeEquality(int number);
  /// Compares for inequality: on "X", `TakeInequality(L"0")` gives
  /// "X <> 0".
  virtual MDXValue* TakeInequality(VelaString text);
  /// The median over the set: "MEDIAN( S )".
  virtual MDXValue* TakeMedian(const MDXSet* set);
  /// The sample standard deviation: "STDEV( S )".
  virtual MDXValue* TakeStDev(const MDXSet* set);
  /// The population standard deviation: "STDEVP( S )".
  virtual MDXValue* TakeStDevP(const MDXSet* set);
  /// The sample variance: "VARIANCE( S )".
  virtual MDXValue* TakeVariance(const MDXSet* set);
  /// The population variance: "VARIANCEP( S )".
  virtual MDXValue* TakeVarianceP(const MDXSet* set);
  /// Aggregates the current measure over the set by its own rule:
  /// "AGGREGATE( S )".
  virtual MDXValue* TakeAggregate(const MDXSet* set);

 protected:
  /// Reached only through the last unuse().
  ~MDXValue() override;

 private:
  friend class mdxgen_detail::FragmentReader;
  mdxgen_detail::FragmentText text_;
};

/// The value expression the generator creates; it writes the same texts.
class MDXGEN_API MSOLAP8Value : public MDXValue {
 public:
  using MDXValue::MDXValue;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8Value() override;
};
