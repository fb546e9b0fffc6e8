// Reading a fragment's text without copying it.
#pragma once

#include <string_view>
#include <typeinfo>

#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "mdxgen/tuple.h"
#include "mdxgen/value.h"

namespace mdxgen_detail {

// The text of an operand: the fragment's stored text itself when the
// fragment is one of the library's own classes, whose getText returns that
// text; otherwise a copy from the virtual getText (or getQuotedText), so a
// host's subclass is read exactly as before. Neither copied nor moved: the
// view may point into the object.
//
//   const FragmentRead f = FragmentReader::text(field);
//   setText(concat({L"{", f, L"}"}));
class FragmentRead {
 public:
  explicit FragmentRead(const VelaString& stored) : text_(&stored) {}
  explicit FragmentRead(VelaString&& copy) : copy_(std::move(copy)), text_(&copy_) {}
  FragmentRead(const FragmentRead&) = delete;
  FragmentRead& operator=(const FragmentRead&) = delete;

  const VelaString& str() const { return *text_; }
  // True when the text is a copy held here; false when it is the
  // fragment's own stored text.
  bool copied() const { return text_ == &copy_; }
  operator std::wstring_view() const { return *text_; }  // NOLINT: a piece like any other

 private:
  VelaString copy_;
  const VelaString* text_;
};

// Reads the fragments' texts; a friend of each fragment class.
class FragmentReader {
 public:
  static FragmentRead text(const MDXField& field) {
    if (own<MDXField, MSOLAP8Field>(field)) return FragmentRead(field.text_.text());
    return FragmentRead(field.getText());
  }
  static FragmentRead quotedText(MDXField& field) {
    if (own<MDXField, MSOLAP8Field>(field)) return FragmentRead(field.text_.quoted());
    return FragmentRead(field.getQuotedText());
  }
  static FragmentRead text(const MDXSet& set) {
    if (own<MDXSet, MSOLAP8Set>(set)) return FragmentRead(set.text_.text());
    return FragmentRead(set.getText());
  }
  static FragmentRead quotedText(MDXSet& set) {
    if (own<MDXSet, MSOLAP8Set>(set)) return FragmentRead(set.text_.quoted());
    return FragmentRead(set.getQuotedText());
  }
  static FragmentRead text(const MDXValue& value) {
    if (own<MDXValue, MSOLAP8Value>(value)) return FragmentRead(value.text_.text());
    return FragmentRead(value.getText());
  }
  static FragmentRead quotedText(MDXValue& value) {
    if (own<MDXValue, MSOLAP8Value>(value)) return FragmentRead(value.text_.quoted());
    return FragmentRead(value.getQuotedText());
  }
  // A tuple of one member of the library's own classes is that member's
  // text; any other tuple is read through getText.
  static FragmentRead text(const MDXTuple& tuple) {
    if (own<MDXTuple, MSOLAP8Tuple>(tuple) && tuple.size() == 1) return text(tuple.field(0));
    return FragmentRead(tuple.getText());
  }

 private:
  template <class Base, class Dialect>
  static bool own(const Base& fragment) {
    const std::type_info& type = typeid(fragment);
    // The dialect's class first: it is what the generator makes.
    return type == typeid(Dialect) || type == typeid(Base);
  }
};

}  // namespace mdxgen_detail
