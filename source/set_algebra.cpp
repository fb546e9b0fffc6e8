// Set expressions: construction, text access, union, difference, cross
// joins and the one-function wrappers.
#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "mdxgen/tuple.h"
#include "source/instance_counters.h"
#include "source/set_text.h"
#include "source/text_build.h"

using mdxgen_detail::append;
using mdxgen_detail::concat;
using mdxgen_detail::isEmptySet;

namespace {

// " { e0, e1, ... } " from the elements' texts; " {  } " for no element.
template <class Vector, class TextOf>
VelaString listText(const Vector& elements, TextOf text) {
  VelaString result(L" { ");
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (i > 0) result += L", ";
    result += text(elements[i]);
  }
  result += L" } ";
  return result;
}

}  // namespace

MDXSet::MDXSet()
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()), text_(VelaString(L"{  }")) {}

MDXSet::MDXSet(const MDXSet* set)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()), text_(set->getText()) {}

MDXSet::MDXSet(const VelaString& text)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()), text_(text) {}

MDXSet::MDXSet(const KIVA_o::Level* level)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L" { ", level->getUniqueName(), L".MEMBERS } "})) {}

MDXSet::MDXSet(const MDXField* field)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L" { ", field->getText(), L" } "})) {}

MDXSet::MDXSet(const MDXField* from, const MDXField* to)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L" { ", from->getText(), L":", to->getText(), L" } "})) {}

MDXSet::MDXSet(const KIVA_o::Hierarchy* hierarchy)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L"{", hierarchy->getUniqueName(), L".allmembers}"})) {}

MDXSet::MDXSet(const std::vector<MDXField*>& fields)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(listText(fields, [](const MDXField* f) { return f->getText(); })) {}

MDXSet::MDXSet(const std::vector<auto_unuse<MDXField>>& fields)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(listText(fields, [](const auto_unuse<MDXField>& f) { return f->getText(); })) {}

MDXSet::MDXSet(const std::vector<MDXTuple*>& tuples)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(listText(tuples, [](const MDXTuple* t) { return t->getText(); })) {}

MDXSet::~MDXSet() = default;

MSOLAP8Set::~MSOLAP8Set() = default;

void MDXSet::operator=(const MDXSet& other) { text_.copyFrom(other.text_); }

VelaString MDXSet::getText() const { return text_.text(); }

VelaString MDXSet::getQuotedText() { return text_.quoted(); }

void MDXSet::writeText(VelaString& out) const { out = text_.text(); }

MDXSet* MDXSet::operator+=(const MDXField& field) {
  text_.invalidate();
  if (isEmptySet(text())) {
    setText(concat({L"{", field.getText(), L"}"}));
    return this;
  }
  const VelaString f = field.getText();
  if (isEmptySet(f)) return this;
  setText(concat({L"UNION( ", text(), L", { ", f, L" } )"}));
  return this;
}

MDXSet* MDXSet::operator+=(const MDXSet& set) {
  text_.invalidate();
  if (isEmptySet(text())) {
    setText(set.getText());
    return this;
  }
  const VelaString o = set.getText();
  if (isEmptySet(o)) return this;
  setText(concat({L"UNION( ", text(), L", ", o, L" )"}));
  return this;
}

MDXSet* MDXSet::operator-=(const MDXField& field) {
  text_.invalidate();
  if (isEmptySet(text())) return this;
  const VelaString f = field.getText();
  if (isEmptySet(f)) return this;
  setText(concat({L"EXCEPT( ", text(), L", { ", f, L" } )"}));
  return this;
}

MDXSet* MDXSet::operator-=(const MDXSet& set) {
  text_.invalidate();
  if (isEmptySet(text())) return this;
  const VelaString o = set.getText();
  if (isEmptySet(o)) return this;
  setText(concat({L"EXCEPT( ", text(), L", { ", o, L" } )"}));
  return this;
}

MDXSet* MDXSet::operator*=(const MDXSet& set) {
  setText(concat({L"CROSSJOIN( ", text(), L", ", set.getText(), L" )"}));
  return this;
}

MDXSet* MDXSet::AddField(const MDXField& field, bool asUnion) {
  if (asUnion) {
    setText(concat({L"UNION( ", text(), L", { ", field.getText(), L" } )"}));
  } else {
    // Extends the list in place, so a long run of appends stays linear.
    const VelaString f = field.getText();
    VelaString& t = editText();
    t += L", ";
    t += f;
  }
  return this;
}

MDXSet* MDXSet::nonEmptyCrossjoin(const std::vector<auto_unuse<MDXSet>>& sets) {
  if (sets.empty()) return this;
  // The other texts are read first, so the result is sized once.
  std::vector<VelaString> others;
  others.reserve(sets.size());
  const std::wstring_view head = L"NONEMPTYCROSSJOIN( ", separator = L", ", tail = L" )";
  std::size_t size = head.size() + text().size() + tail.size();
  for (const auto& set : sets) {
    others.push_back(set->getText());
    size += separator.size() + others.back().size();
  }
  VelaString result;
  result.reserve(size);
  append(result, {head, text()});
  for (const auto& other : others) append(result, {separator, other});
  append(result, {tail});
  setText(std::move(result));
  return this;
}

MDXSet* MDXSet::crossjoinFields(const std::vector<auto_unuse<const MDXField>>& fields) {
  if (fields.empty()) return new MDXSet(VelaString(L" {} "));
  VelaString text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += L" * ";
    text += L"{";
    text += fields[i]->getText();
    text += L"}";
  }
  return new MDXSet(text);
}

MDXSet* MDXSet::Empty() {
  setText(VelaString(L"{  }"));
  return this;
}

MDXSet* MDXSet::Delimit() {
  setText(concat({L"{ ", text(), L" } "}));
  return this;
}

MDXSet* MDXSet::SetExpression(const VelaString& text) {
  setText(text);
  return this;
}

MDXSet* MDXSet::TakeName(const VelaString& name) {
  setText(name);
  return this;
}

MDXSet* MDXSet::TakeName(const MDXSet* set) {
  setText(set->getText());
  return this;
}

MDXSet* MDXSet::AddCalculations() {
  setText(concat({L"ADDCALCULATEDMEMBERS( ", text(), L" ) "}));
  return this;
}

MDXSet* MDXSet::StripCalculations(const KIVA_o::Hierarchy*) {
  setText(concat({L"STRIPCALCULATEDMEMBERS( ", text(), L" ) "}));
  return this;
}

MDXSet* MDXSet::Hierarchize(bool post) {
  setText(post ? concat({L"HIERARCHIZE( ", text(), L" , POST ) "})
               : concat({L"HIERARCHIZE( ", text(), L" ) "}));
  return this;
}

MDXSet* MDXSet::Unorder() {
  setText(concat({L"UNORDER( ", text(), L" ) "}));
  return this;
}

MDXSet* MDXSet::SpecifyDistinct() {
  setText(concat({L"DISTINCT( ", text(), L" ) "}));
  return this;
}

MDXSet* MDXSet::takeNonEmpty(const MDXSet*) { return this; }
