// The schema host model: the unique names read from the schema XML against
// fixed expectations and, where the embedded engine is built, against the
// names Mondrian itself reports for the same file.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "schema_model.h"
#ifdef MDXGEN_TEST_WITH_ENGINE
#include "server_support.h"
#endif

namespace {

using schema_host::SchemaCube;
using schema_host::SchemaError;
using schema_host::SchemaModel;

std::string u8(const VelaString& s) { return s.toUtf8(); }

// One line per hierarchy: its dimension, itself, its levels by depth, its All
// member and the calculations it reports through the host interface.
std::string describe(const SchemaCube& cube) {
  std::string text;
  for (const auto& d : cube.dimensions()) {
    for (const auto& h : d->hierarchies()) {
      text += u8(d->getUniqueName()) + " " + u8(h->getUniqueName()) + ":";
      for (int depth = 0; depth < h->getLevelCount(); ++depth)
        text += " " + u8(h->getLevel(depth)->getUniqueName());
      if (h->hasAll()) text += "; all " + u8(h->allMemberUniqueName());
      std::map<std::uint32_t, KIVA_o::Calculation*> calculations;
      h->getCalculations(&calculations);
      for (const auto& [key, c] : calculations) {
        text += "; calc " + u8(c->getUniqueName());
        if (!c->getParentUniqueName().empty()) text += " below " + u8(c->getParentUniqueName());
        if (c->getHierarchy() != h.get()) text += " elsewhere";
      }
      text += "\n";
    }
  }
  return text;
}

// Shared dimension under another name, a named hierarchy, a hierarchy
// without All, custom All names, names with "]" and "'", calculated members
// declared through hierarchy, dimension and parent attributes. The tables
// are the sample cube's.
const char kVariant[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Schema name="Variant">
  <Dimension name="Shop">
    <Hierarchy hasAll="true" primaryKey="store_id">
      <Table name="store"/>
      <Level name="Country" column="store_country" uniqueMembers="true"/>
      <Level name="Shop's City" column="store_city" uniqueMembers="false"/>
    </Hierarchy>
    <Hierarchy name="By Size" hasAll="true" primaryKey="store_id"
               allLevelName="Everything" allMemberName="Every [Size]">
      <Table name="store"/>
      <Level name="Size" column="store_sqft" type="Numeric" uniqueMembers="true"/>
    </Hierarchy>
  </Dimension>
  <Cube name="Sales">
    <Table name="sales_fact"/>
    <DimensionUsage name="Outlet" source="Shop" foreignKey="store_id"/>
    <Dimension name="Kind" foreignKey="product_id">
      <Hierarchy hasAll="false" primaryKey="product_id">
        <Table name="product"/>
        <Level name="Family" column="product_family" uniqueMembers="true"/>
      </Hierarchy>
    </Dimension>
    <Dimension name="Time" foreignKey="month_id">
      <Hierarchy hasAll="true" primaryKey="month_id">
        <Table name="time_by_month"/>
        <Level name="Year" column="the_year" type="Numeric" uniqueMembers="true"/>
        <Level name="Quarter" column="quarter" uniqueMembers="false"/>
      </Hierarchy>
    </Dimension>
    <Measure name="Units" column="unit_sales" aggregator="sum"/>
    <CalculatedMember name="Big]Ones" hierarchy="[Outlet.By Size]" formula="1"/>
    <CalculatedMember name="Double" dimension="Measures">
      <Formula>[Measures].[Units] * 2</Formula>
    </CalculatedMember>
    <CalculatedMember name="Again" dimension="Time" parent="[Time].[2024]"
                      formula="[Time].[2024]"/>
  </Cube>
</Schema>
)";

TEST(SchemaModel, UniqueNamesFollowMondrianNaming) {
  EXPECT_EQ(describe(*SchemaModel::load(SAMPLE_SCHEMA_PATH).cube("Sales")),
            "[Measures] [Measures]: [Measures].[MeasuresLevel]; calc [Measures].[Average Price]\n"
            "[Time] [Time]: [Time].[(All)] [Time].[Year] [Time].[Quarter] [Time].[Month];"
            " all [Time].[All Periods]; calc [Time].[2024].[First Half] below [Time].[2024]\n"
            "[Store] [Store]: [Store].[(All)] [Store].[Store Country] [Store].[Store State]"
            " [Store].[Store City]; all [Store].[All Stores]\n"
            "[Product] [Product]: [Product].[(All)] [Product].[Product Family]"
            " [Product].[Product Department] [Product].[Product Category];"
            " all [Product].[All Products]\n");
  EXPECT_EQ(describe(*SchemaModel::parse(kVariant).cube("Sales")),
            "[Measures] [Measures]: [Measures].[MeasuresLevel]; calc [Measures].[Double]\n"
            "[Outlet] [Outlet]: [Outlet].[(All)] [Outlet].[Country] [Outlet].[Shop's City];"
            " all [Outlet].[All Outlets]\n"
            "[Outlet] [Outlet.By Size]: [Outlet.By Size].[Everything] [Outlet.By Size].[Size];"
            " all [Outlet.By Size].[Every [Size]]]; calc [Outlet.By Size].[Big]]Ones]\n"
            "[Kind] [Kind]: [Kind].[Family]\n"
            "[Time] [Time]: [Time].[(All)] [Time].[Year] [Time].[Quarter]; all [Time].[All Times];"
            " calc [Time].[2024].[Again] below [Time].[2024]\n");
}

TEST(SchemaModel, Lookups) {
  const SchemaModel model = SchemaModel::load(SAMPLE_SCHEMA_PATH);
  const SchemaCube& cube = *model.cube("[Sales]");
  EXPECT_EQ(&cube, model.cube("Sales"));
  EXPECT_EQ(model.cube("Warehouse"), nullptr);
  const auto* city = cube.level("[Store].[Store City]");
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(city->depth(), 3);
  EXPECT_EQ(cube.hierarchy("Store")->level("Store City"), city);
  EXPECT_EQ(cube.hierarchy("Store")->getLevel(4), nullptr);
  EXPECT_EQ(cube.level("[Store].[Store Town]"), nullptr);
  EXPECT_EQ(u8(city->propertyUniqueName(city->propertyNames().at(1))),
            "[Store].[Store City].[Manager]");
  EXPECT_EQ(u8(cube.measure("Average Price")->getUniqueName()), "[Measures].[Average Price]");
  EXPECT_EQ(cube.measure("Profit"), nullptr);
  // Members are made from unique names, once per name; UTF-8 in, wide out.
  const KIVA_o::Member* zurich = cube.member("[Store].[Switzerland].[ZH].[Zürich]");
  EXPECT_EQ(zurich, cube.member(VelaString(L"[Store].[Switzerland].[ZH].[Z\u00FCrich]")));
  EXPECT_EQ(zurich->getUniqueName().wstr(), L"[Store].[Switzerland].[ZH].[Z\u00FCrich]");
  EXPECT_EQ(u8(schema_host::bracket("a]]b")), "[a]]]]b]");
  const SchemaModel variant = SchemaModel::parse(kVariant);
  EXPECT_EQ(u8(variant.cube("Sales")->calculation("[Measures].[Double]")->formula()),
            "[Measures].[Units] * 2");
  EXPECT_EQ(variant.cube("Sales")->dimension("Shop"), nullptr);  // only its usage is in the cube
}

TEST(SchemaModel, BadSchemasAreRejectedWithReasons) {
  const std::pair<const char*, const char*> cases[] = {
      {"<Schema><Cube name='C'>", "schema text:"},
      {"<Other/>", "no <Schema>"},
      {"<Schema name='S'/>", "no <Cube>"},
      {"<Schema><Cube name='C'><DimensionUsage source='Nope' name='X'/></Cube></Schema>",
       "unknown shared dimension 'Nope'"},
      {"<Schema><Cube name='C'><CalculatedMember name='M' dimension='Nope' formula='1'/></Cube>"
       "</Schema>",
       "unknown dimension 'Nope'"},
      {"<Schema><Cube name='C'><Dimension name='D'><Hierarchy/></Dimension></Cube></Schema>",
       "has no <Level>"},
      {"<Schema><Cube name='C'><Dimension><Hierarchy/></Dimension></Cube></Schema>",
       "<Dimension> in cube C without a name attribute"},
  };
  for (const auto& [xml, reason] : cases) {
    try {
      SchemaModel::parse(xml);
      ADD_FAILURE() << "accepted: " << xml;
    } catch (const SchemaError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(SchemaModel::load("/nonexistent/schema.xml"), SchemaError);
}

#ifdef MDXGEN_TEST_WITH_ENGINE

using namespace server_test;

// Asks the engine, in one statement, for the unique name of everything the
// model names, one level past the deepest included (an error on the server
// too), and compares them with the model's.
void expectEngineAgrees(EngineClient& engine, const SchemaCube& cube) {
  std::vector<std::pair<std::string, std::string>> checks;  // expression, name ("": error)
  for (const auto& d : cube.dimensions()) {
    for (const auto& h : d->hierarchies()) {
      const std::string hu = u8(h->getUniqueName());
      checks.insert(checks.end(), {{hu, hu}, {hu + ".Dimension", u8(d->getUniqueName())}});
      for (int depth = 0; depth <= h->getLevelCount(); ++depth) {
        const auto* level = h->getLevel(depth);
        checks.push_back({hu + ".Levels(" + std::to_string(depth) + ")",
                          level ? u8(level->getUniqueName()) : ""});
      }
      if (h->hasAll())
        checks.push_back({hu + ".Levels(0).Members.Item(0)", u8(h->allMemberUniqueName())});
      for (const auto& c : h->calculations()) {
        const std::string cu = u8(c->getUniqueName());
        checks.insert(checks.end(), {{cu, cu}, {cu + ".Hierarchy", hu}});
        if (!c->getParentUniqueName().empty())
          checks.push_back({cu + ".Parent", u8(c->getParentUniqueName())});
      }
    }
  }
  std::string with = "WITH";
  std::string columns;
  for (std::size_t i = 0; i < checks.size(); ++i) {
    std::string formula;
    for (char ch : checks[i].first + ".UniqueName")
      formula += ch == '\'' ? "''" : std::string(1, ch);
    const std::string name = "[Measures].[check " + std::to_string(i) + "]";
    with += " MEMBER " + name + " AS '" + formula + "'\n";
    columns += (i ? ", " : "") + name;
  }
  const EngineResult r = engine.mdx(with + "SELECT {" + columns + "} ON 0 FROM [Sales]");
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.cells.size(), checks.size());
  for (std::size_t i = 0; i < checks.size(); ++i) {
    const auto& cell = r.cells[i];
    EXPECT_EQ(cell.error() ? "" : cell.value, checks[i].second) << checks[i].first;
  }
}

TEST(SchemaModel, NamesMatchMondrian) {
  ASSERT_TRUE(sampleEngine().running()) << sampleEngine().startupError();
  expectEngineAgrees(sampleEngine(), *SchemaModel::load(SAMPLE_SCHEMA_PATH).cube("Sales"));

  const std::string path = ::testing::TempDir() + "variant_" + std::to_string(::getpid()) + ".xml";
  std::ofstream(path, std::ios::binary) << kVariant;
  mdxgen::engine::EngineOptions options = mdxgen::engine::EngineOptions::sample();
  options.schema = path;
  EngineClient variant(options);
  std::remove(path.c_str());  // the engine has read it
  ASSERT_TRUE(variant.running()) << variant.startupError();
  expectEngineAgrees(variant, *SchemaModel::parse(kVariant).cube("Sales"));
}

#endif

}  // namespace
