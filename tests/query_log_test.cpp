// The query log: its registry switch, the records it writes, who owns the
// timer, and appends from several processes at once.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"
#include "tests/temp_files.h"

namespace {

const wchar_t kKey[] = L"Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE";
const std::string kKeyLine =
    "[HKEY_LOCAL_MACHINE\\Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE]\n";

// A statement with fixed texts, one-line and laid out.
class FixedQuery : public MDXQuery {
 public:
  FixedQuery(const VelaString& oneLine, const VelaString& laidOut)
      : MDXQuery(L"[Sales]", MDXQuery::Select), oneLine_(oneLine), laidOut_(laidOut) {}
  VelaString getText(bool laidOut) const override { return laidOut ? laidOut_ : oneLine_; }
  void writeText(VelaString& out) const override { out = oneLine_; }

 protected:
  ~FixedQuery() override = default;

 private:
  VelaString oneLine_;
  VelaString laidOut_;
};

// A statement that refuses to give its text, as a SELECT without an axis.
class RefusingQuery : public MDXQuery {
 public:
  RefusingQuery() : MDXQuery(L"[Sales]", MDXQuery::Select) {}
  VelaString getText(bool) const override { throw MDXError(MDXError::kNoAxis); }
  void writeText(VelaString& out) const override { out = getText(false); }

 protected:
  ~RefusingQuery() override = default;
};

// A timer that counts its destructions.
class CountedTimer : public MDXQueryLog::MDXQueryTimer {
 public:
  explicit CountedTimer(int& destroyed) : destroyed_(destroyed) {}
  ~CountedTimer() override { ++destroyed_; }

 private:
  int& destroyed_;
};

// The seconds of the duration line when content is record followed by one
// duration line with three decimals.
std::optional<double> durationAfter(const std::string& content, const std::string& record) {
  std::smatch m;
  static const std::regex line("Query duration: ([0-9]+\\.[0-9]{3}) seconds\n");
  const std::string rest = content.substr(0, record.size()) == record ? content.substr(record.size()) : "";
  if (!std::regex_match(rest, m, line)) return std::nullopt;
  return std::stod(m[1].str());
}

const wchar_t kLaidOut[] = L"SELECT\n  { [A] } ON COLUMNS\nFROM [Sales]";
const char kRecord[] = "[Sales]: SELECT\n  { [A] } ON COLUMNS\nFROM [Sales]\n";

class QueryLogTest : public ::testing::Test {
 protected:
  // Switches the log on with the file name given and, unless null, the clock.
  void settings(const std::string& name, const char* clock = nullptr) {
    std::string text = "Windows Registry Editor Version 5.00\n\n" + kKeyLine +
                       "\"MDX Query Log\"=\"" + name + "\"\n";
    if (clock != nullptr) text += std::string("\"MDX Query Clock\"=") + clock + "\n";
    writeFile(registryFile, text);
  }

  TempDir dir;
  std::string registryFile = dir.path("settings.reg");
  std::string logFile = dir.path("q.log");
  ScopedEnv registry{"ORVO_REGISTRY", registryFile.c_str()};
  ScopedEnv tmpdir{"TMPDIR", dir.path().c_str()};
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXQuery> statement{new FixedQuery(L"SELECT { [A] } ON COLUMNS FROM [Sales] ", kLaidOut)};

  ~QueryLogTest() override { delete generator; }
};

}  // namespace

TEST_F(QueryLogTest, OnWithoutTheClock) {
  settings("q.log");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isOpen());
  EXPECT_FALSE(log->isTiming());
  MDXQueryLog::MDXQueryTimer* timer = nullptr;
  log->timeQuery(&timer);
  EXPECT_EQ(timer, nullptr);
  int destroyed = 0;
  MDXQueryLog::MDXQueryTimer* mine = new CountedTimer(destroyed);
  MDXQueryLog::MDXQueryTimer* kept = mine;
  log->timeQuery(&kept);
  EXPECT_EQ(kept, mine);
  log->timeQuery(nullptr);
  log->logQuery(statement.get(), nullptr);
  log->logMessage(L"x");
  log->logMessage(L"Zürich");
  EXPECT_EQ(readFile(logFile), std::string(kRecord) + "x\nZürich\n");
  delete mine;
}

TEST_F(QueryLogTest, OnWithTheClock) {
  for (const char* clock : {"dword:00000001", "\"true\""}) {
    std::filesystem::remove(logFile);
    MDXQueryLog log(L"[Sales]");
    settings("q.log", clock);
    ASSERT_TRUE(log.open(kKey)) << clock;
    EXPECT_TRUE(log.isTiming());
    MDXQueryLog::MDXQueryTimer* timer = nullptr;
    log.timeQuery(&timer);
    ASSERT_NE(timer, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    log.logQuery(statement.get(), timer);
    const std::optional<double> seconds = durationAfter(readFile(logFile), kRecord);
    ASSERT_TRUE(seconds.has_value()) << readFile(logFile);
    EXPECT_GE(*seconds, 0.030);
    EXPECT_LT(*seconds, 30.0);
  }
  for (const char* clock : {"dword:00000000", "\"false\"", "hex:01"}) {
    MDXQueryLog log(L"[Sales]");
    settings("q.log", clock);
    ASSERT_TRUE(log.open(kKey)) << clock;
    EXPECT_FALSE(log.isTiming()) << clock;
  }
}

TEST(QueryTimer, MeasuresElapsedTime) {
  const MDXQueryLog::MDXQueryTimer timer;
  const double first = timer.elapsedSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const double second = timer.elapsedSeconds();
  EXPECT_GE(first, 0.0);
  EXPECT_GE(second - first, 0.020);
  EXPECT_LT(second, 30.0);
}

// Every way the switch is off: the generator has no log.
TEST_F(QueryLogTest, Off) {
  LogCapture capture(0);
  const struct {
    int line;
    std::function<void()> arrange;
    size_t warnings;
  } cases[] = {
      {__LINE__, [&] { registry.set(nullptr); }, 0},
      {__LINE__, [&] { registry.set(dir.path("missing.reg")); }, 0},
      {__LINE__, [&] { writeFile(registryFile, "REGEDIT4\n\n" + kKeyLine + "\"MDX Query Clock\"=dword:1\n"); }, 0},
      {__LINE__, [&] { settings(dir.path("missing/q.log")); }, 0},
      {__LINE__, [&] { settings(""); }, 0},
      {__LINE__, [&] { settings("sub"); std::filesystem::create_directory(dir.path("sub")); }, 0},
      {__LINE__, [&] { writeFile(registryFile, "REGEDIT4\n" + kKeyLine + "\"MDX Query Log\"=\"C:\\q.log\"\n"); }, 1},
      {__LINE__, [&] { registry.set(dir.path()); }, 1},
  };
  for (const auto& c : cases) {
    registry.set(registryFile);
    capture.records.clear();
    c.arrange();
    MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
    EXPECT_EQ(g->GetMDXQueryLog(), nullptr) << "case at line " << c.line;
    EXPECT_EQ(capture.records.size(), c.warnings) << "case at line " << c.line;
    delete g;
  }
  MDXQueryLog closed(L"[Sales]");
  EXPECT_FALSE(closed.open(kKey));
  EXPECT_FALSE(closed.isOpen());
  MDXQueryLog::MDXQueryTimer* timer = nullptr;
  closed.timeQuery(&timer);
  EXPECT_EQ(timer, nullptr);
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

  MDXQueryGenerator* on = createMSOLAP8QueryGenerator(L"[Budget]");
  EXPECT_NE(on->GetMDXQueryLog(), nullptr);
  delete on;
}

TEST_F(QueryLogTest, FilePlacement) {
  const struct {
    int line;
    std::string name;
    std::string path;
  } cases[] = {
      {__LINE__, "bare.log", dir.path("bare.log")},
      {__LINE__, dir.path("placed.log"), dir.path("placed.log")},
  };
  for (const auto& c : cases) {
    settings(c.name);
    MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
    ASSERT_NE(g->GetMDXQueryLog(), nullptr) << "case at line " << c.line;
    g->GetMDXQueryLog()->logMessage(L"here");
    delete g;
    EXPECT_EQ(readFile(c.path), "here\n") << "case at line " << c.line;
  }
}

// Earlier content stays; two generators logging to one file in turn.
TEST_F(QueryLogTest, AppendsAcrossGenerators) {
  writeFile(logFile, "earlier\n");
  settings("q.log");
  MDXQueryGenerator* budget = createMSOLAP8QueryGenerator(L"[Budget]");
  auto_unuse<MDXQuery> one{new FixedQuery(L"one line", L"UPDATE CUBE [Budget]\nSET x")};
  generator->GetMDXQueryLog()->logQuery(statement.get(), nullptr);
  budget->GetMDXQueryLog()->logQuery(one.get(), nullptr);
  generator->GetMDXQueryLog()->logMessage(L"x");
  delete budget;
  EXPECT_EQ(readFile(logFile),
            std::string("earlier\n") + kRecord + "[Budget]: UPDATE CUBE [Budget]\nSET x\nx\n");
}

// logQuery takes the timer exactly when it writes the record.
TEST_F(QueryLogTest, TimerOwnership) {
  settings("q.log", "dword:00000001");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  int destroyed = 0;
  auto* timer = new CountedTimer(destroyed);

  log->logQuery(nullptr, timer);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(readFile(logFile), "");

  auto_unuse<MDXQuery> refusing{new RefusingQuery()};
  try {
    log->logQuery(refusing.get(), timer);
    ADD_FAILURE() << "no error";
  } catch (const MDXError& e) {
    EXPECT_EQ(e.getErrorCode(), MDXError::kNoAxis);
  }
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(readFile(logFile), "");

  MDXQueryLog closed(L"[Sales]");
  closed.logQuery(statement.get(), timer);
  EXPECT_EQ(destroyed, 0);

  log->logQuery(statement.get(), timer);
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(durationAfter(readFile(logFile), kRecord).has_value()) << readFile(logFile);
}

// A copy starts closed, with the prefix and timing of its source.
TEST_F(QueryLogTest, Copies) {
  settings("q.log", "dword:00000001");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  MDXQueryLog copy(*log);
  EXPECT_FALSE(copy.isOpen());
  EXPECT_TRUE(copy.isTiming());
  copy.logMessage(L"lost");
  MDXQueryLog assigned(L"[Other]");
  ASSERT_TRUE(assigned.open(kKey));
  assigned = *log;
  EXPECT_FALSE(assigned.isOpen());
  EXPECT_TRUE(assigned.isTiming());
  assigned.logMessage(L"lost");
  ASSERT_TRUE(copy.open(kKey));
  copy.logQuery(statement.get(), nullptr);
  log->logMessage(L"x");
  EXPECT_EQ(readFile(logFile), std::string(kRecord) + "x\n");
}

// Several processes appending to one log at once: every record arrives
// whole, in each process's order, none lost.
TEST_F(QueryLogTest, ProcessesAppendingAtOnce) {
  settings("q.log", "dword:00000001");
  constexpr int kProcesses = 3;
  constexpr int kRecords = 500;
  constexpr int kBodyLines = 100;  // some 6 KiB per record, more than a pipe's atomic write
  auto body = [](int process, int record) {
    std::wstring text = L"BEGIN " + std::to_wstring(process) + L" " + std::to_wstring(record);
    for (int i = 0; i < kBodyLines; ++i) {
      text += L"\n  NON EMPTY { [Measures].[M" + std::to_wstring(i) + L"] } ON COLUMNS " +
              std::to_wstring(process);
    }
    return text + L"\nEND";
  };

  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[P" + std::to_wstring(p) + L"]");
      MDXQueryLog* log = g->GetMDXQueryLog();
      for (int r = 0; log != nullptr && r < kRecords; ++r) {
        MDXQueryLog::MDXQueryTimer* timer = nullptr;
        log->timeQuery(&timer);
        auto_unuse<MDXQuery> q{new FixedQuery(L"", body(p, r))};
        log->logQuery(q.get(), timer);
      }
      const bool ok = log != nullptr;
      delete g;
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  // Duration lines may fall between records, never inside one.
  const std::string content = readFile(logFile);
  const std::regex duration("Query duration: [0-9]+\\.[0-9]{3} seconds\n");
  int next[kProcesses] = {};
  int durations = 0;
  std::size_t pos = 0;
  while (pos < content.size()) {
    const std::size_t end = content.find('\n', pos) + 1;
    ASSERT_NE(end, 0u);
    const std::string line = content.substr(pos, end - pos);
    if (std::regex_match(line, duration)) {
      ++durations;
      pos = end;
      continue;
    }
    const int p = line.size() > 2 ? line[2] - '0' : -1;
    ASSERT_TRUE(p >= 0 && p < kProcesses) << line;
    const std::string expected = "[P" + std::to_string(p) + "]: " +
                                 VelaString(body(p, next[p])).toUtf8() + "\n";
    ASSERT_EQ(content.compare(pos, expected.size(), expected), 0) << "at offset " << pos;
    ++next[p];
    pos += expected.size();
  }
  for (int p = 0; p < kProcesses; ++p) EXPECT_EQ(next[p], kRecords) << "process " << p;
  EXPECT_EQ(durations, kProcesses * kRecords);
}
