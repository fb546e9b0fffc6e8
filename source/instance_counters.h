// The per-family instance counters of the instance log, and the one body
// that gives back a reference on each element of a vector.
#pragma once

#include <cstdint>
#include <vector>

namespace mdxgen_detail {

// Each returns the family counter's current value and then adds 1, as one
// atomic step: threads creating objects at once get distinct numbers.
std::uint32_t nextFieldInstance();
std::uint32_t nextSetInstance();
std::uint32_t nextTupleInstance();
std::uint32_t nextValueInstance();
std::uint32_t nextMemberPropertyInstance();
std::uint32_t nextQueryInstance();

template <class T>
void unuseEach(const std::vector<T*>& objects) {
  for (std::size_t i = 0; i < objects.size(); ++i) objects[i]->unuse();
}

}  // namespace mdxgen_detail
