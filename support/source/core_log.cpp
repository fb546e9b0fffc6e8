#include "mdxgen/support/core_log.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace support_dll {

bool CoreLog::ShouldLogHandler::shouldLog(const std::string& unitKey, VerbosityType level) const {
  return getLogObject()->shouldLog(unitKey, level);
}

std::string CoreLog::getUnitString(const VelaString& unit, const VelaString& component) {
  return unit.toUtf8() + "." + component.toUtf8();
}

int CoreLog::maxVerbosity(const std::string& unitKey) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!sink_) return 0;
  const auto it = levels_.find(unitKey);
  return it == levels_.end() ? 0 : it->second;
}

namespace {

// What a thread keeps of the record it logged last.
struct Filled {
  LogRecord record{};
  std::uint64_t place = 0;  // the place it was filled from, 0 for none
};

// Fills record in place: strings and inserts keep their buffers from one
// record to the next, so a thread that logs often stops allocating.
void fill(Filled& filled, unsigned long messageCode, int verbosity, const std::string& unit,
          const char* source, int line, const char* function, int insertCount,
          const wchar_t* const* inserts) {
  LogRecord& record = filled.record;
  record.messageCode = messageCode;
  record.verbosity = verbosity;
  // A record refilled from the same place keeps its texts as they are.
  if (record.unit != unit) record.unit.assign(unit);
  if (std::strcmp(record.source.c_str(), source ? source : "") != 0)
    record.source.assign(source ? source : "");
  record.line = line;
  if (std::strcmp(record.function.c_str(), function ? function : "") != 0)
    record.function.assign(function ? function : "");
  filled.place = 0;
  const std::size_t count = insertCount > 0 ? static_cast<std::size_t>(insertCount) : 0;
  record.inserts.resize(count);
  for (std::size_t i = 0; i < count; ++i) record.inserts[i].wstr().assign(inserts[i]);
}

// The same from a place: its texts are copied only when the record was
// last filled from another place.
void fill(Filled& filled, unsigned long messageCode, int verbosity, const LogPlace& place,
          std::initializer_list<std::wstring_view> inserts) {
  LogRecord& record = filled.record;
  record.messageCode = messageCode;
  record.verbosity = verbosity;
  if (filled.place != place.id()) {
    record.unit.assign(place.unit());
    record.source.assign(place.source());
    record.line = place.line();
    record.function.assign(place.function());
    filled.place = place.id();
  }
  record.inserts.resize(inserts.size());
  std::size_t i = 0;
  for (const std::wstring_view insert : inserts) record.inserts[i++].wstr().assign(insert);
}

// The one record each thread reuses. A sink that logs again from inside
// itself gets a record of its own, and so does every record once the
// thread's own objects are destroyed (a holder given back while the
// process exits, say): the flag, trivially destroyed, can still be read.
struct ThreadRecord {
  Filled filled;
  bool inUse = false;
  ~ThreadRecord() { gone() = true; }
  static bool& gone() {
    thread_local bool flag = false;
    return flag;
  }
};

// The thread's record, or null once it is destroyed.
ThreadRecord* threadRecord() {
  if (ThreadRecord::gone()) return nullptr;
  thread_local ThreadRecord record;
  return &record;
}

std::atomic<std::uint64_t> g_places{0};

}  // namespace

LogPlace::LogPlace(std::string unit, std::string source, int line, std::string function)
    : unit_(std::move(unit)),
      source_(std::move(source)),
      line_(line),
      function_(std::move(function)),
      id_(g_places.fetch_add(1, std::memory_order_relaxed) + 1) {}

template <class Fill>
void CoreLog::deliver(Fill fill) {
  // The sink is shared, not copied: a record costs no copy of the host's
  // function, and a sink replaced meanwhile lives until this call ends.
  std::shared_ptr<const std::function<void(const LogRecord&)>> sink;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sink = sink_;
  }
  if (!sink) return;
  ThreadRecord* const reused = threadRecord();
  if (reused == nullptr || reused->inUse) {
    Filled own;
    fill(own);
    (*sink)(own.record);
    return;
  }
  reused->inUse = true;
  struct Release {
    bool& inUse;
    ~Release() { inUse = false; }
  } release{reused->inUse};
  fill(reused->filled);
  (*sink)(reused->filled.record);
}

void CoreLog::log(unsigned long messageCode, VerbosityType verbosity, const std::string& unit,
                  const char* source, int line, const char* function, int insertCount,
                  const wchar_t* const* inserts) {
  deliver([&](Filled& filled) {
    fill(filled, messageCode, verbosity, unit, source, line, function, insertCount, inserts);
  });
}

void CoreLog::log(unsigned long messageCode, VerbosityType verbosity, const LogPlace& place,
                  std::initializer_list<std::wstring_view> inserts) {
  deliver([&](Filled& filled) { fill(filled, messageCode, verbosity, place, inserts); });
}

void CoreLog::setSink(std::function<void(const LogRecord&)> sink) {
  auto held = sink ? std::make_shared<const std::function<void(const LogRecord&)>>(std::move(sink))
                   : nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  sink_ = std::move(held);
  version_.fetch_add(1, std::memory_order_acq_rel);
}

void CoreLog::setVerbosity(const std::string& unitKey, int maxLevel) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (maxLevel >= 1) {
    levels_[unitKey] = maxLevel;
  } else {
    levels_.erase(unitKey);
  }
  unitsOn_.store(static_cast<int>(levels_.size()), std::memory_order_release);
  version_.fetch_add(1, std::memory_order_acq_rel);
}

CoreLog* getLogObject() {
  // Never destroyed, so objects released during the process's exit can
  // still reach it.
  static CoreLog* const log = new CoreLog();
  return log;
}

void AssertionFailure(const char* expression, const char* source, int line) {
  static const std::string unit = CoreLog::getUnitString(L"SUPPORT", L"Assert");
  CoreLog* log = getLogObject();
  if (!log->shouldLog(unit, 1)) return;
  const VelaString e(expression ? expression : "");
  const VelaString s(source ? source : "");
  VelaString l;
  l.build("%d", line);
  const wchar_t* inserts[] = {e.c_str(), s.c_str(), l.c_str()};
  log->log(0xC2010001UL, 1, unit, source, line, "AssertionFailure", 3, inserts);
}

}  // namespace support_dll
