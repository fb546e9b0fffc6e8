// The library-wide pointer to the process's log object.
#pragma once

#include "mdxgen/support/core_log.h"

namespace mdxgen_detail {

// Null until the library is attached to a process; set by the load hook.
extern support_dll::CoreLog* g_libraryLog;

inline support_dll::CoreLog* libraryLog() { return g_libraryLog; }

}  // namespace mdxgen_detail
