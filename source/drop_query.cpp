// DROP of calculated members or of named sets: the first name fixes which.
#include "mdxgen/error.h"
#include "mdxgen/statements.h"
#include "source/text/writer.h"

using mdxgen_detail::TextWriter;

MDXDropQuery::MDXDropQuery(const VelaString& cubeName) : MDXQuery(cubeName, Drop) {}

MDXDropQuery::~MDXDropQuery() = default;

// "DROP " + "MEMBER " or "SET " + (K + "." + name + " ") for each name.
VelaString MDXDropQuery::getText(bool) const {
  if (names_.empty()) throw MDXError(MDXError::kNothingToDrop);
  TextWriter out;
  out << L"DROP " << (kind_ == Members ? L"MEMBER " : L"SET ");
  for (const VelaString& name : names_) out << getCubeName() << L"." << name << L" ";
  return out.str();
}

void MDXDropQuery::writeText(VelaString& out) const { out = getText(false); }

bool MDXDropQuery::AddMemberToDrop(const VelaString& name) { return addName(name, Members); }

bool MDXDropQuery::AddSetToDrop(const VelaString& name) { return addName(name, Sets); }

bool MDXDropQuery::addName(const VelaString& name, Kind kind) {
  if (kind_ != Nothing && kind_ != kind) throw MDXError(MDXError::kDropKindMismatch);
  names_.push_back(name);
  kind_ = kind;
  return true;
}
