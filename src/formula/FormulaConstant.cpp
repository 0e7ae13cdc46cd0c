#include "formula/FormulaConstant.h"

#include <charconv>

#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

// The general form keeps ten decimals; a literal it would change (such as
// 0.000000000001) is written with all the digits it needs, so that saving a
// formula never alters it.
void FormulaConstant::AppendText(std::u16string& out, std::u16string_view language) const {
  if (value_->IsBoolean()) {
    // TRUE and FALSE read without parentheses too, but the calls read in every version.
    bool flag = value_->Number() != 0;
    if (language == u"xlsx") {
      out += flag ? u"TRUE" : u"FALSE";
    } else {
      out += IsEnglish(language) ? (flag ? u"TRUE()" : u"FALSE()") : (flag ? u"WAHR()" : u"FALSCH()");
    }
    return;
  }
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
  if (language == u"xlsx") {
    // Files double a quote inside a text.
    for (char16_t c : value_->Text()) {
      out += c;
      if (c == u'"') out += c;
    }
  } else {
    out += value_->Text();
  }
  out += u'"';
}

}  // namespace quadrell
