#pragma once
// The operators & + - * / ^ and the comparisons over two operands. Each
// reads only the value at (0, 0) of its operands; an arithmetic result takes
// the left operand's format, a comparison gives TRUE or FALSE.
#include "formula/FormulaNode.h"

namespace quadrell {

// The two-character comparisons, held as one operator character each.
constexpr char16_t kLessEqual = u'\u2264';
constexpr char16_t kGreaterEqual = u'\u2265';
constexpr char16_t kNotEqual = u'\u2260';

inline bool IsComparison(char16_t op) {
  return op == u'=' || op == u'<' || op == u'>' || op == kLessEqual || op == kGreaterEqual || op == kNotEqual;
}

// Compares as other spreadsheets do: numbers by value, texts without regard
// to case, numbers before texts before booleans; an empty value is 0, the
// empty text or FALSE, as the other side needs. Negative, zero or positive.
int CompareValues(const Value* a, const Value* b);

class FormulaBinaryOperation final : public FormulaNode {
 public:
  // Null when an operand is null.
  static std::unique_ptr<FormulaBinaryOperation> Make(char16_t op, std::unique_ptr<FormulaNode> left,
                                                      std::unique_ptr<FormulaNode> right);
  FormulaBinaryOperation(char16_t op, std::unique_ptr<FormulaNode> left, std::unique_ptr<FormulaNode> right);

  std::unique_ptr<Matrix> Evaluate() override { return SingleValue(EvaluateValue()); }
  bool HasNextCell() override;
  Cell* NextCell() override;
  void ResetCells() override;
  bool HasNextRange() override;
  Range* NextRange() override;
  void ResetRanges() override;
  std::unique_ptr<FormulaNode> CopyShifted(int32_t columnOffset, int32_t rowOffset) const override;
  const Value* EvaluateValue() override;
  void AppendText(std::u16string& out, std::u16string_view language) const override;
  void VisitReferences(ReferenceVisitor& visitor) override;
  int64_t CountCells() const override { return left_->CountCells() + right_->CountCells(); }

  char16_t GetOperator() const { return op_; }
  FormulaNode* GetRight() const { return right_.get(); }
  void SetRight(std::unique_ptr<FormulaNode> node) { right_ = std::move(node); }
  FormulaNode* GetLeft() const { return left_.get(); }
  void SetLeft(std::unique_ptr<FormulaNode> node) { left_ = std::move(node); }
  std::unique_ptr<FormulaNode> TakeLeft() { return std::move(left_); }
  bool IsParenthesised() const { return parenthesised_; }
  void SetParenthesised(bool flag) { parenthesised_ = flag; }
  // Read from a file: + - * / ^ compute as other programs do there, passing
  // errors on, refusing texts that hold no number and dividing by 0 to "#DIV/0!".
  bool HasFileMeaning() const { return fileMeaning_; }
  void SetFileMeaning(bool flag) { fileMeaning_ = flag; }

 private:
  // The small fields first, so they share the word of the node's kind.
  int8_t state_ = 0;  // iteration: 1 left side, 2 right side, 0 done
  bool parenthesised_ = false;
  bool fileMeaning_ = false;
  char16_t op_;
  std::unique_ptr<FormulaNode> left_;
  std::unique_ptr<FormulaNode> right_;
};

}  // namespace quadrell
