// Placeholder bodies, replaced as each group of operations is built.
#include "mdxgen/set.h"

MDXSet* MDXSet::TakeSubset(const MDXTuple*, int, int) { return this; }
MDXSet* MDXSet::TakeSubset(const MDXTuple*, const MDXTuple*) { return this; }
MDXSet* MDXSet::TakeSubset(int, int) { return this; }
MDXSet* MDXSet::TakeSubsetToRank(int, const VelaString&, bool) { return this; }
MDXSet* MDXSet::TakeSubsetFromRank(const VelaString&, bool) { return this; }
MDXSet* MDXSet::InsertMemberIfNotExists(const VelaString&) { return this; }
MDXSet* MDXSet::Order(int, const MDXValue*) { return this; }
MDXSet* MDXSet::Order(int, const MDXTuple*) { return this; }
MDXSet* MDXSet::TakeExtremity(ExtremityType, ExtremityMeasure, const VelaString&, const MDXTuple*) { return this; }
MDXSet* MDXSet::Intersect(const MDXSet*) { return this; }
MDXSet* MDXSet::TakeTail() { return this; }
MDXSet* MDXSet::Rank(const MDXField*, const MDXSet*) { return this; }
MDXSet* MDXSet::TakeRank(const MDXTuple*) { return this; }
MDXSet* MDXSet::TakeRank(const MDXField*) { return this; }
MDXSet* MDXSet::generate(const VelaString&, const VelaString&) { return this; }
MDXSet* MDXSet::removeCalculationsSpecial(MDXSet*) { return this; }
MDXSet* MDXSet::removeOrder() { return this; }
VelaString MDXSet::getMemberAt(int, int) const { return VelaString(); }
MDXSet* MSOLAP8Set::Order(int, const MDXValue*) { return this; }
MDXSet* MSOLAP8Set::Order(int, const MDXTuple*) { return this; }
