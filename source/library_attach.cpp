// The library's process-attach hook, run when the shared library is loaded.
#include "source/library_log.h"

namespace mdxgen_detail {
support_dll::CoreLog* g_libraryLog = nullptr;
}  // namespace mdxgen_detail

namespace {

enum AttachReason { kProcessDetach = 0, kProcessAttach = 1, kThreadAttach = 2, kThreadDetach = 3 };

// On process attach the log object is fetched and kept; the other
// notifications do nothing. Always reports success.
bool onAttach(AttachReason reason) {
  if (reason == kProcessAttach) mdxgen_detail::g_libraryLog = support_dll::getLogObject();
  return true;
}

__attribute__((constructor)) void attachToProcess() { onAttach(kProcessAttach); }

}  // namespace
