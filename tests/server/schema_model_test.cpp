// The schema host model: structure and unique names read from the schema
// XML, checked against fixed expectations and, where the embedded engine is
// built, against the names Mondrian itself reports for the same file.

#include "schema_model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef MDXGEN_TEST_WITH_ENGINE
#include "engine_client.h"
#endif

namespace {

using schema_host::SchemaCube;
using schema_host::SchemaError;
using schema_host::SchemaHierarchy;
using schema_host::SchemaModel;

std::string u8(const VelaString& s) { return s.toUtf8(); }

// Unique names of a hierarchy's levels, top first.
std::vector<std::string> levelNames(const SchemaHierarchy& h) {
  std::vector<std::string> names;
  for (int d = 0; d < h.getLevelCount(); ++d) names.push_back(u8(h.getLevel(d)->getUniqueName()));
  return names;
}

// The library's view of a hierarchy's calculations, in key order.
std::vector<const KIVA_o::Calculation*> calculations(const KIVA_o::Hierarchy& h) {
  std::map<std::uint32_t, KIVA_o::Calculation*> map;
  h.getCalculations(&map);
  std::vector<const KIVA_o::Calculation*> list;
  for (const auto& entry : map) list.push_back(entry.second);
  return list;
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

TEST(SchemaModel, SampleCubeStructure) {
  SchemaModel model = SchemaModel::load(SAMPLE_SCHEMA_PATH);
  EXPECT_EQ(u8(model.name()), "SalesSample");
  ASSERT_EQ(model.cubes().size(), 1u);
  const SchemaCube* cube = model.cube("Sales");
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(model.cube("[Sales]"), cube);
  EXPECT_EQ(model.cube("Warehouse"), nullptr);

  std::vector<std::string> dims;
  for (const auto& d : cube->dimensions()) dims.push_back(u8(d->getUniqueName()));
  EXPECT_EQ(dims, (std::vector<std::string>{"[Measures]", "[Time]", "[Store]", "[Product]"}));
  EXPECT_TRUE(cube->dimensions()[0]->isMeasures());

  const SchemaHierarchy* store = cube->hierarchy("[Store]");
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(levelNames(*store),
            (std::vector<std::string>{"[Store].[(All)]", "[Store].[Store Country]",
                                      "[Store].[Store State]", "[Store].[Store City]"}));
  EXPECT_EQ(store->getLevel(4), nullptr);
  EXPECT_EQ(store->getLevel(-1), nullptr);
  EXPECT_EQ(u8(store->allMemberUniqueName()), "[Store].[All Stores]");
  EXPECT_EQ(&store->dimension(), cube->dimension("Store"));

  const SchemaHierarchy* measures = cube->hierarchy("Measures");
  ASSERT_NE(measures, nullptr);
  EXPECT_EQ(levelNames(*measures), (std::vector<std::string>{"[Measures].[MeasuresLevel]"}));
  EXPECT_FALSE(measures->hasAll());
  EXPECT_TRUE(measures->allMemberUniqueName().empty());
  std::vector<std::string> measureNames;
  for (const auto& m : cube->measureNames()) measureNames.push_back(u8(m));
  EXPECT_EQ(measureNames, (std::vector<std::string>{"Unit Sales", "Store Sales"}));

  const SchemaHierarchy* time = cube->hierarchy("Time");
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(u8(time->allMemberUniqueName()), "[Time].[All Periods]");
  EXPECT_EQ(u8(time->getLevel(3)->getUniqueName()), "[Time].[Month]");
}

TEST(SchemaModel, CalculatedMembersThroughTheHostInterface) {
  SchemaModel model = SchemaModel::load(SAMPLE_SCHEMA_PATH);
  const SchemaCube& cube = *model.cube("Sales");

  auto measureCalcs = calculations(*cube.hierarchy("[Measures]"));
  ASSERT_EQ(measureCalcs.size(), 1u);
  EXPECT_EQ(u8(measureCalcs[0]->getUniqueName()), "[Measures].[Average Price]");
  EXPECT_TRUE(measureCalcs[0]->getParentUniqueName().empty());
  EXPECT_EQ(measureCalcs[0]->getHierarchy(), cube.hierarchy("[Measures]"));

  auto timeCalcs = calculations(*cube.hierarchy("[Time]"));
  ASSERT_EQ(timeCalcs.size(), 1u);
  EXPECT_EQ(u8(timeCalcs[0]->getUniqueName()), "[Time].[2024].[First Half]");
  EXPECT_EQ(u8(timeCalcs[0]->getParentUniqueName()), "[Time].[2024]");
  EXPECT_EQ(cube.calculation("[Time].[2024].[First Half]"), timeCalcs[0]);
  EXPECT_NE(u8(cube.calculation("[Time].[2024].[First Half]")->formula()).find("Aggregate"),
            std::string::npos);

  EXPECT_TRUE(calculations(*cube.hierarchy("[Store]")).empty());
}

TEST(SchemaModel, LookupsAndMembers) {
  SchemaModel model = SchemaModel::load(SAMPLE_SCHEMA_PATH);
  const SchemaCube& cube = *model.cube("Sales");

  const auto* city = cube.level("[Store].[Store City]");
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(city->depth(), 3);
  EXPECT_EQ(cube.hierarchy("Store")->level("Store City"), city);
  EXPECT_EQ(cube.level("[Store].[Store Town]"), nullptr);
  ASSERT_EQ(city->propertyNames().size(), 2u);
  EXPECT_EQ(u8(city->propertyUniqueName(city->propertyNames()[1])),
            "[Store].[Store City].[Manager]");

  EXPECT_EQ(u8(cube.measure("Unit Sales")->getUniqueName()), "[Measures].[Unit Sales]");
  EXPECT_EQ(u8(cube.measure("Average Price")->getUniqueName()), "[Measures].[Average Price]");
  EXPECT_EQ(cube.measure("Profit"), nullptr);

  // Members are made from unique names, once per name; UTF-8 in, wide out.
  const KIVA_o::Member* zurich = cube.member("[Store].[Switzerland].[ZH].[Zürich]");
  EXPECT_EQ(zurich, cube.member(VelaString(L"[Store].[Switzerland].[ZH].[Z\u00FCrich]")));
  EXPECT_EQ(zurich->getUniqueName().wstr(), L"[Store].[Switzerland].[ZH].[Z\u00FCrich]");
  EXPECT_NE(zurich, cube.member("[Store].[Switzerland].[VD].[Lausanne]"));

  EXPECT_EQ(u8(schema_host::bracket("Gadgets [New]")), "[Gadgets [New]]]");
  EXPECT_EQ(u8(schema_host::bracket("a]]b")), "[a]]]]b]");
}

TEST(SchemaModel, MondrianNamingRules) {
  SchemaModel model = SchemaModel::parse(kVariant);
  const SchemaCube& cube = *model.cube("Sales");

  const SchemaHierarchy* outlet = cube.hierarchy("[Outlet]");
  ASSERT_NE(outlet, nullptr);
  EXPECT_EQ(outlet, cube.hierarchy("Outlet"));
  EXPECT_EQ(levelNames(*outlet), (std::vector<std::string>{"[Outlet].[(All)]", "[Outlet].[Country]",
                                                           "[Outlet].[Shop's City]"}));
  EXPECT_EQ(u8(outlet->allMemberUniqueName()), "[Outlet].[All Outlets]");

  const SchemaHierarchy* bySize = cube.hierarchy("[Outlet.By Size]");
  ASSERT_NE(bySize, nullptr);
  EXPECT_EQ(&bySize->dimension(), cube.dimension("[Outlet]"));
  EXPECT_EQ(levelNames(*bySize),
            (std::vector<std::string>{"[Outlet.By Size].[Everything]", "[Outlet.By Size].[Size]"}));
  EXPECT_EQ(u8(bySize->allMemberUniqueName()), "[Outlet.By Size].[Every [Size]]]");
  auto sizeCalcs = calculations(*bySize);
  ASSERT_EQ(sizeCalcs.size(), 1u);
  EXPECT_EQ(u8(sizeCalcs[0]->getUniqueName()), "[Outlet.By Size].[Big]]Ones]");

  const SchemaHierarchy* kind = cube.hierarchy("Kind");
  ASSERT_NE(kind, nullptr);
  EXPECT_FALSE(kind->hasAll());
  EXPECT_EQ(levelNames(*kind), (std::vector<std::string>{"[Kind].[Family]"}));

  EXPECT_EQ(u8(cube.hierarchy("Time")->allMemberUniqueName()), "[Time].[All Times]");
  ASSERT_NE(cube.calculation("[Time].[2024].[Again]"), nullptr);
  EXPECT_EQ(u8(cube.calculation("[Measures].[Double]")->formula()), "[Measures].[Units] * 2");
  EXPECT_EQ(cube.dimension("Shop"), nullptr);  // only its usage is in the cube
}

TEST(SchemaModel, BadSchemasAreRejectedWithReasons) {
  auto message = [](const std::string& xml) -> std::string {
    try {
      SchemaModel::parse(xml);
    } catch (const SchemaError& e) {
      return e.what();
    }
    return "accepted";
  };
  EXPECT_NE(message("<Schema><Cube name='C'>").find("schema text:"), std::string::npos);
  EXPECT_NE(message("<Other/>").find("no <Schema>"), std::string::npos);
  EXPECT_NE(message("<Schema name='S'/>").find("no <Cube>"), std::string::npos);
  EXPECT_NE(message("<Schema><Cube name='C'><DimensionUsage source='Nope' name='X'/></Cube>"
                    "</Schema>")
                .find("unknown shared dimension 'Nope'"),
            std::string::npos);
  EXPECT_NE(message("<Schema><Cube name='C'><CalculatedMember name='M' dimension='Nope' "
                    "formula='1'/></Cube></Schema>")
                .find("unknown dimension 'Nope'"),
            std::string::npos);
  EXPECT_NE(message("<Schema><Cube name='C'><Dimension name='D'><Hierarchy/></Dimension></Cube>"
                    "</Schema>")
                .find("has no <Level>"),
            std::string::npos);
  EXPECT_NE(message("<Schema><Cube name='C'><Dimension><Hierarchy/></Dimension></Cube></Schema>")
                .find("<Dimension> in cube C without a name attribute"),
            std::string::npos);
  EXPECT_THROW(SchemaModel::load("/nonexistent/schema.xml"), SchemaError);
}

#ifdef MDXGEN_TEST_WITH_ENGINE

using mdxgen::engine::EngineClient;
using mdxgen::engine::EngineOptions;
using mdxgen::engine::EngineResult;

// Asks the engine, in one statement, for the unique names of everything the
// model describes, and compares them with the model's.
void expectEngineAgrees(EngineClient& engine, const SchemaCube& cube) {
  struct Check {
    std::string expression;  // MDX returning a string or failing in the cell
    std::string expected;    // empty: the cell must be an error
  };
  std::vector<Check> checks;
  for (const auto& d : cube.dimensions()) {
    for (const auto& h : d->hierarchies()) {
      const std::string hu = u8(h->getUniqueName());
      checks.push_back({hu + ".UniqueName", hu});
      checks.push_back({hu + ".Dimension.UniqueName", u8(d->getUniqueName())});
      for (int depth = 0; depth < h->getLevelCount(); ++depth) {
        checks.push_back({hu + ".Levels(" + std::to_string(depth) + ").UniqueName",
                          u8(h->getLevel(depth)->getUniqueName())});
      }
      // One past the deepest level does not exist on the server either.
      checks.push_back({hu + ".Levels(" + std::to_string(h->getLevelCount()) + ").UniqueName", ""});
      if (h->hasAll()) {
        checks.push_back({hu + ".Levels(0).Members.Item(0).UniqueName",
                          u8(h->allMemberUniqueName())});
      }
      for (const auto& c : h->calculations()) {
        const std::string cu = u8(c->getUniqueName());
        checks.push_back({cu + ".UniqueName", cu});
        checks.push_back({cu + ".Hierarchy.UniqueName", hu});
        if (!c->getParentUniqueName().empty()) {
          checks.push_back({cu + ".Parent.UniqueName", u8(c->getParentUniqueName())});
        }
      }
    }
  }

  std::string with = "WITH\n";
  std::string columns;
  for (std::size_t i = 0; i < checks.size(); ++i) {
    std::string formula;
    for (char ch : checks[i].expression) {
      formula += ch;
      if (ch == '\'') formula += '\'';
    }
    const std::string name = "[Measures].[check " + std::to_string(i) + "]";
    with += " MEMBER " + name + " AS '" + formula + "'\n";
    columns += (i ? ", " : "") + name;
  }
  EngineResult r =
      engine.mdx(with + "SELECT {" + columns + "} ON 0 FROM " + u8(cube.uniqueName()));
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.cells.size(), checks.size());
  for (std::size_t i = 0; i < checks.size(); ++i) {
    if (checks[i].expected.empty()) {
      EXPECT_TRUE(r.cells[i].error()) << checks[i].expression << " gave " << r.cells[i].value;
    } else {
      EXPECT_EQ(r.cells[i].value, checks[i].expected) << checks[i].expression;
    }
  }
}

TEST(SchemaModelOnEngine, SampleNamesMatchMondrian) {
  EngineClient engine;
  ASSERT_TRUE(engine.running()) << engine.startupError();
  SchemaModel model = SchemaModel::load(SAMPLE_SCHEMA_PATH);
  expectEngineAgrees(engine, *model.cube("Sales"));
}

TEST(SchemaModelOnEngine, VariantNamesMatchMondrian) {
  std::string path = ::testing::TempDir() + "schema_model_variant_" +
                     std::to_string(::getpid()) + ".xml";
  {
    std::ofstream out(path, std::ios::binary);
    out << kVariant;
  }
  EngineOptions options = EngineOptions::sample();
  options.schema = path;
  EngineClient engine(options);
  std::remove(path.c_str());  // the engine has read it
  ASSERT_TRUE(engine.running()) << engine.startupError();
  SchemaModel model = SchemaModel::parse(kVariant);
  expectEngineAgrees(engine, *model.cube("Sales"));
}

// Texts the library builds from the model's objects run on the server and
// select what the same data says they should.
TEST(SchemaModelOnEngine, LibraryTextsFromModelObjectsRun) {
  EngineClient engine;
  ASSERT_TRUE(engine.running()) << engine.startupError();
  SchemaModel model = SchemaModel::load(SAMPLE_SCHEMA_PATH);
  const SchemaCube& cube = *model.cube("Sales");
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(cube.uniqueName());

  MDXSet* cities = generator->GenerateSet(cube.level("[Store].[Store City]"));
  MDXField* gadgets =
      generator->GenerateField(cube.member("[Product].[Non-Consumable].[Electronics].[Gadgets [New]]]"));
  MDXField* zurich = generator->GenerateField(cube.level("[Store].[Store City]"), L"Z\u00FCrich");
  MDXField* firstHalf = generator->GenerateField(cube.calculation("[Time].[2024].[First Half]"),
                                                 L"First Half");
  const std::string citiesText = u8(cities->getText());
  const std::string gadgetsText = u8(gadgets->getText());
  const std::string zurichText = u8(zurich->getText());
  const std::string firstHalfText = u8(firstHalf->getText());
  firstHalf->unuse();
  zurich->unuse();
  gadgets->unuse();
  cities->unuse();
  delete generator;

  EngineResult byCity = engine.mdx("SELECT {[Measures].[Unit Sales]} ON 0, " + citiesText +
                                   " ON 1 FROM [Sales] WHERE (" + gadgetsText + ")");
  ASSERT_TRUE(byCity.ok) << byCity.error;
  EngineResult stores = engine.sql("SELECT COUNT(*) FROM store");
  ASSERT_TRUE(stores.ok) << stores.error;
  EXPECT_EQ(std::to_string(byCity.axes.at(1).positions.size()), stores.rows.at(0).at(0).value_or(""));
  EngineResult gadgetUnits = engine.sql(
      "SELECT SUM(f.unit_sales) FROM sales_fact f JOIN product p ON p.product_id = f.product_id"
      " JOIN store s ON s.store_id = f.store_id"
      " WHERE p.product_category = 'Gadgets [New]' AND s.store_city = 'Zürich'");
  ASSERT_TRUE(gadgetUnits.ok) << gadgetUnits.error;
  bool found = false;
  for (std::size_t i = 0; i < byCity.axes[1].positions.size(); ++i) {
    if (byCity.axes[1].positions[i][0] == "[Store].[Switzerland].[ZH].[Zürich]") {
      found = true;
      EXPECT_EQ(byCity.cell({0, i}).value, gadgetUnits.rows.at(0).at(0).value_or(""));
    }
  }
  EXPECT_TRUE(found);

  EngineResult zurichRow =
      engine.mdx("SELECT {[Measures].[Unit Sales]} ON 0, {" + zurichText + "} ON 1 FROM [Sales]");
  ASSERT_TRUE(zurichRow.ok) << zurichRow.error;
  EXPECT_EQ(zurichRow.axes.at(1).positions.at(0).at(0), "[Store].[Switzerland].[ZH].[Zürich]");
  EngineResult half = engine.mdx("SELECT {[Measures].[Unit Sales]} ON 0, {" + firstHalfText +
                                 ", [Time].[2024].[Q1], [Time].[2024].[Q2]} ON 1 FROM [Sales]");
  ASSERT_TRUE(half.ok) << half.error;
  ASSERT_EQ(half.cells.size(), 3u);
  EXPECT_EQ(half.cells[0].number(), half.cells[1].number() + half.cells[2].number());
}

#else

TEST(SchemaModelOnEngine, SampleNamesMatchMondrian) {
  GTEST_SKIP() << "built without the embedded engine";
}

#endif

}  // namespace
