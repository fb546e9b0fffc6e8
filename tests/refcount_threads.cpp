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
  auto_unuse<MDXSet> axis(generator->GenerateSet(VelaString(L"S")));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        auto_unuse<MDXQuery> create(generator->GenerateQuery(MDXQuery::Create, nullptr));
        static_cast<MDXCreateQuery*>(create.get())->AddSetFormula(L"[A]", axis.get());
        auto_unuse<MDXQuery> drop(generator->GenerateQuery(MDXQuery::Drop, nullptr));
        static_cast<MDXDropQuery*>(drop.get())->AddSetToDrop(L"[A]");
        auto_unuse<MDXQuery> select(generator->GenerateQuery(MDXQuery::Select, nullptr));
        static_cast<MDXSelectQuery*>(select.get())
            ->AddAxisSpecification(0, axis.get(), {}, MDXSelectQuery::MayBeEmpty);
        create->getText(false);
        const std::wstring text = select->getText(false).wstr();
        EXPECT_EQ(text.substr(text.find(L"SELECT S")), L"SELECT S ON COLUMNS FROM [Sales] ");
        drop->getText(false);
      }
    });
  }
  for (auto& thread : threads) thread.join();
}
