/// \file
/// VelaString: the wide-character string of every name, MDX text and message.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

#include "mdxgen/support/export.h"

/// A thin value type over std::wstring. Texts are built by appending; the
/// underlying string is reachable through wstr() for the standard algorithms.
///
/// Every 8-bit string taken (construction, assignment, append, comparison,
/// find, the formats of build) is UTF-8, decoded the same way. A sequence
/// that is not well-formed UTF-8 becomes one U+FFFD for its longest
/// well-formed beginning, or for the one byte when there is none ("a\xFF" is
/// "a\uFFFD", "\xE2\x82" one U+FFFD, "\xC0\xAF" two); a null pointer is the
/// empty string. toUtf8 writes U+FFFD for a wide character that is no
/// Unicode scalar value.
///
///     VelaString name("[Store].[Zürich]");   // decoded from UTF-8
///     name += L".PARENT";
///     std::cout << name;                      // written as UTF-8
class ORVO_API VelaString {
 public:
  /// A position or length in wide characters.
  using size_type = std::wstring::size_type;
  /// What find gives when nothing is found.
  static constexpr size_type npos = std::wstring::npos;

  /// An empty string.
  VelaString() = default;
  /// A copy.
  VelaString(const VelaString&) = default;
  /// Takes over the other's characters.
  VelaString(VelaString&&) noexcept = default;
  /// Decodes UTF-8 text; implicit, so `"[Sales]"` can be passed as a VelaString.
  VelaString(const char* utf8);                          // NOLINT: implicit by design
  /// The wide text; implicit, so `L"[Sales]"` can be passed as a VelaString.
  VelaString(const wchar_t* text) : s_(text) {}         // NOLINT
  /// One character.
  explicit VelaString(wchar_t c) : s_(1, c) {}
  /// A copy of the standard wide string.
  VelaString(const std::wstring& s) : s_(s) {}           // NOLINT
  /// Takes over the standard wide string.
  VelaString(std::wstring&& s) noexcept : s_(std::move(s)) {}  // NOLINT
  /// A copy of the viewed characters.
  explicit VelaString(std::wstring_view s) : s_(s) {}

  /// Copies the other string.
  VelaString& operator=(const VelaString&) = default;
  /// Takes over the other's characters.
  VelaString& operator=(VelaString&&) noexcept = default;
  /// Replaces the content with decoded UTF-8 text.
  VelaString& operator=(const char* utf8);
  /// Replaces the content with the wide text.
  VelaString& operator=(const wchar_t* text) { s_ = text; return *this; }
  /// Replaces the content with one character.
  VelaString& operator=(wchar_t c) { s_.assign(1, c); return *this; }
  /// Replaces the content with a copy of the standard wide string.
  VelaString& operator=(const std::wstring& s) { s_ = s; return *this; }
  /// Takes over the standard wide string.
  VelaString& operator=(std::wstring&& s) noexcept { s_ = std::move(s); return *this; }

  /// Appends the other string.
  VelaString& operator+=(const VelaString& s) { s_ += s.s_; return *this; }
  /// Appends decoded UTF-8 text.
  VelaString& operator+=(const char* utf8);
  /// Appends the wide text.
  VelaString& operator+=(const wchar_t* text) { s_ += text; return *this; }
  /// Appends one character.
  VelaString& operator+=(wchar_t c) { s_ += c; return *this; }

  /// Exact, case-sensitive comparison of whole strings; the 8-bit form
  /// compares with the text the UTF-8 decodes to.
  bool operator==(const char* utf8) const;
  /// True when the texts are equal.
  bool operator==(const wchar_t* text) const { return s_ == text; }
  /// True when the strings are equal.
  bool operator==(const VelaString& other) const { return s_ == other.s_; }
  /// The negation of the 8-bit ==.
  bool operator!=(const char* utf8) const { return !(*this == utf8); }
  /// True when the texts differ.
  bool operator!=(const wchar_t* text) const { return s_ != text; }
  /// True when the strings differ.
  bool operator!=(const VelaString& other) const { return s_ != other.s_; }
  /// Orders by wide character values.
  bool operator<(const VelaString& other) const { return s_ < other.s_; }

  /// Position of the first occurrence at or after pos, npos when absent.
  size_type find(const VelaString& s, size_type pos = 0) const { return s_.find(s.s_, pos); }
  /// Position of the first occurrence of the text at or after pos, npos when absent.
  size_type find(const wchar_t* s, size_type pos = 0) const { return s_.find(s, pos); }
  /// Position of the first occurrence of the decoded UTF-8 text at or after pos, npos when
  /// absent.
  size_type find(const char* utf8, size_type pos = 0) const;
  /// Position of the first occurrence of the character at or after pos, npos when absent.
  size_type find(wchar_t c, size_type pos = 0) const { return s_.find(c, pos); }

  /// Upper-cases the string in place (ASCII letters and the Latin-1 range).
  void toUpper();

  /// printf-style formatting with a UTF-8 format: %s takes a wide string
  /// (const wchar_t*), %d/%u/%ld/%lu/%x/%p/%f/%e/%g and %% as in printf.
  /// build replaces the content, buildAppend appends to it:
  /// `s.build("%s: Instance %d", L"MDXSet", 0)` gives "MDXSet: Instance 0".
  void build(const char* format, ...);
  /// As build, appending to the content.
  void buildAppend(const char* format, ...);

  /// The number of wide characters.
  size_type length() const noexcept { return s_.size(); }
  /// The number of wide characters.
  size_type size() const noexcept { return s_.size(); }
  /// True for the empty string.
  bool empty() const noexcept { return s_.empty(); }
  /// Makes the string empty.
  void clear() noexcept { s_.clear(); }
  /// Makes room for n wide characters.
  void reserve(size_type n) { s_.reserve(n); }
  /// The characters, ended by a null character.
  const wchar_t* c_str() const noexcept { return s_.c_str(); }
  /// The character at position i, below length().
  wchar_t operator[](size_type i) const { return s_[i]; }

  /// The underlying standard wide string, for the standard algorithms.
  const std::wstring& wstr() const noexcept { return s_; }
  /// The underlying standard wide string, to change in place.
  std::wstring& wstr() noexcept { return s_; }
  /// A view of the characters.
  operator std::wstring_view() const noexcept { return s_; }  // NOLINT

  /// The text encoded as UTF-8.
  std::string toUtf8() const;
  /// A string decoded from UTF-8.
  static VelaString fromUtf8(std::string_view utf8);

 private:
  std::wstring s_;
};

/// Writes the string to a byte stream as UTF-8.
ORVO_API std::ostream& operator<<(std::ostream& os, const VelaString& s);
