// SELECT: WITH formulas, DRILLTHROUGH, the axes with their axis specifications,
// the cube, the slicer and CELL PROPERTIES, in one line or laid out.
#include <algorithm>
#include <cstdint>
#include <typeinfo>

#include "mdxgen/error.h"
#include "mdxgen/formula_specification.h"
#include "mdxgen/set.h"
#include "mdxgen/statements.h"
#include "mdxgen/tuple.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"
#include "source/text/fragment_read.h"
#include "source/text/writer.h"

using mdxgen_detail::Decimal;
using mdxgen_detail::FragmentReader;
using mdxgen_detail::TextWriter;

using AxisSpecification = MDXSelectQuery::MDXAxisSpecification;

AxisSpecification::MDXAxisSpecification(int axis, MDXSet* set,
                                        const std::vector<VelaString>& properties, bool nonEmpty)
    : nonEmpty_(nonEmpty), set_(set), axis_(axis), properties_(properties) {
  if (set) set->use();
}

AxisSpecification::MDXAxisSpecification(const MDXAxisSpecification& other) = default;

AxisSpecification& AxisSpecification::operator=(const MDXAxisSpecification& other) {
  // The properties are copied first: a failed copy changes nothing.
  std::vector<VelaString> properties(other.properties_);
  nonEmpty_ = other.nonEmpty_;
  set_ = other.set_;
  axis_ = other.axis_;
  rangeStart_ = other.rangeStart_;
  rangeEnd_ = other.rangeEnd_;
  properties_ = std::move(properties);
  return *this;
}

AxisSpecification::~MDXAxisSpecification() = default;

// ["NON EMPTY "] + S, or "SUBSET( " + S + " , " + start + ", " + count + " ) "
// when a range is set; [" DIMENSION PROPERTIES " + P0, P1 ...]; then " ON "
// and "COLUMNS ", "ROWS " or "AXIS(" + n + ") ".
void AxisSpecification::appendText(TextWriter& out) const {
  const auto set = FragmentReader::text(*set_);
  if (nonEmpty_) out << L"NON EMPTY ";
  if (rangeStart_ == 0 && rangeEnd_ == -1) {
    out << set;
  } else {
    // The count wraps around as 32-bit arithmetic does, for any pair given.
    const auto count = static_cast<std::int32_t>(static_cast<std::uint32_t>(rangeEnd_) -
                                                 static_cast<std::uint32_t>(rangeStart_) + 1u);
    out << L"SUBSET( " << set << L" , " << Decimal(rangeStart_) << L", " << Decimal(count)
        << L" ) ";
  }
  if (!properties_.empty()) out << L" DIMENSION PROPERTIES ";
  out.list(properties_, L", ");
  out << L" ON ";
  if (axis_ == 0)
    out << L"COLUMNS ";
  else if (axis_ == 1)
    out << L"ROWS ";
  else
    out << L"AXIS(" << Decimal(axis_) << L") ";
}

VelaString AxisSpecification::getText() const {
  TextWriter out;
  appendText(out);
  return out.str();
}

void AxisSpecification::writeText(VelaString& out) const { out = getText(); }

void AxisSpecification::setAxisRange(int start, int end) {
  rangeStart_ = start;
  rangeEnd_ = end;
}

MDXSelectQuery::MDXSelectQuery(const VelaString& cubeName) : MDXQuery(cubeName, Select) {}

MDXSelectQuery::~MDXSelectQuery() = default;

VelaString MDXSelectQuery::getText(bool laidOut) const {
  if (rawTextSet_) return rawText_;
  if (axes_.empty()) throw MDXError(MDXError::kNoAxis);
  // The formulas a dialect puts first (none for the neutral statement).
  const std::vector<VelaString> leading = leadingFormulaTexts();
  // The text is written straight through, part after part: a part that
  // fails leaves nothing behind but this unfinished local text. Laid out,
  // the clauses start on lines of their own and their items are indented
  // by seven blanks (the slicer by six).
  using mdxgen_detail::Piece;
  const Piece lineBreak = laidOut ? Piece(L"\n") : Piece(L"");
  const Piece indent = laidOut ? Piece(L"\n       ") : Piece(L"");

  TextWriter out;
  for (std::size_t i = 0; i < leading.size() + formulas_.size(); ++i) {
    if (i == 0)
      out << L"WITH " << indent;
    else
      out << (laidOut ? Piece(L"\n       ") : Piece(L" "));
    if (i < leading.size()) {
      out << leading[i];
      if (i > 0) out << L" ";
      continue;
    }
    // The library's own member formulas write themselves in place.
    const MDXSingleFormulaSpecification& formula = *formulas_[i - leading.size()];
    if (typeid(formula) == typeid(MSOLAP8MemberSpecification) ||
        typeid(formula) == typeid(MDXMemberSpecification))
      static_cast<const MDXMemberSpecification&>(formula).appendText(out);
    else
      out << formula.getText();
    if (i > 0) out << L" ";
  }
  if (drillThrough_) {
    out << L"DRILLTHROUGH ";
    if (maxRows_ > 0) out << L"MAXROWS " << Decimal(maxRows_) << L" ";
  }
  out << lineBreak << L"SELECT " << indent;
  for (std::size_t i = 0; i < axes_.size(); ++i) {
    if (i > 0) out << (laidOut ? Piece(L",\n       ") : Piece(L", "));
    axes_[i].appendText(out);
  }
  out << lineBreak << L"FROM " << getCubeName() << L" ";
  if (slicer_) {
    out << lineBreak << L"WHERE " << (laidOut ? Piece(L"\n      ") : Piece(L""))
        << FragmentReader::text(*slicer_) << L" ";
  }
  if (!cellProperties_.empty()) out << L" CELL PROPERTIES ";
  out.list(cellProperties_, L", ");
  return out.str();
}

void MDXSelectQuery::writeText(VelaString& out) const { out = getText(false); }

std::vector<VelaString> MDXSelectQuery::leadingFormulaTexts() const { return {}; }

void MDXSelectQuery::addFormula(std::unique_ptr<MDXSingleFormulaSpecification> formula) {
  formulas_.push_back(std::move(formula));
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
  VelaString name = mdxgen_detail::concat({L"[NS_", Decimal(number), L"]"});
  AddSetFormula(name, set);
  namedSetCounter_ = number;
  return name;
}

void MDXSelectQuery::AddAxisSpecification(int axis, MDXSet* set,
                                          const std::vector<VelaString>& properties,
                                          NonEmptyStatus status) {
  if (axis != static_cast<int>(axes_.size())) throw MDXError(MDXError::kAxisOutOfOrder);
  if (axes_.empty()) axes_.reserve(4);
  axes_.emplace_back(axis, set, properties, status == NonEmpty);
}

void MDXSelectQuery::AddAxisRange(int axis, int start, int end) {
  const auto found =
      std::find_if(axes_.begin(), axes_.end(),
                   [axis](const auto& a) { return a.getAxisIndex() == axis; });
  if (found != axes_.end()) found->setAxisRange(start, end);
}

void MDXSelectQuery::AddSlicerSpecification(MDXField* member) {
  if (slicer_) {
    slicer_->AddField(member);
    return;
  }
  // The first member: the tuple is kept only once it holds the member.
  auto_unuse<MDXTuple> slicer(new MDXTuple());
  slicer->AddField(member);
  slicer_ = std::move(slicer);
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
