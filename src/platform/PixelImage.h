#pragma once
// Pixels in memory: what decoded pictures are and what canvases draw.
#include <cstdint>
#include <vector>

namespace quadrell {

// Rows from the top, each pixel four bytes: red, green, blue, alpha (not premultiplied).
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;

  PixelImage() = default;
  PixelImage(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
  bool Empty() const { return width <= 0 || height <= 0; }
  uint8_t* Pixel(int x, int y) { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
  const uint8_t* Pixel(int x, int y) const { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

}  // namespace quadrell
