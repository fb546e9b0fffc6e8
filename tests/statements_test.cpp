// CREATE, DROP, ALTER CUBE and UPDATE CUBE as whole texts, their errors,
// and what every statement shares: kind, cube name, counter, writeText.
#include <gtest/gtest.h>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"
#include "tests/raised_code.h"

namespace {

class StatementTest : public ::testing::Test {
 protected:
  ~StatementTest() override { delete generator; }

  template <class Statement>
  auto_unuse<Statement> make(MDXQuery::QueryType type) {
    return auto_unuse<Statement>(static_cast<Statement*>(generator->GenerateQuery(type, nullptr)));
  }
  // The one-line text, the same whatever the layout flag and from writeText.
  static std::string text(const MDXQuery* q) {
    VelaString out(L"old");
    q->writeText(out);
    EXPECT_EQ(q->getText(true).toUtf8(), out.toUtf8());
    return q->getText(false).toUtf8();
  }
  std::vector<long> counts() const {
    return {m->getRefCount(), v->getRefCount(), s->getRefCount()};
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXField> m{generator->GenerateField(L"[Measures].[M2]")};
  auto_unuse<MDXValue> v{generator->GenerateValue(VelaString(L"[Measures].[M1] * 2"))};
  auto_unuse<MDXSet> s{generator->GenerateSet(VelaString(L"{ [A] }"))};
  const std::vector<VelaString> none;
};

}  // namespace

TEST_F(StatementTest, Create) {
  auto q = make<MDXCreateQuery>(MDXQuery::Create);
  EXPECT_EQ(raisedCode([&] { q->getText(false); }), MDXError::kNothingToCreate);
  q->AddMemberFormula(m.get(), v.get(), -1, none, none);
  EXPECT_EQ(text(q.get()), "CREATE MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] * 2 ' ");
  q->AddSetFormula(L"[S1]", s.get());
  EXPECT_EQ(text(q.get()),
            "CREATE MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] * 2 ' SET [Sales].[S1] AS "
            "' { [A] } ' ");
  EXPECT_EQ(counts(), (std::vector<long>{2, 2, 2}));
  q->AddRawMemberFormula(L"");
  EXPECT_EQ(text(q.get()), "");
  q->AddRawMemberFormula(L"CREATE SET [x] AS '{}'");
  q->AddSetFormula(L"[S2]", s.get());
  EXPECT_EQ(text(q.get()), "CREATE SET [x] AS '{}'");

  auto_unuse<MDXCreateQuery> plain(new MDXCreateQuery(L"[Sales]"));
  plain->AddSetFormula(L"[S1]", s.get());
  EXPECT_EQ(text(plain.get()), "CREATE SET [Sales].[S1] AS { [A] } ");
  plain->AddMemberFormula(m.get(), v.get(), 1, {L"A", L"B"}, {L"1"});
  EXPECT_EQ(raisedCode([&] { plain->getText(false); }), MDXError::kPropertyCountMismatch);
  q.reset();
  plain.reset();
  EXPECT_EQ(counts(), (std::vector<long>{1, 1, 1}));
}

TEST_F(StatementTest, DropMembersOrSets) {
  auto members = make<MDXDropQuery>(MDXQuery::Drop);
  EXPECT_EQ(raisedCode([&] { members->getText(false); }), MDXError::kNothingToDrop);
  EXPECT_TRUE(members->AddMemberToDrop(L"[Measures].[M2]"));
  EXPECT_TRUE(members->AddMemberToDrop(L"[Measures].[M2]"));
  EXPECT_EQ(raisedCode([&] { members->AddSetToDrop(L"[S]"); }), MDXError::kDropKindMismatch);
  EXPECT_EQ(text(members.get()), "DROP MEMBER [Sales].[Measures].[M2] [Sales].[Measures].[M2] ");
  auto sets = make<MDXDropQuery>(MDXQuery::Drop);
  EXPECT_TRUE(sets->AddSetToDrop(L"[S1]"));
  EXPECT_EQ(raisedCode([&] { sets->AddMemberToDrop(L"[M]"); }), MDXError::kDropKindMismatch);
  EXPECT_EQ(text(sets.get()), "DROP SET [Sales].[S1] ");
}

TEST_F(StatementTest, AlterAndUpdate) {
  auto alter = make<MDXAlterQuery>(MDXQuery::Alter);
  EXPECT_EQ(text(alter.get()), "ALTER CUBE [Sales] CREATE DIMENSION MEMBER ., KEY = '[]' ");
  alter->addNames(L"[X]", L"Y");
  alter->addNames(L"[Product].[All Products]", L"Gadgets");
  EXPECT_EQ(text(alter.get()),
            "ALTER CUBE [Sales] CREATE DIMENSION MEMBER [Product].[All Products].Gadgets, "
            "KEY = '[Gadgets]' ");
  auto_unuse<MDXUpdateQuery> update(new MDXUpdateQuery(L"[Sales]"));
  EXPECT_EQ(text(update.get()), "UPDATE CUBE [Sales] SET() =  ");
  update->addNameVector({L"[A].[a1]"});
  EXPECT_EQ(text(update.get()), "UPDATE CUBE [Sales] SET([A].[a1]) =  ");
  VelaString value(L"100");
  update->addNameVector({L"[A].[a1]", L"[B].[b1]"});
  update->addData(value);
  EXPECT_EQ(text(update.get()), "UPDATE CUBE [Sales] SET([A].[a1], [B].[b1]) = 100 ");
}

TEST_F(StatementTest, SharedBase) {
  LogCapture capture(5);
  auto alter = make<MDXQuery>(MDXQuery::Alter);
  auto_unuse<MDXQuery> update(new MDXUpdateQuery(L"[Budget]"));
  EXPECT_EQ(update->getInstanceNumber(), alter->getInstanceNumber() + 1);
  EXPECT_EQ(update->getQueryType(), MDXQuery::Update);
  ASSERT_EQ(capture.messages().size(), 2u);
  for (const auto& message : capture.messages()) EXPECT_EQ(message.rfind("MDXQuery: ", 0), 0u);
  // A statement keeps its own copy of the cube name.
  delete generator;
  generator = nullptr;
  EXPECT_EQ(text(alter.get()), "ALTER CUBE [Sales] CREATE DIMENSION MEMBER ., KEY = '[]' ");
}
