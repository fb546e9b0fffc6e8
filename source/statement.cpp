// The statement base: the cube a statement is about and its kind. Every
// statement registers under one name and one counter, whatever its class.
#include "mdxgen/statements.h"

#include "source/instance_counters.h"

MDXQuery::MDXQuery(const VelaString& cubeName, QueryType type)
    : RefCountImpl(L"MDXQuery", mdxgen_detail::nextQueryInstance()),
      queryType_(type),
      cubeName_(cubeName) {}

MDXQuery::~MDXQuery() = default;
