// Reference counting with an instance log, and the host's holder of one
// reference.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "mdxgen/export.h"
#include "mdxgen/support/core_log.h"
#include "mdxgen/support/refcount.h"
#include "mdxgen/support/velastring.h"

// The log access for one component of a log unit.
class MDXGEN_API ComponentLog {
 public:
  ComponentLog(const VelaString& unit, const VelaString& component);
  virtual ~ComponentLog();

  bool shouldLog(support_dll::CoreLog::VerbosityType level);
  // Logs message with the code 0xC2011F00 when shouldLog(level).
  void log(const VelaString& message, support_dll::CoreLog::VerbosityType level);

  const std::string& unitKey() const { return unitKey_; }

 private:
  VelaString unit_;
  VelaString component_;
  std::string unitKey_;
  support_dll::CoreLog::ShouldLogHandler handler_;
};

// The instance log of every shared object: unit "MEMORY", component
// "RefCount".
MDXGEN_API ComponentLog& instanceLog();

namespace support {

// The count of every fragment and statement, with the instance log: one
// message at creation (verbosity 5), one per change of the count (6), one
// at destruction (5). A new object holds one reference.
class MDXGEN_API RefCountImpl : public virtual olap_api::RefCount {
 public:
  long use() override;
  long unuse() override;
  virtual long getRefCount() const;
  virtual unsigned getInstanceNumber() const;

 protected:
  RefCountImpl(const VelaString& name, unsigned instanceNumber);
  RefCountImpl(const wchar_t* name, unsigned instanceNumber);
  ~RefCountImpl() override;

 private:
  const wchar_t* name_;
  std::uint32_t instanceNumber_;
  std::atomic<long> count_;
};

}  // namespace support

// The host's holder of one reference: constructed from a pointer it adopts
// that reference, its destructor gives it back, a copy takes its own.
//
//   auto_unuse<MDXSet> set(generator->GenerateSet());
//   set->AddCalculations();
template <class T>
class auto_unuse {
 public:
  auto_unuse() noexcept = default;
  explicit auto_unuse(T* p) noexcept : p_(p) {}
  auto_unuse(const auto_unuse& other) noexcept : p_(other.p_) { acquire(); }
  auto_unuse(auto_unuse&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  auto_unuse& operator=(const auto_unuse& other) noexcept {
    auto_unuse(other).swap(*this);
    return *this;
  }
  auto_unuse& operator=(auto_unuse&& other) noexcept {
    auto_unuse(std::move(other)).swap(*this);
    return *this;
  }
  ~auto_unuse() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Hands the reference to the caller.
  T* release() noexcept { return std::exchange(p_, nullptr); }
  // Gives back the held reference and adopts p's.
  void reset(T* p = nullptr) noexcept {
    T* old = std::exchange(p_, p);
    if (old) mutable_ptr(old)->unuse();
  }
  void swap(auto_unuse& other) noexcept { std::swap(p_, other.p_); }

 private:
  using Mutable = std::remove_const_t<T>;
  static Mutable* mutable_ptr(T* p) noexcept { return const_cast<Mutable*>(p); }
  void acquire() noexcept {
    if (p_) mutable_ptr(p_)->use();
  }

  T* p_ = nullptr;
};
