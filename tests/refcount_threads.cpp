// use and unuse from several threads at once keep the count exact and
// destroy the object exactly once.
#include <gtest/gtest.h>

#include <memory>
#include <string>
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

// The statements of one Mondrian generator share its session: CREATE, DROP
// and SELECT texts taken on several threads at once.
TEST(RefCountThreads, MondrianSessionSharedByThreads) {
  std::unique_ptr<MDXQueryGenerator> generator(createMondrianQueryGenerator(L"[Sales]"));
  auto make = [&](MDXQuery::QueryType type) {
    return auto_unuse<MDXQuery>(generator->GenerateQuery(type, nullptr));
  };
  // Each thread its own statements and fragments; only the session is shared.
  std::vector<std::vector<auto_unuse<MDXQuery>>> statements(4);
  for (auto& own : statements) {
    auto_unuse<MDXSet> axis(generator->GenerateSet(VelaString(L"S")));
    own = {make(MDXQuery::Create), make(MDXQuery::Drop), make(MDXQuery::Select)};
    static_cast<MDXCreateQuery*>(own[0].get())->AddSetFormula(L"[A]", axis.get());
    static_cast<MDXDropQuery*>(own[1].get())->AddSetToDrop(L"[A]");
    static_cast<MDXSelectQuery*>(own[2].get())
        ->AddAxisSpecification(0, axis.get(), {}, MDXSelectQuery::MayBeEmpty);
  }
  std::vector<std::thread> threads;
  for (const auto& own : statements) {
    threads.emplace_back([&own] {
      for (int i = 0; i < 200; ++i) {
        for (const auto& statement : own) {
          const std::wstring text = statement->getText(false).wstr();
          EXPECT_EQ(text.substr(text.rfind(L"FROM")), L"FROM [Sales] ");
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
}
