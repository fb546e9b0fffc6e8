// A host's global holder given back while the process exits, after the
// library's own static objects would have been destroyed: the instance log
// still takes its messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mdxgen/mdxgen.h"

namespace {

// The messages of the instance log that reached the sink, counted in plain
// static storage, which lives until the process ends.
int g_destroyed = 0;

// Holds the host's field until the static destructors run; releasing it
// then must still log its destruction.
struct GlobalHolder {
  auto_unuse<MDXField> field;
  bool checked = false;
  ~GlobalHolder() {
    if (!checked) return;
    field.reset();
    if (g_destroyed != 1) {
      std::fprintf(stderr, "the destruction at exit was not logged\n");
      std::_Exit(1);
    }
  }
};

// Constructed before the test runs, so destroyed after every static object
// the library makes on first use.
GlobalHolder g_holder;

}  // namespace

TEST(InstanceLogAtExit, GlobalHolderReleasedDuringStaticDestruction) {
  auto* log = support_dll::getLogObject();
  log->setSink([](const support_dll::LogRecord& r) {
    if (!r.inserts.empty() && r.inserts[0].toUtf8().find("Destroyed") != std::string::npos) {
      ++g_destroyed;
    }
  });
  log->setVerbosity(support_dll::CoreLog::getUnitString(L"MEMORY", L"RefCount"), 6);
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  g_holder.field.reset(generator->GenerateField(L"[Time].[1997]"));
  g_holder.checked = true;
  delete generator;
  EXPECT_EQ(g_destroyed, 0);
}
