// The instance log's messages, formatted on the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "source/text/compose.h"
#include "source/text/decimal.h"

namespace mdxgen_detail {

// "<class>: Instance <n> (<address>): <event>[<count>]", the address in
// hexadecimal after "0x", held in the object itself: logging a record
// allocates nothing for its message. A text past the buffer is cut short.
//
//   InstanceMessage message(L"MDXSet", 3, this, L"Refcount raised to ", 2);
//   message.c_str();   // "MDXSet: Instance 3 (0x55d0c1a2b3c0): Refcount raised to 2"
class InstanceMessage {
 public:
  InstanceMessage(const wchar_t* name, std::uint32_t instance, const void* address,
                  Piece event) {
    add(std::wstring_view(name));
    add(L": Instance ");
    // The number is written as a signed 32-bit value, as it always was.
    add(Decimal(static_cast<std::int32_t>(instance)));
    add(L" (0x");
    wchar_t hex[2 * sizeof(std::uintptr_t)];
    std::size_t first = sizeof hex / sizeof hex[0];
    auto bits = reinterpret_cast<std::uintptr_t>(address);
    do {
      hex[--first] = L"0123456789abcdef"[bits & 0xF];
      bits >>= 4;
    } while (bits != 0);
    add(std::wstring_view(hex + first, sizeof hex / sizeof hex[0] - first));
    add(L"): ");
    add(event);
    text_[size_] = L'\0';
  }
  InstanceMessage(const wchar_t* name, std::uint32_t instance, const void* address,
                  Piece event, long count)
      : InstanceMessage(name, instance, address, event) {
    add(Decimal(static_cast<int>(count)));
    text_[size_] = L'\0';
  }

  const wchar_t* c_str() const { return text_; }

 private:
  // Short pieces, copied one character at a time.
  void add(Piece piece) {
    const std::size_t n = piece.size() < kCapacity - size_ ? piece.size() : kCapacity - size_;
    for (std::size_t i = 0; i < n; ++i) text_[size_ + i] = piece[i];
    size_ += n;
  }

  static constexpr std::size_t kCapacity = 255;
  wchar_t text_[kCapacity + 1];
  std::size_t size_ = 0;
};

}  // namespace mdxgen_detail
