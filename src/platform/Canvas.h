#pragma once
// The drawing output the model's helpers draw on. The window program supplies a
// Qt implementation; tests use recording doubles.
#include <cstdint>
#include <string_view>

namespace quadrell {

using Colour = uint32_t;  // 0xBBGGRR

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Text in the current font and text colour, its top-left corner at (x, y).
  virtual void DrawText(int x, int y, std::u16string_view text) = 0;
  virtual int TextWidth(std::u16string_view text) = 0;
  virtual int TextHeight(std::u16string_view text) = 0;
  virtual void PlotPoint(int x, int y, Colour colour) = 0;
  virtual void DrawLine(int x1, int y1, int x2, int y2, Colour colour) = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The colour that border lines are drawn in unless their style fixes one.
  virtual Colour LineColour() const = 0;
};

}  // namespace quadrell
