// The MSOLAP 8 dialect: the generator of createMSOLAP8QueryGenerator and
// the classes it makes. They write the texts of the neutral MDX… classes
// except for these forms of the Analysis Services dialect:
//   sorts take repeated tuples out first: ORDER( UNIQUE( S ), ...);
//   WITH and CREATE formulas write their expressions between apostrophes,
//   AS ' expression ', with the expression's apostrophes doubled.
// The generator is also the one that opens the query log.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "mdxgen/formula_specification.h"
#include "mdxgen/generator.h"
#include "mdxgen/member_property.h"
#include "mdxgen/query_log.h"
#include "mdxgen/set.h"
#include "mdxgen/statements.h"
#include "mdxgen/tuple.h"
#include "mdxgen/value.h"
#include "source/library_log.h"
#include "source/sort_keyword.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"
#include "source/text/fragment_read.h"

namespace {

// Where the query log's settings are kept.
const wchar_t kQueryLogKey[] = L"Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE";

}  // namespace

MSOLAP8QueryGenerator::MSOLAP8QueryGenerator(const VelaString& cubeName)
    : MDXQueryGenerator(cubeName) {}

MSOLAP8QueryGenerator::~MSOLAP8QueryGenerator() = default;

MDXQuery* MSOLAP8QueryGenerator::GenerateQuery(MDXQuery::QueryType type, KIVA_o::Cube*) {
  switch (static_cast<int>(type)) {
    case MDXQuery::Select: return new MSOLAP8SelectQuery(getCubeName());
    case MDXQuery::Create: return new MSOLAP8CreateQuery(getCubeName());
    case MDXQuery::Drop: return new MSOLAP8DropQuery(getCubeName());
    case MDXQuery::Alter: return new MSOLAP8AlterQuery(getCubeName());
    default: break;
  }
  // The one refusal of the library that is logged before it is thrown.
  MDXError error(MDXError::kValueOutOfRange);
  error.addStringInsert(mdxgen_detail::Decimal(static_cast<int>(type)).str());
  error.addStringInsert(L"QueryType");
  error.log(mdxgen_detail::libraryLog());
  throw error;
}

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const MDXField* from, const MDXField* to) {
  return new MSOLAP8Set(from, to);
}

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const KIVA_o::Hierarchy* hierarchy) {
  return new MSOLAP8Set(hierarchy);
}

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const std::vector<auto_unuse<MDXField>>& fields) {
  return new MSOLAP8Set(fields);
}

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const std::vector<MDXField*>& fields) {
  return new MSOLAP8Set(fields);
}

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const MDXField* field) { return new MSOLAP8Set(field); }

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const std::vector<MDXTuple*>& tuples) {
  return new MSOLAP8Set(tuples);
}

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const KIVA_o::Level* level) {
  return new MSOLAP8Set(level);
}

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const VelaString& text) { return new MSOLAP8Set(text); }

MDXSet* MSOLAP8QueryGenerator::GenerateSet(const MDXSet* set) { return new MSOLAP8Set(set); }

MDXSet* MSOLAP8QueryGenerator::GenerateSet() { return new MSOLAP8Set(); }

MDXField* MSOLAP8QueryGenerator::GenerateField(const VelaString& parent, const VelaString& name) {
  return new MSOLAP8Field(parent, name);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const MDXField* field) {
  return new MSOLAP8Field(field);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const KIVA_o::Level* level,
                                               const VelaString& name) {
  return new MSOLAP8Field(level, name);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const KIVA_o::DynamicCalculation* calculation,
                                               const VelaString& parent) {
  return new MSOLAP8Field(calculation, parent);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const KIVA_o::Calculation* calculation,
                                               const VelaString& name) {
  return new MSOLAP8Field(calculation, name);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const KIVA_o::Dimension* dimension) {
  return new MSOLAP8Field(dimension);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const KIVA_o::Member* member) {
  return new MSOLAP8Field(member);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const VelaString& uniqueName) {
  return new MSOLAP8Field(uniqueName);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const KIVA_o::Hierarchy* hierarchy,
                                               const VelaString& name) {
  return new MSOLAP8Field(hierarchy, name);
}

MDXField* MSOLAP8QueryGenerator::GenerateField(const KIVA_o::Hierarchy* hierarchy) {
  return new MSOLAP8Field(hierarchy);
}

MDXValue* MSOLAP8QueryGenerator::GenerateValue(int number) { return new MSOLAP8Value(number); }

MDXValue* MSOLAP8QueryGenerator::GenerateValue(const VelaString& text) {
  return new MSOLAP8Value(text);
}

MDXTuple* MSOLAP8QueryGenerator::GenerateTuple() { return new MSOLAP8Tuple(); }

MDXMemberProperty* MSOLAP8QueryGenerator::GenerateMemberProperty(const VelaString& property) {
  return new MSOLAP8MemberProperty(property);
}

MDXMemberProperty* MSOLAP8QueryGenerator::GenerateMemberProperty(const VelaString& owner,
                                                                 const VelaString& property) {
  return new MSOLAP8MemberProperty(owner, property);
}

MDXQueryGenerator::QueryGenerationType MSOLAP8QueryGenerator::GetServerType() const {
  return MSOLAP8;
}

MDXQueryLog* MSOLAP8QueryGenerator::create_mdx_query_log() {
  std::unique_ptr<MDXQueryLog> log(new MDXQueryLog(getCubeName()));
  if (!log->open(kQueryLogKey)) return nullptr;
  return log.release();
}

MDXQueryGenerator* createMSOLAP8QueryGenerator(const VelaString& cubeName) {
  return new MSOLAP8QueryGenerator(cubeName);
}

MSOLAP8Field::~MSOLAP8Field() = default;

MSOLAP8Set::~MSOLAP8Set() = default;

MSOLAP8Value::~MSOLAP8Value() = default;

MSOLAP8Tuple::~MSOLAP8Tuple() = default;

MSOLAP8MemberProperty::~MSOLAP8MemberProperty() = default;

bool MSOLAP8MemberSpecification::needs_quotes() const { return true; }

bool MSOLAP8SetSpecification::needs_quotes() const { return true; }

MSOLAP8SelectQuery::~MSOLAP8SelectQuery() = default;

void MSOLAP8SelectQuery::AddSetFormula(const VelaString& name, MDXSet* set) {
  addFormula(std::make_unique<MSOLAP8SetSpecification>(name, set, false, getCubeName()));
}

void MSOLAP8SelectQuery::AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                          const std::vector<VelaString>& propertyNames,
                                          const std::vector<VelaString>& propertyValues) {
  addFormula(std::make_unique<MSOLAP8MemberSpecification>(member, value, solveOrder, propertyNames,
                                                          propertyValues, false, getCubeName()));
}

MSOLAP8CreateQuery::~MSOLAP8CreateQuery() = default;

void MSOLAP8CreateQuery::AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                          const std::vector<VelaString>& propertyNames,
                                          const std::vector<VelaString>& propertyValues) {
  addFormula(std::make_unique<MSOLAP8MemberSpecification>(member, value, solveOrder, propertyNames,
                                                          propertyValues, true, getCubeName()));
}

void MSOLAP8CreateQuery::AddSetFormula(const VelaString& name, MDXSet* set) {
  addFormula(std::make_unique<MSOLAP8SetSpecification>(name, set, true, getCubeName()));
}

MSOLAP8DropQuery::~MSOLAP8DropQuery() = default;

MSOLAP8AlterQuery::~MSOLAP8AlterQuery() = default;

// The sorts take the set's repeated tuples out first:
// "ORDER( UNIQUE( " + T + " ), " + X + ", " + keyword + " ) ". The direction
// is checked before the text changes, as in the neutral sort.
MDXSet* MSOLAP8Set::Order(int direction, const MDXTuple* tuple) {
  invalidateQuoted();
  const auto keyword = mdxgen_detail::sortKeyword(direction);
  mdxgen_detail::wrap(editText(), {L"ORDER( UNIQUE( "},
       {L" ), ", mdxgen_detail::FragmentReader::text(*tuple), L", ", keyword, L" ) "});
  return this;
}

// This one ends without the blank after its closing parenthesis.
MDXSet* MSOLAP8Set::Order(int direction, const MDXValue* value) {
  invalidateQuoted();
  const auto keyword = mdxgen_detail::sortKeyword(direction);
  mdxgen_detail::wrap(editText(), {L"ORDER( UNIQUE( "},
       {L" ), ", mdxgen_detail::FragmentReader::text(*value), L", ", keyword, L" )"});
  return this;
}
