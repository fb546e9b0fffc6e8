// CREATE, DROP, ALTER CUBE and UPDATE CUBE as whole texts, their errors,
// and what every statement shares: kind, cube name, counter, writeText.
#include <gtest/gtest.h>

#include <functional>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"
#include "tests/raised_code.h"

namespace {

class StatementTest : public ::testing::Test {
 protected:
  ~StatementTest() override { delete generator; }

  template <class Statement>
  Statement* make(MDXQuery::QueryType type) {
    return static_cast<Statement*>(generator->GenerateQuery(type, nullptr));
  }
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXField> m{generator->GenerateField(L"[Measures].[M2]")};
  auto_unuse<MDXValue> v{generator->GenerateValue(VelaString(L"[Measures].[M1] * 2"))};
  auto_unuse<MDXSet> s{generator->GenerateSet(VelaString(L"{ [A] }"))};
  const std::vector<VelaString> none;
};

}  // namespace

TEST_F(StatementTest, Texts) {
  const struct {
    int line;
    std::function<MDXQuery*()> build;
    const char* text;
  } cases[] = {
      {__LINE__,
       [&] {
         auto* q = make<MDXCreateQuery>(MDXQuery::Create);
         q->AddMemberFormula(m.get(), v.get(), -1, none, none);
         return q;
       },
       "CREATE MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] * 2 ' "},
      {__LINE__,
       [&] {
         auto* q = make<MDXCreateQuery>(MDXQuery::Create);
         q->AddMemberFormula(m.get(), v.get(), 3, none, none);
         q->AddSetFormula(L"[S1]", s.get());
         return q;
       },
       "CREATE MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] * 2 ' , SOLVE_ORDER = 3 "
       "SET [Sales].[S1] AS ' { [A] } ' "},
      {__LINE__,
       [&] {
         auto* q = new MDXCreateQuery(L"[Sales]");
         q->AddSetFormula(L"[S1]", s.get());
         return q;
       },
       "CREATE SET [Sales].[S1] AS { [A] } "},
      {__LINE__,
       [&] {
         auto* q = make<MDXCreateQuery>(MDXQuery::Create);
         q->AddSetFormula(L"[S1]", s.get());
         q->AddRawMemberFormula(L"first");
         q->AddRawMemberFormula(L"CREATE SET [x] AS '{}'");
         q->AddMemberFormula(m.get(), v.get(), -1, none, none);
         return q;
       },
       "CREATE SET [x] AS '{}'"},
      {__LINE__,
       [&] {
         auto* q = make<MDXCreateQuery>(MDXQuery::Create);
         q->AddRawMemberFormula(L"");
         return q;
       },
       ""},
      {__LINE__,
       [&] {
         auto* q = make<MDXDropQuery>(MDXQuery::Drop);
         EXPECT_TRUE(q->AddMemberToDrop(L"[Measures].[M2]"));
         EXPECT_TRUE(q->AddMemberToDrop(L"[Measures].[M2]"));
         return q;
       },
       "DROP MEMBER [Sales].[Measures].[M2] [Sales].[Measures].[M2] "},
      {__LINE__,
       [&] {
         auto* q = make<MDXDropQuery>(MDXQuery::Drop);
         EXPECT_TRUE(q->AddSetToDrop(L"[S1]"));
         return q;
       },
       "DROP SET [Sales].[S1] "},
      {__LINE__, [&] { return make<MDXAlterQuery>(MDXQuery::Alter); },
       "ALTER CUBE [Sales] CREATE DIMENSION MEMBER ., KEY = '[]' "},
      {__LINE__,
       [&] {
         auto* q = make<MDXAlterQuery>(MDXQuery::Alter);
         q->addNames(L"[X]", L"Y");
         q->addNames(L"[Product].[All Products]", L"Gadgets");
         return q;
       },
       "ALTER CUBE [Sales] CREATE DIMENSION MEMBER [Product].[All Products].Gadgets, KEY = "
       "'[Gadgets]' "},
      {__LINE__, [&] { return new MDXUpdateQuery(L"[Sales]"); }, "UPDATE CUBE [Sales] SET() =  "},
      {__LINE__,
       [&] {
         auto* q = new MDXUpdateQuery(L"[Sales]");
         VelaString value(L"100");
         q->addNameVector({L"[Z]"});
         q->addNameVector({L"[A].[a1]", L"[B].[b1]"});
         q->addData(value);
         return q;
       },
       "UPDATE CUBE [Sales] SET([A].[a1], [B].[b1]) = 100 "},
      {__LINE__,
       [&] {
         auto* q = new MDXUpdateQuery(L"[Sales]");
         q->addNameVector({L"[A].[a1]"});
         return q;
       },
       "UPDATE CUBE [Sales] SET([A].[a1]) =  "},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXQuery> q(c.build());
    EXPECT_EQ(q->getText(false).toUtf8(), c.text) << "line " << c.line;
    EXPECT_EQ(q->getText(true).toUtf8(), c.text) << "line " << c.line;
    VelaString out(L"old");
    q->writeText(out);
    EXPECT_EQ(out.toUtf8(), c.text) << "line " << c.line;
  }
}

TEST_F(StatementTest, RefusalsChangeNothing) {
  auto_unuse<MDXCreateQuery> create(make<MDXCreateQuery>(MDXQuery::Create));
  auto_unuse<MDXDropQuery> drop(make<MDXDropQuery>(MDXQuery::Drop));
  VelaString out(L"kept");
  EXPECT_EQ(raisedCode([&] { create->writeText(out); }), MDXError::kNothingToCreate);
  EXPECT_EQ(raisedCode([&] { drop->writeText(out); }), MDXError::kNothingToDrop);
  EXPECT_EQ(out.toUtf8(), "kept");
  create->AddMemberFormula(m.get(), v.get(), 1, {L"A", L"B"}, {L"1"});
  EXPECT_EQ(raisedCode([&] { create->getText(false); }), MDXError::kPropertyCountMismatch);
  drop->AddMemberToDrop(L"[M]");
  EXPECT_EQ(raisedCode([&] { drop->AddSetToDrop(L"[S]"); }), MDXError::kDropKindMismatch);
  EXPECT_EQ(drop->getText(false).toUtf8(), "DROP MEMBER [Sales].[M] ");
  auto_unuse<MDXDropQuery> sets(make<MDXDropQuery>(MDXQuery::Drop));
  sets->AddSetToDrop(L"[S]");
  EXPECT_EQ(raisedCode([&] { sets->AddMemberToDrop(L"[M]"); }), MDXError::kDropKindMismatch);
  EXPECT_EQ(sets->getText(false).toUtf8(), "DROP SET [Sales].[S] ");
}

TEST_F(StatementTest, SharedBase) {
  LogCapture capture(5);
  auto_unuse<MDXQuery> alter(generator->GenerateQuery(MDXQuery::Alter, nullptr));
  auto_unuse<MDXQuery> update(new MDXUpdateQuery(L"[Budget]"));
  EXPECT_EQ(update->getInstanceNumber(), alter->getInstanceNumber() + 1);
  EXPECT_EQ(update->getQueryType(), MDXQuery::Update);
  ASSERT_EQ(capture.messages().size(), 2u);
  for (const auto& message : capture.messages())
    EXPECT_EQ(message.rfind("MDXQuery: Instance ", 0), 0u);
  // A statement keeps its own copy of the cube name.
  delete generator;
  generator = nullptr;
  EXPECT_EQ(alter->getText(false).toUtf8(),
            "ALTER CUBE [Sales] CREATE DIMENSION MEMBER ., KEY = '[]' ");
}

TEST_F(StatementTest, CreateHoldsItsFormulasFragments) {
  MDXCreateQuery* create = make<MDXCreateQuery>(MDXQuery::Create);
  create->AddMemberFormula(m.get(), v.get(), -1, none, none);
  create->AddSetFormula(L"[S1]", s.get());
  create->AddSetFormula(L"[S2]", s.get());
  EXPECT_EQ(m->getRefCount(), 2);
  EXPECT_EQ(v->getRefCount(), 2);
  EXPECT_EQ(s->getRefCount(), 3);
  create->unuse();
  EXPECT_EQ(m->getRefCount(), 1);
  EXPECT_EQ(v->getRefCount(), 1);
  EXPECT_EQ(s->getRefCount(), 1);
}
