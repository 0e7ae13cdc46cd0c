// Arithmetic, rounding, statistics and conditional sums as other spreadsheets
// define them: errors in the values read are passed on, references contribute
// their numbers only, criteria such as ">25" select cells.
#include <algorithm>
#include <cmath>

#include "formula/FormulaBinaryOperation.h"
#include "formula/FormulaValue.h"
#include "model/Cell.h"
#include "formula/TextCase.h"
#include "formula/functions/Functions.h"
#include "formula/functions/SpreadsheetSupport.h"

namespace quadrell {
namespace fn {

bool IsErrorValue(const Value* v) { return v && v->Kind() == ValueKind::Error; }

bool NumberFromValue(const Value* v, double& out) {
  if (v->IsNumeric()) {
    out = v->Number();
    return true;
  }
  if (v->Kind() == ValueKind::Empty) {
    out = 0;
    return true;
  }
  if (v->Kind() == ValueKind::Text) {
    const Value* parsed = ParseInput(v->Text());
    if (parsed->IsNumeric() && !parsed->IsBoolean()) {
      out = parsed->Number();
      return true;
    }
  }
  return false;
}

Grid GridOf(FormulaNode* node) {
  Grid g;
  if (!node) return g;
  g.fromReference = node->Kind() == FormulaNodeKind::Range || node->Kind() == FormulaNodeKind::Value;
  if (node->Kind() == FormulaNodeKind::Range) {
    auto* range = static_cast<FormulaRange*>(node);
    if (const Value* problem = range->Problem()) {
      g.columns = g.rows = 1;
      g.values.push_back(problem);
      return g;
    }
    CellBlock block = range->Block();
    g.columns = block.Columns();
    g.rows = block.Rows();
    g.values.reserve(static_cast<size_t>(block.Count()));
    block.ForEachColumnWise([&](const Value* v) { g.values.push_back(v ? v : EmptyValue()); });
    return g;
  }
  std::unique_ptr<Matrix> m = node->Evaluate();
  g.columns = m->Columns();
  g.rows = m->Rows();
  for (int32_t c = 0; c < g.columns; ++c) {
    for (int32_t r = 0; r < g.rows; ++r) {
      const Value* v = m->GetAt(c, r);
      g.values.push_back(v ? v : EmptyValue());
    }
  }
  return g;
}

const Value* CollectNumbers(FormulaFunction& call, size_t first, std::vector<double>& out) {
  for (size_t i = first; i < call.ArgumentCount(); ++i) {
    Grid g = GridOf(call.Argument(i));
    bool typed = !g.fromReference && g.Size() == 1;
    for (const Value* v : g.values) {
      if (IsErrorValue(v)) return v;
      if (v->IsNumeric() && (typed || !v->IsBoolean())) {
        out.push_back(v->Number());
      } else if (typed && v->Kind() == ValueKind::Text) {
        double x;
        if (!NumberFromValue(v, x)) return NewError(kErrorValue);
        out.push_back(x);
      }
    }
  }
  return nullptr;
}

Criterion::Criterion(const Value* criterion) {
  if (criterion->IsNumeric()) {
    numeric_ = true;
    boolean_ = criterion->IsBoolean();
    number_ = criterion->Number();
    return;
  }
  std::u16string_view t = criterion->Text();
  struct Prefix {
    std::u16string_view text;
    Op op;
  };
  for (Prefix p : {Prefix{u"<=", kLe}, Prefix{u">=", kGe}, Prefix{u"<>", kNe}, Prefix{u"<", kLt}, Prefix{u">", kGt},
                   Prefix{u"=", kEq}}) {
    if (t.substr(0, p.text.size()) == p.text) {
      op_ = p.op;
      t = t.substr(p.text.size());
      break;
    }
  }
  if (t.empty()) {
    blank_ = true;
    return;
  }
  const Value* parsed = ParseInput(t);
  if (parsed->IsNumeric()) {
    numeric_ = true;
    boolean_ = parsed->IsBoolean();
    number_ = parsed->Number();
    return;
  }
  std::u16string upper = UpperCase(t);
  if (upper == u"TRUE" || upper == u"FALSE") {
    numeric_ = boolean_ = true;
    number_ = upper == u"TRUE" ? 1 : 0;
    return;
  }
  text_.assign(t);
}

bool Criterion::Matches(const Value* v) const {
  bool isBlank = v->Kind() == ValueKind::Empty || (v->Kind() == ValueKind::Text && v->Text().empty());
  if (blank_) return op_ == kNe ? !isBlank : (op_ == kEq ? isBlank : false);
  int c = 0;
  if (numeric_) {
    bool comparable = v->IsNumeric() && v->IsBoolean() == boolean_;
    double x = 0;
    if (!comparable && !boolean_ && v->Kind() == ValueKind::Text && (op_ == kEq || op_ == kNe)) {
      // "5" in a cell equals the criterion 5.
      const Value* parsed = ParseInput(v->Text());
      comparable = parsed->IsNumeric() && !parsed->IsBoolean();
      x = parsed->Number();
    } else {
      x = v->Number();
    }
    if (!comparable) return op_ == kNe;
    c = CompareValues(NewNumber(x), NewNumber(number_));
  } else {
    if (v->Kind() != ValueKind::Text && v->Kind() != ValueKind::Hyperlink) return op_ == kNe;
    if (op_ == kEq || op_ == kNe) {
      bool m = WildcardMatch(text_, v->Text());
      return op_ == kEq ? m : !m;
    }
    c = CompareValues(NewText(v->Text()), NewText(text_));
  }
  switch (op_) {
    case kEq: return c == 0;
    case kNe: return c != 0;
    case kLt: return c < 0;
    case kLe: return c <= 0;
    case kGt: return c > 0;
    default: return c >= 0;
  }
}

bool WildcardMatch(std::u16string_view pattern, std::u16string_view text) {
  // Iterative match with one backtrack point for the last *.
  size_t p = 0, t = 0, starP = std::u16string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      char16_t pc = pattern[p];
      bool escaped = pc == u'~' && p + 1 < pattern.size() && (pattern[p + 1] == u'*' || pattern[p + 1] == u'?' ||
                                                                pattern[p + 1] == u'~');
      if (escaped) pc = pattern[p + 1];
      if ((!escaped && pc == u'?') || LowerCaseOf(pc) == LowerCaseOf(text[t])) {
        p += escaped ? 2 : 1;
        ++t;
        continue;
      }
    }
    if (starP == std::u16string_view::npos) return false;
    p = starP + 1;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace fn

namespace {

using namespace fn;

std::unique_ptr<Matrix> Error(std::u16string_view e) { return ErrorResult(e); }

// A number argument as other programs read it; an error or a text without a
// number makes the result that error.
bool NumberArg(FormulaFunction& call, size_t i, double& x, const Value*& error) {
  const Value* v = ArgValue(call, i);
  if (IsErrorValue(v)) {
    error = v;
    return false;
  }
  if (!NumberFromValue(v, x)) {
    error = NewError(kErrorValue);
    return false;
  }
  return true;
}

#define NUMBER_ARG(name, index)                           \
  double name = 0;                                        \
  {                                                       \
    const Value* error_ = nullptr;                        \
    if (!NumberArg(call, index, name, error_)) return SingleValue(error_); \
  }

std::unique_ptr<Matrix> Numbers(FormulaFunction& call, std::vector<double>& xs) {
  if (const Value* e = CollectNumbers(call, 0, xs)) return SingleValue(e);
  return nullptr;
}

std::unique_ptr<Matrix> Average(FormulaFunction& call) {
  std::vector<double> xs;
  if (auto e = Numbers(call, xs)) return e;
  if (xs.empty()) return Error(kErrorDiv0);
  double s = 0;
  for (double x : xs) s += x;
  return NumberResult(s / static_cast<double>(xs.size()), kFormatGeneral);
}

std::unique_ptr<Matrix> Min(FormulaFunction& call) {
  std::vector<double> xs;
  if (auto e = Numbers(call, xs)) return e;
  return NumberResult(xs.empty() ? 0 : *std::min_element(xs.begin(), xs.end()), kFormatGeneral);
}

std::unique_ptr<Matrix> Max(FormulaFunction& call) {
  std::vector<double> xs;
  if (auto e = Numbers(call, xs)) return e;
  return NumberResult(xs.empty() ? 0 : *std::max_element(xs.begin(), xs.end()), kFormatGeneral);
}

std::unique_ptr<Matrix> Median(FormulaFunction& call) {
  std::vector<double> xs;
  if (auto e = Numbers(call, xs)) return e;
  if (xs.empty()) return Error(kErrorNum);
  std::sort(xs.begin(), xs.end());
  size_t n = xs.size();
  return NumberResult(n % 2 ? xs[n / 2] : (xs[n / 2 - 1] + xs[n / 2]) / 2, kFormatGeneral);
}

std::unique_ptr<Matrix> Product(FormulaFunction& call) {
  std::vector<double> xs;
  if (auto e = Numbers(call, xs)) return e;
  double p = xs.empty() ? 0 : 1;
  for (double x : xs) p *= x;
  return NumberResult(p, kFormatGeneral);
}

double SampleVariance(const std::vector<double>& xs) {
  double mean = 0;
  for (double x : xs) mean += x;
  mean /= static_cast<double>(xs.size());
  double s = 0;
  for (double x : xs) s += (x - mean) * (x - mean);
  return s / static_cast<double>(xs.size() - 1);
}

std::unique_ptr<Matrix> Stdev(FormulaFunction& call) {
  std::vector<double> xs;
  if (auto e = Numbers(call, xs)) return e;
  if (xs.size() < 2) return Error(kErrorDiv0);
  return NumberResult(std::sqrt(SampleVariance(xs)), kFormatGeneral);
}

std::unique_ptr<Matrix> Var(FormulaFunction& call) {
  std::vector<double> xs;
  if (auto e = Numbers(call, xs)) return e;
  if (xs.size() < 2) return Error(kErrorDiv0);
  return NumberResult(SampleVariance(xs), kFormatGeneral);
}

// The k-th largest or smallest number of the first argument.
std::unique_ptr<Matrix> Kth(FormulaFunction& call, bool largest) {
  std::vector<double> xs;
  Grid g = GridOf(call.Argument(0));
  for (const Value* v : g.values) {
    if (IsErrorValue(v)) return SingleValue(v);
    if (v->IsNumeric() && !v->IsBoolean()) xs.push_back(v->Number());
  }
  NUMBER_ARG(k, 1);
  double kk = std::ceil(k);
  if (xs.empty() || kk < 1 || kk > static_cast<double>(xs.size())) return Error(kErrorNum);
  std::sort(xs.begin(), xs.end());
  size_t i = static_cast<size_t>(kk) - 1;
  return NumberResult(largest ? xs[xs.size() - 1 - i] : xs[i], kFormatGeneral);
}

std::unique_ptr<Matrix> Large(FormulaFunction& call) { return Kth(call, true); }
std::unique_ptr<Matrix> Small(FormulaFunction& call) { return Kth(call, false); }

std::unique_ptr<Matrix> Rank(FormulaFunction& call) {
  NUMBER_ARG(x, 0);
  Grid g = GridOf(call.Argument(1));
  double ascending = 0;
  if (call.Argument(2)) {
    NUMBER_ARG(order, 2);
    ascending = order;
  }
  int64_t rank = 1;
  bool found = false;
  for (const Value* v : g.values) {
    if (IsErrorValue(v)) return SingleValue(v);
    if (!v->IsNumeric() || v->IsBoolean()) continue;
    double y = v->Number();
    if (y == x) found = true;
    if (ascending != 0 ? y < x : y > x) ++rank;
  }
  if (!found) return Error(kErrorNA);
  return NumberResult(static_cast<double>(rank), kFormatGeneral);
}

// Other spreadsheets round the decimal they show: 2.675 to two places gives
// 2.68 although its binary value lies below.
double Scaled(double x, double digits, double& factor) {
  factor = std::pow(10.0, std::trunc(digits));
  double y = x * factor;
  double r = std::round(y * 1e9) / 1e9;  // remove representation noise
  return std::fabs(r - y) < 1e-9 * std::max(1.0, std::fabs(y)) ? r : y;
}

std::unique_ptr<Matrix> RoundWith(FormulaFunction& call, double (*how)(double)) {
  NUMBER_ARG(x, 0);
  double digits = 0;
  if (call.Argument(1)) {
    NUMBER_ARG(d, 1);
    digits = d;
  }
  double factor;
  double y = Scaled(x, digits, factor);
  double r = how(y) / factor;
  return NumberResult(r, kFormatGeneral);
}

double HalfAway(double y) { return std::round(y); }
double Away(double y) { return y < 0 ? -std::ceil(-y) : std::ceil(y); }
double Toward(double y) { return std::trunc(y); }

std::unique_ptr<Matrix> Round(FormulaFunction& call) { return RoundWith(call, HalfAway); }
std::unique_ptr<Matrix> RoundUp(FormulaFunction& call) { return RoundWith(call, Away); }
std::unique_ptr<Matrix> RoundDown(FormulaFunction& call) { return RoundWith(call, Toward); }

std::unique_ptr<Matrix> Abs(FormulaFunction& call) {
  NUMBER_ARG(x, 0);
  return NumberResult(std::fabs(x), kFormatGeneral);
}

std::unique_ptr<Matrix> Mod(FormulaFunction& call) {
  NUMBER_ARG(a, 0);
  NUMBER_ARG(b, 1);
  if (b == 0) return Error(kErrorDiv0);
  double r = a - b * std::floor(a / b);
  return NumberResult(r, kFormatGeneral);
}

std::unique_ptr<Matrix> Power(FormulaFunction& call) {
  NUMBER_ARG(a, 0);
  NUMBER_ARG(b, 1);
  if (a == 0 && b < 0) return Error(kErrorDiv0);
  double r = std::pow(a, b);
  if (!std::isfinite(r)) return Error(kErrorNum);
  return NumberResult(r, kFormatGeneral);
}

std::unique_ptr<Matrix> Exp(FormulaFunction& call) {
  NUMBER_ARG(a, 0);
  return NumberResult(std::exp(a), kFormatGeneral);
}

std::unique_ptr<Matrix> Ln(FormulaFunction& call) {
  NUMBER_ARG(a, 0);
  if (a <= 0) return Error(kErrorNum);
  return NumberResult(std::log(a), kFormatGeneral);
}

std::unique_ptr<Matrix> Log(FormulaFunction& call) {
  NUMBER_ARG(a, 0);
  double base = 10;
  if (call.Argument(1)) {
    NUMBER_ARG(b, 1);
    base = b;
  }
  if (a <= 0 || base <= 0) return Error(kErrorNum);
  if (base == 1) return Error(kErrorDiv0);
  return NumberResult(base == 10 ? std::log10(a) : std::log(a) / std::log(base), kFormatGeneral);
}

std::unique_ptr<Matrix> Log10(FormulaFunction& call) {
  NUMBER_ARG(a, 0);
  if (a <= 0) return Error(kErrorNum);
  return NumberResult(std::log10(a), kFormatGeneral);
}

std::unique_ptr<Matrix> SumProduct(FormulaFunction& call) {
  std::vector<Grid> grids;
  for (size_t i = 0; i < call.ArgumentCount(); ++i) grids.push_back(GridOf(call.Argument(i)));
  for (const Grid& g : grids) {
    if (g.columns != grids[0].columns || g.rows != grids[0].rows) return Error(kErrorValue);
  }
  double total = 0;
  for (size_t k = 0; k < grids[0].Size(); ++k) {
    double p = 1;
    for (const Grid& g : grids) {
      const Value* v = g.values[k];
      if (IsErrorValue(v)) return SingleValue(v);
      p *= v->IsNumeric() && !v->IsBoolean() ? v->Number() : 0;
    }
    total += p;
  }
  return NumberResult(total, kFormatGeneral);
}

// Positions of the first grid where every (range, criterion) pair from
// argument `from` on matches; the ranges must all have the first one's size.
bool MatchAll(FormulaFunction& call, size_t from, const Grid& shape, std::vector<uint8_t>& hits) {
  hits.assign(shape.Size(), 1);
  for (size_t i = from; i + 1 < call.ArgumentCount() + 1 && i < call.ArgumentCount(); i += 2) {
    Grid g = GridOf(call.Argument(i));
    if (g.columns != shape.columns || g.rows != shape.rows) return false;
    Criterion criterion(ArgValue(call, i + 1));
    for (size_t k = 0; k < g.Size(); ++k) {
      if (hits[k] && !criterion.Matches(g.values[k])) hits[k] = 0;
    }
  }
  return true;
}

std::unique_ptr<Matrix> CountIfs(FormulaFunction& call) {
  if (call.ArgumentCount() % 2 != 0) return Error(kErrorValue);
  Grid shape = GridOf(call.Argument(0));
  std::vector<uint8_t> hits;
  if (!MatchAll(call, 0, shape, hits)) return Error(kErrorValue);
  int64_t n = 0;
  for (uint8_t h : hits) n += h;
  return NumberResult(static_cast<double>(n), kFormatGeneral);
}

// Sums or averages the numbers of `values` at the positions that match.
std::unique_ptr<Matrix> Conditional(const Grid& values, const std::vector<uint8_t>& hits, bool average) {
  double total = 0;
  int64_t n = 0;
  for (size_t k = 0; k < hits.size() && k < values.Size(); ++k) {
    if (!hits[k]) continue;
    const Value* v = values.values[k];
    if (IsErrorValue(v)) return SingleValue(v);
    if (v->IsNumeric() && !v->IsBoolean()) {
      total += v->Number();
      ++n;
    }
  }
  if (average) {
    if (n == 0) return ErrorResult(kErrorDiv0);
    return NumberResult(total / static_cast<double>(n), kFormatGeneral);
  }
  return NumberResult(total, kFormatGeneral);
}

// SUMIF(range; criterion; [sum range]) and AVERAGEIF alike: the sum range
// takes the criterion range's size from its first cell.
std::unique_ptr<Matrix> SingleCondition(FormulaFunction& call, bool average) {
  Grid range = GridOf(call.Argument(0));
  Criterion criterion(ArgValue(call, 1));
  std::vector<uint8_t> hits(range.Size());
  for (size_t k = 0; k < range.Size(); ++k) hits[k] = criterion.Matches(range.values[k]) ? 1 : 0;
  if (!call.Argument(2)) return Conditional(range, hits, average);
  Grid values;
  FormulaNode* target = call.Argument(2);
  if (target->Kind() == FormulaNodeKind::Range || target->Kind() == FormulaNodeKind::Value) {
    // Other programs read the sum range from its first cell at the criterion range's size.
    {
      int32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
      Sheet* sheet = nullptr;
      if (target->Kind() == FormulaNodeKind::Range) {
        auto* fr = static_cast<FormulaRange*>(target);
        if (!fr->Bounds(r1, c1, r2, c2)) return ErrorResult(kErrorRef);
        sheet = fr->GetSheet();
      } else {
        auto* fv = static_cast<FormulaValue*>(target);
        if (!fv->GetCell()) return ErrorResult(kErrorRef);
        r1 = fv->GetCell()->GetRowIndex();
        c1 = fv->GetCell()->GetColumnIndex();
        sheet = fv->GetSheet();
      }
      CellBlock block(sheet, r1, c1, r1 + range.rows - 1, c1 + range.columns - 1);
      values.columns = block.Columns();
      values.rows = block.Rows();
      block.ForEachColumnWise([&](const Value* v) { values.values.push_back(v ? v : EmptyValue()); });
    }
  } else {
    values = GridOf(target);
  }
  return Conditional(values, hits, average);
}

std::unique_ptr<Matrix> SumIf(FormulaFunction& call) { return SingleCondition(call, false); }
std::unique_ptr<Matrix> AverageIf(FormulaFunction& call) { return SingleCondition(call, true); }

std::unique_ptr<Matrix> MultiCondition(FormulaFunction& call, bool average) {
  if (call.ArgumentCount() % 2 != 1) return Error(kErrorValue);
  Grid values = GridOf(call.Argument(0));
  std::vector<uint8_t> hits;
  if (!MatchAll(call, 1, values, hits)) return Error(kErrorValue);
  return Conditional(values, hits, average);
}

std::unique_ptr<Matrix> SumIfs(FormulaFunction& call) { return MultiCondition(call, false); }
std::unique_ptr<Matrix> AverageIfs(FormulaFunction& call) { return MultiCondition(call, true); }

std::unique_ptr<Matrix> CountA(FormulaFunction& call) {
  int64_t n = 0;
  for (size_t i = 0; i < call.ArgumentCount(); ++i) {
    Grid g = GridOf(call.Argument(i));
    for (const Value* v : g.values) n += v->Kind() != ValueKind::Empty ? 1 : 0;
  }
  return NumberResult(static_cast<double>(n), kFormatGeneral);
}

std::unique_ptr<Matrix> CountBlank(FormulaFunction& call) {
  Grid g = GridOf(call.Argument(0));
  int64_t n = 0;
  for (const Value* v : g.values) {
    n += v->Kind() == ValueKind::Empty || (v->Kind() == ValueKind::Text && v->Text().empty()) ? 1 : 0;
  }
  return NumberResult(static_cast<double>(n), kFormatGeneral);
}

// COUNT of files: the numbers among the values (typed booleans and number texts too).
std::unique_ptr<Matrix> CountNumbers(FormulaFunction& call) {
  int64_t n = 0;
  for (size_t i = 0; i < call.ArgumentCount(); ++i) {
    Grid g = GridOf(call.Argument(i));
    bool typed = !g.fromReference && g.Size() == 1;
    for (const Value* v : g.values) {
      double x;
      if (v->IsNumeric() && (typed || !v->IsBoolean())) {
        ++n;
      } else if (typed && v->Kind() == ValueKind::Text && NumberFromValue(v, x)) {
        ++n;
      }
    }
  }
  return NumberResult(static_cast<double>(n), kFormatGeneral);
}

// AND and OR of files: any number of conditions; references give their
// numbers and booleans, texts and empty cells are skipped; none at all is an error.
std::unique_ptr<Matrix> Logical(FormulaFunction& call, bool all) {
  bool any = false;
  bool result = all;
  for (size_t i = 0; i < call.ArgumentCount(); ++i) {
    Grid g = GridOf(call.Argument(i));
    bool typed = !g.fromReference && g.Size() == 1;
    for (const Value* v : g.values) {
      if (IsErrorValue(v)) return SingleValue(v);
      bool flag;
      if (v->IsNumeric()) {
        flag = v->Number() != 0;
      } else if (typed && v->Kind() == ValueKind::Text) {
        std::u16string upper = UpperCase(v->Text());
        if (upper != u"TRUE" && upper != u"FALSE") return Error(kErrorValue);
        flag = upper == u"TRUE";
      } else {
        continue;
      }
      any = true;
      result = all ? (result && flag) : (result || flag);
    }
  }
  if (!any) return Error(kErrorValue);
  return BooleanResult(result);
}

std::unique_ptr<Matrix> AndAll(FormulaFunction& call) { return Logical(call, true); }
std::unique_ptr<Matrix> OrAny(FormulaFunction& call) { return Logical(call, false); }

// N: the number of a value; texts give 0, errors pass.
std::unique_ptr<Matrix> NumberOfValue(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  if (IsErrorValue(v)) return SingleValue(v);
  return NumberResult(v->IsNumeric() ? v->Number() : 0, kFormatGeneral);
}

const FunctionDefinition kStatistics[] = {
    {u"AVERAGE", u"MITTELWERT", "l", Average},
    {u"MIN", u"MIN", "l", Min},
    {u"MAX", u"MAX", "l", Max},
    {u"MEDIAN", u"MEDIAN", "l", Median},
    {u"ROUND", u"RUNDEN", "eo", Round},
    {u"ROUNDUP", u"AUFRUNDEN", "eo", RoundUp},
    {u"ROUNDDOWN", u"ABRUNDEN", "eo", RoundDown},
    {u"TRUNC", u"KÜRZEN", "eo", RoundDown},
    {u"ABS", u"ABS", "e", Abs},
    {u"MOD", u"REST", "ee", Mod},
    {u"POWER", u"POTENZ", "ee", Power},
    {u"PRODUCT", u"PRODUKT", "l", Product},
    {u"SUMPRODUCT", u"SUMMENPRODUKT", "l", SumProduct},
    {u"SUMIF", u"SUMMEWENN", "reo", SumIf},
    {u"SUMIFS", u"SUMMEWENNS", "rl", SumIfs},
    {u"COUNTA", u"ANZAHL2", "l", CountA},
    {u"COUNTBLANK", u"ANZAHLLEEREZELLEN", "r", CountBlank},
    {u"COUNTIFS", u"ZÄHLENWENNS", "rl", CountIfs},
    {u"AVERAGEIF", u"MITTELWERTWENN", "reo", AverageIf},
    {u"AVERAGEIFS", u"MITTELWERTWENNS", "rl", AverageIfs},
    {u"LARGE", u"KGRÖSSTE", "re", Large},
    {u"SMALL", u"KKLEINSTE", "re", Small},
    {u"RANK", u"RANG", "ero", Rank},
    {u"STDEV", u"STABW", "l", Stdev},
    {u"VAR", u"VARIANZ", "l", Var},
    {u"EXP", u"EXP", "e", Exp},
    {u"LN", u"LN", "e", Ln},
    {u"LOG", u"LOG", "eo", Log},
    {u"LOG10", u"LOG10", "e", Log10},
    {u"N", u"N", "e", NumberOfValue},
    {u"COUNT.X", u"ANZAHL.X", "l", CountNumbers},
    {u"AND.X", u"UND.X", "l", AndAll},
    {u"OR.X", u"ODER.X", "l", OrAny},
};

}  // namespace

std::span<const FunctionDefinition> StatisticsFunctions() { return kStatistics; }

}  // namespace quadrell
