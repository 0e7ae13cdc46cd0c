// Every destructive action of the grid is one step of Ctrl+Z and Ctrl+Y.
#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "model/Action.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Row.h"
#include "object/Comment.h"
#include "object/SheetAnchor.h"
#include "shell/popups/PopupMenu.h"
#include "value/Value.h"

namespace quadrell {
namespace {

class GridUndoTest : public test::SheetWindowTest {
 protected:
  void Undo() { Shortcut(Qt::Key_Z); }
  void Redo() { Shortcut(Qt::Key_Y); }
  // Opens the header menu at the point and chooses an entry with the keys.
  void ChooseFromMenu(QPoint at, int entry) {
    QTest::mouseClick(canvas, Qt::RightButton, {}, at);
    PopupMenu* menu = OpenPopupMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(test::WaitFor([&] { return menu->GetCanvas().HasFocus(); }));
    auto* menuCanvas = test::CanvasOf(menu->GetCanvas());
    for (int k = 0; k <= entry; ++k) QTest::keyClick(menuCanvas, Qt::Key_Down);
    EXPECT_EQ(menu->Highlighted(), entry);
    QTest::keyClick(menuCanvas, Qt::Key_Return);
    test::Settle();
    EXPECT_EQ(OpenPopupMenu(), nullptr);
  }
  QPoint RowHeader(int32_t row) const { return QPoint(10, view->CellBox(row, 0).y + 5); }
  QPoint ColumnHeader(int32_t column) const { return QPoint(view->CellBox(1, column).x + 10, 8); }
  double Number(int32_t row, int32_t column) const { return CellAt(row, column)->GetValue()->Number(); }
};

TEST_F(GridUndoTest, DeleteEmptiesTheSelectionAsOneStepThatComesBackWithFormulasAndFormats) {
  CellAt(1, 0)->SetInput(u"1");
  CellAt(1, 1)->SetInput(u"text");
  CellAt(2, 0)->SetInput(u"=A1+1");
  CellAt(2, 1)->SetValue(NewNumber(1200.5, 4));  // shown with thousands, from a file
  CellAt(1, 3)->SetInput(u"=SUM(A1:B2)");
  CellAt(5, 5)->SetInput(u"outside");
  CellAt(3, 0)->SetInput(u"before");
  view->Redraw(true);
  ASSERT_EQ(Shown(2, 1), u"1.200,50");
  size_t steps = app->UndoCount();
  Select(0, 1, 1, 2);
  Key(Qt::Key_Delete);
  EXPECT_EQ(app->UndoCount(), steps + 1);
  for (auto [r, c] : {std::pair{1, 0}, {1, 1}, {2, 0}, {2, 1}}) EXPECT_EQ(Input(r, c), u"") << r << "," << c;
  EXPECT_EQ(Number(1, 3), 0);
  EXPECT_EQ(Input(5, 5), u"outside");
  Undo();
  EXPECT_EQ(Input(1, 0), u"1");
  EXPECT_EQ(Input(1, 1), u"text");
  EXPECT_EQ(Input(2, 0), u"=A1+1");
  EXPECT_EQ(Number(2, 0), 2);
  EXPECT_EQ(Shown(2, 1), u"1.200,50");
  EXPECT_EQ(Number(1, 3), 1203.5);
  // The step before the delete is still there to undo.
  EXPECT_EQ(app->UndoCount(), steps);
  Redo();
  EXPECT_EQ(Input(2, 0), u"");
  EXPECT_EQ(Number(1, 3), 0);

  // Ctrl+A, Delete on a whole sheet creates nothing and comes back in one step.
  Undo();
  int32_t maxRow = sheet()->GetMaxRow();
  Shortcut(Qt::Key_A);
  Key(Qt::Key_Delete);
  EXPECT_EQ(sheet()->GetMaxRow(), maxRow);
  EXPECT_EQ(Input(5, 5), u"");
  EXPECT_EQ(Input(3, 0), u"");
  Undo();
  EXPECT_EQ(Input(5, 5), u"outside");
  EXPECT_EQ(Input(3, 0), u"before");
  EXPECT_EQ(Number(1, 3), 1203.5);
}

TEST_F(GridUndoTest, UndoingAPastedCutPutsTheSourceBackAlsoWhenTheyOverlap) {
  struct Case {
    int32_t targetRow, targetColumn;
  };
  for (Case k : {Case{1, 2}, Case{2, 0}}) {
    SCOPED_TRACE(k.targetRow * 10 + k.targetColumn);
    CellAt(1, 0)->SetInput(u"1");
    CellAt(2, 0)->SetInput(u"2");
    view->Redraw(true);
    Select(0, 1, 0, 2);
    Shortcut(Qt::Key_X);
    test::Settle();
    ClickCell(k.targetRow, k.targetColumn);
    Shortcut(Qt::Key_V);
    EXPECT_EQ(Input(k.targetRow, k.targetColumn), u"1");
    EXPECT_EQ(Input(k.targetRow + 1, k.targetColumn), u"2");
    if (k.targetColumn != 0) {
      EXPECT_EQ(Input(1, 0), u"");
    }
    Undo();
    EXPECT_EQ(Input(1, 0), u"1");
    EXPECT_EQ(Input(2, 0), u"2");
    if (k.targetColumn != 0) {
      EXPECT_EQ(Input(1, k.targetColumn), u"");
    }
    EXPECT_EQ(Input(3, 0), u"");
    Redo();
    EXPECT_EQ(Input(k.targetRow, k.targetColumn), u"1");
    EXPECT_EQ(Input(k.targetRow + 1, k.targetColumn), u"2");
    if (k.targetColumn != 0) {
      EXPECT_EQ(Input(2, 0), u"");
    }
    Undo();
  }
}

TEST_F(GridUndoTest, DeletingARowFromItsMenuComesBackWithCellsHeightStyleAndFormulas) {
  CellAt(1, 0)->SetInput(u"1");
  CellAt(2, 0)->SetInput(u"2");
  CellAt(3, 0)->SetInput(u"3");
  CellAt(5, 2)->SetInput(u"=A2*10");
  CellAt(6, 2)->SetInput(u"=SUM(A1:A3)");
  sheet()->GetRow(2)->SetHeight(30, true);
  StyleRecord red = CellAt(2, 0)->CopyStyle();
  red.fillColor = 0x0000FF;
  CellAt(2, 0)->SetStyle(red);
  view->Redraw(true);
  ChooseFromMenu(RowHeader(2), 1);  // Delete row
  EXPECT_EQ(Input(2, 0), u"3");
  EXPECT_EQ(Number(5, 2), 4);
  Undo();
  EXPECT_EQ(Input(2, 0), u"2");
  EXPECT_EQ(Input(3, 0), u"3");
  EXPECT_EQ(sheet()->GetRowHeight(2), 30);
  EXPECT_EQ(CellAt(2, 0)->GetStyle()->fillColor, Colour{0x0000FF});
  EXPECT_EQ(Input(5, 2), u"=A2*10");
  EXPECT_EQ(Number(5, 2), 20);
  EXPECT_EQ(Number(6, 2), 6);
  Redo();
  EXPECT_EQ(Input(2, 0), u"3");
  EXPECT_EQ(Number(5, 2), 4);
  Undo();
  EXPECT_EQ(Number(5, 2), 20);

  // Adding a row above: undo takes it out, redo brings the same row back.
  ChooseFromMenu(RowHeader(2), 0);
  EXPECT_EQ(Input(3, 0), u"2");
  EXPECT_EQ(Input(6, 2), u"=A3*10");
  Undo();
  EXPECT_EQ(Input(2, 0), u"2");
  EXPECT_EQ(Number(5, 2), 20);
  Redo();
  EXPECT_EQ(Input(3, 0), u"2");
  // Typing into the added row, then both steps back and forth: the typing
  // lands in the very row that came back.
  ClickCell(2, 0);
  Type("new");
  Key(Qt::Key_Return);
  Undo();
  Undo();
  EXPECT_EQ(Input(2, 0), u"2");
  Redo();
  Redo();
  EXPECT_EQ(Input(2, 0), u"new");
  EXPECT_EQ(Input(3, 0), u"2");
}

TEST_F(GridUndoTest, ColumnsComeBackFromDeletingAndHidingAndRowsFromHiding) {
  CellAt(1, 0)->SetInput(u"5");
  CellAt(1, 1)->SetInput(u"7");
  CellAt(1, 2)->SetInput(u"=A1+B1");
  sheet()->GetColumn(1)->SetWidth(140);
  view->Redraw(true);
  ChooseFromMenu(ColumnHeader(1), 1);  // Delete column
  EXPECT_EQ(Input(1, 1), u"=A1+#REF");
  Undo();
  EXPECT_EQ(Input(1, 1), u"7");
  EXPECT_EQ(sheet()->GetColumnWidth(1), 140);
  EXPECT_EQ(Number(1, 2), 12);
  Redo();
  EXPECT_EQ(Input(1, 0), u"5");
  EXPECT_EQ(Input(1, 1), u"=A1+#REF");
  Undo();
  EXPECT_EQ(Number(1, 2), 12);

  ChooseFromMenu(ColumnHeader(0), 0);  // Add column left
  EXPECT_EQ(Input(1, 1), u"5");
  Undo();
  EXPECT_EQ(Input(1, 0), u"5");
  EXPECT_EQ(Number(1, 2), 12);

  ChooseFromMenu(ColumnHeader(1), 2);  // Hide column
  EXPECT_EQ(sheet()->GetColumnWidth(1), 0);
  Undo();
  EXPECT_EQ(sheet()->GetColumnWidth(1), 140);
  Redo();
  EXPECT_EQ(sheet()->GetColumnWidth(1), 0);
  Undo();

  ChooseFromMenu(RowHeader(2), 2);  // Hide row
  EXPECT_EQ(sheet()->GetRowHeight(2), 0);
  Undo();
  EXPECT_EQ(sheet()->GetRowHeight(2), 18);
  Redo();
  EXPECT_EQ(sheet()->GetRowHeight(2), 0);
  // Showing it again from its marker is a step of its own.
  view->Redraw(true);
  QPoint marker(6, view->CellBox(3, 0).y);
  MoveTo(marker);
  Click(marker);
  EXPECT_EQ(sheet()->GetRowHeight(2), 18);
  Undo();
  EXPECT_EQ(sheet()->GetRowHeight(2), 0);
}

TEST_F(GridUndoTest, ADeletedObjectComesBackWithItsContent) {
  static CommentRecord record(u"ann", u"hi", nullptr);
  record = CommentRecord(u"ann", u"note", CellAt(2, 1));
  CellAt(2, 1)->SetComment(&record);
  ShowComment(sheet(), CellAt(2, 1));
  ASSERT_EQ(sheet()->ObjectCount(), 1);
  sheet()->ResetObjects(1);
  auto* anchor = dynamic_cast<ObjectAnchor*>(sheet()->NextObject());
  ASSERT_NE(anchor, nullptr);
  view->Redraw(true);
  view->SetSelectedObject(anchor);
  Key(Qt::Key_Delete);
  EXPECT_EQ(sheet()->ObjectCount(), 0);
  Undo();
  ASSERT_EQ(sheet()->ObjectCount(), 1);
  sheet()->ResetObjects(1);
  EXPECT_EQ(sheet()->NextObject(), anchor);
  EXPECT_EQ(anchor->GetObject()->GetKind(), kObjectComment);
  EXPECT_EQ(CellAt(2, 1)->GetComment()->GetText(), u"note");
  Redo();
  EXPECT_EQ(sheet()->ObjectCount(), 0);
  Undo();
  EXPECT_EQ(sheet()->ObjectCount(), 1);
}

TEST_F(GridUndoTest, ABrushStrokeAndTheFormatPainterAreOneStepEach) {
  view->Redraw(true);
  size_t steps = app->UndoCount();
  view->StartBrush(true, 0x00FF00);
  Drag(Centre(1, 0), Centre(1, 3));
  EXPECT_EQ(app->UndoCount(), steps + 1);
  for (int32_t c = 0; c <= 3; ++c) EXPECT_EQ(CellAt(1, c)->GetStyle()->fillColor, Colour{0x00FF00}) << c;
  Undo();
  for (int32_t c = 0; c <= 3; ++c) EXPECT_EQ(CellAt(1, c)->GetStyle()->fillColor, kWhite) << c;
  Redo();
  EXPECT_EQ(CellAt(1, 2)->GetStyle()->fillColor, Colour{0x00FF00});
  // The stop button ends the brush.
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(canvas->width() - 100, 40));
  ASSERT_EQ(view->GetMouseMode(), kMouseNone);

  ClickCell(1, 0);
  view->StartFormatPainter();
  Drag(Centre(3, 0), Centre(4, 1));
  EXPECT_EQ(CellAt(4, 1)->GetStyle()->fillColor, Colour{0x00FF00});
  Undo();
  EXPECT_EQ(CellAt(4, 1)->GetStyle()->fillColor, kWhite);
  EXPECT_EQ(CellAt(3, 0)->GetStyle()->fillColor, kWhite);
  Redo();
  EXPECT_EQ(CellAt(3, 0)->GetStyle()->fillColor, Colour{0x00FF00});
}

TEST_F(GridUndoTest, AFilterSortIsTakenBack) {
  CellAt(1, 0)->SetInput(u"n");
  CellAt(2, 0)->SetInput(u"3");
  CellAt(3, 0)->SetInput(u"1");
  CellAt(4, 0)->SetInput(u"2");
  AreaRange area(0, 1, 0, 4, sheet());
  sheet()->SetFilter(std::make_unique<Filter>(sheet(), area));
  auto sort = std::make_unique<FilterSortAction>(sheet(), 0, 0);
  sort->Do();
  app->AddAction(std::move(sort));
  view->Redraw(true);
  EXPECT_EQ(Shown(2, 0), u"1");
  EXPECT_EQ(Shown(4, 0), u"3");
  Undo();
  EXPECT_EQ(Shown(2, 0), u"3");
  EXPECT_EQ(Shown(3, 0), u"1");
  Redo();
  EXPECT_EQ(Shown(2, 0), u"1");
}

}  // namespace
}  // namespace quadrell
