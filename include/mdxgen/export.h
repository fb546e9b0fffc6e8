/// \file
/// Export macro of libmdxgen: the library is compiled with hidden visibility
/// and exports only what carries this macro.
#pragma once

/// Marks a class or function exported from libmdxgen.
#define MDXGEN_API __attribute__((visibility("default")))
