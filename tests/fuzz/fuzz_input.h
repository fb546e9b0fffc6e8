// Reads a fuzz input as a stream of small decisions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <iterator>

#include "mdxgen/mdxgen.h"

namespace fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool done() const { return pos_ >= size_; }
  // The next byte; 0 once the input is used up.
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  int below(int n) { return n <= 0 ? 0 : byte() % n; }
  bool flag() { return byte() & 1; }
  // A small signed number, mostly near 0, sometimes extreme.
  int number() {
    const std::uint8_t b = byte();
    if (b == 0xFF) return -2147483647 - 1;
    if (b == 0xFE) return 2147483647;
    return static_cast<int>(b % 13) - 3;
  }
  // One of the texts a host passes: names, escapes, the empty forms.
  VelaString text() {
    static const wchar_t* const kTexts[] = {
        L"[Time].[1997]", L"[Store].[Joe's]", L"[Product].[Gadgets [New]]]", L"[Store].[Zürich]",
        L"", L"   ", L"{  }", L"{ }", L"{}", L"ORDER( A, x, ASC )", L"'", L"]", L"Q1",
        L"[Measures].[Unit Sales]", L"10", L"order( [A], 1, DESC ) ",
    };
    return VelaString(kTexts[below(static_cast<int>(std::size(kTexts)))]);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Stops the fuzzer on a broken invariant, with a message.
inline void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace fuzz
