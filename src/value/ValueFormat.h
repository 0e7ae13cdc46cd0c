#pragma once
// A custom number format code read from a file, compiled once into sections
// of tokens and rendered in the house style: "," as decimal point, "." between
// thousands, numeric dates as day.month.year and times as H:MM or H:MM:SS.
#include <string>
#include <string_view>
#include <vector>

#include "context/RegisteredObject.h"
#include "value/Value.h"

namespace quadrell {

struct FormatToken {
  enum Kind : unsigned char {
    Literal,
    Number,  // the section's digit placeholders, wherever the first one stood
    General,
    Text,  // @
    Year2,
    Year4,
    Month,
    Month2,
    MonthShortName,
    MonthName,
    MonthLetter,
    Day,
    Day2,
    DayShortName,
    DayName,
    Hour,
    Minute,
    Minute2,
    Second,
    Second2,
    AmPm,  // AM/PM or A/P, text holds the code's spelling
    ElapsedHours,
    ElapsedMinutes,
    ElapsedSeconds,
  };
  std::u16string text;
  Kind kind = Literal;
};

// The digit placeholders of a section (0 # ?), read once.
struct NumberPattern {
  int integerZeros = 0;
  int minDecimals = 0;
  int maxDecimals = 0;
  bool grouping = false;
  int scaleThousands = 0;  // commas after the last placeholder divide by 1000 each
  bool scientific = false;
  bool exponentPlus = false;
  int exponentDigits = 0;
};

struct FormatSection {
  std::vector<FormatToken> tokens;
  NumberPattern number;
  int percents = 0;
  bool hasDate = false;  // a day, month or year part
  bool hasTime = false;  // hours, minutes or seconds
  bool hasNames = false;  // month or day names
  bool hasSeconds = false;
  bool twelveHours = false;
};

class ValueFormat : public RegisteredObject {
 public:
  explicit ValueFormat(std::u16string_view code);

  std::u16string Render(const Value* value) const;
  std::u16string RenderNumber(double number) const;

  const std::u16string& Code() const { return code_; }
  // A day, month, year or time part in the first section: the number is a serial.
  bool HasDatePart() const { return dateFlag_; }
  // Hours, minutes or seconds and no day, month or year.
  bool IsTimeOnly() const { return timeOnly_; }
  // The first section's tokens.
  const std::vector<FormatToken>& Tokens() const { return sections_.front().tokens; }

 private:
  std::u16string RenderSection(const FormatSection& section, double number, bool sign) const;

  std::u16string code_;
  bool dateFlag_ = false;
  bool timeOnly_ = false;
  std::vector<FormatSection> sections_;
};

// The custom format registered under the id, or null.
const ValueFormat* FindValueFormat(FormatId id);

}  // namespace quadrell
