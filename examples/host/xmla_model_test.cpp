// The host model read over XMLA from the embedded server agrees with the
// model read from the sample schema the server serves; members come from
// the server on demand.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "schema_model.h"
#include "tests/server/xmla_server.h"
#include "xmla_model.h"

namespace {

std::string u8(const VelaString& s) { return s.toUtf8(); }

// One line per hierarchy: dimension, hierarchy, levels by depth and one past
// the deepest, All member, calculated members with hierarchy and parent.
template <class Cube>
std::string describe(const Cube& cube) {
  std::string text;
  for (const auto& d : cube.dimensions()) {
    for (const auto& h : d->hierarchies()) {
      text += u8(d->getUniqueName()) + " " + u8(h->getUniqueName()) + ":";
      for (int depth = 0; depth <= h->getLevelCount(); ++depth) {
        const auto* level = h->getLevel(depth);
        text += " " + (level ? u8(level->getUniqueName()) : "-");
      }
      if (h->hasAll()) text += "; all " + u8(h->allMemberUniqueName());
      std::map<std::uint32_t, KIVA_o::Calculation*> calculations;
      h->getCalculations(&calculations);
      for (const auto& [key, c] : calculations) {
        text += "; calc " + u8(c->getUniqueName()) + " in " + u8(c->getHierarchy()->getUniqueName());
        if (!c->getParentUniqueName().empty()) text += " below " + u8(c->getParentUniqueName());
      }
      text += "\n";
    }
  }
  return text;
}

TEST(XmlaModel, AgreesWithTheSchemaAndReadsMembersOnDemand) {
  server_test::XmlaServer server(MDXGEN_XMLA_SERVER_LAUNCHER);
  xmla_host::XmlaModel model(server.options(), server.properties());
  const xmla_host::XmlaCube* cube = model.cube("[Sales]");
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(model.cube("Sales"), cube);
  EXPECT_EQ(model.cube("Warehouse"), nullptr);
  const auto schema = schema_host::SchemaModel::load(SAMPLE_SCHEMA_PATH);
  const auto& reference = *schema.cube("Sales");
  EXPECT_EQ(describe(*cube), describe(reference));
  EXPECT_EQ(cube->measureNames(), reference.measureNames());
  EXPECT_EQ(cube->level("[Store].[Store City]")->depth(), 3);

  // Hostile names: non-ASCII, apostrophe, bracket.
  for (const char* name : {"[Store].[Switzerland].[ZH].[Zürich]", "[Store].[USA].[ID].[Coeur d'Alene]",
                           "[Product].[Non-Consumable].[Electronics].[Gadgets [New]]]"}) {
    const auto* member = cube->member(name);
    ASSERT_NE(member, nullptr) << name;
    EXPECT_EQ(u8(member->getUniqueName()), name);
    EXPECT_EQ(member->levelNumber(), 3);
    EXPECT_EQ(cube->member(name), member) << "kept after the first read";
  }
  EXPECT_EQ(u8(cube->member("[Product].[Non-Consumable].[Electronics].[Gadgets [New]]]")->caption()),
            "Gadgets [New]");
  EXPECT_EQ(cube->member("[Store].[Atlantis]"), nullptr);
  std::string cities;
  for (const auto* m : cube->children("[Store].[Switzerland].[ZH]")) cities += u8(m->caption()) + ";";
  EXPECT_EQ(cities, "Zürich;");
  EXPECT_EQ(cube->levelMembers("[Time].[Year]").size(), 2u);

  // An unknown member is the server's own error, code and message.
  mdxgen::xmla::Client client(server.options());
  try {
    client.execute("SELECT {[Store].[Atlantis]} ON 0 FROM [Sales]", server.properties());
    ADD_FAILURE() << "an unknown member must be refused";
  } catch (const mdxgen::xmla::Error& error) {
    EXPECT_EQ(error.kind(), mdxgen::xmla::ErrorKind::kServer);
    EXPECT_FALSE(error.code().empty());
    EXPECT_NE(error.description().find("'[Store].[Atlantis]' not found in cube 'Sales'"),
              std::string::npos) << error.description();
  }
}

}  // namespace
