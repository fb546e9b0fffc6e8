#include "mdxgen/fragment_text.h"

#include "mdxgen/quoting.h"

namespace mdxgen_detail {

// A text without an apostrophe is its own quoted text: no copy is kept, and
// the empty copy says so (the quoted form of a non-empty text is never
// empty).
const VelaString& FragmentText::quoted() {
  if (!quotedValid_) {
    if (text_.wstr().find(L'\'') == std::wstring::npos) {
      quoted_.wstr().clear();
    } else {
      quote_member_name(quoted_, text_);
    }
    quotedValid_ = true;
  }
  return quoted_.empty() ? text_ : quoted_;
}

}  // namespace mdxgen_detail
