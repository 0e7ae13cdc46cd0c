#include "formula/Formula.h"

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
    case u':': case u'&': case u'>': case u'<': case u'!':
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
  for (size_t i = 0; i < n; ++i) {
    char16_t c = text[i];
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

bool IsAdditive(char16_t op) { return op == u'+' || op == u'-'; }

class Parser {
 public:
  Parser(TokenList& tokens, Sheet* sheet, std::u16string_view language)
      : tokens_(tokens), sheet_(sheet), language_(language), registry_(FunctionRegistry::Get()) {}

  std::unique_ptr<FormulaNode> Formula() {
    if (tokens_.Next() != u"=") return nullptr;
    std::unique_ptr<FormulaNode> root = Expression();
    return tooDeep_ ? nullptr : std::move(root);
  }

  std::unique_ptr<FormulaNode> Expression() {
    if (++depth_ > kMaxDepth) tooDeep_ = true;
    std::unique_ptr<FormulaNode> result = tooDeep_ ? nullptr : ExpressionBody();
    --depth_;
    return result;
  }

 private:
  std::unique_ptr<FormulaNode> ExpressionBody() {
    std::u16string_view t = tokens_.Next();
    std::unique_ptr<FormulaNode> primary;
    bool complete = false;
    if (t == u"(") {
      primary = Expression();
      if (primary && primary->Kind() == FormulaNodeKind::Binary) {
        static_cast<FormulaBinaryOperation*>(primary.get())->SetParenthesised(true);
      }
      if (tokens_.Next() != u")") return nullptr;
      complete = true;
    } else if (t == u"-") {
      primary = FormulaUnaryOperation::Make(u'-', Operand());
    } else if (const FunctionEntry* entry = registry_.Find(t, language_)) {
      primary = Call(*entry);
      complete = true;
    }
    if (!complete && !primary) {
      tokens_.Previous();
      primary = Operand();
    }
    t = tokens_.Next();
    if (t == u"&") {
      std::unique_ptr<FormulaNode> right = Expression();
      return FormulaBinaryOperation::Make(u'&', std::move(primary), std::move(right));
    }
    if (t == u"+" || t == u"-" || t == u"*" || t == u"/") {
      std::unique_ptr<FormulaNode> right = Expression();
      if (!right || !primary) return nullptr;
      return Combine(t[0], std::move(primary), std::move(right));
    }
    tokens_.Previous();
    return primary;
  }

  // The grammar is right-recursive; this rebuilds the tree so that * and /
  // bind tighter than + and -, and operators of one level group from the left.
  static std::unique_ptr<FormulaNode> Combine(char16_t op, std::unique_ptr<FormulaNode> primary,
                                              std::unique_ptr<FormulaNode> right) {
    FormulaBinaryOperation* parent = nullptr;
    FormulaNode* x = right.get();
    while (x->Kind() == FormulaNodeKind::Binary) {
      auto* b = static_cast<FormulaBinaryOperation*>(x);
      if (b->IsParenthesised() || (IsAdditive(op) && !IsAdditive(b->GetOperator()))) break;
      parent = b;
      x = b->GetLeft();
    }
    if (!parent) return std::make_unique<FormulaBinaryOperation>(op, std::move(primary), std::move(right));
    parent->SetLeft(std::make_unique<FormulaBinaryOperation>(op, std::move(primary), parent->TakeLeft()));
    return right;
  }

  std::unique_ptr<FormulaNode> Operand() {
    std::u16string_view t = tokens_.Next();
    if (StartsLiteral(t)) return std::make_unique<FormulaConstant>(ParseLiteral(t));
    ReferenceParts parts;
    if (!ReadReference(t, parts)) {
      tokens_.Previous();
      return nullptr;
    }
    if (tokens_.Next() == u":") return FormulaRange::FromTokens(t, tokens_.Next(), sheet_);
    tokens_.Previous();
    return std::make_unique<FormulaValue>(sheet_, parts.OnGrid() ? sheet_->GetCellDirect(parts.row, parts.column) : nullptr,
                                          parts.absoluteRow, parts.absoluteColumn);
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
  int depth_ = 0;
  bool tooDeep_ = false;
};

}  // namespace

std::unique_ptr<FormulaNode> ParseFormula(TokenList& tokens, Sheet* sheet, std::u16string_view language) {
  return Parser(tokens, sheet, language).Formula();
}

std::unique_ptr<Formula> CompileFormula(std::u16string_view text, Sheet* sheet, std::u16string_view language) {
  std::unique_ptr<FormulaNode> root;
  if (sheet) {
    // Compiling does not nest, so one list serves every formula and keeps its storage.
    static TokenList tokens;
    Tokenize(text, language, tokens);
    root = ParseFormula(tokens, sheet, language);
  }
  return std::make_unique<Formula>(text.empty() ? text : text.substr(1), std::move(root));
}

std::vector<std::unique_ptr<Range>> ReferencedRanges(std::u16string_view text, Sheet* sheet,
                                                     std::u16string_view language) {
  std::vector<std::unique_ptr<Range>> ranges;
  if (!sheet) return ranges;
  std::u16string plain;
  plain.reserve(text.size());
  for (char16_t c : text) {
    if (c != u'$') plain += c;
  }
  TokenList tokens = Tokenize(plain, language);
  Cell* last = nullptr;
  Cell* pending = nullptr;
  for (size_t i = 0; i < tokens.Size(); ++i) {
    std::u16string_view t = tokens.At(i);
    if (t == u":") {
      pending = last;
      continue;
    }
    ReferenceParts parts;
    if (StartsLiteral(t) || !ReadReference(t, parts) || !parts.OnGrid()) continue;
    Cell* cell = sheet->GetCellDirect(parts.row, parts.column);
    if (pending && !ranges.empty()) {
      ranges.back() = std::make_unique<CellRange>(pending, cell, sheet);
    } else {
      ranges.push_back(std::make_unique<SingleCellRange>(cell));
    }
    pending = nullptr;
    last = cell;
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
