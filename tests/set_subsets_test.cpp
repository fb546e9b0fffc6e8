// Set expressions: subsets, ranks, sorts, top and bottom, taking sorts off;
// whole texts, errors with their inserts, and the text kept after an error.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"

namespace {

class SubsetTest : public ::testing::Test {
 protected:
  ~SubsetTest() override { delete generator; }

  // A tuple of the given members, held by the test.
  MDXTuple* tuple(std::initializer_list<const wchar_t*> members) {
    MDXTuple* t = generator->GenerateTuple();
    for (const wchar_t* m : members) {
      auto_unuse<MDXField> f(generator->GenerateField(VelaString(m)));
      t->AddField(f.get());
    }
    held.emplace_back(t);
    return t;
  }

  // The text of a set "S" after op; the quoted copy read before the change
  // must not be returned after it.
  static std::string after(MDXSet* s, const std::function<void(MDXSet*)>& op) {
    s->getQuotedText();
    op(s);
    EXPECT_EQ(s->getQuotedText().toUtf8(), s->getText().toUtf8());
    return s->getText().toUtf8();
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  std::vector<auto_unuse<MDXTuple>> held;
};

std::vector<std::string> inserts(const MDXError& e) {
  std::vector<std::string> out;
  for (const auto& i : e.getInserts()) out.push_back(i.toUtf8());
  return out;
}

}  // namespace

TEST_F(SubsetTest, Shapes) {
  MDXTuple* x = tuple({L"[x]"});
  MDXTuple* xy = tuple({L"[x]", L"[y]"});
  auto_unuse<MDXField> f(generator->GenerateField(L"F"));
  auto_unuse<MDXSet> o(generator->GenerateSet(VelaString(L"O")));
  const struct {
    int line;
    std::function<void(MDXSet*)> op;
    std::string text;
  } cases[] = {
      {__LINE__, [](MDXSet* s) { s->TakeSubset(0, -1); }, "SUBSET( S, 0 ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubset(2, 0); }, "SUBSET( S, 2, 0 ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubset(-3, 5); }, "SUBSET( S, -3, 5 ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubset(INT_MIN, INT_MAX); },
       "SUBSET( S, -2147483648, 2147483647 ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubsetToRank(2, L"[m]", true); },
       "SUBSET( S, 2, IIF( S.COUNT = 0, 0,RANK( [m], S )  ) ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubsetToRank(-1, L"[m]", false); },
       "SUBSET( S, -1, IIF( S.COUNT = 0, 0,RANK( [m], S )  - 1 ) ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubsetToRank(2, L"", false); }, "S"},
      {__LINE__, [](MDXSet* s) { s->TakeSubsetFromRank(L"[m]", true); },
       "SUBSET( S, IIF( S.COUNT = 0, 0,RANK( [m], S)  ) ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubsetFromRank(L"[m]", false); },
       "SUBSET( S, IIF( S.COUNT = 0, 0,RANK( [m], S)  - 1 ) ) "},
      {__LINE__, [](MDXSet* s) { s->TakeSubsetFromRank(L"", true); }, "{}"},
      {__LINE__, [](MDXSet* s) { s->InsertMemberIfNotExists(L"[m]"); },
       "DISTINCT( UNION (S,{[m]} ) )"},
      {__LINE__, [](MDXSet* s) { s->InsertMemberIfNotExists(L""); }, "S"},
      {__LINE__, [](MDXSet* s) { s->TakeTail(); }, "TAIL( S ) "},
      {__LINE__, [&](MDXSet* s) { s->Intersect(o.get()); }, "INTERSECT( S, O ) "},
      {__LINE__, [&](MDXSet* s) { s->removeCalculationsSpecial(o.get()); }, "EXCEPT( S, { O } )"},
      {__LINE__, [](MDXSet* s) { s->generate(L"A", L"B"); }, "Generate( A, B ) "},
      {__LINE__, [&](MDXSet* s) { s->Rank(f.get(), o.get()); }, "Rank(F,O)"},
      {__LINE__, [&](MDXSet* s) { s->TakeRank(f.get()); }, "Rank(F,S)"},
      {__LINE__, [&](MDXSet* s) { s->TakeRank(x); }, "RANK( [x], S )"},
      {__LINE__, [&](MDXSet* s) { s->TakeRank(xy); }, "RANK( ( [x], [y] ) , S )"},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Count, L"10", nullptr); },
       "TOPCOUNT( S, 10 ) "},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Bottom, MDXSet::Count, L"3", x); },
       "BOTTOMCOUNT( S, 3, [x] ) "},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Sum, L"9", xy); },
       "TOPSUM( S, 9, ( [x], [y] )  ) "},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Bottom, MDXSet::Sum, L"9", x); },
       "BOTTOMSUM( S, 9, [x] ) "},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Percent, L"50", x); },
       "TOPPERCENT( S, 50, [x] ) "},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Bottom, MDXSet::Percent, L"5", x); },
       "BOTTOMPERCENT( S, 5, [x] ) "},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(L"S")));
    EXPECT_EQ(after(s.get(), c.op), c.text) << "line " << c.line;
  }
  auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(L"S")));
  EXPECT_EQ(s->getMemberAt(0, 1).toUtf8(), "S.ITEM(0).ITEM(1)");
  EXPECT_EQ(s->getMemberAt(-2, 30).toUtf8(), "S.ITEM(-2).ITEM(30)");
  EXPECT_EQ(s->getText().toUtf8(), "S");
}

TEST_F(SubsetTest, SubsetBetweenTwoMembers) {
  // A and B each stand seven times, T sixteen times.
  const std::string a = "( [a], [b] ) ";
  const std::string b = "[c]";
  const std::string t = "S";
  const std::string both = "IIF( INTERSECT( " + t + ", {" + a + "} ).COUNT = 1 AND INTERSECT( " +
                           t + ", {" + b + "} ).COUNT = 1, IIF( RANK( " + a + ", " + t +
                           " ) < RANK( " + b + ", " + t + "), ";
  const std::string expected =
      "SUBSET( {" + t + "}, " + both + "RANK( " + a + ", " + t + ") - 1, RANK( " + b + ", " + t +
      ") - 1), 0), " + both + "RANK( " + b + ", " + t + ") - RANK( " + a + ", " + t +
      ") + 1, RANK( " + a + ", " + t + ") - RANK( " + b + ", " + t + ") + 1)," + t + ".COUNT ) )";
  auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(L"S")));
  EXPECT_EQ(after(s.get(), [&](MDXSet* set) {
              set->TakeSubset(tuple({L"[a]", L"[b]"}), tuple({L"[c]"}));
            }),
            expected);
}

TEST_F(SubsetTest, SubsetAroundOneMember) {
  const std::string l = "ADDCALCULATEDMEMBERS( [m].LEVEL.MEMBERS )";
  const std::string r = "RANK( [m], " + l;
  const auto p = [&](const char* k) { return r + " ) - " + k; };
  const auto q = [&](const char* k) { return r + " ) + " + k; };
  const auto subset = [&](const std::string& start, const std::string& end) {
    return "SUBSET( " + l + ", " + start + ", " + end + " - " + start + " ) ";
  };
  const struct {
    int a, b;
    std::string text;
  } cases[] = {
      {-3, -1,
       subset("IIF( " + p("3") + " > 0, " + p("3") + " - 1, 0 ) ",
              "IIF( " + p("1") + " > 0," + p("1") + ", 0 ) ")},
      {-1, -3,
       subset("IIF( " + p("3") + " > 0, " + p("3") + " - 1, 0 ) ",
              "IIF( " + p("1") + " > 0," + p("1") + ", 0 ) ")},
      {0, -2, subset("IIF( " + p("2") + " > 0, " + p("2") + " -1, 0 ) ", r + " )")},
      {2, -1, subset("IIF( " + p("1") + " > 0, " + p("1") + " -1 , 0 ) ", q("2"))},
      {0, 0, subset("(RANK( [m], " + l + " ) + 0 - 1 )", q("0"))},
      {4, 1, subset("(RANK( [m], " + l + " ) + 1 - 1 )", q("4"))},
      {INT_MIN, INT_MIN,
       subset("IIF( " + p("2147483648") + " > 0, " + p("2147483648") + " - 1, 0 ) ",
              "IIF( " + p("2147483648") + " > 0," + p("2147483648") + ", 0 ) ")},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(L"S")));
    MDXTuple* m = tuple({L"[m]"});
    EXPECT_EQ(after(s.get(), [&](MDXSet* set) { set->TakeSubset(m, c.a, c.b); }), c.text)
        << c.a << ", " << c.b;
  }
}

TEST_F(SubsetTest, Sorts) {
  MDXTuple* x = tuple({L"[x]", L"[y]"});
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"V")));
  const char* keywords[] = {"ASC", "DESC", "BASC", "BDESC"};
  for (int d = 0; d < 4; ++d) {
    const std::string k = keywords[d];
    auto_unuse<MDXSet> plain(new MDXSet(VelaString(L"S")));
    EXPECT_EQ(after(plain.get(), [&](MDXSet* s) { s->Order(d, x); }),
              "ORDER( S, ( [x], [y] ) , " + k + " ) ");
    EXPECT_EQ(after(plain.get(), [&](MDXSet* s) { s->SetExpression(L"S")->Order(d, v.get()); }),
              "ORDER( S, V, " + k + " ) ");
    auto_unuse<MDXSet> server(generator->GenerateSet(VelaString(L"S")));
    EXPECT_EQ(after(server.get(), [&](MDXSet* s) { s->Order(d, x); }),
              "ORDER( UNIQUE( S ), ( [x], [y] ) , " + k + " ) ");
    EXPECT_EQ(after(server.get(), [&](MDXSet* s) { s->SetExpression(L"S")->Order(d, v.get()); }),
              "ORDER( UNIQUE( S ), V, " + k + " )");
  }
}

TEST_F(SubsetTest, RefusalsKeepTheText) {
  MDXTuple* x = tuple({L"[x]"});
  MDXTuple* none = tuple({});
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"V")));
  const auto range = MDXError::kValueOutOfRange;
  const struct {
    int line;
    std::function<void(MDXSet*)> op;
    unsigned long code;
    std::vector<std::string> inserts;
  } cases[] = {
      // The direction is checked before the tuple is read.
      {__LINE__, [&](MDXSet* s) { s->Order(4, none); }, range, {"4", "Sort::direction"}},
      {__LINE__, [&](MDXSet* s) { s->Order(-1, x); }, range, {"-1", "Sort::direction"}},
      {__LINE__, [&](MDXSet* s) { s->Order(INT_MIN, v.get()); }, range,
       {"-2147483648", "Sort::direction"}},
      {__LINE__, [&](MDXSet* s) { s->Order(0, none); }, MDXError::kEmptyTuple, {}},
      // Type before measure before tuple.
      {__LINE__,
       [&](MDXSet* s) {
         s->TakeExtremity(MDXSet::ExtremityType(5), MDXSet::ExtremityMeasure(9), L"1", none);
       },
       range, {"5", "ExtremityType"}},
      {__LINE__,
       [&](MDXSet* s) { s->TakeExtremity(MDXSet::ExtremityType(-1), MDXSet::Sum, L"1", x); },
       range, {"-1", "ExtremityType"}},
      {__LINE__,
       [&](MDXSet* s) {
         s->TakeExtremity(MDXSet::Top, MDXSet::ExtremityMeasure(3), L"1", nullptr);
       },
       range, {"3", "ExtremityMeasure"}},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Bottom, MDXSet::Sum, L"1", nullptr); },
       MDXError::kExtremityWithoutTuple, {}},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Percent, L"1", nullptr); },
       MDXError::kExtremityWithoutTuple, {}},
      {__LINE__, [&](MDXSet* s) { s->TakeExtremity(MDXSet::Top, MDXSet::Count, L"1", none); },
       MDXError::kEmptyTuple, {}},
      {__LINE__, [&](MDXSet* s) { s->TakeSubset(none, 0, 1); }, MDXError::kEmptyTuple, {}},
      {__LINE__, [&](MDXSet* s) { s->TakeSubset(x, none); }, MDXError::kEmptyTuple, {}},
      {__LINE__, [&](MDXSet* s) { s->TakeRank(none); }, MDXError::kEmptyTuple, {}},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXSet> plain(new MDXSet(VelaString(L"S's")));
    auto_unuse<MDXSet> server(generator->GenerateSet(VelaString(L"S's")));
    for (MDXSet* s : {plain.get(), server.get()}) {
      EXPECT_EQ(s->getQuotedText().toUtf8(), "S''s");
      try {
        c.op(s);
        ADD_FAILURE() << "line " << c.line << ": no error";
      } catch (const MDXError& e) {
        EXPECT_EQ(e.getErrorCode(), c.code) << "line " << c.line;
        EXPECT_EQ(inserts(e), c.inserts) << "line " << c.line;
      }
      EXPECT_EQ(s->getText().toUtf8(), "S's") << "line " << c.line;
      EXPECT_EQ(s->getQuotedText().toUtf8(), "S''s") << "line " << c.line;
    }
  }
}

TEST_F(SubsetTest, RemoveOrder) {
  const struct {
    const wchar_t* in;
    const char* out;
  } cases[] = {
      {L"ORDER( A, x, DESC ) ", " A "},
      {L"order( A, b, ASC )", " A"},
      {L"Order( A, b, ASC )", " A"},
      {L"ORDER( ORDER( A, x, ASC ), y, DESC )", "  A"},
      {L"HIERARCHIZE(ORDER( A, x, ASC ))", "HIERARCHIZE( A)"},
      {L"UNION(A,ORDER( B, x, ASC ))", "UNION(A, B)"},
      {L"ORDER( UNIQUE( S ), [x], BASC ) ", " UNIQUE( S ) "},
      // The comma taken is the first after the keyword, inside brackets too.
      {L"ORDER( F(a, b), x, ASC )", " F(a, x, ASC )"},
      // Nothing to take off: no keyword, a blank before the parenthesis,
      // the keyword inside a longer word.
      {L"", ""},
      {L"HIERARCHIZE( A ) ", "HIERARCHIZE( A ) "},
      {L"ORDER (A, x, ASC)", "ORDER (A, x, ASC)"},
      {L"REORDER( A, x, ASC )", "REORDER( A, x, ASC )"},
      // A wrapper that cannot be taken apart restores the whole text.
      {L"ORDER( A", "ORDER( A"},
      {L"ORDER( A,", "ORDER( A,"},
      {L"ORDER( A, (x, ASC )", "ORDER( A, (x, ASC )"},
      {L"ORDER( A, x, ASC ) ORDER( B", "ORDER( A, x, ASC ) ORDER( B"},
      // A match inside a word stops the search; earlier removals stay.
      {L"ORDER( A, x, ASC ) XORDER( B, y, ASC )", " A XORDER( B, y, ASC )"},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(c.in)));
    EXPECT_EQ(after(s.get(), [](MDXSet* set) { set->removeOrder(); }), c.out)
        << VelaString(c.in).toUtf8();
  }
}
