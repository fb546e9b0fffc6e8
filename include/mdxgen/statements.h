// The statements: SELECT, CREATE, DROP, ALTER CUBE and UPDATE CUBE.
#pragma once

#include <memory>
#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

class MDXField;
class MDXSet;
class MDXTuple;
class MDXValue;
class MDXSingleFormulaSpecification;

// The common base of the statements: the cube the statement is about and
// its kind. A statement composes its whole text afresh on every getText.
class MDXGEN_API MDXQuery : public support::RefCountImpl {
 public:
  enum QueryType : int { Select = 0, Create = 1, Drop = 2, Alter = 3, Update = 4 };

  // The statement's text; laidOut asks for a text with line breaks and
  // indentation for a human reader (only SELECT makes a difference).
  virtual VelaString getText(bool laidOut) const = 0;
  // Replaces out with the one-line text, getText(false).
  virtual void writeText(VelaString& out) const = 0;

  // The kind of statement, fixed by the constructing class.
  QueryType getQueryType() const { return queryType_; }
  const VelaString& getCubeName() const { return cubeName_; }

 protected:
  MDXQuery(const VelaString& cubeName, QueryType type);
  ~MDXQuery() override;

 private:
  QueryType queryType_;
  VelaString cubeName_;
};

// SELECT with WITH formulas, axes, slicer, cell properties and
// DRILLTHROUGH.
//
//   MDXQuery* q = generator->GenerateQuery(MDXQuery::Select, nullptr);
//   auto* select = static_cast<MDXSelectQuery*>(q);
//   select->AddAxisSpecification(0, set, {}, MDXSelectQuery::NonEmpty);
//   select->getText(false);   // "SELECT NON EMPTY <set> ON COLUMNS FROM [Sales] "
class MDXGEN_API MDXSelectQuery : public MDXQuery {
 public:
  // Passed to AddAxisSpecification: 1 writes NON EMPTY, any other value
  // does not.
  enum NonEmptyStatus : int { MayBeEmpty = 0, NonEmpty = 1 };

  // One axis: a set with NON EMPTY, a SUBSET range and DIMENSION
  // PROPERTIES. Holds a reference on its set.
  class MDXGEN_API MDXAxisSpecification {
   public:
    MDXAxisSpecification(int axis, MDXSet* set, const std::vector<VelaString>& properties,
                         bool nonEmpty);
    MDXAxisSpecification(const MDXAxisSpecification& other);
    MDXAxisSpecification& operator=(const MDXAxisSpecification& other);
    virtual ~MDXAxisSpecification();

    virtual VelaString getText() const;
    virtual void writeText(VelaString& out) const;
    // Keeps the positions start to end; (0, -1) means the whole set.
    virtual void setAxisRange(int start, int end);

    int getAxisIndex() const { return axis_; }

   private:
    friend class MDXSelectQuery;
    void appendText(VelaString& out) const;

    bool nonEmpty_;
    auto_unuse<MDXSet> set_;
    int axis_;
    int rangeStart_ = 0;
    int rangeEnd_ = -1;
    std::vector<VelaString> properties_;
  };

  explicit MDXSelectQuery(const VelaString& cubeName);

  // Throws MDXError kNoAxis when there is neither a raw text nor an axis.
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  virtual void AddSetFormula(const VelaString& name, MDXSet* set);
  virtual void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                const std::vector<VelaString>& propertyNames,
                                const std::vector<VelaString>& propertyValues);
  // Axes are added as 0, 1, 2, ...; any other number throws MDXError
  // kAxisOutOfOrder and adds nothing.
  virtual void AddAxisSpecification(int axis, MDXSet* set,
                                    const std::vector<VelaString>& properties,
                                    NonEmptyStatus status);
  virtual void AddAxisRange(int axis, int start, int end);
  virtual void AddSlicerSpecification(MDXField* member);
  virtual void AddCellProperty(const VelaString& name);
  virtual void AddCellProperties(const std::vector<VelaString>& names);
  virtual bool SpecifyDrillThrough(unsigned int maxRows);
  // From now on the statement's text is exactly this text.
  virtual void setQuery(VelaString& text);

  // Adds the set as a named set "[NS_n]" (n counts this statement's
  // generated names from 1) and returns the name.
  VelaString AddSetFormula(MDXSet* set);

 protected:
  ~MDXSelectQuery() override;
  // Appends a formula to the WITH clause; the statement owns it from now on.
  void addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula);

 private:
  std::vector<std::unique_ptr<MDXSingleFormulaSpecification>> formulas_;
  std::vector<std::unique_ptr<MDXAxisSpecification>> axes_;
  auto_unuse<MDXTuple> slicer_;
  std::vector<VelaString> cellProperties_;
  bool drillThrough_ = false;
  unsigned int maxRows_ = 0;
  bool rawTextSet_ = false;
  VelaString rawText_;
  unsigned int namedSetCounter_ = 0;
};

// The SELECT the generator creates; its formulas quote their expressions.
class MDXGEN_API MSOLAP8SelectQuery : public MDXSelectQuery {
 public:
  using MDXSelectQuery::MDXSelectQuery;
  using MDXSelectQuery::AddSetFormula;

  void AddSetFormula(const VelaString& name, MDXSet* set) override;
  void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                        const std::vector<VelaString>& propertyNames,
                        const std::vector<VelaString>& propertyValues) override;

 protected:
  ~MSOLAP8SelectQuery() override;
};

// CREATE of calculated members and named sets, qualified by the cube.
class MDXGEN_API MDXCreateQuery : public MDXQuery {
 public:
  explicit MDXCreateQuery(const VelaString& cubeName);

  // Throws MDXError kNothingToCreate without a raw formula or a formula.
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  virtual void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                const std::vector<VelaString>& propertyNames,
                                const std::vector<VelaString>& propertyValues);
  virtual void AddSetFormula(const VelaString& name, MDXSet* set);
  // From now on the statement's text is exactly this text.
  virtual void AddRawMemberFormula(const VelaString& text);

 protected:
  ~MDXCreateQuery() override;
  // Appends a formula; the statement owns it from now on.
  void addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula);

 private:
  std::vector<std::unique_ptr<MDXSingleFormulaSpecification>> formulas_;
  bool rawFormulaSet_ = false;
  VelaString rawFormula_;
};

// The CREATE the generator creates; its formulas quote their expressions.
class MDXGEN_API MSOLAP8CreateQuery : public MDXCreateQuery {
 public:
  using MDXCreateQuery::MDXCreateQuery;

  void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                        const std::vector<VelaString>& propertyNames,
                        const std::vector<VelaString>& propertyValues) override;
  void AddSetFormula(const VelaString& name, MDXSet* set) override;

 protected:
  ~MSOLAP8CreateQuery() override;
};

// DROP of calculated members or of named sets (never both).
class MDXGEN_API MDXDropQuery : public MDXQuery {
 public:
  explicit MDXDropQuery(const VelaString& cubeName);

  // Throws MDXError kNothingToDrop when no name was added.
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  // Throw MDXError kDropKindMismatch when the statement already drops the
  // other kind; the name is then not added.
  bool AddMemberToDrop(const VelaString& name);
  bool AddSetToDrop(const VelaString& name);

 protected:
  ~MDXDropQuery() override;

 private:
  enum Kind : int { Nothing = 0, Members = 1, Sets = 2 };
  bool addName(const VelaString& name, Kind kind);

  int kind_ = Nothing;
  std::vector<VelaString> names_;
};

class MDXGEN_API MSOLAP8DropQuery : public MDXDropQuery {
 public:
  using MDXDropQuery::MDXDropQuery;

 protected:
  ~MSOLAP8DropQuery() override;
};

// ALTER CUBE ... CREATE DIMENSION MEMBER.
class MDXGEN_API MDXAlterQuery : public MDXQuery {
 public:
  explicit MDXAlterQuery(const VelaString& cubeName);

  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  // The parent under which the member is created, and the member's name
  // (also its key); replaces the names given before.
  virtual void addNames(const VelaString& parent, const VelaString& member);

 protected:
  ~MDXAlterQuery() override;

 private:
  VelaString parentName_;
  VelaString memberName_;
};

class MDXGEN_API MSOLAP8AlterQuery : public MDXAlterQuery {
 public:
  using MDXAlterQuery::MDXAlterQuery;

 protected:
  ~MSOLAP8AlterQuery() override;
};

// UPDATE CUBE: writes one value into the cell named by a tuple of members.
// The host constructs it directly.
//
//   auto* u = new MDXUpdateQuery(L"[Sales]");
//   u->addNameVector({L"[A].[a1]", L"[B].[b1]"});
//   VelaString v(L"100");
//   u->addData(v);   // "UPDATE CUBE [Sales] SET([A].[a1], [B].[b1]) = 100 "
class MDXGEN_API MDXUpdateQuery : public MDXQuery {
 public:
  explicit MDXUpdateQuery(const VelaString& cubeName);

  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  // Replaces the member names of the cell's tuple.
  void addNameVector(std::vector<VelaString> names);
  // Replaces the value.
  void addData(VelaString& value);

 protected:
  ~MDXUpdateQuery() override;

 private:
  std::vector<VelaString> names_;
  VelaString value_;
};
