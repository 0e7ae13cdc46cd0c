// The grid view's keyboard: moving and extending the selection, jumps over
// the data, the in-place editor and its commit, and the status figures.
#include <algorithm>
#include <climits>
#include <cmath>

#include "formula/Formula.h"
#include "formula/FormulaValue.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "platform/Keys.h"
#include "shell/Application.h"
#include "shell/popups/PopupMenu.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "view/OverviewGadget.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

namespace {

constexpr int32_t kLastRow = 1048576;
constexpr int32_t kLastColumn = 16383;
constexpr int kWheelRows = 3;

}  // namespace

std::u16string EditableInput(const Cell* cell) {
  if (!cell) return u"";
  std::u16string input = cell->GetInput();
  const Value* value = cell->GetValue();
  if (cell->HasFormula() || !value->IsNumeric()) return input;
  const Value* read = ParseInput(input);
  if (read->IsNumeric() && read->Number() == value->Number()) return input;
  return GeneralForm16(value->Number());
}

// ---------------------------------------------------------------- keyboard

void SheetGadget::OnCharacter(char16_t character) {
  ForgetRemovedObject();
  if (selectedObject_ && (objectHitKind_ == kObjectTextEntry || objectHitKind_ == kObjectChartPart)) {
    selectedObject_->KeyChar(character);
    RedrawObjects();
    return;
  }
  if (!editing_) {
    editText_.assign(1, character);
    editing_ = true;
    caretOn_ = true;
  } else {
    editText_ += character;
  }
  EditChanged();
  ShowSuggestionsForEdit();
}

void SheetGadget::EditChanged() {
  if (Cell* cell = EditCell()) cell->SetReferenceRanges(editText_);
  if (editHome_) {
    // Away from its cell the edit shows in the formula bar, and what it names here is outlined.
    OutlineReferences(editText_, editHome_->sheet);
    if (FormulaBar* bar = container_.GetFormulaBar()) bar->SetText(editText_);
  }
  Refresh();
}

void SheetGadget::ShowSuggestionsForEdit() {
  GridPopups* popups = GetGridPopups();
  if (!popups) return;
  Rect box = CellBox(GetActiveRow(), GetActiveColumn());
  Rect screen = canvas_->ScreenRect();
  popups->ShowSuggestions(WordAtPosition(editText_, static_cast<int>(editText_.size())), screen.x + box.x,
                          screen.y + box.Bottom(), application_);
}

void SheetGadget::OnKeyDown(int key) {
  GridPopups* popups = GetGridPopups();
  ForgetRemovedObject();
  if (selectedObject_ && (objectHitKind_ == kObjectTextEntry || objectHitKind_ == kObjectChartPart)) {
    if (key == kKeyShift) shiftDown_ = true;
    selectedObject_->KeyDown(key);
    RedrawObjects();
    return;
  }
  if (key == kKeyShift) {
    shiftDown_ = true;
    return;
  }
  // The event's own modifiers count as well as a Shift seen going down.
  const KeyModifiers modifiers = CurrentKeyModifiers();
  const bool shiftBefore = shiftDown_;
  shiftDown_ = shiftDown_ || modifiers.shift;
  const bool control = modifiers.control;
  const bool suggesting = popups && popups->IsSuggesting();
  switch (key) {
    case kKeyLeft:
    case kKeyRight:
    case kKeyUp:
    case kKeyDown: {
      if (suggesting && (key == kKeyUp || key == kKeyDown)) {
        if (key == kKeyUp) {
          popups->SelectPreviousSuggestion();
        } else {
          popups->SelectNextSuggestion();
        }
        break;
      }
      int32_t dx = key == kKeyLeft ? -1 : key == kKeyRight ? 1 : 0;
      int32_t dy = key == kKeyUp ? -1 : key == kKeyDown ? 1 : 0;
      if (control) {
        JumpActiveCell(dx, dy);
      } else {
        MoveActiveCell(dx, dy);
      }
      break;
    }
    case kKeyHome:
      MoveTo(0, control ? 1 : MovingCornerRow());
      break;
    case kKeyEnd:
      if (control) {
        // The used size is kept by the sheet: no walk over the cells.
        UsedSize used = sheet_->GetUsedSize();
        MoveTo(used.column, used.row);
      } else {
        int32_t row = MovingCornerRow(), last = 0;
        if (Row* stored = sheet_->FindRow(row)) {
          stored->ForEachCell([&](int32_t c, Cell* cell) {
            if (c > last && (!cell->IsInputEmpty() || cell->GetValue()->Kind() != ValueKind::Empty)) last = c;
          });
        }
        MoveTo(last, row);
      }
      break;
    case kKeyPageDown:
    case kKeyPageUp: {
      int32_t page = std::max(visibleRows_ - 1, 1) * (key == kKeyPageUp ? -1 : 1);
      if (shiftDown_) {
        ExtendSelection(0, page);
      } else {
        ScrollRows(page);
      }
      break;
    }
    case kKeyF1 + 1:  // F2
      StartEditKeepingContent();
      break;
    default:
      break;
  }
  shiftDown_ = shiftBefore;
}

void SheetGadget::StartEditKeepingContent() {
  if (editing_ || !sheet_) return;
  Row* row = sheet_->FindRow(GetActiveRow());
  editText_ = EditableInput(row ? row->FindCell(GetActiveColumn()) : nullptr);
  editing_ = true;
  caretOn_ = true;
  EditChanged();
}

int32_t SheetGadget::MovingCornerColumn() const {
  if (!selection_) return 0;
  int32_t fc = std::max(selection_->GetFirstColumn(), 0), lc = selection_->GetLastColumn();
  if (lc < 0) lc = fc;
  return anchorColumn_ == fc ? lc : fc;
}

int32_t SheetGadget::MovingCornerRow() const {
  if (!selection_) return 1;
  int32_t fr = std::max(selection_->GetFirstRow(), 1), lr = selection_->GetLastRow();
  if (lr < 0) lr = fr;
  return anchorRow_ == fr ? lr : fr;
}

bool SheetGadget::IsFilled(int32_t row, int32_t column) const {
  Row* stored = sheet_->FindRow(row);
  Cell* cell = stored ? stored->FindCell(column) : nullptr;
  return cell && (!cell->IsInputEmpty() || cell->GetValue()->Kind() != ValueKind::Empty);
}

void SheetGadget::MoveTo(int32_t column, int32_t row) {
  if (!sheet_ || !selection_) return;
  column = std::clamp(column, 0, kLastColumn);
  row = std::clamp(row, 1, kLastRow);
  if (shiftDown_) {
    ExtendSelection(column - MovingCornerColumn(), row - MovingCornerRow());
    return;
  }
  int32_t dx = column - GetActiveColumn(), dy = row - GetActiveRow();
  if (GridPopups* popups = GetGridPopups()) popups->CloseSuggestions();
  CommitPendingEditAndReturn();
  anchorColumn_ = column;
  anchorRow_ = row;
  SelectCell(column, row);
  bool scrolled = ScrollIntoView(column, row, dx >= 0 && dy >= 0);
  ShowFormulaBarText();
  if (scrolled) {
    Redraw(true);
  } else {
    Refresh();
  }
}

void SheetGadget::JumpActiveCell(int32_t dx, int32_t dy) {
  if (!sheet_ || (dx == 0 && dy == 0)) return;
  int32_t c = shiftDown_ ? MovingCornerColumn() : GetActiveColumn();
  int32_t r = shiftDown_ ? MovingCornerRow() : GetActiveRow();
  const int32_t lastColumn = kLastColumn, lastRow = kLastRow;
  auto inside = [&](int64_t cc, int64_t rr) { return cc >= 0 && cc <= lastColumn && rr >= 1 && rr <= lastRow; };
  // Beyond the used area nothing is filled: the walk ends at the sheet's edge.
  UsedSize used = sheet_->GetUsedSize();
  auto beyond = [&](int64_t cc, int64_t rr) {
    return (dx > 0 && cc > used.column) || (dy > 0 && rr > used.row);
  };
  int64_t nc = c + dx, nr = r + dy;
  if (!inside(nc, nr)) return;
  if (IsFilled(r, c) && IsFilled(static_cast<int32_t>(nr), static_cast<int32_t>(nc))) {
    // Inside a block: to its last filled cell.
    while (inside(nc + dx, nr + dy) && IsFilled(static_cast<int32_t>(nr + dy), static_cast<int32_t>(nc + dx))) {
      nc += dx;
      nr += dy;
    }
  } else {
    // To the next filled cell, else the edge.
    while (!IsFilled(static_cast<int32_t>(nr), static_cast<int32_t>(nc))) {
      if (!inside(nc + dx, nr + dy)) break;
      if (beyond(nc, nr)) {
        nc = dx > 0 ? lastColumn : dx < 0 ? 0 : nc;
        nr = dy > 0 ? lastRow : dy < 0 ? 1 : nr;
        break;
      }
      nc += dx;
      nr += dy;
    }
  }
  MoveTo(static_cast<int32_t>(nc), static_cast<int32_t>(nr));
}

void SheetGadget::OnKeyUp(int key) {
  GridPopups* popups = GetGridPopups();
  pressed_ = false;
  if (key == kKeyShift) {
    shiftDown_ = false;
    return;
  }
  if (selectedObject_ && (objectHitKind_ == kObjectTextEntry || objectHitKind_ == kObjectChartPart)) return;
  switch (key) {
    case kKeyBackspace:
      if (!editing_) {
        // Empties the cell into the editor: committing records it, Escape keeps the content.
        editText_.clear();
        editing_ = true;
        caretOn_ = true;
        EditChanged();
        break;
      }
      if (!editText_.empty()) editText_.pop_back();
      EditChanged();
      ShowSuggestionsForEdit();
      break;
    case kKeyEscape:
      if (popups) popups->CloseSuggestions();
      if (pickCallback_) {
        CancelRangePick();
        break;
      }
      if (!editing_) break;
      editing_ = false;
      editText_.clear();
      if (Cell* cell = EditCell()) cell->SetReferenceRanges(u"");
      if (Sheet* home = GetEditHome()) {
        // Cancelled away from its cell: the edit's own sheet shows again.
        editHome_.reset();
        awayOutlines_.clear();
        if (IsSheetListed(home)) {
          container_.ShowSheet(home);
          break;
        }
      }
      Refresh();
      break;
    case kKeyTab:
    case kKeyReturn: {
      if (popups && popups->IsSuggesting()) {
        std::u16string chosen = popups->ChosenSuggestion();
        if (!chosen.empty()) {
          std::u16string word = WordAtPosition(editText_, static_cast<int>(editText_.size()));
          editText_.resize(editText_.size() - std::min(word.size(), editText_.size()));
          editText_ += chosen + u"(";
          popups->CloseSuggestions();
          EditChanged();
          break;
        }
        popups->CloseSuggestions();
      }
      // Shift turns the move round, as the desktop's spreadsheets do.
      bool back = shiftDown_;
      shiftDown_ = false;
      int32_t step = back ? -1 : 1;
      if (key == kKeyTab) {
        MoveActiveCell(step, 0);
      } else {
        MoveActiveCell(0, step);
      }
      shiftDown_ = back;
      break;
    }
    default:
      break;
  }
}

void SheetGadget::OnWheel(int steps) {
  if (shiftDown_) {
    ScrollColumns(-steps * kWheelRows);
    return;
  }
  int32_t row = std::max<int64_t>(static_cast<int64_t>(firstRow_) - static_cast<int64_t>(steps) * kWheelRows, 1);
  if (row == firstRow_) return;
  firstRow_ = std::min(row, kLastRow);
  Redraw(false);
}

void SheetGadget::OnHorizontalWheel(int steps) { ScrollColumns(-steps * kWheelRows); }

void SheetGadget::ScrollColumns(int32_t columns) {
  int64_t first = std::clamp<int64_t>(static_cast<int64_t>(firstColumn_) + columns, 0, kLastColumn);
  if (first == firstColumn_) return;
  firstColumn_ = static_cast<int32_t>(first);
  Redraw(false);
}

void SheetGadget::ScrollRows(int32_t rows) {
  int64_t first = std::clamp<int64_t>(static_cast<int64_t>(firstRow_) + rows, 1, kLastRow);
  int64_t active = std::clamp<int64_t>(static_cast<int64_t>(GetActiveRow()) + (first - firstRow_), 1, kLastRow);
  CommitPendingEdit();
  firstRow_ = static_cast<int32_t>(first);
  int32_t column = GetActiveColumn();
  anchorColumn_ = column;
  anchorRow_ = static_cast<int32_t>(active);
  SelectCell(column, anchorRow_);
  ShowFormulaBarText();
  Redraw(false);
}

// ---------------------------------------------------------------- moving and editing

void SheetGadget::SelectCell(int32_t column, int32_t row) {
  SetSelection(std::make_unique<AreaRange>(column, row, sheet_));
}

void SheetGadget::ShowFormulaBarText() {
  FormulaBar* bar = container_.GetFormulaBar();
  if (!bar) return;
  Row* row = sheet_->FindRow(GetActiveRow());
  Cell* cell = row ? row->FindCell(GetActiveColumn()) : nullptr;
  bar->SetText(EditableInput(cell));
}

void SheetGadget::SummariseSelection() {
  summaryDue_ = false;
  OverviewGadget* status = container_.GetStatusField();
  if (!status || !selection_ || !sheet_) return;
  // Whole rows and columns count over the stored cells only: nothing is made,
  // and a large block costs what it holds, not its positions.
  int32_t fc = selection_->GetFirstColumn(), lc = selection_->GetLastColumn();
  int32_t fr = selection_->GetFirstRow(), lr = selection_->GetLastRow();
  if (fc < 0 || lc < 0) {
    fc = 0;
    lc = INT32_MAX;
  }
  if (fr < 0 || lr < 0) {
    fr = 1;
    lr = INT32_MAX;
  }
  lr = std::min(lr, sheet_->GetMaxRow());
  double sum = 0;
  int64_t count = 0;
  const bool narrow = static_cast<int64_t>(lc) - fc < 32;
  auto take = [&](const Row& row) {
    auto add = [&](Cell* cell) {
      const Value* v = cell->GetValue();
      if (v->IsNumeric() && !v->IsBoolean()) {
        sum += v->Number();
        ++count;
      }
    };
    if (narrow) {
      for (int32_t c = fc; c <= lc; ++c) {
        if (Cell* cell = row.FindCell(c)) add(cell);
      }
    } else {
      row.ForEachCell([&](int32_t c, Cell* cell) {
        if (c >= fc && c <= lc) add(cell);
      });
    }
  };
  if (static_cast<int64_t>(lr) - fr < 4096) {
    for (int32_t r = fr; r <= lr; ++r) {
      if (Row* row = sheet_->FindRow(r)) take(*row);
    }
  } else {
    sheet_->ForEachRow([&](int32_t r, const Row& row) {
      if (r >= fr && r <= lr) take(row);
    });
  }
  status->ShowSummary(sum, count);
}

void SheetGadget::MoveActiveCell(int32_t dx, int32_t dy) {
  if (GridPopups* popups = GetGridPopups()) popups->CloseSuggestions();
  if (shiftDown_) {
    ExtendSelection(dx, dy);
    return;
  }
  CommitPendingEditAndReturn();
  int32_t c = GetActiveColumn(), r = GetActiveRow();
  if (Row* row = sheet_->FindRow(r)) {
    if (Cell* cell = row->FindCell(c)) {
      if (dx == 1) dx *= std::max(cell->GetColumnSpan(), 1);
      if (dy == 1) dy *= std::max(cell->GetRowSpan(), 1);
    }
  }
  if (dx != 0 || dy != 0) {
    // Hidden rows and columns are stepped over; the sheet's edges stop the walk.
    int32_t startC = c, startR = r;
    do {
      int64_t nc = std::clamp<int64_t>(static_cast<int64_t>(c) + dx, 0, kLastColumn);
      int64_t nr = std::clamp<int64_t>(static_cast<int64_t>(r) + dy, 1, kLastRow);
      if (nc == c && nr == r) {
        // At the edge with nothing visible beyond: stay where the move began.
        if (sheet_->GetColumnWidth(c) == 0 || sheet_->GetRowHeight(r) == 0) {
          c = startC;
          r = startR;
        }
        break;
      }
      c = static_cast<int32_t>(nc);
      r = static_cast<int32_t>(nr);
    } while (sheet_->GetRowHeight(r) == 0 || sheet_->GetColumnWidth(c) == 0);
  }
  anchorColumn_ = c;
  anchorRow_ = r;
  SelectCell(c, r);
  bool scrolled = ScrollIntoView(c, r, dx >= 0 && dy >= 0);
  ShowFormulaBarText();
  if (scrolled) {
    Redraw(true);
  } else {
    Refresh();
  }
}

bool SheetGadget::ScrollIntoView(int32_t column, int32_t row, bool forward) {
  int32_t oldColumn = firstColumn_, oldRow = firstRow_;
  int areaWidth = canvasWidth_ - rowHeaderWidth_ - frozenWidth_ - ScrollbarWidth();
  int areaHeight = canvasHeight_ - kCellTop - frozenHeight_ - ScrollbarWidth();
  bool frozenColumn = frozen_ && column < frozen_->scrollColumn;
  bool frozenRow = frozen_ && row < frozen_->scrollRow;
  if (forward && !frozenColumn) {
    if (column - firstColumn_ > visibleColumns_) {
      firstColumn_ = column;
    } else {
      int64_t right = 0;
      for (int32_t k = firstColumn_; k <= column; ++k) right += sheet_->GetColumnWidth(k);
      int64_t overflow = right - areaWidth;
      while (overflow > 0 && firstColumn_ < column) overflow -= sheet_->GetColumnWidth(firstColumn_++);
    }
  }
  if (forward && !frozenRow) {
    if (row - firstRow_ > visibleRows_) {
      firstRow_ = row;
    } else {
      int64_t bottom = 0;
      for (int32_t k = firstRow_; k <= row; ++k) bottom += sheet_->GetRowHeight(k);
      int64_t overflow = bottom - areaHeight;
      while (overflow > 0 && firstRow_ < row) overflow -= sheet_->GetRowHeight(firstRow_++);
    }
  }
  if (!frozenColumn) firstColumn_ = std::min(firstColumn_, column);
  if (!frozenRow) firstRow_ = std::min(firstRow_, row);
  if (frozen_) {
    firstColumn_ = std::max(firstColumn_, frozen_->scrollColumn);
    firstRow_ = std::max(firstRow_, frozen_->scrollRow);
  }
  return firstColumn_ != oldColumn || firstRow_ != oldRow;
}

void SheetGadget::ExtendSelection(int32_t dx, int32_t dy) {
  int32_t fc = std::max(selection_->GetFirstColumn(), 0), lc = selection_->GetLastColumn();
  int32_t fr = std::max(selection_->GetFirstRow(), 1), lr = selection_->GetLastRow();
  if (lc < 0) lc = fc;
  if (lr < 0) lr = fr;
  int32_t cornerColumn = anchorColumn_ == fc ? lc : fc;
  int32_t cornerRow = anchorRow_ == fr ? lr : fr;
  cornerColumn = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(cornerColumn) + dx, 0, kLastColumn));
  cornerRow = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(cornerRow) + dy, 1, kLastRow));
  SetSelection(std::make_unique<AreaRange>(anchorColumn_, anchorRow_, cornerColumn, cornerRow, sheet_));
  if (ScrollIntoView(cornerColumn, cornerRow, dx >= 0 && dy >= 0)) {
    Redraw(true);
  } else {
    Refresh();
  }
}

void SheetGadget::CommitPendingEdit() {
  if (!editing_) return;
  std::u16string text = std::move(editText_);
  editText_.clear();
  editing_ = false;
  if (editHome_) {
    // The edit belongs to its own cell, whatever sheet is shown.
    EditHome home = *editHome_;
    editHome_.reset();
    awayOutlines_.clear();
    if (IsSheetListed(home.sheet)) CommitEditTo(home.sheet, home.row, home.column, text);
    return;
  }
  CommitEdit(text);
}

void SheetGadget::CommitPendingEditAndReturn() {
  Sheet* home = GetEditHome();
  CommitPendingEdit();
  if (home && home != sheet_ && IsSheetListed(home)) container_.ShowSheet(home);
}

bool SheetGadget::IsEditPointing() const {
  return editing_ && IsOperandPosition(editText_, static_cast<int>(editText_.size()));
}

void SheetGadget::ShowSheetWhileEditing(Sheet* sheet) {
  if (sheet == sheet_) return;
  if (!editing_) {
    SetSheet(sheet);
    return;
  }
  EditHome home = editHome_ ? *editHome_ : EditHome{sheet_, GetActiveRow(), GetActiveColumn()};
  std::u16string text = std::move(editText_);
  SetSheet(sheet);
  editing_ = true;
  caretOn_ = true;
  editText_ = std::move(text);
  if (home.sheet != sheet) {
    editHome_ = home;
  } else if (GetActiveRow() != home.row || GetActiveColumn() != home.column) {
    anchorColumn_ = home.column;
    anchorRow_ = home.row;
    SelectCell(home.column, home.row);
  }
  EditChanged();
}

void SheetGadget::OutlineReferences(std::u16string_view text, Sheet* home) {
  awayOutlines_.clear();
  if (!home || home == sheet_ || !IsSheetListed(home)) return;
  awayOutlines_ = ReferencedRanges(text, home, application_.FormulaLanguage(), sheet_);
}

Cell* SheetGadget::EditCell() const {
  if (!editHome_) return GetActiveCell();
  if (!IsSheetListed(editHome_->sheet)) return nullptr;
  Cell* cell = editHome_->sheet->GetCell(editHome_->row, editHome_->column);
  return cell == editHome_->sheet->GetPlaceholderCell() ? nullptr : cell;
}

void SheetGadget::CommitEdit(std::u16string_view text) {
  if (!sheet_) {
    container_.ClearCopy();
    return;
  }
  CommitEditTo(sheet_, GetActiveRow(), GetActiveColumn(), text);
}

void SheetGadget::CommitEditTo(Sheet* sheet, int32_t row, int32_t column, std::u16string_view text) {
  container_.ClearCopy();
  const bool shown = sheet == sheet_;
  Cell* cell = sheet->GetCell(row, column);
  if (!cell) return;
  if (cell == sheet->GetPlaceholderCell()) {
    // A new line of the filter's table: the filter makes its row.
    Filter* filter = sheet->GetFilter();
    if (!filter) return;
    int32_t added = filter->AddRow();
    cell = sheet->GetCell(added, column);
    if (!cell || cell == sheet->GetPlaceholderCell()) return;
    application_.AddAction(std::make_unique<CellInputAction>(cell, text));
    cell->SetInput(text);
    if (shown) {
      anchorRow_ = added;
      SelectCell(column, added);
    }
    application_.RefreshViews(true);
    return;
  }
  application_.AddAction(std::make_unique<CellInputAction>(cell, text));
  cell->SetInput(text);
  // A sheet not shown is painted anew when it is shown again.
  if (shown) application_.UpdateCellInViews(row, column);
  // This view refreshes as the edit moves on; the others show the change now.
  for (const auto& other : container_.GetViews()) {
    if (other.get() != this) other->Refresh();
  }
}

}  // namespace quadrell
