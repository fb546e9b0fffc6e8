// The code of the MDXError a call raises, for the tables of refusals.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "mdxgen/mdxgen.h"

// 0 when the call returns; the refusals of the statements carry no inserts.
inline unsigned long raisedCode(const std::function<void()>& call) {
  try {
    call();
  } catch (const MDXError& e) {
    EXPECT_TRUE(e.getInserts().empty());
    return e.getErrorCode();
  }
  return 0;
}
