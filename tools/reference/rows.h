// The rows of the text reference for the operations on member, set and value
// expressions: each row is one call made on a fragment that holds a start
// text. The reference writer prints each row with the text the library
// leaves (docs/reference.md pins those texts); the unit tests run the same
// rows to check what holds for every operation.
#pragma once

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "memory_host.h"

namespace reference {

// One call on a fragment that holds `start`. `wraps` when the start text
// must survive inside the text the call leaves.
template <class Fragment>
struct Row {
  const char* call;
  const wchar_t* start;
  std::function<void(Fragment*)> op;
  bool wraps;
};

// The host objects and the argument fragments the rows use; the argument
// fragments are made once, named by their text (o is the set "O", y the
// value "Y", ab the tuple ( A, B )).
struct Fixture {
  explicit Fixture(MDXQueryGenerator* generator) : g(generator) {
    time.calculations_[1] = &topCalc;
  }
  Fixture(const Fixture&) = delete;
  Fixture& operator=(const Fixture&) = delete;

  MDXQueryGenerator* g;
  fake::Hierarchy time{L"[Time]", {L"[Time].[Year]", L"[Time].[Quarter]", L"[Time].[Month]"}};
  fake::Dimension timeDim{L"[Time]"};
  fake::Hierarchy flat{L"[Flat]"};
  fake::Level quarter{L"[Time].[Quarter]"};
  fake::Calculation calc{L"[Time].[1997].[Growth]", L"[Time].[1997]", &time};
  fake::Calculation topCalc{L"[Time].[Total]", L"", &time};
  const std::vector<KIVA_o::Calculation*> noCalcs, calcs{&topCalc};

  template <class T>
  T* hold(T* object) {
    held.emplace_back(object);
    return object;
  }
  MDXTuple* tuple(std::initializer_list<const wchar_t*> names) {
    MDXTuple* t = hold(g->GenerateTuple());
    for (const wchar_t* name : names) t->AddField(hold(g->GenerateField(VelaString(name))));
    return t;
  }
  std::vector<auto_unuse<olap_api::RefCount>> held;  // released when the fixture ends
  MDXField* f = hold(g->GenerateField(L"F"));
  MDXSet* s = hold(g->GenerateSet(VelaString(L"S")));
  MDXSet* o = hold(g->GenerateSet(VelaString(L"O")));
  MDXValue* v = hold(g->GenerateValue(VelaString(L"V")));
  MDXValue* x = hold(g->GenerateValue(VelaString(L"X")));
  MDXValue* y = hold(g->GenerateValue(VelaString(L"Y")));
  MDXTuple* a = tuple({L"A"});
  MDXTuple* b = tuple({L"B"});
  MDXTuple* ab = tuple({L"A", L"B"});
  MDXTuple* m = tuple({L"M"});
  MDXTuple* mn = tuple({L"M", L"N"});
};

#define MDXGEN_ROW(start, call, wraps) {#call, start, [&](auto* x) { x->call; }, wraps}

inline std::vector<Row<MDXField>> fieldRows(Fixture& r) {
  const wchar_t* year = L"[Time].[1997]";
  return {
      MDXGEN_ROW(year, MoveToChild(L"Q1"), true),
      MDXGEN_ROW(year, MoveToRootNode(&r.timeDim, L"All"), false),
      MDXGEN_ROW(year, MoveToFirstChild(), true),
      MDXGEN_ROW(year, MoveToParent(), true),
      MDXGEN_ROW(L"[Store].[Joe's]", MoveToParent(), true),
      MDXGEN_ROW(L"T", MoveToFirstSibling(false, r.noCalcs), true),
      MDXGEN_ROW(L"T", MoveToFirstSibling(true, r.calcs), true),
      MDXGEN_ROW(L"T", MoveToFirstSibling(false, r.calcs), true),
      MDXGEN_ROW(L"T", MoveToLastSibling(false, r.noCalcs), true),
      MDXGEN_ROW(L"T", MoveToRoot(nullptr), true),
      MDXGEN_ROW(L"T", DrillUp(nullptr), true),
      MDXGEN_ROW(L"T", TakeCurrentMember(&r.time), false),
      MDXGEN_ROW(L"T", TakeCurrentMember(&r.timeDim), false),
      MDXGEN_ROW(L"T", TakeDefaultMember(&r.time), false),
      MDXGEN_ROW(L"T", TakeAncestorAtLevel(nullptr, 2), true),
      MDXGEN_ROW(L"T", TakeAncestorAtLevel(nullptr, -3), true),
      MDXGEN_ROW(L"T", TakeParentOfCalculation(&r.calc), false),
      MDXGEN_ROW(L"T", TakeParentOfCalculation(&r.topCalc), false),
      MDXGEN_ROW(L"T", TakeNameOfCalculation(&r.calc), false),
      MDXGEN_ROW(L"T", LoopLeft(), true),
      MDXGEN_ROW(L"T", LoopRight(), true),
      MDXGEN_ROW(L"T", PrevSibling(r.noCalcs), true),
      MDXGEN_ROW(L"T", NextSibling(r.calcs), true),
      MDXGEN_ROW(L"T", ReplaceName(L"[Time].[1998]"), false),
      MDXGEN_ROW(L"  Sales ", Delimit(), false),
  };
}

inline std::vector<Row<MDXSet>> setRows(Fixture& r) {
  const wchar_t* S = L"S";
  return {
      // Algebra.
      MDXGEN_ROW(S, operator+=(*r.o), true),
      MDXGEN_ROW(L"{  }", operator+=(*r.o), false),
      MDXGEN_ROW(S, operator+=(*r.f), true),
      MDXGEN_ROW(L"{ }", operator+=(*r.f), false),
      MDXGEN_ROW(S, operator-=(*r.o), true),
      MDXGEN_ROW(S, operator-=(*r.f), true),
      MDXGEN_ROW(S, operator*=(*r.o), true),
      MDXGEN_ROW(S, AddField(*r.f, true), true),
      MDXGEN_ROW(S, AddField(*r.f, false), true),
      MDXGEN_ROW(L"{  }", AddField(*r.f, true), true),
      MDXGEN_ROW(L"{  }", AddField(*r.f, false), true),
      MDXGEN_ROW(S, Empty(), false),
      MDXGEN_ROW(S, Delimit(), true),
      MDXGEN_ROW(S, SetExpression(L"X"), false),
      MDXGEN_ROW(S, TakeName(L"[Named]"), false),
      MDXGEN_ROW(S, TakeName(r.o), false),
      MDXGEN_ROW(S, AddCalculations(), true),
      MDXGEN_ROW(S, StripCalculations(&r.time), true),
      MDXGEN_ROW(S, Hierarchize(false), true),
      MDXGEN_ROW(S, Hierarchize(true), true),
      MDXGEN_ROW(S, Unorder(), true),
      MDXGEN_ROW(S, SpecifyDistinct(), true),
      MDXGEN_ROW(S, takeNonEmpty(nullptr), false),
      MDXGEN_ROW(S, takeNonEmpty(r.o), false),
      // Hierarchy navigation.
      MDXGEN_ROW(S, TakeTopLevel(&r.time), false),
      MDXGEN_ROW(S, TakeTopLevel(nullptr), false),
      MDXGEN_ROW(S, TakeTopLevel(&r.flat), false),
      MDXGEN_ROW(S, TakeWholeLevel(&r.quarter), false),
      MDXGEN_ROW(S, TakeAllMembersAtLevel(r.f, true), false),
      MDXGEN_ROW(S, TakeAllMembersAtLevel(r.f, false), false),
      MDXGEN_ROW(S, TakeAllMembers(&r.time, true), false),
      MDXGEN_ROW(S, TakeAllMembers(L"[Store]", false), false),
      MDXGEN_ROW(S, TakeBaseLevel(&r.time, 3), false),
      MDXGEN_ROW(S, TakeBaseLevel(&r.time, 0), false),
      MDXGEN_ROW(S, TakeBaseLevel(&r.time, INT_MIN), false),
      MDXGEN_ROW(S, TakeLeafNodes(&r.time), false),
      MDXGEN_ROW(S, TakeAncestorsOfMember(L"M", false, 0), false),
      MDXGEN_ROW(S, TakeAncestorsOfMember(L"M", false, 1), false),
      MDXGEN_ROW(S, TakeAncestorsOfMember(L"M", true, -2), false),
      MDXGEN_ROW(S, TakeAncestorsOfMember(L"M", false, -1), false),
      MDXGEN_ROW(S, TakeAncestorsOfMember(L"M", true, -1), false),
      MDXGEN_ROW(S, TakeAncestorsOfMember(L"M", true, 2), false),
      MDXGEN_ROW(S, TakeAncestorsOfMember(L"M", false, 2), false),
      MDXGEN_ROW(S, TakeAncestorsOfSet(L"S", &r.time, true, -1, 0), false),
      MDXGEN_ROW(S, TakeAncestorsOfSet(L"S", &r.time, false, -1, 0), false),
      MDXGEN_ROW(S, TakeAncestorsOfSet(L"S", &r.time, true, 2, 0), false),
      MDXGEN_ROW(S, TakeAncestorsOfSet(L"S", &r.time, false, 2, 0), false),
      MDXGEN_ROW(S, TakeAncestorsOfSet(L"S", &r.time, false, 0, 9), false),
      MDXGEN_ROW(S, TakeAncestorsOfSet(L"S", &r.time, true, 0, 9), false),
      MDXGEN_ROW(S, TakeSiblings(r.f, nullptr), false),
      MDXGEN_ROW(S, TakeChildren(r.f), false),
      MDXGEN_ROW(S, TakeChildren(r.s, &r.time, true, -1, L""), false),
      MDXGEN_ROW(S, TakeChildren(r.s, &r.time, false, -1, L""), false),
      MDXGEN_ROW(S, TakeChildren(r.s, &r.time, false, 2, L""), false),
      MDXGEN_ROW(S, TakeChildren(r.s, &r.time, true, 2, L""), false),
      MDXGEN_ROW(S, TakeChildren(r.s, &r.time, true, 1, L"u"), false),
      MDXGEN_ROW(S, TakeChildren(r.s, &r.time, true, 3, L"u"), false),
      MDXGEN_ROW(S, TakeChildren(r.s, &r.time, true, 0, L"u"), false),
      MDXGEN_ROW(S, TakeDescendants(r.f), false),
      MDXGEN_ROW(S, TakeDescendants(L"M", L"[Time].[Month]"), false),
      MDXGEN_ROW(S, TakeDescendants(L"M", &r.time, true, -1, L""), false),
      MDXGEN_ROW(S, TakeDescendants(L"M", &r.time, false, -1, L""), false),
      MDXGEN_ROW(S, TakeDescendants(L"M", &r.time, true, 2, L""), false),
      MDXGEN_ROW(S, TakeDescendants(L"M", &r.time, false, 2, L""), false),
      MDXGEN_ROW(S, Extract(L"S", &r.time), false),
      MDXGEN_ROW(S, DrillDown(&r.time, L"M", true), true),
      MDXGEN_ROW(S, DrillDown(&r.time, L"M", false), true),
      MDXGEN_ROW(S, DrillDown(nullptr, L"[A], [B]", false), true),
      MDXGEN_ROW(S, DrillDownOnSet(L"A"), true),
      MDXGEN_ROW(S, DrillDownOnSet(r.o), true),
      MDXGEN_ROW(S, DrillUp(L"M"), true),
      MDXGEN_ROW(S, DrillUpOnSet(L"B"), true),
      MDXGEN_ROW(S, ToggleDrillStateOnSet(r.o, false), true),
      MDXGEN_ROW(S, ToggleDrillStateOnSet(r.o, true), true),
      MDXGEN_ROW(S, Invert(&r.time), true),
      // Subsets, ranks and ordering.
      MDXGEN_ROW(S, TakeSubset(2, 3), true),
      MDXGEN_ROW(S, TakeSubset(0, -1), true),
      MDXGEN_ROW(S, TakeSubset(2, 0), true),
      MDXGEN_ROW(S, TakeSubset(INT_MIN, INT_MAX), true),
      MDXGEN_ROW(S, TakeSubset(r.a, r.b), true),
      MDXGEN_ROW(S, TakeSubset(r.a, -2, -1), false),
      MDXGEN_ROW(S, TakeSubset(r.a, -1, 0), false),
      MDXGEN_ROW(S, TakeSubset(r.a, 2, -1), false),
      MDXGEN_ROW(S, TakeSubset(r.a, 0, 2), false),
      MDXGEN_ROW(S, TakeSubset(r.a, -1, -3), false),
      MDXGEN_ROW(S, TakeSubset(r.a, 0, -2), false),
      MDXGEN_ROW(S, TakeSubset(r.a, 4, 1), false),
      MDXGEN_ROW(S, TakeSubset(r.a, INT_MIN, 0), false),
      MDXGEN_ROW(S, TakeSubsetToRank(0, L"M", true), true),
      MDXGEN_ROW(S, TakeSubsetToRank(1, L"M", false), true),
      MDXGEN_ROW(S, TakeSubsetToRank(-1, L"M", false), true),
      MDXGEN_ROW(S, TakeSubsetToRank(2, L"", false), false),
      MDXGEN_ROW(S, TakeSubsetFromRank(L"M", false), true),
      MDXGEN_ROW(S, TakeSubsetFromRank(L"M", true), true),
      MDXGEN_ROW(S, TakeSubsetFromRank(L"", true), false),
      MDXGEN_ROW(S, InsertMemberIfNotExists(L"M"), true),
      MDXGEN_ROW(S, InsertMemberIfNotExists(L""), false),
      MDXGEN_ROW(S, TakeTail(), true),
      MDXGEN_ROW(S, Intersect(r.o), true),
      MDXGEN_ROW(S, removeCalculationsSpecial(r.o), true),
      MDXGEN_ROW(S, generate(L"A", L"B"), false),
      MDXGEN_ROW(S, Rank(r.f, r.o), false),
      MDXGEN_ROW(S, TakeRank(r.f), true),
      MDXGEN_ROW(S, TakeRank(r.ab), true),
      MDXGEN_ROW(S, Order(0, r.v), true),
      MDXGEN_ROW(S, Order(3, r.a), true),
      MDXGEN_ROW(S, Order(3, r.v), true),
      MDXGEN_ROW(S, Order(4, r.v), false),
      MDXGEN_ROW(S, TakeExtremity(MDXSet::Top, MDXSet::Count, L"10", nullptr), true),
      MDXGEN_ROW(S, TakeExtremity(MDXSet::Bottom, MDXSet::Sum, L"10", r.a), true),
      MDXGEN_ROW(S, TakeExtremity(MDXSet::Top, MDXSet::Sum, L"9", r.ab), true),
      MDXGEN_ROW(S, TakeExtremity(MDXSet::Bottom, MDXSet::Percent, L"5", r.a), true),
      MDXGEN_ROW(S, TakeExtremity(MDXSet::Top, MDXSet::Percent, L"10", nullptr), false),
      MDXGEN_ROW(S, TakeFilter(L"X > 1"), true),
      MDXGEN_ROW(S, TakeFilter(r.v), true),
      MDXGEN_ROW(L"ORDER( A, x, DESC ) ", removeOrder(), false),
      MDXGEN_ROW(L"ORDER( ORDER( A, x, ASC ), y, DESC )", removeOrder(), false),
      MDXGEN_ROW(L"BORDER( A, x )", removeOrder(), false),
  };
}

inline std::vector<Row<MDXValue>> valueRows(Fixture& r) {
  const wchar_t* V = L"V";
  return {
      MDXGEN_ROW(V, TakeCount(r.s, true), false),
      MDXGEN_ROW(V, TakeCount(r.s, false), false),
      MDXGEN_ROW(V, TakeUniqueName(r.f), false),
      MDXGEN_ROW(V, TakeName(r.f), false),
      MDXGEN_ROW(V, TakeCaption(r.f), false),
      MDXGEN_ROW(V, TakeDescription(r.f), false),
      MDXGEN_ROW(V, TakeProperty(r.f, L"Manager"), false),
      MDXGEN_ROW(V, TakeProperty(r.f, L"Joe's \"x\"]"), false),
      MDXGEN_ROW(V, TakeSum(r.s), false),
      MDXGEN_ROW(V, TakeMin(r.s, nullptr), false),
      MDXGEN_ROW(V, TakeMin(r.s, r.a), false),
      MDXGEN_ROW(V, TakeMax(r.s, r.ab), false),
      MDXGEN_ROW(V, TakeAverage(r.s), false),
      MDXGEN_ROW(V, TakeMedian(r.s), false),
      MDXGEN_ROW(V, TakeStDev(r.s), false),
      MDXGEN_ROW(V, TakeStDevP(r.s), false),
      MDXGEN_ROW(V, TakeVariance(r.s), false),
      MDXGEN_ROW(V, TakeVarianceP(r.s), false),
      MDXGEN_ROW(V, TakeAggregate(r.s), false),
      MDXGEN_ROW(V, TakeCovariance(r.s, r.y, nullptr, true), false),
      MDXGEN_ROW(V, TakeCovariance(r.s, r.y, r.x, false), false),
      MDXGEN_ROW(V, TakeCovariance(r.s, r.y, r.x, true), false),
      MDXGEN_ROW(V, TakeLinRegVariance(r.s, r.y, r.x), false),
      MDXGEN_ROW(V, TakeLinRegR2(r.s, r.y, nullptr), false),
      MDXGEN_ROW(V, TakeLinRegSlope(r.s, r.y, nullptr), false),
      MDXGEN_ROW(V, TakeLinRegIntercept(r.s, r.y, nullptr), false),
      MDXGEN_ROW(V, TakeCorrelation(r.s, r.y, nullptr), false),
      MDXGEN_ROW(V, TakeLinRegPoint(r.x, r.s, r.y, nullptr), false),
      MDXGEN_ROW(V, Add(-3), true),
      MDXGEN_ROW(V, ReverseSign()->ReverseSign(), true),
      MDXGEN_ROW(V, TakeEquality(7), true),
      MDXGEN_ROW(V, TakeEquality(-7), true),
      MDXGEN_ROW(V, TakeEquality(L"'a'"), true),
      MDXGEN_ROW(V, TakeInequality(L"0"), true),
  };
}

// A condition tree from a host, filtering the set "S"; the tuple names the
// current member where the tree asks for it.
struct Condition {
  const char* tree;
  std::function<fake::Expression*()> make;
  const MDXTuple* tuple;
};

#define MDXGEN_TREE(tree, tuple) \
  {#tree, [] { using namespace fake; using namespace KIVA_o; return tree; }, tuple}

// Every node kind. The operands of a tuple share one string: a node that
// writes nothing repeats the operand before it; other operands start empty.
inline std::vector<Condition> conditionRows(Fixture& r) {
  return {
      MDXGEN_TREE(node(ET_BETWEEN, {str(L"X"), str(L"1"), str(L"9")}), nullptr),
      MDXGEN_TREE(node(ET_OUTSIDE, {str(L"X"), str(L"1"), str(L"9")}), nullptr),
      MDXGEN_TREE(new fake::Expression(ET_NATIVE, L"[P] > 0"), nullptr),
      MDXGEN_TREE(node(ET_TUPLE_IS_NULL, {node(ET_CURRENT)}), r.m),
      MDXGEN_TREE(node(ET_TUPLE_IS_NULL, {node(ET_TUPLE, {str(L"M"), str(L"N")})}), r.m),
      MDXGEN_TREE(node(ET_FILTER, {node(ET_CURRENTSET), node(ET_EQUALTO, {str(L"X"),
                  str(L"1")})}), nullptr),
      MDXGEN_TREE(node(ET_FILTER, {str(L"A"), str(L"B"), str(L"C")}), nullptr),
      MDXGEN_TREE(node(ET_TOPSUM, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_BOTTOMSUM, {str(L"A"), str(L"B"), str(L"C")}), nullptr),
      MDXGEN_TREE(node(ET_TOPPERCENT, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_BOTTOMPERCENT, {str(L"A"), str(L"B"), str(L"C")}), nullptr),
      MDXGEN_TREE(node(ET_EXCEPT, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_BOTTOMCOUNT, {str(L"A"), str(L"B"), str(L"C")}), nullptr),
      MDXGEN_TREE(node(ET_TOPCOUNT, {str(L"A"), str(L"B"), str(L"C"), str(L"D")}), nullptr),
      MDXGEN_TREE(node(ET_CURRENT), r.mn),
      MDXGEN_TREE(node(ET_TUPLE_VALUE, {str(L"A")}), nullptr),
      MDXGEN_TREE(node(ET_MEMBER_VALUE, {str(L"A")}), nullptr),
      MDXGEN_TREE(new fake::Expression(ET_STRING_A, L"'x'"), nullptr),
      MDXGEN_TREE(new fake::Expression(ET_STRING_B, L"y"), nullptr),
      MDXGEN_TREE(node(ET_TUPLE, {str(L"A")}), nullptr),
      MDXGEN_TREE(node(ET_TUPLE, {str(L"A"), str(L"B"), str(L"C")}), nullptr),
      MDXGEN_TREE(node(ET_TUPLE, {str(L"A"), node(ET_BOOLVAL)}), nullptr),
      MDXGEN_TREE(node(ET_EQUALTO, {node(ET_BOOLVAL), str(L"A")}), nullptr),
      MDXGEN_TREE(node(ET_BOOLVAL), nullptr),
      MDXGEN_TREE(node(ET_UNDEFINED), nullptr),
      MDXGEN_TREE(number(-1.0 / 3), nullptr),
      MDXGEN_TREE(node(ET_NOTEQUALTO, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_LESSTHAN, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_LESSTHANOREQUALTO, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_GREATERTHAN, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_GREATERTHANOREQUALTO, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_AND, {node(ET_PARENTHESIS_A, {node(ET_OR, {str(L"A"), str(L"B")})}),
                  str(L"C")}), nullptr),
      MDXGEN_TREE(node(ET_NOT, {str(L"A")}), nullptr),
      MDXGEN_TREE(node(ET_NEGATE, {str(L"A")}), nullptr),
      MDXGEN_TREE(node(ET_NEGATE, {node(ET_TUPLE_VALUE, {str(L"A")})}), nullptr),
      MDXGEN_TREE(node(ET_ADD, {node(ET_TUPLE_VALUE, {node(ET_TUPLE, {str(L"A"), str(L"B")})}),
                  str(L"5")}), nullptr),
      MDXGEN_TREE(node(ET_SUBTRACT, {str(L"A"), node(ET_TUPLE_VALUE, {str(L"B")})}), nullptr),
      MDXGEN_TREE(node(ET_TIMES, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_DIVIDE, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_INTDIVIDE, {str(L"A"), str(L"B")}), nullptr),
      MDXGEN_TREE(node(ET_PARENTHESIS_B, {str(L"A")}), nullptr),
  };
}

#undef MDXGEN_TREE
#undef MDXGEN_ROW

}  // namespace reference
