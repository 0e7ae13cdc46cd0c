#include "value/ValueFormat.h"

#include "context/ApplicationContext.h"
#include "value/Date.h"
#include "value/NumberText.h"

namespace quadrell {

ValueFormat::ValueFormat(std::u16string_view code) : code_(code) {
  size_t quotes = 0;
  for (char16_t c : code_) quotes += c == u'"';
  if (quotes % 2 == 1) code_.push_back(u'"');
  for (size_t i = 0; i < code_.size(); ++i) {
    char16_t c = code_[i];
    if (c == u'\\') {
      if (i + 1 < code_.size()) tokens_.push_back({std::u16string(1, code_[++i]), FormatToken::Literal});
    } else if (c == u'"') {
      size_t end = code_.find(u'"', i + 1);
      if (end == std::u16string::npos) end = code_.size();
      tokens_.push_back({code_.substr(i + 1, end - i - 1), FormatToken::Literal});
      i = end;
    } else if (c == u'd' || c == u'm' || c == u'y') {
      tokens_.push_back({std::u16string(1, c),
                         c == u'd' ? FormatToken::Day : (c == u'm' ? FormatToken::Month : FormatToken::Year)});
      dateFlag_ = true;
    }
  }
}

std::u16string ValueFormat::RenderNumber(double number) const {
  if (!dateFlag_) return GeneralForm16(number);
  DateRecord r = SplitDateTime(number);
  if (!HasCalendarDate(r)) return {};
  std::string out = IntegerText(r.day) + "." + IntegerText(r.month) + "." + IntegerText(r.year);
  return std::u16string(out.begin(), out.end());
}

std::u16string ValueFormat::Render(const Value* value) const {
  return RenderNumber(value ? value->Number() : 0);
}

const ValueFormat* FindValueFormat(FormatId id) {
  if (id < 200) return nullptr;
  return dynamic_cast<const ValueFormat*>(GetContext().GetRegisteredObject(id));
}

}  // namespace quadrell
