// Repainting the grid view on the offscreen platform: scrolling a sheet of a
// million cells by one row and by a page, and a full redraw of a 1920 x 1080
// view whose every visible cell has a fill, a border and bold text. Each
// iteration includes the canvas being painted on the (offscreen) screen.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/Cell.h"
#include "model/Range.h"
#include "model/Font.h"
#include "model/Sheet.h"
#include "model/Style.h"
#include "model/Workbook.h"
#include "loadsave/LoadSaveXlsx.h"
#include "platform/WindowSystem.h"
#include "shell/Application.h"
#include "shell/RecoveryCopies.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"
#include "GuiBenchmarkMain.h"

namespace quadrell {
namespace {

constexpr int kRows = 50000;
constexpr int kColumns = 20;

// One window for every benchmark; its view is made 1920 x 1080.
SheetGadget& View() {
  static SheetGadget* view = [] {
    Application& app = Application::Create(kKindSheet);
    auto& container = static_cast<SheetContainer&>(app.GetContainer());
    SheetGadget* v = container.GetActiveView();
    // The window settles at its own size first; then the view is made larger.
    WaitUntilPainted(app.GetWindow(), 5000);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    v->SetBounds(Rect{0, 0, 1920, 1080});
    QCoreApplication::processEvents();
    return v;
  }();
  return *view;
}

Sheet& MillionCells() {
  static Sheet* sheet = [] {
    Sheet* s = View().GetSheet();
    for (int r = 1; r <= kRows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        Cell* cell = s->GetCellDirect(r, c);
        if (c % 3 == 0) {
          cell->SetInput(u"text " + std::u16string(1, static_cast<char16_t>(u'a' + (r + c) % 26)));
        } else {
          cell->SetValue(NewNumber(r * 0.25 + c));
        }
      }
    }
    return s;
  }();
  return *sheet;
}

void Paint(SheetGadget& view) {
  QCoreApplication::processEvents();
  benchmark::DoNotOptimize(view.CellLayer().Pixels());
}

// Scrolls by step rows, turning back at the top and beyond the limit row.
void Bounce(SheetGadget& view, int& direction, int32_t limit, int32_t step) {
  if (view.GetFirstRow() > limit) direction = -1;
  if (view.GetFirstRow() <= 1) direction = 1;
  view.ScrollRows(direction * step);
}

void BM_ScrollOneRow(benchmark::State& state) {
  SheetGadget& view = View();
  MillionCells();
  view.Redraw(true);
  int direction = 1;
  for (auto _ : state) {
    Bounce(view, direction, 1000, 1);
    Paint(view);
  }
  state.counters["cells"] = static_cast<double>(kRows) * kColumns;
  state.counters["width"] = view.GetCanvas().Bounds().width;
  state.counters["height"] = view.GetCanvas().Bounds().height;
}
BENCHMARK(BM_ScrollOneRow)->Unit(benchmark::kMillisecond);

// The same without the canvas reaching the screen: the view's own share.
void BM_ScrollOneRowViewOnly(benchmark::State& state) {
  SheetGadget& view = View();
  MillionCells();
  view.Redraw(true);
  Paint(view);
  int direction = 1;
  for (auto _ : state) {
    Bounce(view, direction, 1000, 1);
  }
  Paint(view);
}
BENCHMARK(BM_ScrollOneRowViewOnly)->Unit(benchmark::kMillisecond);

void BM_ScrollOnePage(benchmark::State& state) {
  SheetGadget& view = View();
  MillionCells();
  view.Redraw(true);
  int direction = 1;
  for (auto _ : state) {
    Bounce(view, direction, kRows - 200, view.GetVisibleRows() - 1);
    Paint(view);
  }
}
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMillisecond);

void BM_FullRedrawStyled(benchmark::State& state) {
  SheetGadget& view = View();
  Sheet& sheet = MillionCells();
  view.ScrollRows(2000 - view.GetFirstRow());
  view.Redraw(true);
  StyleRecord style = NewDefaultStyle();
  style.fillColor = RgbColour(0xDD, 0xEE, 0xFF);
  style.font = GetFont(u"Arial", 10, kFontFlagBold);
  style.bottom = BorderLine{RgbColour(0x33, 0x33, 0x33), kBorderThin};
  style.right = BorderLine{RgbColour(0x33, 0x33, 0x33), kBorderThin};
  int32_t first = view.GetFirstRow();
  for (int32_t r = first; r < first + view.GetVisibleRows(); ++r) {
    for (int32_t c = 0; c < view.GetVisibleColumns(); ++c) {
      Cell* cell = sheet.GetCellDirect(r, c);
      if (cell->GetText().empty()) cell->SetInput(u"filled");
      cell->SetStyle(style);
    }
  }
  for (auto _ : state) {
    view.Redraw(true);
    Paint(view);
  }
  state.counters["visibleCells"] = static_cast<double>(view.GetVisibleRows()) * view.GetVisibleColumns();
}
BENCHMARK(BM_FullRedrawStyled)->Unit(benchmark::kMillisecond);

// Arrow keys on the sheet of a million cells: each move repaints the canvas.
void BM_KeyboardMove(benchmark::State& state) {
  SheetGadget& view = View();
  MillionCells();
  view.MoveTo(0, 200);
  view.Redraw(true);
  int k = 0;
  for (auto _ : state) {
    const int32_t dx[4] = {1, 0, -1, 0}, dy[4] = {0, 1, 0, -1};
    view.MoveActiveCell(dx[k % 4], dy[k % 4]);
    ++k;
    Paint(view);
  }
}
BENCHMARK(BM_KeyboardMove)->Unit(benchmark::kMillisecond);

// Dragging a block wider and narrower: each change sums it for the status field.
void BM_SelectionChange(benchmark::State& state) {
  SheetGadget& view = View();
  Sheet& sheet = MillionCells();
  view.MoveTo(0, 200);
  int k = 0;
  for (auto _ : state) {
    int32_t size = 5 + k++ % 20;
    view.SetSelection(std::make_unique<AreaRange>(0, 200, size % kColumns, 200 + size, &sheet));
    view.Refresh();
    Paint(view);
  }
}
BENCHMARK(BM_SelectionChange)->Unit(benchmark::kMillisecond);

// A whole column holding a million numbers selected: the status field's figures.
void BM_StatusOverMillionNumberColumn(benchmark::State& state) {
  SheetGadget& view = View();
  Sheet& sheet = MillionCells();
  constexpr int32_t kColumn = kColumns + 2;
  static bool filled = [&] {
    for (int32_t r = 1; r <= 1000000; ++r) sheet.GetCellDirect(r, kColumn)->SetValue(NewNumber(r * 0.5));
    return true;
  }();
  benchmark::DoNotOptimize(filled);
  for (auto _ : state) {
    view.SetSelection(std::make_unique<AreaRange>(kColumn, -1, kColumn, -1, &sheet));
    view.Refresh();  // the figures are worked out here
  }
}
BENCHMARK(BM_StatusOverMillionNumberColumn)->Unit(benchmark::kMillisecond);

// Ctrl+End on the same sheet: the used size is known, not searched.
void BM_ControlEnd(benchmark::State& state) {
  SheetGadget& view = View();
  Sheet& sheet = MillionCells();
  for (auto _ : state) {
    view.MoveTo(0, 1);
    UsedSize used = sheet.GetUsedSize();
    view.MoveTo(used.column, used.row);
    Paint(view);
  }
  state.counters["usedRow"] = sheet.GetUsedSize().row;
}
BENCHMARK(BM_ControlEnd)->Unit(benchmark::kMillisecond);

// Ctrl+A, Delete, Ctrl+Z over the million cells (and the million-number column
// when that ran before), as one iteration.
void BM_SelectAllDeleteUndo(benchmark::State& state) {
  SheetGadget& view = View();
  MillionCells();
  Application& app = view.GetApplication();
  for (auto _ : state) {
    app.GetContainer().SelectAll();
    app.Delete();
    app.Undo();
  }
}
BENCHMARK(BM_SelectAllDeleteUndo)->Unit(benchmark::kMillisecond)->Iterations(3);

// What the user waits for when the recovery copy of a modified workbook of a
// million cells is made: the copy of the process that then writes it. The
// writing itself happens in that copy, while the window goes on.
void BM_RecoveryCopyPause(benchmark::State& state) {
  Sheet& sheet = MillionCells();
  Application& app = *WindowMap().front();
  for (auto _ : state) {
    sheet.GetWorkbook()->SetModified(true);
    bool started = KeepRecoveryCopy(app);
    state.PauseTiming();
    if (!started) state.SkipWithError("no recovery copy was started");
    FinishRecoveryCopy(app);
    state.ResumeTiming();
  }
  DropRecoveryCopy(app);
}
BENCHMARK(BM_RecoveryCopyPause)->Unit(benchmark::kMillisecond)->Iterations(5);

// A number typed into A1 of the mixed workload (100,000 rows with formulas
// that read A1's row) and committed with Enter: the input, the undo step,
// the recalculation it causes and the repaint. Runs last: the window's
// workbook is replaced by the workload.
void BM_TypeNumberIntoA1OfMixed(benchmark::State& state) {
  SheetGadget& view = View();
  const char* folder = std::getenv("QUADRELL_BENCH_WORK");
  auto book = LoadXlsx(std::string(folder ? folder : "build/bench-workloads") + "/mixed.xlsx", nullptr);
  if (!book) {
    state.SkipWithError("workload missing; run scripts/run-benchmarks");
    return;
  }
  Application& app = view.GetApplication();
  auto& container = static_cast<SheetContainer&>(app.GetContainer());
  container.SetWorkbook(std::move(book));
  SheetGadget& mixed = *container.GetActiveView();
  Paint(mixed);
  int k = 0;
  for (auto _ : state) {
    mixed.MoveTo(0, 1);
    mixed.CommitEdit(k++ % 2 ? u"12.5" : u"7");
    Paint(mixed);
  }
  // I1 is =A1*B1 and J1 =SUM(A1:E1): both follow the typed number.
  state.counters["A1"] = mixed.GetSheet()->GetCellDirect(1, 0)->GetValue()->Number();
  state.counters["I1"] = mixed.GetSheet()->GetCellDirect(1, 8)->GetValue()->Number();
  state.counters["J1"] = mixed.GetSheet()->GetCellDirect(1, 9)->GetValue()->Number();
}
BENCHMARK(BM_TypeNumberIntoA1OfMixed)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quadrell

int main(int argc, char** argv) {
  return quadrell::RunGuiBenchmarks(argc, argv, "bench_view");
}
