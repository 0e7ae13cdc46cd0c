// The geometry of references (COLUMNS, ROWS, COLUMN, ROW), fetching cells by
// position or key (INDEX, VLOOKUP, HLOOKUP, INDIRECT), and rearranging a
// vector (SORT, UNIQUE). Cells are read without being created.
#include <algorithm>
#include <unordered_set>

#include "formula/FormulaValue.h"
#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"
#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"

namespace quadrell {
namespace {

using namespace fn;

// A reference function given no reference, and a lookup without a match.
constexpr std::u16string_view kNotAReference = u"Ref";
constexpr std::u16string_view kNotFound = u"Not Found";

// The rectangle covered by the cells a node reads.
struct Extent {
  bool any = false;
  int64_t firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
  int64_t cornerRow = 0, cornerColumn = 0;  // the first cell, row by row
};

class ExtentVisitor final : public ReferenceVisitor {
 public:
  void OnCell(Cell* cell) override { Take(cell->GetRowIndex(), cell->GetColumnIndex(), cell->GetRowIndex(), cell->GetColumnIndex()); }
  void OnRange(FormulaRange& range) override {
    int32_t r1, c1, r2, c2;
    if (range.Bounds(r1, c1, r2, c2)) Take(r1, c1, r2, c2);
  }
  Extent extent;

 private:
  void Take(int64_t r1, int64_t c1, int64_t r2, int64_t c2) {
    if (!extent.any) {
      extent = {true, r1, c1, r2, c2, r1, c1};
      return;
    }
    extent.firstRow = std::min(extent.firstRow, r1);
    extent.firstColumn = std::min(extent.firstColumn, c1);
    extent.lastRow = std::max(extent.lastRow, r2);
    extent.lastColumn = std::max(extent.lastColumn, c2);
  }
};

Extent ExtentOf(FormulaNode* node) {
  ExtentVisitor visitor;
  if (node) node->VisitReferences(visitor);
  return visitor.extent;
}

std::unique_ptr<Matrix> Columns(FormulaFunction& call) {
  Extent e = ExtentOf(call.Argument(0));
  if (!e.any) return ErrorResult(kNotAReference);
  return NumberResult(static_cast<double>(e.lastColumn - e.firstColumn + 1), 1);
}

std::unique_ptr<Matrix> Rows(FormulaFunction& call) {
  Extent e = ExtentOf(call.Argument(0));
  if (!e.any) return ErrorResult(kNotAReference);
  return NumberResult(static_cast<double>(e.lastRow - e.firstRow + 1), 1);
}

std::unique_ptr<Matrix> Column(FormulaFunction& call) {
  Extent e = ExtentOf(call.Argument(0));
  if (!e.any) return ErrorResult(kNotAReference);
  return NumberResult(static_cast<double>(e.cornerColumn), 1);
}

std::unique_ptr<Matrix> Row(FormulaFunction& call) {
  Extent e = ExtentOf(call.Argument(0));
  if (!e.any) return ErrorResult(kNotAReference);
  return NumberResult(static_cast<double>(e.cornerRow), 1);
}

std::unique_ptr<Matrix> Indirect(FormulaFunction& call) { return call.Argument(0)->Evaluate(); }

// The value stored at a position given as numbers; nothing is created.
const Value* ValueAtPosition(Sheet* sheet, double row, double column) {
  double r = RoundHalfEven(row);
  double c = RoundHalfEven(column);
  if (!(r >= INT32_MIN && r <= INT32_MAX && c >= INT32_MIN && c <= INT32_MAX)) return EmptyValue();
  quadrell::Row* stored = sheet->FindRow(static_cast<int32_t>(r));
  Cell* cell = stored ? stored->FindCell(static_cast<int32_t>(c)) : nullptr;
  return cell ? cell->GetValue() : EmptyValue();
}

// The position is counted from the first cell of the reference, and not checked against it.
std::unique_ptr<Matrix> Index(FormulaFunction& call) {
  Extent e = ExtentOf(call.Argument(0));
  if (!e.any) return ErrorResult(kNotAReference);
  double row = ArgNumber(call, 1);
  double column = ArgNumber(call, 2);
  return SingleValue(ValueAtPosition(call.GetSheet(), static_cast<double>(e.cornerRow) + row - 1,
                                     static_cast<double>(e.cornerColumn) + column - 1));
}

// The block a lookup searches: a range reference, or a single cell reference as a one-cell range.
struct Table {
  const Value* problem = nullptr;
  int32_t firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
};

Table TableOf(FormulaNode* node) {
  Table t;
  if (node && node->Kind() == FormulaNodeKind::Range) {
    auto* range = static_cast<FormulaRange*>(node);
    t.problem = range->Problem();
    if (!t.problem) range->Bounds(t.firstRow, t.firstColumn, t.lastRow, t.lastColumn);
    return t;
  }
  Cell* cell = node && node->Kind() == FormulaNodeKind::Value ? static_cast<FormulaValue*>(node)->GetCell() : nullptr;
  if (!cell || !IsOnSheet(cell)) {
    t.problem = NewError(kNotAReference);
    return t;
  }
  t.firstRow = t.lastRow = cell->GetRowIndex();
  t.firstColumn = t.lastColumn = cell->GetColumnIndex();
  return t;
}

// The first row (or column) whose key cell equals the key gives the cell
// `index` places from the table's first column (or row).
std::unique_ptr<Matrix> Lookup(FormulaFunction& call, bool vertical) {
  const Value* key = ArgValue(call, 0);
  double index = ArgNumber(call, 2);
  Table t = TableOf(call.Argument(1));
  if (t.problem) return SingleValue(t.problem);
  Sheet* sheet = call.GetSheet();
  CellBlock block(sheet, t.firstRow, t.firstColumn, t.lastRow, t.lastColumn);
  int32_t count = vertical ? block.Rows() : block.Columns();
  for (int32_t i = 0; i < count; ++i) {
    if (!ValuesEqual(block.ValueAt(vertical ? 0 : i, vertical ? i : 0), key)) continue;
    if (vertical) return SingleValue(ValueAtPosition(sheet, t.firstRow + i, t.firstColumn + index - 1));
    return SingleValue(ValueAtPosition(sheet, t.firstRow + index - 1, t.firstColumn + i));
  }
  return ErrorResult(kNotFound);
}

std::unique_ptr<Matrix> VLookup(FormulaFunction& call) { return Lookup(call, true); }
std::unique_ptr<Matrix> HLookup(FormulaFunction& call) { return Lookup(call, false); }

bool IsVector(const Matrix& m) { return m.Columns() == 1 || m.Rows() == 1; }

std::vector<const Value*> ColumnWise(const Matrix& m) {
  std::vector<const Value*> values;
  values.reserve(static_cast<size_t>(std::max<int64_t>(m.ValueCount(), 0)));
  for (int32_t c = 0; c < m.Columns(); ++c) {
    for (int32_t r = 0; r < m.Rows(); ++r) {
      const Value* v = m.GetAt(c, r);
      values.push_back(v ? v : EmptyValue());
    }
  }
  return values;
}

// Numbers decide; between two texts their code units do. A text counts as 0 among numbers.
bool SortsBefore(const Value* a, const Value* b) {
  if (NumberOf(a) < NumberOf(b)) return true;
  return a->Kind() == ValueKind::Text && b->Kind() == ValueKind::Text && a->Text() < b->Text();
}

// An exchange sort (it is stable, and with texts mixed among zeros the order
// is its own); a pass without an exchange ends it. Very long vectors take a
// stable merge sort, which gives the same order unless texts meet zeros.
void ExchangeSort(std::vector<const Value*>& values) {
  constexpr size_t kExchangeLimit = 20000;
  size_t n = values.size();
  if (n > kExchangeLimit) {
    std::stable_sort(values.begin(), values.end(), SortsBefore);
    return;
  }
  for (size_t i = 0; i + 1 < n; ++i) {
    bool exchanged = false;
    for (size_t j = 0; j + i + 1 < n; ++j) {
      if (SortsBefore(values[j + 1], values[j])) {
        std::swap(values[j], values[j + 1]);
        exchanged = true;
      }
    }
    if (!exchanged) break;
  }
}

std::unique_ptr<Matrix> Sort(FormulaFunction& call) {
  std::unique_ptr<Matrix> a = call.Argument(0)->Evaluate();
  if (!IsVector(*a)) return ErrorResult(u"Matrix Error");
  std::vector<const Value*> values = ColumnWise(*a);
  ExchangeSort(values);
  auto result = std::make_unique<ArrayMatrix>(a->Columns(), a->Rows());
  size_t k = 0;
  for (int32_t c = 0; c < a->Columns(); ++c) {
    for (int32_t r = 0; r < a->Rows(); ++r) result->SetAt(c, r, values[k++]);
  }
  return result;
}

// Values are the same when their texts are: the number 1 and the text 1 are one value.
std::unique_ptr<Matrix> Unique(FormulaFunction& call) {
  std::unique_ptr<Matrix> a = call.Argument(0)->Evaluate();
  if (!IsVector(*a)) return ErrorResult(u"Matrix Error");
  std::vector<const Value*> kept;
  std::unordered_set<std::u16string_view> seen;
  for (const Value* v : ColumnWise(*a)) {
    if (seen.insert(v->Text()).second) kept.push_back(v);
  }
  int32_t n = static_cast<int32_t>(kept.size());
  bool row = a->Rows() == 1;
  auto result = std::make_unique<ArrayMatrix>(row ? n : 1, row ? 1 : n);
  for (int32_t i = 0; i < n; ++i) result->SetAt(row ? i : 0, row ? 0 : i, kept[static_cast<size_t>(i)]);
  return result;
}

const FunctionDefinition kFunctions[] = {
    {u"SORT", u"SORT", "r", Sort},
    {u"UNIQUE", u"UNIQUE", "r", Unique},
    {u"COLUMNS", u"SPALTEN", "r", Columns},
    {u"ROWS", u"ZEILEN", "r", Rows},
    {u"COLUMN", u"SPALTE", "c", Column},
    {u"ROW", u"ZEILE", "c", Row},
    {u"INDIRECT", u"INDIREKT", "e", Indirect},
    {u"INDEX", u"INDEX", "ree", Index},
    {u"HLOOKUP", u"WVERWEIS", "ere", HLookup},
    {u"VLOOKUP", u"SVERWEIS", "ere", VLookup},
};

}  // namespace

std::span<const FunctionDefinition> LookupFunctions() { return kFunctions; }

}  // namespace quadrell
