#include "formula/FormulaConstant.h"

#include <charconv>

#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

// The general form keeps ten decimals; a literal it would change (such as
// 0.000000000001) is written with all the digits it needs, so that saving a
// formula never alters it.
void FormulaConstant::AppendText(std::u16string& out, std::u16string_view) const {
  if (value_->Kind() == ValueKind::Number) {
    double x = value_->Number();
    std::string general = GeneralForm(x);
    if (ReadDecimal(general) == x) {
      AppendAscii(out, general);
      return;
    }
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof(buf), x, std::chars_format::fixed);
    AppendAscii(out, r.ec == std::errc() ? std::string_view(buf, static_cast<size_t>(r.ptr - buf)) : general);
    return;
  }
  out += u'"';
  out += value_->Text();
  out += u'"';
}

}  // namespace quadrell
