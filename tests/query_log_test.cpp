// The query log: its registry switch, the records it writes, who owns the
// timer, and appends from several processes at once.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "tests/temp_files.h"
#include "tests/text_cases.h"

namespace {

const wchar_t kKey[] = L"Software\\Quillon\\Ardent Suite 2\\ORVO\\Log\\Modules\\ODBOMODULE";
const std::string kKeyLine = "[HKEY_LOCAL_MACHINE\\" + VelaString(kKey).toUtf8() + "]\n";

// A timer that counts its destructions.
class CountedTimer : public MDXQueryLog::MDXQueryTimer {
 public:
  explicit CountedTimer(int& destroyed) : destroyed_(destroyed) {}
  ~CountedTimer() override { ++destroyed_; }

 private:
  int& destroyed_;
};

const char kRecord[] = "[Sales]: \nSELECT \n       { [A] } ON COLUMNS \nFROM [Sales] \n";
const std::regex kDuration("Query duration: ([0-9]+\\.[0-9]{3}) seconds\n");

class QueryLogTest : public GeneratorTest {
 protected:
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
  // A SELECT, logged in its laid-out form.
  MDXSelectQuery* select() {
    return hold(static_cast<MDXSelectQuery*>(generator->GenerateQuery(MDXQuery::Select, nullptr)));
  }
  MDXQuery* statement = [this] {
    MDXSelectQuery* q = select();
    q->AddAxisSpecification(0, set(L"{ [A] }"), {}, MDXSelectQuery::MayBeEmpty);
    return q;
  }();
};

}  // namespace

TEST_F(QueryLogTest, OnWithoutTheClock) {
  settings("q.log");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  MDXQueryLog::MDXQueryTimer mine, *timer = nullptr, *kept = &mine;
  log->timeQuery(&timer);
  log->timeQuery(&kept);
  log->timeQuery(nullptr);
  EXPECT_EQ(timer, nullptr);
  EXPECT_EQ(kept, &mine);
  log->logQuery(statement, nullptr);
  log->logMessage(L"x");
  EXPECT_EQ(afterRecord(), "x\n");
}

// logQuery takes the timer exactly when it writes the record, and follows
// the record with its duration.
TEST_F(QueryLogTest, OnWithTheClock) {
  settings("q.log", "dword:00000001");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  int destroyed = 0;
  auto* counted = new CountedTimer(destroyed);
  log->logQuery(nullptr, counted);
  EXPECT_EQ(refusal([&] { log->logQuery(select(), counted); }), Refusal(MDXError::kNoAxis, {}));
  MDXQueryLog(L"[Sales]").logQuery(statement, counted);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(readFile(logFile), "");
  log->logQuery(statement, counted);
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(std::regex_match(afterRecord(), kDuration));

  writeFile(logFile, "");
  MDXQueryLog::MDXQueryTimer* timer = nullptr;
  log->timeQuery(&timer);
  ASSERT_NE(timer, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  log->logQuery(statement, timer);
  const std::string rest = afterRecord();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(rest, m, kDuration)) << rest;
  EXPECT_TRUE(std::stod(m[1].str()) >= 0.030 && std::stod(m[1].str()) < 30.0) << rest;
}

// Every way the switch is off: the generator has no log, and asks once.
TEST_F(QueryLogTest, Off) {
  for (const auto& arrange : std::initializer_list<std::function<void()>>{
           [&] { registry.set(nullptr); },
           [&] { registry.set(dir.path("missing.reg")); },
           [&] { writeFile(registryFile, "REGEDIT4\n" + kKeyLine); },
           [&] { settings(dir.path("missing/q.log")); },
           [&] { settings(""); }}) {
    registry.set(registryFile);
    arrange();
    MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
    EXPECT_EQ(g->GetMDXQueryLog(), nullptr);
    settings("q.log");
    EXPECT_EQ(g->GetMDXQueryLog(), nullptr);
    delete g;
  }
  MDXQueryLog closed(L"[Sales]");
  closed.logMessage(L"x");
  closed.logQuery(statement, nullptr);
  EXPECT_EQ(readFile(logFile), "<missing>");
}

// Earlier content stays; two generators log to one file in turn; a bare
// name goes to the temporary folder, a path where it says. A generator asks
// for its log once.
TEST_F(QueryLogTest, AppendsAcrossGenerators) {
  writeFile(logFile, "earlier\n");
  for (const std::string& name : {std::string("q.log"), logFile}) {
    settings(name);
    MDXQueryGenerator* budget = createMSOLAP8QueryGenerator(L"[Budget]");
    auto* update = hold(new MDXUpdateQuery(L"[Budget]"));
    MDXQueryGenerator* sales = createMSOLAP8QueryGenerator(L"[Sales]");
    MDXQueryLog* log = sales->GetMDXQueryLog();
    log->logQuery(statement, nullptr);
    budget->GetMDXQueryLog()->logQuery(update, nullptr);
    registry.set(nullptr);
    EXPECT_EQ(sales->GetMDXQueryLog(), log);
    log->logMessage(L"x");
    registry.set(registryFile);
    delete budget;
    delete sales;
  }
  const std::string round = std::string(kRecord) + "[Budget]: UPDATE CUBE [Budget] SET() =  \nx\n";
  EXPECT_EQ(readFile(logFile), "earlier\n" + round + round);
}

// A copy starts closed, with the prefix and timing of its source, so one
// file is never closed twice.
TEST_F(QueryLogTest, Copies) {
  settings("q.log", "dword:00000001");
  MDXQueryLog* log = generator->GetMDXQueryLog();
  ASSERT_NE(log, nullptr);
  MDXQueryLog copy(*log), assigned(L"[Other]");
  ASSERT_TRUE(assigned.open(kKey));
  assigned = *log;
  for (MDXQueryLog* l : {&copy, &assigned}) {
    EXPECT_FALSE(l->isOpen());
    EXPECT_TRUE(l->isTiming());
  }
  ASSERT_TRUE(assigned.open(kKey));
  assigned.logQuery(statement, nullptr);
  log->logMessage(L"x");
  EXPECT_EQ(afterRecord(), "x\n");
}

// Several processes appending to one log at once.
TEST_F(QueryLogTest, ProcessesAppendingAtOnce) {
  settings("q.log", "dword:00000001");
  constexpr int kProcesses = 3, kRecords = 500;
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
      VelaString text(record(p, n).substr(6));
      MDXSelectQuery* q = select();
      q->setQuery(text);
      log->logQuery(q, timer);
    }
    ::_exit(log != nullptr ? 0 : 1);
  }
  for (int p = 0; p < kProcesses; ++p) {
    int status = 0;
    ASSERT_GT(::wait(&status), 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // Each record whole and after the one before it; besides them, only one
  // duration line of 30 bytes per record.
  const std::string content = readFile(logFile);
  std::size_t size = 0;
  for (int p = 0; p < kProcesses; ++p) {
    for (std::size_t n = 0, at = 0; n < kRecords; ++n, ++at) {
      const std::string expected = VelaString(record(p, n)).toUtf8() + "\n";
      ASSERT_NE(at = content.find(expected, at), std::string::npos) << p << " " << n;
      size += expected.size() + 30;
    }
  }
  EXPECT_EQ(content.size(), size);
}
