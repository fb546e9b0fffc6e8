#include "mdxgen/support/velastring.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace {

// Appends the UTF-8 encoding of one code point.
void appendUtf8(std::string& out, char32_t c) {
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

// Decodes UTF-8; a byte that does not start a valid sequence stands for
// itself (as Latin-1), so no input is lost or rejected.
std::wstring decodeUtf8(std::string_view in) {
  std::wstring out;
  out.reserve(in.size());
  std::size_t i = 0;
  while (i < in.size()) {
    const auto lead = static_cast<unsigned char>(in[i]);
    const int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2
                      : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
    char32_t c = lead;
    bool ok = extra > 0 && i + static_cast<std::size_t>(extra) < in.size();
    if (ok) {
      c = lead & (0x3F >> extra);
      for (int k = 1; k <= extra && ok; ++k) {
        const auto cont = static_cast<unsigned char>(in[i + k]);
        ok = (cont & 0xC0) == 0x80;
        c = (c << 6) | (cont & 0x3F);
      }
    }
    if (ok) {
      out += static_cast<wchar_t>(c);
      i += static_cast<std::size_t>(extra) + 1;
    } else {
      out += static_cast<wchar_t>(lead);
      ++i;
    }
  }
  return out;
}

// Formats with an 8-bit format in which %s takes a wide string; every other
// conversion goes through snprintf.
void formatInto(std::wstring& out, const char* format, va_list args) {
  for (const char* p = format; *p;) {
    if (*p != '%') {
      out += static_cast<wchar_t>(static_cast<unsigned char>(*p++));
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

VelaString& VelaString::operator+=(const char* ascii) {
  s_ += decodeUtf8(ascii ? ascii : "");
  return *this;
}

bool VelaString::operator==(const char* ascii) const {
  std::size_t i = 0;
  for (; ascii[i]; ++i) {
    if (i >= s_.size() || s_[i] != static_cast<wchar_t>(static_cast<unsigned char>(ascii[i])))
      return false;
  }
  return i == s_.size();
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
