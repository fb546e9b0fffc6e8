#include "mdxgen/support/oleauto.h"

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "mdxgen/support/string_converters.h"
#include "mdxgen/support/velastring.h"

namespace {
constexpr HRESULT kTypeMismatch = -2147352571L;  // DISP_E_TYPEMISMATCH
constexpr HRESULT kBadVarType = -2147352568L;    // DISP_E_BADVARTYPE
}  // namespace

BSTR SysAllocString(const wchar_t* text) {
  if (!text) return nullptr;
  const std::size_t n = std::wcslen(text);
  auto* copy = new wchar_t[n + 1];
  std::wmemcpy(copy, text, n + 1);
  return copy;
}

void SysFreeString(BSTR text) { delete[] text; }

void VariantInit(VARIANT* v) {
  v->vt = VT_EMPTY;
  v->dblVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  VariantInit(v);
  return 0;
}

HRESULT VariantChangeType(VARIANT* out, const VARIANT* in, unsigned short /*flags*/, VARTYPE type) {
  double number = 0;
  bool integral = false;
  switch (in->vt) {
    case VT_I2: number = in->iVal; integral = true; break;
    case VT_I4: number = in->lVal; integral = true; break;
    case VT_R4: number = in->fltVal; break;
    case VT_R8: number = in->dblVal; break;
    case VT_BOOL: number = in->boolVal ? -1 : 0; integral = true; break;
    case VT_BSTR: {
      if (type == VT_BSTR) {
        BSTR copy = SysAllocString(in->bstrVal ? in->bstrVal : L"");
        if (out == in) SysFreeString(out->bstrVal);
        out->vt = VT_BSTR;
        out->bstrVal = copy;
        return 0;
      }
      if (!in->bstrVal) return kTypeMismatch;
      const std::string text = VelaString(in->bstrVal).toUtf8();
      const char* begin = text.c_str();
      while (*begin == ' ' || *begin == '\t') ++begin;
      char* end = nullptr;
      errno = 0;
      number = std::strtod(begin, &end);
      while (end && (*end == ' ' || *end == '\t')) ++end;
      if (end == begin || !end || *end != '\0' || errno == ERANGE) return kTypeMismatch;
      break;
    }
    default:
      return kBadVarType;
  }
  switch (type) {
    case VT_R8:
      if (out == in && in->vt == VT_BSTR) SysFreeString(out->bstrVal);
      out->vt = VT_R8;
      out->dblVal = number;
      return 0;
    case VT_BSTR: {
      VelaString text;
      if (integral) {
        StringConverters::convertIntegerToString(static_cast<long long>(number), text, 10);
      } else {
        StringConverters::convertRealToString(number, text, 10, 16, false);
      }
      out->vt = VT_BSTR;
      out->bstrVal = SysAllocString(text.c_str());
      return 0;
    }
    default:
      return kBadVarType;
  }
}
