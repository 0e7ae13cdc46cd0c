#pragma once
// The pooled value record that every cell holds and every formula produces.
// Pooled values are immutable and live for the whole process; to change one,
// take a ValueRecord copy, change it and intern it again.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quadrell {

enum class ValueKind : int8_t { Empty = 0, Error = 1, Text = 2, Number = 3, DateTime = 4, Hyperlink = 5 };
using FormatId = int16_t;

constexpr FormatId kFormatGeneral = 0;
constexpr FormatId kFormatBoolean = -1;
constexpr FormatId kFormatPercent = 9;
constexpr FormatId kFormatPercentDecimals = 10;
constexpr FormatId kFormatTime = 20;
constexpr FormatId kFormatDate = 58;

// An unpooled, changeable record: built field by field, or copied from a pooled
// value, and then handed to Intern.
struct ValueRecord {
  ValueKind kind = ValueKind::Empty;
  std::u16string text;
  double number = 0;
  FormatId formatId = 0;
  std::u16string link;
};

class Value {
 public:
  ValueKind Kind() const { return kind_; }
  FormatId Format() const { return formatId_; }
  double Number() const {
    double n;
    std::memcpy(&n, numberBytes_, sizeof n);
    return n;
  }
  // The text field. A number pooled without a text of its own (as a file
  // reader makes them, to save memory) has its general decimal form, made on
  // first request.
  std::u16string_view Text() const {
    if (textLength_ == 0 && kind_ == ValueKind::Number) return NumberText();
    return {Chars(), textLength_};
  }
  std::u16string_view Link() const { return {Chars() + textLength_, LinkLength()}; }
  // Numbers and dates/times carry a number; every other kind reads as 0.
  bool IsNumeric() const { return kind_ == ValueKind::Number || kind_ == ValueKind::DateTime; }
  bool IsBoolean() const { return kind_ == ValueKind::Number && formatId_ == kFormatBoolean; }

  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;

 private:
  friend class ValuePool;
  friend const Value* WithFormat(const Value* value, FormatId formatId);
  Value() = default;
  // A record is 16 bytes, then (for hyperlinks only) the link length, then the
  // text and the link, all in one allocation of the pool's arena.
  std::u16string_view NumberText() const;
  std::u16string_view RawText() const { return {Chars(), textLength_}; }
  uint32_t LinkLength() const {
    if (!hasLink_) return 0;
    uint32_t n;
    std::memcpy(&n, this + 1, sizeof n);
    return n;
  }
  const char16_t* Chars() const {
    return reinterpret_cast<const char16_t*>(reinterpret_cast<const char*>(this + 1) + (hasLink_ ? 4 : 0));
  }

  unsigned char numberBytes_[8] = {};
  uint32_t textLength_ = 0;
  ValueKind kind_ = ValueKind::Empty;
  uint8_t hasLink_ = 0;
  FormatId formatId_ = 0;
};
static_assert(sizeof(Value) == 16);

const Value* Intern(const ValueRecord& record);
const Value* NewText(std::u16string_view text);
const Value* NewError(std::u16string_view message);
const Value* NewNumber(double number, FormatId formatId = kFormatGeneral);
const Value* NewHyperlink(std::u16string_view shown, std::u16string_view link);
const Value* BooleanValue(bool flag);
const Value* EmptyValue();
ValueRecord CopyValue(const Value* value);
// The value with another format id, pooled; a number pooled without a text
// of its own stays without one (a copy through CopyValue would store its
// general form).
const Value* WithFormat(const Value* value, FormatId formatId);

// A pooled value named by 32 bits, for holders that keep millions of them
// (cells); 0 names no value.
uint32_t ValueReference(const Value* value);
namespace detail {
// The start of the pool's records; set when the pool is made, before any reference exists.
extern const char* gValueRecords;
}  // namespace detail
// Inline: formulas over large ranges read millions of values.
inline const Value* ValueAtReference(uint32_t reference) {
  return reference ? reinterpret_cast<const Value*>(detail::gValueRecords + size_t{reference} * 4) : nullptr;
}

// The value a typed text stands for: number, percentage, date, time, hyperlink or text.
const Value* ParseInput(std::u16string_view input);
// The value of a formula literal (a token that starts with a digit or a double quote).
const Value* ParseLiteral(std::u16string_view token);
bool ValuesEqual(const Value* a, const Value* b);

struct Complex {
  double real = 0;
  double imaginary = 0;
};
Complex ParseComplex(std::u16string_view text);
std::u16string FormatComplex(double real, double imaginary);

// The text shown for a value; the empty text for null.
std::u16string DisplayText(const Value* value);

// Recognisers used by ParseInput (the typed text is passed as it is).
bool IsNumberText(std::u16string_view s);
bool IsDateText(std::u16string_view s);
bool IsTimeText(std::u16string_view s);

// Number of distinct records in the pool and the bytes they take (pool table included).
size_t PooledValueCount();
size_t PoolMemoryBytes();

// Says in one line on standard error that memory ran out and ends the process
// with status 1: a workbook that does not fit is refused, not half-kept.
[[noreturn]] void ReportOutOfMemory();

}  // namespace quadrell
