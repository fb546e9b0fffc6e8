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

// A number in plain decimal, "-" before a negative value.
inline VelaString decimal(long long value) { return VelaString(std::to_wstring(value)); }
inline VelaString decimalUnsigned(unsigned long long value) {
  return VelaString(std::to_wstring(value));
}

}  // namespace mdxgen_detail
