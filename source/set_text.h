// Helpers shared by the set expression files.
#pragma once

#include "mdxgen/support/velastring.h"

namespace mdxgen_detail {

// The three texts that count as the empty set for union and difference:
// exactly "{  }", "{ }" or "{}", compared whole and case-sensitive.
inline bool isEmptySet(const VelaString& text) {
  return text == "{  }" || text == "{ }" || text == "{}";
}

}  // namespace mdxgen_detail
