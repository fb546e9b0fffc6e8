/// \file
/// The process's log service: records with a message code, a verbosity, a
/// unit, the place they come from and wide inserts, handed to a host sink.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "mdxgen/support/export.h"
#include "mdxgen/support/velastring.h"

namespace support_dll {

/// One record as the sink receives it.
struct LogRecord {
  /// The message code: 0xC2011F00 for the instance log, an error's code
  /// for ExceptionCommon::log.
  unsigned long messageCode;
  /// The record's verbosity level (1 most important).
  int verbosity;
  /// The unit key, "UNIT.Component" ("MEMORY.RefCount").
  std::string unit;
  /// The source file that logged it.
  std::string source;
  /// The line in that file.
  int line;
  /// The function that logged it.
  std::string function;
  /// The inserts, in order (for the instance log, the message text).
  std::vector<VelaString> inserts;
};

/// Where records come from, described once by a place that logs often: the
/// unit key, the source file, the line and the function of its records.
/// Records logged with it copy these texts into a thread's record only when
/// the place differs from that of the thread's last record.
///
///     static const support_dll::LogPlace place("MEMORY.RefCount", "refcount", 81, "use");
///     log->log(0xC2011F00, 6, place, {message});
class ORVO_API LogPlace {
 public:
  /// The place's texts, kept as given for the life of the place.
  LogPlace(std::string unit, std::string source, int line, std::string function);
  LogPlace(const LogPlace&) = delete;
  LogPlace& operator=(const LogPlace&) = delete;

  /// The unit key.
  const std::string& unit() const { return unit_; }
  /// The source file.
  const std::string& source() const { return source_; }
  /// The line in that file.
  int line() const { return line_; }
  /// The function.
  const std::string& function() const { return function_; }
  /// A number no other place of the process has had, counted from 1.
  std::uint64_t id() const { return id_; }

 private:
  const std::string unit_;
  const std::string source_;
  const int line_;
  const std::string function_;
  const std::uint64_t id_;
};

/// Logs nothing until told to: a unit logs the records whose verbosity is at
/// most the level set for it with setVerbosity, and only while a sink is set.
///
///     auto* log = support_dll::getLogObject();
///     log->setSink([](const support_dll::LogRecord& r) { ... });
///     log->setVerbosity(CoreLog::getUnitString(L"MEMORY", L"RefCount"), 6);
class ORVO_API CoreLog {
 public:
  /// A verbosity level: 1 the most important, larger values more detail.
  using VerbosityType = int;

  /// Decides per unit key and verbosity whether a record is to be logged.
  /// The two numbers are kept for callers that set them; the decision is the
  /// process log's per-unit verbosity.
  class ORVO_API ShouldLogHandler {
   public:
    /// Keeps the two numbers.
    ShouldLogHandler(int first = -1, int second = 6) : first_(first), second_(second) {}
    /// The process log's answer, getLogObject()->shouldLog(unitKey, level).
    bool shouldLog(const std::string& unitKey, VerbosityType level) const;
    /// The first number given.
    int first() const { return first_; }
    /// The second number given.
    int second() const { return second_; }

   private:
    int first_;
    int second_;
  };

  /// A log without sink that logs nothing; a host uses getLogObject().
  CoreLog() = default;
  CoreLog(const CoreLog&) = delete;
  CoreLog& operator=(const CoreLog&) = delete;

  /// The key of a unit's component: "UNIT.Component" in UTF-8.
  static std::string getUnitString(const VelaString& unit, const VelaString& component);

  /// Hands one record to the sink, if there is one. The verbosity settings
  /// are the caller's to consult (shouldLog) before building the record.
  void log(unsigned long messageCode, VerbosityType verbosity, const std::string& unit,
           const char* source, int line, const char* function, int insertCount,
           const wchar_t* const* inserts);
  /// The same for a record from `place`, each insert given with its length.
  void log(unsigned long messageCode, VerbosityType verbosity, const LogPlace& place,
           std::initializer_list<std::wstring_view> inserts);

  /// True when records of that unit and verbosity are logged. While every
  /// unit is off this is one atomic load, inline at the caller.
  bool shouldLog(const std::string& unitKey, VerbosityType level) const {
    if (unitsOn_.load(std::memory_order_acquire) == 0) return false;
    return maxVerbosity(unitKey) >= level && level >= 1;
  }

  /// The highest verbosity logged for the unit now: 0 when it logs nothing
  /// (no sink, or the unit never set or set below 1).
  int maxVerbosity(const std::string& unitKey) const;

  /// A number that changes each time setSink or setVerbosity is called. A
  /// caller that keeps maxVerbosity for a unit of its own asks again once
  /// this number differs from the one it read before asking.
  std::uint64_t settingsVersion() const { return version_.load(std::memory_order_acquire); }

  /// Hands every record logged from now on to `sink`, on the logging
  /// thread; an empty function removes the sink.
  void setSink(std::function<void(const LogRecord&)> sink);
  /// Logs the unit's records with a verbosity up to `maxLevel`; a unit
  /// never set, or set below 1, logs nothing.
  void setVerbosity(const std::string& unitKey, int maxLevel);

 private:
  // Hands the record `fill` writes to the sink, if there is one.
  template <class Fill>
  void deliver(Fill fill);

  mutable std::mutex mutex_;
  std::shared_ptr<const std::function<void(const LogRecord&)>> sink_;
  std::map<std::string, int> levels_;
  /// Number of units switched on; while 0, shouldLog answers without a lock.
  std::atomic<int> unitsOn_{0};
  /// Raised by each change of the sink or of a verbosity.
  std::atomic<std::uint64_t> version_{0};
};

/// The process's log object, created on first use and never destroyed.
ORVO_API CoreLog* getLogObject();

/// Reports a failed internal check through the log service (unit
/// "SUPPORT.Assert", verbosity 1, the expression, source and line as inserts)
/// and returns: the caller goes on.
ORVO_API void AssertionFailure(const char* expression, const char* source, int line);

}  // namespace support_dll
