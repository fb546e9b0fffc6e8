// The library's MDX on a real server: each fragment operation in a SELECT
// built through the generator, run on the embedded Mondrian engine over the
// sample cube over XMLA, and checked against the members the server returns
// or values computed with SQL from the same data. Every case runs with the
// generators of both dialects. The MSOLAP 8 forms Mondrian does not know are
// refused with the error tools/engine/DIALECT.md records; the Mondrian
// dialect's forms for them give what a long-hand statement of the same
// meaning gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "schema_model.h"
#include "server_support.h"
#include "memory_host.h"

namespace {

using namespace server_test;

constexpr char kCities[] = "[Store].[Store City]";
constexpr char kSanFrancisco[] = "[Store].[USA].[CA].[San Francisco]";
constexpr char kLosAngeles[] = "[Store].[USA].[CA].[Los Angeles]";
constexpr char kSeattle[] = "[Store].[USA].[WA].[Seattle]";
constexpr char kZurich[] = "[Store].[Switzerland].[ZH].[Zürich]";
constexpr char kCoeurDAlene[] = "[Store].[USA].[ID].[Coeur d'Alene]";
constexpr char kEveryCity[] =
    "Vancouver, Lausanne, Zürich, Los Angeles, San Francisco, Coeur d'Alene, Seattle";

// Per month over both years: the sample of the aggregates and statistics.
std::string perMonth(const char* aggregate) {
  return std::string("SELECT ") + aggregate +
         " FROM (SELECT SUM(unit_sales) u, SUM(store_sales) s FROM sales_fact GROUP BY month_id)";
}

class LibraryOnServer : public ::testing::TestWithParam<MDXQueryGenerator::QueryGenerationType> {
 protected:
  void SetUp() override { ASSERT_TRUE(engine().running()) << engine().startupError(); }
  static EngineClient& engine() { return sampleEngine(); }
  static const schema_host::SchemaCube& cube() {
    static const auto model = schema_host::SchemaModel::load(MDXGEN_SAMPLE_SCHEMA);
    return *model.cube("Sales");
  }
  // The library takes some host objects as non-const.
  static auto* hierarchy(const char* name) {
    return const_cast<schema_host::SchemaHierarchy*>(cube().hierarchy(name));
  }

  // Holds the caller's reference on a fragment or statement to the end of the case.
  template <class T>
  T* keep(T* object) { return held_.emplace_back(object), object; }
  MDXField* member(const char* name) { return keep(g_->GenerateField(VelaString(name))); }
  MDXField* hostMember(const char* name) { return keep(g_->GenerateField(cube().member(name))); }
  MDXSet* set(const char* text) { return keep(g_->GenerateSet(VelaString(text))); }
  MDXSet* setOf(const MDXField* field) { return keep(g_->GenerateSet(field)); }
  MDXSet* level(const char* name) { return keep(g_->GenerateSet(cube().level(name))); }
  MDXSet* cities() { return level(kCities); }
  MDXSet* years() { return level("[Time].[Year]"); }
  MDXSet* empty() { return keep(g_->GenerateSet()); }
  MDXValue* value(const char* text) { return keep(g_->GenerateValue(VelaString(text))); }
  MDXValue* value(const MDXSet* set) { return keep(g_->GenerateValue(set->getText())); }
  MDXTuple* tuple(std::initializer_list<const char*> names) {
    MDXTuple* t = keep(g_->GenerateTuple());
    for (const char* name : names) t->AddField(member(name));
    return t;
  }
  MDXTuple* unitSales() {
    return keep(g_->GenerateTuple())->AddField(hostMember("[Measures].[Unit Sales]"));
  }
  // "Gadgets [New]", its bracket doubled for the member name.
  MDXField* gadgets() {
    VelaString name;
    double_square_brackets(name, L"Gadgets [New]");
    return keep(g_->GenerateField(L"[Product].[Non-Consumable].[Electronics]", name));
  }
  // A host expression tree, deleted at the end of the case.
  KIVA_o::Expression* tree(fake::Expression* root) { return trees_.emplace_back(root).get(); }
  template <class Statement>
  Statement* statement(MDXQuery::QueryType type) {
    return static_cast<Statement*>(keep(g_->GenerateQuery(type, nullptr)));
  }
  // SELECT columns ON COLUMNS [, rows ON ROWS] FROM [Sales].
  MDXSelectQuery* select(MDXSet* columns, MDXSet* rows = nullptr) {
    auto* query = statement<MDXSelectQuery>(MDXQuery::Select);
    query->AddAxisSpecification(0, columns, {}, MDXSelectQuery::MayBeEmpty);
    if (rows) query->AddAxisSpecification(1, rows, {}, MDXSelectQuery::MayBeEmpty);
    return query;
  }
  // SELECT of the calculated member [<hierarchy>].[Result], the value its formula.
  MDXSelectQuery* selectResult(MDXValue* formula, const char* inHierarchy) {
    MDXField* result = keep(g_->GenerateField(cube().hierarchy(inHierarchy), L"Result"));
    MDXSelectQuery* query = select(setOf(result));
    query->AddMemberFormula(result, formula, -1, {}, {});
    return query;
  }

  // Runs the statement's one-line text; the case fails if it is refused.
  static EngineResult run(const MDXQuery* query) {
    const std::string text = query->getText(false).toUtf8();
    EngineResult result = engine().mdx(text);
    EXPECT_TRUE(result.ok) << result.error << "\nstatement: " << text;
    return result;
  }
  static std::string sql(const std::string& query) { return sqlText(engine(), query); }
  // A cell against a literal text, or against the one value of an SQL query
  // (numbers within a relative 1e-9).
  static void expectCell(const EngineCell& cell, const std::string& expected) {
    const std::string want = expected.rfind("SELECT ", 0) == 0 ? sql(expected) : expected;
    char* end = nullptr;
    const double number = std::strtod(want.c_str(), &end);
    if (want.empty() || *end != '\0') {
      EXPECT_EQ(cell.value, want) << expected;
    } else {
      EXPECT_NEAR(cell.number(), number, 1e-9 * std::max(1.0, std::fabs(number))) << expected;
    }
  }

  bool mondrian() const { return GetParam() == MDXQueryGenerator::Mondrian; }

  // Declared first, so the references held on its fragments go before it.
  const std::unique_ptr<MDXQueryGenerator> g_{mondrian() ? createMondrianQueryGenerator(L"[Sales]")
                                                         : createMSOLAP8QueryGenerator(L"[Sales]")};

 private:
  std::vector<auto_unuse<olap_api::RefCount>> held_;
  std::vector<std::unique_ptr<fake::Expression>> trees_;
};

// A row of the tables below: its line, the fragment an operation leaves (the
// expression is evaluated when the row runs) and what the server must give;
// a value is the formula of a calculated member in the hierarchy given.
template <class Fragment>
struct Row {
  int line;
  std::function<Fragment*()> make;
  std::string expected;
  const char* hierarchy = "[Time]";
};
#define ROW(expression, ...) {__LINE__, [&] { return expression; }, __VA_ARGS__}

}  // namespace

// Each set alone on the columns, its cells holding the default measure
// (Unit Sales): the last names of the members the server returns. Mondrian
// lists its own measure Fact Count among the stored ones, and leaves members
// without facts (Canada's) out of descendants at a numeric distance.
TEST_P(LibraryOnServer, SetOperationsSelectTheirMembers) {
  using namespace KIVA_o;
  using fake::node, fake::number;
  auto *const store = hierarchy("[Store]"), *const time = hierarchy("[Time]");
  auto *const product = hierarchy("[Product]"), *const measures = hierarchy("[Measures]");
  const auto current = [] { return node(ET_TUPLE_VALUE, {node(ET_CURRENT)}); };
  auto measure = [](auto n) { return node(ET_TUPLE_VALUE, {node(ET_TUPLE, {fake::str(n)})}); };
  const auto q2 = [&] { return tuple({"[Time].[2024].[Q2]"}); };
  auto* const firstHalf = const_cast<schema_host::SchemaCalculation*>(
      cube().calculation(L"[Time].[2024].[First Half]"));
  const auto quarters = [&] { return empty()->TakeChildren(member("[Time].[2024]")); };
  const auto byUnits = [&](MDXSet::ExtremityType end, MDXSet::ExtremityMeasure by, auto n) {
    return cities()->TakeExtremity(end, by, n, unitSales());
  };
  const char* const kMeasures = "Unit Sales, Store Sales, Fact Count, Average Price";
  const Row<MDXSet> cases[] = {
    // Construction.
    ROW(cities(), kEveryCity),
    ROW(keep(g_->GenerateSet(member("[Time].[2023].[Q3]"), member("[Time].[2024].[Q2]"))),
        "Q3, Q4, Q1, Q2"),
    ROW(keep(g_->GenerateSet(measures)), kMeasures),
    ROW(keep(g_->GenerateSet(std::vector<MDXField*>{member(kSeattle), member(kZurich)})),
        "Seattle, Zürich"),
    ROW(keep(g_->GenerateSet(std::vector<MDXTuple*>{
            tuple({"[Time].[2023]", "[Product].[Food]"}),
            tuple({"[Time].[2024]", "[Product].[Drink]"})})), "2023|Food, 2024|Drink"),
    // Algebra and wrappers.
    ROW(*years() += *setOf(member("[Time].[2024].[First Half]")), "2023, 2024, First Half"),
    ROW(*years() += *member("[Time].[2024].[Q1]"), "2023, 2024, Q1"),
    ROW(*years() -= *setOf(member("[Time].[2023]")), "2024"),
    ROW(*years() *= *set("{[Product].[Drink], [Product].[Food]}"),
        "2023|Drink, 2023|Food, 2024|Drink, 2024|Food"),
    ROW(cities()->nonEmptyCrossjoin({auto_unuse<MDXSet>(g_->GenerateSet(gadgets()))}),
        "Zürich|Gadgets [New], Los Angeles|Gadgets [New], San Francisco|Gadgets [New]"),
    ROW(keep(MDXSet::crossjoinFields(
            {auto_unuse<const MDXField>(g_->GenerateField(L"[Time].[2024]")),
             auto_unuse<const MDXField>(g_->GenerateField(L"[Product].[Food]"))})),
        "2024|Food"),
    ROW(empty()->SetExpression(L"[Time].[2023]")->AddField(*member("[Time].[2024]"), false)
            ->Delimit(), "2023, 2024"),
    ROW(quarters()->AddCalculations(), "Q1, Q2, Q3, Q4, First Half"),
    ROW(quarters()->AddCalculations()->StripCalculations(time), "Q1, Q2, Q3, Q4"),
    ROW(set("{[Time].[2024], [Time].[2023].[Q1], [Time].[2023]}")->Hierarchize(false),
        "2023, Q1, 2024"),
    ROW(set("{[Time].[2024], [Time].[2023].[Q1], [Time].[2023]}")->Hierarchize(true),
        "Q1, 2023, 2024"),
    ROW(set("{[Time].[2024], [Time].[2023]}")->Unorder(), "2024, 2023"),
    ROW(set("{[Time].[2023], [Time].[2024], [Time].[2023]}")->SpecifyDistinct(), "2023, 2024"),
    ROW(years()->Empty(), ""),
    // Hierarchy navigation.
    ROW(empty()->TakeTopLevel(store), "All Stores"),
    ROW(empty()->TakeAllMembersAtLevel(member("[Measures].[Unit Sales]"), true), kMeasures),
    ROW(empty()->TakeAllMembers(L"[Measures]", true), kMeasures),
    ROW(empty()->TakeLeafNodes(store), kEveryCity),
    ROW(empty()->TakeLeafNodes(time)->TakeTail(), "First Half"),
    ROW(empty()->TakeBaseLevel(time, 2), "2023, 2024"),
    ROW(years()->DrillDown(time, L"[Time].[2023]", false), "2023, Q1, Q2, Q3, Q4, 2024"),
    ROW(set("{[Product].[Drink]}")->DrillDown(product, L"", true), "Drink, Beverages, Coffee, Tea"),
    ROW(years()->DrillDownOnSet(setOf(member("[Time].[2023]"))), "2023, Q1, Q2, Q3, Q4, 2024"),
    ROW(years()->DrillDownOnSet(L"[Time].[2024]")->ToggleDrillStateOnSet(set("{[Time].[2024]}"),
                                                                         false), "2023, 2024"),
    ROW(set("{[Measures].[Unit Sales]}")->Invert(measures), "Store Sales, Fact Count"),
    ROW(empty()->TakeAncestorsOfMember(kSanFrancisco, false, -1), "All Stores"),
    ROW(empty()->TakeAncestorsOfMember(kSanFrancisco, true, -1), "CA, USA, All Stores"),
    ROW(empty()->TakeAncestorsOfMember(kSanFrancisco, true, 2), "CA, USA"),
    ROW(empty()->TakeAncestorsOfMember(kSanFrancisco, false, 2), "USA"),
    ROW(empty()->TakeAncestorsOfSet(L"{[Store].[USA].[CA]}", store, true, 2, 0), "USA, All Stores"),
    ROW(empty()->TakeAncestorsOfSet(kSeattle, store, true, -1, 0), "WA, USA, All Stores"),
    ROW(empty()->TakeAncestorsOfSet(kSeattle, store, false, -1, 0), "All Stores"),
    ROW(empty()->TakeSiblings(member("[Time].[2024].[Q2]"), nullptr), "Q1, Q2, Q3, Q4"),
    ROW(empty()->TakeChildren(member("[Store].[USA]")), "CA, ID, WA"),
    ROW(empty()->TakeChildren(set("{[Product].[Drink], [Product].[Food]}"), product, false, 2, L""),
        "Coffee, Tea, Bread, Joe's Cookies, Cheese"),
    ROW(empty()->TakeChildren(set("{[Store].[Switzerland]}"), store, true, 2, L""),
        "VD, ZH, Lausanne, Zürich"),
    ROW(empty()->TakeChildren(set("{[Store].[Canada]}"), store, true, -1, L""), "BC, Vancouver"),
    ROW(empty()->TakeDescendants(member("[Product].[Drink]")), "Beverages, Coffee, Tea"),
    ROW(empty()->TakeDescendants(L"[Time].[2024]", L"[Time].[Quarter]"), "Q1, Q2, Q3, Q4"),
    ROW(empty()->TakeDescendants(L"[Product].[Drink]", product, false, 2, L""), "Coffee, Tea"),
    ROW(empty()->TakeDescendants(L"[Product].[Drink]", product, true, 2, L""),
        "Beverages, Coffee, Tea"),
    ROW(empty()->Extract(L"{[Time].[2023], [Time].[2024]} * {[Product].[Food]}", time),
        "2023, 2024"),
    // Subsets, ranks and sorts. Between two members given backwards; from a
    // member of the set to a stranger.
    ROW(cities()->TakeSubset(1, 2), "Lausanne, Zürich"),
    ROW(cities()->TakeSubset(5, -1), "Coeur d'Alene, Seattle"),
    ROW(cities()->TakeSubset(tuple({kSeattle}), tuple({kZurich})),
        "Zürich, Los Angeles, San Francisco, Coeur d'Alene, Seattle"),
    ROW(years()->TakeSubset(tuple({"[Time].[2024]"}), tuple({"[Time].[2024].[Q1]"})), "2023, 2024"),
    ROW(empty()->TakeSubset(q2(), 1, -1), "Q1, Q2, Q3"),
    ROW(empty()->TakeSubset(q2(), -2, -1), "Q4, Q1"),
    ROW(empty()->TakeSubset(q2(), -1, 0), "Q1, Q2"),
    ROW(empty()->TakeSubset(tuple({"[Time].[2024].[Q4]"}), 0, 1), "Q4, First Half"),
    // The count is the member's rank less one, not reduced by the start.
    ROW(cities()->TakeSubsetToRank(1, kLosAngeles, false), "Lausanne, Zürich, Los Angeles"),
    ROW(cities()->TakeSubsetFromRank(kSanFrancisco, false),
        "San Francisco, Coeur d'Alene, Seattle"),
    ROW(years()->InsertMemberIfNotExists(L"[Time].[2024].[Q1]"), "2023, 2024, Q1"),
    ROW(cities()->TakeTail(), "Seattle"),
    ROW(cities()->Intersect(set("{[Store].[USA].[WA].[Seattle], [Store].[Canada]}")), "Seattle"),
    ROW(empty()->generate(L"{[Store].[USA], [Store].[Switzerland]}",
                          L"{[Store].CURRENTMEMBER.FIRSTCHILD}"), "CA, VD"),
    ROW(setOf(keep(g_->GenerateField(cities()->getMemberAt(1, 0)))), "Lausanne"),
    ROW(cities()->MDXSet::Order(MDXSet::BDesc, value("[Measures].[Unit Sales]")),
        "San Francisco, Los Angeles, Coeur d'Alene, Lausanne, Seattle, Zürich, Vancouver"),
    ROW(cities()->MDXSet::Order(MDXSet::Desc, tuple({"[Measures].[Store Sales]"})),
        "Los Angeles, San Francisco, Seattle, Coeur d'Alene, Lausanne, Zürich, Vancouver"),
    ROW(cities()->MDXSet::Order(MDXSet::BAsc, unitSales())->removeOrder(), kEveryCity),
    ROW(byUnits(MDXSet::Top, MDXSet::Count, L"3"), "San Francisco, Los Angeles, Coeur d'Alene"),
    ROW(byUnits(MDXSet::Bottom, MDXSet::Count, L"2"), "Vancouver, Zürich"),
    ROW(byUnits(MDXSet::Top, MDXSet::Sum, L"800"), "San Francisco, Los Angeles"),
    ROW(byUnits(MDXSet::Bottom, MDXSet::Sum, L"500"), "Vancouver, Zürich, Seattle"),
    ROW(byUnits(MDXSet::Top, MDXSet::Percent, L"50"), "San Francisco, Los Angeles, Coeur d'Alene"),
    ROW(byUnits(MDXSet::Bottom, MDXSet::Percent, L"5"), "Vancouver, Zürich"),
    // Filters: by a value, a condition text, host expression trees.
    ROW(cities()->TakeFilter(value("[Measures].[Unit Sales]")->TakeEquality(364)), "Coeur d'Alene"),
    ROW(cities()->TakeFilter(L"[Measures].[Unit Sales] > 400"), "Los Angeles, San Francisco"),
    ROW(cities()->TakeFilter(tree(node(ET_TUPLE_IS_NULL, {node(ET_CURRENT)})), unitSales()),
        "Vancouver"),
    ROW(cities()->TakeFilter(tree(node(ET_AND, {
            node(ET_BETWEEN, {current(), number(300), number(400)}),
            node(ET_NOT, {node(ET_EQUALTO, {current(), number(362)})})})), unitSales()),
        "Coeur d'Alene, Seattle"),
    ROW(cities()->TakeFilter(tree(node(ET_GREATERTHAN, {node(ET_DIVIDE, {
            measure(L"[Measures].[Store Sales]"), measure(L"[Measures].[Unit Sales]")}),
            number(8)})), nullptr), "Zürich, Los Angeles"),
    ROW(cities()->Filter(tree(node(ET_TOPCOUNT, {node(ET_CURRENTSET), number(2),
            node(ET_CURRENT)})), unitSales()), "San Francisco, Los Angeles"),
    // Member expressions.
    ROW(setOf(member("[Time].[2024]")->MoveToChild(L"Q3")), "Q3"),
    ROW(setOf(member("x")->MoveToRootNode(cube().dimension("Store"), L"USA")), "USA"),
    ROW(setOf(member("[Store].[USA]")->MoveToFirstChild()), "CA"),
    ROW(setOf(member("[Store].[USA].[CA]")->MoveToParent()), "USA"),
    ROW(setOf(member(kSanFrancisco)->MoveToRoot(nullptr)), "All Stores"),
    ROW(setOf(member("[Store].[USA].[CA]")->DrillUp(nullptr)), "USA"),
    ROW(setOf(member("x")->TakeCurrentMember(time)), "All Periods"),
    ROW(setOf(member("x")->TakeDefaultMember(store)), "All Stores"),
    ROW(setOf(member(kSanFrancisco)->TakeAncestorAtLevel(nullptr, 1)), "USA"),
    ROW(setOf(member("x")->TakeParentOfCalculation(firstHalf)), "2024"),
    ROW(setOf(member("x")->TakeNameOfCalculation(firstHalf)), "First Half"),
    ROW(setOf(keep(g_->GenerateField(firstHalf, L"Q4"))), "Q4"),
    ROW(setOf(keep(g_->GenerateField(product, L"Food"))), "Food"),
    ROW(setOf(member("[Time].[2023].[Q1]")->LoopLeft()), "First Half"),
    ROW(setOf(member("[Time].[2024].[Q3]")->MoveToFirstSibling(false, {})), "Q1"),
    ROW(setOf(member("[Time].[2024].[Q1]")->MoveToLastSibling(true, {})), "First Half"),
    ROW(setOf(member("[Time].[2024].[Q1]")->MoveToLastSibling(false, {firstHalf})), "First Half"),
    ROW(setOf(member("[Time].[2024].[Q1]")->PrevSibling({})), "Q4"),
    ROW(setOf(member("[Time].[2024].[Q4]")->NextSibling({})), "Q1"),
    ROW(setOf(member("[Time].[2024].[Q4]")->NextSibling({firstHalf})), "First Half"),
    ROW(setOf(member("[Time].[2023]")->MoveToParent()->ReplaceName(L"[Time].[2024]")), "2024"),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    if (c.expected.empty()) {
      // Mondrian's XMLA servlet cannot describe an axis whose empty set has
      // no hierarchy, and says so; any other answer must be an empty axis.
      const EngineResult r = engine().mdx(select(c.make())->getText(false).toUtf8());
      EXPECT_TRUE(r.ok ? r.axes.at(0).positions.empty()
                       : r.error.find("because \"hierarchy\" is null") != std::string::npos)
          << r.error;
      continue;
    }
    EXPECT_EQ(axisText(run(select(c.make())).axes.at(0)), c.expected);
  }
}

// Values, each the formula of a calculated member [Time].[Result] (or of the
// hierarchy its set ranges over), read in the default measure's cell and
// checked against SQL over the same data or against a literal. Mondrian
// answers LINREGR2 and LINREGVARIANCE with the largest double.
TEST_P(LibraryOnServer, ValuesMatchTheData) {
  auto y = [&] { return value("[Measures].[Store Sales]"); };
  auto x = [&] { return value("[Measures].[Unit Sales]"); };
  auto fresh = [&] { return value("0"); };
  auto months = [&] { return level("[Time].[Month]"); };
  auto units2023 = [&] { return value("([Measures].[Unit Sales], [Time].[2023])"); };
  const std::string sum2023 = "SUM(unit_sales) FROM sales_fact WHERE month_id < 202400";
  const std::string largestDouble = "SELECT CAST(1.7976931348623157E308 AS DOUBLE)";
  const Row<MDXValue> cases[] = {
    ROW(fresh()->TakeCount(cities(), false), "SELECT COUNT(DISTINCT store_id) FROM sales_fact",
        "[Store]"),
    ROW(fresh()->TakeCount(cities(), true), "SELECT COUNT(*) FROM store"),
    ROW(fresh()->TakeUniqueName(member(kCoeurDAlene)), kCoeurDAlene),
    ROW(fresh()->TakeName(hostMember(kZurich)), "Zürich"),
    ROW(fresh()->TakeCaption(gadgets()), "Gadgets [New]"),
    ROW(fresh()->TakeProperty(member(kCoeurDAlene), L"Manager"),
        "SELECT store_manager FROM store WHERE store_city = 'Coeur d''Alene'"),
    ROW(fresh()->TakeSum(months()), perMonth("SUM(u)")),
    ROW(fresh()->TakeMin(months(), tuple({"[Measures].[Store Sales]"})), perMonth("MIN(s)")),
    ROW(fresh()->TakeMax(months(), nullptr), perMonth("MAX(u)")),
    ROW(fresh()->TakeAverage(months()), perMonth("AVG(CAST(u AS DOUBLE))")),
    ROW(fresh()->TakeMedian(months()), perMonth("MEDIAN(u)")),
    ROW(fresh()->TakeStDev(months()), perMonth("STDDEV_SAMP(u)")),
    ROW(fresh()->TakeStDevP(months()), perMonth("STDDEV_POP(u)")),
    ROW(fresh()->TakeVariance(months()), perMonth("VAR_SAMP(u)")),
    ROW(fresh()->TakeVarianceP(months()), perMonth("VAR_POP(u)")),
    ROW(fresh()->TakeAggregate(months()), perMonth("SUM(u)")),
    ROW(fresh()->TakeCovariance(months(), y(), x(), false), perMonth("COVAR_POP(s, u)")),
    ROW(fresh()->TakeCovariance(months(), y(), x(), true), perMonth("COVAR_SAMP(s, u)")),
    ROW(fresh()->TakeLinRegSlope(months(), y(), x()), perMonth("REGR_SLOPE(s, u)")),
    ROW(fresh()->TakeLinRegIntercept(months(), y(), x()), perMonth("REGR_INTERCEPT(s, u)")),
    ROW(fresh()->TakeLinRegPoint(value("100"), months(), y(), x()),
        perMonth("100 * REGR_SLOPE(s, u) + REGR_INTERCEPT(s, u)")),
    ROW(fresh()->TakeCorrelation(months(), y(), x()), perMonth("CORR(s, u)")),
    ROW(fresh()->TakeLinRegR2(months(), y(), x()), largestDouble),
    ROW(fresh()->TakeLinRegVariance(months(), y(), x()), largestDouble),
    ROW(units2023()->Add(5), "SELECT 5 + " + sum2023),
    ROW(units2023()->ReverseSign(), "SELECT -" + sum2023),
    ROW(units2023()->TakeEquality(std::stoi(sql("SELECT " + sum2023))), "true"),
    ROW(units2023()->TakeEquality(L"([Measures].[Unit Sales], [Time].[2024])"), "false"),
    ROW(units2023()->TakeInequality(L"0"), "true"),
    ROW(value(empty()->Rank(member(kSeattle), cities())), "7"),
    ROW(value(cities()->TakeRank(member(kLosAngeles))), "4"),
    ROW(value(cities()->TakeRank(tuple({kZurich}))), "3"),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    expectCell(run(selectResult(c.make(), c.hierarchy)).cells.at(0), c.expected);
  }
}

// One axis with NON EMPTY and DIMENSION PROPERTIES, a slicer of one and then
// two members, a SUBSET range (it cuts the level before NON EMPTY drops the
// empty cities), CELL PROPERTIES; against the cities with sales, in order.
TEST_P(LibraryOnServer, AxesSlicersAndProperties) {
  const MDXMemberProperty* manager = keep(g_->GenerateMemberProperty(kCities, L"Manager"));
  MDXSelectQuery* query = select(setOf(hostMember("[Measures].[Unit Sales]")));
  // The Mondrian generator writes an intrinsic property in upper case.
  const wchar_t* caption = mondrian() ? L"member_caption" : L"MEMBER_CAPTION";
  query->AddAxisSpecification(1, cities(), {manager->getText(), caption},
                              MDXSelectQuery::NonEmpty);
  auto byCity = [&](const char* columns, const std::string& where) {
    return sqlText(engine(), std::string("SELECT ") + columns + " FROM sales_fact f JOIN store s"
                   " ON s.store_id = f.store_id JOIN product p ON p.product_id = f.product_id"
                   " WHERE f.month_id < 202400" + where + " GROUP BY s.store_country,"
                   " s.store_state, s.store_city, s.store_manager"
                   " ORDER BY s.store_country, s.store_state, s.store_city");
  };
  const std::string food = " AND p.product_family = 'Food'";
  query->AddSlicerSpecification(member("[Time].[2023]"));
  EngineResult year = run(query);
  EXPECT_EQ(axisText(year.slicer), "2023");
  EXPECT_EQ(year.axes.at(1).propertyNames, (std::vector<std::string>{"Manager", "MEMBER_CAPTION"}));
  EXPECT_EQ(propertiesText(year.axes[1]), byCity("s.store_manager, s.store_city", ""));
  EXPECT_EQ(cellsText(year), byCity("SUM(f.unit_sales)", ""));
  query->AddSlicerSpecification(member("[Product].[Food]"));
  EXPECT_EQ(cellsText(run(query)), byCity("SUM(f.unit_sales)", food));
  query->AddAxisRange(1, 0, 2);
  EXPECT_EQ(axisText(run(query).axes.at(1)), "Lausanne");
  query->AddAxisRange(1, 3, 5);
  query->AddCellProperties({L"VALUE", L"FORMATTED_VALUE"});
  EngineResult range = run(query);
  EXPECT_EQ(axisText(range.axes.at(1)), "Los Angeles, San Francisco, Coeur d'Alene");
  EXPECT_EQ(cellsText(range), byCity("SUM(f.unit_sales)", food + " AND s.store_city IN"
                                     " ('Los Angeles', 'San Francisco', 'Coeur d''Alene')"));
}

// [Measures].[Price] over [Time].[Both Years]: the formula with the higher
// solve order is computed last, so the cell holds either the price of both
// years or the sum of the two yearly prices.
TEST_P(LibraryOnServer, CalculatedMembersFollowTheirSolveOrder) {
  const schema_host::SchemaDynamicCalculation bothYears(L"Both Years");
  const std::string price = "CAST(SUM(f.store_sales) AS DOUBLE) / SUM(f.unit_sales)";
  const std::string facts = " FROM sales_fact f JOIN time_by_month t ON t.month_id = f.month_id";
  const std::string perYear = " p" + facts + " GROUP BY t.the_year";
  for (const auto& [priceOrder, expected] :
       {std::pair{2, "SELECT " + price + facts},
        std::pair{0, "SELECT SUM(p) FROM (SELECT " + price + perYear + ")"}}) {
    SCOPED_TRACE(priceOrder);
    MDXField* measure = member("[Measures].[Price]");
    MDXField* years = keep(g_->GenerateField(&bothYears, L"[Time]"));
    MDXSelectQuery* query = select(setOf(measure), setOf(years));
    query->AddMemberFormula(measure, value("[Measures].[Store Sales] / [Measures].[Unit Sales]"),
                            priceOrder, {L"FORMAT_STRING"}, {L"'#,##0.000'"});
    query->AddMemberFormula(years, value("[Time].[2023] + [Time].[2024]"), 1, {}, {});
    const auto cell = run(query).cells.at(0);
    expectCell(cell, expected);
    char formatted[32];
    std::snprintf(formatted, sizeof formatted, "%.3f", cell.number());
    EXPECT_EQ(cell.formatted, formatted);
  }
}

// Named sets, one named by the statement and one by the host; the second
// holds an apostrophe, which its quoted formula doubles.
TEST_P(LibraryOnServer, NamedSetsStandForTheirSets) {
  MDXSelectQuery* query = select(set("{[Measures].[Unit Sales]}"));
  const VelaString top =
      query->AddSetFormula(cities()->TakeExtremity(MDXSet::Top, MDXSet::Count, L"2", unitSales()));
  EXPECT_EQ(top, "[NS_1]");
  query->AddSetFormula(L"[Idaho]", set("{[Store].[USA].[ID].[Coeur d'Alene]}"));
  query->AddAxisSpecification(1, *keep(g_->GenerateSet(top)) += *set("[Idaho]"), {},
                              MDXSelectQuery::MayBeEmpty);
  EXPECT_EQ(axisText(run(query).axes.at(1)), "San Francisco, Los Angeles, Coeur d'Alene");
}

// DRILLTHROUGH of one cell: every fact row behind it, or MAXROWS of them.
TEST_P(LibraryOnServer, DrillThroughReturnsTheRowsOfTheCell) {
  MDXSelectQuery* query = select(setOf(hostMember(kZurich)));
  query->AddSlicerSpecification(member("[Time].[2024].[Q2]"));
  query->SpecifyDrillThrough(0);
  const EngineResult all = run(query);
  EXPECT_EQ(all.kind, "DRILLTHROUGH");
  const auto& names = all.columns;
  const auto units = std::find(names.begin(), names.end(), "Unit Sales") - names.begin();
  Rows column;
  for (const auto& row : all.rows) column.push_back({row.at(units)});
  std::sort(column.begin(), column.end());
  EXPECT_EQ(rowsText(column), sqlText(engine(), "SELECT CAST(unit_sales AS VARCHAR) u FROM"
                                      " sales_fact WHERE store_id = 5 AND month_id BETWEEN"
                                      " 202404 AND 202406 ORDER BY u"));
  query->SpecifyDrillThrough(2);
  EXPECT_EQ(run(query).rows.size(), 2u);
}

// Each row of tools/engine/DIALECT.md, "| `form` | statement sent | `error
// after the common prefix` |": the library writes the form and the server
// refuses it with exactly the recorded error.
TEST_P(LibraryOnServer, DialectTableStaysTrue) {
  if (mondrian()) GTEST_SKIP() << "the Mondrian forms are checked by MondrianFormsKeepTheirMeaning";
  auto onRows = [&](MDXSet* rows) { return select(set("{[Measures].[Unit Sales]}"), rows); };
  auto* const store = hierarchy("[Store]");
  auto* createMember = statement<MDXCreateQuery>(MDXQuery::Create);
  createMember->AddMemberFormula(member("[Measures].[Double Units]"),
                                 value("[Measures].[Unit Sales] * 2"), -1, {}, {});
  auto* createSet = statement<MDXCreateQuery>(MDXQuery::Create);
  createSet->AddSetFormula(L"[West]", set("{[Store].[USA].[CA], [Store].[USA].[WA]}"));
  auto* dropMember = statement<MDXDropQuery>(MDXQuery::Drop);
  dropMember->AddMemberToDrop(L"[Measures].[Double Units]");
  auto* dropSet = statement<MDXDropQuery>(MDXQuery::Drop);
  dropSet->AddSetToDrop(L"[West]");
  auto* alter = statement<MDXAlterQuery>(MDXQuery::Alter);
  alter->addNames(L"[Store].[USA].[WA]", L"Tacoma");
  auto* update = keep(new MDXUpdateQuery(L"[Sales]"));
  update->addNameVector({L"[Measures].[Unit Sales]", L"[Time].[2024].[Q1].[Jan]", kLosAngeles,
                         L"[Product].[Drink].[Beverages].[Tea]"});
  VelaString ten(L"10");
  update->addData(ten);
  std::vector<auto_unuse<MDXSet>> twoMore;
  twoMore.emplace_back(g_->GenerateSet(L"[Product].[Product Family].MEMBERS"));
  twoMore.emplace_back(g_->GenerateSet(L"[Time].[Year].MEMBERS"));
  const std::map<std::string, const MDXQuery*> forms = {
      {"`ORDER( UNIQUE( … ) …)`", onRows(cities()->Order(MDXSet::BDesc, unitSales()))},
      {"`DRILLUPMEMBER`",
       onRows(years()->DrillDownOnSet(L"[Time].[2024]")->DrillUpOnSet(L"{[Time].[2024]}"))},
      {"`TOGGLEDRILLSTATE(…, RECURSIVE)`",
       onRows(set("{[Store].[USA]}")->ToggleDrillStateOnSet(set("{[Store].[USA]}"), true))},
      {"`<level>.MEMBERS( n )`", onRows(setOf(member("[Time].[2024]")->LoopRight()))},
      {"`<hierarchy>.LEVELS.COUNT`",
       onRows(empty()->TakeChildren(set("{[Store].[USA]}"), store, false, -1, L""))},
      {"`<member>.DESCRIPTION`",
       selectResult(value("0")->TakeDescription(member("x")->TakeCurrentMember(store)), "[Time]")},
      {"`<hierarchy>.DESCRIPTION`",
       selectResult(value("0")->TakeDescription(member("[Store]")), "[Time]")},
      {"`CREATE MEMBER`", createMember},
      {"`CREATE SET`", createSet},
      {"`DROP MEMBER`", dropMember},
      {"`DROP SET`", dropSet},
      {"`ALTER CUBE`", alter},
      {"`UPDATE CUBE`", update},
      {"`NONEMPTYCROSSJOIN` of three sets", onRows(cities()->nonEmptyCrossjoin(twoMore))},
  };
  std::ifstream table(MDXGEN_DIALECT_TABLE);
  ASSERT_TRUE(table) << MDXGEN_DIALECT_TABLE;
  std::size_t checked = 0;
  for (std::string line; std::getline(table, line);) {
    if (line.rfind("| `", 0) != 0) continue;
    const auto form = forms.find(line.substr(2, line.find(" | ") - 2));
    ASSERT_NE(form, forms.end()) << "no library form for " << line;
    const std::string text = form->second->getText(false).toUtf8();
    // The engine repeats the statement without its trailing blanks.
    const std::string repeated = text.substr(0, text.find_last_not_of(' ') + 1);
    std::string verdict = line.substr(line.rfind(" | `") + 4);
    verdict.erase(verdict.size() - 3);  // "` |"
    for (std::size_t at; (at = verdict.find("<statement>")) != std::string::npos;)
      verdict.replace(at, 11, repeated);
    EngineResult answer = engine().mdx(text);
    EXPECT_FALSE(answer.ok);
    // Over XMLA the server reports the innermost cause of the refusal.
    EXPECT_EQ(answer.error, "The Mondrian XML: " + verdict.substr(verdict.rfind("Mondrian Error:")))
        << form->first;
    ++checked;
  }
  EXPECT_EQ(checked, forms.size());
}

// The Mondrian dialect's form of each MSOLAP 8 form above, on sets of
// several levels and parents, against a long-hand statement of the same
// meaning: drilling up keeps the members that descend from none of the
// members drilled; the recursive toggle drills the drilled members up and
// the others down through every generation the second set names; a sort
// takes repeated tuples out; the leaves are the bottom level's members; the
// loop right wraps to the level's first calculated member, else its first
// member; the non-empty cross join keeps the tuples with a cell.
TEST_P(LibraryOnServer, MondrianFormsKeepTheirMeaning) {
  if (!mondrian()) GTEST_SKIP() << "the MSOLAP 8 forms are refused: DialectTableStaysTrue";
  constexpr char kStores[] =
      "{[Store].[USA], [Store].[USA].[CA], [Store].[USA].[CA].[Los Angeles], [Store].[USA].[WA],"
      " [Store].[Canada], [Store].[Canada].[BC], [Store].[Canada].[BC].[Vancouver],"
      " [Store].[Switzerland]}";
  constexpr char kToggled[] =
      "{[Store].[USA], [Store].[Switzerland], [Store].[Switzerland].[VD], [Store].[Canada]}";
  constexpr char kRepeated[] = "{[Store].[USA].[CA], [Store].[Store City].MEMBERS,"
                               " [Store].[USA].[CA], [Store].[Canada].[BC].[Vancouver]}";
  const std::string kUnique = "ORDER( {[Store].[USA].[CA], [Store].[Store City].MEMBERS}, ";
  auto* const store = hierarchy("[Store]");
  auto* const time = hierarchy("[Time]");
  // Long-hand drill-up: the descendants of [USA] and of [BC] taken out.
  const auto drilledUp = [](const std::string& set) {
    return "EXCEPT( " + set + ", { DESCENDANTS( [Store].[USA], [Store].[Store State],"
           " SELF_AND_AFTER ), DESCENDANTS( [Store].[Canada].[BC], [Store].[Store City] ) } )";
  };
  const auto families = [&] {
    return auto_unuse<MDXSet>(g_->GenerateSet(L"[Product].[Product Family].MEMBERS"));
  };
  const Row<MDXSet> cases[] = {
    ROW(set(kStores)->DrillUp(L"[Store].[USA], [Store].[Canada].[BC]"),
        drilledUp(kStores)),
    ROW(set(kStores)->DrillUp(L""), kStores),
    ROW(set(kStores)->DrillUpOnSet(L"{[Store].[USA], [Store].[Canada].[BC]}"),
        drilledUp(std::string("HIERARCHIZE( ") + kStores + " )")),
    ROW(years()->DrillDownOnSet(L"[Time].[2024]")->DrillUpOnSet(set("{[Time].[2024]}")),
        "[Time].[Year].MEMBERS"),
    ROW(set("{[Store].[USA], [Store].[USA].[CA], [Store].[USA].[CA].[Los Angeles],"
            " [Store].[Switzerland], [Store].[Canada]}")
            ->ToggleDrillStateOnSet(set(kToggled), true),
        "DRILLDOWNMEMBER( {[Store].[USA], [Store].[Switzerland], [Store].[Canada]},"
        " {[Store].[Switzerland], [Store].[Switzerland].[VD], [Store].[Canada]}, RECURSIVE )"),
    ROW(set(kRepeated)->Order(MDXSet::Desc, value("[Measures].[Unit Sales]")),
        kUnique + "[Measures].[Unit Sales], DESC )"),
    ROW(set(kRepeated)->Order(MDXSet::BAsc, unitSales()),
        kUnique + "[Measures].[Unit Sales], BASC )"),
    ROW(empty()->TakeChildren(set("{[Store].[USA], [Store].[Canada]}"), store, false, -1, L""),
        "DESCENDANTS( {[Store].[USA], [Store].[Canada]}, [Store].[Store City] )"),
    ROW(empty()->TakeDescendants(L"[Time].[2024]", time, false, -1, L""),
        "DESCENDANTS( [Time].[2024], [Time].[Month] )"),
    ROW(setOf(member("[Time].[2024].[Q4].[Dec]")->LoopRight()), "HEAD( [Time].[Month].MEMBERS )"),
    ROW(setOf(member(kSeattle)->LoopRight()), "HEAD( [Store].[Store City].MEMBERS )"),
    ROW(setOf(member("[Time].[2024].[Q4]")->LoopRight()), "{[Time].[2024].[First Half]}"),
    ROW(setOf(member("[Time].[2023].[Q4]")->LoopRight()), "{[Time].[2024].[Q1]}"),
    ROW(cities()->nonEmptyCrossjoin({families(), auto_unuse<MDXSet>(g_->GenerateSet(
            cube().level("[Time].[Year]")))}),
        "FILTER( CROSSJOIN( CROSSJOIN( [Store].[Store City].MEMBERS,"
        " [Product].[Product Family].MEMBERS ), [Time].[Year].MEMBERS ),"
        " NOT ISEMPTY( [Measures].[Unit Sales] ) )"),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const auto members = [&](MDXSet* set) {
      const EngineResult r = run(select(set));
      return r.axes.empty() ? std::string("refused") : axisText(r.axes[0]);
    };
    const std::string got = members(c.make());
    EXPECT_NE(got, "");
    EXPECT_EQ(got, members(set(c.expected.c_str())));
  }
  // A description is the member's DESCRIPTION property (a hierarchy's, its
  // default member's): the sample's members have none.
  for (const char* described : {kSeattle, "[Store]"}) {
    const auto result = run(selectResult(value("0")->TakeDescription(member(described)), "[Time]"));
    EXPECT_TRUE(result.cells.at(0).empty()) << described;
  }
}

// The Mondrian generator keeps the members and sets its CREATE statements
// define for its later SELECTs, until a DROP; a DRILLTHROUGH with a WITH
// clause returns the rows of the same cell as without.
TEST_P(LibraryOnServer, MondrianSessionObjectsAndDrillThrough) {
  if (!mondrian()) GTEST_SKIP() << "the MSOLAP 8 forms are refused: DialectTableStaysTrue";
  auto* create = statement<MDXCreateQuery>(MDXQuery::Create);
  create->AddMemberFormula(member("[Measures].[Double Units]"),
                           value("[Measures].[Unit Sales] * 2"), -1, {}, {});
  create->AddSetFormula(L"[West]", set("{[Store].[USA].[CA], [Store].[USA].[WA]}"));
  run(create);
  MDXSelectQuery* query = select(set("{[Measures].[Double Units]}"), set("[West]"));
  EXPECT_EQ(cellsText(run(query)),
            sqlText(engine(), "SELECT 2 * SUM(f.unit_sales) FROM sales_fact f JOIN store s"
                    " ON s.store_id = f.store_id WHERE s.store_state IN ('CA', 'WA')"
                    " GROUP BY s.store_state ORDER BY s.store_state"));
  auto* drop = statement<MDXDropQuery>(MDXQuery::Drop);
  drop->AddSetToDrop(L"[West]");
  run(drop);
  EXPECT_FALSE(engine().mdx(query->getText(false).toUtf8()).ok);
  EXPECT_EQ(axisText(run(select(set("{[Measures].[Double Units]}"))).axes.at(0)), "Double Units");

  MDXSelectQuery* drill = select(setOf(hostMember(kZurich)));
  drill->AddSlicerSpecification(member("[Time].[2024].[Q2]"));
  drill->SpecifyDrillThrough(0);
  const std::string rows = rowsText(run(drill).rows);
  drill->AddMemberFormula(member("[Measures].[Half]"), value("[Measures].[Unit Sales] / 2"), -1,
                          {}, {});
  EXPECT_EQ(rowsText(run(drill).rows), rows);
}

INSTANTIATE_TEST_SUITE_P(Dialects, LibraryOnServer,
                         ::testing::Values(MDXQueryGenerator::MSOLAP8, MDXQueryGenerator::Mondrian),
                         [](const auto& info) {
                           return info.param == MDXQueryGenerator::Mondrian ? "Mondrian"
                                                                            : "MSOLAP8";
                         });
