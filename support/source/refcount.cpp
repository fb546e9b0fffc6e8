#include "mdxgen/support/refcount.h"

namespace olap_api {
RefCount::~RefCount() = default;
}  // namespace olap_api
