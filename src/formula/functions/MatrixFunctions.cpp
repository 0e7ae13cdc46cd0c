// Building and combining matrices; their results spill over the neighbouring cells.
#include <algorithm>
#include <cmath>
#include <vector>

#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"

namespace quadrell {
namespace {

using namespace fn;

// A size of less than 1 gives no matrix: "Matrix Error", as for one too large to hold.
std::unique_ptr<Matrix> MUnit(FormulaFunction& call) {
  int64_t n = ArgInteger(call, 0);
  if (n < 1 || n * n > kMaxMatrixValues) return ErrorResult(u"Matrix Error");
  auto result = std::make_unique<ArrayMatrix>(static_cast<int32_t>(n), static_cast<int32_t>(n));
  for (int32_t r = 0; r < n; ++r) {
    for (int32_t c = 0; c < n; ++c) result->SetAt(c, r, BooleanValue(c == r));
  }
  return result;
}

std::unique_ptr<Matrix> Transpose(FormulaFunction& call) {
  std::unique_ptr<Matrix> a = call.Argument(0)->Evaluate();
  if (a->ValueCount() > kMaxMatrixValues) return ErrorResult(u"Matrix Error");
  auto result = std::make_unique<ArrayMatrix>(a->Rows(), a->Columns());
  for (int32_t c = 0; c < a->Columns(); ++c) {
    for (int32_t r = 0; r < a->Rows(); ++r) result->SetAt(r, c, a->GetAt(c, r));
  }
  return result;
}

// The factors are read once into plain numbers, and a zero of the first
// factor skips its row of the second: products over empty ranges cost what
// reading them costs.
std::unique_ptr<Matrix> MMult(FormulaFunction& call) {
  std::unique_ptr<Matrix> a = call.Argument(0)->Evaluate();
  std::unique_ptr<Matrix> b = call.Argument(1)->Evaluate();
  int64_t wa = a->Columns(), ha = a->Rows(), wb = b->Columns();
  // Products beyond a billion steps are refused like any matrix too large to hold.
  if (wa != b->Rows() || wb * ha > kMaxMatrixValues || wa * ha > kMaxMatrixValues || wa * wb > kMaxMatrixValues ||
      static_cast<double>(wa) * static_cast<double>(wb * ha) > 1e9)
    return ErrorResult(u"Matrix Error");
  std::vector<double> x(static_cast<size_t>(wa * ha)), y(static_cast<size_t>(wa * wb));
  std::vector<FormatId> rowFormat(static_cast<size_t>(ha), 0);
  for (int32_t j = 0; j < ha; ++j) {
    for (int32_t k = 0; k < wa; ++k) {
      const Value* v = a->GetAt(k, j);
      x[static_cast<size_t>(j * wa + k)] = NumberOf(v);
      rowFormat[static_cast<size_t>(j)] = v ? v->Format() : 0;  // the format of the row's last value
    }
  }
  bool allFinite = true;
  for (int32_t k = 0; k < wa; ++k) {
    for (int32_t i = 0; i < wb; ++i) {
      double v = NumberOf(b->GetAt(i, k));
      allFinite = allFinite && std::isfinite(v);
      y[static_cast<size_t>(k * wb + i)] = v;
    }
  }
  auto result = std::make_unique<ArrayMatrix>(static_cast<int32_t>(wb), static_cast<int32_t>(ha));
  std::vector<double> sums(static_cast<size_t>(wb));
  for (int32_t j = 0; j < ha; ++j) {
    std::fill(sums.begin(), sums.end(), 0.0);
    for (int32_t k = 0; k < wa; ++k) {
      double f = x[static_cast<size_t>(j * wa + k)];
      if (f == 0 && allFinite) continue;  // adds nothing (0 times a finite number)
      const double* row = &y[static_cast<size_t>(k * wb)];
      for (int32_t i = 0; i < wb; ++i) sums[static_cast<size_t>(i)] += f * row[i];
    }
    for (int32_t i = 0; i < wb; ++i) result->SetAt(i, j, NewNumber(sums[static_cast<size_t>(i)], rowFormat[static_cast<size_t>(j)]));
  }
  return result;
}

const FunctionDefinition kFunctions[] = {
    {u"MUNIT", u"MEINHEIT", "e", MUnit},
    {u"TRANSPOSE", u"MTRANS", "e", Transpose},
    {u"MMULT", u"MMULT", "rr", MMult},
};

}  // namespace

std::span<const FunctionDefinition> MatrixFunctions() { return kFunctions; }

}  // namespace quadrell
