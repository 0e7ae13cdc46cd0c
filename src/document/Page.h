#pragma once
// An A4 page of a text document: its geometry in centimetres and pixels, and
// the lines laid out on it, in order. A paragraph split across pages has its
// first lines on one page and the rest on the next.
#include <cstdint>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Geometry.h"

namespace quadrell {

class Document;

// Pixels at the screen resolution the page is shown at (96 dots per inch).
int32_t CmToPx(float cm, float zoom = 1.0f);

struct PlacedLine {
  int32_t paragraph = 0;  // index in the document
  int32_t line = 0;       // index in the paragraph's lines
  int32_t y = 0;          // top of the line in page pixels
};

class Page {
 public:
  static constexpr float kWidthCm = 21.0f;
  static constexpr float kHeightCm = 29.7f;
  static constexpr float kTopMarginCm = 2.54f;
  static constexpr float kLeftMarginCm = 3.175f;
  static constexpr float kBottomMarginCm = 2.54f;
  static constexpr float kRightMarginCm = 3.175f;

  static int32_t WidthPx() { return CmToPx(kWidthCm); }
  static int32_t HeightPx() { return CmToPx(kHeightCm); }
  static int32_t LeftEdge() { return CmToPx(kLeftMarginCm); }
  static int32_t RightEdge() { return CmToPx(kWidthCm - kRightMarginCm); }
  static int32_t TopEdge() { return CmToPx(kTopMarginCm); }
  static int32_t BottomEdge() { return CmToPx(kHeightCm - kBottomMarginCm); }
  static int32_t TextWidth() { return RightEdge() - LeftEdge(); }

  const std::vector<PlacedLine>& Lines() const { return lines_; }
  std::vector<PlacedLine>& MutableLines() { return lines_; }

  // Draws the page with its top-left corner at (x, y) of the canvas: a white
  // page, the corner marks of the text area, the selection and the text.
  // Drawing stays inside the clip rectangle of the canvas; only lines that
  // cross it are drawn.
  void Draw(const Document& document, Canvas& canvas, int32_t x, int32_t y, const Rect& clip) const;

 private:
  std::vector<PlacedLine> lines_;
};

}  // namespace quadrell
