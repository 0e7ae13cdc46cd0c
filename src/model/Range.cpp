#include "model/Range.h"

#include <algorithm>

#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "value/NumberText.h"

namespace quadrell {

namespace {

std::u16string PositionName(int32_t column, int32_t row) {
  std::u16string name = ColumnName(column);
  std::string number = IntegerText(row);
  name.append(number.begin(), number.end());
  return name;
}

int32_t CursorStart(int32_t bound, int32_t whole) { return bound == -1 ? whole : bound; }

// Steps a row-by-row cursor over bounds where a last column of -1 runs to the sheet's highest.
void Advance(int32_t& column, int32_t& row, int32_t firstColumn, int32_t lastColumn, const Sheet* sheet) {
  ++column;
  if (lastColumn != -1) {
    if (column > lastColumn) {
      column = CursorStart(firstColumn, 0);
      ++row;
    }
  } else if (!sheet || column > sheet->GetMaxColumn()) {
    column = 0;
    ++row;
  }
}

bool RowLeft(int32_t row, int32_t lastRow, const Sheet* sheet) {
  if (lastRow != -1) return row <= lastRow;
  return sheet && row <= sheet->GetMaxRow();
}

}  // namespace

// --- CellRange ---

CellRange::CellRange(Cell* a, Cell* b, Sheet* sheet) : start_(a), end_(b), sheet_(sheet) {
  int32_t ra = a->GetRowIndex(), rb = b->GetRowIndex();
  int32_t ca = a->GetColumnIndex(), cb = b->GetColumnIndex();
  if (!(ra <= rb && ca <= cb)) {
    start_ = sheet->GetCellDirect(std::min(ra, rb), std::min(ca, cb));
    end_ = sheet->GetCellDirect(std::max(ra, rb), std::max(ca, cb));
  }
}

int32_t CellRange::GetFirstColumn() const { return start_->GetColumnIndex(); }
int32_t CellRange::GetFirstRow() const { return start_->GetRowIndex(); }
int32_t CellRange::GetLastColumn() const { return end_->GetColumnIndex(); }
int32_t CellRange::GetLastRow() const { return end_->GetRowIndex(); }

int64_t CellRange::GetCellCount() const {
  return (static_cast<int64_t>(GetLastRow()) - GetFirstRow() + 1) *
         (static_cast<int64_t>(GetLastColumn()) - GetFirstColumn() + 1);
}

void CellRange::Reset() {
  columnCursor_ = CursorStart(GetFirstColumn(), 0);
  rowCursor_ = CursorStart(GetFirstRow(), 1);
}

bool CellRange::HasNext() { return RowLeft(rowCursor_, GetLastRow(), sheet_); }

Cell* CellRange::Next() {
  Cell* cell = sheet_->GetCellDirect(rowCursor_, columnCursor_);
  Advance(columnCursor_, rowCursor_, GetFirstColumn(), GetLastColumn(), sheet_);
  return cell;
}

std::u16string CellRange::ToString() const {
  return PositionName(GetFirstColumn(), GetFirstRow()) + u":" + PositionName(GetLastColumn(), GetLastRow());
}

Cell* CellRange::GetCell(int32_t row, int32_t column) { return sheet_->GetCellDirect(row, column); }

std::unique_ptr<AreaRange> CellRange::Copy() const {
  return std::make_unique<AreaRange>(GetFirstColumn(), GetFirstRow(), GetLastColumn(), GetLastRow(), sheet_);
}

// --- SingleCellRange ---

Cell* SingleCellRange::Next() {
  pending_ = false;
  return cell_;
}

int32_t SingleCellRange::GetFirstColumn() const {
  int32_t c = cell_ ? cell_->GetColumnIndex() : 0;
  return c == -1 ? 0 : c;
}

int32_t SingleCellRange::GetFirstRow() const {
  int32_t r = cell_ ? cell_->GetRowIndex() : 0;
  return r == -1 ? 0 : r;
}

std::u16string SingleCellRange::ToString() const { return cell_ ? cell_->GetName() : std::u16string(); }

Cell* SingleCellRange::GetCell(int32_t row, int32_t column) {
  return cell_ && cell_->GetRowIndex() == row && cell_->GetColumnIndex() == column ? cell_ : nullptr;
}

std::unique_ptr<AreaRange> SingleCellRange::Copy() const {
  Sheet* sheet = cell_ ? cell_->GetSheet() : nullptr;
  return std::make_unique<AreaRange>(GetFirstColumn(), GetFirstRow(), sheet);
}

// --- AreaRange ---

AreaRange::AreaRange(int32_t column1, int32_t row1, int32_t column2, int32_t row2, Sheet* sheet)
    : firstColumn_(std::min(column1, column2)),
      firstRow_(std::min(row1, row2)),
      lastColumn_(std::max(column1, column2)),
      lastRow_(std::max(row1, row2)),
      sheet_(sheet) {
  Widen();
  count_ = (static_cast<int64_t>(lastColumn_) - firstColumn_ + 1) * (static_cast<int64_t>(lastRow_) - firstRow_ + 1);
}

// Takes in the whole of every merged area that a cell of the first bounds
// belongs to; one pass, so areas reached only through the widening do not
// widen further. Only stored cells can belong to a merged area, so the walk
// looks cells up without creating them and visits no more positions than the
// sheet stores.
void AreaRange::Widen() {
  if (!sheet_) return;
  const int32_t fc = firstColumn_, fr = firstRow_, lc = lastColumn_, lr = lastRow_;
  auto take = [&](Cell* cell) {
    Cell* master = cell->GetMergeMaster();
    if (!master) return;
    int32_t mc = master->GetColumnIndex();
    int32_t mr = master->GetRowIndex();
    firstColumn_ = std::min(firstColumn_, mc);
    firstRow_ = std::min(firstRow_, mr);
    lastColumn_ = std::max(lastColumn_, mc + master->GetColumnSpan() - 1);
    lastRow_ = std::max(lastRow_, mr + master->GetRowSpan() - 1);
  };
  auto visitRow = [&](const Row& row) {
    if (static_cast<int64_t>(lc) - fc + 1 <= 64) {
      for (int32_t c = fc; c <= lc; ++c) {
        if (Cell* cell = row.FindCell(c)) take(cell);
      }
    } else {
      row.ForEachCell([&](int32_t c, Cell* cell) {
        if (c >= fc && c <= lc) take(cell);
      });
    }
  };
  if (static_cast<int64_t>(lr) - fr + 1 <= sheet_->RowTableCapacity()) {
    for (int32_t r = fr; r <= lr; ++r) {
      if (Row* row = sheet_->FindRow(r)) visitRow(*row);
    }
  } else {
    sheet_->ForEachRow([&](int32_t r, const Row& row) {
      if (r >= fr && r <= lr) visitRow(row);
    });
  }
}

void AreaRange::Reset() {
  columnCursor_ = CursorStart(firstColumn_, 0);
  rowCursor_ = CursorStart(firstRow_, 1);
}

bool AreaRange::HasNext() { return RowLeft(rowCursor_, lastRow_, sheet_); }

Cell* AreaRange::Next() {
  Cell* cell = sheet_ ? sheet_->GetCell(rowCursor_, columnCursor_) : nullptr;
  Advance(columnCursor_, rowCursor_, firstColumn_, lastColumn_, sheet_);
  return cell;
}

std::u16string AreaRange::ToString() const {
  if (firstColumn_ == lastColumn_ && firstRow_ == lastRow_) return PositionName(firstColumn_, firstRow_);
  return PositionName(firstColumn_, firstRow_) + u":" + PositionName(lastColumn_, lastRow_);
}

Cell* AreaRange::GetCell(int32_t row, int32_t column) { return sheet_ ? sheet_->GetCell(row, column) : nullptr; }

std::unique_ptr<AreaRange> AreaRange::Copy() const {
  return std::make_unique<AreaRange>(firstColumn_, firstRow_, lastColumn_, lastRow_, sheet_);
}

}  // namespace quadrell
