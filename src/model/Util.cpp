#include "model/Util.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

std::u16string ColumnName(int32_t index) {
  if (index < 0) return u"";
  // Letters come out last first; build them reversed.
  char16_t letters[8];
  int count = 0;
  int64_t n = index;
  while (true) {
    letters[count++] = static_cast<char16_t>(u'A' + n % 26);
    if (n < 26) break;
    n = n / 26 - 1;
  }
  std::u16string out;
  out.reserve(count);
  while (count > 0) out.push_back(letters[--count]);
  return out;
}

int32_t ColumnIndex(const char16_t* characters, int32_t length) {
  if (length <= 0) return 0;
  // Saturates instead of overflowing: a run of many letters lies outside any sheet anyway.
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = static_cast<int64_t>(characters[0]) - 65;
  for (int32_t i = 1; i < length; ++i) {
    value = (value + 1) * 26 + (static_cast<int64_t>(characters[i]) - 65);
    if (value > kMax) return static_cast<int32_t>(kMax);
    if (value < -kMax) return static_cast<int32_t>(-kMax);
  }
  return static_cast<int32_t>(value);
}

int32_t ColumnIndex(std::u16string_view letters) {
  return ColumnIndex(letters.data(), static_cast<int32_t>(MinInt(static_cast<int64_t>(letters.size()), 64)));
}

int32_t RowOfReference(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= u'0' && text[i] <= u'9') {
      int64_t v = ReadInteger(text.substr(i));
      return static_cast<int32_t>(Clamp(v, 0, std::numeric_limits<int32_t>::max()));
    }
  }
  return 0;
}

int32_t ColumnOfReference(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && !(text[i] >= u'0' && text[i] <= u'9')) ++i;
  return ColumnIndex(text.substr(0, i));
}

void DrawTextAligned(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text,
                     HorizontalAlign horizontal, VerticalAlign vertical) {
  int px = x + 1;
  if (horizontal == HorizontalAlign::Center) px = x + (width - canvas.TextWidth(text)) / 2;
  if (horizontal == HorizontalAlign::Right) px = x + width - canvas.TextWidth(text);
  int py = y;
  if (vertical == VerticalAlign::Middle) py = y + (height - canvas.TextHeight(text)) / 2;
  if (vertical == VerticalAlign::Bottom) py = y + height - canvas.TextHeight(text);
  canvas.DrawText(px, py, text);
}

#define QUADRELL_ALIGNED(name, h, v)                                                                \
  void name(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text) {        \
    DrawTextAligned(canvas, x, y, width, height, text, HorizontalAlign::h, VerticalAlign::v);       \
  }
QUADRELL_ALIGNED(DrawTextLeftTop, Left, Top)
QUADRELL_ALIGNED(DrawTextCenterTop, Center, Top)
QUADRELL_ALIGNED(DrawTextRightTop, Right, Top)
QUADRELL_ALIGNED(DrawTextLeftMiddle, Left, Middle)
QUADRELL_ALIGNED(DrawTextCenterMiddle, Center, Middle)
QUADRELL_ALIGNED(DrawTextRightMiddle, Right, Middle)
QUADRELL_ALIGNED(DrawTextLeftBottom, Left, Bottom)
QUADRELL_ALIGNED(DrawTextCenterBottom, Center, Bottom)
QUADRELL_ALIGNED(DrawTextRightBottom, Right, Bottom)
#undef QUADRELL_ALIGNED

std::u16string LowerExtension(std::u16string_view path) {
  std::u16string_view name = FileNamePart(path);
  size_t dot = name.rfind(u'.');
  std::u16string extension;
  if (dot == std::u16string_view::npos) return extension;
  for (char16_t c : name.substr(dot + 1)) extension.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c);
  return extension;
}

std::u16string_view FileNamePart(std::u16string_view path) {
  size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string AddDefaultExtension(std::u16string_view fileName, int kind, int choice) {
  std::u16string_view expected = u"docx";
  if (kind == 1) {
    static constexpr std::u16string_view kByChoice[] = {u"xlsx", u"csv", u"tsv", u"pdf"};
    expected = choice >= 1 && choice <= 3 ? kByChoice[choice] : kByChoice[0];
  }
  std::u16string out(fileName);
  if (LowerExtension(fileName) != expected) {
    out.push_back(u'.');
    out.append(expected);
  }
  return out;
}

void DrawStyledLine(Canvas& canvas, int x1, int y1, int x2, int y2, int style) {
  double dx = x2 - x1;
  double dy = y2 - y1;
  int length = static_cast<int>(std::lround(std::sqrt(dx * dx + dy * dy)));
  double angle = std::atan2(dy, dx);
  double c = std::cos(angle);
  double s = std::sin(angle);
  // The shift to one side of the line; for borders (horizontal or vertical lines)
  // it points one pixel down from horizontal lines and one pixel right of vertical ones.
  int sx = static_cast<int>(std::lround(s));
  int sy = static_cast<int>(std::lround(c));
  auto along = [&](int t, int& px, int& py) {
    px = x1 + static_cast<int>(std::lround(t * c));
    py = y1 + static_cast<int>(std::lround(t * s));
  };
  Colour colour = canvas.LineColour();
  auto dashes = [&](int dash, int gap) {
    for (int t = 0; t < length; t += dash + gap) {
      int ax, ay, bx, by;
      along(t, ax, ay);
      along(t + dash < length ? t + dash : length, bx, by);
      canvas.DrawLine(ax, ay, bx, by, colour);
    }
  };
  switch (style) {
    case 1: {
      int w = canvas.Width();
      int h = canvas.Height();
      for (int t = 0; t <= length; t += 2) {
        int px, py;
        along(t, px, py);
        if (px >= 0 && py >= 0 && px < w && py < h) canvas.PlotPoint(px, py, colour);
      }
      break;
    }
    case 2:
      dashes(2, 2);
      break;
    case 3:
      dashes(3, 2);
      break;
    case 4:
      canvas.DrawLine(x1, y1, x2, y2, colour);
      break;
    case 5:
      canvas.DrawLine(x1, y1, x2, y2, colour);
      canvas.DrawLine(x1 + sx, y1 + sy, x2 + sx, y2 + sy, colour);
      break;
    case 6:
      canvas.DrawLine(x1 - sx, y1 - sy, x2 - sx, y2 - sy, colour);
      canvas.DrawLine(x1 + sx, y1 + sy, x2 + sx, y2 + sy, colour);
      break;
    case -2: {
      constexpr Colour kLightGrey = 0xCCCCCC;
      canvas.DrawLine(x1 - sx, y1 - sy, x2 - sx, y2 - sy, kLightGrey);
      canvas.DrawLine(x1, y1, x2, y2, kLightGrey);
      canvas.DrawLine(x1 + sx, y1 + sy, x2 + sx, y2 + sy, kLightGrey);
      break;
    }
    default:
      break;
  }
}

std::u16string ColorToHex(Colour colour) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  unsigned channels[3] = {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
  std::u16string out = u"FF";
  for (unsigned v : channels) {
    out.push_back(static_cast<char16_t>(kDigits[v >> 4]));
    out.push_back(static_cast<char16_t>(kDigits[v & 15]));
  }
  return out;
}

Colour HexToColor(std::u16string_view text) {
  uint64_t v = 0;
  for (char16_t ch : text) {
    int d = HexDigitValue(ch);
    if (d < 0) break;
    v = (v << 4) | static_cast<unsigned>(d);
  }
  unsigned r = (v >> 16) & 0xFF;
  unsigned g = (v >> 8) & 0xFF;
  unsigned b = v & 0xFF;
  return r | (g << 8) | (b << 16);
}

Colour PaletteColor(int hue, int saturation, int lightness) {
  float r, g, b;
  if (hue < 23) {
    r = 23, g = static_cast<float>(hue), b = 0;
  } else if (hue < 46) {
    r = static_cast<float>(46 - hue), g = 23, b = 0;
  } else if (hue < 69) {
    r = 0, g = 23, b = static_cast<float>(hue - 46);
  } else if (hue < 92) {
    r = 0, g = static_cast<float>(92 - hue), b = 23;
  } else if (hue < 115) {
    r = static_cast<float>(hue - 92), g = 0, b = 23;
  } else {
    r = 23, g = 0, b = static_cast<float>(138 - hue);
  }
  float* channels[3] = {&r, &g, &b};
  for (float* ch : channels) *ch = *ch * 5.54f * 2.0f;
  if (lightness < 69) {
    for (float* ch : channels) *ch = *ch * (static_cast<float>(lightness) / 68.0f);
  } else {
    float l = static_cast<float>(lightness - 69);
    for (float* ch : channels) *ch = ((68.0f - l) * *ch + l * 255.0f) * 0.0147f;
  }
  float grey = (r + g + b) / 3.0f;
  float sat = static_cast<float>(saturation);
  unsigned out[3];
  for (int i = 0; i < 3; ++i) {
    float v = std::nearbyint(((138.0f - sat) * grey + sat * *channels[i]) * 0.007246377f);
    out[i] = static_cast<unsigned>(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
  return out[0] | (out[1] << 8) | (out[2] << 16);
}

Colour PaletteCoordinates(Colour colour) {
  int r = static_cast<int>(colour & 0xFF);
  int g = static_cast<int>((colour >> 8) & 0xFF);
  int b = static_cast<int>((colour >> 16) & 0xFF);
  int mx = std::max({r, g, b});
  int mn = std::min({r, g, b});
  int lightness = (mn + mx) * 136 / 510;
  double mean = (r + g + b) / 3.0;
  double spread = std::fabs(r - mean) + std::fabs(g - mean) + std::fabs(b - mean);
  int saturation = static_cast<int>(std::lround(spread)) * 136 / 340;
  int hue = 0;
  int range = mx - mn;
  if (range > 0) {
    // Same sector order as PaletteColor: red to yellow, to green, to cyan, to blue, to magenta.
    if (r >= g && g >= b) {
      hue = 23 * (g - b) / range;
    } else if (g >= r && r >= b) {
      hue = 46 - 23 * (r - b) / range;
    } else if (g >= b && b >= r) {
      hue = 46 + 23 * (b - r) / range;
    } else if (b >= g && g >= r) {
      hue = 92 - 23 * (g - r) / range;
    } else if (b >= r && r >= g) {
      hue = 92 + 23 * (r - g) / range;
    } else {
      hue = 138 - 23 * (b - g) / range;
    }
  }
  return static_cast<Colour>(hue & 0xFF) | (static_cast<Colour>(saturation & 0xFF) << 8) |
         (static_cast<Colour>(lightness & 0xFF) << 16);
}

double AxisStep(double min, double max) {
  double span = max - min;
  if (!(span > 0) || !std::isfinite(span)) return 1;
  int e = static_cast<int>(std::floor(2 * std::log10(span))) - 1;
  int half = e >= 0 ? e / 2 : -((-e + 1) / 2);
  double step = std::pow(10.0, half);
  if (e % 2 != 0) step *= 5;
  return step;
}

Colour RainbowColor(double angle) {
  auto channel = [](double v) { return static_cast<Colour>(std::lround(v * 127 + 128)); };
  return channel(std::cos(2 * angle)) | (channel(std::sin(angle)) << 8) | (channel(-std::cos(angle)) << 16);
}

bool IsOperandPosition(std::u16string_view text, int position) {
  if (text.empty() || text[0] != u'=' || position < 1 || static_cast<size_t>(position) > text.size()) return false;
  return std::u16string_view(u",;(*-/+=&").find(text[position - 1]) != std::u16string_view::npos;
}

std::u16string WordAtPosition(std::u16string_view text, int position) {
  if (text.empty() || text[0] != u'=') return u"";
  auto isWord = [](char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c > 0xA0;
  };
  size_t p = static_cast<size_t>(Clamp(position, 0, static_cast<int64_t>(text.size())));
  size_t start = p;
  while (start > 0 && isWord(text[start - 1])) --start;
  size_t end = p;
  while (end < text.size() && isWord(text[end])) ++end;
  return std::u16string(text.substr(start, end - start));
}

double ParseNumber(std::u16string_view text) {
  double v = ReadDecimal(text);
  if (v == 0 && text != u"0") return std::numeric_limits<double>::quiet_NaN();
  return v;
}

}  // namespace quadrell
