// Set expressions: subsets by position, rank and member, ranks, sorts, top
// and bottom selections, intersection, and taking sorts off again.
#include <cstdint>

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "mdxgen/tuple.h"
#include "mdxgen/value.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"
#include "source/sort_keyword.h"
#include "source/text/fragment_read.h"

using mdxgen_detail::concat;
using mdxgen_detail::Decimal;
using mdxgen_detail::FragmentReader;
using mdxgen_detail::sortKeyword;
using mdxgen_detail::wrap;

namespace {

// An argument outside its enumeration: the value in decimal, then the
// enumeration's name.
[[noreturn]] void throwOutOfRange(int value, const wchar_t* enumeration) {
  MDXError error(MDXError::kValueOutOfRange);
  error.addStringInsert(Decimal(value).str());
  error.addStringInsert(enumeration);
  throw error;
}

// Follows the member's rank: nothing, or " - 1" for one less (a count that
// leaves the member out, or a 0-based start at the member itself).
mdxgen_detail::Piece rankTail(bool flag) {
  return flag ? mdxgen_detail::Piece(L"") : mdxgen_detail::Piece(L" - 1");
}

// The characters that may stand before an ORDER keyword; any other one
// makes the match part of a longer word.
bool boundsWord(wchar_t c) { return c == L' ' || c == L',' || c == L'(' || c == L')'; }

}  // namespace

mdxgen_detail::Piece mdxgen_detail::sortKeyword(int direction) {
  switch (direction) {
    case MDXSet::Asc: return L"ASC";
    case MDXSet::Desc: return L"DESC";
    case MDXSet::BAsc: return L"BASC";
    case MDXSet::BDesc: return L"BDESC";
    default: throwOutOfRange(direction, L"Sort::direction");
  }
}

MDXSet* MDXSet::TakeSubset(int start, int count) {
  const VelaString& t = text();
  if (count >= 0) {
    setText(concat({L"SUBSET( ", t, L", ", Decimal(start), L", ", Decimal(count),
                    L" ) "}));
  } else {
    setText(concat({L"SUBSET( ", t, L", ", Decimal(start), L" ) "}));
  }
  return this;
}

MDXSet* MDXSet::TakeSubset(const MDXTuple* from, const MDXTuple* to) {
  // Each member's text is asked for wherever it stands, as the host's
  // tuples have always been read here.
  const VelaString& t = text();
  setText(concat({
      L"SUBSET( {", t, L"}, IIF( INTERSECT( ", t, L", {", from->getText(),
      L"} ).COUNT = 1 AND INTERSECT( ", t, L", {", to->getText(), L"} ).COUNT = 1, IIF( RANK( ",
      from->getText(), L", ", t, L" ) < RANK( ", to->getText(), L", ", t, L"), RANK( ",
      from->getText(), L", ", t, L") - 1, RANK( ", to->getText(), L", ", t,
      L") - 1), 0), IIF( INTERSECT( ", t, L", {", from->getText(),
      L"} ).COUNT = 1 AND INTERSECT( ", t, L", {", to->getText(), L"} ).COUNT = 1, IIF( RANK( ",
      from->getText(), L", ", t, L" ) < RANK( ", to->getText(), L", ", t, L"), RANK( ",
      to->getText(), L", ", t, L") - RANK( ", from->getText(), L", ", t, L") + 1, RANK( ",
      from->getText(), L", ", t, L") - RANK( ", to->getText(), L", ", t, L") + 1),", t,
      L".COUNT ) )"}));
  return this;
}

MDXSet* MDXSet::TakeSubset(const MDXTuple* tuple, int from, int to) {
  const auto x = FragmentReader::text(*tuple);
  // Offsets are widened so that the negation of the smallest int is exact.
  const long long lo = from < to ? from : to;
  const long long hi = from < to ? to : from;
  const VelaString level = concat({L"ADDCALCULATEDMEMBERS( ", x, L".LEVEL.MEMBERS )"});
  const VelaString rank = concat({L"RANK( ", x, L", ", level});
  const auto before = [&](long long k) { return concat({rank, L" ) - ", Decimal(k)}); };
  const auto after = [&](long long k) { return concat({rank, L" ) + ", Decimal(k)}); };

  VelaString start;
  VelaString end;
  if (lo < 0 && hi < 0) {
    const VelaString p = before(-lo);
    const VelaString q = before(-hi);
    start = concat({L"IIF( ", p, L" > 0, ", p, L" - 1, 0 ) "});
    end = concat({L"IIF( ", q, L" > 0,", q, L", 0 ) "});
  } else if (lo < 0 && hi == 0) {
    const VelaString p = before(-lo);
    start = concat({L"IIF( ", p, L" > 0, ", p, L" -1, 0 ) "});
    end = concat({rank, L" )"});
  } else if (lo < 0) {
    const VelaString p = before(-lo);
    start = concat({L"IIF( ", p, L" > 0, ", p, L" -1 , 0 ) "});
    end = after(hi);
  } else {
    start = concat({L"(RANK( ", x, L", ", level, L" ) + ", Decimal(lo), L" - 1", L" )"});
    end = after(hi);
  }
  setText(concat({L"SUBSET( ", level, L", ", start, L", ", end, L" - ", start, L" ) "}));
  return this;
}

MDXSet* MDXSet::TakeSubsetToRank(int start, const VelaString& member, bool withMember) {
  if (member.empty()) return this;
  const VelaString& t = text();
  setText(concat({L"SUBSET( ", t, L", ", Decimal(start), L", ", L"IIF( ", t, L".COUNT = 0, 0,",
                  L"RANK( ", member, L", ", t, L" ) ", rankTail(withMember), L" )", L" ) "}));
  return this;
}

MDXSet* MDXSet::TakeSubsetFromRank(const VelaString& member, bool afterMember) {
  if (member.empty()) {
    setText(VelaString(L"{}"));
    return this;
  }
  const VelaString& t = text();
  setText(concat({L"SUBSET( ", t, L", ", L"IIF( ", t, L".COUNT = 0, 0,", L"RANK( ", member,
                  L", ", t, L") ", rankTail(afterMember), L" )", L" ) "}));
  return this;
}

MDXSet* MDXSet::InsertMemberIfNotExists(const VelaString& member) {
  if (member.empty()) return this;
  wrap(editText(), {L"DISTINCT( UNION ("}, {L",{", member, L"} )", L" )"});
  return this;
}

MDXSet* MDXSet::TakeTail() {
  wrap(editText(), {L"TAIL( "}, {L" ) "});
  return this;
}

MDXSet* MDXSet::Intersect(const MDXSet* set) {
  wrap(editText(), {L"INTERSECT( "}, {L", ", FragmentReader::text(*set), L" ) "});
  return this;
}

MDXSet* MDXSet::removeCalculationsSpecial(MDXSet* set) {
  wrap(editText(), {L"EXCEPT( "}, {L", { ", FragmentReader::text(*set), L" } )"});
  return this;
}

MDXSet* MDXSet::generate(const VelaString& set, const VelaString& expression) {
  setText(concat({L"Generate( ", set, L", ", expression, L" ) "}));
  return this;
}

MDXSet* MDXSet::Rank(const MDXField* field, const MDXSet* set) {
  setText(concat({L"Rank(", FragmentReader::text(*field), L",", FragmentReader::text(*set), L")"}));
  return this;
}

MDXSet* MDXSet::TakeRank(const MDXField* field) {
  setText(concat({L"Rank(", FragmentReader::text(*field), L",", text(), L")"}));
  return this;
}

MDXSet* MDXSet::TakeRank(const MDXTuple* tuple) {
  setText(concat({L"RANK( ", FragmentReader::text(*tuple), L", ", text(), L" )"}));
  return this;
}

VelaString MDXSet::getMemberAt(int i, int j) const {
  return concat({text(), L".ITEM(", Decimal(i), L").ITEM(", Decimal(j), L")"});
}

MDXSet* MDXSet::Order(int direction, const MDXTuple* tuple) {
  invalidateQuoted();
  const auto keyword = sortKeyword(direction);
  wrap(editText(), {L"ORDER( "}, {L", ", FragmentReader::text(*tuple), L", ", keyword, L" ) "});
  return this;
}

MDXSet* MDXSet::Order(int direction, const MDXValue* value) {
  invalidateQuoted();
  const auto keyword = sortKeyword(direction);
  wrap(editText(), {L"ORDER( "}, {L", ", FragmentReader::text(*value), L", ", keyword, L" ) "});
  return this;
}

MDXSet* MDXSet::TakeExtremity(ExtremityType type, ExtremityMeasure measure, const VelaString& n,
                              const MDXTuple* tuple) {
  invalidateQuoted();
  mdxgen_detail::Piece end(L"");
  switch (type) {
    case Top: end = L"TOP"; break;
    case Bottom: end = L"BOTTOM"; break;
    default: throwOutOfRange(type, L"ExtremityType");
  }
  mdxgen_detail::Piece function(L"");
  switch (measure) {
    case Sum: function = L"SUM( "; break;
    case Count: function = L"COUNT( "; break;
    case Percent: function = L"PERCENT( "; break;
    default: throwOutOfRange(measure, L"ExtremityMeasure");
  }
  // SUM and PERCENT need the numeric expression; COUNT takes it when given.
  if (!tuple && measure != Count) throw MDXError(MDXError::kExtremityWithoutTuple);
  if (tuple) {
    wrap(editText(), {end, function}, {L", ", n, L", ", FragmentReader::text(*tuple), L" ) "});
  } else {
    wrap(editText(), {end, function}, {L", ", n, L" ) "});
  }
  return this;
}

MDXSet* MDXSet::removeOrder() {
  // The work is done on a copy; the set's own text is the backup, kept when
  // a wrapper cannot be taken apart, removals made earlier included.
  std::wstring work = text().wstr();
  VelaString upper(work);
  upper.toUpper();
  bool removed = false;
  for (;;) {
    const std::size_t p = upper.wstr().find(L"ORDER(");
    if (p == std::wstring::npos) break;
    // A match inside a longer word ends the search.
    if (p > 0 && !boundsWord(work[p - 1])) break;
    work.erase(p, 6);
    upper.wstr().erase(p, 6);
    // The comma taken is the first one after the keyword, wherever it
    // stands: brackets are not skipped on the way to it.
    const std::size_t comma = work.find(L',', p);
    if (comma == std::wstring::npos) return this;
    std::size_t end = comma + 1;
    for (int depth = 1; depth > 0; ++end) {
      if (end == work.size()) return this;
      if (work[end] == L'(') ++depth;
      if (work[end] == L')') --depth;
    }
    work.erase(comma, end - comma);
    upper.wstr().erase(comma, end - comma);
    removed = true;
  }
  if (removed) setText(VelaString(std::move(work)));
  return this;
}
