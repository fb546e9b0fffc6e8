#include "source/instance_counters.h"

#include <atomic>

namespace mdxgen_detail {
namespace {
// Relaxed: each number is given once, and nothing else is ordered by it.
std::atomic<std::uint32_t> g_fields{0};
std::atomic<std::uint32_t> g_sets{0};
std::atomic<std::uint32_t> g_tuples{0};
std::atomic<std::uint32_t> g_values{0};
std::atomic<std::uint32_t> g_memberProperties{0};
std::atomic<std::uint32_t> g_queries{0};

std::uint32_t next(std::atomic<std::uint32_t>& counter) {
  return counter.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

std::uint32_t nextFieldInstance() { return next(g_fields); }
std::uint32_t nextSetInstance() { return next(g_sets); }
std::uint32_t nextTupleInstance() { return next(g_tuples); }
std::uint32_t nextValueInstance() { return next(g_values); }
std::uint32_t nextMemberPropertyInstance() { return next(g_memberProperties); }
std::uint32_t nextQueryInstance() { return next(g_queries); }

}  // namespace mdxgen_detail
