#pragma once
// Undo actions: each records one user change by the objects it touched and
// their state before and after, so the host can take the change back and
// make it again. The code that makes a change creates the action around it;
// the model operations themselves stay free of undo logic (merging excepted).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/Style.h"

namespace quadrell {

class AreaRange;
class Cell;
class Column;
class CommentRecord;
class Filter;
struct FilterRowEntry;
struct TakenObjectHolder;
class Row;
class Sheet;
class SheetAnchor;
class Value;
class Workbook;

class Action {
 public:
  virtual ~Action() = default;
  // Restores the state before the change.
  virtual void Undo() = 0;
  // Restores the state after the change.
  virtual void Redo() = 0;
  // What the host's status hook is shown; no action has anything to say.
  virtual const void* GetInfo() const { return nullptr; }
};

// Typed input of one cell. Create it before the change: the old input is the
// cell's current one.
class CellInputAction final : public Action {
 public:
  CellInputAction(Cell* cell, std::u16string_view newInput);
  CellInputAction(Cell* cell, std::u16string_view oldInput, std::u16string_view newInput);
  void Undo() override;
  void Redo() override;

 private:
  void Apply(const std::u16string& input);
  Cell* cell_;
  std::u16string oldInput_;
  std::u16string newInput_;
};

// A value set on a cell directly rather than typed (a percent format, a
// hyperlink): the cell's formula or value and its style before and after.
// Create it before the change and call Finish after it.
class CellValueAction final : public Action {
 public:
  explicit CellValueAction(Cell* cell);
  void Finish();
  void Undo() override;
  void Redo() override;

 private:
  struct State {
    bool hasFormula = false;
    std::u16string input;  // the formula as the user edits it
    const Value* value = nullptr;
    const StyleRecord* style = nullptr;
  };
  static State Capture(const Cell* cell);
  void Restore(const State& state);
  Cell* cell_;
  State before_;
  State after_;
};

// The style of a cell, row, column or sheet. Create it after the change with
// the style the holder had before; the new style is the holder's current one.
class StyleAction final : public Action {
 public:
  using Holder = std::variant<Cell*, Row*, Column*, Sheet*>;
  StyleAction(Holder holder, const StyleRecord* previous);
  void Undo() override;
  void Redo() override;

 private:
  void Apply(const StyleRecord* style);
  Holder holder_;
  const StyleRecord* previous_;
  const StyleRecord* new_;
};

// Several actions taken back and made again as one step: made again in the
// order they were added, taken back in the reverse order, so that members
// touching the same cell (a cut source pasted onto itself) end as before.
class GroupAction final : public Action {
 public:
  void Undo() override;
  void Redo() override;
  void AddAction(std::unique_ptr<Action> action);
  size_t Size() const { return actions_.size(); }

 private:
  std::vector<std::unique_ptr<Action>> actions_;
};

// A dragged row height. Create it after the change; both heights are manual.
class RowHeightAction final : public Action {
 public:
  RowHeightAction(Row* row, int32_t previousHeight);
  void Undo() override;
  void Redo() override;

 private:
  Row* row_;
  int32_t previous_;
  int32_t new_;
};

// A dragged column width. Create it after the change.
class ColumnWidthAction final : public Action {
 public:
  ColumnWidthAction(Column* column, int32_t previousWidth);
  void Undo() override;
  void Redo() override;

 private:
  Column* column_;
  int32_t previous_;
  int32_t new_;
};

// A sheet added at the end of a workbook. Create it after the sheet was added.
// Redoing puts the very same sheet back at the end, so that redoing the later
// changes made on it reaches a sheet the user can see, and shows it again.
class AddSheetAction final : public Action {
 public:
  AddSheetAction(Workbook* workbook, Sheet* sheet) : workbook_(workbook), sheet_(sheet) {}
  void Undo() override;
  void Redo() override;

 private:
  Workbook* workbook_;
  Sheet* sheet_;
};

// A sheet taken out at a 0-based position; undoing puts the same sheet back
// there, active again when it was active. Create it before the removal.
class RemoveSheetAction final : public Action {
 public:
  RemoveSheetAction(Workbook* workbook, Sheet* sheet, int32_t position);
  void Undo() override;
  void Redo() override;

 private:
  Workbook* workbook_;
  Sheet* sheet_;
  int32_t position_;
  bool wasActive_;
};

// A sheet's new name. Create it before the change: the old name is the current one.
class RenameSheetAction final : public Action {
 public:
  RenameSheetAction(Sheet* sheet, std::u16string_view newName);
  void Undo() override;
  void Redo() override;

 private:
  void Apply(const std::u16string& name);
  Sheet* sheet_;
  std::u16string oldName_;
  std::u16string newName_;
};

// A sheet's tab colour. Create it before the change: the old colour is the current one.
class TabColorAction final : public Action {
 public:
  TabColorAction(Sheet* sheet, Colour newColour);
  void Undo() override;
  void Redo() override;

 private:
  void Apply(Colour colour);
  Sheet* sheet_;
  Colour oldColour_;
  Colour newColour_;
};

// A comment attached to a cell, replaced or (with a null record) deleted.
// Create it before the change: the previous record is the cell's current one.
class CommentAction final : public Action {
 public:
  CommentAction(Cell* cell, CommentRecord* newRecord);
  void Undo() override;
  void Redo() override;

 private:
  Cell* cell_;
  CommentRecord* previous_;
  CommentRecord* new_;
};

// Merging (or unmerging) the sheet's selection. Create it before the merge.
// Merging the same area again unmerges it, so both directions do the same.
class MergeAction final : public Action {
 public:
  explicit MergeAction(Sheet* sheet);
  ~MergeAction() override;
  void Undo() override { Toggle(); }
  void Redo() override { Toggle(); }

 private:
  void Toggle();
  Sheet* sheet_;
  std::unique_ptr<AreaRange> area_;
};

// What a cell holds, to be put back as it was: the input, and for a cell
// without formula its value with its format (a typed input alone may not
// give back a value that came from a file or a fill).
struct CellContent {
  Cell* cell = nullptr;
  std::u16string input;
  const Value* value = nullptr;
  static CellContent Of(Cell* cell);
  void PutBack() const;
};

// The contents of many cells emptied at once (Delete, the source of a cut).
// Create it before the change from the cells that hold something; Redo
// empties them, so the caller makes the change by calling Redo.
class ClearCellsAction final : public Action {
 public:
  explicit ClearCellsAction(const std::vector<Cell*>& cells);
  void Undo() override;
  void Redo() override;
  size_t Size() const { return contents_.size(); }

 private:
  std::vector<CellContent> contents_;
};

// A row or column added or deleted from the header menu. The action makes the
// change itself (Do), and takes it back with the very row or column object,
// so its height or width, its style, its cells and the formulas pointing at
// them come back.
class LineAction final : public Action {
 public:
  enum Kind : uint8_t { kInsertRow, kDeleteRow, kInsertColumn, kDeleteColumn };
  LineAction(Sheet* sheet, Kind kind, int32_t at);
  // Makes the change the first time.
  void Do();
  void Undo() override;
  void Redo() override;

 private:
  bool Rows() const { return kind_ == kInsertRow || kind_ == kDeleteRow; }
  void Remove();
  void PutBack();
  Sheet* sheet_;
  Kind kind_;
  int32_t at_;
  Row* row_ = nullptr;
  Column* column_ = nullptr;
  std::vector<CellContent> cells_;
};

// Rows or columns hidden or shown: their sizes and hidden marks before and
// after. Create it before the change and call Done after it.
class LineVisibilityAction final : public Action {
 public:
  void AddRow(Row* row);
  void AddColumn(Column* column);
  // Takes the state after the change.
  void Done();
  bool Empty() const { return rows_.empty() && columns_.empty(); }
  void Undo() override;
  void Redo() override;

 private:
  struct RowState {
    Row* row;
    int32_t height[2];
    bool manual[2];
    bool hidden[2];
  };
  struct ColumnState {
    Column* column;
    int32_t width[2];
    bool hidden[2];
  };
  void Apply(int side);
  std::vector<RowState> rows_;
  std::vector<ColumnState> columns_;
};

// A sheet object (picture, comment, chart) taken off the sheet. The action
// keeps the object while it is off, so its bytes, text or setup come back
// with it. It makes the change itself (Redo).
class RemoveObjectAction final : public Action {
 public:
  RemoveObjectAction(Sheet* sheet, SheetAnchor* anchor);
  ~RemoveObjectAction() override;
  void Undo() override;
  void Redo() override;

 private:
  Sheet* sheet_;
  SheetAnchor* anchor_;
  std::unique_ptr<TakenObjectHolder> taken_;
};

// A sheet object put on the sheet (an inserted picture): undoing takes it off
// again, keeping it for a redo. Create it after the object was added.
class AddObjectAction final : public Action {
 public:
  AddObjectAction(Sheet* sheet, SheetAnchor* anchor) : removal_(sheet, anchor) {}
  void Undo() override { removal_.Redo(); }
  void Redo() override { removal_.Undo(); }

 private:
  RemoveObjectAction removal_;
};

// A sort of the filter's table: the shown order before and after. It sorts
// itself (Do); the filter may have been replaced since, then nothing happens.
class FilterSortAction final : public Action {
 public:
  FilterSortAction(Sheet* sheet, int32_t column, int32_t order);
  ~FilterSortAction() override;
  void Do();
  void Undo() override;
  void Redo() override;

 private:
  Sheet* sheet_;
  Filter* filter_;
  int32_t column_;
  int32_t order_;
  std::vector<FilterRowEntry> before_;
  std::vector<FilterRowEntry> after_;
};

// The host's two lists, oldest first. A new action empties the redo list;
// undoing moves the newest action to the redo list and redoing moves it back.
class UndoHistory {
 public:
  void AddAction(std::unique_ptr<Action> action);
  // False when there was nothing to undo (or redo).
  bool Undo();
  bool Redo();
  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }
  void Clear();

 private:
  std::vector<std::unique_ptr<Action>> undo_;
  std::vector<std::unique_ptr<Action>> redo_;
};

}  // namespace quadrell
