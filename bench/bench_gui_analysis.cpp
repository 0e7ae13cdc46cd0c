// Charts and pivot tables at the sizes users give them: a line chart of
// 10,000 points rendered into a 500 x 400 image (the platform's own canvas,
// anti-aliased), and a pivot table over 100,000 source rows of 10 columns
// with two row fields and one value field built from scratch.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/Cell.h"
#include "model/Font.h"
#include "model/PivotTable.h"
#include "model/PlainHost.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/LineChart.h"
#include "platform/WindowSystem.h"
#include "value/Value.h"
#include "GuiBenchmarkMain.h"

namespace quadrell {
namespace {

// The arguments are the number of points and the chart type: 10,000 is the
// case users meet with long series; 300 (fewer points than pixel columns) is
// drawn point by point; bars and areas of 10,000 rows for comparison.
void BM_LineChart(benchmark::State& state) {
  PlainHost host;
  Workbook book(u"chart", &host);
  Sheet* sheet = book.GetActiveSheet();
  const int kPoints = static_cast<int>(state.range(0));
  sheet->GetCellDirect(1, 0)->SetInput(u"Day");
  sheet->GetCellDirect(1, 1)->SetInput(u"Load");
  for (int r = 2; r <= kPoints + 1; ++r) {
    sheet->GetCellDirect(r, 0)->SetValue(NewNumber(r));
    sheet->GetCellDirect(r, 1)->SetValue(NewNumber(std::sin(r * 0.003) * 50 + (r % 17)));
  }
  LineChart chart(sheet, ChartBlock{1, 1, 1, kPoints + 1}, static_cast<uint8_t>(state.range(1)));
  if (chart.GetImage()->IsEmpty()) state.SkipWithError("no image to render into");
  for (auto _ : state) {
    chart.Render();
    benchmark::DoNotOptimize(chart.GetImage()->Pixels());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_LineChart)
    ->Args({10000, kChartLine})
    ->Args({300, kChartLine})
    ->Args({10000, kChartBar})
    ->Args({10000, kChartStackedArea})
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_Pivot100000Rows(benchmark::State& state) {
  PlainHost host;
  Workbook book(u"pivot", &host);
  Sheet* source = book.GetActiveSheet();
  constexpr int kRows = 100000;
  constexpr int kColumns = 10;
  const char16_t* regions[] = {u"North", u"South", u"East", u"West", u"Centre"};
  for (int c = 0; c < kColumns; ++c) source->GetCellDirect(1, c)->SetInput(u"Field " + std::u16string(1, u'A' + c));
  for (int r = 2; r <= kRows + 1; ++r) {
    source->GetCellDirect(r, 0)->SetValue(NewText(regions[r % 5]));
    source->GetCellDirect(r, 1)->SetValue(NewText(u"Product " + std::u16string(1, u'a' + r % 20)));
    for (int c = 2; c < kColumns; ++c) source->GetCellDirect(r, c)->SetValue(NewNumber((r * 7 + c * 13) % 1000 * 0.5));
  }
  AreaRange range(0, 1, kColumns - 1, kRows + 1, source);
  for (auto _ : state) {
    state.PauseTiming();
    Sheet* target = book.AddSheet(u"Pivot");
    auto table = std::make_unique<PivotTable>(source, range);
    table->AddRowField(0);
    table->AddRowField(1);
    table->AddValueField(4);
    state.ResumeTiming();
    PivotTable* pivot = target->AddPivotTable(std::move(table));
    if (!pivot->GetError().empty()) state.SkipWithError(pivot->GetError().c_str());
    benchmark::DoNotOptimize(target->GetCellText(2, 2));
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Pivot100000Rows)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace quadrell

int main(int argc, char** argv) {
  // The chart draws through the platform's canvas.
  return quadrell::RunGuiBenchmarks(argc, argv, "bench_gui_analysis");
}
