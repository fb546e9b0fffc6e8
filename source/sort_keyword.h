// The keyword of a sort direction, shared by the neutral sorts and the
// dialects' own forms of them.
#pragma once

#include "source/text/compose.h"

namespace mdxgen_detail {

// "ASC", "DESC", "BASC" or "BDESC"; any other value is refused with
// kValueOutOfRange, inserts the value and "Sort::direction".
Piece sortKeyword(int direction);

}  // namespace mdxgen_detail
