#include <gtest/gtest.h>

#include <QWheelEvent>

#include "SheetViewTestSupport.h"
#include "TestSupport.h"
#include "model/Column.h"
#include "model/Row.h"
#include "object/Comment.h"
#include "object/Image.h"
#include "object/ImageCodec.h"
#include "platform/Files.h"
#include "value/Unicode.h"
#include "shell/popups/PopupMenu.h"
#include "view/OverviewGadget.h"

namespace quadrell {
namespace {

using GridMouseTest = test::SheetWindowTest;

TEST_F(GridMouseTest, PointingWhileTypingAFormulaWritesTheReference) {
  Type("=");
  MoveTo(Centre(3, 1));
  Press(Centre(3, 1));
  EXPECT_EQ(view->GetEditText(), u"=B3");
  MoveTo(Centre(4, 2));
  MoveTo(Centre(5, 2));
  Release(Centre(5, 2));
  EXPECT_EQ(view->GetEditText(), u"=B3:C5");
  EXPECT_TRUE(view->IsEditing());
  Key(Qt::Key_Return);
  EXPECT_EQ(Input(1, 0), u"=B3:C5");
  EXPECT_EQ(view->GetActiveRow(), 2);
  // After an operator the next reference follows it.
  Type("=A1+");
  ClickCell(4, 0);
  EXPECT_EQ(view->GetEditText(), u"=A1+A4");
  // A click when no operand is due commits the edit and selects.
  ClickCell(6, 3);
  EXPECT_FALSE(view->IsEditing());
  EXPECT_EQ(Input(2, 0), u"=A1+A4");
  EXPECT_EQ(view->GetSelection()->ToString(), u"D6");
}

TEST_F(GridMouseTest, DraggingSelectsABlockAndTheStatusFieldSumsIt) {
  CellAt(1, 0)->SetInput(u"1");
  CellAt(2, 0)->SetInput(u"2");
  CellAt(3, 1)->SetInput(u"3");
  CellAt(2, 1)->SetInput(u"text");
  view->Redraw(true);
  ClickCell(1, 0);
  EXPECT_EQ(container->GetStatusField()->GetSum(), 1);
  EXPECT_EQ(container->GetStatusField()->GetCount(), 1);
  Drag(Centre(1, 0), Centre(3, 1));
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1:B3");
  OverviewGadget* status = container->GetStatusField();
  EXPECT_EQ(status->GetSum(), 6);
  EXPECT_EQ(status->GetCount(), 3);  // the numbers: the text and the empty positions do not count
  EXPECT_EQ(status->GetAverage(), 2);
  EXPECT_EQ(status->SumText(), u" \u03A36");
  // Shift+click extends from the anchor.
  ClickCell(2, 2);
  QTest::keyPress(canvas, Qt::Key_Shift);
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, Centre(4, 3));
  QTest::keyRelease(canvas, Qt::Key_Shift);
  EXPECT_EQ(view->GetSelection()->ToString(), u"C2:D4");
}

TEST_F(GridMouseTest, TheWheelScrollsRowsAndTheThumbDragsThroughTheSheet) {
  auto wheel = [&](int notches) {
    QWheelEvent event(QPointF(200, 200), canvas->mapToGlobal(QPointF(200, 200)), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &event);
  };
  wheel(-2);
  EXPECT_EQ(view->GetFirstRow(), 7);
  EXPECT_EQ(view->CellBox(7, 0).y, SheetGadget::kHeaderHeight);
  wheel(5);
  EXPECT_EQ(view->GetFirstRow(), 1);
  // The vertical thumb: dragging it to the bottom of its track shows the end of the sheet.
  CellAt(2000, 0)->SetInput(u"far");
  view->Redraw(true);
  int width = view->GetCanvas().Bounds().width, height = view->GetCanvas().Bounds().height;
  Drag(QPoint(width - 4, 30), QPoint(width - 4, height - 12));
  EXPECT_GT(view->GetFirstRow(), 1800);
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1");  // the thumb does not select
}

TEST_F(GridMouseTest, HeadersSelectWholeRowsColumnsAndTheSheet) {
  Rect b3 = view->CellBox(3, 1);
  Click(QPoint(5, b3.y + b3.height / 2));
  EXPECT_EQ(view->GetSelection()->GetFirstColumn(), -1);
  EXPECT_EQ(view->GetSelection()->GetFirstRow(), 3);
  Click(QPoint(b3.x + b3.width / 2, 9));
  EXPECT_EQ(view->GetSelection()->GetFirstRow(), -1);
  EXPECT_EQ(view->GetSelection()->GetFirstColumn(), 1);
  Click(QPoint(5, 5));
  EXPECT_EQ(view->GetSelection()->GetFirstRow(), -1);
  EXPECT_EQ(view->GetSelection()->GetFirstColumn(), -1);
}

TEST_F(GridMouseTest, RowsAndColumnsResizeByTheirHeaderEdgesAndUndo) {
  Rect a2 = view->CellBox(2, 0);
  int edge = a2.Bottom();
  MoveTo(QPoint(10, edge + 1));
  Drag(QPoint(10, edge + 1), QPoint(10, edge + 21));
  EXPECT_EQ(sheet()->GetRowHeight(2), 18 + 20);
  EXPECT_EQ(view->CellBox(3, 0).y, edge + 20);  // the view shows the new height at once

  Rect b1 = view->CellBox(1, 1);
  MoveTo(QPoint(b1.Right(), 9));
  Drag(QPoint(b1.Right(), 9), QPoint(b1.Right() - 40, 9));
  EXPECT_EQ(sheet()->GetColumnWidth(1), 98 - 40);
  EXPECT_EQ(app->UndoCount(), 2u);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(sheet()->GetColumnWidth(1), 98);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(sheet()->GetRowHeight(2), 18);
  EXPECT_EQ(view->CellBox(3, 0).y, edge);
}

TEST_F(GridMouseTest, ARowDraggedToNothingIsHiddenAndItsMarkerUnhidesIt) {
  Rect a3 = view->CellBox(3, 0);
  MoveTo(QPoint(10, a3.Bottom()));
  Drag(QPoint(10, a3.Bottom()), QPoint(10, a3.y - 30));
  EXPECT_EQ(sheet()->GetRowHeight(3), 0);
  // The row is gone from the grid, its marker sits in the header at the edge.
  EXPECT_EQ(view->CellBox(4, 0).y, a3.y);
  EXPECT_NE(CountOther(Rect{2, a3.y - 6, 9, 12}, 0xEEEEEE), 0);
  // Down from row 2 skips it.
  Select(0, 2, 0, 2);
  Key(Qt::Key_Down);
  EXPECT_EQ(view->GetActiveRow(), 4);
  // Pressing the marker of the row that follows brings it back.
  MoveTo(QPoint(6, a3.y + 2));
  Click(QPoint(6, a3.y + 2));
  EXPECT_EQ(sheet()->GetRowHeight(3), 18);
}

TEST_F(GridMouseTest, DraggingTheHandleFillsSeriesTextsAndFormulas) {
  CellAt(1, 0)->SetInput(u"1");
  CellAt(2, 0)->SetInput(u"2");
  CellAt(1, 1)->SetInput(u"text");
  CellAt(2, 1)->SetInput(u"more");
  Select(0, 1, 1, 2);
  view->Refresh();
  Rect corner = view->CellBox(2, 1);
  QPoint handle(corner.Right(), corner.Bottom());
  MoveTo(handle);
  EXPECT_EQ(view->GetMouseMode(), kMouseNone);
  Drag(handle, Centre(6, 1));
  EXPECT_EQ(Shown(3, 0), u"3");
  EXPECT_EQ(Shown(6, 0), u"6");
  EXPECT_EQ(Input(3, 1), u"text");
  EXPECT_EQ(Input(4, 1), u"more");
  EXPECT_EQ(Input(6, 1), u"more");
  EXPECT_EQ(Input(7, 0), u"");
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1:B6");
  // One step takes the whole fill back.
  Shortcut(Qt::Key_Z);
  for (int32_t r = 3; r <= 6; ++r) {
    EXPECT_EQ(Input(r, 0), u"");
    EXPECT_EQ(Input(r, 1), u"");
  }
  EXPECT_EQ(Input(2, 0), u"2");
}

TEST_F(GridMouseTest, ShiftClickOpensOnlyWebAddressesAndAPlainClickSelects) {
  CellAt(2, 1)->SetValue(NewHyperlink(u"site", u"file:///etc/passwd"));
  view->Redraw(true);
  MoveTo(Centre(2, 1));
  QTest::keyPress(canvas, Qt::Key_Shift);
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, Centre(2, 1));
  QTest::keyRelease(canvas, Qt::Key_Shift);
  // Not a web address: the press extends the selection as any Shift+press would.
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1:B2");
  ClickCell(2, 1);
  EXPECT_EQ(view->GetSelection()->ToString(), u"B2");
}

TEST_F(GridMouseTest, TheRowHeaderMenuHidesAndInsertsRows) {
  CellAt(2, 0)->SetInput(u"second");
  view->Redraw(true);
  Rect a2 = view->CellBox(2, 0);
  QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(10, a2.y + 5));
  PopupMenu* menu = OpenPopupMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->Entries().size(), 3u);
  EXPECT_EQ(menu->Entries()[2].text, u"Hide row");
  auto* menuCanvas = test::CanvasOf(menu->GetCanvas());
  ASSERT_TRUE(test::WaitFor([&] { return menu->GetCanvas().HasFocus(); }));
  // The frame below the last entry chooses nothing.
  QTest::mouseClick(menuCanvas, Qt::LeftButton, {}, QPoint(10, 3 * PopupMenu::kRowHeight + 1));
  ASSERT_EQ(OpenPopupMenu(), menu);
  QTest::mouseClick(menuCanvas, Qt::LeftButton, {}, QPoint(10, 2 * PopupMenu::kRowHeight + 10));
  test::Settle();
  EXPECT_EQ(OpenPopupMenu(), nullptr);
  EXPECT_EQ(sheet()->GetRowHeight(2), 0);

  QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(10, view->CellBox(1, 0).y + 5));
  menu = OpenPopupMenu();
  ASSERT_NE(menu, nullptr);
  QTest::mouseClick(test::CanvasOf(menu->GetCanvas()), Qt::LeftButton, {}, QPoint(10, 10));
  test::Settle();
  // Row 1 was inserted above: the text moved to row 3.
  EXPECT_EQ(Input(3, 0), u"second");
}

TEST_F(GridMouseTest, APopupMenuNearTheBottomOpensAboveThePointer) {
  Rect window = app->GetWindow().ScreenRect();
  static int chosen = 0;
  std::vector<MenuEntry> entries = {{u"one", [](void*, intptr_t d) { chosen = static_cast<int>(d); }},
                                    {u"two", nullptr}};
  PopupMenu* menu = ShowPopupMenu(app->GetWindow(), entries, nullptr, 7, Point{window.x + 50, window.Bottom() - 10});
  EXPECT_EQ(menu->ScreenRect().y, window.Bottom() - 10 - (2 * 25 + 2));
  menu = ShowPopupMenu(app->GetWindow(), entries, nullptr, 7, Point{window.x + 50, window.y + 50});
  EXPECT_EQ(menu->ScreenRect().y, window.y + 50);
  EXPECT_EQ(menu->ScreenRect().height, 52);
  ASSERT_TRUE(test::WaitFor([&] { return menu->GetCanvas().HasFocus(); }));
  QTest::mouseClick(test::CanvasOf(menu->GetCanvas()), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(chosen, 7);
  test::Settle();
}

// A red picture of the size, as a JPEG file.
std::string WritePicture(const test::TempFolder& folder, int width, int height) {
  PixelImage pixels(width, height);
  for (size_t i = 0; i < pixels.rgba.size(); i += 4) {
    pixels.rgba[i] = 200;
    pixels.rgba[i + 3] = 255;
  }
  std::string path = folder.File("picture.jpg");
  std::optional<std::string> bytes = EncodeJpeg(pixels, 95);
  EXPECT_TRUE(bytes && WriteFileAtomically(path, *bytes));
  return path;
}

bool Reddish(Colour c) { return RedOf(c) > 150 && GreenOf(c) < 60 && BlueOf(c) < 60; }

TEST_F(GridMouseTest, ADroppedPictureLandsAtTheCellAndMovesResizesAndGoes) {
  test::TempFolder folder;
  std::string path = WritePicture(folder, 60, 40);
  Rect c3 = view->CellBox(3, 2);
  Rect screen = view->GetCanvas().ScreenRect();
  container->FilesDropped({Utf8ToUtf16(path), u"/no/such/file.png"},
                          Point{screen.x + c3.x + 11, screen.y + c3.y + 5});
  ASSERT_EQ(sheet()->ObjectCount(), 1);
  sheet()->ResetObjects(1);
  auto* anchor = dynamic_cast<ObjectAnchor*>(sheet()->NextObject());
  ASSERT_NE(anchor, nullptr);
  EXPECT_EQ(anchor->GetTopLeft().cell, CellAt(3, 2));
  EXPECT_EQ(anchor->GetWidth(), 60);
  // The picture shows on the grid (red in the picture).
  QPoint inside(c3.x + 30, c3.y + 20);
  EXPECT_TRUE(Reddish(Pixel(inside.x(), inside.y())));

  // A press selects it; a drag moves it by the pointer's way.
  Click(inside);
  ASSERT_EQ(view->GetSelectedObject(), anchor);
  Drag(inside, inside + QPoint(98, 0));
  EXPECT_EQ(anchor->GetTopLeft().cell, CellAt(3, 3));
  // The bottom-right handle resizes.
  QPoint corner(view->GetRowHeaderWidth() + 1 + view->AnchorToX(anchor->GetBottomRight()),
                SheetGadget::kCellTop + view->AnchorToY(anchor->GetBottomRight()));
  Drag(corner, corner + QPoint(20, 10));
  EXPECT_EQ(anchor->GetWidth(), 80);
  EXPECT_EQ(anchor->GetHeight(), 50);
  // Both changes undo, one step each.
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(anchor->GetWidth(), 60);
  EXPECT_EQ(anchor->GetTopLeft().cell, CellAt(3, 3));
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(anchor->GetTopLeft().cell, CellAt(3, 2));
  Shortcut(Qt::Key_Y);
  EXPECT_EQ(anchor->GetTopLeft().cell, CellAt(3, 3));
  // Delete removes the selected object, not the cells.
  CellAt(1, 0)->SetInput(u"kept");
  Key(Qt::Key_Delete);
  EXPECT_EQ(sheet()->ObjectCount(), 0);
  EXPECT_EQ(view->GetSelectedObject(), nullptr);
  EXPECT_EQ(Input(1, 0), u"kept");
}

TEST_F(GridMouseTest, ACommentOpensFromItsMarkerAndTakesTyping) {
  Cell* b2 = CellAt(2, 1);
  static CommentRecord record(u"ann", u"hi", nullptr);
  record = CommentRecord(u"ann", u"hi", b2);
  b2->SetComment(&record);
  view->Redraw(true);
  Rect box = view->CellBox(2, 1);
  // The marker: a small green box in the top right corner.
  EXPECT_EQ(Pixel(box.Right() - 2, box.y + 2), RgbColour(0x66, 0xBB, 0x55));
  QPoint marker(box.Right() - 1, box.y + 2);
  MoveTo(marker);
  Click(marker);
  ASSERT_EQ(sheet()->ObjectCount(), 1);
  sheet()->ResetObjects(1);
  auto* anchor = dynamic_cast<ObjectAnchor*>(sheet()->NextObject());
  ASSERT_NE(anchor, nullptr);
  // Into its text area, then typing goes to the comment and not to the cell.
  QPoint text(view->GetRowHeaderWidth() + 1 + view->AnchorToX(anchor->GetTopLeft()) + 20,
              SheetGadget::kCellTop + view->AnchorToY(anchor->GetTopLeft()) + 60);
  Click(text);
  Type("yo");
  Key(Qt::Key_Backspace);
  EXPECT_EQ(b2->GetComment()->GetText(), u"hiy");
  EXPECT_FALSE(view->IsEditing());
  // Its close button hides it.
  QPoint close(text.x() - 20 + anchor->GetWidth() - 10, text.y() - 55);
  Click(close);
  EXPECT_EQ(sheet()->ObjectCount(), 0);
  EXPECT_EQ(view->GetSelectedObject(), nullptr);
}

}  // namespace
}  // namespace quadrell
