#include "mdxgen/field.h"

#include <cstdint>
#include <stdexcept>

#include "source/instance_counters.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"

using mdxgen_detail::append;
using mdxgen_detail::concat;
using mdxgen_detail::Decimal;

namespace {

// The calculation's parent prefix: its parent member when it has one, else
// its hierarchy.
const VelaString& parentPrefix(const KIVA_o::Calculation* calculation) {
  const VelaString& parent = calculation->getParentUniqueName();
  return parent.length() > 0 ? parent : calculation->getHierarchy()->getUniqueName();
}

// The sibling list: the member's siblings, with or without the host's
// calculated members among them.
struct Siblings {
  VelaString s;  // T.SIBLINGS
  VelaString a;  // AddCalculatedMembers(S)
  VelaString i;  // INTERSECT(A,{calc,calc})

  Siblings(const VelaString& t, const std::vector<KIVA_o::Calculation*>& calculations)
      : s(concat({t, L".SIBLINGS"})), a(concat({L"AddCalculatedMembers(", s, L")"})) {
    if (calculations.empty()) return;
    VelaString list(L"{");
    for (std::size_t k = 0; k < calculations.size(); ++k) {
      if (k > 0) list += L',';
      list += calculations[k]->getUniqueName();
    }
    list += L'}';
    i = concat({L"INTERSECT(", a, L",", list, L")"});
  }
};

// The set to pick the first or last sibling from.
VelaString firstOrLastSiblingSet(const VelaString& t, bool withCalculations,
                                 const std::vector<KIVA_o::Calculation*>& calculations) {
  Siblings sib(t, calculations);
  if (withCalculations) return sib.a;
  if (!calculations.empty()) return concat({L"HIERARCHIZE(UNION(", sib.s, L",", sib.i, L"))"});
  return sib.s;
}

// The set to step to the previous or next sibling in.
VelaString neighbourSiblingSet(const VelaString& t,
                               const std::vector<KIVA_o::Calculation*>& calculations) {
  Siblings sib(t, calculations);
  if (!calculations.empty()) return concat({L"HIERARCHIZE(UNION(", sib.i, L",", sib.s, L"))"});
  return sib.s;
}

}  // namespace

MDXField::MDXField(const VelaString& uniqueName)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()), text_(uniqueName) {}

MDXField::MDXField(const VelaString& parent, const VelaString& name)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(concat({parent, L".[", name, L"]"})) {}

MDXField::MDXField(const MDXField* other)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()), text_(other->getText()) {}

MDXField::MDXField(const KIVA_o::Member* member)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(member->getUniqueName()) {}

MDXField::MDXField(const KIVA_o::Hierarchy* hierarchy)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(concat({hierarchy->getUniqueName(), L".DEFAULTMEMBER"})) {}

MDXField::MDXField(const KIVA_o::Hierarchy* hierarchy, const VelaString& name)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(concat({hierarchy->getUniqueName(), L".[", name, L"]"})) {}

MDXField::MDXField(const KIVA_o::Dimension* dimension)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(concat({dimension->getUniqueName(), L".DEFAULTMEMBER"})) {}

MDXField::MDXField(const KIVA_o::Level* level, const VelaString& name)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(concat({level->getUniqueName(), L".[", name, L"]"})) {}

MDXField::MDXField(const KIVA_o::Calculation* calculation, const VelaString& name)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(concat({parentPrefix(calculation), L".[", name, L"]"})) {}

MDXField::MDXField(const KIVA_o::DynamicCalculation* calculation, const VelaString& parent)
    : RefCountImpl(L"MDXField", mdxgen_detail::nextFieldInstance()),
      text_(concat({parent, L".[", calculation->getName(), L"]"})) {}

MDXField::~MDXField() = default;

VelaString MDXField::getText() const { return text_.text(); }

VelaString MDXField::getQuotedText() { return text_.quoted(); }

void MDXField::writeText(VelaString& out) const { out = text_.text(); }

MDXField* MDXField::MoveToChild(const VelaString& name) {
  append(text_.edit(), {L".[", name, L"]"});
  return this;
}

MDXField* MDXField::MoveToRootNode(const KIVA_o::Dimension* dimension, const VelaString& name) {
  text_.assign(concat({dimension->getUniqueName(), L".[", name, L"]"}));
  return this;
}

MDXField* MDXField::MoveToFirstChild() {
  append(text_.edit(), {L".FIRSTCHILD "});
  return this;
}

MDXField* MDXField::MoveToParent() {
  append(text_.edit(), {L".PARENT"});
  return this;
}

MDXField* MDXField::MoveToFirstSibling(bool withCalculations,
                                       std::vector<KIVA_o::Calculation*> calculations) {
  const VelaString r = firstOrLastSiblingSet(text_.text(), withCalculations, calculations);
  text_.assign(concat({r, L".ITEM(0).ITEM(0)"}));
  return this;
}

MDXField* MDXField::MoveToLastSibling(bool withCalculations,
                                      std::vector<KIVA_o::Calculation*> calculations) {
  const VelaString r = firstOrLastSiblingSet(text_.text(), withCalculations, calculations);
  text_.assign(concat({r, L".ITEM(", r, L".COUNT-1).ITEM(0)"}));
  return this;
}

MDXField* MDXField::MoveToRoot(const KIVA_o::Dimension*) {
  const VelaString& t = text_.text();
  text_.assign(concat({L"ANCESTOR( ", t, L",", t, L".DIMENSION.LEVELS( 0 ) ) "}));
  return this;
}

MDXField* MDXField::DrillUp(const KIVA_o::Dimension*) {
  const VelaString& t = text_.text();
  text_.assign(concat({L"{ ", t, L".PARENT, ", t, L" }.ITEM(0) "}));
  return this;
}

MDXField* MDXField::TakeCurrentMember(const KIVA_o::Hierarchy* hierarchy) {
  text_.assign(concat({hierarchy->getUniqueName(), L".CURRENTMEMBER "}));
  return this;
}

MDXField* MDXField::TakeCurrentMember(const KIVA_o::Dimension* dimension) {
  text_.assign(concat({dimension->getUniqueName(), L".CURRENTMEMBER "}));
  return this;
}

MDXField* MDXField::TakeDefaultMember(const KIVA_o::Hierarchy* hierarchy) {
  text_.assign(concat({hierarchy->getUniqueName(), L".DEFAULTMEMBER "}));
  return this;
}

MDXField* MDXField::TakeAncestorAtLevel(const KIVA_o::Dimension*, long level) {
  // The level is taken as a 32-bit value.
  const Decimal digits(static_cast<std::int32_t>(level));
  const VelaString& t = text_.text();
  text_.assign(concat({L" ANCESTOR( ", t, L", ", t, L".DIMENSION.LEVELS(", digits, L") ) "}));
  return this;
}

MDXField* MDXField::TakeParentOfCalculation(const KIVA_o::Calculation* calculation) {
  text_.assign(parentPrefix(calculation));
  return this;
}

MDXField* MDXField::TakeNameOfCalculation(const KIVA_o::Calculation* calculation) {
  text_.assign(calculation->getUniqueName());
  return this;
}

MDXField* MDXField::LoopLeft() {
  const VelaString& t = text_.text();
  text_.assign(concat({L" { ", t, L".PREVMEMBER, ADDCALCULATEDMEMBERS( ", t,
                       L".LEVEL.MEMBERS ).ITEM( COUNT( ADDCALCULATEDMEMBERS( ", t,
                       L".LEVEL.MEMBERS ) ) - 1 ), ", t, L" }.ITEM(0) "}));
  return this;
}

MDXField* MDXField::LoopRight() {
  const VelaString& t = text_.text();
  text_.assign(concat({L" { ", t, L".NEXTMEMBER, EXCEPT( ADDCALCULATEDMEMBERS( ", t,
                       L".LEVEL.MEMBERS ), ", t, L".LEVEL.MEMBERS ), ", t,
                       L".LEVEL.MEMBERS( 0 ), ", t, L" }.ITEM(0)"}));
  return this;
}

MDXField* MDXField::PrevSibling(std::vector<KIVA_o::Calculation*> calculations) {
  const VelaString& t = text_.text();
  const VelaString r = neighbourSiblingSet(t, calculations);
  text_.assign(concat({L"{", r, L".ITEM(RANK(", t, L",", r, L")-2).ITEM(0),TAIL(", r,
                       L")}.ITEM(0).ITEM(0)"}));
  return this;
}

MDXField* MDXField::NextSibling(std::vector<KIVA_o::Calculation*> calculations) {
  const VelaString& t = text_.text();
  const VelaString r = neighbourSiblingSet(t, calculations);
  text_.assign(concat({L"{", r, L".ITEM(RANK(", t, L",", r, L")).ITEM(0),", r,
                       L".ITEM(0).ITEM(0)}.ITEM(0).ITEM(0)"}));
  return this;
}

MDXField* MDXField::ReplaceName(const VelaString& name) {
  text_.assign(name);
  return this;
}

void MDXField::Delimit() {
  const std::wstring& t = text_.text().wstr();
  const auto first = t.find_first_not_of(L' ');
  if (first == std::wstring::npos) throw std::out_of_range("MDXField::Delimit: blank text");
  const auto last = t.find_last_not_of(L' ');
  if (t[last] == L']') return;
  text_.assign(concat({L"[", std::wstring_view(t).substr(first, last - first + 1), L"]"}));
}

void MDXField::unuseVector(const std::vector<MDXField*>& fields) {
  mdxgen_detail::unuseEach(fields);
}
