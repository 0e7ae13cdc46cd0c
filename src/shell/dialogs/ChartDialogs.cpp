#include "shell/dialogs/ChartDialogs.h"

#include <algorithm>
#include <array>
#include <vector>

#include "context/ApplicationContext.h"
#include "model/ColorScheme.h"
#include "model/Font.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "object/SheetAnchor.h"
#include "platform/Canvas.h"
#include "platform/Deferred.h"
#include "shell/Application.h"
#include "shell/commands/CommandSupport.h"
#include "shell/commands/InsertCommands.h"
#include "view/SheetGadget.h"

namespace quadrell {

namespace {

std::vector<std::unique_ptr<ChartDialog>>& OpenDialogs() {
  static std::vector<std::unique_ptr<ChartDialog>> dialogs;
  return dialogs;
}

template <class T>
T* Keep(std::unique_ptr<T> dialog) {
  T* kept = dialog.get();
  OpenDialogs().push_back(std::move(dialog));
  return kept;
}

Colour C0() { return GetColorScheme().GetSchemeColor(0); }
Colour C1() { return GetColorScheme().GetSchemeColor(1); }

VectorPath Polyline(std::initializer_list<std::pair<double, double>> points) {
  VectorPath p;
  bool first = true;
  for (auto [x, y] : points) {
    if (first) p.MoveTo(x, y);
    else p.LineTo(x, y);
    first = false;
  }
  return p;
}

void Box(Canvas& c, double x, double y, double w, double h, Colour colour, int alpha = 255) {
  VectorPath p;
  p.AddRectangle(x, y, w, h);
  c.FillPath(p, colour, alpha);
}

void DrawPreview(Canvas& c, int type) {
  if (type != kChartPie) c.StrokePath(Polyline({{0, 150}, {200, 150}}), 0, 255, 1);
  auto lines = [&](std::initializer_list<std::pair<double, double>> first) {
    c.StrokePath(Polyline(first), C0(), 255, 2);
    c.StrokePath(Polyline({{22, 100}, {74, 120}, {126, 70}, {178, 60}}), C1(), 255, 2);
  };
  switch (type) {
    case kChartLine:
      lines({{22, 140}, {74, 60}, {126, 120}, {178, 20}});
      break;
    case kChartStackedLine:
      lines({{22, 40}, {74, 60}, {126, 40}, {178, 50}});
      break;
    case kChartPercentLine:
      lines({{22, 20}, {74, 20}, {126, 20}, {178, 20}});
      break;
    case kChartSmoothLine: {
      VectorPath a;
      a.MoveTo(22, 40);
      a.CubicTo(74, 160, 126, 0, 178, 120);
      c.StrokePath(a, C0(), 255, 2);
      VectorPath b;
      b.MoveTo(22, 100);
      b.CubicTo(74, 140, 126, 90, 178, 40);
      c.StrokePath(b, C1(), 255, 2);
      break;
    }
    case kChartBar:
      Box(c, 22, 40, 30, 109, C0());
      Box(c, 122, 70, 30, 79, C0());
      Box(c, 55, 80, 30, 69, C1());
      Box(c, 155, 30, 30, 119, C1());
      break;
    case kChartStackedBar:
      Box(c, 22, 80, 65, 69, C0());
      Box(c, 122, 110, 65, 39, C0());
      Box(c, 22, 40, 65, 40, C1());
      Box(c, 122, 50, 65, 60, C1());
      break;
    case kChartPercentBar:
      Box(c, 22, 80, 65, 69, C0());
      Box(c, 122, 110, 65, 39, C0());
      Box(c, 22, 0, 65, 80, C1());
      Box(c, 122, 0, 65, 110, C1());
      break;
    case kChartPie: {
      VectorPath a;
      a.MoveTo(100, 75);
      a.ArcTo(100, 75, 70, 70, -90, 60);
      a.Close();
      c.FillPath(a, C0(), 255);
      VectorPath b;
      b.MoveTo(100, 75);
      b.ArcTo(100, 75, 70, 70, -30, 300);
      b.Close();
      c.FillPath(b, C1(), 255);
      VectorPath circle;
      circle.AddEllipse(100, 75, 70, 70);
      c.StrokePath(circle, 0, 255, 2);
      break;
    }
    case kChartStackedArea: {
      VectorPath under;
      under.MoveTo(22, 40);
      for (auto [x, y] : {std::pair{74.0, 60.0}, {126.0, 40.0}, {178.0, 50.0}}) under.LineTo(x, y);
      under.LineTo(178, 149);
      under.LineTo(22, 149);
      under.Close();
      c.FillPath(under, 0xFFFFFF, 255);
      VectorPath band;
      band.MoveTo(22, 40);
      for (auto [x, y] : {std::pair{74.0, 60.0}, {126.0, 40.0}, {178.0, 50.0}, {178.0, 60.0}, {126.0, 70.0},
                          {74.0, 120.0}, {22.0, 100.0}}) {
        band.LineTo(x, y);
      }
      band.Close();
      c.FillPath(band, C0(), 0x6F);
      VectorPath low;
      low.MoveTo(22, 100);
      for (auto [x, y] : {std::pair{74.0, 120.0}, {126.0, 70.0}, {178.0, 60.0}, {178.0, 149.0}, {22.0, 149.0}}) {
        low.LineTo(x, y);
      }
      low.Close();
      c.FillPath(low, C1(), 0x6F);
      c.StrokePath(Polyline({{22, 40}, {74, 60}, {126, 40}, {178, 50}}), C0(), 255, 2);
      c.StrokePath(Polyline({{22, 100}, {74, 120}, {126, 70}, {178, 60}}), C1(), 255, 2);
      break;
    }
    default:
      break;
  }
}

// A little grid with a pointer: the range-pick button.
Bitmap MakePickIcon() {
  Bitmap icon(16, 16);
  if (std::unique_ptr<Canvas> c = OpenBitmapCanvas(icon)) {
    c->FillBox(1, 1, 14, 11, 0xFFFFFF);
    c->FrameBox(1, 1, 14, 11, 0x888888);
    c->DrawLine(1, 5, 15, 5, 0xBBBBBB);
    c->DrawLine(6, 1, 6, 12, 0xBBBBBB);
    c->FillBox(6, 5, 5, 4, 0xFF9933);
    c->FrameBox(6, 5, 6, 5, 0xCC3300);
    VectorPath arrow;
    arrow.MoveTo(10, 8);
    arrow.LineTo(15, 13);
    arrow.LineTo(12.5, 13.5);
    arrow.LineTo(13.5, 16);
    arrow.LineTo(12, 16);
    arrow.LineTo(11, 14);
    arrow.LineTo(10, 15.5);
    arrow.Close();
    c->FillPath(arrow, 0, 255);
  }
  return icon;
}

std::u16string BlockText(const ChartBlock& b, Sheet* sheet) {
  if (b.IsEmpty()) return u"";
  return AreaRange(b.firstColumn, b.firstRow, b.lastColumn, b.lastRow, sheet).ToString();
}

}  // namespace

const Bitmap& ChartPreview(int type) {
  static std::array<Bitmap, 15> slots;
  static std::array<bool, 15> made{};
  static const Bitmap empty;
  if (type < 0 || type >= 15 || !IsChartType(type)) return empty;
  if (!made[static_cast<size_t>(type)]) {
    Bitmap& image = slots[static_cast<size_t>(type)];
    image.Resize(200, 150);
    if (std::unique_ptr<Canvas> c = OpenBitmapCanvas(image)) {
      DrawPreview(*c, type);
      made[static_cast<size_t>(type)] = true;
    }
  }
  return slots[static_cast<size_t>(type)];
}

int OpenChartDialogCount() {
  return static_cast<int>(std::count_if(OpenDialogs().begin(), OpenDialogs().end(),
                                        [](const auto& d) { return !d->IsClosed(); }));
}

// ---------------------------------------------------------------- common part

ChartDialog::ChartDialog(Application& application, SheetGadget& view, std::u16string_view title)
    : application_(application), view_(&view) {
  WindowOptions options;
  options.kind = WindowKind::Tool;
  options.title = std::u16string(title);
  options.width = 500;
  options.height = 500;
  options.resizable = false;
  options.stayOnTop = true;
  options.owner = &application.GetWindow();
  window_ = CreateWindow(options, *this);
  view.AddChangeListener(this, &ChartDialog::ViewChanged);
}

ChartDialog::~ChartDialog() {
  if (view_) view_->RemoveChangeListener(this);
}

void ChartDialog::ViewChanged(void* dialog, int phase) {
  auto* d = static_cast<ChartDialog*>(dialog);
  if (phase == kViewGoing) {
    d->view_->RemoveChangeListener(d);
    d->view_ = nullptr;
    d->Close();
  } else if (phase == kViewSheetChanged) {
    d->Close();
  }
}

void ChartDialog::Close() {
  if (closed_) return;
  closed_ = true;
  LetGo();
  if (view_) {
    view_->RemoveChangeListener(this);
    view_ = nullptr;
  }
  if (window_) window_->Hide();
  // Freed after the event at hand: Close may run inside the window's own button.
  RunSoon(this, [this] {
    std::erase_if(OpenDialogs(), [this](const auto& d) { return d.get() == this; });
  });
}

// ---------------------------------------------------------------- creation window

DiagramCreateWindow* DiagramCreateWindow::Open(Application& application, SheetGadget& view) {
  if (!view.GetSheet() || !view.GetSelection()) return nullptr;
  auto* window = Keep(std::unique_ptr<DiagramCreateWindow>(new DiagramCreateWindow(application, view)));
  window->GetWindow().Show();
  return window;
}

DiagramCreateWindow::DiagramCreateWindow(Application& application, SheetGadget& view)
    : ChartDialog(application, view, Text("toolbar:diagram")) {
  const AreaRange* s = view.GetSelection();
  block_ = ChartBlockForSelection(view.GetSheet(), s->GetFirstColumn(), s->GetFirstRow(), s->GetLastColumn(),
                                  s->GetLastRow());
  CanvasOptions options;
  options.takesFocus = true;
  canvas_ = CreateCanvasControl(*window_, Rect{0, 0, kSize, kSize}, *this, options);
  Paint();
}

void DiagramCreateWindow::Paint() {
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  c.SetFont(*GetFont(u"Arial", 10, 0)->platformFont);
  c.FillBox(0, 0, kSize, kSize, 0xFFFFFF);
  c.FillBox(0, 0, kSize, 30, 0xF3FCF4);
  c.FillBox(kind_ * 125, 0, 125, 30, 0xEEEEEE);
  c.FillBox((variant_ % 2) * 250 + 25, (variant_ / 2) * 200 + 50, 200, 150, 0xEEEEEE);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(0);
  static const char* const kTabs[4] = {"diagram:type:line", "diagram:type:bar", "diagram:type:pie", "diagram:type:area"};
  for (int k = 0; k < 4; ++k) {
    const std::u16string& label = Text(kTabs[k]);
    c.DrawText(k * 125 + (125 - c.TextWidth(label)) / 2, (30 - c.TextHeight(label)) / 2, label);
  }
  c.SetDrawMode(DrawMode::AlphaBlend);
  static const int kFirst[4] = {kChartLine, kChartBar, kChartPie, kChartStackedArea};
  static const int kCount[4] = {4, 3, 1, 1};
  const int places[4][2] = {{25, 50}, {275, 50}, {25, 250}, {275, 250}};
  for (int v = 0; v < kCount[kind_]; ++v) {
    const Bitmap& preview = ChartPreview(kFirst[kind_] + v);
    if (!preview.IsEmpty()) c.DrawImage(preview, places[v][0], places[v][1]);
  }
  c.SetDrawMode(DrawMode::TransparentText);
  const std::u16string* captions[2] = {&Text("ok"), &Text("cancel")};
  for (int b = 0; b < 2; ++b) {
    int x = b == 0 ? 125 : 275;
    c.FillBox(x, 470, 100, 20, 0xEEEEEE);
    c.FrameBox(x, 470, 100, 20, 0x888888);
    c.DrawText(x + (100 - c.TextWidth(*captions[b])) / 2, 470 + (20 - c.TextHeight(*captions[b])) / 2, *captions[b]);
  }
}

bool DiagramCreateWindow::Select(int x, int y) {
  // The places a variant exists at for the current kind.
  const bool lineOrBar = kind_ == 0 || kind_ == 1;
  if (x >= 26 && x <= 224 && y >= 51 && y <= 199) variant_ = 0;
  else if (x >= 276 && x <= 474 && y >= 51 && y <= 199 && lineOrBar) variant_ = 1;
  else if (x >= 26 && x <= 224 && y >= 251 && y <= 399 && lineOrBar) variant_ = 2;
  else if (x >= 276 && x <= 474 && y >= 251 && y <= 399 && kind_ == 0) variant_ = 3;
  else return false;
  return true;
}

void DiagramCreateWindow::OnLeftDown(int x, int y) {
  if (IsClosed()) return;
  if (y < 30) {
    kind_ = std::clamp(x / 125, 0, 3);
    variant_ = 0;
    Paint();
    return;
  }
  if (Select(x, y)) {
    Paint();
    return;
  }
  if (y >= 471 && y <= 489 && x >= 126 && x <= 224) {
    Create();
  } else if (y >= 471 && y <= 489 && x >= 276 && x <= 374) {
    Close();
  }
}

void DiagramCreateWindow::OnLeftDoubleClick(int x, int y) {
  if (IsClosed() || y < 30) return;
  if (Select(x, y)) Create();
}

LineChart* DiagramCreateWindow::Create() {
  if (IsClosed() || !view_) return nullptr;
  LineChart* chart = InsertChart(application_, *view_, block_, kind_ * 4 + variant_);
  Close();
  return chart;
}

// ---------------------------------------------------------------- edit window

DiagramEditWindow* DiagramEditWindow::Open(Application& application, SheetGadget& view, LineChart* chart) {
  if (!chart || chart->GetSheet() != view.GetSheet()) return nullptr;
  if (ChartObserver* open = chart->GetEditWindow()) {
    static_cast<DiagramEditWindow*>(open)->GetWindow().Activate();
    return nullptr;
  }
  auto* window = Keep(std::unique_ptr<DiagramEditWindow>(new DiagramEditWindow(application, view, chart)));
  window->GetWindow().Show();
  return window;
}

DiagramEditWindow::DiagramEditWindow(Application& application, SheetGadget& view, LineChart* chart)
    : ChartDialog(application, view, Text("diagram:edit")), chart_(chart) {
  chart_->AddObserver(this);
  chart_->SetEditWindow(this);
  const ChartSetup& s = chart->GetSetup();
  pickedHeader_ = s.header;
  pickedData_ = s.data;
  pickIcon_ = MakePickIcon();
  Window& w = *window_;
  titleCheck_ = CreateCheckBox(w, Rect{10, 20, 20, 20}, u"", nullptr);
  titleCheck_->SetChecked(s.showTitle);
  titleLabel_ = CreateLabel(w, Rect{30, 23, 120, 20}, Text("diagram:gadget:title"));
  titleField_ = CreateTextField(w, Rect{150, 20, 340, 20}, s.title);
  legendCheck_ = CreateCheckBox(w, Rect{10, 50, 20, 20}, u"", nullptr);
  legendCheck_->SetChecked(s.showLegend);
  legendLabel_ = CreateLabel(w, Rect{30, 53, 100, 20}, Text("diagram:gadget:legend"));
  TextFieldOptions readOnly;
  readOnly.readOnly = true;
  Sheet* sheet = chart->GetSheet();
  headerField_ = CreateTextField(w, Rect{150, 50, 320, 20}, s.header ? BlockText(*s.header, sheet) : u"", readOnly);
  headerPick_ = CreateImageControl(w, Rect{472, 52, 16, 16}, pickIcon_, [this] { PickHeader(); });
  dataLabel_ = CreateLabel(w, Rect{30, 83, 100, 20}, Text("diagram:gadget:range"));
  dataField_ = CreateTextField(w, Rect{150, 80, 320, 20}, BlockText(s.data, sheet), readOnly);
  dataPick_ = CreateImageControl(w, Rect{472, 82, 16, 16}, pickIcon_, [this] { PickData(); });
  ok_ = CreateButton(w, Rect{125, 470, 100, 20}, Text("ok"), [this] { Ok(); });
  cancel_ = CreateButton(w, Rect{275, 470, 100, 20}, Text("cancel"), [this] { Cancel(); });
}

DiagramEditWindow::~DiagramEditWindow() { LetGo(); }

void DiagramEditWindow::LetGo() {
  if (view_ && view_->IsPicking()) {
    // Our own pick ends without a callback into a closing window.
    pending_.reset();
    view_->StartRangePick(nullptr, nullptr);
  }
  if (chart_) {
    chart_->RemoveObserver(this);
    chart_ = nullptr;
  }
}

void DiagramEditWindow::StartPick(bool header) {
  if (IsClosed() || !view_) return;
  pickingHeader_ = header;
  pending_.reset();
  window_->Hide();
  view_->StartRangePick(&DiagramEditWindow::Picked, this);
}

void DiagramEditWindow::Picked(void* dialog, const Range* range, int done) {
  auto* d = static_cast<DiagramEditWindow*>(dialog);
  if (d->IsClosed()) return;
  if (done == 0) {
    if (range && d->view_) {
      d->pending_ = ChartBlockForSelection(d->view_->GetSheet(), range->GetFirstColumn(), range->GetFirstRow(),
                                          range->GetLastColumn(), range->GetLastRow());
    }
    return;
  }
  if (done == 1 && d->pending_) {
    Sheet* sheet = d->view_ ? d->view_->GetSheet() : nullptr;
    if (d->pickingHeader_) {
      d->pickedHeader_ = d->pending_;
      d->headerField_->SetText(BlockText(*d->pending_, sheet));
    } else {
      d->pickedData_ = *d->pending_;
      d->dataField_->SetText(BlockText(*d->pending_, sheet));
    }
  }
  d->pending_.reset();
  d->window_->Show();
}

void DiagramEditWindow::Ok() {
  if (IsClosed() || !chart_) return;
  ChartSetup next = chart_->GetSetup();
  next.title = titleField_->Text();
  next.showTitle = titleCheck_->IsChecked();
  next.header = pickedHeader_;
  if (next.showLegend) next.plotRight += 0.2;
  next.showLegend = legendCheck_->IsChecked();
  if (next.showLegend) next.plotRight -= 0.2;
  next.data = pickedData_;
  LineChart* chart = chart_;
  chart->ApplyEdit(next);
  Close();
}

// ---------------------------------------------------------------- commands

DiagramCreateWindow* OpenChartCreation(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  return view ? DiagramCreateWindow::Open(application, *view) : nullptr;
}

void OpenChartEditor(SheetGadget& view, LineChart* chart) { DiagramEditWindow::Open(view.GetApplication(), view, chart); }

namespace {

// A new data range picked for a chart from its tool icon, in the view that
// shows the chart selected. Ends with the chart, the view or Escape.
class ChartRangePick final : public ChartObserver {
 public:
  static void Start(LineChart* chart) {
    for (const auto& application : WindowMap()) {
      SheetGadget* view = ActiveViewOf(*application);
      if (!view || view->GetSheet() != chart->GetSheet()) continue;
      ObjectAnchor* selected = view->GetSelectedObject();
      if (!selected || selected->GetObject() != chart) continue;
      Current().reset(new ChartRangePick(chart, view));
      view->AddChangeListener(Current().get(), &ChartRangePick::ViewChanged);
      view->StartRangePick(&ChartRangePick::Picked, Current().get());
      return;
    }
  }

  ~ChartRangePick() override {
    if (chart_) chart_->RemoveObserver(this);
    if (view_) view_->RemoveChangeListener(this);
  }

 private:
  ChartRangePick(LineChart* chart, SheetGadget* view) : chart_(chart), view_(view) { chart->AddObserver(this); }
  static std::unique_ptr<ChartRangePick>& Current() {
    static std::unique_ptr<ChartRangePick> current;
    return current;
  }
  void End() {
    // Freed after the event at hand: the view is still calling us.
    if (chart_) chart_->RemoveObserver(this);
    chart_ = nullptr;
    if (view_) view_->RemoveChangeListener(this);
    view_ = nullptr;
    RunSoon(this, [this] {
      if (Current().get() == this) Current().reset();
    });
  }
  void ChartGoing() override {
    chart_ = nullptr;
    if (view_ && view_->IsPicking()) view_->StartRangePick(nullptr, nullptr);
    End();
  }
  static void ViewChanged(void* pick, int phase) {
    auto* p = static_cast<ChartRangePick*>(pick);
    if (phase == kViewGoing || phase == kViewSheetChanged) p->End();
  }
  static void Picked(void* pick, const Range* range, int done) {
    auto* p = static_cast<ChartRangePick*>(pick);
    if (!p->chart_ || !p->view_) return;
    if (done == 0) {
      if (range) {
        p->pending_ = ChartBlockForSelection(p->view_->GetSheet(), range->GetFirstColumn(), range->GetFirstRow(),
                                             range->GetLastColumn(), range->GetLastRow());
      }
      return;
    }
    if (done == 1 && p->pending_) {
      ChartSetup next = p->chart_->GetSetup();
      next.data = *p->pending_;
      p->chart_->ApplyEdit(next);
    }
    p->End();
  }

  LineChart* chart_;
  SheetGadget* view_;
  std::optional<ChartBlock> pending_;
};

}  // namespace

void InstallChartCommands() {
  SetChartEditorOpener(&OpenChartEditor);
  SetChartRangePicker(&ChartRangePick::Start);
}

}  // namespace quadrell
