// Reading and writing the XLSX workloads (bench/gen_workloads.py) in process.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "loadsave/LoadSaveXlsx.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

using namespace quadrell;

namespace {

std::string Workload(const char* name) {
  const char* folder = std::getenv("QUADRELL_BENCH_WORK");
  return std::string(folder ? folder : "build/bench-workloads") + "/" + name;
}

void Load(benchmark::State& state, const char* name) {
  std::string path = Workload(name);
  for (auto _ : state) {
    auto book = LoadXlsx(path, nullptr);
    if (!book) {
      state.SkipWithError("workload missing; run scripts/run-benchmarks");
      return;
    }
    benchmark::DoNotOptimize(book->GetActiveSheet()->GetMaxRow());
  }
}

void BM_LoadNumbersXlsx(benchmark::State& state) { Load(state, "numbers.xlsx"); }
void BM_LoadMixedXlsx(benchmark::State& state) { Load(state, "mixed.xlsx"); }

void BM_SaveMixedXlsx(benchmark::State& state) {
  auto book = LoadXlsx(Workload("mixed.xlsx"), nullptr);
  if (!book) {
    state.SkipWithError("workload missing; run scripts/run-benchmarks");
    return;
  }
  for (auto _ : state) {
    std::string bytes;
    SaveXlsxToMemory(*book, bytes);
    benchmark::DoNotOptimize(bytes.size());
  }
}

}  // namespace

BENCHMARK(BM_LoadNumbersXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LoadMixedXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SaveMixedXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
