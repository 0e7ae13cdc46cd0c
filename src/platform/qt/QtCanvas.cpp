#include "platform/qt/QtCanvas.h"

#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/qt/QtFonts.h"
#include "platform/qt/QtSupport.h"

namespace quadrell::qt {

QImage ImageOf(Bitmap& bitmap) {
  if (bitmap.IsEmpty()) return QImage();
  return QImage(reinterpret_cast<uchar*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height(),
                static_cast<qsizetype>(bitmap.Width()) * 4, QImage::Format_ARGB32_Premultiplied);
}

QImage ConstImageOf(const Bitmap& bitmap) {
  if (bitmap.IsEmpty()) return QImage();
  return QImage(reinterpret_cast<const uchar*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height(),
                static_cast<qsizetype>(bitmap.Width()) * 4, QImage::Format_ARGB32_Premultiplied);
}

namespace {

QPainterPath ToQPainterPath(const VectorPath& path) {
  QPainterPath out;
  out.setFillRule(Qt::WindingFill);
  for (const VectorPath::Segment& s : path.Segments()) {
    const double* v = s.v;
    switch (s.op) {
      case VectorPath::Op::Move:
        out.moveTo(v[0], v[1]);
        break;
      case VectorPath::Op::Line:
        out.lineTo(v[0], v[1]);
        break;
      case VectorPath::Op::Cubic:
        out.cubicTo(v[0], v[1], v[2], v[3], v[4], v[5]);
        break;
      case VectorPath::Op::Arc:
        // Qt counts angles counter-clockwise with y upwards.
        out.arcTo(QRectF(v[0] - v[2], v[1] - v[3], 2 * v[2], 2 * v[3]), -v[4], -v[5]);
        break;
      case VectorPath::Op::Close:
        out.closeSubpath();
        break;
    }
  }
  return out;
}

}  // namespace

PainterCanvas::PainterCanvas(QImage* target, std::function<void()> drawn)
    : target_(target), drawn_(std::move(drawn)), font_(DefaultCanvasFont()), metrics_(font_) {}

PainterCanvas::~PainterCanvas() { End(); }

void PainterCanvas::End() {
  if (painter_.isActive()) painter_.end();
}

void PainterCanvas::Retarget(QImage* target) {
  End();
  target_ = target;
}

QPainter* PainterCanvas::Begin() {
  if (painter_.isActive()) return &painter_;
  if (!target_ || target_->isNull() || !painter_.begin(target_)) return nullptr;
  if (clip_) painter_.setClipRect(*clip_);
  return &painter_;
}

int PainterCanvas::Width() const { return target_ ? target_->width() : 0; }
int PainterCanvas::Height() const { return target_ ? target_->height() : 0; }

void PainterCanvas::SetFont(const PlatformFont& font) {
  if (auto* qtFont = dynamic_cast<const QtFont*>(&font)) {
    font_ = qtFont->Font();
    metrics_ = QFontMetrics(font_);
  }
}

int PainterCanvas::TextWidth(std::u16string_view text) { return metrics_.horizontalAdvance(ToQString(text)); }
int PainterCanvas::TextHeight(std::u16string_view) { return metrics_.height(); }

void PainterCanvas::DrawText(int x, int y, std::u16string_view text) {
  QPainter* p = Begin();
  if (!p || text.empty()) return;
  QString s = ToQString(text);
  if (mode_ == DrawMode::Opaque) p->fillRect(x, y, metrics_.horizontalAdvance(s), metrics_.height(), Qt::white);
  p->setFont(font_);
  p->setPen(ToQColor(textColour_));
  p->drawText(x, y + metrics_.ascent(), s);
  Drawn();
}

void PainterCanvas::PlotPoint(int x, int y, Colour colour) { Fill(x, y, 1, 1, ToQColor(colour)); }

namespace {

// The part of the box (x, y, width, height) that can touch the image, in
// 64-bit arithmetic: coordinates far outside never reach Qt's 32-bit geometry.
bool ClipBox(int64_t& x, int64_t& y, int64_t& width, int64_t& height, int imageWidth, int imageHeight) {
  int64_t left = std::max<int64_t>(x, -1), top = std::max<int64_t>(y, -1);
  int64_t right = std::min<int64_t>(x + width, imageWidth + 1), bottom = std::min<int64_t>(y + height, imageHeight + 1);
  if (width <= 0 || height <= 0 || right <= left || bottom <= top) return false;
  x = left;
  y = top;
  width = right - left;
  height = bottom - top;
  return true;
}

}  // namespace

void PainterCanvas::DrawLine(int x1, int y1, int x2, int y2, Colour colour) {
  QPainter* p = Begin();
  if (!p || (x1 == x2 && y1 == y2)) return;
  QColor c = ToQColor(colour);
  int64_t ax = x1, ay = y1, bx = x2, by = y2;
  if (ay == by || ax == bx) {
    // The end point is left out on the side it lies.
    int64_t x = std::min(ax, bx + (bx < ax ? 1 : 0)), y = std::min(ay, by + (by < ay ? 1 : 0));
    int64_t w = ay == by ? std::abs(bx - ax) : 1, h = ay == by ? 1 : std::abs(by - ay);
    if (ClipBox(x, y, w, h, Width(), Height())) {
      p->fillRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h), c);
    }
    Drawn();
    return;
  }
  // Only the part of the line near the image is stepped through (Liang-Barsky).
  double t0 = 0, t1 = 1;
  double dx = static_cast<double>(bx - ax), dy = static_cast<double>(by - ay);
  const double edges[4][2] = {{-dx, static_cast<double>(ax) + 1},
                              {dx, static_cast<double>(Width()) - static_cast<double>(ax)},
                              {-dy, static_cast<double>(ay) + 1},
                              {dy, static_cast<double>(Height()) - static_cast<double>(ay)}};
  for (const auto& [pk, qk] : edges) {
    if (pk == 0) {
      if (qk < 0) return;
      continue;
    }
    double t = qk / pk;
    if (pk < 0) t0 = std::max(t0, t);
    if (pk > 0) t1 = std::min(t1, t);
  }
  if (t0 > t1) return;
  bool includeEnd = t1 < 1;
  int64_t sx = ax + std::llround(t0 * dx), sy = ay + std::llround(t0 * dy);
  int64_t ex = ax + std::llround(t1 * dx), ey = ay + std::llround(t1 * dy);
  // Bresenham, stopping before the end point unless the line was cut there.
  std::vector<QPoint> points;
  int64_t ddx = std::abs(ex - sx), stepX = sx < ex ? 1 : -1;
  int64_t ddy = -std::abs(ey - sy), stepY = sy < ey ? 1 : -1;
  int64_t error = ddx + ddy;
  int64_t x = sx, y = sy;
  while (x != ex || y != ey) {
    points.emplace_back(static_cast<int>(x), static_cast<int>(y));
    int64_t e2 = 2 * error;
    if (e2 >= ddy) {
      error += ddy;
      x += stepX;
    }
    if (e2 <= ddx) {
      error += ddx;
      y += stepY;
    }
  }
  if (includeEnd) points.emplace_back(static_cast<int>(x), static_cast<int>(y));
  p->setPen(QPen(c, 1));
  p->drawPoints(points.data(), static_cast<int>(points.size()));
  Drawn();
}

void PainterCanvas::Fill(int64_t x, int64_t y, int64_t width, int64_t height, const QColor& colour) {
  QPainter* p = Begin();
  if (!p || !ClipBox(x, y, width, height, Width(), Height())) return;
  p->fillRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(width), static_cast<int>(height), colour);
  Drawn();
}

void PainterCanvas::FillBox(int x, int y, int width, int height, Colour colour) {
  Fill(x, y, width, height, ToQColor(colour));
}

void PainterCanvas::BlendBox(int x, int y, int width, int height, Colour colour, int alpha) {
  Fill(x, y, width, height, ToQColor(colour, std::clamp(alpha, 0, 255)));
}

void PainterCanvas::FrameBox(int x, int y, int width, int height, Colour colour) {
  if (width <= 0 || height <= 0) return;
  QColor c = ToQColor(colour);
  int64_t right = int64_t{x} + width - 1, bottom = int64_t{y} + height - 1;
  Fill(x, y, width, 1, c);
  Fill(x, bottom, width, 1, c);
  Fill(x, y, 1, height, c);
  Fill(right, y, 1, height, c);
}

void PainterCanvas::SetClip(int x, int y, int width, int height) {
  clip_ = QRect(x, y, std::max(width, 0), std::max(height, 0));
  if (painter_.isActive()) painter_.setClipRect(*clip_);
}

void PainterCanvas::ClearClip() {
  clip_.reset();
  if (painter_.isActive()) painter_.setClipping(false);
}

void PainterCanvas::DrawImage(const Bitmap& image, int x, int y) {
  QPainter* p = Begin();
  QImage source = ConstImageOf(image);
  if (!p || source.isNull()) return;
  p->setCompositionMode(mode_ == DrawMode::AlphaBlend ? QPainter::CompositionMode_SourceOver
                                                       : QPainter::CompositionMode_Source);
  p->drawImage(x, y, source);
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  Drawn();
}

void PainterCanvas::FillPath(const VectorPath& path, Colour colour, int alpha) {
  QPainter* p = Begin();
  if (!p) return;
  p->setRenderHint(QPainter::Antialiasing, true);
  p->fillPath(ToQPainterPath(path), ToQColor(colour, std::clamp(alpha, 0, 255)));
  p->setRenderHint(QPainter::Antialiasing, false);
  Drawn();
}

void PainterCanvas::StrokePath(const VectorPath& path, Colour colour, int alpha, double width) {
  QPainter* p = Begin();
  if (!p || width <= 0) return;
  p->setRenderHint(QPainter::Antialiasing, true);
  QPen pen(ToQColor(colour, std::clamp(alpha, 0, 255)), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p->strokePath(ToQPainterPath(path), pen);
  p->setRenderHint(QPainter::Antialiasing, false);
  Drawn();
}

namespace {

struct ImageHolder {
  QImage image;
};

// Draws straight into the bitmap's pixels.
class BitmapCanvas : private ImageHolder, public PainterCanvas {
 public:
  explicit BitmapCanvas(Bitmap& bitmap) : ImageHolder{ImageOf(bitmap)}, PainterCanvas(&image, nullptr) {}
};

}  // namespace

std::unique_ptr<Canvas> CreateBitmapCanvas(Bitmap& bitmap) { return std::make_unique<BitmapCanvas>(bitmap); }

}  // namespace quadrell::qt
