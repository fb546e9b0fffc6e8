// Calculated-member and named-set definitions of WITH and CREATE clauses.
#pragma once

#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

class MDXField;
class MDXSet;
class MDXValue;

// One "MEMBER ..." or "SET ..." definition. Owned by the statement that
// made it; composes its text afresh from its fragments on every getText.
class MDXGEN_API MDXSingleFormulaSpecification {
 public:
  explicit MDXSingleFormulaSpecification(const VelaString& cubeName);
  MDXSingleFormulaSpecification(const MDXSingleFormulaSpecification& other);
  MDXSingleFormulaSpecification& operator=(const MDXSingleFormulaSpecification& other);
  virtual ~MDXSingleFormulaSpecification();

  virtual VelaString getText() const = 0;
  virtual void writeText(VelaString& out) const = 0;

 protected:
  // Whether the expression after AS is written between apostrophes.
  virtual bool needs_quotes() const;

  const VelaString& cubeName() const { return cubeName_; }

 private:
  VelaString cubeName_;
};

// "MEMBER " + [cube "."] + member + " AS " + value, with SOLVE_ORDER and
// further properties. Holds a reference on the member and on the value.
class MDXGEN_API MDXMemberSpecification : public MDXSingleFormulaSpecification {
 public:
  MDXMemberSpecification(MDXField* member, MDXValue* value, int solveOrder,
                         const std::vector<VelaString>& propertyNames,
                         const std::vector<VelaString>& propertyValues, bool cubeQualified,
                         const VelaString& cubeName);
  MDXMemberSpecification(const MDXMemberSpecification& other);
  MDXMemberSpecification& operator=(const MDXMemberSpecification& other);
  ~MDXMemberSpecification() override;

  // Throws MDXError kPropertyCountMismatch when the property names and
  // values differ in number.
  VelaString getText() const override;
  void writeText(VelaString& out) const override;

 private:
  friend class MDXSelectQuery;
  friend class MDXCreateQuery;
  void appendText(VelaString& out) const;

  auto_unuse<MDXField> member_;
  auto_unuse<MDXValue> value_;
  int solveOrder_;
  bool cubeQualified_;
  std::vector<VelaString> propertyNames_;
  std::vector<VelaString> propertyValues_;
};

// "SET " + [cube "."] + name + " AS " + set. Holds a reference on the set.
class MDXGEN_API MDXSetSpecification : public MDXSingleFormulaSpecification {
 public:
  MDXSetSpecification(const VelaString& name, MDXSet* set, bool cubeQualified,
                      const VelaString& cubeName);
  MDXSetSpecification(const MDXSetSpecification& other);
  MDXSetSpecification& operator=(const MDXSetSpecification& other);
  ~MDXSetSpecification() override;

  VelaString getText() const override;
  void writeText(VelaString& out) const override;

 private:
  VelaString name_;
  auto_unuse<MDXSet> set_;
  bool cubeQualified_;
};

// The member definition of the server's statements: the expression is
// written between " AS ' " and " ' ", its apostrophes doubled.
class MDXGEN_API MSOLAP8MemberSpecification : public MDXMemberSpecification {
 public:
  using MDXMemberSpecification::MDXMemberSpecification;

 protected:
  bool needs_quotes() const override;
};

// The named-set definition of the server's statements, quoted likewise.
class MDXGEN_API MSOLAP8SetSpecification : public MDXSetSpecification {
 public:
  using MDXSetSpecification::MDXSetSpecification;

 protected:
  bool needs_quotes() const override;
};
