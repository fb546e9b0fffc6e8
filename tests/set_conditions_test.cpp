// Condition translation: every node kind as whole text, the hook and the
// walk's virtual calls, the FILTER operations, and hostile trees.
#include <pthread.h>

#include <functional>
#include <memory>

#include "tests/fake_host.h"
#include "tests/text_cases.h"

using namespace KIVA_o;
using fake::node;
using fake::str;

namespace {

// A set whose hook or walk a test replaces. Hook answers the hook with
// "<kind>" for every node; Wrap puts "<" and ">" around the text of every
// node; Empty empties it.
class CustomSet : public MSOLAP8Set {
 public:
  enum Mode { Hook, Wrap, Empty };
  explicit CustomSet(Mode mode) : MSOLAP8Set(VelaString(L"S")), mode_(mode) {}

 protected:
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

// A host's set that only answers the hook, for the strings.
class HookedSet : public MSOLAP8Set {
 public:
  HookedSet() : MSOLAP8Set(VelaString(L"S")) {}

 protected:
  bool server_translate(VelaString& out, Expression* e, const MDXTuple*) override {
    if (e->getType() != ET_STRING) return false;
    out = L"a";
    return true;
  }
};

// A node without a constant whose only operand is itself: a tree that loops.
struct Odd : fake::Expression {
  explicit Odd(int kind) : Expression(kind), self{this} {}
  const std::vector<KIVA_o::Expression*>& getChildren() const override { return self; }
  const VARIANT* getValue() const override { return nullptr; }
  std::vector<KIVA_o::Expression*> self;
};

fake::Expression* text(int kind, const wchar_t* s) { return new fake::Expression(kind, s); }
fake::Expression* a() { return str(L"A"); }
fake::Expression* b() { return str(L"B"); }
fake::Expression* c() { return str(L"C"); }

// A tree of `depth` levels: the leaf, wrapped depth - 1 times.
using Wrap = std::function<fake::Expression*(fake::Expression*)>;
fake::Expression* deep(int depth, const Wrap& wrap) {
  fake::Expression* tree = a();
  for (int i = 1; i < depth; ++i) tree = wrap(tree);
  return tree;
}
Wrap link(int kind) {
  return [kind](fake::Expression* e) { return node(kind, {e}); };
}

class ConditionTest : public GeneratorTest {
 protected:
  // The text of a set "S" (or s) filtered by the tree, which the call owns.
  std::string filter(fake::Expression* root, const MDXTuple* t = nullptr, MDXSet* s = nullptr) {
    const std::unique_ptr<fake::Expression> owned(root);
    MDXSet* filtered = hold(s ? s : generator->GenerateSet(VelaString(L"S")));
    return filtered->Filter(root, t)->getText().toUtf8();
  }

  MDXTuple* m = tuple({L"M"});
  MDXTuple* mn = tuple({L"M", L"N"});
};

}  // namespace

TEST_F(ConditionTest, NodeKinds) {
  const struct {
    fake::Expression* tree;
    std::string text;
    const MDXTuple* tuple = nullptr;
  } cases[] = {
      {node(ET_BETWEEN, {str(L"X"), str(L"1"), str(L"9")}), "X >= 1 AND X <= 9"},
      {node(ET_OUTSIDE, {str(L"X"), str(L"1"), str(L"9")}), "X < 1 OR X > 9"},
      {text(ET_NATIVE, L"[P] > 0"), "[P] > 0"},
      {node(ET_TUPLE_IS_NULL, {node(ET_CURRENT)}), "IsEmpty(M)", m},
      {node(ET_TUPLE_IS_NULL, {node(ET_TUPLE, {str(L"M"), str(L"N")})}), "IsEmpty(( M, N ) )", m},
      {node(ET_FILTER, {node(ET_CURRENTSET), node(ET_EQUALTO, {str(L"X"), str(L"1")})}),
       "FILTER( S, X = 1 )"},
      {node(ET_FILTER, {a(), b(), c()}), "FILTER( A, B, C )"},
      {node(ET_TOPSUM, {a(), b()}), "TOPSUM( A, B )"},
      {node(ET_BOTTOMSUM, {a(), b(), c()}), "BOTTOMSUM( A, B, C )"},
      {node(ET_TOPPERCENT, {a(), b()}), "TOPPERCENT( A, B )"},
      {node(ET_BOTTOMPERCENT, {a(), b(), c()}), "BOTTOMPERCENT( A, B, C )"},
      {node(ET_EXCEPT, {a(), b()}), "EXCEPT( A, B )"},
      {node(ET_BOTTOMCOUNT, {a(), b(), c()}), "BOTTOMCOUNT( A, B, C )"},
      {node(ET_TOPCOUNT, {a(), b(), c(), str(L"D")}), "TOPCOUNT( A, B, C )"},
      {node(ET_CURRENT), "( M, N ) ", mn},
      {node(ET_TUPLE_VALUE, {a()}), "A"},
      {node(ET_MEMBER_VALUE, {a()}), "A"},
      {text(ET_STRING_A, L"'x'"), "'x'"},
      {text(ET_STRING_B, L"y"), "y"},
      {node(ET_TUPLE, {a()}), "( A ) "},
      {node(ET_TUPLE, {a(), b(), c()}), "( A, B, C ) "},
      // The operands of a tuple share one string: a node that writes
      // nothing repeats the operand before it. Other operands start empty.
      {node(ET_TUPLE, {a(), node(ET_BOOLVAL)}), "( A, A ) "},
      {node(ET_EQUALTO, {node(ET_BOOLVAL), a()}), " = A"},
      {node(ET_BOOLVAL), ""},
      {node(ET_UNDEFINED), "1<2"},
      {fake::number(-1.0 / 3), "-0.3333333333333333"},
      {node(ET_NOTEQUALTO, {a(), b()}), "A <> B"},
      {node(ET_LESSTHAN, {a(), b()}), "A < B"},
      {node(ET_LESSTHANOREQUALTO, {a(), b()}), "A <= B"},
      {node(ET_GREATERTHAN, {a(), b()}), "A > B"},
      {node(ET_GREATERTHANOREQUALTO, {a(), b()}), "A >= B"},
      {node(ET_AND, {node(ET_PARENTHESIS_A, {node(ET_OR, {a(), b()})}), c()}), "( A OR B ) AND C"},
      {node(ET_NOT, {a()}), "NOT( A )"},
      {node(ET_NEGATE, {a()}), "- ( A )"},
      {node(ET_NEGATE, {node(ET_TUPLE_VALUE, {a()})}), "- A"},
      {node(ET_ADD, {node(ET_TUPLE_VALUE, {node(ET_TUPLE, {a(), b()})}), str(L"5")}),
       "( A, B )  + ( 5 )"},
      {node(ET_SUBTRACT, {a(), node(ET_TUPLE_VALUE, {b()})}), "( A ) - B"},
      {node(ET_TIMES, {a(), b()}), "( A ) * ( B )"},
      {node(ET_DIVIDE, {a(), b()}), "( A ) / ( B )"},
      {node(ET_INTDIVIDE, {a(), b()}), "( A ) / ( B )"},
      {node(ET_PARENTHESIS_B, {a()}), "( A )"},
  };
  for (const auto& k : cases) EXPECT_EQ(filter(k.tree, k.tuple), k.text);
}

TEST_F(ConditionTest, FilterOperations) {
  const std::unique_ptr<fake::Expression> equal(node(ET_EQUALTO, {str(L"X"), str(L"1")}));
  const std::unique_ptr<fake::Expression> current(node(ET_CURRENTSET));
  expectSetTexts({
      ROW(Filter(equal.get(), nullptr), "X = 1"),
      ROW(TakeFilter(equal.get(), nullptr), "FILTER( T, X = 1)"),
      // The current set is the text from before the call.
      ROW(TakeFilter(current.get(), nullptr), "FILTER( T's, T's)", L"T's"),
      ROW(TakeFilter(VelaString(L"c > 0")), "FILTER( T, c > 0)"),
      ROW(TakeFilter(value(L"V's")), "FILTER( T, V's)"),
  });
}

TEST_F(ConditionTest, HookTakesOverMarkedKinds) {
  // A marked kind is written by the hook, operands unvisited and unchecked;
  // another is translated as always, asking the hook for its operands.
  for (int kind : {ET_BETWEEN, ET_STRING, ET_AND}) {
    EXPECT_EQ(filter(node(kind), nullptr, new CustomSet(CustomSet::Hook)),
              "<" + std::to_string(kind) + ">");
  }
  EXPECT_EQ(filter(node(ET_EQUALTO, {a(), a()}), nullptr, new CustomSet(CustomSet::Hook)),
            "<124> = <124>");
  EXPECT_EQ(filter(node(ET_NEGATE, {a()}), nullptr, new CustomSet(CustomSet::Hook)), "- ( <124> )");
  // An override of the walk itself is called for every operand.
  EXPECT_EQ(filter(node(ET_EQUALTO, {a(), node(ET_NOT, {b()})}), nullptr,
                   new CustomSet(CustomSet::Wrap)),
            "<<A> = <NOT( <B> )>>");
}

TEST_F(ConditionTest, HostileTreesKeepTheText) {
  const auto bad = [](int kind) {
    return Refusal(MDXError::kUntranslatableNode, {std::to_string(kind)});
  };
  auto* words = new fake::Expression(ET_VALUE);
  words->value().vt = VT_BSTR;
  words->value().bstrVal = SysAllocString(L"abc");
  const struct {
    fake::Expression* tree;
    const MDXTuple* tuple;
    Refusal refusal;
  } cases[] = {
      // Kinds outside the table, at the root or deep down.
      {node(4), nullptr, bad(4)},
      {node(-5), nullptr, bad(-5)},
      {node(207), nullptr, bad(207)},
      {node(ET_AND, {a(), node(ET_NOT, {node(144)})}), nullptr, bad(144)},
      // An emptiness test of something that is not a tuple.
      {node(ET_TUPLE_IS_NULL, {a()}), nullptr, bad(ET_STRING)},
      // Fewer operands than the kind reads.
      {node(ET_BETWEEN, {a(), a()}), nullptr, bad(ET_BETWEEN)},
      {node(ET_TUPLE), nullptr, bad(ET_TUPLE)},
      {node(ET_NEGATE), nullptr, bad(ET_NEGATE)},
      // Missing nodes.
      {nullptr, nullptr, bad(-1)},
      {node(ET_TUPLE_IS_NULL, {nullptr}), nullptr, bad(-1)},
      // Constants that are not numbers.
      {words, nullptr, bad(ET_VALUE)},
      {node(ET_NOT, {new Odd(ET_VALUE)}), nullptr, bad(ET_VALUE)},
      // The current member without a tuple, and with an empty one.
      {node(ET_CURRENT), nullptr, bad(ET_CURRENT)},
      {node(ET_TUPLE_IS_NULL, {node(ET_CURRENT)}), tuple({}), {MDXError::kEmptyTuple, {}}},
      // A tree that loops, straight through and under other nodes.
      {new Odd(ET_TUPLE_VALUE), nullptr, bad(ET_TUPLE_VALUE)},
      {node(ET_AND, {a(), new Odd(ET_NOT)}), nullptr, bad(ET_NOT)},
  };
  for (const auto& k : cases) {
    const std::unique_ptr<fake::Expression> owned(k.tree);
    for (bool take : {false, true}) {
      MDXSet* s = set(L"S's");
      s->getQuotedText();
      const auto translate = [&] {
        take ? s->TakeFilter(k.tree, k.tuple) : s->Filter(k.tree, k.tuple);
      };
      EXPECT_EQ(refusal(translate), k.refusal);
      EXPECT_EQ(s->getText().toUtf8(), "S's");
      EXPECT_EQ(s->getQuotedText().toUtf8(), "S''s");
    }
  }
}

// Runs f on a thread with a stack of 256 KiB.
void onSmallStack(const std::function<void()>& f) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  pthread_t thread;
  auto run = [](void* f) -> void* {
    (*static_cast<const std::function<void()>*>(f))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&f)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST_F(ConditionTest, AnyDepthOnASmallStack) {
  // Expected texts: a prefix repeated, the leaf, a suffix repeated.
  const auto repeated = [](int n, const std::string& head, const std::string& leaf,
                           const std::string& tail) {
    std::string text;
    for (int i = 0; i < n; ++i) text += head;
    text += leaf;
    for (int i = 0; i < n; ++i) text += tail;
    return text;
  };
  std::string nots, hooked, ands, adds;
  onSmallStack([&] {
    nots = filter(deep(200001, link(ET_NOT)));
    hooked = filter(deep(200001, link(ET_NOT)), nullptr, new HookedSet);
    ands = filter(deep(100001, [](fake::Expression* e) { return node(ET_AND, {e, b()}); }));
    adds = filter(deep(50001, [](fake::Expression* e) { return node(ET_ADD, {e, b()}); }));
  });
  EXPECT_EQ(nots, repeated(200000, "NOT( ", "A", " )"));
  EXPECT_EQ(hooked, repeated(200000, "NOT( ", "a", " )"));
  EXPECT_EQ(ands, repeated(100000, "", "A", " AND B"));
  EXPECT_EQ(adds, repeated(50000, "( ", "A", " ) + ( B )"));
}
