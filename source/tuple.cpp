#include "mdxgen/tuple.h"

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "source/instance_counters.h"
#include "source/text/compose.h"
#include "source/text/fragment_read.h"

namespace {

using mdxgen_detail::append;
using mdxgen_detail::FragmentReader;

// One member bare; several as "( m1, m2 ) ". `read` reads one member's text.
template <class Read>
VelaString compose(const std::vector<auto_unuse<MDXField>>& fields, Read read) {
  if (fields.empty()) throw MDXError(MDXError::kEmptyTuple);
  if (fields.size() == 1) return VelaString(read(*fields[0]).str());
  VelaString result;
  for (std::size_t i = 0; i < fields.size(); ++i)
    append(result, {i > 0 ? L", " : L"( ", read(*fields[i])});
  append(result, {L" ) "});
  return result;
}

}  // namespace

MDXTuple::MDXTuple() : RefCountImpl(L"MDXTuple", mdxgen_detail::nextTupleInstance()) {}

MDXTuple::~MDXTuple() = default;

VelaString MDXTuple::getText() const {
  return compose(fields_, [](const MDXField& f) { return FragmentReader::text(f); });
}

VelaString MDXTuple::getQuotedText() const {
  return compose(fields_, [](MDXField& f) { return FragmentReader::quotedText(f); });
}

void MDXTuple::writeText(VelaString& out) const { out = getText(); }

MDXTuple* MDXTuple::AddField(MDXField* field) {
  field->use();
  auto_unuse<MDXField> held(field);
  fields_.push_back(std::move(held));
  return this;
}

int MDXTuple::FieldCount() const { return static_cast<int>(fields_.size()); }

void MDXTuple::unuseVector(const std::vector<MDXTuple*>& tuples) {
  mdxgen_detail::unuseEach(tuples);
}
