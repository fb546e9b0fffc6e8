// Hierarchy navigation on sets: the host's calculations in TakeLeafNodes, a set
// given itself, and failures part way.
#include <stdexcept>

#include "memory_host.h"
#include "tests/text_cases.h"

namespace {

// A fragment which can refuse to be read.
template <class Base>
class Counted : public Base {
 public:
  using Base::Base;
  VelaString getText() const override {
    if (fails) throw std::runtime_error("unreadable");
    return Base::getText();
  }
  bool fails = false;
};

class SetNavigationTest : public GeneratorTest {
 protected:
  fake::Hierarchy h{L"[H]", {L"[H].[L0]", L"[H].[L1]", L"[H].[L2]"}};
  Counted<MSOLAP8Set>* s = hold(new Counted<MSOLAP8Set>(L"S"));
  Counted<MSOLAP8Field>* f = hold(new Counted<MSOLAP8Field>(L"[F]"));
};

}  // namespace

TEST_F(SetNavigationTest, LeafNodes) {
  fake::Calculation c1{L"[H].[C1]", L"", &h}, c2{L"[H].[C2]", L"", &h};
  const char* leaves =
      "GENERATE( [H].LEVELS(0).MEMBERS, DESCENDANTS( [H].CURRENTMEMBER, 2, LEAVES ) )";
  const std::pair<std::map<std::uint32_t, KIVA_o::Calculation*>, std::string> cases[] = {
      {{}, leaves},
      {{{7, nullptr}, {9, nullptr}}, leaves},
      {{{5, &c2}, {1, nullptr}, {3, &c1}},
       "UNION( GENERATE( [H].LEVELS(0).MEMBERS, DESCENDANTS( [H].CURRENTMEMBER, 2, LEAVES ) ), "
       "{ [H].[C1], [H].[C2] } )"},
  };
  for (const auto& [calculations, text] : cases) {
    h.calculations_ = calculations;
    expectSetTexts({ROW(TakeLeafNodes(&h), text)});
  }
  fake::Hierarchy none{L"[N]"};
  expectSetTexts({ROW(
      TakeLeafNodes(&none),
      "GENERATE( [N].LEVELS(0).MEMBERS, DESCENDANTS( [N].CURRENTMEMBER, -1, LEAVES ) )")});
}

// Given itself, TakeChildren reads the text from before the call.
TEST_F(SetNavigationTest, ChildrenOfItself) {
  expectSetTexts({
      ROW(TakeChildren(x, &h, true, 2, L"u"),
          "UNION( GENERATE( T, DESCENDANTS( [H].CURRENTMEMBER, 1, SELF ) ) , "
          "GENERATE( T, DESCENDANTS( [H].CURRENTMEMBER, 2, SELF ) ) ) "),
  });
}

// A failing read leaves the text as it was, except in TakeLeafNodes, which
// holds the leaves written before the host was asked for calculations.
TEST_F(SetNavigationTest, FailuresPartWay) {
  MDXSet* x = set(L"T");
  s->fails = true;
  EXPECT_THROW(x->TakeChildren(s, &h, true, 3, L""), std::runtime_error);
  EXPECT_THROW(x->ToggleDrillStateOnSet(s, true), std::runtime_error);
  EXPECT_EQ(x->getText().toUtf8(), "T");
  h.failing = true;
  EXPECT_THROW(x->TakeLeafNodes(&h), std::runtime_error);
  EXPECT_EQ(x->getText().toUtf8(),
            "GENERATE( [H].LEVELS(0).MEMBERS, DESCENDANTS( [H].CURRENTMEMBER, 2, LEAVES ) )");
}
