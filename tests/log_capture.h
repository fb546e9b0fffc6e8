// Captures the records of the process log for one test.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"

// While alive, every record logged is kept; the instance log is on at the
// verbosity given (0 leaves it off).
class LogCapture {
 public:
  explicit LogCapture(int instanceVerbosity = 6) {
    auto* log = support_dll::getLogObject();
    log->setSink([this](const support_dll::LogRecord& r) { records.push_back(r); });
    log->setVerbosity(unitKey(), instanceVerbosity);
  }
  ~LogCapture() {
    auto* log = support_dll::getLogObject();
    log->setVerbosity(unitKey(), 0);
    log->setSink(nullptr);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  static std::string unitKey() {
    return support_dll::CoreLog::getUnitString(L"MEMORY", L"RefCount");
  }

  // The first insert of each record, as UTF-8, with an object's address
  // written "(@)": "MDXField: Instance 3 (@): Created".
  std::vector<std::string> messages() const {
    static const std::regex address(R"(\(0x[0-9a-f]+\))");
    std::vector<std::string> out;
    for (const auto& r : records) {
      out.push_back(std::regex_replace(r.inserts.empty() ? "" : r.inserts[0].toUtf8(), address,
                                       "(@)"));
    }
    return out;
  }

  std::vector<support_dll::LogRecord> records;
};
