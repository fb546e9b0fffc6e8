// Runs statements on the embedded Mondrian engine through EngineClient: the
// answers against SQL over the same data, and every way the runner can fail.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <tuple>

#include "server_support.h"

namespace {

using namespace server_test;
using mdxgen::engine::EngineOptions;

// The axes as "columns / rows WHERE slicer", each in the form of axisText.
std::string axesText(const EngineResult& r) {
  std::string text;
  for (const auto& axis : r.axes) text += (text.empty() ? "" : " / ") + axisText(axis);
  const std::string slicer = axisText(r.slicer);
  return slicer.empty() ? text : text + " WHERE " + slicer;
}

// kill() only queues a signal. Waits until /proc shows the process in the
// given state ('T' stopped, 'Z' dead but not yet reaped).
bool waitForState(pid_t pid, char state) {
  for (int tries = 0; tries < 5000; ++tries) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');  // pid (comm) state ...; comm may hold blanks
    if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == state)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// Each statement's axes, and its cells against the rows of an SQL query:
// empty cells, a name escaped with "]]", non-ASCII letters, line breaks and
// tabs in the statement all survive the trip. (Member properties and
// drill-through rows are read in library_on_server_test.)
TEST(EngineClient, AnswersMatchSql) {
  EngineClient& engine = sampleEngine();
  ASSERT_TRUE(engine.running()) << engine.startupError();
  EXPECT_NE(engine.version().find("mondrian"), std::string::npos) << engine.version();
  const struct {
    const char* mdx;
    const char* axes;
    const char* sql;
  } cases[] = {
      {"SELECT {[Measures].[Unit Sales], [Measures].[Store Sales]} ON COLUMNS,\n"
       " [Time].[Year].Members ON ROWS FROM [Sales]",
       "Unit Sales, Store Sales / 2023, 2024",
       "SELECT SUM(f.unit_sales), SUM(f.store_sales) FROM sales_fact f JOIN time_by_month t"
       " ON t.month_id = f.month_id GROUP BY t.the_year ORDER BY t.the_year"},
      // Vancouver never sold anything; Zürich opened in 2024.
      {"SELECT {[Measures].[Unit Sales]} ON 0, [Store].[Store City].Members ON 1"
       " FROM [Sales] WHERE ([Time].[2023])",
       "Unit Sales / Vancouver, Lausanne, Zürich, Los Angeles, San Francisco, Coeur d'Alene, "
       "Seattle WHERE 2023",
       "SELECT SUM(f.unit_sales) FROM store s LEFT JOIN sales_fact f ON f.store_id = s.store_id"
       " AND f.month_id < 202400 GROUP BY s.store_country, s.store_state, s.store_city"
       " ORDER BY s.store_country, s.store_state, s.store_city"},
      {"SELECT NON EMPTY CROSSJOIN({[Time].[2024].[Q2]},"
       " {[Product].[Non-Consumable].[Electronics].[Gadgets [New]]]}) ON 0,\n"
       " {[Store].[Switzerland].[ZH].[Zürich]} ON 1 FROM [Sales] WHERE ([Measures].[Unit Sales])",
       "Q2|Gadgets [New] / Zürich WHERE Unit Sales",
       "SELECT SUM(f.unit_sales) FROM sales_fact f JOIN product p ON p.product_id = f.product_id"
       " JOIN store s ON s.store_id = f.store_id WHERE f.month_id BETWEEN 202404 AND 202406"
       " AND p.product_category = 'Gadgets [New]' AND s.store_city = 'Zürich'"},
      {"SELECT\r\n\t{[Measures].[Unit Sales]} ON COLUMNS\r\n-- a comment line\nFROM\t[Sales]\n",
       "Unit Sales", "SELECT SUM(unit_sales) FROM sales_fact"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mdx);
    const EngineResult r = engine.mdx(c.mdx);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(axesText(r), c.axes);
    EXPECT_EQ(cellsText(r), sqlText(engine, c.sql));
  }
}

// Statements the engine refuses and records the runner cannot read come
// back with the reason, and the runner answers the next statement.
TEST(EngineClient, RefusalsAreReportedAndTheRunnerGoesOn) {
  EngineClient& engine = sampleEngine();
  ASSERT_TRUE(engine.running()) << engine.startupError();
  const struct {
    std::function<EngineResult()> send;
    const char* kind;
    const char* error;
  } cases[] = {
      {[&] { return engine.mdx("SELECT FROM [Sales] WHERE ([Store].[Atlantis])"); }, "MDX",
       "MDX object '[Store].[Atlantis]' not found in cube"},
      {[&] { return engine.mdx("SELECT {[Measures].[Unit Sales] ON 0 FROM [Sales]"); }, "MDX",
       "Syntax error"},
      {[&] { return engine.sql("SELECT no_such_column FROM sales_fact"); }, "SQL",
       "Column \"no_such_column\" not found"},
      {[&] { return engine.sendRaw("FOO 3\nabc"); }, "PROTOCOL", "unknown record type"},
      {[&] { return engine.sendRaw("MDX twelve\n"); }, "PROTOCOL", "bad payload length"},
      {[&] { return engine.sendRaw("MDX 2\n\xC3\x28"); }, "PROTOCOL", "not valid UTF-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const EngineResult r = c.send();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
  }
  const EngineResult after = engine.mdx("SELECT FROM [Sales]");
  EXPECT_EQ(cellsText(after), sqlText(engine, "SELECT SUM(unit_sales) FROM sales_fact"));
}

// A runner that cannot start says why; one that crashes or hangs is reported,
// reaped and can be started again.
TEST(EngineClient, RunnerFailures) {
  const struct {
    std::function<void(EngineOptions&)> spoil;
    const char* error;
    const char* more;
  } starts[] = {
      {[](EngineOptions& o) { o.schema = "/nonexistent/schema.xml"; }, "cannot read schema", ""},
      {[](EngineOptions& o) { o.java = "/nonexistent/java"; }, "cannot start /nonexistent/java",
       ""},
      // The JVM's own complaint, from the runner's stderr.
      {[](EngineOptions& o) { o.jvmArguments.push_back("-XX:+NoSuchOptionAnywhere"); },
       "exited with status 1; its last output: ", "NoSuchOptionAnywhere"},
  };
  for (const auto& c : starts) {
    SCOPED_TRACE(c.error);
    EngineOptions options = EngineOptions::sample();
    c.spoil(options);
    EngineClient client(options);
    EXPECT_FALSE(client.running());
    EXPECT_NE(client.startupError().find(c.error), std::string::npos) << client.startupError();
    EXPECT_NE(client.startupError().find(c.more), std::string::npos) << client.startupError();
    EXPECT_EQ(client.mdx("SELECT FROM [Sales]").kind, "CLIENT");
  }

  EngineOptions options = EngineOptions::sample();
  options.statementTimeout = std::chrono::milliseconds(1000);
  EngineClient client(options);
  // A crashed runner is a zombie until the client reaps it; a hung one is stopped.
  for (const auto& [signal, state, error] : {std::tuple{SIGKILL, 'Z', "killed by signal 9"},
                                             std::tuple{SIGSTOP, 'T', "no answer within 1000"}}) {
    SCOPED_TRACE(error);
    ASSERT_TRUE(client.running() || client.restart()) << client.startupError();
    ASSERT_TRUE(client.ping().ok);
    const pid_t pid = client.processId();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid, signal), 0);
    ASSERT_TRUE(waitForState(pid, state));
    const EngineResult r = client.mdx("SELECT FROM [Sales]");
    EXPECT_EQ(r.kind, "CLIENT");
    EXPECT_NE(r.error.find(error), std::string::npos) << r.error;
    EXPECT_FALSE(client.running());
    EXPECT_NE(kill(pid, 0), 0);  // killed and reaped, not left behind
  }
}

}  // namespace
