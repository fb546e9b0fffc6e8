// The generator and its factory.
#include <gtest/gtest.h>

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
  const struct {
    MDXQuery::QueryType type;
    bool (*is)(MDXQuery*);
  } statements[] = {
      {MDXQuery::Select, [](MDXQuery* q) { return dynamic_cast<MSOLAP8SelectQuery*>(q) != nullptr; }},
      {MDXQuery::Create, [](MDXQuery* q) { return dynamic_cast<MSOLAP8CreateQuery*>(q) != nullptr; }},
      {MDXQuery::Drop, [](MDXQuery* q) { return dynamic_cast<MSOLAP8DropQuery*>(q) != nullptr; }},
      {MDXQuery::Alter, [](MDXQuery* q) { return dynamic_cast<MSOLAP8AlterQuery*>(q) != nullptr; }},
  };
  for (const auto& s : statements) {
    auto_unuse<MDXQuery> q(g->GenerateQuery(s.type, nullptr));
    EXPECT_TRUE(s.is(q.get()));
    EXPECT_EQ(q->getQueryType(), s.type);
    EXPECT_TRUE(q->getCubeName() == "[Sales]");
  }
  MSOLAP8QueryGenerator copy(*static_cast<MSOLAP8QueryGenerator*>(g));
  EXPECT_TRUE(copy.getCubeName() == "[Sales]");
  delete g;
}
