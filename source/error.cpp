#include "mdxgen/error.h"

const VelaString& mdxModuleName() {
  static const VelaString name(L"ODBOMODULE");
  return name;
}

MDXError::MDXError(unsigned long code) : ExceptionCommon(mdxModuleName(), code) {}

MDXError::MDXError(const MDXError& other)
    : olap_api::ApiException(other), ExceptionCommon(other), olap_api::ServerException(other) {}

MDXError::~MDXError() = default;

MDXError* MDXError::clone() const { return new MDXError(*this); }
