#include "formula/FormulaNode.h"

namespace quadrell {

const Value* FormulaNode::EvaluateValue() {
  std::unique_ptr<Matrix> m = Evaluate();
  const Value* v = m ? m->GetAt(0, 0) : nullptr;
  return v ? v : EmptyValue();
}

}  // namespace quadrell
