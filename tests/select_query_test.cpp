// SELECT: the worked example in both forms, every clause as a whole text,
// its two errors, and what a statement gives back when it ends.
#include <algorithm>
#include <climits>

#include "tests/text_cases.h"

namespace {

using Select = MDXSelectQuery;

class SelectTest : public GeneratorTest {
 protected:
  Select* newSelect() {
    return hold(static_cast<Select*>(generator->GenerateQuery(MDXQuery::Select, nullptr)));
  }
  static std::string text(const MDXQuery* q, bool laidOut = false) {
    return q->getText(laidOut).toUtf8();
  }
  static std::string squeezed(std::string t) {
    t.erase(std::remove_if(t.begin(), t.end(), [](char c) { return c == ' ' || c == '\n'; }),
            t.end());
    return t;
  }

  MDXSet* s = set(L"{S}");
  MDXField* a = field(L"[T].[Y1]");
  const std::vector<VelaString> none;
};

}  // namespace

TEST_F(SelectTest, WorkedExampleThenEverythingGivenBack) {
  MDXField* m2 = field(L"[Measures].[M2]");
  MDXValue* v = value(L"[Measures].[M1] * 2");
  MDXSet* columns = set(L"{[Measures].[M1], [Measures].[M2]}");
  MDXSet* rows = set(L"[D].[L1].MEMBERS");
  auto* q = static_cast<Select*>(generator->GenerateQuery(MDXQuery::Select, nullptr));
  q->AddMemberFormula(m2, v, 1, none, none);
  q->AddAxisSpecification(0, columns, none, Select::NonEmpty);
  q->AddAxisSpecification(1, rows, {L"[D].[L1].[P1]"}, Select::MayBeEmpty);
  q->AddAxisRange(1, 0, 9);
  q->AddSlicerSpecification(a);
  q->AddCellProperties({L"VALUE", L"FORMATTED_VALUE"});
  const char* oneLine =
      "WITH MEMBER [Measures].[M2] AS ' [Measures].[M1] * 2 ' , SOLVE_ORDER = 1 SELECT NON EMPTY "
      "{[Measures].[M1], [Measures].[M2]} ON COLUMNS , SUBSET( [D].[L1].MEMBERS , 0, 10 )  "
      "DIMENSION PROPERTIES [D].[L1].[P1] ON ROWS FROM [Sales] WHERE [T].[Y1]  CELL PROPERTIES "
      "VALUE, FORMATTED_VALUE";
  EXPECT_EQ(text(q), oneLine);
  EXPECT_EQ(
      text(q, true),
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
  // Its end gives back what its formula, axes and slicer held.
  EXPECT_EQ(q->unuse(), 0);
  EXPECT_EQ((std::vector<long>{m2->getRefCount(), v->getRefCount(), columns->getRefCount(),
                               rows->getRefCount(), a->getRefCount()}),
            (std::vector<long>{1, 1, 1, 1, 1}));
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
         q->AddAxisSpecification(1, s, none, Select::MayBeEmpty);
         q->AddAxisSpecification(2, s, none, Select::NonEmpty);
         q->AddAxisSpecification(3, s, {L"P", L"Q"}, Select::MayBeEmpty);
       },
       "SELECT {S} ON COLUMNS , {S} ON ROWS , NON EMPTY {S} ON AXIS(2) , "
       "{S} DIMENSION PROPERTIES P, Q ON AXIS(3) FROM [Sales] ",
       nullptr},
      {__LINE__, [](Select* q) { q->SpecifyDrillThrough(100), q->SpecifyDrillThrough(0); },
       "DRILLTHROUGH SELECT {S} ON COLUMNS FROM [Sales] ",
       "DRILLTHROUGH \nSELECT \n       {S} ON COLUMNS \nFROM [Sales] "},
      {__LINE__, [](Select* q) { EXPECT_TRUE(q->SpecifyDrillThrough(100)); },
       "DRILLTHROUGH MAXROWS 100 SELECT {S} ON COLUMNS FROM [Sales] ", nullptr},
      {__LINE__,
       [&](Select* q) {
         EXPECT_EQ(q->AddSetFormula(s).toUtf8(), "[NS_1]");
         EXPECT_EQ(q->AddSetFormula(set(L"{S's}")).toUtf8(), "[NS_2]");
       },
       "WITH SET [NS_1] AS ' {S} '  SET [NS_2] AS ' {S''s} '  SELECT {S} ON COLUMNS FROM [Sales] ",
       "WITH \n       SET [NS_1] AS ' {S} ' \n       SET [NS_2] AS ' {S''s} '  \nSELECT \n"
       "       {S} ON COLUMNS \nFROM [Sales] "},
      {__LINE__,
       [&](Select* q) {
         for (MDXField* member : {a, field(L"[B]"), a}) q->AddSlicerSpecification(member);
         q->AddCellProperties({L"VALUE", L"VALUE"});
       },
       "SELECT {S} ON COLUMNS FROM [Sales] WHERE ( [T].[Y1], [B], [T].[Y1] )   CELL PROPERTIES "
       "VALUE, VALUE",
       nullptr},
      {__LINE__,
       [&](Select* q) { q->AddMemberFormula(field(L"[M]"), value(L"1"), 2, {L"P"}, {L"'v'"}); },
       "WITH MEMBER [M] AS ' 1 ' , SOLVE_ORDER = 2, P = 'v' SELECT {S} ON COLUMNS FROM [Sales] ",
       nullptr},
  };
  for (const auto& c : cases) {
    Select* q = newSelect();
    q->AddAxisSpecification(0, s, none, static_cast<Select::NonEmptyStatus>(2));
    c.build(q);
    EXPECT_EQ(text(q), c.oneLine) << "line " << c.line;
    if (c.laidOut) { EXPECT_EQ(text(q, true), c.laidOut) << "line " << c.line; }
    // Laid out, every clause says the same apart from whitespace.
    EXPECT_EQ(squeezed(text(q, true)), squeezed(c.oneLine)) << "line " << c.line;
  }
}

TEST_F(SelectTest, PlainStatementWritesFormulasUnquoted) {
  Select* q = hold(new MDXSelectQuery(L"[Sales]"));
  MDXValue* v = value(L"'x'");
  q->AddMemberFormula(a, v, -1, none, none);
  EXPECT_EQ(q->AddSetFormula(s).toUtf8(), "[NS_1]");
  q->AddAxisSpecification(0, s, none, Select::MayBeEmpty);
  // Fragments changed after they were placed show in the next text.
  a->MoveToParent();
  v->ReverseSign();
  s->Hierarchize(false);
  EXPECT_EQ(text(q),
            "WITH MEMBER [T].[Y1].PARENT AS - ( 'x' )   SET [NS_1] AS HIERARCHIZE( {S} )   "
            "SELECT HIERARCHIZE( {S} )  ON COLUMNS FROM [Sales] ");
}

TEST_F(SelectTest, RefusalsChangeNothing) {
  Select* q = newSelect();
  VelaString out(L"kept");
  EXPECT_EQ(refusal([&] { q->writeText(out); }), Refusal(MDXError::kNoAxis, {}));
  EXPECT_EQ(refusal([&] { q->getText(true); }), Refusal(MDXError::kNoAxis, {}));
  EXPECT_EQ(out.toUtf8(), "kept");
  for (const auto& [axis, code] : {std::pair<int, unsigned long>{1, MDXError::kAxisOutOfOrder},
                                   {-1, MDXError::kAxisOutOfOrder},
                                   {0, 0},
                                   {0, MDXError::kAxisOutOfOrder}})
    EXPECT_EQ(refusal([&] { q->AddAxisSpecification(axis, s, none, Select::NonEmpty); }),
              Refusal(code, {}));
  EXPECT_EQ(s->getRefCount(), 2);
  EXPECT_EQ(text(q), "SELECT NON EMPTY {S} ON COLUMNS FROM [Sales] ");
  // An error of a formula passes out of the statement's text unchanged.
  q->AddMemberFormula(a, nullptr, 0, {L"P"}, none);
  EXPECT_EQ(refusal([&] { q->getText(false); }), Refusal(MDXError::kPropertyCountMismatch, {}));
  // A raw text needs no axis; the last one given holds.
  Select* raw = newSelect();
  VelaString first(L"SELECT x"), later(L" raw ");
  raw->setQuery(first);
  raw->setQuery(later);
  EXPECT_EQ(text(raw, true), " raw ");
}

TEST_F(SelectTest, AxisNumbersOtherThanColumnsAndRowsInDecimal) {
  // Every number but 0 and 1, negative ones included, with or without a
  // range and properties.
  for (int axis : {-1, -7, INT_MIN, 2, INT_MAX}) {
    const std::string name = " ON AXIS(" + std::to_string(axis) + ") ";
    Select::MDXAxisSpecification plain(axis, s, none, false);
    EXPECT_EQ(plain.getText().toUtf8(), "{S}" + name);
    Select::MDXAxisSpecification full(axis, s, {L"P"}, true);
    full.setAxisRange(1, 2);
    EXPECT_EQ(full.getText().toUtf8(),
              "NON EMPTY SUBSET( {S} , 1, 2 )  DIMENSION PROPERTIES P" + name);
  }
}
