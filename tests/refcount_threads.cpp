// use and unuse from several threads at once keep the count exact and
// destroy the object exactly once.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "mdxgen/mdxgen.h"

TEST(RefCountThreads, ConcurrentUseAndUnuseBalance) {
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  MDXField* field = generator->GenerateField(L"[Time].[1997]");
  constexpr int kThreads = 4;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([field] {
      for (int i = 0; i < 20000; ++i) {
        field->use();
        field->unuse();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(field->getRefCount(), 1);
  // The last reference given back on another thread destroys it once.
  threads.clear();
  for (int t = 1; t < kThreads; ++t) field->use();
  for (int t = 0; t < kThreads; ++t) threads.emplace_back([field] { field->unuse(); });
  for (auto& thread : threads) thread.join();
  delete generator;
}
