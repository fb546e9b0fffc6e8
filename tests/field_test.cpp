// Member expressions: every constructor, and Delimit's edges.
#include <stdexcept>

#include "memory_host.h"
#include "tests/text_cases.h"

namespace {

class FieldTest : public GeneratorTest {
 protected:
  fake::Hierarchy time{L"[Time]", {L"[Time].[Year]", L"[Time].[Quarter]"}};
  fake::Dimension timeDim{L"[Time]"};
  fake::Level quarter{L"[Time].[Quarter]"};
  fake::Member member{L"[Time].[1997]"};
  fake::Calculation withParent{L"[Time].[1997].[C1]", L"[Time].[1997]", &time};
  fake::Calculation withoutParent{L"[Time].[C2]", L"", &time};
  fake::DynamicCalculation dynamic{L"Dyn"};
};

}  // namespace

TEST_F(FieldTest, Constructors) {
  const std::pair<std::function<MDXField*()>, const char*> cases[] = {
      {[&] { return generator->GenerateField(L"[Time].[1997]"); }, "[Time].[1997]"},
      {[&] { return generator->GenerateField(L" a ]b", L"Q1"); }, " a ]b.[Q1]"},
      {[&] { return generator->GenerateField(field(L"[A's]")); }, "[A's]"},
      {[&] { return generator->GenerateField(&member); }, "[Time].[1997]"},
      {[&] { return generator->GenerateField(&time); }, "[Time].DEFAULTMEMBER"},
      {[&] { return generator->GenerateField(&time, L"1998"); }, "[Time].[1998]"},
      {[&] { return generator->GenerateField(&timeDim); }, "[Time].DEFAULTMEMBER"},
      {[&] { return generator->GenerateField(&quarter, L"Q2"); }, "[Time].[Quarter].[Q2]"},
      {[&] { return generator->GenerateField(&withParent, L"X"); }, "[Time].[1997].[X]"},
      {[&] { return generator->GenerateField(&withoutParent, L"X"); }, "[Time].[X]"},
      {[&] { return generator->GenerateField(&dynamic, L"[Time].[1997]"); }, "[Time].[1997].[Dyn]"},
  };
  for (const auto& [make, text] : cases) {
    auto_unuse<MDXField> f(make());
    EXPECT_EQ(f->getText().toUtf8(), text);
  }
}

TEST_F(FieldTest, Delimit) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"  Sales ", "[Sales]"}, {L"[Sales]", "[Sales]"}, {L"  Sales]", "  Sales]"},
      {L"[Sales", "[[Sales]"},  {L"a b", "[a b]"},
  };
  for (const auto& [in, out] : cases) {
    MDXField* f = field(in);
    f->Delimit();
    EXPECT_EQ(f->getText().toUtf8(), out);
  }
  for (const wchar_t* blank : {L"", L"   "}) {
    MDXField* f = field(blank);
    EXPECT_THROW(f->Delimit(), std::out_of_range);
    EXPECT_TRUE(f->getText() == VelaString(blank));
  }
}
