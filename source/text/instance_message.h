// The instance log's messages, formatted on the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string_view>

#include "source/text/decimal.h"

namespace mdxgen_detail {

// "<class>: Instance <n> (<address>): <event>[<count>]", the address in
// hexadecimal after "0x", held in the object itself: logging a record
// allocates nothing for its message (a class name longer than 160
// characters takes a buffer on the heap). Every piece but the name has a
// length known here, so each is copied as a block of that size.
//
//   InstanceMessage message(L"MDXSet", 3, this, L"Refcount raised to ", 2);
//   message.c_str();   // "MDXSet: Instance 3 (0x55d0c1a2b3c0): Refcount raised to 2"
class InstanceMessage {
 public:
  template <std::size_t N>
  InstanceMessage(const wchar_t* name, std::uint32_t instance, const void* address,
                  const wchar_t (&event)[N]) {
    start(name, instance, address);
    add(event);
    text_[size_] = L'\0';
  }
  template <std::size_t N>
  InstanceMessage(const wchar_t* name, std::uint32_t instance, const void* address,
                  const wchar_t (&event)[N], long count) {
    start(name, instance, address);
    add(event);
    add(Decimal(static_cast<int>(count)).view());
    text_[size_] = L'\0';
  }

  InstanceMessage(const InstanceMessage&) = delete;
  InstanceMessage& operator=(const InstanceMessage&) = delete;

  const wchar_t* c_str() const { return text_; }
  std::size_t size() const { return size_; }

 private:
  // Room after the name for the rest: the pieces below, an instance number
  // and a count of at most 11 characters, an address of at most 16.
  static constexpr std::size_t kAfterName = 96;
  static constexpr std::size_t kNameCapacity = 160;

  void start(const wchar_t* name, std::uint32_t instance, const void* address) {
    const std::size_t length = std::wcslen(name);
    if (length > kNameCapacity) {
      long_.reset(new wchar_t[length + kAfterName + 1]);
      text_ = long_.get();
    }
    std::memcpy(text_, name, length * sizeof(wchar_t));
    size_ = length;
    add(L": Instance ");
    // The number is written as a signed 32-bit value, as it always was.
    add(Decimal(static_cast<std::int32_t>(instance)).view());
    add(L" (0x");
    wchar_t hex[2 * sizeof(std::uintptr_t)];
    std::size_t first = sizeof hex / sizeof hex[0];
    auto bits = reinterpret_cast<std::uintptr_t>(address);
    do {
      hex[--first] = L"0123456789abcdef"[bits & 0xF];
      bits >>= 4;
    } while (bits != 0);
    add({hex + first, sizeof hex / sizeof hex[0] - first});
    add(L"): ");
  }

  // A literal: a copy of a size known at compile time.
  template <std::size_t N>
  void add(const wchar_t (&literal)[N]) {
    std::memcpy(text_ + size_, literal, (N - 1) * sizeof(wchar_t));
    size_ += N - 1;
  }
  void add(std::wstring_view piece) {
    std::memcpy(text_ + size_, piece.data(), piece.size() * sizeof(wchar_t));
    size_ += piece.size();
  }

  wchar_t short_[kNameCapacity + kAfterName + 1];
  std::unique_ptr<wchar_t[]> long_;
  wchar_t* text_ = short_;
  std::size_t size_ = 0;
};

}  // namespace mdxgen_detail
