// The library's MDX on a real server: each fragment operation placed in a
// SELECT built through the generator, run on the embedded Mondrian engine
// over the sample cube, and checked against the members the server returns
// or against values computed with SQL from the same data. The forms Mondrian
// does not know are refused with the error tools/engine/DIALECT.md records.

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

#include "engine_client.h"
#include "engine_config.h"
#include "mdxgen/mdxgen.h"
#include "schema_model.h"
#include "tests/fake_host.h"

namespace {

using mdxgen::engine::EngineClient;
using mdxgen::engine::EngineResult;

constexpr char kCities[] = "[Store].[Store City]";
constexpr char kYears[] = "[Time].[Year]";
constexpr char kMonths[] = "[Time].[Month]";
constexpr char kSanFrancisco[] = "[Store].[USA].[CA].[San Francisco]";
constexpr char kLosAngeles[] = "[Store].[USA].[CA].[Los Angeles]";
constexpr char kSeattle[] = "[Store].[USA].[WA].[Seattle]";
constexpr char kZurich[] = "[Store].[Switzerland].[ZH].[Zürich]";
constexpr char kFirstHalf[] = "[Time].[2024].[First Half]";
constexpr char kEveryCity[] =
    "Vancouver, Lausanne, Zürich, Los Angeles, San Francisco, Coeur d'Alene, Seattle";

// Per month over both years: the sample of the aggregates and statistics.
std::string perMonth(const char* aggregate) {
  return std::string("SELECT ") + aggregate +
         " FROM (SELECT SUM(unit_sales) u, SUM(store_sales) s FROM sales_fact GROUP BY month_id)";
}
// What Mondrian answers for LINREGR2 and LINREGVARIANCE, whatever the data.
constexpr char kLargestDouble[] = "SELECT CAST(1.7976931348623157E308 AS DOUBLE)";

// The last name of a unique name, unbracketed: "[A].[Gadgets [New]]]" gives
// "Gadgets [New]".
std::string lastName(const std::string& uniqueName) {
  std::string name;
  for (std::size_t i = 0; i < uniqueName.size(); ++i) {
    if (uniqueName[i] != '[') continue;
    for (name.clear(), ++i; i < uniqueName.size(); ++i) {
      if (uniqueName[i] == ']' && (i + 1 == uniqueName.size() || uniqueName[++i] != ']')) break;
      name += uniqueName[i];
    }
  }
  return name;
}

// An axis as "a|b, c|d": the last names of each position's members.
std::string positions(const mdxgen::engine::EngineAxis& axis) {
  std::string text;
  for (const auto& tuple : axis.positions) {
    if (!text.empty()) text += ", ";
    for (std::size_t m = 0; m < tuple.size(); ++m) text += (m ? "|" : "") + lastName(tuple[m]);
  }
  return text;
}

class LibraryOnServer : public ::testing::Test {
 protected:
  // One runner and one host model for the whole suite: a JVM costs a second.
  static void SetUpTestSuite() {
    engine_ = new EngineClient();
    model_ = new schema_host::SchemaModel(schema_host::SchemaModel::load(MDXGEN_SAMPLE_SCHEMA));
  }
  static void TearDownTestSuite() {
    delete engine_;
    delete model_;
  }
  void SetUp() override { ASSERT_TRUE(engine_->running()) << engine_->startupError(); }
  ~LibraryOnServer() override {
    held_.clear();
    delete generator_;
  }

  static const schema_host::SchemaCube& cube() { return *model_->cube("Sales"); }
  static const schema_host::SchemaHierarchy* hierarchy(const char* name) {
    return cube().hierarchy(name);
  }

  // Holds the caller's reference on a fragment or statement to the end of
  // the case.
  template <class T>
  T* keep(T* object) {
    held_.emplace_back(object);
    return object;
  }
  MDXField* member(const char* name) { return keep(generator_->GenerateField(VelaString(name))); }
  MDXField* hostMember(const char* name) {
    return keep(generator_->GenerateField(cube().member(name)));
  }
  MDXSet* set(const char* text) { return keep(generator_->GenerateSet(VelaString(text))); }
  MDXSet* setOf(const MDXField* field) { return keep(generator_->GenerateSet(field)); }
  MDXSet* level(const char* name) { return keep(generator_->GenerateSet(cube().level(name))); }
  MDXSet* empty() { return keep(generator_->GenerateSet()); }
  MDXValue* value(const char* text) { return keep(generator_->GenerateValue(VelaString(text))); }
  MDXValue* value(MDXSet* set) { return keep(generator_->GenerateValue(set->getText())); }
  MDXTuple* tuple(std::initializer_list<const char*> names) {
    MDXTuple* t = keep(generator_->GenerateTuple());
    for (const char* name : names) t->AddField(member(name));
    return t;
  }
  MDXTuple* unitSales() {
    return keep(generator_->GenerateTuple())->AddField(hostMember("[Measures].[Unit Sales]"));
  }
  // "Gadgets [New]", its bracket doubled for the member name.
  MDXField* gadgets() {
    VelaString name;
    double_square_brackets(name, L"Gadgets [New]");
    return keep(generator_->GenerateField(L"[Product].[Non-Consumable].[Electronics]", name));
  }
  // A host expression tree, deleted at the end of the case.
  KIVA_o::Expression* tree(fake::Expression* root) {
    trees_.emplace_back(root);
    return root;
  }

  template <class Statement>
  Statement* statement(MDXQuery::QueryType type) {
    return static_cast<Statement*>(keep(generator_->GenerateQuery(type, nullptr)));
  }
  // SELECT columns ON COLUMNS [, rows ON ROWS] FROM [Sales].
  MDXSelectQuery* select(MDXSet* columns, MDXSet* rows = nullptr,
                         const std::vector<VelaString>& properties = {},
                         MDXSelectQuery::NonEmptyStatus status = MDXSelectQuery::MayBeEmpty) {
    auto* query = statement<MDXSelectQuery>(MDXQuery::Select);
    query->AddAxisSpecification(0, columns, {}, MDXSelectQuery::MayBeEmpty);
    if (rows) query->AddAxisSpecification(1, rows, properties, status);
    return query;
  }

  // Runs the statement's one-line text; the case fails if it is refused.
  static EngineResult run(const MDXQuery* query) {
    const std::string text = query->getText(false).toUtf8();
    EngineResult result = engine_->mdx(text);
    EXPECT_TRUE(result.ok) << result.error << "\nstatement: " << text;
    return result;
  }
  static std::string onAxis(const MDXQuery* query, std::size_t axis) {
    EngineResult result = run(query);
    return axis < result.axes.size() ? positions(result.axes[axis]) : "<no axis>";
  }
  static std::string sqlValue(const std::string& query) {
    EngineResult r = engine_->sql(query);
    if (!r.ok || r.rows.size() != 1 || r.rows[0].size() != 1 || !r.rows[0][0]) {
      ADD_FAILURE() << "expected one value from: " << query << "\n" << r.error;
      return {};
    }
    return *r.rows[0][0];
  }
  // A cell against the one value of an SQL query (numbers within a
  // relative 1e-9) or against a literal text.
  static void expectCell(const mdxgen::engine::EngineCell& cell, const std::string& expected) {
    if (expected.rfind("SELECT ", 0) != 0) {
      EXPECT_EQ(cell.value, expected);
      return;
    }
    const std::string want = sqlValue(expected);
    char* end = nullptr;
    const double number = std::strtod(want.c_str(), &end);
    if (want.empty() || *end != '\0') {
      EXPECT_EQ(cell.value, want) << expected;
    } else {
      EXPECT_NEAR(cell.number(), number, 1e-9 * std::max(1.0, std::fabs(number))) << expected;
    }
  }

  MDXQueryGenerator* generator_ = createMSOLAP8QueryGenerator(L"[Sales]");
  static EngineClient* engine_;
  static schema_host::SchemaModel* model_;

 private:
  std::vector<auto_unuse<olap_api::RefCount>> held_;
  std::vector<std::unique_ptr<fake::Expression>> trees_;
};

EngineClient* LibraryOnServer::engine_ = nullptr;
schema_host::SchemaModel* LibraryOnServer::model_ = nullptr;

}  // namespace

// A row of the tables below: a name, the fragment an operation leaves (the
// expression is evaluated when the row runs) and what the server must give.
#define ROW(name, expression, ...) {name, [&] { return expression; }, __VA_ARGS__}

// Each set alone on the columns, its cells holding the default measure
// (Unit Sales): the members the server returns. Mondrian lists its own
// measure Fact Count among the stored ones, and leaves members without facts
// (Canada's) out of descendants at a numeric distance.
TEST_F(LibraryOnServer, SetOperationsSelectTheirMembers) {
  using namespace KIVA_o;
  using fake::node;
  using fake::number;
  const auto* store = hierarchy("[Store]");
  const auto* time = hierarchy("[Time]");
  const auto* product = hierarchy("[Product]");
  const auto* measures = hierarchy("[Measures]");
  // TakeLeafNodes takes the hierarchy as non-const.
  auto leaves = [&](const schema_host::SchemaHierarchy* h) {
    return empty()->TakeLeafNodes(const_cast<schema_host::SchemaHierarchy*>(h));
  };
  // The sibling operations take the host's calculations as non-const.
  auto* firstHalf = const_cast<schema_host::SchemaCalculation*>(cube().calculation(kFirstHalf));
  auto current = [] { return node(ET_TUPLE_VALUE, {node(ET_CURRENT)}); };
  auto measure = [](const wchar_t* name) {
    return node(ET_TUPLE_VALUE, {node(ET_TUPLE, {fake::str(name)})});
  };
  const auto q2 = [&] { return tuple({"[Time].[2024].[Q2]"}); };
  const auto quarters = [&] { return empty()->TakeChildren(member("[Time].[2024]")); };
  const struct {
    const char* name;
    std::function<MDXSet*()> set;
    const char* members;
  } cases[] = {
      // Construction.
      ROW("level", level(kCities), kEveryCity),
      ROW("range",
          keep(generator_->GenerateSet(member("[Time].[2023].[Q3]"), member("[Time].[2024].[Q2]"))),
          "Q3, Q4, Q1, Q2"),
      ROW("hierarchy", keep(generator_->GenerateSet(measures)),
          "Unit Sales, Store Sales, Fact Count, Average Price"),
      ROW("fields",
          keep(generator_->GenerateSet(std::vector<MDXField*>{member(kSeattle), member(kZurich)})),
          "Seattle, Zürich"),
      ROW("tuples",
          keep(generator_->GenerateSet(
              std::vector<MDXTuple*>{tuple({"[Time].[2023]", "[Product].[Food]"}),
                                     tuple({"[Time].[2024]", "[Product].[Drink]"})})),
          "2023|Food, 2024|Drink"),
      // Algebra and wrappers.
      ROW("union", *level(kYears) += *setOf(member(kFirstHalf)), "2023, 2024, First Half"),
      ROW("union with a field", *level(kYears) += *member("[Time].[2024].[Q1]"), "2023, 2024, Q1"),
      ROW("difference", *level(kYears) -= *setOf(member("[Time].[2023]")), "2024"),
      ROW("crossjoin", *level(kYears) *= *set("{[Product].[Drink], [Product].[Food]}"),
          "2023|Drink, 2023|Food, 2024|Drink, 2024|Food"),
      ROW("non-empty crossjoin",
          level(kCities)->nonEmptyCrossjoin(
              {auto_unuse<MDXSet>(generator_->GenerateSet(gadgets()))}),
          "Zürich|Gadgets [New], Los Angeles|Gadgets [New], San Francisco|Gadgets [New]"),
      ROW("crossjoin of fields",
          keep(MDXSet::crossjoinFields(
              {auto_unuse<const MDXField>(generator_->GenerateField(L"[Time].[2024]")),
               auto_unuse<const MDXField>(generator_->GenerateField(L"[Product].[Food]"))})),
          "2024|Food"),
      ROW("list grown in place",
          empty()
              ->SetExpression(L"[Time].[2023]")
              ->AddField(*member("[Time].[2024]"), false)
              ->Delimit(),
          "2023, 2024"),
      ROW("calculated members added", quarters()->AddCalculations(), "Q1, Q2, Q3, Q4, First Half"),
      ROW("calculated members stripped", quarters()->AddCalculations()->StripCalculations(time),
          "Q1, Q2, Q3, Q4"),
      ROW("hierarchize",
          set("{[Time].[2024], [Time].[2023].[Q1], [Time].[2023]}")->Hierarchize(false),
          "2023, Q1, 2024"),
      ROW("hierarchize, post",
          set("{[Time].[2024], [Time].[2023].[Q1], [Time].[2023]}")->Hierarchize(true),
          "Q1, 2023, 2024"),
      ROW("unorder", set("{[Time].[2024], [Time].[2023]}")->Unorder(), "2024, 2023"),
      ROW("distinct", set("{[Time].[2023], [Time].[2024], [Time].[2023]}")->SpecifyDistinct(),
          "2023, 2024"),
      ROW("empty", level(kYears)->Empty(), ""),
      // Hierarchy navigation.
      ROW("top level", empty()->TakeTopLevel(store), "All Stores"),
      ROW("level of a member, calculated ones too",
          empty()->TakeAllMembersAtLevel(member("[Measures].[Unit Sales]"), true),
          "Unit Sales, Store Sales, Fact Count, Average Price"),
      ROW("all members of a hierarchy by name", empty()->TakeAllMembers(L"[Measures]", true),
          "Unit Sales, Store Sales, Fact Count, Average Price"),
      ROW("leaves", leaves(store), kEveryCity),
      ROW("leaves and calculations, the last", leaves(time)->TakeTail(), "First Half"),
      ROW("base level", empty()->TakeBaseLevel(time, 2), "2023, 2024"),
      ROW("drill down", level(kYears)->DrillDown(time, L"[Time].[2023]", false),
          "2023, Q1, Q2, Q3, Q4, 2024"),
      ROW("drill down recursively", set("{[Product].[Drink]}")->DrillDown(product, L"", true),
          "Drink, Beverages, Coffee, Tea"),
      ROW("drill down on a set", level(kYears)->DrillDownOnSet(setOf(member("[Time].[2023]"))),
          "2023, Q1, Q2, Q3, Q4, 2024"),
      ROW("toggled back up",
          level(kYears)
              ->DrillDownOnSet(L"[Time].[2024]")
              ->ToggleDrillStateOnSet(set("{[Time].[2024]}"), false),
          "2023, 2024"),
      ROW("invert", set("{[Measures].[Unit Sales]}")->Invert(measures), "Store Sales, Fact Count"),
      ROW("top ancestor", empty()->TakeAncestorsOfMember(kSanFrancisco, false, -1), "All Stores"),
      ROW("every ancestor", empty()->TakeAncestorsOfMember(kSanFrancisco, true, -1),
          "CA, USA, All Stores"),
      ROW("two generations up", empty()->TakeAncestorsOfMember(kSanFrancisco, true, 2), "CA, USA"),
      ROW("the second generation up", empty()->TakeAncestorsOfMember(kSanFrancisco, false, 2),
          "USA"),
      ROW("ancestors of a set",
          empty()->TakeAncestorsOfSet(L"{[Store].[USA].[CA]}", store, true, 2, 0),
          "USA, All Stores"),
      ROW("every ancestor of a set", empty()->TakeAncestorsOfSet(kSeattle, store, true, -1, 0),
          "WA, USA, All Stores"),
      ROW("top ancestor of a set", empty()->TakeAncestorsOfSet(kSeattle, store, false, -1, 0),
          "All Stores"),
      ROW("siblings", empty()->TakeSiblings(member("[Time].[2024].[Q2]"), nullptr),
          "Q1, Q2, Q3, Q4"),
      ROW("children", empty()->TakeChildren(member("[Store].[USA]")), "CA, ID, WA"),
      ROW("grandchildren of a set",
          empty()->TakeChildren(set("{[Product].[Drink], [Product].[Food]}"), product, false, 2,
                                L""),
          "Coffee, Tea, Bread, Joe's Cookies, Cheese"),
      ROW("two generations of a set",
          empty()->TakeChildren(set("{[Store].[Switzerland]}"), store, true, 2, L""),
          "VD, ZH, Lausanne, Zürich"),
      ROW("every descendant of a set",
          empty()->TakeChildren(set("{[Store].[Canada]}"), store, true, -1, L""), "BC, Vancouver"),
      ROW("descendants of a field", empty()->TakeDescendants(member("[Product].[Drink]")),
          "Beverages, Coffee, Tea"),
      ROW("descendants at a level", empty()->TakeDescendants(L"[Time].[2024]", L"[Time].[Quarter]"),
          "Q1, Q2, Q3, Q4"),
      ROW("descendants two generations down",
          empty()->TakeDescendants(L"[Product].[Drink]", product, false, 2, L""), "Coffee, Tea"),
      ROW("descendants down to two generations",
          empty()->TakeDescendants(L"[Product].[Drink]", product, true, 2, L""),
          "Beverages, Coffee, Tea"),
      ROW("extract", empty()->Extract(L"{[Time].[2023], [Time].[2024]} * {[Product].[Food]}", time),
          "2023, 2024"),
      // Subsets, ranks and sorts.
      ROW("subset", level(kCities)->TakeSubset(1, 2), "Lausanne, Zürich"),
      ROW("subset to the end", level(kCities)->TakeSubset(5, -1), "Coeur d'Alene, Seattle"),
      ROW("between two members, given backwards",
          level(kCities)->TakeSubset(tuple({kSeattle}), tuple({kZurich})),
          "Zürich, Los Angeles, San Francisco, Coeur d'Alene, Seattle"),
      ROW("between a member and a stranger",
          level(kYears)->TakeSubset(tuple({"[Time].[2024]"}), tuple({"[Time].[2024].[Q1]"})),
          "2023, 2024"),
      ROW("around a member", empty()->TakeSubset(q2(), 1, -1), "Q1, Q2, Q3"),
      ROW("before a member", empty()->TakeSubset(q2(), -2, -1), "Q4, Q1"),
      ROW("up to a member", empty()->TakeSubset(q2(), -1, 0), "Q1, Q2"),
      ROW("from a member, calculations included",
          empty()->TakeSubset(tuple({"[Time].[2024].[Q4]"}), 0, 1), "Q4, First Half"),
      // The count is the member's rank less one, not reduced by the start.
      ROW("up to before a member's rank", level(kCities)->TakeSubsetToRank(1, kLosAngeles, false),
          "Lausanne, Zürich, Los Angeles"),
      ROW("from a member's rank", level(kCities)->TakeSubsetFromRank(kSanFrancisco, false),
          "San Francisco, Coeur d'Alene, Seattle"),
      ROW("member inserted", level(kYears)->InsertMemberIfNotExists(L"[Time].[2024].[Q1]"),
          "2023, 2024, Q1"),
      ROW("tail", level(kCities)->TakeTail(), "Seattle"),
      ROW("intersection",
          level(kCities)->Intersect(set("{[Store].[USA].[WA].[Seattle], [Store].[Canada]}")),
          "Seattle"),
      ROW("generate",
          empty()->generate(L"{[Store].[USA], [Store].[Switzerland]}",
                            L"{[Store].CURRENTMEMBER.FIRSTCHILD}"),
          "CA, VD"),
      ROW("one member of a set",
          setOf(keep(generator_->GenerateField(level(kCities)->getMemberAt(1, 0)))), "Lausanne"),
      ROW("sorted by a value",
          level(kCities)->MDXSet::Order(MDXSet::BDesc, value("[Measures].[Unit Sales]")),
          "San Francisco, Los Angeles, Coeur d'Alene, Lausanne, Seattle, Zürich, Vancouver"),
      ROW("sorted by a tuple in the hierarchy",
          level(kCities)->MDXSet::Order(MDXSet::Desc, tuple({"[Measures].[Store Sales]"})),
          "Los Angeles, San Francisco, Seattle, Coeur d'Alene, Lausanne, Zürich, Vancouver"),
      ROW("sort taken off", level(kCities)->MDXSet::Order(MDXSet::BAsc, unitSales())->removeOrder(),
          kEveryCity),
      ROW("top count", level(kCities)->TakeExtremity(MDXSet::Top, MDXSet::Count, L"3", unitSales()),
          "San Francisco, Los Angeles, Coeur d'Alene"),
      ROW("bottom count",
          level(kCities)->TakeExtremity(MDXSet::Bottom, MDXSet::Count, L"2", unitSales()),
          "Vancouver, Zürich"),
      ROW("top sum", level(kCities)->TakeExtremity(MDXSet::Top, MDXSet::Sum, L"800", unitSales()),
          "San Francisco, Los Angeles"),
      ROW("bottom sum",
          level(kCities)->TakeExtremity(MDXSet::Bottom, MDXSet::Sum, L"500", unitSales()),
          "Vancouver, Zürich, Seattle"),
      ROW("top percent",
          level(kCities)->TakeExtremity(MDXSet::Top, MDXSet::Percent, L"50", unitSales()),
          "San Francisco, Los Angeles, Coeur d'Alene"),
      ROW("bottom percent",
          level(kCities)->TakeExtremity(MDXSet::Bottom, MDXSet::Percent, L"5", unitSales()),
          "Vancouver, Zürich"),
      // Filters: by a value, a condition text, host expression trees.
      ROW("filter by a value",
          level(kCities)->TakeFilter(value("[Measures].[Unit Sales]")->TakeEquality(364)),
          "Coeur d'Alene"),
      ROW("filter by a condition", level(kCities)->TakeFilter(L"[Measures].[Unit Sales] > 400"),
          "Los Angeles, San Francisco"),
      ROW("filter by a tree: empty cells",
          level(kCities)->TakeFilter(tree(node(ET_TUPLE_IS_NULL, {node(ET_CURRENT)})), unitSales()),
          "Vancouver"),
      ROW("filter by a tree: range and negation",
          level(kCities)->TakeFilter(
              tree(node(ET_AND, {node(ET_BETWEEN, {current(), number(300), number(400)}),
                                 node(ET_NOT, {node(ET_EQUALTO, {current(), number(362)})})})),
              unitSales()),
          "Coeur d'Alene, Seattle"),
      ROW("filter by a tree: arithmetic",
          level(kCities)->TakeFilter(
              tree(node(ET_GREATERTHAN, {node(ET_DIVIDE, {measure(L"[Measures].[Store Sales]"),
                                                          measure(L"[Measures].[Unit Sales]")}),
                                         number(8)})),
              nullptr),
          "Zürich, Los Angeles"),
      ROW("set replaced by a tree",
          level(kCities)->Filter(
              tree(node(ET_TOPCOUNT, {node(ET_CURRENTSET), number(2), node(ET_CURRENT)})),
              unitSales()),
          "San Francisco, Los Angeles"),
      // Member expressions.
      ROW("child", setOf(member("[Time].[2024]")->MoveToChild(L"Q3")), "Q3"),
      ROW("member of a dimension",
          setOf(member("x")->MoveToRootNode(cube().dimension("Store"), L"USA")), "USA"),
      ROW("first child", setOf(member("[Store].[USA]")->MoveToFirstChild()), "CA"),
      ROW("parent", setOf(member("[Store].[USA].[CA]")->MoveToParent()), "USA"),
      ROW("root", setOf(member(kSanFrancisco)->MoveToRoot(nullptr)), "All Stores"),
      ROW("drill up", setOf(member("[Store].[USA].[CA]")->DrillUp(nullptr)), "USA"),
      ROW("current member", setOf(member("x")->TakeCurrentMember(time)), "All Periods"),
      ROW("default member", setOf(member("x")->TakeDefaultMember(store)), "All Stores"),
      ROW("ancestor at a level", setOf(member(kSanFrancisco)->TakeAncestorAtLevel(nullptr, 1)),
          "USA"),
      ROW("parent of a calculation", setOf(member("x")->TakeParentOfCalculation(firstHalf)),
          "2024"),
      ROW("calculation", setOf(member("x")->TakeNameOfCalculation(firstHalf)), "First Half"),
      ROW("beside a calculation", setOf(keep(generator_->GenerateField(firstHalf, L"Q4"))), "Q4"),
      ROW("member of a hierarchy", setOf(keep(generator_->GenerateField(product, L"Food"))),
          "Food"),
      ROW("previous member, wrapping", setOf(member("[Time].[2023].[Q1]")->LoopLeft()),
          "First Half"),
      ROW("first sibling", setOf(member("[Time].[2024].[Q3]")->MoveToFirstSibling(false, {})),
          "Q1"),
      ROW("last sibling, calculations included",
          setOf(member("[Time].[2024].[Q1]")->MoveToLastSibling(true, {})), "First Half"),
      ROW("last sibling among the host's calculations",
          setOf(member("[Time].[2024].[Q1]")->MoveToLastSibling(false, {firstHalf})), "First Half"),
      ROW("previous sibling, wrapping", setOf(member("[Time].[2024].[Q1]")->PrevSibling({})), "Q4"),
      ROW("next sibling, wrapping", setOf(member("[Time].[2024].[Q4]")->NextSibling({})), "Q1"),
      ROW("next sibling among the host's calculations",
          setOf(member("[Time].[2024].[Q4]")->NextSibling({firstHalf})), "First Half"),
      ROW("name replaced",
          setOf(member("[Time].[2023]")->MoveToParent()->ReplaceName(L"[Time].[2024]")), "2024"),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(onAxis(select(c.set()), 0), c.members);
  }
}

// Values, each the formula of a calculated member [<hierarchy>].[Result] of
// the hierarchy its set ranges over, read in the default measure's cell and
// checked against SQL over the same data or against a literal. Mondrian
// answers LINREGR2 and LINREGVARIANCE with the largest double.
TEST_F(LibraryOnServer, ValuesMatchTheData) {
  auto y = [&] { return value("[Measures].[Store Sales]"); };
  auto x = [&] { return value("[Measures].[Unit Sales]"); };
  auto fresh = [&] { return value("0"); };
  auto months = [&] { return level(kMonths); };
  auto units2023 = [&] { return value("([Measures].[Unit Sales], [Time].[2023])"); };
  const std::string sum2023 = "SUM(unit_sales) FROM sales_fact WHERE month_id < 202400";
  const char* const kCoeurDAlene = "[Store].[USA].[ID].[Coeur d'Alene]";
  const struct {
    const char* name;
    std::function<MDXValue*()> make;
    const char* hierarchy;
    std::string expected;
  } cases[] = {
      ROW("count", fresh()->TakeCount(level(kCities), false), "[Store]",
          "SELECT COUNT(DISTINCT store_id) FROM sales_fact"),
      ROW("count with empty cells", fresh()->TakeCount(level(kCities), true), "[Store]",
          "SELECT COUNT(*) FROM store"),
      ROW("unique name", fresh()->TakeUniqueName(member(kCoeurDAlene)), "[Store]", kCoeurDAlene),
      ROW("name", fresh()->TakeName(hostMember(kZurich)), "[Store]", "Zürich"),
      ROW("caption", fresh()->TakeCaption(gadgets()), "[Product]", "Gadgets [New]"),
      ROW("property", fresh()->TakeProperty(member(kCoeurDAlene), L"Manager"), "[Store]",
          "SELECT store_manager FROM store WHERE store_city = 'Coeur d''Alene'"),
      ROW("sum", fresh()->TakeSum(months()), "[Time]", perMonth("SUM(u)")),
      ROW("minimum of a tuple", fresh()->TakeMin(months(), tuple({"[Measures].[Store Sales]"})),
          "[Time]", perMonth("MIN(s)")),
      ROW("maximum", fresh()->TakeMax(months(), nullptr), "[Time]", perMonth("MAX(u)")),
      ROW("average", fresh()->TakeAverage(months()), "[Time]", perMonth("AVG(CAST(u AS DOUBLE))")),
      ROW("median", fresh()->TakeMedian(months()), "[Time]", perMonth("MEDIAN(u)")),
      ROW("standard deviation", fresh()->TakeStDev(months()), "[Time]", perMonth("STDDEV_SAMP(u)")),
      ROW("population standard deviation", fresh()->TakeStDevP(months()), "[Time]",
          perMonth("STDDEV_POP(u)")),
      ROW("variance", fresh()->TakeVariance(months()), "[Time]", perMonth("VAR_SAMP(u)")),
      ROW("population variance", fresh()->TakeVarianceP(months()), "[Time]",
          perMonth("VAR_POP(u)")),
      ROW("aggregate", fresh()->TakeAggregate(months()), "[Time]", perMonth("SUM(u)")),
      ROW("covariance", fresh()->TakeCovariance(months(), y(), x(), false), "[Time]",
          perMonth("COVAR_POP(s, u)")),
      ROW("sample covariance", fresh()->TakeCovariance(months(), y(), x(), true), "[Time]",
          perMonth("COVAR_SAMP(s, u)")),
      ROW("regression slope", fresh()->TakeLinRegSlope(months(), y(), x()), "[Time]",
          perMonth("REGR_SLOPE(s, u)")),
      ROW("regression intercept", fresh()->TakeLinRegIntercept(months(), y(), x()), "[Time]",
          perMonth("REGR_INTERCEPT(s, u)")),
      ROW("regression point", fresh()->TakeLinRegPoint(value("100"), months(), y(), x()), "[Time]",
          perMonth("100 * REGR_SLOPE(s, u) + REGR_INTERCEPT(s, u)")),
      ROW("correlation", fresh()->TakeCorrelation(months(), y(), x()), "[Time]",
          perMonth("CORR(s, u)")),
      ROW("regression R2", fresh()->TakeLinRegR2(months(), y(), x()), "[Time]", kLargestDouble),
      ROW("regression variance", fresh()->TakeLinRegVariance(months(), y(), x()), "[Time]",
          kLargestDouble),
      ROW("number added", units2023()->Add(5), "[Time]", "SELECT 5 + " + sum2023),
      ROW("sign reversed", units2023()->ReverseSign(), "[Time]", "SELECT -" + sum2023),
      ROW("equal to a number", units2023()->TakeEquality(std::stoi(sqlValue("SELECT " + sum2023))),
          "[Time]", "true"),
      ROW("equal to a text", units2023()->TakeEquality(L"([Measures].[Unit Sales], [Time].[2024])"),
          "[Time]", "false"),
      ROW("not equal", units2023()->TakeInequality(L"0"), "[Time]", "true"),
      ROW("rank", value(empty()->Rank(member(kSeattle), level(kCities))), "[Store]", "7"),
      ROW("rank in the set", value(level(kCities)->TakeRank(member(kLosAngeles))), "[Store]", "4"),
      ROW("rank of a tuple in the set", value(level(kCities)->TakeRank(tuple({kZurich}))),
          "[Store]", "3"),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MDXField* result = keep(generator_->GenerateField(hierarchy(c.hierarchy), L"Result"));
    MDXSelectQuery* query = select(setOf(result));
    query->AddMemberFormula(result, c.make(), -1, {}, {});
    EngineResult answer = run(query);
    ASSERT_EQ(answer.cells.size(), 1u);
    expectCell(answer.cells[0], c.expected);
  }
}

// One axis with NON EMPTY and DIMENSION PROPERTIES, a slicer of one and then
// two members, a SUBSET range, CELL PROPERTIES.
TEST_F(LibraryOnServer, AxesSlicersAndProperties) {
  const MDXMemberProperty* manager = keep(generator_->GenerateMemberProperty(kCities, L"Manager"));
  MDXSet* units =
      keep(generator_->GenerateSet(std::vector<MDXField*>{hostMember("[Measures].[Unit Sales]")}));
  MDXSelectQuery* query = select(units, level(kCities), {manager->getText(), L"MEMBER_CAPTION"},
                                 MDXSelectQuery::NonEmpty);
  query->AddSlicerSpecification(member("[Time].[2023]"));
  auto total = [](const EngineResult& result) {
    double sum = 0;
    for (const auto& cell : result.cells) sum += cell.number();
    return sum;
  };
  const std::string sales =
      "SELECT SUM(f.unit_sales) FROM sales_fact f JOIN product p ON p.product_id = f.product_id"
      " WHERE f.month_id < 202400";
  EngineResult year = run(query);
  ASSERT_EQ(year.axes.size(), 2u);
  EXPECT_EQ(positions(year.axes[1]),
            "Lausanne, Los Angeles, San Francisco, Coeur d'Alene, Seattle");
  EXPECT_EQ(year.slicer.positions.at(0), std::vector<std::string>{"[Time].[2023]"});
  ASSERT_EQ(year.axes[1].propertyNames, (std::vector<std::string>{"Manager", "MEMBER_CAPTION"}));
  EXPECT_EQ(year.axes[1].properties.at(0).at(0).at(0).value_or(""),
            sqlValue("SELECT store_manager FROM store WHERE store_city = 'Lausanne'"));
  EXPECT_EQ(year.axes[1].properties.at(3).at(0).at(1).value_or(""), "Coeur d'Alene");
  EXPECT_EQ(total(year), std::stod(sqlValue(sales)));

  query->AddSlicerSpecification(member("[Product].[Food]"));
  EXPECT_EQ(total(run(query)), std::stod(sqlValue(sales + " AND p.product_family = 'Food'")));

  // The range cuts the level before NON EMPTY drops the empty cities.
  query->AddAxisRange(1, 0, 2);
  EXPECT_EQ(onAxis(query, 1), "Lausanne");
  query->AddAxisRange(1, 3, 5);
  query->AddCellProperties({L"VALUE", L"FORMATTED_VALUE"});
  EngineResult range = run(query);
  EXPECT_EQ(positions(range.axes.at(1)), "Los Angeles, San Francisco, Coeur d'Alene");
  ASSERT_EQ(range.cells.size(), 3u);
  expectCell(range.cells[2], sales + " AND p.product_family = 'Food' AND f.store_id = 3");
}

// [Measures].[Price] over [Time].[Both Years]: the formula with the higher
// solve order is computed last, so the cell holds either the price of both
// years or the sum of the two yearly prices.
TEST_F(LibraryOnServer, CalculatedMembersFollowTheirSolveOrder) {
  const schema_host::SchemaDynamicCalculation bothYears(L"Both Years");
  const std::string price = "CAST(SUM(f.store_sales) AS DOUBLE) / SUM(f.unit_sales)";
  const std::string facts = " FROM sales_fact f JOIN time_by_month t ON t.month_id = f.month_id";
  for (const auto& [priceOrder, expected] :
       {std::pair{2, "SELECT " + price + facts},
        std::pair{
            0, "SELECT SUM(p) FROM (SELECT " + price + " p" + facts + " GROUP BY t.the_year)"}}) {
    SCOPED_TRACE(priceOrder);
    MDXField* measure = member("[Measures].[Price]");
    MDXField* years = keep(generator_->GenerateField(&bothYears, L"[Time]"));
    MDXSelectQuery* query = select(setOf(measure), setOf(years));
    query->AddMemberFormula(measure, value("[Measures].[Store Sales] / [Measures].[Unit Sales]"),
                            priceOrder, {L"FORMAT_STRING"}, {L"'#,##0.000'"});
    query->AddMemberFormula(years, value("[Time].[2023] + [Time].[2024]"), 1, {}, {});
    EngineResult answer = run(query);
    ASSERT_EQ(answer.cells.size(), 1u);
    expectCell(answer.cells[0], expected);
    char formatted[32];
    std::snprintf(formatted, sizeof formatted, "%.3f", answer.cells[0].number());
    EXPECT_EQ(answer.cells[0].formatted, formatted);
  }
}

// Named sets, one named by the statement and one by the host; the second
// holds an apostrophe, which its quoted formula doubles.
TEST_F(LibraryOnServer, NamedSetsStandForTheirSets) {
  MDXSelectQuery* query = select(set("{[Measures].[Unit Sales]}"));
  const VelaString top = query->AddSetFormula(
      level(kCities)->TakeExtremity(MDXSet::Top, MDXSet::Count, L"2", unitSales()));
  EXPECT_EQ(top, "[NS_1]");
  query->AddSetFormula(L"[Idaho]", set("{[Store].[USA].[ID].[Coeur d'Alene]}"));
  query->AddAxisSpecification(1, *keep(generator_->GenerateSet(top)) += *set("[Idaho]"), {},
                              MDXSelectQuery::MayBeEmpty);
  EXPECT_EQ(onAxis(query, 1), "San Francisco, Los Angeles, Coeur d'Alene");
}

// DRILLTHROUGH of one cell: every fact row behind it, or MAXROWS of them.
TEST_F(LibraryOnServer, DrillThroughReturnsTheRowsOfTheCell) {
  MDXSelectQuery* query = select(setOf(hostMember(kZurich)));
  query->AddSlicerSpecification(member("[Time].[2024].[Q2]"));
  const std::string facts =
      " FROM sales_fact WHERE store_id = 5 AND month_id BETWEEN 202404 AND 202406";
  const std::size_t rows = std::stoul(sqlValue("SELECT COUNT(*)" + facts));
  ASSERT_GT(rows, 2u);

  query->SpecifyDrillThrough(0);
  EngineResult all = run(query);
  EXPECT_EQ(all.kind, "DRILLTHROUGH");
  EXPECT_EQ(all.rows.size(), rows);
  const auto column = std::find(all.columns.begin(), all.columns.end(), "Unit Sales");
  ASSERT_NE(column, all.columns.end());
  double units = 0;
  for (const auto& row : all.rows)
    units += std::stod(row.at(column - all.columns.begin()).value_or(""));
  EXPECT_EQ(units, std::stod(sqlValue("SELECT SUM(unit_sales)" + facts)));

  query->SpecifyDrillThrough(2);
  EXPECT_EQ(run(query).rows.size(), 2u);
}

// The names that need care: an apostrophe in a quoted WITH formula, a
// doubled closing bracket, and non-ASCII letters from the host model.
TEST_F(LibraryOnServer, EscapedNamesResolveToTheirMembers) {
  MDXField* joes = member("[Measures].[Joe's Units]");
  MDXSet* columns = set("{[Measures].[Unit Sales]}");
  *columns += *joes;
  MDXSelectQuery* query = select(columns, *setOf(gadgets()) *= *setOf(hostMember(kZurich)));
  query->AddMemberFormula(
      joes, value("([Measures].[Unit Sales], [Product].[Food].[Baked Goods].[Joe's Cookies])"), -1,
      {}, {});
  EngineResult answer = run(query);
  ASSERT_EQ(answer.cells.size(), 2u);
  EXPECT_EQ(positions(answer.axes.at(1)), "Gadgets [New]|Zürich");
  const std::string sales =
      "SELECT SUM(f.unit_sales) FROM sales_fact f JOIN product p ON p.product_id = f.product_id"
      " JOIN store s ON s.store_id = f.store_id WHERE s.store_city = 'Zürich'"
      " AND p.product_category = ";
  expectCell(answer.cells[0], sales + "'Gadgets [New]'");
  expectCell(answer.cells[1], sales + "'Joe''s Cookies'");
}

// Each row of tools/engine/DIALECT.md: the library writes the form and the
// server refuses it with exactly the recorded error.
TEST_F(LibraryOnServer, DialectTableStaysTrue) {
  const auto* store = hierarchy("[Store]");
  auto onRows = [&](MDXSet* rows) { return select(set("{[Measures].[Unit Sales]}"), rows); };
  auto withValue = [&](MDXValue* formula) {
    MDXField* result = member("[Measures].[Result]");
    MDXSelectQuery* query = select(setOf(result));
    query->AddMemberFormula(result, formula, -1, {}, {});
    return query;
  };
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
  const std::map<std::string, const MDXQuery*> forms = {
      {"`ORDER( UNIQUE( … ) …)`", onRows(level(kCities)->Order(MDXSet::BDesc, unitSales()))},
      {"`DRILLUPMEMBER`",
       onRows(level(kYears)->DrillDownOnSet(L"[Time].[2024]")->DrillUpOnSet(L"{[Time].[2024]}"))},
      {"`TOGGLEDRILLSTATE(…, RECURSIVE)`",
       onRows(set("{[Store].[USA]}")->ToggleDrillStateOnSet(set("{[Store].[USA]}"), true))},
      {"`<level>.MEMBERS( n )`", onRows(setOf(member("[Time].[2024]")->LoopRight()))},
      {"`<hierarchy>.LEVELS.COUNT`",
       onRows(empty()->TakeChildren(set("{[Store].[USA]}"), store, false, -1, L""))},
      {"`<member>.DESCRIPTION`",
       withValue(value("0")->TakeDescription(member("x")->TakeCurrentMember(store)))},
      {"`<hierarchy>.DESCRIPTION`", withValue(value("0")->TakeDescription(member("[Store]")))},
      {"`CREATE MEMBER`", createMember},
      {"`CREATE SET`", createSet},
      {"`DROP MEMBER`", dropMember},
      {"`DROP SET`", dropSet},
      {"`ALTER CUBE`", alter},
      {"`UPDATE CUBE`", update},
  };

  std::ifstream table(MDXGEN_DIALECT_TABLE);
  ASSERT_TRUE(table) << MDXGEN_DIALECT_TABLE;
  std::size_t checked = 0;
  for (std::string line; std::getline(table, line);) {
    // | `form` | statement sent | `error after the common prefix` |
    if (line.rfind("| `", 0) != 0) continue;
    const std::string inner = line.substr(2, line.size() - 4);
    std::vector<std::string> cells;
    for (std::size_t from = 0, to = 0; to != std::string::npos; from = to + 3) {
      to = inner.find(" | ", from);
      cells.push_back(inner.substr(from, to == std::string::npos ? to : to - from));
    }
    ASSERT_EQ(cells.size(), 3u) << line;
    SCOPED_TRACE(cells[0]);
    const auto form = forms.find(cells[0]);
    ASSERT_NE(form, forms.end()) << "no library form for this row";
    const std::string text = form->second->getText(false).toUtf8();
    // The engine repeats the statement without its trailing blanks.
    const std::string repeated = text.substr(0, text.find_last_not_of(' ') + 1);
    std::string verdict = cells[2].substr(1, cells[2].size() - 2);
    for (std::size_t at; (at = verdict.find("<statement>")) != std::string::npos;) {
      verdict.replace(at, 11, repeated);
    }
    EngineResult answer = engine_->mdx(text);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(
        answer.error,
        "mondrian gave exception while parsing query: Mondrian Error:Failed to parse query '" +
            text + "': " + verdict);
    ++checked;
  }
  EXPECT_EQ(checked, forms.size());
}
