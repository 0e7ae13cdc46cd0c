#include "model/ColorScheme.h"

namespace quadrell {

namespace {

struct Rgb {
  uint32_t red, green, blue;
};

constexpr Rgb kBaseColours[8] = {{0, 128, 255},  {255, 128, 0}, {192, 192, 192}, {128, 255, 0},
                                 {0, 255, 128},  {224, 224, 0}, {128, 128, 128}, {192, 64, 255}};

}  // namespace

Colour ColorScheme::GetSchemeColor(int32_t index) const {
  if (index < 0) index = 0;
  Rgb c = kBaseColours[index % 8];
  uint32_t k = static_cast<uint32_t>(index / 8);
  if (k > 0) {
    c.red = (c.red + k * 255) / (k + 1);
    c.green = (c.green + k * 255) / (k + 1);
    c.blue = (c.blue + k * 255) / (k + 1);
  }
  return c.red | (c.green << 8) | (c.blue << 16);
}

ColorScheme& GetColorScheme() {
  static ColorScheme scheme;
  return scheme;
}

}  // namespace quadrell
