// Set expressions: hierarchy navigation. Levels, leaves, children,
// descendants, ancestors and siblings replace the text; drilling, toggling
// and inverting wrap it.
#include <cstdint>
#include <map>

#include "mdxgen/field.h"
#include "mdxgen/set.h"
#include "source/text/compose.h"
#include "source/text/decimal.h"
#include "source/text/fragment_read.h"

using mdxgen_detail::append;
using mdxgen_detail::concat;
using mdxgen_detail::Decimal;
using mdxgen_detail::FragmentReader;
using mdxgen_detail::wrap;

namespace {

// Generation counts and level numbers are 32-bit values at the host
// interface. -1 stands for "every generation": up to the top level for
// ancestors, down to the leaves for descendants.
using Generations = std::int32_t;
constexpr Generations kEveryGeneration = -1;

Generations generations32(long n) { return static_cast<Generations>(n); }

// n - 1 in decimal, wrapping as the interface's 32-bit arithmetic does.
Decimal decimalMinusOne(Generations n) {
  return Decimal(static_cast<Generations>(static_cast<std::uint32_t>(n) - 1U));
}

VelaString allMembers(std::wstring_view owner, bool all) {
  return concat({owner, all ? L".ALLMEMBERS" : L".MEMBERS"});
}

void drillDownOnSet(VelaString& t, std::wstring_view set) {
  wrap(t, {L"DRILLDOWNMEMBER( "}, {L", {", set, L"} ) "});
}

void drillUpOnSet(VelaString& t, std::wstring_view set) {
  wrap(t, {L"DRILLUPMEMBER( Hierarchize( "}, {L" ) , ", set, L" ) "});
}

}  // namespace

MDXSet* MDXSet::TakeTopLevel(const KIVA_o::Hierarchy* hierarchy) {
  const KIVA_o::Level* top = hierarchy ? hierarchy->getLevel(0) : nullptr;
  setText(top ? concat({L" { ", top->getUniqueName(), L".Members " L" } "})
              : VelaString(L" { " L" } "));
  return this;
}

MDXSet* MDXSet::TakeWholeLevel(const KIVA_o::Level* level) {
  setText(concat({level->getUniqueName(), L".MEMBERS"}));
  return this;
}

MDXSet* MDXSet::TakeAllMembersAtLevel(const MDXField* field, bool all) {
  setText(concat({FragmentReader::text(*field), all ? L".LEVEL.ALLMEMBERS" : L".LEVEL.MEMBERS"}));
  return this;
}

MDXSet* MDXSet::TakeAllMembers(const VelaString& hierarchy, bool all) {
  setText(allMembers(hierarchy, all));
  return this;
}

MDXSet* MDXSet::TakeAllMembers(const KIVA_o::Hierarchy* hierarchy, bool all) {
  setText(allMembers(hierarchy->getUniqueName(), all));
  return this;
}

// The host counts levels from 1, the text from 0.
MDXSet* MDXSet::TakeBaseLevel(const KIVA_o::Hierarchy* hierarchy, long levels) {
  setText(concat({hierarchy->getUniqueName(), L".LEVELS( ",
                  decimalMinusOne(generations32(levels)), L" ).MEMBERS"}));
  return this;
}

MDXSet* MDXSet::TakeLeafNodes(KIVA_o::Hierarchy* hierarchy) {
  const int levels = hierarchy->getLevelCount();
  // Written before the calculations are asked for: if the host fails while
  // listing them, the set holds the leaves without them.
  setText(concat({L"GENERATE( ", hierarchy->getUniqueName(),
                  L".LEVELS(0).MEMBERS, DESCENDANTS( ", hierarchy->getUniqueName(),
                  L".CURRENTMEMBER, ", decimalMinusOne(levels), L", LEAVES ) )"}));
  std::map<std::uint32_t, KIVA_o::Calculation*> calculations;
  hierarchy->getCalculations(&calculations);
  VelaString list(L"{ ");
  bool listed = false;
  for (const auto& entry : calculations) {
    if (!entry.second) continue;
    if (listed) list += L", ";
    list += entry.second->getUniqueName();
    listed = true;
  }
  if (listed) {
    list += L" }";
    wrap(editText(), {L"UNION( "}, {L", ", list, L" )"});
  }
  return this;
}

MDXSet* MDXSet::TakeAncestorsOfMember(const VelaString& member, bool all, long generations) {
  const Generations n = generations32(generations);
  if (n == 0) {
    setText(VelaString(L"{}"));
  } else if (n == kEveryGeneration) {
    setText(all ? concat({L" { " L"{ ASCENDANTS( ", member, L".PARENT ) }" L" } "})
                : concat({L" { " L"ANCESTOR( ", member, L".PARENT, ", member,
                          L".Hierarchy.LEVELS(0) )" L" } "}));
  } else if (!all) {
    setText(concat(
        {L" { " L"ANCESTOR( ", member, L".PARENT, ", decimalMinusOne(n), L" )" L" } "}));
  } else {
    // Generations 0 to n - 1 above the parent; none for a negative n.
    VelaString t(L" { ");
    for (Generations i = 0; i < n; ++i) {
      if (i > 0) t += L", ";
      append(t, {L" ANCESTOR( ", member, L".PARENT, ", Decimal(i), L" )"});
    }
    t += L" } ";
    setText(std::move(t));
  }
  return this;
}

MDXSet* MDXSet::TakeAncestorsOfSet(const VelaString& set, const KIVA_o::Hierarchy* hierarchy,
                                   bool all, long generations, long) {
  const Generations n = generations32(generations);
  const VelaString& h = hierarchy->getUniqueName();
  if (n == kEveryGeneration) {
    setText(all ? concat({L" GENERATE( ", set, L", {ASCENDANTS( ", h,
                          L".CURRENTMEMBER.PARENT)} )"})
                : concat({L" GENERATE( ", set, L", { ANCESTOR( ", h, L".CURRENTMEMBER.PARENT, ",
                          h, L".LEVELS(0) ) } )"}));
  } else if (!all) {
    // No case of its own for 0: the distance written is then -1.
    setText(concat({L" GENERATE( ", set, L" , { " L"ANCESTOR( ", h,
                    L".CURRENTMEMBER.PARENT, ", decimalMinusOne(n), L" ) " L" } ) "}));
  } else {
    VelaString t = concat({L" GENERATE( ", set, L" , { "});
    for (Generations i = 0; i < n; ++i) {
      if (i > 0) t += L", ";
      append(t, {L"ANCESTOR( ", h, L".CURRENTMEMBER.PARENT, ", Decimal(i), L" ) "});
    }
    t += L" } ) ";
    setText(std::move(t));
  }
  return this;
}

MDXSet* MDXSet::TakeSiblings(const MDXField* field, const KIVA_o::Dimension*) {
  setText(concat({FragmentReader::text(*field), L".SIBLINGS "}));
  return this;
}

MDXSet* MDXSet::TakeChildren(const MDXField* field) {
  setText(concat({FragmentReader::text(*field), L".CHILDREN "}));
  return this;
}

// The set's text is asked for again for every GENERATE written.
MDXSet* MDXSet::TakeChildren(const MDXSet* set, const KIVA_o::Hierarchy* hierarchy, bool all,
                             long generations, const VelaString&) {
  const Generations n = generations32(generations);
  const VelaString& h = hierarchy->getUniqueName();
  if (n == kEveryGeneration) {
    setText(all ? concat({L"GENERATE( ", FragmentReader::text(*set), L", DESCENDANTS( ", h,
                          L".CURRENTMEMBER, ", h, L".CURRENTMEMBER.LEVEL, AFTER ) )"})
                : concat({L"GENERATE( ", FragmentReader::text(*set), L", DESCENDANTS( ", h,
                          L".CURRENTMEMBER, ", h, L".LEVELS.COUNT - 1, LEAVES ) )"}));
  } else if (!all) {
    setText(concat({L"GENERATE( ", FragmentReader::text(*set), L", " L"DESCENDANTS( ", h,
                    L".CURRENTMEMBER, ", Decimal(n), L", SELF" L" ) )"}));
  } else {
    // Generations 1 to n, each but the last opening a UNION with the
    // generations after it; nothing at all for n < 1.
    VelaString t;
    for (long long i = 1; i <= n; ++i) {
      if (i < n) t += L"UNION( ";
      append(t, {L"GENERATE( ", FragmentReader::text(*set), L", " L"DESCENDANTS( ", h,
                 L".CURRENTMEMBER, ", Decimal(i), L", SELF" L" ) ) "});
      if (i < n) t += L", ";
    }
    for (long long i = 1; i < n; ++i) t += L") ";
    setText(std::move(t));
  }
  return this;
}

MDXSet* MDXSet::TakeDescendants(const MDXField* field) {
  setText(concat({L"DESCENDANTS( ", FragmentReader::text(*field), L", ",
                  FragmentReader::text(*field), L".LEVEL, AFTER ) "}));
  return this;
}

MDXSet* MDXSet::TakeDescendants(const VelaString& member, const VelaString& level) {
  setText(concat({L"DESCENDANTS( ", member, L", ", level, L", SELF )"}));
  return this;
}

MDXSet* MDXSet::TakeDescendants(const VelaString& member, const KIVA_o::Hierarchy* hierarchy,
                                bool all, long generations, const VelaString&) {
  const Generations n = generations32(generations);
  if (n == kEveryGeneration) {
    setText(all ? concat({L"DESCENDANTS( ", member, L", ", member, L".LEVEL, AFTER )"})
                : concat({L"DESCENDANTS( ", member, L", ", hierarchy->getUniqueName(),
                          L".LEVELS.COUNT - 1, LEAVES )"}));
  } else {
    // With all, every generation down to n, without the member itself.
    setText(all ? concat({L"EXCEPT( " L"DESCENDANTS( ", member, L", ", Decimal(n),
                          L", SELF_AND_BEFORE" L" )" L", {", member, L"} )"})
                : concat({L"DESCENDANTS( ", member, L", ", Decimal(n), L", SELF" L" )"}));
  }
  return this;
}

MDXSet* MDXSet::Extract(const VelaString& set, const KIVA_o::Hierarchy* hierarchy) {
  setText(concat({L" { Extract( ", set, L", ", hierarchy->getUniqueName(), L" ) } "}));
  return this;
}

MDXSet* MDXSet::DrillDown(const KIVA_o::Hierarchy* hierarchy, const VelaString& members,
                          bool recursive) {
  if (recursive) {
    wrap(editText(), {L"DRILLDOWNMEMBER( "},
         {L", ", hierarchy->getUniqueName(), L".MEMBERS , RECURSIVE ) "});
  } else {
    wrap(editText(), {L"DRILLDOWNMEMBER( "}, {L", " L" { ", members, L" } ) "});
  }
  return this;
}

MDXSet* MDXSet::DrillDownOnSet(const VelaString& set) {
  drillDownOnSet(editText(), set);
  return this;
}

MDXSet* MDXSet::DrillDownOnSet(const MDXSet* set) {
  drillDownOnSet(editText(), FragmentReader::text(*set));
  return this;
}

MDXSet* MDXSet::DrillUp(const VelaString& members) {
  wrap(editText(), {L"DRILLUPMEMBER( "}, {L", " L" { ", members, L" } ) "});
  return this;
}

MDXSet* MDXSet::DrillUpOnSet(const VelaString& set) {
  drillUpOnSet(editText(), set);
  return this;
}

MDXSet* MDXSet::DrillUpOnSet(const MDXSet* set) {
  drillUpOnSet(editText(), FragmentReader::text(*set));
  return this;
}

MDXSet* MDXSet::ToggleDrillStateOnSet(const MDXSet* set, bool recursive) {
  const auto other = FragmentReader::text(*set);
  wrap(editText(), {L"TOGGLEDRILLSTATE( "},
       {L", ", other, recursive ? L", RECURSIVE )" : L" ) "});
  return this;
}

// Every member of the hierarchy that is not in the set.
MDXSet* MDXSet::Invert(const KIVA_o::Hierarchy* hierarchy) {
  wrap(editText(), {L"EXCEPT( ", hierarchy->getUniqueName(), L".MEMBERS, "}, {L" ) "});
  return this;
}
