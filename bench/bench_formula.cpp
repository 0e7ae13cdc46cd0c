// Formula building and recalculation: a long chain, many formulas over one
// range (fan-in), a lattice whose naive depth-first recalculation would be
// exponential, and compiling a typical formula.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "formula/Formula.h"
#include "model/Cell.h"
#include "model/Host.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "value/Unicode.h"

using namespace quadrell;

namespace {

class BenchHost final : public Host {
 public:
  std::u16string_view FormulaLanguage() const override { return u"en"; }
  void UpdateCellInViews(int32_t, int32_t) override { ++repaints; }
  void AddAction(std::unique_ptr<Action>&&) override {}
  void Refresh() override {}
  int64_t repaints = 0;
};

std::u16string Number(int64_t n) { return AsciiToUtf16(std::to_string(n)); }

struct Book {
  BenchHost host;
  Workbook workbook{u"bench", &host};
  Sheet* sheet = workbook.GetActiveSheet();
};

std::vector<std::u16string> ChainTexts(int rows) {
  std::vector<std::u16string> texts;
  texts.reserve(static_cast<size_t>(rows));
  for (int r = 2; r <= rows; ++r) texts.push_back(u"=A" + Number(r - 1) + u"+1");
  return texts;
}

void BuildChain(Book& book, const std::vector<std::u16string>& texts) {
  book.sheet->GetCellDirect(1, 0)->SetInput(u"1");
  for (size_t i = 0; i < texts.size(); ++i) book.sheet->GetCellDirect(static_cast<int32_t>(i) + 2, 0)->SetInput(texts[i]);
}

// A1 = 1, A2..An = A(n-1)+1, typed in order.
void BM_ChainBuild(benchmark::State& state) {
  int rows = static_cast<int>(state.range(0));
  std::vector<std::u16string> texts = ChainTexts(rows);
  for (auto _ : state) {
    state.PauseTiming();
    auto book = std::make_unique<Book>();
    state.ResumeTiming();
    BuildChain(*book, texts);
    state.PauseTiming();
    if (book->sheet->GetCellText(rows, 0) != Number(rows)) state.SkipWithError("wrong chain value");
    book.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ChainBuild)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Typing into A1 updates every cell of the chain.
void BM_ChainRecalculate(benchmark::State& state) {
  int rows = static_cast<int>(state.range(0));
  Book book;
  BuildChain(book, ChainTexts(rows));
  int64_t top = 5;
  for (auto _ : state) {
    book.sheet->GetCellDirect(1, 0)->SetInput(Number(top));
    state.PauseTiming();
    if (book.sheet->GetCellText(rows, 0) != Number(top + rows - 1)) state.SkipWithError("stale chain value");
    top = top == 5 ? 6 : 5;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ChainRecalculate)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// A1:A1000 numbers; B1:B10000 each =SUM(A1:A1000).
void BuildFanIn(Book& book) {
  for (int r = 1; r <= 1000; ++r) book.sheet->GetCellDirect(r, 0)->SetInput(Number(r));
  for (int r = 1; r <= 10000; ++r) book.sheet->GetCellDirect(r, 1)->SetInput(u"=SUM(A1:A1000)");
}

void BM_FanInBuild(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto book = std::make_unique<Book>();
    state.ResumeTiming();
    BuildFanIn(*book);
    state.PauseTiming();
    if (book->sheet->GetCellText(10000, 1) != u"500500") state.SkipWithError("wrong sum");
    book.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FanInBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FanInRecalculate(benchmark::State& state) {
  Book book;
  BuildFanIn(book);
  int64_t top = 1001;
  for (auto _ : state) {
    book.sheet->GetCellDirect(1, 0)->SetInput(Number(top));
    state.PauseTiming();
    if (book.sheet->GetCellText(10000, 1) != Number(500500 - 1 + top)) state.SkipWithError("stale sum");
    top = top == 1001 ? 1002 : 1001;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FanInRecalculate)->Unit(benchmark::kMillisecond)->Iterations(10);

// 40 rows where B(n) = B(n-1)+C(n-1) and C(n) = B(n-1)+C(n-1).
void BM_LatticeRecalculate(benchmark::State& state) {
  Book book;
  book.sheet->GetCellDirect(1, 1)->SetInput(u"1");
  book.sheet->GetCellDirect(1, 2)->SetInput(u"1");
  for (int r = 2; r <= 40; ++r) {
    std::u16string f = u"=B" + Number(r - 1) + u"+C" + Number(r - 1);
    book.sheet->GetCellDirect(r, 1)->SetInput(f);
    book.sheet->GetCellDirect(r, 2)->SetInput(f);
  }
  int64_t top = 2;
  for (auto _ : state) {
    book.sheet->GetCellDirect(1, 1)->SetInput(Number(top));
    top = top == 2 ? 3 : 2;
  }
}
BENCHMARK(BM_LatticeRecalculate)->Unit(benchmark::kMicrosecond);

void BM_CompileFormula(benchmark::State& state) {
  Book book;
  bool german = state.range(0) == 1;
  const char16_t* text = german ? u"=SUMME(A1:B20;3)*C7-1" : u"=SUM(A1:B20,3)*C7-1";
  for (auto _ : state) {
    std::unique_ptr<Formula> f = CompileFormula(text, book.sheet, german ? u"de" : u"en");
    benchmark::DoNotOptimize(f->GetRoot());
  }
}
BENCHMARK(BM_CompileFormula)->Arg(1)->Arg(0)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
