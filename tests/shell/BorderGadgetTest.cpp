// The border box: its presets against the model, the panel's clicks, one undo
// step per change, and whole rows and columns without a cell per position.
#include "../view/SheetViewTestSupport.h"
#include "model/Column.h"
#include "model/Style.h"
#include "shell/commands/Commands.h"
#include "shell/popups/BorderGadget.h"
#include "shell/toolbar/ToolbarGadget.h"

namespace quadrell {
namespace {

using test::CanvasWidgetOf;
using test::Settle;
using test::WaitFor;

class BorderGadgetTest : public test::SheetWindowTest {
 protected:
  BorderGadget& Box() const { return *static_cast<ToolbarGadget*>(container->GetToolbar())->GetBorderBox(); }
  void ClickBox(int x) {
    QTest::mouseClick(CanvasWidgetOf(Box().GetCanvas()), Qt::LeftButton, {}, QPoint(x, 10));
    Settle();
  }
  void ClickPanel(QPoint at) {
    ASSERT_NE(Box().GetPopupCanvas(), nullptr);
    QTest::mouseClick(CanvasWidgetOf(*Box().GetPopupCanvas()), Qt::LeftButton, {}, at);
    Settle();
  }
  BorderLine Line(int32_t row, int32_t column, BorderLine StyleRecord::*side) const {
    Cell* cell = CellAt(row, column);
    return cell ? cell->GetStyle()->*side : BorderLine{};
  }
  size_t StoredCells() const {
    size_t n = 0;
    sheet()->ForEachRow([&](int32_t, Row& row) {
      for (int32_t c = 0; c <= row.GetLastColumn(); ++c) n += row.FindCell(c) != nullptr;
    });
    return n;
  }
};

TEST_F(BorderGadgetTest, ThePresetOfAllLinesSetsThemThinAndTheNextClickRemovesThem) {
  Select(1, 2, 2, 3);  // B2:C3
  EXPECT_EQ(Box().PresetIndex(), 6);
  EXPECT_EQ(Box().StyleIndex(), 3);
  ClickBox(8);
  for (int32_t r : {2, 3}) {
    for (int32_t c : {1, 2}) {
      for (auto side : {&StyleRecord::top, &StyleRecord::bottom, &StyleRecord::left, &StyleRecord::right}) {
        EXPECT_EQ(Line(r, c, side).lineStyle, kBorderThin) << r << "," << c;
        EXPECT_EQ(Line(r, c, side).colour, kBlack);
      }
    }
  }
  ClickBox(8);
  for (int32_t r : {2, 3}) {
    for (int32_t c : {1, 2}) EXPECT_EQ(Line(r, c, &StyleRecord::top).lineStyle, kBorderNone);
  }
  // Each click was one undo step.
  RunToolbarCommand(*app, kItemUndo);
  EXPECT_EQ(Line(3, 2, &StyleRecord::left).lineStyle, kBorderThin);
  RunToolbarCommand(*app, kItemUndo);
  EXPECT_EQ(Line(3, 2, &StyleRecord::left).lineStyle, kBorderNone);
}

TEST_F(BorderGadgetTest, SummariesOfSingleCellsAndMixedColours) {
  Select(1, 1, 1, 1);
  BorderSummary one = ReadBorderSummary(*sheet(), *view->GetSelection());
  EXPECT_EQ(one[kInnerHorizontal].style, -1);
  EXPECT_EQ(one[kInnerVertical].style, -1);
  // Inner presets change nothing on one cell.
  TogglePreset(one, 48, kBorderThin, kBlack);
  EXPECT_EQ(ApplyBorderSummary(*sheet(), *view->GetSelection(), one)->Size(), 1u);  // the cell gets its own style
  EXPECT_EQ(Line(1, 1, &StyleRecord::right).lineStyle, kBorderNone);

  for (auto [column, colour] : {std::pair{3, RgbColour(255, 0, 0)}, {4, RgbColour(0, 0, 255)}}) {
    Cell* cell = sheet()->GetCellDirect(2, column);
    StyleRecord style = cell->CopyStyle();
    style.top = BorderLine{colour, kBorderThin};
    cell->SetStyle(style);
  }
  Select(3, 2, 4, 2);
  BorderSummary mixed = ReadBorderSummary(*sheet(), *view->GetSelection());
  EXPECT_EQ(mixed[kOuterTop].style, kBorderThin);
  EXPECT_EQ(mixed[kOuterTop].colour, kMixedColour);
  // A new line style on the mixed edge keeps each cell's colour.
  mixed[kOuterTop].style = kBorderMedium;
  ApplyBorderSummary(*sheet(), *view->GetSelection(), mixed);
  EXPECT_EQ(Line(2, 3, &StyleRecord::top), (BorderLine{RgbColour(255, 0, 0), kBorderMedium}));
  EXPECT_EQ(Line(2, 4, &StyleRecord::top), (BorderLine{RgbColour(0, 0, 255), kBorderMedium}));
}

TEST_F(BorderGadgetTest, WholeColumnsGetTheirLinesWithoutACellPerPosition) {
  sheet()->GetCellDirect(5, 2);
  size_t before = StoredCells();
  view->SetSelection(std::make_unique<AreaRange>(1, -1, 2, -1, sheet()));  // columns B:C
  ClickBox(8);
  EXPECT_EQ(StoredCells(), before);
  Column* b = sheet()->FindColumn(1);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetStyle()->left.lineStyle, kBorderThin);
  EXPECT_EQ(b->GetStyle()->right.lineStyle, kBorderThin);  // inner vertical
  EXPECT_EQ(Line(5, 2, &StyleRecord::right).lineStyle, kBorderThin);
  BorderSummary read = ReadBorderSummary(*sheet(), *view->GetSelection());
  EXPECT_EQ(read[kOuterLeft].style, kBorderThin);
  EXPECT_EQ(read[kInnerVertical].style, kBorderThin);
}

TEST_F(BorderGadgetTest, ThePanelChoosesAStyleAColourAndAPreset) {
  Select(1, 1, 3, 3);
  ASSERT_TRUE(WaitFor([&] {
    ClickBox(30);
    return Box().IsOpen();
  }, 3000));
  ClickPanel(QPoint(180, 5 * 20 + 2));   // the thick (medium) line, row 4 of the styles
  EXPECT_EQ(Box().StyleIndex(), 4);
  ClickPanel(QPoint(15 + 30 * 2 + 10, 180 + 25));  // the red swatch of the embedded picker
  EXPECT_EQ(Box().LineColour(), RgbColour(255, 0, 0));
  EXPECT_TRUE(Box().IsOpen());
  ClickPanel(QPoint(20 * 4 + 10 + 8, 160));  // preset 4: the outline
  EXPECT_EQ(Line(1, 1, &StyleRecord::top), (BorderLine{RgbColour(255, 0, 0), kBorderMedium}));
  EXPECT_EQ(Line(3, 3, &StyleRecord::right), (BorderLine{RgbColour(255, 0, 0), kBorderMedium}));
  EXPECT_EQ(Line(2, 2, &StyleRecord::top).lineStyle, kBorderNone);
  EXPECT_EQ(Box().PresetIndex(), 4);
  QTest::keyClick(CanvasWidgetOf(*Box().GetPopupCanvas()), Qt::Key_Escape);
  Settle();
  EXPECT_FALSE(Box().IsOpen());
  RunToolbarCommand(*app, kItemUndo);
  EXPECT_EQ(Line(1, 1, &StyleRecord::top).lineStyle, kBorderNone);
}

}  // namespace
}  // namespace quadrell
