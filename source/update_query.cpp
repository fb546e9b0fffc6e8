// UPDATE CUBE: one value written into the cell named by a tuple of members.
#include "mdxgen/statements.h"
#include "source/text/writer.h"

using mdxgen_detail::TextWriter;

MDXUpdateQuery::MDXUpdateQuery(const VelaString& cubeName) : MDXQuery(cubeName, Update) {}

MDXUpdateQuery::~MDXUpdateQuery() = default;

// "UPDATE CUBE " + K + " SET(" + names joined by ", " + ") = " + value + " "
VelaString MDXUpdateQuery::getText(bool) const {
  TextWriter out;
  out << L"UPDATE CUBE " << getCubeName() << L" SET(";
  out.list(names_, L", ") << L") = " << value_ << L" ";
  return out.str();
}

void MDXUpdateQuery::writeText(VelaString& out) const { out = getText(false); }

void MDXUpdateQuery::addNameVector(std::vector<VelaString> names) { names_ = std::move(names); }

void MDXUpdateQuery::addData(VelaString& value) { value_ = value; }
