// Lookups, information about values, and text and date functions as other
// spreadsheets define them: MATCH, LOOKUP, CHOOSE, the IS functions, TEXT,
// SEARCH, REPLACE, DATEDIF, and the file meanings of VLOOKUP, HLOOKUP and INDEX.
#include <algorithm>
#include <cmath>

#include "formula/FormulaBinaryOperation.h"
#include "formula/TextCase.h"
#include "formula/functions/Functions.h"
#include "formula/functions/SpreadsheetSupport.h"
#include "value/Date.h"
#include "value/NumberFormat.h"
#include "value/ValueFormat.h"

namespace quadrell {
namespace {

using namespace fn;

bool IsBlankValue(const Value* v) { return v->Kind() == ValueKind::Empty; }

// The position of the key in a vector: exact (wildcards for texts), the
// last not above it in ascending order (type 1), or the last not below it in
// descending order (type -1). -1 when none.
int64_t Position(const Value* key, const std::vector<const Value*>& values, int type) {
  bool text = key->Kind() == ValueKind::Text;
  if (type == 0) {
    for (size_t i = 0; i < values.size(); ++i) {
      const Value* v = values[i];
      if (text) {
        if (v->Kind() == ValueKind::Text && WildcardMatch(key->Text(), v->Text())) return static_cast<int64_t>(i);
      } else if (!IsBlankValue(v) && CompareValues(v, key) == 0 && (v->Kind() == ValueKind::Text) == text) {
        return static_cast<int64_t>(i);
      }
    }
    return -1;
  }
  int64_t found = -1;
  for (size_t i = 0; i < values.size(); ++i) {
    const Value* v = values[i];
    if (IsBlankValue(v) || IsErrorValue(v)) continue;
    bool sameKind = (v->Kind() == ValueKind::Text) == text && v->IsBoolean() == key->IsBoolean();
    if (!sameKind) continue;
    int c = CompareValues(v, key);
    if (type > 0 ? c <= 0 : c >= 0) {
      found = static_cast<int64_t>(i);
      if (c == 0) continue;
    } else {
      break;
    }
  }
  return found;
}

std::vector<const Value*> Vector(const Grid& g) { return g.values; }

std::unique_ptr<Matrix> Match(FormulaFunction& call) {
  const Value* key = ArgValue(call, 0);
  if (IsErrorValue(key)) return SingleValue(key);
  Grid g = GridOf(call.Argument(1));
  if (g.columns > 1 && g.rows > 1) return ErrorResult(kErrorNA);
  int type = 1;
  if (call.Argument(2)) {
    double t = ArgNumber(call, 2);
    type = t > 0 ? 1 : (t < 0 ? -1 : 0);
  }
  int64_t at = Position(key, Vector(g), type);
  if (at < 0) return ErrorResult(kErrorNA);
  return NumberResult(static_cast<double>(at + 1), kFormatGeneral);
}

// VLOOKUP and HLOOKUP of files: an approximate match unless the fourth
// argument is FALSE or 0; no match gives #N/A.
std::unique_ptr<Matrix> TableLookup(FormulaFunction& call, bool vertical) {
  const Value* key = ArgValue(call, 0);
  if (IsErrorValue(key)) return SingleValue(key);
  Grid g = GridOf(call.Argument(1));
  double index = std::trunc(ArgNumber(call, 2));
  bool approximate = !call.Argument(3) || ArgNumber(call, 3) != 0;
  int64_t extent = vertical ? g.columns : g.rows;
  if (index < 1) return ErrorResult(kErrorValue);
  if (index > static_cast<double>(extent)) return ErrorResult(kErrorRef);
  std::vector<const Value*> keys;
  int32_t count = vertical ? g.rows : g.columns;
  for (int32_t i = 0; i < count; ++i) keys.push_back(vertical ? g.At(0, i) : g.At(i, 0));
  int64_t at = Position(key, keys, approximate ? 1 : 0);
  if (at < 0) return ErrorResult(kErrorNA);
  int32_t k = static_cast<int32_t>(index) - 1;
  int32_t a = static_cast<int32_t>(at);
  return SingleValue(vertical ? g.At(k, a) : g.At(a, k));
}

std::unique_ptr<Matrix> VLookupFile(FormulaFunction& call) { return TableLookup(call, true); }
std::unique_ptr<Matrix> HLookupFile(FormulaFunction& call) { return TableLookup(call, false); }

// INDEX of files: positions count from 1 and are cut to whole numbers; a
// vector takes a single position along it; outside the range is #REF!.
std::unique_ptr<Matrix> IndexFile(FormulaFunction& call) {
  Grid g = GridOf(call.Argument(0));
  double row = std::trunc(ArgNumber(call, 1));
  double column = call.Argument(2) ? std::trunc(ArgNumber(call, 2)) : 0;
  if (!call.Argument(2) && g.rows == 1 && g.columns > 1) std::swap(row, column);
  if (row == 0 && g.rows == 1) row = 1;
  if (column == 0 && g.columns == 1) column = 1;
  if (row < 1 || column < 1) return ErrorResult(kErrorValue);
  if (row > g.rows || column > g.columns) return ErrorResult(kErrorRef);
  return SingleValue(g.At(static_cast<int32_t>(column) - 1, static_cast<int32_t>(row) - 1));
}

// LOOKUP(key; vector; [result vector]): approximate, ascending.
std::unique_ptr<Matrix> Lookup(FormulaFunction& call) {
  const Value* key = ArgValue(call, 0);
  if (IsErrorValue(key)) return SingleValue(key);
  Grid g = GridOf(call.Argument(1));
  std::vector<const Value*> keys;
  std::vector<const Value*> results;
  if (g.columns > 1 && g.rows > 1) {
    // A table: the first row or column, whichever is longer, and the last one.
    bool byRow = g.columns > g.rows;
    int32_t n = byRow ? g.columns : g.rows;
    for (int32_t i = 0; i < n; ++i) {
      keys.push_back(byRow ? g.At(i, 0) : g.At(0, i));
      results.push_back(byRow ? g.At(i, g.rows - 1) : g.At(g.columns - 1, i));
    }
  } else {
    keys = g.values;
    results = g.values;
  }
  if (call.Argument(2)) results = GridOf(call.Argument(2)).values;
  int64_t at = Position(key, keys, 1);
  if (at < 0 || at >= static_cast<int64_t>(results.size())) return ErrorResult(kErrorNA);
  return SingleValue(results[static_cast<size_t>(at)]);
}

// CHOOSE evaluates only the chosen value.
std::unique_ptr<Matrix> Choose(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  if (IsErrorValue(v)) return SingleValue(v);
  double i = std::trunc(NumberOf(v));
  if (i < 1 || i >= static_cast<double>(call.ArgumentCount())) return ErrorResult(kErrorValue);
  return call.Argument(static_cast<size_t>(i))->Evaluate();
}

std::unique_ptr<Matrix> IsBlank(FormulaFunction& call) { return BooleanResult(IsBlankValue(ArgValue(call, 0))); }
std::unique_ptr<Matrix> IsNumber(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  return BooleanResult(v->IsNumeric() && !v->IsBoolean());
}
std::unique_ptr<Matrix> IsText(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  return BooleanResult(v->Kind() == ValueKind::Text || v->Kind() == ValueKind::Hyperlink);
}
std::unique_ptr<Matrix> IsError(FormulaFunction& call) { return BooleanResult(IsErrorValue(ArgValue(call, 0))); }
std::unique_ptr<Matrix> IsNA(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  return BooleanResult(IsErrorValue(v) && v->Text() == kErrorNA);
}
std::unique_ptr<Matrix> NotAvailable(FormulaFunction&) { return ErrorResult(kErrorNA); }

// TEXT(value; format code): the number rendered with the code, with "." as
// decimal point as files written in English expect.
std::unique_ptr<Matrix> TextOf(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  if (IsErrorValue(v)) return SingleValue(v);
  std::u16string code(ArgText(call, 1));
  double x;
  if (!NumberFromValue(v, x)) return TextResult(v->Text());
  ValueFormat format(code);
  std::u16string text = format.RenderNumber(x);
  if (!format.HasDatePart()) text = SwapSeparators16(text);
  return TextResult(text);
}

// SEARCH(find; within; [start]): without regard to case, with wildcards.
std::unique_ptr<Matrix> Search(FormulaFunction& call) {
  std::u16string_view find = ArgText(call, 0);
  std::u16string within(ArgText(call, 1));
  double start = call.Argument(2) ? std::trunc(ArgNumber(call, 2)) : 1;
  if (start < 1 || start > static_cast<double>(within.size()) + 1) return ErrorResult(kErrorValue);
  std::u16string pattern(find);
  pattern += u'*';
  for (size_t i = static_cast<size_t>(start) - 1; i <= within.size(); ++i) {
    if (WildcardMatch(pattern, std::u16string_view(within).substr(i))) return NumberResult(static_cast<double>(i + 1), kFormatGeneral);
  }
  return ErrorResult(kErrorValue);
}

// REPLACE(text; start; count; new).
std::unique_ptr<Matrix> Replace(FormulaFunction& call) {
  std::u16string text(ArgText(call, 0));
  double start = std::trunc(ArgNumber(call, 1));
  double count = std::trunc(ArgNumber(call, 2));
  if (start < 1 || count < 0) return ErrorResult(kErrorValue);
  size_t at = std::min(text.size(), static_cast<size_t>(std::min(start - 1, 1e9)));
  size_t n = std::min(text.size() - at, static_cast<size_t>(std::min(count, 1e9)));
  text.replace(at, n, ArgText(call, 3));
  return TextResult(text);
}

// DATEDIF(start; end; unit) with the units Y, M, D, MD, YM and YD.
std::unique_ptr<Matrix> DateDif(FormulaFunction& call) {
  double a = std::floor(ArgNumber(call, 0));
  double b = std::floor(ArgNumber(call, 1));
  std::u16string unit = UpperCase(ArgText(call, 2));
  if (b < a) return ErrorResult(kErrorNum);
  DateRecord s = SplitDateTime(a), e = SplitDateTime(b);
  int64_t months = (e.year - s.year) * 12 + (e.month - s.month) - (e.day < s.day ? 1 : 0);
  double r;
  if (unit == u"Y") {
    r = static_cast<double>(months / 12);
  } else if (unit == u"M") {
    r = static_cast<double>(months);
  } else if (unit == u"D") {
    r = b - a;
  } else if (unit == u"MD") {
    int64_t m = e.month - (e.day < s.day ? 1 : 0);
    int64_t y = e.year;
    if (m < 1) {
      m += 12;
      --y;
    }
    r = b - static_cast<double>(DateSerial(y, m, s.day));
    if (e.day >= s.day) r = e.day - s.day;
  } else if (unit == u"YM") {
    r = static_cast<double>(months % 12);
  } else if (unit == u"YD") {
    int64_t y = e.year;
    double anniversary = static_cast<double>(DateSerial(y, s.month, s.day));
    if (anniversary > b) anniversary = static_cast<double>(DateSerial(y - 1, s.month, s.day));
    r = b - anniversary;
  } else {
    return ErrorResult(kErrorNum);
  }
  return NumberResult(r, kFormatGeneral);
}

const FunctionDefinition kFileLookup[] = {
    {u"MATCH", u"VERGLEICH", "eeo", Match},
    {u"CHOOSE", u"WAHL", "el", Choose},
    {u"LOOKUP", u"VERWEIS", "eeo", Lookup},
    {u"ISBLANK", u"ISTLEER", "e", IsBlank},
    {u"ISNUMBER", u"ISTZAHL", "e", IsNumber},
    {u"ISTEXT", u"ISTTEXT", "e", IsText},
    {u"ISERROR", u"ISTFEHLER", "e", IsError},
    {u"ISNA", u"ISTNV", "e", IsNA},
    {u"NA", u"NV", "", NotAvailable},
    {u"TEXT", u"TEXT", "ee", TextOf},
    {u"SEARCH", u"SUCHEN", "eeo", Search},
    {u"REPLACE", u"ERSETZEN", "eeee", Replace},
    {u"DATEDIF", u"DATEDIF", "eee", DateDif},
    {u"VLOOKUP.X", u"SVERWEIS.X", "ereo", VLookupFile},
    {u"HLOOKUP.X", u"WVERWEIS.X", "ereo", HLookupFile},
    {u"INDEX.X", u"INDEX.X", "reo", IndexFile},
};

}  // namespace

std::span<const FunctionDefinition> FileLookupFunctions() { return kFileLookup; }

}  // namespace quadrell
