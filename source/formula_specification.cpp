// Calculated-member and named-set definitions of WITH and CREATE clauses.
#include "mdxgen/formula_specification.h"

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "mdxgen/value.h"
#include "source/statement_parts.h"
#include "source/text_build.h"

using mdxgen_detail::composeText;
using mdxgen_detail::concat;
using mdxgen_detail::release;
using mdxgen_detail::retain;
using mdxgen_detail::TextWriter;

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
      member_(member),
      value_(value),
      solveOrder_(solveOrder),
      cubeQualified_(cubeQualified),
      propertyNames_(propertyNames),
      propertyValues_(propertyValues) {
  retain(member_);
  retain(value_);
}

MDXMemberSpecification::MDXMemberSpecification(const MDXMemberSpecification& other)
    : MDXSingleFormulaSpecification(other),
      member_(other.member_),
      value_(other.value_),
      solveOrder_(other.solveOrder_),
      cubeQualified_(other.cubeQualified_),
      propertyNames_(other.propertyNames_),
      propertyValues_(other.propertyValues_) {
  retain(member_);
  retain(value_);
}

MDXMemberSpecification& MDXMemberSpecification::operator=(const MDXMemberSpecification& other) {
  // Copies first, references after: a failed copy changes nothing, and a
  // formula specification assigned to itself keeps its fragments alive.
  std::vector<VelaString> names(other.propertyNames_);
  std::vector<VelaString> values(other.propertyValues_);
  MDXSingleFormulaSpecification::operator=(other);
  retain(other.member_);
  retain(other.value_);
  release(member_);
  release(value_);
  member_ = other.member_;
  value_ = other.value_;
  solveOrder_ = other.solveOrder_;
  cubeQualified_ = other.cubeQualified_;
  propertyNames_ = std::move(names);
  propertyValues_ = std::move(values);
  return *this;
}

MDXMemberSpecification::~MDXMemberSpecification() {
  release(member_);
  release(value_);
}

// "MEMBER " + [K + "."] + M + " AS ' " + V' + " ' " (" AS " + V + " "
// unquoted), then ", SOLVE_ORDER = n" and ", name = value" for each
// property, and one closing blank after them when any was written.
VelaString MDXMemberSpecification::getText() const {
  if (propertyNames_.size() != propertyValues_.size())
    throw MDXError(MDXError::kPropertyCountMismatch);
  const bool quoted = needs_quotes();
  const VelaString member = member_->getText();
  const VelaString value = quoted ? value_->getQuotedText() : value_->getText();
  const bool hasSolveOrder = solveOrder_ >= 0;
  const VelaString solveOrder = hasSolveOrder ? mdxgen_detail::decimal(solveOrder_) : VelaString();

  return composeText([&](TextWriter& text) {
    text << L"MEMBER ";
    if (cubeQualified_) text << cubeName() << L".";
    text << member << (quoted ? L" AS ' " : L" AS ") << value << (quoted ? L" ' " : L" ");
    if (hasSolveOrder) text << L", SOLVE_ORDER = " << solveOrder;
    for (std::size_t i = 0; i < propertyNames_.size(); ++i)
      text << L", " << propertyNames_[i] << L" = " << propertyValues_[i];
    // The expression's closing piece already ends with a blank; a second one
    // closes only what follows it, so every text ends with exactly one.
    if (hasSolveOrder || !propertyNames_.empty()) text << L" ";
  });
}

void MDXMemberSpecification::writeText(VelaString& out) const { out = getText(); }

MDXSetSpecification::MDXSetSpecification(const VelaString& name, MDXSet* set, bool cubeQualified,
                                         const VelaString& cubeName)
    : MDXSingleFormulaSpecification(cubeName),
      name_(name),
      set_(set),
      cubeQualified_(cubeQualified) {
  retain(set_);
}

MDXSetSpecification::MDXSetSpecification(const MDXSetSpecification& other)
    : MDXSingleFormulaSpecification(other),
      name_(other.name_),
      set_(other.set_),
      cubeQualified_(other.cubeQualified_) {
  retain(set_);
}

MDXSetSpecification& MDXSetSpecification::operator=(const MDXSetSpecification& other) {
  VelaString name(other.name_);
  MDXSingleFormulaSpecification::operator=(other);
  retain(other.set_);
  release(set_);
  set_ = other.set_;
  name_ = std::move(name);
  cubeQualified_ = other.cubeQualified_;
  return *this;
}

MDXSetSpecification::~MDXSetSpecification() { release(set_); }

// "SET " + [K + "."] + N + " AS ' " + S' + " ' " (" AS " + S + " " unquoted)
VelaString MDXSetSpecification::getText() const {
  const std::wstring_view cube = cubeQualified_ ? std::wstring_view(cubeName()) : L"";
  const wchar_t* const dot = cubeQualified_ ? L"." : L"";
  if (needs_quotes())
    return concat({L"SET ", cube, dot, name_, L" AS ' ", set_->getQuotedText(), L" ' "});
  return concat({L"SET ", cube, dot, name_, L" AS ", set_->getText(), L" "});
}

void MDXSetSpecification::writeText(VelaString& out) const { out = getText(); }

bool MSOLAP8MemberSpecification::needs_quotes() const { return true; }

bool MSOLAP8SetSpecification::needs_quotes() const { return true; }
