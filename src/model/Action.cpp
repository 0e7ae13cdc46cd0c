#include "model/Action.h"

#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/SheetAnchor.h"
#include "value/Value.h"

namespace quadrell {

// --- CellInputAction ---

CellInputAction::CellInputAction(Cell* cell, std::u16string_view newInput)
    : cell_(cell), oldInput_(cell ? cell->GetInput() : std::u16string()), newInput_(newInput) {}

CellInputAction::CellInputAction(Cell* cell, std::u16string_view oldInput, std::u16string_view newInput)
    : cell_(cell), oldInput_(oldInput), newInput_(newInput) {}

// The reference marks go first, so that a restored formula is marked as typed.
void CellInputAction::Apply(const std::u16string& input) {
  if (!cell_) return;
  cell_->SetReferenceRanges(input);
  cell_->SetInput(input);
}

void CellInputAction::Undo() { Apply(oldInput_); }

void CellInputAction::Redo() { Apply(newInput_); }

// --- CellValueAction ---

CellValueAction::CellValueAction(Cell* cell) : cell_(cell), before_(Capture(cell)), after_(before_) {}

void CellValueAction::Finish() { after_ = Capture(cell_); }

CellValueAction::State CellValueAction::Capture(const Cell* cell) {
  State state;
  if (!cell) return state;
  state.hasFormula = cell->HasFormula();
  if (state.hasFormula) state.input = cell->GetInput();
  state.value = cell->GetValue();
  state.style = cell->GetStyle();
  return state;
}

void CellValueAction::Restore(const State& state) {
  if (!cell_) return;
  // The style first: a formula's result takes the cell's number format.
  if (state.style && cell_->GetStyle() != state.style) cell_->SetStyle(*state.style);
  if (state.hasFormula) {
    cell_->SetReferenceRanges(state.input);
    cell_->SetInput(state.input);
  } else {
    cell_->SetValueAsInput(state.value);
  }
  // Setting a link value restyles the cell: the recorded style wins.
  if (state.style && cell_->GetStyle() != state.style) cell_->SetStyle(*state.style);
}

void CellValueAction::Undo() { Restore(before_); }

void CellValueAction::Redo() { Restore(after_); }

// --- StyleAction ---

namespace {

const StyleRecord* StyleOf(const StyleAction::Holder& holder) {
  return std::visit([](auto* h) -> const StyleRecord* { return h ? h->GetStyle() : nullptr; }, holder);
}

}  // namespace

StyleAction::StyleAction(Holder holder, const StyleRecord* previous)
    : holder_(holder), previous_(previous), new_(StyleOf(holder)) {}

void StyleAction::Apply(const StyleRecord* style) {
  if (!style) return;
  std::visit(
      [&](auto* h) {
        if (h) h->SetStyle(*style);
      },
      holder_);
}

void StyleAction::Undo() { Apply(previous_); }

void StyleAction::Redo() { Apply(new_); }

// --- GroupAction ---

void GroupAction::Undo() {
  for (size_t i = actions_.size(); i-- > 0;) actions_[i]->Undo();
}

void GroupAction::Redo() {
  for (auto& action : actions_) action->Redo();
}

void GroupAction::AddAction(std::unique_ptr<Action> action) {
  if (action) actions_.push_back(std::move(action));
}

// --- Row heights and column widths ---

RowHeightAction::RowHeightAction(Row* row, int32_t previousHeight)
    : row_(row), previous_(previousHeight), new_(row ? row->GetHeight() : previousHeight) {}

void RowHeightAction::Undo() {
  if (row_) row_->SetHeight(previous_, true);
}

void RowHeightAction::Redo() {
  if (row_) row_->SetHeight(new_, true);
}

ColumnWidthAction::ColumnWidthAction(Column* column, int32_t previousWidth)
    : column_(column), previous_(previousWidth), new_(column ? column->GetWidth() : previousWidth) {}

void ColumnWidthAction::Undo() {
  if (column_) column_->SetWidth(previous_);
}

void ColumnWidthAction::Redo() {
  if (column_) column_->SetWidth(new_);
}

// --- Sheets ---

void AddSheetAction::Undo() { workbook_->RemoveSheet(sheet_); }

void AddSheetAction::Redo() {
  if (workbook_->InsertSheet(sheet_, workbook_->GetSheetCount())) workbook_->SetActiveSheet(sheet_);
}

RemoveSheetAction::RemoveSheetAction(Workbook* workbook, Sheet* sheet, int32_t position)
    : workbook_(workbook), sheet_(sheet), position_(position),
      wasActive_(workbook && sheet && workbook->GetActiveSheet() == sheet) {}

void RemoveSheetAction::Undo() {
  if (workbook_->InsertSheet(sheet_, position_) && wasActive_) workbook_->SetActiveSheet(sheet_);
}

void RemoveSheetAction::Redo() { workbook_->RemoveSheet(sheet_); }

// Listeners of the workbook (the tabs) hear of a name or colour that changes back.
namespace {

void TellListeners(Sheet* sheet) {
  Workbook* workbook = sheet->GetWorkbook();
  if (workbook && workbook->IndexOfSheet(sheet) >= 0) workbook->SetActiveSheet(workbook->GetActiveSheet());
}

}  // namespace

RenameSheetAction::RenameSheetAction(Sheet* sheet, std::u16string_view newName)
    : sheet_(sheet), oldName_(sheet ? sheet->GetName() : std::u16string()), newName_(newName) {}

void RenameSheetAction::Apply(const std::u16string& name) {
  if (!sheet_) return;
  sheet_->SetName(name);
  TellListeners(sheet_);
}

void RenameSheetAction::Undo() { Apply(oldName_); }

void RenameSheetAction::Redo() { Apply(newName_); }

TabColorAction::TabColorAction(Sheet* sheet, Colour newColour)
    : sheet_(sheet), oldColour_(sheet ? sheet->GetTabColor() : newColour), newColour_(newColour) {}

void TabColorAction::Apply(Colour colour) {
  if (!sheet_) return;
  sheet_->SetTabColor(colour);
  TellListeners(sheet_);
}

void TabColorAction::Undo() { Apply(oldColour_); }

void TabColorAction::Redo() { Apply(newColour_); }

// --- Comments ---

CommentAction::CommentAction(Cell* cell, CommentRecord* newRecord)
    : cell_(cell), previous_(cell ? cell->GetComment() : nullptr), new_(newRecord) {}

void CommentAction::Undo() {
  if (cell_) cell_->SetComment(previous_);
}

void CommentAction::Redo() {
  if (cell_) cell_->SetComment(new_);
}

// --- Merging ---

MergeAction::MergeAction(Sheet* sheet) : sheet_(sheet) {
  Range* selection = sheet->GetSelection();
  area_ = std::make_unique<AreaRange>(selection->GetFirstColumn(), selection->GetFirstRow(),
                                      selection->GetLastColumn(), selection->GetLastRow(), sheet);
}

MergeAction::~MergeAction() = default;

void MergeAction::Toggle() {
  std::unique_ptr<Range> remembered = sheet_->GetSelection()->Copy();
  sheet_->SetSelection(area_->Copy());
  sheet_->MergeCells(false);
  sheet_->SetSelection(std::move(remembered));
}

// --- The host's lists ---

void UndoHistory::AddAction(std::unique_ptr<Action> action) {
  if (!action) return;
  undo_.push_back(std::move(action));
  redo_.clear();
}

namespace {

// The action leaves its list before it runs, so that whatever it sets off
// never finds it half moved.
bool MoveNewest(std::vector<std::unique_ptr<Action>>& from, std::vector<std::unique_ptr<Action>>& to,
                void (Action::*step)()) {
  if (from.empty()) return false;
  std::unique_ptr<Action> action = std::move(from.back());
  from.pop_back();
  ((*action).*step)();
  to.push_back(std::move(action));
  return true;
}

}  // namespace

bool UndoHistory::Undo() { return MoveNewest(undo_, redo_, &Action::Undo); }

bool UndoHistory::Redo() { return MoveNewest(redo_, undo_, &Action::Redo); }

void UndoHistory::Clear() {
  redo_.clear();
  undo_.clear();
}

// --- Cell contents ---

CellContent CellContent::Of(Cell* cell) {
  CellContent content;
  content.cell = cell;
  content.input = cell->GetInput();
  content.value = cell->HasFormula() ? nullptr : cell->GetValue();
  return content;
}

void CellContent::PutBack() const {
  if (!cell) return;
  cell->SetInput(input);
  if (value && !cell->HasFormula() && cell->GetValue() != value) cell->SetValue(value);
}

ClearCellsAction::ClearCellsAction(const std::vector<Cell*>& cells) {
  contents_.reserve(cells.size());
  for (Cell* cell : cells) {
    if (cell) contents_.push_back(CellContent::Of(cell));
  }
}

void ClearCellsAction::Undo() {
  for (const CellContent& c : contents_) c.PutBack();
}

void ClearCellsAction::Redo() {
  for (const CellContent& c : contents_) c.cell->SetInput(u"");
}

// --- Rows and columns added and deleted ---

LineAction::LineAction(Sheet* sheet, Kind kind, int32_t at) : sheet_(sheet), kind_(kind), at_(at) {}

void LineAction::Do() {
  if (!sheet_) return;
  switch (kind_) {
    case kInsertRow:
      sheet_->InsertRow(at_);
      row_ = sheet_->FindRow(at_);
      break;
    case kInsertColumn:
      sheet_->InsertColumn(at_);
      column_ = sheet_->FindColumn(at_);
      break;
    case kDeleteRow:
    case kDeleteColumn:
      Remove();
      break;
  }
}

// The contents are taken before the deletion turns them into errors.
void LineAction::Remove() {
  cells_.clear();
  if (Rows()) {
    row_ = sheet_->GetRow(at_);
    row_->ForEachCell([&](int32_t, Cell* cell) { cells_.push_back(CellContent::Of(cell)); });
    sheet_->DeleteRow(at_);
  } else {
    column_ = sheet_->GetColumn(at_);
    sheet_->ForEachRow([&](int32_t, const Row& row) {
      if (Cell* cell = row.FindCell(at_)) cells_.push_back(CellContent::Of(cell));
    });
    sheet_->DeleteColumn(at_);
  }
}

void LineAction::PutBack() {
  bool restored;
  if (Rows()) {
    restored = sheet_->RestoreRow(at_, row_);
  } else {
    std::vector<Cell*> cells;
    cells.reserve(cells_.size());
    for (const CellContent& c : cells_) cells.push_back(c.cell);
    restored = sheet_->RestoreColumn(at_, column_, cells);
  }
  if (!restored) return;
  for (const CellContent& c : cells_) c.PutBack();
}

void LineAction::Undo() {
  if (!sheet_) return;
  if (kind_ == kInsertRow || kind_ == kInsertColumn) {
    Remove();
  } else {
    PutBack();
  }
}

void LineAction::Redo() {
  if (!sheet_) return;
  if (kind_ == kInsertRow || kind_ == kInsertColumn) {
    PutBack();
  } else {
    Remove();
  }
}

// --- Rows and columns hidden and shown ---

void LineVisibilityAction::AddRow(Row* row) {
  if (!row) return;
  RowState s{row, {row->GetStoredHeight(), 0}, {row->IsManualHeight(), false}, {row->IsHidden(), false}};
  rows_.push_back(s);
}

void LineVisibilityAction::AddColumn(Column* column) {
  if (!column) return;
  ColumnState s{column, {column->GetStoredWidth(), 0}, {column->IsHidden(), false}};
  columns_.push_back(s);
}

void LineVisibilityAction::Done() {
  for (RowState& s : rows_) {
    s.height[1] = s.row->GetStoredHeight();
    s.manual[1] = s.row->IsManualHeight();
    s.hidden[1] = s.row->IsHidden();
  }
  for (ColumnState& s : columns_) {
    s.width[1] = s.column->GetStoredWidth();
    s.hidden[1] = s.column->IsHidden();
  }
}

void LineVisibilityAction::Apply(int side) {
  for (const RowState& s : rows_) s.row->RestoreHeight(s.height[side], s.manual[side], s.hidden[side]);
  for (const ColumnState& s : columns_) s.column->RestoreWidth(s.width[side], s.hidden[side]);
  Sheet* sheet = !rows_.empty() ? rows_.front().row->GetSheet() : columns_.front().column->GetSheet();
  if (!sheet) return;
  sheet->ResetObjects(1);
  while (SheetAnchor* a = sheet->NextObject()) a->UpdatePosition();
}

void LineVisibilityAction::Undo() {
  if (!Empty()) Apply(0);
}

void LineVisibilityAction::Redo() {
  if (!Empty()) Apply(1);
}

// --- Sheet objects taken off ---

struct TakenObjectHolder {
  Sheet::TakenObject taken;
};

RemoveObjectAction::RemoveObjectAction(Sheet* sheet, SheetAnchor* anchor) : sheet_(sheet), anchor_(anchor) {}

RemoveObjectAction::~RemoveObjectAction() = default;

void RemoveObjectAction::Redo() {
  if (!sheet_ || taken_) return;
  Sheet::TakenObject taken = sheet_->TakeObject(anchor_);
  if (!taken.anchor) return;
  taken_ = std::make_unique<TakenObjectHolder>();
  taken_->taken = std::move(taken);
}

void RemoveObjectAction::Undo() {
  if (!sheet_ || !taken_) return;
  sheet_->PutBackObject(std::move(taken_->taken));
  taken_.reset();
}

// --- Filter sorts ---

FilterSortAction::FilterSortAction(Sheet* sheet, int32_t column, int32_t order)
    : sheet_(sheet), filter_(sheet ? sheet->GetFilter() : nullptr), column_(column), order_(order) {}

FilterSortAction::~FilterSortAction() = default;

void FilterSortAction::Do() {
  if (!filter_ || sheet_->GetFilter() != filter_) return;
  before_ = filter_->GetEntries();
  filter_->Sort(column_, order_);
  after_ = filter_->GetEntries();
}

void FilterSortAction::Undo() {
  if (filter_ && sheet_->GetFilter() == filter_ && before_.size() == filter_->GetEntries().size()) {
    filter_->SetEntries(before_);
  }
}

void FilterSortAction::Redo() {
  if (filter_ && sheet_->GetFilter() == filter_ && after_.size() == filter_->GetEntries().size()) {
    filter_->SetEntries(after_);
  }
}

}  // namespace quadrell
