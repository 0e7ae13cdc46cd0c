#include "formula/FormulaValue.h"

#include <limits>

#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "model/Workbook.h"
#include "formula/TextCase.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

bool ReadReference(std::u16string_view token, ReferenceParts& out) {
  size_t i = 0;
  out = ReferenceParts();
  if (i < token.size() && token[i] == u'$') {
    out.absoluteColumn = true;
    ++i;
  }
  // Only letters may stand before the row: "= A1" or "A.1" are no references.
  size_t lettersBegin = i;
  int64_t column = -1;
  while (i < token.size() && !IsDigit(token[i]) && token[i] != u'$') {
    char16_t c = token[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c < u'A' || c > u'Z') return false;
    column = (column + 1) * 26 + (c - u'A');
    if (column > kMaxWrittenReferenceColumn) return false;
    ++i;
  }
  if (i == lettersBegin || i == token.size()) return false;
  if (token[i] == u'$') {
    out.absoluteRow = true;
    ++i;
  }
  if (i == token.size() || !IsDigit(token[i])) return false;
  int64_t row = 0;
  while (i < token.size() && IsDigit(token[i])) {
    row = row * 10 + (token[i] - u'0');
    if (row > kMaxWrittenReferenceRow) return false;
    ++i;
  }
  out.row = static_cast<int32_t>(row);
  out.column = static_cast<int32_t>(column);
  return true;
}

void AppendReference(std::u16string& out, int32_t column, int32_t row, bool absoluteColumn, bool absoluteRow) {
  if (absoluteColumn) out += u'$';
  out += ColumnName(column);
  if (absoluteRow) out += u'$';
  AppendAscii(out, IntegerText(row));
}

Sheet* FindSheetNamed(Sheet* sheet, std::u16string_view name) {
  Workbook* workbook = sheet ? sheet->GetWorkbook() : nullptr;
  if (!workbook || name.empty()) return nullptr;
  std::u16string wanted = UpperCase(name);
  for (int32_t i = 0; i < workbook->GetSheetCount(); ++i) {
    Sheet* s = workbook->GetSheet(i);
    if (UpperCase(s->GetName()) == wanted) return s;
  }
  return nullptr;
}

bool IsSheetListed(const Sheet* sheet) {
  Workbook* workbook = sheet ? sheet->GetWorkbook() : nullptr;
  return workbook && workbook->IndexOfSheet(sheet) >= 0;
}

void AppendSheetName(std::u16string& out, std::u16string_view name) {
  bool plain = !name.empty() && !IsDigit(name[0]);
  for (char16_t c : name) {
    bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    if (!letter && !IsDigit(c) && c != u'.') plain = false;
  }
  // A name that reads as a cell reference or a boolean must be quoted too.
  ReferenceParts parts;
  std::u16string upper = UpperCase(name);
  if (plain && ((ReadReference(name, parts) && parts.OnGrid()) || upper == u"TRUE" || upper == u"FALSE")) plain = false;
  if (plain) {
    out += name;
    return;
  }
  out += u'\'';
  for (char16_t c : name) {
    out += c;
    if (c == u'\'') out += c;
  }
  out += u'\'';
}

std::u16string_view BrokenReferenceText(std::u16string_view language) {
  return language == u"xlsx" ? std::u16string_view(u"#REF!") : std::u16string_view(u"#REF");
}

bool IsOnSheet(const Cell* cell) {
  Row* row = cell->GetRow();
  Sheet* sheet = row ? row->GetSheet() : nullptr;
  if (!sheet || row->GetIndex() < 0 || sheet->FindRow(row->GetIndex()) != row) return false;
  return row->FindCell(cell->GetColumnIndex()) == cell;
}

bool ShiftCoordinate(int32_t& value, int32_t offset, bool absolute, int32_t low, int32_t high) {
  if (absolute) return true;
  int64_t moved = static_cast<int64_t>(value) + offset;
  if (moved < low || moved > high) return false;
  value = static_cast<int32_t>(moved);
  return true;
}

std::unique_ptr<FormulaValue> FormulaValue::FromToken(std::u16string_view token, Sheet* sheet) {
  ReferenceParts parts;
  if (!ReadReference(token, parts)) return nullptr;
  return std::make_unique<FormulaValue>(parts.OnGrid() ? sheet->GetCellDirect(parts.row, parts.column) : nullptr,
                                        parts.absoluteRow,
                                        parts.absoluteColumn);
}

FormulaValue::FormulaValue(Cell* cell, bool absoluteRow, bool absoluteColumn, bool namesSheet)
    : FormulaNode(FormulaNodeKind::Value),
      namesSheet_(namesSheet),
      absoluteRow_(absoluteRow),
      absoluteColumn_(absoluteColumn),
      cell_(cell) {}
static_assert(sizeof(FormulaValue) <= 3 * sizeof(void*), "a cell reference stays three words");

Sheet* FormulaValue::GetSheet() const { return cell_ ? cell_->GetSheet() : nullptr; }

const Value* FormulaValue::EvaluateValue() {
  if (!cell_ || (namesSheet_ && !IsSheetListed(cell_->GetSheet()))) return NewError(u"Ref");
  return cell_->GetValue();
}

std::unique_ptr<Matrix> FormulaValue::Evaluate() { return SingleValue(EvaluateValue()); }

Cell* FormulaValue::NextCell() {
  iterating_ = false;
  return cell_;
}

std::unique_ptr<FormulaNode> FormulaValue::CopyShifted(int32_t columnOffset, int32_t rowOffset) const {
  Cell* target = nullptr;
  if (cell_ && IsOnSheet(cell_)) {
    int32_t column = cell_->GetColumnIndex();
    int32_t row = cell_->GetRowIndex();
    if (ShiftCoordinate(column, columnOffset, absoluteColumn_, 0, kMaxReferenceColumn) &&
        ShiftCoordinate(row, rowOffset, absoluteRow_, 1, kMaxReferenceRow)) {
      target = cell_->GetSheet()->GetCellDirect(row, column);
    }
  }
  return std::make_unique<FormulaValue>(target, absoluteRow_, absoluteColumn_, namesSheet_);
}

void FormulaValue::AppendText(std::u16string& out, std::u16string_view language) const {
  if (!cell_ || !IsOnSheet(cell_) || (namesSheet_ && !IsSheetListed(cell_->GetSheet()))) {
    out += BrokenReferenceText(language);
    return;
  }
  if (namesSheet_) {
    AppendSheetName(out, cell_->GetSheet()->GetName());
    out += u'!';
  }
  AppendReference(out, cell_->GetColumnIndex(), cell_->GetRowIndex(), absoluteColumn_, absoluteRow_);
}

void FormulaValue::VisitReferences(ReferenceVisitor& visitor) {
  if (cell_) visitor.OnCell(cell_);
}

}  // namespace quadrell
