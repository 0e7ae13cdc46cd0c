#include "formula/CellBlock.h"

#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"

namespace quadrell {

CellBlock::CellBlock(Sheet* sheet, int32_t firstRow, int32_t firstColumn, int32_t lastRow, int32_t lastColumn)
    : sheet_(sheet),
      firstRow_(firstRow),
      firstColumn_(firstColumn),
      rows_(lastRow - firstRow + 1),
      columns_(lastColumn - firstColumn + 1),
      dependencies_(&sheet->GetRangeDependencies()),
      table_(sheet->GetRangeDependencies().CachedCells(firstRow, firstColumn, lastRow, lastColumn)),
      cacheVersion_(dependencies_->CacheVersion()) {}

Cell* CellBlock::At(int32_t column, int32_t row) const {
  if (const std::vector<Cell*>* cells = ValidCells()) {
    return (*cells)[static_cast<size_t>(column) * static_cast<size_t>(rows_) + static_cast<size_t>(row)];
  }
  Row* r = sheet_->FindRow(firstRow_ + row);
  return r ? r->FindCell(firstColumn_ + column) : nullptr;
}

CellBlock::Sum CellBlock::SumNumbers() const {
  Sum sum;
  sum.count = Count();
  RangeDependencies::CellTable* table = ValidTable();
  // Many formulas over one range read the sum their first one computed.
  if (table && table->hasSum) {
    sum.total = table->sum;
    sum.firstFormat = table->firstFormat;
    return sum;
  }
  if (sum.count > 0) sum.firstFormat = ValueAt(0, 0)->Format();
  double total = 0;
  if (table) {
    for (Cell* cell : table->cells) {
      if (!cell) continue;
      const Value* v = cell->GetValue();
      if (v->IsNumeric()) total += v->Number();
    }
  } else if (sum.count > kSparseWalkPositions) {
    // Whole columns and larger: the stored cells inside, not every position.
    int64_t lastRow = static_cast<int64_t>(firstRow_) + rows_ - 1;
    int64_t lastColumn = static_cast<int64_t>(firstColumn_) + columns_ - 1;
    sheet_->ForEachRow([&](int32_t r, const Row& row) {
      if (r < firstRow_ || r > lastRow) return;
      row.ForEachCell([&](int32_t c, Cell* cell) {
        if (c < firstColumn_ || c > lastColumn) return;
        const Value* v = cell->GetValue();
        if (v->IsNumeric()) total += v->Number();
      });
    });
  } else {
    for (int32_t c = 0; c < columns_; ++c) {
      for (int32_t r = 0; r < rows_; ++r) {
        const Value* v = ValueAt(c, r);
        if (v->IsNumeric()) total += v->Number();
      }
    }
  }
  sum.total = total;
  if (table) {
    table->hasSum = true;
    table->sum = total;
    table->firstFormat = sum.firstFormat;
  }
  return sum;
}

const Value* CellBlock::ValueAt(int32_t column, int32_t row) const {
  Cell* cell = At(column, row);
  return cell ? cell->GetValue() : EmptyValue();
}

}  // namespace quadrell
