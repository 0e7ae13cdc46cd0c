// Complex numbers written as text, such as 3+4i: arguments are read from
// their text, results are texts that the next function can read again.
#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"

namespace quadrell {
namespace {

using namespace fn;

Complex ArgComplex(FormulaFunction& call, size_t i) { return ParseComplex(ArgText(call, i)); }
std::unique_ptr<Matrix> ComplexResult(double re, double im) { return SingleValue(NewText(FormatComplex(re, im))); }

std::unique_ptr<Matrix> ComplexFunction(FormulaFunction& call) {
  double re = ArgNumber(call, 0);
  return ComplexResult(re, ArgNumber(call, 1));
}

std::unique_ptr<Matrix> ImProduct(FormulaFunction& call) {
  Complex a = ArgComplex(call, 0);
  Complex b = ArgComplex(call, 1);
  return ComplexResult(a.real * b.real - a.imaginary * b.imaginary, a.imaginary * b.real + a.real * b.imaginary);
}

std::unique_ptr<Matrix> ImDiv(FormulaFunction& call) {
  Complex a = ArgComplex(call, 0);
  Complex b = ArgComplex(call, 1);
  double d = b.imaginary * b.imaginary + b.real * b.real;
  if (d == 0) return ErrorResult(u"Div by zero");
  return ComplexResult((a.imaginary * b.imaginary + a.real * b.real) / d,
                       (a.imaginary * b.real - a.real * b.imaginary) / d);
}

std::unique_ptr<Matrix> ImSub(FormulaFunction& call) {
  Complex a = ArgComplex(call, 0);
  Complex b = ArgComplex(call, 1);
  return ComplexResult(a.real - b.real, a.imaginary - b.imaginary);
}

std::unique_ptr<Matrix> ImSum(FormulaFunction& call) {
  double re = 0, im = 0;
  for (size_t i = 0; i < call.ArgumentCount(); ++i) {
    ForEachValue(call.Argument(i), [&](const Value* v) {
      Complex z = ParseComplex(v->Text());
      re += z.real;
      im += z.imaginary;
    });
  }
  return ComplexResult(re, im);
}

std::unique_ptr<Matrix> ImConjugate(FormulaFunction& call) {
  Complex a = ArgComplex(call, 0);
  return ComplexResult(a.real, -a.imaginary);
}

std::unique_ptr<Matrix> ImAginary(FormulaFunction& call) { return NumberResult(ArgComplex(call, 0).imaginary, 1); }
std::unique_ptr<Matrix> ImReal(FormulaFunction& call) { return NumberResult(ArgComplex(call, 0).real, 1); }

std::unique_ptr<Matrix> ImAbs(FormulaFunction& call) {
  Complex a = ArgComplex(call, 0);
  return NumberResult(std::pow(a.real * a.real + a.imaginary * a.imaginary, 0.5), 0);
}

const FunctionDefinition kFunctions[] = {
    {u"COMPLEX", u"KOMPLEXE", "ee", ComplexFunction},
    {u"IMPRODUCT", u"IMPRODUKT", "ee", ImProduct},
    {u"IMDIV", u"IMDIV", "ee", ImDiv},
    {u"IMSUB", u"IMSUB", "ee", ImSub},
    {u"IMSUM", u"IMSUMME", "l", ImSum},
    {u"IMCONJUGATE", u"IMKONJUGIERTE", "e", ImConjugate},
    {u"IMAGINARY", u"IMAGINÄRTEIL", "e", ImAginary},
    {u"IMREAL", u"IMREALTEIL", "e", ImReal},
    {u"IMABS", u"IMABS", "e", ImAbs},
};

}  // namespace

std::span<const FunctionDefinition> ComplexFunctions() { return kFunctions; }

}  // namespace quadrell
