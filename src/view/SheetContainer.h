#pragma once
// The content of a sheet window: the workbook it shows, the toolbar band, the
// "fx" picture and the formula bar, one grid view or two beside a splitter, the
// sheet tabs and the status field; and the window's clipboard of cell blocks.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Geometry.h"
#include "shell/Container.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

class Application;
class AreaRange;
class Cell;
class OverviewGadget;
class Sheet;
class SheetGadget;
class Value;
class Workbook;

// Where the parts of a sheet window go for a client area of width x height.
struct SheetWindowLayout {
  Rect sheetTabs;
  Rect statusField;
  Rect formulaIcon;
  Rect formulaBar;
  std::vector<Rect> views;      // left to right
  std::vector<Rect> splitters;  // one between each two views
};
// The toolbar takes toolbarHeight at the top; the first of viewCount views
// gets splitRatio of the width.
SheetWindowLayout LayOutSheetWindow(int width, int height, int toolbarHeight, float splitRatio, int viewCount);

class SheetContainer : public Container, private CanvasEvents {
 public:
  explicit SheetContainer(Application& application);
  ~SheetContainer() override;

  void Resize(int width, int height) override;
  void ClipboardChanged() override;
  void Cut() override;
  void Copy() override;
  void Paste() override;
  void EmergencySave() override;
  void SelectAll() override;
  void RefreshViews(bool full) override;
  void UpdateCellInViews(int32_t row, int32_t column) override;
  void RedrawViewsWithObjects() override;
  void BlinkCarets() override;
  void FilesDropped(const std::vector<std::u16string>& paths, Point screenPoint) override;

  OverviewGadget* GetStatusField() const { return statusField_.get(); }
  FormulaBar* GetFormulaBar() const { return formulaBar_.get(); }
  SheetGadget* GetActiveView() const { return activeView_; }
  void SetActiveView(SheetGadget* view) { activeView_ = view; }
  Workbook& GetWorkbook() const { return *workbook_; }
  // Shows another workbook in the window (a file opened into it); the window's
  // undo and redo lists, which refer to the old one, are emptied.
  void SetWorkbook(std::unique_ptr<Workbook> workbook);
  SheetTabs* GetSheetTabs() const { return sheetTabs_.get(); }
  const AreaRange* GetCopiedRange() const { return copiedRange_.get(); }
  void ClearCopy();
  Toolbar* GetToolbar() const { return toolbar_.get(); }
  // The later parts of the window take their places.
  void SetFormulaBar(std::unique_ptr<FormulaBar> bar);
  void SetSheetTabs(std::unique_ptr<SheetTabs> tabs);
  void SetToolbar(std::unique_ptr<Toolbar> toolbar);

  const std::vector<std::unique_ptr<SheetGadget>>& GetViews() const { return views_; }
  // Two views side by side (the first keeps half the width), or one again.
  void SetSplit(bool split);
  float GetSplitRatio() const { return splitRatio_; }
  // A press on the splitter, then the pointer at window x while pressed.
  void DragSplitter(int windowX);
  const SheetWindowLayout& GetLayout() const { return layout_; }

  // The window's Return and Tab while the formula bar edits: unless the bar
  // takes the key for a suggested name, its text is committed and the focus
  // goes to the grid, where the key's release moves the active cell.
  void EnterFromFormulaBar(int key);
  // The formula bar got the focus: editing begins for the active cell.
  void FormulaBarFocused();
  // The formula bar lost the focus: its text goes into the cell whose input it
  // showed when editing began, once, and only when the text was changed.
  void CommitFormulaBar();
  // What is being typed in the bar or a grid view goes into its cell (before a
  // save or a close, which would otherwise miss it).
  void CommitPendingEdits();
  // Escape in the formula bar: the cell's input comes back and the grid gets the focus.
  void CancelFormulaBar();
  // A tab click (or the next-sheet keys) while a formula is being entered where
  // a reference may follow, in the bar or in a grid view's editor: the sheet
  // is shown for pointing at its cells and the edit goes on for its own cell
  // (the tab of the sheet shown changes nothing). False when no edit points;
  // the caller then switches sheets as usual.
  bool PointIntoSheet(Sheet* sheet);
  // Makes the sheet the active one and shows it (the edit that pointed
  // elsewhere ended by the keyboard, and its own sheet comes back).
  void ShowSheet(Sheet* sheet);
  // The sheet of the cell the formula bar edits; null when it edits none.
  Sheet* GetFormulaBarSheet() const { return formulaBarEdit_ ? formulaBarEdit_->sheet : nullptr; }
  // The formula bar's text changed: the edited cell outlines the ranges it names.
  void FormulaBarChanged();
  // A window shortcut (Delete, Ctrl+A, C, X, V, Z, Y) while the formula bar has
  // the focus acts on the bar's text; true when the bar took it.
  bool FormulaBarHandlesShortcut(int event);
  // Delete with a sheet object selected removes the object; false when none is.
  bool DeleteSelectedObject();
  void ClearFormulaBar();

 private:
  struct SnapshotRecord {
    const Value* value = nullptr;
    bool hasFormula = false;
    std::u16string formula;  // "=" and the formula in English, as copied
    Cell* cell = nullptr;
  };
  // What the formula bar edits: the position of the cell and its input when editing began.
  struct FormulaBarEdit {
    Sheet* sheet = nullptr;
    int32_t row = 0;
    int32_t column = 0;
    std::u16string original;
  };
  // The existing cell of the edit; created only when create is set.
  Cell* FormulaBarCell(const FormulaBarEdit& edit, bool create) const;
  void TextPaste();
  void InternalPaste();
  void PlaceSplitter();
  void PaintSplitter();
  static void SheetChanged(void* container, class Sheet* sheet);
  // CanvasEvents of the splitter.
  void OnLeftDown(int x, int y) override;
  void OnLeftUp(int x, int y) override;
  void OnMouseMove(int x, int y) override;

  Application& application_;
  std::unique_ptr<Workbook> workbook_;
  std::vector<std::unique_ptr<SheetGadget>> views_;
  std::unique_ptr<SheetTabs> sheetTabs_;
  std::unique_ptr<ImageControl> formulaIcon_;
  std::unique_ptr<FormulaBar> formulaBar_;
  std::optional<FormulaBarEdit> formulaBarEdit_;
  std::unique_ptr<OverviewGadget> statusField_;
  std::unique_ptr<Toolbar> toolbar_;
  SheetGadget* activeView_ = nullptr;
  // The view whose in-place edit points into the sheet being switched to, and
  // whether a switch for pointing is under way (the edits then go on).
  SheetGadget* pointingView_ = nullptr;
  bool switchingForPointing_ = false;
  float splitRatio_ = 1.0f;
  std::unique_ptr<CanvasControl> splitter_;
  bool splitterPressed_ = false;
  bool copyPending_ = false;
  std::unique_ptr<AreaRange> copiedRange_;
  std::vector<SnapshotRecord> copiedCells_;
  int32_t copiedColumns_ = 0;
  int32_t copiedRows_ = 0;
  bool cutFlag_ = false;
  SheetWindowLayout layout_;
  int width_ = 0;
  int height_ = 0;
};

// The file a recovery copy is written to: the settings folder, then the local
// time as yyyymmddhhmmss, "-", a random number in upper-case hexadecimal, ".xlsx".
std::string RecoveryCopyPath();

// The clipboard text of a block: TAB between the cells of a row, CR LF after every row.
std::u16string BlockText(AreaRange& range);

}  // namespace quadrell
