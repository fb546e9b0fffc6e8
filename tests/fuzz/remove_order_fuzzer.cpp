// removeOrder over arbitrary text: the result is the input, or the input
// with whole ORDER wrappers taken out.
#include <algorithm>
#include <cstdint>
#include <string>

#include "mdxgen/mdxgen.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// Bytes become text over an alphabet that makes sorts likely.
std::wstring textFrom(const std::uint8_t* data, std::size_t size) {
  static const wchar_t* const kPieces[] = {L"ORDER(", L"order(", L"Order( ", L",", L"(", L")", L" ",
                                           L"A", L"x", L"ASC", L"DESC", L"BORDER(", L"[O]", L"é"};
  std::wstring text;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    if (b < 0x80) {
      text += kPieces[b % std::size(kPieces)];
    } else {
      text += static_cast<wchar_t>(b);
    }
  }
  return text;
}

bool isSubsequence(const std::wstring& part, const std::wstring& whole) {
  std::size_t i = 0;
  for (wchar_t c : whole)
    if (i < part.size() && part[i] == c) ++i;
  return i == part.size();
}

long parenBalance(const std::wstring& s) {
  return std::count(s.begin(), s.end(), L'(') - std::count(s.begin(), s.end(), L')');
}

std::size_t orderCount(std::wstring s) {
  VelaString upper(s);
  upper.toUpper();
  std::size_t n = 0;
  for (std::size_t p = upper.find(L"ORDER("); p != VelaString::npos; p = upper.find(L"ORDER(", p + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::wstring input = textFrom(data, size);
  MDXSet* set = new MDXSet(VelaString(input));
  set->removeOrder();
  const std::wstring result = set->getText().wstr();
  if (result != input) {
    // Each removal deletes "ORDER(" and a piece from a comma through the
    // parenthesis that closes the wrapper: the rest keeps its order, the
    // parentheses stay balanced as they were, and a wrapper is gone.
    fuzz::require(isSubsequence(result, input), "result is not taken from the input");
    fuzz::require(parenBalance(result) == parenBalance(input), "parentheses unbalanced");
    fuzz::require(orderCount(result) < orderCount(input), "no ORDER( was removed");
    fuzz::require(input.size() - result.size() >= 8, "less than a wrapper removed");
  }
  // A second call on a text without sorts changes nothing.
  if (orderCount(result) == 0) {
    set->removeOrder();
    fuzz::require(set->getText().wstr() == result, "text without ORDER( changed");
  }
  set->unuse();
  return 0;
}
