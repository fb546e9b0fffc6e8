#include "mdxgen/quoting.h"

#include <string>

namespace {

// Replaces out by in with every `doubled` character written twice.
void doubleCharacter(VelaString& out, const VelaString& in, wchar_t doubled) {
  const std::wstring& source = in.wstr();
  if (source.find(doubled) == std::wstring::npos) {
    if (&out != &in) out = in;
    return;
  }
  std::wstring result;
  result.reserve(source.size() + 8);
  for (wchar_t c : source) {
    result += c;
    if (c == doubled) result += c;
  }
  out = std::move(result);
}

}  // namespace

void quote_member_name(VelaString& out, const VelaString& in) { doubleCharacter(out, in, L'\''); }

void double_square_brackets(VelaString& out, const VelaString& in) {
  doubleCharacter(out, in, L']');
}
