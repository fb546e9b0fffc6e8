// The condition translation as it was written before its walk kept its
// own stack: one call per level of the tree. The condition fuzzer compares
// the library's walk with it on every tree it can take.
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "mdxgen/support/string_converters.h"

namespace oracle {

inline VelaString concat(std::initializer_list<std::wstring_view> pieces) {
  std::wstring out;
  for (const auto& piece : pieces) out.append(piece);
  return VelaString(std::move(out));
}

using Node = KIVA_o::Expression;
using Operands = std::vector<KIVA_o::Expression*>;

constexpr int kNoNode = -1;

// The deepest tree this recursion takes on the fuzzer's stack; deeper ones
// are not compared.
constexpr int kMaxDepth = 10000;
struct TooDeep {};
inline thread_local int depth = 0;

[[noreturn]] inline void throwUntranslatable(int kind) {
  MDXError error(MDXError::kUntranslatableNode);
  error.addNumericInsert(kind);
  throw error;
}

class DepthGuard {
 public:
  DepthGuard() {
    if (depth >= kMaxDepth) throw TooDeep();
    ++depth;
  }
  ~DepthGuard() { --depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

// The set's part in a translation: its hook and its text.
struct Host {
  std::function<bool(VelaString&, Node*)> hook;
  std::function<const VelaString&()> setText;
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

inline const Row* rowOf(int kind) {
  if (kind < 0 || kind >= kKindCount || kRowIndex.row[kind] < 0) return nullptr;
  return &kRows[kRowIndex.row[kind]];
}

// The parentheses around an arithmetic operand, left out for a tuple value.
inline std::wstring_view opening(const Node* operand) {
  return operand->getType() == ET_TUPLE_VALUE ? L"" : L"( ";
}
inline std::wstring_view closing(const Node* operand) {
  return operand->getType() == ET_TUPLE_VALUE ? L"" : L" )";
}

// The operand of an emptiness test must be a tuple or the current tuple.
inline void checkTupleOperand(const Node* operand) {
  if (!operand) throwUntranslatable(kNoNode);
  const int kind = operand->getType();
  if (kind != ET_TUPLE && kind != ET_CURRENT) throwUntranslatable(kind);
}

inline void writeNumber(VelaString& out, const Node* node) {
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

// Writes a row from its operands' texts x[0 .. count - 1].
inline void writeRow(VelaString& out, const Row& row, const Node* node,
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

inline void translate(VelaString& out, Node* node, const MDXTuple* tuple, const Host& host) {
  const DepthGuard level;
  if (!node) throwUntranslatable(kNoNode);
  const int kind = node->getType();
  const Row* row = rowOf(kind);
  if (!row) throwUntranslatable(kind);
  if (row->hook && host.hook(out, node)) return;
  const Operands& operands = node->getChildren();
  if (operands.size() < row->operands) throwUntranslatable(kind);

  if (row->shape == Shape::Through) {
    translate(out, operands[0], tuple, host);
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
      translate(operand, operands[i], tuple, host);
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
  for (std::size_t i = 0; i < count; ++i) translate(x[i], operands[i], tuple, host);
  writeRow(out, *row, node, operands, x, count, tuple, host.setText());
}

}  // namespace oracle
