#include "model/Util.h"

#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace quadrell {
namespace {

TEST(UtilTest, ColumnNamesAndIndices) {
  const std::pair<int, const char16_t*> cases[] = {{0, u"A"},   {25, u"Z"},  {26, u"AA"}, {27, u"AB"},
                                                   {51, u"AZ"}, {52, u"BA"}, {701, u"ZZ"}, {702, u"AAA"},
                                                   {16383, u"XFD"}};
  for (auto [index, name] : cases) {
    EXPECT_EQ(ColumnName(index), std::u16string(name));
    EXPECT_EQ(ColumnIndex(name), index);
  }
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(ColumnIndex(ColumnName(i)), i);
  EXPECT_EQ(ColumnIndex(u""), 0);
  EXPECT_EQ(ColumnIndex(u"AAAAAAAAAAAAAAAAAAAA"), INT32_MAX);  // saturates, no overflow
  EXPECT_EQ(RowOfReference(u"B12"), 12);
  EXPECT_EQ(RowOfReference(u"AB"), 0);
  EXPECT_EQ(RowOfReference(u"A99999999999"), INT32_MAX);
  EXPECT_EQ(ColumnOfReference(u"B12"), 1);
  EXPECT_EQ(ColumnOfReference(u"12"), 0);
}

TEST(UtilTest, DefaultExtensions) {
  EXPECT_EQ(AddDefaultExtension(u"Book.XLSX", 1, 0), u"Book.XLSX");
  EXPECT_EQ(AddDefaultExtension(u"Book.csv", 1, 0), u"Book.csv.xlsx");
  EXPECT_EQ(AddDefaultExtension(u"Book", 1, 1), u"Book.csv");
  EXPECT_EQ(AddDefaultExtension(u"Book.tsv", 1, 2), u"Book.tsv");
  EXPECT_EQ(AddDefaultExtension(u"out", 1, 3), u"out.pdf");
  EXPECT_EQ(AddDefaultExtension(u"letter", 0, 0), u"letter.docx");
  EXPECT_EQ(AddDefaultExtension(u"/tmp/my.dir/book", 1, 0), u"/tmp/my.dir/book.xlsx");
}

TEST(UtilTest, ColoursAndNumbers) {
  EXPECT_EQ(ColorToHex(0x0000FF), u"FFFF0000");
  EXPECT_EQ(ColorToHex(0x123456), u"FF563412");
  EXPECT_EQ(HexToColor(u"FF00FF00"), 0x00FF00u);
  EXPECT_EQ(HexToColor(u"00FF00"), 0x00FF00u);
  EXPECT_EQ(HexToColor(ColorToHex(0xABCDEF)), 0xABCDEFu);
  EXPECT_EQ(ParseNumber(u"0"), 0);
  EXPECT_TRUE(std::isnan(ParseNumber(u"abc")));
  EXPECT_EQ(ParseNumber(u"2.5"), 2.5);
  EXPECT_DOUBLE_EQ(AxisStep(0, 100), 50);
  EXPECT_DOUBLE_EQ(AxisStep(0, 10), 5);
  EXPECT_DOUBLE_EQ(AxisStep(0, 0.1), 0.05);
  EXPECT_DOUBLE_EQ(AxisStep(0, 30), 5);
  EXPECT_DOUBLE_EQ(AxisStep(0, 40), 10);
  EXPECT_EQ(AxisStep(5, 5), 1);
  EXPECT_EQ(RainbowColor(0), 255u | (128u << 8) | (1u << 16));
}

TEST(UtilTest, PalettePicksPureHuesAndFindsThemBack) {
  EXPECT_EQ(PaletteColor(0, 138, 68), 0x0000FFu);     // red
  EXPECT_EQ(PaletteColor(46, 138, 68), 0x00FF00u);    // green
  EXPECT_EQ(PaletteColor(92, 138, 68), 0xFF0000u);    // blue
  EXPECT_EQ(PaletteColor(0, 138, 137), 0xFFFFFFu);    // white at full lightness
  EXPECT_EQ(PaletteColor(50, 138, 0), 0x000000u);     // black at no lightness
  Colour grey = PaletteColor(10, 0, 68);
  EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
  for (int hue : {0, 10, 30, 50, 80, 100, 120}) {
    Colour c = PaletteColor(hue, 138, 68);
    int found = static_cast<int>(PaletteCoordinates(c) & 0xFF);
    EXPECT_NEAR(found, hue, 1) << hue;
  }
}

TEST(UtilTest, FormulaTextHelpers) {
  EXPECT_TRUE(IsOperandPosition(u"=SUM(", 5));
  EXPECT_TRUE(IsOperandPosition(u"=", 1));
  EXPECT_FALSE(IsOperandPosition(u"=A1", 3));
  EXPECT_FALSE(IsOperandPosition(u"SUM(", 4));
  EXPECT_FALSE(IsOperandPosition(u"=(", 9));
  EXPECT_EQ(WordAtPosition(u"=SU", 3), u"SU");
  EXPECT_EQ(WordAtPosition(u"=A1+SUMME(B", 7), u"SUMME");
  EXPECT_EQ(WordAtPosition(u"=1+ÄB", 5), u"ÄB");
  EXPECT_EQ(WordAtPosition(u"SUM", 2), u"");
  EXPECT_EQ(WordAtPosition(u"=X", 99), u"X");
}

// Records what the helpers draw.
class RecordingCanvas : public Canvas {
 public:
  struct Line {
    int x1, y1, x2, y2;
    Colour colour;
    bool operator==(const Line&) const = default;
  };
  void DrawText(int x, int y, std::u16string_view text) override { texts.push_back({x, y, std::u16string(text)}); }
  int TextWidth(std::u16string_view text) override { return static_cast<int>(text.size()) * 7; }
  int TextHeight(std::u16string_view) override { return 13; }
  void PlotPoint(int x, int y, Colour colour) override { points.push_back({x, y, x, y, colour}); }
  void DrawLine(int x1, int y1, int x2, int y2, Colour colour) override { lines.push_back({x1, y1, x2, y2, colour}); }
  int Width() const override { return 100; }
  int Height() const override { return 50; }
  Colour LineColour() const override { return 0x112233; }
  // The helpers under test use only the operations above.
  void SetLineColour(Colour) override {}
  void SetFont(const PlatformFont&) override {}
  void SetTextColour(Colour) override {}
  void SetDrawMode(DrawMode) override {}
  void FillBox(int, int, int, int, Colour) override {}
  void BlendBox(int, int, int, int, Colour, int) override {}
  void FrameBox(int, int, int, int, Colour) override {}
  void SetClip(int, int, int, int) override {}
  void ClearClip() override {}
  void DrawImage(const Bitmap&, int, int) override {}
  void FillPath(const VectorPath&, Colour, int) override {}
  void StrokePath(const VectorPath&, Colour, int, double) override {}

  struct Drawn {
    int x, y;
    std::u16string text;
  };
  std::vector<Drawn> texts;
  std::vector<Line> points;
  std::vector<Line> lines;
};

TEST(DrawTextAlignedTest, PlacesTextInsideTheBox) {
  RecordingCanvas canvas;
  // "abcd" is 28 wide and 13 high in the recording canvas; the box is 100 x 30 at (10, 20).
  DrawTextLeftTop(canvas, 10, 20, 100, 30, u"abcd");
  DrawTextCenterMiddle(canvas, 10, 20, 100, 30, u"abcd");
  DrawTextRightBottom(canvas, 10, 20, 100, 30, u"abcd");
  DrawTextCenterTop(canvas, 10, 20, 100, 30, u"abcd");
  DrawTextLeftBottom(canvas, 10, 20, 100, 30, u"abcd");
  DrawTextRightMiddle(canvas, 10, 20, 100, 30, u"abcd");
  ASSERT_EQ(canvas.texts.size(), 6u);
  auto at = [&](int i) { return std::pair(canvas.texts[i].x, canvas.texts[i].y); };
  EXPECT_EQ(at(0), std::pair(11, 20));
  EXPECT_EQ(at(1), std::pair(10 + 36, 20 + 8));
  EXPECT_EQ(at(2), std::pair(10 + 72, 20 + 17));
  EXPECT_EQ(at(3), std::pair(46, 20));
  EXPECT_EQ(at(4), std::pair(11, 37));
  EXPECT_EQ(at(5), std::pair(82, 28));
}

TEST(DrawStyledLineTest, EachStyleDrawsItsPattern) {
  using Line = RecordingCanvas::Line;
  {
    RecordingCanvas c;
    DrawStyledLine(c, 0, 5, 6, 5, 1);  // dotted: every second pixel up to and including the length
    EXPECT_EQ(c.points, (std::vector<Line>{{0, 5, 0, 5, 0x112233}, {2, 5, 2, 5, 0x112233},
                                           {4, 5, 4, 5, 0x112233}, {6, 5, 6, 5, 0x112233}}));
    EXPECT_TRUE(c.lines.empty());
  }
  {
    RecordingCanvas c;
    DrawStyledLine(c, 95, 49, 105, 49, 1);  // points beyond the output are skipped
    EXPECT_EQ(c.points.size(), 3u);
  }
  {
    RecordingCanvas c;
    DrawStyledLine(c, 0, 0, 10, 0, 2);
    EXPECT_EQ(c.lines, (std::vector<Line>{{0, 0, 2, 0, 0x112233}, {4, 0, 6, 0, 0x112233}, {8, 0, 10, 0, 0x112233}}));
  }
  {
    RecordingCanvas c;
    DrawStyledLine(c, 0, 0, 0, 10, 3);
    EXPECT_EQ(c.lines, (std::vector<Line>{{0, 0, 0, 3, 0x112233}, {0, 5, 0, 8, 0x112233}}));
  }
  {
    RecordingCanvas c;
    DrawStyledLine(c, 0, 0, 10, 0, 4);
    EXPECT_EQ(c.lines, (std::vector<Line>{{0, 0, 10, 0, 0x112233}}));
  }
  {
    RecordingCanvas c;
    DrawStyledLine(c, 0, 3, 10, 3, 5);  // two pixels wide
    EXPECT_EQ(c.lines, (std::vector<Line>{{0, 3, 10, 3, 0x112233}, {0, 4, 10, 4, 0x112233}}));
  }
  {
    RecordingCanvas c;
    DrawStyledLine(c, 3, 0, 3, 10, 6);  // double: both sides, not the middle
    EXPECT_EQ(c.lines, (std::vector<Line>{{2, 0, 2, 10, 0x112233}, {4, 0, 4, 10, 0x112233}}));
  }
  {
    RecordingCanvas c;
    DrawStyledLine(c, 0, 3, 10, 3, -2);
    EXPECT_EQ(c.lines, (std::vector<Line>{{0, 2, 10, 2, 0xCCCCCC}, {0, 3, 10, 3, 0xCCCCCC}, {0, 4, 10, 4, 0xCCCCCC}}));
  }
  for (int style : {0, 7, -1, 100}) {
    RecordingCanvas c;
    DrawStyledLine(c, 0, 0, 10, 0, style);
    EXPECT_TRUE(c.lines.empty() && c.points.empty()) << style;
  }
}

}  // namespace
}  // namespace quadrell
