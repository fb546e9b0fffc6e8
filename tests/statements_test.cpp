// CREATE, DROP, ALTER CUBE and UPDATE CUBE as whole texts, their errors,
// and what every statement shares: kind, cube name, counter, writeText.
#include "tests/log_capture.h"
#include "tests/text_cases.h"

namespace {

class StatementTest : public GeneratorTest {
 protected:
  template <class Statement>
  Statement* make(MDXQuery::QueryType type) {
    return hold(static_cast<Statement*>(generator->GenerateQuery(type, nullptr)));
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

  MDXField* m = field(L"[Measures].[M2]");
  MDXValue* v = value(L"[Measures].[M1] * 2");
  MDXSet* s = set(L"{ [A's] }");
  const std::vector<VelaString> none;
};

}  // namespace

TEST_F(StatementTest, Create) {
  auto* q = make<MDXCreateQuery>(MDXQuery::Create);
  EXPECT_EQ(refusal([&] { q->getText(false); }), Refusal(MDXError::kNothingToCreate, {}));
  q->AddMemberFormula(m, v, -1, none, none);
  q->AddSetFormula(L"[S1]", s);
  EXPECT_EQ(text(q), "CREATE MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] * 2 ' SET "
                     "[Sales].[S1] AS ' { [A''s] } ' ");
  EXPECT_EQ(counts(), (std::vector<long>{2, 2, 2}));
  q->AddRawMemberFormula(L"CREATE SET [x] AS '{}'");
  q->AddSetFormula(L"[S2]", s);
  EXPECT_EQ(text(q), "CREATE SET [x] AS '{}'");
  auto* raw = make<MDXCreateQuery>(MDXQuery::Create);
  raw->AddRawMemberFormula(L"");
  EXPECT_EQ(text(raw), "");

  auto_unuse<MDXCreateQuery> plain(new MDXCreateQuery(L"[Sales]"));
  plain->AddSetFormula(L"[S1]", s);
  EXPECT_EQ(text(plain.get()), "CREATE SET [Sales].[S1] AS { [A's] } ");
  plain->AddMemberFormula(m, v, 1, {L"A", L"B"}, {L"1"});
  EXPECT_EQ(refusal([&] { plain->getText(false); }), Refusal(MDXError::kPropertyCountMismatch, {}));
  plain.reset();
  EXPECT_EQ(counts(), (std::vector<long>{2, 2, 3}));
}

TEST_F(StatementTest, DropMembersOrSets) {
  auto* members = make<MDXDropQuery>(MDXQuery::Drop);
  EXPECT_EQ(refusal([&] { members->getText(false); }), Refusal(MDXError::kNothingToDrop, {}));
  EXPECT_TRUE(members->AddMemberToDrop(L"[Measures].[M2]"));
  EXPECT_TRUE(members->AddMemberToDrop(L"[Measures].[M2]"));
  EXPECT_EQ(refusal([&] { members->AddSetToDrop(L"[S]"); }),
            Refusal(MDXError::kDropKindMismatch, {}));
  EXPECT_EQ(text(members), "DROP MEMBER [Sales].[Measures].[M2] [Sales].[Measures].[M2] ");
  auto* sets = make<MDXDropQuery>(MDXQuery::Drop);
  EXPECT_TRUE(sets->AddSetToDrop(L"[S1]"));
  EXPECT_EQ(refusal([&] { sets->AddMemberToDrop(L"[M]"); }),
            Refusal(MDXError::kDropKindMismatch, {}));
  EXPECT_EQ(text(sets), "DROP SET [Sales].[S1] ");
}

TEST_F(StatementTest, AlterAndUpdate) {
  auto* alter = make<MDXAlterQuery>(MDXQuery::Alter);
  EXPECT_EQ(text(alter), "ALTER CUBE [Sales] CREATE DIMENSION MEMBER ., KEY = '[]' ");
  alter->addNames(L"[X]", L"Y");
  alter->addNames(L"[Product].[All Products]", L"Gadgets");
  EXPECT_EQ(text(alter),
            "ALTER CUBE [Sales] CREATE DIMENSION MEMBER [Product].[All Products].Gadgets, "
            "KEY = '[Gadgets]' ");
  auto* update = hold(new MDXUpdateQuery(L"[Sales]"));
  EXPECT_EQ(text(update), "UPDATE CUBE [Sales] SET() =  ");
  update->addNameVector({L"[A].[a1]"});
  VelaString value(L"100");
  update->addData(value);
  EXPECT_EQ(text(update), "UPDATE CUBE [Sales] SET([A].[a1]) = 100 ");
  update->addNameVector({L"[A].[a1]", L"[B].[b1]"});
  update->addData(value);
  EXPECT_EQ(text(update), "UPDATE CUBE [Sales] SET([A].[a1], [B].[b1]) = 100 ");
}

TEST_F(StatementTest, SharedBase) {
  LogCapture capture(5);
  auto* alter = make<MDXQuery>(MDXQuery::Alter);
  auto* update = hold<MDXQuery>(new MDXUpdateQuery(L"[Budget]"));
  EXPECT_EQ(update->getInstanceNumber(), alter->getInstanceNumber() + 1);
  EXPECT_EQ(update->getQueryType(), MDXQuery::Update);
  ASSERT_EQ(capture.messages().size(), 2u);
  for (const auto& message : capture.messages()) EXPECT_EQ(message.rfind("MDXQuery: ", 0), 0u);
  // A statement keeps its own copy of the cube name.
  delete generator;
  generator = nullptr;
  EXPECT_EQ(text(alter), "ALTER CUBE [Sales] CREATE DIMENSION MEMBER ., KEY = '[]' ");
}
