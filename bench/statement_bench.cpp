// Statements: the text of a full SELECT in both forms and of a CREATE with
// many formulas, and the three ways to join a text of many pieces set side
// by side: sizing first then copying, appending to a growing string (what the
// statements do), and collecting views of the pieces before one join.
#include <benchmark/benchmark.h>

#include <string_view>
#include <vector>

#include "bench/alloc_counter.h"
#include "mdxgen/mdxgen.h"

namespace {

// The SELECT of the worked example: a WITH member, two axes (one with a
// range and a property), a slicer and two cell properties.
struct Select {
  Select() {
    auto_unuse<MDXField> m2(generator->GenerateField(L"[Measures].[M2]"));
    auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"[Measures].[M1] * 2")));
    auto_unuse<MDXSet> columns(
        generator->GenerateSet(VelaString(L"{[Measures].[M1], [Measures].[M2]}")));
    auto_unuse<MDXSet> rows(generator->GenerateSet(VelaString(L"[D].[L1].MEMBERS")));
    auto_unuse<MDXField> slicer(generator->GenerateField(L"[T].[Y1]"));
    query->AddMemberFormula(m2.get(), v.get(), 1, {}, {});
    query->AddAxisSpecification(0, columns.get(), {}, MDXSelectQuery::NonEmpty);
    query->AddAxisSpecification(1, rows.get(), {L"[D].[L1].[P1]"}, MDXSelectQuery::MayBeEmpty);
    query->AddAxisRange(1, 0, 9);
    query->AddSlicerSpecification(slicer.get());
    query->AddCellProperties({L"VALUE", L"FORMATTED_VALUE"});
  }
  Select(const Select&) = delete;
  Select& operator=(const Select&) = delete;
  ~Select() {
    query->unuse();
    delete generator;
  }
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  MDXSelectQuery* query =
      static_cast<MDXSelectQuery*>(generator->GenerateQuery(MDXQuery::Select, nullptr));
};

void BM_SelectText(benchmark::State& state) {
  Select select;
  const bool laidOut = state.range(0) != 0;
  bench::AllocationCount allocs;
  for (auto _ : state) benchmark::DoNotOptimize(select.query->getText(laidOut));
  allocs.report(state);
}
BENCHMARK(BM_SelectText)->ArgName("laidOut")->Arg(0)->Arg(1);

void BM_CreateText(benchmark::State& state) {
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  auto_unuse<MDXCreateQuery> create(
      static_cast<MDXCreateQuery*>(generator->GenerateQuery(MDXQuery::Create, nullptr)));
  auto_unuse<MDXField> member(generator->GenerateField(L"[Measures].[M2]"));
  auto_unuse<MDXValue> value(generator->GenerateValue(VelaString(L"[Measures].[M1] * 2")));
  for (int i = 0; i < state.range(0); ++i)
    create->AddMemberFormula(member.get(), value.get(), i, {L"FORMAT_STRING"}, {L"'0.00'"});
  bench::AllocationCount allocs;
  for (auto _ : state) benchmark::DoNotOptimize(create->getText(false));
  allocs.report(state);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  delete generator;
}
BENCHMARK(BM_CreateText)->Arg(1)->Arg(16)->Arg(128);

// Texts of growing length, each followed by a blank, as a statement joins
// its formulas or axes.
std::vector<VelaString> pieces(benchmark::State& state) {
  std::vector<VelaString> texts;
  for (int i = 0; i < state.range(0); ++i)
    texts.emplace_back(std::wstring(static_cast<std::size_t>(5 + 3 * i), L'x'));
  return texts;
}

// Adds up the sizes of the pieces, then copies them into a string sized once.
void BM_JoinSizedFirst(benchmark::State& state) {
  const std::vector<VelaString> texts = pieces(state);
  const std::wstring_view blank = L" ";
  bench::AllocationCount allocs;
  for (auto _ : state) {
    std::size_t size = 0;
    for (const VelaString& t : texts) size += t.size() + blank.size();
    std::wstring text;
    text.reserve(size);
    for (const VelaString& t : texts) text.append(t.wstr()).append(blank);
    benchmark::DoNotOptimize(text);
  }
  allocs.report(state);
}
BENCHMARK(BM_JoinSizedFirst)->Arg(4)->Arg(20)->Arg(200);

void BM_JoinAppending(benchmark::State& state) {
  const std::vector<VelaString> texts = pieces(state);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    VelaString text;
    for (const VelaString& t : texts) {
      text += t;
      text += L" ";
    }
    benchmark::DoNotOptimize(text);
  }
  allocs.report(state);
}
BENCHMARK(BM_JoinAppending)->Arg(4)->Arg(20)->Arg(200);

void BM_JoinCollectedViews(benchmark::State& state) {
  const std::vector<VelaString> texts = pieces(state);
  bench::AllocationCount allocs;
  for (auto _ : state) {
    std::vector<std::wstring_view> views;
    views.reserve(32);
    std::size_t size = 0;
    for (const VelaString& t : texts) {
      for (std::wstring_view piece : {std::wstring_view(t), std::wstring_view(L" ")}) {
        views.push_back(piece);
        size += piece.size();
      }
    }
    std::wstring text;
    text.reserve(size);
    for (std::wstring_view piece : views) text.append(piece);
    benchmark::DoNotOptimize(text);
  }
  allocs.report(state);
}
BENCHMARK(BM_JoinCollectedViews)->Arg(4)->Arg(20)->Arg(200);

}  // namespace
