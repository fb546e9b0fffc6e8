// The query log: its registry switch, the records it writes, who owns the
// timer, and appends from several processes at once.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"
#include "tests/temp_files.h"

namespace {

const wchar_t kKey[] = L"Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE";
const std::string kKeyLine = "[HKEY_LOCAL_MACHINE\\" + VelaString(kKey).toUtf8() + "]\n";

// A statement with fixed texts; an empty laid-out text makes getText raise
// the error of a SELECT without an axis.
class FixedQuery : public MDXQuery {
 public:
  explicit FixedQuery(const VelaString& laidOut)
      : MDXQuery(L"[Sales]", MDXQuery::Select), laidOut_(laidOut) {}
  VelaString getText(bool laidOut) const override {
    if (laidOut_.empty()) throw MDXError(MDXError::kNoAxis);
    return laidOut ? laidOut_ : VelaString(L"one line");
  }
  void writeText(VelaString& out) const override { out = getText(false); }

 protected:
  ~FixedQuery() override = default;

 private:
  VelaString laidOut_;
};

// A timer that counts its destructions.
class CountedTimer : public MDXQueryLog::MDXQueryTimer {
 public:
  explicit CountedTimer(int& destroyed) : destroyed_(destroyed) {}
  ~CountedTimer() override { ++destroyed_; }

 private:
  int& destroyed_;
};

const char kRecord[] = "[Sales]: SELECT\n  { [A] } ON COLUMNS\nFROM [Sales]\n";
const std::regex kDuration("Query duration: ([0-9]+\\.[0-9]{3}) seconds\n");

class QueryLogTest : public ::testing::Test {
 protected:
  ~QueryLogTest() override { delete generator; }

  // Switches the log on with the file name given and, unless null, the clock.
  void settings(const std::string& name, const char* clock = nullptr) {
    std::string text = "REGEDIT4\n" + kKeyLine + "\"MDX Query Log\"=\"" + name + "\"\n";
    if (clock != nullptr) text += std::string("\"MDX Query Clock\"=") + clock + "\n";
    writeFile(registryFile, text);
  }

  // The log file after the record, which must start it.
  std::string afterRecord() {
    const std::string content = readFile(logFile);
    EXPECT_EQ(content.compare(0, sizeof kRecord - 1, kRecord), 0) << content;
    return content.substr(std::min(content.size(), sizeof kRecord - 1));
  }

  TempDir dir;
  std::string registryFile = dir.path("settings.reg");
  std::string logFile = dir.path("q.log");
  ScopedEnv registry{"ORVO_REGISTRY", registryFile.c_str()};
  ScopedEnv tmpdir{"TMPDIR", dir.path().c_str()};
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXQuery> statement{new FixedQuery(L"SELECT\n  { [A] } ON COLUMNS\nFROM [Sales]")};
};

}  // namespace

TEST_F(QueryLogTest, OnWithoutTheClock) {
  settings("q.log");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  int destroyed = 0;
  MDXQueryLog::MDXQueryTimer* const mine = new CountedTimer(destroyed);
  MDXQueryLog::MDXQueryTimer* timer = nullptr;
  MDXQueryLog::MDXQueryTimer* kept = mine;
  log->timeQuery(&timer);
  log->timeQuery(&kept);
  log->timeQuery(nullptr);
  EXPECT_EQ(timer, nullptr);
  EXPECT_EQ(kept, mine);
  log->logQuery(statement.get(), nullptr);
  log->logMessage(L"x");
  EXPECT_EQ(afterRecord(), "x\n");
  delete mine;
}

TEST_F(QueryLogTest, OnWithTheClock) {
  settings("q.log", "dword:00000001");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  MDXQueryLog::MDXQueryTimer* timer = nullptr;
  log->timeQuery(&timer);
  ASSERT_NE(timer, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  log->logQuery(statement.get(), timer);
  const std::string rest = afterRecord();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(rest, m, kDuration)) << rest;
  EXPECT_GE(std::stod(m[1].str()), 0.030);
  EXPECT_LT(std::stod(m[1].str()), 30.0);
}

// Every way the switch is off: the generator has no log; only a registry
// file that cannot be used is reported.
TEST_F(QueryLogTest, Off) {
  LogCapture capture(0);
  const struct {
    int line;
    std::function<void()> arrange;
    size_t warnings;
  } cases[] = {
      {__LINE__, [&] { registry.set(nullptr); }, 0},
      {__LINE__, [&] { registry.set(dir.path("missing.reg")); }, 0},
      {__LINE__, [&] { writeFile(registryFile, "REGEDIT4\n" + kKeyLine); }, 0},
      {__LINE__, [&] { settings(dir.path("missing/q.log")); }, 0},
      {__LINE__, [&] { settings(""); }, 0},
      {__LINE__, [&] { settings("C:\\q.log"); }, 1},
      {__LINE__, [&] { registry.set(dir.path()); }, 1},
  };
  for (const auto& c : cases) {
    registry.set(registryFile);
    capture.records.clear();
    c.arrange();
    MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
    EXPECT_EQ(g->GetMDXQueryLog(), nullptr) << "line " << c.line;
    EXPECT_EQ(capture.records.size(), c.warnings) << "line " << c.line;
    delete g;
  }
  MDXQueryLog closed(L"[Sales]");
  EXPECT_FALSE(closed.open(kKey));
  closed.logMessage(L"x");
  closed.logQuery(statement.get(), nullptr);
  EXPECT_EQ(readFile(logFile), "<missing>");
}

// The generator asks for its log once, whatever the answer.
TEST_F(QueryLogTest, AskedOncePerGenerator) {
  settings("q.log");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  registry.set(nullptr);
  EXPECT_EQ(generator->GetMDXQueryLog(), log);
  MDXQueryGenerator* off = createMSOLAP8QueryGenerator(L"[Budget]");
  EXPECT_EQ(off->GetMDXQueryLog(), nullptr);
  registry.set(registryFile);
  EXPECT_EQ(off->GetMDXQueryLog(), nullptr);
  delete off;
}

// Earlier content stays; two generators log to one file in turn; a bare
// name goes to the temporary folder, a path where it says.
TEST_F(QueryLogTest, AppendsAcrossGenerators) {
  writeFile(logFile, "earlier\n");
  for (const std::string& name : {std::string("q.log"), logFile}) {
    settings(name);
    MDXQueryGenerator* budget = createMSOLAP8QueryGenerator(L"[Budget]");
    auto_unuse<MDXQuery> update{new FixedQuery(L"UPDATE CUBE [Budget]\nSET x")};
    MDXQueryGenerator* sales = createMSOLAP8QueryGenerator(L"[Sales]");
    sales->GetMDXQueryLog()->logQuery(statement.get(), nullptr);
    budget->GetMDXQueryLog()->logQuery(update.get(), nullptr);
    sales->GetMDXQueryLog()->logMessage(L"x");
    delete budget;
    delete sales;
  }
  const std::string round = std::string(kRecord) + "[Budget]: UPDATE CUBE [Budget]\nSET x\nx\n";
  EXPECT_EQ(readFile(logFile), "earlier\n" + round + round);
}

// logQuery takes the timer exactly when it writes the record.
TEST_F(QueryLogTest, TimerOwnership) {
  settings("q.log", "dword:00000001");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  int destroyed = 0;
  auto* timer = new CountedTimer(destroyed);
  log->logQuery(nullptr, timer);
  auto_unuse<MDXQuery> refusing{new FixedQuery(L"")};
  try {
    log->logQuery(refusing.get(), timer);
    ADD_FAILURE() << "no error";
  } catch (const MDXError& e) {
    EXPECT_EQ(e.getErrorCode(), MDXError::kNoAxis);
  }
  MDXQueryLog closed(L"[Sales]");
  closed.logQuery(statement.get(), timer);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(readFile(logFile), "");
  log->logQuery(statement.get(), timer);
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(std::regex_match(afterRecord(), kDuration));
}

// A copy starts closed, with the prefix and timing of its source, so one
// file is never closed twice.
TEST_F(QueryLogTest, Copies) {
  settings("q.log", "dword:00000001");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  MDXQueryLog copy(*log);
  MDXQueryLog assigned(L"[Other]");
  ASSERT_TRUE(assigned.open(kKey));
  assigned = *log;
  for (MDXQueryLog* l : {&copy, &assigned}) {
    EXPECT_FALSE(l->isOpen());
    EXPECT_TRUE(l->isTiming());
    l->logMessage(L"lost");
  }
  ASSERT_TRUE(assigned.open(kKey));
  assigned.logQuery(statement.get(), nullptr);
  log->logMessage(L"x");
  EXPECT_EQ(afterRecord(), "x\n");
}

// Several processes appending to one log at once: every record arrives
// whole and in its process's order; duration lines fall between records.
TEST_F(QueryLogTest, ProcessesAppendingAtOnce) {
  settings("q.log", "dword:00000001");
  constexpr int kProcesses = 3;
  constexpr int kRecords = 500;
  // Some 6 KiB per record, more than the system writes atomically to a pipe.
  auto record = [](int process, int n) {
    std::wstring text = L"[P" + std::to_wstring(process) + L"]: " + std::to_wstring(n);
    for (int i = 0; i < 100; ++i) text += L"\n  NON EMPTY { [M" + std::to_wstring(i) + L"] }";
    return text;
  };
  for (int p = 0; p < kProcesses; ++p) {
    if (::fork() != 0) continue;
    MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[P" + std::to_wstring(p) + L"]");
    MDXQueryLog* log = g->GetMDXQueryLog();
    for (int n = 0; log != nullptr && n < kRecords; ++n) {
      MDXQueryLog::MDXQueryTimer* timer = nullptr;
      log->timeQuery(&timer);
      const std::wstring text = record(p, n);
      auto_unuse<MDXQuery> q{new FixedQuery(text.substr(text.find(L' ') + 1))};
      log->logQuery(q.get(), timer);
    }
    ::_exit(log != nullptr ? 0 : 1);
  }
  for (int p = 0; p < kProcesses; ++p) {
    int status = 0;
    ASSERT_GT(::wait(&status), 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string content = readFile(logFile);
  int next[kProcesses] = {};
  int durations = 0;
  std::size_t pos = 0;
  while (pos < content.size()) {
    const std::size_t end = content.find('\n', pos) + 1;
    const int p = content.compare(pos, 2, "[P") == 0 ? content[pos + 2] - '0' : -1;
    if (p < 0 || p >= kProcesses) {
      ASSERT_TRUE(std::regex_match(content.substr(pos, end - pos), kDuration)) << "at " << pos;
      ++durations;
      pos = end;
      continue;
    }
    const std::string expected = VelaString(record(p, next[p]++)).toUtf8() + "\n";
    ASSERT_EQ(content.compare(pos, expected.size(), expected), 0) << "at " << pos;
    pos += expected.size();
  }
  for (int p = 0; p < kProcesses; ++p) EXPECT_EQ(next[p], kRecords) << "process " << p;
  EXPECT_EQ(durations, kProcesses * kRecords);
}
