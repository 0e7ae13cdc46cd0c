#include "formula/FileTranslation.h"

#include <unordered_map>
#include <unordered_set>

#include "formula/Formula.h"
#include "formula/FormulaBinaryOperation.h"
#include "formula/FormulaFunction.h"
#include "formula/FormulaRange.h"
#include "formula/FormulaUnaryOperation.h"
#include "formula/FormulaValue.h"
#include "formula/FunctionRegistry.h"
#include "formula/TextCase.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

// Functions of the 118 that mean in files what they mean here. The others of
// the 118 either translate (below) or are not computed from a file: the cell
// keeps the value the file cached.
constexpr const char16_t* kSameMeaning[] = {
    u"DATE", u"TIME", u"HOUR", u"MINUTE", u"SECOND", u"DAY", u"MONTH", u"YEAR", u"DAYS360", u"DAYS", u"TODAY",
    u"NOW", u"EOMONTH", u"SUM", u"FACTDOUBLE", u"RAND", u"RANDBETWEEN", u"SQRTPI", u"SQRT", u"PI", u"SIGN",
    u"FLOOR", u"CEILING", u"COLUMNS", u"ROWS", u"ROW", u"HYPERLINK", u"REPT", u"CODE", u"UPPER", u"LOWER",
    u"EXACT", u"LEN", u"LEFT", u"RIGHT", u"ROMAN", u"MID", u"SUBSTITUTE", u"CHAR", u"NOT", u"TRUE", u"IF",
    u"IFERROR", u"FALSE", u"MUNIT", u"TRANSPOSE", u"MMULT", u"DELTA", u"BIN2OCT", u"HEX2DEC", u"BIN2HEX",
    u"BIN2DEC", u"COMPLEX", u"IMPRODUCT", u"IMDIV", u"IMSUB", u"IMSUM", u"IMCONJUGATE", u"IMAGINARY", u"IMREAL",
    u"IMABS", u"UNIQUE", u"WEEKNUM",
};

// File function, argument count (-1 any), Quadrell text.
struct Translation {
  const char16_t* file;
  int arguments;
  const char16_t* text;
};

constexpr Translation kReadings[] = {
    {u"INT", 1, u"FLOOR($1,1)"},
    {u"COUNT", -1, u"COUNT.X($0)"},
    {u"COUNTIF", 2, u"COUNTIFS($1,$2)"},
    {u"COLUMN", 1, u"COLUMN($1)+1"},
    {u"AND", -1, u"AND.X($0)"},
    {u"OR", -1, u"OR.X($0)"},
    {u"CONCATENATE", 2, u"CONCATENATE($1,$2)"},
    {u"CONCATENATE", -1, u"JOIN(\"\",$0)"},
    {u"VLOOKUP", -1, u"VLOOKUP.X($0)"},
    {u"HLOOKUP", -1, u"HLOOKUP.X($0)"},
    {u"INDEX", -1, u"INDEX.X($0)"},
    {u"MROUND", 2, u"ROUND($1/$2,0)*$2"},
    {u"CONCAT", -1, u"JOIN(\"\",$0)"},
};

// Quadrell function, file text; $0 all arguments, $R all but the first.
constexpr const char16_t* kWritings[][2] = {
    {u"ADD", u"($1+$2)"},
    {u"CONCAT", u"CONCATENATE($1,$2)"},
    {u"DIVIDE", u"($1/$2)"},
    {u"EQ", u"(N($1)=N($2))"},
    {u"GT", u"(N($1)>N($2))"},
    {u"GTE", u"(N($1)>=N($2))"},
    {u"LT", u"(N($1)<N($2))"},
    {u"LTE", u"(N($1)<=N($2))"},
    {u"NE", u"(N($1)<>N($2))"},
    {u"MINUS", u"($1-$2)"},
    {u"MULTIPLY", u"($1*$2)"},
    {u"POW", u"POWER($1,$2)"},
    {u"UMINUS", u"(-$1)"},
    {u"UPLUS", u"($1)"},
    {u"UNARY_PERCENT", u"($1%)"},
    {u"INT", u"IF(ABS($1-TRUNC($1))=0.5,2*ROUND($1/2,0),ROUND($1,0))"},
    {u"COLUMN", u"(COLUMN($1)-1)"},
    {u"MROUND", u"(-INT(-$1/$2)*$2)"},
    {u"INDIRECT", u"($1)"},
    {u"FIND", u"IF(OR($1=\"\",$2=\"\"),0,IFERROR(FIND($2,$1),0))"},
    {u"FIXED", u"FIXED($1,$2,TRUE)"},
    {u"JOIN", u"_xlfn.TEXTJOIN($1,FALSE,$R)"},
    {u"SPLIT", u"_xlfn.TEXTSPLIT($1,LEFT($2,1))"},
    {u"SORT", u"_xlfn._xlws.SORT($1)"},
    {u"UNIQUE", u"_xlfn.UNIQUE($1)"},
    {u"MUNIT", u"_xlfn.MUNIT($1)"},
    {u"DAYS", u"_xlfn.DAYS($1,$2)"},
    {u"ARABIC", u"_xlfn.ARABIC($1)"},
    {u"BITAND", u"_xlfn.BITAND($1,$2)"},
    {u"BITOR", u"_xlfn.BITOR($1,$2)"},
    {u"BITXOR", u"_xlfn.BITXOR($1,$2)"},
    {u"BITLSHIFT", u"_xlfn.BITLSHIFT($1,$2)"},
    {u"BITRSHIFT", u"_xlfn.BITRSHIFT($1,$2)"},
    {u"ODD", u"IF($1=0,0,ODD($1))"},
    {u"VLOOKUP", u"VLOOKUP($1,$2,$3,FALSE)"},
    {u"HLOOKUP", u"HLOOKUP($1,$2,$3,FALSE)"},
    {u"COUNT.X", u"COUNT($0)"},
    {u"AND.X", u"AND($0)"},
    {u"OR.X", u"OR($0)"},
    {u"VLOOKUP.X", u"VLOOKUP($0)"},
    {u"HLOOKUP.X", u"HLOOKUP($0)"},
    {u"INDEX.X", u"INDEX($0)"},
};

// Functions added after the 118 that other programs know only with a prefix.
constexpr const char16_t* kPrefixed[] = {u"DAYS", u"ARABIC", u"UNIQUE", u"MUNIT"};

struct Tables {
  std::unordered_set<std::u16string_view> same;
  std::unordered_multimap<std::u16string_view, const Translation*> readings;
  std::unordered_map<std::u16string_view, std::u16string_view> writings;
  std::unordered_set<std::u16string_view> original;  // the names of the 118

  Tables() {
    for (auto n : kSameMeaning) same.insert(n);
    for (const Translation& t : kReadings) readings.emplace(t.file, &t);
    for (auto& w : kWritings) writings.emplace(w[0], w[1]);
    const auto& entries = FunctionRegistry::Get().Entries();
    for (size_t i = 0; i < FunctionRegistry::kOriginalCount && i < entries.size(); ++i)
      original.insert(entries[i].english);
  }
};

const Tables& GetTables() {
  static const Tables* tables = new Tables();
  return *tables;
}

std::u16string_view WithoutPrefix(std::u16string_view name) {
  for (std::u16string_view prefix : {u"_XLFN._XLWS.", u"_XLFN.", u"_XLWS."}) {
    if (name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix) return name.substr(prefix.size());
  }
  return name;
}

// Function results other programs take as TRUE or FALSE as they are.
bool GivesBoolean(const FormulaNode* node) {
  if (node->Kind() == FormulaNodeKind::Binary) {
    return IsComparison(static_cast<const FormulaBinaryOperation*>(node)->GetOperator());
  }
  if (node->Kind() != FormulaNodeKind::Function) return false;
  std::u16string_view name = static_cast<const FormulaFunction*>(node)->GetEntry()->english;
  for (std::u16string_view b : {u"NOT", u"AND", u"OR", u"TRUE", u"FALSE", u"AND.X", u"OR.X", u"EXACT", u"ISBLANK",
                                u"ISNUMBER", u"ISTEXT", u"ISERROR", u"ISNA"}) {
    if (name == b) return true;
  }
  return false;
}

// An argument put into a template: operators keep their own grouping.
void AppendArgument(std::u16string& out, const FormulaNode* node) {
  bool wrap = node->Kind() == FormulaNodeKind::Binary &&
              !static_cast<const FormulaBinaryOperation*>(node)->IsParenthesised();
  if (wrap) out += u'(';
  node->AppendText(out, u"xlsx");
  if (wrap) out += u')';
}

// Quadrell reads a condition as true for any number but 0 and false for text;
// other programs refuse text, so a condition that is no comparison goes through N.
void AppendCondition(std::u16string& out, const FormulaNode* node) {
  if (GivesBoolean(node)) {
    node->AppendText(out, u"xlsx");
    return;
  }
  out += u"N(";
  node->AppendText(out, u"xlsx");
  out += u")<>0";
}

// The number of cells Quadrell's COUNT counts, as a file computes it: one per
// cell reference, rows times columns per range.
class CountTerms final : public ReferenceVisitor {
 public:
  explicit CountTerms(std::u16string& out) : out_(out) {}
  void OnCell(Cell*) override { Term(u"1"); }
  void OnRange(FormulaRange& range) override {
    std::u16string r = range.ToText(u"xlsx");
    Term(u"ROWS(" + r + u")*COLUMNS(" + r + u")");
  }
  bool Any() const { return any_; }

 private:
  void Term(std::u16string_view t) {
    if (any_) out_ += u'+';
    out_ += t;
    any_ = true;
  }
  std::u16string& out_;
  bool any_ = false;
};

}  // namespace

bool IsFileFunctionName(std::u16string_view name) {
  name = WithoutPrefix(name);
  const Tables& t = GetTables();
  return t.same.count(name) || t.readings.count(name) || FunctionRegistry::Get().Find(name, u"en");
}

FileReading ReadFileFunction(std::u16string_view name, size_t argumentCount) {
  name = WithoutPrefix(name);
  const Tables& t = GetTables();
  FileReading reading;
  auto range = t.readings.equal_range(name);
  // A translation for the exact number of arguments before one for any number.
  for (bool exact : {true, false}) {
    for (auto it = range.first; it != range.second; ++it) {
      int wanted = it->second->arguments;
      if (exact ? wanted >= 0 && static_cast<size_t>(wanted) == argumentCount : wanted < 0) {
        reading.kind = FileReading::kTemplate;
        reading.templateText = it->second->text;
        return reading;
      }
    }
  }
  if (range.first != range.second) return reading;
  const FunctionEntry* entry = FunctionRegistry::Get().Find(name, u"en");
  if (!entry) return reading;
  // One of the 118 whose file meaning differs and has no translation: not computed.
  if (t.original.count(entry->english) && !t.same.count(entry->english)) return reading;
  reading.kind = FileReading::kSame;
  reading.entry = entry;
  return reading;
}

void AppendFileCall(std::u16string& out, const FormulaFunction& call) {
  const FunctionEntry* entry = call.GetEntry();
  std::u16string_view name = entry->english;
  const size_t n = call.ArgumentCount();
  if (name == u"COUNT") {
    std::u16string terms;
    CountTerms counter(terms);
    for (size_t i = 0; i < n; ++i) call.Argument(i)->VisitReferences(counter);
    out += counter.Any() ? u"(" + terms + u")" : u"0";
    return;
  }
  if (name == u"AVG") {
    // A sum over every value visited, texts and empty cells included.
    std::u16string terms;
    CountTerms counter(terms);
    out += u"(SUM(";
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) out += u',';
      call.Argument(i)->AppendText(out, u"xlsx");
      if (call.Argument(i)->Kind() == FormulaNodeKind::Range || call.Argument(i)->Kind() == FormulaNodeKind::Value) {
        call.Argument(i)->VisitReferences(counter);
      } else {
        counter.OnCell(nullptr);  // one value
      }
    }
    out += u")/(" + terms + u"))";
    return;
  }
  if (name == u"AND" || name == u"OR" || name == u"NOT" || name == u"IF") {
    out += name;
    out += u'(';
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) out += u',';
      if (name != u"IF" || i == 0) {
        AppendCondition(out, call.Argument(i));
      } else {
        call.Argument(i)->AppendText(out, u"xlsx");
      }
    }
    out += u')';
    return;
  }
  if (name == u"JOIN" && n > 1 && call.Argument(0)->Kind() == FormulaNodeKind::Constant &&
      call.Argument(0)->ToText(u"xlsx") == u"\"\"") {
    // Joined without a separator: the texts of single values one after another.
    bool single = true;
    for (size_t i = 1; i < n; ++i) single = single && call.Argument(i)->Kind() != FormulaNodeKind::Range;
    if (single) {
      out += u"CONCATENATE(";
      for (size_t i = 1; i < n; ++i) {
        if (i > 1) out += u',';
        call.Argument(i)->AppendText(out, u"xlsx");
      }
      out += u')';
      return;
    }
  }
  const Tables& t = GetTables();
  auto found = t.writings.find(name);
  if (found == t.writings.end()) {
    for (std::u16string_view p : kPrefixed) {
      if (name == p) out += u"_xlfn.";
    }
    out += name;
    out += u'(';
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) out += u',';
      call.Argument(i)->AppendText(out, u"xlsx");
    }
    out += u')';
    return;
  }
  std::u16string_view text = found->second;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'$' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    char16_t k = text[++i];
    if (k == u'0' || k == u'R') {
      for (size_t a = k == u'R' ? 1 : 0, first = a; a < n; ++a) {
        if (a > first) out += u',';
        call.Argument(a)->AppendText(out, u"xlsx");
      }
    } else {
      size_t index = static_cast<size_t>(k - u'1');
      if (const FormulaNode* arg = call.Argument(index)) AppendArgument(out, arg);
    }
  }
}

namespace {

bool Computable(const FormulaNode* node) {
  switch (node->Kind()) {
    case FormulaNodeKind::Unary:
      return static_cast<const FormulaUnaryOperation*>(node)->GetOperand()->Kind() != FormulaNodeKind::Range &&
             Computable(static_cast<const FormulaUnaryOperation*>(node)->GetOperand());
    case FormulaNodeKind::Binary: {
      auto* b = static_cast<const FormulaBinaryOperation*>(node);
      return b->GetLeft()->Kind() != FormulaNodeKind::Range && b->GetRight()->Kind() != FormulaNodeKind::Range &&
             Computable(b->GetLeft()) && Computable(b->GetRight());
    }
    case FormulaNodeKind::Function: {
      auto* f = static_cast<const FormulaFunction*>(node);
      for (size_t i = 0; i < f->ArgumentCount(); ++i) {
        if (!Computable(f->Argument(i))) return false;
      }
      return true;
    }
    default:
      return true;
  }
}

}  // namespace

bool ComputableFromFile(const Formula& formula) { return formula.GetRoot() && Computable(formula.GetRoot()); }

std::u16string NormalizeFileFormula(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  char16_t quote = 0;
  for (char16_t c : text) {
    if (quote) {
      if (c == quote) quote = 0;
      out += c;
      continue;
    }
    if (c == u'"' || c == u'\'') quote = c;
    if (c == u' ' || c == u'\n' || c == u'\r' || c == u'\t') continue;
    out += c;
  }
  return out;
}

namespace {

bool IsNameCharacter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || IsDigit(c) || c == u'_' || c == u'.' || c == u'$';
}

}  // namespace

std::u16string ShiftFormulaText(std::u16string_view text, int32_t columnOffset, int32_t rowOffset) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c == u'"' || c == u'\'') {
      size_t close = text.find(c, i + 1);
      size_t end = close == std::u16string_view::npos ? text.size() : close + 1;
      out.append(text.substr(i, end - i));
      i = end;
      continue;
    }
    if (!IsNameCharacter(c)) {
      out += c;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && IsNameCharacter(text[end])) ++end;
    std::u16string_view word = text.substr(i, end - i);
    ReferenceParts parts;
    bool call = end < text.size() && (text[end] == u'(' || text[end] == u'!');
    bool reference = !call && ReadReference(word, parts) && parts.OnGrid();
    if (reference) {
      // The whole word must be the reference: "A1B" is a name.
      std::u16string again;
      AppendReference(again, parts.column, parts.row, parts.absoluteColumn, parts.absoluteRow);
      reference = UpperCase(word) == again;
    }
    if (!reference) {
      out.append(word);
      i = end;
      continue;
    }
    int32_t column = parts.column, row = parts.row;
    if (!ShiftCoordinate(column, columnOffset, parts.absoluteColumn, 0, kMaxReferenceColumn) ||
        !ShiftCoordinate(row, rowOffset, parts.absoluteRow, 1, kMaxReferenceRow)) {
      out += u"#REF!";
    } else {
      AppendReference(out, column, row, parts.absoluteColumn, parts.absoluteRow);
    }
    i = end;
  }
  return out;
}

}  // namespace quadrell
