#include "formula/FormulaUnaryOperation.h"

namespace quadrell {

std::unique_ptr<FormulaUnaryOperation> FormulaUnaryOperation::Make(char16_t op, std::unique_ptr<FormulaNode> operand) {
  if (!operand) return nullptr;
  return std::make_unique<FormulaUnaryOperation>(op, std::move(operand));
}

FormulaUnaryOperation::FormulaUnaryOperation(char16_t op, std::unique_ptr<FormulaNode> operand)
    : FormulaNode(FormulaNodeKind::Unary), op_(op), operand_(std::move(operand)) {}

const Value* FormulaUnaryOperation::EvaluateValue() {
  const Value* v = operand_->EvaluateValue();
  double x = v->IsNumeric() ? v->Number() : 0.0;
  if (op_ == u'%') return NewNumber(x * 0.01, kFormatPercent);
  return NewNumber(-x, v->Format());
}

std::unique_ptr<FormulaNode> FormulaUnaryOperation::CopyShifted(int32_t columnOffset, int32_t rowOffset) const {
  return std::make_unique<FormulaUnaryOperation>(op_, operand_->CopyShifted(columnOffset, rowOffset));
}

void FormulaUnaryOperation::AppendText(std::u16string& out, std::u16string_view language) const {
  if (op_ == u'%') {
    operand_->AppendText(out, language);
    out += op_;
    return;
  }
  out += op_;
  operand_->AppendText(out, language);
}

}  // namespace quadrell
