// The keys and gestures every desktop spreadsheet honours, and the status
// field that follows them.
#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "model/Column.h"
#include "model/Font.h"
#include "model/Row.h"
#include "shell/popups/PopupMenu.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "view/OverviewGadget.h"

namespace quadrell {
namespace {

using GridKeysTest = test::SheetWindowTest;

// A block B2:D4 of numbers, F3 alone, and a row 3 that runs to F.
void FillBlocks(Sheet* sheet) {
  for (int32_t r = 2; r <= 4; ++r) {
    for (int32_t c = 1; c <= 3; ++c) sheet->GetCellDirect(r, c)->SetInput(u"1");
  }
  sheet->GetCellDirect(3, 5)->SetInput(u"x");
}

TEST_F(GridKeysTest, JumpsGoToBlockEdgesTheNextFilledCellOrTheSheetEdge) {
  FillBlocks(sheet());
  view->Redraw(true);
  struct Case {
    int32_t fromColumn, fromRow;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char16_t* selection;
  };
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shiftCtrl = Qt::ControlModifier | Qt::ShiftModifier;
  const Case cases[] = {
      {1, 2, Qt::Key_Right, ctrl, u"D2"},          // inside a block: to its edge
      {3, 3, Qt::Key_Right, ctrl, u"F3"},          // at the edge: to the next filled cell
      {5, 3, Qt::Key_Right, ctrl, u"XFD3"},        // nothing beyond: the sheet's edge
      {0, 3, Qt::Key_Right, ctrl, u"B3"},          // from empty: to the first filled cell
      {2, 1, Qt::Key_Down, ctrl, u"C2"},
      {2, 2, Qt::Key_Down, ctrl, u"C4"},
      {2, 4, Qt::Key_Down, ctrl, u"C1048576"},
      {2, 4, Qt::Key_Up, ctrl, u"C2"},
      {2, 1, Qt::Key_Up, ctrl, u"C1"},
      {2, 3, Qt::Key_Left, ctrl, u"B3"},
      {1, 2, Qt::Key_Right, shiftCtrl, u"B2:D2"},  // Shift extends
      {2, 3, Qt::Key_Home, Qt::NoModifier, u"A3"},
      {1, 3, Qt::Key_End, Qt::NoModifier, u"F3"},  // the row's last used column
      {4, 4, Qt::Key_Home, ctrl, u"A1"},
      {0, 1, Qt::Key_End, ctrl, u"F4"},            // the used area's corner
      {1, 2, Qt::Key_End, shiftCtrl, u"B2:F4"},
      {1, 3, Qt::Key_Home, Qt::ShiftModifier, u"A3:B3"},
  };
  for (const Case& k : cases) {
    ClickCell(k.fromRow, k.fromColumn);
    Key(k.key, k.modifiers);
    EXPECT_EQ(view->GetSelection()->ToString(), k.selection)
        << "from " << k.fromColumn << "," << k.fromRow << " key " << k.key;
    Key(Qt::Key_Home, Qt::ControlModifier);
    view->Redraw(true);
  }
}

TEST_F(GridKeysTest, ShiftWithPageDownExtendsAndPlainPagingMovesTheStatusAlong) {
  for (int32_t r = 1; r <= 100; ++r) CellAt(r, 0)->SetInput(u"2");
  view->Redraw(true);
  OverviewGadget* status = container->GetStatusField();
  ClickCell(1, 0);
  EXPECT_EQ(status->GetCount(), 1);
  int32_t page = view->GetVisibleRows() - 1;
  Key(Qt::Key_PageDown, Qt::ShiftModifier);
  EXPECT_EQ(view->GetSelection()->GetFirstRow(), 1);
  EXPECT_EQ(view->GetSelection()->GetLastRow(), 1 + page);
  EXPECT_EQ(status->GetCount(), 1 + page);
  EXPECT_EQ(status->GetSum(), 2.0 * (1 + page));
  Key(Qt::Key_PageUp, Qt::ShiftModifier);
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1");
  // A plain page moves the active cell; the figures follow it, also onto an empty cell.
  CellAt(1 + page, 0)->SetInput(u"");
  Key(Qt::Key_PageDown);
  EXPECT_EQ(view->GetActiveRow(), 1 + page);
  EXPECT_EQ(status->GetCount(), 0);
  EXPECT_EQ(status->GetSum(), 0);
  Key(Qt::Key_Up);
  EXPECT_EQ(status->GetCount(), 1);
  EXPECT_EQ(status->GetSum(), 2);
}

TEST_F(GridKeysTest, F2EditsTheContentAndBackspaceEmptiesTheCellIntoTheEditor) {
  CellAt(1, 0)->SetInput(u"abc");
  CellAt(2, 0)->SetInput(u"keep");
  view->Redraw(true);
  Key(Qt::Key_F2);
  ASSERT_TRUE(view->IsEditing());
  EXPECT_EQ(view->GetEditText(), u"abc");
  Type("d");
  Key(Qt::Key_Return);
  EXPECT_EQ(Input(1, 0), u"abcd");
  // Row 2: Backspace starts an empty edit; Return commits the emptied cell, undoably.
  Key(Qt::Key_Backspace);
  ASSERT_TRUE(view->IsEditing());
  EXPECT_EQ(view->GetEditText(), u"");
  Type("n");
  Key(Qt::Key_Return);
  EXPECT_EQ(Input(2, 0), u"n");
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(2, 0), u"keep");
  // Escape after Backspace keeps the content.
  ClickCell(2, 0);
  Key(Qt::Key_Backspace);
  Key(Qt::Key_Escape);
  EXPECT_EQ(Input(2, 0), u"keep");
  EXPECT_FALSE(view->IsEditing());
}

TEST_F(GridKeysTest, EscapeClosesAHeaderMenuAndTheGridTakesKeysAgain) {
  view->Redraw(true);
  QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(10, view->CellBox(3, 0).y + 5));
  PopupMenu* menu = OpenPopupMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(test::WaitFor([&] { return menu->GetCanvas().HasFocus(); }));
  auto* menuCanvas = test::CanvasOf(menu->GetCanvas());
  QTest::keyClick(menuCanvas, Qt::Key_Up);
  EXPECT_EQ(menu->Highlighted(), 2);  // from nothing, Up wraps to the last entry
  QTest::keyClick(menuCanvas, Qt::Key_Escape);
  test::Settle();
  EXPECT_EQ(OpenPopupMenu(), nullptr);
  EXPECT_EQ(sheet()->GetRowHeight(3), 18);  // nothing chosen
  view->GetCanvas().Focus();
  ASSERT_TRUE(test::WaitFor([&] { return view->GetCanvas().HasFocus(); }));
  Key(Qt::Key_Down);
  EXPECT_EQ(view->GetActiveRow(), 2);
}

TEST_F(GridKeysTest, TheCellMenuCutsPastesAndDeletesThroughTheUndoList) {
  CellAt(1, 0)->SetInput(u"a");
  CellAt(2, 0)->SetInput(u"b");
  view->Redraw(true);
  auto choose = [&](int32_t row, int32_t column, int entry) {
    QTest::mouseClick(canvas, Qt::RightButton, {}, Centre(row, column));
    PopupMenu* menu = OpenPopupMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->Entries().size(), 6u);
    EXPECT_EQ(menu->Entries()[3].text, u"Delete contents");
    ASSERT_TRUE(test::WaitFor([&] { return menu->GetCanvas().HasFocus(); }));
    QTest::mouseClick(test::CanvasOf(menu->GetCanvas()), Qt::LeftButton, {},
                      QPoint(10, entry * PopupMenu::kRowHeight + 10));
    test::Settle();
  };
  choose(1, 0, 0);  // Cut A1
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1");
  choose(1, 2, 2);  // Paste at C1
  EXPECT_EQ(Input(1, 2), u"a");
  EXPECT_EQ(Input(1, 0), u"");
  choose(2, 0, 1);  // Copy A2
  choose(3, 2, 2);  // Paste at C3
  EXPECT_EQ(Input(3, 2), u"b");
  choose(3, 2, 3);  // Delete contents
  EXPECT_EQ(Input(3, 2), u"");
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(3, 2), u"b");
  Shortcut(Qt::Key_Z);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(1, 0), u"a");
  EXPECT_EQ(Input(1, 2), u"");
  // The comment entry runs the comment command on the clicked cell: one step.
  size_t steps = app->UndoCount();
  choose(1, 0, 4);
  EXPECT_NE(CellAt(1, 0)->GetComment(), nullptr);
  EXPECT_EQ(app->UndoCount(), steps + 1);
}

TEST_F(GridKeysTest, HeadersSelectSeveralLinesByDragAndShiftClick) {
  view->Redraw(true);
  Drag(QPoint(10, view->CellBox(2, 0).y + 5), QPoint(10, view->CellBox(4, 0).y + 5));
  EXPECT_EQ(view->GetSelection()->GetFirstColumn(), -1);
  EXPECT_EQ(view->GetSelection()->GetFirstRow(), 2);
  EXPECT_EQ(view->GetSelection()->GetLastRow(), 4);
  QPoint b(view->CellBox(1, 1).x + 10, 8), d(view->CellBox(1, 3).x + 10, 8);
  Click(b);
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, d);
  EXPECT_EQ(view->GetSelection()->GetFirstRow(), -1);
  EXPECT_EQ(view->GetSelection()->GetFirstColumn(), 1);
  EXPECT_EQ(view->GetSelection()->GetLastColumn(), 3);
}

TEST_F(GridKeysTest, SidewaysWheelsScrollColumns) {
  view->Redraw(true);
  QPoint at = Centre(3, 2);
  QWheelEvent shifted(at, canvas->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::ShiftModifier,
                      Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &shifted);
  EXPECT_EQ(view->GetFirstColumn(), 3);
  EXPECT_EQ(view->GetFirstRow(), 1);
  QWheelEvent tilted(at, canvas->mapToGlobal(at), {}, QPoint(120, 0), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &tilted);
  EXPECT_EQ(view->GetFirstColumn(), 0);
}

TEST_F(GridKeysTest, ADoubleClickOnAColumnBorderFitsTheWidestText) {
  CellAt(1, 1)->SetInput(u"a rather long text in this column");
  CellAt(2, 1)->SetInput(u"short");
  view->Redraw(true);
  Rect b1 = view->CellBox(1, 1);
  QPoint border(b1.Right(), 8);
  MoveTo(border);
  DoubleClick(border);
  int32_t fitted = sheet()->GetColumnWidth(1);
  EXPECT_GT(fitted, 150);
  EXPECT_LT(fitted, 300);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(sheet()->GetColumnWidth(1), 98);
}

TEST_F(GridKeysTest, TheStatusFieldCountsNumbersOnlyAndFollowsEveryChange) {
  double values[] = {1.5, 2, 3.25, 4, 5, 7.5};
  int k = 0;
  for (int32_t r = 1; r <= 3; ++r) {
    for (int32_t c = 0; c <= 1; ++c) CellAt(r, c)->SetInput(Utf8ToUtf16(GeneralForm(values[k++])));
  }
  CellAt(1, 2)->SetInput(u"text");
  view->Redraw(true);
  OverviewGadget* status = container->GetStatusField();
  Drag(Centre(1, 0), Centre(3, 2));
  EXPECT_EQ(status->GetCount(), 6);
  EXPECT_EQ(status->GetSum(), 23.25);
  EXPECT_DOUBLE_EQ(status->GetAverage(), 23.25 / 6);
  EXPECT_EQ(status->SumText(), u" \u03A323,25");
  // Whole columns, rows and the sheet count the numbers they hold.
  Click(QPoint(view->CellBox(1, 1).x + 10, 8));
  EXPECT_EQ(status->GetCount(), 3);
  EXPECT_EQ(status->GetSum(), 13.5);
  Click(QPoint(10, view->CellBox(1, 0).y + 5));
  EXPECT_EQ(status->GetCount(), 2);
  int32_t maxRow = sheet()->GetMaxRow();
  Shortcut(Qt::Key_A);
  EXPECT_EQ(status->GetCount(), 6);
  EXPECT_EQ(sheet()->GetMaxRow(), maxRow);
  // Delete, undo and redo all show at once.
  Key(Qt::Key_Delete);
  EXPECT_EQ(status->GetCount(), 0);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(status->GetCount(), 6);
  // An edit counts too.
  ClickCell(4, 0);
  Type("10");
  Key(Qt::Key_Up);
  Key(Qt::Key_Down);
  EXPECT_EQ(status->GetSum(), 10);
}

TEST(StatusFieldTexts, LargeFiguresAreShortenedAndNeverRunIntoEachOther) {
  EXPECT_EQ(GroupedNumberText(1234567.25, 10), u"1.234.567,25");
  EXPECT_EQ(GroupedNumberText(-0.5, 10), u"-0,5");
  EXPECT_EQ(GroupedNumberText(1.0 / 3, 3), u"0,333");
}

TEST_F(GridKeysTest, SixDigitFiguresFitTheFieldSideBySide) {
  OverviewGadget* status = container->GetStatusField();
  const double sums[] = {123456.789, 987654321.123, 1e20, -0.000123456};
  for (double sum : sums) {
    status->ShowSummary(sum, 123456);
    Bitmap scratch;
    scratch.Resize(8, 8);
    std::unique_ptr<Canvas> measure = OpenBitmapCanvas(scratch);
    ASSERT_NE(measure, nullptr);
    measure->SetFont(*GetFont(u"Arial", 10, 0)->platformFont);
    int total = measure->TextWidth(status->CountText()) + measure->TextWidth(status->AverageText()) +
                measure->TextWidth(status->SumText()) + 2 * 6 + 1;
    EXPECT_LE(total, OverviewGadget::kWidth) << Utf16ToUtf8(status->SumText());
    EXPECT_EQ(status->CountText(), u"#123.456");
  }
}

}  // namespace
}  // namespace quadrell
