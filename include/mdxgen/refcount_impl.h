/// \file
/// Reference counting with an instance log, and the host's holder of one
/// reference.
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

/// The log access for one component of a log unit, such as the instance
/// log ("MEMORY", "RefCount"), whose unit key is "MEMORY.RefCount".
class MDXGEN_API ComponentLog {
 public:
  /// The log of `component` in `unit`; the unit key is computed once here.
  ComponentLog(const VelaString& unit, const VelaString& component);
  virtual ~ComponentLog();

  /// True when the process log is set to log this unit at `level`
  /// (support_dll::CoreLog::setVerbosity).
  bool shouldLog(support_dll::CoreLog::VerbosityType level);
  /// Logs `message` as the one insert of a record with the code 0xC2011F00,
  /// when shouldLog(level); otherwise does nothing.
  void log(const VelaString& message, support_dll::CoreLog::VerbosityType level);

  /// The unit key, "UNIT.Component".
  const std::string& unitKey() const { return unitKey_; }

 private:
  VelaString unit_;
  VelaString component_;
  std::string unitKey_;
  support_dll::CoreLog::ShouldLogHandler handler_;
};

/// The instance log of every shared object: unit "MEMORY", component
/// "RefCount". Switch it on with
/// `getLogObject()->setVerbosity("MEMORY.RefCount", 6)`.
MDXGEN_API ComponentLog& instanceLog();

namespace support {

/// The count of every fragment and statement, with the instance log.
///
/// A new object holds one reference, owned by whoever asked for it; the
/// last unuse() destroys it (the destructors are protected, so nothing else
/// can). An object that keeps a pointer to another fragment takes its own
/// reference on it; the caller's reference stays the caller's. The instance
/// log writes one message at creation (verbosity 5, "MDXSet: Instance 0
/// (0x...): Created"), one per change of the count (6, "... Refcount raised
/// to 2", "... Refcount lowered to 1") and one at destruction (5,
/// "... Destroyed").
class MDXGEN_API RefCountImpl : public virtual olap_api::RefCount {
 public:
  long use() override;
  long unuse() override;
  /// The current count.
  virtual long getRefCount() const;
  /// The number of this object within its family ("MDXField", "MDXSet",
  /// "MDXTuple", "MDXValue", "MDXMemberProperty", "MDXQuery"), counted from
  /// 0 in order of construction.
  virtual unsigned getInstanceNumber() const;

 protected:
  /// Starts the count at 1 and logs the creation under `name`.
  RefCountImpl(const VelaString& name, unsigned instanceNumber);
  /// The same with the class name as a static wide literal, which the
  /// object keeps only a pointer to.
  RefCountImpl(const wchar_t* name, unsigned instanceNumber);
  /// Reached only through the last unuse().
  ~RefCountImpl() override;

 private:
  const wchar_t* name_;
  std::uint32_t instanceNumber_;
  std::atomic<long> count_;
};

}  // namespace support

/// The host's holder of one reference: constructed from a pointer it adopts
/// that reference, its destructor gives it back, a copy takes its own.
///
///     auto_unuse<MDXSet> set(generator->GenerateSet());
///     set->AddCalculations();
///
/// Vectors of holders are what some operations take
/// (MDXQueryGenerator::GenerateSet, MDXSet::nonEmptyCrossjoin); the library
/// only reads the held pointers.
template <class T>
class auto_unuse {
 public:
  /// Holds nothing.
  auto_unuse() noexcept = default;
  /// Adopts the reference the caller holds on `p` (may be null).
  explicit auto_unuse(T* p) noexcept : p_(p) {}
  /// Takes one more reference on the other's object.
  auto_unuse(const auto_unuse& other) noexcept : p_(other.p_) { acquire(); }
  /// Takes over the other's reference; the other holds nothing.
  auto_unuse(auto_unuse&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  /// Gives back the held reference and takes one on the other's object.
  auto_unuse& operator=(const auto_unuse& other) noexcept {
    auto_unuse(other).swap(*this);
    return *this;
  }
  /// Gives back the held reference and takes over the other's.
  auto_unuse& operator=(auto_unuse&& other) noexcept {
    auto_unuse(std::move(other)).swap(*this);
    return *this;
  }
  /// Gives back the held reference.
  ~auto_unuse() { reset(); }

  /// The held pointer; the holder keeps its reference.
  T* get() const noexcept { return p_; }
  /// The held object's members.
  T* operator->() const noexcept { return p_; }
  /// The held object.
  T& operator*() const noexcept { return *p_; }
  /// True while a pointer is held.
  explicit operator bool() const noexcept { return p_ != nullptr; }

  /// Hands the reference to the caller and holds nothing.
  T* release() noexcept { return std::exchange(p_, nullptr); }
  /// Gives back the held reference and adopts p's.
  void reset(T* p = nullptr) noexcept {
    T* old = std::exchange(p_, p);
    if (old) mutable_ptr(old)->unuse();
  }
  /// Exchanges the held pointers; no count changes.
  void swap(auto_unuse& other) noexcept { std::swap(p_, other.p_); }

 private:
  using Mutable = std::remove_const_t<T>;
  static Mutable* mutable_ptr(T* p) noexcept { return const_cast<Mutable*>(p); }
  void acquire() noexcept {
    if (p_) mutable_ptr(p_)->use();
  }

  T* p_ = nullptr;
};
