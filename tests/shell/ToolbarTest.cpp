// The toolbar of a sheet window driven as a user drives it: its layout at
// several widths, its pictures and their states, the font and size boxes and
// the text flow button with their lists.
#include <algorithm>

#include "../view/SheetViewTestSupport.h"
#include "context/ApplicationContext.h"
#include "model/Font.h"
#include "model/collection/ArrayList.h"
#include "model/Style.h"
#include "shell/commands/Commands.h"
#include "shell/toolbar/FontGadgets.h"
#include "shell/toolbar/ToolbarDropdown.h"
#include "shell/toolbar/ToolbarGadget.h"
#include "shell/toolbar/ToolbarIcon.h"

namespace quadrell {
namespace {

using test::CanvasWidgetOf;
using test::Settle;
using test::WaitFor;

class ToolbarTest : public test::SheetWindowTest {
 protected:
  ToolbarGadget& Bar() const { return *static_cast<ToolbarGadget*>(container->GetToolbar()); }
  QWidget* WidgetOfItem(int id) const {
    auto* canvas = dynamic_cast<CanvasControl*>(Bar().GetControl(id));
    return canvas ? static_cast<QWidget*>(CanvasWidgetOf(*canvas)) : nullptr;
  }
  void ClickItem(int id, QPoint at = QPoint(8, 8)) {
    QWidget* widget = WidgetOfItem(id);
    ASSERT_NE(widget, nullptr) << "item " << id;
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
  }
  static void ClickPopup(DropdownGadget& box, QPoint at) {
    ASSERT_NE(box.GetPopupCanvas(), nullptr);
    QWidget* list = CanvasWidgetOf(*box.GetPopupCanvas());
    ASSERT_NE(list, nullptr);
    QTest::mouseClick(list, Qt::LeftButton, {}, at);
    Settle();
  }
  const StyleRecord* StyleAt(int32_t row, int32_t column) const {
    Cell* cell = CellAt(row, column);
    return cell ? cell->GetStyle() : GetDefaultStyle();
  }
  int TotalWidth() const {
    int total = 0;
    for (int id : Bar().Items()) total += ToolbarItemWidth(id);
    return total;
  }
  // The places of every item control, by id.
  std::map<int, Rect> Places() const {
    std::map<int, Rect> places;
    for (int id : Bar().Items()) {
      if (Control* control = Bar().GetControl(id)) places[id] = control->Bounds();
    }
    return places;
  }
};

TEST(ToolbarItems, AFileListIsRepairedWhenRead) {
  struct Case {
    std::vector<int64_t> read;
    std::vector<int> expected;
  } cases[] = {
      {{1, 8, 9, 0, 10}, {1, 8, 9, 0, 10}},
      {{8, 9}, {1, 8, 9}},                               // the start item is missing
      {{8, 1, 9}, {1, 8, 9}},                            // it goes first
      {{1, 99, 43, -1, 65535, 10}, {1, 10}},             // unknown ids
      {{1, 10, 0, 10, 0, 31, 31}, {1, 10, 0, 0, 31}},    // repeated ids, but not separators
      {{0}, {1, 0}},                                     // an empty file
  };
  for (const Case& c : cases) EXPECT_EQ(RepairToolbarItems(c.read), c.expected);
}

TEST(ToolbarItems, EveryItemHasASharpPictureAndUnknownOnesTheFallback) {
  for (int id = 2; id <= kToolbarLastItem; ++id) {
    EXPECT_TRUE(HasToolbarIcon(id)) << id;
    EXPECT_EQ(ToolbarIcon(id).Width(), 16) << id;
    EXPECT_EQ(ToolbarIcon(id).Height(), 16) << id;
  }
  // The dropdowns share one picture, from the cache.
  EXPECT_EQ(&ToolbarIcon(kItemFont), &ToolbarIcon(kItemBorder));
  EXPECT_EQ(&ToolbarIcon(kItemFont), &ToolbarIcon(kItemTextFlowMenu));
  EXPECT_FALSE(HasToolbarIcon(77));
  EXPECT_EQ(ToolbarIcon(77).Width(), 16);
  EXPECT_EQ(ToolbarStartPicture(1).Width(), 60);
  EXPECT_EQ(ToolbarStartPicture(0).Height(), 20);
}

TEST_F(ToolbarTest, ArrangingWrapsIntoAtMostThreeRowsWithoutOverlaps) {
  int total = TotalWidth();
  ASSERT_GT(total, 400);
  struct Case {
    int width;
    int height;
  } cases[] = {{total + 200, 20}, {total - 30, 40}, {total / 2 - 40, 60}, {200, 60}, {total + 200, 20}};
  for (const Case& c : cases) {
    EXPECT_EQ(Bar().Arrange(c.width), c.height) << "width " << c.width;
    EXPECT_EQ(Bar().Rows() * 20, c.height);
    std::map<int, Rect> places = Places();
    for (const auto& [id, box] : places) {
      EXPECT_GE(box.y, 0);
      EXPECT_LE(box.Bottom(), c.height) << "item " << id << " at width " << c.width;
      if (c.height < 60) {
        EXPECT_LE(box.Right(), c.width) << "item " << id << " at width " << c.width;
      }
      for (const auto& [other, otherBox] : places) {
        if (other != id) {
          bool apart = box.Right() <= otherBox.x || otherBox.Right() <= box.x || box.Bottom() <= otherBox.y ||
                       otherBox.Bottom() <= box.y;
          EXPECT_TRUE(apart) << id << " overlaps " << other << " at width " << c.width;
        }
      }
    }
  }
}

TEST_F(ToolbarTest, ArrangingAgainOrAtNoWidthMovesNothing) {
  int total = TotalWidth();
  EXPECT_EQ(Bar().Arrange(total - 30), 40);
  std::map<int, Rect> before = Places();
  for (int width : {total - 20, 0, -300}) {
    EXPECT_EQ(Bar().Arrange(width), 40) << width;
    EXPECT_EQ(Places(), before) << width;
  }
  // The window lays the grid out below the toolbar's rows.
  container->Resize(total - 30, 500);
  EXPECT_EQ(container->GetLayout().formulaBar.y, 40);
}

TEST_F(ToolbarTest, GroupsKeepTheirColumnsInTwoRows) {
  EXPECT_EQ(Bar().Arrange(TotalWidth() - 30), 40);
  // Each group's second row starts where its first row starts.
  const std::vector<int>& items = Bar().Items();
  size_t k = 0;
  while (k < items.size()) {
    size_t end = std::find(items.begin() + static_cast<long>(k), items.end(), 0) - items.begin();
    int firstX = -1, secondX = -1;
    for (size_t i = k; i < end; ++i) {
      Rect box = Bar().GetControl(items[i])->Bounds();
      int x = box.width == 16 ? box.x - 2 : box.x;
      int row = box.width == 16 ? (box.y - 2) / 20 : box.y / 20;
      if (row == 0 && firstX < 0) firstX = x;
      if (row == 1 && secondX < 0) secondX = x;
    }
    if (secondX >= 0) {
      EXPECT_EQ(secondX, firstX) << "group at item " << k;
    }
    k = end + 1;
  }
}

TEST_F(ToolbarTest, PicturesRunTheirCommandsAndShowTheirStateWithTooltips) {
  ClickCell(2, 1);
  Type("x");
  Key(Qt::Key_Return);
  ClickCell(2, 1);
  EXPECT_EQ(WidgetOfItem(kItemBold)->toolTip(), QString("Bold"));
  EXPECT_EQ(WidgetOfItem(kItemFont)->toolTip(), QString("Font Face"));
  EXPECT_FALSE(Bar().IsItemActive(kItemBold));
  ClickItem(kItemBold);
  EXPECT_TRUE(StyleAt(2, 1)->font->IsBold());
  EXPECT_TRUE(Bar().IsItemActive(kItemBold));
  ClickItem(kItemAlignCenter);
  EXPECT_EQ(StyleAt(2, 1)->horizontalAlignment, kHorizontalCenter);
  EXPECT_TRUE(Bar().IsItemActive(kItemAlignCenter));
  EXPECT_FALSE(Bar().IsItemActive(kItemAlignLeft));
  // Another cell shows its own state; back on the first cell the state returns.
  ClickCell(5, 3);
  EXPECT_FALSE(Bar().IsItemActive(kItemBold));
  EXPECT_FALSE(Bar().IsItemActive(kItemAlignCenter));
  ClickCell(2, 1);
  EXPECT_TRUE(Bar().IsItemActive(kItemBold));
  // Window toggles.
  ClickItem(kItemSplit);
  EXPECT_EQ(container->GetViews().size(), 2u);
  EXPECT_TRUE(Bar().IsItemActive(kItemSplit));
  // Undo is a picture too.
  ClickItem(kItemUndo);
  ClickItem(kItemUndo);
  EXPECT_FALSE(StyleAt(2, 1)->font->IsBold());
}

TEST_F(ToolbarTest, TheFontSizeListSetsTheSizeAndAClickOnTheOpenBoxClosesIt) {
  FontSizeGadget& box = *Bar().GetFontSizeBox();
  ClickCell(3, 2);
  EXPECT_EQ(box.FontSize(), 10);
  ClickItem(kItemFontSize);
  ASSERT_TRUE(box.IsOpen());
  ClickItem(kItemFontSize);  // the click on the box while its list is open
  EXPECT_FALSE(box.IsOpen());
  ClickItem(kItemFontSize);
  EXPECT_FALSE(box.IsOpen()) << "the closing click reopened the list at once";
  ASSERT_TRUE(WaitFor([&] {
    ClickItem(kItemFontSize);
    return box.IsOpen();
  }, 3000));
  ClickPopup(box, QPoint(20, 4 * 20 + 10));  // the fifth size, 12
  EXPECT_FALSE(box.IsOpen());
  EXPECT_EQ(StyleAt(3, 2)->font->size, 12);
  EXPECT_EQ(box.FontSize(), 12);
  ClickItem(kItemUndo);
  EXPECT_EQ(StyleAt(3, 2)->font->size, 10);
}

TEST_F(ToolbarTest, TheFontListChoosesAFaceAndStaysInBoundsForMissingFaces) {
  FontGadget& box = *Bar().GetFontBox();
  EnumerateFonts();
  const std::vector<std::u16string>& faces = GetFontFaces();
  ASSERT_FALSE(faces.empty());
  box.SetFontName(u"Calibri Not Installed");
  EXPECT_EQ(box.Scroll(), 0);
  EXPECT_EQ(box.FontName(), u"Calibri Not Installed");
  box.SetFontName(faces.back());
  EXPECT_LE(box.Scroll(), 0);
  box.SetFontName(u"Arial");
  ClickCell(4, 1);
  ASSERT_TRUE(WaitFor([&] {
    ClickItem(kItemFont);
    return box.IsOpen();
  }, 3000));
  QWidget* list = CanvasWidgetOf(*box.GetPopupCanvas());
  int h = list->height();
  // The wheel never scrolls past either end.
  for (int i = 0; i < 3; ++i) {
    QWheelEvent up(QPointF(50, 50), list->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &up);
  }
  EXPECT_EQ(box.Scroll(), 0);
  // A press on the thumb strip and a click on a row: only the row chooses.
  QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(list->width() - 5, 20));
  EXPECT_TRUE(box.IsOpen());
  ClickPopup(box, QPoint(40, 4 + 30 + 15));  // the second face
  EXPECT_FALSE(box.IsOpen());
  EXPECT_EQ(StyleAt(4, 1)->font->face, faces.size() > 1 ? faces[1] : faces[0]);
  EXPECT_EQ(box.FontName(), StyleAt(4, 1)->font->face);
  (void)h;
}

TEST_F(ToolbarTest, EscapeAndAThumbDragInTheListsChooseNothing) {
  EnumerateFonts();
  ClickCell(3, 1);
  size_t undo = app->UndoCount();
  const FontRecord* before = StyleAt(3, 1)->font;
  DropdownGadget* boxes[] = {Bar().GetFontSizeBox(), Bar().GetFontBox()};
  int items[] = {kItemFontSize, kItemFont};
  for (int k = 0; k < 2; ++k) {
    DropdownGadget& box = *boxes[k];
    ASSERT_TRUE(WaitFor([&] {
      ClickItem(items[k]);
      return box.IsOpen();
    }, 3000));
    QTest::keyClick(CanvasWidgetOf(*box.GetPopupCanvas()), Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(box.IsOpen()) << "item " << items[k];
  }
  // A drag that starts on the font list's thumb and ends over a row is no choice.
  FontGadget& fonts = *Bar().GetFontBox();
  ASSERT_TRUE(WaitFor([&] {
    ClickItem(kItemFont);
    return fonts.IsOpen();
  }, 3000));
  QWidget* list = CanvasWidgetOf(*fonts.GetPopupCanvas());
  QPoint thumb(list->width() - 5, 6);
  QTest::mousePress(list, Qt::LeftButton, {}, thumb);
  QTest::mouseMove(list, thumb + QPoint(-3, 10));
  QTest::mouseMove(list, QPoint(40, 50));
  QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(40, 50));
  Settle();
  EXPECT_TRUE(fonts.IsOpen());
  EXPECT_EQ(StyleAt(3, 1)->font, before);
  EXPECT_EQ(app->UndoCount(), undo);
}

TEST_F(ToolbarTest, TheTextFlowButtonAppliesItsEntryUntilAnotherIsChosen) {
  // A configured toolbar with the text flow button, in place of the window's.
  ArrayList<int64_t> items;
  for (int64_t id : {1, 8, 0, 37, 10}) items.Add(id);
  GetContext().SetToolbarItems(items);
  container->SetToolbar(std::make_unique<ToolbarGadget>(*app, app->GetWindow(), 1,
                                                        [this] { return SheetToolbarStates(*container); }));
  GetContext().ResetToolbarItems();
  ASSERT_NE(Bar().GetTextFlowBox(), nullptr);
  ToolbarDropdown& flow = *Bar().GetTextFlowBox();
  EXPECT_EQ(flow.EntryCount(), 3u);
  ClickCell(2, 2);
  Type("long text");
  Key(Qt::Key_Return);
  ClickCell(2, 2);
  ClickItem(kItemTextFlowMenu, QPoint(8, 8));  // the left half: "Text Hide"
  EXPECT_EQ(StyleAt(2, 2)->textFlow, kTextFlowHide);
  ASSERT_TRUE(WaitFor([&] {
    ClickItem(kItemTextFlowMenu, QPoint(30, 8));
    return flow.IsOpen();
  }, 3000));
  ClickPopup(flow, QPoint(50, 2 * 30 + 10));  // line break
  EXPECT_EQ(flow.Selected(), 2);
  EXPECT_EQ(StyleAt(2, 2)->textFlow, kTextFlowLineBreak);
  ClickCell(3, 2);
  Type("more");
  Key(Qt::Key_Return);
  ClickCell(3, 2);
  ClickItem(kItemTextFlowMenu, QPoint(8, 8));
  EXPECT_EQ(StyleAt(3, 2)->textFlow, kTextFlowLineBreak);
  // Keys in the list: Down and Return choose, Escape closes without a choice.
  ASSERT_TRUE(WaitFor([&] {
    ClickItem(kItemTextFlowMenu, QPoint(30, 8));
    return flow.IsOpen();
  }, 3000));
  QWidget* list = CanvasWidgetOf(*flow.GetPopupCanvas());
  QTest::keyClick(list, Qt::Key_Escape);
  Settle();
  EXPECT_FALSE(flow.IsOpen());
  EXPECT_EQ(flow.Selected(), 2);
}

}  // namespace
}  // namespace quadrell
