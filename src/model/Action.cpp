#include "model/Action.h"

#include "model/Cell.h"
#include "model/Column.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

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
  for (auto& action : actions_) action->Undo();
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

}  // namespace quadrell
