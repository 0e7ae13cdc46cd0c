#pragma once
// A call of a registered function. The implementation reads and evaluates the
// arguments through the node, so it decides which arguments are evaluated.
#include <vector>

#include "formula/FormulaNode.h"
#include "formula/FunctionRegistry.h"
#include "model/collection/SmallList.h"

namespace quadrell {

class FormulaFunction final : public FormulaNode {
 public:
  FormulaFunction(std::vector<std::unique_ptr<FormulaNode>> arguments, const FunctionEntry* entry, Sheet* sheet);
  ~FormulaFunction() override;

  std::unique_ptr<Matrix> Evaluate() override { return entry_->implementation(*this); }
  bool HasNextCell() override;
  Cell* NextCell() override;
  void ResetCells() override;
  bool HasNextRange() override;
  Range* NextRange() override;
  void ResetRanges() override;
  std::unique_ptr<FormulaNode> CopyShifted(int32_t columnOffset, int32_t rowOffset) const override;
  void AppendText(std::u16string& out, std::u16string_view language) const override;
  void VisitReferences(ReferenceVisitor& visitor) override;
  int64_t CountCells() const override;

  size_t ArgumentCount() const { return arguments_.size(); }
  // Null past the last argument (an optional argument left out).
  FormulaNode* Argument(size_t index) const { return index < arguments_.size() ? arguments_[index] : nullptr; }
  const FunctionEntry* GetEntry() const { return entry_; }
  Sheet* GetSheet() const { return sheet_; }

 private:
  uint32_t cursor_ = 0;  // first, to share the word of the node's kind
  // The arguments, owned. Most calls have one, held in place: a workbook keeps
  // a call node for every function of every formula.
  SmallList<FormulaNode*> arguments_;
  const FunctionEntry* entry_;
  Sheet* sheet_;
};

}  // namespace quadrell
