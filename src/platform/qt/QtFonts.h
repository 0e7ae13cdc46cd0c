#pragma once
// Fonts on Qt: the font back end the core measures text with, and the fonts
// the canvases draw with.
#include <QFont>
#include <QFontMetrics>

#include "platform/FontBackend.h"

namespace quadrell::qt {

class QtFont : public PlatformFont {
 public:
  explicit QtFont(const QFont& font) : font_(font), metrics_(font) {}
  FontMetrics Metrics() const override;
  int TextWidth(std::u16string_view text) const override;
  const QFont& Font() const { return font_; }

 private:
  QFont font_;
  QFontMetrics metrics_;
};

class QtFontBackend : public FontBackend {
 public:
  std::unique_ptr<PlatformFont> CreateFont(std::u16string_view face, int pixelHeight, uint32_t flags) override;
  std::vector<std::u16string> InstalledFamilies() override;
  int ScreenDpi() override;
};

// The font a canvas draws with before it is given one: Arial at 10 points.
QFont DefaultCanvasFont();

}  // namespace quadrell::qt
