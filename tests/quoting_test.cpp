// Escaping for quoted strings and bracketed names.
#include <gtest/gtest.h>

#include "mdxgen/mdxgen.h"

TEST(Quoting, DoublesTheirCharacter) {
  const struct {
    void (*fn)(VelaString&, const VelaString&);
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {quote_member_name, L"", L""},
      {quote_member_name, L"Joe's", L"Joe''s"},
      {quote_member_name, L"''", L"''''"},
      {quote_member_name, L"[a]\"b", L"[a]\"b"},
      {double_square_brackets, L"", L""},
      {double_square_brackets, L"a]b", L"a]]b"},
      {double_square_brackets, L"]", L"]]"},
      {double_square_brackets, L"[a]", L"[a]]"},
      {double_square_brackets, L"Joe's", L"Joe's"},
  };
  for (const auto& c : cases) {
    VelaString out(L"previous");
    c.fn(out, c.in);
    EXPECT_TRUE(out == VelaString(c.out)) << out;
    VelaString same(c.in);
    c.fn(same, same);
    EXPECT_TRUE(same == VelaString(c.out)) << same;
  }
}
