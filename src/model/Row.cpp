#include "model/Row.h"

#include <algorithm>
#include <vector>

#include "model/Cell.h"
#include "model/Sheet.h"
#include "model/TableShift.h"
#include "model/collection/BlockPool.h"

namespace quadrell {

void* Row::operator new(size_t size) { return PooledNew<Row>(size); }
void Row::operator delete(void* pointer) { PooledDelete<Row>(pointer); }

Row::~Row() {
  cells_.ForEachSlot([](int32_t, Cell* cell) { delete cell; });
}

const StyleRecord* Row::GetStyle() const {
  if (style_) return style_;
  return sheet_ ? sheet_->GetStyle() : GetDefaultStyle();
}

void Row::SetStyle(const StyleRecord& style) {
  style_ = InternStyle(style);
  fontEpoch_ = 0;
}

int32_t Row::CellFontMaximum() {
  if (fontEpoch_ != styleEpoch_) {
    fontMaximum_ = 0;
    ForEachCell([&](int32_t, Cell* cell) { fontMaximum_ = std::max(fontMaximum_, cell->GetStyle()->font->PixelHeight()); });
    fontEpoch_ = styleEpoch_;
  }
  return fontMaximum_;
}

void Row::NoteCellFontHeight(int32_t before, int32_t after) {
  if (fontEpoch_ != styleEpoch_) return;
  if (after >= fontMaximum_) {
    fontMaximum_ = after;
  } else if (before >= fontMaximum_) {
    fontEpoch_ = 0;  // the tallest font may be gone: count again when asked
  }
}

bool Row::SetHeight(int32_t height, bool manual) {
  int32_t before = height_;
  if (manualHeight_) {
    if (manual) height_ = height;
  } else {
    int32_t h = std::max(height, style_ ? style_->font->PixelHeight() : kDefaultRowHeight);
    height_ = std::max(h, CellFontMaximum());
    manualHeight_ = manual;
  }
  return height_ != before;
}

Cell* Row::CreateCell(int32_t column) {
  Cell* cell = new Cell(this, sheet_->GetColumn(column));
  cells_.Put(column, cell);
  sheet_->CellCreated(index_, column);
  if (fontEpoch_ == styleEpoch_) fontMaximum_ = std::max(fontMaximum_, cell->GetStyle()->font->PixelHeight());
  if (column > lastColumn_) lastColumn_ = column;
  return cell;
}

std::u16string Row::GetCellInput(int32_t column) const {
  Cell* cell = cells_.Get(column);
  return cell ? cell->GetInput() : std::u16string();
}

void Row::InsertColumn(int32_t column) {
  ShiftEntriesUp(cells_, column, lastColumn_, [](Cell*, int32_t) {});
  if (column <= lastColumn_) ++lastColumn_;
}

std::unique_ptr<Cell> Row::DeleteColumn(int32_t column) {
  std::unique_ptr<Cell> dropped(ShiftEntriesDown(cells_, column, lastColumn_, [](Cell*, int32_t) {}));
  if (dropped) fontEpoch_ = 0;
  if (column <= lastColumn_) --lastColumn_;
  return dropped;
}

void Row::PutBackCell(int32_t column, std::unique_ptr<Cell> cell) {
  if (!cell || cells_.Get(column)) return;
  cells_.Put(column, cell.release());
  empty_ = false;
  fontEpoch_ = 0;
  if (column > lastColumn_) lastColumn_ = column;
}

void Row::SetHidden(bool hidden) {
  hidden_ = hidden;
  if (!hidden && height_ == 0) height_ = kDefaultRowHeight;
}

void Row::Invalidate() {
  index_ = -1;
  // Recalculations below may create cells in this table: walk a snapshot.
  std::vector<Cell*> cells;
  ForEachCell([&](int32_t, Cell* cell) { cells.push_back(cell); });
  const Value* ref = NewError(u"Ref");
  // A cell of a deleted row keeps showing the error: its own formula stops reading.
  for (Cell* cell : cells) cell->Detach();
  for (Cell* cell : cells) cell->SetValue(ref);
}

}  // namespace quadrell
