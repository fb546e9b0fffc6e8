// The Mondrian 3 dialect: the generator of createMondrianQueryGenerator and
// the fragments and statements it makes. Each class writes the MSOLAP 8
// text except for the forms Mondrian does not know, which it writes in a
// form of the same meaning that Mondrian accepts:
//   ORDER( UNIQUE( S ) ...)            ORDER( DISTINCT( S ) ...)
//   DRILLUPMEMBER( S, M )              FILTER( S, COUNT( INTERSECT( ASCENDANTS(
//                                          <M's hierarchy>.CURRENTMEMBER.PARENT ), M ) ) = 0 )
//   TOGGLEDRILLSTATE( S, M, RECURSIVE )
//       DRILLDOWNMEMBER( TOGGLEDRILLSTATE( S, M ) , EXCEPT( M, S ), RECURSIVE )
//   <level>.MEMBERS( 0 )               <level>.MEMBERS.ITEM( 0 )
//   DESCENDANTS( m, H.LEVELS.COUNT - 1, LEAVES )   DESCENDANTS( m, , LEAVES )
//   m.DESCRIPTION                      m.Properties("DESCRIPTION")
//   NONEMPTYCROSSJOIN( A, B, C )       NONEMPTYCROSSJOIN( NONEMPTYCROSSJOIN( A, B ), C )
//   WITH ... DRILLTHROUGH SELECT       DRILLTHROUGH WITH ... SELECT
//   DIMENSION PROPERTIES member_caption   DIMENSION PROPERTIES MEMBER_CAPTION
// Mondrian keeps no session objects: the members and sets a CREATE defines
// are kept by the generator and written into the WITH clause of its later
// SELECTs until a DROP removes them. ALTER CUBE has no Mondrian form and is
// refused.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "mdxgen/formula_specification.h"
#include "mdxgen/generator.h"
#include "mdxgen/set.h"
#include "mdxgen/statements.h"
#include "mdxgen/value.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"

using mdxgen_detail::append;
using mdxgen_detail::concat;

namespace {

// The calculated members and named sets a generator's CREATE statements
// defined, in the order first defined, each with its WITH clause text. The
// statements that share it may be used from several threads.
class Session {
 public:
  // Defines or redefines the member or set called name.
  void define(bool isSet, const VelaString& name, const VelaString& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = find(isSet, name);
    if (found != entries_.end())
      found->text = text;
    else
      entries_.push_back({isSet, name, text});
  }
  void drop(bool isSet, const VelaString& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = find(isSet, name);
    if (found != entries_.end()) entries_.erase(found);
  }
  std::vector<VelaString> texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<VelaString> texts;
    texts.reserve(entries_.size());
    for (const Entry& entry : entries_) texts.push_back(entry.text);
    return texts;
  }

 private:
  struct Entry {
    bool isSet;
    VelaString name;
    VelaString text;
  };
  std::vector<Entry>::iterator find(bool isSet, const VelaString& name) {
    return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
      return entry.isSet == isSet && entry.name == name;
    });
  }

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// The statement a CREATE or DROP leaves for the server: a SELECT without
// axes, which checks the formulas given (none for a DROP) and returns the
// cube's one default cell.
VelaString emptySelect(const VelaString& formulas, const VelaString& cube) {
  return concat({formulas.empty() ? L"" : L"WITH ", formulas, L"SELECT FROM ", cube, L" "});
}

class MondrianSet final : public MSOLAP8Set {
 public:
  using MSOLAP8Set::DrillUpOnSet;
  using MSOLAP8Set::MSOLAP8Set;
  using MSOLAP8Set::TakeChildren;
  using MSOLAP8Set::TakeDescendants;

  // DISTINCT is Mondrian's name for taking out repeated tuples.
  MDXSet* Order(int direction, const MDXValue* value) override {
    MSOLAP8Set::Order(direction, value);
    return distinctOrder();
  }
  MDXSet* Order(int direction, const MDXTuple* tuple) override {
    MSOLAP8Set::Order(direction, tuple);
    return distinctOrder();
  }

  // Drilling up takes out of the set the members that descend from a
  // member drilled up.
  MDXSet* DrillUp(const VelaString& members) override {
    setText(drillUp(text(), members));
    return this;
  }
  MDXSet* DrillUpOnSet(const VelaString& set) override {
    setText(drillUp(concat({L"Hierarchize( ", text(), L" )"}), set));
    return this;
  }
  MDXSet* DrillUpOnSet(const MDXSet* set) override {
    setText(drillUp(concat({L"Hierarchize( ", text(), L" )"}), set->getText()));
    return this;
  }

  // The plain toggle drills the set's drilled members up and the others
  // down by one generation; the recursive drill-down that follows drills
  // the new members the second set names, down to the last generation.
  MDXSet* ToggleDrillStateOnSet(const MDXSet* set, bool recursive) override {
    if (!recursive) return MSOLAP8Set::ToggleDrillStateOnSet(set, false);
    const VelaString s = set->getText();
    setText(concat({L"DRILLDOWNMEMBER( TOGGLEDRILLSTATE( ", text(), L", ", s, L" ) , EXCEPT( ", s,
                    L", ", text(), L" ), RECURSIVE )"}));
    return this;
  }

  // A distance left out reaches the leaves however deep they are.
  MDXSet* TakeChildren(const MDXSet* set, const KIVA_o::Hierarchy* hierarchy, bool all,
                       long generations, const VelaString& unused) override {
    if (all || static_cast<std::int32_t>(generations) != -1)
      return MSOLAP8Set::TakeChildren(set, hierarchy, all, generations, unused);
    setText(concat({L"GENERATE( ", set->getText(), L", DESCENDANTS( ", hierarchy->getUniqueName(),
                    L".CURRENTMEMBER, , LEAVES ) )"}));
    return this;
  }
  MDXSet* TakeDescendants(const VelaString& member, const KIVA_o::Hierarchy* hierarchy, bool all,
                          long generations, const VelaString& unused) override {
    if (all || static_cast<std::int32_t>(generations) != -1)
      return MSOLAP8Set::TakeDescendants(member, hierarchy, all, generations, unused);
    setText(concat({L"DESCENDANTS( ", member, L", , LEAVES )"}));
    return this;
  }

  // Mondrian's NONEMPTYCROSSJOIN takes two sets: more are joined two by two.
  MDXSet* nonEmptyCrossjoin(const std::vector<auto_unuse<MDXSet>>& sets) override {
    if (sets.size() < 2) return MSOLAP8Set::nonEmptyCrossjoin(sets);
    std::vector<VelaString> others;
    others.reserve(sets.size());
    for (const auto& set : sets) others.push_back(set->getText());
    VelaString result;
    for (std::size_t i = 0; i < others.size(); ++i) append(result, {L"NONEMPTYCROSSJOIN( "});
    append(result, {text()});
    for (const auto& other : others) append(result, {L", ", other, L" )"});
    setText(std::move(result));
    return this;
  }

 protected:
  ~MondrianSet() override = default;

 private:
  // Replaces the UNIQUE the sort of the MSOLAP 8 set wrote.
  MDXSet* distinctOrder() {
    constexpr std::wstring_view msolap = L"ORDER( UNIQUE( ";
    setText(concat({L"ORDER( DISTINCT( ", std::wstring_view(text()).substr(msolap.size())}));
    return this;
  }
  // The members of the set none of whose ancestors is among the members
  // drilled up; the hierarchy is the one of the first member drilled up.
  static VelaString drillUp(const VelaString& set, const VelaString& members) {
    // Nothing drilled up, which has no first member: the set as it is.
    if (members.wstr().find_first_not_of(L" {}") == std::wstring::npos) return set;
    const VelaString drilled = concat({L"{ ", members, L" }"});
    return concat({L"FILTER( ", set, L", COUNT( INTERSECT( ASCENDANTS( ", drilled,
                   L".ITEM(0).ITEM(0).HIERARCHY.CURRENTMEMBER.PARENT ), ", drilled,
                   L" ) ) = 0 ) "});
  }
};

class MondrianField final : public MSOLAP8Field {
 public:
  using MSOLAP8Field::MSOLAP8Field;

  // After the level's last member: its first calculated member, else its
  // first member.
  MDXField* LoopRight() override {
    const VelaString t = getText();
    MDXField::ReplaceName(
        concat({L" { ", t, L".NEXTMEMBER, EXCEPT( ADDCALCULATEDMEMBERS( ", t, L".LEVEL.MEMBERS ), ",
                t, L".LEVEL.MEMBERS ), ", t, L".LEVEL.MEMBERS.ITEM( 0 ), ", t, L" }.ITEM(0)"}));
    return this;
  }

 protected:
  ~MondrianField() override = default;
};

class MondrianValue final : public MSOLAP8Value {
 public:
  using MSOLAP8Value::MSOLAP8Value;

  // The description is one of the member's intrinsic properties; a
  // hierarchy's name stands for its default member.
  MDXValue* TakeDescription(const MDXField* member) override {
    return MDXValue::TakeProperty(member, L"DESCRIPTION");
  }

 protected:
  ~MondrianValue() override = default;
};

// The member properties every member has, which Mondrian knows only in
// upper case; a property of a level is named with its level.
VelaString upperIntrinsic(const VelaString& name) {
  static const std::array<const wchar_t*, 24> kIntrinsic = {
      L"CATALOG_NAME",          L"SCHEMA_NAME",          L"CUBE_NAME",    L"DIMENSION_UNIQUE_NAME",
      L"HIERARCHY_UNIQUE_NAME", L"LEVEL_UNIQUE_NAME",    L"LEVEL_NUMBER", L"MEMBER_ORDINAL",
      L"MEMBER_NAME",           L"MEMBER_UNIQUE_NAME",   L"MEMBER_TYPE",  L"MEMBER_GUID",
      L"MEMBER_CAPTION",        L"CHILDREN_CARDINALITY", L"PARENT_LEVEL", L"PARENT_UNIQUE_NAME",
      L"PARENT_COUNT",          L"DESCRIPTION",          L"MEMBER_KEY",   L"KEY",
      L"IS_PLACEHOLDERMEMBER",  L"IS_DATAMEMBER",        L"DEPTH",        L"DISPLAY_INFO"};
  VelaString upper(name);
  upper.toUpper();
  for (const wchar_t* intrinsic : kIntrinsic)
    if (upper == intrinsic) return upper;
  return name;
}

class MondrianSelectQuery final : public MSOLAP8SelectQuery {
 public:
  MondrianSelectQuery(const VelaString& cubeName, std::shared_ptr<Session> session)
      : MSOLAP8SelectQuery(cubeName), session_(std::move(session)) {}

  // DRILLTHROUGH opens the statement, before its WITH clause.
  VelaString getText(bool laidOut) const override {
    VelaString text = MSOLAP8SelectQuery::getText(laidOut);
    if (rawText_ || !drillThrough_) return text;
    if (maxRows_ == 0) return concat({L"DRILLTHROUGH ", text});
    return concat({L"DRILLTHROUGH MAXROWS ", mdxgen_detail::Decimal(maxRows_), L" ", text});
  }
  bool SpecifyDrillThrough(unsigned int maxRows) override {
    drillThrough_ = true;
    maxRows_ = maxRows;
    return true;
  }
  void setQuery(VelaString& text) override {
    MSOLAP8SelectQuery::setQuery(text);
    rawText_ = true;
  }
  void AddAxisSpecification(int axis, MDXSet* set, const std::vector<VelaString>& properties,
                            NonEmptyStatus status) override {
    std::vector<VelaString> named;
    named.reserve(properties.size());
    for (const VelaString& property : properties) named.push_back(upperIntrinsic(property));
    MSOLAP8SelectQuery::AddAxisSpecification(axis, set, named, status);
  }

 protected:
  ~MondrianSelectQuery() override = default;

  // The session's members and sets come first: the statement's own may use them.
  std::vector<VelaString> leadingFormulaTexts() const override { return session_->texts(); }

 private:
  std::shared_ptr<Session> session_;
  bool drillThrough_ = false;
  unsigned int maxRows_ = 0;
  bool rawText_ = false;
};

// CREATE defines its members and sets in the generator's session when its
// text is taken, which is a SELECT that checks them on the server.
class MondrianCreateQuery final : public MDXCreateQuery {
 public:
  MondrianCreateQuery(const VelaString& cubeName, std::shared_ptr<Session> session)
      : MDXCreateQuery(cubeName), session_(std::move(session)) {}

  VelaString getText(bool) const override {
    if (!rawFormulaSet_ && formulas_.empty()) throw MDXError(MDXError::kNothingToCreate);
    if (rawFormulaSet_) return rawFormula_;
    // Every text is made before the session changes: a refused formula
    // defines nothing.
    std::vector<VelaString> texts;
    VelaString all;
    for (const Formula& formula : formulas_) {
      texts.push_back(formula.definition->getText());
      all += texts.back();
    }
    for (std::size_t i = 0; i < formulas_.size(); ++i) {
      const Formula& formula = formulas_[i];
      session_->define(!formula.member, formula.member ? formula.member->getText() : formula.name,
                       texts[i]);
    }
    return emptySelect(all, getCubeName());
  }
  void AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                        const std::vector<VelaString>& propertyNames,
                        const std::vector<VelaString>& propertyValues) override {
    formulas_.push_back(
        {member, VelaString(),
         std::make_unique<MSOLAP8MemberSpecification>(member, value, solveOrder, propertyNames,
                                                      propertyValues, false, getCubeName())});
  }
  void AddSetFormula(const VelaString& name, MDXSet* set) override {
    formulas_.push_back(
        {nullptr, name,
         std::make_unique<MSOLAP8SetSpecification>(name, set, false, getCubeName())});
  }
  void AddRawMemberFormula(const VelaString& text) override {
    rawFormula_ = text;
    rawFormulaSet_ = true;
  }

 protected:
  ~MondrianCreateQuery() override = default;

 private:
  // A member formula (its definition holds a reference on the member) or a set's.
  struct Formula {
    const MDXField* member;
    VelaString name;
    std::unique_ptr<MDXSingleFormulaSpecification> definition;
  };
  std::shared_ptr<Session> session_;
  std::vector<Formula> formulas_;
  bool rawFormulaSet_ = false;
  VelaString rawFormula_;
};

// DROP takes its members or sets out of the generator's session when its
// text is taken, which is a SELECT without effect.
class MondrianDropQuery final : public MDXDropQuery {
 public:
  MondrianDropQuery(const VelaString& cubeName, std::shared_ptr<Session> session)
      : MDXDropQuery(cubeName), session_(std::move(session)) {}

  VelaString getText(bool) const override {
    if (names().empty()) throw MDXError(MDXError::kNothingToDrop);
    for (const VelaString& name : names()) session_->drop(dropsSets(), name);
    return emptySelect(VelaString(), getCubeName());
  }

 protected:
  ~MondrianDropQuery() override = default;

 private:
  std::shared_ptr<Session> session_;
};

class MondrianQueryGenerator final : public MSOLAP8QueryGenerator {
 public:
  explicit MondrianQueryGenerator(const VelaString& cubeName)
      : MSOLAP8QueryGenerator(cubeName), session_(std::make_shared<Session>()) {}
  MondrianQueryGenerator(const MondrianQueryGenerator&) = delete;
  MondrianQueryGenerator& operator=(const MondrianQueryGenerator&) = delete;

  MDXQuery* GenerateQuery(MDXQuery::QueryType type, KIVA_o::Cube* cube) override {
    switch (static_cast<int>(type)) {
      case MDXQuery::Select:
        return new MondrianSelectQuery(getCubeName(), session_);
      case MDXQuery::Create:
        return new MondrianCreateQuery(getCubeName(), session_);
      case MDXQuery::Drop:
        return new MondrianDropQuery(getCubeName(), session_);
      case MDXQuery::Alter: {
        MDXError error(MDXError::kNotInDialect);
        error.addStringInsert(L"ALTER CUBE");
        throw error;
      }
      default:
        return MSOLAP8QueryGenerator::GenerateQuery(type, cube);
    }
  }
  MDXSet* GenerateSet(const MDXField* from, const MDXField* to) override {
    return new MondrianSet(from, to);
  }
  MDXSet* GenerateSet(const KIVA_o::Hierarchy* hierarchy) override {
    return new MondrianSet(hierarchy);
  }
  MDXSet* GenerateSet(const std::vector<auto_unuse<MDXField>>& fields) override {
    return new MondrianSet(fields);
  }
  MDXSet* GenerateSet(const std::vector<MDXField*>& fields) override {
    return new MondrianSet(fields);
  }
  MDXSet* GenerateSet(const MDXField* field) override { return new MondrianSet(field); }
  MDXSet* GenerateSet(const std::vector<MDXTuple*>& tuples) override {
    return new MondrianSet(tuples);
  }
  MDXSet* GenerateSet(const KIVA_o::Level* level) override { return new MondrianSet(level); }
  MDXSet* GenerateSet(const VelaString& text) override { return new MondrianSet(text); }
  MDXSet* GenerateSet(const MDXSet* set) override { return new MondrianSet(set); }
  MDXSet* GenerateSet() override { return new MondrianSet(); }
  MDXField* GenerateField(const VelaString& parent, const VelaString& name) override {
    return new MondrianField(parent, name);
  }
  MDXField* GenerateField(const MDXField* field) override { return new MondrianField(field); }
  MDXField* GenerateField(const KIVA_o::Level* level, const VelaString& name) override {
    return new MondrianField(level, name);
  }
  MDXField* GenerateField(const KIVA_o::DynamicCalculation* calculation,
                          const VelaString& parent) override {
    return new MondrianField(calculation, parent);
  }
  MDXField* GenerateField(const KIVA_o::Calculation* calculation, const VelaString& name) override {
    return new MondrianField(calculation, name);
  }
  MDXField* GenerateField(const KIVA_o::Dimension* dimension) override {
    return new MondrianField(dimension);
  }
  MDXField* GenerateField(const KIVA_o::Member* member) override {
    return new MondrianField(member);
  }
  MDXField* GenerateField(const VelaString& uniqueName) override {
    return new MondrianField(uniqueName);
  }
  MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy, const VelaString& name) override {
    return new MondrianField(hierarchy, name);
  }
  MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy) override {
    return new MondrianField(hierarchy);
  }
  MDXValue* GenerateValue(int number) override { return new MondrianValue(number); }
  MDXValue* GenerateValue(const VelaString& text) override { return new MondrianValue(text); }
  QueryGenerationType GetServerType() const override { return Mondrian; }

 private:
  std::shared_ptr<Session> session_;
};

}  // namespace

MDXQueryGenerator* createMondrianQueryGenerator(const VelaString& cubeName) {
  return new MondrianQueryGenerator(cubeName);
}
