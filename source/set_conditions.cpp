// Condition translation: the host's expression trees as MDX conditions, and
// the FILTER operations of the set built on them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_set>
#include <utility>
#include <vector>

#include "mdxgen/error.h"
#include "mdxgen/set.h"
#include "mdxgen/support/kiva.h"
#include "mdxgen/support/oleauto.h"
#include "mdxgen/support/string_converters.h"
#include "mdxgen/tuple.h"
#include "mdxgen/value.h"
#include "source/text/compose.h"
#include "source/text/fragment_read.h"

using mdxgen_detail::wrap;

// Whether a set's class table can be read for the entry of its walk.
#if defined(__GXX_ABI_VERSION) && defined(__ELF__) && \
    (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__))
#define MDXGEN_WALK_SLOT 1
extern "C" [[gnu::visibility("hidden")]] void mdxgenOwnWalk(MDXSet*, VelaString&,
                                                            KIVA_o::Expression*, const MDXTuple*);
#else
#define MDXGEN_WALK_SLOT 0
#endif

namespace {

using Node = KIVA_o::Expression;
using Operands = std::vector<KIVA_o::Expression*>;

// The insert reported for a missing node: no node kind is negative.
constexpr int kNoNode = -1;

[[noreturn]] void throwUntranslatable(int kind) {
  MDXError error(MDXError::kUntranslatableNode);
  error.addNumericInsert(kind);
  throw error;
}

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
  std::wstring_view a;   // lengths known at compile time
  std::wstring_view b;
  std::wstring_view c;
};

using namespace KIVA_o;

constexpr Row kRows[] = {
    {ET_BETWEEN, Shape::Range, true, 3, L" >= ", L" AND ", L" <= "},
    {ET_OUTSIDE, Shape::Range, true, 3, L" < ", L" OR ", L" > "},
    {ET_NATIVE, Shape::Verbatim, false, 0, {}, {}, {}},
    {ET_CURRENTSET, Shape::CurrentSet, true, 0, {}, {}, {}},
    {ET_TUPLE_IS_NULL, Shape::IsEmpty, true, 1, {}, {}, {}},
    {ET_FILTER, Shape::Function, true, 2, L"FILTER", {}, {}},
    {ET_TOPSUM, Shape::Function, true, 2, L"TOPSUM", {}, {}},
    {ET_BOTTOMSUM, Shape::Function, true, 2, L"BOTTOMSUM", {}, {}},
    {ET_TOPPERCENT, Shape::Function, true, 2, L"TOPPERCENT", {}, {}},
    {ET_BOTTOMPERCENT, Shape::Function, true, 2, L"BOTTOMPERCENT", {}, {}},
    {ET_CURRENT, Shape::Current, true, 0, {}, {}, {}},
    {ET_TUPLE_VALUE, Shape::Through, false, 1, {}, {}, {}},
    {ET_EXCEPT, Shape::Function, true, 2, L"EXCEPT", {}, {}},
    {ET_BOTTOMCOUNT, Shape::Function, true, 2, L"BOTTOMCOUNT", {}, {}},
    {ET_TOPCOUNT, Shape::Function, true, 2, L"TOPCOUNT", {}, {}},
    {ET_MEMBER_VALUE, Shape::Through, false, 1, {}, {}, {}},
    {ET_STRING, Shape::Verbatim, true, 0, {}, {}, {}},
    {ET_TUPLE, Shape::Tuple, true, 1, {}, {}, {}},
    {ET_UNDEFINED, Shape::Fixed, false, 0, L"1<2", {}, {}},
    {ET_VALUE, Shape::Number, true, 0, {}, {}, {}},
    {ET_BOOLVAL, Shape::Nothing, false, 0, {}, {}, {}},
    {ET_EQUALTO, Shape::Infix, false, 2, L" = ", {}, {}},
    {ET_NOTEQUALTO, Shape::Infix, false, 2, L" <> ", {}, {}},
    {ET_LESSTHAN, Shape::Infix, false, 2, L" < ", {}, {}},
    {ET_LESSTHANOREQUALTO, Shape::Infix, false, 2, L" <= ", {}, {}},
    {ET_GREATERTHAN, Shape::Infix, false, 2, L" > ", {}, {}},
    {ET_GREATERTHANOREQUALTO, Shape::Infix, false, 2, L" >= ", {}, {}},
    {ET_AND, Shape::Infix, true, 2, L" AND ", {}, {}},
    {ET_OR, Shape::Infix, true, 2, L" OR ", {}, {}},
    {ET_NOT, Shape::Prefix, true, 1, L"NOT( ", L" )", {}},
    {ET_NEGATE, Shape::Negate, false, 1, {}, {}, {}},
    {ET_ADD, Shape::Arithmetic, true, 2, L" + ", {}, {}},
    {ET_SUBTRACT, Shape::Arithmetic, true, 2, L" - ", {}, {}},
    {ET_TIMES, Shape::Arithmetic, true, 2, L" * ", {}, {}},
    {ET_DIVIDE, Shape::Arithmetic, true, 2, L" / ", {}, {}},
    {ET_INTDIVIDE, Shape::Arithmetic, true, 2, L" / ", {}, {}},
    {ET_PARENTHESIS_A, Shape::Prefix, false, 1, L"( ", L" )", {}},
    {ET_STRING_A, Shape::Verbatim, true, 0, {}, {}, {}},
    {ET_STRING_B, Shape::Verbatim, true, 0, {}, {}, {}},
    {ET_PARENTHESIS_B, Shape::Prefix, false, 1, L"( ", L" )", {}},
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

// A list that keeps its first N elements inline and moves to the heap only
// past them, so a small tree is translated without a heap allocation for
// its bookkeeping. The inline elements are constructed as they are added,
// not all up front. Elements are reached by index: their addresses move.
template <class T, std::size_t N>
class SmallList {
 public:
  SmallList() {}  // NOLINT: the inline elements stay unconstructed
  ~SmallList() {
    if (!spilled_) {
      for (std::size_t i = 0; i < size_; ++i) inline_.items[i].~T();
    }
  }
  SmallList(const SmallList&) = delete;
  SmallList& operator=(const SmallList&) = delete;

  std::size_t size() const { return spilled_ ? spill_.size() : size_; }
  bool empty() const { return size() == 0; }
  T& operator[](std::size_t i) { return data()[i]; }
  const T& operator[](std::size_t i) const { return data()[i]; }
  T& back() { return data()[size() - 1]; }
  void pop_back() {
    if (spilled_) return spill_.pop_back();
    inline_.items[--size_].~T();
  }
  // Adds an element made of the arguments, in place while the list is
  // inline (not built aside and copied in); gives the element added.
  template <class... Args>
  T& emplace_back(Args&&... args) {
    if (!spilled_ && size_ < N) {
      T* added = new (&inline_.items[size_]) T{std::forward<Args>(args)...};
      ++size_;
      return *added;
    }
    return push_back(T{std::forward<Args>(args)...});
  }

  // Adds the value; gives the element added.
  T& push_back(T value) {
    if (spilled_) {
      spill_.push_back(std::move(value));
      return spill_.back();
    }
    if (size_ < N) {
      T* added = new (&inline_.items[size_]) T(std::move(value));
      ++size_;
      return *added;
    }
    // Room for the inline elements and as many again, made before any of
    // them moves: a refused allocation leaves the list as it was.
    spill_.reserve(2 * N);
    for (std::size_t i = 0; i < N; ++i) {
      spill_.push_back(std::move(inline_.items[i]));
      inline_.items[i].~T();
    }
    spilled_ = true;
    spill_.push_back(std::move(value));
    return spill_.back();
  }

 private:
  T* data() { return spilled_ ? spill_.data() : inline_.items; }
  const T* data() const { return spilled_ ? spill_.data() : inline_.items; }

  union Inline {
    Inline() {}   // NOLINT: nothing constructed until added
    ~Inline() {}  // NOLINT: the list destroys what it added
    T items[N];
  } inline_;
  std::size_t size_ = 0;  // while inline
  bool spilled_ = false;
  std::vector<T> spill_;
};

// Texts under construction. A node's text is a leaf (a string of its own)
// or a list of parts (literals and other texts), so a node takes its
// operands' texts without copying them and the whole condition is written
// out once at the end: the cost stays linear in the text however deep the
// tree. A text never changes once made, so a slot that keeps the text of
// the operand before it simply keeps its index. The parts of every text
// share one list, each part linked to the next of its text, so a tuple's
// text grows as its operands come in.
class Texts {
 public:
  static constexpr int kEmpty = -1;   // the empty text
  static constexpr int kCaller = -2;  // whatever the caller's string holds

  struct Part {
    Part() = default;
    template <std::size_t N>
    Part(const wchar_t (&literal)[N]) : literal(literal, N - 1) {}  // NOLINT: parts read as a list
    Part(std::wstring_view literal) : literal(literal) {}  // NOLINT
    Part(int text) : text(text) {}  // NOLINT
    std::wstring_view literal;
    int text = kEmpty;
    int next = -1;  // the next part of the same text
  };

  int leaf(VelaString text) {
    const std::size_t length = text.size();
    leaves_.push_back(std::move(text));
    entries_.emplace_back(static_cast<int>(leaves_.size() - 1), -1, -1, length);
    return static_cast<int>(entries_.size() - 1);
  }
  // A new text of the parts, stored one after the other.
  int join(std::initializer_list<Part> parts) {
    const int first = static_cast<int>(parts_.size());
    int next = first;
    std::size_t length = 0;
    for (const Part& part : parts) {
      length += lengthOf(part);
      parts_.push_back(part).next = ++next;
    }
    if (next == first) {
      entries_.emplace_back(-1, -1, -1, std::size_t{0});
    } else {
      parts_.back().next = -1;
      entries_.emplace_back(-1, first, next - 1, length);
    }
    return static_cast<int>(entries_.size() - 1);
  }
  void add(int joined, Part part) {
    parts_.push_back(part);
    const int at = static_cast<int>(parts_.size() - 1);
    Entry& entry = entries_[static_cast<std::size_t>(joined)];
    entry.length += lengthOf(part);
    if (entry.last < 0) {
      entry.first = at;
    } else {
      parts_[static_cast<std::size_t>(entry.last)].next = at;
    }
    entry.last = at;
  }

  // The text written out in one string, by a walk of its parts on a stack
  // of our own.
  VelaString flatten(int text) const {
    VelaString out;
    writeTo(text, out.wstr());
    return out;
  }
  // The text written over `out`, whose buffer is kept when large enough.
  // No part of the text may point into `out`.
  void writeTo(int text, std::wstring& out) const {
    out.clear();
    if (text < 0) return;
    out.resize(entries_[static_cast<std::size_t>(text)].length);
    wchar_t* at = &out[0];
    visit(text, [&at](std::wstring_view piece) {
      if (piece.empty()) return;
      std::memcpy(at, piece.data(), piece.size() * sizeof(wchar_t));
      at += piece.size();
    });
  }

 private:
  struct Entry {
    int leaf;            // index of its string, -1 for a list of parts
    int first;           // its first part, -1 for none
    int last;            // its last part
    std::size_t length;  // the length of the whole text
  };

  // The length a part adds to its text.
  std::size_t lengthOf(const Part& part) const {
    const std::size_t literal = part.literal.size();
    if (part.text < 0) return literal;
    return literal + entries_[static_cast<std::size_t>(part.text)].length;
  }

  // Calls write with every piece of the text in order.
  template <class Write>
  void visit(int text, Write write) const {
    SmallList<int, 32> open;  // the next part of each text being written
    int at = enter(text, write);
    for (;;) {
      while (at < 0) {
        if (open.empty()) return;
        at = open.back();
        open.pop_back();
      }
      const Part& part = parts_[static_cast<std::size_t>(at)];
      write(part.literal);
      at = part.next;
      if (part.text >= 0) {
        if (at >= 0) open.push_back(at);
        at = enter(part.text, write);
      }
    }
  }

  // Writes a leaf and gives -1, or gives the first part of a list.
  template <class Write>
  int enter(int text, Write& write) const {
    const Entry& entry = entries_[static_cast<std::size_t>(text)];
    if (entry.leaf < 0) return entry.first;
    write(leaves_[static_cast<std::size_t>(entry.leaf)].wstr());
    return -1;
  }

  SmallList<Entry, 16> entries_;
  SmallList<Part, 32> parts_;
  SmallList<VelaString, 4> leaves_;
};

// The nodes whose operands are being translated on this thread, across the
// walks a host's hook or override starts: a node met again among its own
// operands is a tree that loops back on itself. A short path is searched
// in order; past kScanned nodes a hash set takes over, so a deep tree
// stays linear.
class Path {
 public:
  static constexpr std::size_t kScanned = 64;

  // False when the node is on the path already.
  bool insert(const Node* node) {
    if (!hashed_ && nodes_.size() == kScanned) {
      for (std::size_t i = 0; i < nodes_.size(); ++i) set_.insert(nodes_[i]);
      hashed_ = true;
    }
    if (hashed_) {
      if (!set_.insert(node).second) return false;
    } else {
      for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i] == node) return false;
      }
    }
    nodes_.push_back(node);
    return true;
  }
  // Takes off the node added last.
  void pop() {
    if (hashed_) set_.erase(nodes_.back());
    nodes_.pop_back();
    if (hashed_ && nodes_.empty()) hashed_ = false;
  }

 private:
  SmallList<const Node*, kScanned> nodes_;
  std::unordered_set<const Node*> set_;
  bool hashed_ = false;
};

Path& threadPath() {
  static thread_local Path path;
  return path;
}

// What the walk needs from the set, as plain functions of it.
struct Host {
  MDXSet* set;
  const MDXTuple* tuple;
  // Asks the set's hook for a node; true when it wrote the text. Null when
  // the set answers no hook.
  bool (*hook)(MDXSet*, VelaString&, Node*, const MDXTuple*);
  // Translates an operand through the set's own (overridden) walk; null
  // when operands are translated here, on the walk's own stack.
  void (*operand)(MDXSet*, VelaString&, Node*, const MDXTuple*);
  const VelaString& (*setText)(const MDXSet*);
  // True when no code of the host runs on the set during the walk (no hook,
  // no override), so the set's and the tuple's stored texts stay as they
  // are and are read in place rather than copied.
  bool own;
};

// The translation of one tree: one frame per node whose operands are being
// translated, kept in a list of the walk, so no thread stack is taken per
// level.
class Walk {
 public:
  Walk(const Host& host, VelaString& out) : host_(host), out_(out), path_(threadPath()) {}
  ~Walk() {
    for (std::size_t i = frames_.size(); i > 0; --i) path_.pop();
  }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  void run(Node* root) {
    enter(root, Target{-1, 0});
    while (!frames_.empty()) step();
    // The caller's string is never one the texts point into: they are
    // copies, literals, and the stored texts of the set and the tuple.
    if (result_ != Texts::kCaller) texts_.writeTo(result_, out_.wstr());
  }

 private:
  // Where a node's text goes: a slot of a frame, or the walk's result.
  struct Target {
    int frame;  // -1 for the result
    int slot;
  };

  struct Frame {
    Node* node = nullptr;
    const Row* row = nullptr;
    const Operands* operands = nullptr;
    Target target{-1, 0};   // where the node's text goes
    std::size_t count = 0;  // operands to translate
    std::size_t next = 0;   // operands started
    int x[3] = {Texts::kEmpty, Texts::kEmpty, Texts::kEmpty};
    int joined = Texts::kEmpty;  // a tuple's text as its operands come in
  };

  int& at(Target t) {
    if (t.frame < 0) return result_;
    return frames_[static_cast<std::size_t>(t.frame)].x[t.slot];
  }

  // A node's first visit: the checks, the hook, and the text of a node
  // without operands; a node with operands gets a frame.
  void enter(Node* node, Target target) {
    if (!node) throwUntranslatable(kNoNode);
    const int kind = node->getType();
    const Row* row = rowOf(kind);
    if (!row) throwUntranslatable(kind);
    if (row->hook && host_.hook && askHook(node, at(target))) return;
    const Operands& operands = node->getChildren();
    if (operands.size() < row->operands) throwUntranslatable(kind);
    std::size_t count = row->operands;
    switch (row->shape) {
      case Shape::Verbatim: at(target) = texts_.leaf(node->getString()); return;
      case Shape::CurrentSet: at(target) = stored(host_.setText(host_.set)); return;
      case Shape::Current: {
        if (!host_.tuple) throwUntranslatable(kind);
        if (!host_.own) {
          at(target) = texts_.leaf(host_.tuple->getText());
          return;
        }
        const auto tuple = mdxgen_detail::FragmentReader::text(*host_.tuple);
        at(target) = tuple.copied() ? texts_.leaf(tuple.str()) : stored(tuple.str());
        return;
      }
      case Shape::Fixed: at(target) = texts_.join({row->a}); return;
      case Shape::Number: {
        VelaString number;
        writeNumber(number, node);
        at(target) = texts_.leaf(std::move(number));
        return;
      }
      case Shape::Nothing: return;
      case Shape::IsEmpty: checkTupleOperand(operands[0]); break;
      case Shape::Tuple: count = operands.size(); break;
      // A function takes its third operand when the host gave one.
      case Shape::Function: count = operands.size() > 2 ? 3 : 2; break;
      default: break;
    }
    if (!path_.insert(node)) throwUntranslatable(kind);
    // The frame is filled where it is stored, not copied there.
    Frame* frame;
    try {
      frame = &frames_.emplace_back();
    } catch (...) {
      path_.pop();
      throw;
    }
    frame->node = node;
    frame->row = row;
    frame->operands = &operands;
    frame->target = target;
    frame->count = count;
  }

  // A text the set or the tuple stores: read in place while no host code
  // runs on the set (it stays as it is for the whole walk), copied otherwise.
  int stored(const VelaString& text) {
    if (host_.own) return texts_.join({std::wstring_view(text)});
    return texts_.leaf(text);
  }

  bool askHook(Node* node, int& target) {
    if (target == Texts::kCaller) return host_.hook(host_.set, out_, node, host_.tuple);
    VelaString text = texts_.flatten(target);
    const bool written = host_.hook(host_.set, text, node, host_.tuple);
    if (target != Texts::kEmpty || !text.empty()) target = texts_.leaf(std::move(text));
    return written;
  }

  // Translates an operand into a slot.
  void translate(Node* operand, Target slot) {
    if (!host_.operand) return enter(operand, slot);
    VelaString text = texts_.flatten(at(slot));
    host_.operand(host_.set, text, operand, host_.tuple);
    at(slot) = texts_.leaf(std::move(text));
  }

  // A visit of the frame on top: its next operand, or its text once every
  // operand has one.
  void step() {
    const int top = static_cast<int>(frames_.size() - 1);
    Frame& f = frames_.back();
    const Shape shape = f.row->shape;
    if (shape == Shape::Tuple) {
      // One slot takes each operand's text in turn: an operand that writes
      // nothing leaves the text of the one before it in place.
      if (f.next == 0) f.joined = texts_.join({L"( "});
      if (f.next > 0) texts_.add(f.joined, f.x[0]);
      if (f.next < f.count) {
        if (f.next > 0) texts_.add(f.joined, L", ");
        return translate((*f.operands)[f.next++], Target{top, 0});
      }
      texts_.add(f.joined, L" ) ");
      at(f.target) = f.joined;
      return finish();
    }
    if (f.next < f.count) {
      // An operand written straight through takes the caller's slot.
      const Target slot = shape == Shape::Through ? f.target : Target{top, static_cast<int>(f.next)};
      return translate((*f.operands)[f.next++], slot);
    }
    if (shape != Shape::Through) {
      const int text = write(f);
      at(f.target) = text;
    }
    finish();
  }

  void finish() {
    path_.pop();
    frames_.pop_back();
  }
  // A node's text from its operands' texts.
  int write(const Frame& f) {
    const Row& row = *f.row;
    const int* x = f.x;
    const Operands& operands = *f.operands;
    switch (row.shape) {
      case Shape::Range: return texts_.join({x[0], row.a, x[1], row.b, x[0], row.c, x[2]});
      case Shape::IsEmpty: return texts_.join({L"IsEmpty(", x[0], L")"});
      case Shape::Function:
        if (f.count < 3) return texts_.join({row.a, L"( ", x[0], L", ", x[1], L" )"});
        return texts_.join({row.a, L"( ", x[0], L", ", x[1], L", ", x[2], L" )"});
      case Shape::Infix: return texts_.join({x[0], row.a, x[1]});
      case Shape::Prefix: return texts_.join({row.a, x[0], row.b});
      case Shape::Negate:
        return texts_.join({L"- ", opening(operands[0]), x[0], closing(operands[0])});
      case Shape::Arithmetic:
        return texts_.join({opening(operands[0]), x[0], closing(operands[0]), row.a,
                            opening(operands[1]), x[1], closing(operands[1])});
      default: return Texts::kEmpty;  // the shapes without operands are written on entry
    }
  }

  const Host& host_;
  VelaString& out_;
  Texts texts_;
  Path& path_;
  SmallList<Frame, 8> frames_;
  int result_ = Texts::kCaller;
};

using WalkMember = void (MDXSet::*)(VelaString&, KIVA_o::Expression*, const MDXTuple*);

// Whether the set's class overrides the walk, given the walk as a pointer to
// member; true wherever that cannot be told.
bool overridesWalk(const MDXSet* set, WalkMember walk) {
#if MDXGEN_WALK_SLOT
  // With the Itanium C++ ABI a pointer to a virtual member holds the byte
  // offset of its entry in the class table (plus 1, or with the low bit of
  // the adjustment set on ARM), and an object starts with a pointer to its
  // class table: the entry there is the function a call of the walk runs.
  struct {
    std::uintptr_t ptr;
    std::ptrdiff_t adj;
  } member;
  static_assert(sizeof member == sizeof walk, "a pointer to member is two words");
  std::memcpy(&member, &walk, sizeof member);
#if defined(__arm__) || defined(__aarch64__)
  const std::uintptr_t offset = member.ptr;
#else
  const std::uintptr_t offset = member.ptr - 1;
#endif
  const void* const* table;
  std::memcpy(&table, static_cast<const void*>(set), sizeof table);
  const void* entry = table[offset / sizeof(void*)];
  return entry != reinterpret_cast<const void*>(&mdxgenOwnWalk);
#else
  (void)set;
  (void)walk;
  return true;
#endif
}

}  // namespace

void MDXSet::translate_condition(VelaString& out, KIVA_o::Expression* node,
                                 const MDXTuple* tuple) {
  // The library's own sets answer no hook, so it is not asked. A host's
  // subclass is asked for every node; when it also overrides this walk, the
  // override is called for every operand (and takes the thread's stack per
  // level as it recurs); otherwise every operand is translated here.
  const std::type_info& type = typeid(*this);
  const bool own = type == typeid(MSOLAP8Set) || type == typeid(MDXSet);
  Host host{this, tuple, nullptr, nullptr,
            [](const MDXSet* set) -> const VelaString& { return set->text(); }, own};
  if (!own) {
    host.hook = [](MDXSet* set, VelaString& o, Node* n, const MDXTuple* t) {
      return set->server_translate(o, n, t);
    };
    if (overridesWalk(this, &MDXSet::translate_condition)) {
      host.operand = [](MDXSet* set, VelaString& o, Node* n, const MDXTuple* t) {
        set->translate_condition(o, n, t);
      };
    }
  }
  Walk(host, out).run(node);
}

#if MDXGEN_WALK_SLOT
// The walk's own entry, under a name of this file, to compare with the
// entry a set's class table holds for it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-alias"
#endif
extern "C" void mdxgenOwnWalk(MDXSet*, VelaString&, KIVA_o::Expression*, const MDXTuple*)
    __attribute__((
        alias("_ZN6MDXSet19translate_conditionER10VelaStringPN6KIVA_o10ExpressionEPK8MDXTuple")));
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

bool MDXSet::server_translate(VelaString&, KIVA_o::Expression*, const MDXTuple*) { return false; }

namespace {

// The text of a condition that is copied on into the set's text: each
// thread keeps one, so that a filter allocates for its condition only when
// the condition is longer than those before it. A filter started while the
// thread's text is in use (from a host's hook, say) takes a text of its
// own, and a very long text gives its buffer back after use.
class ConditionText {
 public:
  ConditionText() : kept_(threadText()) {
    if (kept_->inUse) {
      kept_ = nullptr;
      return;
    }
    kept_->inUse = true;
    kept_->text.wstr().clear();
  }
  ~ConditionText() {
    if (kept_ == nullptr) return;
    kept_->inUse = false;
    if (kept_->text.wstr().capacity() > kKept) std::wstring().swap(kept_->text.wstr());
  }
  ConditionText(const ConditionText&) = delete;
  ConditionText& operator=(const ConditionText&) = delete;

  VelaString& get() { return kept_ ? kept_->text : own_; }

 private:
  static constexpr std::size_t kKept = 4096;
  struct Kept {
    VelaString text;
    bool inUse = false;
  };
  static Kept* threadText() {
    static thread_local Kept kept;
    return &kept;
  }

  Kept* kept_;
  VelaString own_;
};

}  // namespace

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
  ConditionText condition;
  translate_condition(condition.get(), root, tuple);
  wrap(editText(), {L"FILTER( "}, {L", ", condition.get(), L")"});
  return this;
}

MDXSet* MDXSet::TakeFilter(const VelaString& condition) {
  wrap(editText(), {L"FILTER( "}, {L", ", condition, L")"});
  return this;
}

MDXSet* MDXSet::TakeFilter(MDXValue* condition) {
  const auto text = mdxgen_detail::FragmentReader::text(*condition);
  wrap(editText(), {L"FILTER( "}, {L", ", text, L")"});
  return this;
}
