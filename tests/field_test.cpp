// Member expressions: every constructor and operation, as whole texts.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "mdxgen/mdxgen.h"
#include "tests/fake_host.h"

namespace {

class FieldTest : public ::testing::Test {
 protected:
  ~FieldTest() override { delete generator; }

  // The text of a field made from `start` after `op`.
  std::string after(const wchar_t* start, const std::function<void(MDXField*)>& op) {
    auto_unuse<MDXField> f(generator->GenerateField(VelaString(start)));
    op(f.get());
    return f->getText().toUtf8();
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
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
  const struct {
    std::function<MDXField*()> make;
    const char* text;
  } cases[] = {
      {[&] { return generator->GenerateField(L"[Time].[1997]"); }, "[Time].[1997]"},
      {[&] { return generator->GenerateField(L"[Time].[1997]", L"Q1"); }, "[Time].[1997].[Q1]"},
      {[&] { return generator->GenerateField(&member); }, "[Time].[1997]"},
      {[&] { return generator->GenerateField(&time); }, "[Time].DEFAULTMEMBER"},
      {[&] { return generator->GenerateField(&time, L"1998"); }, "[Time].[1998]"},
      {[&] { return generator->GenerateField(&timeDim); }, "[Time].DEFAULTMEMBER"},
      {[&] { return generator->GenerateField(&quarter, L"Q2"); }, "[Time].[Quarter].[Q2]"},
      {[&] { return generator->GenerateField(&withParent, L"X"); }, "[Time].[1997].[X]"},
      {[&] { return generator->GenerateField(&withoutParent, L"X"); }, "[Time].[X]"},
      {[&] { return generator->GenerateField(&dynamic, L"[Time].[1997]"); }, "[Time].[1997].[Dyn]"},
      {[&] { return generator->GenerateField(L" a ]b", L""); }, " a ]b.[]"},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXField> f(c.make());
    EXPECT_EQ(f->getText().toUtf8(), c.text);
    EXPECT_NE(dynamic_cast<MSOLAP8Field*>(f.get()), nullptr);
  }
  auto_unuse<MDXField> original(generator->GenerateField(L"[A]"));
  original->MoveToParent();
  auto_unuse<MDXField> copy(generator->GenerateField(original.get()));
  EXPECT_EQ(copy->getText().toUtf8(), "[A].PARENT");
}

TEST_F(FieldTest, Navigation) {
  const struct {
    std::function<void(MDXField*)> op;
    const char* text;
  } cases[] = {
      {[](MDXField* f) { f->MoveToChild(L"Q1"); }, "T.[Q1]"},
      {[&](MDXField* f) { f->MoveToRootNode(&timeDim, L"All"); }, "[Time].[All]"},
      {[](MDXField* f) { f->MoveToFirstChild(); }, "T.FIRSTCHILD "},
      {[](MDXField* f) { f->MoveToParent(); }, "T.PARENT"},
      {[](MDXField* f) { f->MoveToRoot(nullptr); }, "ANCESTOR( T,T.DIMENSION.LEVELS( 0 ) ) "},
      {[](MDXField* f) { f->DrillUp(nullptr); }, "{ T.PARENT, T }.ITEM(0) "},
      {[&](MDXField* f) { f->TakeCurrentMember(&time); }, "[Time].CURRENTMEMBER "},
      {[&](MDXField* f) { f->TakeCurrentMember(&timeDim); }, "[Time].CURRENTMEMBER "},
      {[&](MDXField* f) { f->TakeDefaultMember(&time); }, "[Time].DEFAULTMEMBER "},
      {[](MDXField* f) { f->TakeAncestorAtLevel(nullptr, 2); },
       " ANCESTOR( T, T.DIMENSION.LEVELS(2) ) "},
      {[](MDXField* f) { f->TakeAncestorAtLevel(nullptr, -3); },
       " ANCESTOR( T, T.DIMENSION.LEVELS(-3) ) "},
      {[&](MDXField* f) { f->TakeParentOfCalculation(&withParent); }, "[Time].[1997]"},
      {[&](MDXField* f) { f->TakeParentOfCalculation(&withoutParent); }, "[Time]"},
      {[&](MDXField* f) { f->TakeNameOfCalculation(&withParent); }, "[Time].[1997].[C1]"},
      {[](MDXField* f) { f->LoopLeft(); },
       " { T.PREVMEMBER, ADDCALCULATEDMEMBERS( T.LEVEL.MEMBERS ).ITEM( COUNT( "
       "ADDCALCULATEDMEMBERS( T.LEVEL.MEMBERS ) ) - 1 ), T }.ITEM(0) "},
      {[](MDXField* f) { f->LoopRight(); },
       " { T.NEXTMEMBER, EXCEPT( ADDCALCULATEDMEMBERS( T.LEVEL.MEMBERS ), T.LEVEL.MEMBERS ), "
       "T.LEVEL.MEMBERS( 0 ), T }.ITEM(0)"},
      {[](MDXField* f) { f->ReplaceName(L"[B]"); }, "[B]"},
  };
  for (const auto& c : cases) EXPECT_EQ(after(L"T", c.op), c.text);
  EXPECT_EQ(after(L"[Time].[1997]", [](MDXField* f) { f->MoveToChild(L"Q1")->MoveToParent(); }),
            "[Time].[1997].[Q1].PARENT");
}

TEST_F(FieldTest, SiblingChoice) {
  fake::Calculation x{L"[Time].[X]", L"", &time};
  fake::Calculation y{L"[Time].[Y]", L"", &time};
  const std::vector<KIVA_o::Calculation*> none;
  const std::vector<KIVA_o::Calculation*> two{&x, &y};
  const std::string s = "T.SIBLINGS";
  const std::string a = "AddCalculatedMembers(" + s + ")";
  const std::string i = "INTERSECT(" + a + ",{[Time].[X],[Time].[Y]})";
  const std::string firstLast = "HIERARCHIZE(UNION(" + s + "," + i + "))";
  const std::string neighbour = "HIERARCHIZE(UNION(" + i + "," + s + "))";
  const struct {
    std::function<void(MDXField*)> op;
    std::string text;
  } cases[] = {
      {[&](MDXField* f) { f->MoveToFirstSibling(false, none); }, s + ".ITEM(0).ITEM(0)"},
      {[&](MDXField* f) { f->MoveToFirstSibling(true, two); }, a + ".ITEM(0).ITEM(0)"},
      {[&](MDXField* f) { f->MoveToFirstSibling(false, two); }, firstLast + ".ITEM(0).ITEM(0)"},
      {[&](MDXField* f) { f->MoveToLastSibling(false, none); },
       s + ".ITEM(" + s + ".COUNT-1).ITEM(0)"},
      {[&](MDXField* f) { f->MoveToLastSibling(false, two); },
       firstLast + ".ITEM(" + firstLast + ".COUNT-1).ITEM(0)"},
      {[&](MDXField* f) { f->PrevSibling(none); },
       "{" + s + ".ITEM(RANK(T," + s + ")-2).ITEM(0),TAIL(" + s + ")}.ITEM(0).ITEM(0)"},
      {[&](MDXField* f) { f->PrevSibling(two); },
       "{" + neighbour + ".ITEM(RANK(T," + neighbour + ")-2).ITEM(0),TAIL(" + neighbour +
           ")}.ITEM(0).ITEM(0)"},
      {[&](MDXField* f) { f->NextSibling(none); },
       "{" + s + ".ITEM(RANK(T," + s + ")).ITEM(0)," + s + ".ITEM(0).ITEM(0)}.ITEM(0).ITEM(0)"},
      {[&](MDXField* f) { f->NextSibling(two); },
       "{" + neighbour + ".ITEM(RANK(T," + neighbour + ")).ITEM(0)," + neighbour +
           ".ITEM(0).ITEM(0)}.ITEM(0).ITEM(0)"},
  };
  for (const auto& c : cases) EXPECT_EQ(after(L"T", c.op), c.text);
}

TEST_F(FieldTest, Delimit) {
  const struct {
    const wchar_t* in;
    const char* out;
  } cases[] = {
      {L"  Sales ", "[Sales]"}, {L"[Sales]", "[Sales]"}, {L"  Sales]", "  Sales]"},
      {L"[Sales", "[[Sales]"},  {L"a b", "[a b]"},
  };
  for (const auto& c : cases) EXPECT_EQ(after(c.in, [](MDXField* f) { f->Delimit(); }), c.out);
  for (const wchar_t* blank : {L"", L"   "}) {
    auto_unuse<MDXField> f(generator->GenerateField(VelaString(blank)));
    EXPECT_THROW(f->Delimit(), std::out_of_range);
    EXPECT_TRUE(f->getText() == VelaString(blank));
  }
}

TEST_F(FieldTest, QuotedTextFollowsEveryChange) {
  auto_unuse<MDXField> f(generator->GenerateField(L"[Store].[Joe's]"));
  EXPECT_EQ(f->getQuotedText().toUtf8(), "[Store].[Joe''s]");
  f->MoveToParent();
  EXPECT_EQ(f->getQuotedText().toUtf8(), "[Store].[Joe''s].PARENT");
  f->ReplaceName(L"'");
  EXPECT_EQ(f->getQuotedText().toUtf8(), "''");
  f->MoveToChild(L"x'");
  EXPECT_EQ(f->getQuotedText().toUtf8(), "''.[x'']");
  EXPECT_EQ(f->getText().toUtf8(), "'.[x']");
  VelaString out(L"previous text");
  f->writeText(out);
  EXPECT_EQ(out.toUtf8(), "'.[x']");
}
