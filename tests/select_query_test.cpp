// SELECT: the worked example in both forms, every clause as a whole text,
// its two errors, and what a statement gives back when it ends.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"
#include "tests/raised_code.h"

namespace {

class SelectTest : public ::testing::Test {
 protected:
  ~SelectTest() override { delete generator; }

  MDXSelectQuery* newSelect() {
    return static_cast<MDXSelectQuery*>(generator->GenerateQuery(MDXQuery::Select, nullptr));
  }
  static std::string text(const MDXQuery* q, bool laidOut = false) {
    return q->getText(laidOut).toUtf8();
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXSet> s{generator->GenerateSet(VelaString(L"[D].[L1].MEMBERS"))};
  auto_unuse<MDXField> a{generator->GenerateField(L"[T].[Y1]")};
  const std::vector<VelaString> none;
};

}  // namespace

TEST_F(SelectTest, WorkedExample) {
  auto_unuse<MDXSelectQuery> q(newSelect());
  auto_unuse<MDXField> m2(generator->GenerateField(L"[Measures].[M2]"));
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"[Measures].[M1] * 2")));
  auto_unuse<MDXSet> measures(
      generator->GenerateSet(VelaString(L"{[Measures].[M1], [Measures].[M2]}")));
  q->AddMemberFormula(m2.get(), v.get(), 1, none, none);
  q->AddAxisSpecification(0, measures.get(), none, MDXSelectQuery::NonEmpty);
  q->AddAxisSpecification(1, s.get(), {L"[D].[L1].[P1]"}, MDXSelectQuery::MayBeEmpty);
  q->AddAxisRange(1, 0, 9);
  q->AddSlicerSpecification(a.get());
  q->AddCellProperties({L"VALUE", L"FORMATTED_VALUE"});
  const char* oneLine =
      "WITH MEMBER [Measures].[M2] AS ' [Measures].[M1] * 2 ' , SOLVE_ORDER = 1 SELECT NON EMPTY "
      "{[Measures].[M1], [Measures].[M2]} ON COLUMNS , SUBSET( [D].[L1].MEMBERS , 0, 10 )  "
      "DIMENSION PROPERTIES [D].[L1].[P1] ON ROWS FROM [Sales] WHERE [T].[Y1]  CELL PROPERTIES "
      "VALUE, FORMATTED_VALUE";
  EXPECT_EQ(text(q.get()), oneLine);
  EXPECT_EQ(
      text(q.get(), true),
      "WITH \n"
      "       MEMBER [Measures].[M2] AS ' [Measures].[M1] * 2 ' , SOLVE_ORDER = 1 \n"
      "SELECT \n"
      "       NON EMPTY {[Measures].[M1], [Measures].[M2]} ON COLUMNS ,\n"
      "       SUBSET( [D].[L1].MEMBERS , 0, 10 )  DIMENSION PROPERTIES [D].[L1].[P1] ON ROWS \n"
      "FROM [Sales] \n"
      "WHERE \n"
      "      [T].[Y1]  CELL PROPERTIES VALUE, FORMATTED_VALUE");
  VelaString out(L"old");
  q->writeText(out);
  EXPECT_EQ(out.toUtf8(), oneLine);
}

TEST_F(SelectTest, Clauses) {
  auto_unuse<MDXField> b(generator->GenerateField(L"[B]"));
  const auto axis0 = [&](MDXSelectQuery* q) {
    q->AddAxisSpecification(0, s.get(), none, MDXSelectQuery::MayBeEmpty);
  };
  const struct {
    int line;
    std::function<void(MDXSelectQuery*)> build;
    const char* oneLine;
    const char* laidOut;
  } cases[] = {
      {__LINE__, axis0, "SELECT [D].[L1].MEMBERS ON COLUMNS FROM [Sales] ",
       "\nSELECT \n       [D].[L1].MEMBERS ON COLUMNS \nFROM [Sales] "},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         axis0(q);
         q->AddAxisRange(0, 5, 14);
         q->AddAxisRange(3, 1, 1);
       },
       "SELECT SUBSET( [D].[L1].MEMBERS , 5, 10 )  ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         axis0(q);
         q->AddAxisRange(0, 5, 14);
         q->AddAxisRange(0, 0, -1);
       },
       "SELECT [D].[L1].MEMBERS ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         axis0(q);
         q->AddAxisRange(0, INT_MIN, INT_MAX);
       },
       "SELECT SUBSET( [D].[L1].MEMBERS , -2147483648, 0 )  ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         for (int i = 0; i < 3; ++i)
           q->AddAxisSpecification(i, s.get(), none,
                                   static_cast<MDXSelectQuery::NonEmptyStatus>(i * 2));
         q->AddAxisSpecification(3, s.get(), {L"P", L"Q"}, MDXSelectQuery::NonEmpty);
       },
       "SELECT [D].[L1].MEMBERS ON COLUMNS , [D].[L1].MEMBERS ON ROWS , "
       "[D].[L1].MEMBERS ON AXIS(2) , "
       "NON EMPTY [D].[L1].MEMBERS DIMENSION PROPERTIES P, Q ON AXIS(3) FROM [Sales] ",
       nullptr},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         axis0(q);
         q->SpecifyDrillThrough(100);
         q->SpecifyDrillThrough(0);
       },
       "DRILLTHROUGH SELECT [D].[L1].MEMBERS ON COLUMNS FROM [Sales] ",
       "DRILLTHROUGH \nSELECT \n       [D].[L1].MEMBERS ON COLUMNS \nFROM [Sales] "},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         axis0(q);
         EXPECT_TRUE(q->SpecifyDrillThrough(100));
       },
       "DRILLTHROUGH MAXROWS 100 SELECT [D].[L1].MEMBERS ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         EXPECT_EQ(q->AddSetFormula(s.get()).toUtf8(), "[NS_1]");
         EXPECT_EQ(q->AddSetFormula(s.get()).toUtf8(), "[NS_2]");
         q->AddAxisSpecification(0, s.get(), none, MDXSelectQuery::NonEmpty);
       },
       "WITH SET [NS_1] AS ' [D].[L1].MEMBERS '  SET [NS_2] AS ' [D].[L1].MEMBERS '  SELECT NON "
       "EMPTY "
       "[D].[L1].MEMBERS ON COLUMNS FROM [Sales] ",
       "WITH \n       SET [NS_1] AS ' [D].[L1].MEMBERS ' \n       SET [NS_2] AS ' [D].[L1].MEMBERS "
       "'  \n"
       "SELECT \n       NON EMPTY [D].[L1].MEMBERS ON COLUMNS \nFROM [Sales] "},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         axis0(q);
         q->AddSlicerSpecification(a.get());
         q->AddSlicerSpecification(b.get());
         q->AddSlicerSpecification(a.get());
         q->AddCellProperty(L"VALUE");
         q->AddCellProperty(L"VALUE");
       },
       "SELECT [D].[L1].MEMBERS ON COLUMNS FROM [Sales] WHERE ( [T].[Y1], [B], [T].[Y1] )   CELL "
       "PROPERTIES VALUE, VALUE",
       "\nSELECT \n       [D].[L1].MEMBERS ON COLUMNS \nFROM [Sales] \nWHERE \n      ( [T].[Y1], "
       "[B], [T].[Y1] )   "
       "CELL PROPERTIES VALUE, VALUE"},
      {__LINE__,
       [&](MDXSelectQuery* q) {
         VelaString raw(L"SELECT x"), later(L" raw ");
         q->setQuery(raw);
         axis0(q);
         q->setQuery(later);
       },
       " raw ", " raw "},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXSelectQuery> q(newSelect());
    c.build(q.get());
    EXPECT_EQ(text(q.get()), c.oneLine) << "line " << c.line;
    if (c.laidOut) {
      EXPECT_EQ(text(q.get(), true), c.laidOut) << "line " << c.line;
    }
  }
}

TEST_F(SelectTest, PlainStatementWritesFormulasUnquoted) {
  auto_unuse<MDXSelectQuery> q(new MDXSelectQuery(L"[Sales]"));
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"'x'")));
  q->AddMemberFormula(a.get(), v.get(), -1, none, none);
  EXPECT_EQ(q->AddSetFormula(s.get()).toUtf8(), "[NS_1]");
  q->AddAxisSpecification(0, s.get(), none, MDXSelectQuery::MayBeEmpty);
  EXPECT_EQ(
      text(q.get()),
      "WITH MEMBER [T].[Y1] AS 'x'  SET [NS_1] AS [D].[L1].MEMBERS  SELECT [D].[L1].MEMBERS ON "
      "COLUMNS FROM [Sales] ");
}

TEST_F(SelectTest, RefusalsChangeNothing) {
  auto_unuse<MDXSelectQuery> q(newSelect());
  VelaString out(L"kept");
  EXPECT_EQ(raisedCode([&] { q->writeText(out); }), MDXError::kNoAxis);
  EXPECT_EQ(raisedCode([&] { q->getText(true); }), MDXError::kNoAxis);
  EXPECT_EQ(out.toUtf8(), "kept");
  const std::pair<int, unsigned long> axes[] = {{1, MDXError::kAxisOutOfOrder},
                                                {-1, MDXError::kAxisOutOfOrder},
                                                {0, 0},
                                                {0, MDXError::kAxisOutOfOrder}};
  for (const auto& [axis, expected] : axes)
    EXPECT_EQ(
        raisedCode([&] { q->AddAxisSpecification(axis, s.get(), none, MDXSelectQuery::NonEmpty); }),
        expected);
  EXPECT_EQ(s->getRefCount(), 2);
  EXPECT_EQ(text(q.get()), "SELECT NON EMPTY [D].[L1].MEMBERS ON COLUMNS FROM [Sales] ");
  q->AddMemberFormula(a.get(), nullptr, 0, {L"P"}, none);
  EXPECT_EQ(raisedCode([&] { q->getText(false); }), MDXError::kPropertyCountMismatch);
}

TEST_F(SelectTest, EndingGivesEverythingBack) {
  LogCapture capture(5);
  MDXSelectQuery* q = newSelect();
  MDXField* m = generator->GenerateField(L"[M]");
  MDXValue* v = generator->GenerateValue(1);
  MDXSet* set = generator->GenerateSet(VelaString(L"{ [X] }"));
  MDXField* slicer = generator->GenerateField(L"[W]");
  q->AddMemberFormula(m, v, 0, none, none);
  q->AddSetFormula(set);
  q->AddAxisSpecification(0, set, none, MDXSelectQuery::NonEmpty);
  q->AddSlicerSpecification(slicer);
  for (olap_api::RefCount* o : std::initializer_list<olap_api::RefCount*>{m, v, set, slicer})
    o->unuse();
  // A fragment changed after it was placed shows in the next text.
  set->Hierarchize(false);
  EXPECT_EQ(
      text(q),
      "WITH MEMBER [M] AS ' 1 ' , SOLVE_ORDER = 0  SET [NS_1] AS ' HIERARCHIZE( { [X] } )  '  "
      "SELECT NON EMPTY HIERARCHIZE( { [X] } )  ON COLUMNS FROM [Sales] WHERE [W] ");
  EXPECT_EQ(q->unuse(), 0);
  int created = 0, live = 0;
  for (const auto& message : capture.messages()) {
    const auto ends = [&](const std::string& tail) {
      return message.size() >= tail.size() &&
             message.compare(message.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (ends(": Created")) ++created, ++live;
    if (ends(": Destroyed")) --live;
  }
  EXPECT_EQ(created, 6);  // the statement, four fragments and the slicer tuple
  EXPECT_EQ(live, 0);
}
