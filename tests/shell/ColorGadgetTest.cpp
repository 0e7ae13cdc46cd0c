// The colour picker as the fill and text colour pictures open it: swatches,
// sliders, "ok" and the brush button, on a real sheet window.
#include "../view/SheetViewTestSupport.h"
#include "model/Style.h"
#include "model/Util.h"
#include "shell/commands/Commands.h"
#include "shell/popups/ColorGadget.h"
#include "shell/toolbar/ToolbarGadget.h"

namespace quadrell {
namespace {

using test::CanvasWidgetOf;
using test::Settle;

class ColorGadgetTest : public test::SheetWindowTest {
 protected:
  ColorGadget& OpenFromToolbar(int item) {
    auto& bar = *static_cast<ToolbarGadget*>(container->GetToolbar());
    auto* picture = dynamic_cast<CanvasControl*>(bar.GetControl(item));
    EXPECT_NE(picture, nullptr);
    QTest::mouseClick(CanvasWidgetOf(*picture), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_NE(ColorGadget::OpenPicker(), nullptr);
    return *ColorGadget::OpenPicker();
  }
  void ClickPicker(QPoint at) {
    ColorGadget* picker = ColorGadget::OpenPicker();
    ASSERT_NE(picker, nullptr);
    QTest::mouseClick(CanvasWidgetOf(*picker->GetCanvas()), Qt::LeftButton, {}, at);
    Settle();
  }
  Colour FillAt(int32_t row, int32_t column) const {
    Cell* cell = CellAt(row, column);
    return cell ? cell->GetStyle()->fillColor : kWhite;
  }
};

TEST_F(ColorGadgetTest, OkAtOnceFillsRedAndASwatchFillsItsColour) {
  Select(1, 2, 2, 3);
  OpenFromToolbar(kItemFill);
  ClickPicker(QPoint(50, 140));  // "ok"
  EXPECT_EQ(ColorGadget::OpenPicker(), nullptr);
  for (auto [row, column] : {std::pair{2, 1}, {3, 2}}) EXPECT_EQ(FillAt(row, column), RgbColour(255, 0, 0));
  OpenFromToolbar(kItemTextColour);
  ClickPicker(QPoint(15 + 30 * 1 + 10, 46 + 10));  // second row, second swatch: #008800
  Cell* cell = CellAt(2, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->GetStyle()->textColor, RgbColour(0, 0x88, 0));
  RunToolbarCommand(*app, kItemUndo);
  EXPECT_EQ(CellAt(2, 1)->GetStyle()->textColor, kBlack);
}

TEST_F(ColorGadgetTest, SlidersStayInRangeAndEscapeChoosesNothing) {
  ClickCell(2, 1);
  ColorGadget& picker = OpenFromToolbar(kItemFill);
  struct Case {
    int x, y;
    int hue, saturation, lightness;
  } cases[] = {
      {101 + 40, 95, 40, 138, 69},     // hue
      {101 + 0, 120, 40, 0, 69},       // saturation 0: a grey
      {239, 145, 40, 0, 138},          // the right end of lightness, held to the range
      {101, 145, 40, 0, 0},            // lightness 0: black
  };
  for (const Case& c : cases) {
    ClickPicker(QPoint(c.x, c.y));
    EXPECT_EQ(picker.Hue(), c.hue);
    EXPECT_EQ(picker.Saturation(), c.saturation);
    EXPECT_EQ(picker.Lightness(), c.lightness);
    Colour chosen = picker.Chosen();
    EXPECT_EQ(chosen >> 24, 0u) << "a channel ran past 255";
    if (c.saturation == 0) {
      EXPECT_EQ(chosen & 0xFF, (chosen >> 8) & 0xFF);
      EXPECT_EQ(chosen & 0xFF, (chosen >> 16) & 0xFF);
    }
  }
  EXPECT_EQ(picker.Chosen(), kBlack);
  QTest::keyClick(CanvasWidgetOf(*picker.GetCanvas()), Qt::Key_Escape);
  Settle();
  EXPECT_EQ(ColorGadget::OpenPicker(), nullptr);
  EXPECT_EQ(FillAt(2, 1), kWhite);
}

TEST_F(ColorGadgetTest, TheBrushButtonStartsAFillBrush) {
  ClickCell(2, 1);
  OpenFromToolbar(kItemFill);
  ClickPicker(QPoint(15 + 30 * 4 + 10, 25));  // yellow swatch, applied at once
  EXPECT_EQ(FillAt(2, 1), RgbColour(255, 255, 0));
  OpenFromToolbar(kItemFill);
  ClickPicker(QPoint(50, 100));  // the brush, with the picker's red
  EXPECT_EQ(ColorGadget::OpenPicker(), nullptr);
  ClickCell(4, 2);
  EXPECT_EQ(FillAt(4, 2), RgbColour(255, 0, 0));
}

}  // namespace
}  // namespace quadrell
