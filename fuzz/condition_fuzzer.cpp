// Condition translation over arbitrary host trees: unknown kinds, wrong
// operand counts, deep nesting, any variant. Nothing may crash, a set whose
// filter was refused keeps its text, and the walk gives the same text or the
// same refusal as the recursive translation kept in condition_oracle.h, and
// asks a host's hook about the same nodes in the same order.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/condition_oracle.h"
#include "fuzz/fuzz_input.h"
#include "mdxgen/mdxgen.h"
#include "memory_host.h"

namespace {

// Node kinds to draw from: every known kind, and a few unknown ones.
const int kKinds[] = {0,   1,   2,   3,   19,  37,  38,  39,  40,  41,  42,  52,  64,  71,
                      72,  86,  124, 140, 141, 142, 143, 145, 146, 147, 148, 149, 150, 151,
                      152, 153, 157, 158, 159, 160, 161, 162, 190, 193, 199, 206, 4,   -1, 500};

fake::Expression* build(fuzz::Input& in, int depth) {
  const std::uint8_t shape = in.byte();
  // A long chain of one-operand nodes, to reach deep trees from short
  // inputs: around the recursion's limit through kinds that write their operand
  // straight through (cheap), shorter chains through wrapping kinds (whose
  // text grows with every level).
  if (shape == 0xF0 && depth == 0) {
    static const int kDeep[] = {100, 9999, 10000, 10001, 30000};
    static const int kWrapped[] = {100, 2000};
    const bool wrapping = in.flag();
    const int length = wrapping ? kWrapped[in.below(2)] : kDeep[in.below(5)];
    const int kind = wrapping ? (in.flag() ? KIVA_o::ET_NOT : KIVA_o::ET_PARENTHESIS_A)
                              : KIVA_o::ET_TUPLE_VALUE;
    fake::Expression* root = fake::str(L"X");
    for (int i = 0; i < length; ++i) root = fake::node(kind, {root});
    return root;
  }
  auto* e = new fake::Expression(kKinds[shape % std::size(kKinds)], in.text());
  switch (in.below(6)) {
    case 0: e->value().vt = VT_R8; e->value().dblVal = in.number() / 4.0; break;
    case 1: e->value().vt = VT_I4; e->value().lVal = in.number(); break;
    case 2: e->value().vt = VT_BSTR; e->value().bstrVal = SysAllocString(in.text().c_str()); break;
    case 3: e->value().vt = VT_BOOL; e->value().boolVal = in.flag() ? VARIANT_TRUE : VARIANT_FALSE; break;
    case 4: e->value().vt = static_cast<VARTYPE>(in.byte()); e->value().dblVal = 0; break;
    default: break;
  }
  const int children = depth > 12 ? 0 : in.below(5);
  for (int i = 0; i < children && !in.done(); ++i) e->add(build(in, depth + 1));
  return e;
}

// What a translation gives: its text, or the refusal's code and inserts;
// nothing when the recursive translation cannot take the tree.
template <class Translate>
std::optional<std::wstring> outcome(Translate translate) {
  try {
    return translate();
  } catch (const MDXError& e) {
    std::wstring refusal = L"refused " + std::to_wstring(e.getErrorCode());
    for (const VelaString& insert : e.getInserts()) refusal += L" " + insert.wstr();
    return refusal;
  } catch (const oracle::TooDeep&) {
    return std::nullopt;
  }
}

// A host's set whose hook answers some kinds, adding to what its string
// held, and may translate a node's first operand again from within.
class HookedSet : public MSOLAP8Set {
 public:
  HookedSet(const VelaString& text, int every, bool reenter)
      : MSOLAP8Set(text), every_(every), reenter_(reenter) {}

  // The text of the tree by the library's walk (oracle false) or by the
  // recursive one, or the refusal's code and inserts; nothing when the
  // recursion cannot take the tree.
  std::optional<std::wstring> run(KIVA_o::Expression* root, const MDXTuple* tuple, bool oracle) {
    oracle_ = oracle;
    asked.clear();
    return outcome([&] {
      VelaString out(L"prior");
      translate(out, root, tuple);
      return out.wstr();
    });
  }

  std::vector<const void*> asked;

 protected:
  bool server_translate(VelaString& out, KIVA_o::Expression* e, const MDXTuple* tuple) override {
    asked.push_back(e);
    const int kind = e->getType();
    if (every_ == 0 || kind % every_ != 0) return false;
    // A few levels of hooks within hooks: deeper, the fuzzer's own hook
    // would recur on the stack.
    if (reenter_ && reentered_ < 8 && !e->getChildren().empty()) {
      VelaString inner;
      ++reentered_;
      try {
        translate(inner, e->getChildren()[0], tuple);
      } catch (...) {
        --reentered_;
        throw;
      }
      --reentered_;
      out += L"<" + inner.wstr() + L">";
    }
    out += L"{" + std::to_wstring(kind) + L"}";
    return true;
  }

 private:
  void translate(VelaString& out, KIVA_o::Expression* root, const MDXTuple* tuple) {
    if (!oracle_) return translate_condition(out, root, tuple);
    const oracle::Host host{
        [this, tuple](VelaString& o, KIVA_o::Expression* n) { return server_translate(o, n, tuple); },
        [this]() -> const VelaString& { return text(); }};
    oracle::translate(out, root, tuple, host);
  }

  int every_;
  bool reenter_;
  bool oracle_ = false;
  int reentered_ = 0;
};

// The text a set filtered by the tree takes, or its refusal.
std::optional<std::wstring> filtered(MDXSet* set, KIVA_o::Expression* root, const MDXTuple* tuple) {
  return outcome([&] {
    set->Filter(root, tuple);
    return set->getText().wstr();
  });
}

std::optional<std::wstring> recursive(const VelaString& setText, KIVA_o::Expression* root,
                                      const MDXTuple* tuple) {
  const oracle::Host host{[](VelaString&, KIVA_o::Expression*) { return false; },
                          [&setText]() -> const VelaString& { return setText; }};
  return outcome([&] {
    VelaString out;
    oracle::translate(out, root, tuple, host);
    return out.wstr();
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  std::unique_ptr<fake::Expression> root(build(in, 0));
  MDXField* member = new MDXField(VelaString(L"[Store].[Joe's]"));
  MDXTuple* tuple = new MDXTuple();
  const int members = in.below(3);
  for (int i = 0; i < members; ++i) tuple->AddField(member);
  MDXSet* set = new MSOLAP8Set(in.text());
  const MDXTuple* given = in.flag() ? tuple : nullptr;
  for (int op = 0; op < 2; ++op) {
    const VelaString before = set->getText();
    try {
      if (op == 0) {
        set->TakeFilter(root.get(), given);
      } else {
        set->Filter(root.get(), given);
      }
    } catch (const MDXError& e) {
      fuzz::require(set->getText() == before, "refused filter changed the set");
      fuzz::require(e.getErrorCode() == MDXError::kUntranslatableNode ||
                        e.getErrorCode() == MDXError::kEmptyTuple,
                    "unexpected error code");
    }
  }
  set->unuse();

  // The library's walk against the recursion: on the library's own set, and
  // on a host's set with a hook.
  const VelaString setText = in.text();
  MDXSet* own = new MSOLAP8Set(setText);
  const auto expected = recursive(setText, root.get(), given);
  const auto actual = filtered(own, root.get(), given);
  fuzz::require(!expected || expected == actual, "walk and recursion differ");
  own->unuse();
  auto* hooked = new HookedSet(setText, in.below(8), in.flag());
  const auto hookedActual = hooked->run(root.get(), given, false);
  const std::vector<const void*> walkAsked = hooked->asked;
  const auto hookedExpected = hooked->run(root.get(), given, true);
  fuzz::require(!hookedExpected || (hookedExpected == hookedActual && walkAsked == hooked->asked),
                "walk and recursion differ on a hooked set");
  hooked->unuse();
  tuple->unuse();
  member->unuse();
  return 0;
}
