/// \file
/// Calculated-member and named-set definitions of WITH and CREATE clauses.
#pragma once

#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

class MDXField;
class MDXSet;
class MDXValue;
namespace mdxgen_detail {
class TextWriter;
}  // namespace mdxgen_detail

/// One "MEMBER ..." or "SET ..." definition of a WITH clause or a CREATE
/// statement.
///
/// Made by the statements' AddMemberFormula and AddSetFormula and owned by
/// the statement; a host rarely builds one itself. It holds a reference on
/// each fragment it is given (a copy takes its own) and composes its text
/// afresh from their current texts on every getText. The cube-qualified
/// flag (CREATE sets it, SELECT does not) writes the cube name and "."
/// before the name. The MSOLAP8 classes write the expression between
/// " AS ' " and " ' " with its apostrophes doubled; the plain classes
/// between " AS " and " ". Every text ends with a blank.
class MDXGEN_API MDXSingleFormulaSpecification {
 public:
  /// Keeps the cube name of the statement that makes the definition.
  explicit MDXSingleFormulaSpecification(const VelaString& cubeName);
  /// Copies the cube name.
  MDXSingleFormulaSpecification(const MDXSingleFormulaSpecification& other);
  /// Copies the cube name.
  MDXSingleFormulaSpecification& operator=(const MDXSingleFormulaSpecification& other);
  virtual ~MDXSingleFormulaSpecification();

  /// The definition's text.
  virtual VelaString getText() const = 0;
  /// Replaces `out` with getText(); throws like it.
  virtual void writeText(VelaString& out) const = 0;

 protected:
  /// Whether the expression after AS is written between apostrophes; the
  /// hook a dialect overrides. False here.
  virtual bool needs_quotes() const;

  /// The cube name given at construction.
  const VelaString& cubeName() const { return cubeName_; }

 private:
  VelaString cubeName_;
};

/// A calculated member: "MEMBER " + [cube "."] + member + " AS " + value,
/// then SOLVE_ORDER and further properties. Holds a reference on the member
/// and on the value.
class MDXGEN_API MDXMemberSpecification : public MDXSingleFormulaSpecification {
 public:
  /// Takes a reference on the member and the value (when not null) and
  /// copies both lists; they are compared only when the text is asked for.
  /// A negative `solveOrder` writes no SOLVE_ORDER.
  MDXMemberSpecification(MDXField* member, MDXValue* value, int solveOrder,
                         const std::vector<VelaString>& propertyNames,
                         const std::vector<VelaString>& propertyValues, bool cubeQualified,
                         const VelaString& cubeName);
  /// Copies everything and takes its own references.
  MDXMemberSpecification(const MDXMemberSpecification& other);
  /// Gives back the references it held, then copies as the copy
  /// constructor does.
  MDXMemberSpecification& operator=(const MDXMemberSpecification& other);
  /// Gives back the references on the member and the value.
  ~MDXMemberSpecification() override;

  /// Quoted, with solve order 1 and the property FORMAT_STRING = '0.00':
  /// "MEMBER M AS ' V ' , SOLVE_ORDER = 1, FORMAT_STRING = '0.00' ";
  /// plain, with solve order 0: "MEMBER M AS V , SOLVE_ORDER = 0 ". Names
  /// and values are written as given. Throws MDXError
  /// kPropertyCountMismatch when the property names and values differ in
  /// number.
  VelaString getText() const override;
  void writeText(VelaString& out) const override;

 private:
  friend class MDXSelectQuery;
  friend class MDXCreateQuery;
  void appendText(mdxgen_detail::TextWriter& out) const;

  auto_unuse<MDXField> member_;
  auto_unuse<MDXValue> value_;
  int solveOrder_;
  bool cubeQualified_;
  std::vector<VelaString> propertyNames_;
  std::vector<VelaString> propertyValues_;
};

/// A named set: "SET " + [cube "."] + name + " AS " + set. Holds a
/// reference on the set.
class MDXGEN_API MDXSetSpecification : public MDXSingleFormulaSpecification {
 public:
  /// Takes a reference on the set (when not null).
  MDXSetSpecification(const VelaString& name, MDXSet* set, bool cubeQualified,
                      const VelaString& cubeName);
  /// Copies everything and takes its own reference.
  MDXSetSpecification(const MDXSetSpecification& other);
  /// Gives back the reference it held, then copies as the copy constructor
  /// does.
  MDXSetSpecification& operator=(const MDXSetSpecification& other);
  /// Gives back the reference on the set.
  ~MDXSetSpecification() override;

  /// Quoted: "SET [S1] AS ' {[A]} ' "; plain and cube-qualified:
  /// "SET [Sales].[S1] AS {[A]} ". Raises no error of its own.
  VelaString getText() const override;
  void writeText(VelaString& out) const override;

 private:
  VelaString name_;
  auto_unuse<MDXSet> set_;
  bool cubeQualified_;
};

/// The member definition of the server's statements: the expression is
/// written between " AS ' " and " ' ", its apostrophes doubled.
class MDXGEN_API MSOLAP8MemberSpecification : public MDXMemberSpecification {
 public:
  using MDXMemberSpecification::MDXMemberSpecification;

 protected:
  /// True.
  bool needs_quotes() const override;
};

/// The named-set definition of the server's statements, quoted likewise.
class MDXGEN_API MSOLAP8SetSpecification : public MDXSetSpecification {
 public:
  using MDXSetSpecification::MDXSetSpecification;

 protected:
  /// True.
  bool needs_quotes() const override;
};
