#pragma once
// An image in memory: the off-screen layers of the views, sheet objects,
// toolbar pictures. Every pixel is one 32-bit word 0xAARRGGBB with the colour
// premultiplied by alpha, the layout the Qt canvas draws on directly.
#include <cstdint>
#include <vector>

#include "platform/Colour.h"

namespace quadrell {

class Bitmap {
 public:
  // Images larger than this many pixels are refused (a 16384 x 16384 image).
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;

  Bitmap() = default;
  // A fully transparent image; an empty one when the size is negative or too large.
  Bitmap(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }

  // New size, all pixels fully transparent. False (and an empty image) when the
  // size is negative or too large.
  bool Resize(int width, int height);
  // Every channel of every pixel to 0.
  void Clear();

  uint32_t* Pixels() { return pixels_.data(); }
  const uint32_t* Pixels() const { return pixels_.data(); }

  // Outside the image: 0 (transparent).
  uint32_t PixelAt(int x, int y) const;
  // The colour without premultiplication, as 0xBBGGRR; 0 where alpha is 0.
  Colour ColourAt(int x, int y) const;
  int AlphaAt(int x, int y) const { return static_cast<int>(PixelAt(x, y) >> 24); }
  // Outside the image nothing happens.
  void SetPixel(int x, int y, Colour colour, int alpha = 255);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

}  // namespace quadrell
