#include "mdxgen/query_log.h"

#include <charconv>
#include <chrono>
#include <memory>

#include "mdxgen/statements.h"
#include "mdxgen/support/file.h"
#include "mdxgen/support/registry.h"
#include "source/text/compose.h"

namespace {

std::int64_t nowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// "Query duration: 0.125 seconds": three decimals, always with a point,
// whatever the process locale.
VelaString durationLine(double seconds) {
  char digits[64];
  const auto end =
      std::to_chars(digits, digits + sizeof digits, seconds, std::chars_format::fixed, 3).ptr;
  const std::wstring number(digits, end);
  return mdxgen_detail::concat({L"Query duration: ", number, L" seconds"});
}

}  // namespace

MDXQueryLog::MDXQueryTimer::MDXQueryTimer() : start_(nowNanoseconds()) {}

MDXQueryLog::MDXQueryTimer::~MDXQueryTimer() = default;

double MDXQueryLog::MDXQueryTimer::elapsedSeconds() const {
  return static_cast<double>(nowNanoseconds() - start_) / 1e9;
}

MDXQueryLog::MDXQueryLog(const VelaString& prefix) : prefix_(prefix) {}

MDXQueryLog::MDXQueryLog(const MDXQueryLog& other)
    : prefix_(other.prefix_), timing_(other.timing_) {}

MDXQueryLog& MDXQueryLog::operator=(const MDXQueryLog& other) {
  if (this != &other) {
    file_.reset();
    prefix_ = other.prefix_;
    timing_ = other.timing_;
  }
  return *this;
}

MDXQueryLog::~MDXQueryLog() = default;

bool MDXQueryLog::open(const VelaString& keyPath) {
  VelaString name;
  if (!RegistryWrapper::readRegKeyValue(RegistryWrapper::kLocalMachine, keyPath, L"MDX Query Log",
                                        name)) {
    return false;
  }
  if (!RegistryWrapper::readRegKeyValue(RegistryWrapper::kLocalMachine, keyPath, L"MDX Query Clock",
                                        timing_)) {
    timing_ = false;
  }
  support_dll::FileLocator locator(name);
  if (!locator.isLocationSet()) locator.setLocationToTemp();
  auto file = std::make_unique<File>(locator);
  file_.reset();
  if (!file->open("a+")) return false;
  file_ = std::move(file);
  return true;
}

void MDXQueryLog::logMessage(const VelaString& line) {
  if (file_ != nullptr) file_->writeLine(line);
}

void MDXQueryLog::timeQuery(MDXQueryTimer** out) {
  if (out != nullptr && timing_) *out = new MDXQueryTimer();
}

void MDXQueryLog::logQuery(const MDXQuery* statement, MDXQueryTimer* timer) {
  if (file_ == nullptr || statement == nullptr) return;
  // An error from the statement's text leaves before anything is written,
  // and the timer stays with the caller.
  file_->writeLine(mdxgen_detail::concat({prefix_, L": ", statement->getText(true)}));
  if (timer == nullptr) return;
  const std::unique_ptr<MDXQueryTimer> owned(timer);
  file_->writeLine(durationLine(owned->elapsedSeconds()));
}
