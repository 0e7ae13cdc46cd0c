#pragma once
// A reference to a rectangular range, A1:B3. The node owns a CellRange over
// the two corner cells, so the range moves, grows and shrinks with inserted
// and deleted rows and columns.
#include <optional>

#include "formula/CellBlock.h"
#include "formula/FormulaNode.h"
#include "model/Range.h"

namespace quadrell {

// A range reference over more positions than this reads as "Matrix Error".
constexpr int64_t kMaxRangePositions = int64_t{1} << 22;

class FormulaRange final : public FormulaNode {
 public:
  // Null when a token is no cell reference. The corner cells are created when missing.
  static std::unique_ptr<FormulaRange> FromTokens(std::u16string_view first, std::u16string_view second,
                                                  Sheet* sheet, bool namesSheet = false);
  // Null corners make a reference that was moved off the sheet. A range that
  // names its sheet (Data!A1:B3) is rendered with the sheet's name.
  FormulaRange(Sheet* sheet, Cell* first, Cell* second, bool firstAbsoluteRow, bool firstAbsoluteColumn,
               bool secondAbsoluteRow, bool secondAbsoluteColumn, bool namesSheet = false);

  std::unique_ptr<Matrix> Evaluate() override;
  bool HasNextCell() override;
  Cell* NextCell() override;
  void ResetCells() override;
  bool HasNextRange() override { return rangePending_; }
  Range* NextRange() override;
  void ResetRanges() override { rangePending_ = range_ != nullptr; }
  std::unique_ptr<FormulaNode> CopyShifted(int32_t columnOffset, int32_t rowOffset) const override;
  const Value* EvaluateValue() override;
  void AppendText(std::u16string& out, std::u16string_view language) const override;
  void VisitReferences(ReferenceVisitor& visitor) override { visitor.OnRange(*this); }
  int64_t CountCells() const override;

  Range* GetRange() const { return range_.get(); }
  Sheet* GetSheet() const { return sheet_; }
  bool NamesSheet() const { return namesSheet_; }
  // The current bounds; false when the reference is broken or a corner's row
  // or column was deleted.
  bool Bounds(int32_t& firstRow, int32_t& firstColumn, int32_t& lastRow, int32_t& lastColumn) const;
  // The error the range reads as ("Ref" for a broken reference, "Matrix Error"
  // for an oversized one), or null when it reads as a block of cells.
  const Value* Problem() const;
  // The block of cells; only when Problem() is null.
  CellBlock Block() const;

 private:
  Sheet* sheet_;
  bool namesSheet_;
  int32_t iterationColumn_ = 0;
  int32_t iterationRow_ = 1;
  int32_t iterationLastRow_ = 0;
  bool rangePending_ = false;
  bool firstAbsoluteRow_;
  bool firstAbsoluteColumn_;
  bool secondAbsoluteRow_;
  bool secondAbsoluteColumn_;
  std::unique_ptr<CellRange> range_;
};

}  // namespace quadrell
