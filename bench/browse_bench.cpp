// What a host does while a user browses: drill, filter, sort, read a SELECT
// in both forms. Each workload has a floor beside it, copying the same
// output bytes with memcpy; tools/bench.sh reports each workload's ratio to
// its floor. Also the growth of nested wrappers, of the subset between two
// members, of long WITH clauses, and the cost of the instance log while its
// unit is off.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/alloc_counter.h"
#include "mdxgen/mdxgen.h"
#include "memory_host.h"

namespace {

struct Cube {
  fake::Hierarchy time{L"[Time]", {L"[Time].[Year]", L"[Time].[Quarter]", L"[Time].[Month]"}};
  fake::Hierarchy store{L"[Store]", {L"[Store].[(All)]", L"[Store].[Store Country]",
                                     L"[Store].[Store State]", L"[Store].[Store City]"}};
  fake::Level city{L"[Store].[Store City]"};
  // The host's condition tree, part of its model like the levels above.
  std::unique_ptr<fake::Expression> filter{fake::node(
      KIVA_o::ET_GREATERTHAN,
      {fake::node(KIVA_o::ET_TUPLE_VALUE, {fake::node(KIVA_o::ET_CURRENT)}), fake::number(100)})};
};

// One browse session; returns the bytes of MDX text it produced.
std::size_t browseSession(const Cube& cube, std::vector<VelaString>* texts) {
  std::size_t bytes = 0;
  MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXSet> years(g->GenerateSet(VelaString(L"[Time].[Year].MEMBERS")));
  auto_unuse<MDXField> year(g->GenerateField(L"[Time].[2024]"));
  years->DrillDownOnSet(year->getText());
  years->DrillUpOnSet(VelaString(L"{[Time].[2024]}"));
  auto_unuse<MDXSet> stores(g->GenerateSet(&cube.city));
  auto_unuse<MDXTuple> units(g->GenerateTuple());
  auto_unuse<MDXField> measure(g->GenerateField(L"[Measures].[Unit Sales]"));
  units->AddField(measure.get());
  stores->TakeExtremity(MDXSet::Top, MDXSet::Count, L"5", units.get());
  stores->TakeFilter(cube.filter.get(), units.get());
  auto_unuse<MDXValue> sales(g->GenerateValue(VelaString(L"[Measures].[Store Sales]")));
  stores->Order(MDXSet::BDesc, sales.get());
  auto_unuse<MDXSelectQuery> select(
      static_cast<MDXSelectQuery*>(g->GenerateQuery(MDXQuery::Select, nullptr)));
  auto_unuse<MDXField> price(g->GenerateField(L"[Measures].[Price]"));
  auto_unuse<MDXValue> formula(
      g->GenerateValue(VelaString(L"[Measures].[Store Sales] / [Measures].[Unit Sales]")));
  select->AddMemberFormula(price.get(), formula.get(), 1, {}, {});
  auto_unuse<MDXSet> measures(g->GenerateSet(measure.get()));
  *measures += *price;
  select->AddAxisSpecification(0, measures.get(), {}, MDXSelectQuery::NonEmpty);
  select->AddAxisSpecification(1, stores.get(), {}, MDXSelectQuery::MayBeEmpty);
  select->AddSlicerSpecification(year.get());
  const VelaString line = select->getText(false);
  const VelaString laidOut = select->getText(true);
  bytes += (line.size() + laidOut.size() + years->getText().size()) * sizeof(wchar_t);
  if (texts) *texts = {line, laidOut, years->getText()};
  delete g;
  return bytes;
}

void BM_BrowseSession(benchmark::State& state) {
  Cube cube;
  std::size_t bytes = 0;
  bench::AllocationCount allocs;
  for (auto _ : state) bytes = browseSession(cube, nullptr);
  allocs.report(state);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_BrowseSession);

// Copies the same output bytes as one browse session.
void BM_BrowseSession_Floor(benchmark::State& state) {
  Cube cube;
  std::vector<VelaString> texts;
  browseSession(cube, &texts);
  std::vector<wchar_t> out(8192);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    std::size_t at = 0;
    for (const auto& t : texts) {
      std::memcpy(out.data() + at, t.c_str(), t.size() * sizeof(wchar_t));
      at += t.size();
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  allocs.report(state);
}
BENCHMARK(BM_BrowseSession_Floor);

// depth wrappers around one member: each wrap copies the text once, so the
// total work grows with the square of the depth.
void BM_NestedWrappers(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXSet* s = new MDXSet(VelaString(L"[Store].[USA]"));
    for (int i = 0; i < depth; ++i) s->Hierarchize(false);
    benchmark::DoNotOptimize(s->getText().size());
    s->unuse();
  }
  allocs.report(state);
  state.SetComplexityN(depth);
}
BENCHMARK(BM_NestedWrappers)->RangeMultiplier(4)->Range(16, 1024)->Complexity(benchmark::oNSquared);

void BM_NestedWrappers_Floor(benchmark::State& state) {
  // The final text's length: the member plus 15 characters per wrap.
  const std::size_t size = 13 + 15 * static_cast<std::size_t>(state.range(0));
  std::vector<wchar_t> from(size, L'x'), to(size);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size * sizeof(wchar_t));
    benchmark::DoNotOptimize(to.data());
  }
  allocs.report(state);
}
BENCHMARK(BM_NestedWrappers_Floor)->RangeMultiplier(4)->Range(16, 1024);

// The subset between two members writes the set's text sixteen times.
void BM_SubsetBetweenMembers(benchmark::State& state) {
  const VelaString text(std::wstring(static_cast<std::size_t>(state.range(0)), L's'));
  MDXField* a = new MDXField(VelaString(L"[Time].[2023]"));
  MDXField* b = new MDXField(VelaString(L"[Time].[2024]"));
  MDXTuple* from = (new MDXTuple())->AddField(a);
  MDXTuple* to = (new MDXTuple())->AddField(b);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXSet* s = new MDXSet(text);
    s->TakeSubset(from, to);
    benchmark::DoNotOptimize(s->getText().size());
    s->unuse();
  }
  allocs.report(state);
  from->unuse();
  to->unuse();
  a->unuse();
  b->unuse();
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SubsetBetweenMembers)->RangeMultiplier(8)->Range(16, 8192)->Complexity(benchmark::oN);

void BM_SubsetBetweenMembers_Floor(benchmark::State& state) {
  const std::size_t size = 16 * static_cast<std::size_t>(state.range(0)) + 700;
  std::vector<wchar_t> from(size, L'x'), to(size);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size * sizeof(wchar_t));
    benchmark::DoNotOptimize(to.data());
  }
  allocs.report(state);
}
BENCHMARK(BM_SubsetBetweenMembers_Floor)->RangeMultiplier(8)->Range(16, 8192);

// A SELECT with n member formulas in its WITH clause, read in one line.
void BM_LongWithClause(benchmark::State& state) {
  MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXSelectQuery> select(
      static_cast<MDXSelectQuery*>(g->GenerateQuery(MDXQuery::Select, nullptr)));
  auto_unuse<MDXSet> axis(g->GenerateSet(VelaString(L"[Measures].MEMBERS")));
  select->AddAxisSpecification(0, axis.get(), {}, MDXSelectQuery::MayBeEmpty);
  for (int i = 0; i < state.range(0); ++i) {
    auto_unuse<MDXField> m(g->GenerateField(L"[Measures]", L"M" + std::to_wstring(i)));
    auto_unuse<MDXValue> v(g->GenerateValue(VelaString(L"[Measures].[Unit Sales] * 2")));
    select->AddMemberFormula(m.get(), v.get(), i, {}, {});
  }
  std::size_t size = 0;
  bench::AllocationCount allocs;
  for (auto _ : state) {
    const VelaString text = select->getText(false);
    size = text.size();
    benchmark::DoNotOptimize(text.c_str());
  }
  allocs.report(state);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size * sizeof(wchar_t)));
  state.SetComplexityN(state.range(0));
  delete g;
}
BENCHMARK(BM_LongWithClause)->RangeMultiplier(4)->Range(4, 1024)->Complexity(benchmark::oN);

void BM_LongWithClause_Floor(benchmark::State& state) {
  const std::size_t size = 80 * static_cast<std::size_t>(state.range(0)) + 60;
  std::vector<wchar_t> from(size, L'x'), to(size);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size * sizeof(wchar_t));
    benchmark::DoNotOptimize(to.data());
  }
  allocs.report(state);
}
BENCHMARK(BM_LongWithClause_Floor)->RangeMultiplier(4)->Range(4, 1024);

// use and unuse with the instance log's unit off (the normal case) and on
// (a sink that drops every record), to show that nothing is built while
// the unit is off.
void BM_UseUnuse(benchmark::State& state) {
  const bool logOn = state.range(0) != 0;
  auto* log = support_dll::getLogObject();
  const std::string unit = support_dll::CoreLog::getUnitString(L"MEMORY", L"RefCount");
  if (logOn) {
    log->setSink([](const support_dll::LogRecord&) {});
    log->setVerbosity(unit, 6);
  }
  MDXField* f = new MDXField(VelaString(L"[Time].[2024]"));
  bench::AllocationCount allocs;
  for (auto _ : state) {
    f->use();
    f->unuse();
  }
  allocs.report(state);
  f->unuse();
  log->setVerbosity(unit, 0);
  log->setSink(nullptr);
}
BENCHMARK(BM_UseUnuse)->ArgName("logOn")->Arg(0)->Arg(1);

}  // namespace
