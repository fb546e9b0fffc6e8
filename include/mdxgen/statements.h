/// \file
/// The statements: SELECT, CREATE, DROP, ALTER CUBE and UPDATE CUBE.
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
namespace mdxgen_detail {
class TextWriter;
}  // namespace mdxgen_detail

/// The common base of the statements: the cube the statement is about and
/// its kind.
///
/// A statement collects the pieces the host adds and composes its whole
/// text afresh on every getText; reading the text changes nothing, and a
/// piece added later shows in the next text. Statements are reference
/// counted like fragments: the generator (or, for UPDATE CUBE, the host's
/// `new`) hands out one reference. A fragment added to a statement is held
/// by a reference of the statement's own (an axis, a formula, the slicer),
/// so the host may give its own reference back at once; a fragment changed
/// later shows its new text. A refused call throws MDXError and leaves the
/// statement as it was.
class MDXGEN_API MDXQuery : public support::RefCountImpl {
 public:
  /// The kinds of statement: the type GenerateQuery takes (0 to 3) and
  /// getQueryType gives.
  enum QueryType : int { Select = 0, Create = 1, Drop = 2, Alter = 3, Update = 4 };

  /// The statement's text; `laidOut` asks for line breaks and indentation
  /// for a human reader (only SELECT makes a difference).
  virtual VelaString getText(bool laidOut) const = 0;
  /// Replaces `out` with the one-line text, getText(false); throws like it
  /// and then leaves `out` as it was.
  virtual void writeText(VelaString& out) const = 0;

  /// The kind of statement, fixed by the constructing class.
  QueryType getQueryType() const { return queryType_; }
  /// The cube name, as given at construction ("[Sales]").
  const VelaString& getCubeName() const { return cubeName_; }

 protected:
  /// For the statement classes: copies the cube name and stores the kind.
  MDXQuery(const VelaString& cubeName, QueryType type);
  /// Reached only through the last unuse().
  ~MDXQuery() override;

 private:
  QueryType queryType_;
  VelaString cubeName_;
};

/// SELECT with WITH formulas, axes, slicer, cell properties and
/// DRILLTHROUGH.
///
///     MDXQuery* q = generator->GenerateQuery(MDXQuery::Select, nullptr);
///     auto* select = static_cast<MDXSelectQuery*>(q);
///     select->AddAxisSpecification(0, set, {}, MDXSelectQuery::MayBeEmpty);
///     select->getText(false);   // "SELECT S ON COLUMNS FROM [Sales] "
///
/// With NON EMPTY rows limited to positions 0 to 9, a dimension property,
/// a slicer member and a cell property the one-line text is
/// "SELECT S ON COLUMNS , NON EMPTY SUBSET( R , 0, 10 )  DIMENSION "
/// "PROPERTIES [D].[L1].[P1] ON ROWS FROM [Sales] WHERE [T].[Y1]  CELL "
/// "PROPERTIES VALUE" (quoted pieces written one after the other).
class MDXGEN_API MDXSelectQuery : public MDXQuery {
 public:
  /// Passed to AddAxisSpecification: 1 writes NON EMPTY, any other value
  /// does not.
  enum NonEmptyStatus : int { MayBeEmpty = 0, NonEmpty = 1 };

  /// One axis: a set with NON EMPTY, a SUBSET range and DIMENSION
  /// PROPERTIES, written "NON EMPTY SUBSET( S , 0, 10 )  DIMENSION
  /// PROPERTIES P ON ROWS ". Holds a reference on its set (a copy takes its
  /// own) and reads the set's text whenever its own is asked for.
  class MDXGEN_API MDXAxisSpecification {
   public:
    /// Axis `axis` (0 COLUMNS, 1 ROWS, n AXIS(n)) over the set, with
    /// copies of the property names; takes a reference on a non-null set.
    MDXAxisSpecification(int axis, MDXSet* set, const std::vector<VelaString>& properties,
                         bool nonEmpty);
    /// Copies everything and takes its own reference on the set.
    MDXAxisSpecification(const MDXAxisSpecification& other);
    /// Gives back the reference on its set, then copies as the copy
    /// constructor does.
    MDXAxisSpecification& operator=(const MDXAxisSpecification& other);
    /// Gives back the reference on the set.
    virtual ~MDXAxisSpecification();

    /// The axis clause: "S ON COLUMNS ", or with NON EMPTY, range (0, 9)
    /// and one property on axis 1,
    /// "NON EMPTY SUBSET( S , 0, 10 )  DIMENSION PROPERTIES P ON ROWS ".
    virtual VelaString getText() const;
    /// Replaces `out` with getText().
    virtual void writeText(VelaString& out) const;
    /// Keeps the positions start to end, written as SUBSET with the count
    /// end - start + 1; (0, -1) means the whole set. Nothing is checked.
    virtual void setAxisRange(int start, int end);

    /// The axis number.
    int getAxisIndex() const { return axis_; }

   private:
    friend class MDXSelectQuery;
    void appendText(mdxgen_detail::TextWriter& out) const;

    bool nonEmpty_;
    auto_unuse<MDXSet> set_;
    int axis_;
    int rangeStart_ = 0;
    int rangeEnd_ = -1;
    std::vector<VelaString> properties_;
  };

  /// An empty SELECT on the cube; its text needs an axis first.
  explicit MDXSelectQuery(const VelaString& cubeName);

  /// The statement: "WITH <formulas> DRILLTHROUGH MAXROWS n SELECT <axes>
  /// FROM <cube> WHERE <slicer>  CELL PROPERTIES <names>", each part only
  /// when present; laid out, each clause starts a line and the items are
  /// indented. After setQuery, exactly the text given there. Throws
  /// MDXError kNoAxis when there is neither a raw text nor an axis.
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  /// Adds a named set to the WITH clause and holds a reference on the set.
  /// The generator's statement writes "SET [S1] AS ' {[A]} ' " for the
  /// name "[S1]" (a plain MDXSelectQuery: "SET [S1] AS {[A]} ").
  virtual void AddSetFormula(const VelaString& name, MDXSet* set);
  /// Adds a calculated member to the WITH clause and holds a reference on
  /// the member and the value. The generator's statement writes
  /// "MEMBER [Measures].[M2] AS ' [Measures].[M1] * 2 ' , SOLVE_ORDER = 1 "
  /// for solve order 1 (a negative order writes none), each property as
  /// ", NAME = value". Names and values differing in number make the
  /// statement's getText throw MDXError kPropertyCountMismatch.
  virtual void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                const std::vector<VelaString>& propertyNames,
                                const std::vector<VelaString>& propertyValues);
  /// Adds an axis over the set, NON EMPTY when `status` is 1, with
  /// DIMENSION PROPERTIES names; the axis holds a reference on the set.
  /// Axes are added as 0, 1, 2, ...; any other number throws MDXError
  /// kAxisOutOfOrder and adds nothing.
  virtual void AddAxisSpecification(int axis, MDXSet* set,
                                    const std::vector<VelaString>& properties,
                                    NonEmptyStatus status);
  /// Keeps positions start to end of the axis's set (setAxisRange); an
  /// axis number not added yet is ignored.
  virtual void AddAxisRange(int axis, int start, int end);
  /// Adds a member to the WHERE tuple and holds a reference on it: one
  /// member writes "WHERE [T].[Y1] ", two "WHERE ( A, B )  ".
  virtual void AddSlicerSpecification(MDXField* member);
  /// Adds a name to CELL PROPERTIES: " CELL PROPERTIES VALUE".
  virtual void AddCellProperty(const VelaString& name);
  /// Adds each name to CELL PROPERTIES, in order.
  virtual void AddCellProperties(const std::vector<VelaString>& names);
  /// Makes the statement a DRILLTHROUGH, "DRILLTHROUGH MAXROWS 100 " before
  /// SELECT (no MAXROWS for 0); a later call replaces the limit. Returns
  /// true.
  virtual bool SpecifyDrillThrough(unsigned int maxRows);
  /// From now on the statement's text is exactly this text; the pieces
  /// added are kept but no longer written.
  virtual void setQuery(VelaString& text);

  /// Adds the set as a named set "[NS_n]" (n counts this statement's
  /// generated names from 1) and returns the name, to be used as an axis
  /// text: the first call gives "[NS_1]" and writes
  /// "WITH SET [NS_1] AS ' {[A], [B]} ' ".
  VelaString AddSetFormula(MDXSet* set);

 protected:
  /// Reached only through the last unuse(); gives back the references of
  /// axes, formulas and slicer.
  ~MDXSelectQuery() override;
  /// Appends a formula to the WITH clause; the statement owns it from now
  /// on. For subclasses that write their own formula classes.
  void addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula);
  /// Formula texts a dialect lists in the WITH clause before the
  /// statement's own formulas; none here.
  virtual std::vector<VelaString> leadingFormulaTexts() const;

 private:
  std::vector<std::unique_ptr<MDXSingleFormulaSpecification>> formulas_;
  std::vector<MDXAxisSpecification> axes_;
  auto_unuse<MDXTuple> slicer_;
  std::vector<VelaString> cellProperties_;
  bool drillThrough_ = false;
  unsigned int maxRows_ = 0;
  bool rawTextSet_ = false;
  VelaString rawText_;
  unsigned int namedSetCounter_ = 0;
};

/// The SELECT the generator creates; its formulas quote their expressions
/// ("AS ' ... ' ", apostrophes doubled).
class MDXGEN_API MSOLAP8SelectQuery : public MDXSelectQuery {
 public:
  using MDXSelectQuery::MDXSelectQuery;
  using MDXSelectQuery::AddSetFormula;

  void AddSetFormula(const VelaString& name, MDXSet* set) override;
  void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                        const std::vector<VelaString>& propertyNames,
                        const std::vector<VelaString>& propertyValues) override;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8SelectQuery() override;
};

/// CREATE of calculated members and named sets, qualified by the cube:
/// "CREATE MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] * 2 ' SET "
/// "[Sales].[S1] AS ' {[A]} ' " (quoted pieces written one after the other).
class MDXGEN_API MDXCreateQuery : public MDXQuery {
 public:
  /// An empty CREATE on the cube; its text needs a formula first.
  explicit MDXCreateQuery(const VelaString& cubeName);

  /// "CREATE " and each formula's text in order, one line whatever
  /// `laidOut`; after AddRawMemberFormula, exactly that text. Throws
  /// MDXError kNothingToCreate without a raw formula or a formula.
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  /// Adds a calculated member, "MEMBER [Sales].<member> AS ' <value> ' ",
  /// with SOLVE_ORDER when `solveOrder` is 0 or more and ", NAME = value"
  /// per property; holds a reference on the member and the value. Names
  /// and values differing in number make getText throw MDXError
  /// kPropertyCountMismatch.
  virtual void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                const std::vector<VelaString>& propertyNames,
                                const std::vector<VelaString>& propertyValues);
  /// Adds a named set, "SET [Sales].<name> AS ' <set> ' ", and holds a
  /// reference on the set.
  virtual void AddSetFormula(const VelaString& name, MDXSet* set);
  /// From now on the statement's text is exactly this text (a later call
  /// replaces it); formulas are no longer written.
  virtual void AddRawMemberFormula(const VelaString& text);

 protected:
  /// Reached only through the last unuse(); gives back the formulas'
  /// references.
  ~MDXCreateQuery() override;
  /// Appends a formula; the statement owns it from now on. For subclasses
  /// that write their own formula classes.
  void addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula);

 private:
  std::vector<std::unique_ptr<MDXSingleFormulaSpecification>> formulas_;
  bool rawFormulaSet_ = false;
  VelaString rawFormula_;
};

/// The CREATE the generator creates; its formulas quote their expressions
/// ("AS ' ... ' ", apostrophes doubled).
class MDXGEN_API MSOLAP8CreateQuery : public MDXCreateQuery {
 public:
  using MDXCreateQuery::MDXCreateQuery;

  void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                        const std::vector<VelaString>& propertyNames,
                        const std::vector<VelaString>& propertyValues) override;
  void AddSetFormula(const VelaString& name, MDXSet* set) override;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8CreateQuery() override;
};

/// DROP of calculated members or of named sets (never both), each name
/// qualified by the cube:
/// "DROP MEMBER [Sales].[Measures].[M2] [Sales].[Measures].[M3] ".
class MDXGEN_API MDXDropQuery : public MDXQuery {
 public:
  /// An empty DROP on the cube; its text needs a name first.
  explicit MDXDropQuery(const VelaString& cubeName);

  /// One line whatever `laidOut`. Throws MDXError kNothingToDrop when no
  /// name was added.
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  /// Adds a calculated member's name ("[Measures].[M2]"); returns true.
  /// Throws MDXError kDropKindMismatch when the statement drops sets; the
  /// name is then not added.
  bool AddMemberToDrop(const VelaString& name);
  /// Adds a named set's name: "DROP SET [Sales].[S1] "; returns true.
  /// Throws MDXError kDropKindMismatch when the statement drops members;
  /// the name is then not added.
  bool AddSetToDrop(const VelaString& name);

 protected:
  /// Reached only through the last unuse().
  ~MDXDropQuery() override;
  /// The names added, first to last.
  const std::vector<VelaString>& names() const { return names_; }
  /// Whether the names added name sets rather than members.
  bool dropsSets() const { return kind_ == Sets; }

 private:
  enum Kind : int { Nothing = 0, Members = 1, Sets = 2 };
  bool addName(const VelaString& name, Kind kind);

  int kind_ = Nothing;
  std::vector<VelaString> names_;
};

/// The DROP the generator creates; it writes the same text.
class MDXGEN_API MSOLAP8DropQuery : public MDXDropQuery {
 public:
  using MDXDropQuery::MDXDropQuery;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8DropQuery() override;
};

/// ALTER CUBE ... CREATE DIMENSION MEMBER: adds a member to a dimension.
/// Raises no error; without names it writes
/// "ALTER CUBE [Sales] CREATE DIMENSION MEMBER ., KEY = '[]' ".
class MDXGEN_API MDXAlterQuery : public MDXQuery {
 public:
  /// An ALTER CUBE on the cube, without names yet.
  explicit MDXAlterQuery(const VelaString& cubeName);

  /// With the parent "[Product].[All Products]" and the member "Gadgets":
  /// "ALTER CUBE [Sales] CREATE DIMENSION MEMBER [Product].[All "
  /// "Products].Gadgets, KEY = '[Gadgets]' " (one line whatever `laidOut`).
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  /// The parent under which the member is created, and the member's name
  /// (also its key), both as given; replaces the names given before.
  virtual void addNames(const VelaString& parent, const VelaString& member);

 protected:
  /// Reached only through the last unuse().
  ~MDXAlterQuery() override;

 private:
  VelaString parentName_;
  VelaString memberName_;
};

/// The ALTER CUBE the generator creates; it writes the same text.
class MDXGEN_API MSOLAP8AlterQuery : public MDXAlterQuery {
 public:
  using MDXAlterQuery::MDXAlterQuery;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8AlterQuery() override;
};

/// UPDATE CUBE: writes one value into the cell named by a tuple of members.
/// The host constructs it directly (the generator does not make it) and
/// gives it back with unuse(). Raises no error.
///
///     auto* u = new MDXUpdateQuery(L"[Sales]");
///     u->addNameVector({L"[A].[a1]", L"[B].[b1]"});
///     VelaString v(L"100");
///     u->addData(v);   // "UPDATE CUBE [Sales] SET([A].[a1], [B].[b1]) = 100 "
class MDXGEN_API MDXUpdateQuery : public MDXQuery {
 public:
  /// An UPDATE CUBE on the cube with one reference, owned by the caller.
  explicit MDXUpdateQuery(const VelaString& cubeName);

  /// "UPDATE CUBE <cube> SET(<names>) = <value> ", one line whatever
  /// `laidOut`.
  VelaString getText(bool laidOut) const override;
  void writeText(VelaString& out) const override;

  /// Replaces the member names of the cell's tuple, written as given.
  void addNameVector(std::vector<VelaString> names);
  /// Replaces the value, MDX text written as given.
  void addData(VelaString& value);

 protected:
  /// Reached only through the last unuse().
  ~MDXUpdateQuery() override;

 private:
  std::vector<VelaString> names_;
  VelaString value_;
};
