#pragma once
// The drawing surface of the views, the sheet objects and the drawing helpers
// of the model: a canvas control on the screen or an off-screen Bitmap. Boxes,
// lines and text are drawn pixel-exact; vector paths (charts) are anti-aliased.
// The window program supplies the Qt implementation; tests may use recording
// doubles.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Colour.h"

namespace quadrell {

class Bitmap;
class PlatformFont;

enum class DrawMode {
  Opaque,           // text is drawn on a white box of its own extent; images are copied
  TransparentText,  // text without a background; images are copied
  AlphaBlend,       // text without a background; images are blended by their alpha
};

// A figure for the vector operations, in pixel coordinates with fractions.
// Angles are in degrees, clockwise from the positive x axis (y grows downwards).
class VectorPath {
 public:
  enum class Op { Move, Line, Cubic, Arc, Close };
  struct Segment {
    Op op;
    double v[6];  // Move, Line: x y; Cubic: c1x c1y c2x c2y x y; Arc: cx cy rx ry start sweep
  };

  void MoveTo(double x, double y) { segments_.push_back({Op::Move, {x, y}}); }
  void LineTo(double x, double y) { segments_.push_back({Op::Line, {x, y}}); }
  void CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y) {
    segments_.push_back({Op::Cubic, {c1x, c1y, c2x, c2y, x, y}});
  }
  // An elliptic arc, joined to the current point by a straight line.
  void ArcTo(double cx, double cy, double rx, double ry, double startDegrees, double sweepDegrees) {
    segments_.push_back({Op::Arc, {cx, cy, rx, ry, startDegrees, sweepDegrees}});
  }
  void Close() { segments_.push_back({Op::Close, {}}); }
  void AddRectangle(double x, double y, double width, double height) {
    MoveTo(x, y);
    LineTo(x + width, y);
    LineTo(x + width, y + height);
    LineTo(x, y + height);
    Close();
  }
  void AddEllipse(double cx, double cy, double rx, double ry) {
    MoveTo(cx + rx, cy);
    ArcTo(cx, cy, rx, ry, 0, 360);
    Close();
  }
  const std::vector<Segment>& Segments() const { return segments_; }

 private:
  std::vector<Segment> segments_;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Text in the current font and text colour, its top-left corner at (x, y).
  virtual void DrawText(int x, int y, std::u16string_view text) = 0;
  virtual int TextWidth(std::u16string_view text) = 0;
  // The height of the current font's character cell.
  virtual int TextHeight(std::u16string_view text) = 0;
  virtual void PlotPoint(int x, int y, Colour colour) = 0;
  // From (x1, y1) up to, but not including, (x2, y2).
  virtual void DrawLine(int x1, int y1, int x2, int y2, Colour colour) = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The colour that border lines are drawn in unless their style fixes one.
  virtual Colour LineColour() const = 0;
  virtual void SetLineColour(Colour colour) = 0;

  // A font made by the installed font back end; it must outlive its use here.
  virtual void SetFont(const PlatformFont& font) = 0;
  virtual void SetTextColour(Colour colour) = 0;
  virtual void SetDrawMode(DrawMode mode) = 0;

  virtual void FillBox(int x, int y, int width, int height, Colour colour) = 0;
  // A box of the colour at the opacity alpha (0 to 255) over what is there.
  virtual void BlendBox(int x, int y, int width, int height, Colour colour, int alpha) = 0;
  // The one-pixel outline of the box (x, y, width, height).
  virtual void FrameBox(int x, int y, int width, int height, Colour colour) = 0;

  // Later drawing stays inside the rectangle, until the next SetClip or ClearClip.
  virtual void SetClip(int x, int y, int width, int height) = 0;
  virtual void ClearClip() = 0;

  // The image with its top-left corner at (x, y), copied or blended by the draw mode.
  virtual void DrawImage(const Bitmap& image, int x, int y) = 0;

  // Anti-aliased; alpha 0 to 255. Strokes have round joins and caps.
  virtual void FillPath(const VectorPath& path, Colour colour, int alpha) = 0;
  virtual void StrokePath(const VectorPath& path, Colour colour, int alpha, double width) = 0;

  void HorizontalLine(int x, int y, int length, Colour colour) { DrawLine(x, y, x + length, y, colour); }
  void VerticalLine(int x, int y, int length, Colour colour) { DrawLine(x, y, x, y + length, colour); }
};

// A canvas that draws on the image; it must not outlive the image or a change
// of the image's size. Null when no window system is running (the converter).
std::unique_ptr<Canvas> OpenBitmapCanvas(Bitmap& image);
// The window system installs its drawing for off-screen images.
void SetBitmapCanvasFactory(std::function<std::unique_ptr<Canvas>(Bitmap&)> factory);

}  // namespace quadrell
