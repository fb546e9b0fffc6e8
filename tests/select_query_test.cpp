// SELECT: the worked example in both forms, every clause as a whole text,
// its two errors, and what a statement gives back when it ends.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"
#include "tests/raised_code.h"

namespace {

using Select = MDXSelectQuery;

class SelectTest : public ::testing::Test {
 protected:
  ~SelectTest() override { delete generator; }

  Select* newSelect() {
    return static_cast<Select*>(generator->GenerateQuery(MDXQuery::Select, nullptr));
  }
  static std::string text(const MDXQuery* q, bool laidOut = false) {
    return q->getText(laidOut).toUtf8();
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXSet> s{generator->GenerateSet(VelaString(L"{S}"))};
  auto_unuse<MDXField> a{generator->GenerateField(L"[T].[Y1]")};
  auto_unuse<MDXField> b{generator->GenerateField(L"[B]")};
  const std::vector<VelaString> none;
};

}  // namespace

TEST_F(SelectTest, WorkedExampleThenEverythingGivenBack) {
  LogCapture capture(5);
  {
    auto_unuse<Select> q(newSelect());
    auto_unuse<MDXField> m2(generator->GenerateField(L"[Measures].[M2]"));
    auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"[Measures].[M1] * 2")));
    auto_unuse<MDXSet> columns(
        generator->GenerateSet(VelaString(L"{[Measures].[M1], [Measures].[M2]}")));
    auto_unuse<MDXSet> rows(generator->GenerateSet(VelaString(L"[D].[L1].MEMBERS")));
    auto_unuse<MDXField> slicer(generator->GenerateField(L"[T].[Y1]"));
    q->AddMemberFormula(m2.get(), v.get(), 1, none, none);
    q->AddAxisSpecification(0, columns.get(), none, Select::NonEmpty);
    q->AddAxisSpecification(1, rows.get(), {L"[D].[L1].[P1]"}, Select::MayBeEmpty);
    q->AddAxisRange(1, 0, 9);
    q->AddSlicerSpecification(slicer.get());
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
  }  // The host's references go first; the statement's last.
  int created = 0, live = 0;
  for (const auto& message : capture.messages()) {
    if (message.find(": Created") != std::string::npos) ++created, ++live;
    if (message.find(": Destroyed") != std::string::npos) --live;
  }
  EXPECT_EQ(created, 7);  // the statement, five fragments and the slicer tuple
  EXPECT_EQ(live, 0);
}

// Each case starts from a statement with the one column axis {S}, added
// with a status other than 1.
TEST_F(SelectTest, Clauses) {
  const struct {
    int line;
    std::function<void(Select*)> build;
    const char* oneLine;
    const char* laidOut;
  } cases[] = {
      {__LINE__, [](Select*) {}, "SELECT {S} ON COLUMNS FROM [Sales] ",
       "\nSELECT \n       {S} ON COLUMNS \nFROM [Sales] "},
      {__LINE__, [](Select* q) { q->AddAxisRange(0, 5, 14), q->AddAxisRange(3, 1, 1); },
       "SELECT SUBSET( {S} , 5, 10 )  ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__, [](Select* q) { q->AddAxisRange(0, 5, 14), q->AddAxisRange(0, 0, -1); },
       "SELECT {S} ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__, [](Select* q) { q->AddAxisRange(0, INT_MIN, INT_MAX); },
       "SELECT SUBSET( {S} , -2147483648, 0 )  ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__,
       [&](Select* q) {
         q->AddAxisSpecification(1, s.get(), none, Select::MayBeEmpty);
         q->AddAxisSpecification(2, s.get(), none, Select::NonEmpty);
         q->AddAxisSpecification(3, s.get(), {L"P", L"Q"}, Select::MayBeEmpty);
       },
       "SELECT {S} ON COLUMNS , {S} ON ROWS , NON EMPTY {S} ON AXIS(2) , "
       "{S} DIMENSION PROPERTIES P, Q ON AXIS(3) FROM [Sales] ",
       "\nSELECT \n       {S} ON COLUMNS ,\n       {S} ON ROWS ,\n       NON EMPTY {S} ON AXIS(2) ,"
       "\n       {S} DIMENSION PROPERTIES P, Q ON AXIS(3) \nFROM [Sales] "},
      {__LINE__, [](Select* q) { q->SpecifyDrillThrough(100), q->SpecifyDrillThrough(0); },
       "DRILLTHROUGH SELECT {S} ON COLUMNS FROM [Sales] ",
       "DRILLTHROUGH \nSELECT \n       {S} ON COLUMNS \nFROM [Sales] "},
      {__LINE__, [](Select* q) { EXPECT_TRUE(q->SpecifyDrillThrough(100)); },
       "DRILLTHROUGH MAXROWS 100 SELECT {S} ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__,
       [&](Select* q) {
         EXPECT_EQ(q->AddSetFormula(s.get()).toUtf8(), "[NS_1]");
         EXPECT_EQ(q->AddSetFormula(s.get()).toUtf8(), "[NS_2]");
       },
       "WITH SET [NS_1] AS ' {S} '  SET [NS_2] AS ' {S} '  SELECT {S} ON COLUMNS FROM [Sales] ",
       "WITH \n       SET [NS_1] AS ' {S} ' \n       SET [NS_2] AS ' {S} '  \nSELECT \n"
       "       {S} ON COLUMNS \nFROM [Sales] "},
      {__LINE__,
       [&](Select* q) {
         for (MDXField* member : {a.get(), b.get(), a.get()}) q->AddSlicerSpecification(member);
         q->AddCellProperties({L"VALUE", L"VALUE"});
       },
       "SELECT {S} ON COLUMNS FROM [Sales] WHERE ( [T].[Y1], [B], [T].[Y1] )   CELL PROPERTIES "
       "VALUE, VALUE",
       nullptr},
      {__LINE__,
       [](Select* q) {
         VelaString first(L"SELECT x"), later(L" raw ");
         q->setQuery(first);
         q->setQuery(later);
       },
       " raw ", " raw "},
  };
  for (const auto& c : cases) {
    auto_unuse<Select> q(newSelect());
    q->AddAxisSpecification(0, s.get(), none, static_cast<Select::NonEmptyStatus>(2));
    c.build(q.get());
    EXPECT_EQ(text(q.get()), c.oneLine) << "line " << c.line;
    if (c.laidOut) {
      EXPECT_EQ(text(q.get(), true), c.laidOut) << "line " << c.line;
    }
  }
}

TEST_F(SelectTest, PlainStatementWritesFormulasUnquoted) {
  auto_unuse<Select> q(new MDXSelectQuery(L"[Sales]"));
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"'x'")));
  q->AddMemberFormula(a.get(), v.get(), -1, none, none);
  EXPECT_EQ(q->AddSetFormula(s.get()).toUtf8(), "[NS_1]");
  q->AddAxisSpecification(0, s.get(), none, Select::MayBeEmpty);
  EXPECT_EQ(text(q.get()),
            "WITH MEMBER [T].[Y1] AS 'x'  SET [NS_1] AS {S}  SELECT {S} ON COLUMNS FROM [Sales] ");
  // A fragment changed after it was placed shows in the next text.
  s->Hierarchize(false);
  EXPECT_EQ(
      text(q.get()),
      "WITH MEMBER [T].[Y1] AS 'x'  SET [NS_1] AS HIERARCHIZE( {S} )   SELECT HIERARCHIZE( {S} ) "
      " ON COLUMNS FROM [Sales] ");
}

TEST_F(SelectTest, RefusalsChangeNothing) {
  auto_unuse<Select> q(newSelect());
  VelaString out(L"kept");
  EXPECT_EQ(raisedCode([&] { q->writeText(out); }), MDXError::kNoAxis);
  EXPECT_EQ(raisedCode([&] { q->getText(true); }), MDXError::kNoAxis);
  EXPECT_EQ(out.toUtf8(), "kept");
  for (const auto& [axis, code] : {std::pair<int, unsigned long>{1, MDXError::kAxisOutOfOrder},
                                   {-1, MDXError::kAxisOutOfOrder},
                                   {0, 0},
                                   {0, MDXError::kAxisOutOfOrder}})
    EXPECT_EQ(raisedCode([&] { q->AddAxisSpecification(axis, s.get(), none, Select::NonEmpty); }),
              code);
  EXPECT_EQ(s->getRefCount(), 2);
  EXPECT_EQ(text(q.get()), "SELECT NON EMPTY {S} ON COLUMNS FROM [Sales] ");
  // An error of a formula passes out of the statement's text unchanged.
  q->AddMemberFormula(a.get(), nullptr, 0, {L"P"}, none);
  EXPECT_EQ(raisedCode([&] { q->getText(false); }), MDXError::kPropertyCountMismatch);
  // A raw text needs no axis.
  auto_unuse<Select> raw(newSelect());
  VelaString t(L" t ");
  raw->setQuery(t);
  EXPECT_EQ(text(raw.get(), true), " t ");
}
