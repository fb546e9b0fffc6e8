#include "mdxgen/tuple.h"

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "source/instance_counters.h"
#include "source/text/compose.h"
#include "source/text/fragment_read.h"

namespace {

using mdxgen_detail::append;
using mdxgen_detail::FragmentReader;

// One member bare; several as "( m1, m2 ) ". `field` gives the i-th member,
// `read` reads one member's text.
template <class Field, class Read>
VelaString compose(std::size_t count, Field field, Read read) {
  if (count == 0) throw MDXError(MDXError::kEmptyTuple);
  if (count == 1) return VelaString(read(field(0)).str());
  VelaString result;
  for (std::size_t i = 0; i < count; ++i)
    append(result, {i > 0 ? L", " : L"( ", read(field(i))});
  append(result, {L" ) "});
  return result;
}

}  // namespace

MDXTuple::MDXTuple() : RefCountImpl(L"MDXTuple", mdxgen_detail::nextTupleInstance()) {}

// The members are given back first to last.
MDXTuple::~MDXTuple() { first_.reset(); }

VelaString MDXTuple::getText() const {
  return compose(
      size(), [this](std::size_t i) -> MDXField& { return field(i); },
      [](const MDXField& f) { return FragmentReader::text(f); });
}

VelaString MDXTuple::getQuotedText() const {
  return compose(
      size(), [this](std::size_t i) -> MDXField& { return field(i); },
      [](MDXField& f) { return FragmentReader::quotedText(f); });
}

void MDXTuple::writeText(VelaString& out) const { out = getText(); }

MDXTuple* MDXTuple::AddField(MDXField* field) {
  field->use();
  auto_unuse<MDXField> held(field);
  if (first_)
    more_.push_back(std::move(held));
  else
    first_ = std::move(held);
  return this;
}

int MDXTuple::FieldCount() const { return static_cast<int>(size()); }

void MDXTuple::unuseVector(const std::vector<MDXTuple*>& tuples) {
  mdxgen_detail::unuseEach(tuples);
}
