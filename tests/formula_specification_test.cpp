// Formula specifications: every shape as a whole text, the property count
// check, and the references they hold.
#include <memory>

#include "tests/text_cases.h"

namespace {

using Formula = std::unique_ptr<MDXSingleFormulaSpecification>;

class FormulaTest : public GeneratorTest {
 protected:
  // A member formula with the first n of FORMAT_STRING and FORE_COLOR.
  Formula member(bool server, int solveOrder, std::size_t n, bool qualified) {
    const std::vector<VelaString> names(propertyNames.begin(), propertyNames.begin() + n);
    const std::vector<VelaString> values(propertyValues.begin(), propertyValues.begin() + n);
    if (server)
      return Formula(new MSOLAP8MemberSpecification(m, v, solveOrder, names, values, qualified,
                                                    L"[Sales]"));
    return Formula(
        new MDXMemberSpecification(m, v, solveOrder, names, values, qualified, L"[Sales]"));
  }
  Formula named(bool server, bool qualified) {
    if (server) return Formula(new MSOLAP8SetSpecification(L"[S1]", s, qualified, L"[Sales]"));
    return Formula(new MDXSetSpecification(L"[S1]", s, qualified, L"[Sales]"));
  }
  std::vector<long> counts() const {
    return {m->getRefCount(), v->getRefCount(), s->getRefCount()};
  }

  MDXField* m = field(L"[Measures].[M2]");
  MDXValue* v = value(L"[Measures].[M1] & 'a'");
  MDXSet* s = set(L"{ [A].[a's] }");
  const std::vector<VelaString> propertyNames{L"FORMAT_STRING", L"FORE_COLOR"};
  const std::vector<VelaString> propertyValues{L"'0.00'", L"255"};
};

}  // namespace

TEST_F(FormulaTest, Shapes) {
  const std::pair<Formula, const char*> cases[] = {
      {member(true, -1, 0, false), "MEMBER [Measures].[M2] AS ' [Measures].[M1] & ''a'' ' "},
      {member(true, 1, 1, false),
       "MEMBER [Measures].[M2] AS ' [Measures].[M1] & ''a'' ' , SOLVE_ORDER = 1, "
       "FORMAT_STRING = '0.00' "},
      {member(true, 2, 2, true),
       "MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] & ''a'' ' , SOLVE_ORDER = 2, "
       "FORMAT_STRING = '0.00', FORE_COLOR = 255 "},
      {member(false, 0, 0, false),
       "MEMBER [Measures].[M2] AS [Measures].[M1] & 'a' , SOLVE_ORDER = 0 "},
      {member(false, -1, 0, false), "MEMBER [Measures].[M2] AS [Measures].[M1] & 'a' "},
      {member(false, -7, 1, true),
       "MEMBER [Sales].[Measures].[M2] AS [Measures].[M1] & 'a' , FORMAT_STRING = '0.00' "},
      {named(true, false), "SET [S1] AS ' { [A].[a''s] } ' "},
      {named(false, true), "SET [Sales].[S1] AS { [A].[a's] } "},
  };
  for (const auto& [formula, text] : cases) {
    VelaString out(L"old");
    formula->writeText(out);
    EXPECT_EQ(out.toUtf8(), text);
  }
}

TEST_F(FormulaTest, UnequalPropertyListsRaiseAtTextTimeBeforeAnyFragmentIsRead) {
  for (const auto& names : {propertyNames, std::vector<VelaString>{}}) {
    MSOLAP8MemberSpecification formula(nullptr, nullptr, 1, names, {L"1"}, false, L"[Sales]");
    VelaString out(L"kept");
    EXPECT_EQ(refusal([&] { formula.writeText(out); }),
              Refusal(MDXError::kPropertyCountMismatch, {}));
    EXPECT_EQ(out.toUtf8(), "kept");
  }
}

TEST_F(FormulaTest, CopiesHoldTheirOwnReferences) {
  MDXSet* other = set(L"{ [B] }");
  {
    MSOLAP8MemberSpecification formula(m, v, -1, {}, {}, false, L"[Sales]");
    MSOLAP8MemberSpecification formulaCopy(formula);
    formulaCopy = formula;
    MSOLAP8SetSpecification namedSet(L"[S1]", s, false, L"[Sales]");
    MSOLAP8SetSpecification namedCopy(namedSet);
    MSOLAP8SetSpecification replaced(L"[S2]", other, true, L"[Sales]");
    replaced = namedSet;
    const MSOLAP8SetSpecification& itself = replaced;
    replaced = itself;
    MDXSetSpecification withoutSet(L"[S3]", nullptr, false, L"[Sales]");
    EXPECT_EQ(counts(), (std::vector<long>{3, 3, 4}));
    EXPECT_EQ(other->getRefCount(), 1);
    EXPECT_EQ(replaced.getText().toUtf8(), "SET [S1] AS ' { [A].[a''s] } ' ");
  }
  EXPECT_EQ(counts(), (std::vector<long>{1, 1, 1}));
}
