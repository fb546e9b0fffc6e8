// Building texts from literal pieces and operand texts.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "mdxgen/support/velastring.h"

namespace mdxgen_detail {

// Joins the pieces with nothing in between, sizing the result once:
//   concat({L"UNION( ", t, L", ", o, L" )"})
inline VelaString concat(std::initializer_list<std::wstring_view> pieces) {
  std::size_t size = 0;
  for (const auto& piece : pieces) size += piece.size();
  std::wstring out;
  out.reserve(size);
  for (const auto& piece : pieces) out.append(piece);
  return VelaString(std::move(out));
}

// Appends the pieces to out in place, for texts built item by item in a
// loop; the string's own growth keeps a long run of appends linear.
inline void append(VelaString& out, std::initializer_list<std::wstring_view> pieces) {
  for (const auto& piece : pieces) out.wstr().append(piece);
}

// A number in plain decimal, "-" before a negative value.
inline VelaString decimal(long long value) { return VelaString(std::to_wstring(value)); }
inline VelaString decimalUnsigned(unsigned long long value) {
  return VelaString(std::to_wstring(value));
}

}  // namespace mdxgen_detail
