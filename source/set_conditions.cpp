// Condition translation: the host's expression trees as MDX conditions, and
// the FILTER operations of the set built on them.
#include <cstddef>
#include <vector>

#include "mdxgen/error.h"
#include "mdxgen/set.h"
#include "mdxgen/support/kiva.h"
#include "mdxgen/support/oleauto.h"
#include "mdxgen/support/string_converters.h"
#include "mdxgen/tuple.h"
#include "mdxgen/value.h"
#include "source/text/compose.h"

using mdxgen_detail::concat;

namespace {

using Node = KIVA_o::Expression;
using Operands = std::vector<KIVA_o::Expression*>;

// The insert reported for a missing node: no node kind is negative.
constexpr int kNoNode = -1;

// The deepest tree translated. The walk recurses once per level, so a
// deeper tree (or a host tree that loops back on itself) is refused before
// it can exhaust the stack.
constexpr int kMaxDepth = 10000;

// Levels of translation running on this thread, across the virtual calls.
thread_local int translationDepth = 0;

[[noreturn]] void throwUntranslatable(int kind) {
  MDXError error(MDXError::kUntranslatableNode);
  error.addNumericInsert(kind);
  throw error;
}

// Counts one level of the walk while it runs; refuses the level past the
// deepest allowed, reporting the kind of the node found there.
class DepthGuard {
 public:
  explicit DepthGuard(const Node* node) {
    if (translationDepth >= kMaxDepth) throwUntranslatable(node ? node->getType() : kNoNode);
    ++translationDepth;
  }
  ~DepthGuard() { --translationDepth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

// How a kind is written; the pieces of its row fill in the shape.
enum class Shape {
  Range,       // X0 + a + X1 + b + X0 + c + X2
  Verbatim,    // the node's string
  CurrentSet,  // the set's own text
  IsEmpty,     // "IsEmpty(" + X0 + ")", operand a tuple or the current tuple
  Function,    // a + "( " + X0 + ", " + X1 [+ ", " + X2] + " )"
  Current,     // the text of the tuple passed in
  Through,     // X0, written straight into the caller's string
  Tuple,       // "( " + X0 + ", " + X1 ... + " ) "
  Fixed,       // a
  Number,      // the node's constant in decimal
  Nothing,     // the caller's string is left as it was
  Infix,       // X0 + a + X1
  Prefix,      // a + X0 + b
  Negate,      // "- " + X0'
  Arithmetic,  // X0' + a + X1'
};

struct Row {
  int kind;
  Shape shape;
  bool hook;             // server_translate is asked first
  std::size_t operands;  // operands the shape reads, at least
  const wchar_t* a;
  const wchar_t* b;
  const wchar_t* c;
};

using namespace KIVA_o;

constexpr Row kRows[] = {
    {ET_BETWEEN, Shape::Range, true, 3, L" >= ", L" AND ", L" <= "},
    {ET_OUTSIDE, Shape::Range, true, 3, L" < ", L" OR ", L" > "},
    {ET_NATIVE, Shape::Verbatim, false, 0, nullptr, nullptr, nullptr},
    {ET_CURRENTSET, Shape::CurrentSet, true, 0, nullptr, nullptr, nullptr},
    {ET_TUPLE_IS_NULL, Shape::IsEmpty, true, 1, nullptr, nullptr, nullptr},
    {ET_FILTER, Shape::Function, true, 2, L"FILTER", nullptr, nullptr},
    {ET_TOPSUM, Shape::Function, true, 2, L"TOPSUM", nullptr, nullptr},
    {ET_BOTTOMSUM, Shape::Function, true, 2, L"BOTTOMSUM", nullptr, nullptr},
    {ET_TOPPERCENT, Shape::Function, true, 2, L"TOPPERCENT", nullptr, nullptr},
    {ET_BOTTOMPERCENT, Shape::Function, true, 2, L"BOTTOMPERCENT", nullptr, nullptr},
    {ET_CURRENT, Shape::Current, true, 0, nullptr, nullptr, nullptr},
    {ET_TUPLE_VALUE, Shape::Through, false, 1, nullptr, nullptr, nullptr},
    {ET_EXCEPT, Shape::Function, true, 2, L"EXCEPT", nullptr, nullptr},
    {ET_BOTTOMCOUNT, Shape::Function, true, 2, L"BOTTOMCOUNT", nullptr, nullptr},
    {ET_TOPCOUNT, Shape::Function, true, 2, L"TOPCOUNT", nullptr, nullptr},
    {ET_MEMBER_VALUE, Shape::Through, false, 1, nullptr, nullptr, nullptr},
    {ET_STRING, Shape::Verbatim, true, 0, nullptr, nullptr, nullptr},
    {ET_TUPLE, Shape::Tuple, true, 1, nullptr, nullptr, nullptr},
    {ET_UNDEFINED, Shape::Fixed, false, 0, L"1<2", nullptr, nullptr},
    {ET_VALUE, Shape::Number, true, 0, nullptr, nullptr, nullptr},
    {ET_BOOLVAL, Shape::Nothing, false, 0, nullptr, nullptr, nullptr},
    {ET_EQUALTO, Shape::Infix, false, 2, L" = ", nullptr, nullptr},
    {ET_NOTEQUALTO, Shape::Infix, false, 2, L" <> ", nullptr, nullptr},
    {ET_LESSTHAN, Shape::Infix, false, 2, L" < ", nullptr, nullptr},
    {ET_LESSTHANOREQUALTO, Shape::Infix, false, 2, L" <= ", nullptr, nullptr},
    {ET_GREATERTHAN, Shape::Infix, false, 2, L" > ", nullptr, nullptr},
    {ET_GREATERTHANOREQUALTO, Shape::Infix, false, 2, L" >= ", nullptr, nullptr},
    {ET_AND, Shape::Infix, true, 2, L" AND ", nullptr, nullptr},
    {ET_OR, Shape::Infix, true, 2, L" OR ", nullptr, nullptr},
    {ET_NOT, Shape::Prefix, true, 1, L"NOT( ", L" )", nullptr},
    {ET_NEGATE, Shape::Negate, false, 1, nullptr, nullptr, nullptr},
    {ET_ADD, Shape::Arithmetic, true, 2, L" + ", nullptr, nullptr},
    {ET_SUBTRACT, Shape::Arithmetic, true, 2, L" - ", nullptr, nullptr},
    {ET_TIMES, Shape::Arithmetic, true, 2, L" * ", nullptr, nullptr},
    {ET_DIVIDE, Shape::Arithmetic, true, 2, L" / ", nullptr, nullptr},
    {ET_INTDIVIDE, Shape::Arithmetic, true, 2, L" / ", nullptr, nullptr},
    {ET_PARENTHESIS_A, Shape::Prefix, false, 1, L"( ", L" )", nullptr},
    {ET_STRING_A, Shape::Verbatim, true, 0, nullptr, nullptr, nullptr},
    {ET_STRING_B, Shape::Verbatim, true, 0, nullptr, nullptr, nullptr},
    {ET_PARENTHESIS_B, Shape::Prefix, false, 1, L"( ", L" )", nullptr},
};

constexpr int kKindCount = ET_PARENTHESIS_B + 1;

// Row number of each kind, -1 for a kind that is not translated.
struct RowIndex {
  signed char row[kKindCount];
};

constexpr RowIndex makeRowIndex() {
  RowIndex index{};
  for (auto& r : index.row) r = -1;
  for (std::size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    index.row[kRows[i].kind] = static_cast<signed char>(i);
  }
  return index;
}

constexpr RowIndex kRowIndex = makeRowIndex();

const Row* rowOf(int kind) {
  if (kind < 0 || kind >= kKindCount || kRowIndex.row[kind] < 0) return nullptr;
  return &kRows[kRowIndex.row[kind]];
}

// The parentheses around an arithmetic operand, left out for a tuple value.
std::wstring_view opening(const Node* operand) {
  return operand->getType() == ET_TUPLE_VALUE ? L"" : L"( ";
}
std::wstring_view closing(const Node* operand) {
  return operand->getType() == ET_TUPLE_VALUE ? L"" : L" )";
}

// The operand of an emptiness test must be a tuple or the current tuple.
void checkTupleOperand(const Node* operand) {
  if (!operand) throwUntranslatable(kNoNode);
  const int kind = operand->getType();
  if (kind != ET_TUPLE && kind != ET_CURRENT) throwUntranslatable(kind);
}

void writeNumber(VelaString& out, const Node* node) {
  const VARIANT* constant = node->getValue();
  VARIANT number;
  VariantInit(&number);
  if (!constant || VariantChangeType(&number, constant, 0, VT_R8) != 0) {
    VariantClear(&number);
    throwUntranslatable(ET_VALUE);
  }
  const double value = number.dblVal;
  VariantClear(&number);
  StringConverters::convertRealToString(value, out, 10, 16, false);
}

// Writes a row from its operands' texts x[0 .. count - 1]. Kept out of the
// walk's own frame, which recurs once per level of the tree.
[[gnu::noinline]] void writeRow(VelaString& out, const Row& row, const Node* node,
                                const Operands& operands, const VelaString* x,
                                std::size_t count, const MDXTuple* tuple,
                                const VelaString& setText) {
  switch (row.shape) {
    case Shape::Range: out = concat({x[0], row.a, x[1], row.b, x[0], row.c, x[2]}); break;
    case Shape::Verbatim: out = node->getString(); break;
    case Shape::CurrentSet: out = setText; break;
    case Shape::IsEmpty: out = concat({L"IsEmpty(", x[0], L")"}); break;
    case Shape::Function:
      if (count < 3) {
        out = concat({row.a, L"( ", x[0], L", ", x[1], L" )"});
      } else {
        out = concat({row.a, L"( ", x[0], L", ", x[1], L", ", x[2], L" )"});
      }
      break;
    case Shape::Current:
      if (!tuple) throwUntranslatable(row.kind);
      out = tuple->getText();
      break;
    case Shape::Fixed: out = row.a; break;
    case Shape::Number: writeNumber(out, node); break;
    case Shape::Infix: out = concat({x[0], row.a, x[1]}); break;
    case Shape::Prefix: out = concat({row.a, x[0], row.b}); break;
    case Shape::Negate:
      out = concat({L"- ", opening(operands[0]), x[0], closing(operands[0])});
      break;
    case Shape::Arithmetic:
      out = concat({opening(operands[0]), x[0], closing(operands[0]), row.a, opening(operands[1]),
                    x[1], closing(operands[1])});
      break;
    case Shape::Nothing:
    case Shape::Through:
    case Shape::Tuple: break;
  }
}

// "FILTER( " + T + ", " + condition + ")".
VelaString filtered(const VelaString& text, std::wstring_view condition) {
  return concat({L"FILTER( ", text, L", ", condition, L")"});
}

}  // namespace

void MDXSet::translate_condition(VelaString& out, KIVA_o::Expression* node,
                                 const MDXTuple* tuple) {
  const DepthGuard level(node);
  if (!node) throwUntranslatable(kNoNode);
  const int kind = node->getType();
  const Row* row = rowOf(kind);
  if (!row) throwUntranslatable(kind);
  if (row->hook && server_translate(out, node, tuple)) return;
  const Operands& operands = node->getChildren();
  if (operands.size() < row->operands) throwUntranslatable(kind);

  // Each operand is translated by the virtual call, so an override in a
  // subclass is called for every operand as well.
  if (row->shape == Shape::Through) {
    translate_condition(out, operands[0], tuple);
    return;
  }
  VelaString x[3];
  if (row->shape == Shape::Tuple) {
    // One string takes each operand's text in turn: an operand that writes
    // nothing leaves the text of the one before it in place.
    VelaString& operand = x[0];
    VelaString& joined = x[1];
    joined = L"( ";
    for (std::size_t i = 0; i < operands.size(); ++i) {
      if (i > 0) joined += L", ";
      translate_condition(operand, operands[i], tuple);
      joined += operand;
    }
    joined += L" ) ";
    out = std::move(joined);
    return;
  }
  if (row->shape == Shape::IsEmpty) checkTupleOperand(operands[0]);
  // A function takes its third operand when the host gave one.
  const std::size_t count =
      row->shape == Shape::Function && operands.size() > 2 ? 3 : row->operands;
  for (std::size_t i = 0; i < count; ++i) translate_condition(x[i], operands[i], tuple);
  writeRow(out, *row, node, operands, x, count, tuple, text());
}

bool MDXSet::server_translate(VelaString&, KIVA_o::Expression*, const MDXTuple*) { return false; }

// Each operation builds the new text while T is still the set's text and
// assigns it only after the whole tree translated, so a refused node leaves
// the set as it was.

MDXSet* MDXSet::Filter(KIVA_o::Expression* root, const MDXTuple* tuple) {
  invalidateQuoted();
  VelaString condition;
  translate_condition(condition, root, tuple);
  setText(std::move(condition));
  return this;
}

MDXSet* MDXSet::TakeFilter(KIVA_o::Expression* root, const MDXTuple* tuple) {
  invalidateQuoted();
  VelaString condition;
  translate_condition(condition, root, tuple);
  setText(filtered(text(), condition));
  return this;
}

MDXSet* MDXSet::TakeFilter(const VelaString& condition) {
  setText(filtered(text(), condition));
  return this;
}

MDXSet* MDXSet::TakeFilter(MDXValue* condition) {
  setText(filtered(text(), condition->getText()));
  return this;
}
