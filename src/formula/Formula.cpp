#include "formula/Formula.h"

#include <algorithm>
#include <cstdlib>

#include "formula/FileTranslation.h"
#include "formula/FormulaBinaryOperation.h"
#include "formula/FormulaConstant.h"
#include "formula/FormulaFunction.h"
#include "formula/FormulaRange.h"
#include "formula/FormulaUnaryOperation.h"
#include "formula/FormulaValue.h"
#include "formula/FunctionRegistry.h"
#include "formula/TextCase.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "value/Unicode.h"

namespace quadrell {

std::u16string_view ArgumentSeparator(std::u16string_view language) { return IsEnglish(language) ? u"," : u";"; }

namespace {

bool IsOperatorCharacter(char16_t c) {
  switch (c) {
    case u'=': case u'+': case u'-': case u'*': case u'/': case u'(': case u')':
    case u':': case u'&': case u'>': case u'<': case u'!': case u'^':
      return true;
    default:
      return false;
  }
}

}  // namespace

TokenList Tokenize(std::u16string_view text, std::u16string_view language) {
  TokenList list;
  Tokenize(text, language, list);
  return list;
}

void Tokenize(std::u16string_view text, std::u16string_view language, TokenList& list) {
  const char16_t separator = ArgumentSeparator(language)[0];
  list.text_.assign(text);
  list.tokens_.clear();
  list.cursor_ = -1;
  std::u16string& s = list.text_;
  auto push = [&](size_t offset, size_t length) {
    list.tokens_.push_back({static_cast<uint32_t>(offset), static_cast<uint32_t>(length)});
  };
  size_t start = 0;
  int64_t depth = 0;
  auto flush = [&](size_t end) {
    if (end <= start) return;
    for (size_t k = start; k < end; ++k) s[k] = UpperCaseOf(s[k]);
    push(start, end - start);
  };
  const size_t n = text.size();
  // The sign of an exponent belongs to its number: 1E-5, 2.5e+3.
  auto inExponent = [&](size_t i) {
    if (i < start + 2 || !IsDigit(text[start]) || (text[i - 1] != u'E' && text[i - 1] != u'e')) return false;
    for (size_t k = start; k + 1 < i; ++k) {
      if (!IsDigit(text[k]) && text[k] != u'.') return false;
    }
    return i + 1 < n && IsDigit(text[i + 1]);
  };
  for (size_t i = 0; i < n; ++i) {
    char16_t c = text[i];
    if ((c == u'+' || c == u'-') && inExponent(i)) continue;
    if (c == separator || IsOperatorCharacter(c)) {
      if (c == u'(') ++depth;
      if (c == u')') --depth;
      flush(i);
      push(i, 1);
      start = i + 1;
    } else if (c == u'"') {
      flush(i);
      size_t close = text.find(u'"', i + 1);
      size_t end = close == std::u16string_view::npos ? n : close + 1;
      push(i, end - i);
      start = end;
      i = end - 1;
    } else if (c == u'%' && (i == start || !IsDigit(text[start]))) {
      // A percent sign after a number belongs to the literal (50%); after
      // anything else it is the operator.
      flush(i);
      push(i, 1);
      start = i + 1;
    } else if (c == u'\'' && i == start) {
      // A quoted sheet name, 'My Data'; a doubled quote stands for one. Kept as written.
      size_t end = i + 1;
      while (end < n) {
        if (text[end] == u'\'') {
          if (end + 1 < n && text[end + 1] == u'\'') {
            end += 2;
            continue;
          }
          ++end;
          break;
        }
        ++end;
      }
      push(i, end - i);
      start = end;
      i = end - 1;
    }
  }
  flush(n);
  for (int64_t k = 0; k < depth; ++k) {
    push(s.size(), 1);
    s += u')';
  }
  push(s.size(), 0);
}

namespace {

// Deeper nesting than this does not parse, so no walk over a tree can run out of stack.
constexpr int kMaxDepth = 1000;

bool StartsLiteral(std::u16string_view token) {
  return !token.empty() && (token[0] == u'"' || IsDigit(token[0]));
}

// 1E+3, 2.5E-1: a number with an exponent, as files write them; null otherwise.
const Value* ScientificLiteral(std::u16string_view t) {
  size_t e = t.find_first_of(u"Ee");
  if (e == std::u16string_view::npos || e == 0 || e + 1 >= t.size()) return nullptr;
  std::string ascii;
  for (size_t i = 0; i < t.size(); ++i) {
    char16_t c = t[i];
    bool ok = IsDigit(c) || (c == u'.' && i < e) || i == e || ((c == u'+' || c == u'-') && i == e + 1);
    if (!ok) return nullptr;
    ascii += static_cast<char>(c);
  }
  char* end = nullptr;
  double x = std::strtod(ascii.c_str(), &end);
  if (end != ascii.c_str() + ascii.size()) return nullptr;
  return NewNumber(x);
}

bool IsAdditive(char16_t op) { return op == u'+' || op == u'-'; }

// Operators the combining walk of + - * / may pass through: the others (power,
// comparisons) hold their operands together.
bool IsCombinable(char16_t op) { return op == u'+' || op == u'-' || op == u'*' || op == u'/' || op == u'&'; }

// The sheet a sheet-name token names in the formula's workbook, compared
// without regard to case; a quoted name is unquoted first.
Sheet* SheetOfToken(std::u16string_view token, Sheet* sheet) {
  std::u16string name;
  if (!token.empty() && token[0] == u'\'') {
    if (token.size() < 2 || token.back() != u'\'') return nullptr;
    for (size_t i = 1; i + 1 < token.size(); ++i) {
      name += token[i];
      if (token[i] == u'\'') ++i;
    }
  } else {
    name.assign(token);
  }
  return FindSheetNamed(sheet, name);
}

class Parser {
 public:
  Parser(TokenList& tokens, Sheet* sheet, std::u16string_view language,
         std::vector<std::unique_ptr<FormulaNode>>* placeholders = nullptr)
      : tokens_(tokens),
        sheet_(sheet),
        language_(language),
        registry_(FunctionRegistry::Get()),
        placeholders_(placeholders) {}

  std::unique_ptr<FormulaNode> Formula(bool* whole) {
    if (tokens_.Next() != u"=") return nullptr;
    std::unique_ptr<FormulaNode> root = Expression();
    if (tooDeep_) return nullptr;
    if (whole) *whole = root && tokens_.Next().empty();
    return root;
  }

  // Comparisons, the loosest operators, group from the left.
  std::unique_ptr<FormulaNode> Expression() {
    if (++depth_ > kMaxDepth) tooDeep_ = true;
    std::unique_ptr<FormulaNode> left = tooDeep_ ? nullptr : Arithmetic();
    while (left && !tooDeep_) {
      char16_t op = ComparisonOperator();
      if (!op) break;
      std::unique_ptr<FormulaNode> right = Arithmetic();
      left = FormulaBinaryOperation::Make(op, std::move(left), std::move(right));
    }
    --depth_;
    return left;
  }

 private:
  // Reads = < > <= >= <>, or steps back and gives 0.
  char16_t ComparisonOperator() {
    std::u16string_view t = tokens_.Next();
    if (t == u"=") return u'=';
    if (t == u"<") {
      std::u16string_view u = tokens_.Next();
      if (u == u"=") return kLessEqual;
      if (u == u">") return kNotEqual;
      tokens_.Previous();
      return u'<';
    }
    if (t == u">") {
      if (tokens_.Next() == u"=") return kGreaterEqual;
      tokens_.Previous();
      return u'>';
    }
    tokens_.Previous();
    return 0;
  }

  // The operators & + - * / as the grammar has always built them, over
  // powers and signed operands.
  std::unique_ptr<FormulaNode> Arithmetic() {
    if (++depth_ > kMaxDepth) tooDeep_ = true;
    std::unique_ptr<FormulaNode> result = tooDeep_ ? nullptr : ArithmeticBody();
    --depth_;
    return result;
  }

  std::unique_ptr<FormulaNode> ArithmeticBody() {
    std::unique_ptr<FormulaNode> primary = Power();
    std::u16string_view t = tokens_.Next();
    if (t == u"&") {
      std::unique_ptr<FormulaNode> right = Arithmetic();
      return FormulaBinaryOperation::Make(u'&', std::move(primary), std::move(right));
    }
    if (t == u"+" || t == u"-" || t == u"*" || t == u"/") {
      std::unique_ptr<FormulaNode> right = Arithmetic();
      if (!right || !primary) return nullptr;
      std::unique_ptr<FormulaNode> node = Combine(t[0], std::move(primary), std::move(right));
      if (FileMeaning()) MarkFileMeaning(node.get());
      return node;
    }
    tokens_.Previous();
    return primary;
  }

  // Powers group from the left and bind tighter than * and /; a sign before
  // an operand binds tighter still (-2^2 is 4).
  std::unique_ptr<FormulaNode> Power() {
    std::unique_ptr<FormulaNode> left = Factor();
    while (left && !tooDeep_) {
      if (tokens_.Next() != u"^") {
        tokens_.Previous();
        break;
      }
      std::unique_ptr<FormulaNode> right = Factor();
      left = FormulaBinaryOperation::Make(u'^', std::move(left), std::move(right));
      if (left && FileMeaning()) static_cast<FormulaBinaryOperation*>(left.get())->SetFileMeaning(true);
    }
    return left;
  }

  // An operand with its signs before and its percent signs after.
  std::unique_ptr<FormulaNode> Factor() {
    if (++depth_ > kMaxDepth) tooDeep_ = true;
    if (tooDeep_) {
      --depth_;
      return nullptr;
    }
    std::unique_ptr<FormulaNode> node;
    std::u16string_view t = tokens_.Next();
    if (t == u"-") {
      node = FormulaUnaryOperation::Make(u'-', Factor());
    } else if (t == u"+") {
      // A leading plus changes nothing (=+A1 of other programs).
      node = Factor();
    } else {
      tokens_.Previous();
      node = Atom();
      while (node && tokens_.Next() == u"%") node = FormulaUnaryOperation::Make(u'%', std::move(node));
      if (node) tokens_.Previous();
    }
    --depth_;
    return node;
  }

  std::unique_ptr<FormulaNode> Atom() {
    std::u16string_view t = tokens_.Next();
    if (t == u"(") {
      std::unique_ptr<FormulaNode> inner = Expression();
      if (inner && inner->Kind() == FormulaNodeKind::Binary) {
        static_cast<FormulaBinaryOperation*>(inner.get())->SetParenthesised(true);
      }
      if (tokens_.Next() != u")") return nullptr;
      return inner;
    }
    if (!t.empty() && t != u"!") {
      if (tokens_.Next() == u"!") {
        Sheet* target = SheetOfToken(t, sheet_);
        return target ? Operand(target, true) : nullptr;
      }
      tokens_.Previous();
    }
    if (language_ == u"xlsx" && !t.empty() && !StartsLiteral(t)) {
      ptrdiff_t mark = tokens_.Mark();
      if (tokens_.Next() == u"(") return FileCall(t);
      tokens_.Reset(mark);
    }
    const FunctionEntry* entry = language_ == u"xlsx" ? nullptr : registry_.Find(t, language_);
    if (entry) {
      ptrdiff_t mark = tokens_.Mark();
      if (tokens_.Next() == u"(" || !IsBooleanEntry(*entry)) {
        tokens_.Reset(mark);
        return Call(*entry);
      }
      tokens_.Reset(mark);
    }
    // TRUE and FALSE without parentheses, as other programs write them.
    const FunctionEntry* named = registry_.Find(t, language_ == u"xlsx" ? u"en" : language_);
    if (named && IsBooleanEntry(*named)) return std::make_unique<FormulaConstant>(BooleanValue(named->english == u"TRUE"));
    tokens_.Previous();
    return Operand(sheet_, false);
  }

  // Whether a call with that many arguments fits the signature.
  static bool ArityFits(const std::string& signature, size_t count) {
    size_t least = 0, most = 0;
    bool list = false;
    for (char letter : signature) {
      if (letter == 'l') {
        if (least == 0 && most == 0) least = 1;
        list = true;
      } else if (letter == 'o') {
        ++most;
      } else {
        ++least;
        ++most;
      }
    }
    most = std::max(most, least);
    return count >= least && (list || count <= most);
  }

  // Operators of a file's formula, and of the translations put in its place.
  bool FileMeaning() const { return language_ == u"xlsx" || placeholders_; }

  // The operators + - * / of a combined tree, down its left side, take the
  // file's meaning (those below were marked when they were built).
  static void MarkFileMeaning(FormulaNode* node) {
    while (node && node->Kind() == FormulaNodeKind::Binary) {
      auto* b = static_cast<FormulaBinaryOperation*>(node);
      if (b->GetOperator() == u'&' || IsComparison(b->GetOperator())) break;
      b->SetFileMeaning(true);
      if (b->IsParenthesised()) break;
      node = b->GetLeft();
    }
  }

  static bool IsBooleanEntry(const FunctionEntry& entry) {
    return entry.english == u"TRUE" || entry.english == u"FALSE";
  }

  // A call in a file's formula: the arguments are read as they stand, then
  // the file's function becomes the Quadrell one of the same meaning, or the
  // Quadrell formula that computes it.
  std::unique_ptr<FormulaNode> FileCall(std::u16string_view name) {
    std::vector<std::unique_ptr<FormulaNode>> arguments;
    if (tokens_.Next() != u")") {
      tokens_.Previous();
      while (true) {
        std::unique_ptr<FormulaNode> argument = Expression();
        if (!argument) return nullptr;
        arguments.push_back(std::move(argument));
        std::u16string_view t = tokens_.Next();
        if (t == u",") continue;
        if (t != u")") return nullptr;
        break;
      }
    }
    FileReading reading = ReadFileFunction(name, arguments.size());
    const FunctionEntry* entry = reading.entry;
    std::u16string_view text = reading.templateText;
    if (reading.kind == FileReading::kTemplate && text.ends_with(u"($0)") &&
        text.find(u'$') == text.size() - 3) {
      // Another name for the same arguments.
      std::u16string upper(text.substr(0, text.size() - 4));
      entry = registry_.Find(upper, u"en");
    } else if (reading.kind != FileReading::kSame) {
      entry = nullptr;
    }
    if (entry) {
      if (!ArityFits(entry->signature, arguments.size())) return nullptr;
      return std::make_unique<FormulaFunction>(std::move(arguments), entry, sheet_);
    }
    if (reading.kind != FileReading::kTemplate) return nullptr;
    TokenList translation;
    std::u16string source = u"=";
    source += reading.templateText;
    Tokenize(source, u"en", translation);
    Parser inner(translation, sheet_, u"en", &arguments);
    bool whole = false;
    std::unique_ptr<FormulaNode> node = inner.Formula(&whole);
    return whole ? std::move(node) : nullptr;
  }

  // $1, $2 ... in a translation: a copy of that argument.
  std::unique_ptr<FormulaNode> Placeholder(std::u16string_view t) {
    size_t index = 0;
    for (size_t i = 1; i < t.size(); ++i) {
      if (!IsDigit(t[i])) return nullptr;
      index = index * 10 + static_cast<size_t>(t[i] - u'0');
    }
    if (index < 1 || index > placeholders_->size()) return nullptr;
    return (*placeholders_)[index - 1]->CopyShifted(0, 0);
  }

  // The grammar is right-recursive; this rebuilds the tree so that * and /
  // bind tighter than + and -, and operators of one level group from the left.
  static std::unique_ptr<FormulaNode> Combine(char16_t op, std::unique_ptr<FormulaNode> primary,
                                              std::unique_ptr<FormulaNode> right) {
    FormulaBinaryOperation* parent = nullptr;
    FormulaNode* x = right.get();
    while (x->Kind() == FormulaNodeKind::Binary) {
      auto* b = static_cast<FormulaBinaryOperation*>(x);
      if (b->IsParenthesised() || !IsCombinable(b->GetOperator()) ||
          (IsAdditive(op) && !IsAdditive(b->GetOperator())))
        break;
      parent = b;
      x = b->GetLeft();
    }
    if (!parent) return std::make_unique<FormulaBinaryOperation>(op, std::move(primary), std::move(right));
    parent->SetLeft(std::make_unique<FormulaBinaryOperation>(op, std::move(primary), parent->TakeLeft()));
    return right;
  }

  // A literal, or a reference to a cell or range of the target sheet; named
  // references name their sheet when rendered.
  std::unique_ptr<FormulaNode> Operand(Sheet* target, bool namesSheet) {
    std::u16string_view t = tokens_.Next();
    if (placeholders_ && t.size() >= 2 && t[0] == u'$' && IsDigit(t[1])) return Placeholder(t);
    if (!namesSheet && StartsLiteral(t)) {
      if (const Value* scientific = ScientificLiteral(t)) return std::make_unique<FormulaConstant>(scientific);
      return std::make_unique<FormulaConstant>(ParseLiteral(t));
    }
    ReferenceParts parts;
    if (!ReadReference(t, parts)) {
      tokens_.Previous();
      return nullptr;
    }
    if (tokens_.Next() == u":") return FormulaRange::FromTokens(t, tokens_.Next(), target, namesSheet);
    tokens_.Previous();
    return std::make_unique<FormulaValue>(parts.OnGrid() ? target->GetCellDirect(parts.row, parts.column) : nullptr,
                                          parts.absoluteRow, parts.absoluteColumn, namesSheet);
  }

  // Reads the arguments by the entry's signature, letter by letter; "l" is
  // reused for every further argument.
  std::unique_ptr<FormulaNode> Call(const FunctionEntry& entry) {
    if (tokens_.Next() != u"(") return nullptr;
    const std::string& signature = entry.signature;
    std::u16string_view separator = ArgumentSeparator(language_);
    std::vector<std::unique_ptr<FormulaNode>> arguments;
    size_t letter = 0;
    while (letter < signature.size()) {
      if (placeholders_ && signature[letter] == 'l' && tokens_.Next() == u"$0") {
        // Every argument of the call being translated.
        for (const auto& p : *placeholders_) arguments.push_back(p->CopyShifted(0, 0));
        if (tokens_.Next() == separator) continue;
        tokens_.Previous();
        break;
      } else if (placeholders_ && signature[letter] == 'l') {
        tokens_.Previous();
      }
      std::unique_ptr<FormulaNode> argument = Expression();
      if (argument) {
        arguments.push_back(std::move(argument));
      } else if (signature[letter] == 'o') {
        ++letter;
        continue;
      } else {
        return nullptr;
      }
      if (signature[letter] != 'l' && ++letter == signature.size()) break;
      if (tokens_.Next() == separator) continue;
      tokens_.Previous();
      if (signature[letter] != 'l' && signature[letter] != 'o') return nullptr;
      break;
    }
    if (tokens_.Next() != u")") return nullptr;
    return std::make_unique<FormulaFunction>(std::move(arguments), &entry, sheet_);
  }

  TokenList& tokens_;
  Sheet* sheet_;
  std::u16string_view language_;
  const FunctionRegistry& registry_;
  std::vector<std::unique_ptr<FormulaNode>>* placeholders_;
  int depth_ = 0;
  bool tooDeep_ = false;
};

}  // namespace

std::unique_ptr<FormulaNode> ParseFormula(TokenList& tokens, Sheet* sheet, std::u16string_view language,
                                          bool* whole) {
  return Parser(tokens, sheet, language).Formula(whole);
}

std::unique_ptr<Formula> CompileFormula(std::u16string_view text, Sheet* sheet, std::u16string_view language) {
  std::unique_ptr<FormulaNode> root;
  bool whole = true;
  if (sheet) {
    // Compiling does not nest, so one list serves every formula and keeps its storage.
    static TokenList tokens;
    Tokenize(text, language, tokens);
    root = ParseFormula(tokens, sheet, language, &whole);
  }
  return std::make_unique<Formula>(text.empty() ? text : text.substr(1), std::move(root), !whole);
}

std::vector<std::unique_ptr<Range>> ReferencedRanges(std::u16string_view text, Sheet* sheet,
                                                     std::u16string_view language, Sheet* shown) {
  std::vector<std::unique_ptr<Range>> ranges;
  if (!sheet) return ranges;
  if (!shown) shown = sheet;
  std::u16string plain;
  plain.reserve(text.size());
  for (char16_t c : text) {
    if (c != u'$') plain += c;
  }
  TokenList tokens = Tokenize(plain, language);
  Cell* last = nullptr;       // the last reference's cell, when it lies on the shown sheet
  Sheet* lastOn = nullptr;    // the sheet the last reference lies on (null: no such sheet)
  bool read = false;          // a reference was read
  bool joining = false;       // a ":" followed the last reference
  Sheet* named = nullptr;     // the sheet a "Name!" before the reference names
  bool naming = false;
  for (size_t i = 0; i < tokens.Size(); ++i) {
    std::u16string_view t = tokens.At(i);
    if (i + 1 < tokens.Size() && tokens.At(i + 1) == u"!") {
      named = SheetOfToken(t, sheet);
      naming = true;
      ++i;
      continue;
    }
    if (t == u":") {
      joining = read;
      continue;
    }
    ReferenceParts parts;
    if (StartsLiteral(t) || !ReadReference(t, parts) || !parts.OnGrid()) continue;
    // The second corner of a range lies on the sheet of the first.
    Sheet* on = joining ? lastOn : naming ? named : sheet;
    naming = false;
    Cell* cell = on && on == shown ? on->GetCellDirect(parts.row, parts.column) : nullptr;
    if (cell && joining && last && !ranges.empty()) {
      ranges.back() = std::make_unique<CellRange>(last, cell, on);
    } else if (cell) {
      ranges.push_back(std::make_unique<SingleCellRange>(cell));
    }
    joining = false;
    read = true;
    last = cell;
    lastOn = on;
  }
  return ranges;
}

bool IsSimpleFormula(std::u16string_view text) {
  if (text.empty() || !IsDigit(text[0])) return false;
  bool hasOperator = false;
  for (char16_t c : text) {
    if (c == u'+' || c == u'-' || c == u'*' || c == u'/') {
      hasOperator = true;
    } else if (!IsDigit(c) && c != u'.' && c != u',' && c != u' ') {
      return false;
    }
  }
  return hasOperator;
}

}  // namespace quadrell
