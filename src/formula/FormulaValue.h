#pragma once
// A reference to one cell: B7, $B7, B$7, $B$7. The node holds the cell object,
// so it follows inserted and deleted rows and columns.
#include "formula/FormulaNode.h"

namespace quadrell {

// Positions a reference can name: the sheet's grid. A reference written
// beyond it (up to the limits below) reads as "Ref"; larger ones are no
// references at all.
constexpr int32_t kMaxReferenceColumn = 16384 - 1;
constexpr int32_t kMaxReferenceRow = 1048576;
constexpr int32_t kMaxWrittenReferenceColumn = (1 << 24) - 1;
constexpr int32_t kMaxWrittenReferenceRow = 1 << 30;

struct ReferenceParts {
  int32_t row = 0;
  int32_t column = 0;
  bool absoluteRow = false;
  bool absoluteColumn = false;
  bool OnGrid() const { return row >= 1 && row <= kMaxReferenceRow && column >= 0 && column <= kMaxReferenceColumn; }
};

// Reads a cell reference token (any case): an optional "$", the column letters
// A-Z, an optional "$", then the row digits (anything after them is ignored).
bool ReadReference(std::u16string_view token, ReferenceParts& out);
// "$" marks, column name and row number.
void AppendReference(std::u16string& out, int32_t column, int32_t row, bool absoluteColumn, bool absoluteRow);
// The sheet of the formula's workbook with the name, compared without regard to case; null when none.
Sheet* FindSheetNamed(Sheet* sheet, std::u16string_view name);
// False for a sheet taken out of its workbook (deleted, kept for undo).
bool IsSheetListed(const Sheet* sheet);
// The sheet's name as a formula writes it before "!": quoted ('My Data') unless plain.
void AppendSheetName(std::u16string& out, std::u16string_view name);
// The text a broken reference renders: "#REF!" in files, "#REF" otherwise.
std::u16string_view BrokenReferenceText(std::u16string_view language);
// False for a cell whose row was deleted or whose column was deleted.
bool IsOnSheet(const Cell* cell);
// A relative coordinate moved by an offset; false when it leaves the sheet.
bool ShiftCoordinate(int32_t& value, int32_t offset, bool absolute, int32_t low, int32_t high);

class FormulaValue final : public FormulaNode {
 public:
  // Null when the token is no cell reference. The cell is created when missing.
  static std::unique_ptr<FormulaValue> FromToken(std::u16string_view token, Sheet* sheet);
  // A null cell is a reference that was moved off the sheet. A reference that
  // names its sheet (Data!A1) is rendered with the name of the cell's sheet.
  FormulaValue(Cell* cell, bool absoluteRow, bool absoluteColumn, bool namesSheet = false);

  std::unique_ptr<Matrix> Evaluate() override;
  bool HasNextCell() override { return iterating_; }
  Cell* NextCell() override;
  void ResetCells() override { iterating_ = cell_ != nullptr; }
  bool HasNextRange() override { return false; }
  Range* NextRange() override { return nullptr; }
  void ResetRanges() override {}
  std::unique_ptr<FormulaNode> CopyShifted(int32_t columnOffset, int32_t rowOffset) const override;
  const Value* EvaluateValue() override;
  void AppendText(std::u16string& out, std::u16string_view language) const override;
  void VisitReferences(ReferenceVisitor& visitor) override;
  int64_t CountCells() const override { return cell_ ? 1 : 0; }

  Cell* GetCell() const { return cell_; }
  // The referenced cell's sheet; null for a reference moved off the sheet.
  Sheet* GetSheet() const;
  bool NamesSheet() const { return namesSheet_; }

 private:
  // The flags first, so they share the word of the node's kind: a workbook
  // holds one of these for every cell reference of every formula. The sheet
  // is the cell's own, so it is not kept.
  bool namesSheet_;
  bool absoluteRow_;
  bool absoluteColumn_;
  bool iterating_ = false;
  Cell* cell_;
};

}  // namespace quadrell
