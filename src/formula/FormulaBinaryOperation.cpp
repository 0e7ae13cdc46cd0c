#include "formula/FormulaBinaryOperation.h"

#include <cmath>

#include "formula/TextCase.h"

namespace quadrell {

namespace {

// 0 numbers (dates, times), 1 texts, 2 booleans.
int Rank(const Value* v) {
  if (v->IsBoolean()) return 2;
  return v->IsNumeric() ? 0 : 1;
}

bool IsEmptyValue(const Value* v) { return v->Kind() == ValueKind::Empty; }

// Numbers that differ only past the 15th significant digit are equal, so that
// 0.1+0.2=0.3 holds as in other spreadsheets.
int CompareNumbers(double x, double y) {
  if (x == y) return 0;
  double scale = std::max(std::fabs(x), std::fabs(y));
  if (std::fabs(x - y) <= scale * 1e-15) return 0;
  return x < y ? -1 : 1;
}

int CompareTexts(std::u16string_view a, std::u16string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = LowerCaseOf(a[i]);
    char16_t y = LowerCaseOf(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// A number as other programs read an operand: texts must hold one.
bool FileNumber(const Value* v, double& out) {
  if (v->IsNumeric()) {
    out = v->Number();
    return true;
  }
  if (v->Kind() == ValueKind::Empty || (v->Kind() == ValueKind::Text && v->Text().empty())) {
    out = 0;
    return v->Kind() == ValueKind::Empty;
  }
  if (v->Kind() != ValueKind::Text) return false;
  const Value* parsed = ParseInput(v->Text());
  if (!parsed->IsNumeric() || parsed->IsBoolean()) return false;
  out = parsed->Number();
  return true;
}

}  // namespace

int CompareValues(const Value* a, const Value* b) {
  if (IsEmptyValue(a) && IsEmptyValue(b)) return 0;
  if (IsEmptyValue(a) || IsEmptyValue(b)) {
    const Value* other = IsEmptyValue(a) ? b : a;
    int sign = IsEmptyValue(a) ? 1 : -1;  // the result as seen from a
    int r = 0;
    switch (Rank(other)) {
      case 0: r = CompareNumbers(0.0, other->Number()); break;
      case 2: r = other->Number() != 0 ? -1 : 0; break;
      default: r = other->Text().empty() ? 0 : -1; break;
    }
    return sign * r;
  }
  int ra = Rank(a), rb = Rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 1) return CompareTexts(a->Text(), b->Text());
  return CompareNumbers(a->Number(), b->Number());
}

std::unique_ptr<FormulaBinaryOperation> FormulaBinaryOperation::Make(char16_t op, std::unique_ptr<FormulaNode> left,
                                                                     std::unique_ptr<FormulaNode> right) {
  if (!left || !right) return nullptr;
  return std::make_unique<FormulaBinaryOperation>(op, std::move(left), std::move(right));
}

FormulaBinaryOperation::FormulaBinaryOperation(char16_t op, std::unique_ptr<FormulaNode> left,
                                               std::unique_ptr<FormulaNode> right)
    : FormulaNode(FormulaNodeKind::Binary), op_(op), left_(std::move(left)), right_(std::move(right)) {}
static_assert(sizeof(FormulaBinaryOperation) <= 4 * sizeof(void*), "an operation stays four words");

const Value* FormulaBinaryOperation::EvaluateValue() {
  const Value* a = left_->EvaluateValue();
  const Value* b = right_->EvaluateValue();
  if (IsComparison(op_)) {
    // An error compared is that error, as other programs give it.
    if (a->Kind() == ValueKind::Error) return a;
    if (b->Kind() == ValueKind::Error) return b;
    int c = CompareValues(a, b);
    switch (op_) {
      case u'=': return BooleanValue(c == 0);
      case u'<': return BooleanValue(c < 0);
      case u'>': return BooleanValue(c > 0);
      case kLessEqual: return BooleanValue(c <= 0);
      case kGreaterEqual: return BooleanValue(c >= 0);
      default: return BooleanValue(c != 0);
    }
  }
  if (op_ == u'&') {
    // Texts longer than a cell may hold are refused, so doubling chains cannot exhaust memory.
    if (a->Text().size() + b->Text().size() > 32767) return NewError(u"Text Too Long");
    std::u16string text(a->Text());
    text += b->Text();
    return NewText(text);
  }
  // Text, errors, the empty value and hyperlinks count as 0.
  double x = a->IsNumeric() ? a->Number() : 0.0;
  double y = b->IsNumeric() ? b->Number() : 0.0;
  if (fileMeaning_) {
    if (a->Kind() == ValueKind::Error) return a;
    if (b->Kind() == ValueKind::Error) return b;
    if (!FileNumber(a, x) || !FileNumber(b, y)) return NewError(u"#VALUE!");
    if (op_ == u'/' && y == 0) return NewError(u"#DIV/0!");
    if (op_ == u'^' && x == 0 && y < 0) return NewError(u"#DIV/0!");
  }
  double r = 0;
  switch (op_) {
    case u'+': r = x + y; break;
    case u'-': r = x - y; break;
    case u'*': r = x * y; break;
    case u'^': r = std::pow(x, y); break;
    default: r = x / y; break;
  }
  return NewNumber(r, a->Format());
}

void FormulaBinaryOperation::ResetCells() {
  state_ = 1;
  left_->ResetCells();
  right_->ResetCells();
}

bool FormulaBinaryOperation::HasNextCell() {
  if (state_ == 1) {
    if (left_->HasNextCell()) return true;
    state_ = 2;
  }
  if (state_ == 2) {
    if (right_->HasNextCell()) return true;
    state_ = 0;
  }
  return false;
}

Cell* FormulaBinaryOperation::NextCell() {
  if (!HasNextCell()) return nullptr;
  return state_ == 1 ? left_->NextCell() : right_->NextCell();
}

void FormulaBinaryOperation::ResetRanges() {
  state_ = 1;
  left_->ResetRanges();
  right_->ResetRanges();
}

bool FormulaBinaryOperation::HasNextRange() {
  if (state_ == 1) {
    if (left_->HasNextRange()) return true;
    state_ = 2;
  }
  if (state_ == 2) {
    if (right_->HasNextRange()) return true;
    state_ = 0;
  }
  return false;
}

Range* FormulaBinaryOperation::NextRange() {
  if (!HasNextRange()) return nullptr;
  return state_ == 1 ? left_->NextRange() : right_->NextRange();
}

std::unique_ptr<FormulaNode> FormulaBinaryOperation::CopyShifted(int32_t columnOffset, int32_t rowOffset) const {
  auto copy = std::make_unique<FormulaBinaryOperation>(op_, left_->CopyShifted(columnOffset, rowOffset),
                                                       right_->CopyShifted(columnOffset, rowOffset));
  copy->parenthesised_ = parenthesised_;
  copy->fileMeaning_ = fileMeaning_;
  return copy;
}

void FormulaBinaryOperation::AppendText(std::u16string& out, std::u16string_view language) const {
  if (parenthesised_) out += u'(';
  left_->AppendText(out, language);
  switch (op_) {
    case kLessEqual: out += u"<="; break;
    case kGreaterEqual: out += u">="; break;
    case kNotEqual: out += u"<>"; break;
    default: out += op_;
  }
  right_->AppendText(out, language);
  if (parenthesised_) out += u')';
}

void FormulaBinaryOperation::VisitReferences(ReferenceVisitor& visitor) {
  left_->VisitReferences(visitor);
  right_->VisitReferences(visitor);
}

}  // namespace quadrell
