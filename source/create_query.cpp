// CREATE of calculated members and named sets, each qualified by the cube.
#include <memory>
#include <typeinfo>

#include "mdxgen/error.h"
#include "mdxgen/formula_specification.h"
#include "mdxgen/statements.h"
#include "source/text/writer.h"

using mdxgen_detail::TextWriter;

MDXCreateQuery::MDXCreateQuery(const VelaString& cubeName) : MDXQuery(cubeName, Create) {}

MDXCreateQuery::~MDXCreateQuery() = default;

// The raw formula exactly, or "CREATE " + each formula's text with nothing
// between them (each formula ends with its own blank).
VelaString MDXCreateQuery::getText(bool) const {
  if (!rawFormulaSet_ && formulas_.empty()) throw MDXError(MDXError::kNothingToCreate);
  if (rawFormulaSet_) return rawFormula_;
  TextWriter out;
  out << L"CREATE ";
  for (const auto& held : formulas_) {
    // The library's own member formulas write themselves in place.
    const MDXSingleFormulaSpecification& formula = *held;
    if (typeid(formula) == typeid(MSOLAP8MemberSpecification) ||
        typeid(formula) == typeid(MDXMemberSpecification))
      static_cast<const MDXMemberSpecification&>(formula).appendText(out);
    else
      out << formula.getText();
  }
  return out.str();
}

void MDXCreateQuery::writeText(VelaString& out) const { out = getText(false); }

void MDXCreateQuery::addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula) {
  formulas_.push_back(std::move(formula));
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
