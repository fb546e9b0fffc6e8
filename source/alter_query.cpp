// ALTER CUBE ... CREATE DIMENSION MEMBER: a new member under a parent.
#include "mdxgen/statements.h"
#include "source/text/compose.h"

MDXAlterQuery::MDXAlterQuery(const VelaString& cubeName) : MDXQuery(cubeName, Alter) {}

MDXAlterQuery::~MDXAlterQuery() = default;

// The member's name is written twice: after its parent, and as its key.
VelaString MDXAlterQuery::getText(bool) const {
  return mdxgen_detail::concat({L"ALTER CUBE ", getCubeName(), L" CREATE DIMENSION MEMBER ",
                                parentName_, L".", memberName_, L", KEY = '[", memberName_,
                                L"]' "});
}

void MDXAlterQuery::writeText(VelaString& out) const { out = getText(false); }

void MDXAlterQuery::addNames(const VelaString& parent, const VelaString& member) {
  parentName_ = parent;
  memberName_ = member;
}
