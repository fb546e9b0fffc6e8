#include "mdxgen/support/string_converters.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

void StringConverters::convertIntegerToString(long long value, VelaString& out, int radix) {
  if (radix < 2 || radix > 36) radix = 10;
  wchar_t digits[72];
  int n = 0;
  // Work on the magnitude as unsigned, so the most negative value converts.
  unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    const auto d = static_cast<int>(magnitude % static_cast<unsigned>(radix));
    digits[n++] = static_cast<wchar_t>(d < 10 ? L'0' + d : L'a' + d - 10);
    magnitude /= static_cast<unsigned>(radix);
  } while (magnitude != 0);
  std::wstring text;
  text.reserve(static_cast<std::size_t>(n) + 1);
  if (value < 0) text += L'-';
  while (n > 0) text += digits[--n];
  out = std::move(text);
}

void StringConverters::convertRealToString(double value, VelaString& out, int /*radix*/,
                                           int precision, bool exponentForm) {
  if (std::isnan(value)) {
    out = L"NaN";
    return;
  }
  if (std::isinf(value)) {
    out = value < 0 ? L"-Infinity" : L"Infinity";
    return;
  }
  if (precision < 1 || precision > 17) precision = 16;
  if (value == 0) {
    out = L"0";
    return;
  }
  // A whole number with no more digits than the precision is its own
  // digits: written without the rounding below.
  if (!exponentForm) {
    // 10 to the precision, at most 10^16: exact in a double.
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7, 1e8,
                                         1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16};
    const double limit = kPowers[precision < 16 ? precision : 16];
    const double magnitude = std::fabs(value);
    if (magnitude < limit && magnitude == std::floor(magnitude)) {
      auto whole = static_cast<unsigned long long>(magnitude);
      wchar_t number[24];
      std::size_t at = sizeof number / sizeof number[0];
      const std::size_t end = at;
      do {
        number[--at] = static_cast<wchar_t>(L'0' + whole % 10);
        whole /= 10;
      } while (whole != 0);
      if (value < 0) number[--at] = L'-';
      out.wstr().assign(number + at, end - at);
      return;
    }
  }
  // Round to `precision` significant digits in exponent form, then lay the
  // digits out: "d.ddde±xx" gives the digits and the decimal exponent. All
  // on the stack: at most 17 digits and an exponent of three.
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", precision - 1, value);
  const bool negative = text[0] == '-';
  const char* const ePos = std::strchr(text, 'e');
  const int exponent = std::atoi(ePos + 1);
  char digits[32];
  std::size_t count = 0;
  for (const char* c = text + (negative ? 1 : 0); c != ePos; ++c) {
    if (*c != '.') digits[count++] = *c;
  }
  while (count > 1 && digits[count - 1] == '0') --count;

  wchar_t result[64];
  std::size_t size = 0;
  const auto put = [&](char c) { result[size++] = static_cast<wchar_t>(c); };
  const auto putDigits = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) put(digits[i]);
  };
  if (negative) put('-');
  if (exponentForm || exponent < -5 || exponent >= 16) {
    put(digits[0]);
    if (count > 1) {
      put('.');
      putDigits(1, count);
    }
    char e[16];
    std::snprintf(e, sizeof e, "e%+03d", exponent);
    for (const char* c = e; *c != '\0'; ++c) put(*c);
  } else if (exponent < 0) {
    put('0');
    put('.');
    for (int i = 0; i < -exponent - 1; ++i) put('0');
    putDigits(0, count);
  } else {
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (count <= intDigits) {
      putDigits(0, count);
      for (std::size_t i = count; i < intDigits; ++i) put('0');
    } else {
      putDigits(0, intDigits);
      put('.');
      putDigits(intDigits, count);
    }
  }
  out.wstr().assign(result, size);
}
