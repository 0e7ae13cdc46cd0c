#include "formula/FormulaFunction.h"

#include "formula/FileTranslation.h"

namespace quadrell {

namespace {
std::u16string_view Separator(std::u16string_view language) { return IsEnglish(language) ? u"," : u";"; }
}  // namespace

FormulaFunction::FormulaFunction(std::vector<std::unique_ptr<FormulaNode>> arguments, const FunctionEntry* entry,
                                 Sheet* sheet)
    : FormulaNode(FormulaNodeKind::Function), entry_(entry), sheet_(sheet) {
  for (auto& a : arguments) {
    arguments_.push_back(a.get());
    a.release();
  }
}
static_assert(sizeof(FormulaFunction) <= 6 * sizeof(void*), "a call stays six words");

FormulaFunction::~FormulaFunction() {
  for (FormulaNode* a : arguments_) delete a;
}

void FormulaFunction::ResetCells() {
  for (FormulaNode* a : arguments_) a->ResetCells();
  cursor_ = 0;
}

bool FormulaFunction::HasNextCell() {
  while (cursor_ < arguments_.size()) {
    if (arguments_[cursor_]->HasNextCell()) return true;
    ++cursor_;
  }
  return false;
}

Cell* FormulaFunction::NextCell() { return HasNextCell() ? arguments_[cursor_]->NextCell() : nullptr; }

void FormulaFunction::ResetRanges() {
  for (FormulaNode* a : arguments_) a->ResetRanges();
  cursor_ = 0;
}

bool FormulaFunction::HasNextRange() {
  while (cursor_ < arguments_.size()) {
    if (arguments_[cursor_]->HasNextRange()) return true;
    ++cursor_;
  }
  return false;
}

Range* FormulaFunction::NextRange() { return HasNextRange() ? arguments_[cursor_]->NextRange() : nullptr; }

std::unique_ptr<FormulaNode> FormulaFunction::CopyShifted(int32_t columnOffset, int32_t rowOffset) const {
  std::vector<std::unique_ptr<FormulaNode>> copies;
  copies.reserve(arguments_.size());
  for (const FormulaNode* a : arguments_) copies.push_back(a->CopyShifted(columnOffset, rowOffset));
  return std::make_unique<FormulaFunction>(std::move(copies), entry_, sheet_);
}

void FormulaFunction::AppendText(std::u16string& out, std::u16string_view language) const {
  if (language == u"xlsx") {
    AppendFileCall(out, *this);
    return;
  }
  out += entry_->Name(language);
  out += u'(';
  for (size_t i = 0; i < arguments_.size(); ++i) {
    if (i > 0) out += Separator(language);
    arguments_[i]->AppendText(out, language);
  }
  out += u')';
}

void FormulaFunction::VisitReferences(ReferenceVisitor& visitor) {
  for (FormulaNode* a : arguments_) a->VisitReferences(visitor);
}

int64_t FormulaFunction::CountCells() const {
  int64_t n = 0;
  for (const FormulaNode* a : arguments_) n += a->CountCells();
  return n;
}

}  // namespace quadrell
