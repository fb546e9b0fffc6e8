/// \file
/// Escaping of text for the two quoting forms of MDX.
#pragma once

#include "mdxgen/export.h"
#include "mdxgen/support/velastring.h"

/// Prepares text to stand inside a single-quoted MDX string: every
/// apostrophe is doubled ("Joe's" becomes "Joe''s"); nothing else changes.
/// Replaces the content of `out`, which may be `in`.
MDXGEN_API void quote_member_name(VelaString& out, const VelaString& in);

/// Prepares a bare name to stand inside square brackets: every closing
/// bracket is doubled ("a]b" becomes "a]]b", and "[a]" becomes "[a]]", so
/// pass the name without its brackets). Replaces the content of `out`,
/// which may be `in`. Operations that bracket a name (MDXField::MoveToChild)
/// expect it escaped this way.
MDXGEN_API void double_square_brackets(VelaString& out, const VelaString& in);
