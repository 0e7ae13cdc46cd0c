#pragma once
// A chart on a sheet: a block of cells drawn as a line, bar, pie or area chart
// into the chart's own image. Columns are the series, rows the categories; a
// first row holding text names the series, a first column holding only text
// names the categories. Title, plot area and legend sit at fractions of the
// chart's size; the user selects, drags and (the title) types into them.
//
// The chart follows its block as a whole: the sheet tells it of every value
// change and of inserted and deleted rows and columns, so no cell is made or
// listened to for it. Changes render the chart once per turn of the event loop.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/Sheet.h"
#include "object/Object.h"
#include "platform/Bitmap.h"

namespace quadrell {

class Canvas;
class ChartObserver;

// The creation dialog makes kind x 4 + variant (kind 0 line, 1 bar, 2 pie, 3 area).
enum ChartType : uint8_t {
  kChartLine = 0,
  kChartStackedLine = 1,
  kChartPercentLine = 2,
  kChartSmoothLine = 3,
  kChartBar = 4,
  kChartStackedBar = 5,
  kChartPercentBar = 6,
  kChartPie = 8,
  kChartStackedArea = 12,
};
bool IsChartType(int type);

// A block of a sheet by numbers (rows from 1, columns from 0); empty when
// every row or column of it was deleted.
struct ChartBlock {
  int32_t firstColumn = 0;
  int32_t firstRow = 1;
  int32_t lastColumn = 0;
  int32_t lastRow = 1;
  bool IsEmpty() const { return lastColumn < firstColumn || lastRow < firstRow; }
  bool Contains(int32_t row, int32_t column) const {
    return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
  }
  bool operator==(const ChartBlock&) const = default;
};

// Everything the user can change on a chart but its size: what an edit takes
// back, and what files keep.
struct ChartSetup {
  uint8_t type = kChartLine;
  std::u16string title;
  bool showTitle = true;
  bool showLegend = false;
  double plotTop = 0.15, plotBottom = 0.85, plotLeft = 0.1, plotRight = 0.9;
  double titleTop = 0.025, titleCenterX = 0.5;
  double legendTop = 0.15, legendLeft = 0.7, legendRight = 0.9;
  ChartBlock data;
  std::optional<ChartBlock> header;
  bool operator==(const ChartSetup&) const = default;
};

// What a chart plots, read from its cells: per series the values (NaN where
// nothing is plotted), the series names and the category labels.
struct ChartData {
  std::vector<std::vector<double>> series;
  std::vector<std::u16string> names;       // one per series; empty texts without a header
  std::vector<std::u16string> categories;  // one per row when the first column names them
  int32_t firstSeriesColumn = 0;           // the sheet column of series 0
  bool HasCategories() const { return !categories.empty(); }
  size_t Rows() const { return series.empty() ? 0 : series[0].size(); }
};

// Told when a chart goes away or leaves its sheet: its dialogs close.
class ChartObserver {
 public:
  virtual ~ChartObserver() = default;
  virtual void ChartGoing() = 0;
};

class LineChart final : public Object, public SheetWatcher {
 public:
  static constexpr int32_t kDefaultWidth = 500;
  static constexpr int32_t kDefaultHeight = 400;
  static constexpr int32_t kMinWidth = 60;
  static constexpr int32_t kMinHeight = 40;
  static constexpr int32_t kMaxSide = 8000;
  enum Element : uint8_t { kNone = 0, kTitle = 1, kPlot = 2, kLegend = 3 };

  // Over the block: a first row with a text names the series (header) when
  // the block has more than one column. Whole rows and columns and the whole
  // sheet stand for the sheet's used part.
  LineChart(Sheet* sheet, ChartBlock block, uint8_t type);
  // As set up before (files, undo).
  LineChart(Sheet* sheet, const ChartSetup& setup, int32_t width, int32_t height);
  ~LineChart() override;
  LineChart(const LineChart&) = delete;
  LineChart& operator=(const LineChart&) = delete;

  Bitmap* GetImage() override;
  int32_t GetKind() const override { return kObjectChart; }
  int32_t GetObjectWidth() const override { return width_; }
  int32_t GetObjectHeight() const override { return height_; }
  void SetSize(int32_t width, int32_t height) override;
  int32_t MouseDown(int32_t x, int32_t y) override;
  int32_t QueryPoint(int32_t, int32_t) override { return kObjectGrab; }
  int32_t BeginTextEdit(int32_t x, int32_t y) override;
  void KeyChar(char16_t character) override;
  void KeyDown(int32_t key) override;
  void DragPart(int32_t dx, int32_t dy) override;
  void AddEventHandler(int32_t event, void* userData, ObjectEventCallback callback) override;
  void FireEvent(int32_t event, void* argument) override;
  const std::vector<std::unique_ptr<Range>>* GetRanges() const override;
  int32_t Deselect() override;
  const ObjectToolIcon* GetToolIcons() const override { return &icons_[0]; }

  // Renders into the chart's image now (when the platform can draw).
  void Render();
  // Draws the chart onto a canvas with its top-left corner at (0, 0).
  void Render(Canvas& canvas);
  // Renders once the current event is handled; many calls, one render.
  void RenderSoon();

  Sheet* GetSheet() const { return sheet_; }
  const ChartSetup& GetSetup() const { return setup_; }
  // Takes the setup (sizes bounded, title cleaned) and renders.
  void SetSetup(const ChartSetup& setup);
  uint8_t GetType() const { return setup_.type; }
  const std::u16string& GetTitle() const { return setup_.title; }
  Element GetSelectedElement() const { return selected_; }
  ChartData ReadData() const;

  // The tool icons' actions: a new data range picked on the sheet, title and
  // legend shown or hidden. Each is one undo step.
  void ToggleTitle();
  void ToggleLegend();
  void PickDataRange();
  // An edit through the chart's own gestures (drags, typing) becomes one undo
  // step when it ends: at the release, a new press or the deselection.
  void CommitInteraction();
  // A change of the setup as one undo step (the edit dialog, the tool icons).
  void ApplyEdit(const ChartSetup& setup);

  void AddObserver(ChartObserver* observer);
  void RemoveObserver(ChartObserver* observer);
  // The edit window open for this chart, at most one.
  ChartObserver* GetEditWindow() const { return editWindow_; }
  void SetEditWindow(ChartObserver* window) { editWindow_ = window; }

  // SheetWatcher
  void CellValueChanged(int32_t row, int32_t column) override;
  void LinesChanged(bool rows, int32_t at, int32_t delta) override;
  void ObjectTaken(SheetAnchor* anchor) override;
  void SheetGone() override;

  // Renders into the image counted, for tests of the once-per-turn rule.
  int RenderCount() const { return renders_; }

 private:
  void Init();
  void Changed();  // render now and have the views show it
  void UpdateRanges();
  void TellObserversGoing();

  Sheet* sheet_;
  ChartSetup setup_;
  ChartSetup committed_;  // the setup the last undo step left
  int32_t width_ = kDefaultWidth;
  int32_t height_ = kDefaultHeight;
  Bitmap image_;
  int32_t titleWidth_ = 0;
  int32_t titleHeight_ = 0;
  double legendBottom_ = 0.15;
  Element selected_ = kNone;
  std::vector<std::unique_ptr<Range>> ranges_;
  std::vector<std::pair<int32_t, std::pair<void*, ObjectEventCallback>>> handlers_;
  ObjectToolIcon icons_[4];
  std::vector<ChartObserver*> observers_;
  ChartObserver* editWindow_ = nullptr;
  int renders_ = 0;
};

// Who picks a new data range for a chart (the view that shows it); installed
// by the window program.
using ChartRangePicker = void (*)(LineChart* chart);
void SetChartRangePicker(ChartRangePicker picker);

// The block a selection stands for: whole rows, columns and the sheet become
// the sheet's used part within them; a single cell its block of data.
ChartBlock ChartBlockForSelection(Sheet* sheet, int32_t firstColumn, int32_t firstRow, int32_t lastColumn,
                                  int32_t lastRow);

// The value axis: grid values lo + k x step for k = 0 .. count - 1, at most
// about 100 of them, whatever the numbers (a constant series, 1e300, steps
// below the spacing of doubles).
struct ChartAxis {
  double lo = 0;
  double hi = 1;
  double step = 1;
  int count = 1;
  bool flat = false;  // all values equal: one grid line and the axis line
};
ChartAxis ComputeChartAxis(double min, double max);
// The grid label of a value: up to ten decimals, trailing zeros removed.
std::u16string ChartNumberText(double value);

}  // namespace quadrell
