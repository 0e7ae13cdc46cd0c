#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "model/Filter.h"
#include "model/Font.h"
#include "view/OverviewGadget.h"

namespace quadrell {
namespace {

using SheetContainerTest = test::SheetWindowTest;

TEST_F(SheetContainerTest, TheStatusFieldStartsWithOneAndZeros) {
  OverviewGadget* status = container->GetStatusField();
  EXPECT_EQ(status->CountText(), u"#0");  // the empty A1 holds no number
  EXPECT_EQ(status->AverageText(), u"\u00D80");
  EXPECT_EQ(status->SumText(), u" \u03A30");
  status->ShowSummary(5, 2);
  EXPECT_EQ(status->AverageText(), u"\u00D82,5");
  EXPECT_EQ(status->SumText(), u" \u03A35");
  // It sits at the bottom right, with the "fx" picture and the views in their places.
  EXPECT_EQ(status->GetCanvas().Bounds(), container->GetLayout().statusField);
  EXPECT_EQ(view->GetCanvas().Bounds(), container->GetLayout().views[0]);
}

TEST_F(SheetContainerTest, ASplitWindowShowsTheSheetTwiceAndTheSplitterStaysInside) {
  container->SetSplit(true);
  ASSERT_EQ(container->GetViews().size(), 2u);
  SheetGadget* left = container->GetViews()[0].get();
  SheetGadget* right = container->GetViews()[1].get();
  const SheetWindowLayout& layout = container->GetLayout();
  EXPECT_EQ(left->GetCanvas().Bounds(), layout.views[0]);
  EXPECT_EQ(right->GetCanvas().Bounds(), layout.views[1]);
  EXPECT_EQ(right->GetSheet(), left->GetSheet());
  // An edit in one view shows in the other at once.
  Type("both");
  Key(Qt::Key_Return);
  Rect a1 = right->CellBox(1, 0);
  const QImage& shown = test::CanvasOf(right->GetCanvas())->Backing();
  int ink = 0;
  for (int y = a1.y + 2; y < a1.Bottom() - 1; ++y) {
    for (int x = a1.x + 2; x < a1.x + 40; ++x) ink += (shown.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  }
  EXPECT_GT(ink, 10);

  int width = layout.statusField.Right();
  container->DragSplitter(50);
  EXPECT_FLOAT_EQ(container->GetSplitRatio(), 100.0f / width);
  container->DragSplitter(width - 10);
  EXPECT_FLOAT_EQ(container->GetSplitRatio(), static_cast<float>(width - 100) / width);
  container->SetSplit(false);
  EXPECT_EQ(container->GetViews().size(), 1u);
  EXPECT_EQ(container->GetActiveView(), container->GetViews()[0].get());
}

TEST_F(SheetContainerTest, AnotherWorkbookIsShownInEveryView) {
  auto workbook = std::make_unique<Workbook>(u"Other", app);
  workbook->GetActiveSheet()->GetCellDirect(2, 2)->SetInput(u"other");
  Sheet* shown = workbook->GetActiveSheet();
  container->SetWorkbook(std::move(workbook));
  EXPECT_EQ(view->GetSheet(), shown);
  EXPECT_EQ(view->GetSelection()->GetSheet(), shown);
  Select(2, 2, 2, 2);
  Type("x");
  Key(Qt::Key_Return);
  EXPECT_EQ(shown->GetCellDirect(2, 2)->GetInput(), u"x");
}

TEST_F(SheetContainerTest, FilterHeadersShowButtonsAndTheFilterAreaIsFramed) {
  CellAt(1, 0)->SetInput(u"name");
  CellAt(1, 1)->SetInput(u"n");
  CellAt(2, 0)->SetInput(u"b");
  CellAt(3, 0)->SetInput(u"a");
  AreaRange area(0, 1, 1, 3, sheet());
  sheet()->SetFilter(std::make_unique<Filter>(sheet(), area));
  view->Redraw(true);
  Rect b1 = view->CellBox(1, 1);
  // The button's frame near the right edge of each header cell.
  EXPECT_GT(CountOther(Rect{b1.Right() - 15, b1.y + 2, 13, 13}, kWhite), 20);
  EXPECT_EQ(CountOther(Rect{b1.Right() - 15, view->CellBox(2, 1).y + 2, 13, 13}, kWhite), 0);
  Rect b3 = view->CellBox(3, 1);
  EXPECT_EQ(Pixel(b3.Right(), b3.y + 5), RgbColour(0, 0x88, 0));
  // Sorting changes what the rows show; the grid follows.
  sheet()->GetFilter()->Sort(0, 0);
  app->RefreshViews(true);
  EXPECT_EQ(Shown(2, 0), u"a");
}

TEST_F(SheetContainerTest, BrushesPaintCellsAlongTheDragUntilStopped) {
  view->StartBrush(true, RgbColour(0, 200, 0));
  EXPECT_EQ(view->GetMouseMode(), kMouseFillBrushArmed);
  Drag(Centre(2, 0), Centre(2, 3));
  for (int32_t c = 0; c <= 3; ++c) EXPECT_EQ(CellAt(2, c)->GetStyle()->fillColor, RgbColour(0, 200, 0)) << c;
  EXPECT_EQ(CellAt(3, 1)->GetStyle()->fillColor, kWhite);
  EXPECT_EQ(view->GetMouseMode(), kMouseFillBrushArmed);  // stays armed
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(CellAt(2, 3)->GetStyle()->fillColor, kWhite);
  // The Stop button ends it.
  int width = view->GetCanvas().Bounds().width;
  Click(QPoint(width - 80, 40));
  EXPECT_EQ(view->GetMouseMode(), kMouseNone);
}

TEST_F(SheetContainerTest, TheFormatPainterCopiesTheActiveCellsStyleOnce) {
  StyleRecord bold = CellAt(1, 0)->CopyStyle();
  bold.font = GetFont(u"Arial", 12, kFontFlagBold);
  CellAt(1, 0)->SetStyle(bold);
  view->StartFormatPainter();
  Drag(Centre(3, 1), Centre(4, 1));
  EXPECT_TRUE(CellAt(3, 1)->GetStyle()->font->IsBold());
  EXPECT_TRUE(CellAt(4, 1)->GetStyle()->font->IsBold());
  EXPECT_EQ(view->GetMouseMode(), kMouseNone);
  ClickCell(6, 1);
  EXPECT_FALSE(CellAt(6, 1)->GetStyle()->font->IsBold());
  Shortcut(Qt::Key_Z);
  EXPECT_FALSE(CellAt(3, 1)->GetStyle()->font->IsBold());
}

struct Pick {
  std::vector<std::u16string> ranges;
  int done = 0;
};

TEST_F(SheetContainerTest, ARangePickReportsTheDraggedBlockInsteadOfSelecting) {
  Pick pick;
  view->StartRangePick(
      [](void* data, const Range* range, int done) {
        auto* p = static_cast<Pick*>(data);
        if (range) p->ranges.push_back(range->ToString());
        p->done += done;
      },
      &pick);
  Drag(Centre(2, 1), Centre(4, 2));
  ASSERT_FALSE(pick.ranges.empty());
  EXPECT_EQ(pick.ranges.front(), u"B2");
  EXPECT_EQ(pick.ranges.back(), u"B2:C4");
  EXPECT_EQ(pick.done, 1);
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1");
  // Over: the next press selects again.
  ClickCell(5, 1);
  EXPECT_EQ(view->GetSelection()->ToString(), u"B5");
  EXPECT_EQ(pick.done, 1);
}

}  // namespace
}  // namespace quadrell
