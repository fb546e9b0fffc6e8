/// \file
/// A portable stand-in for the OLE Automation variant and its conversions,
/// with the standard names.
#pragma once

#include <cstdint>

#include "mdxgen/support/export.h"

/// The type tag of a VARIANT (VT_EMPTY ... VT_BOOL).
using VARTYPE = std::uint16_t;
/// A wide string owned through SysAllocString and SysFreeString.
using BSTR = wchar_t*;
/// A boolean: VARIANT_TRUE (-1) or VARIANT_FALSE (0).
using VARIANT_BOOL = std::int16_t;
/// A result: 0 for success, negative for failure.
using HRESULT = long;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_BOOL = 11,
};

/// True as a VARIANT_BOOL.
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
/// False as a VARIANT_BOOL.
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

/// A tagged value: `vt` says which union member holds it (VT_I2 iVal,
/// VT_I4 lVal, VT_R4 fltVal, VT_R8 dblVal, VT_BOOL boolVal, VT_BSTR
/// bstrVal, owned by the variant).
struct VARIANT {
  /// The type tag.
  VARTYPE vt;
  union {
    std::int16_t iVal;
    std::int32_t lVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
  };
};

/// A copy of text owned by the caller, released with SysFreeString.
ORVO_API BSTR SysAllocString(const wchar_t* text);
/// Releases a string from SysAllocString; null does nothing.
ORVO_API void SysFreeString(BSTR text);

/// Makes the variant VT_EMPTY, without releasing anything.
ORVO_API void VariantInit(VARIANT* v);
/// Releases what the variant owns (a VT_BSTR's string) and makes it VT_EMPTY.
ORVO_API HRESULT VariantClear(VARIANT* v);

/// Converts `in` to `type` into `out` (which may be `in`). Every numeric type
/// and VT_BOOL converts to VT_R8 and to VT_BSTR (plain decimal for integers);
/// a VT_BSTR holding a decimal number converts to VT_R8. Returns 0 on
/// success and a negative value on failure, leaving `out` unchanged.
ORVO_API HRESULT VariantChangeType(VARIANT* out, const VARIANT* in, unsigned short flags,
                                   VARTYPE type);
