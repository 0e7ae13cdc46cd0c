#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/Util.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/qt/QtFonts.h"

namespace quadrell {
namespace {

constexpr Colour kRed = 0x0000FF;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;

// A white image with a canvas on it.
struct Drawing {
  explicit Drawing(int width, int height, Colour background = kWhite) : image(width, height) {
    canvas = OpenBitmapCanvas(image);
    canvas->FillBox(0, 0, width, height, background);
  }
  // The pixels of that colour, in reading order.
  std::vector<std::pair<int, int>> PixelsOf(Colour colour) {
    canvas.reset();  // finish drawing
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < image.Height(); ++y) {
      for (int x = 0; x < image.Width(); ++x) {
        if (image.AlphaAt(x, y) == 255 && image.ColourAt(x, y) == colour) out.emplace_back(x, y);
      }
    }
    return out;
  }
  Bitmap image;
  std::unique_ptr<Canvas> canvas;
};

using Pixels = std::vector<std::pair<int, int>>;

TEST(CanvasTest, LinesStopBeforeTheirEndPoint) {
  struct Case {
    int x1, y1, x2, y2;
    Pixels expected;
  } cases[] = {
      {0, 1, 4, 1, {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
      {4, 1, 0, 1, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
      {2, 0, 2, 3, {{2, 0}, {2, 1}, {2, 2}}},
      {2, 3, 2, 0, {{2, 1}, {2, 2}, {2, 3}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}}},
      {1, 1, 1, 1, {}},
  };
  for (const Case& c : cases) {
    Drawing d(6, 5);
    d.canvas->DrawLine(c.x1, c.y1, c.x2, c.y2, kRed);
    EXPECT_EQ(d.PixelsOf(kRed), c.expected) << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
  }
}

TEST(CanvasTest, LinesAndBoxesFarOutsideTheImageAreCutQuickly) {
  Drawing d(6, 4);
  d.canvas->DrawLine(-2'000'000'000, 1, 2'000'000'000, 1, kRed);
  d.canvas->DrawLine(2'000'000'000, -2'000'000'000, -2'000'000'000, 2'000'000'000, kBlue);
  d.canvas->FillBox(2'147'483'000, 0, 2'147'483'000, 5, kBlack);
  d.canvas->FrameBox(-2'147'483'000, -5, 2'147'483'647, 2'147'483'647, kBlack);
  EXPECT_EQ(d.PixelsOf(kRed), (Pixels{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}));
  EXPECT_EQ(d.PixelsOf(kBlue), (Pixels{{0, 0}}));  // x + y = 0 crosses the image in one pixel
  // A line cut at the image edge is drawn right up to the edge.
  Drawing e(6, 4);
  e.canvas->DrawLine(0, 0, 60, 40, kRed);
  EXPECT_EQ(e.PixelsOf(kRed).front(), (std::pair{0, 0}));
  EXPECT_GE(e.PixelsOf(kRed).size(), 4u);
}

TEST(CanvasTest, BoxesFramesAndPointsArePixelExact) {
  Drawing d(8, 6);
  d.canvas->FillBox(1, 1, 3, 2, kRed);
  d.canvas->FrameBox(4, 2, 4, 3, kBlue);
  d.canvas->PlotPoint(0, 5, kBlack);
  d.canvas->FillBox(0, 0, 0, 5, kBlack);  // empty boxes draw nothing
  d.canvas->HorizontalLine(5, 0, 2, kBlack);
  EXPECT_EQ(d.PixelsOf(kRed), (Pixels{{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}));
  EXPECT_EQ(d.PixelsOf(kBlue), (Pixels{{4, 2}, {5, 2}, {6, 2}, {7, 2}, {4, 3}, {7, 3}, {4, 4}, {5, 4}, {6, 4}, {7, 4}}));
  EXPECT_EQ(d.PixelsOf(kBlack), (Pixels{{5, 0}, {6, 0}, {0, 5}}));
}

TEST(CanvasTest, ClipKeepsDrawingInsideUntilCleared) {
  Drawing d(6, 6);
  d.canvas->SetClip(2, 2, 2, 3);
  d.canvas->FillBox(0, 0, 6, 6, kRed);
  d.canvas->ClearClip();
  d.canvas->PlotPoint(5, 5, kBlue);
  EXPECT_EQ(d.PixelsOf(kRed), (Pixels{{2, 2}, {3, 2}, {2, 3}, {3, 3}, {2, 4}, {3, 4}}));
  EXPECT_EQ(d.PixelsOf(kBlue), (Pixels{{5, 5}}));
}

// The box around the pixels that are not of the background colour.
Rect InkBox(const Bitmap& image, Colour background) {
  int left = image.Width(), top = image.Height(), right = -1, bottom = -1;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      if (image.ColourAt(x, y) == background) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? Rect{} : Rect{left, top, right - left + 1, bottom - top + 1};
}

std::unique_ptr<PlatformFont> Arial(int pixelHeight, uint32_t flags = 0) {
  return qt::QtFontBackend().CreateFont(u"Arial", pixelHeight, flags);
}

TEST(CanvasTest, TextIsDrawnInItsFontAndColourInsideItsExtent) {
  auto font = Arial(20);
  Drawing d(120, 40);
  d.canvas->SetFont(*font);
  d.canvas->SetTextColour(kBlue);
  d.canvas->SetDrawMode(DrawMode::TransparentText);
  d.canvas->DrawText(10, 5, u"Hellg");
  int width = d.canvas->TextWidth(u"Hellg");
  int height = d.canvas->TextHeight(u"Hellg");
  EXPECT_EQ(height, font->Metrics().height);
  EXPECT_EQ(width, font->TextWidth(u"Hellg"));
  d.canvas.reset();
  Rect ink = InkBox(d.image, kWhite);
  ASSERT_GT(ink.width, 0);
  EXPECT_GE(ink.x, 10);
  EXPECT_LE(ink.Right(), 10 + width + 1);
  EXPECT_GE(ink.y, 5);
  EXPECT_LE(ink.Bottom(), 5 + height);
  EXPECT_GT(ink.height, height / 2);  // H and the descender of g
  bool blue = false;
  for (int y = ink.y; y < ink.Bottom(); ++y) {
    for (int x = ink.x; x < ink.Right(); ++x) blue = blue || d.image.ColourAt(x, y) == kBlue;
  }
  EXPECT_TRUE(blue);
}

TEST(CanvasTest, OpaqueTextHasAWhiteBackgroundAndTransparentTextNone) {
  auto font = Arial(16);
  for (DrawMode mode : {DrawMode::Opaque, DrawMode::TransparentText}) {
    Drawing d(80, 30, kRed);
    d.canvas->SetFont(*font);
    d.canvas->SetDrawMode(mode);
    d.canvas->DrawText(4, 4, u"ab");
    int width = d.canvas->TextWidth(u"ab");
    int height = d.canvas->TextHeight(u"ab");
    d.canvas.reset();
    // The top-left corner of the text cell is above every glyph.
    Colour corner = d.image.ColourAt(4, 4);
    EXPECT_EQ(corner, mode == DrawMode::Opaque ? kWhite : kRed);
    EXPECT_EQ(d.image.ColourAt(4 + width, 4 + height), kRed);
  }
}

TEST(CanvasTest, ImagesAreCopiedOrBlendedByTheDrawMode) {
  Bitmap source(2, 1);
  source.SetPixel(0, 0, kBlue, 128);
  source.SetPixel(1, 0, kBlack, 255);
  for (DrawMode mode : {DrawMode::TransparentText, DrawMode::AlphaBlend}) {
    Drawing d(4, 2, kRed);
    d.canvas->SetDrawMode(mode);
    d.canvas->DrawImage(source, 1, 1);
    d.canvas.reset();
    EXPECT_EQ(d.image.ColourAt(2, 1), kBlack);
    EXPECT_EQ(d.image.ColourAt(0, 1), kRed);
    if (mode == DrawMode::AlphaBlend) {
      EXPECT_EQ(d.image.AlphaAt(1, 1), 255);
      Colour mixed = d.image.ColourAt(1, 1);
      EXPECT_NEAR(RedOf(mixed), 127, 2);
      EXPECT_NEAR(BlueOf(mixed), 128, 2);
    } else {
      EXPECT_EQ(d.image.PixelAt(1, 1), source.PixelAt(0, 0));
    }
  }
}

TEST(CanvasTest, BlendBoxMixesWithWhatIsThere) {
  Drawing d(3, 3);
  d.canvas->BlendBox(0, 0, 2, 2, kBlack, 160);
  d.canvas.reset();
  EXPECT_NEAR(RedOf(d.image.ColourAt(1, 1)), 95, 2);
  EXPECT_EQ(d.image.ColourAt(2, 2), kWhite);
}

TEST(CanvasTest, VectorPathsAreFilledAndStrokedAntiAliased) {
  Drawing d(40, 40);
  VectorPath slice;  // the quarter from twelve to three o'clock
  slice.MoveTo(20, 20);
  slice.ArcTo(20, 20, 15, 15, -90, 90);
  slice.Close();
  d.canvas->FillPath(slice, kRed, 255);
  VectorPath edge;
  edge.AddRectangle(2.5, 30, 10, 5);  // half-covered pixels at x = 2
  d.canvas->FillPath(edge, kBlack, 255);
  d.canvas.reset();
  EXPECT_EQ(d.image.ColourAt(27, 13), kRed);    // upper right
  EXPECT_EQ(d.image.ColourAt(13, 13), kWhite);  // upper left
  EXPECT_EQ(d.image.ColourAt(27, 27), kWhite);  // lower right
  EXPECT_EQ(d.image.ColourAt(5, 32), kBlack);
  EXPECT_NEAR(RedOf(d.image.ColourAt(2, 32)), 128, 10);

  Drawing s(20, 20);
  VectorPath line;
  line.MoveTo(2, 10);
  line.LineTo(18, 10);
  s.canvas->StrokePath(line, kBlue, 255, 3);
  s.canvas.reset();
  EXPECT_EQ(s.image.ColourAt(10, 9), kBlue);
  EXPECT_EQ(s.image.ColourAt(10, 10), kBlue);
  EXPECT_EQ(s.image.ColourAt(10, 14), kWhite);
  // Round caps reach beyond the end points.
  EXPECT_NE(s.image.ColourAt(1, 10), kWhite);
}

TEST(CanvasTest, DrawingHelpersDrawOnTheRealCanvas) {
  auto font = Arial(13);
  Drawing d(100, 40);
  d.canvas->SetFont(*font);
  d.canvas->SetDrawMode(DrawMode::TransparentText);
  DrawTextCenterMiddle(*d.canvas, 0, 0, 100, 40, u"Mid");
  d.canvas.reset();
  Rect ink = InkBox(d.image, kWhite);
  ASSERT_GT(ink.width, 0);
  EXPECT_NEAR(ink.x + ink.width / 2.0, 50, 3);
  EXPECT_NEAR(ink.y + ink.height / 2.0, 20, 4);

  Drawing b(12, 8);
  b.canvas->SetLineColour(kBlue);
  DrawStyledLine(*b.canvas, 1, 4, 9, 4, 6);  // double: one pixel above and below
  DrawStyledLine(*b.canvas, 0, 0, 6, 0, 1);  // dotted: every second pixel, end included
  Pixels blue = b.PixelsOf(kBlue);
  Pixels expected{{0, 0}, {2, 0}, {4, 0}, {6, 0}};
  for (int y : {3, 5}) {
    for (int x = 1; x < 9; ++x) expected.emplace_back(x, y);
  }
  EXPECT_EQ(blue, expected);
}

TEST(CanvasTest, EmptyAndTooLargeImagesAreSafe) {
  Bitmap empty;
  auto canvas = OpenBitmapCanvas(empty);
  ASSERT_NE(canvas, nullptr);
  canvas->FillBox(0, 0, 10, 10, kRed);
  canvas->DrawText(0, 0, u"x");
  EXPECT_EQ(canvas->Width(), 0);
  Bitmap huge;
  EXPECT_FALSE(huge.Resize(1 << 20, 1 << 20));
  EXPECT_TRUE(huge.IsEmpty());
  Bitmap source(3, 3);
  Drawing d(2, 2);
  d.canvas->DrawImage(empty, 0, 0);
  d.canvas->DrawImage(source, -1, -1);  // partly outside
  EXPECT_EQ(d.PixelsOf(kWhite).size(), 0u);
}

}  // namespace
}  // namespace quadrell
