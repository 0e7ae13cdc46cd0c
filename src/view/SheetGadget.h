#pragma once
// The grid view of one sheet: a custom-drawn canvas composed from off-screen
// layers (row headers, column headers, cells, sheet objects) and overlays
// (selection, copy marquee, reference outlines, object frames, scroll
// indicators), with the selection, keyboard navigation, in-place editing and
// every mouse gesture of the grid. It owns no cell data: it asks the sheet.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Style.h"
#include "model/collection/Hashtable.h"
#include "object/SheetAnchor.h"
#include "platform/Bitmap.h"
#include "platform/Controls.h"

namespace quadrell {

class Application;
class AreaRange;
class Cell;
class GroupAction;
class Range;
class Sheet;
class SheetContainer;
class SheetGadget;

// Frozen panes: the columns from firstColumn and the rows from firstRow stay
// in place up to (not including) scrollColumn and scrollRow.
struct FrozenRange {
  int32_t firstColumn = 0;
  int32_t firstRow = 1;
  int32_t scrollColumn = 0;
  int32_t scrollRow = 1;
};

// A dialog's range pick: the range between the press and the pointer while
// the button is held (done 0), then none with done 1 at the release.
using RangePickCallback = void (*)(void* data, const Range* range, int done);
// Told 0 before and 1 after an auto-fill; kViewSheetChanged when the view
// shows another sheet and kViewGoing when it goes (dialogs that point into
// the view close then).
using ChangeListener = void (*)(void* data, int phase);
inline constexpr int kViewGoing = 2;
inline constexpr int kViewSheetChanged = 3;
// The done value of a range pick ended by Escape or by the view: nothing picked.
inline constexpr int kPickCancelled = 2;

enum MouseMode : uint8_t {
  kMouseNone = 0,
  kMouseFillHandle = 1,
  kMouseFillBrushArmed = 2,
  kMouseFillBrushPainting = 3,
  kMouseTextBrushArmed = 4,
  kMouseTextBrushPainting = 5,
  kMouseFormatPainter = 6,
  kMouseComment = 7,
  kMouseHyperlink = 9,
};

// The text to edit for a cell: its input, except that a number whose shown
// text would not read back as the same number ("1.200,00") is given plainly.
std::u16string EditableInput(const Cell* cell);

// The cell menu's comment and hyperlink entries, filled in by the commands;
// without them the entries do nothing.
using CellMenuCommand = void (*)(SheetGadget& view);
void SetCellMenuCommands(CellMenuCommand insertComment, CellMenuCommand insertHyperlink);

// The chart menu's "Edit", filled in by the chart dialogs.
class LineChart;
using ChartEditorOpener = void (*)(SheetGadget& view, LineChart* chart);
void SetChartEditorOpener(ChartEditorOpener opener);

class SheetGadget : private CanvasEvents, public AnchorPlacement {
 public:
  static constexpr int kHeaderHeight = 18;  // the column header band; its bottom line is at y = 18
  static constexpr int kCellTop = 19;       // where the cell layer is drawn
  static constexpr int kIndentStep = 16;
  static constexpr int kObjectPanelWidth = 50;
  static constexpr int kObjectPanelRow = 35;

  SheetGadget(Application& application, SheetContainer& container, ControlParent& parent, const Rect& bounds,
              Sheet* sheet);
  ~SheetGadget() override;
  SheetGadget(const SheetGadget&) = delete;
  SheetGadget& operator=(const SheetGadget&) = delete;

  CanvasControl& GetCanvas() const { return *canvas_; }
  // Repaints the cell's row band on the cell layer when the caller refreshes.
  void UpdateCell(int32_t row, int32_t column);
  // Lays out (when full or scrolled) and repaints the layers, then the canvas.
  void Redraw(bool full);
  // Composes the canvas from the layers and the overlays, without layout.
  void Refresh();
  int32_t AnchorToX(const SheetPosition& position) const override;
  int32_t AnchorToY(const SheetPosition& position) const override;
  int32_t GetFirstRow() const { return firstRow_; }
  int32_t GetFirstColumn() const { return firstColumn_; }
  Application& GetApplication() const { return application_; }
  // The cell at the selection's first row and column (created when missing).
  Cell* GetActiveCell() const;
  int32_t GetActiveRow() const;
  int32_t GetActiveColumn() const;
  const AreaRange* GetSelection() const { return selection_.get(); }
  void SetSelection(std::unique_ptr<AreaRange> range);
  Sheet* GetSheet() const { return sheet_; }
  // Shows the sheet with its remembered selection; full redraw.
  void SetSheet(Sheet* sheet);
  int GetRowHeaderWidth() const { return rowHeaderWidth_; }
  // Null also when the object left the sheet since it was selected.
  ObjectAnchor* GetSelectedObject();
  void SetSelectedObject(ObjectAnchor* object);
  void ToggleCaret();
  void StartFormatPainter();
  void SelectAll();
  void StartRangePick(RangePickCallback callback, void* data);
  bool IsPicking() const { return pickCallback_ != nullptr; }
  // Ends a pending range pick; its callback hears kPickCancelled.
  void CancelRangePick();
  void AddChangeListener(void* data, ChangeListener callback);
  void RemoveChangeListener(void* data);
  void ToggleFormulaView() { formulaView_ = !formulaView_; }
  bool IsFormulaView() const { return formulaView_; }

  void MoveActiveCell(int32_t dx, int32_t dy);
  // To a position; with Shift held the selection stretches from the anchor to it.
  void MoveTo(int32_t column, int32_t row);
  // Ctrl+arrow: to the edge of the data block, else the next filled cell, else the sheet's edge.
  void JumpActiveCell(int32_t dx, int32_t dy);
  // F2: edits the active cell's content with the caret at its end.
  void StartEditKeepingContent();
  void CommitEdit(std::u16string_view text);
  bool IsEditing() const { return editing_; }
  // The in-place edit stands where a reference may follow, so that a click on
  // a cell, also one of another sheet, writes the cell's reference.
  bool IsEditPointing() const;
  // Shows another sheet while the in-place edit goes on for its own cell, so
  // that cells there can be pointed at (their references name the sheet);
  // shown again, the edit's own sheet gives plain references.
  void ShowSheetWhileEditing(Sheet* sheet);
  // The sheet of the cell being edited while the view shows another one; null otherwise.
  Sheet* GetEditHome() const { return editHome_ ? editHome_->sheet : nullptr; }
  // Outlines the ranges on the shown sheet that a formula being entered for a
  // cell of the home sheet names; nothing when the home sheet is shown.
  void OutlineReferences(std::u16string_view text, Sheet* home);
  // Commits an in-place edit and ends it (a move, a save, a close, a sheet
  // switch); the caller repaints.
  void CommitPendingEdit();
  const std::u16string& GetEditText() const { return editText_; }
  // Scrolls by whole rows (a page is visibleRows - 1); the active cell moves along.
  void ScrollRows(int32_t rows);
  void ScrollColumns(int32_t columns);
  // Sets the column as wide as the widest text shown in it (one undo step).
  void FitColumnWidth(int32_t column);
  // Fill-colour (fill true) or text-colour brush armed with the colour.
  void StartBrush(bool fill, Colour colour);
  MouseMode GetMouseMode() const { return static_cast<MouseMode>(mouseMode_); }
  // Disarms a brush or the format painter (their workbook went away).
  void CancelMouseMode() { mouseMode_ = kMouseNone; }
  void SetFrozenRange(std::optional<FrozenRange> frozen);
  const std::optional<FrozenRange>& GetFrozenRange() const { return frozen_; }
  // Picture files dropped at the canvas point become image objects there.
  void DropFiles(const std::vector<std::u16string>& paths, Point canvasPoint);
  // Repaints the object layer and refreshes.
  void RedrawObjects();
  void SetBounds(const Rect& bounds);

  int32_t GetVisibleRows() const { return visibleRows_; }
  int32_t GetVisibleColumns() const { return visibleColumns_; }
  // The laid-out row or column under a canvas point, clamped to the laid-out ones.
  int32_t RowAtY(int y) const;
  int32_t ColumnAtX(int x) const;
  // The canvas box of a laid-out cell: the grid lines around it at x, x + width,
  // y and y + height. Empty when the position is not laid out.
  Rect CellBox(int32_t row, int32_t column) const;
  const Bitmap& CellLayer() {
    PaintPendingBands();
    return cellLayer_;
  }

 private:
  struct RowCache {
    int32_t row;
    int32_t top;
    int32_t bottom;
    bool followsHidden;
  };
  struct ColumnCache {
    int32_t column;
    int32_t left;
    int32_t right;
    bool followsHidden;
  };
  struct Pane {
    int x, y, width, height;
    int32_t firstColumn, firstRow;
  };
  enum class Pending : uint8_t { None, ResizeRow, ResizeColumn, UnhideRow, UnhideColumn };

  // Layout and painting.
  void LayOutRows();
  void LayOutColumns();
  void PaintCellLayer();
  std::vector<Pane> Panes() const;
  void PaintPane(Canvas& canvas, const Pane& pane, int bandTop, int bandBottom);
  void PaintObjectLayer();
  void PaintPendingBands();
  void DrawRangeFrame(Canvas& canvas, const Range& range, Colour colour, int style);
  void DrawEditor(Canvas& canvas);
  void DrawSelectedObject(Canvas& canvas);
  void DrawScrollIndicators(Canvas& canvas);
  void DrawFilterRowNumbers(Canvas& canvas);
  const RowCache* FindRowCache(int32_t row) const;
  const ColumnCache* FindColumnCache(int32_t column) const;
  Rect ObjectBox(const ObjectAnchor& anchor) const;
  void ForgetRemovedObject();
  void TellListeners(int phase);
  int ScrollbarWidth() const;
  // The length of the sheet the scroll thumbs measure, in rows or columns.
  double ScrollTotal(bool rows) const;

  // Input.
  void OnCharacter(char16_t character) override;
  void OnKeyDown(int key) override;
  void OnKeyUp(int key) override;
  void OnWheel(int steps) override;
  void OnHorizontalWheel(int steps) override;
  void OnLeftDown(int x, int y) override;
  void OnLeftUp(int x, int y) override;
  void OnLeftDoubleClick(int x, int y) override;
  void OnRightClick(int x, int y) override;
  void OnMouseMove(int x, int y) override;
  void OnFocusLost() override;

  void ExtendSelection(int32_t dx, int32_t dy);
  // The corner that moves when the selection is extended.
  int32_t MovingCornerColumn() const;
  int32_t MovingCornerRow() const;
  bool IsFilled(int32_t row, int32_t column) const;
  void SelectHeaders(bool rows, int32_t from, int32_t to);
  bool ScrollIntoView(int32_t column, int32_t row, bool forward);
  void SelectCell(int32_t column, int32_t row);
  void EditChanged();
  void ShowSuggestionsForEdit();
  // The cell the in-place edit belongs to (created when missing), also while
  // another sheet is shown.
  Cell* EditCell() const;
  void CommitEditTo(Sheet* sheet, int32_t row, int32_t column, std::u16string_view text);
  // The reference a pointing click or drag writes: B3 or B3:C5, after the
  // sheet's name when the edit belongs to another sheet.
  std::u16string PointName(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const;
  // Commits the in-place edit; when it belonged to another sheet than the one
  // shown, that sheet is shown again (the keyboard ended the edit there).
  void CommitPendingEditAndReturn();
  void ShowFormulaBarText();
  void SummariseSelection();
  bool PressObject(int x, int y);
  bool PressHeader(int x, int y);
  void DragObject(int x, int y);
  void UpdateHover(int x, int y);
  void HoverHeaders(int x, int y);
  void AutoFill();
  void ApplyFormatPainter();
  void PaintWithBrush(int32_t column, int32_t row);
  void Unhide(bool rows, int32_t at);
  void EndResize();
  void ObjectsFollowGrid();
  // textWidth: the text's width when already measured, else -1.
  void DrawTextInBox(Canvas& canvas, const StyleRecord& style, std::u16string_view text, int x, int y, int width,
                     int height, bool valueRight, int textWidth = -1);

  // After a row or column was hidden from its header menu.
  void AfterHiding(bool selectionHidden, int32_t dx, int32_t dy);
  // The header menus' entries.
  static void InsertRowAt(void* view, intptr_t row);
  static void DeleteRowAt(void* view, intptr_t row);
  static void HideRowAt(void* view, intptr_t row);
  static void InsertColumnAt(void* view, intptr_t column);
  static void DeleteColumnAt(void* view, intptr_t column);
  static void HideColumnAt(void* view, intptr_t column);
  static void EditChartOf(void* view, intptr_t chart);
  static void CutCells(void* view, intptr_t);
  static void CopyCells(void* view, intptr_t);
  static void PasteCells(void* view, intptr_t);
  static void DeleteContents(void* view, intptr_t);
  static void InsertCommentHere(void* view, intptr_t);
  static void InsertHyperlinkHere(void* view, intptr_t);

  Application& application_;
  SheetContainer& container_;
  std::unique_ptr<CanvasControl> canvas_;
  int canvasWidth_ = 0;
  int canvasHeight_ = 0;
  std::vector<int32_t> rowAtY_;
  std::vector<int32_t> columnAtX_;
  std::vector<RowCache> rowCache_;
  std::vector<ColumnCache> columnCache_;
  Hashtable<int32_t> rowIndex_;     // row number -> position in rowCache_ + 1
  Hashtable<int32_t> columnIndex_;  // column -> position in columnCache_ + 1
  int32_t firstRow_ = 1;
  int32_t visibleRows_ = 0;
  int32_t firstColumn_ = 0;
  int32_t visibleColumns_ = 0;
  int32_t lastFirstRow_ = -1;
  int32_t lastFirstColumn_ = -1;
  Bitmap rowHeaderLayer_;
  Bitmap columnHeaderLayer_;
  std::optional<FrozenRange> frozen_;
  int frozenWidth_ = 0;
  int frozenHeight_ = 0;
  Bitmap cellLayer_;
  std::vector<std::pair<int, int>> pendingBands_;  // cell-layer rows to repaint at the next refresh
  Bitmap objectLayer_;
  bool objectLayerBlank_ = true;  // fully transparent: nothing to blend
  bool editing_ = false;
  std::u16string editText_;
  // Where the in-place edit belongs while the view shows another sheet to point at.
  struct EditHome {
    Sheet* sheet;
    int32_t row;
    int32_t column;
  };
  std::optional<EditHome> editHome_;
  std::vector<std::unique_ptr<Range>> awayOutlines_;
  RangePickCallback pickCallback_ = nullptr;
  void* pickData_ = nullptr;
  bool pickInProgress_ = false;
  int32_t anchorColumn_ = 0;
  int32_t anchorRow_ = 1;
  ObjectAnchor* selectedObject_ = nullptr;
  int32_t objectHitKind_ = 0;
  bool shiftDown_ = false;
  std::unique_ptr<AreaRange> selection_;
  Sheet* sheet_;
  int rowHeaderWidth_ = 40;
  bool caretOn_ = false;
  uint8_t mouseMode_ = kMouseNone;
  uint8_t hoverMode_ = kMouseNone;
  const StyleRecord* painterStyle_ = nullptr;
  Colour brushColour_ = 0;
  struct Listener {
    void* data;
    ChangeListener callback;
  };
  std::vector<Listener> listeners_;  // newest first
  bool formulaView_ = false;
  bool summaryDue_ = true;  // the status figures are to be worked out at the next refresh
  std::unique_ptr<GroupAction> brushStroke_;  // one brush drag, one undo step
  int headerDrag_ = 0;      // 1 over row headers, 2 over column headers

  // Press and drag state.
  bool pressed_ = false;
  int32_t pressColumn_ = -1;
  int32_t pressRow_ = -1;
  int32_t hoverColumn_ = -1;
  int32_t hoverRow_ = -1;
  int lastX_ = 0;
  int lastY_ = 0;
  bool dragged_ = false;
  bool pointing_ = false;
  std::u16string pointBase_;
  std::u16string pointText_;
  std::unique_ptr<AreaRange> fillSource_;
  int32_t lastBrushColumn_ = -1;
  int32_t lastBrushRow_ = -1;
  Pending pending_ = Pending::None;
  int32_t pendingIndex_ = 0;
  bool resizing_ = false;
  int32_t sizeAtPress_ = 0;
  int pendingEdge_ = -1;  // canvas x or y of the edge the pointer is at
  int scrollDrag_ = 0;    // 1 horizontal, 2 vertical
  bool movingObject_ = false;
  int grabbedCorner_ = 0;  // 1 top left, 2 top right, 3 bottom left, 4 bottom right
  ObjectAnchor::Placement placementAtPress_;
  bool swallowRelease_ = false;
};

}  // namespace quadrell
