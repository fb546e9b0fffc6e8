// Calculated-member and named-set definitions of WITH and CREATE clauses.
#include "mdxgen/formula_specification.h"

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "mdxgen/value.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"
#include "source/text/fragment_read.h"
#include "source/text/writer.h"

using mdxgen_detail::concat;
using mdxgen_detail::Decimal;
using mdxgen_detail::FragmentRead;
using mdxgen_detail::FragmentReader;
using mdxgen_detail::TextWriter;

namespace {

// Takes one more reference on a fragment the caller keeps, for a holder.
template <class Fragment>
auto_unuse<Fragment> share(Fragment* fragment) {
  if (fragment) fragment->use();
  return auto_unuse<Fragment>(fragment);
}

}  // namespace

MDXSingleFormulaSpecification::MDXSingleFormulaSpecification(const VelaString& cubeName)
    : cubeName_(cubeName) {}

MDXSingleFormulaSpecification::MDXSingleFormulaSpecification(
    const MDXSingleFormulaSpecification& other) = default;

MDXSingleFormulaSpecification& MDXSingleFormulaSpecification::operator=(
    const MDXSingleFormulaSpecification& other) = default;

MDXSingleFormulaSpecification::~MDXSingleFormulaSpecification() = default;

bool MDXSingleFormulaSpecification::needs_quotes() const { return false; }

MDXMemberSpecification::MDXMemberSpecification(MDXField* member, MDXValue* value, int solveOrder,
                                               const std::vector<VelaString>& propertyNames,
                                               const std::vector<VelaString>& propertyValues,
                                               bool cubeQualified, const VelaString& cubeName)
    : MDXSingleFormulaSpecification(cubeName),
      member_(share(member)),
      value_(share(value)),
      solveOrder_(solveOrder),
      cubeQualified_(cubeQualified),
      propertyNames_(propertyNames),
      propertyValues_(propertyValues) {}

MDXMemberSpecification::MDXMemberSpecification(const MDXMemberSpecification& other) = default;

MDXMemberSpecification& MDXMemberSpecification::operator=(const MDXMemberSpecification& other) {
  // The lists are copied first: a failed copy changes nothing.
  std::vector<VelaString> names(other.propertyNames_);
  std::vector<VelaString> values(other.propertyValues_);
  MDXSingleFormulaSpecification::operator=(other);
  member_ = other.member_;
  value_ = other.value_;
  solveOrder_ = other.solveOrder_;
  cubeQualified_ = other.cubeQualified_;
  propertyNames_ = std::move(names);
  propertyValues_ = std::move(values);
  return *this;
}

MDXMemberSpecification::~MDXMemberSpecification() = default;

// "MEMBER " + [K + "."] + M + " AS ' " + V' + " ' " (" AS " + V + " "
// unquoted), then ", SOLVE_ORDER = n" and ", name = value" for each
// property, and one closing blank after them when any was written.
VelaString MDXMemberSpecification::getText() const {
  TextWriter out;
  appendText(out);
  return out.str();
}

void MDXMemberSpecification::appendText(TextWriter& out) const {
  if (propertyNames_.size() != propertyValues_.size())
    throw MDXError(MDXError::kPropertyCountMismatch);
  const bool quoted = needs_quotes();
  const FragmentRead member = FragmentReader::text(*member_);
  const FragmentRead value =
      quoted ? FragmentReader::quotedText(*value_) : FragmentReader::text(*value_);
  const bool hasSolveOrder = solveOrder_ >= 0;

  out << L"MEMBER ";
  if (cubeQualified_) out << cubeName() << L".";
  using mdxgen_detail::Piece;
  out << member << (quoted ? Piece(L" AS ' ") : Piece(L" AS ")) << value
      << (quoted ? Piece(L" ' ") : Piece(L" "));
  if (hasSolveOrder) out << L", SOLVE_ORDER = " << Decimal(solveOrder_);
  for (std::size_t i = 0; i < propertyNames_.size(); ++i)
    out << L", " << propertyNames_[i] << L" = " << propertyValues_[i];
  // The expression's closing piece already ends with a blank; a second one
  // closes only what follows it, so every text ends with exactly one.
  if (hasSolveOrder || !propertyNames_.empty()) out << L" ";
}

void MDXMemberSpecification::writeText(VelaString& out) const { out = getText(); }

MDXSetSpecification::MDXSetSpecification(const VelaString& name, MDXSet* set, bool cubeQualified,
                                         const VelaString& cubeName)
    : MDXSingleFormulaSpecification(cubeName),
      name_(name),
      set_(share(set)),
      cubeQualified_(cubeQualified) {}

MDXSetSpecification::MDXSetSpecification(const MDXSetSpecification& other) = default;

MDXSetSpecification& MDXSetSpecification::operator=(const MDXSetSpecification& other) {
  VelaString name(other.name_);
  MDXSingleFormulaSpecification::operator=(other);
  set_ = other.set_;
  name_ = std::move(name);
  cubeQualified_ = other.cubeQualified_;
  return *this;
}

MDXSetSpecification::~MDXSetSpecification() = default;

// "SET " + [K + "."] + N + " AS ' " + S' + " ' " (" AS " + S + " " unquoted)
VelaString MDXSetSpecification::getText() const {
  const std::wstring_view cube = cubeQualified_ ? std::wstring_view(cubeName()) : L"";
  const wchar_t* const dot = cubeQualified_ ? L"." : L"";
  if (needs_quotes())
    return concat(
        {L"SET ", cube, dot, name_, L" AS ' ", FragmentReader::quotedText(*set_), L" ' "});
  return concat({L"SET ", cube, dot, name_, L" AS ", FragmentReader::text(*set_), L" "});
}

void MDXSetSpecification::writeText(VelaString& out) const { out = getText(); }
