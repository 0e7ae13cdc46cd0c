#pragma once
#include <cstdint>

namespace quadrell {

// Red in the lowest byte, then green, then blue: 0xBBGGRR.
using Colour = uint32_t;

constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr Colour RgbColour(int red, int green, int blue) {
  return static_cast<Colour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

}  // namespace quadrell
