// Properties that hold across every fragment operation: the text stays
// balanced, the fragments passed in keep their texts and give back every
// reference they lent, a wrapper keeps the earlier text inside it, and a
// refused call leaves its object and the arguments as they were.
#include <map>

#include "tests/fake_host.h"
#include "tests/text_cases.h"

using namespace KIVA_o;

namespace {

// One operation on a receiver; `wraps` when the earlier text must survive
// inside the new one.
template <class Fragment>
struct Op {
  int line;
  std::function<void(Fragment*)> call;
  bool wraps;
};
#define OP(call, wraps) {__LINE__, [&](auto* x) { x->call; }, wraps}

const wchar_t kStart[] = L"[T's]";

// Brackets, braces and parentheses close in order, outside double quotes.
bool balanced(const std::string& text) {
  std::string open;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '(' || c == '[' || c == '{') open += c;
    const char* pair = c == ')' ? "(" : c == ']' ? "[" : c == '}' ? "{" : nullptr;
    if (pair && (open.empty() || open.back() != *pair)) return false;
    if (pair) open.pop_back();
  }
  return open.empty() && !quoted;
}

class PropertiesTest : public GeneratorTest {
 protected:
  // The text and reference count of every argument fragment.
  std::map<const olap_api::RefCount*, std::pair<std::string, long>> arguments() const {
    std::map<const olap_api::RefCount*, std::pair<std::string, long>> state;
    for (const auto& held : this->held) {
      VelaString text;
      if (auto* f = dynamic_cast<const MDXField*>(held.get())) text = f->getText();
      if (auto* s = dynamic_cast<const MDXSet*>(held.get())) text = s->getText();
      if (auto* v = dynamic_cast<const MDXValue*>(held.get())) text = v->getText();
      if (auto* t = dynamic_cast<const MDXTuple*>(held.get()); t && t->FieldCount() > 0)
        text = t->getText();
      auto* counted = dynamic_cast<const support::RefCountImpl*>(held.get());
      state[held.get()] = {text.toUtf8(), counted ? counted->getRefCount() : -1};
    }
    return state;
  }

  template <class Fragment, class Make>
  void sweep(Make make, const std::vector<Op<Fragment>>& ops) {
    for (const auto& op : ops) {
      const auto before = arguments();
      Fragment* x = make(VelaString(kStart));
      op.call(x);
      const std::string text = x->getText().toUtf8();
      EXPECT_TRUE(balanced(text)) << "line " << op.line << ": " << text;
      if (op.wraps) {
        EXPECT_NE(text.find(VelaString(kStart).toUtf8()), std::string::npos) << "line " << op.line;
        EXPECT_NE(text, VelaString(kStart).toUtf8()) << "line " << op.line;
      }
      EXPECT_EQ(x->unuse(), 0) << "line " << op.line;
      EXPECT_EQ(arguments(), before) << "line " << op.line;
    }
  }

  // Each call refuses with its code and inserts; the receiver keeps its text
  // and quoted copy, and the arguments their texts and counts.
  template <class Fragment, class Make>
  void refusals(Make make, const std::vector<std::pair<Op<Fragment>, Refusal>>& cases) {
    for (const auto& [op, expected] : cases) {
      Fragment* x = make(VelaString(kStart));
      x->getQuotedText();
      const auto before = arguments();
      EXPECT_EQ(refusal([&, &op = op] { op.call(x); }), expected) << "line " << op.line;
      EXPECT_TRUE(x->getText() == VelaString(kStart)) << "line " << op.line;
      EXPECT_EQ(x->getQuotedText().toUtf8(), "[T''s]") << "line " << op.line;
      EXPECT_EQ(arguments(), before) << "line " << op.line;
      EXPECT_EQ(x->unuse(), 0) << "line " << op.line;
    }
  }

  MDXField* newField(const VelaString& t) { return generator->GenerateField(t); }
  MDXSet* newSet(const VelaString& t) { return generator->GenerateSet(t); }
  MDXValue* newValue(const VelaString& t) { return generator->GenerateValue(t); }

  fake::Hierarchy h{L"[H]", {L"[H].[L0]", L"[H].[L1]", L"[H].[L2]"}};
  fake::Dimension dim{L"[H]"};
  fake::Level level{L"[H].[L1]"};
  fake::Calculation calc{L"[H].[A].[C]", L"[H].[A]", &h};
  const std::vector<Calculation*> none, calcs{&calc};
  MDXField* f = field(L"[F]");
  MDXSet* o = set(L"{ [O] }");
  MDXValue* v = value(L"[V]");
  MDXValue* w = value(L"[W]");
  MDXTuple* m = tuple({L"[A]"});
  MDXTuple* ab = tuple({L"[A]", L"[B]"});
  MDXTuple* hollow = tuple({});
};

}  // namespace

TEST_F(PropertiesTest, FieldOperations) {
  sweep<MDXField>([&](const VelaString& t) { return newField(t); },
                  {
                      OP(MoveToChild(L"Q1"), true), OP(MoveToRootNode(&dim, L"All"), false),
                      OP(MoveToFirstChild(), true), OP(MoveToParent(), true),
                      OP(MoveToFirstSibling(false, none), true),
                      OP(MoveToFirstSibling(true, calcs), true),
                      OP(MoveToFirstSibling(false, calcs), true),
                      OP(MoveToLastSibling(false, calcs), true), OP(MoveToRoot(nullptr), true),
                      OP(DrillUp(nullptr), true), OP(TakeCurrentMember(&h), false),
                      OP(TakeDefaultMember(&h), false), OP(TakeAncestorAtLevel(nullptr, 2), true),
                      OP(TakeParentOfCalculation(&calc), false),
                      OP(TakeNameOfCalculation(&calc), false), OP(LoopLeft(), true),
                      OP(LoopRight(), true), OP(PrevSibling(none), true),
                      OP(NextSibling(calcs), true), OP(ReplaceName(L"[B]"), false),
                      OP(Delimit(), false),
                  });
}

TEST_F(PropertiesTest, SetOperations) {
  std::vector<auto_unuse<MDXSet>> two;
  for (MDXSet* s : {set(L"[P]"), set(L"[Q]")}) two.emplace_back(s)->use();
  std::unique_ptr<fake::Expression> equal(
      fake::node(ET_EQUALTO, {fake::str(L"[X]"), fake::str(L"1")}));
  sweep<MDXSet>([&](const VelaString& t) { return newSet(t); },
                {
                    OP(operator+=(*o), true), OP(operator+=(*f), true), OP(operator-=(*o), true),
                    OP(operator-=(*f), true), OP(operator*=(*o), true),
                    OP(AddField(*f, true), true), OP(AddField(*f, false), true),
                    OP(nonEmptyCrossjoin(two), true), OP(Empty(), false), OP(Delimit(), true),
                    OP(SetExpression(L"[X]"), false), OP(TakeName(L"[N]"), false),
                    OP(TakeName(o), false), OP(AddCalculations(), true),
                    OP(StripCalculations(&h), true), OP(Hierarchize(false), true),
                    OP(Hierarchize(true), true), OP(Unorder(), true), OP(SpecifyDistinct(), true),
                    OP(takeNonEmpty(nullptr), false), OP(TakeTopLevel(&h), false),
                    OP(TakeWholeLevel(&level), false), OP(TakeAllMembersAtLevel(f, true), false),
                    OP(TakeAllMembers(&h, false), false), OP(TakeBaseLevel(&h, 3), false),
                    OP(TakeLeafNodes(&h), false), OP(TakeAncestorsOfMember(L"[M]", true, 2), false),
                    OP(TakeAncestorsOfSet(L"[S]", &h, true, 2, 0), false),
                    OP(TakeSiblings(f, nullptr), false), OP(TakeChildren(f), false),
                    OP(TakeChildren(o, &h, true, 3, L""), false), OP(TakeDescendants(f), false),
                    OP(TakeDescendants(L"[M]", L"[H].[L2]"), false),
                    OP(TakeDescendants(L"[M]", &h, true, 2, L""), false),
                    OP(Extract(L"[S]", &h), false), OP(DrillDown(&h, L"[M]", true), true),
                    OP(DrillDown(&h, L"[M]", false), true), OP(DrillDownOnSet(L"[A]"), true),
                    OP(DrillDownOnSet(o), true), OP(DrillUp(L"[M]"), true),
                    OP(DrillUpOnSet(L"[B]"), true), OP(DrillUpOnSet(o), true),
                    OP(ToggleDrillStateOnSet(o, false), true),
                    OP(ToggleDrillStateOnSet(o, true), true), OP(Invert(&h), true),
                    OP(TakeSubset(2, 3), true), OP(TakeSubset(m, ab), true),
                    OP(TakeSubset(m, -2, -1), false), OP(TakeSubset(m, 2, 1), false),
                    OP(TakeSubsetToRank(1, L"[M]", false), true),
                    OP(TakeSubsetFromRank(L"[M]", true), true),
                    OP(InsertMemberIfNotExists(L"[M]"), true), OP(TakeTail(), true),
                    OP(Intersect(o), true), OP(removeCalculationsSpecial(o), true),
                    OP(generate(L"[A]", L"[B]"), false), OP(Rank(f, o), false),
                    OP(TakeRank(f), true), OP(TakeRank(ab), true), OP(Order(MDXSet::Asc, v), true),
                    OP(Order(MDXSet::BDesc, ab), true),
                    OP(TakeExtremity(MDXSet::Top, MDXSet::Count, L"10", nullptr), true),
                    OP(TakeExtremity(MDXSet::Bottom, MDXSet::Sum, L"10", m), true),
                    OP(TakeExtremity(MDXSet::Top, MDXSet::Percent, L"10", ab), true),
                    OP(Filter(equal.get(), nullptr), false), OP(TakeFilter(equal.get(), m), true),
                    OP(TakeFilter(L"[X] > 1"), true), OP(TakeFilter(v), true),
                    OP(removeOrder(), false),
                });
}

TEST_F(PropertiesTest, ValueOperations) {
  sweep<MDXValue>([&](const VelaString& t) { return newValue(t); },
                  {
                      OP(TakeCount(o, true), false), OP(TakeUniqueName(f), false),
                      OP(TakeName(f), false), OP(TakeCaption(f), false),
                      OP(TakeDescription(f), false), OP(TakeProperty(f, L"Manager"), false),
                      OP(TakeSum(o), false), OP(TakeMin(o, nullptr), false),
                      OP(TakeMax(o, ab), false), OP(TakeAverage(o), false),
                      OP(TakeMedian(o), false), OP(TakeStDev(o), false), OP(TakeStDevP(o), false),
                      OP(TakeVariance(o), false), OP(TakeVarianceP(o), false),
                      OP(TakeAggregate(o), false), OP(TakeCovariance(o, v, nullptr, true), false),
                      OP(TakeCovariance(o, v, w, false), false),
                      OP(TakeLinRegVariance(o, v, w), false),
                      OP(TakeLinRegR2(o, v, nullptr), false), OP(TakeLinRegSlope(o, v, w), false),
                      OP(TakeLinRegIntercept(o, v, nullptr), false),
                      OP(TakeCorrelation(o, v, w), false),
                      OP(TakeLinRegPoint(w, o, v, nullptr), false), OP(Add(-3), true),
                      OP(ReverseSign(), true), OP(TakeEquality(7), true),
                      OP(TakeEquality(L"'a'"), true), OP(TakeInequality(L"0"), true),
                  });
}

TEST_F(PropertiesTest, RefusalsChangeNothing) {
  std::unique_ptr<fake::Expression> unknown(fake::node(4));
  const auto range = [](const char* value, const char* what) {
    return Refusal(MDXError::kValueOutOfRange, {value, what});
  };
  const Refusal empty(MDXError::kEmptyTuple, {}), noTuple(MDXError::kExtremityWithoutTuple, {});
  const Refusal untranslatable(MDXError::kUntranslatableNode, {"4"});
  // The direction before the tuple; the type before the measure, the
  // measure before the tuple. On the server's sets and on plain ones.
  const std::vector<std::pair<Op<MDXSet>, Refusal>> setCases = {
                       {OP(Order(4, hollow), false), range("4", "Sort::direction")},
                       {OP(Order(-1, v), false), range("-1", "Sort::direction")},
                       {OP(Order(0, hollow), false), empty},
                       {OP(TakeExtremity(MDXSet::ExtremityType(5), MDXSet::ExtremityMeasure(9),
                                         L"1", hollow), false),
                        range("5", "ExtremityType")},
                       {OP(TakeExtremity(MDXSet::Top, MDXSet::ExtremityMeasure(3), L"1", nullptr),
                           false),
                        range("3", "ExtremityMeasure")},
                       {OP(TakeExtremity(MDXSet::Bottom, MDXSet::Sum, L"1", nullptr), false),
                        noTuple},
                       {OP(TakeExtremity(MDXSet::Top, MDXSet::Percent, L"1", nullptr), false),
                        noTuple},
                       {OP(TakeExtremity(MDXSet::Top, MDXSet::Count, L"1", hollow), false), empty},
                       {OP(TakeSubset(m, hollow), false), empty},
                       {OP(TakeRank(hollow), false), empty},
                       {OP(Filter(unknown.get(), nullptr), false), untranslatable},
                       {OP(TakeFilter(unknown.get(), m), false), untranslatable},
  };
  refusals<MDXSet>([&](const VelaString& t) { return newSet(t); }, setCases);
  refusals<MDXSet>([](const VelaString& t) { return new MDXSet(t); }, setCases);
  refusals<MDXValue>([&](const VelaString& t) { return newValue(t); },
                     {{OP(TakeMin(o, hollow), false), empty}, {OP(TakeMax(o, hollow), false), empty}});
}
