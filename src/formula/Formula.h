#pragma once
// A compiled formula: the text of a formula such as =SUMME(A1:B3;2)*C1 turned
// into a tree of nodes bound to a sheet. The language ("de" or "en") decides
// the function names and the argument separator; "xlsx" reads and writes the
// English of spreadsheet files, whose functions may mean something else.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formula/FileTranslation.h"
#include "formula/FormulaNode.h"

namespace quadrell {

class Range;
class Sheet;

// ";" for "de", "," for any other language.
std::u16string_view ArgumentSeparator(std::u16string_view language);

// The tokens of a formula text with a cursor. The list ends with one empty
// token; reading past the end keeps giving it.
class TokenList {
 public:
  std::u16string_view Next() {
    if (cursor_ + 1 < static_cast<ptrdiff_t>(tokens_.size())) ++cursor_;
    return At(static_cast<size_t>(cursor_));
  }
  void Previous() {
    if (cursor_ > -1) --cursor_;
  }
  ptrdiff_t Mark() const { return cursor_; }
  void Reset(ptrdiff_t mark) { cursor_ = mark; }
  size_t Size() const { return tokens_.size(); }
  std::u16string_view At(size_t i) const {
    return std::u16string_view(text_).substr(tokens_[i].offset, tokens_[i].length);
  }

 private:
  friend void Tokenize(std::u16string_view text, std::u16string_view language, TokenList& list);
  struct Token {
    uint32_t offset;
    uint32_t length;
  };
  // The formula upper-cased outside quotes, followed by the closing ")" that
  // were missing; the tokens are pieces of it.
  std::u16string text_;
  std::vector<Token> tokens_;
  ptrdiff_t cursor_ = -1;
};

// Splits at the separator and at = + - * / ( ) : & > < !; a quoted text is one
// token, kept as typed; every other token is upper-cased. Unclosed "(" are
// closed at the end.
TokenList Tokenize(std::u16string_view text, std::u16string_view language);
// The same into a list whose storage is reused.
void Tokenize(std::u16string_view text, std::u16string_view language, TokenList& list);

class Formula {
 public:
  // The text is kept for a formula without a tree, and for one whose tree
  // does not stand for the whole text (tokens after a complete expression):
  // rendering such a tree would lose the rest.
  Formula(std::u16string_view text, std::unique_ptr<FormulaNode> root, bool keepText = false)
      : text_(root && !keepText ? nullptr : std::make_unique<const std::u16string>(text)),
        root_(std::move(root)),
        keepText_(keepText && root_) {}

  std::unique_ptr<Matrix> Evaluate() { return root_ ? root_->Evaluate() : nullptr; }
  bool HasNextCell() { return root_ && root_->HasNextCell(); }
  Cell* NextCell() { return root_ ? root_->NextCell() : nullptr; }
  void ResetCells() {
    if (root_) root_->ResetCells();
  }
  bool HasNextRange() { return root_ && root_->HasNextRange(); }
  Range* NextRange() { return root_ ? root_->NextRange() : nullptr; }
  void ResetRanges() {
    if (root_) root_->ResetRanges();
  }
  // Without the "="; a formula that did not parse gives its text as typed.
  std::u16string ToText(std::u16string_view language) const {
    return root_ && !keepText_ ? root_->ToText(language) : GetText();
  }
  // A kept text moves too: its references are shifted as text.
  std::unique_ptr<Formula> CopyShifted(int32_t columnOffset, int32_t rowOffset) const {
    bool moveText = KeepsText() && (columnOffset != 0 || rowOffset != 0);
    return std::make_unique<Formula>(moveText ? ShiftFormulaText(GetText(), columnOffset, rowOffset) : GetText(),
                                     root_ ? root_->CopyShifted(columnOffset, rowOffset) : nullptr, keepText_);
  }
  // True when the stored text stands for the formula instead of its tree.
  bool KeepsText() const { return keepText_ || !root_; }
  FormulaNode* GetRoot() const { return root_.get(); }
  // The typed text without its first character, for a formula that did not parse.
  const std::u16string& GetText() const {
    static const std::u16string none;
    return text_ ? *text_ : none;
  }

 private:
  // Most formulas are their tree: the text is kept only when it must be.
  std::unique_ptr<const std::u16string> text_;
  std::unique_ptr<FormulaNode> root_;
  bool keepText_ = false;
};

// Compiles a text that begins with "="; the result has no root when the text does not parse.
std::unique_ptr<Formula> CompileFormula(std::u16string_view text, Sheet* sheet, std::u16string_view language);
// Whole tells whether the tree stands for every token of the text.
std::unique_ptr<FormulaNode> ParseFormula(TokenList& tokens, Sheet* sheet, std::u16string_view language,
                                          bool* whole = nullptr);

// The references a formula text of the sheet names that lie on the shown
// sheet (by default its own), in order of appearance ("$" ignored), each a
// range over one cell or between two cells. Function names and literals add
// nothing.
std::vector<std::unique_ptr<Range>> ReferencedRanges(std::u16string_view text, Sheet* sheet,
                                                     std::u16string_view language, Sheet* shown = nullptr);

// Arithmetic typed without "=": starts with a digit, holds only digits,
// + - * /, ".", "," and spaces, with at least one operator.
bool IsSimpleFormula(std::u16string_view text);

}  // namespace quadrell
