// Set expressions: subsets, ranks, sorts, top and bottom, taking sorts off;
// whole texts (refusals are in the properties test).
#include <climits>

#include "tests/text_cases.h"

namespace {

class SubsetTest : public GeneratorTest {
 protected:
  MDXTuple* m = tuple({L"m"});
  MDXTuple* xy = tuple({L"[x]", L"[y]"});
};

}  // namespace

TEST_F(SubsetTest, Shapes) {
  expectSetTexts({
      ROW(TakeSubset(2, 0), "SUBSET( T, 2, 0 ) "),
      ROW(TakeSubset(INT_MIN, INT_MAX), "SUBSET( T, -2147483648, 2147483647 ) "),
      ROW(TakeSubsetToRank(2, L"[m]", true),
          "SUBSET( T, 2, IIF( T.COUNT = 0, 0,RANK( [m], T )  ) ) "),
      ROW(TakeSubsetToRank(-1, L"[m]", false),
          "SUBSET( T, -1, IIF( T.COUNT = 0, 0,RANK( [m], T )  - 1 ) ) "),
      ROW(TakeSubsetToRank(2, L"", false), "T"),
      ROW(TakeSubsetFromRank(L"[m]", true), "SUBSET( T, IIF( T.COUNT = 0, 0,RANK( [m], T)  ) ) "),
      ROW(TakeSubsetFromRank(L"", true), "{}"),
      ROW(InsertMemberIfNotExists(L"[m]"), "DISTINCT( UNION (T,{[m]} ) )"),
      ROW(InsertMemberIfNotExists(L""), "T"),
      ROW(TakeExtremity(MDXSet::Top, MDXSet::Sum, L"9", xy), "TOPSUM( T, 9, ( [x], [y] )  ) "),
      ROW(TakeExtremity(MDXSet::Bottom, MDXSet::Percent, L"5", m), "BOTTOMPERCENT( T, 5, m ) "),
      // The server's sorts, and both directions of the plain ones below.
      ROW(Order(MDXSet::BDesc, value(L"V")), "ORDER( UNIQUE( T ), V, BDESC )"),
  });
  expectTexts<MDXSet>([](const VelaString& t) { return new MDXSet(t); },
                      {ROW(Order(MDXSet::Asc, xy), "ORDER( T, ( [x], [y] ) , ASC ) "),
                       ROW(Order(MDXSet::Desc, value(L"V")), "ORDER( T, V, DESC ) ")});
  MDXSet* s = set(L"S");
  EXPECT_EQ(s->getMemberAt(-2, 30).toUtf8(), "S.ITEM(-2).ITEM(30)");
  EXPECT_EQ(s->getText().toUtf8(), "S");
}

TEST_F(SubsetTest, SubsetsAroundMembers) {
  expectSetTexts({
      ROW(TakeSubset(tuple({L"A"}), tuple({L"B"})),
          "SUBSET( {T}, IIF( INTERSECT( T, {A} ).COUNT = 1 AND INTERSECT( T, {B} ).COUNT = 1, "
          "IIF( RANK( A, T ) < RANK( B, T), RANK( A, T) - 1, RANK( B, T) - 1), 0), IIF( "
          "INTERSECT( T, {A} ).COUNT = 1 AND INTERSECT( T, {B} ).COUNT = 1, IIF( RANK( A, T ) < "
          "RANK( B, T), RANK( B, T) - RANK( A, T) + 1, RANK( A, T) - RANK( B, T) + 1),T.COUNT ) )"),
      // Around one member, offsets in either order: both before it, up to
      // it, around it, after it.
      ROW(TakeSubset(m, -1, -3),
          "SUBSET( ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ), IIF( RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) - 3 > 0, RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 3 - "
          "1, 0 ) , IIF( RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 1 > 0,RANK( m, "
          "ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 1, 0 )  - IIF( RANK( m, "
          "ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 3 > 0, RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) - 3 - 1, 0 )  ) "),
      ROW(TakeSubset(m, 0, -2),
          "SUBSET( ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ), IIF( RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) - 2 > 0, RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 2 -1, "
          "0 ) , RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - IIF( RANK( m, "
          "ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 2 > 0, RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) - 2 -1, 0 )  ) "),
      ROW(TakeSubset(m, 2, -1),
          "SUBSET( ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ), IIF( RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) - 1 > 0, RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 1 -1 "
          ", 0 ) , RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) + 2 - IIF( RANK( m, "
          "ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 1 > 0, RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) - 1 -1 , 0 )  ) "),
      ROW(TakeSubset(m, 4, 1),
          "SUBSET( ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ), (RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) + 1 - 1 ), RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) + 4 - "
          "(RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) + 1 - 1 ) ) "),
      ROW(TakeSubset(m, INT_MIN, 0),
          "SUBSET( ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ), IIF( RANK( m, ADDCALCULATEDMEMBERS( "
          "m.LEVEL.MEMBERS ) ) - 2147483648 > 0, RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) "
          ") - 2147483648 -1, 0 ) , RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - IIF( "
          "RANK( m, ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 2147483648 > 0, RANK( m, "
          "ADDCALCULATEDMEMBERS( m.LEVEL.MEMBERS ) ) - 2147483648 -1, 0 )  ) "),
  });
}

TEST_F(SubsetTest, RemoveOrder) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"ORDER( A, x, DESC ) ", " A "},
      {L"order( A, b, ASC )", " A"},
      {L"ORDER( ORDER( A, x, ASC ), y, DESC )", "  A"},
      {L"HIERARCHIZE(ORDER( A, x, ASC ))", "HIERARCHIZE( A)"},
      {L"UNION(A,ORDER( B, x, ASC ))", "UNION(A, B)"},
      // The comma taken is the first after the keyword, inside brackets too.
      {L"ORDER( F(a, b), x, ASC )", " F(a, x, ASC )"},
      // Nothing to take off: a blank before the parenthesis, the keyword
      // inside a longer word.
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
  for (const auto& [in, out] : cases) expectSetTexts({ROW(removeOrder(), out, in)});
}
