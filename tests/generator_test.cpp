// The generator and its factory.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "mdxgen/mdxgen.h"

TEST(Generator, ServerTypeAndIndependence) {
  MDXQueryGenerator* sales = createMSOLAP8QueryGenerator(L"[Sales]");
  MDXQueryGenerator* budget = createMSOLAP8QueryGenerator(L"[Budget]");
  EXPECT_EQ(sales->GetServerType(), 1);
  MDXField* a = sales->GenerateField(L"[Time].[1997]");
  MDXField* b = budget->GenerateField(L"[Time].[1998]");
  delete sales;
  EXPECT_EQ(a->getText().toUtf8(), "[Time].[1997]");
  EXPECT_EQ(b->getText().toUtf8(), "[Time].[1998]");
  EXPECT_EQ(a->unuse(), 0);
  EXPECT_EQ(b->unuse(), 0);
  delete budget;
}

TEST(Generator, CreatesTheServerStatements) {
  MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
  const std::pair<MDXQuery::QueryType, const std::type_info&> statements[] = {
      {MDXQuery::Select, typeid(MSOLAP8SelectQuery)},
      {MDXQuery::Create, typeid(MSOLAP8CreateQuery)},
      {MDXQuery::Drop, typeid(MSOLAP8DropQuery)},
      {MDXQuery::Alter, typeid(MSOLAP8AlterQuery)},
  };
  for (const auto& [type, cls] : statements) {
    auto_unuse<MDXQuery> q(g->GenerateQuery(type, nullptr));
    EXPECT_EQ(typeid(*q), cls);
    EXPECT_EQ(q->getQueryType(), type);
    EXPECT_TRUE(q->getCubeName() == "[Sales]");
  }
  MSOLAP8QueryGenerator copy(*static_cast<MSOLAP8QueryGenerator*>(g));
  EXPECT_TRUE(copy.getCubeName() == "[Sales]");
  delete g;
}

// The Mondrian generator keeps the members and sets whose CREATE text was
// taken, for the WITH clause of its own later SELECTs, even after it is
// deleted; a refused CREATE defines nothing and a DROP takes them out.
TEST(Generator, MondrianSessionFollowsCreateAndDrop) {
  MDXQueryGenerator* g = createMondrianQueryGenerator(L"[Sales]");
  const std::unique_ptr<MDXQueryGenerator> other(createMondrianQueryGenerator(L"[Sales]"));
  EXPECT_EQ(g->GetServerType(), MDXQueryGenerator::Mondrian);
  auto select = [](MDXQueryGenerator* from) {
    auto_unuse<MDXQuery> q(from->GenerateQuery(MDXQuery::Select, nullptr));
    auto_unuse<MDXSet> axis(from->GenerateSet(VelaString(L"S")));
    static_cast<MDXSelectQuery*>(q.get())->AddAxisSpecification(0, axis.get(), {}, {});
    return q;
  };
  auto create = [&](std::vector<VelaString> names) {
    auto_unuse<MDXQuery> q(g->GenerateQuery(MDXQuery::Create, nullptr));
    auto_unuse<MDXField> member(g->GenerateField(L"[Measures].[M2]"));
    auto_unuse<MDXValue> value(g->GenerateValue(L"[Measures].[M1] * 2"));
    static_cast<MDXCreateQuery*>(q.get())->AddMemberFormula(member.get(), value.get(), -1, names,
                                                            {});
    return q;
  };
  auto_unuse<MDXQuery> later = select(g);
  EXPECT_THROW(create({L"FORMAT_STRING"})->getText(false), MDXError);
  EXPECT_EQ(later->getText(false).toUtf8(), "SELECT S ON COLUMNS FROM [Sales] ");
  const std::string formula = "WITH MEMBER [Measures].[M2] AS ' [Measures].[M1] * 2 ' SELECT ";
  EXPECT_EQ(create({})->getText(false).toUtf8(), formula + "FROM [Sales] ");
  const std::string with = formula + "S ON COLUMNS FROM [Sales] ";
  EXPECT_EQ(later->getText(false).toUtf8(), with);
  EXPECT_EQ(select(other.get())->getText(false).toUtf8(), "SELECT S ON COLUMNS FROM [Sales] ");
  auto_unuse<MDXQuery> drop(g->GenerateQuery(MDXQuery::Drop, nullptr));
  static_cast<MDXDropQuery*>(drop.get())->AddMemberToDrop(L"[Measures].[M2]");
  delete g;
  EXPECT_EQ(later->getText(false).toUtf8(), with);
  EXPECT_EQ(drop->getText(false).toUtf8(), "SELECT FROM [Sales] ");
  EXPECT_EQ(later->getText(false).toUtf8(), "SELECT S ON COLUMNS FROM [Sales] ");
  try {
    other->GenerateQuery(MDXQuery::Alter, nullptr);
    ADD_FAILURE() << "ALTER CUBE was not refused";
  } catch (const MDXError& e) {
    EXPECT_EQ(e.getErrorCode(), MDXError::kNotInDialect);
    EXPECT_EQ(e.getInserts().at(0), "ALTER CUBE");
  }
}
