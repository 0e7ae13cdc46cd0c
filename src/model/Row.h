#pragma once
// The object behind one row number of a sheet: height, hidden state, an
// optional style its cells inherit, and the storage of its cells, a sparse
// table from column index to cell.
#include <cstdint>
#include <memory>
#include <string>

#include "model/Style.h"
#include "model/collection/IndexTable.h"

namespace quadrell {

class Cell;
class Sheet;

constexpr int32_t kDefaultRowHeight = 18;

class Row {
 public:
  Row(int32_t index, Sheet* sheet) : index_(index), sheet_(sheet) {}
  ~Row();
  Row(const Row&) = delete;
  Row& operator=(const Row&) = delete;

  // Own style, else the sheet's default.
  const StyleRecord* GetStyle() const;
  StyleRecord CopyStyle() const { return *GetStyle(); }
  // Interns it as own style; the cells inherit it on reading.
  void SetStyle(const StyleRecord& style);
  // 0 while hidden.
  int32_t GetHeight() const { return hidden_ ? 0 : height_; }
  // With manual set the height is the user's; without, the automatic height
  // (the larger of the given height and the font heights of the row's own
  // style and its cells) applies until a manual height was given once.
  // True when the stored height changed.
  bool SetHeight(int32_t height, bool manual);
  int32_t GetIndex() const { return index_; }
  void SetIndex(int32_t index) { index_ = index; }
  bool HasStyle() const { return style_ != nullptr; }
  // The cell at the column, created when missing.
  Cell* GetCell(int32_t column) {
    empty_ = false;
    if (Cell* cell = cells_.Get(column)) return cell;
    return CreateCell(column);
  }
  // The stored cell or null; creates nothing.
  Cell* FindCell(int32_t column) const { return cells_.Get(column); }
  // True until the first GetCell.
  bool IsEmpty() const { return empty_; }
  // "" when there is no cell at the column; creates nothing.
  std::u16string GetCellInput(int32_t column) const;
  bool HasCell(int32_t column) const { return cells_.Get(column) != nullptr; }
  // The highest column ever asked for with GetCell; -1 before.
  int32_t GetLastColumn() const { return lastColumn_; }
  // Moves the cells from the column on one place to the right.
  void InsertColumn(int32_t column);
  // Moves the cells after the column one place to the left; the cell that
  // stood at the column leaves the row and is handed to the caller.
  std::unique_ptr<Cell> DeleteColumn(int32_t column);
  // Puts a cell that DeleteColumn handed out back at the (free) column.
  void PutBackCell(int32_t column, std::unique_ptr<Cell> cell);
  // Showing a row whose height is 0 gives it the default height.
  void SetHidden(bool hidden);
  bool IsHidden() const { return hidden_; }
  bool IsManualHeight() const { return manualHeight_; }
  // The height kept while hidden; with the two flags, all there is to put back.
  int32_t GetStoredHeight() const { return height_; }
  void RestoreHeight(int32_t height, bool manual, bool hidden) {
    height_ = height;
    manualHeight_ = manual;
    hidden_ = hidden;
  }
  // Number -1, and every cell shows the error "Ref" (its dependents recalculate).
  void Invalidate();
  Sheet* GetSheet() const { return sheet_; }
  const StyleRecord* GetOwnStyle() const { return style_; }

  // A hint from a file reader that knows how many cells up to which column
  // come: the cell table is sized once instead of growing cell by cell.
  void ReserveCells(int32_t lastColumn, int32_t count) { cells_.Reserve(lastColumn + 1, count); }
  // Rows come from a pool: a big sheet holds hundreds of thousands.
  static void* operator new(size_t size);
  static void operator delete(void* pointer);

  // Calls f(column, cell) for every stored cell, in no particular order.
  template <typename F>
  void ForEachCell(F&& f) const {
    cells_.ForEachSlot([&](int32_t column, Cell* cell) {
      if (cell) f(column, cell);
    });
  }
  size_t MemoryBytes() const { return sizeof(Row) + cells_.MemoryBytes(); }

  // A cell of the row changed its effective font pixel height.
  void NoteCellFontHeight(int32_t before, int32_t after);
  // Cells' inherited styles changed somewhere (sheet or column styles).
  static void InheritedStylesChanged() { ++styleEpoch_; }

 private:
  int32_t CellFontMaximum();
  Cell* CreateCell(int32_t column);

  static inline uint32_t styleEpoch_ = 1;
  int32_t index_;
  int32_t height_ = kDefaultRowHeight;
  int32_t lastColumn_ = -1;
  bool manualHeight_ = false;
  bool hidden_ = false;
  bool empty_ = true;
  const StyleRecord* style_ = nullptr;
  // The largest font pixel height of the cells, valid while fontEpoch_ is the
  // current style epoch: style changes of single cells keep it without a scan.
  int32_t fontMaximum_ = 0;
  uint32_t fontEpoch_ = 0;
  Sheet* sheet_;
  IndexTable<Cell*> cells_;
};

}  // namespace quadrell
