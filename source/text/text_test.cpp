// The text layer: exact texts, wraps that allocate O(log n) times, and a
// refused call that keeps the old text. Beside the layer, whose headers are
// private to the library.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "source/text/compose.h"
#include "source/text/decimal.h"
#include "source/text/instance_message.h"
#include "source/text/writer.h"

namespace mdxgen_detail {
namespace {

// A literal's length is known at compile time.
static_assert(Piece(L"UNION( ").size() == 7);

TEST(TextLayer, PiecesAndNumbersAreExact) {
  for (long long n : {0LL, 7LL, -42LL, static_cast<long long>(INT_MIN), LLONG_MIN, LLONG_MAX})
    EXPECT_EQ(Decimal(n).view(), std::to_wstring(n));
  EXPECT_EQ(Decimal(ULLONG_MAX).view(), std::to_wstring(ULLONG_MAX));

  VelaString text = concat({L"SUBSET( ", VelaString(L"S"), L", ", Decimal(-3), L" ) "});
  EXPECT_EQ(text, L"SUBSET( S, -3 ) ");
  wrap(text, {L"TAIL( ", Decimal(1)}, {L" ) "});
  append(text, {L", ", Decimal(2u)});
  EXPECT_EQ(text, L"TAIL( 1SUBSET( S, -3 )  ) , 2");

  // A piece taken from the text itself is read before the text changes.
  VelaString self(L"A");
  wrap(self, {L"UNION( "}, {L", ", self, L" )"});
  append(self, {L"|", self});
  EXPECT_EQ(self, L"UNION( A, A )|UNION( A, A )");

  TextWriter statement;
  statement.list(std::vector<VelaString>{L"a", L"b", L"c"}, L", ") << L" ON 0";
  EXPECT_EQ(statement.str(), L"a, b, c ON 0");

  // Past the writer's buffer on the stack, and past each heap buffer after it.
  TextWriter longer;
  std::wstring expected;
  for (wchar_t c : std::wstring(L"abcdefgh")) {
    const std::wstring piece(300, c);
    longer << piece;
    expected += piece;
  }
  EXPECT_EQ(longer.str(), expected);
}

TEST(TextLayer, InstanceMessagesAreWholeForAnyName) {
  const void* address = reinterpret_cast<const void*>(std::uintptr_t{0x1f});
  for (std::size_t length : {0u, 6u, 160u, 161u, 4000u}) {
    const std::wstring name(length, L'N');
    const InstanceMessage message(name.c_str(), 0xFFFFFFFFu, address, L"Refcount lowered to ",
                                  -2);
    EXPECT_EQ(std::wstring(message.c_str()),
              name + L": Instance -1 (0x1f): Refcount lowered to -2");
  }
}

TEST(TextLayer, ChainedWrapsReallocateLogarithmically) {
  VelaString text(L"[Store].[USA]");
  int growths = 0;
  for (int i = 0; i < 4096; ++i) {
    const auto before = text.wstr().capacity();
    wrap(text, {L"HIERARCHIZE( "}, {L" ) "});
    growths += text.wstr().capacity() != before;
  }
  EXPECT_EQ(text.size(), 13u + 4096u * 16u);
  EXPECT_LE(growths, 14);
}

TEST(TextLayer, ARefusedCallKeepsTheOldText) {
  VelaString text(L"{ [A] }");
  const std::wstring_view tooLong(L"x", std::wstring().max_size());
  EXPECT_THROW(wrap(text, {L"DISTINCT( "}, {tooLong}), std::length_error);
  EXPECT_THROW(append(text, {L", ", tooLong}), std::length_error);
  EXPECT_EQ(text, L"{ [A] }");
}

}  // namespace
}  // namespace mdxgen_detail
