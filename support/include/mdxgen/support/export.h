/// \file
/// Export macro of the portable support layer (liborvo_support). The library
/// is compiled with hidden visibility; only what carries this macro is exported.
#pragma once

/// Marks a class or function exported from liborvo_support.
#define ORVO_API __attribute__((visibility("default")))
