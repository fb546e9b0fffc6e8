// Formula specifications: every shape as a whole text, the property count
// check, fragments read afresh, and the references they hold.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "mdxgen/mdxgen.h"

namespace {

class FormulaTest : public ::testing::Test {
 protected:
  ~FormulaTest() override { delete generator; }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXField> m{generator->GenerateField(L"[Measures].[M2]")};
  auto_unuse<MDXValue> v{generator->GenerateValue(VelaString(L"[Measures].[M1] & 'a'"))};
  auto_unuse<MDXSet> s{generator->GenerateSet(VelaString(L"{ [A].[a's] }"))};
  const std::vector<VelaString> none, format{L"FORMAT_STRING"}, formatValue{L"'0.00'"};
  const VelaString k{L"[Sales]"};
};

using Make = std::function<MDXSingleFormulaSpecification*()>;

}  // namespace

TEST_F(FormulaTest, Shapes) {
  const std::vector<VelaString> two{L"FORMAT_STRING", L"FORE_COLOR"}, twoValues{L"'0.00'", L"255"};
  const struct {
    int line;
    Make make;
    const char* text;
  } cases[] = {
      {__LINE__,
       [&] { return new MSOLAP8MemberSpecification(m.get(), v.get(), -1, none, none, false, k); },
       "MEMBER [Measures].[M2] AS ' [Measures].[M1] & ''a'' ' "},
      {__LINE__,
       [&] {
         return new MSOLAP8MemberSpecification(m.get(), v.get(), 1, format, formatValue, false, k);
       },
       "MEMBER [Measures].[M2] AS ' [Measures].[M1] & ''a'' ' , SOLVE_ORDER = 1, FORMAT_STRING = "
       "'0.00' "},
      {__LINE__,
       [&] { return new MSOLAP8MemberSpecification(m.get(), v.get(), 2, two, twoValues, true, k); },
       "MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] & ''a'' ' , SOLVE_ORDER = 2, "
       "FORMAT_STRING = '0.00', FORE_COLOR = 255 "},
      {__LINE__,
       [&] { return new MDXMemberSpecification(m.get(), v.get(), 0, none, none, false, k); },
       "MEMBER [Measures].[M2] AS [Measures].[M1] & 'a' , SOLVE_ORDER = 0 "},
      {__LINE__,
       [&] { return new MDXMemberSpecification(m.get(), v.get(), -1, none, none, false, k); },
       "MEMBER [Measures].[M2] AS [Measures].[M1] & 'a' "},
      {__LINE__,
       [&] {
         return new MDXMemberSpecification(m.get(), v.get(), -7, format, formatValue, true, k);
       },
       "MEMBER [Sales].[Measures].[M2] AS [Measures].[M1] & 'a' , FORMAT_STRING = '0.00' "},
      {__LINE__,
       [&] { return new MSOLAP8MemberSpecification(m.get(), v.get(), -1, none, none, true, k); },
       "MEMBER [Sales].[Measures].[M2] AS ' [Measures].[M1] & ''a'' ' "},
      {__LINE__, [&] { return new MSOLAP8SetSpecification(L"[S1]", s.get(), false, k); },
       "SET [S1] AS ' { [A].[a''s] } ' "},
      {__LINE__, [&] { return new MSOLAP8SetSpecification(L"[S1]", s.get(), true, k); },
       "SET [Sales].[S1] AS ' { [A].[a''s] } ' "},
      {__LINE__, [&] { return new MDXSetSpecification(L"[S1]", s.get(), true, k); },
       "SET [Sales].[S1] AS { [A].[a's] } "},
      {__LINE__, [&] { return new MDXSetSpecification(L"[S1]", s.get(), false, k); },
       "SET [S1] AS { [A].[a's] } "},
  };
  for (const auto& c : cases) {
    std::unique_ptr<MDXSingleFormulaSpecification> spec(c.make());
    EXPECT_EQ(spec->getText().toUtf8(), c.text) << "line " << c.line;
    VelaString out(L"old");
    spec->writeText(out);
    EXPECT_EQ(out.toUtf8(), c.text) << "line " << c.line;
  }
}

TEST_F(FormulaTest, UnequalPropertyListsRaiseAtTextTime) {
  const std::vector<VelaString> twoNames{L"A", L"B"};
  for (const auto& names : {twoNames, none}) {
    MSOLAP8MemberSpecification spec(m.get(), v.get(), 1, names, formatValue, false, k);
    VelaString out(L"kept");
    try {
      spec.writeText(out);
      FAIL();
    } catch (const MDXError& e) {
      EXPECT_EQ(e.getErrorCode(), MDXError::kPropertyCountMismatch);
      EXPECT_TRUE(e.getInserts().empty());
    }
    EXPECT_EQ(out.toUtf8(), "kept");
  }
}

TEST_F(FormulaTest, FragmentsAreReadAtTextTime) {
  MSOLAP8MemberSpecification member(m.get(), v.get(), -1, none, none, false, k);
  MSOLAP8SetSpecification set(L"[S1]", s.get(), false, k);
  m->MoveToParent();
  v->ReverseSign();
  s->Hierarchize(false);
  EXPECT_EQ(member.getText().toUtf8(),
            "MEMBER [Measures].[M2].PARENT AS ' - ( [Measures].[M1] & ''a'' )  ' ");
  EXPECT_EQ(set.getText().toUtf8(), "SET [S1] AS ' HIERARCHIZE( { [A].[a''s] } )  ' ");
}

TEST_F(FormulaTest, CopiesKeepTheirOwnReferences) {
  auto_unuse<MDXSet> other(generator->GenerateSet(VelaString(L"{ [B] }")));
  {
    MSOLAP8MemberSpecification member(m.get(), v.get(), -1, none, none, false, k);
    MSOLAP8SetSpecification set(L"[S1]", s.get(), false, k);
    MSOLAP8SetSpecification copy(set);
    EXPECT_EQ(m->getRefCount(), 2);
    EXPECT_EQ(v->getRefCount(), 2);
    EXPECT_EQ(s->getRefCount(), 3);
    EXPECT_EQ(copy.getText().toUtf8(), "SET [S1] AS ' { [A].[a''s] } ' ");
    MSOLAP8MemberSpecification memberCopy(member);
    memberCopy = member;
    const MSOLAP8MemberSpecification& itself = memberCopy;
    memberCopy = itself;
    EXPECT_EQ(m->getRefCount(), 3);
    MSOLAP8SetSpecification replaced(L"[S2]", other.get(), true, k);
    replaced = set;
    const MSOLAP8SetSpecification& same = replaced;
    replaced = same;
    EXPECT_EQ(other->getRefCount(), 1);
    EXPECT_EQ(s->getRefCount(), 4);
    EXPECT_EQ(replaced.getText().toUtf8(), "SET [S1] AS ' { [A].[a''s] } ' ");
    MDXSetSpecification empty(L"[S3]", nullptr, false, k);
  }
  EXPECT_EQ(m->getRefCount(), 1);
  EXPECT_EQ(v->getRefCount(), 1);
  EXPECT_EQ(s->getRefCount(), 1);
}
