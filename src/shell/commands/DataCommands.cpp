#include "shell/commands/DataCommands.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/Action.h"
#include "model/Cell.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "model/Workbook.h"
#include "context/ApplicationContext.h"
#include "model/PivotTable.h"
#include "platform/Dialogs.h"
#include "shell/Application.h"
#include "shell/commands/CommandSupport.h"
#include "shell/toolboxes/PivotToolbox.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

namespace {

constexpr int32_t kLastRow = kSheetRows;
constexpr int64_t kMaxPivotColumns = 900;
constexpr int32_t kLastColumn = kSheetColumns - 1;

bool Filled(const Sheet& sheet, int32_t row, int32_t column) {
  Row* r = sheet.FindRow(row);
  Cell* cell = r ? r->FindCell(column) : nullptr;
  return cell && cell->GetValue()->Kind() != ValueKind::Empty;
}

// Any filled cell in the row between the columns (clamped to the sheet).
bool RowHasData(const Sheet& sheet, int32_t row, int32_t firstColumn, int32_t lastColumn) {
  Row* r = sheet.FindRow(row);
  if (!r) return false;
  lastColumn = std::min({lastColumn, kLastColumn, r->GetLastColumn()});
  for (int32_t c = std::max(firstColumn, 0); c <= lastColumn; ++c) {
    if (Filled(sheet, row, c)) return true;
  }
  return false;
}

bool ColumnHasData(const Sheet& sheet, int32_t column, int32_t firstRow, int32_t lastRow) {
  lastRow = std::min({lastRow, kLastRow, sheet.GetMaxRow()});
  for (int32_t r = std::max(firstRow, 1); r <= lastRow; ++r) {
    if (Filled(sheet, r, column)) return true;
  }
  return false;
}

}  // namespace

DataBlock DataRegion(const Sheet& sheet, int32_t row, int32_t column) {
  DataBlock b{column, row, column, row};
  // Growth only ever enables more growth, so growing rows until they stop and
  // then columns, over and over, ends at the same block as growing side by
  // side, without re-reading every column after each new row.
  bool grown = true;
  while (grown) {
    grown = false;
    while (b.firstRow > 1 && RowHasData(sheet, b.firstRow - 1, b.firstColumn - 1, b.lastColumn + 1)) {
      --b.firstRow;
      grown = true;
    }
    while (b.lastRow < kLastRow && RowHasData(sheet, b.lastRow + 1, b.firstColumn - 1, b.lastColumn + 1)) {
      ++b.lastRow;
      grown = true;
    }
    while (b.firstColumn > 0 && ColumnHasData(sheet, b.firstColumn - 1, b.firstRow - 1, b.lastRow + 1)) {
      --b.firstColumn;
      grown = true;
    }
    while (b.lastColumn < kLastColumn && ColumnHasData(sheet, b.lastColumn + 1, b.firstRow - 1, b.lastRow + 1)) {
      ++b.lastColumn;
      grown = true;
    }
  }
  return b;
}

void DeleteContents(Application& application) {
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets || sheets->DeleteSelectedObject()) return;
  Sheet* sheet = sheets->GetWorkbook().GetActiveSheet();
  const Range* selection = sheet ? sheet->GetSelection() : nullptr;
  if (selection) {
    std::vector<Cell*> filled;
    sheet->ForEachStoredCell(selection->GetFirstColumn(), selection->GetFirstRow(), selection->GetLastColumn(),
                             selection->GetLastRow(), [&](Cell* cell) {
                               if (!cell->IsInputEmpty() || cell->HasFormula() ||
                                   cell->GetValue()->Kind() != ValueKind::Empty) {
                                 filled.push_back(cell);
                               }
                             });
    if (!filled.empty()) {
      auto clear = std::make_unique<ClearCellsAction>(filled);
      clear->Redo();
      auto group = std::make_unique<GroupAction>();
      group->AddAction(std::move(clear));
      application.AddAction(std::move(group));
    }
  }
  sheets->ClearFormulaBar();
  application.RefreshViews(true);
}

void ToggleFilter(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view || !view->GetSheet() || !view->GetSelection()) return;
  Sheet& sheet = *view->GetSheet();
  if (sheet.GetFilter()) {
    sheet.SetFilter(nullptr);
    application.RefreshViews(true);
    return;
  }
  const AreaRange& selection = *view->GetSelection();
  if (selection.GetFirstColumn() < 0 || selection.GetFirstRow() < 0) return;
  DataBlock block{selection.GetFirstColumn(), selection.GetFirstRow(), selection.GetLastColumn(),
                  selection.GetLastRow()};
  if (block.firstColumn == block.lastColumn && block.firstRow == block.lastRow) {
    block = DataRegion(sheet, block.firstRow, block.firstColumn);
  }
  AreaRange range(block.firstColumn, block.firstRow, block.lastColumn, block.lastRow, &sheet);
  sheet.SetFilter(std::make_unique<Filter>(&sheet, range));
  application.RefreshViews(true);
}

namespace {

void ShowPivotFailure(Application& application, const PivotTable& pivot) {
  ShowError(&application.GetWindow(), Text("toolbar:pivot"),
            TextWithArgument("pivot:failed", Utf8ToUtf16(pivot.GetError())));
}

}  // namespace

bool RebuildPivotTable(Application& application, PivotTable& pivot) {
  PivotOutput output;
  if (!pivot.Compute(output)) {
    ShowPivotFailure(application, pivot);
    return false;
  }
  std::vector<std::pair<int32_t, int32_t>> inTheWay = pivot.CellsInTheWay(output);
  if (inTheWay.empty()) {
    pivot.Write(output);
    return true;
  }
  if (!AskYesNo(&application.GetWindow(), Text("toolbar:pivot"),
                TextWithArgument("pivot:overwrite", Utf8ToUtf16(std::to_string(inTheWay.size()))))) {
    return false;
  }
  // The user's cells come back with an undo; the table's own output is
  // derived and follows the next build.
  Sheet* sheet = pivot.GetTargetSheet();
  std::vector<std::unique_ptr<CellValueAction>> actions;
  actions.reserve(inTheWay.size());
  for (auto [row, column] : inTheWay) actions.push_back(std::make_unique<CellValueAction>(sheet->GetCellDirect(row, column)));
  pivot.Write(output);
  auto group = std::make_unique<GroupAction>();
  for (auto& action : actions) {
    action->Finish();
    group->AddAction(std::move(action));
  }
  application.AddAction(std::move(group));
  return true;
}

void NewPivotTable(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  SheetContainer* sheets = SheetsOf(application);
  if (!view || !sheets || !view->GetSheet() || !view->GetSelection()) return;
  const AreaRange* s = view->GetSelection();
  if (s->GetFirstColumn() < 0 || s->GetFirstRow() < 0 || s->GetLastColumn() < 0 || s->GetLastRow() < 0) return;
  Sheet* source = view->GetSheet();
  DataBlock block{s->GetFirstColumn(), s->GetFirstRow(), s->GetLastColumn(), s->GetLastRow()};
  if (s->GetCellCount() == 1) block = DataRegion(*source, s->GetFirstRow(), s->GetFirstColumn());
  // Each source column takes two columns of the database table, which has a limit.
  if (static_cast<int64_t>(block.lastColumn) - block.firstColumn + 1 > kMaxPivotColumns) {
    ShowError(&application.GetWindow(), Text("toolbar:pivot"), TextWithArgument("pivot:tooWide", u"900"));
    return;
  }
  Workbook* workbook = &sheets->GetWorkbook();
  AreaRange range(block.firstColumn, block.firstRow, block.lastColumn, block.lastRow, source);
  auto pivot = std::make_unique<PivotTable>(source, range);
  if (!pivot->GetError().empty()) {
    ShowPivotFailure(application, *pivot);
    return;
  }
  Sheet* target = workbook->AddSheet(u"Pivot");
  PivotTable* added = target->AddPivotTable(std::move(pivot));
  if (!added->GetError().empty()) {
    // No sheet that looks like an (empty) result.
    ShowPivotFailure(application, *added);
    workbook->RemoveSheet(target);
    application.RefreshViews(true);
    return;
  }
  // The new sheet with its pivot table is one step of the undo list.
  application.AddAction(std::make_unique<AddSheetAction>(workbook, target));
  workbook->SetActiveSheet(target);
  view->SetSheet(target);
  application.AddToolbox(std::make_unique<PivotToolbox>(added, application));
  if (SheetTabs* tabs = sheets->GetSheetTabs()) tabs->Repaint();
  application.RefreshViews(true);
}

}  // namespace quadrell
