#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "model/Column.h"
#include "model/Font.h"
#include "model/Style.h"
#include "model/Util.h"

namespace quadrell {
namespace {

constexpr Colour kGrid = 0xEEEEEE;

class GridPaintTest : public test::SheetWindowTest {
 protected:
  void Style(int32_t row, int32_t column, void (*change)(StyleRecord&)) {
    StyleRecord style = CellAt(row, column)->CopyStyle();
    change(style);
    CellAt(row, column)->SetStyle(style);
  }
  // The selection's frame and handle reach into the neighbours: put it out of sight.
  void Unselect() {
    Select(30, 500, 30, 500);
    view->Refresh();
  }
  // Pixels of the cell's inside that are not white.
  int Ink(int32_t row, int32_t column) { return CountOther(Inside(row, column), kWhite); }
  int InkIn(int32_t row, int32_t column, int from, int to) {
    Rect in = Inside(row, column);
    return CountOther(Rect{in.x + from, in.y, to - from, in.height - 2}, kWhite);
  }
};

TEST_F(GridPaintTest, AnEmptySheetIsAWhiteGridWithNumberedHeaders) {
  EXPECT_EQ(view->GetRowHeaderWidth(), 40);
  Rect b2 = view->CellBox(2, 1);
  EXPECT_EQ(b2.width, 98);
  EXPECT_EQ(b2.height, 18);
  EXPECT_EQ(b2.x, 40 + 98);
  EXPECT_EQ(b2.y, 18 + 18);
  Unselect();
  EXPECT_EQ(Ink(2, 1), 0);
  EXPECT_EQ(Pixel(b2.x, b2.y + 5), kGrid);
  EXPECT_EQ(Pixel(b2.x + 5, b2.Bottom()), kGrid);
  // Headers: a grey band with labels in it.
  EXPECT_EQ(Pixel(2, b2.y + 2), 0xEEEEEE);
  EXPECT_GT(CountOther(Rect{1, b2.y + 1, 38, 16}, 0xEEEEEE), 5);          // "2"
  EXPECT_GT(CountOther(Rect{b2.x + 2, 1, 94, 16}, 0xEEEEEE), 5);          // "B"
  // High row numbers need a wider header.
  view->ScrollRows(22000 - 1);
  EXPECT_EQ(view->GetRowHeaderWidth(), 40);
  view->ScrollRows(758);
  EXPECT_EQ(view->GetFirstRow(), 22758);
  EXPECT_EQ(view->GetRowHeaderWidth(), 41);
}

TEST_F(GridPaintTest, TextFlowsIntoEmptyNeighboursUnlessHiddenOrBlocked) {
  CellAt(1, 0)->SetInput(u"a rather long text that needs far more room than one column");
  CellAt(3, 0)->SetInput(u"a rather long text that needs far more room than one column");
  CellAt(3, 1)->SetInput(u"x");
  CellAt(5, 0)->SetInput(u"a rather long text that needs far more room than one column");
  Style(5, 0, [](StyleRecord& s) { s.textFlow = kTextFlowHide; });
  view->Redraw(true);
  EXPECT_GT(Ink(1, 1), 20);       // flows over B1
  EXPECT_GT(Ink(1, 2), 20);       // and C1
  EXPECT_GT(InkIn(3, 1, 0, 12), 0);  // B3 shows its own "x"
  EXPECT_EQ(InkIn(3, 1, 20, 90), 0);  // and nothing of A3's text
  EXPECT_EQ(Ink(5, 1), 0);        // hidden text stops at its cell
  EXPECT_GT(Ink(5, 0), 20);
}

TEST_F(GridPaintTest, NumbersSitRightTextsLeftAndLineBreaksWrap) {
  CellAt(1, 0)->SetInput(u"5");
  CellAt(2, 0)->SetInput(u"t");
  Style(1, 0, [](StyleRecord& s) { s.verticalAlignment = kVerticalTop; });
  CellAt(3, 1)->SetInput(u"one\ntwo");
  Style(3, 1, [](StyleRecord& s) { s.textFlow = kTextFlowLineBreak; });
  sheet()->GetRow(3)->SetHeight(60, true);
  view->Redraw(true);
  Unselect();
  EXPECT_EQ(InkIn(1, 0, 0, 60), 0);
  EXPECT_GT(InkIn(1, 0, 80, 97), 0);
  EXPECT_GT(InkIn(2, 0, 0, 15), 0);
  EXPECT_EQ(InkIn(2, 0, 20, 97), 0);
  // A general number is centred vertically whatever the style says: ink in the middle rows.
  Rect a1 = Inside(1, 0);
  EXPECT_EQ(CountOther(Rect{a1.x, a1.y, a1.width, 2}, kWhite), 0);
  // Two lines: ink, a gap, ink again.
  Rect b3 = Inside(3, 1);
  std::vector<bool> inked;
  for (int y = b3.y; y < b3.Bottom(); ++y) inked.push_back(CountOther(Rect{b3.x, y, 40, 1}, kWhite) > 0);
  int bands = 0;
  for (size_t i = 0; i < inked.size(); ++i) bands += inked[i] && (i == 0 || !inked[i - 1]);
  EXPECT_EQ(bands, 2);
}

TEST_F(GridPaintTest, FillsBordersAndBoldFontsAsStyled) {
  Style(2, 1, [](StyleRecord& s) {
    s.fillColor = RgbColour(255, 0, 0);
    s.bottom = BorderLine{RgbColour(0, 0, 255), kBorderThin};
    s.font = GetFont(u"Arial", 10, kFontFlagBold);
  });
  CellAt(2, 1)->SetInput(u"W");
  CellAt(2, 2)->SetInput(u"W");
  view->Redraw(true);
  Rect b2 = view->CellBox(2, 1);
  EXPECT_EQ(Pixel(b2.Right() - 5, b2.y + 3), RgbColour(255, 0, 0));
  EXPECT_EQ(Pixel(b2.x + 50, b2.Bottom()), RgbColour(0, 0, 255));
  // Bold text takes more ink than the same letter in the plain font.
  int bold = CountOther(Rect{b2.x + 1, b2.y + 1, 20, 16}, RgbColour(255, 0, 0));
  Rect c2 = view->CellBox(2, 2);
  int plain = CountOther(Rect{c2.x + 1, c2.y + 1, 20, 16}, kWhite);
  EXPECT_GT(bold, plain);
}

TEST_F(GridPaintTest, TheGridNeverShowsWhatAnEditOrUndoReplaced) {
  Type("a long line of text spilling over");
  Key(Qt::Key_Return);
  EXPECT_GT(Ink(1, 1), 10);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(1, 0), u"");
  Unselect();
  EXPECT_EQ(Ink(1, 0), 0);
  EXPECT_EQ(Ink(1, 1), 0);
  // A cell changed elsewhere shows once the views are told.
  CellAt(4, 2)->SetInput(u"elsewhere, and wider than its cell");
  app->UpdateCellInViews(4, 2);
  view->Refresh();
  EXPECT_GT(Ink(4, 2), 10);
  EXPECT_GT(Ink(4, 3), 10);
  CellAt(4, 2)->SetInput(u"");
  app->UpdateCellInViews(4, 2);
  view->Refresh();
  EXPECT_EQ(Ink(4, 3), 0);
}

TEST_F(GridPaintTest, CellsThatRecalculateShowTheirNewValueAndEditsOutlineTheirReferences) {
  CellAt(1, 0)->SetInput(u"1");
  CellAt(1, 1)->SetInput(u"=A1*2");
  CellAt(1, 2)->SetInput(u"=B1*1000000");
  view->Redraw(true);
  Unselect();
  auto picture = [&](int32_t column) {
    Rect in = Inside(1, column);
    std::vector<Colour> pixels;
    for (int y = in.y; y < in.Bottom(); ++y) {
      for (int x = in.x; x < in.Right(); ++x) pixels.push_back(Pixel(x, y));
    }
    return pixels;
  };
  std::vector<Colour> b1 = picture(1), c1 = picture(2);
  Select(0, 1, 0, 1);
  Type("5");
  Key(Qt::Key_Return);
  EXPECT_EQ(Shown(1, 1), u"10");
  Unselect();
  EXPECT_NE(picture(1), b1);
  EXPECT_NE(picture(2), c1);
  // While a formula is typed, the ranges it names are outlined.
  Select(3, 5, 3, 5);
  Type("=B3:C4+A7");
  Rect b3 = view->CellBox(3, 1), a7 = view->CellBox(7, 0);
  EXPECT_EQ(Pixel(b3.x, b3.y + 5), RainbowColor(0));
  EXPECT_EQ(Pixel(a7.x + 5, a7.y), RainbowColor(1));
  Key(Qt::Key_Escape);
  EXPECT_NE(Pixel(b3.x, b3.y + 5), RainbowColor(0));
}

TEST_F(GridPaintTest, TheFormulaViewShowsWhatWasTyped) {
  CellAt(2, 1)->SetInput(u"=1+2+3+4+5");
  view->Redraw(true);
  Unselect();
  ASSERT_EQ(Shown(2, 1), u"15");
  int value = Ink(2, 1);
  view->ToggleFormulaView();
  view->Redraw(true);
  EXPECT_GT(Ink(2, 1), 2 * value);
  view->ToggleFormulaView();
  view->Redraw(true);
  EXPECT_EQ(Ink(2, 1), value);
}

TEST_F(GridPaintTest, TheEditorShowsTheTextInTheCellAndTheSelectionIsBlue) {
  Rect a1 = view->CellBox(1, 0);
  EXPECT_EQ(Pixel(a1.x, a1.y + 5), RgbColour(0, 0, 255));
  EXPECT_EQ(Pixel(a1.Right(), a1.y + 5), RgbColour(0, 0, 255));
  Type("WWW");
  EXPECT_GT(Ink(1, 0), 20);
  EXPECT_EQ(CountOther(Rect{a1.x + 1, a1.y + 1, 10, 16}, kWhite) > 0, true);
  Key(Qt::Key_Escape);
  EXPECT_EQ(InkIn(1, 0, 0, 80), 0);
}

TEST_F(GridPaintTest, FrozenRowsStayAboveABlackLineWhileTheRestScrolls) {
  CellAt(1, 0)->SetInput(u"head");
  view->SetFrozenRange(FrozenRange{0, 1, 0, 2});
  view->ScrollRows(50);
  EXPECT_EQ(view->GetFirstRow(), 52);
  Rect head = view->CellBox(1, 0);
  ASSERT_GT(head.height, 0);
  EXPECT_EQ(head.y, 18);
  EXPECT_GT(Ink(1, 0), 5);
  EXPECT_EQ(view->CellBox(52, 0).y, 18 + 18);
  EXPECT_EQ(Pixel(head.x + 50, head.Bottom()), kBlack);
  // A selection running from behind the frozen row is framed below the line only.
  Select(2, 2, 2, 60);
  view->Refresh();
  auto blue = [&](const Rect& r) {
    int n = 0;
    for (int y = r.y; y < r.Bottom(); ++y) {
      for (int x = r.x; x < r.Right(); ++x) n += Pixel(x, y) == RgbColour(0, 0, 255);
    }
    return n;
  };
  Rect c1 = view->CellBox(1, 2);
  EXPECT_EQ(blue(Rect{c1.x - 1, c1.y, c1.width + 3, c1.height - 1}), 0);
  Rect c52 = view->CellBox(52, 2);
  EXPECT_GT(blue(Rect{c52.x - 1, c52.y + 2, 2, 10}), 0);
}

TEST_F(GridPaintTest, ANumberTooWideForItsCellShowsHashesAndNeverFewerDigits) {
  CellAt(2, 1)->SetInput(u"0.3402777778");
  CellAt(3, 1)->SetInput(u"12345678901234567890");
  CellAt(4, 1)->SetInput(u"1");
  CellAt(5, 1)->SetInput(u"a rather long text that needs far more room than one column");
  sheet()->GetColumn(1)->SetWidth(40);
  view->Redraw(true);
  Unselect();
  // Nothing of the numbers reaches the empty neighbours on either side.
  for (int32_t row : {2, 3}) {
    EXPECT_EQ(Ink(row, 0), 0) << row;
    EXPECT_EQ(Ink(row, 2), 0) << row;
    EXPECT_GT(Ink(row, 1), 10) << row;
  }
  // Both show the same row of hashes, as wide as the cell allows.
  Rect two = Inside(2, 1), three = Inside(3, 1);
  for (int dx = 0; dx < two.width; ++dx) {
    for (int dy = 0; dy < two.height; ++dy) {
      ASSERT_EQ(Pixel(two.x + dx, two.y + dy), Pixel(three.x + dx, three.y + dy)) << dx << "," << dy;
    }
  }
  // A number that fits and a text keep their ways: the text still flows on.
  EXPECT_GT(Ink(4, 1), 0);
  EXPECT_GT(Ink(5, 2), 10);
  // A merged area wide enough shows the digits.
  Select(1, 2, 2, 2);
  sheet()->MergeCells(false);
  view->Redraw(true);
  Unselect();
  EXPECT_GT(InkIn(2, 1, 40, 98), 10);
}

}  // namespace
}  // namespace quadrell
