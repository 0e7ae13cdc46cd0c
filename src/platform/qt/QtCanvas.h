#pragma once
// The canvas on a QImage: a canvas control's backing image or an off-screen
// Bitmap. The painter is opened on the first drawing and closed by End(), so
// the owner can show or replace the image in between.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <functional>
#include <optional>

#include "platform/Canvas.h"

namespace quadrell::qt {

// The QImage that shares the bitmap's pixels (null for an empty bitmap).
QImage ImageOf(Bitmap& bitmap);
QImage ConstImageOf(const Bitmap& bitmap);

class PainterCanvas : public Canvas {
 public:
  // `drawn` runs after drawing operations (the control schedules a repaint).
  PainterCanvas(QImage* target, std::function<void()> drawn);
  ~PainterCanvas() override;

  // Closes the painter; the next drawing opens it again with the same state.
  void End();
  // Draws on another image from now on.
  void Retarget(QImage* target);

  void DrawText(int x, int y, std::u16string_view text) override;
  int TextWidth(std::u16string_view text) override;
  int TextHeight(std::u16string_view text) override;
  void PlotPoint(int x, int y, Colour colour) override;
  void DrawLine(int x1, int y1, int x2, int y2, Colour colour) override;
  int Width() const override;
  int Height() const override;
  Colour LineColour() const override { return lineColour_; }
  void SetLineColour(Colour colour) override { lineColour_ = colour; }
  void SetFont(const PlatformFont& font) override;
  void SetTextColour(Colour colour) override { textColour_ = colour; }
  void SetDrawMode(DrawMode mode) override { mode_ = mode; }
  void FillBox(int x, int y, int width, int height, Colour colour) override;
  void BlendBox(int x, int y, int width, int height, Colour colour, int alpha) override;
  void FrameBox(int x, int y, int width, int height, Colour colour) override;
  void SetClip(int x, int y, int width, int height) override;
  void ClearClip() override;
  void DrawImage(const Bitmap& image, int x, int y) override;
  void FillPath(const VectorPath& path, Colour colour, int alpha) override;
  void StrokePath(const VectorPath& path, Colour colour, int alpha, double width) override;

 private:
  // The open painter, or null when there is nothing to draw on.
  QPainter* Begin();
  void Fill(int64_t x, int64_t y, int64_t width, int64_t height, const QColor& colour);
  void Drawn() {
    if (drawn_) drawn_();
  }

  QImage* target_;
  std::function<void()> drawn_;
  QPainter painter_;
  QFont font_;
  QFontMetrics metrics_;
  Colour lineColour_ = 0;
  Colour textColour_ = 0;
  DrawMode mode_ = DrawMode::Opaque;
  std::optional<QRect> clip_;
};

// Installed by the window system as the off-screen drawing of the core.
std::unique_ptr<Canvas> CreateBitmapCanvas(Bitmap& bitmap);

}  // namespace quadrell::qt
