#include "mdxgen/refcount_impl.h"

#include <new>

#include "source/library_log.h"

namespace {
constexpr unsigned long kInstanceMessage = 0xC2011F00UL;
constexpr int kLifeVerbosity = 5;
constexpr int kCountVerbosity = 6;
}  // namespace

ComponentLog::ComponentLog(const VelaString& unit, const VelaString& component)
    : unit_(unit),
      component_(component),
      unitKey_(support_dll::CoreLog::getUnitString(unit, component)),
      handler_(-1, 6) {}

ComponentLog::~ComponentLog() = default;

bool ComponentLog::shouldLog(support_dll::CoreLog::VerbosityType level) {
  return handler_.shouldLog(unitKey_, level);
}

void ComponentLog::log(const VelaString& message, support_dll::CoreLog::VerbosityType level) {
  if (!shouldLog(level)) return;
  support_dll::CoreLog* log = mdxgen_detail::libraryLog();
  if (!log) return;
  const wchar_t* inserts[] = {message.c_str()};
  log->log(kInstanceMessage, level, unitKey_, ".\\source\\componentlog", 81, "ComponentLog::log", 1,
           inserts);
}

// Built in static storage on first use and never destroyed, so objects a
// host gives back while the process exits (a global holder, say) still log
// through it after every static destructor has run.
ComponentLog& instanceLog() {
  alignas(ComponentLog) static unsigned char storage[sizeof(ComponentLog)];
  static ComponentLog* const log = new (storage) ComponentLog(L"MEMORY", L"RefCount");
  return *log;
}

namespace {
// Builds the log during static initialisation, before any host object.
[[maybe_unused]] ComponentLog& g_instanceLogAtStart = instanceLog();
}  // namespace

namespace support {

RefCountImpl::RefCountImpl(const VelaString& name, unsigned instanceNumber)
    : name_(name), instanceNumber_(instanceNumber), count_(1) {
  ComponentLog& log = instanceLog();
  if (log.shouldLog(kLifeVerbosity)) {
    VelaString message;
    message.build("%s: Instance %d (%p): Created", name_.c_str(), instanceNumber_,
                  static_cast<void*>(this));
    log.log(message, kLifeVerbosity);
  }
}

RefCountImpl::~RefCountImpl() = default;

long RefCountImpl::use() {
  if (getRefCount() == 0) {
    support_dll::AssertionFailure("RefCountImpl::getRefCount() != 0", ".\\source\\refcountimpl", 53);
  }
  const long n = count_.fetch_add(1, std::memory_order_relaxed) + 1;
  ComponentLog& log = instanceLog();
  if (log.shouldLog(kCountVerbosity)) {
    VelaString message;
    message.build("%s: Instance %d (%p): Refcount raised to %d", name_.c_str(), instanceNumber_,
                  static_cast<void*>(this), static_cast<int>(n));
    log.log(message, kCountVerbosity);
  }
  return n;
}

long RefCountImpl::unuse() {
  const long n = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  ComponentLog& log = instanceLog();
  if (log.shouldLog(kCountVerbosity)) {
    VelaString message;
    message.build("%s: Instance %d (%p): Refcount lowered to %d", name_.c_str(), instanceNumber_,
                  static_cast<void*>(this), static_cast<int>(n));
    log.log(message, kCountVerbosity);
  }
  if (n != 0) return n;
  if (log.shouldLog(kLifeVerbosity)) {
    VelaString message;
    message.build("%s: Instance %d (%p): Destroyed", name_.c_str(), instanceNumber_,
                  static_cast<void*>(this));
    log.log(message, kLifeVerbosity);
  }
  delete this;
  return 0;
}

long RefCountImpl::getRefCount() const { return count_.load(std::memory_order_relaxed); }

unsigned RefCountImpl::getInstanceNumber() const { return instanceNumber_; }

}  // namespace support
