// The appending writer of whole statements.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "mdxgen/support/velastring.h"
#include "source/text/compose.h"

namespace mdxgen_detail {

// Appends pieces to one text, each written once: no counting pass. The
// text is written into a buffer on the stack while it is short and into
// one on the heap, doubled as it grows, past that; str() makes the string
// once, of its own size. A literal piece is copied as a block of the size
// its type gives, with no call.
//
//   TextWriter out;
//   out << L"DROP " << kind;
//   for (const auto& name : names) out << cube << L"." << name << L" ";
//   return out.str();
class TextWriter {
 public:
  TextWriter() = default;
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  TextWriter& operator<<(Piece piece) {
    const std::size_t n = piece.size();
    if (n == 0) return *this;
    if (n > static_cast<std::size_t>(end_ - at_)) grow(n);
    std::memcpy(at_, piece.data(), n * sizeof(wchar_t));
    at_ += n;
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

  std::wstring_view view() const { return {begin_, static_cast<std::size_t>(at_ - begin_)}; }
  VelaString str() const { return VelaString(view()); }

 private:
  static constexpr std::size_t kInline = 512;

  // Room for n more characters: a buffer of twice the size at least, the
  // text so far copied into it.
  void grow(std::size_t n) {
    const std::size_t size = static_cast<std::size_t>(at_ - begin_);
    const std::size_t capacity = static_cast<std::size_t>(end_ - begin_);
    const std::size_t wanted = size + n > 2 * capacity ? size + n : 2 * capacity;
    std::unique_ptr<wchar_t[]> bigger(new wchar_t[wanted]);
    std::memcpy(bigger.get(), begin_, size * sizeof(wchar_t));
    heap_ = std::move(bigger);
    begin_ = heap_.get();
    at_ = begin_ + size;
    end_ = begin_ + wanted;
  }

  wchar_t inline_[kInline];
  std::unique_ptr<wchar_t[]> heap_;
  wchar_t* begin_ = inline_;
  wchar_t* at_ = inline_;
  wchar_t* end_ = inline_ + kInline;
};

}  // namespace mdxgen_detail
