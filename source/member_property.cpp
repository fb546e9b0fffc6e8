#include "mdxgen/member_property.h"

#include "source/instance_counters.h"
#include "source/text/compose.h"

// Both constructors number their instances from one counter; the one-name
// form registers under its own spelling.
MDXMemberProperty::MDXMemberProperty(const VelaString& owner, const VelaString& property)
    : RefCountImpl(L"MDXMemberProperty", mdxgen_detail::nextMemberPropertyInstance()),
      owner_(owner),
      property_(property) {}

MDXMemberProperty::MDXMemberProperty(const VelaString& property)
    : RefCountImpl(L"MDXMemberPRoperty", mdxgen_detail::nextMemberPropertyInstance()),
      property_(property) {}

MDXMemberProperty::~MDXMemberProperty() = default;

VelaString MDXMemberProperty::getPropertyUniqueName() const {
  if (owner_.length() > 0) return mdxgen_detail::concat({L"[", property_, L"]"});
  return property_;
}

VelaString MDXMemberProperty::getText() const {
  if (owner_.length() > 0) return mdxgen_detail::concat({owner_, L".", getPropertyUniqueName()});
  return property_;
}

void MDXMemberProperty::writeText(VelaString& out) const { out = getText(); }
