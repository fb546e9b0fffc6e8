// Condition translation: every node kind as whole text, the hook and the
// walk's virtual calls, the FILTER operations, and hostile trees.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "tests/fake_host.h"

using namespace KIVA_o;
using fake::node;
using fake::str;

namespace {

// The deepest tree the translation accepts.
constexpr int kMaxDepth = 10000;

// A set whose hook or walk a test replaces. Hook answers the hook with
// "<kind>" for every node; Wrap puts "<" and ">" around the text of every
// node; Empty empties it, so that a deep tree costs only its frames.
class CustomSet : public MSOLAP8Set {
 public:
  enum Mode { Hook, Wrap, Empty };
  explicit CustomSet(Mode mode) : MSOLAP8Set(VelaString(L"S")), mode_(mode) {}

 protected:
  ~CustomSet() override = default;
  bool server_translate(VelaString& out, Expression* e, const MDXTuple*) override {
    if (mode_ != Hook) return false;
    out = VelaString(L"<" + std::to_wstring(e->getType()) + L">");
    return true;
  }
  void translate_condition(VelaString& out, Expression* e, const MDXTuple* tuple) override {
    MDXSet::translate_condition(out, e, tuple);
    if (mode_ == Wrap) out = VelaString(L"<" + out.wstr() + L">");
    if (mode_ == Empty) out.clear();
  }

 private:
  Mode mode_;
};

// A node without a constant whose only operand is itself: a tree that loops.
class Odd : public fake::Expression {
 public:
  explicit Odd(int kind) : Expression(kind), self_{this} {}
  const std::vector<KIVA_o::Expression*>& getChildren() const override { return self_; }
  const VARIANT* getValue() const override { return nullptr; }

 private:
  std::vector<KIVA_o::Expression*> self_;
};

fake::Expression* text(int kind, const wchar_t* s) { return new fake::Expression(kind, s); }

fake::Expression* variant(VARTYPE type, const std::function<void(VARIANT&)>& fill) {
  auto* e = new fake::Expression(ET_VALUE);
  e->value().vt = type;
  fill(e->value());
  return e;
}

// A tree of `depth` levels: the leaf, wrapped depth - 1 times.
fake::Expression* deep(int depth, const std::function<fake::Expression*(fake::Expression*)>& wrap) {
  fake::Expression* tree = str(L"A");
  for (int i = 1; i < depth; ++i) tree = wrap(tree);
  return tree;
}

class ConditionTest : public ::testing::Test {
 protected:
  ~ConditionTest() override { delete generator; }

  MDXTuple* tuple(std::initializer_list<const wchar_t*> members) {
    MDXTuple* t = generator->GenerateTuple();
    for (const wchar_t* m : members) {
      t->AddField(auto_unuse<MDXField>(generator->GenerateField(m)).get());
    }
    held.emplace_back(t);
    return t;
  }

  // The text of a set "S" filtered by the tree, which the call owns.
  std::string filter(fake::Expression* root, const MDXTuple* t = nullptr, MDXSet* s = nullptr) {
    const std::unique_ptr<fake::Expression> owned(root);
    auto_unuse<MDXSet> set(s ? s : generator->GenerateSet(VelaString(L"S")));
    return set->Filter(root, t)->getText().toUtf8();
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  std::vector<auto_unuse<MDXTuple>> held;
  MDXTuple* m = tuple({L"M"});
  MDXTuple* mn = tuple({L"M", L"N"});
};

}  // namespace

TEST_F(ConditionTest, NodeKinds) {
  const auto a = [] { return str(L"A"); };
  const auto b = [] { return str(L"B"); };
  const auto c = [] { return str(L"C"); };
  const struct {
    fake::Expression* tree;
    const MDXTuple* tuple;
    std::string text;
  } cases[] = {
      {node(ET_BETWEEN, {str(L"X"), str(L"1"), str(L"9")}), nullptr, "X >= 1 AND X <= 9"},
      {node(ET_OUTSIDE, {str(L"X"), str(L"1"), str(L"9")}), nullptr, "X < 1 OR X > 9"},
      {text(ET_NATIVE, L"[P] > 0"), nullptr, "[P] > 0"},
      {node(ET_CURRENTSET), nullptr, "S"},
      {node(ET_TUPLE_IS_NULL, {node(ET_CURRENT)}), m, "IsEmpty(M)"},
      {node(ET_TUPLE_IS_NULL, {node(ET_TUPLE, {str(L"M"), str(L"N")})}), m, "IsEmpty(( M, N ) )"},
      {node(ET_FILTER, {node(ET_CURRENTSET), node(ET_EQUALTO, {str(L"X"), str(L"1")})}), nullptr,
       "FILTER( S, X = 1 )"},
      {node(ET_FILTER, {a(), b(), c()}), nullptr, "FILTER( A, B, C )"},
      {node(ET_TOPSUM, {a(), b()}), nullptr, "TOPSUM( A, B )"},
      {node(ET_BOTTOMSUM, {a(), b(), c()}), nullptr, "BOTTOMSUM( A, B, C )"},
      {node(ET_TOPPERCENT, {a(), b()}), nullptr, "TOPPERCENT( A, B )"},
      {node(ET_BOTTOMPERCENT, {a(), b(), c()}), nullptr, "BOTTOMPERCENT( A, B, C )"},
      {node(ET_EXCEPT, {a(), b()}), nullptr, "EXCEPT( A, B )"},
      {node(ET_BOTTOMCOUNT, {a(), b(), c()}), nullptr, "BOTTOMCOUNT( A, B, C )"},
      {node(ET_TOPCOUNT, {a(), b(), c(), str(L"D")}), nullptr, "TOPCOUNT( A, B, C )"},
      {node(ET_CURRENT), mn, "( M, N ) "},
      {node(ET_TUPLE_VALUE, {a()}), nullptr, "A"},
      {node(ET_MEMBER_VALUE, {a()}), nullptr, "A"},
      {str(L"[a b]"), nullptr, "[a b]"},
      {text(ET_STRING_A, L"'x'"), nullptr, "'x'"},
      {text(ET_STRING_B, L"y"), nullptr, "y"},
      {node(ET_TUPLE, {a()}), nullptr, "( A ) "},
      {node(ET_TUPLE, {a(), b(), c()}), nullptr, "( A, B, C ) "},
      // The operands of a tuple share one string: a node that writes
      // nothing repeats the operand before it. Other operands start empty.
      {node(ET_TUPLE, {a(), node(ET_BOOLVAL)}), nullptr, "( A, A ) "},
      {node(ET_EQUALTO, {node(ET_BOOLVAL), a()}), nullptr, " = A"},
      {node(ET_BOOLVAL), nullptr, ""},
      {node(ET_UNDEFINED), nullptr, "1<2"},
      {fake::number(-0.125), nullptr, "-0.125"},
      {fake::number(1e20), nullptr, "1e+20"},
      {variant(VT_I4, [](VARIANT& v) { v.lVal = 42; }), nullptr, "42"},
      {variant(VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"2.5"); }), nullptr, "2.5"},
      {variant(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }), nullptr, "-1"},
      {node(ET_NOTEQUALTO, {a(), b()}), nullptr, "A <> B"},
      {node(ET_LESSTHAN, {a(), b()}), nullptr, "A < B"},
      {node(ET_LESSTHANOREQUALTO, {a(), b()}), nullptr, "A <= B"},
      {node(ET_GREATERTHAN, {a(), b()}), nullptr, "A > B"},
      {node(ET_GREATERTHANOREQUALTO, {a(), b()}), nullptr, "A >= B"},
      {node(ET_AND, {node(ET_PARENTHESIS_A, {node(ET_OR, {a(), b()})}), c()}), nullptr,
       "( A OR B ) AND C"},
      {node(ET_NOT, {a()}), nullptr, "NOT( A )"},
      {node(ET_NEGATE, {a()}), nullptr, "- ( A )"},
      {node(ET_NEGATE, {node(ET_TUPLE_VALUE, {a()})}), nullptr, "- A"},
      {node(ET_ADD, {node(ET_TUPLE_VALUE, {node(ET_TUPLE, {a(), b()})}), str(L"5")}), nullptr,
       "( A, B )  + ( 5 )"},
      {node(ET_SUBTRACT, {a(), node(ET_TUPLE_VALUE, {b()})}), nullptr, "( A ) - B"},
      {node(ET_TIMES, {a(), b()}), nullptr, "( A ) * ( B )"},
      {node(ET_DIVIDE, {a(), b()}), nullptr, "( A ) / ( B )"},
      {node(ET_INTDIVIDE, {a(), b()}), nullptr, "( A ) / ( B )"},
      {node(ET_PARENTHESIS_B, {a()}), nullptr, "( A )"},
  };
  for (const auto& k : cases) EXPECT_EQ(filter(k.tree, k.tuple), k.text);
}

TEST_F(ConditionTest, FilterOperations) {
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"V")));
  const std::unique_ptr<fake::Expression> equal(node(ET_EQUALTO, {str(L"X"), str(L"1")}));
  const std::unique_ptr<fake::Expression> current(node(ET_CURRENTSET));
  const std::pair<std::function<void(MDXSet*)>, std::string> cases[] = {
      {[&](MDXSet* s) { s->Filter(equal.get(), nullptr); }, "X = 1"},
      {[&](MDXSet* s) { s->TakeFilter(equal.get(), nullptr); }, "FILTER( S, X = 1)"},
      // The current set is the text from before the call.
      {[&](MDXSet* s) { s->TakeFilter(current.get(), nullptr); }, "FILTER( S, S)"},
      {[&](MDXSet* s) { s->TakeFilter(VelaString(L"c > 0")); }, "FILTER( S, c > 0)"},
      {[&](MDXSet* s) { s->TakeFilter(v.get()); }, "FILTER( S, V)"},
  };
  for (const auto& [op, text] : cases) {
    auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(L"S")));
    s->getQuotedText();
    op(s.get());
    EXPECT_EQ(s->getText().toUtf8(), text);
    EXPECT_EQ(s->getQuotedText().toUtf8(), text);
  }
}

TEST_F(ConditionTest, HookTakesOverMarkedKinds) {
  // Marked kinds are written by the hook: operands unvisited and unchecked.
  for (int kind : {ET_BETWEEN, ET_OUTSIDE, ET_CURRENTSET, ET_TUPLE_IS_NULL, ET_FILTER, ET_TOPSUM,
                   ET_BOTTOMSUM, ET_TOPPERCENT, ET_BOTTOMPERCENT, ET_CURRENT, ET_EXCEPT,
                   ET_BOTTOMCOUNT, ET_TOPCOUNT, ET_STRING, ET_TUPLE, ET_VALUE, ET_AND, ET_OR,
                   ET_NOT, ET_ADD, ET_SUBTRACT, ET_TIMES, ET_DIVIDE, ET_INTDIVIDE, ET_STRING_A,
                   ET_STRING_B}) {
    EXPECT_EQ(filter(node(kind), nullptr, new CustomSet(CustomSet::Hook)),
              "<" + std::to_string(kind) + ">");
  }
  // The others are translated as always, asking the hook for their operands.
  const auto s = [] { return str(L"s"); };
  for (int kind : {ET_NATIVE, ET_TUPLE_VALUE, ET_MEMBER_VALUE, ET_UNDEFINED, ET_BOOLVAL,
                   ET_EQUALTO, ET_NOTEQUALTO, ET_LESSTHAN, ET_LESSTHANOREQUALTO, ET_GREATERTHAN,
                   ET_GREATERTHANOREQUALTO, ET_NEGATE, ET_PARENTHESIS_A, ET_PARENTHESIS_B}) {
    EXPECT_NE(filter(node(kind, {s(), s()}), nullptr, new CustomSet(CustomSet::Hook)),
              "<" + std::to_string(kind) + ">");
  }
  EXPECT_EQ(filter(node(ET_NEGATE, {s()}), nullptr, new CustomSet(CustomSet::Hook)), "- ( <124> )");
  EXPECT_EQ(filter(node(ET_TUPLE_VALUE, {s()}), nullptr, new CustomSet(CustomSet::Hook)), "<124>");
  // An override of the walk itself is called for every operand.
  EXPECT_EQ(filter(node(ET_EQUALTO, {str(L"a"), node(ET_NOT, {str(L"b")})}), nullptr,
                   new CustomSet(CustomSet::Wrap)),
            "<<a> = <NOT( <b> )>>");
}

TEST_F(ConditionTest, HostileTreesKeepTheText) {
  const auto a = [] { return str(L"A"); };
  const auto bad = MDXError::kUntranslatableNode;
  const auto link = [](int kind) {
    return [kind](fake::Expression* e) { return node(kind, {e}); };
  };
  const struct {
    fake::Expression* tree;
    const MDXTuple* tuple;
    unsigned long code;
    std::vector<std::string> inserts;
  } cases[] = {
      // Kinds outside the table, at the root or deep down.
      {node(4), nullptr, bad, {"4"}},
      {node(-5), nullptr, bad, {"-5"}},
      {node(207), nullptr, bad, {"207"}},
      {node(ET_AND, {a(), node(ET_NOT, {node(144)})}), nullptr, bad, {"144"}},
      // An emptiness test of something that is not a tuple.
      {node(ET_TUPLE_IS_NULL, {a()}), nullptr, bad, {"124"}},
      {node(ET_TUPLE_IS_NULL, {node(ET_TUPLE_VALUE, {node(ET_CURRENT)})}), m, bad, {"52"}},
      // Fewer operands than the kind reads.
      {node(ET_BETWEEN, {a(), a()}), nullptr, bad, {"0"}},
      {node(ET_FILTER, {a()}), nullptr, bad, {"37"}},
      {node(ET_TUPLE), nullptr, bad, {"140"}},
      {node(ET_EQUALTO, {a()}), nullptr, bad, {"145"}},
      {node(ET_NOT), nullptr, bad, {"153"}},
      {node(ET_TUPLE_VALUE), nullptr, bad, {"52"}},
      {node(ET_NEGATE), nullptr, bad, {"157"}},
      {node(ET_TUPLE_IS_NULL), nullptr, bad, {"19"}},
      {node(ET_ADD, {a()}), nullptr, bad, {"158"}},
      {node(ET_PARENTHESIS_B), nullptr, bad, {"206"}},
      // Missing nodes.
      {nullptr, nullptr, bad, {"-1"}},
      {node(ET_EQUALTO, {a(), nullptr}), nullptr, bad, {"-1"}},
      {node(ET_TUPLE_IS_NULL, {nullptr}), nullptr, bad, {"-1"}},
      {node(ET_ADD, {nullptr, a()}), nullptr, bad, {"-1"}},
      // Constants that are not numbers.
      {variant(VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"abc"); }), nullptr, bad,
       {"142"}},
      {variant(VT_EMPTY, [](VARIANT&) {}), nullptr, bad, {"142"}},
      {node(ET_NOT, {new Odd(ET_VALUE)}), nullptr, bad, {"142"}},
      // The current member without a tuple, and with an empty one.
      {node(ET_CURRENT), nullptr, bad, {"42"}},
      {node(ET_TUPLE_IS_NULL, {node(ET_CURRENT)}), tuple({}), MDXError::kEmptyTuple, {}},
      // One level too deep (the level past the limit is the leaf), and a
      // tree that loops.
      {deep(kMaxDepth + 1, link(ET_TUPLE_VALUE)), nullptr, bad, {"124"}},
      {deep(kMaxDepth + 1, link(ET_NOT)), nullptr, bad, {"124"}},
      {new Odd(ET_TUPLE_VALUE), nullptr, bad, {"52"}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::unique_ptr<fake::Expression> owned(cases[i].tree);
    for (int take = 0; take < 2; ++take) {
      auto_unuse<MDXSet> s(generator->GenerateSet(VelaString(L"S's")));
      s->getQuotedText();
      try {
        const auto& c = cases[i];
        take ? s->TakeFilter(c.tree, c.tuple) : s->Filter(c.tree, c.tuple);
        ADD_FAILURE() << "case " << i << ": no error";
      } catch (const MDXError& e) {
        std::vector<std::string> inserts;
        for (const auto& insert : e.getInserts()) inserts.push_back(insert.toUtf8());
        EXPECT_EQ(e.getErrorCode(), cases[i].code) << "case " << i;
        EXPECT_EQ(inserts, cases[i].inserts) << "case " << i;
      }
      EXPECT_EQ(s->getText().toUtf8(), "S's") << "case " << i;
      EXPECT_EQ(s->getQuotedText().toUtf8(), "S''s") << "case " << i;
    }
  }
  // The count of levels unwound with each refusal: the deepest trees allowed
  // still translate, including those whose every level holds operand texts.
  EXPECT_EQ(filter(deep(kMaxDepth, link(ET_TUPLE_VALUE))), "A");
  const auto b = [] { return str(L"B"); };
  for (const auto& wrap : std::vector<std::function<fake::Expression*(fake::Expression*)>>{
           [&](fake::Expression* e) { return node(ET_BETWEEN, {b(), b(), e}); },
           [&](fake::Expression* e) { return node(ET_TUPLE, {b(), e}); }, link(ET_NEGATE)}) {
    EXPECT_EQ(filter(deep(kMaxDepth, wrap), nullptr, new CustomSet(CustomSet::Empty)), "");
  }
}
