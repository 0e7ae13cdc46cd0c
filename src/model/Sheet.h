#pragma once
// One grid of a workbook: the row and column objects (which own the cells), the
// default style, name and tab colour, the last selection, the objects placed on
// it, its filter and pivot tables, and the links from referenced ranges to the
// formula cells that read them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/RangeDependencies.h"
#include "model/Row.h"
#include "model/Style.h"
#include "model/collection/IndexTable.h"
#include "platform/Canvas.h"

namespace quadrell {

class Cell;
class Column;
class CommentRecord;
class Filter;      // the sheet's filter: a display permutation of the rows below a header
class Host;
class PivotTable;  // a cross table written into the sheet
class Range;
class Row;
class SheetAnchor;
class Workbook;

// Follows a sheet as a whole rather than single cells (charts over a block):
// every value change, inserted and deleted rows and columns, objects taken
// off the sheet, and the sheet's end.
class SheetWatcher {
 public:
  virtual ~SheetWatcher() = default;
  virtual void CellValueChanged(int32_t row, int32_t column) = 0;
  // delta +1: a row (column) was inserted at `at`; -1: the one at `at` was deleted.
  virtual void LinesChanged(bool rows, int32_t at, int32_t delta) = 0;
  virtual void ObjectTaken(SheetAnchor* anchor) = 0;
  virtual void SheetGone() = 0;
};

struct UsedSize {
  int32_t column = 0;
  int32_t row = 1;
};

class Sheet {
 public:
  // Named with the interface text "sheet"; the host is the workbook's.
  explicit Sheet(Workbook* workbook);
  ~Sheet();
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;

  const StyleRecord* GetStyle() const { return defaultStyle_; }
  StyleRecord CopyStyle() const { return *defaultStyle_; }
  // Cells, rows and columns without own style show the new default at once.
  void SetStyle(const StyleRecord& style);
  int32_t GetZero() const { return 0; }
  // Created when missing; creating raises the highest row or column.
  Row* GetRow(int32_t row);
  Column* GetColumn(int32_t column);
  // The cell as the user sees it: filter and pivot-table cells come first.
  Cell* GetCell(int32_t row, int32_t column);
  // The stored cell, created when missing; formulas, spills and cell ranges use it.
  Cell* GetCellDirect(int32_t row, int32_t column) {
    if (row != cachedRowNumber_) {
      cachedRow_ = GetRow(row);
      cachedRowNumber_ = row;
    }
    return cachedRow_->GetCell(column);
  }
  // The display text at the position ("" without a cell); creates the row, no cell.
  std::u16string GetCellText(int32_t row, int32_t column);
  const std::u16string& GetName() const { return name_; }
  void SetName(std::u16string_view name) { name_ = name; }
  int32_t GetMaxRow() const { return maxRow_; }
  int32_t GetMaxColumn() const { return maxColumn_; }
  Row* FindRow(int32_t row) const { return rows_.Get(row); }
  Column* FindColumn(int32_t column) const { return columns_.Get(column); }
  // 18 without a row object.
  int32_t GetRowHeight(int32_t row) const;
  Range* GetSelection() const { return selection_.get(); }
  void SetSelection(std::unique_ptr<Range> range);
  Host* GetHost() const;
  Workbook* GetWorkbook() const { return workbook_; }
  // Frozen panes as the sheet's views show them: the part from (column
  // firstColumn, row firstRow) up to, not including, (scrollColumn, scrollRow)
  // stays in place. All zero when nothing is frozen. Kept in files.
  struct FrozenPanes {
    int32_t firstColumn = 0, firstRow = 0, scrollColumn = 0, scrollRow = 0;
    bool Any() const { return scrollColumn > firstColumn || scrollRow > firstRow; }
  };
  const FrozenPanes& GetFrozenPanes() const { return frozenPanes_; }
  void SetFrozenPanes(const FrozenPanes& panes) { frozenPanes_ = panes; }
  Colour GetTabColor() const { return tabColor_; }
  void SetTabColor(Colour colour) { tabColor_ = colour; }
  // Appends an anchored object at the end of the drawing order.
  void AddObject(std::unique_ptr<SheetAnchor> anchor);
  // Direction 1 walks forward from the first object; anything else backward from the last.
  void ResetObjects(int32_t direction);
  // The next object in the walk, null at the end.
  SheetAnchor* NextObject();
  // Frees the object when it is on the sheet; otherwise nothing happens.
  void RemoveObject(SheetAnchor* anchor);
  int32_t ObjectCount() const { return static_cast<int32_t>(objects_.size()); }
  // 98 without a column object.
  int32_t GetColumnWidth(int32_t column) const;
  // True when the filter or a pivot table serves the position.
  bool IsOverlayCell(int32_t row, int32_t column) const;
  Filter* GetFilter() const { return filter_.get(); }
  // The sheet owns its filter; null removes it, which shows the stored order again.
  void SetFilter(std::unique_ptr<Filter> filter);
  // Appends a pivot table writing into this sheet and builds it. The sheet owns it.
  PivotTable* AddPivotTable(std::unique_ptr<PivotTable> table);
  int32_t GetPivotTableCount() const { return static_cast<int32_t>(pivotTables_.size()); }
  PivotTable* GetPivotTable(int32_t index) const;
  // Inserting and deleting renumber the row and column objects, so cells and
  // formula references move with them; no formula text is rewritten.
  void InsertRow(int32_t row);
  void DeleteRow(int32_t row);
  void InsertColumn(int32_t column);
  void DeleteColumn(int32_t column);
  // Taking a deletion back: the very row (column) object that DeleteRow
  // (DeleteColumn) took out goes back at the number, and with a column the
  // cells it dropped go back into their rows. Formulas that point at them read
  // them again once their inputs are set anew. False when the object is not
  // one this sheet took out.
  bool RestoreRow(int32_t at, Row* row);
  bool RestoreColumn(int32_t at, Column* column, const std::vector<Cell*>& cells);
  // Takes an object off the sheet without freeing it, with its place in the
  // drawing order and the comment records it showed; PutBackObject undoes it.
  struct TakenObject {
    std::unique_ptr<SheetAnchor> anchor;
    size_t position = 0;
    std::vector<const CommentRecord*> records;
  };
  TakenObject TakeObject(SheetAnchor* anchor);
  SheetAnchor* PutBackObject(TakenObject taken);
  // A range has at most one dependent cell; a later registration replaces it.
  // Keyed by the range object itself.
  void RegisterRangeDependency(Cell* cell, Range* range);
  void UnregisterRangeDependency(Cell* cell, Range* range);
  // The dependent cell registered for the range, or null.
  Cell* GetRangeDependent(const Range* range) const { return rangeDependencies_->DependentOf(range); }
  size_t RangeDependencyCount() const { return rangeDependencies_->Count(); }
  // The registered ranges and their readers, for recalculation and formula evaluation.
  RangeDependencies& GetRangeDependencies() { return *rangeDependencies_; }
  // Called by a row when it makes a cell object.
  void CellCreated(int32_t row, int32_t column) { rangeDependencies_->CellCreated(row, column); }
  // Largest row and column of the used cells; {0, 1} without any. Kept up to
  // date as cells change; worked out anew only after a used cell on its edge
  // was emptied or rows and columns were deleted.
  UsedSize GetUsedSize() const;
  // A cell at the position became used or unused.
  void NoteCellUsage(int32_t row, int32_t column, bool used) {
    if (!usedKnown_ || row < 1 || column < 0) return;
    if (used) {
      if (!anyUsed_) {
        usedSize_ = {column, row};
        anyUsed_ = true;
      } else {
        if (column > usedSize_.column) usedSize_.column = column;
        if (row > usedSize_.row) usedSize_.row = row;
      }
    } else if (anyUsed_ && (row == usedSize_.row || column == usedSize_.column)) {
      usedKnown_ = false;
    }
  }
  // The anchor that shows a comment record on this sheet, keyed by the record itself.
  void SetCommentObject(const CommentRecord* record, SheetAnchor* anchor);
  SheetAnchor* GetCommentObject(const CommentRecord* record) const;
  // Removes (frees) the anchor that shows the record.
  void RemoveCommentObject(const CommentRecord* record);
  bool HasCellAt(int32_t row, int32_t column) const;
  // Served where the filter covers a position that has no cell.
  Cell* GetPlaceholderCell() const { return placeholder_.get(); }
  // Merges the selection, or unmerges the merged area it exactly covers. With
  // recordUndo the change goes to the host as one undo step.
  void MergeCells(bool recordUndo);

  // Calls f(number, row) for every stored row, in no particular order.
  template <typename F>
  void ForEachRow(F&& f) const {
    rows_.ForEachSlot([&](int32_t number, Row* row) {
      if (row) f(number, *row);
    });
  }
  // Calls f(cell) for every stored cell inside the block (a bound of -1 means
  // whole rows or columns), in no particular order. Creates nothing: its cost
  // follows what is stored, not the size of the block.
  template <typename F>
  void ForEachStoredCell(int32_t firstColumn, int32_t firstRow, int32_t lastColumn, int32_t lastRow, F&& f) const {
    if (firstRow < 0 || lastRow < 0) firstRow = 1, lastRow = maxRow_;
    if (firstColumn < 0 || lastColumn < 0) firstColumn = 0, lastColumn = INT32_MAX;
    firstRow = firstRow < 1 ? 1 : firstRow;
    lastRow = lastRow > maxRow_ ? maxRow_ : lastRow;
    auto take = [&](const Row& row) {
      row.ForEachCell([&](int32_t c, Cell* cell) {
        if (c >= firstColumn && c <= lastColumn) f(cell);
      });
    };
    // A tall block is walked through the stored rows, a short one row by row.
    if (static_cast<int64_t>(lastRow) - firstRow > 4096) {
      ForEachRow([&](int32_t r, const Row& row) {
        if (r >= firstRow && r <= lastRow) take(row);
      });
    } else {
      for (int32_t r = firstRow; r <= lastRow; ++r) {
        if (Row* row = FindRow(r)) take(*row);
      }
    }
  }
  int64_t RowTableCapacity() const { return rows_.Capacity(); }

  void AddWatcher(SheetWatcher* watcher);
  void RemoveWatcher(SheetWatcher* watcher);
  // A stored cell's value changed; cheap while nobody watches.
  void ValueChanged(int32_t row, int32_t column) {
    if (!watchers_.empty()) TellWatchers(row, column);
  }

  // Bytes of rows, cell tables and cell objects (values and styles are pooled).
  size_t ModelMemoryBytes() const;

 private:
  void ForgetRowCache() {
    cachedRowNumber_ = kNoCachedRow;
    cachedRow_ = nullptr;
  }
  void UpdateObjectPositions();
  void TellWatchers(int32_t row, int32_t column);
  void TellLinesChanged(bool rows, int32_t at, int32_t delta);
  void RecalculateAll(const std::vector<Cell*>& cells);

  static constexpr int32_t kNoCachedRow = INT32_MIN;

  std::u16string name_;
  IndexTable<Row*> rows_;
  IndexTable<Column*> columns_;
  std::unique_ptr<Range> selection_;
  int32_t maxRow_ = 0;
  int32_t maxColumn_ = 0;
  Workbook* workbook_;
  Colour tabColor_ = kWhite;
  FrozenPanes frozenPanes_;
  std::vector<SheetWatcher*> watchers_;
  std::vector<std::unique_ptr<SheetAnchor>> objects_;
  std::unordered_map<const CommentRecord*, SheetAnchor*> commentObjects_;
  bool objectsForward_ = true;
  size_t objectCursor_ = 0;
  std::unique_ptr<Filter> filter_;
  std::vector<std::unique_ptr<PivotTable>> pivotTables_;
  std::unique_ptr<RangeDependencies> rangeDependencies_ = std::make_unique<RangeDependencies>(this);
  UsedSize ScanUsedSize() const;
  mutable UsedSize usedSize_;
  mutable bool usedKnown_ = true;  // a new sheet is empty
  mutable bool anyUsed_ = false;
  int32_t cachedRowNumber_ = kNoCachedRow;
  Row* cachedRow_ = nullptr;
  const StyleRecord* defaultStyle_;
  std::unique_ptr<Cell> placeholder_;
  // Rows, columns and cells taken out by deletions stay alive for the formulas
  // that still refer to them.
  std::vector<std::unique_ptr<Row>> deletedRows_;
  std::vector<std::unique_ptr<Column>> deletedColumns_;
  std::vector<std::unique_ptr<Cell>> droppedCells_;
};

}  // namespace quadrell
