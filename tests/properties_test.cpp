// Properties that hold across every fragment operation of the text
// reference's rows: the text stays balanced, the fragments passed in keep
// their texts and give back every reference they lent, a wrapper keeps the
// earlier text inside it, and a refused call leaves its object and the
// arguments as they were.
#include <map>

#include "tests/text_cases.h"
#include "tools/reference/rows.h"

using namespace KIVA_o;

namespace {

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
    for (const auto& held : r.held) {
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

  // Runs each row on its own start text and, for a wrapper, on "[T's]".
  template <class Fragment, class Make>
  void sweep(Make make, const std::vector<reference::Row<Fragment>>& rows) {
    for (const auto& row : rows) {
      const auto before = arguments();
      Fragment* x = make(VelaString(row.start));
      const std::string start = x->getQuotedText().toUtf8();
      if (refusal([&] { row.op(x); }).first != 0) {
        EXPECT_EQ(x->getQuotedText().toUtf8(), start) << row.call;
      } else {
        const std::string text = x->getText().toUtf8();
        EXPECT_TRUE(balanced(text) || !balanced(start)) << row.call << ": " << text;
      }
      EXPECT_EQ(x->unuse(), 0) << row.call;
      EXPECT_EQ(arguments(), before) << row.call;
      if (!row.wraps) continue;
      x = make(VelaString(L"[T's]"));
      row.op(x);
      EXPECT_NE(x->getText().toUtf8().find("[T's]"), std::string::npos) << row.call;
      EXPECT_NE(x->getText().toUtf8(), "[T's]") << row.call;
      x->unuse();
    }
  }

  // Each call refuses with its code and inserts; the receiver keeps its text
  // and quoted copy, and the arguments their texts and counts.
  template <class Fragment, class Make>
  void refusals(Make make,
                const std::vector<std::pair<std::function<void(Fragment*)>, Refusal>>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      Fragment* x = make(VelaString(L"[T's]"));
      x->getQuotedText();
      const auto before = arguments();
      EXPECT_EQ(refusal([&] { cases[i].first(x); }), cases[i].second) << "case " << i;
      EXPECT_EQ(x->getText().toUtf8(), "[T's]") << "case " << i;
      EXPECT_EQ(x->getQuotedText().toUtf8(), "[T''s]") << "case " << i;
      EXPECT_EQ(arguments(), before) << "case " << i;
      EXPECT_EQ(x->unuse(), 0) << "case " << i;
    }
  }

  MDXField* newField(const VelaString& t) { return generator->GenerateField(t); }
  MDXSet* newSet(const VelaString& t) { return generator->GenerateSet(t); }
  MDXValue* newValue(const VelaString& t) { return generator->GenerateValue(t); }

  reference::Fixture r{generator};
  MDXTuple* hollow = r.hold(generator->GenerateTuple());
};

}  // namespace

TEST_F(PropertiesTest, EveryOperation) {
  sweep<MDXField>([&](const VelaString& t) { return newField(t); }, reference::fieldRows(r));
  sweep<MDXSet>([&](const VelaString& t) { return newSet(t); }, reference::setRows(r));
  sweep<MDXValue>([&](const VelaString& t) { return newValue(t); }, reference::valueRows(r));
  for (const auto& c : reference::conditionRows(r)) {
    const auto before = arguments();
    const std::unique_ptr<fake::Expression> tree(c.make());
    auto_unuse<MDXSet> x(newSet(VelaString(L"S")));
    const std::string text = x->Filter(tree.get(), c.tuple)->getText().toUtf8();
    EXPECT_TRUE(balanced(text)) << c.tree << ": " << text;
    x.reset();
    EXPECT_EQ(arguments(), before) << c.tree;
  }
}

// Each refusal with its code and inserts: the direction before the tuple;
// the type before the measure, the measure before the tuple. On the
// server's sets and on plain ones.
TEST_F(PropertiesTest, RefusalsChangeNothing) {
  std::unique_ptr<fake::Expression> unknown(fake::node(4));
  const auto range = [](const char* value, const char* what) {
    return Refusal(MDXError::kValueOutOfRange, {value, what});
  };
  const Refusal empty(MDXError::kEmptyTuple, {}), noTuple(MDXError::kExtremityWithoutTuple, {});
  const Refusal untranslatable(MDXError::kUntranslatableNode, {"4"});
  const auto extremity = [&](int type, int measure, const MDXTuple* t) {
    return [=](MDXSet* x) {
      x->TakeExtremity(MDXSet::ExtremityType(type), MDXSet::ExtremityMeasure(measure), L"1", t);
    };
  };
  const std::vector<std::pair<std::function<void(MDXSet*)>, Refusal>> setCases = {
      {[&](MDXSet* x) { x->Order(4, hollow); }, range("4", "Sort::direction")},
      {[&](MDXSet* x) { x->Order(-1, r.v); }, range("-1", "Sort::direction")},
      {[&](MDXSet* x) { x->Order(0, hollow); }, empty},
      {extremity(5, 9, hollow), range("5", "ExtremityType")},
      {extremity(0, 3, nullptr), range("3", "ExtremityMeasure")},
      {extremity(1, 0, nullptr), noTuple},
      {extremity(0, 2, nullptr), noTuple},
      {extremity(0, 1, hollow), empty},
      {[&](MDXSet* x) { x->TakeSubset(r.a, hollow); }, empty},
      {[&](MDXSet* x) { x->TakeRank(hollow); }, empty},
      {[&](MDXSet* x) { x->Filter(unknown.get(), nullptr); }, untranslatable},
      {[&](MDXSet* x) { x->TakeFilter(unknown.get(), r.a); }, untranslatable},
  };
  refusals<MDXSet>([&](const VelaString& t) { return newSet(t); }, setCases);
  refusals<MDXSet>([](const VelaString& t) { return new MDXSet(t); }, setCases);
  refusals<MDXValue>([&](const VelaString& t) { return newValue(t); },
                     {{[&](MDXValue* x) { x->TakeMin(r.s, hollow); }, empty},
                      {[&](MDXValue* x) { x->TakeMax(r.s, hollow); }, empty}});
}
