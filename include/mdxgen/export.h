/// \file
/// Export macro of libmdxgen: the library is compiled with hidden visibility
/// and exports only what carries this macro.
#pragma once

#define MDXGEN_API __attribute__((visibility("default")))
