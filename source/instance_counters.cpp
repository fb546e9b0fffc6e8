#include "source/instance_counters.h"

namespace mdxgen_detail {
namespace {
std::uint32_t g_fields = 0;
std::uint32_t g_sets = 0;
std::uint32_t g_tuples = 0;
std::uint32_t g_values = 0;
std::uint32_t g_memberProperties = 0;
std::uint32_t g_queries = 0;
}  // namespace

std::uint32_t nextFieldInstance() { return g_fields++; }
std::uint32_t nextSetInstance() { return g_sets++; }
std::uint32_t nextTupleInstance() { return g_tuples++; }
std::uint32_t nextValueInstance() { return g_values++; }
std::uint32_t nextMemberPropertyInstance() { return g_memberProperties++; }
std::uint32_t nextQueryInstance() { return g_queries++; }

}  // namespace mdxgen_detail
