/// \file
/// Number to text conversions used wherever the library writes a number.
#pragma once

#include "mdxgen/support/export.h"
#include "mdxgen/support/velastring.h"

/// The number texts the library writes: plain decimal, no locale.
///
///     VelaString out;
///     StringConverters::convertRealToString(2.5, out);   // "2.5"
class ORVO_API StringConverters {
 public:
  /// Writes value in the given radix (2 to 36) into out, replacing its
  /// content: plain digits, "-" before a negative value, no padding.
  static void convertIntegerToString(long long value, VelaString& out, int radix = 10);

  /// Writes the shortest decimal text of value with at most `precision`
  /// significant digits (16 at most), no trailing zeros, and no exponent for
  /// magnitudes from 1e-5 to below 1e16: 5 gives "5", 2.5 gives "2.5",
  /// -0.125 gives "-0.125". Only radix 10 is supported; `exponentForm`
  /// forces the exponent form ("1.5e+20") whatever the magnitude.
  static void convertRealToString(double value, VelaString& out, int radix = 10,
                                  int precision = 16, bool exponentForm = false);
};
