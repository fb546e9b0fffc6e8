// The generator's neutral part: its cube name and the query log it opens on
// first request. The dialects' generators are in source/dialect/.
#include "mdxgen/generator.h"

#include <memory>

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "mdxgen/member_property.h"
#include "mdxgen/query_log.h"
#include "mdxgen/set.h"
#include "mdxgen/statements.h"
#include "mdxgen/tuple.h"
#include "mdxgen/value.h"
#include "source/library_log.h"
#include "source/text/decimal.h"

MDXQueryGenerator::MDXQueryGenerator(const VelaString& cubeName) : cubeName_(cubeName) {}

MDXQueryGenerator::MDXQueryGenerator(const MDXQueryGenerator& other)
    : cubeName_(other.cubeName_) {}

MDXQueryGenerator& MDXQueryGenerator::operator=(const MDXQueryGenerator& other) {
  if (this != &other) {
    cubeName_ = other.cubeName_;
    queryLog_.reset();
    logRequested_ = false;
  }
  return *this;
}

MDXQueryGenerator::~MDXQueryGenerator() = default;

MDXQueryLog* MDXQueryGenerator::GetMDXQueryLog() {
  if (!logRequested_) {
    queryLog_.reset(create_mdx_query_log());
    logRequested_ = true;
  }
  return queryLog_.get();
}
