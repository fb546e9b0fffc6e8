#include "mdxgen/support/velastring.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Appends the UTF-8 encoding of one code point; a value that is no scalar
// value (a surrogate, or past U+10FFFF) is written as U+FFFD.
void appendUtf8(std::string& out, char32_t c) {
  if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes the code point at in[i] and moves i past it. A sequence that is
// not well-formed UTF-8 (a stray or invalid byte, a sequence cut short, an
// overlong form, a surrogate, a value past U+10FFFF) gives one U+FFFD for
// its longest well-formed beginning, or for the one byte when there is none;
// decoding goes on at the byte after it.
char32_t decodeNext(std::string_view in, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(in[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return kReplacement;
  }
  char32_t c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k, low = 0x80, high = 0xBF) {
    if (i >= in.size()) return kReplacement;
    const auto next = static_cast<unsigned char>(in[i]);
    if (next < low || next > high) return kReplacement;
    c = (c << 6) | (next & 0x3F);
    ++i;
  }
  return c;
}

std::wstring decodeUtf8(std::string_view in) {
  std::wstring out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) out += static_cast<wchar_t>(decodeNext(in, i));
  return out;
}

// Formats with an 8-bit format in which %s takes a wide string; every other
// conversion goes through snprintf.
void formatInto(std::wstring& out, const char* format, va_list args) {
  for (const char* p = format; *p;) {
    if (*p != '%') {
      const char* text = p;
      while (*p && *p != '%') ++p;
      out += decodeUtf8(std::string_view(text, static_cast<std::size_t>(p - text)));
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      out += L'%';
      ++p;
      continue;
    }
    while (*p && std::strchr("-+ #0", *p)) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    int longs = 0;
    while (*p == 'l') { ++longs; ++p; }
    const char conv = *p ? *p++ : '\0';
    std::string conversion(start, p);
    char buffer[128];
    int n = 0;
    switch (conv) {
      case 's': {
        const wchar_t* s = va_arg(args, const wchar_t*);
        out += s ? s : L"(null)";
        continue;
      }
      case 'c':
        out += static_cast<wchar_t>(va_arg(args, int));
        continue;
      case 'd': case 'i':
        n = longs >= 2 ? std::snprintf(buffer, sizeof buffer, conversion.c_str(), va_arg(args, long long))
            : longs == 1 ? std::snprintf(buffer, sizeof buffer, conversion.c_str(), va_arg(args, long))
                         : std::snprintf(buffer, sizeof buffer, conversion.c_str(), va_arg(args, int));
        break;
      case 'u': case 'x': case 'X': case 'o':
        n = longs >= 2 ? std::snprintf(buffer, sizeof buffer, conversion.c_str(),
                                       va_arg(args, unsigned long long))
            : longs == 1 ? std::snprintf(buffer, sizeof buffer, conversion.c_str(),
                                         va_arg(args, unsigned long))
                         : std::snprintf(buffer, sizeof buffer, conversion.c_str(),
                                         va_arg(args, unsigned int));
        break;
      case 'p':
        n = std::snprintf(buffer, sizeof buffer, conversion.c_str(), va_arg(args, void*));
        break;
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
        n = std::snprintf(buffer, sizeof buffer, conversion.c_str(), va_arg(args, double));
        break;
      default:
        out.append(conversion.begin(), conversion.end());
        continue;
    }
    if (n > 0) {
      const int len = n < static_cast<int>(sizeof buffer) ? n : static_cast<int>(sizeof buffer) - 1;
      for (int k = 0; k < len; ++k) out += static_cast<wchar_t>(static_cast<unsigned char>(buffer[k]));
    }
  }
}

}  // namespace

VelaString::VelaString(const char* utf8) : s_(decodeUtf8(utf8 ? utf8 : "")) {}

VelaString& VelaString::operator=(const char* utf8) {
  s_ = decodeUtf8(utf8 ? utf8 : "");
  return *this;
}

VelaString& VelaString::operator+=(const char* utf8) {
  s_ += decodeUtf8(utf8 ? utf8 : "");
  return *this;
}

bool VelaString::operator==(const char* utf8) const {
  const std::string_view in(utf8 ? utf8 : "");
  std::size_t i = 0;
  std::size_t k = 0;
  while (i < in.size()) {
    if (k >= s_.size() || s_[k++] != static_cast<wchar_t>(decodeNext(in, i))) return false;
  }
  return k == s_.size();
}

VelaString::size_type VelaString::find(const char* utf8, size_type pos) const {
  return s_.find(decodeUtf8(utf8 ? utf8 : ""), pos);
}

void VelaString::toUpper() {
  // Independent of the process locale: ASCII and the Latin-1 letters.
  for (auto& c : s_) {
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
  }
}

void VelaString::build(const char* format, ...) {
  std::wstring out;
  va_list args;
  va_start(args, format);
  formatInto(out, format, args);
  va_end(args);
  s_ = std::move(out);
}

void VelaString::buildAppend(const char* format, ...) {
  va_list args;
  va_start(args, format);
  formatInto(s_, format, args);
  va_end(args);
}

std::string VelaString::toUtf8() const {
  std::string out;
  out.reserve(s_.size());
  for (wchar_t c : s_) appendUtf8(out, static_cast<char32_t>(c));
  return out;
}

VelaString VelaString::fromUtf8(std::string_view utf8) { return VelaString(decodeUtf8(utf8)); }

std::ostream& operator<<(std::ostream& os, const VelaString& s) { return os << s.toUtf8(); }
