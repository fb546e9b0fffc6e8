#include "mdxgen/fragment_text.h"

#include "mdxgen/quoting.h"

namespace mdxgen_detail {

const VelaString& FragmentText::quoted() {
  if (!quotedValid_) {
    quote_member_name(quoted_, text_);
    quotedValid_ = true;
  }
  return quoted_;
}

}  // namespace mdxgen_detail
