// Set expressions: subsets, ranks, sorts, top and bottom, taking sorts off;
// whole texts, errors with their inserts, and the text kept after an error.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"

namespace {

using Op = std::function<void(MDXSet*)>;

class SubsetTest : public ::testing::Test {
 protected:
  ~SubsetTest() override { delete generator; }

  MDXTuple* tuple(std::initializer_list<const wchar_t*> members) {
    MDXTuple* t = generator->GenerateTuple();
    for (const wchar_t* m : members) {
      t->AddField(auto_unuse<MDXField>(generator->GenerateField(m)).get());
    }
    held.emplace_back(t);
    return t;
  }

  // The text after op; a quoted copy read before the change must not
  // outlive it.
  static std::string after(MDXSet* s, const Op& op) {
    s->getQuotedText();
    op(s);
    EXPECT_EQ(s->getQuotedText().toUtf8(), s->getText().toUtf8());
    return s->getText().toUtf8();
  }
  std::string after(const Op& op) {
    return after(auto_unuse<MDXSet>(generator->GenerateSet(VelaString(L"S"))).get(), op);
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  std::vector<auto_unuse<MDXTuple>> held;
  MDXTuple* x = tuple({L"[x]"});
  MDXTuple* xy = tuple({L"[x]", L"[y]"});
  MDXTuple* none = tuple({});
};

}  // namespace

TEST_F(SubsetTest, Shapes) {
  auto_unuse<MDXField> f(generator->GenerateField(L"F"));
  auto_unuse<MDXSet> o(generator->GenerateSet(VelaString(L"O")));
  const std::pair<Op, std::string> cases[] = {
      {[](MDXSet* s) { s->TakeSubset(0, -1); }, "SUBSET( S, 0 ) "},
      {[](MDXSet* s) { s->TakeSubset(2, 0); }, "SUBSET( S, 2, 0 ) "},
      {[](MDXSet* s) { s->TakeSubset(INT_MIN, INT_MAX); }, "SUBSET( S, -2147483648, 2147483647 ) "},
      {[](MDXSet* s) { s->TakeSubsetToRank(2, L"[m]", true); },
       "SUBSET( S, 2, IIF( S.COUNT = 0, 0,RANK( [m], S )  ) ) "},
      {[](MDXSet* s) { s->TakeSubsetToRank(-1, L"[m]", false); },
       "SUBSET( S, -1, IIF( S.COUNT = 0, 0,RANK( [m], S )  - 1 ) ) "},
      {[](MDXSet* s) { s->TakeSubsetToRank(2, L"", false); }, "S"},
      {[](MDXSet* s) { s->TakeSubsetFromRank(L"[m]", true); },
       "SUBSET( S, IIF( S.COUNT = 0, 0,RANK( [m], S)  ) ) "},
      {[](MDXSet* s) { s->TakeSubsetFromRank(L"[m]", false); },
       "SUBSET( S, IIF( S.COUNT = 0, 0,RANK( [m], S)  - 1 ) ) "},
      {[](MDXSet* s) { s->TakeSubsetFromRank(L"", true); }, "{}"},
      {[](MDXSet* s) { s->InsertMemberIfNotExists(L"[m]"); }, "DISTINCT( UNION (S,{[m]} ) )"},
      {[](MDXSet* s) { s->InsertMemberIfNotExists(L""); }, "S"},
      {[](MDXSet* s) { s->TakeTail(); }, "TAIL( S ) "},
      {[&](MDXSet* s) { s->Intersect(o.get()); }, "INTERSECT( S, O ) "},
      {[&](MDXSet* s) { s->removeCalculationsSpecial(o.get()); }, "EXCEPT( S, { O } )"},
      {[](MDXSet* s) { s->generate(L"A", L"B"); }, "Generate( A, B ) "},
      {[&](MDXSet* s) { s->Rank(f.get(), o.get()); }, "Rank(F,O)"},
      {[&](MDXSet* s) { s->TakeRank(f.get()); }, "Rank(F,S)"},
      {[&](MDXSet* s) { s->TakeRank(xy); }, "RANK( ( [x], [y] ) , S )"},
      {[&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Count, L"10", nullptr); },
       "TOPCOUNT( S, 10 ) "},
      {[&](MDXSet* s) { s->TakeExtremity(MDXSet::Bottom, MDXSet::Count, L"3", x); },
       "BOTTOMCOUNT( S, 3, [x] ) "},
      {[&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Sum, L"9", xy); },
       "TOPSUM( S, 9, ( [x], [y] )  ) "},
      {[&](MDXSet* s) { s->TakeExtremity(MDXSet::Bottom, MDXSet::Sum, L"9", x); },
       "BOTTOMSUM( S, 9, [x] ) "},
      {[&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Percent, L"50", x); },
       "TOPPERCENT( S, 50, [x] ) "},
      {[&](MDXSet* s) { s->TakeExtremity(MDXSet::Bottom, MDXSet::Percent, L"5", x); },
       "BOTTOMPERCENT( S, 5, [x] ) "},
  };
  for (const auto& [op, text] : cases) EXPECT_EQ(after(op), text);
  auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(L"S")));
  EXPECT_EQ(s->getMemberAt(0, 1).toUtf8(), "S.ITEM(0).ITEM(1)");
  EXPECT_EQ(s->getMemberAt(-2, 30).toUtf8(), "S.ITEM(-2).ITEM(30)");
  EXPECT_EQ(s->getText().toUtf8(), "S");
}

TEST_F(SubsetTest, SubsetsAroundMembers) {
  // Between two members: A and B stand seven times each, T sixteen times.
  const std::string a = "( [x], [y] ) ", b = "[x]", t = "S";
  const std::string both = "IIF( INTERSECT( S, {" + a + "} ).COUNT = 1 AND INTERSECT( S, {" + b +
                           "} ).COUNT = 1, IIF( RANK( " + a + ", S ) < RANK( " + b + ", S), ";
  EXPECT_EQ(after([&](MDXSet* s) { s->TakeSubset(xy, x); }),
            "SUBSET( {S}, " + both + "RANK( " + a + ", S) - 1, RANK( " + b + ", S) - 1), 0), " +
                both + "RANK( " + b + ", S) - RANK( " + a + ", S) + 1, RANK( " + a +
                ", S) - RANK( " + b + ", S) + 1),S.COUNT ) )");

  // Around one member, offsets in either order.
  const std::string l = "ADDCALCULATEDMEMBERS( [x].LEVEL.MEMBERS )", r = "RANK( [x], " + l;
  const auto p = [&](const char* k) { return r + " ) - " + k; };
  const auto subset = [&](const std::string& start, const std::string& end) {
    return "SUBSET( " + l + ", " + start + ", " + end + " - " + start + " ) ";
  };
  const std::string bothBefore = subset("IIF( " + p("3") + " > 0, " + p("3") + " - 1, 0 ) ",
                                        "IIF( " + p("1") + " > 0," + p("1") + ", 0 ) ");
  const struct {
    int a, b;
    std::string text;
  } cases[] = {
      {-3, -1, bothBefore},
      {-1, -3, bothBefore},
      {0, -2, subset("IIF( " + p("2") + " > 0, " + p("2") + " -1, 0 ) ", r + " )")},
      {2, -1, subset("IIF( " + p("1") + " > 0, " + p("1") + " -1 , 0 ) ", r + " ) + 2")},
      {0, 0, subset("(RANK( [x], " + l + " ) + 0 - 1 )", r + " ) + 0")},
      {4, 1, subset("(RANK( [x], " + l + " ) + 1 - 1 )", r + " ) + 4")},
      {INT_MIN, 0, subset("IIF( " + p("2147483648") + " > 0, " + p("2147483648") + " -1, 0 ) ",
                          r + " )")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(after([&](MDXSet* s) { s->TakeSubset(x, c.a, c.b); }), c.text) << c.a << c.b;
  }
}

TEST_F(SubsetTest, Sorts) {
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"V")));
  const char* keywords[] = {"ASC", "DESC", "BASC", "BDESC"};
  for (int d = 0; d < 4; ++d) {
    const std::string k = keywords[d];
    auto_unuse<MDXSet> plain(new MDXSet(VelaString(L"S")));
    EXPECT_EQ(after(plain.get(), [&](MDXSet* s) { s->Order(d, xy); }),
              "ORDER( S, ( [x], [y] ) , " + k + " ) ");
    EXPECT_EQ(after(plain.get(), [&](MDXSet* s) { s->SetExpression(L"S")->Order(d, v.get()); }),
              "ORDER( S, V, " + k + " ) ");
    EXPECT_EQ(after([&](MDXSet* s) { s->Order(d, xy); }),
              "ORDER( UNIQUE( S ), ( [x], [y] ) , " + k + " ) ");
    EXPECT_EQ(after([&](MDXSet* s) { s->Order(d, v.get()); }),
              "ORDER( UNIQUE( S ), V, " + k + " )");
  }
}

TEST_F(SubsetTest, RefusalsKeepTheText) {
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"V")));
  const auto range = MDXError::kValueOutOfRange, noTuple = MDXError::kExtremityWithoutTuple,
             empty = MDXError::kEmptyTuple;
  const auto extremity = [](int type, int measure, const MDXTuple* t) {
    return [=](MDXSet* s) {
      s->TakeExtremity(MDXSet::ExtremityType(type), MDXSet::ExtremityMeasure(measure), L"1", t);
    };
  };
  const struct {
    Op op;
    unsigned long code;
    std::vector<std::string> inserts;
  } cases[] = {
      // The direction is checked before the tuple is read.
      {[&](MDXSet* s) { s->Order(4, none); }, range, {"4", "Sort::direction"}},
      {[&](MDXSet* s) { s->Order(-1, x); }, range, {"-1", "Sort::direction"}},
      {[&](MDXSet* s) { s->Order(INT_MIN, v.get()); }, range, {"-2147483648", "Sort::direction"}},
      {[&](MDXSet* s) { s->Order(0, none); }, empty, {}},
      // The type before the measure, the measure before the tuple.
      {extremity(5, 9, none), range, {"5", "ExtremityType"}},
      {extremity(-1, 0, x), range, {"-1", "ExtremityType"}},
      {extremity(0, 3, nullptr), range, {"3", "ExtremityMeasure"}},
      {extremity(1, 0, nullptr), noTuple, {}},
      {extremity(0, 2, nullptr), noTuple, {}},
      {extremity(0, 1, none), empty, {}},
      {[&](MDXSet* s) { s->TakeSubset(none, 0, 1); }, empty, {}},
      {[&](MDXSet* s) { s->TakeSubset(x, none); }, empty, {}},
      {[&](MDXSet* s) { s->TakeRank(none); }, empty, {}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    auto_unuse<MDXSet> plain(new MDXSet(VelaString(L"S's")));
    auto_unuse<MDXSet> server(generator->GenerateSet(VelaString(L"S's")));
    for (MDXSet* s : {plain.get(), server.get()}) {
      s->getQuotedText();
      try {
        cases[i].op(s);
        ADD_FAILURE() << "case " << i << ": no error";
      } catch (const MDXError& e) {
        std::vector<std::string> inserts;
        for (const auto& insert : e.getInserts()) inserts.push_back(insert.toUtf8());
        EXPECT_EQ(e.getErrorCode(), cases[i].code) << "case " << i;
        EXPECT_EQ(inserts, cases[i].inserts) << "case " << i;
      }
      EXPECT_EQ(s->getText().toUtf8(), "S's") << "case " << i;
      EXPECT_EQ(s->getQuotedText().toUtf8(), "S''s") << "case " << i;
    }
  }
}

TEST_F(SubsetTest, RemoveOrder) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"ORDER( A, x, DESC ) ", " A "},
      {L"order( A, b, ASC )", " A"},
      {L"ORDER( ORDER( A, x, ASC ), y, DESC )", "  A"},
      {L"HIERARCHIZE(ORDER( A, x, ASC ))", "HIERARCHIZE( A)"},
      {L"UNION(A,ORDER( B, x, ASC ))", "UNION(A, B)"},
      {L"ORDER( UNIQUE( S ), [x], BASC ) ", " UNIQUE( S ) "},
      // The comma taken is the first after the keyword, inside brackets too.
      {L"ORDER( F(a, b), x, ASC )", " F(a, x, ASC )"},
      // Nothing to take off: no keyword, a blank before the parenthesis,
      // the keyword inside a longer word.
      {L"", ""},
      {L"ORDER (A, x, ASC)", "ORDER (A, x, ASC)"},
      {L"XORDER( A, x, ASC )", "XORDER( A, x, ASC )"},
      // A wrapper that cannot be taken apart restores the whole text.
      {L"ORDER( A", "ORDER( A"},
      {L"ORDER( A,", "ORDER( A,"},
      {L"ORDER( A, (x, ASC )", "ORDER( A, (x, ASC )"},
      {L"ORDER( A, x, ASC ) ORDER( B", "ORDER( A, x, ASC ) ORDER( B"},
      // A match inside a word stops the search; earlier removals stay.
      {L"ORDER( A, x, ASC ) XORDER( B, y, ASC )", " A XORDER( B, y, ASC )"},
  };
  for (const auto& [in, out] : cases) {
    auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(in)));
    EXPECT_EQ(after(s.get(), [](MDXSet* set) { set->removeOrder(); }), out);
  }
}
