// Set and value expressions: building sets, wrapping chains, appending
// members to a list, nested generations and a value chain. Appending in
// place (AddField) is set beside rebuilding the whole text for each member
// through SetExpression, the quadratic way a host could take.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <vector>

#include "bench/alloc_counter.h"
#include "mdxgen/mdxgen.h"

namespace {

class Level : public KIVA_o::Level {
 public:
  const VelaString& getUniqueName() const override { return name_; }

 private:
  VelaString name_{L"[Store].[Store City]"};
};

class Hierarchy : public KIVA_o::Hierarchy {
 public:
  const VelaString& getUniqueName() const override { return name_; }
  KIVA_o::Level* getLevel(int) const override { return nullptr; }
  int getLevelCount() const override { return 4; }
  void getCalculations(std::map<std::uint32_t, KIVA_o::Calculation*>*) const override {}

 private:
  VelaString name_{L"[Store]"};
};

// A generator and a member, made once per benchmark.
struct Host {
  Host() = default;
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  ~Host() {
    member->unuse();
    delete generator;
  }
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  MDXField* member = generator->GenerateField(L"[Store].[All Stores].[USA].[WA].[Seattle]");
  Level level;
  Hierarchy hierarchy;
};

void BM_SetFromFields(benchmark::State& state) {
  Host host;
  const std::vector<MDXField*> fields(static_cast<std::size_t>(state.range(0)), host.member);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXSet* set = host.generator->GenerateSet(fields);
    benchmark::DoNotOptimize(set);
    set->unuse();
  }
  allocs.report(state);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetFromFields)->Arg(8)->Arg(64)->Arg(512);

// Ten operations a browsing host applies one after the other.
void BM_WrapChain(benchmark::State& state) {
  Host host;
  MDXSet* other = host.generator->GenerateSet(host.member);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXSet* set = host.generator->GenerateSet(&host.level);
    set->AddCalculations()
        ->Hierarchize(false)
        ->DrillDownOnSet(L"{[Store].[All Stores].[USA]}")
        ->DrillUpOnSet(other)
        ->ToggleDrillStateOnSet(other, false)
        ->Unorder()
        ->SpecifyDistinct()
        ->Invert(&host.hierarchy)
        ->Delimit();
    *set += *other;
    benchmark::DoNotOptimize(set->getQuotedText());
    set->unuse();
  }
  allocs.report(state);
  state.SetItemsProcessed(state.iterations() * 10);
  other->unuse();
}
BENCHMARK(BM_WrapChain);

void BM_AddFieldAppend(benchmark::State& state) {
  Host host;
  const std::int64_t n = state.range(0);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXSet* set = host.generator->GenerateSet(host.member);
    for (std::int64_t i = 0; i < n; ++i) set->AddField(*host.member, false);
    benchmark::DoNotOptimize(set);
    set->unuse();
  }
  allocs.report(state);
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddFieldAppend)
    ->Arg(1000)->Arg(10000)->Arg(100000)
    ->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);

void BM_AddFieldRebuild(benchmark::State& state) {
  Host host;
  const std::int64_t n = state.range(0);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXSet* set = host.generator->GenerateSet(host.member);
    for (std::int64_t i = 0; i < n; ++i) {
      VelaString text = set->getText();
      text += L", ";
      text += host.member->getText();
      set->SetExpression(text);
    }
    benchmark::DoNotOptimize(set);
    set->unuse();
  }
  allocs.report(state);
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddFieldRebuild)
    ->Arg(1000)->Arg(10000)
    ->Complexity(benchmark::oNSquared)->Unit(benchmark::kMicrosecond);

// Children down to n generations: n GENERATEs nested in n - 1 UNIONs.
void BM_ChildrenGenerations(benchmark::State& state) {
  Host host;
  MDXSet* members = host.generator->GenerateSet(host.member);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXSet* set = host.generator->GenerateSet();
    set->TakeChildren(members, &host.hierarchy, true, static_cast<long>(state.range(0)), L"");
    benchmark::DoNotOptimize(set);
    set->unuse();
  }
  allocs.report(state);
  state.SetComplexityN(state.range(0));
  members->unuse();
}
BENCHMARK(BM_ChildrenGenerations)->Arg(4)->Arg(16)->Arg(64)->Complexity(benchmark::oN);

void BM_ValueChain(benchmark::State& state) {
  Host host;
  MDXSet* set = host.generator->GenerateSet(&host.level);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    MDXValue* value = host.generator->GenerateValue(0);
    value->TakeCount(set, false)->Add(1)->ReverseSign()->TakeInequality(L"0");
    benchmark::DoNotOptimize(value->getQuotedText());
    value->unuse();
  }
  allocs.report(state);
  state.SetItemsProcessed(state.iterations() * 4);
  set->unuse();
}
BENCHMARK(BM_ValueChain);

}  // namespace
