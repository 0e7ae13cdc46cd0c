// The toolbar and its popups on the offscreen platform: opening the filter
// dropdown over a long column, arranging the toolbar as the window is
// resized, and opening the font list with many installed faces. Each opening
// includes the popup being shown and painted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/Cell.h"
#include "model/Filter.h"
#include "model/Font.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/WindowSystem.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtFonts.h"
#include "shell/Application.h"
#include "shell/popups/FilterGadget.h"
#include "shell/toolbar/FontGadgets.h"
#include "shell/toolbar/ToolbarGadget.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"
#include "GuiBenchmarkMain.h"

namespace quadrell {
namespace {

constexpr int kFaces = 500;
constexpr int32_t kRows = 100000;
constexpr int32_t kDistinct = 50000;

// The installed families, made up to 500 with further names the font system
// resolves by substitution, as a machine with many fonts would list them.
class ManyFaces : public qt::QtFontBackend {
 public:
  std::vector<std::u16string> InstalledFamilies() override {
    std::vector<std::u16string> families = QtFontBackend::InstalledFamilies();
    for (int k = 0; static_cast<int>(families.size()) < kFaces; ++k) {
      char name[32];
      std::snprintf(name, sizeof name, "Bench Face %03d", k);
      families.push_back(AsciiToUtf16(name));
    }
    return families;
  }
};

SheetContainer& Container() {
  static SheetContainer* container = [] {
    Application& app = Application::Create(kKindSheet);
    WaitUntilPainted(app.GetWindow(), 5000);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    return &static_cast<SheetContainer&>(app.GetContainer());
  }();
  return *container;
}

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Column A: a header and 100,000 rows holding 50,000 different values, half
// of them texts and half numbers, in no order.
Sheet& LongColumn() {
  static Sheet* sheet = [] {
    SheetGadget* view = Container().GetActiveView();
    Sheet* s = view->GetSheet();
    s->GetCellDirect(1, 0)->SetInput(u"Value");
    for (int32_t r = 0; r < kRows; ++r) {
      int32_t v = static_cast<int32_t>((int64_t{r} * 7919) % kDistinct);
      Cell* cell = s->GetCellDirect(r + 2, 0);
      if (v % 2 == 0) {
        cell->SetInput(AsciiToUtf16("Name " + std::to_string(v)));
      } else {
        cell->SetInput(AsciiToUtf16(std::to_string(v)));
      }
    }
    s->SetFilter(std::make_unique<Filter>(s, AreaRange(0, 1, 0, kRows + 1, s)));
    Container().RefreshViews(true);
    Settle();
    return s;
  }();
  return *sheet;
}

void BM_FilterDropdownOpen(benchmark::State& state) {
  LongColumn();
  SheetGadget& view = *Container().GetActiveView();
  size_t listed = 0;
  for (auto _ : state) {
    FilterGadget* dropdown = FilterGadget::Open(view, 0, Point{200, 120});
    QCoreApplication::processEvents();
    state.PauseTiming();
    if (!dropdown) {
      state.SkipWithError("the dropdown did not open");
      break;
    }
    listed = dropdown->Listed().size();
    dropdown->Cancel();
    Settle();
    state.ResumeTiming();
  }
  state.counters["rows"] = kRows;
  state.counters["values"] = static_cast<double>(listed);
}
BENCHMARK(BM_FilterDropdownOpen)->Unit(benchmark::kMillisecond);

// Scrolling the open dropdown's list by a page: only the rows in sight are drawn.
void BM_FilterDropdownScroll(benchmark::State& state) {
  LongColumn();
  FilterGadget* dropdown = FilterGadget::Open(*Container().GetActiveView(), 0, Point{200, 120});
  Settle();
  auto* widget = dynamic_cast<qt::CanvasWidget*>(QApplication::focusWidget());
  if (!dropdown || !widget) {
    state.SkipWithError("the dropdown did not open");
    return;
  }
  int k = 0;
  for (auto _ : state) {
    QKeyEvent press(QEvent::KeyPress, (k++ / 100) % 2 ? Qt::Key_PageUp : Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QCoreApplication::processEvents();
  }
  dropdown->Cancel();
  Settle();
}
BENCHMARK(BM_FilterDropdownScroll)->Unit(benchmark::kMillisecond);

// The window's toolbar laid out for a new width, as on each resize step.
void BM_ToolbarArrange(benchmark::State& state) {
  auto& toolbar = *static_cast<ToolbarGadget*>(Container().GetToolbar());
  const int widths[] = {1600, 1400, 1000, 850, 700, 550, 400, 900};
  int k = 0;
  int rows = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(toolbar.Arrange(widths[k++ % 8]));
    rows = std::max(rows, toolbar.Rows());
  }
  state.counters["items"] = static_cast<double>(toolbar.Items().size());
  state.counters["maxRows"] = rows;
  toolbar.Arrange(Container().GetActiveView()->GetCanvas().Bounds().width);
}
BENCHMARK(BM_ToolbarArrange)->Unit(benchmark::kMicrosecond);

void ClickWidget(QWidget* widget) {
  QPointF at(10, 10);
  QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QApplication::sendEvent(widget, &release);
}

qt::CanvasWidget* WidgetOfCanvas(CanvasControl& control) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    for (QWidget* child : top->findChildren<QWidget*>()) {
      auto* canvas = dynamic_cast<qt::CanvasWidget*>(child);
      if (canvas && &canvas->Surface() == &control.Surface()) return canvas;
    }
  }
  return nullptr;
}

// Closes the list so that the next click opens it: a click just after a
// closing is taken as the one that closed it and opens nothing.
void CloseFontList(FontGadget& box, QWidget* widget) {
  for (int tries = 0; tries < 5; ++tries) {
    box.ClosePopup();
    ClickWidget(widget);
    if (!box.IsOpen()) break;
  }
  Settle();
}

void OpenFontList(benchmark::State& state, bool first) {
  auto& toolbar = *static_cast<ToolbarGadget*>(Container().GetToolbar());
  FontGadget* box = toolbar.GetFontBox();
  qt::CanvasWidget* widget = box ? WidgetOfCanvas(box->GetCanvas()) : nullptr;
  if (!widget) {
    state.SkipWithError("no font box");
    return;
  }
  box->SetFontName(u"Bench Face 250");  // opens in the middle of the list
  for (auto _ : state) {
    ClickWidget(widget);
    QCoreApplication::processEvents();
    state.PauseTiming();
    if (!box->IsOpen()) {
      state.SkipWithError("the font list did not open");
      break;
    }
    CloseFontList(*box, widget);
    state.ResumeTiming();
  }
  state.counters["faces"] = static_cast<double>(GetFontFaces().size());
  if (first) state.counters["firstOpen"] = 1;
}

// The first opening reads the installed faces and makes each of them once.
void BM_FontListFirstOpen(benchmark::State& state) { OpenFontList(state, true); }
BENCHMARK(BM_FontListFirstOpen)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FontListOpen(benchmark::State& state) { OpenFontList(state, false); }
BENCHMARK(BM_FontListOpen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quadrell

int main(int argc, char** argv) {
  return quadrell::RunGuiBenchmarks(argc, argv, "bench_gui_popups",
                                   [] { quadrell::SetFontBackend(std::make_unique<quadrell::ManyFaces>()); });
}
