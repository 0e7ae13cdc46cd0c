// Sums, averages and counts, rounding, roots and random numbers.
#include <numbers>
#include <random>

#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"

namespace quadrell {
namespace {

using namespace fn;

struct Sum {
  double total = 0;
  int64_t count = 0;
  FormatId format = 0;
};

// Every value of every argument, column by column; the format is that of the first value.
Sum SumOf(FormulaFunction& call, size_t first) {
  Sum s;
  for (size_t i = first; i < call.ArgumentCount(); ++i) {
    FormulaNode* node = call.Argument(i);
    // A range of any size is summed over its cells; only a lost one is an error.
    int32_t r1, c1, r2, c2;
    if (node->Kind() == FormulaNodeKind::Range && static_cast<FormulaRange*>(node)->Bounds(r1, c1, r2, c2)) {
      CellBlock::Sum block = static_cast<FormulaRange*>(node)->Block().SumNumbers();
      if (s.count == 0) s.format = block.firstFormat;
      s.count += block.count;
      s.total += block.total;
      continue;
    }
    ForEachValue(node, [&](const Value* v) {
      if (s.count++ == 0) s.format = v->Format();
      s.total += NumberOf(v);
    });
  }
  return s;
}

std::unique_ptr<Matrix> SumFunction(FormulaFunction& call) {
  Sum s = SumOf(call, 0);
  return NumberResult(s.total, s.format);
}

// Texts and empty cells count as values of 0.
std::unique_ptr<Matrix> Average(FormulaFunction& call) {
  Sum s = SumOf(call, 0);
  return NumberResult(s.total / static_cast<double>(s.count), s.format);
}

// The cells the arguments read, whatever they hold; literals add nothing.
std::unique_ptr<Matrix> Count(FormulaFunction& call) {
  int64_t n = 0;
  for (size_t i = 0; i < call.ArgumentCount(); ++i) n += call.Argument(i)->CountCells();
  return NumberResult(static_cast<double>(n), 1);
}

std::unique_ptr<Matrix> CountIf(FormulaFunction& call) {
  const Value* criterion = ArgValue(call, 1);
  int64_t n = 0;
  ForEachValue(call.Argument(0), [&](const Value* v) { n += ValuesEqual(criterion, v) ? 1 : 0; });
  return NumberResult(static_cast<double>(n), 1);
}

std::unique_ptr<Matrix> FactDouble(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  int32_t k = static_cast<int32_t>(ClampToInt32(ToInteger(NumberOf(a))));
  double product = 1;
  for (int64_t f = k; f >= 1 && std::isfinite(product); f -= 2) product *= static_cast<double>(f);
  return NumberResult(product, a->Format());
}

std::mt19937_64& Generator() {
  static std::mt19937_64 generator(std::random_device{}());
  return generator;
}

std::unique_ptr<Matrix> Rand(FormulaFunction&) {
  std::uniform_int_distribution<int64_t> draw(0, 2147483647);
  return NumberResult(static_cast<double>(draw(Generator())) / 2147483647.0, 0);
}

std::unique_ptr<Matrix> RandBetween(FormulaFunction& call) {
  int32_t lo = ClampToInt32(ArgInteger(call, 0));
  const Value* b = ArgValue(call, 1);
  int32_t hi = ClampToInt32(ToInteger(NumberOf(b)));
  if (hi < lo) return NumberResult(hi, b->Format());
  std::uniform_int_distribution<int64_t> draw(lo, hi);
  return NumberResult(static_cast<double>(draw(Generator())), b->Format());
}

std::unique_ptr<Matrix> SqrtPi(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  return NumberResult(std::pow(NumberOf(a) * std::numbers::pi, 0.5), a->Format());
}

std::unique_ptr<Matrix> Sqrt(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  return NumberResult(std::pow(NumberOf(a), 0.5), a->Format());
}

std::unique_ptr<Matrix> Pi(FormulaFunction&) {
  static const Value* pi = NewNumber(std::numbers::pi, 2);
  return SingleValue(pi);
}

// (a / b rounded by the step) × b, in the format of a.
template <double (*Step)(double)>
std::unique_ptr<Matrix> Multiple(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  double b = ArgNumber(call, 1);
  return NumberResult(Step(NumberOf(a) / b) * b, a->Format());
}
double Up(double x) { return std::ceil(x); }
double Down(double x) { return std::floor(x); }

std::unique_ptr<Matrix> Sign(FormulaFunction& call) {
  double a = ArgNumber(call, 0);
  return NumberResult(a > 0 ? 1 : (a < 0 ? -1 : 0), 1);
}

std::unique_ptr<Matrix> Odd(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  double x = NumberOf(a);
  double n = std::ceil(std::fabs(x));
  if (n < 9.0e15) n = static_cast<double>(static_cast<int64_t>(n) | 1);
  double sign = x > 0 ? 1 : (x < 0 ? -1 : 0);
  return NumberResult(n * sign, a->Format());
}

std::unique_ptr<Matrix> Int(FormulaFunction& call) { return NumberResult(RoundHalfEven(ArgNumber(call, 0)), 1); }

const FunctionDefinition kFunctions[] = {
    {u"SUM", u"SUMME", "l", SumFunction},
    {u"FACTDOUBLE", u"ZWEIFAKULTÄT", "e", FactDouble},
    {u"RAND", u"ZUFALLSZAHL", "", Rand},
    {u"RANDBETWEEN", u"ZUFALLSBEREICH", "ee", RandBetween},
    {u"AVG", u"DURCHSCHNITT", "l", Average},
    {u"COUNTIF", u"ZÄHLENWENN", "re", CountIf},
    {u"SQRTPI", u"WURZELPI", "e", SqrtPi},
    {u"SQRT", u"WURZEL", "e", Sqrt},
    {u"PI", u"PI", "", Pi},
    {u"MROUND", u"VRUNDEN", "ee", Multiple<Up>},
    {u"SIGN", u"VORZEICHEN", "e", Sign},
    {u"ODD", u"UNGERADE", "e", Odd},
    {u"FLOOR", u"UNTERGRENZE", "ee", Multiple<Down>},
    {u"CEILING", u"OBERGRENZE", "ee", Multiple<Up>},
    {u"INT", u"GANZZAHL", "e", Int},
    {u"COUNT", u"ANZAHL", "l", Count},
};

}  // namespace

std::span<const FunctionDefinition> MathFunctions() { return kFunctions; }

}  // namespace quadrell
