#pragma once
// Reading the cells of a rectangle of a sheet without creating any: a missing
// cell reads as the empty value. Registered ranges come with a table of their
// cells, so formulas over a shared range read it directly.
#include <cstdint>
#include <vector>

#include "model/Cell.h"
#include "model/RangeDependencies.h"
#include "value/Matrix.h"
#include "value/Value.h"

namespace quadrell {

class Cell;
class RangeDependencies;
class Sheet;

class CellBlock {
 public:
  CellBlock(Sheet* sheet, int32_t firstRow, int32_t firstColumn, int32_t lastRow, int32_t lastColumn);
  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }
  int64_t Count() const { return static_cast<int64_t>(columns_) * rows_; }
  int32_t FirstRow() const { return firstRow_; }
  int32_t FirstColumn() const { return firstColumn_; }
  // Offsets from the top-left corner, inside the block.
  Cell* At(int32_t column, int32_t row) const;
  const Value* ValueAt(int32_t column, int32_t row) const;
  // Every position, column by column (for each column, every row).
  // The numbers of all positions added column by column, the count of
  // positions and the format of the first (what SUM and AVG need); kept in
  // locals so that the loop is not held up by stores.
  struct Sum {
    double total = 0;
    int64_t count = 0;
    FormatId firstFormat = 0;
  };
  Sum SumNumbers() const;
  // Blocks larger than this are summed over their stored cells.
  static constexpr int64_t kSparseWalkPositions = int64_t{1} << 22;
  template <typename F>
  void ForEachColumnWise(F&& f) const {
    if (const std::vector<Cell*>* cells = ValidCells()) {
      for (Cell* cell : *cells) f(cell ? CellValue(cell) : EmptyValue());
      return;
    }
    for (int32_t c = 0; c < columns_; ++c) {
      for (int32_t r = 0; r < rows_; ++r) f(ValueAt(c, r));
    }
  }

 private:
  RangeDependencies::CellTable* ValidTable() const {
    return table_ && dependencies_->CacheVersion() == cacheVersion_ ? table_ : nullptr;
  }
  const std::vector<Cell*>* ValidCells() const {
    RangeDependencies::CellTable* t = ValidTable();
    return t ? &t->cells : nullptr;
  }
  static const Value* CellValue(const Cell* cell) { return cell->GetValue(); }

  Sheet* sheet_;
  int32_t firstRow_;
  int32_t firstColumn_;
  int32_t rows_;
  int32_t columns_;
  // The sheet's table of the block's cells (column by column) while it is
  // valid: a spill or a recalculation may create cells and drop it.
  const RangeDependencies* dependencies_;
  RangeDependencies::CellTable* table_;
  uint64_t cacheVersion_;
};

// A live view of a block: values are read at each call.
class BlockMatrix final : public Matrix {
 public:
  explicit BlockMatrix(const CellBlock& block) : block_(block) {}
  int32_t Columns() const override { return block_.Columns(); }
  int32_t Rows() const override { return block_.Rows(); }
  int64_t ValueCount() const override { return block_.Count(); }
  const Value* GetAt(int32_t column, int32_t row) const override {
    if (column < 0 || column >= block_.Columns() || row < 0 || row >= block_.Rows()) return nullptr;
    return block_.ValueAt(column, row);
  }
  const CellBlock& Block() const { return block_; }

 private:
  CellBlock block_;
};

}  // namespace quadrell
