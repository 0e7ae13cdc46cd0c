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
      cells_(sheet->GetRangeDependencies().CachedCells(firstRow, firstColumn, lastRow, lastColumn)) {}

Cell* CellBlock::At(int32_t column, int32_t row) const {
  if (cells_) return (*cells_)[static_cast<size_t>(column) * static_cast<size_t>(rows_) + static_cast<size_t>(row)];
  Row* r = sheet_->FindRow(firstRow_ + row);
  return r ? r->FindCell(firstColumn_ + column) : nullptr;
}

const Value* CellBlock::ValueAt(int32_t column, int32_t row) const {
  Cell* cell = At(column, row);
  return cell ? cell->GetValue() : EmptyValue();
}

}  // namespace quadrell
