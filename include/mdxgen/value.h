// MDXValue: a numeric or string value expression.
#pragma once

#include "mdxgen/export.h"
#include "mdxgen/fragment_text.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

class MDXField;
class MDXSet;
class MDXTuple;

// A number, a count, an aggregate or statistic over a set, a property of a
// member or a comparison, as MDX text. Add, ReverseSign, TakeEquality and
// TakeInequality keep the previous text; every other operation builds the
// text from its arguments alone, so it must not be given the value itself
// as an argument.
//
//   MDXValue* v = generator->GenerateValue(L"[Measures].[Unit Sales]");
//   v->TakeSum(set);   // "SUM( <set> )"
class MDXGEN_API MDXValue : public support::RefCountImpl {
 public:
  explicit MDXValue(int number);
  explicit MDXValue(const VelaString& text);

  virtual VelaString getText() const;
  virtual VelaString getQuotedText();
  virtual void writeText(VelaString& out) const;

  virtual MDXValue* TakeCount(const MDXSet* set, bool includeEmpty);
  virtual MDXValue* TakeUniqueName(const MDXField* member);
  virtual MDXValue* TakeName(const MDXField* member);
  virtual MDXValue* TakeCaption(const MDXField* member);
  virtual MDXValue* TakeDescription(const MDXField* member);
  virtual MDXValue* TakeSum(const MDXSet* set);
  virtual MDXValue* TakeMin(const MDXSet* set, const MDXTuple* tuple);
  virtual MDXValue* TakeMax(const MDXSet* set, const MDXTuple* tuple);
  virtual MDXValue* TakeAverage(const MDXSet* set);
  virtual MDXValue* TakeCovariance(const MDXSet* set, const MDXValue* y, const MDXValue* x,
                                   bool population);
  virtual MDXValue* TakeLinRegVariance(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  virtual MDXValue* TakeLinRegR2(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  virtual MDXValue* TakeLinRegSlope(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  virtual MDXValue* TakeLinRegIntercept(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  virtual MDXValue* TakeLinRegPoint(const MDXValue* a, const MDXSet* set, const MDXValue* y,
                                    const MDXValue* x);
  virtual MDXValue* TakeCorrelation(const MDXSet* set, const MDXValue* y, const MDXValue* x);
  virtual MDXValue* Add(int number);
  virtual MDXValue* ReverseSign();
  virtual MDXValue* TakeProperty(const MDXField* member, const VelaString& property);
  virtual MDXValue* TakeEquality(VelaString text);
  virtual MDXValue* TakeEquality(int number);
  virtual MDXValue* TakeInequality(VelaString text);
  virtual MDXValue* TakeMedian(const MDXSet* set);
  virtual MDXValue* TakeStDev(const MDXSet* set);
  virtual MDXValue* TakeStDevP(const MDXSet* set);
  virtual MDXValue* TakeVariance(const MDXSet* set);
  virtual MDXValue* TakeVarianceP(const MDXSet* set);
  virtual MDXValue* TakeAggregate(const MDXSet* set);

 protected:
  ~MDXValue() override;

 private:
  friend class mdxgen_detail::FragmentReader;
  mdxgen_detail::FragmentText text_;
};

// The value expression the generator creates.
class MDXGEN_API MSOLAP8Value : public MDXValue {
 public:
  using MDXValue::MDXValue;

 protected:
  ~MSOLAP8Value() override;
};
