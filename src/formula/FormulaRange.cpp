#include "formula/FormulaRange.h"

#include "formula/FormulaValue.h"
#include "model/Cell.h"
#include "model/Sheet.h"

namespace quadrell {

std::unique_ptr<FormulaRange> FormulaRange::FromTokens(std::u16string_view first, std::u16string_view second,
                                                       Sheet* sheet, bool namesSheet) {
  ReferenceParts a, b;
  if (!ReadReference(first, a) || !ReadReference(second, b)) return nullptr;
  // A corner beyond the grid makes the range read as "Ref".
  bool onGrid = a.OnGrid() && b.OnGrid();
  return std::make_unique<FormulaRange>(sheet, onGrid ? sheet->GetCellDirect(a.row, a.column) : nullptr,
                                        onGrid ? sheet->GetCellDirect(b.row, b.column) : nullptr, a.absoluteRow,
                                        a.absoluteColumn, b.absoluteRow, b.absoluteColumn, namesSheet);
}

FormulaRange::FormulaRange(Sheet* sheet, Cell* first, Cell* second, bool firstAbsoluteRow, bool firstAbsoluteColumn,
                           bool secondAbsoluteRow, bool secondAbsoluteColumn, bool namesSheet)
    : FormulaNode(FormulaNodeKind::Range),
      sheet_(sheet),
      namesSheet_(namesSheet),
      firstAbsoluteRow_(firstAbsoluteRow),
      firstAbsoluteColumn_(firstAbsoluteColumn),
      secondAbsoluteRow_(secondAbsoluteRow),
      secondAbsoluteColumn_(secondAbsoluteColumn) {
  if (first && second) range_ = std::make_unique<CellRange>(first, second, sheet);
}

bool FormulaRange::Bounds(int32_t& firstRow, int32_t& firstColumn, int32_t& lastRow, int32_t& lastColumn) const {
  if (!range_ || !IsOnSheet(range_->GetStartCell()) || !IsOnSheet(range_->GetEndCell())) return false;
  if (namesSheet_ && !IsSheetListed(sheet_)) return false;
  firstRow = range_->GetFirstRow();
  firstColumn = range_->GetFirstColumn();
  lastRow = range_->GetLastRow();
  lastColumn = range_->GetLastColumn();
  return firstRow <= lastRow && firstColumn <= lastColumn && firstColumn >= 0;
}

const Value* FormulaRange::Problem() const {
  int32_t r1, c1, r2, c2;
  if (!Bounds(r1, c1, r2, c2)) return NewError(u"Ref");
  int64_t positions = (static_cast<int64_t>(r2) - r1 + 1) * (static_cast<int64_t>(c2) - c1 + 1);
  return positions > kMaxRangePositions ? NewError(u"Matrix Error") : nullptr;
}

CellBlock FormulaRange::Block() const {
  int32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
  Bounds(r1, c1, r2, c2);
  return CellBlock(sheet_, r1, c1, r2, c2);
}

std::unique_ptr<Matrix> FormulaRange::Evaluate() {
  if (const Value* problem = Problem()) return SingleValue(problem);
  return std::make_unique<BlockMatrix>(Block());
}

const Value* FormulaRange::EvaluateValue() {
  if (const Value* problem = Problem()) return problem;
  return Block().ValueAt(0, 0);
}

int64_t FormulaRange::CountCells() const {
  int32_t r1, c1, r2, c2;
  if (!Bounds(r1, c1, r2, c2)) return 0;
  return (static_cast<int64_t>(r2) - r1 + 1) * (static_cast<int64_t>(c2) - c1 + 1);
}

void FormulaRange::ResetCells() {
  int32_t r1, c1, r2, c2;
  if (!Bounds(r1, c1, r2, c2)) {
    iterationRow_ = 1;
    iterationLastRow_ = 0;
    return;
  }
  iterationColumn_ = c1;
  iterationRow_ = r1;
  iterationLastRow_ = r2;
}

bool FormulaRange::HasNextCell() { return iterationRow_ <= iterationLastRow_; }

Cell* FormulaRange::NextCell() {
  if (!range_ || !HasNextCell()) return nullptr;
  Cell* cell = sheet_->GetCellDirect(iterationRow_, iterationColumn_);
  if (iterationColumn_ >= range_->GetLastColumn()) {
    iterationColumn_ = range_->GetFirstColumn();
    ++iterationRow_;
  } else {
    ++iterationColumn_;
  }
  return cell;
}

Range* FormulaRange::NextRange() {
  rangePending_ = false;
  return range_.get();
}

std::unique_ptr<FormulaNode> FormulaRange::CopyShifted(int32_t columnOffset, int32_t rowOffset) const {
  Cell* first = nullptr;
  Cell* second = nullptr;
  int32_t r1, c1, r2, c2;
  if (Bounds(r1, c1, r2, c2) &&
      ShiftCoordinate(c1, columnOffset, firstAbsoluteColumn_, 0, kMaxReferenceColumn) &&
      ShiftCoordinate(r1, rowOffset, firstAbsoluteRow_, 1, kMaxReferenceRow) &&
      ShiftCoordinate(c2, columnOffset, secondAbsoluteColumn_, 0, kMaxReferenceColumn) &&
      ShiftCoordinate(r2, rowOffset, secondAbsoluteRow_, 1, kMaxReferenceRow)) {
    first = sheet_->GetCellDirect(r1, c1);
    second = sheet_->GetCellDirect(r2, c2);
  }
  return std::make_unique<FormulaRange>(sheet_, first, second, firstAbsoluteRow_, firstAbsoluteColumn_,
                                        secondAbsoluteRow_, secondAbsoluteColumn_, namesSheet_);
}

void FormulaRange::AppendText(std::u16string& out, std::u16string_view language) const {
  int32_t r1, c1, r2, c2;
  if (!Bounds(r1, c1, r2, c2)) {
    out += BrokenReferenceText(language);
    return;
  }
  if (namesSheet_) {
    AppendSheetName(out, sheet_->GetName());
    out += u'!';
  }
  AppendReference(out, c1, r1, firstAbsoluteColumn_, firstAbsoluteRow_);
  out += u':';
  AppendReference(out, c2, r2, secondAbsoluteColumn_, secondAbsoluteRow_);
}

}  // namespace quadrell
