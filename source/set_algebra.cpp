// Set expressions: construction, text access, union, difference, cross
// joins and the one-function wrappers.
#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "mdxgen/tuple.h"
#include "source/instance_counters.h"
#include "source/text/compose.h"
#include "source/text/fragment_read.h"

using mdxgen_detail::append;
using mdxgen_detail::concat;
using mdxgen_detail::FragmentRead;
using mdxgen_detail::FragmentReader;
using mdxgen_detail::isEmptySet;
using mdxgen_detail::kWrapRoom;
using mdxgen_detail::wrap;

namespace {

// " { e0, e1, ... } " from the elements' texts; " {  } " for no element.
template <class Vector>
VelaString listText(const Vector& elements) {
  VelaString result(L" { ");
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const FragmentRead element = FragmentReader::text(*elements[i]);
    append(result, {i > 0 ? L", " : L"", element});
  }
  append(result, {L" } "});
  return result;
}

}  // namespace

MDXSet::MDXSet()
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L"{  }"}, kWrapRoom)) {}

MDXSet::MDXSet(const MDXSet* set)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({FragmentReader::text(*set)}, kWrapRoom)) {}

MDXSet::MDXSet(const VelaString& text)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({text}, kWrapRoom)) {}

MDXSet::MDXSet(const KIVA_o::Level* level)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L" { ", level->getUniqueName(), L".MEMBERS } "}, kWrapRoom)) {}

MDXSet::MDXSet(const MDXField* field)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L" { ", FragmentReader::text(*field), L" } "}, kWrapRoom)) {}

MDXSet::MDXSet(const MDXField* from, const MDXField* to)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L" { ", FragmentReader::text(*from), L":", FragmentReader::text(*to), L" } "},
                   kWrapRoom)) {}

MDXSet::MDXSet(const KIVA_o::Hierarchy* hierarchy)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(concat({L"{", hierarchy->getUniqueName(), L".allmembers}"}, kWrapRoom)) {}

MDXSet::MDXSet(const std::vector<MDXField*>& fields)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(listText(fields)) {}

MDXSet::MDXSet(const std::vector<auto_unuse<MDXField>>& fields)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(listText(fields)) {}

MDXSet::MDXSet(const std::vector<MDXTuple*>& tuples)
    : RefCountImpl(L"MDXSet", mdxgen_detail::nextSetInstance()),
      text_(listText(tuples)) {}

MDXSet::~MDXSet() = default;

void MDXSet::operator=(const MDXSet& other) { text_.copyFrom(other.text_); }

VelaString MDXSet::getText() const { return text_.text(); }

VelaString MDXSet::getQuotedText() { return text_.quoted(); }

void MDXSet::writeText(VelaString& out) const { out = text_.text(); }

MDXSet* MDXSet::operator+=(const MDXField& field) {
  text_.invalidate();
  const FragmentRead f = FragmentReader::text(field);
  if (isEmptySet(text())) {
    setText(concat({L"{", f, L"}"}));
    return this;
  }
  if (isEmptySet(f)) return this;
  wrap(editText(), {L"UNION( "}, {L", { ", f, L" } )"});
  return this;
}

MDXSet* MDXSet::operator+=(const MDXSet& set) {
  text_.invalidate();
  if (isEmptySet(text())) {
    setText(set.getText());
    return this;
  }
  const FragmentRead o = FragmentReader::text(set);
  if (isEmptySet(o)) return this;
  wrap(editText(), {L"UNION( "}, {L", ", o, L" )"});
  return this;
}

MDXSet* MDXSet::operator-=(const MDXField& field) {
  text_.invalidate();
  if (isEmptySet(text())) return this;
  const FragmentRead f = FragmentReader::text(field);
  if (isEmptySet(f)) return this;
  wrap(editText(), {L"EXCEPT( "}, {L", { ", f, L" } )"});
  return this;
}

MDXSet* MDXSet::operator-=(const MDXSet& set) {
  text_.invalidate();
  if (isEmptySet(text())) return this;
  const FragmentRead o = FragmentReader::text(set);
  if (isEmptySet(o)) return this;
  wrap(editText(), {L"EXCEPT( "}, {L", { ", o, L" } )"});
  return this;
}

MDXSet* MDXSet::operator*=(const MDXSet& set) {
  const FragmentRead o = FragmentReader::text(set);
  wrap(editText(), {L"CROSSJOIN( "}, {L", ", o, L" )"});
  return this;
}

MDXSet* MDXSet::AddField(const MDXField& field, bool asUnion) {
  const FragmentRead f = FragmentReader::text(field);
  if (asUnion) {
    wrap(editText(), {L"UNION( "}, {L", { ", f, L" } )"});
  } else {
    // Extends the list in place, so a long run of appends stays linear.
    append(editText(), {L", ", f});
  }
  return this;
}

MDXSet* MDXSet::nonEmptyCrossjoin(const std::vector<auto_unuse<MDXSet>>& sets) {
  if (sets.empty()) return this;
  // Built aside: a set in the list may be this one.
  VelaString result = concat({L"NONEMPTYCROSSJOIN( ", text()});
  for (const auto& set : sets) append(result, {L", ", FragmentReader::text(*set)});
  append(result, {L" )"});
  setText(std::move(result));
  return this;
}

MDXSet* MDXSet::crossjoinFields(const std::vector<auto_unuse<const MDXField>>& fields) {
  if (fields.empty()) return new MDXSet(VelaString(L" {} "));
  VelaString text;
  for (std::size_t i = 0; i < fields.size(); ++i)
    append(text, {i > 0 ? L" * {" : L"{", FragmentReader::text(*fields[i]), L"}"});
  return new MDXSet(text);
}

MDXSet* MDXSet::Empty() {
  setText(VelaString(L"{  }"));
  return this;
}

MDXSet* MDXSet::Delimit() {
  wrap(editText(), {L"{ "}, {L" } "});
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
  wrap(editText(), {L"ADDCALCULATEDMEMBERS( "}, {L" ) "});
  return this;
}

MDXSet* MDXSet::StripCalculations(const KIVA_o::Hierarchy*) {
  wrap(editText(), {L"STRIPCALCULATEDMEMBERS( "}, {L" ) "});
  return this;
}

MDXSet* MDXSet::Hierarchize(bool post) {
  wrap(editText(), {L"HIERARCHIZE( "}, {post ? L" , POST ) " : L" ) "});
  return this;
}

MDXSet* MDXSet::Unorder() {
  wrap(editText(), {L"UNORDER( "}, {L" ) "});
  return this;
}

MDXSet* MDXSet::SpecifyDistinct() {
  wrap(editText(), {L"DISTINCT( "}, {L" ) "});
  return this;
}

MDXSet* MDXSet::takeNonEmpty(const MDXSet*) { return this; }
