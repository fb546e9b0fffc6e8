// Numbers in plain decimal, formatted on the stack.
#pragma once

#include <charconv>
#include <cstddef>
#include <string_view>
#include <type_traits>

#include "mdxgen/support/velastring.h"

namespace mdxgen_detail {

// An integer's text in plain decimal, "-" before a negative value, held in
// the object itself: a piece of a text that costs no allocation.
//
//   concat({L"SUBSET( ", t, L", ", Decimal(start), L" ) "})
class Decimal {
 public:
  template <class Int, class = std::enable_if_t<std::is_integral_v<Int>>>
  explicit Decimal(Int value) {
    char digits[kCapacity];
    const auto end = std::to_chars(digits, digits + kCapacity, value).ptr;
    size_ = static_cast<std::size_t>(end - digits);
    for (std::size_t i = 0; i < size_; ++i) text_[i] = static_cast<wchar_t>(digits[i]);
  }

  std::wstring_view view() const { return {text_, size_}; }
  operator std::wstring_view() const { return view(); }  // NOLINT: a piece like any other
  // The text as a string of its own, for an error's insert.
  VelaString str() const { return VelaString(view()); }

 private:
  // The longest 64-bit value, its sign included, is 20 characters.
  static constexpr std::size_t kCapacity = 24;
  wchar_t text_[kCapacity];
  std::size_t size_;
};

}  // namespace mdxgen_detail
