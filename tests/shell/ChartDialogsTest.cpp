// Charts as a user makes them: the creation window, the edit window with its
// range picks, the chart's lifetime against its windows, and the pivot toolbox.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QAbstractButton>
#include <QMessageBox>
#include <sqlite3.h>

#include "../view/SheetViewTestSupport.h"
#include "model/Util.h"
#include "object/SheetAnchor.h"
#include "model/PivotTable.h"
#include "model/Range.h"
#include "model/Workbook.h"
#include "object/LineChart.h"
#include "platform/Deferred.h"
#include "shell/commands/Commands.h"
#include "shell/commands/InsertCommands.h"
#include "shell/dialogs/ChartDialogs.h"
#include "shell/toolboxes/PivotToolbox.h"
#include "value/Value.h"

namespace quadrell {
namespace {

using test::Settle;

using test::Box;

using test::WaitFor;

class ChartDialogsTest : public test::SheetWindowTest {
 protected:
  void SetUp() override {
    test::SheetWindowTest::SetUp();
    CellAt(1, 1)->SetInput(u"North");
    CellAt(1, 2)->SetInput(u"South");
    for (int r = 2; r <= 5; ++r) {
      CellAt(r, 0)->SetInput(r % 2 ? u"East" : u"West");
      CellAt(r, 1)->SetValue(NewNumber(r));
      CellAt(r, 2)->SetValue(NewNumber(10 - r));
    }
    view->SetSelection(std::make_unique<AreaRange>(0, 1, 2, 5, sheet()));
  }
  std::vector<LineChart*> Charts() const {
    std::vector<LineChart*> charts;
    sheet()->ResetObjects(1);
    while (SheetAnchor* a = sheet()->NextObject()) {
      if (auto* c = dynamic_cast<LineChart*>(a->GetObject())) charts.push_back(c);
    }
    return charts;
  }
  DiagramCreateWindow* OpenCreation() {
    int before = OpenChartDialogCount();
    DiagramCreateWindow* window = OpenChartCreation(*app);
    EXPECT_EQ(OpenChartDialogCount(), before + 1);
    return window;
  }
};

TEST_F(ChartDialogsTest, CreationWindowSelectsByTabAndVariantAndCreatesUndoably) {
  EXPECT_TRUE(RunToolbarCommand(*app, kItemChart));
  EXPECT_EQ(OpenChartDialogCount(), 1);
  view->SetSheet(container->GetWorkbook().AddSheet());
  EXPECT_EQ(OpenChartDialogCount(), 0);  // another sheet shown: it closed
  view->SetSheet(container->GetWorkbook().GetSheet(0));
  view->SetSelection(std::make_unique<AreaRange>(0, 1, 2, 5, sheet()));
  Settle();
  DiagramCreateWindow* window = OpenCreation();
  ASSERT_NE(window, nullptr);
  window->OnLeftDown(300, 10);  // the pie tab
  EXPECT_EQ(window->GetKind(), 2);
  EXPECT_EQ(window->GetVariant(), 0);
  window->OnLeftDown(300, 100);  // no second pie: nothing changes
  EXPECT_EQ(window->GetVariant(), 0);
  window->OnLeftDown(10, 10);  // line
  window->OnLeftDown(300, 300);  // smoothed line, only selected
  EXPECT_EQ(window->GetVariant(), 3);
  EXPECT_TRUE(Charts().empty());
  window->OnLeftDoubleClick(300, 100);  // stacked line, made at once
  Settle();
  ASSERT_EQ(Charts().size(), 1u);
  EXPECT_EQ(Charts()[0]->GetType(), kChartStackedLine);
  EXPECT_TRUE(Charts()[0]->GetSetup().header.has_value());
  app->Undo();
  EXPECT_TRUE(Charts().empty());
  app->Redo();
  EXPECT_EQ(Charts().size(), 1u);
  // The other window closed with the creation; Cancel closes without a chart.
  Settle();
  DiagramCreateWindow* again = OpenCreation();
  again->OnLeftDown(300, 480);
  Settle();
  EXPECT_EQ(OpenChartDialogCount(), 0);
  EXPECT_EQ(Charts().size(), 1u);
}

TEST_F(ChartDialogsTest, EditWindowIsOnePerChartAndChangesOnlyOnOk) {
  LineChart* chart = InsertChart(*app, *view, ChartBlock{0, 1, 2, 5}, kChartBar);
  ASSERT_NE(chart, nullptr);
  DiagramEditWindow* edit = DiagramEditWindow::Open(*app, *view, chart);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(DiagramEditWindow::Open(*app, *view, chart), nullptr);
  EXPECT_EQ(edit->DataField().Text(), u"A2:C5");
  EXPECT_EQ(edit->HeaderField().Text(), u"A1:C1");
  // A pick of a new data range, then Cancel: the chart keeps its ranges.
  edit->PickData();
  EXPECT_FALSE(edit->GetWindow().IsVisible());
  Drag(Centre(2, 1), Centre(4, 1));
  EXPECT_TRUE(edit->GetWindow().IsVisible());
  EXPECT_EQ(edit->DataField().Text(), u"B2:B4");
  ChartSetup before = chart->GetSetup();
  edit->Cancel();
  Settle();
  EXPECT_EQ(chart->GetSetup(), before);

  // OK with the legend unchanged keeps the plot's right edge; the new title and range arrive, undoably.
  edit = DiagramEditWindow::Open(*app, *view, chart);
  ASSERT_NE(edit, nullptr);
  edit->TitleField().SetText(u"Sales");
  edit->PickData();
  Drag(Centre(2, 1), Centre(5, 2));
  // Escape ends a second pick without changing the picked range.
  edit->PickData();
  Key(Qt::Key_Escape);
  EXPECT_TRUE(edit->GetWindow().IsVisible());
  edit->Ok();
  Settle();
  EXPECT_EQ(chart->GetTitle(), u"Sales");
  EXPECT_EQ(chart->GetSetup().data, (ChartBlock{1, 2, 2, 5}));
  EXPECT_DOUBLE_EQ(chart->GetSetup().plotRight, before.plotRight);
  app->Undo();
  EXPECT_EQ(chart->GetSetup(), before);
}

TEST_F(ChartDialogsTest, WindowsCloseWhenTheirChartOrViewGoes) {
  LineChart* chart = InsertChart(*app, *view, ChartBlock{0, 1, 2, 5}, kChartLine);
  DiagramEditWindow::Open(*app, *view, chart);
  // Removing the chart (an undo step that keeps it) closes its window.
  app->Undo();
  EXPECT_EQ(OpenChartDialogCount(), 0);
  Settle();
  app->Redo();
  ASSERT_EQ(Charts().size(), 1u);
  DiagramEditWindow* edit = DiagramEditWindow::Open(*app, *view, Charts()[0]);
  ASSERT_NE(edit, nullptr);
  edit->PickHeader();
  // Another sheet shown ends the pick and closes the window.
  Sheet* other = container->GetWorkbook().AddSheet();
  view->SetSheet(other);
  EXPECT_EQ(OpenChartDialogCount(), 0);
  EXPECT_FALSE(view->IsPicking());
  Settle();
  view->SetSheet(sheet());
  DiagramCreateWindow::Open(*app, *view);
  DiagramEditWindow::Open(*app, *view, Charts()[0]);
  EXPECT_EQ(OpenChartDialogCount(), 2);
  // Closing the window closes both.
  app->Close();
  app = nullptr;
  EXPECT_EQ(OpenChartDialogCount(), 0);
  Settle();
}

TEST_F(ChartDialogsTest, PivotCommandMakesASheetAndTheToolboxBuildsByDragging) {
  CellAt(1, 0)->SetInput(u"Region");
  view->SetSelection(std::make_unique<AreaRange>(1, 3, 1, 3, sheet()));  // one cell: its block
  Workbook& book = container->GetWorkbook();
  ASSERT_TRUE(RunToolbarCommand(*app, kItemPivot));
  ASSERT_EQ(book.GetSheetCount(), 2);
  Sheet* pivotSheet = book.GetSheet(1);
  EXPECT_EQ(pivotSheet->GetName(), u"Pivot");
  EXPECT_EQ(view->GetSheet(), pivotSheet);
  PivotTable* pivot = pivotSheet->GetPivotTable(0);
  ASSERT_NE(pivot, nullptr);
  EXPECT_EQ(pivot->GetSourceRange().ToString(), u"A1:C5");
  // The toolbox: drag Region (list row 0) into the row area, North into the values.
  PivotToolbox box(pivot, *app);
  box.Resize(0, 0, 200, 600);
  EXPECT_EQ(box.UpperHeight(), 50);
  box.OnLeftDown(20, 55);
  EXPECT_EQ(box.GetDragMode(), PivotToolbox::kFromList);
  box.OnLeftUp(20, static_cast<int>(box.LowerTop()) + 10);
  box.OnLeftDown(20, 75);
  box.OnLeftUp(150, static_cast<int>(box.LowerTop()) + 10);
  std::vector<int32_t> rows, values;
  pivot->GetRowFields(rows);
  pivot->GetValueFields(values);
  EXPECT_EQ(rows, std::vector<int32_t>{0});
  EXPECT_EQ(values, std::vector<int32_t>{1});
  EXPECT_EQ(pivotSheet->GetCellText(1, 0), u"East");
  EXPECT_EQ(pivotSheet->GetCellText(1, 1), u"8");  // 3 + 5
  EXPECT_EQ(pivotSheet->GetCellText(2, 0), u"West");
  EXPECT_EQ(pivotSheet->GetCellText(2, 1), u"6");  // 2 + 4
  // Dragging the row field out removes it.
  box.OnLeftDown(20, static_cast<int>(box.LowerTop()) + 5);
  EXPECT_EQ(box.GetDragMode(), PivotToolbox::kFromRow);
  box.OnLeftUp(20, 5);
  pivot->GetRowFields(rows);
  EXPECT_TRUE(rows.empty());
  // The new sheet with its pivot is one undo step.
  app->Undo();
  EXPECT_EQ(book.GetSheetCount(), 1);
  // Whole columns are refused.
  view->SetSelection(std::make_unique<AreaRange>(1, -1, 1, -1, sheet()));
  RunToolbarCommand(*app, kItemPivot);
  EXPECT_EQ(book.GetSheetCount(), 1);
}

// A new chart stands beside its data, top aligned, so that it hides none of
// it; where it would not be in sight there (or the sheet ends), below it.
TEST_F(ChartDialogsTest, NewChartStandsBesideItsData) {
  // The view shows columns A to H at least. Column C beside the chosen A:B
  // holds the South figures: the chart does not hide them, and from D on
  // the rest of the view is too narrow, so it stands below, in sight.
  ASSERT_GE(view->GetVisibleColumns(), 8);
  LineChart* chart = InsertChart(*app, *view, ChartBlock{0, 1, 1, 5}, kChartLine);
  ASSERT_NE(chart, nullptr);
  sheet()->ResetObjects(1);
  SheetAnchor* anchor = sheet()->NextObject();
  ASSERT_NE(anchor, nullptr);
  const SheetPosition& at = anchor->GetTopLeft();
  EXPECT_EQ(at.cell->GetRowIndex(), 6);
  EXPECT_EQ(at.cell->GetColumnIndex(), 0);
  EXPECT_EQ(at.x, 0);
  EXPECT_EQ(at.y, 0);

  // With the part a view shows (A1:M39 here; columns 98 pixels, rows 18):
  // the place that is wholly in sight first, else the sheet's room decides.
  const int32_t last = kSheetColumns - 1;
  const std::optional<ChartBlock> shown = ChartBlock{0, 1, 12, 39};
  const struct {
    ChartBlock block;
    std::optional<ChartBlock> shown;
    ChartPlace place;
  } cases[] = {
      {{4, 7, 6, 20}, std::nullopt, {7, 7}},                           // right of the block
      {{last - 2, 3, last, 8}, std::nullopt, {9, last - 2}},           // no room to the right: below
      {{last - 2, 3, last, kSheetRows}, std::nullopt, {3, last - 2}},  // room for neither: over the block
      {{0, 1, 2, 5}, shown, {1, 3}},                                   // in sight to the right
      {{0, 1, 10, 5}, shown, {6, 0}},                                  // too wide: below, in sight
      {{0, 1, 10, 300}, shown, {1, 11}},                               // in sight nowhere: right
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceForChart(*sheet(), c.block, 500, 400, c.shown), c.place)
        << c.block.lastColumn << " " << c.block.lastRow;
  }
  // Cells typed right of the data in its rows stay in sight: the chart goes past them.
  CellAt(7, 7)->SetInput(u"note");
  CellAt(9, 8)->SetInput(u"15");
  EXPECT_EQ(PlaceForChart(*sheet(), ChartBlock{4, 7, 6, 20}, 500, 400, std::nullopt), (ChartPlace{7, 9}));
}

// A rebuild whose output lands on cells the user filled asks first: No
// leaves the fields and the cells as they were, Yes overwrites them as one
// undo step. A database failure is said, and the sheet keeps its output.
TEST_F(ChartDialogsTest, PivotAsksBeforeOverwritingAndSaysWhenTheDatabaseFails) {
  CellAt(1, 0)->SetInput(u"Region");
  view->SetSelection(std::make_unique<AreaRange>(1, 3, 1, 3, sheet()));
  ASSERT_TRUE(RunToolbarCommand(*app, kItemPivot));
  Sheet* pivotSheet = container->GetWorkbook().GetSheet(1);
  PivotTable* pivot = pivotSheet->GetPivotTable(0);
  ASSERT_NE(pivot, nullptr);
  pivotSheet->GetCellDirect(1, 0)->SetInput(u"typed");
  PivotToolbox box(pivot, *app);
  box.Resize(0, 0, 200, 600);
  auto dragRegionToRows = [&] {
    box.OnLeftDown(20, 55);
    box.OnLeftUp(20, static_cast<int>(box.LowerTop()) + 10);
  };
  std::vector<int32_t> rows;
  QString asked;
  test::Answer(Box(QMessageBox::No, &asked));
  dragRegionToRows();
  EXPECT_TRUE(asked.contains(QStringLiteral("1"))) << asked.toStdString();
  pivot->GetRowFields(rows);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(pivotSheet->GetCellText(1, 0), u"typed");

  test::Answer(Box(QMessageBox::Yes));
  dragRegionToRows();
  pivot->GetRowFields(rows);
  EXPECT_EQ(rows, std::vector<int32_t>{0});
  EXPECT_EQ(pivotSheet->GetCellText(1, 0), u"East");
  EXPECT_EQ(pivotSheet->GetCellText(2, 0), u"West");
  app->Undo();
  EXPECT_EQ(pivotSheet->GetCellText(1, 0), u"typed");
  app->Redo();
  EXPECT_EQ(pivotSheet->GetCellText(1, 0), u"East");

  // The database fails while loading: a message, the output and fields unchanged.
  ASSERT_EQ(sqlite3_exec(pivot->GetDatabase(),
                         "create trigger stop before insert on pivot begin select raise(abort, 'stopped'); end",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  QString said;
  test::Answer(Box(QMessageBox::Ok, &said));
  box.OnLeftDown(20, 75);  // North into the values
  box.OnLeftUp(150, static_cast<int>(box.LowerTop()) + 10);
  EXPECT_TRUE(said.contains(QStringLiteral("stopped"))) << said.toStdString();
  std::vector<int32_t> values;
  pivot->GetValueFields(values);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(pivotSheet->GetCellText(1, 0), u"East");
  EXPECT_EQ(pivotSheet->GetCellText(1, 1), u"");
}

}  // namespace
}  // namespace quadrell
