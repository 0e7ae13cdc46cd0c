#include "value/Matrix.h"

#include "model/Cell.h"
#include "model/Range.h"

namespace quadrell {

RangeMatrix::RangeMatrix(Range& range)
    : range_(&range),
      width_(range.GetLastColumn() - range.GetFirstColumn() + 1),
      height_(range.GetLastRow() - range.GetFirstRow() + 1),
      count_(static_cast<int64_t>(width_) * height_) {}

const Value* RangeMatrix::GetAt(int32_t column, int32_t row) const {
  if (column < 0 || column >= width_ || row < 0 || row >= height_) return nullptr;
  Cell* cell = range_->GetCell(range_->GetFirstRow() + row, range_->GetFirstColumn() + column);
  return cell ? cell->GetValue() : nullptr;
}

ArrayMatrix::ArrayMatrix(int32_t width, int32_t height)
    : width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      values_(static_cast<size_t>(width_) * static_cast<size_t>(height_), nullptr) {}

const Value* ArrayMatrix::GetAt(int32_t column, int32_t row) const {
  if (column < 0 || column >= width_ || row < 0 || row >= height_) return nullptr;
  return values_[static_cast<size_t>(column) + static_cast<size_t>(width_) * static_cast<size_t>(row)];
}

void ArrayMatrix::SetAt(int32_t column, int32_t row, const Value* value) {
  if (column < 0 || column >= width_ || row < 0 || row >= height_) return;
  values_[static_cast<size_t>(column) + static_cast<size_t>(width_) * static_cast<size_t>(row)] = value;
}

std::unique_ptr<ArrayMatrix> MatrixFromList(const std::vector<const Value*>& values) {
  auto matrix = std::make_unique<ArrayMatrix>(static_cast<int32_t>(values.size()), 1);
  for (size_t i = 0; i < values.size(); ++i) matrix->SetAt(static_cast<int32_t>(i), 0, values[i]);
  return matrix;
}

}  // namespace quadrell
