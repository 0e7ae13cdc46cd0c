// Building, reading and measuring sheets of numeric cells; interning styles.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/Cell.h"
#include "model/Font.h"
#include "model/Sheet.h"
#include "model/Style.h"
#include "model/Workbook.h"
#include "value/NumberText.h"
#include "value/Value.h"

using namespace quadrell;

namespace {

// Every benchmark types numbers no earlier one typed, so each pools its own values.
int64_t gNextNumber = 1;

std::vector<std::u16string> NumberTexts(size_t count) {
  std::vector<std::u16string> texts;
  texts.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::string t = IntegerText(gNextNumber++);
    texts.emplace_back(t.begin(), t.end());
  }
  return texts;
}

void Fill(Sheet& sheet, int32_t rows, int32_t columns, const std::vector<std::u16string>& texts) {
  size_t i = 0;
  for (int32_t r = 1; r <= rows; ++r) {
    for (int32_t c = 0; c < columns; ++c) sheet.GetCellDirect(r, c)->SetInput(texts[i++]);
  }
}

size_t ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Heap bytes in use (chunk headers included) plus the value pool, which lives outside the heap.
size_t AllocatedBytes() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd + PoolMemoryBytes();
}

// Bytes per numeric cell, everything included, measured around building the
// sheet; registered first, so that nothing freed earlier is reused.
std::vector<std::unique_ptr<Workbook>> gMeasured;

void MeasureMemory(benchmark::State& state) {
  int32_t rows = static_cast<int32_t>(state.range(0));
  int32_t columns = static_cast<int32_t>(state.range(1));
  for (auto _ : state) {
    auto texts = NumberTexts(static_cast<size_t>(rows) * columns);
    malloc_trim(0);
    size_t heapBefore = AllocatedBytes();
    size_t rssBefore = ResidentBytes();
    size_t valuesBefore = PoolMemoryBytes();
    auto workbook = std::make_unique<Workbook>(u"memory", nullptr);
    Fill(*workbook->GetActiveSheet(), rows, columns, texts);
    double cells = static_cast<double>(rows) * columns;
    state.counters["heap_bytes_per_cell"] = static_cast<double>(AllocatedBytes() - heapBefore) / cells;
    state.counters["rss_bytes_per_cell"] = static_cast<double>(ResidentBytes() - rssBefore) / cells;
    state.counters["value_bytes_per_cell"] = static_cast<double>(PoolMemoryBytes() - valuesBefore) / cells;
    state.counters["model_bytes_per_cell"] =
        static_cast<double>(workbook->GetActiveSheet()->ModelMemoryBytes()) / cells;
    // Kept to the end, so that a later measurement cannot reuse its freed cells.
    gMeasured.push_back(std::move(workbook));
  }
}
BENCHMARK(MeasureMemory)->Args({1000, 1000})->Args({200000, 5})->Unit(benchmark::kMillisecond)->Iterations(1);

// 1,000,000 distinct numbers typed into a new sheet.
void BM_SetInputNumbers(benchmark::State& state) {
  int32_t rows = static_cast<int32_t>(state.range(0));
  int32_t columns = static_cast<int32_t>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    auto texts = NumberTexts(static_cast<size_t>(rows) * columns);
    auto workbook = std::make_unique<Workbook>(u"bench", nullptr);
    state.ResumeTiming();
    Fill(*workbook->GetActiveSheet(), rows, columns, texts);
    state.PauseTiming();
    workbook.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * rows * columns);
}
BENCHMARK(BM_SetInputNumbers)->Args({1000, 1000})->Args({200000, 5})->Unit(benchmark::kMillisecond)->Iterations(3);

// Existing cells of a 1000 x 1000 sheet looked up in random order.
void BM_GetCellDirectRandom(benchmark::State& state) {
  const int32_t rows = 1000, columns = 1000;
  auto workbook = std::make_unique<Workbook>(u"bench", nullptr);
  Sheet& sheet = *workbook->GetActiveSheet();
  Fill(sheet, rows, columns, NumberTexts(static_cast<size_t>(rows) * columns));
  std::mt19937 random(7);
  std::vector<std::pair<int32_t, int32_t>> positions(1000000);
  for (auto& p : positions) p = {static_cast<int32_t>(random() % rows) + 1, static_cast<int32_t>(random() % columns)};
  for (auto _ : state) {
    for (const auto& [r, c] : positions) benchmark::DoNotOptimize(sheet.GetCellDirect(r, c));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(positions.size()));
}
BENCHMARK(BM_GetCellDirectRandom)->Unit(benchmark::kMillisecond);

// 1,000,000 records with 1,000 distinct contents interned.
void BM_InternStyle(benchmark::State& state) {
  std::vector<StyleRecord> records;
  for (int i = 0; i < 1000; ++i) {
    StyleRecord s = NewDefaultStyle();
    s.fillColor = static_cast<Colour>(i * 2654435761u) & 0xFFFFFF;
    s.horizontalAlignment = static_cast<uint8_t>(i % 4);
    s.bottom = {static_cast<Colour>(i), static_cast<uint8_t>(i % 7)};
    records.push_back(s);
  }
  for (auto _ : state) {
    for (int i = 0; i < 1000000; ++i) benchmark::DoNotOptimize(InternStyle(records[static_cast<size_t>(i) % 1000]));
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_InternStyle)->Unit(benchmark::kMillisecond);

// A bold style set on each of 16,384 cells of one row (the row height is kept up to date).
void BM_SetStyleAlongARow(benchmark::State& state) {
  auto workbook = std::make_unique<Workbook>(u"bench", nullptr);
  Sheet& sheet = *workbook->GetActiveSheet();
  for (int32_t c = 0; c < 16384; ++c) sheet.GetCellDirect(1, c)->SetInput(u"x");
  StyleRecord bold = NewDefaultStyle();
  bold.font = GetFont(u"Arial", 10, kFontFlagBold);
  StyleRecord plain = NewDefaultStyle();
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    for (int32_t c = 0; c < 16384; ++c) sheet.GetCellDirect(1, c)->SetStyle(flip ? bold : plain);
  }
  state.SetItemsProcessed(state.iterations() * 16384);
}
BENCHMARK(BM_SetStyleAlongARow)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
