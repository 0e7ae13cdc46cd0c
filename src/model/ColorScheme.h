#pragma once
// The colours of chart series: eight base colours, each further round of eight lighter.
#include <cstdint>

#include "platform/Canvas.h"

namespace quadrell {

class ColorScheme {
 public:
  // The colour of series index (alpha is always opaque).
  Colour GetSchemeColor(int32_t index) const;
};

ColorScheme& GetColorScheme();

}  // namespace quadrell
