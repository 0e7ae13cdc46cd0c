// Typed input to pooled values, and values to display text.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "context/ApplicationContext.h"
#include "value/NumberText.h"
#include "value/Value.h"

using namespace quadrell;

namespace {

std::vector<std::u16string> DistinctNumberTexts(size_t n, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> value(-1e6, 1e6);
  std::vector<std::u16string> texts;
  texts.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    std::string t = FixedForm(value(random), 3);
    texts.emplace_back(t.begin(), t.end());
  }
  return texts;
}

// 1,000,000 distinct typed numbers, each parsed and pooled once (fresh per run).
void BM_ParseInputDistinctNumbers(benchmark::State& state) {
  uint64_t seed = 1;
  for (auto _ : state) {
    state.PauseTiming();
    auto texts = DistinctNumberTexts(1000000, seed++);
    state.ResumeTiming();
    for (const auto& t : texts) benchmark::DoNotOptimize(ParseInput(t));
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_ParseInputDistinctNumbers)->Unit(benchmark::kMillisecond)->Iterations(1);

// 1,000,000 inputs cycling through 1,000 distinct texts.
void BM_ParseInputRepeatedTexts(benchmark::State& state) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < 1000; ++i) texts.push_back(u"item number " + std::u16string(1, u'a' + i % 26) + std::u16string(i / 26 + 1, u'z'));
  for (auto _ : state) {
    for (int i = 0; i < 1000000; ++i) benchmark::DoNotOptimize(ParseInput(texts[i % 1000]));
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_ParseInputRepeatedTexts)->Unit(benchmark::kMillisecond);

// DisplayText of 1,000,000 numbers under one format id.
void BM_DisplayText(benchmark::State& state) {
  LoadLanguage(u"en");
  FormatId id = static_cast<FormatId>(state.range(0));
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> value(0, 60000);
  std::vector<const Value*> values;
  for (int i = 0; i < 1000000; ++i) values.push_back(NewNumber(value(random), id));
  for (auto _ : state) {
    for (const Value* v : values) benchmark::DoNotOptimize(DisplayText(v));
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_DisplayText)
    ->Arg(0)->Arg(-1)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(9)->Arg(10)->Arg(11)
    ->Arg(12)->Arg(13)->Arg(14)->Arg(20)->Arg(21)->Arg(22)->Arg(58)
    ->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
