// Condition translation over arbitrary host trees: unknown kinds, wrong
// operand counts, deep nesting, any variant. Nothing may crash, and a set
// whose filter was refused keeps its text.
#include <cstdint>
#include <memory>

#include "mdxgen/mdxgen.h"
#include "memory_host.h"
#include "fuzz/fuzz_input.h"

namespace {

// Node kinds to draw from: every known kind, and a few unknown ones.
const int kKinds[] = {0,   1,   2,   3,   19,  37,  38,  39,  40,  41,  42,  52,  64,  71,
                      72,  86,  124, 140, 141, 142, 143, 145, 146, 147, 148, 149, 150, 151,
                      152, 153, 157, 158, 159, 160, 161, 162, 190, 193, 199, 206, 4,   -1, 500};

fake::Expression* build(fuzz::Input& in, int depth) {
  const std::uint8_t shape = in.byte();
  // A long chain of one-operand nodes, to reach deep trees from short
  // inputs: around the depth limit through kinds that write their operand
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
  tuple->unuse();
  member->unuse();
  return 0;
}
