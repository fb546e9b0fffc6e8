// Placeholder bodies, replaced as each group of operations is built.
#include "mdxgen/set.h"

MDXSet* MDXSet::TakeTopLevel(const KIVA_o::Hierarchy*) { return this; }
MDXSet* MDXSet::TakeWholeLevel(const KIVA_o::Level*) { return this; }
MDXSet* MDXSet::TakeAllMembersAtLevel(const MDXField*, bool) { return this; }
MDXSet* MDXSet::TakeAllMembers(const VelaString&, bool) { return this; }
MDXSet* MDXSet::TakeAllMembers(const KIVA_o::Hierarchy*, bool) { return this; }
MDXSet* MDXSet::TakeLeafNodes(KIVA_o::Hierarchy*) { return this; }
MDXSet* MDXSet::TakeBaseLevel(const KIVA_o::Hierarchy*, long) { return this; }
MDXSet* MDXSet::DrillDown(const KIVA_o::Hierarchy*, const VelaString&, bool) { return this; }
MDXSet* MDXSet::DrillDownOnSet(const VelaString&) { return this; }
MDXSet* MDXSet::DrillDownOnSet(const MDXSet*) { return this; }
MDXSet* MDXSet::DrillUp(const VelaString&) { return this; }
MDXSet* MDXSet::DrillUpOnSet(const VelaString&) { return this; }
MDXSet* MDXSet::DrillUpOnSet(const MDXSet*) { return this; }
MDXSet* MDXSet::ToggleDrillStateOnSet(const MDXSet*, bool) { return this; }
MDXSet* MDXSet::Invert(const KIVA_o::Hierarchy*) { return this; }
MDXSet* MDXSet::TakeAncestorsOfMember(const VelaString&, bool, long) { return this; }
MDXSet* MDXSet::TakeAncestorsOfSet(const VelaString&, const KIVA_o::Hierarchy*, bool, long, long) { return this; }
MDXSet* MDXSet::TakeSiblings(const MDXField*, const KIVA_o::Dimension*) { return this; }
MDXSet* MDXSet::TakeChildren(const MDXSet*, const KIVA_o::Hierarchy*, bool, long, const VelaString&) { return this; }
MDXSet* MDXSet::TakeChildren(const MDXField*) { return this; }
MDXSet* MDXSet::TakeDescendants(const VelaString&, const VelaString&) { return this; }
MDXSet* MDXSet::TakeDescendants(const VelaString&, const KIVA_o::Hierarchy*, bool, long, const VelaString&) { return this; }
MDXSet* MDXSet::TakeDescendants(const MDXField*) { return this; }
MDXSet* MDXSet::Extract(const VelaString&, const KIVA_o::Hierarchy*) { return this; }
