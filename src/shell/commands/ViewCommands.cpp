#include "shell/commands/ViewCommands.h"

#include "model/Sheet.h"
#include "model/Workbook.h"
#include "shell/commands/CommandSupport.h"

namespace quadrell {

namespace {

void StepSheet(Application& application, int step) {
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets) return;
  // Through the tabs, as a click on the neighbouring tab: an edit is committed,
  // or points into the sheet while its formula waits for a reference.
  if (SheetTabs* tabs = sheets->GetSheetTabs()) {
    if (step > 0) {
      tabs->SelectNextSheet();
    } else {
      tabs->SelectPreviousSheet();
    }
    return;
  }
  Workbook& workbook = sheets->GetWorkbook();
  int32_t position = workbook.IndexOfSheet(workbook.GetActiveSheet()) + step;
  if (position < 0 || position >= workbook.GetSheetCount()) return;
  // The listeners (views, tabs, formula bar) follow the active sheet.
  workbook.SetActiveSheet(workbook.GetSheet(position));
}

}  // namespace

void FixView(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view) return;
  if (view->GetFrozenRange()) {
    view->SetFrozenRange(std::nullopt);
    return;
  }
  int32_t column = view->GetActiveColumn(), row = view->GetActiveRow();
  if (column == view->GetFirstColumn() && row == view->GetFirstRow()) return;
  // Cells left of or above the first shown ones cannot be frozen in place.
  if (column < view->GetFirstColumn() || row < view->GetFirstRow()) return;
  FrozenRange frozen;
  frozen.firstColumn = view->GetFirstColumn();
  frozen.firstRow = view->GetFirstRow();
  frozen.scrollColumn = column;
  frozen.scrollRow = row;
  view->SetFrozenRange(frozen);
}

void SplitScreen(Application& application) {
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets) return;
  sheets->SetSplit(sheets->GetViews().size() < 2);
}

void FormulaView(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view) return;
  view->ToggleFormulaView();
  application.RefreshViews(true);
}

void FormatPainter(Application& application) {
  if (SheetGadget* view = ActiveViewOf(application)) view->StartFormatPainter();
}

void NextSheet(Application& application) { StepSheet(application, 1); }

void PreviousSheet(Application& application) { StepSheet(application, -1); }

}  // namespace quadrell
