#include "formula/FunctionRegistry.h"

#include <cstdlib>

#include "context/ApplicationContext.h"
#include "formula/FormulaNode.h"
#include "formula/functions/Functions.h"

namespace quadrell {

namespace {

// Registration order, by English name. The order decides which entry a name
// finds first and the order in which the input bar offers names.
constexpr const char16_t* kOrder[] = {
    u"ADD", u"CONCAT", u"DIVIDE", u"EQ", u"GT", u"GTE", u"LT", u"LTE", u"MINUS", u"MULTIPLY", u"NE", u"POW",
    u"UMINUS", u"UPLUS", u"UNARY_PERCENT", u"SORT", u"UNIQUE", u"DATE", u"TIME", u"DATEVALUE", u"TIMEVALUE",
    u"HOUR", u"MINUTE", u"SECOND", u"DAY", u"MONTH", u"YEAR", u"EDATE", u"WEEKDAY", u"WORKDAY", u"DAYS360",
    u"DAYS", u"WEEKNUM", u"TODAY", u"NOW", u"EOMONTH", u"NETWORKDAYS", u"SUM", u"FACTDOUBLE", u"RAND",
    u"RANDBETWEEN", u"AVG", u"COUNTIF", u"SQRTPI", u"SQRT", u"PI", u"MROUND", u"SIGN", u"ODD", u"FLOOR",
    u"CEILING", u"INT", u"COLUMNS", u"ROWS", u"COLUMN", u"ROW", u"INDIRECT", u"INDEX", u"HLOOKUP", u"VLOOKUP",
    u"HYPERLINK", u"VALUE", u"REPT", u"TRIM", u"CODE", u"FIXED", u"FIND", u"CONCATENATE", u"UPPER", u"LOWER",
    u"EXACT", u"JOIN", u"PROPER", u"LEN", u"LEFT", u"RIGHT", u"ROMAN", u"ARABIC", u"SPLIT", u"MID",
    u"SUBSTITUTE", u"CHAR", u"NOT", u"OR", u"AND", u"TRUE", u"IF", u"IFERROR", u"FALSE", u"COUNT", u"MUNIT",
    u"TRANSPOSE", u"MMULT", u"BITAND", u"BITOR", u"BITXOR", u"BITNOT", u"BITLSHIFT", u"BITRSHIFT", u"DELTA",
    u"BIN2OCT", u"HEX2DEC", u"DEC2OCT", u"DEC2BIN", u"BIN2HEX", u"BIN2DEC", u"HEX2BIN", u"DEC2HEX", u"HEX2OCT",
    u"COMPLEX", u"IMPRODUCT", u"IMDIV", u"IMSUB", u"IMSUM", u"IMCONJUGATE", u"IMAGINARY", u"IMREAL", u"IMABS",
    // What formulas of other programs use, with the meanings files give them.
    u"AVERAGE", u"MIN", u"MAX", u"MEDIAN", u"ROUND", u"ROUNDUP", u"ROUNDDOWN", u"TRUNC", u"ABS", u"MOD", u"POWER",
    u"PRODUCT", u"SUMPRODUCT", u"SUMIF", u"SUMIFS", u"COUNTA", u"COUNTBLANK", u"COUNTIFS", u"AVERAGEIF",
    u"AVERAGEIFS", u"LARGE", u"SMALL", u"RANK", u"STDEV", u"VAR", u"EXP", u"LN", u"LOG", u"LOG10", u"MATCH",
    u"CHOOSE", u"LOOKUP", u"ISBLANK", u"ISNUMBER", u"ISTEXT", u"ISERROR", u"ISNA", u"NA", u"TEXT", u"SEARCH",
    u"REPLACE", u"DATEDIF", u"N", u"COUNT.X", u"AND.X", u"OR.X", u"VLOOKUP.X", u"HLOOKUP.X", u"INDEX.X",
};

const char* HintKey(char letter) {
  switch (letter) {
    case 'r': return "functions:valueRange";
    case 'o': return "functions:optional";
    case 'l': return "functions:valueList";
    default: return "functions:value";
  }
}

}  // namespace

const std::u16string& FunctionEntry::Name(std::u16string_view language) const {
  return IsEnglish(language) ? english : german;
}

const FunctionRegistry& FunctionRegistry::Get() {
  static const FunctionRegistry* registry = new FunctionRegistry();
  return *registry;
}

FunctionRegistry::FunctionRegistry() {
  std::unordered_map<std::u16string_view, FunctionDefinition> byName;
  for (auto family : {OperatorFunctions(), MathFunctions(), EngineeringFunctions(), TextFunctions(), DateFunctions(),
                      LogicalFunctions(), LookupFunctions(), ComplexFunctions(), MatrixFunctions(), StatisticsFunctions(),
                      FileLookupFunctions()}) {
    for (const FunctionDefinition& d : family) byName.emplace(d.english, d);
  }
  entries_.reserve(std::size(kOrder));
  for (const char16_t* name : kOrder) {
    auto found = byName.find(name);
    if (found == byName.end()) std::abort();  // a family lost a function: a build fault, caught by every test
    const FunctionDefinition& d = found->second;
    entries_.push_back({d.german, d.english, d.implementation, d.signature});
  }
  if (byName.size() != entries_.size()) std::abort();
  for (const FunctionEntry& e : entries_) {
    german_.emplace(e.german, &e);
    english_.emplace(e.english, &e);
  }
}

const FunctionEntry* FunctionRegistry::Find(std::u16string_view name, std::u16string_view language) const {
  const auto& table = IsEnglish(language) ? english_ : german_;
  auto found = table.find(name);
  return found == table.end() ? nullptr : found->second;
}

std::u16string FunctionRegistry::ArgumentHint(const FunctionEntry& entry) {
  std::u16string joined;
  for (char letter : entry.signature) joined += Text(HintKey(letter));
  if (!joined.empty()) joined.pop_back();
  return u"(" + joined + u")";
}

}  // namespace quadrell
