// What the statements and their formula specifications share: texts whose number of
// pieces varies, joined in one sized allocation, and the counted references
// on the fragments they hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "mdxgen/support/velastring.h"

namespace mdxgen_detail {

// Writes the pieces of a text in order. A writer first only adds up the
// sizes of the pieces; the second one copies them into a string sized once.
class TextWriter {
 public:
  explicit TextWriter(bool counting) : counting_(counting) {}

  TextWriter& operator<<(const wchar_t* piece) { return add(piece); }
  TextWriter& operator<<(const VelaString& piece) { return add(piece); }
  // A temporary would be built twice, once for each writer: the shape's
  // texts are read before it is written.
  TextWriter& operator<<(VelaString&&) = delete;

  // The items, first to last, with separator between two of them.
  TextWriter& list(const std::vector<VelaString>& items, const wchar_t* separator) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i > 0) add(separator);
      add(items[i]);
    }
    return *this;
  }

  std::size_t size() const { return size_; }
  void reserve(std::size_t size) { text_.reserve(size); }
  VelaString take() { return VelaString(std::move(text_)); }

 private:
  TextWriter& add(std::wstring_view piece) {
    if (counting_)
      size_ += piece.size();
    else
      text_.append(piece);
    return *this;
  }

  bool counting_;
  std::size_t size_ = 0;
  std::wstring text_;
};

// A text whose number of pieces varies, in one sized allocation, as concat
// does for a fixed number of pieces. The shape writes its pieces to the
// writer it is given; it runs twice, so it must write the same pieces both
// times and change nothing:
//   return composeText([&](TextWriter& text) {
//     text << L"DROP " << kind;
//     for (const auto& name : names) text << cube << L"." << name << L" ";
//   });
template <class Shape>
VelaString composeText(const Shape& shape) {
  TextWriter counter(true);
  shape(counter);
  TextWriter writer(false);
  writer.reserve(counter.size());
  shape(writer);
  return writer.take();
}

// The text of each part, first to last. Read before a statement is joined,
// so an error from any part is raised before anything is built.
template <class Part>
std::vector<VelaString> textsOf(const std::vector<Part*>& parts) {
  std::vector<VelaString> texts;
  texts.reserve(parts.size());
  for (const Part* part : parts) texts.push_back(part->getText());
  return texts;
}

// The counted reference of a formula specification, an axis or a slicer: a held
// fragment may be null, and then no reference is taken or given back.
template <class Fragment>
void retain(Fragment* fragment) {
  if (fragment) fragment->use();
}
template <class Fragment>
void release(Fragment* fragment) {
  if (fragment) fragment->unuse();
}

}  // namespace mdxgen_detail
