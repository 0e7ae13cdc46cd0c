// Reading and writing the XLSX workloads (bench/gen_workloads.py) in process.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "loadsave/LoadSaveXlsx.h"
#include "model/Cell.h"
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

// 100,000 formulas of the forms other programs write, across three sheets:
// comparisons, powers, references to other sheets, criteria and lookups.
std::string FormulaWorkbook() {
  Workbook book(u"formulas", nullptr);
  Sheet* sheets[3] = {book.GetSheet(0), book.AddSheet(u"Data"), book.AddSheet(u"My Sums")};
  sheets[0]->SetName(u"Main");
  constexpr int kRows = 10000;
  for (int r = 1; r <= kRows; ++r) {
    std::u16string n = std::u16string(u"") + static_cast<char16_t>(u'0' + r % 10);
    sheets[1]->GetCellDirect(r, 0)->SetInput(n);
    sheets[1]->GetCellDirect(r, 1)->SetInput(r % 3 ? u"apple" : u"pear");
  }
  auto row = [](int r) {
    std::string s = std::to_string(r);
    return std::u16string(s.begin(), s.end());
  };
  for (int r = 1; r <= kRows; ++r) {
    std::u16string R = row(r);
    const std::u16string forms[] = {
        u"=Data!A" + R + u"*2+1",
        u"=IF(Data!A" + R + u">5,\"big\",\"small\")",
        u"=A" + R + u"^2-B" + R,
        u"=ROUND(Data!A" + R + u"/3,2)",
        u"=AND(A" + R + u">1,C" + R + u"<50)",
        u"=MAX(Data!A" + R + u",A" + R + u")",
    };
    for (int c = 0; c < 6; ++c) sheets[0]->GetCellDirect(r, c)->SetInput(forms[c], u"en");
    const std::u16string more[] = {
        u"=Main!A" + R + u"+Main!C" + R,
        u"=COUNTIF(Data!A1:A20,\">\"&MOD(" + R + u",10))",
        u"=VLOOKUP(MOD(" + R + u",10),Data!A1:B20,2,FALSE)",
        u"=ABS(-Main!D" + R + u")%",
    };
    for (int c = 0; c < 4; ++c) sheets[2]->GetCellDirect(r, c)->SetInput(more[c], u"en");
  }
  std::string bytes;
  SaveXlsxToMemory(book, bytes);
  return bytes;
}

void BM_LoadFormulasXlsx(benchmark::State& state) {
  static const std::string bytes = FormulaWorkbook();
  for (auto _ : state) {
    auto book = LoadXlsxFromMemory(bytes, nullptr);
    benchmark::DoNotOptimize(book->GetSheet(2)->GetCellText(10000, 3));
  }
}

}  // namespace

BENCHMARK(BM_LoadFormulasXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LoadNumbersXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LoadMixedXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SaveMixedXlsx)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
