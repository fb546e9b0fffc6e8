// Formula specifications: every shape as a whole text, the property count
// check, fragments read afresh, and the references they hold.
#include <gtest/gtest.h>

#include <memory>

#include "mdxgen/mdxgen.h"
#include "tests/raised_code.h"

namespace {

using Formula = std::unique_ptr<MDXSingleFormulaSpecification>;

class FormulaTest : public ::testing::Test {
 protected:
  ~FormulaTest() override { delete generator; }

  // A member formula with the first n of FORMAT_STRING and FORE_COLOR.
  Formula member(bool server, int solveOrder, std::size_t n, bool qualified) {
    const std::vector<VelaString> names(propertyNames.begin(), propertyNames.begin() + n);
    const std::vector<VelaString> values(propertyValues.begin(), propertyValues.begin() + n);
    if (server)
      return Formula(new MSOLAP8MemberSpecification(m.get(), v.get(), solveOrder, names, values,
                                                    qualified, L"[Sales]"));
    return Formula(new MDXMemberSpecification(m.get(), v.get(), solveOrder, names, values,
                                              qualified, L"[Sales]"));
  }
  Formula set(bool server, bool qualified) {
    if (server)
      return Formula(new MSOLAP8SetSpecification(L"[S1]", s.get(), qualified, L"[Sales]"));
    return Formula(new MDXSetSpecification(L"[S1]", s.get(), qualified, L"[Sales]"));
  }

  // The reference counts of the member, the value and the set.
  std::vector<long> counts() const {
    return {m->getRefCount(), v->getRefCount(), s->getRefCount()};
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXField> m{generator->GenerateField(L"[Measures].[M2]")};
  auto_unuse<MDXValue> v{generator->GenerateValue(VelaString(L"[Measures].[M1] & 'a'"))};
  auto_unuse<MDXSet> s{generator->GenerateSet(VelaString(L"{ [A].[a's] }"))};
  const std::vector<VelaString> propertyNames{L"FORMAT_STRING", L"FORE_COLOR"};
  const std::vector<VelaString> propertyValues{L"'0.00'", L"255"};
};

}  // namespace

TEST_F(FormulaTest, Shapes) {
  const struct {
    int line;
    Formula formula;
    const char* text;
  } cases[] = {
      {__LINE__, member(true, -1, 0, false),
       "MEMBER [Measures].[M2] AS ' [Measures].[M1] & ''a'' ' "},
      {__LINE__, member(true, 1, 1, false),
       "MEMBER [Measures].[M2] AS ' [Measures].[M1] & ''a'' ' , SOLVE_ORDER = 1, "
       "FORMAT_STRING = '0.00' "},
      {__LINE__, member(true, 2, 2, true),
       "MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] & ''a'' ' , SOLVE_ORDER = 2, "
       "FORMAT_STRING = '0.00', FORE_COLOR = 255 "},
      {__LINE__, member(false, 0, 0, false),
       "MEMBER [Measures].[M2] AS [Measures].[M1] & 'a' , SOLVE_ORDER = 0 "},
      {__LINE__, member(false, -1, 0, false), "MEMBER [Measures].[M2] AS [Measures].[M1] & 'a' "},
      {__LINE__, member(false, -7, 1, true),
       "MEMBER [Sales].[Measures].[M2] AS [Measures].[M1] & 'a' , FORMAT_STRING = '0.00' "},
      {__LINE__, member(true, -1, 0, true),
       "MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] & ''a'' ' "},
      {__LINE__, set(true, false), "SET [S1] AS ' { [A].[a''s] } ' "},
      {__LINE__, set(false, true), "SET [Sales].[S1] AS { [A].[a's] } "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.formula->getText().toUtf8(), c.text) << "line " << c.line;
    VelaString out(L"old");
    c.formula->writeText(out);
    EXPECT_EQ(out.toUtf8(), c.text) << "line " << c.line;
  }
}

TEST_F(FormulaTest, UnequalPropertyListsRaiseAtTextTimeBeforeAnyFragmentIsRead) {
  for (const auto& names : {propertyNames, std::vector<VelaString>{}}) {
    MSOLAP8MemberSpecification formula(nullptr, nullptr, 1, names, {L"1"}, false, L"[Sales]");
    VelaString out(L"kept");
    EXPECT_EQ(raisedCode([&] { formula.writeText(out); }), MDXError::kPropertyCountMismatch);
    EXPECT_EQ(out.toUtf8(), "kept");
  }
}

TEST_F(FormulaTest, FragmentsAreReadAtTextTime) {
  const Formula formula = member(true, -1, 0, false), named = set(true, false);
  m->MoveToParent();
  v->ReverseSign();
  s->Hierarchize(false);
  EXPECT_EQ(formula->getText().toUtf8(),
            "MEMBER [Measures].[M2].PARENT AS ' - ( [Measures].[M1] & ''a'' )  ' ");
  EXPECT_EQ(named->getText().toUtf8(), "SET [S1] AS ' HIERARCHIZE( { [A].[a''s] } )  ' ");
}

TEST_F(FormulaTest, CopiesHoldTheirOwnReferences) {
  auto_unuse<MDXSet> other(generator->GenerateSet(VelaString(L"{ [B] }")));
  {
    MSOLAP8MemberSpecification formula(m.get(), v.get(), -1, {}, {}, false, L"[Sales]");
    MSOLAP8MemberSpecification formulaCopy(formula);
    formulaCopy = formula;
    MSOLAP8SetSpecification named(L"[S1]", s.get(), false, L"[Sales]");
    MSOLAP8SetSpecification replaced(L"[S2]", other.get(), true, L"[Sales]");
    replaced = named;
    const MSOLAP8SetSpecification& itself = replaced;
    replaced = itself;
    MDXSetSpecification withoutSet(L"[S3]", nullptr, false, L"[Sales]");
    EXPECT_EQ(counts(), (std::vector<long>{3, 3, 3}));
    EXPECT_EQ(other->getRefCount(), 1);
    EXPECT_EQ(replaced.getText().toUtf8(), "SET [S1] AS ' { [A].[a''s] } ' ");
  }
  EXPECT_EQ(counts(), (std::vector<long>{1, 1, 1}));
}
