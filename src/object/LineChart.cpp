#include "object/LineChart.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "context/ApplicationContext.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/ColorScheme.h"
#include "model/Font.h"
#include "model/Host.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Util.h"
#include "platform/Canvas.h"
#include "platform/Deferred.h"
#include "value/NumberText.h"
#include "value/Value.h"

namespace quadrell {

namespace {

constexpr Colour kChartWhite = 0xFFFFFF;
constexpr Colour kChartBlack = 0x000000;
constexpr Colour kChartGrey = 0x808080;
constexpr Colour kChartFrame = 0x888888;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Rows beyond this many are not read: no chart shows more points than this.
constexpr int64_t kMaxChartRows = 1048576;
constexpr int32_t kMaxChartSeries = 256;

ChartRangePicker gPicker = nullptr;

// One change of a chart's setup, from before to after.
class ChartSetupAction final : public Action {
 public:
  ChartSetupAction(LineChart* chart, ChartSetup before, ChartSetup after)
      : chart_(chart), before_(std::move(before)), after_(std::move(after)) {}
  void Undo() override { chart_->SetSetup(before_); }
  void Redo() override { chart_->SetSetup(after_); }

 private:
  LineChart* chart_;
  ChartSetup before_;
  ChartSetup after_;
};

double Clamp01(double v, double lo, double hi) { return std::isfinite(v) ? std::clamp(v, lo, hi) : lo; }

// A title without control characters (line breaks, tabs, escapes from files).
std::u16string CleanTitle(std::u16string_view title) {
  std::u16string out;
  for (char16_t c : title) {
    if (c >= 0x20 && c != 0x7F) out += c;
  }
  if (out.size() > 1000) out.resize(1000);
  return out;
}

ChartSetup Bounded(ChartSetup s) {
  if (!IsChartType(s.type)) s.type = kChartLine;
  s.title = CleanTitle(s.title);
  s.plotTop = Clamp01(s.plotTop, -0.5, 1.5);
  s.plotBottom = Clamp01(s.plotBottom, -0.5, 1.5);
  s.plotLeft = Clamp01(s.plotLeft, -0.5, 1.5);
  s.plotRight = Clamp01(s.plotRight, -0.5, 1.5);
  if (s.plotBottom < s.plotTop + 0.05) s.plotBottom = std::min(1.0, s.plotTop + 0.05);
  if (s.plotRight < s.plotLeft + 0.05) s.plotRight = std::min(1.0, s.plotLeft + 0.05);
  s.titleTop = Clamp01(s.titleTop, 0, 1);
  s.titleCenterX = Clamp01(s.titleCenterX, 0, 1);
  s.legendTop = Clamp01(s.legendTop, 0, 1);
  s.legendLeft = Clamp01(s.legendLeft, 0, 1);
  s.legendRight = Clamp01(s.legendRight, 0, 1);
  if (s.legendRight < s.legendLeft) s.legendRight = std::min(1.0, s.legendLeft + 0.2);
  return s;
}

// Moves the fractions [a, b] by d, keeping them inside [0, 1] as a whole.
void MoveSpan(double& a, double& b, double d) {
  double lo = std::min(a, b), hi = std::max(a, b);
  if (lo + d < 0) d = -lo;
  if (hi + d > 1) d = 1 - hi;
  if (hi - lo > 1) d = 0;
  a += d;
  b += d;
}

// The value of a stored cell without making one: numbers as they are, text
// and empty cells 0, errors and non-finite numbers skipped (NaN).
double CellNumber(Sheet* sheet, int32_t row, int32_t column) {
  Row* r = sheet->FindRow(row);
  Cell* cell = r ? r->FindCell(column) : nullptr;
  if (!cell) return 0;
  const Value* v = cell->GetValue();
  if (!v) return 0;
  switch (v->Kind()) {
    case ValueKind::Number:
    case ValueKind::DateTime: {
      double x = v->Number();
      return std::isfinite(x) ? x : kNaN;
    }
    case ValueKind::Error:
      return kNaN;
    default:
      return 0;
  }
}

const Value* StoredValue(Sheet* sheet, int32_t row, int32_t column) {
  Row* r = sheet->FindRow(row);
  Cell* cell = r ? r->FindCell(column) : nullptr;
  return cell ? cell->GetValue() : nullptr;
}

std::u16string StoredText(Sheet* sheet, int32_t row, int32_t column) {
  Row* r = sheet->FindRow(row);
  Cell* cell = r ? r->FindCell(column) : nullptr;
  return cell ? cell->GetText() : std::u16string();
}

bool IsTextValue(const Value* v) { return v && (v->Kind() == ValueKind::Text || v->Kind() == ValueKind::Hyperlink); }

int32_t PointsForPixels(double pixels) {
  int32_t dpi = std::max(1, FontPixelSize(72));
  return std::max(1, static_cast<int32_t>(std::lround(pixels * 72.0 / dpi)));
}

// Keeps coordinates the drawing back end can take; the clip hides the rest.
double Safe(double v) { return std::isfinite(v) ? std::clamp(v, -1e6, 1e6) : 0; }

}  // namespace

bool IsChartType(int type) {
  return (type >= 0 && type <= 6) || type == kChartPie || type == kChartStackedArea;
}

void SetChartRangePicker(ChartRangePicker picker) { gPicker = picker; }

ChartBlock ChartBlockForSelection(Sheet* sheet, int32_t firstColumn, int32_t firstRow, int32_t lastColumn,
                                  int32_t lastRow) {
  ChartBlock b{std::min(firstColumn, lastColumn), std::min(firstRow, lastRow), std::max(firstColumn, lastColumn),
               std::max(firstRow, lastRow)};
  if (!sheet) return b;
  UsedSize used = sheet->GetUsedSize();
  if (firstColumn < 0 || lastColumn < 0) {
    b.firstColumn = 0;
    b.lastColumn = used.column;
  }
  if (firstRow < 0 || lastRow < 0) {
    b.firstRow = 1;
    b.lastRow = used.row;
  }
  if (firstColumn < 0 || firstRow < 0 || lastColumn < 0 || lastRow < 0) {
    // Only the used part of whole rows or columns: trim to it.
    b.lastColumn = std::min(b.lastColumn, std::max(used.column, b.firstColumn));
    b.lastRow = std::min(b.lastRow, std::max(used.row, b.firstRow));
    return b;
  }
  if (b.firstColumn == b.lastColumn && b.firstRow == b.lastRow) {
    // A single cell stands for its block of data.
    auto filled = [&](int32_t r, int32_t c) {
      if (r < 1 || c < 0) return false;
      const Value* v = StoredValue(sheet, r, c);
      return v && v->Kind() != ValueKind::Empty;
    };
    bool grew = true;
    for (int guard = 0; grew && guard < 100000; ++guard) {
      grew = false;
      auto anyIn = [&](int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
        for (int32_t r = r0; r <= r1; ++r)
          for (int32_t c = c0; c <= c1; ++c)
            if (filled(r, c)) return true;
        return false;
      };
      if (b.firstRow > 1 && anyIn(b.firstRow - 1, b.firstColumn - 1, b.firstRow - 1, b.lastColumn + 1)) {
        --b.firstRow;
        grew = true;
      }
      if (b.lastRow < used.row && anyIn(b.lastRow + 1, b.firstColumn - 1, b.lastRow + 1, b.lastColumn + 1)) {
        ++b.lastRow;
        grew = true;
      }
      if (b.firstColumn > 0 && anyIn(b.firstRow - 1, b.firstColumn - 1, b.lastRow + 1, b.firstColumn - 1)) {
        --b.firstColumn;
        grew = true;
      }
      if (b.lastColumn < used.column && anyIn(b.firstRow - 1, b.lastColumn + 1, b.lastRow + 1, b.lastColumn + 1)) {
        ++b.lastColumn;
        grew = true;
      }
    }
  }
  return b;
}

ChartAxis ComputeChartAxis(double min, double max) {
  ChartAxis axis;
  if (!std::isfinite(min) || !std::isfinite(max)) {
    min = std::isfinite(min) ? min : (std::isfinite(max) ? max : 0);
    max = std::isfinite(max) ? max : min;
  }
  if (max < min) std::swap(min, max);
  // Halved, the span of any two doubles is finite.
  double halfSpan = max / 2 - min / 2;
  auto flat = [&](double at) {
    axis.flat = true;
    axis.lo = at;
    axis.step = std::max(std::abs(at) * 1e-9, 1e-300);
    axis.hi = at + axis.step;
    if (axis.hi == at) axis.hi = std::nextafter(at, std::numeric_limits<double>::infinity());
    axis.count = 1;
    return axis;
  };
  if (!(halfSpan > 0) || min + (max - min) / 1e12 == min) return flat(min);
  double step = std::isfinite(max - min) ? AxisStep(min, max) : AxisStep(min / 4, max / 4) * 4;
  double lo = std::floor(min / step) * step;
  double hi = std::ceil(max / step) * step;
  double count = (hi / 2 - lo / 2) / (step / 2);
  if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(count) || count > 100 || lo + step == lo) {
    // The step does not fit the numbers: ten steps over the span as it is.
    lo = min;
    hi = max;
    step = (hi / 2 - lo / 2) / 5;
    count = 10;
    if (!(step > 0) || lo + step == lo) return flat(min);
  }
  axis.lo = lo;
  axis.hi = hi;
  axis.step = step;
  axis.count = static_cast<int>(std::lround(count)) + 1;
  if (axis.count < 2) axis.count = 2;
  return axis;
}

std::u16string ChartNumberText(double value) {
  // Shown with the decimal comma, as the cells show numbers.
  auto comma = [](std::u16string text) {
    for (char16_t& c : text) c = c == u'.' ? u',' : c;
    return text;
  };
  if (std::abs(value) < 1e15 && std::abs(value) >= 1e-10) return comma(GeneralForm16(value));
  if (value == 0 || std::abs(value) < 1e-10) return u"0";
  int exponent = static_cast<int>(std::floor(std::log10(std::abs(value))));
  double mantissa = value / std::pow(10.0, exponent);
  std::u16string out = GeneralForm16(std::round(mantissa * 1e6) / 1e6);
  out += u"E";
  AppendGeneralForm(out, exponent);
  return comma(out);
}

// ---------------------------------------------------------------- chart

LineChart::LineChart(Sheet* sheet, ChartBlock block, uint8_t type) : sheet_(sheet) {
  setup_.type = IsChartType(type) ? type : static_cast<uint8_t>(kChartLine);
  setup_.title = Text("diagram:title");
  setup_.data = block;
  // A first row with a text names the series; one column never has a header.
  if (sheet_ && block.lastColumn > block.firstColumn) {
    for (int32_t c = block.firstColumn; c <= block.lastColumn && c - block.firstColumn < kMaxChartSeries; ++c) {
      if (IsTextValue(StoredValue(sheet_, block.firstRow, c))) {
        setup_.showLegend = true;
        setup_.plotRight = 0.7;
        setup_.header = ChartBlock{block.firstColumn, block.firstRow, block.lastColumn, block.firstRow};
        setup_.data.firstRow = block.firstRow + 1;
        break;
      }
    }
  }
  if (setup_.type == kChartPie && !setup_.showLegend) {
    setup_.showLegend = true;
    setup_.plotRight = 0.7;
  }
  Init();
}

LineChart::LineChart(Sheet* sheet, const ChartSetup& setup, int32_t width, int32_t height)
    : sheet_(sheet), setup_(Bounded(setup)) {
  width_ = std::clamp(width, kMinWidth, kMaxSide);
  height_ = std::clamp(height, kMinHeight, kMaxSide);
  Init();
}

void LineChart::Init() {
  committed_ = setup_;
  icons_[3] = {2, nullptr, nullptr};
  icons_[2] = {4, [](Object* o) { static_cast<LineChart*>(o)->ToggleLegend(); }, &icons_[3]};
  icons_[1] = {3, [](Object* o) { static_cast<LineChart*>(o)->ToggleTitle(); }, &icons_[2]};
  icons_[0] = {1, [](Object* o) { static_cast<LineChart*>(o)->PickDataRange(); }, &icons_[1]};
  image_.Resize(width_, height_);
  UpdateRanges();
  if (sheet_) sheet_->AddWatcher(this);
  Render();
}

LineChart::~LineChart() {
  CancelSoon(this);
  TellObserversGoing();
  if (sheet_) sheet_->RemoveWatcher(this);
}

void LineChart::TellObserversGoing() {
  std::vector<ChartObserver*> observers;
  observers.swap(observers_);
  for (ChartObserver* o : observers) o->ChartGoing();
  editWindow_ = nullptr;
}

void LineChart::AddObserver(ChartObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) observers_.push_back(observer);
}

void LineChart::RemoveObserver(ChartObserver* observer) {
  std::erase(observers_, observer);
  if (editWindow_ == observer) editWindow_ = nullptr;
}

void LineChart::UpdateRanges() {
  ranges_.clear();
  if (!sheet_) return;
  if (!setup_.data.IsEmpty()) {
    const ChartBlock& d = setup_.data;
    ranges_.push_back(std::make_unique<AreaRange>(d.firstColumn, d.firstRow, d.lastColumn, d.lastRow, sheet_));
  }
  if (setup_.header && !setup_.header->IsEmpty()) {
    const ChartBlock& h = *setup_.header;
    ranges_.push_back(std::make_unique<AreaRange>(h.firstColumn, h.firstRow, h.lastColumn, h.lastRow, sheet_));
  }
}

const std::vector<std::unique_ptr<Range>>* LineChart::GetRanges() const { return &ranges_; }

Bitmap* LineChart::GetImage() { return &image_; }

void LineChart::SetSize(int32_t width, int32_t height) {
  width_ = std::clamp(width, kMinWidth, kMaxSide);
  height_ = std::clamp(height, kMinHeight, kMaxSide);
  image_.Resize(width_, height_);
  Render();
}

void LineChart::SetSetup(const ChartSetup& setup) {
  setup_ = Bounded(setup);
  committed_ = setup_;
  UpdateRanges();
  Changed();
}

void LineChart::ApplyEdit(const ChartSetup& setup) {
  CommitInteraction();
  ChartSetup before = setup_;
  SetSetup(setup);
  if (before == setup_) return;
  if (Host* host = sheet_ ? sheet_->GetHost() : nullptr) {
    host->AddAction(std::make_unique<ChartSetupAction>(this, before, setup_));
  }
}

void LineChart::CommitInteraction() {
  if (committed_ == setup_) return;
  ChartSetup before = committed_;
  committed_ = setup_;
  if (Host* host = sheet_ ? sheet_->GetHost() : nullptr) {
    host->AddAction(std::make_unique<ChartSetupAction>(this, before, setup_));
  }
}

void LineChart::Changed() {
  Render();
  if (Host* host = sheet_ ? sheet_->GetHost() : nullptr) host->RedrawObjects();
}

void LineChart::RenderSoon() {
  RunSoon(this, [this] { Changed(); });
}

// ---------------------------------------------------------------- interaction

namespace {

struct Box {
  double x, y, w, h;
  bool Contains(double px, double py) const {
    // Bounds rounded to whole pixels, comparisons strict.
    return px > std::round(x) && px < std::round(x + w) && py > std::round(y) && py < std::round(y + h);
  }
};

}  // namespace

int32_t LineChart::MouseDown(int32_t x, int32_t y) {
  CommitInteraction();
  const double W = width_, H = height_;
  const ChartSetup& s = setup_;
  Box title{W * s.titleCenterX - titleWidth_ / 2.0, H * s.titleTop, double(titleWidth_), double(titleHeight_)};
  Box plot{W * s.plotLeft, H * s.plotTop, W * (s.plotRight - s.plotLeft), H * (s.plotBottom - s.plotTop)};
  Box legend{W * s.legendLeft, H * s.legendTop, W * (s.legendRight - s.legendLeft), H * (legendBottom_ - s.legendTop)};
  Element hit = kNone;
  if (s.showTitle && title.Contains(x, y)) hit = kTitle;
  else if (plot.Contains(x, y)) hit = kPlot;
  else if (s.showLegend && legend.Contains(x, y)) hit = kLegend;
  if (hit == kNone) {
    if (selected_ != kNone) {
      selected_ = kNone;
      Render();
    }
    return kObjectGrab;
  }
  selected_ = hit;
  Render();
  return kObjectChartPart;
}

int32_t LineChart::BeginTextEdit(int32_t x, int32_t y) {
  Box title{width_ * setup_.titleCenterX - titleWidth_ / 2.0, height_ * setup_.titleTop, double(titleWidth_),
            double(titleHeight_)};
  if (!setup_.showTitle || !title.Contains(x, y)) return kObjectGrab;
  selected_ = kTitle;
  Render();
  return kObjectTextEntry;
}

void LineChart::KeyChar(char16_t character) {
  if (selected_ != kTitle || character < 0x20 || character == 0x7F || setup_.title.size() >= 1000) return;
  setup_.title += character;
  Render();
}

void LineChart::KeyDown(int32_t key) {
  if (selected_ != kTitle || key != 8 || setup_.title.empty()) return;
  setup_.title.pop_back();
  Render();
}

void LineChart::DragPart(int32_t dx, int32_t dy) {
  const double fx = static_cast<double>(dx) / width_, fy = static_cast<double>(dy) / height_;
  ChartSetup& s = setup_;
  switch (selected_) {
    case kTitle: {
      // The title's box stays inside the chart.
      double halfW = width_ > 0 ? titleWidth_ / 2.0 / width_ : 0;
      double h = height_ > 0 ? static_cast<double>(titleHeight_) / height_ : 0;
      s.titleCenterX = std::clamp(s.titleCenterX + fx, std::min(0.5, halfW), std::max(0.5, 1 - halfW));
      s.titleTop = std::clamp(s.titleTop + fy, 0.0, std::max(0.0, 1 - h));
      break;
    }
    case kPlot:
      MoveSpan(s.plotLeft, s.plotRight, fx);
      MoveSpan(s.plotTop, s.plotBottom, fy);
      break;
    case kLegend: {
      double bottom = legendBottom_;
      MoveSpan(s.legendLeft, s.legendRight, fx);
      double before = s.legendTop;
      MoveSpan(s.legendTop, bottom, fy);
      legendBottom_ += s.legendTop - before;
      break;
    }
    default:
      return;
  }
  Render();
}

int32_t LineChart::Deselect() {
  CommitInteraction();
  if (selected_ != kNone) {
    selected_ = kNone;
    Render();
    // The view that let go of the chart shows it without the element's frame.
    RenderSoon();
  }
  return 0;
}

void LineChart::AddEventHandler(int32_t event, void* userData, ObjectEventCallback callback) {
  for (auto& h : handlers_) {
    if (h.first == event) {
      h.second = {userData, callback};
      return;
    }
  }
  handlers_.push_back({event, {userData, callback}});
}

void LineChart::FireEvent(int32_t event, void* argument) {
  for (auto& h : handlers_) {
    if (h.first == event && h.second.second) {
      auto handler = h.second;
      handler.second(handler.first, argument);
      return;
    }
  }
}

void LineChart::ToggleTitle() {
  ChartSetup next = setup_;
  next.showTitle = !next.showTitle;
  ApplyEdit(next);
}

void LineChart::ToggleLegend() {
  ChartSetup next = setup_;
  next.showLegend = !next.showLegend;
  next.plotRight += next.showLegend ? -0.2 : 0.2;
  ApplyEdit(next);
}

void LineChart::PickDataRange() {
  if (gPicker) gPicker(this);
}

// ---------------------------------------------------------------- following the sheet

void LineChart::CellValueChanged(int32_t row, int32_t column) {
  if (setup_.data.Contains(row, column) || (setup_.header && setup_.header->Contains(row, column))) RenderSoon();
}

namespace {

// Moves a block's bounds as formula references move: an insertion at or
// above a bound pushes it, a deletion inside shrinks the block.
void ShiftBlock(ChartBlock& b, bool rows, int32_t at, int32_t delta) {
  int32_t& first = rows ? b.firstRow : b.firstColumn;
  int32_t& last = rows ? b.lastRow : b.lastColumn;
  if (delta > 0) {
    if (first >= at) ++first;
    if (last >= at) ++last;
  } else {
    if (first > at) --first;
    if (last >= at) --last;
  }
}

}  // namespace

void LineChart::LinesChanged(bool rows, int32_t at, int32_t delta) {
  ShiftBlock(setup_.data, rows, at, delta);
  ShiftBlock(committed_.data, rows, at, delta);
  if (setup_.header) ShiftBlock(*setup_.header, rows, at, delta);
  if (committed_.header) ShiftBlock(*committed_.header, rows, at, delta);
  UpdateRanges();
  RenderSoon();
}

void LineChart::ObjectTaken(SheetAnchor* anchor) {
  if (anchor && anchor->GetObject() == this) {
    selected_ = kNone;
    TellObserversGoing();
  }
}

void LineChart::SheetGone() {
  CancelSoon(this);
  TellObserversGoing();
  sheet_ = nullptr;
  ranges_.clear();
}

// ---------------------------------------------------------------- data

ChartData LineChart::ReadData() const {
  ChartData data;
  const ChartBlock& d = setup_.data;
  if (!sheet_ || d.IsEmpty()) return data;
  int64_t rows = std::min<int64_t>(int64_t{d.lastRow} - d.firstRow + 1, kMaxChartRows);
  int32_t firstColumn = d.firstColumn;
  // A first column of texts (no numbers) names the categories.
  if (d.lastColumn > d.firstColumn) {
    bool anyText = false, anyNumber = false;
    for (int64_t i = 0; i < rows && !anyNumber; ++i) {
      const Value* v = StoredValue(sheet_, static_cast<int32_t>(d.firstRow + i), d.firstColumn);
      if (IsTextValue(v)) anyText = true;
      else if (v && v->IsNumeric()) anyNumber = true;
    }
    if (anyText && !anyNumber) {
      firstColumn = d.firstColumn + 1;
      data.categories.reserve(static_cast<size_t>(rows));
      for (int64_t i = 0; i < rows; ++i) {
        data.categories.push_back(StoredText(sheet_, static_cast<int32_t>(d.firstRow + i), d.firstColumn));
      }
    }
  }
  data.firstSeriesColumn = firstColumn;
  int32_t lastColumn = std::min(d.lastColumn, firstColumn + kMaxChartSeries - 1);
  for (int32_t c = firstColumn; c <= lastColumn; ++c) {
    std::vector<double> values(static_cast<size_t>(rows));
    for (int64_t i = 0; i < rows; ++i) values[static_cast<size_t>(i)] = CellNumber(sheet_, static_cast<int32_t>(d.firstRow + i), c);
    data.series.push_back(std::move(values));
    std::u16string name;
    if (setup_.header && c >= setup_.header->firstColumn && c <= setup_.header->lastColumn) {
      name = StoredText(sheet_, setup_.header->firstRow, c);
    }
    data.names.push_back(std::move(name));
  }
  return data;
}

// ---------------------------------------------------------------- rendering

void LineChart::Render() {
  ++renders_;
  if (image_.IsEmpty()) return;
  if (std::unique_ptr<Canvas> canvas = OpenBitmapCanvas(image_)) Render(*canvas);
}

namespace {

Colour SeriesColour(size_t index) { return GetColorScheme().GetSchemeColor(static_cast<int32_t>(index)); }

// The value range and the stacked values a chart type plots.
struct Plotted {
  // Per series and row: the lower and upper ends of what is drawn (lines use upper).
  std::vector<std::vector<double>> lower, upper;
  double min = 0, max = 0;
  bool any = false;
};

void Take(Plotted& p, double v) {
  if (!std::isfinite(v)) return;
  if (!p.any) {
    p.min = p.max = v;
    p.any = true;
  } else {
    p.min = std::min(p.min, v);
    p.max = std::max(p.max, v);
  }
}

Plotted Stack(const ChartData& data, uint8_t type) {
  Plotted p;
  size_t S = data.series.size(), R = data.Rows();
  p.lower.assign(S, std::vector<double>(R, kNaN));
  p.upper.assign(S, std::vector<double>(R, kNaN));
  auto value = [&](size_t s, size_t r) { return data.series[s][r]; };
  for (size_t r = 0; r < R; ++r) {
    switch (type) {
      case kChartStackedLine:
      case kChartStackedArea: {
        double sum = 0;
        for (size_t s = 0; s < S; ++s) {
          double v = value(s, r);
          double below = sum;
          if (std::isfinite(v)) sum += v;
          if (!std::isfinite(sum)) sum = below;  // an overflowing sum is skipped
          p.lower[s][r] = below;
          p.upper[s][r] = std::isfinite(v) ? sum : kNaN;
          Take(p, p.upper[s][r]);
          if (type == kChartStackedArea) Take(p, below);
          else if (std::isfinite(v)) Take(p, v);
        }
        break;
      }
      case kChartPercentLine: {
        double total = 0, sum = 0;
        for (size_t s = 0; s < S; ++s) {
          if (std::isfinite(value(s, r))) total += std::abs(value(s, r)) / 2;  // halved: never overflows
        }
        for (size_t s = 0; s < S; ++s) {
          double v = value(s, r);
          if (std::isfinite(v)) sum += v / 2;
          // A row of zeros plots at 1.
          p.upper[s][r] = total > 0 ? sum / total : 1;
          p.lower[s][r] = 0;
          Take(p, p.upper[s][r]);
        }
        break;
      }
      case kChartStackedBar:
      case kChartPercentBar: {
        // Positive values stack up from 0, negative ones down from 0.
        double total = 0;
        for (size_t s = 0; s < S; ++s) {
          if (std::isfinite(value(s, r))) total += std::abs(value(s, r)) / 2;
        }
        double up = 0, down = 0;
        for (size_t s = 0; s < S; ++s) {
          double v = value(s, r);
          if (!std::isfinite(v)) continue;
          if (type == kChartPercentBar) {
            if (!(total > 0)) continue;  // a row summing to 0 draws nothing
            v = v / 2 / total;
          }
          double& base = v >= 0 ? up : down;
          double next = base + v;
          if (!std::isfinite(next)) continue;
          p.lower[s][r] = base;
          p.upper[s][r] = next;
          base = next;
          Take(p, next);
        }
        Take(p, 0);
        break;
      }
      default:
        for (size_t s = 0; s < S; ++s) {
          p.lower[s][r] = 0;
          p.upper[s][r] = value(s, r);
          Take(p, value(s, r));
        }
        if (type == kChartBar) Take(p, 0);
        break;
    }
  }
  if (type == kChartPercentLine || type == kChartPercentBar) {
    Take(p, 0);
    Take(p, 1);
  }
  return p;
}

}  // namespace

void LineChart::Render(Canvas& canvas) {
  const int W = width_, H = height_;
  const ChartSetup& s = setup_;
  canvas.ClearClip();
  canvas.SetDrawMode(DrawMode::TransparentText);
  canvas.FillBox(0, 0, W, H, kChartWhite);
  canvas.FrameBox(0, 0, W, H, kChartFrame);
  canvas.SetClip(1, 1, W - 2, H - 2);

  const FontRecord* titleFont = GetFont(u"Arial", PointsForPixels(std::round(H * 0.06)), 0);
  const FontRecord* smallFont = GetFont(u"Arial", PointsForPixels(std::max(8.0, std::round(H * 0.025))), 0);


  ChartData data = ReadData();
  const size_t S = data.series.size(), R = data.Rows();
  const bool pie = s.type == kChartPie;

  // Plot rectangle.
  const double plotH = std::max(1.0, std::round(H * (s.plotBottom - s.plotTop)));
  const double plotW = std::max(1.0, std::round(W * (s.plotRight - s.plotLeft)));
  const double plotTop = std::round(H * s.plotTop);
  const double plotLeft = std::round(W * s.plotLeft);

  // Legend: the series, or for a pie the categories, with their colours.
  canvas.SetFont(*smallFont->platformFont);
  canvas.SetTextColour(kChartBlack);
  const int smallHeight = std::max(1, canvas.TextHeight(u"X"));
  legendBottom_ = s.legendTop;
  if (s.showLegend) {
    const double legendX = W * s.legendLeft;
    double ly = H * s.legendTop;
    size_t entries = pie ? R : S;
    size_t shown = std::min<size_t>(entries, static_cast<size_t>(std::max(1, H / smallHeight)));
    // Lines show a line sample; bars, slices and areas a box filled as they are.
    const bool lines = s.type <= kChartSmoothLine;
    const bool area = s.type == kChartStackedArea;
    const double box = std::max(4.0, std::round(smallHeight * 0.7));
    for (size_t i = 0; i < shown; ++i) {
      VectorPath mark;
      if (lines) {
        mark.MoveTo(legendX + 0.05 * W, ly + smallHeight / 2.0);
        mark.LineTo(legendX + 0.1 * W, ly + smallHeight / 2.0);
        canvas.StrokePath(mark, SeriesColour(i), 255, 2);
      } else {
        mark.AddRectangle(legendX + 0.075 * W - box / 2, ly + (smallHeight - box) / 2, box, box);
        canvas.FillPath(mark, SeriesColour(i), area ? 0x6F : 255);
        if (area) canvas.StrokePath(mark, SeriesColour(i), 255, 1);
      }
      std::u16string label;
      if (pie) label = data.HasCategories() ? data.categories[i] : GeneralForm16(static_cast<double>(i + 1));
      else label = data.names[i];
      if (!label.empty()) {
        // A name longer than the room up to the chart's edge ends in "…"
        // rather than being cut off mid-letter.
        const int textX = static_cast<int>(std::lround(legendX + 0.125 * W));
        const int room = W - 4 - textX;
        if (room > 0 && canvas.TextWidth(label) > room) {
          while (!label.empty() && canvas.TextWidth(label + u"\u2026") > room) label.pop_back();
          label += u"\u2026";
        }
        canvas.DrawText(textX, static_cast<int>(std::lround(ly)), label);
      }
      ly += smallHeight;
    }
    legendBottom_ = ly / H;
  }

  Plotted plotted = Stack(data, s.type);
  const double plotBottom = plotTop + plotH;

  if (!pie) {
    ChartAxis axis = ComputeChartAxis(plotted.any ? plotted.min : 0, plotted.any ? plotted.max : 1);
    // The fraction of the plot's height a value stands at; halved so that the
    // span of any two doubles stays finite.
    const double spanHalf = axis.hi / 2 - axis.lo / 2;
    auto Y = [&](double v) {
      double f = (v / 2 - axis.lo / 2) / spanHalf;
      return Safe(plotBottom - plotH * f);
    };
    if (axis.flat) {
      canvas.VerticalLine(static_cast<int>(plotLeft), static_cast<int>(plotTop), static_cast<int>(plotH), kChartGrey);
    }
    for (int k = 0; k < axis.count; ++k) {
      double t = axis.lo + k * axis.step;
      if (k == axis.count - 1 && !axis.flat) t = axis.hi;
      if (std::abs(t) < axis.step * 1e-9) t = 0;
      int y = static_cast<int>(std::floor(Y(t) + 0.5));
      canvas.HorizontalLine(static_cast<int>(plotLeft), y, static_cast<int>(plotW), kChartGrey);
      std::u16string label = ChartNumberText(t);
      int tw = canvas.TextWidth(label);
      canvas.DrawText(static_cast<int>(plotLeft) - tw - 4, y - smallHeight / 2, label);
    }

    const bool bars = s.type == kChartBar || s.type == kChartStackedBar || s.type == kChartPercentBar;
    // Category labels below the plot, skipping those that would overlap.
    if (data.HasCategories() && R > 0) {
      int lastEnd = std::numeric_limits<int>::min();
      for (size_t r = 0; r < R; ++r) {
        double cx = bars || R == 1 ? plotLeft + plotW * (r + 0.5) / R : plotLeft + plotW * r / (R - 1);
        int tw = canvas.TextWidth(data.categories[r]);
        int x = static_cast<int>(std::lround(cx - tw / 2.0));
        if (x < lastEnd + 4) continue;
        canvas.DrawText(x, static_cast<int>(plotBottom) + 3, data.categories[r]);
        lastEnd = x + tw;
      }
    }

    // Nothing of the series leaves the plot area.
    canvas.SetClip(static_cast<int>(plotLeft), static_cast<int>(plotTop), static_cast<int>(plotW) + 1,
                   static_cast<int>(plotH) + 1);
    auto X = [&](size_t r) { return R > 1 ? plotLeft + plotW * static_cast<double>(r) / (R - 1) : plotLeft + plotW / 2; };
    // More rows than pixel columns are drawn per pixel column: a bar or an
    // area's band spans what the column's rows span. Each series is one
    // figure, however many boxes it has.
    const size_t columns = static_cast<size_t>(std::max(1.0, plotW));
    const bool thinned = R > columns;
    auto columnOf = [&](size_t r) { return std::min(columns - 1, r * columns / R); };
    if (bars) {
      const double slotWidth = plotW / std::max<size_t>(R, 1);
      for (size_t sIndex = 0; sIndex < S; ++sIndex) {
        VectorPath boxes;
        bool any = false;
        auto box = [&](double x, double w, double lo, double hi) {
          double y1 = Y(hi), y0 = Y(lo);
          boxes.AddRectangle(x, std::min(y0, y1), std::max(w, 0.5), std::abs(y0 - y1));
          any = true;
        };
        if (thinned) {
          std::vector<double> lows(columns, kNaN), highs(columns, kNaN);
          for (size_t r = 0; r < R; ++r) {
            double lo = plotted.lower[sIndex][r], hi = plotted.upper[sIndex][r];
            if (!std::isfinite(lo) || !std::isfinite(hi)) continue;
            size_t k = columnOf(r);
            if (!(lows[k] <= std::min(lo, hi))) lows[k] = std::min(lo, hi);
            if (!(highs[k] >= std::max(lo, hi))) highs[k] = std::max(lo, hi);
          }
          // Each run of columns with bars as one outline: its tops left to
          // right, its bottoms back; many small boxes cost the rasterizer
          // far more than one outline.
          for (size_t k = 0; k < columns;) {
            if (std::isnan(lows[k])) {
              ++k;
              continue;
            }
            size_t end = k;
            while (end < columns && !std::isnan(lows[end])) ++end;
            auto tops = [&](size_t j) { return std::min(Y(highs[j]), Y(lows[j]) - 0.5); };
            boxes.MoveTo(plotLeft + static_cast<double>(k), tops(k));
            for (size_t j = k; j < end; ++j) {
              boxes.LineTo(plotLeft + static_cast<double>(j), tops(j));
              boxes.LineTo(plotLeft + static_cast<double>(j + 1), tops(j));
            }
            for (size_t j = end; j-- > k;) {
              boxes.LineTo(plotLeft + static_cast<double>(j + 1), Y(lows[j]));
              boxes.LineTo(plotLeft + static_cast<double>(j), Y(lows[j]));
            }
            boxes.Close();
            any = true;
            k = end;
          }
        } else {
          for (size_t r = 0; r < R; ++r) {
            double lo = plotted.lower[sIndex][r], hi = plotted.upper[sIndex][r];
            if (!std::isfinite(lo) || !std::isfinite(hi)) continue;
            if (s.type == kChartBar) {
              double slot = slotWidth / S;
              box(plotLeft + slotWidth * r + 0.9 * slot * sIndex + 0.1 * slot, 0.8 * slot, lo, hi);
            } else {
              box(plotLeft + slotWidth * r + slotWidth * 0.05, slotWidth * 0.9, lo, hi);
            }
          }
        }
        if (any) canvas.FillPath(boxes, SeriesColour(sIndex), 255);
      }
    } else if (s.type == kChartStackedArea) {
      for (size_t sIndex = 0; sIndex < S; ++sIndex) {
        // The band's upper and lower edge as (x, value) points.
        std::vector<std::pair<double, double>> upperEdge, lowerEdge;
        auto upperAt = [&](size_t r) {
          double v = plotted.upper[sIndex][r];
          return std::isfinite(v) ? v : plotted.lower[sIndex][r];
        };
        if (thinned) {
          std::vector<double> highs(columns, kNaN), lows(columns, kNaN);
          for (size_t r = 0; r < R; ++r) {
            size_t k = columnOf(r);
            // Both ends count either way: a negative value's band lies below its base.
            for (double v : {upperAt(r), plotted.lower[sIndex][r]}) {
              if (!std::isfinite(v)) continue;
              if (!(highs[k] >= v)) highs[k] = v;
              if (!(lows[k] <= v)) lows[k] = v;
            }
          }
          for (size_t k = 0; k < columns; ++k) {
            const double x = plotLeft + static_cast<double>(k) + 0.5;
            if (!std::isnan(highs[k])) upperEdge.emplace_back(x, highs[k]);
            if (!std::isnan(lows[k])) lowerEdge.emplace_back(x, lows[k]);
          }
        } else {
          for (size_t r = 0; r < R; ++r) {
            if (std::isfinite(upperAt(r))) upperEdge.emplace_back(X(r), upperAt(r));
            if (std::isfinite(plotted.lower[sIndex][r])) lowerEdge.emplace_back(X(r), plotted.lower[sIndex][r]);
          }
        }
        if (upperEdge.empty()) continue;
        VectorPath band;
        band.MoveTo(upperEdge[0].first, Y(upperEdge[0].second));
        for (size_t i = 1; i < upperEdge.size(); ++i) band.LineTo(upperEdge[i].first, Y(upperEdge[i].second));
        for (size_t i = lowerEdge.size(); i-- > 0;) {
          band.LineTo(lowerEdge[i].first, Y(std::max(axis.lo, lowerEdge[i].second)));
        }
        band.Close();
        canvas.FillPath(band, SeriesColour(sIndex), 0x6F);
      }
    }
    if (!bars) {
      // Lines (and the upper edges of areas), stroked 3 pixels wide. More
      // rows than pixel columns are drawn from each pixel column's lowest and
      // highest value: the band a 3-pixel line through all of them would
      // cover (each column's span widened by its neighbours' and by half the
      // line width), filled as one outline of two points a column. Stroking
      // thousands of overlapping strokes instead costs ten times as much.
      const bool smooth = s.type == kChartSmoothLine && !thinned;
      for (size_t sIndex = 0; sIndex < S; ++sIndex) {
        const std::vector<double>& v = plotted.upper[sIndex];
        if (thinned) {
          // Per pixel column: the lowest and highest value (NaN without any).
          std::vector<double> lows(columns, kNaN), highs(columns, kNaN);
          for (size_t r = 0; r < R; ++r) {
            double y = v[r];
            if (!std::isfinite(y)) continue;
            size_t column = columnOf(r);
            if (!(lows[column] <= y)) lows[column] = y;
            if (!(highs[column] >= y)) highs[column] = y;
          }
          std::vector<std::pair<double, double>> upperEdge, lowerEdge;  // x, pixel y
          for (size_t k = 0; k < columns; ++k) {
            if (std::isnan(lows[k])) continue;
            double lo = lows[k], hi = highs[k];
            for (size_t j = k > 0 ? k - 1 : 0; j <= k + 1 && j < columns; ++j) {
              if (std::isnan(lows[j])) continue;
              lo = std::min(lo, lows[j]);
              hi = std::max(hi, highs[j]);
            }
            const double x = plotLeft + static_cast<double>(k) + 0.5;
            upperEdge.emplace_back(x, Y(hi) - 1.5);
            lowerEdge.emplace_back(x, Y(lo) + 1.5);
          }
          if (upperEdge.empty()) continue;
          upperEdge.front().first -= 1.5;
          lowerEdge.front().first -= 1.5;
          upperEdge.back().first += 1.5;
          lowerEdge.back().first += 1.5;
          VectorPath band;
          band.MoveTo(upperEdge[0].first, upperEdge[0].second);
          for (size_t i = 1; i < upperEdge.size(); ++i) band.LineTo(upperEdge[i].first, upperEdge[i].second);
          for (size_t i = lowerEdge.size(); i-- > 0;) band.LineTo(lowerEdge[i].first, lowerEdge[i].second);
          band.Close();
          canvas.FillPath(band, SeriesColour(sIndex), 255);
          continue;
        }
        std::vector<std::pair<double, double>> points;
        for (size_t r = 0; r < R; ++r) {
          if (std::isfinite(v[r])) points.emplace_back(X(r), Y(v[r]));
        }
        if (points.empty()) continue;
        VectorPath line;
        line.MoveTo(points[0].first, points[0].second);
        if (points.size() == 1) {
          line.LineTo(points[0].first + 0.01, points[0].second);
        } else if (smooth) {
          // Each segment a cubic curve whose ends follow the neighbours' slopes.
          size_t n = points.size();
          auto slope = [&](size_t i) {
            if (i == 0) return points[1].second - points[0].second;
            if (i == n - 1) return points[n - 1].second - points[n - 2].second;
            return 0.5 * (points[i + 1].second - points[i - 1].second);
          };
          for (size_t i = 0; i + 1 < n; ++i) {
            auto [x0, y0] = points[i];
            auto [x1, y1] = points[i + 1];
            line.CubicTo(0.67 * x0 + 0.33 * x1, y0 + 0.33 * slope(i), 0.33 * x0 + 0.67 * x1, y1 - 0.33 * slope(i + 1),
                         x1, y1);
          }
        } else {
          for (size_t i = 1; i < points.size(); ++i) line.LineTo(points[i].first, points[i].second);
        }
        canvas.StrokePath(line, SeriesColour(sIndex), 255, 3);
      }
    }
    canvas.SetClip(1, 1, W - 2, H - 2);
  } else if (S > 0) {
    // Pie of the first series: positive values only; the others use up their colour.
    const std::vector<double>& v = data.series[0];
    double total = 0;
    for (double x : v) {
      if (std::isfinite(x) && x > 0) total += x / 2;
    }
    const double cx = plotLeft + plotW / 2, cy = plotTop + plotH / 2, radius = std::min(plotW, plotH) / 2;
    if (total > 0) {
      double angle = -90;
      for (size_t r = 0; r < R; ++r) {
        if (!std::isfinite(v[r]) || v[r] <= 0) continue;
        double sweep = v[r] / 2 / total * 360;
        if (!(sweep > 0)) continue;
        VectorPath slice;
        slice.MoveTo(cx, cy);
        slice.ArcTo(cx, cy, radius, radius, angle, sweep);
        slice.Close();
        canvas.FillPath(slice, SeriesColour(r), 255);
        angle += sweep;
      }
    }
    VectorPath circle;
    circle.AddEllipse(cx, cy, radius, radius);
    canvas.StrokePath(circle, kChartBlack, 255, 3);
  }

  // The title last, so that a title dragged over the plot stays readable.
  titleWidth_ = titleHeight_ = 0;
  if (s.showTitle) {
    canvas.SetFont(*titleFont->platformFont);
    canvas.SetTextColour(kChartBlack);
    titleWidth_ = canvas.TextWidth(s.title);
    titleHeight_ = canvas.TextHeight(s.title.empty() ? std::u16string_view(u" ") : std::u16string_view(s.title));
    int x = static_cast<int>(std::lround(W * s.titleCenterX - titleWidth_ / 2.0));
    int y = static_cast<int>(std::lround(H * s.titleTop));
    canvas.DrawText(x, y, s.title);
  }

  // The selected element's frame.
  if (selected_ != kNone) {
    double x = 0, y = 0, w = 0, h = 0;
    if (selected_ == kTitle) {
      x = W * s.titleCenterX - titleWidth_ / 2.0;
      y = H * s.titleTop;
      w = titleWidth_;
      h = titleHeight_;
    } else if (selected_ == kPlot) {
      x = W * s.plotLeft;
      y = H * s.plotTop;
      w = W * (s.plotRight - s.plotLeft);
      h = H * (s.plotBottom - s.plotTop);
    } else {
      x = W * s.legendLeft;
      y = H * s.legendTop;
      w = W * (s.legendRight - s.legendLeft);
      h = H * (legendBottom_ - s.legendTop);
    }
    VectorPath frame;
    frame.AddRectangle(std::round(x) + 0.5, std::round(y) + 0.5, std::round(w), std::round(h));
    canvas.StrokePath(frame, kChartBlack, 127, 1);
  }
  canvas.ClearClip();
}

}  // namespace quadrell
