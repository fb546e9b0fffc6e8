#include "mdxgen/tuple.h"

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "source/instance_counters.h"

namespace {

// One member bare; several as "( m1, m2 ) ". `text` reads one member's text.
template <class TextOf>
VelaString compose(const std::vector<MDXField*>& fields, TextOf text) {
  if (fields.empty()) throw MDXError(MDXError::kEmptyTuple);
  if (fields.size() == 1) return text(fields[0]);
  VelaString result(L"( ");
  result += text(fields[0]);
  for (std::size_t i = 1; i < fields.size(); ++i) {
    result += L", ";
    result += text(fields[i]);
  }
  result += L" ) ";
  return result;
}

}  // namespace

MDXTuple::MDXTuple() : RefCountImpl(L"MDXTuple", mdxgen_detail::nextTupleInstance()) {}

MDXTuple::~MDXTuple() { mdxgen_detail::unuseEach(fields_); }

MSOLAP8Tuple::~MSOLAP8Tuple() = default;

VelaString MDXTuple::getText() const {
  return compose(fields_, [](MDXField* f) { return f->getText(); });
}

VelaString MDXTuple::getQuotedText() const {
  return compose(fields_, [](MDXField* f) { return f->getQuotedText(); });
}

void MDXTuple::writeText(VelaString& out) const { out = getText(); }

MDXTuple* MDXTuple::AddField(MDXField* field) {
  fields_.push_back(field);
  field->use();
  return this;
}

int MDXTuple::FieldCount() const { return static_cast<int>(fields_.size()); }

void MDXTuple::unuseVector(const std::vector<MDXTuple*>& tuples) {
  mdxgen_detail::unuseEach(tuples);
}
