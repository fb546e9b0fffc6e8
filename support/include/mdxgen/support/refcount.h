/// \file
/// The reference-counting interface of every shared object.
#pragma once

#include "mdxgen/support/export.h"

namespace olap_api {

/// A shared object that lives as long as someone holds a reference to it.
/// A new object holds one reference, owned by whoever asked for it. The
/// count changes atomically, so references may be taken and given back
/// from several threads.
class ORVO_API RefCount {
 public:
  /// Takes one more reference; returns the new count.
  virtual long use() = 0;
  /// Gives up one reference and destroys the object when the count reaches
  /// 0; returns the new count.
  virtual long unuse() = 0;
  /// Reached only through the last unuse() of a library object.
  virtual ~RefCount();
};

}  // namespace olap_api
