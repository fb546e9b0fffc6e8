// SELECT: WITH formulas, DRILLTHROUGH, the axes with their axis specifications,
// the cube, the slicer and CELL PROPERTIES, in one line or laid out.
#include <algorithm>
#include <cstdint>

#include "mdxgen/error.h"
#include "mdxgen/formula_specification.h"
#include "mdxgen/set.h"
#include "mdxgen/statements.h"
#include "mdxgen/tuple.h"
#include "source/statement_parts.h"
#include "source/text_build.h"

using mdxgen_detail::composeText;
using mdxgen_detail::release;
using mdxgen_detail::retain;
using mdxgen_detail::textsOf;
using mdxgen_detail::TextWriter;

using AxisSpecification = MDXSelectQuery::MDXAxisSpecification;

AxisSpecification::MDXAxisSpecification(int axis, MDXSet* set,
                                        const std::vector<VelaString>& properties, bool nonEmpty)
    : nonEmpty_(nonEmpty), set_(set), axis_(axis), properties_(properties) {
  retain(set_);
}

AxisSpecification::MDXAxisSpecification(const MDXAxisSpecification& other)
    : nonEmpty_(other.nonEmpty_),
      set_(other.set_),
      axis_(other.axis_),
      rangeStart_(other.rangeStart_),
      rangeEnd_(other.rangeEnd_),
      properties_(other.properties_) {
  retain(set_);
}

AxisSpecification& AxisSpecification::operator=(const MDXAxisSpecification& other) {
  // Copies first, references after: a failed copy changes nothing, and an
  // axis assigned to itself keeps its set alive.
  std::vector<VelaString> properties(other.properties_);
  retain(other.set_);
  release(set_);
  nonEmpty_ = other.nonEmpty_;
  set_ = other.set_;
  axis_ = other.axis_;
  rangeStart_ = other.rangeStart_;
  rangeEnd_ = other.rangeEnd_;
  properties_ = std::move(properties);
  return *this;
}

AxisSpecification::~MDXAxisSpecification() { release(set_); }

// ["NON EMPTY "] + S, or "SUBSET( " + S + " , " + start + ", " + count + " ) "
// when a range is set; [" DIMENSION PROPERTIES " + P0, P1 ...]; then " ON "
// and "COLUMNS ", "ROWS " or "AXIS(" + n + ") ".
VelaString AxisSpecification::getText() const {
  const VelaString set = set_->getText();
  const bool whole = rangeStart_ == 0 && rangeEnd_ == -1;
  // The count wraps around as 32-bit arithmetic does, for any pair given.
  const auto count = static_cast<std::int32_t>(static_cast<std::uint32_t>(rangeEnd_) -
                                               static_cast<std::uint32_t>(rangeStart_) + 1u);
  const VelaString start = whole ? VelaString() : mdxgen_detail::decimal(rangeStart_);
  const VelaString length = whole ? VelaString() : mdxgen_detail::decimal(count);
  const VelaString number =
      axis_ == 0 || axis_ == 1 ? VelaString() : mdxgen_detail::decimal(axis_);

  return composeText([&](TextWriter& text) {
    if (nonEmpty_) text << L"NON EMPTY ";
    if (whole)
      text << set;
    else
      text << L"SUBSET( " << set << L" , " << start << L", " << length << L" ) ";
    if (!properties_.empty()) {
      text << L" DIMENSION PROPERTIES ";
      text.list(properties_, L", ");
    }
    text << L" ON ";
    if (axis_ == 0)
      text << L"COLUMNS ";
    else if (axis_ == 1)
      text << L"ROWS ";
    else
      text << L"AXIS(" << number << L") ";
  });
}

void AxisSpecification::writeText(VelaString& out) const { out = getText(); }

void AxisSpecification::setAxisRange(int start, int end) {
  rangeStart_ = start;
  rangeEnd_ = end;
}

MDXSelectQuery::MDXSelectQuery(const VelaString& cubeName) : MDXQuery(cubeName, Select) {}

MDXSelectQuery::~MDXSelectQuery() {
  for (MDXSingleFormulaSpecification* formula : formulas_) delete formula;
  for (MDXAxisSpecification* axis : axes_) delete axis;
  release(slicer_);
}

VelaString MDXSelectQuery::getText(bool laidOut) const {
  if (rawTextSet_) return rawText_;
  if (axes_.empty()) throw MDXError(MDXError::kNoAxis);
  std::vector<VelaString> formulas = leadingFormulaTexts();
  for (VelaString& own : textsOf(formulas_)) formulas.push_back(std::move(own));
  const std::vector<VelaString> axes = textsOf(axes_);
  const VelaString slicer = slicer_ ? slicer_->getText() : VelaString();
  const VelaString maxRows = maxRows_ > 0 ? mdxgen_detail::decimalUnsigned(maxRows_) : VelaString();
  // Laid out, each clause starts a line of its own and what it holds is
  // indented by seven blanks (the slicer by six).
  const wchar_t* const lineBreak = laidOut ? L"\n" : L"";
  const wchar_t* const indent = laidOut ? L"\n       " : L"";

  return composeText([&](TextWriter& text) {
    if (!formulas.empty()) {
      text << L"WITH " << indent << formulas[0];
      for (std::size_t i = 1; i < formulas.size(); ++i)
        text << (laidOut ? L"\n       " : L" ") << formulas[i] << L" ";
    }
    if (drillThrough_) {
      text << L"DRILLTHROUGH ";
      if (maxRows_ > 0) text << L"MAXROWS " << maxRows << L" ";
    }
    text << lineBreak << L"SELECT " << indent << axes[0];
    for (std::size_t i = 1; i < axes.size(); ++i)
      text << (laidOut ? L",\n       " : L", ") << axes[i];
    text << lineBreak << L"FROM " << getCubeName() << L" ";
    if (slicer_) text << lineBreak << L"WHERE " << (laidOut ? L"\n      " : L"") << slicer << L" ";
    if (!cellProperties_.empty()) {
      text << L" CELL PROPERTIES ";
      text.list(cellProperties_, L", ");
    }
  });
}

void MDXSelectQuery::writeText(VelaString& out) const { out = getText(false); }

std::vector<VelaString> MDXSelectQuery::leadingFormulaTexts() const { return {}; }

void MDXSelectQuery::addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula) {
  formulas_.push_back(formula.get());
  formula.release();
}

void MDXSelectQuery::AddSetFormula(const VelaString& name, MDXSet* set) {
  addFormula(std::make_unique<MDXSetSpecification>(name, set, false, getCubeName()));
}

void MDXSelectQuery::AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                      const std::vector<VelaString>& propertyNames,
                                      const std::vector<VelaString>& propertyValues) {
  addFormula(std::make_unique<MDXMemberSpecification>(member, value, solveOrder, propertyNames,
                                                      propertyValues, false, getCubeName()));
}

VelaString MDXSelectQuery::AddSetFormula(MDXSet* set) {
  const unsigned int number = namedSetCounter_ + 1;
  VelaString name = mdxgen_detail::concat({L"[NS_", mdxgen_detail::decimalUnsigned(number), L"]"});
  AddSetFormula(name, set);
  namedSetCounter_ = number;
  return name;
}

void MDXSelectQuery::AddAxisSpecification(int axis, MDXSet* set,
                                          const std::vector<VelaString>& properties,
                                          NonEmptyStatus status) {
  if (axis != static_cast<int>(axes_.size())) throw MDXError(MDXError::kAxisOutOfOrder);
  auto added = std::make_unique<MDXAxisSpecification>(axis, set, properties, status == NonEmpty);
  axes_.push_back(added.get());
  added.release();
}

void MDXSelectQuery::AddAxisRange(int axis, int start, int end) {
  const auto found =
      std::find_if(axes_.begin(), axes_.end(),
                   [axis](const MDXAxisSpecification* a) { return a->getAxisIndex() == axis; });
  if (found != axes_.end()) (*found)->setAxisRange(start, end);
}

void MDXSelectQuery::AddSlicerSpecification(MDXField* member) {
  if (slicer_) {
    slicer_->AddField(member);
    return;
  }
  // The first member: the tuple is kept only once it holds the member.
  auto_unuse<MDXTuple> slicer(new MDXTuple());
  slicer->AddField(member);
  slicer_ = slicer.release();
}

void MDXSelectQuery::AddCellProperty(const VelaString& name) { cellProperties_.push_back(name); }

void MDXSelectQuery::AddCellProperties(const std::vector<VelaString>& names) {
  cellProperties_.insert(cellProperties_.end(), names.begin(), names.end());
}

bool MDXSelectQuery::SpecifyDrillThrough(unsigned int maxRows) {
  drillThrough_ = true;
  maxRows_ = maxRows;
  return true;
}

void MDXSelectQuery::setQuery(VelaString& text) {
  rawText_ = text;
  rawTextSet_ = true;
}

MSOLAP8SelectQuery::~MSOLAP8SelectQuery() = default;

void MSOLAP8SelectQuery::AddSetFormula(const VelaString& name, MDXSet* set) {
  addFormula(std::make_unique<MSOLAP8SetSpecification>(name, set, false, getCubeName()));
}

void MSOLAP8SelectQuery::AddMemberFormula(MDXField* member, MDXValue* value, int solveOrder,
                                          const std::vector<VelaString>& propertyNames,
                                          const std::vector<VelaString>& propertyValues) {
  addFormula(std::make_unique<MSOLAP8MemberSpecification>(member, value, solveOrder, propertyNames,
                                                          propertyValues, false, getCubeName()));
}
