#include "platform/Bitmap.h"

#include <algorithm>

namespace quadrell {

Bitmap::Bitmap(int width, int height) { Resize(width, height); }

bool Bitmap::Resize(int width, int height) {
  if (width < 0 || height < 0 || int64_t{width} * height > kMaxPixels) {
    width_ = height_ = 0;
    pixels_.clear();
    pixels_.shrink_to_fit();
    return false;
  }
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  return true;
}

void Bitmap::Clear() { std::fill(pixels_.begin(), pixels_.end(), 0u); }

uint32_t Bitmap::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

Colour Bitmap::ColourAt(int x, int y) const {
  uint32_t p = PixelAt(x, y);
  int a = static_cast<int>(p >> 24);
  if (a == 0) return 0;
  auto channel = [&](int shift) { return std::min(255, (static_cast<int>((p >> shift) & 0xFF) * 255 + a / 2) / a); };
  return RgbColour(channel(16), channel(8), channel(0));
}

void Bitmap::SetPixel(int x, int y, Colour colour, int alpha) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
  auto pre = [&](int channel) { return (static_cast<uint32_t>(channel) * a + 127) / 255; };
  pixels_[static_cast<size_t>(y) * width_ + x] =
      (a << 24) | (pre(RedOf(colour)) << 16) | (pre(GreenOf(colour)) << 8) | pre(BlueOf(colour));
}

}  // namespace quadrell
