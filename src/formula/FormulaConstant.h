#pragma once
// A literal: a number, percentage, date or time typed in the formula, or a quoted text.
#include "formula/FormulaNode.h"

namespace quadrell {

class FormulaConstant final : public FormulaNode {
 public:
  explicit FormulaConstant(const Value* value) : FormulaNode(FormulaNodeKind::Constant), value_(value) {}

  std::unique_ptr<Matrix> Evaluate() override { return SingleValue(value_); }
  bool HasNextCell() override { return false; }
  Cell* NextCell() override { return nullptr; }
  void ResetCells() override {}
  bool HasNextRange() override { return false; }
  Range* NextRange() override { return nullptr; }
  void ResetRanges() override {}
  std::unique_ptr<FormulaNode> CopyShifted(int32_t, int32_t) const override {
    return std::make_unique<FormulaConstant>(value_);
  }
  const Value* EvaluateValue() override { return value_; }
  // Numbers in their general form (a percentage comes back as its fraction),
  // everything else quoted.
  void AppendText(std::u16string& out, std::u16string_view language) const override;
  void VisitReferences(ReferenceVisitor&) override {}
  int64_t CountCells() const override { return 0; }

  const Value* GetValue() const { return value_; }

 private:
  const Value* value_;
};

}  // namespace quadrell
