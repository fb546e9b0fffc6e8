// Value expressions: counts, aggregates, statistics, properties, sign
// changes and comparisons.
#include "mdxgen/value.h"

#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "mdxgen/tuple.h"
#include "source/instance_counters.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"
#include "source/text/fragment_read.h"

using mdxgen_detail::append;
using mdxgen_detail::concat;
using mdxgen_detail::Decimal;
using mdxgen_detail::FragmentReader;
using mdxgen_detail::wrap;

namespace {

// keyword + S + " )": the functions of one set.
VelaString oneSet(const wchar_t* keyword, const MDXSet* set) {
  return concat({keyword, FragmentReader::text(*set), L" )"});
}

// keyword + [A + ", "] + S + ", " + Y [+ ", " + X] + " ) ": the regression
// family. The text is written in place, piece after piece, so a value
// given itself as an argument reads its half-built text, as it always has.
void regression(VelaString& text, const wchar_t* keyword, const MDXValue* a, const MDXSet* set,
                const MDXValue* y, const MDXValue* x) {
  text = keyword;
  if (a) {
    text += a->getText();
    text += L", ";
  }
  text += set->getText();
  text += L", ";
  text += y->getText();
  if (x) {
    text += L", ";
    text += x->getText();
  }
  text += L" ) ";
}

// keyword + S [+ ", " + U] + " )": MIN and MAX.
VelaString extremeValue(const wchar_t* keyword, const MDXSet* set, const MDXTuple* tuple) {
  if (!tuple) return oneSet(keyword, set);
  return concat({keyword, FragmentReader::text(*set), L", ", FragmentReader::text(*tuple), L" )"});
}

}  // namespace

MDXValue::MDXValue(int number)
    : RefCountImpl(L"MDXValue", mdxgen_detail::nextValueInstance()), text_(Decimal(number).str()) {}

MDXValue::MDXValue(const VelaString& text)
    : RefCountImpl(L"MDXValue", mdxgen_detail::nextValueInstance()), text_(text) {}

MDXValue::~MDXValue() = default;

VelaString MDXValue::getText() const { return text_.text(); }

VelaString MDXValue::getQuotedText() { return text_.quoted(); }

void MDXValue::writeText(VelaString& out) const { out = text_.text(); }

MDXValue* MDXValue::TakeCount(const MDXSet* set, bool includeEmpty) {
  text_.assign(concat({L"COUNT( ", FragmentReader::text(*set),
                       includeEmpty ? L", IncludeEmpty )" : L", ExcludeEmpty )"}));
  return this;
}

MDXValue* MDXValue::TakeUniqueName(const MDXField* member) {
  text_.assign(concat({FragmentReader::text(*member), L".UNIQUENAME "}));
  return this;
}

MDXValue* MDXValue::TakeName(const MDXField* member) {
  text_.assign(concat({FragmentReader::text(*member), L".NAME "}));
  return this;
}

MDXValue* MDXValue::TakeCaption(const MDXField* member) {
  text_.assign(concat({FragmentReader::text(*member), L".CAPTION "}));
  return this;
}

MDXValue* MDXValue::TakeDescription(const MDXField* member) {
  text_.assign(concat({FragmentReader::text(*member), L".DESCRIPTION "}));
  return this;
}

MDXValue* MDXValue::TakeProperty(const MDXField* member, const VelaString& property) {
  text_.assign(concat({FragmentReader::text(*member), L".Properties(\"", property, L"\")"}));
  return this;
}

MDXValue* MDXValue::TakeSum(const MDXSet* set) {
  text_.assign(oneSet(L"SUM( ", set));
  return this;
}

MDXValue* MDXValue::TakeMin(const MDXSet* set, const MDXTuple* tuple) {
  text_.assign(extremeValue(L"MIN( ", set, tuple));
  return this;
}

MDXValue* MDXValue::TakeMax(const MDXSet* set, const MDXTuple* tuple) {
  text_.assign(extremeValue(L"MAX( ", set, tuple));
  return this;
}

MDXValue* MDXValue::TakeAverage(const MDXSet* set) {
  text_.assign(oneSet(L"AVG( ", set));
  return this;
}

MDXValue* MDXValue::TakeMedian(const MDXSet* set) {
  text_.assign(oneSet(L"MEDIAN( ", set));
  return this;
}

MDXValue* MDXValue::TakeStDev(const MDXSet* set) {
  text_.assign(oneSet(L"STDEV( ", set));
  return this;
}

MDXValue* MDXValue::TakeStDevP(const MDXSet* set) {
  text_.assign(oneSet(L"STDEVP( ", set));
  return this;
}

MDXValue* MDXValue::TakeVariance(const MDXSet* set) {
  text_.assign(oneSet(L"VARIANCE( ", set));
  return this;
}

MDXValue* MDXValue::TakeVarianceP(const MDXSet* set) {
  text_.assign(oneSet(L"VARIANCEP( ", set));
  return this;
}

MDXValue* MDXValue::TakeAggregate(const MDXSet* set) {
  text_.assign(oneSet(L"AGGREGATE( ", set));
  return this;
}

MDXValue* MDXValue::TakeCovariance(const MDXSet* set, const MDXValue* y, const MDXValue* x,
                                   bool population) {
  regression(text_.edit(), population ? L"COVARIANCEN(" : L"COVARIANCE(", nullptr, set, y, x);
  return this;
}

MDXValue* MDXValue::TakeLinRegVariance(const MDXSet* set, const MDXValue* y, const MDXValue* x) {
  regression(text_.edit(), L"LINREGVARIANCE(", nullptr, set, y, x);
  return this;
}

MDXValue* MDXValue::TakeLinRegR2(const MDXSet* set, const MDXValue* y, const MDXValue* x) {
  regression(text_.edit(), L"LINREGR2(", nullptr, set, y, x);
  return this;
}

MDXValue* MDXValue::TakeLinRegSlope(const MDXSet* set, const MDXValue* y, const MDXValue* x) {
  regression(text_.edit(), L"LINREGSLOPE(", nullptr, set, y, x);
  return this;
}

MDXValue* MDXValue::TakeLinRegIntercept(const MDXSet* set, const MDXValue* y,
                                        const MDXValue* x) {
  regression(text_.edit(), L"LINREGINTERCEPT(", nullptr, set, y, x);
  return this;
}

MDXValue* MDXValue::TakeCorrelation(const MDXSet* set, const MDXValue* y, const MDXValue* x) {
  regression(text_.edit(), L"CORRELATION(", nullptr, set, y, x);
  return this;
}

MDXValue* MDXValue::TakeLinRegPoint(const MDXValue* a, const MDXSet* set, const MDXValue* y,
                                    const MDXValue* x) {
  regression(text_.edit(), L"LINREGPOINT(", a, set, y, x);
  return this;
}

MDXValue* MDXValue::Add(int number) {
  wrap(text_.edit(), {Decimal(number), L" + "}, {});
  return this;
}

MDXValue* MDXValue::ReverseSign() {
  wrap(text_.edit(), {L"- ( "}, {L" ) "});
  return this;
}

MDXValue* MDXValue::TakeEquality(VelaString text) {
  append(text_.edit(), {L" = ", text});
  return this;
}

MDXValue* MDXValue::TakeEquality(int number) {
  append(text_.edit(), {L" = ", Decimal(number)});
  return this;
}

MDXValue* MDXValue::TakeInequality(VelaString text) {
  append(text_.edit(), {L" <> ", text});
  return this;
}
