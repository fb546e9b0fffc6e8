#include "mdxgen/support/string_converters.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
  // Round to `precision` significant digits in exponent form, then lay the
  // digits out: "d.ddde±xx" gives the digits and the decimal exponent.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
  std::string text(buffer);
  const bool negative = text[0] == '-';
  const std::size_t ePos = text.find('e');
  const int exponent = std::atoi(text.c_str() + ePos + 1);
  std::string digits;
  for (std::size_t i = negative ? 1 : 0; i < ePos; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string result = negative ? "-" : "";
  if (exponentForm || exponent < -5 || exponent >= 16) {
    result += digits[0];
    if (digits.size() > 1) result += "." + digits.substr(1);
    char e[16];
    std::snprintf(e, sizeof e, "e%+03d", exponent);
    result += e;
  } else if (exponent < 0) {
    result += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else {
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      result += digits + std::string(intDigits - digits.size(), '0');
    } else {
      result += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  }
  out = VelaString(result.c_str());
}
