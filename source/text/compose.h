// Texts made of literal pieces, numbers and operand texts: joined once into
// a new text, appended in place, or wrapped around a text in place.
//
// A piece (below) is a literal, whose length is known at compile time, a
// VelaString, a Decimal, a FragmentRead or any other view. A piece may point
// into the text it is written to: that text is then built aside.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "mdxgen/support/velastring.h"

namespace mdxgen_detail {

// One piece of a text. A literal's length is taken from its type, at
// compile time; a VelaString, a Decimal, a FragmentRead or any other view
// gives its own.
class Piece : public std::wstring_view {
 public:
  template <std::size_t N>
  constexpr Piece(const wchar_t (&literal)[N])  // NOLINT: literals are pieces
      : std::wstring_view(literal, N - 1) {}
  // A pointer (a choice between literals, say) is measured when used.
  template <class Pointer,
            std::enable_if_t<std::is_same_v<Pointer, const wchar_t*>, int> = 0>
  Piece(Pointer text) : std::wstring_view(text) {}  // NOLINT
  constexpr Piece(std::wstring_view text) : std::wstring_view(text) {}  // NOLINT
  Piece(const VelaString& text) : std::wstring_view(text) {}             // NOLINT
  template <class Viewable, class = std::enable_if_t<
                                std::is_convertible_v<const Viewable&, std::wstring_view> &&
                                !std::is_convertible_v<const Viewable&, const wchar_t*>>>
  Piece(const Viewable& text) : std::wstring_view(text) {}  // NOLINT
};

// Copies the pieces one after the other from `at`; gives the end.
inline wchar_t* copyPieces(wchar_t* at, std::initializer_list<Piece> pieces) {
  for (const auto& piece : pieces) {
    if (piece.empty()) continue;
    std::memcpy(at, piece.data(), piece.size() * sizeof(wchar_t));
    at += piece.size();
  }
  return at;
}

// Joins the pieces with nothing in between, sizing the result once, with
// room for `room` more characters:
//   concat({L"UNION( ", t, L", ", o, L" )"})
inline VelaString concat(std::initializer_list<Piece> pieces, std::size_t room = 0) {
  std::size_t size = 0;
  for (const auto& piece : pieces) size += piece.size();
  std::wstring out;
  out.reserve(size + room);
  for (const auto& piece : pieces) out.append(piece);
  return VelaString(std::move(out));
}

// Room kept after a new set's text, so that the first wraps around it
// allocate nothing: enough for the three of a browse step (a top count, a
// filter and a sort take about 130 characters with their operands).
constexpr std::size_t kWrapRoom = 192;

// Makes room for `more` characters after the text, doubling its capacity
// at least, so that a run of appends or wraps allocates O(log n) times.
// The only step that can throw; the text is unchanged when it does.
inline void makeRoom(std::wstring& text, std::size_t more) {
  const std::size_t size = text.size() + more;
  if (size > text.capacity()) text.reserve(std::max(size, 2 * text.capacity()));
}

// True when piece points into text's buffer.
inline bool pointsInto(std::wstring_view piece, const std::wstring& text) {
  const std::less<const wchar_t*> before;
  return !before(piece.data(), text.data()) &&
         before(piece.data(), text.data() + text.capacity());
}

// prefix + text + suffix pieces, built aside and then swapped in.
inline void rebuild(std::wstring& text, std::initializer_list<Piece> prefix,
                    std::initializer_list<Piece> suffix, std::size_t more) {
  std::wstring whole;
  whole.reserve(text.size() + more);
  for (const auto& piece : prefix) whole.append(piece);
  whole.append(text);
  for (const auto& piece : suffix) whole.append(piece);
  text.swap(whole);
}

// Appends the pieces to out in place, room made first, so a refused call
// leaves out as it was.
inline void append(VelaString& out, std::initializer_list<Piece> pieces) {
  std::wstring& text = out.wstr();
  bool aliased = false;
  std::size_t more = 0;
  for (const auto& piece : pieces) {
    aliased = aliased || pointsInto(piece, text);
    more += piece.size();
  }
  if (aliased) return rebuild(text, {}, pieces, more);
  makeRoom(text, more);
  for (const auto& piece : pieces) text.append(piece);
}

// prefix pieces + text + suffix pieces, in place: the text moves up
// inside its own buffer, which keeps room to spare, so a chain of n wraps
// allocates O(log n) times rather than once per wrap. Room is made first,
// so a refused call leaves the text as it was. A piece that points into the
// text itself (a set joined with itself) makes the result be built aside.
//   wrap(text, {L"HIERARCHIZE( "}, {L" ) "})
inline void wrap(VelaString& out, std::initializer_list<Piece> prefix,
                 std::initializer_list<Piece> suffix) {
  std::wstring& text = out.wstr();
  bool aliased = false;
  std::size_t before = 0;
  std::size_t more = 0;
  for (const auto& piece : prefix) {
    aliased = aliased || pointsInto(piece, text);
    before += piece.size();
  }
  for (const auto& piece : suffix) {
    aliased = aliased || pointsInto(piece, text);
    more += piece.size();
  }
  if (aliased) return rebuild(text, prefix, suffix, before + more);
  makeRoom(text, before + more);
  const std::size_t size = text.size();
  text.resize(size + before + more);  // within the room made: nothing is allocated
  wchar_t* const data = &text[0];
  std::memmove(data + before, data, size * sizeof(wchar_t));
  copyPieces(data, prefix);
  copyPieces(data + before + size, suffix);
}

// The three texts that count as the empty set for union and difference:
// exactly "{  }", "{ }" or "{}", compared whole and case-sensitive.
inline bool isEmptySet(std::wstring_view text) {
  return text == Piece(L"{  }") || text == Piece(L"{ }") || text == Piece(L"{}");
}

}  // namespace mdxgen_detail
