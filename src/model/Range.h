#pragma once
// A rectangular block of cell positions of one sheet: its bounds, its reference
// text, lookups and iteration (row by row, left to right). Rows count from 1,
// columns from 0; a first column of -1 stands for whole rows and a first row of
// -1 for whole columns; a last column or row of -1 runs to the sheet's highest.
#include <cstdint>
#include <memory>
#include <string>

namespace quadrell {

class AreaRange;
class Cell;
class Sheet;

class Range {
 public:
  virtual ~Range() = default;
  virtual bool HasNext() = 0;
  // The cell at the cursor (created when missing); advances the cursor.
  virtual Cell* Next() = 0;
  virtual void Reset() = 0;
  virtual int64_t GetCellCount() const = 0;
  virtual int32_t GetFirstColumn() const = 0;
  virtual int32_t GetFirstRow() const = 0;
  virtual int32_t GetLastColumn() const = 0;
  virtual int32_t GetLastRow() const = 0;
  // Reference text such as A1:B3.
  virtual std::u16string ToString() const = 0;
  virtual Cell* GetCell(int32_t row, int32_t column) = 0;
  // A new AreaRange over the current bounds on the same sheet.
  virtual std::unique_ptr<AreaRange> Copy() const = 0;
};

// Bounded by two cell objects, read at every call: the range moves, grows and
// shrinks with inserted and deleted rows and columns. Formula range references.
class CellRange final : public Range {
 public:
  // The corners in any order; when a does not lie above and left of b, the
  // corners become the cells at (smaller row, smaller column) and (larger row,
  // larger column), created when missing.
  CellRange(Cell* a, Cell* b, Sheet* sheet);
  bool HasNext() override;
  Cell* Next() override;
  void Reset() override;
  int64_t GetCellCount() const override;
  int32_t GetFirstColumn() const override;
  int32_t GetFirstRow() const override;
  int32_t GetLastColumn() const override;
  int32_t GetLastRow() const override;
  std::u16string ToString() const override;
  // The sheet's stored cell, also outside the bounds.
  Cell* GetCell(int32_t row, int32_t column) override;
  std::unique_ptr<AreaRange> Copy() const override;

  Cell* GetStartCell() const { return start_; }
  Cell* GetEndCell() const { return end_; }
  Sheet* GetSheet() const { return sheet_; }

 private:
  Cell* start_;
  Cell* end_;
  Sheet* sheet_;
  int32_t columnCursor_ = 0;
  int32_t rowCursor_ = 0;
};

// Exactly one cell object: single references named in a formula text, the cell
// of a comment. It yields its cell once per Reset.
class SingleCellRange final : public Range {
 public:
  explicit SingleCellRange(Cell* cell) : cell_(cell) {}
  bool HasNext() override { return pending_; }
  Cell* Next() override;
  void Reset() override { pending_ = true; }
  int64_t GetCellCount() const override { return 1; }
  int32_t GetFirstColumn() const override;
  int32_t GetFirstRow() const override;
  int32_t GetLastColumn() const override { return GetFirstColumn(); }
  int32_t GetLastRow() const override { return GetFirstRow(); }
  std::u16string ToString() const override;
  // The cell when the position is its own, else null.
  Cell* GetCell(int32_t row, int32_t column) override;
  std::unique_ptr<AreaRange> Copy() const override;

  Cell* GetRangeCell() const { return cell_; }

 private:
  bool pending_ = false;
  Cell* cell_;
};

// Numeric bounds fixed at creation and widened over the merged areas that
// overlap them. Selections, filter areas, pivot sources, chart data.
class AreaRange final : public Range {
 public:
  AreaRange(int32_t column1, int32_t row1, int32_t column2, int32_t row2, Sheet* sheet);
  AreaRange(int32_t column, int32_t row, Sheet* sheet) : AreaRange(column, row, column, row, sheet) {}
  bool HasNext() override;
  // The cell as the user sees it (the sheet's GetCell, filter and pivot cells included).
  Cell* Next() override;
  void Reset() override;
  int64_t GetCellCount() const override { return count_; }
  int32_t GetFirstColumn() const override { return firstColumn_; }
  int32_t GetFirstRow() const override { return firstRow_; }
  int32_t GetLastColumn() const override { return lastColumn_; }
  int32_t GetLastRow() const override { return lastRow_; }
  std::u16string ToString() const override;
  Cell* GetCell(int32_t row, int32_t column) override;
  std::unique_ptr<AreaRange> Copy() const override;

  Sheet* GetSheet() const { return sheet_; }

 private:
  void Widen();

  int32_t firstColumn_;
  int32_t firstRow_;
  int32_t lastColumn_;
  int32_t lastRow_;
  int64_t count_ = 0;
  Sheet* sheet_;
  int32_t columnCursor_ = 0;
  int32_t rowCursor_ = 0;
};

}  // namespace quadrell
