#pragma once
// The interface every node of a compiled formula offers: evaluation, the walk
// over the cells and ranges it reads, rendering in either language and shifted
// copies. Evaluation never recurses into other formulas: a reference reads the
// value its cell stores now.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "value/Matrix.h"
#include "value/Value.h"

namespace quadrell {

class Cell;
class FormulaRange;
class Range;
class Sheet;

enum class FormulaNodeKind : uint8_t { Value, Range, Constant, Unary, Binary, Function };

// Receives the references of a formula, left to right.
class ReferenceVisitor {
 public:
  virtual void OnCell(Cell* cell) = 0;
  virtual void OnRange(FormulaRange& range) = 0;

 protected:
  ~ReferenceVisitor() = default;
};

class FormulaNode {
 public:
  explicit FormulaNode(FormulaNodeKind kind) : kind_(kind) {}
  virtual ~FormulaNode() = default;
  FormulaNode(const FormulaNode&) = delete;
  FormulaNode& operator=(const FormulaNode&) = delete;

  // A new matrix owned by the caller.
  virtual std::unique_ptr<Matrix> Evaluate() = 0;
  // The cell iteration: every cell the node reads, a range's cells row by row
  // (created when missing). Reset, then next while has-next.
  virtual bool HasNextCell() = 0;
  virtual Cell* NextCell() = 0;
  virtual void ResetCells() = 0;
  // The range iteration: the range object of every range reference.
  virtual bool HasNextRange() = 0;
  virtual Range* NextRange() = 0;
  virtual void ResetRanges() = 0;
  // The node as formula text without spaces, in "de" or "en".
  std::u16string ToText(std::u16string_view language) const {
    std::u16string text;
    AppendText(text, language);
    return text;
  }
  // An independent copy in which relative references move by the offsets. A
  // reference moved off the sheet (before column A or above row 1) is kept as
  // a broken reference, rendered "#REF".
  virtual std::unique_ptr<FormulaNode> CopyShifted(int32_t columnOffset, int32_t rowOffset) const = 0;

  // The value at (0, 0) of Evaluate; nodes that can avoid building a matrix do.
  virtual const Value* EvaluateValue();
  virtual void AppendText(std::u16string& out, std::u16string_view language) const = 0;
  // The references, left to right, without creating the cells of ranges.
  virtual void VisitReferences(ReferenceVisitor& visitor) = 0;
  // The number of cells the cell iteration yields, without creating any.
  virtual int64_t CountCells() const = 0;

  FormulaNodeKind Kind() const { return kind_; }

 private:
  FormulaNodeKind kind_;
};

// Formula languages: "de" uses the German names and ";"; any other (English,
// and the empty language of systems in neither language) the English names and ",".
inline bool IsEnglish(std::u16string_view language) { return language != u"de"; }

// One-value results.
inline std::unique_ptr<Matrix> SingleValue(const Value* value) { return std::make_unique<SingleValueMatrix>(value); }

}  // namespace quadrell
