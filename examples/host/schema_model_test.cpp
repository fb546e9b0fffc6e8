// The schema host model: lookups, refused schemas and, where the embedded
// engine is built, the unique names against those Mondrian itself reports
// for the same file.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "schema_model.h"
#ifdef MDXGEN_TEST_WITH_ENGINE
#include "tests/server/server_support.h"
#endif

namespace {

using schema_host::SchemaCube;
using schema_host::SchemaError;
using schema_host::SchemaModel;

std::string u8(const VelaString& s) { return s.toUtf8(); }

TEST(SchemaModel, Lookups) {
  const SchemaModel model = SchemaModel::load(SAMPLE_SCHEMA_PATH);
  const SchemaCube& cube = *model.cube("[Sales]");
  EXPECT_EQ(model.cube("Warehouse"), nullptr);
  const auto* city = cube.level("[Store].[Store City]");
  ASSERT_TRUE(city && city == cube.hierarchy("Store")->level("Store City"));
  EXPECT_EQ(u8(city->propertyUniqueName(L"Manager")), "[Store].[Store City].[Manager]");
  EXPECT_EQ(u8(cube.measure("Average Price")->getUniqueName()), "[Measures].[Average Price]");
  EXPECT_EQ(cube.measure("Profit"), nullptr);
  // Members are made from unique names, once per name; UTF-8 in, wide out.
  const KIVA_o::Member* zurich = cube.member("[Store].[Switzerland].[ZH].[Zürich]");
  EXPECT_EQ(zurich, cube.member(VelaString(L"[Store].[Switzerland].[ZH].[Z\u00FCrich]")));
  EXPECT_EQ(zurich->getUniqueName().wstr(), L"[Store].[Switzerland].[ZH].[Z\u00FCrich]");
}

TEST(SchemaModel, BadSchemasAreRejectedWithReasons) {
  const std::string cube = "<Schema><Cube name='C'>";
  const std::pair<std::string, const char*> cases[] = {
      {cube, "schema text:"},
      {"<Other/>", "no <Schema>"},
      {cube + "<CalculatedMember name='M' dimension='Nope' formula='1'/></Cube></Schema>",
       "unknown dimension 'Nope'"},
      {cube + "<Dimension name='D'><Hierarchy/></Dimension></Cube></Schema>", "has no <Level>"},
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

// A name the description shows: given the MDX expression for the object and
// the model's name for it, the model's name or what the server answers.
using Namer = std::function<std::string(const std::string& expression, const VelaString& name)>;

std::string modelName(const std::string&, const VelaString& name) { return u8(name); }

// One line per hierarchy: its dimension, itself, its levels by depth and one
// past the deepest ("-": none), its All member, and the calculations it
// reports through the host interface with their hierarchy and parent. One
// name per line of code, so that the calls come in a fixed order.
std::string describe(const SchemaCube& cube, const Namer& name = modelName) {
  std::string text;
  for (const auto& d : cube.dimensions()) {
    for (const auto& h : d->hierarchies()) {
      const std::string hu = u8(h->getUniqueName());
      text += name(hu + ".Dimension", d->getUniqueName()) + " ";
      text += name(hu, h->getUniqueName()) + ":";
      for (int depth = 0; depth <= h->getLevelCount(); ++depth) {
        const auto* level = h->getLevel(depth);
        text += " " + name(hu + ".Levels(" + std::to_string(depth) + ")",
                           level ? level->getUniqueName() : VelaString("-"));
      }
      if (h->hasAll())
        text += "; all " + name(hu + ".Levels(0).Members.Item(0)", h->allMemberUniqueName());
      std::map<std::uint32_t, KIVA_o::Calculation*> calculations;
      h->getCalculations(&calculations);
      for (const auto& [key, c] : calculations) {
        const std::string cu = u8(c->getUniqueName());
        text += "; calc " + name(cu, c->getUniqueName());
        text += " in " + name(cu + ".Hierarchy", c->getHierarchy()->getUniqueName());
        if (!c->getParentUniqueName().empty())
          text += " below " + name(cu + ".Parent", c->getParentUniqueName());
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
    <Hierarchy hasAll="true" primaryKey="store_id"><Table name="store"/>
      <Level name="Country" column="store_country" uniqueMembers="true"/>
      <Level name="Shop's City" column="store_city" uniqueMembers="false"/></Hierarchy>
    <Hierarchy name="By Size" hasAll="true" primaryKey="store_id" allLevelName="Everything"
               allMemberName="Every [Size]"><Table name="store"/>
      <Level name="Size" column="store_sqft" type="Numeric" uniqueMembers="true"/></Hierarchy>
  </Dimension>
  <Cube name="Sales"><Table name="sales_fact"/>
    <DimensionUsage name="Outlet" source="Shop" foreignKey="store_id"/>
    <Dimension name="Kind" foreignKey="product_id">
      <Hierarchy hasAll="false" primaryKey="product_id"><Table name="product"/>
        <Level name="Family" column="product_family" uniqueMembers="true"/></Hierarchy>
    </Dimension>
    <Dimension name="Time" foreignKey="month_id">
      <Hierarchy hasAll="true" primaryKey="month_id"><Table name="time_by_month"/>
        <Level name="Year" column="the_year" type="Numeric" uniqueMembers="true"/>
        <Level name="Quarter" column="quarter" uniqueMembers="false"/></Hierarchy>
    </Dimension>
    <Measure name="Units" column="unit_sales" aggregator="sum"/>
    <CalculatedMember name="Big]Ones" hierarchy="[Outlet.By Size]" formula="1"/>
    <CalculatedMember name="Double" dimension="Measures">
      <Formula>[Measures].[Units] * 2</Formula></CalculatedMember>
    <CalculatedMember name="Again" dimension="Time" parent="[Time].[2024]"
                      formula="[Time].[2024]"/>
  </Cube>
</Schema>
)";

using namespace server_test;

// The description with every name as the server gives it for the
// object's expression, all asked for in one statement.
std::string describeOnServer(EngineClient& engine, const SchemaCube& cube) {
  std::string with = "WITH";
  std::string columns;
  int n = 0;
  describe(cube, [&](const std::string& expression, const VelaString&) {
    std::string formula;
    for (char ch : expression + ".UniqueName")
      formula += ch == '\'' ? "''" : std::string(1, ch);
    const std::string name = "[Measures].[check " + std::to_string(n++) + "]";
    with += " MEMBER " + name + " AS '" + formula + "'\n";
    columns += (columns.empty() ? "" : ", ") + name;
    return std::string();
  });
  const EngineResult r = engine.mdx(with + "SELECT {" + columns + "} ON 0 FROM [Sales]");
  EXPECT_TRUE(r.ok) << r.error;
  std::size_t i = 0;
  return describe(cube, [&](const std::string&, const VelaString&) {
    if (i == r.cells.size()) return std::string("<no cell>");
    const auto& cell = r.cells[i++];
    return cell.error() ? std::string("-") : cell.value;
  });
}

TEST(SchemaModel, NamesMatchMondrian) {
  const std::string variant = ::testing::TempDir() + "variant_" + std::to_string(getpid()) + ".xml";
  std::ofstream(variant, std::ios::binary) << kVariant;
  for (const std::string& path : {std::string(SAMPLE_SCHEMA_PATH), variant}) {
    SCOPED_TRACE(path);
    const SchemaModel model = SchemaModel::load(path);
    EngineClient engine(path);
    EXPECT_TRUE(engine.running()) << engine.startupError();
    EXPECT_EQ(describeOnServer(engine, *model.cube("Sales")), describe(*model.cube("Sales")));
  }
  std::remove(variant.c_str());
}

#endif

}  // namespace
