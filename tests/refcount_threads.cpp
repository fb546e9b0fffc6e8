// use and unuse from several threads at once keep the count exact and
// destroy the object exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "memory_host.h"

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

// The instance log switched on and off while other threads make, share,
// filter (each with its thread's condition text) and give back objects: no thread keeps a level the log no longer
// has, so once the log is on again and the threads have met, each of their
// events is logged.
TEST(RefCountThreads, InstanceLogSwitchedWhileThreadsWork) {
  auto* log = support_dll::getLogObject();
  const std::string unit = support_dll::CoreLog::getUnitString(L"MEMORY", L"RefCount");
  std::atomic<int> records{0};
  log->setSink([&records](const support_dll::LogRecord&) { records.fetch_add(1); });
  std::unique_ptr<MDXQueryGenerator> generator(createMSOLAP8QueryGenerator(L"[Sales]"));
  auto_unuse<MDXTuple> tuple(generator->GenerateTuple());
  tuple->AddField(auto_unuse<MDXField>(generator->GenerateField(L"[Measures].[Units]")).get());
  // A condition on the current tuple, translated by each thread's walk.
  const std::unique_ptr<fake::Expression> condition(fake::node(
      KIVA_o::ET_GREATERTHAN,
      {fake::node(KIVA_o::ET_TUPLE_VALUE, {fake::node(KIVA_o::ET_CURRENT)}), fake::number(100)}));
  auto work = [&] {
    auto_unuse<MDXSet> set(generator->GenerateSet(VelaString(L"S")));
    set->TakeFilter(condition.get(), tuple.get());
    EXPECT_EQ(set->getText(), L"FILTER( S, [Measures].[Units] > 100)");
    set->use();
    set->unuse();
  };
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      while (!stop.load()) work();
    });
  }
  for (int i = 0; i < 200; ++i) log->setVerbosity(unit, i % 2 == 0 ? 6 : 0);
  stop = true;
  for (auto& thread : threads) thread.join();
  threads.clear();

  log->setVerbosity(unit, 6);
  records = 0;
  for (int t = 0; t < 3; ++t) threads.emplace_back(work);
  for (auto& thread : threads) thread.join();
  // Each thread: Created, raised to 2, lowered to 1, lowered to 0, Destroyed.
  EXPECT_EQ(records.load(), 3 * 5);
  log->setVerbosity(unit, 0);
  log->setSink(nullptr);
}
