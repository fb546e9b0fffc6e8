// Placeholder bodies of the statements, replaced as each is built.
#include "mdxgen/formula_specification.h"
#include "mdxgen/set.h"
#include "mdxgen/statements.h"
#include "mdxgen/tuple.h"
#include "source/instance_counters.h"

MDXQuery::MDXQuery(const VelaString& cubeName, QueryType type)
    : RefCountImpl(L"MDXQuery", mdxgen_detail::nextQueryInstance()),
      queryType_(type),
      cubeName_(cubeName) {}
MDXQuery::~MDXQuery() = default;

MDXSelectQuery::MDXSelectQuery(const VelaString& cubeName) : MDXQuery(cubeName, Select) {}
MDXSelectQuery::~MDXSelectQuery() = default;
VelaString MDXSelectQuery::getText(bool) const { return VelaString(); }
void MDXSelectQuery::writeText(VelaString& out) const { out = getText(false); }
void MDXSelectQuery::AddSetFormula(const VelaString&, MDXSet*) {}
void MDXSelectQuery::AddMemberFormula(MDXField*, MDXValue*, int, const std::vector<VelaString>&,
                                      const std::vector<VelaString>&) {}
void MDXSelectQuery::AddAxisSpecification(int, MDXSet*, const std::vector<VelaString>&,
                                          NonEmptyStatus) {}
void MDXSelectQuery::AddAxisRange(int, int, int) {}
void MDXSelectQuery::AddSlicerSpecification(MDXField*) {}
void MDXSelectQuery::AddCellProperty(const VelaString&) {}
void MDXSelectQuery::AddCellProperties(const std::vector<VelaString>&) {}
bool MDXSelectQuery::SpecifyDrillThrough(unsigned int) { return true; }
void MDXSelectQuery::setQuery(VelaString&) {}
VelaString MDXSelectQuery::AddSetFormula(MDXSet*) { return VelaString(); }
MSOLAP8SelectQuery::~MSOLAP8SelectQuery() = default;
void MSOLAP8SelectQuery::AddSetFormula(const VelaString&, MDXSet*) {}
void MSOLAP8SelectQuery::AddMemberFormula(MDXField*, MDXValue*, int,
                                          const std::vector<VelaString>&,
                                          const std::vector<VelaString>&) {}

MDXCreateQuery::MDXCreateQuery(const VelaString& cubeName) : MDXQuery(cubeName, Create) {}
MDXCreateQuery::~MDXCreateQuery() = default;
VelaString MDXCreateQuery::getText(bool) const { return VelaString(); }
void MDXCreateQuery::writeText(VelaString& out) const { out = getText(false); }
void MDXCreateQuery::AddMemberFormula(MDXField*, MDXValue*, int, const std::vector<VelaString>&,
                                      const std::vector<VelaString>&) {}
void MDXCreateQuery::AddSetFormula(const VelaString&, MDXSet*) {}
void MDXCreateQuery::AddRawMemberFormula(const VelaString&) {}
MSOLAP8CreateQuery::~MSOLAP8CreateQuery() = default;
void MSOLAP8CreateQuery::AddMemberFormula(MDXField*, MDXValue*, int,
                                          const std::vector<VelaString>&,
                                          const std::vector<VelaString>&) {}
void MSOLAP8CreateQuery::AddSetFormula(const VelaString&, MDXSet*) {}

MDXDropQuery::MDXDropQuery(const VelaString& cubeName) : MDXQuery(cubeName, Drop) {}
MDXDropQuery::~MDXDropQuery() = default;
VelaString MDXDropQuery::getText(bool) const { return VelaString(); }
void MDXDropQuery::writeText(VelaString& out) const { out = getText(false); }
bool MDXDropQuery::AddMemberToDrop(const VelaString&) { return true; }
bool MDXDropQuery::AddSetToDrop(const VelaString&) { return true; }
MSOLAP8DropQuery::~MSOLAP8DropQuery() = default;

MDXAlterQuery::MDXAlterQuery(const VelaString& cubeName) : MDXQuery(cubeName, Alter) {}
MDXAlterQuery::~MDXAlterQuery() = default;
VelaString MDXAlterQuery::getText(bool) const { return VelaString(); }
void MDXAlterQuery::writeText(VelaString& out) const { out = getText(false); }
void MDXAlterQuery::addNames(const VelaString&, const VelaString&) {}
MSOLAP8AlterQuery::~MSOLAP8AlterQuery() = default;

MDXUpdateQuery::MDXUpdateQuery(const VelaString& cubeName) : MDXQuery(cubeName, Update) {}
MDXUpdateQuery::~MDXUpdateQuery() = default;
VelaString MDXUpdateQuery::getText(bool) const { return VelaString(); }
void MDXUpdateQuery::writeText(VelaString& out) const { out = getText(false); }
void MDXUpdateQuery::addNameVector(std::vector<VelaString>) {}
void MDXUpdateQuery::addData(VelaString&) {}

