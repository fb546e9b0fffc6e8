// The query log: the statements a host runs, with their durations, appended
// to a file that a registry switch names.
#pragma once

#include <cstdint>
#include <memory>

#include "mdxgen/export.h"
#include "mdxgen/support/velastring.h"

class File;
class MDXQuery;

// Owned by the generator that created it (GetMDXQueryLog). The host calls
// timeQuery before running a statement and logQuery after it:
//
//   if (MDXQueryLog* log = generator->GetMDXQueryLog()) {
//     MDXQueryLog::MDXQueryTimer* timer = nullptr;
//     log->timeQuery(&timer);
//     ... run the statement ...
//     log->logQuery(statement, timer);   // takes the timer
//   }
class MDXGEN_API MDXQueryLog {
 public:
  // Measures the time from its construction to the logQuery that takes it.
  class MDXGEN_API MDXQueryTimer {
   public:
    MDXQueryTimer();
    virtual ~MDXQueryTimer();
    // Seconds since construction, from a monotonic clock.
    double elapsedSeconds() const;

   private:
    std::int64_t start_;
  };

  explicit MDXQueryLog(const VelaString& prefix);
  // A copy starts closed: one file is never owned by two logs.
  MDXQueryLog(const MDXQueryLog& other);
  MDXQueryLog& operator=(const MDXQueryLog& other);
  virtual ~MDXQueryLog();

  // Reads the log settings under the registry key path and opens the file;
  // true when the file is open.
  bool open(const VelaString& keyPath);
  void logMessage(const VelaString& line);
  void timeQuery(MDXQueryTimer** out);
  void logQuery(const MDXQuery* statement, MDXQueryTimer* timer);

  bool isOpen() const { return file_ != nullptr; }
  bool isTiming() const { return timing_; }

 private:
  std::unique_ptr<File> file_;
  VelaString prefix_;
  bool timing_ = false;
};
