#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "model/Column.h"
#include "model/Row.h"
#include "view/OverviewGadget.h"

namespace quadrell {
namespace {

using GridKeyboardTest = test::SheetWindowTest;

TEST_F(GridKeyboardTest, TypingEditsTheActiveCellAndReturnCommitsAndMovesDown) {
  Type("12");
  EXPECT_TRUE(view->IsEditing());
  EXPECT_EQ(view->GetEditText(), u"12");
  EXPECT_EQ(Input(1, 0), u"");  // nothing reaches the cell before the commit
  Key(Qt::Key_Return);
  EXPECT_FALSE(view->IsEditing());
  EXPECT_EQ(Input(1, 0), u"12");
  EXPECT_EQ(CellAt(1, 0)->GetValue()->Kind(), ValueKind::Number);
  EXPECT_EQ(view->GetActiveRow(), 2);

  // Tab commits and moves right; Backspace takes back the last character.
  Type("abx");
  Key(Qt::Key_Backspace);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Input(2, 0), u"ab");
  EXPECT_EQ(view->GetActiveColumn(), 1);
  EXPECT_EQ(view->GetActiveRow(), 2);

  // Undo takes both edits back, one at a time.
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(2, 0), u"");
  EXPECT_EQ(Input(1, 0), u"12");
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(1, 0), u"");
  Shortcut(Qt::Key_Y);
  EXPECT_EQ(Input(1, 0), u"12");
}

TEST_F(GridKeyboardTest, EscapeLeavesTheCellAsItWas) {
  CellAt(1, 0)->SetInput(u"old");
  Type("12");
  Key(Qt::Key_Escape);
  EXPECT_FALSE(view->IsEditing());
  EXPECT_EQ(Input(1, 0), u"old");
  EXPECT_EQ(app->UndoCount(), 0u);
  // The next keystroke starts a new edit that replaces the content.
  Type("n");
  EXPECT_EQ(view->GetEditText(), u"n");
}

TEST_F(GridKeyboardTest, ADoubleClickEditsTheContentInsteadOfReplacingIt) {
  CellAt(2, 1)->SetInput(u"abc");
  view->Redraw(true);
  DoubleClick(Centre(2, 1));
  ASSERT_TRUE(view->IsEditing());
  EXPECT_EQ(view->GetEditText(), u"abc");
  Type("d");
  Key(Qt::Key_Return);
  EXPECT_EQ(Input(2, 1), u"abcd");
  // A number shown with thousands is edited as a number that reads back.
  CellAt(4, 1)->SetValue(NewNumber(1200.5, 4));
  ASSERT_EQ(Shown(4, 1), u"1.200,50");
  view->Redraw(true);
  DoubleClick(Centre(4, 1));
  EXPECT_EQ(view->GetEditText(), u"1200.5");
  Key(Qt::Key_Return);
  EXPECT_EQ(CellAt(4, 1)->GetValue()->Kind(), ValueKind::Number);
  EXPECT_EQ(CellAt(4, 1)->GetValue()->Number(), 1200.5);
}

TEST_F(GridKeyboardTest, ArrowsStopAtTheEdgesSkipHiddenLinesAndLeaveMergedCells) {
  struct Case {
    Qt::Key key;
    int32_t column, row;
  };
  // From A1: Left and Up stay.
  Key(Qt::Key_Left);
  Key(Qt::Key_Up);
  EXPECT_EQ(view->GetActiveColumn(), 0);
  EXPECT_EQ(view->GetActiveRow(), 1);

  sheet()->GetRow(3)->SetHidden(true);
  sheet()->GetRow(4)->SetHidden(true);
  sheet()->GetColumn(1)->SetHidden(true);
  Select(0, 2, 0, 2);
  Key(Qt::Key_Down);
  EXPECT_EQ(view->GetActiveRow(), 5);
  Key(Qt::Key_Up);
  EXPECT_EQ(view->GetActiveRow(), 2);
  Key(Qt::Key_Right);
  EXPECT_EQ(view->GetActiveColumn(), 2);

  // A cell merged over three columns: Tab lands three columns to the right.
  sheet()->GetColumn(1)->SetHidden(false);
  Select(3, 7, 5, 7);
  sheet()->MergeCells(false);
  ClickCell(7, 4);
  EXPECT_EQ(view->GetSelection()->ToString(), u"D7:F7");  // the selection takes the whole merged area
  Key(Qt::Key_Tab);
  EXPECT_EQ(view->GetActiveColumn(), 6);
  EXPECT_EQ(view->GetActiveRow(), 7);
}

TEST_F(GridKeyboardTest, ShiftArrowsGrowTheSelectionFromTheAnchor) {
  CellAt(1, 0)->SetInput(u"1");
  CellAt(2, 0)->SetInput(u"2");
  CellAt(2, 1)->SetInput(u"3");
  ShiftKey(Qt::Key_Down);
  ShiftKey(Qt::Key_Right);
  const AreaRange* s = view->GetSelection();
  EXPECT_EQ(s->ToString(), u"A1:B2");
  EXPECT_EQ(container->GetStatusField()->GetSum(), 6);
  EXPECT_EQ(container->GetStatusField()->GetCount(), 3);  // the numbers; the empty cell does not count
  ShiftKey(Qt::Key_Left);
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1:A2");
  // A plain arrow moves the active cell and collapses the block.
  Key(Qt::Key_Right);
  EXPECT_EQ(view->GetSelection()->ToString(), u"B1");
  // Shift+Return moves up after the commit, Shift+Tab left.
  Select(2, 5, 2, 5);
  Type("x");
  QTest::keyPress(canvas, Qt::Key_Shift);
  QTest::keyClick(canvas, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyRelease(canvas, Qt::Key_Shift);
  EXPECT_EQ(Input(5, 2), u"x");
  EXPECT_EQ(view->GetActiveRow(), 4);
}

TEST_F(GridKeyboardTest, MovingPastTheLastVisibleRowScrollsTheView) {
  int32_t visible = view->GetVisibleRows();
  ASSERT_GT(visible, 5);
  for (int k = 0; k < visible + 3; ++k) Key(Qt::Key_Down);
  EXPECT_EQ(view->GetActiveRow(), visible + 4);
  EXPECT_GT(view->GetFirstRow(), 1);
  // The active cell is laid out and wholly inside the cell area.
  Rect box = view->CellBox(view->GetActiveRow(), 0);
  ASSERT_GT(box.height, 0);
  EXPECT_LE(box.Bottom(), view->GetCanvas().Bounds().height);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(view->GetFirstRow(), 1);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(view->GetFirstRow(), visible);
}

TEST_F(GridKeyboardTest, TypedFormulasGoToTheCellAsInput) {
  Type("=1+2");
  Key(Qt::Key_Return);
  EXPECT_TRUE(CellAt(1, 0)->HasFormula());
  EXPECT_EQ(Input(1, 0), u"=1+2");
}

TEST_F(GridKeyboardTest, TheWholeSheetIsSelectedWithControlA) {
  Shortcut(Qt::Key_A);
  const AreaRange* s = view->GetSelection();
  EXPECT_EQ(s->GetFirstColumn(), -1);
  EXPECT_EQ(s->GetFirstRow(), -1);
  // Typing still edits the first cell.
  Type("7");
  Key(Qt::Key_Return);
  EXPECT_EQ(Input(1, 0), u"7");
}

}  // namespace
}  // namespace quadrell
