#pragma once
// A custom number format code read from a file. Only two renderings exist: a
// code with a day, month or year part shows day.month.year, any other code the
// plain number with "." as decimal point.
#include <string>
#include <string_view>
#include <vector>

#include "context/RegisteredObject.h"
#include "value/Value.h"

namespace quadrell {

struct FormatToken {
  enum Kind : unsigned char { Literal = 0, Day = 1, Month = 2, Year = 3 };
  std::u16string text;
  Kind kind = Literal;
};

class ValueFormat : public RegisteredObject {
 public:
  explicit ValueFormat(std::u16string_view code);

  std::u16string Render(const Value* value) const;
  std::u16string RenderNumber(double number) const;

  const std::u16string& Code() const { return code_; }
  bool HasDatePart() const { return dateFlag_; }
  const std::vector<FormatToken>& Tokens() const { return tokens_; }

 private:
  std::u16string code_;
  bool dateFlag_ = false;
  std::vector<FormatToken> tokens_;
};

// The custom format registered under the id, or null.
const ValueFormat* FindValueFormat(FormatId id);

}  // namespace quadrell
