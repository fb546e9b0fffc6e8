// Placeholder bodies, replaced as each group of operations is built.
#include "mdxgen/set.h"

MDXSet* MDXSet::TakeFilter(MDXValue*) { return this; }
MDXSet* MDXSet::TakeFilter(const VelaString&) { return this; }
MDXSet* MDXSet::TakeFilter(KIVA_o::Expression*, const MDXTuple*) { return this; }
MDXSet* MDXSet::Filter(KIVA_o::Expression*, const MDXTuple*) { return this; }
void MDXSet::translate_condition(VelaString&, KIVA_o::Expression*, const MDXTuple*) {}
bool MDXSet::server_translate(VelaString&, KIVA_o::Expression*, const MDXTuple*) { return false; }
