// Condition translation: the hook and the walk's virtual calls, the FILTER
// operations, and hostile trees. The text of every node kind is in the table
// of operations (tools/reference/rows.h).
#include <pthread.h>

#include <functional>
#include <memory>

#include "memory_host.h"
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

fake::Expression* a() { return str(L"A"); }
fake::Expression* b() { return str(L"B"); }

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
