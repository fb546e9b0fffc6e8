// Counts the heap allocations a benchmark makes: every program in bench/
// links alloc_counter.cpp, which replaces the global operator new with one
// that adds 1 to a counter before it allocates.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace bench {

// Allocations made by this process so far.
std::uint64_t allocations();

// Reads the counter when made; report() adds the allocations made since,
// per iteration, as the column "allocs" beside the benchmark's time.
//
//   AllocationCount count;
//   for (auto _ : state) ...;
//   count.report(state);
class AllocationCount {
 public:
  AllocationCount() : start_(allocations()) {}
  void report(benchmark::State& state) const {
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations() - start_),
                                                  benchmark::Counter::kAvgIterations);
  }

 private:
  std::uint64_t start_;
};

}  // namespace bench
