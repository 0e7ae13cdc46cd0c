// Extracting, searching, replacing, joining and splitting texts, case,
// Roman numerals, character codes, hyperlinks and texts read as values.
// Positions count UTF-16 units from 1.
#include <algorithm>

#include "formula/TextCase.h"
#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

using namespace fn;

std::unique_ptr<Matrix> ValueFunction(FormulaFunction& call) { return ParsedResult(ArgText(call, 0)); }

std::unique_ptr<Matrix> Trim(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  size_t begin = t.find_first_not_of(u' ');
  if (begin == std::u16string_view::npos) return ParsedResult(u"");
  size_t end = t.find_last_not_of(u' ');
  return ParsedResult(t.substr(begin, end - begin + 1));
}

std::unique_ptr<Matrix> Upper(FormulaFunction& call) { return ParsedResult(UpperCase(ArgText(call, 0))); }
std::unique_ptr<Matrix> Lower(FormulaFunction& call) { return ParsedResult(LowerCase(ArgText(call, 0))); }

// Only a space starts a word.
std::unique_ptr<Matrix> Proper(FormulaFunction& call) {
  std::u16string t = LowerCase(ArgText(call, 0));
  bool start = true;
  for (char16_t& c : t) {
    if (start) c = UpperCaseOf(c);
    start = c == u' ';
  }
  return TextResult(t);
}

std::unique_ptr<Matrix> Len(FormulaFunction& call) {
  return NumberResult(static_cast<double>(ArgText(call, 0).size()), 1);
}

// The count of LEFT and RIGHT: 1 when absent, below 0 counts as 0.
size_t TakeCount(FormulaFunction& call) {
  if (call.ArgumentCount() < 2) return 1;
  int64_t n = ArgInteger(call, 1);
  return n < 0 ? 0 : static_cast<size_t>(std::min<int64_t>(n, INT32_MAX));
}

std::unique_ptr<Matrix> Left(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  return TextResult(t.substr(0, std::min(t.size(), TakeCount(call))));
}

std::unique_ptr<Matrix> Right(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  size_t n = std::min(t.size(), TakeCount(call));
  return TextResult(t.substr(t.size() - n));
}

std::unique_ptr<Matrix> Mid(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  int64_t from = std::max<int64_t>(ArgInteger(call, 1), 1);
  int64_t count = std::max<int64_t>(ArgInteger(call, 2), 0);
  if (from > static_cast<int64_t>(t.size())) return TextResult(u"");
  return TextResult(t.substr(static_cast<size_t>(from - 1), static_cast<size_t>(std::min<int64_t>(count, INT32_MAX))));
}

std::unique_ptr<Matrix> Find(FormulaFunction& call) {
  std::u16string_view haystack = ArgText(call, 0);
  std::u16string_view needle = ArgText(call, 1);
  size_t at = haystack.empty() || needle.empty() ? std::u16string_view::npos : haystack.find(needle);
  return NumberResult(at == std::u16string_view::npos ? 0 : static_cast<double>(at + 1), 0);
}

// An empty search text leaves the text unchanged.
std::unique_ptr<Matrix> Substitute(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  std::u16string_view from = ArgText(call, 1);
  std::u16string_view to = ArgText(call, 2);
  if (from.empty()) return TextResult(t);
  std::u16string out;
  size_t at = 0;
  while (true) {
    size_t next = t.find(from, at);
    if (next == std::u16string_view::npos) break;
    out += t.substr(at, next - at);
    out += to;
    at = next + from.size();
    if (out.size() > kMaxTextLength) return TextResult(out);
  }
  out += t.substr(at);
  return TextResult(out);
}

std::unique_ptr<Matrix> Rept(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  int64_t n = ArgInteger(call, 1);
  if (n < 1 || t.empty()) return TextResult(u"");
  if (static_cast<uint64_t>(n) > kMaxTextLength / t.size()) return ErrorResult(u"Text Too Long");
  std::u16string out;
  out.reserve(t.size() * static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) out += t;
  return TextResult(out);
}

std::unique_ptr<Matrix> Concatenate(FormulaFunction& call) {
  std::u16string out(ArgText(call, 0));
  out += ArgText(call, 1);
  return TextResult(out);
}

// The texts of the further arguments, each read row by row, with the first
// argument's text between them.
std::unique_ptr<Matrix> Join(FormulaFunction& call) {
  std::u16string separator(ArgText(call, 0));
  std::u16string out;
  bool first = true;
  for (size_t i = 1; i < call.ArgumentCount(); ++i) {
    std::unique_ptr<Matrix> m = call.Argument(i)->Evaluate();
    for (int32_t r = 0; r < m->Rows(); ++r) {
      for (int32_t c = 0; c < m->Columns(); ++c) {
        const Value* v = m->GetAt(c, r);
        if (!first) out += separator;
        first = false;
        if (v) out += v->Text();
        if (out.size() > kMaxTextLength) return TextResult(out);
      }
    }
  }
  return TextResult(out);
}

// The fields between the occurrences of the first character of b, in one
// row. Without a separator character the whole text is one field.
std::unique_ptr<Matrix> Split(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  std::u16string_view b = ArgText(call, 1);
  std::vector<const Value*> fields;
  if (b.empty()) {
    fields.push_back(NewText(t));
  } else {
    size_t at = 0;
    while (true) {
      size_t next = t.find(b[0], at);
      fields.push_back(NewText(t.substr(at, next == std::u16string_view::npos ? std::u16string_view::npos : next - at)));
      if (next == std::u16string_view::npos) break;
      at = next + 1;
    }
  }
  if (fields.size() == 1) return SingleValue(fields[0]);
  return MatrixFromList(fields);
}

std::unique_ptr<Matrix> Exact(FormulaFunction& call) {
  std::u16string_view a = ArgText(call, 0);
  return BooleanResult(a == ArgText(call, 1));
}

std::unique_ptr<Matrix> Code(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  return NumberResult(t.empty() ? 0 : t[0], 0);
}

// Codes outside UTF-16 units give the empty text.
std::unique_ptr<Matrix> Char(FormulaFunction& call) {
  int64_t code = ArgInteger(call, 0);
  if (code < 0 || code > 0xFFFF) return TextResult(u"");
  return TextResult(std::u16string(1, static_cast<char16_t>(code)));
}

std::unique_ptr<Matrix> Fixed(FormulaFunction& call) {
  double x = ArgNumber(call, 0);
  int64_t decimals = ArgInteger(call, 1);
  if (decimals == -1) return TextResult(GeneralForm16(x));
  decimals = std::clamp<int64_t>(decimals, 0, 512);
  return TextResult(AsciiToUtf16(FixedForm(x, static_cast<int>(decimals))));
}

void AppendRomanDigit(std::u16string& out, int digit, char16_t one, char16_t five, char16_t ten) {
  if (digit == 9) {
    out += one;
    out += ten;
  } else if (digit >= 5) {
    out += five;
    out.append(static_cast<size_t>(digit - 5), one);
  } else if (digit == 4) {
    out += one;
    out += five;
  } else {
    out.append(static_cast<size_t>(digit), one);
  }
}

std::unique_ptr<Matrix> Roman(FormulaFunction& call) {
  int64_t n = ArgInteger(call, 0);
  if (n < 1 || n > 3999) return TextResult(u"");
  std::u16string out(static_cast<size_t>(n / 1000), u'M');
  AppendRomanDigit(out, static_cast<int>(n / 100 % 10), u'C', u'D', u'M');
  AppendRomanDigit(out, static_cast<int>(n / 10 % 10), u'X', u'L', u'C');
  AppendRomanDigit(out, static_cast<int>(n % 10), u'I', u'V', u'X');
  return TextResult(out);
}

int RomanValue(char16_t c) {
  switch (c) {
    case u'M': return 1000;
    case u'D': return 500;
    case u'C': return 100;
    case u'L': return 50;
    case u'X': return 10;
    case u'V': return 5;
    case u'I': return 1;
    default: return 0;
  }
}

std::unique_ptr<Matrix> Arabic(FormulaFunction& call) {
  std::u16string_view t = ArgText(call, 0);
  double total = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    int v = RomanValue(t[i]);
    if (i + 1 < t.size() && RomanValue(t[i + 1]) > v) {
      total -= v;
    } else {
      total += v;
    }
  }
  return NumberResult(total, 0);
}

std::unique_ptr<Matrix> Hyperlink(FormulaFunction& call) {
  std::u16string target(ArgText(call, 0));
  std::u16string_view shown = ArgText(call, 1);
  if (target.size() > kMaxTextLength || shown.size() > kMaxTextLength) return ErrorResult(u"Text Too Long");
  return SingleValue(NewHyperlink(shown, target));
}

const FunctionDefinition kFunctions[] = {
    {u"HYPERLINK", u"HYPERLINK", "ee", Hyperlink},
    {u"VALUE", u"WERT", "e", ValueFunction},
    {u"REPT", u"WIEDERHOLEN", "ee", Rept},
    {u"TRIM", u"GLÄTTEN", "e", Trim},
    {u"CODE", u"CODE", "e", Code},
    {u"FIXED", u"FEST", "ee", Fixed},
    {u"FIND", u"FINDEN", "ee", Find},
    {u"CONCATENATE", u"VERBINDEN", "ee", Concatenate},
    {u"UPPER", u"GROSS", "e", Upper},
    {u"LOWER", u"KLEIN", "e", Lower},
    {u"EXACT", u"IDENTISCH", "ee", Exact},
    {u"JOIN", u"JOIN", "el", Join},
    {u"PROPER", u"GROSS2", "e", Proper},
    {u"LEN", u"LÄNGE", "e", Len},
    {u"LEFT", u"LINKS", "eo", Left},
    {u"RIGHT", u"RECHTS", "eo", Right},
    {u"ROMAN", u"RÖMSICH", "e", Roman},
    {u"ARABIC", u"ARABISCH", "e", Arabic},
    {u"SPLIT", u"SPLIT", "ee", Split},
    {u"MID", u"TEIL", "eee", Mid},
    {u"SUBSTITUTE", u"WECHSELN", "eee", Substitute},
    {u"CHAR", u"ZEICHEN", "e", Char},
};

}  // namespace

std::span<const FunctionDefinition> TextFunctions() { return kFunctions; }

}  // namespace quadrell
