#pragma once
// A sign before an operand (-) or a percent sign after one (%).
#include "formula/FormulaNode.h"

namespace quadrell {

class FormulaUnaryOperation final : public FormulaNode {
 public:
  // Null when the operand is null.
  static std::unique_ptr<FormulaUnaryOperation> Make(char16_t op, std::unique_ptr<FormulaNode> operand);
  FormulaUnaryOperation(char16_t op, std::unique_ptr<FormulaNode> operand);

  std::unique_ptr<Matrix> Evaluate() override { return SingleValue(EvaluateValue()); }
  bool HasNextCell() override { return operand_->HasNextCell(); }
  Cell* NextCell() override { return operand_->NextCell(); }
  void ResetCells() override { operand_->ResetCells(); }
  bool HasNextRange() override { return operand_->HasNextRange(); }
  Range* NextRange() override { return operand_->NextRange(); }
  void ResetRanges() override { operand_->ResetRanges(); }
  std::unique_ptr<FormulaNode> CopyShifted(int32_t columnOffset, int32_t rowOffset) const override;
  const Value* EvaluateValue() override;
  void AppendText(std::u16string& out, std::u16string_view language) const override;
  void VisitReferences(ReferenceVisitor& visitor) override { operand_->VisitReferences(visitor); }
  int64_t CountCells() const override { return operand_->CountCells(); }

  char16_t GetOperator() const { return op_; }
  FormulaNode* GetOperand() const { return operand_.get(); }

 private:
  char16_t op_;
  std::unique_ptr<FormulaNode> operand_;
};

}  // namespace quadrell
