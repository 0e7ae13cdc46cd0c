#pragma once
// What the functions that follow other spreadsheets' meanings share: an
// argument as a grid of values, the numbers a statistic takes from it, the
// criteria of the *IF(S) functions, and the error values those programs show.
#include <vector>

#include "formula/functions/FunctionSupport.h"

namespace quadrell::fn {

constexpr std::u16string_view kErrorNA = u"#N/A";
constexpr std::u16string_view kErrorValue = u"#VALUE!";
constexpr std::u16string_view kErrorDiv0 = u"#DIV/0!";
constexpr std::u16string_view kErrorNum = u"#NUM!";
constexpr std::u16string_view kErrorRef = u"#REF!";

// The values of an argument, column by column, with its size.
struct Grid {
  int32_t columns = 0;
  int32_t rows = 0;
  std::vector<const Value*> values;  // column by column
  bool fromReference = false;        // a cell or range reference, not a computed value
  const Value* At(int32_t column, int32_t row) const {
    return values[static_cast<size_t>(column) * static_cast<size_t>(rows) + static_cast<size_t>(row)];
  }
  size_t Size() const { return values.size(); }
};

Grid GridOf(FormulaNode* node);

// The numbers a statistic reads from the arguments from the first on: from
// references only numbers (texts, booleans and empty cells are skipped),
// typed values as numbers (booleans as 1 or 0, number texts read). The first
// error met is returned, and nothing else is read.
const Value* CollectNumbers(FormulaFunction& call, size_t first, std::vector<double>& out);

// A criterion of COUNTIF, SUMIF and their kin: "<>x", ">25", "a*", 5.
class Criterion {
 public:
  explicit Criterion(const Value* criterion);
  bool Matches(const Value* v) const;

 private:
  enum Op { kEq, kNe, kLt, kLe, kGt, kGe };
  Op op_ = kEq;
  bool numeric_ = false;
  bool boolean_ = false;
  bool blank_ = false;  // "=" or "<>" with nothing after
  double number_ = 0;
  std::u16string text_;
};

// Wildcard match without regard to case: * any run, ? one character, ~ escapes.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view text);

bool IsErrorValue(const Value* v);
// A number read from a value as other spreadsheets read a typed operand: a
// number, a boolean, or a text that holds a number; false otherwise.
bool NumberFromValue(const Value* v, double& out);

}  // namespace quadrell::fn
