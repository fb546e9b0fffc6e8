// Hierarchy navigation on sets: every operation as whole texts, the reads
// of host objects and fragments, and failures part way.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "mdxgen/mdxgen.h"
#include "tests/fake_host.h"
#include "tests/text_cases.h"

namespace {

// A set whose text reads are counted, and which can refuse to be read.
class CountingSet : public MSOLAP8Set {
 public:
  explicit CountingSet(const VelaString& text) : MSOLAP8Set(text) {}
  VelaString getText() const override {
    ++reads;
    if (fails) throw std::runtime_error("set unreadable");
    return MSOLAP8Set::getText();
  }
  mutable int reads = 0;
  bool fails = false;
};

class CountingField : public MSOLAP8Field {
 public:
  explicit CountingField(const VelaString& text) : MSOLAP8Field(text) {}
  VelaString getText() const override {
    ++reads;
    return MSOLAP8Field::getText();
  }
  mutable int reads = 0;
};

class CountingHierarchy : public fake::Hierarchy {
 public:
  using fake::Hierarchy::Hierarchy;
  const VelaString& getUniqueName() const override {
    ++reads;
    return fake::Hierarchy::getUniqueName();
  }
  void getCalculations(std::map<std::uint32_t, KIVA_o::Calculation*>* out) const override {
    if (fails) throw std::runtime_error("host failure");
    fake::Hierarchy::getCalculations(out);
  }
  mutable int reads = 0;
  bool fails = false;
};

using Case = TextCase<MDXSet>;

class SetNavigationTest : public ::testing::Test {
 protected:
  ~SetNavigationTest() override {
    s->unuse();
    f->unuse();
    delete generator;
  }

  void run(const std::vector<Case>& cases) {
    expectTexts([&](const VelaString& t) { return generator->GenerateSet(t); }, cases);
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  CountingHierarchy h{L"[H]", {L"[H].[L0]", L"[H].[L1]", L"[H].[L2]"}};
  fake::Hierarchy flat{L"[Flat]"};
  fake::Level level{L"[H].[L1]"};
  CountingSet* s = new CountingSet(L"S");
  CountingField* f = new CountingField(L"[F]");
};

}  // namespace

TEST_F(SetNavigationTest, LevelsAndMembers) {
  run({
      {"top level", [&](MDXSet* x) { return x->TakeTopLevel(&h); }, " { [H].[L0].Members  } "},
      {"top level, no hierarchy", [](MDXSet* x) { return x->TakeTopLevel(nullptr); }, " {  } "},
      {"top level, no level", [&](MDXSet* x) { return x->TakeTopLevel(&flat); }, " {  } "},
      {"whole level", [&](MDXSet* x) { return x->TakeWholeLevel(&level); }, "[H].[L1].MEMBERS"},
      {"level of a member, all", [&](MDXSet* x) { return x->TakeAllMembersAtLevel(f, true); },
       "[F].LEVEL.ALLMEMBERS"},
      {"level of a member", [&](MDXSet* x) { return x->TakeAllMembersAtLevel(f, false); },
       "[F].LEVEL.MEMBERS"},
      {"hierarchy, all", [&](MDXSet* x) { return x->TakeAllMembers(&h, true); },
       "[H].ALLMEMBERS"},
      {"hierarchy", [&](MDXSet* x) { return x->TakeAllMembers(&h, false); }, "[H].MEMBERS"},
      {"named, all", [](MDXSet* x) { return x->TakeAllMembers(L"[G]", true); },
       "[G].ALLMEMBERS"},
      {"named", [](MDXSet* x) { return x->TakeAllMembers(L"[G]", false); }, "[G].MEMBERS"},
      {"base level 3", [&](MDXSet* x) { return x->TakeBaseLevel(&h, 3); },
       "[H].LEVELS( 2 ).MEMBERS"},
      {"base level 1", [&](MDXSet* x) { return x->TakeBaseLevel(&h, 1); },
       "[H].LEVELS( 0 ).MEMBERS"},
      {"base level 0", [&](MDXSet* x) { return x->TakeBaseLevel(&h, 0); },
       "[H].LEVELS( -1 ).MEMBERS"},
      {"base level, 32-bit wrap", [&](MDXSet* x) { return x->TakeBaseLevel(&h, -2147483647 - 1); },
       "[H].LEVELS( 2147483647 ).MEMBERS"},
      {"siblings", [&](MDXSet* x) { return x->TakeSiblings(f, nullptr); }, "[F].SIBLINGS "},
      {"children", [&](MDXSet* x) { return x->TakeChildren(f); }, "[F].CHILDREN "},
      {"descendants of a field", [&](MDXSet* x) { return x->TakeDescendants(f); },
       "DESCENDANTS( [F], [F].LEVEL, AFTER ) "},
      {"descendants at a level", [](MDXSet* x) { return x->TakeDescendants(L"m", L"[H].[L2]"); },
       "DESCENDANTS( m, [H].[L2], SELF )"},
      {"extract", [&](MDXSet* x) { return x->Extract(L"S", &h); }, " { Extract( S, [H] ) } "},
  });
}

TEST_F(SetNavigationTest, LeafNodes) {
  fake::Calculation c1{L"[H].[C1]", L"", &h}, c2{L"[H].[C2]", L"", &h};
  const char* leaves =
      "GENERATE( [H].LEVELS(0).MEMBERS, DESCENDANTS( [H].CURRENTMEMBER, 2, LEAVES ) )";
  run({{"no calculations", [&](MDXSet* x) { return x->TakeLeafNodes(&h); }, leaves}});
  h.calculations_ = {{7, nullptr}, {9, nullptr}};
  run({{"only null calculations", [&](MDXSet* x) { return x->TakeLeafNodes(&h); }, leaves}});
  h.calculations_ = {{5, &c2}, {3, nullptr}, {1, &c1}};
  run({{"calculations in key order",
        [&](MDXSet* x) { return x->TakeLeafNodes(&h); },
        "UNION( GENERATE( [H].LEVELS(0).MEMBERS, DESCENDANTS( [H].CURRENTMEMBER, 2, LEAVES ) ), "
        "{ [H].[C1], [H].[C2] } )"}});
  h.calculations_ = {{3, nullptr}, {4, &c2}};
  run({{"one calculation after a null one", [&](MDXSet* x) { return x->TakeLeafNodes(&h); },
        "UNION( GENERATE( [H].LEVELS(0).MEMBERS, DESCENDANTS( [H].CURRENTMEMBER, 2, LEAVES ) ), "
        "{ [H].[C2] } )"}});
  fake::Hierarchy none{L"[N]"};
  run({{"no levels", [&](MDXSet* x) { return x->TakeLeafNodes(&none); },
        "GENERATE( [N].LEVELS(0).MEMBERS, DESCENDANTS( [N].CURRENTMEMBER, -1, LEAVES ) )"}});
}

TEST_F(SetNavigationTest, AncestorsOfAMember) {
  run({
      {"none, 0", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", false, 0); }, "{}"},
      {"all, 0", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", true, 0); }, "{}"},
      {"parent", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", false, 1); },
       " { ANCESTOR( m.PARENT, 0 ) } "},
      {"third generation", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", false, 3); },
       " { ANCESTOR( m.PARENT, 2 ) } "},
      {"negative", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", false, -2); },
       " { ANCESTOR( m.PARENT, -3 ) } "},
      {"top", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", false, -1); },
       " { ANCESTOR( m.PARENT, m.Hierarchy.LEVELS(0) ) } "},
      {"all to the top", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", true, -1); },
       " { { ASCENDANTS( m.PARENT ) } } "},
      {"all, 1", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", true, 1); },
       " {  ANCESTOR( m.PARENT, 0 ) } "},
      {"all, 2", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", true, 2); },
       " {  ANCESTOR( m.PARENT, 0 ),  ANCESTOR( m.PARENT, 1 ) } "},
      {"all, negative", [](MDXSet* x) { return x->TakeAncestorsOfMember(L"m", true, -2); },
       " {  } "},
  });
}

TEST_F(SetNavigationTest, AncestorsOfASet) {
  run({
      {"all to the top", [&](MDXSet* x) { return x->TakeAncestorsOfSet(L"S", &h, true, -1, 9); },
       " GENERATE( S, {ASCENDANTS( [H].CURRENTMEMBER.PARENT)} )"},
      {"top", [&](MDXSet* x) { return x->TakeAncestorsOfSet(L"S", &h, false, -1, 9); },
       " GENERATE( S, { ANCESTOR( [H].CURRENTMEMBER.PARENT, [H].LEVELS(0) ) } )"},
      {"second generation", [&](MDXSet* x) { return x->TakeAncestorsOfSet(L"S", &h, false, 2, 9); },
       " GENERATE( S , { ANCESTOR( [H].CURRENTMEMBER.PARENT, 1 )  } ) "},
      {"0 writes -1", [&](MDXSet* x) { return x->TakeAncestorsOfSet(L"S", &h, false, 0, 9); },
       " GENERATE( S , { ANCESTOR( [H].CURRENTMEMBER.PARENT, -1 )  } ) "},
      {"all, 2", [&](MDXSet* x) { return x->TakeAncestorsOfSet(L"S", &h, true, 2, 9); },
       " GENERATE( S , { ANCESTOR( [H].CURRENTMEMBER.PARENT, 0 ) , "
       "ANCESTOR( [H].CURRENTMEMBER.PARENT, 1 )  } ) "},
      {"all, 0", [&](MDXSet* x) { return x->TakeAncestorsOfSet(L"S", &h, true, 0, 9); },
       " GENERATE( S , {  } ) "},
  });
}

TEST_F(SetNavigationTest, ChildrenOfASet) {
  const std::string g1 = "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 1, SELF ) ) ";
  const std::string g2 = "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 2, SELF ) ) ";
  const std::string g3 = "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 3, SELF ) ) ";
  const std::string two = "UNION( " + g1 + ", " + g2 + ") ";
  const std::string three = "UNION( " + g1 + ", UNION( " + g2 + ", " + g3 + ") ) ";
  run({
      {"every descendant", [&](MDXSet* x) { return x->TakeChildren(s, &h, true, -1, L"u"); },
       "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, [H].CURRENTMEMBER.LEVEL, AFTER ) )"},
      {"leaves", [&](MDXSet* x) { return x->TakeChildren(s, &h, false, -1, L"u"); },
       "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, [H].LEVELS.COUNT - 1, LEAVES ) )"},
      {"generation 2", [&](MDXSet* x) { return x->TakeChildren(s, &h, false, 2, L"u"); },
       "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 2, SELF ) )"},
      {"generation 0", [&](MDXSet* x) { return x->TakeChildren(s, &h, false, 0, L"u"); },
       "GENERATE( S, DESCENDANTS( [H].CURRENTMEMBER, 0, SELF ) )"},
      {"generations 1", [&](MDXSet* x) { return x->TakeChildren(s, &h, true, 1, L"u"); },
       g1},
      {"generations 1-2", [&](MDXSet* x) { return x->TakeChildren(s, &h, true, 2, L"u"); },
       two},
      {"generations 1-3", [&](MDXSet* x) { return x->TakeChildren(s, &h, true, 3, L"u"); },
       three},
      {"no generation", [&](MDXSet* x) { return x->TakeChildren(s, &h, true, 0, L"u"); }, ""},
      {"negative", [&](MDXSet* x) { return x->TakeChildren(s, &h, true, -5, L"u"); }, ""},
      {"of itself", [&](MDXSet* x) { return x->TakeChildren(x, &h, true, 2, L"u"); },
       "UNION( GENERATE( T, DESCENDANTS( [H].CURRENTMEMBER, 1, SELF ) ) , "
       "GENERATE( T, DESCENDANTS( [H].CURRENTMEMBER, 2, SELF ) ) ) "},
  });
}

TEST_F(SetNavigationTest, DescendantsOfAMember) {
  run({
      {"every descendant", [&](MDXSet* x) { return x->TakeDescendants(L"m", &h, true, -1, L"u"); },
       "DESCENDANTS( m, m.LEVEL, AFTER )"},
      {"leaves", [&](MDXSet* x) { return x->TakeDescendants(L"m", &h, false, -1, L"u"); },
       "DESCENDANTS( m, [H].LEVELS.COUNT - 1, LEAVES )"},
      {"down to 2", [&](MDXSet* x) { return x->TakeDescendants(L"m", &h, true, 2, L"u"); },
       "EXCEPT( DESCENDANTS( m, 2, SELF_AND_BEFORE ), {m} )"},
      {"generation 2", [&](MDXSet* x) { return x->TakeDescendants(L"m", &h, false, 2, L"u"); },
       "DESCENDANTS( m, 2, SELF )"},
      {"generation -3", [&](MDXSet* x) { return x->TakeDescendants(L"m", &h, false, -3, L"u"); },
       "DESCENDANTS( m, -3, SELF )"},
  });
}

TEST_F(SetNavigationTest, DrillingWrapsTheText) {
  run({
      {"down, recursive", [&](MDXSet* x) { return x->DrillDown(&h, L"[A]", true); },
       "DRILLDOWNMEMBER( T, [H].MEMBERS , RECURSIVE ) "},
      {"down", [](MDXSet* x) { return x->DrillDown(nullptr, L"[A], [B]", false); },
       "DRILLDOWNMEMBER( T,  { [A], [B] } ) "},
      {"down on a named set", [](MDXSet* x) { return x->DrillDownOnSet(L"X"); },
       "DRILLDOWNMEMBER( T, {X} ) "},
      {"down on a set", [&](MDXSet* x) { return x->DrillDownOnSet(s); },
       "DRILLDOWNMEMBER( T, {S} ) "},
      {"down on itself", [](MDXSet* x) { return x->DrillDownOnSet(x); },
       "DRILLDOWNMEMBER( T, {T} ) "},
      {"up", [](MDXSet* x) { return x->DrillUp(L"[A]"); }, "DRILLUPMEMBER( T,  { [A] } ) "},
      {"up on a named set", [](MDXSet* x) { return x->DrillUpOnSet(L"X"); },
       "DRILLUPMEMBER( Hierarchize( T ) , X ) "},
      {"up on a set", [&](MDXSet* x) { return x->DrillUpOnSet(s); },
       "DRILLUPMEMBER( Hierarchize( T ) , S ) "},
      {"toggle", [&](MDXSet* x) { return x->ToggleDrillStateOnSet(s, false); },
       "TOGGLEDRILLSTATE( T, S ) "},
      {"toggle, recursive", [&](MDXSet* x) { return x->ToggleDrillStateOnSet(s, true); },
       "TOGGLEDRILLSTATE( T, S, RECURSIVE )"},
      {"invert", [&](MDXSet* x) { return x->Invert(&h); }, "EXCEPT( [H].MEMBERS, T ) "},
      {"down then up", [](MDXSet* x) { return x->DrillDownOnSet(L"a")->DrillUpOnSet(L"b"); },
       "DRILLUPMEMBER( Hierarchize( DRILLDOWNMEMBER( T, {a} )  ) , b ) "},
  });
}

// The set argument of TakeChildren is read once per GENERATE written, a
// field of TakeDescendants twice, a hierarchy as often as its operation says.
TEST_F(SetNavigationTest, ReadsOfArguments) {
  auto_unuse<MDXSet> x(generator->GenerateSet());
  const struct {
    const char* name;
    std::function<void()> op;
    const int& reads;
    int expected;
  } cases[] = {
      {"children, 3 generations", [&] { x->TakeChildren(s, &h, true, 3, L""); }, s->reads, 3},
      {"children, none", [&] { x->TakeChildren(s, &h, true, 0, L""); }, s->reads, 0},
      {"children, generation 3", [&] { x->TakeChildren(s, &h, false, 3, L""); }, s->reads, 1},
      {"descendants of a field", [&] { x->TakeDescendants(f); }, f->reads, 2},
      {"leaves", [&] { x->TakeLeafNodes(&h); }, h.reads, 2},
      {"ancestors of a set", [&] { x->TakeAncestorsOfSet(L"S", &h, false, -1, 0); }, h.reads, 1},
      {"recursive drill down", [&] { x->DrillDown(&h, L"", true); }, h.reads, 1},
      {"drill down by names", [&] { x->DrillDown(&h, L"", false); }, h.reads, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s->reads = f->reads = h.reads = 0;
    c.op();
    EXPECT_EQ(c.reads, c.expected);
  }
}

// A failing read leaves the text as it was, except in TakeLeafNodes, which
// holds the leaves written before the host was asked for calculations.
TEST_F(SetNavigationTest, FailuresPartWay) {
  auto_unuse<MDXSet> x(generator->GenerateSet(VelaString(L"T")));
  s->fails = true;
  EXPECT_THROW(x->TakeChildren(s, &h, true, 3, L""), std::runtime_error);
  EXPECT_THROW(x->DrillDownOnSet(s), std::runtime_error);
  EXPECT_THROW(x->ToggleDrillStateOnSet(s, true), std::runtime_error);
  EXPECT_EQ(x->getText().toUtf8(), "T");
  h.fails = true;
  EXPECT_THROW(x->TakeLeafNodes(&h), std::runtime_error);
  EXPECT_EQ(x->getText().toUtf8(),
            "GENERATE( [H].LEVELS(0).MEMBERS, DESCENDANTS( [H].CURRENTMEMBER, 2, LEAVES ) )");
}
