#include "mdxgen/support/core_log.h"

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

// Fills record in place: strings and inserts keep their buffers from one
// record to the next, so a thread that logs often stops allocating.
void fill(LogRecord& record, unsigned long messageCode, int verbosity, const std::string& unit,
          const char* source, int line, const char* function, int insertCount,
          const wchar_t* const* inserts) {
  record.messageCode = messageCode;
  record.verbosity = verbosity;
  // A record refilled from the same place keeps its texts as they are.
  if (record.unit != unit) record.unit.assign(unit);
  if (std::strcmp(record.source.c_str(), source ? source : "") != 0)
    record.source.assign(source ? source : "");
  record.line = line;
  if (std::strcmp(record.function.c_str(), function ? function : "") != 0)
    record.function.assign(function ? function : "");
  const std::size_t count = insertCount > 0 ? static_cast<std::size_t>(insertCount) : 0;
  record.inserts.resize(count);
  for (std::size_t i = 0; i < count; ++i) record.inserts[i].wstr().assign(inserts[i]);
}

}  // namespace

void CoreLog::log(unsigned long messageCode, VerbosityType verbosity, const std::string& unit,
                  const char* source, int line, const char* function, int insertCount,
                  const wchar_t* const* inserts) {
  // The sink is shared, not copied: a record costs no copy of the host's
  // function, and a sink replaced meanwhile lives until this call ends.
  std::shared_ptr<const std::function<void(const LogRecord&)>> sink;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sink = sink_;
  }
  if (!sink) return;
  // Each thread reuses one record. A sink that logs again from inside
  // itself gets a record of its own, and so does every record once the
  // thread's own objects are destroyed (a holder given back while the
  // process exits, say): the flag, trivially destroyed, can still be read.
  thread_local bool gone = false;
  struct Reused {
    LogRecord record{};
    bool inUse = false;
    ~Reused() { gone = true; }
  };
  thread_local Reused reused;
  if (gone || reused.inUse) {
    LogRecord record{};
    fill(record, messageCode, verbosity, unit, source, line, function, insertCount, inserts);
    (*sink)(record);
    return;
  }
  reused.inUse = true;
  struct Release {
    bool& inUse;
    ~Release() { inUse = false; }
  } release{reused.inUse};
  fill(reused.record, messageCode, verbosity, unit, source, line, function, insertCount, inserts);
  (*sink)(reused.record);
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
