// Instance numbers given out on several threads at once, one generator per
// thread: each family's numbers stay distinct.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "mdxgen/mdxgen.h"

TEST(InstanceThreads, EveryFamilyNumbersDistinctAcrossThreads) {
  using Make = std::function<support::RefCountImpl*(MDXQueryGenerator*)>;
  const struct {
    Make make;
    int each;  // objects per thread
  } families[] = {
      {[](MDXQueryGenerator* g) { return g->GenerateField(L"[Time].[1997]"); }, 20000},
      {[](MDXQueryGenerator* g) { return g->GenerateSet(VelaString(L"{S}")); }, 2000},
      {[](MDXQueryGenerator* g) { return g->GenerateTuple(); }, 2000},
      {[](MDXQueryGenerator* g) { return g->GenerateValue(1); }, 2000},
      {[](MDXQueryGenerator* g) { return g->GenerateMemberProperty(L"P"); }, 2000},
      {[](MDXQueryGenerator* g) { return g->GenerateQuery(MDXQuery::Select, nullptr); }, 2000},
  };
  constexpr int kThreads = 8;
  std::vector<std::vector<unsigned>> numbers(kThreads * std::size(families));
  std::vector<std::thread> threads;
  std::atomic<int> waiting{kThreads};  // every thread starts at once
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
      --waiting;
      while (waiting.load() > 0) std::this_thread::yield();
      for (std::size_t f = 0; f < std::size(families); ++f) {
        auto& mine = numbers[static_cast<std::size_t>(t) * std::size(families) + f];
        for (int i = 0; i < families[f].each; ++i) {
          support::RefCountImpl* object = families[f].make(generator);
          mine.push_back(object->getInstanceNumber());
          object->unuse();
        }
      }
      delete generator;
    });
  }
  for (auto& thread : threads) thread.join();
  for (std::size_t f = 0; f < std::size(families); ++f) {
    std::set<unsigned> distinct;
    for (int t = 0; t < kThreads; ++t) {
      const auto& mine = numbers[static_cast<std::size_t>(t) * std::size(families) + f];
      distinct.insert(mine.begin(), mine.end());
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads * families[f].each)) << f;
  }
}
