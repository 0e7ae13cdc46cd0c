#pragma once
// The two small windows around charts: DiagramCreateWindow picks a chart kind
// and variant from preview pictures and puts a new chart beside the selection;
// DiagramEditWindow edits a chart's title, title and legend visibility and its
// header and data ranges (picked on the sheet). Each closes when what it points
// to goes: the chart, the view (window closed, view unsplit), or the view's
// sheet (another sheet shown, the sheet removed, the workbook replaced).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "object/LineChart.h"
#include "platform/Bitmap.h"
#include "platform/Controls.h"
#include "platform/Window.h"

namespace quadrell {

class Application;
class Range;
class SheetGadget;

// The common part: the window, the view it serves, its closing.
class ChartDialog : protected WindowEvents {
 public:
  ~ChartDialog() override;
  ChartDialog(const ChartDialog&) = delete;
  ChartDialog& operator=(const ChartDialog&) = delete;
  // Hides the window, ends a pending pick and lets go of everything; the
  // object is freed once the current event is handled.
  virtual void Close();
  bool IsClosed() const { return closed_; }
  Window& GetWindow() const { return *window_; }

 protected:
  ChartDialog(Application& application, SheetGadget& view, std::u16string_view title);
  void OnCloseRequested() override { Close(); }
  virtual void LetGo() {}

  Application& application_;
  SheetGadget* view_;
  std::unique_ptr<Window> window_;

 private:
  static void ViewChanged(void* dialog, int phase);
  bool closed_ = false;
};

class DiagramCreateWindow final : public ChartDialog, private CanvasEvents {
 public:
  static constexpr int kSize = 500;
  // Opens the window for the view's sheet and selection.
  static DiagramCreateWindow* Open(Application& application, SheetGadget& view);

  int GetKind() const { return kind_; }
  int GetVariant() const { return variant_; }
  // The canvas's clicks, also for tests.
  void OnLeftDown(int x, int y) override;
  void OnLeftDoubleClick(int x, int y) override;
  // Puts the chart of the selected kind and variant on the sheet (one undo step) and closes.
  LineChart* Create();

 private:
  DiagramCreateWindow(Application& application, SheetGadget& view);
  void Paint();
  bool Select(int x, int y);

  std::unique_ptr<CanvasControl> canvas_;
  ChartBlock block_;
  int kind_ = 0;
  int variant_ = 0;
};

class DiagramEditWindow final : public ChartDialog, private ChartObserver {
 public:
  // Null when the chart has an edit window open already (that one comes to the front).
  static DiagramEditWindow* Open(Application& application, SheetGadget& view, LineChart* chart);
  ~DiagramEditWindow() override;

  // The controls, for tests.
  TextField& TitleField() const { return *titleField_; }
  CheckBox& TitleCheck() const { return *titleCheck_; }
  CheckBox& LegendCheck() const { return *legendCheck_; }
  TextField& HeaderField() const { return *headerField_; }
  TextField& DataField() const { return *dataField_; }
  // The pick buttons: the window hides and the view picks a range.
  void PickHeader() { StartPick(true); }
  void PickData() { StartPick(false); }
  void Ok();
  void Cancel() { Close(); }

 private:
  DiagramEditWindow(Application& application, SheetGadget& view, LineChart* chart);
  void ChartGoing() override { Close(); }
  void LetGo() override;
  void StartPick(bool header);
  static void Picked(void* dialog, const Range* range, int done);

  LineChart* chart_;
  std::unique_ptr<CheckBox> titleCheck_;
  std::unique_ptr<Label> titleLabel_;
  std::unique_ptr<TextField> titleField_;
  std::unique_ptr<CheckBox> legendCheck_;
  std::unique_ptr<Label> legendLabel_;
  std::unique_ptr<TextField> headerField_;
  std::unique_ptr<ImageControl> headerPick_;
  std::unique_ptr<Label> dataLabel_;
  std::unique_ptr<TextField> dataField_;
  std::unique_ptr<ImageControl> dataPick_;
  std::unique_ptr<Button> ok_;
  std::unique_ptr<Button> cancel_;
  Bitmap pickIcon_;
  std::optional<ChartBlock> pickedHeader_;
  ChartBlock pickedData_;
  bool pickingHeader_ = false;
  std::optional<ChartBlock> pending_;  // the range of a pick in progress
};

// The new-chart command: the creation window for the active view.
DiagramCreateWindow* OpenChartCreation(Application& application);
// The chart menu's "Edit": the edit window for the chart shown in the view.
void OpenChartEditor(SheetGadget& view, LineChart* chart);
// Installs the chart menu's editor and the charts' range pick.
void InstallChartCommands();
// The open chart windows, for tests.
int OpenChartDialogCount();

// The preview picture of a chart type (200 x 150), empty for types without one.
const Bitmap& ChartPreview(int type);

}  // namespace quadrell
