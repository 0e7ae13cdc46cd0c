#include "shell/commands/FindCommands.h"

#include <memory>
#include <unordered_map>
#include <utility>

#include "model/Action.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "shell/commands/CommandSupport.h"

namespace quadrell {

namespace {

struct Position {
  int32_t row = 0;
  int32_t column = 0;
  bool operator<(const Position& o) const { return row != o.row ? row < o.row : column < o.column; }
};

// Cells whose text a search reads: those a user sees and may type into. Merged
// cells show their master, spills the formula of their first cell.
bool Searchable(const Cell& cell) {
  if (!cell.IsFilled()) return false;
  if (Cell* master = cell.GetMergeMaster(); master && master != &cell) return false;
  return true;
}

bool Editable(const Cell& cell) {
  return !cell.IsMatrixMember() || (cell.GetMatrixColumnOffset() == 0 && cell.GetMatrixRowOffset() == 0);
}

bool RowHidden(const Sheet& sheet, int32_t row) {
  const Row* r = sheet.FindRow(row);
  return r && r->IsHidden();
}

bool ColumnHidden(const Sheet& sheet, int32_t column) {
  const Column* c = sheet.FindColumn(column);
  return c && c->IsHidden();
}

// Calls f(position, cell) for every stored cell at the place the grid shows
// it, skipping hidden rows, hidden columns and rows a filter hides. The cost
// follows the stored cells, not the size of the used area.
template <typename F>
void ForEachShownCell(Sheet& sheet, F&& f) {
  Filter* filter = sheet.GetFilter();
  const Range* area = filter ? filter->GetRange() : nullptr;
  // The rows a filter shows below its header, by where it shows them.
  std::unordered_map<const Row*, int32_t> shownAt;
  if (area) {
    for (int32_t d = filter->GetHeaderRow() + 1; d <= area->GetLastRow(); ++d) {
      if (Row* row = filter->GetShownRow(d)) shownAt[row] = d;
    }
  }
  auto inFilterColumns = [&](int32_t column) {
    return area && column >= area->GetFirstColumn() && column <= area->GetLastColumn();
  };
  auto inFilterRows = [&](int32_t row) {
    return area && row > filter->GetHeaderRow() && row <= area->GetLastRow();
  };
  sheet.ForEachRow([&](int32_t number, const Row& row) {
    row.ForEachCell([&](int32_t column, Cell* cell) {
      if (!cell || !Searchable(*cell) || ColumnHidden(sheet, column)) return;
      int32_t shown = number;
      if (inFilterColumns(column)) {
        if (auto found = shownAt.find(&row); found != shownAt.end()) {
          shown = found->second;
        } else if (inFilterRows(number)) {
          return;  // hidden by the filter
        }
      }
      if (RowHidden(sheet, shown)) return;
      f(Position{shown, column}, cell);
    });
  });
}

bool Contains(std::u16string_view text, std::u16string_view search) {
  return text.find(search) != std::u16string_view::npos;
}

}  // namespace

std::u16string ReplaceEvery(std::u16string_view text, std::u16string_view search, std::u16string_view replacement) {
  if (search.empty()) return std::u16string(text);
  std::u16string out;
  size_t at = 0;
  for (size_t found = text.find(search); found != std::u16string_view::npos; found = text.find(search, at)) {
    out.append(text.substr(at, found - at));
    out.append(replacement);
    at = found + search.size();
  }
  out.append(text.substr(at));
  return out;
}

bool FindNext(Application& application, std::u16string_view search, bool replacing,
              std::u16string_view replacement) {
  SheetContainer* sheets = SheetsOf(application);
  SheetGadget* view = ActiveViewOf(application);
  if (!sheets || !view || search.empty()) return false;
  // An unfinished edit belongs to the cell it began in, not to the one found.
  sheets->CommitPendingEdits();
  Sheet& sheet = *view->GetSheet();
  Position start{1, 0};
  if (const AreaRange* selection = view->GetSelection()) {
    start.row = selection->GetFirstRow() < 1 ? 1 : selection->GetFirstRow();
    start.column = selection->GetFirstColumn() < 0 ? 0 : selection->GetFirstColumn() + 1;
  }
  // The first match at or after the start, else the first match of all: two
  // passes in one walk, so that the search ends whatever it finds.
  bool haveAfter = false, haveAny = false;
  Position after, first;
  Cell* afterCell = nullptr;
  Cell* firstCell = nullptr;
  ForEachShownCell(sheet, [&](Position at, Cell* cell) {
    bool matches = replacing ? Editable(*cell) && Contains(cell->GetInput(), search) : Contains(cell->GetText(), search);
    if (!matches) return;
    if (!(at < start) && (!haveAfter || at < after)) {
      haveAfter = true;
      after = at;
      afterCell = cell;
    }
    if (!haveAny || at < first) {
      haveAny = true;
      first = at;
      firstCell = cell;
    }
  });
  if (!haveAny) {
    view->MoveActiveCell(0, 0);
    return false;
  }
  Position found = haveAfter ? after : first;
  Cell* cell = haveAfter ? afterCell : firstCell;
  if (replacing) {
    std::u16string input = ReplaceEvery(cell->GetInput(), search, replacement);
    application.AddAction(std::make_unique<CellInputAction>(cell, input));
    cell->SetInput(input);
    application.UpdateCellInViews(found.row, found.column);
  }
  view->SetSelection(std::make_unique<AreaRange>(found.column, found.row, &sheet));
  view->Refresh();
  view->MoveActiveCell(0, 0);
  return true;
}

int ReplaceAll(Application& application, std::u16string_view search, std::u16string_view replacement) {
  SheetContainer* sheets = SheetsOf(application);
  SheetGadget* view = ActiveViewOf(application);
  if (!sheets || !view || search.empty()) return 0;
  sheets->CommitPendingEdits();
  // The matches first, the changes after: a changed formula recalculates
  // other cells, which must not change what the walk visits.
  std::vector<Cell*> matches;
  ForEachShownCell(*view->GetSheet(), [&](Position, Cell* cell) {
    if (Editable(*cell) && Contains(cell->GetInput(), search)) matches.push_back(cell);
  });
  if (matches.empty()) return 0;
  auto group = std::make_unique<GroupAction>();
  for (Cell* cell : matches) {
    std::u16string input = ReplaceEvery(cell->GetInput(), search, replacement);
    group->AddAction(std::make_unique<CellInputAction>(cell, input));
    cell->SetInput(input);
  }
  application.AddAction(std::move(group));
  application.RefreshViews(true);
  return static_cast<int>(matches.size());
}

}  // namespace quadrell
