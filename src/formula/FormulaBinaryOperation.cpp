#include "formula/FormulaBinaryOperation.h"

namespace quadrell {

std::unique_ptr<FormulaBinaryOperation> FormulaBinaryOperation::Make(char16_t op, std::unique_ptr<FormulaNode> left,
                                                                     std::unique_ptr<FormulaNode> right) {
  if (!left || !right) return nullptr;
  return std::make_unique<FormulaBinaryOperation>(op, std::move(left), std::move(right));
}

FormulaBinaryOperation::FormulaBinaryOperation(char16_t op, std::unique_ptr<FormulaNode> left,
                                               std::unique_ptr<FormulaNode> right)
    : FormulaNode(FormulaNodeKind::Binary), op_(op), left_(std::move(left)), right_(std::move(right)) {}

const Value* FormulaBinaryOperation::EvaluateValue() {
  const Value* a = left_->EvaluateValue();
  const Value* b = right_->EvaluateValue();
  if (op_ == u'&') {
    // Texts longer than a cell may hold are refused, so doubling chains cannot exhaust memory.
    if (a->Text().size() + b->Text().size() > 32767) return NewError(u"Text Too Long");
    std::u16string text(a->Text());
    text += b->Text();
    return NewText(text);
  }
  // Text, errors, the empty value and hyperlinks count as 0.
  double x = a->IsNumeric() ? a->Number() : 0.0;
  double y = b->IsNumeric() ? b->Number() : 0.0;
  double r = 0;
  switch (op_) {
    case u'+': r = x + y; break;
    case u'-': r = x - y; break;
    case u'*': r = x * y; break;
    default: r = x / y; break;
  }
  return NewNumber(r, a->Format());
}

void FormulaBinaryOperation::ResetCells() {
  state_ = 1;
  left_->ResetCells();
  right_->ResetCells();
}

bool FormulaBinaryOperation::HasNextCell() {
  if (state_ == 1) {
    if (left_->HasNextCell()) return true;
    state_ = 2;
  }
  if (state_ == 2) {
    if (right_->HasNextCell()) return true;
    state_ = 0;
  }
  return false;
}

Cell* FormulaBinaryOperation::NextCell() {
  if (!HasNextCell()) return nullptr;
  return state_ == 1 ? left_->NextCell() : right_->NextCell();
}

void FormulaBinaryOperation::ResetRanges() {
  state_ = 1;
  left_->ResetRanges();
  right_->ResetRanges();
}

bool FormulaBinaryOperation::HasNextRange() {
  if (state_ == 1) {
    if (left_->HasNextRange()) return true;
    state_ = 2;
  }
  if (state_ == 2) {
    if (right_->HasNextRange()) return true;
    state_ = 0;
  }
  return false;
}

Range* FormulaBinaryOperation::NextRange() {
  if (!HasNextRange()) return nullptr;
  return state_ == 1 ? left_->NextRange() : right_->NextRange();
}

std::unique_ptr<FormulaNode> FormulaBinaryOperation::CopyShifted(int32_t columnOffset, int32_t rowOffset) const {
  auto copy = std::make_unique<FormulaBinaryOperation>(op_, left_->CopyShifted(columnOffset, rowOffset),
                                                       right_->CopyShifted(columnOffset, rowOffset));
  copy->parenthesised_ = parenthesised_;
  return copy;
}

void FormulaBinaryOperation::AppendText(std::u16string& out, std::u16string_view language) const {
  if (parenthesised_) out += u'(';
  left_->AppendText(out, language);
  out += op_;
  right_->AppendText(out, language);
  if (parenthesised_) out += u')';
}

void FormulaBinaryOperation::VisitReferences(ReferenceVisitor& visitor) {
  left_->VisitReferences(visitor);
  right_->VisitReferences(visitor);
}

}  // namespace quadrell
