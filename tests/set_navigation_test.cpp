// Hierarchy navigation on sets: every operation as whole texts, the reads
// of host objects and fragments, and failures part way.
#include <stdexcept>

#include "memory_host.h"
#include "tests/text_cases.h"

namespace {

// A fragment whose text reads are counted, and which can refuse to be read.
template <class Base>
class Counted : public Base {
 public:
  using Base::Base;
  VelaString getText() const override {
    ++reads;
    if (fails) throw std::runtime_error("unreadable");
    return Base::getText();
  }
  mutable int reads = 0;
  bool fails = false;
};

class SetNavigationTest : public GeneratorTest {
 protected:
  fake::Hierarchy h{L"[H]", {L"[H].[L0]", L"[H].[L1]", L"[H].[L2]"}};
  Counted<MSOLAP8Set>* s = hold(new Counted<MSOLAP8Set>(L"S"));
  Counted<MSOLAP8Field>* f = hold(new Counted<MSOLAP8Field>(L"[F]"));
};

}  // namespace

TEST_F(SetNavigationTest, LevelsAndMembers) {
  fake::Hierarchy flat{L"[Flat]"};
  fake::Level level{L"[H].[L1]"};
  expectSetTexts({
      ROW(TakeTopLevel(&h), " { [H].[L0].Members  } "),
      ROW(TakeTopLevel(nullptr), " {  } "),
      ROW(TakeTopLevel(&flat), " {  } "),
      ROW(TakeWholeLevel(&level), "[H].[L1].MEMBERS"),
      ROW(TakeAllMembersAtLevel(f, true), "[F].LEVEL.ALLMEMBERS"),
      ROW(TakeAllMembersAtLevel(f, false), "[F].LEVEL.MEMBERS"),
      ROW(TakeAllMembers(&h, true), "[H].ALLMEMBERS"),
      ROW(TakeAllMembers(&h, false), "[H].MEMBERS"),
      ROW(TakeAllMembers(L"[G]", true), "[G].ALLMEMBERS"),
      ROW(TakeAllMembers(L"[G]", false), "[G].MEMBERS"),
      ROW(TakeBaseLevel(&h, 0), "[H].LEVELS( -1 ).MEMBERS"),
      ROW(TakeBaseLevel(&h, -2147483647 - 1), "[H].LEVELS( 2147483647 ).MEMBERS"),
      ROW(TakeSiblings(f, nullptr), "[F].SIBLINGS "),
      ROW(TakeChildren(f), "[F].CHILDREN "),
      ROW(TakeDescendants(f), "DESCENDANTS( [F], [F].LEVEL, AFTER ) "),
      ROW(TakeDescendants(L"m", L"[H].[L2]"), "DESCENDANTS( m, [H].[L2], SELF )"),
      ROW(Extract(L"S", &h), " { Extract( S, [H] ) } "),
  });
}

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

TEST_F(SetNavigationTest, AncestorsAndDescendants) {
  expectSetTexts({
      ROW(TakeAncestorsOfMember(L"m", false, 0), "{}"),
      ROW(TakeAncestorsOfMember(L"m", false, 1), " { ANCESTOR( m.PARENT, 0 ) } "),
      ROW(TakeAncestorsOfMember(L"m", false, -1),
          " { ANCESTOR( m.PARENT, m.Hierarchy.LEVELS(0) ) } "),
      ROW(TakeAncestorsOfMember(L"m", true, -1), " { { ASCENDANTS( m.PARENT ) } } "),
      ROW(TakeAncestorsOfMember(L"m", true, 2),
          " {  ANCESTOR( m.PARENT, 0 ),  ANCESTOR( m.PARENT, 1 ) } "),
      ROW(TakeAncestorsOfMember(L"m", true, -2), " {  } "),
      ROW(TakeAncestorsOfSet(L"S", &h, true, -1, 9),
          " GENERATE( S, {ASCENDANTS( [H].CURRENTMEMBER.PARENT)} )"),
      ROW(TakeAncestorsOfSet(L"S", &h, false, -1, 9),
          " GENERATE( S, { ANCESTOR( [H].CURRENTMEMBER.PARENT, [H].LEVELS(0) ) } )"),
      ROW(TakeAncestorsOfSet(L"S", &h, false, 2, 9),
          " GENERATE( S , { ANCESTOR( [H].CURRENTMEMBER.PARENT, 1 )  } ) "),
      ROW(TakeAncestorsOfSet(L"S", &h, false, 0, 9),
          " GENERATE( S , { ANCESTOR( [H].CURRENTMEMBER.PARENT, -1 )  } ) "),
      ROW(TakeAncestorsOfSet(L"S", &h, true, 2, 9),
          " GENERATE( S , { ANCESTOR( [H].CURRENTMEMBER.PARENT, 0 ) , "
          "ANCESTOR( [H].CURRENTMEMBER.PARENT, 1 )  } ) "),
      ROW(TakeAncestorsOfSet(L"S", &h, true, 0, 9), " GENERATE( S , {  } ) "),
      ROW(TakeChildren(s, &h, true, -1, L"u"),
          "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, [H].CURRENTMEMBER.LEVEL, AFTER ) )"),
      ROW(TakeChildren(s, &h, false, -1, L"u"),
          "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, [H].LEVELS.COUNT - 1, LEAVES ) )"),
      ROW(TakeChildren(s, &h, false, 2, L"u"),
          "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 2, SELF ) )"),
      ROW(TakeChildren(s, &h, true, 1, L"u"),
          "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 1, SELF ) ) "),
      ROW(TakeChildren(s, &h, true, 3, L"u"),
          "UNION( GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 1, SELF ) ) , "
          "UNION( GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 2, SELF ) ) , "
          "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 3, SELF ) ) ) ) "),
      ROW(TakeChildren(s, &h, true, 0, L"u"), ""),
      // The set read is the text from before the call.
      ROW(TakeChildren(x, &h, true, 2, L"u"),
          "UNION( GENERATE( T, DESCENDANTS( [H].CURRENTMEMBER, 1, SELF ) ) , "
          "GENERATE( T, DESCENDANTS( [H].CURRENTMEMBER, 2, SELF ) ) ) "),
      ROW(TakeDescendants(L"m", &h, true, -1, L"u"), "DESCENDANTS( m, m.LEVEL, AFTER )"),
      ROW(TakeDescendants(L"m", &h, false, -1, L"u"),
          "DESCENDANTS( m, [H].LEVELS.COUNT - 1, LEAVES )"),
      ROW(TakeDescendants(L"m", &h, true, 2, L"u"),
          "EXCEPT( DESCENDANTS( m, 2, SELF_AND_BEFORE ), {m} )"),
      ROW(TakeDescendants(L"m", &h, false, 2, L"u"), "DESCENDANTS( m, 2, SELF )"),
  });
}

TEST_F(SetNavigationTest, DrillingWrapsTheText) {
  expectSetTexts({
      ROW(DrillDown(&h, L"[A]", true), "DRILLDOWNMEMBER( T, [H].MEMBERS , RECURSIVE ) "),
      ROW(DrillDown(nullptr, L"[A], [B]", false), "DRILLDOWNMEMBER( T,  { [A], [B] } ) "),
      ROW(DrillDownOnSet(L"X"), "DRILLDOWNMEMBER( T, {X} ) "),
      ROW(DrillDownOnSet(set(L"S's")), "DRILLDOWNMEMBER( T, {S's} ) "),
      ROW(DrillUp(L"[A]"), "DRILLUPMEMBER( T,  { [A] } ) "),
      ROW(DrillUpOnSet(L"X"), "DRILLUPMEMBER( Hierarchize( T ) , X ) "),
      ROW(DrillUpOnSet(s), "DRILLUPMEMBER( Hierarchize( T ) , S ) "),
      ROW(ToggleDrillStateOnSet(s, false), "TOGGLEDRILLSTATE( T, S ) "),
      ROW(ToggleDrillStateOnSet(s, true), "TOGGLEDRILLSTATE( T, S, RECURSIVE )"),
      ROW(Invert(&h), "EXCEPT( [H].MEMBERS, T ) "),
      ROW(DrillDownOnSet(L"a")->DrillUpOnSet(L"b"),
          "DRILLUPMEMBER( Hierarchize( DRILLDOWNMEMBER( T, {a} )  ) , b ) "),
  });
}

// The set argument of TakeChildren is read once per GENERATE written, a
// field of TakeDescendants twice, a hierarchy as often as its operation says.
TEST_F(SetNavigationTest, ReadsOfArguments) {
  MDXSet* x = set(L"{  }");
  const std::pair<std::function<void()>, std::vector<int>> cases[] = {
      {[&] { x->TakeChildren(s, &h, true, 3, L""); }, {3, 0, 1}},
      {[&] { x->TakeDescendants(f); }, {0, 2, 0}},
      {[&] { x->TakeLeafNodes(&h); }, {0, 0, 2}},
      {[&] { x->TakeAncestorsOfSet(L"S", &h, false, -1, 0); }, {0, 0, 1}},
  };
  for (const auto& [op, reads] : cases) {
    s->reads = f->reads = h.reads = 0;
    op();
    EXPECT_EQ((std::vector<int>{s->reads, f->reads, h.reads}), reads);
  }
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
