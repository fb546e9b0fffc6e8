// Taking sorts off a set: what removeOrder finds and what it leaves. The
// texts of the other subset, rank and sort operations are in the table of
// operations (tools/reference/rows.h), their refusals in the properties test.
#include "tests/text_cases.h"

using SubsetTest = GeneratorTest;

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
