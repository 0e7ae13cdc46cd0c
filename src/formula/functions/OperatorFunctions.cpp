// The operators as functions, and the comparisons and powers the grammar
// lacks. Comparisons compare numbers only: texts count as 0.
#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"

namespace quadrell {
namespace {

using namespace fn;

struct Pair {
  const Value* a;
  const Value* b;
};
Pair Both(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  return {a, ArgValue(call, 1)};
}

std::unique_ptr<Matrix> Add(FormulaFunction& call) {
  Pair p = Both(call);
  return NumberResult(NumberOf(p.a) + NumberOf(p.b), p.a->Format());
}

std::unique_ptr<Matrix> Concat(FormulaFunction& call) {
  Pair p = Both(call);
  std::u16string text(p.a->Text());
  text += p.b->Text();
  return TextResult(text);
}

std::unique_ptr<Matrix> Divide(FormulaFunction& call) {
  Pair p = Both(call);
  return NumberResult(NumberOf(p.a) / NumberOf(p.b), p.a->Format());
}

std::unique_ptr<Matrix> Minus(FormulaFunction& call) {
  Pair p = Both(call);
  return NumberResult(NumberOf(p.a) - NumberOf(p.b), p.a->Format());
}

std::unique_ptr<Matrix> Multiply(FormulaFunction& call) {
  Pair p = Both(call);
  return NumberResult(NumberOf(p.a) * NumberOf(p.b), p.a->Format());
}

std::unique_ptr<Matrix> Pow(FormulaFunction& call) {
  Pair p = Both(call);
  return NumberResult(std::pow(NumberOf(p.a), NumberOf(p.b)), p.a->Format());
}

template <typename Compare>
std::unique_ptr<Matrix> Comparison(FormulaFunction& call) {
  Pair p = Both(call);
  return BooleanResult(Compare()(NumberOf(p.a), NumberOf(p.b)));
}

std::unique_ptr<Matrix> UnaryMinus(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  return NumberResult(-NumberOf(a), a->Format());
}

std::unique_ptr<Matrix> UnaryPlus(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  return NumberResult(NumberOf(a), a->Format());
}

std::unique_ptr<Matrix> UnaryPercent(FormulaFunction& call) { return NumberResult(ArgNumber(call, 0) * 0.01, 9); }

const FunctionDefinition kFunctions[] = {
    {u"ADD", u"ADD", "ee", Add},
    {u"CONCAT", u"CONCAT", "ee", Concat},
    {u"DIVIDE", u"DIVIDE", "ee", Divide},
    {u"EQ", u"EQ", "ee", Comparison<std::equal_to<double>>},
    {u"GT", u"GT", "ee", Comparison<std::greater<double>>},
    {u"GTE", u"GTE", "ee", Comparison<std::greater_equal<double>>},
    {u"LT", u"LT", "ee", Comparison<std::less<double>>},
    {u"LTE", u"LTE", "ee", Comparison<std::less_equal<double>>},
    {u"MINUS", u"MINUS", "ee", Minus},
    {u"MULTIPLY", u"MULTIPLY", "ee", Multiply},
    {u"NE", u"NE", "ee", Comparison<std::not_equal_to<double>>},
    {u"POW", u"POW", "ee", Pow},
    {u"UMINUS", u"UMINUS", "e", UnaryMinus},
    {u"UPLUS", u"UPLUS", "e", UnaryPlus},
    {u"UNARY_PERCENT", u"UNARY_PERCENT", "e", UnaryPercent},
};

}  // namespace

std::span<const FunctionDefinition> OperatorFunctions() { return kFunctions; }

}  // namespace quadrell
