// What the statements and their specifications share: texts whose number of
// pieces varies, joined in one sized allocation, and the counted references
// on the fragments they hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "mdxgen/support/velastring.h"

namespace mdxgen_detail {

// Collects the pieces of a text in order, then joins them into a string
// sized once, as concat does for a fixed number of pieces:
//   Pieces text;
//   text << L"DROP " << kind;
//   for (const auto& name : names) text << cube << L"." << name << L" ";
//   return text.join();
// A piece is a view: the strings it points into must live until join(). A
// temporary string is refused at compile time for that reason.
class Pieces {
 public:
  Pieces() { pieces_.reserve(32); }

  Pieces& operator<<(const wchar_t* piece) { return add(piece); }
  Pieces& operator<<(const VelaString& piece) { return add(piece); }
  Pieces& operator<<(VelaString&&) = delete;

  // The items, first to last, with separator between two of them.
  Pieces& list(const std::vector<VelaString>& items, const wchar_t* separator) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i > 0) add(separator);
      add(items[i]);
    }
    return *this;
  }

  VelaString join() const {
    std::wstring out;
    out.reserve(size_);
    for (const auto& piece : pieces_) out.append(piece);
    return VelaString(std::move(out));
  }

 private:
  Pieces& add(std::wstring_view piece) {
    pieces_.push_back(piece);
    size_ += piece.size();
    return *this;
  }

  std::vector<std::wstring_view> pieces_;
  std::size_t size_ = 0;
};

// The text of each part, first to last. Read before a statement is joined,
// so an error from any part is raised before anything is built.
template <class Part>
std::vector<VelaString> textsOf(const std::vector<Part*>& parts) {
  std::vector<VelaString> texts;
  texts.reserve(parts.size());
  for (const Part* part : parts) texts.push_back(part->getText());
  return texts;
}

// The counted reference of a specification, an axis or a slicer: a held
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
