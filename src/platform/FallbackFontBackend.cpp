// The font back end of the converter and the tests: metrics by rule, close to
// Liberation Sans (metric-compatible with Arial) at 96 dots per inch, the same
// on every machine.
//
// What it measures, for an em height of p pixels:
// - ascent ceil(0.905 p), descent ceil(0.212 p), height = ascent + descent
//   (15 for Arial 10 at 96 dpi, 1.15 p in general), average width round(0.441 p);
// - a text's width is the sum of its characters' advances, each rounded to
//   whole pixels: the em fraction of the character's class (table below),
//   times p, times 1.05 for bold; faces whose name holds "Mono" or "Courier"
//   give every character 0.6 em.
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "platform/FontBackend.h"

namespace quadrell {

namespace {

// Advance widths in em of Liberation Sans Regular, by character class.
double Advance(char16_t c) {
  if (c >= u'0' && c <= u'9') return 0.556;
  switch (c) {
    case u'i': case u'j': case u'l': return 0.222;
    case u' ': case u'!': case u'.': case u',': case u':': case u';': case u'I': case u'f': case u't':
    case u'/': case u'\\': case u'[': case u']': case u'|': case u'\'': return 0.278;
    case u'r': case u'(': case u')': case u'-': case u'"': return 0.333;
    case u'c': case u'k': case u's': case u'v': case u'x': case u'y': case u'z': case u'J': return 0.5;
    case u'm': return 0.833;
    case u'w': return 0.722;
    case u'F': case u'T': case u'Z': return 0.611;
    case u'L': return 0.556;
    case u'C': case u'D': case u'H': case u'N': case u'R': case u'U': return 0.722;
    case u'G': case u'O': case u'Q': return 0.778;
    case u'M': return 0.833;
    case u'W': return 0.944;
    case u'%': return 0.889;
    case u'@': return 1.015;
    case u'+': case u'=': case u'<': case u'>': case u'~': return 0.584;
    default: break;
  }
  if (c >= u'a' && c <= u'z') return 0.556;
  if (c >= u'A' && c <= u'Z') return 0.667;
  if (c < 0x20) return 0;
  if (c >= 0x2E80) return 1.0;  // CJK and other full-width scripts
  return 0.556;
}

class FallbackFont final : public PlatformFont {
 public:
  FallbackFont(int pixelHeight, uint32_t flags, bool monospaced)
      : pixels_(pixelHeight < 0 ? -pixelHeight : pixelHeight), flags_(flags), monospaced_(monospaced) {}

  FontMetrics Metrics() const override {
    FontMetrics m;
    m.ascent = static_cast<int>(std::ceil(0.905 * pixels_));
    m.descent = static_cast<int>(std::ceil(0.212 * pixels_));
    m.height = m.ascent + m.descent;
    m.averageCharWidth = static_cast<int>(std::lround(0.441 * pixels_));
    return m;
  }

  int TextWidth(std::u16string_view text) const override {
    double scale = pixels_ * ((flags_ & kFontFlagBold) ? 1.05 : 1.0);
    long width = 0;
    for (char16_t c : text) width += std::lround((monospaced_ ? 0.6 : Advance(c)) * scale);
    return static_cast<int>(width);
  }

 private:
  int pixels_;
  uint32_t flags_;
  bool monospaced_;
};

class FallbackFontBackend final : public FontBackend {
 public:
  std::unique_ptr<PlatformFont> CreateFont(std::u16string_view face, int pixelHeight, uint32_t flags) override {
    bool mono = face.find(u"Mono") != std::u16string_view::npos || face.find(u"Courier") != std::u16string_view::npos;
    return std::make_unique<FallbackFont>(pixelHeight, flags, mono);
  }
  std::vector<std::u16string> InstalledFamilies() override {
    return {u"Arial", u"Courier New", u"Liberation Mono", u"Liberation Sans", u"Liberation Serif", u"Times New Roman"};
  }
  int ScreenDpi() override { return 96; }
};

std::unique_ptr<FontBackend>& Installed() {
  static std::unique_ptr<FontBackend> backend;
  return backend;
}

}  // namespace

FontBackend& GetFontBackend() {
  std::unique_ptr<FontBackend>& backend = Installed();
  if (!backend) backend = std::make_unique<FallbackFontBackend>();
  return *backend;
}

void SetFontBackend(std::unique_ptr<FontBackend> backend) {
  if (backend) Installed() = std::move(backend);
}

}  // namespace quadrell
