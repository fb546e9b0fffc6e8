// The appending writer of whole statements.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "mdxgen/support/velastring.h"
#include "source/text/compose.h"

namespace mdxgen_detail {

// Appends pieces to one text, each written once: no counting pass. The text
// grows by doubling, so a statement of n pieces costs O(n) copies and
// O(log n) allocations.
//
//   VelaString text;
//   TextWriter out(text);
//   out << L"DROP " << kind;
//   for (const auto& name : names) out << cube << L"." << name << L" ";
class TextWriter {
 public:
  // Starts with room for a short statement.
  explicit TextWriter(VelaString& text, std::size_t room = 256) : text_(text.wstr()) {
    makeRoom(text_, room);
  }

  TextWriter& operator<<(Piece piece) {
    text_.append(piece);
    return *this;
  }

  // The items, first to last, with separator between two of them.
  template <class Items>
  TextWriter& list(const Items& items, Piece separator) {
    bool first = true;
    for (const auto& item : items) {
      if (!first) *this << separator;
      *this << Piece(item);
      first = false;
    }
    return *this;
  }

 private:
  std::wstring& text_;
};

}  // namespace mdxgen_detail
