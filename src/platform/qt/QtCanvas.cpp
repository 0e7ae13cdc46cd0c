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

void PainterCanvas::PlotPoint(int x, int y, Colour colour) {
  QPainter* p = Begin();
  if (!p) return;
  p->fillRect(x, y, 1, 1, ToQColor(colour));
  Drawn();
}

void PainterCanvas::DrawLine(int x1, int y1, int x2, int y2, Colour colour) {
  QPainter* p = Begin();
  if (!p || (x1 == x2 && y1 == y2)) return;
  QColor c = ToQColor(colour);
  if (y1 == y2) {
    p->fillRect(std::min(x1, x2 + 1), y1, std::abs(x2 - x1), 1, c);
  } else if (x1 == x2) {
    p->fillRect(x1, std::min(y1, y2 + 1), 1, std::abs(y2 - y1), c);
  } else {
    // Bresenham, stopping before the end point.
    std::vector<QPoint> points;
    int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) {
      points.emplace_back(x, y);
      int e2 = 2 * error;
      if (e2 >= dy) {
        error += dy;
        x += sx;
      }
      if (e2 <= dx) {
        error += dx;
        y += sy;
      }
    }
    p->setPen(QPen(c, 1));
    p->drawPoints(points.data(), static_cast<int>(points.size()));
  }
  Drawn();
}

void PainterCanvas::FillBox(int x, int y, int width, int height, Colour colour) {
  QPainter* p = Begin();
  if (!p || width <= 0 || height <= 0) return;
  p->fillRect(x, y, width, height, ToQColor(colour));
  Drawn();
}

void PainterCanvas::BlendBox(int x, int y, int width, int height, Colour colour, int alpha) {
  QPainter* p = Begin();
  if (!p || width <= 0 || height <= 0) return;
  p->fillRect(x, y, width, height, ToQColor(colour, std::clamp(alpha, 0, 255)));
  Drawn();
}

void PainterCanvas::FrameBox(int x, int y, int width, int height, Colour colour) {
  QPainter* p = Begin();
  if (!p || width <= 0 || height <= 0) return;
  QColor c = ToQColor(colour);
  p->fillRect(x, y, width, 1, c);
  p->fillRect(x, y + height - 1, width, 1, c);
  p->fillRect(x, y, 1, height, c);
  p->fillRect(x + width - 1, y, 1, height, c);
  Drawn();
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
