// VelaString: the wide-character string of every name, MDX text and message.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

#include "mdxgen/support/export.h"

// A thin value type over std::wstring. Texts are built by appending; the
// underlying string is reachable through wstr() for the standard algorithms.
//
// Every 8-bit string taken (construction, assignment, append, comparison,
// find, the formats of build) is UTF-8, decoded the same way. A sequence
// that is not well-formed UTF-8 becomes one U+FFFD for its longest
// well-formed beginning, or for the one byte when there is none ("a\xFF" is
// "a\uFFFD", "\xE2\x82" one U+FFFD, "\xC0\xAF" two); a null pointer is the
// empty string. toUtf8 writes U+FFFD for a wide character that is no
// Unicode scalar value.
//
//   VelaString name("[Store].[Zürich]");   // decoded from UTF-8
//   name += L".PARENT";
//   std::cout << name;                      // written as UTF-8
class ORVO_API VelaString {
 public:
  using size_type = std::wstring::size_type;
  static constexpr size_type npos = std::wstring::npos;

  VelaString() = default;
  VelaString(const VelaString&) = default;
  VelaString(VelaString&&) noexcept = default;
  VelaString(const char* utf8);                          // NOLINT: implicit by design
  VelaString(const wchar_t* text) : s_(text) {}         // NOLINT
  explicit VelaString(wchar_t c) : s_(1, c) {}
  VelaString(const std::wstring& s) : s_(s) {}           // NOLINT
  VelaString(std::wstring&& s) noexcept : s_(std::move(s)) {}  // NOLINT
  explicit VelaString(std::wstring_view s) : s_(s) {}

  VelaString& operator=(const VelaString&) = default;
  VelaString& operator=(VelaString&&) noexcept = default;
  VelaString& operator=(const char* utf8);
  VelaString& operator=(const wchar_t* text) { s_ = text; return *this; }
  VelaString& operator=(wchar_t c) { s_.assign(1, c); return *this; }
  VelaString& operator=(const std::wstring& s) { s_ = s; return *this; }
  VelaString& operator=(std::wstring&& s) noexcept { s_ = std::move(s); return *this; }

  VelaString& operator+=(const VelaString& s) { s_ += s.s_; return *this; }
  VelaString& operator+=(const char* utf8);
  VelaString& operator+=(const wchar_t* text) { s_ += text; return *this; }
  VelaString& operator+=(wchar_t c) { s_ += c; return *this; }

  // Exact, case-sensitive comparison of whole strings; the 8-bit form
  // compares with the text the UTF-8 decodes to.
  bool operator==(const char* utf8) const;
  bool operator==(const wchar_t* text) const { return s_ == text; }
  bool operator==(const VelaString& other) const { return s_ == other.s_; }
  bool operator!=(const char* utf8) const { return !(*this == utf8); }
  bool operator!=(const wchar_t* text) const { return s_ != text; }
  bool operator!=(const VelaString& other) const { return s_ != other.s_; }
  bool operator<(const VelaString& other) const { return s_ < other.s_; }

  // Position of the first occurrence at or after pos, npos when absent.
  size_type find(const VelaString& s, size_type pos = 0) const { return s_.find(s.s_, pos); }
  size_type find(const wchar_t* s, size_type pos = 0) const { return s_.find(s, pos); }
  size_type find(const char* utf8, size_type pos = 0) const;
  size_type find(wchar_t c, size_type pos = 0) const { return s_.find(c, pos); }

  // Upper-cases the string in place (ASCII letters and the Latin-1 range).
  void toUpper();

  // printf-style formatting with a UTF-8 format: %s takes a wide string
  // (const wchar_t*), %d/%u/%ld/%lu/%x/%p/%f/%e/%g and %% as in printf.
  // build replaces the content, buildAppend appends to it.
  void build(const char* format, ...);
  void buildAppend(const char* format, ...);

  size_type length() const noexcept { return s_.size(); }
  size_type size() const noexcept { return s_.size(); }
  bool empty() const noexcept { return s_.empty(); }
  void clear() noexcept { s_.clear(); }
  void reserve(size_type n) { s_.reserve(n); }
  const wchar_t* c_str() const noexcept { return s_.c_str(); }
  wchar_t operator[](size_type i) const { return s_[i]; }

  const std::wstring& wstr() const noexcept { return s_; }
  std::wstring& wstr() noexcept { return s_; }
  operator std::wstring_view() const noexcept { return s_; }  // NOLINT

  std::string toUtf8() const;
  static VelaString fromUtf8(std::string_view utf8);

 private:
  std::wstring s_;
};

ORVO_API std::ostream& operator<<(std::ostream& os, const VelaString& s);
