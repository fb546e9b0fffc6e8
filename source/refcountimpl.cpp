#include "mdxgen/refcount_impl.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include "source/library_log.h"
#include "source/text/instance_message.h"

namespace {
constexpr unsigned long kInstanceMessage = 0xC2011F00UL;
constexpr int kLifeVerbosity = 5;
constexpr int kCountVerbosity = 6;

using mdxgen_detail::InstanceMessage;

// Hands one message of a component's log to the library's log.
void logComponentMessage(const std::string& unitKey, const wchar_t* message, int level) {
  support_dll::CoreLog* log = mdxgen_detail::libraryLog();
  if (!log) return;
  const wchar_t* inserts[] = {message};
  log->log(kInstanceMessage, level, unitKey, ".\\source\\componentlog", 81, "ComponentLog::log", 1,
           inserts);
}

// Where the instance log's records come from, described once. Never
// destroyed, like the log: objects may be given back during the exit.
const support_dll::LogPlace& instancePlace() {
  static const auto* const place = new support_dll::LogPlace(
      instanceLog().unitKey(), ".\\source\\componentlog", 81, "ComponentLog::log");
  return *place;
}

// Hands one message of the instance log to the library's log.
void logInstanceMessage(const InstanceMessage& message, int level) {
  support_dll::CoreLog* log = mdxgen_detail::libraryLog();
  if (!log) return;
  log->log(kInstanceMessage, level, instancePlace(),
           {std::wstring_view(message.c_str(), message.size())});
}

// The instance log's highest verbosity, with the settings version of the
// process log it was read under, plus one: 0 until first read. Objects are
// made and released far more often than the settings change, so the level
// is asked of the process log only when its version moves on.
std::atomic<std::uint64_t> g_instanceLevel{0};

// The level asked of the process log, and kept with its version.
[[gnu::noinline]] int readInstanceLevel(const support_dll::CoreLog& core, std::uint64_t version) {
  const int highest = std::clamp(core.maxVerbosity(instanceLog().unitKey()), 0, 0xFF);
  g_instanceLevel.store(version << 8 | static_cast<std::uint64_t>(highest),
                        std::memory_order_relaxed);
  return highest;
}

// The highest verbosity the instance log takes now, 0 when it takes none:
// asked of the library's log directly, as the unit's handler would.
inline int instanceLevel() {
  const support_dll::CoreLog* core = mdxgen_detail::libraryLog();
  if (core == nullptr) return 0;
  const std::uint64_t version = core->settingsVersion() + 1;
  const std::uint64_t cached = g_instanceLevel.load(std::memory_order_relaxed);
  if (cached >> 8 == version) return static_cast<int>(cached & 0xFF);
  return readInstanceLevel(*core, version);
}

// A class name given as a string, kept once for the life of the process so
// that each object holds only a pointer to it.
const wchar_t* internedName(const VelaString& name) {
  // Never destroyed, like the log: objects may be made during the exit.
  static auto* const mutex = new std::mutex();
  static auto* const names = new std::set<std::wstring>();
  const std::lock_guard<std::mutex> lock(*mutex);
  return names->insert(name.wstr()).first->c_str();
}
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
  if (shouldLog(level)) logComponentMessage(unitKey_, message.c_str(), level);
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
    : RefCountImpl(internedName(name), instanceNumber) {}

RefCountImpl::RefCountImpl(const wchar_t* name, unsigned instanceNumber)
    : name_(name), instanceNumber_(instanceNumber), count_(1) {
  if (instanceLevel() >= kLifeVerbosity) {
    const InstanceMessage message(name_, instanceNumber_, this, L"Created");
    logInstanceMessage(message, kLifeVerbosity);
  }
}

RefCountImpl::~RefCountImpl() = default;

long RefCountImpl::use() {
  if (getRefCount() == 0) {
    support_dll::AssertionFailure("RefCountImpl::getRefCount() != 0", ".\\source\\refcountimpl", 53);
  }
  const long n = count_.fetch_add(1, std::memory_order_relaxed) + 1;
  if (instanceLevel() >= kCountVerbosity) {
    const InstanceMessage message(name_, instanceNumber_, this, L"Refcount raised to ", n);
    logInstanceMessage(message, kCountVerbosity);
  }
  return n;
}

long RefCountImpl::unuse() {
  // The last reference needs no atomic decrement: whoever holds it is the
  // only holder, so no other thread can take or give back one meanwhile.
  // The acquire load sees every other holder's writes, given back with the
  // release of its own decrement, before the object is destroyed.
  long n = 0;
  if (count_.load(std::memory_order_acquire) != 1)
    n = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  else
    count_.store(0, std::memory_order_relaxed);
  if (instanceLevel() >= kCountVerbosity) {
    const InstanceMessage message(name_, instanceNumber_, this, L"Refcount lowered to ", n);
    logInstanceMessage(message, kCountVerbosity);
  }
  if (n != 0) return n;
  if (instanceLevel() >= kLifeVerbosity) {
    const InstanceMessage message(name_, instanceNumber_, this, L"Destroyed");
    logInstanceMessage(message, kLifeVerbosity);
  }
  delete this;
  return 0;
}

long RefCountImpl::getRefCount() const { return count_.load(std::memory_order_relaxed); }

unsigned RefCountImpl::getInstanceNumber() const { return instanceNumber_; }

}  // namespace support
