#pragma once
// What the built-in functions share: reading an argument's value, number,
// integer and text, visiting all values of an argument, and making results.
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "formula/FormulaFunction.h"
#include "formula/FormulaRange.h"
#include "value/Matrix.h"
#include "value/Value.h"

namespace quadrell::fn {

// Texts a function builds are at most this long; a longer one is the error "Text Too Long".
constexpr size_t kMaxTextLength = 32767;
// Matrices a function builds hold at most this many values; more is "Matrix Error".
constexpr int64_t kMaxMatrixValues = kMaxRangePositions;

inline double NumberOf(const Value* v) { return v && v->IsNumeric() ? v->Number() : 0.0; }

// Nearest integer, halves to the even neighbour.
inline double RoundHalfEven(double x) {
  double r = std::round(x);
  if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
  return r;
}

// RoundHalfEven as a 64-bit integer; NaN gives 0 and values beyond the range saturate.
inline int64_t ToInteger(double x) {
  if (std::isnan(x)) return 0;
  double r = RoundHalfEven(x);
  if (r >= 9.2233720368547748e18) return std::numeric_limits<int64_t>::max();
  if (r <= -9.2233720368547748e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(r);
}

inline int32_t ClampToInt32(int64_t x) {
  if (x > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (x < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(x);
}

// The value at (0, 0) of the argument; the empty value for an absent one.
inline const Value* ArgValue(FormulaFunction& call, size_t i) {
  FormulaNode* node = call.Argument(i);
  return node ? node->EvaluateValue() : EmptyValue();
}
inline double ArgNumber(FormulaFunction& call, size_t i) { return NumberOf(ArgValue(call, i)); }
inline int64_t ArgInteger(FormulaFunction& call, size_t i) { return ToInteger(ArgNumber(call, i)); }
// Pooled values live for the whole process, so the view stays valid.
inline std::u16string_view ArgText(FormulaFunction& call, size_t i) { return ArgValue(call, i)->Text(); }

// Every value of a node's result, column by column; a range is read from its cells directly.
template <typename F>
void ForEachValue(FormulaNode* node, F&& f) {
  if (!node) return;
  if (node->Kind() == FormulaNodeKind::Range) {
    auto* range = static_cast<FormulaRange*>(node);
    if (const Value* problem = range->Problem()) {
      f(problem);
      return;
    }
    range->Block().ForEachColumnWise(f);
    return;
  }
  std::unique_ptr<Matrix> m = node->Evaluate();
  for (int32_t c = 0; c < m->Columns(); ++c) {
    for (int32_t r = 0; r < m->Rows(); ++r) {
      const Value* v = m->GetAt(c, r);
      f(v ? v : EmptyValue());
    }
  }
}

inline std::unique_ptr<Matrix> NumberResult(double x, FormatId format) { return SingleValue(NewNumber(x, format)); }
inline std::unique_ptr<Matrix> BooleanResult(bool flag) { return SingleValue(BooleanValue(flag)); }
inline std::unique_ptr<Matrix> ErrorResult(std::u16string_view message) { return SingleValue(NewError(message)); }
// A text result, or "Text Too Long" beyond the limit.
inline const Value* TextValue(std::u16string_view text) {
  return text.size() > kMaxTextLength ? NewError(u"Text Too Long") : NewText(text);
}
inline std::unique_ptr<Matrix> TextResult(std::u16string_view text) { return SingleValue(TextValue(text)); }
// A text read again as typed input: it may become a number, date, time or hyperlink.
inline std::unique_ptr<Matrix> ParsedResult(std::u16string_view text) {
  return SingleValue(text.size() > kMaxTextLength ? NewError(u"Text Too Long") : ParseInput(text));
}

}  // namespace quadrell::fn
