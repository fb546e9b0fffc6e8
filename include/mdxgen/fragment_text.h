/// \file
/// The text of a member, set or value fragment with its quoted copy.
#pragma once

#include <utility>

#include "mdxgen/export.h"
#include "mdxgen/support/velastring.h"

namespace mdxgen_detail {

class FragmentReader;

// The fragment's MDX text, a cached copy with every apostrophe doubled, and
// the flag that says the copy was computed from the present text. Every
// change of the text goes through assign() or edit(), which clear the flag,
// so no operation can leave a stale quoted copy behind.
class MDXGEN_API FragmentText {
 public:
  FragmentText() = default;
  explicit FragmentText(VelaString text) : text_(std::move(text)) {}

  const VelaString& text() const { return text_; }
  // The quoted copy, computed when the flag is clear.
  const VelaString& quoted();
  bool quotedValid() const { return quotedValid_; }

  void assign(VelaString text) {
    quotedValid_ = false;
    text_ = std::move(text);
  }
  // The text for extension in place (appending keeps growth linear).
  VelaString& edit() {
    quotedValid_ = false;
    return text_;
  }
  void invalidate() { quotedValid_ = false; }

  // Copies text, quoted copy and flag, in that order.
  void copyFrom(const FragmentText& other) {
    text_ = other.text_;
    quoted_ = other.quoted_;
    quotedValid_ = other.quotedValid_;
  }

 private:
  VelaString text_;
  VelaString quoted_;
  bool quotedValid_ = false;
};

}  // namespace mdxgen_detail
