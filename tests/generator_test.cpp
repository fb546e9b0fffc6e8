// The generator and its factory.
#include <gtest/gtest.h>

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
