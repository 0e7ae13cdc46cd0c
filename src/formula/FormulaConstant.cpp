#include "formula/FormulaConstant.h"

#include "value/NumberText.h"

namespace quadrell {

void FormulaConstant::AppendText(std::u16string& out, std::u16string_view) const {
  if (value_->Kind() == ValueKind::Number) {
    AppendGeneralForm(out, value_->Number());
    return;
  }
  out += u'"';
  out += value_->Text();
  out += u'"';
}

}  // namespace quadrell
