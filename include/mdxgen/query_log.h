/// \file
/// The query log: the statements a host runs, with their durations, appended
/// to a file that a registry switch names.
#pragma once

#include <cstdint>
#include <memory>

#include "mdxgen/export.h"
#include "mdxgen/support/velastring.h"

class File;
class MDXQuery;

/// The statements a host runs, appended to the log file that the registry
/// names, each optionally followed by its duration.
///
/// Owned by the generator that created it (GetMDXQueryLog). The host calls
/// timeQuery before running a statement and logQuery after it:
///
///     if (MDXQueryLog* log = generator->GetMDXQueryLog()) {
///       MDXQueryLog::MDXQueryTimer* timer = nullptr;
///       log->timeQuery(&timer);
///       ... run the statement ...
///       log->logQuery(statement, timer);   // takes the timer
///     }
///
/// The file then holds "[Sales]: " and the statement's laid-out text,
/// then "Query duration: 0.125 seconds" when timing is on. The log never
/// writes by itself, raises no error of its own and keeps no reference to
/// the statements it logs.
class MDXGEN_API MDXQueryLog {
 public:
  /// Measures the time from its construction to the logQuery that takes it.
  class MDXGEN_API MDXQueryTimer {
   public:
    /// Starts the clock.
    MDXQueryTimer();
    virtual ~MDXQueryTimer();
    /// Seconds since construction, from a monotonic clock.
    double elapsedSeconds() const;

   private:
    std::int64_t start_;
  };

  /// A closed log whose records start with `prefix` (the generator's cube
  /// name).
  explicit MDXQueryLog(const VelaString& prefix);
  /// A copy starts closed: one file is never owned by two logs.
  MDXQueryLog(const MDXQueryLog& other);
  /// Closes this log and copies the prefix and timing; it stays closed.
  MDXQueryLog& operator=(const MDXQueryLog& other);
  /// Closes the file.
  virtual ~MDXQueryLog();

  /// Reads "MDX Query Log" (the file name) and "MDX Query Clock" (timing)
  /// under the registry key path in HKEY_LOCAL_MACHINE and opens the file
  /// for appending (a bare name goes to $TMPDIR, else /tmp); true when the
  /// file is open. False without the name or when the file cannot be
  /// opened.
  bool open(const VelaString& keyPath);
  /// Writes the line as one record when the log is open; otherwise does
  /// nothing.
  void logMessage(const VelaString& line);
  /// Stores a new timer in `*out` when timing is on and `out` is not null;
  /// otherwise leaves `*out` as it was.
  void timeQuery(MDXQueryTimer** out);
  /// Writes prefix + ": " + the statement's laid-out text, then, with a
  /// timer, "Query duration: %.3f seconds", and destroys the timer. Does
  /// nothing (and keeps no timer) when the log is closed or the statement
  /// null. An error from the statement's text passes through; nothing is
  /// written and the timer stays the caller's.
  void logQuery(const MDXQuery* statement, MDXQueryTimer* timer);

  /// True while the file is open.
  bool isOpen() const { return file_ != nullptr; }
  /// True when the registry turned timing on.
  bool isTiming() const { return timing_; }

 private:
  std::unique_ptr<File> file_;
  VelaString prefix_;
  bool timing_ = false;
};
