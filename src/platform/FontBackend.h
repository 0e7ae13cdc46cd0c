#pragma once
// Fonts as the core sees them: a face, a size and flags give a platform font
// with text metrics. The window program installs a back end on the real font
// system; without one, a deterministic fallback measures text by rule, so the
// converter and the tests give the same layout on every machine.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quadrell {

constexpr uint32_t kFontFlagUnderline = 4;
constexpr uint32_t kFontFlagStrikeOut = 8;
constexpr uint32_t kFontFlagHighQuality = 0x10;
constexpr uint32_t kFontFlagBold = 0x100;
constexpr uint32_t kFontFlagItalic = 0x200;

struct FontMetrics {
  int height = 0;  // character cell height in pixels: the font pixel height of row heights
  int ascent = 0;
  int descent = 0;
  int averageCharWidth = 0;
};

// A created font. Drawing code of the window program downcasts to its own type.
class PlatformFont {
 public:
  virtual ~PlatformFont() = default;
  virtual FontMetrics Metrics() const = 0;
  virtual int TextWidth(std::u16string_view text) const = 0;
};

class FontBackend {
 public:
  virtual ~FontBackend() = default;
  // pixelHeight is the em height in pixels: size x screen dpi / 72.
  virtual std::unique_ptr<PlatformFont> CreateFont(std::u16string_view face, int pixelHeight, uint32_t flags) = 0;
  virtual std::vector<std::u16string> InstalledFamilies() = 0;
  virtual int ScreenDpi() = 0;
};

// The installed back end, or the fallback when none was installed.
FontBackend& GetFontBackend();
// Installs a back end for the rest of the process; must happen before the first font is created.
void SetFontBackend(std::unique_ptr<FontBackend> backend);

}  // namespace quadrell
