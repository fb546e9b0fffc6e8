/// \file
/// mdxgen: MDX text generation for OLAP servers of the Analysis Services
/// dialect. This umbrella header declares everything a host uses.
#pragma once

#include "mdxgen/support/core_log.h"
#include "mdxgen/support/exceptions.h"
#include "mdxgen/support/file.h"
#include "mdxgen/support/kiva.h"
#include "mdxgen/support/oleauto.h"
#include "mdxgen/support/refcount.h"
#include "mdxgen/support/registry.h"
#include "mdxgen/support/string_converters.h"
#include "mdxgen/support/velastring.h"

#include "mdxgen/error.h"
#include "mdxgen/field.h"
#include "mdxgen/formula_specification.h"
#include "mdxgen/generator.h"
#include "mdxgen/member_property.h"
#include "mdxgen/query_log.h"
#include "mdxgen/quoting.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/set.h"
#include "mdxgen/statements.h"
#include "mdxgen/tuple.h"
#include "mdxgen/value.h"
