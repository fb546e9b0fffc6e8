// CREATE of calculated members and named sets, each qualified by the cube.
#include <memory>

#include "mdxgen/error.h"
#include "mdxgen/formula_specification.h"
#include "mdxgen/statements.h"
#include "source/statement_parts.h"

using mdxgen_detail::composeText;
using mdxgen_detail::TextWriter;

MDXCreateQuery::MDXCreateQuery(const VelaString& cubeName) : MDXQuery(cubeName, Create) {}

MDXCreateQuery::~MDXCreateQuery() {
  for (MDXSingleFormulaSpecification* formula : formulas_) delete formula;
}

// The raw formula exactly, or "CREATE " + each formula's text with nothing
// between them (each formula ends with its own blank).
VelaString MDXCreateQuery::getText(bool) const {
  if (!rawFormulaSet_ && formulas_.empty()) throw MDXError(MDXError::kNothingToCreate);
  if (rawFormulaSet_) return rawFormula_;
  const std::vector<VelaString> formulas = mdxgen_detail::textsOf(formulas_);
  return composeText([&](TextWriter& text) {
    text << L"CREATE ";
    for (const VelaString& formula : formulas) text << formula;
  });
}

void MDXCreateQuery::writeText(VelaString& out) const { out = getText(false); }

void MDXCreateQuery::addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula) {
  formulas_.push_back(formula.get());
  formula.release();
}

void MDXCreateQuery::AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                      const std::vector<VelaString>& propertyNames,
                                      const std::vector<VelaString>& propertyValues) {
  addFormula(std::make_unique<MDXMemberSpecification>(member, value, solveOrder, propertyNames,
                                                      propertyValues, true, getCubeName()));
}

void MDXCreateQuery::AddSetFormula(const VelaString& name, MDXSet* set) {
  addFormula(std::make_unique<MDXSetSpecification>(name, set, true, getCubeName()));
}

void MDXCreateQuery::AddRawMemberFormula(const VelaString& text) {
  rawFormula_ = text;
  rawFormulaSet_ = true;
}

MSOLAP8CreateQuery::~MSOLAP8CreateQuery() = default;

void MSOLAP8CreateQuery::AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                          const std::vector<VelaString>& propertyNames,
                                          const std::vector<VelaString>& propertyValues) {
  addFormula(std::make_unique<MSOLAP8MemberSpecification>(member, value, solveOrder, propertyNames,
                                                          propertyValues, true, getCubeName()));
}

void MSOLAP8CreateQuery::AddSetFormula(const VelaString& name, MDXSet* set) {
  addFormula(std::make_unique<MSOLAP8SetSpecification>(name, set, true, getCubeName()));
}
