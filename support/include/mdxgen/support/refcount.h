/// \file
/// The reference-counting interface of every shared object.
#pragma once

#include "mdxgen/support/export.h"

namespace olap_api {

class ORVO_API RefCount {
 public:
  // Takes one more reference; returns the new count.
  virtual long use() = 0;
  // Gives up one reference and destroys the object when the count reaches
  // 0; returns the new count.
  virtual long unuse() = 0;
  virtual ~RefCount();
};

}  // namespace olap_api
