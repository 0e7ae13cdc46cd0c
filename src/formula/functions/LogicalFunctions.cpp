// Deciding between values. A condition is false exactly when its number field
// is 0, so texts, the empty value and errors are false and NaN is true.
#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"

namespace quadrell {
namespace {

using namespace fn;

bool IsZero(const Value* v) { return NumberOf(v) == 0; }

std::unique_ptr<Matrix> Not(FormulaFunction& call) { return BooleanResult(IsZero(ArgValue(call, 0))); }

std::unique_ptr<Matrix> Or(FormulaFunction& call) {
  bool a = IsZero(ArgValue(call, 0));
  bool b = IsZero(ArgValue(call, 1));
  return BooleanResult(!(a && b));
}

std::unique_ptr<Matrix> And(FormulaFunction& call) {
  bool a = IsZero(ArgValue(call, 0));
  bool b = IsZero(ArgValue(call, 1));
  return BooleanResult(!(a || b));
}

std::unique_ptr<Matrix> True(FormulaFunction&) { return BooleanResult(true); }
std::unique_ptr<Matrix> False(FormulaFunction&) { return BooleanResult(false); }

// Only the branch taken is evaluated, and its matrix is the result as it is.
std::unique_ptr<Matrix> If(FormulaFunction& call) {
  bool condition = !IsZero(ArgValue(call, 0));
  return call.Argument(condition ? 1 : 2)->Evaluate();
}

// Only the top-left value decides whether the first argument is replaced.
std::unique_ptr<Matrix> IfError(FormulaFunction& call) {
  std::unique_ptr<Matrix> a = call.Argument(0)->Evaluate();
  const Value* v = a->GetAt(0, 0);
  if (v && v->Kind() == ValueKind::Error) return call.Argument(1)->Evaluate();
  return a;
}

const FunctionDefinition kFunctions[] = {
    {u"NOT", u"NICHT", "e", Not},
    {u"OR", u"ODER", "ee", Or},
    {u"AND", u"UND", "ee", And},
    {u"TRUE", u"WAHR", "", True},
    {u"IF", u"WENN", "bee", If},
    {u"IFERROR", u"WENNFEHLER", "ee", IfError},
    {u"FALSE", u"FALSCH", "", False},
};

}  // namespace

std::span<const FunctionDefinition> LogicalFunctions() { return kFunctions; }

}  // namespace quadrell
