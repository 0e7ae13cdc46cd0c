#pragma once
// One touched grid position: the typed input read as a value or a formula, the
// computed value, an optional own style, and the links that make formulas
// recalculate. A cell knows its row and column objects, not numbers, so it
// follows when rows and columns are inserted or deleted.
//
// A cell is kept small (the sheet holds millions): row, column, a 32-bit value
// reference, a 32-bit style handle and a pointer to a side record that is made
// only for the few cells with a formula, dependents, listeners, a spill, a
// comment or a merge; a cell read by just one formula holds that one in its
// place.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formula/Formula.h"
#include "formula/FormulaNode.h"
#include "model/Style.h"
#include "value/Matrix.h"
#include "value/Value.h"

namespace quadrell {

class Column;
class CommentRecord;  // a cell comment: author, text, cell; defined with the sheet objects
class Host;
class Range;
class Row;
class Sheet;
struct CellExtra;

using CellListener = void (*)(void* userData, class Cell* cell);

// While one lives (a file being loaded), formulas are compiled and linked
// but not computed, and no change recalculates anything; when the outermost
// ends, every formula stored meanwhile is computed once, each after the
// formulas it reads, and formulas on a cycle show "Cycle Found". Loading
// thus costs the same whatever order the cells arrive in.
class DeferredRecalculation {
 public:
  DeferredRecalculation();
  ~DeferredRecalculation();
  DeferredRecalculation(const DeferredRecalculation&) = delete;
  DeferredRecalculation& operator=(const DeferredRecalculation&) = delete;
};

class Cell {
 public:
  // Asks the sheet for the row and column objects (created when missing). The
  // cell is not stored in the row: rows create their cells with the second form.
  Cell(int32_t row, int32_t column, Sheet* sheet);
  Cell(Row* row, Column* column);
  ~Cell();
  Cell(const Cell&) = delete;
  Cell& operator=(const Cell&) = delete;

  // Own style, else the row's, else the column's, else the sheet's default. Never null.
  const StyleRecord* GetStyle() const;
  // A private copy of the effective style, to change and pass to SetStyle.
  StyleRecord CopyStyle() const;
  // Interns the record as own style, keeps the borders of existing neighbours
  // consistent and recomputes the row's automatic height. True when the row
  // height changed. An own style equal to the inherited one is dropped.
  bool SetStyle(const StyleRecord& style);
  // The display text; "" for a never-filled cell.
  std::u16string GetText() const;
  // The value, or the shared empty value for a never-filled cell.
  const Value* GetValue() const {
    const Value* v = ValueAtReference(value_);
    return v ? v : EmptyValue();
  }
  ValueRecord GetValueCopy() const;
  // Stores the value (null clears it) without parsing, adjusts hyperlink
  // styling, then recalculates the dependents and tells the listeners.
  void SetValue(const Value* value);
  // For file loaders that read a value straight in instead of parsing its
  // text: the cell then holds it as input, as if the value had been typed.
  void SetValueAsInput(const Value* value);
  // The text the user edits: "=" and the formula in the host's language, else the value as text.
  std::u16string GetInput() const;
  // Interprets typed text in the host's formula language.
  void SetInput(std::u16string_view text);
  // The same with an explicit formula language ("de" or "en"; file import passes "en").
  void SetInput(std::u16string_view text, std::u16string_view language);
  // A formula read from a file ("=" and the text, in the file's English).
  // One that cannot be computed here (it does not parse, or not as a whole)
  // keeps its text and shows the value the file cached (null for none); it
  // computes again once it is edited.
  void SetFileFormula(std::u16string_view text, const Value* cached);
  // Pushes a cell whose formula reads this one (no duplicate check).
  void AddDependent(Cell* cell);
  // Removes the newest link to the cell; true when there was one.
  bool RemoveDependent(Cell* cell);
  // Re-evaluates the formula, recalculates every dependent and repaints the cell.
  void Recalculate();
  // B7; "#Ref" for a cell without row or column object.
  std::u16string GetName() const;
  bool HasStyle() const { return style_ != 0; }
  // True when the target is this cell or is read by this cell's formula,
  // directly or through other formulas. Cells already marked with the stamp
  // are not searched again; take each search's stamp from NewCycleStamp.
  bool DependsOn(Cell* target, uint64_t stamp);
  int32_t GetRowIndex() const;
  int32_t GetColumnIndex() const;
  bool IsInputEmpty() const { return (tagged_ & kInputNotEmpty) == 0; }
  // Ever given a value or an input: false for a cell made only because a
  // formula names its position, which files do not write.
  bool IsFilled() const { return value_ != 0 || !IsInputEmpty(); }
  // True when a formula is stored: an own one, one that did not parse (its text
  // is kept), or the formula of the spill this cell belongs to.
  bool HasFormula() const;
  // "=" and the formula in English.
  std::u16string GetEnglishFormulaText() const;
  // "=" and the formula as spreadsheet files write it, with the functions
  // whose meaning differs there translated.
  std::u16string GetFileFormulaText() const;
  Formula* GetFormula() const;
  // Rebuilds the list of ranges the formula text names, for the grid view to mark.
  void SetReferenceRanges(std::u16string_view text);
  const std::vector<std::unique_ptr<Range>>& GetReferenceRanges() const;
  // Copies the source's input; a formula is moved by the offsets.
  void CopyFrom(Cell* source, int32_t columnOffset, int32_t rowOffset);
  // The input a copy moved by the offsets gets: the formula with its references
  // shifted, in the host's language; the input itself for a cell without formula.
  std::u16string GetShiftedInput(int32_t columnOffset, int32_t rowOffset) const;
  // Has a non-empty value, or an own style with a fill other than white or a border.
  bool IsUsed() const;
  CommentRecord* GetComment() const;
  // The cell does not own the record; a replaced record's comment object is
  // taken off the sheet.
  void SetComment(CommentRecord* record);
  void AddListener(void* userData, CellListener callback);
  void RemoveListener(void* userData);
  Sheet* GetSheet() const;
  int32_t GetColumnSpan() const;
  int32_t GetRowSpan() const;
  void SetSpan(int32_t columnSpan, int32_t rowSpan);
  Cell* GetMergeMaster() const;
  void SetMergeMaster(Cell* master);

  // Spills a result wider or taller than one cell over the cells to the right
  // and below, or stores "Matrix Error" when one of them is taken.
  void SpillMatrix(const Matrix& matrix);
  bool IsMatrixMember() const;
  bool IsMatrixBlocked() const;
  int32_t GetMatrixColumnOffset() const;
  int32_t GetMatrixRowOffset() const;

  // Removes the formula's links to the cells and ranges it reads, for a cell
  // that leaves the sheet (its row or column was deleted); it keeps its value.
  void Detach();

  Row* GetRow() const { return row_; }
  Column* GetColumn() const { return column_; }
  Host* GetHost() const;
  // A stamp that no earlier cycle search used.
  static uint64_t NewCycleStamp();

  // Cells come from a pool: the sheet holds millions of them.
  static void* operator new(size_t size);
  static void operator delete(void* pointer);
  // Bytes the pool holds for cells (in use and free).
  static size_t PooledBytes();

 private:
  static constexpr uintptr_t kInputNotEmpty = 1;
  // The pointer is the one cell that reads this one, not a CellExtra: most
  // cells read by formulas are read by one, and need nothing else.
  static constexpr uintptr_t kSingleDependent = 2;
  static constexpr uintptr_t kTagMask = 7;

  CellExtra* Extra() const {
    return (tagged_ & kSingleDependent) ? nullptr : reinterpret_cast<CellExtra*>(tagged_ & ~kTagMask);
  }
  Cell* SingleDependent() const {
    return (tagged_ & kSingleDependent) ? reinterpret_cast<Cell*>(tagged_ & ~kTagMask) : nullptr;
  }
  CellExtra& MakeExtra();
  void ReleaseExtraIfUnused();
  void SetInputEmpty(bool empty);
  // Tells the sheet whether the cell is now used, for its used size.
  void NoteUsage() const;
  // The number format of the cell's style for a typed number without a format
  // of its own and for every computed one, so a recalculation keeps what the cell shows.
  const Value* WithStyleFormat(const Value* value, bool computed);
  void StoreValue(const Value* value, bool notifyDependents);
  void NotifyChanged(bool notifyDependents);
  void ApplyStyleHandle(uint32_t handle);
  void TakeDownSpill();
  void UnlinkFormula();
  void LinkFormula();
  void DropFormula();
  void RecalculateOnce();
  // Computes and links a freshly compiled formula, or defers it during a load.
  void ApplyCompiledFormula();
  void EvaluateAndStore(bool notifyDependents);
  void StoreResult(std::unique_ptr<Matrix> result, bool notifyDependents);
  void RetractSpill(int32_t columns, int32_t rows);
  std::vector<Cell*> SpillMembers() const;
  const StyleRecord* InheritedStyle() const;
  std::u16string_view Language() const;
  friend class CellPropagation;

  // The formula engine's side of the cell: compile, evaluate, walk references.
  void CompileFormula(std::u16string_view text, std::u16string_view language);
  bool HasCompiledFormula() const;
  // Whether this cell's new formula reads, directly or through the formulas
  // linked to it, this cell itself.
  bool FormsCycle();
  std::u16string FormulaText(std::u16string_view language) const;
  std::u16string ShiftedFormulaText(int32_t columnOffset, int32_t rowOffset, std::u16string_view language) const;
  void CollectNamedRanges(std::u16string_view text, std::vector<std::unique_ptr<Range>>& ranges) const;
  void ReleaseFormula();

  Row* row_;
  Column* column_;
  uint32_t value_ = 0;  // ValueReference of the value; 0 for never filled
  uint32_t style_ = 0;  // StyleHandle of the own style; 0 to inherit
  uintptr_t tagged_ = 0;  // CellExtra or single dependent pointer, low bits: kInputNotEmpty, kSingleDependent
};

}  // namespace quadrell
