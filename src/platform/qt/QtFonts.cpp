#include "platform/qt/QtFonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "platform/qt/QtSupport.h"

namespace quadrell::qt {

namespace {
// Glyphs larger than this are not useful on a screen and cost much memory to render.
constexpr int kMaxPixelHeight = 1000;
}  // namespace

FontMetrics QtFont::Metrics() const {
  FontMetrics m;
  m.ascent = metrics_.ascent();
  m.descent = metrics_.descent();
  m.height = metrics_.height();
  m.averageCharWidth = metrics_.averageCharWidth();
  return m;
}

int QtFont::TextWidth(std::u16string_view text) const { return metrics_.horizontalAdvance(ToQString(text)); }

std::unique_ptr<PlatformFont> QtFontBackend::CreateFont(std::u16string_view face, int pixelHeight, uint32_t flags) {
  QFont font(ToQString(face));
  font.setPixelSize(std::clamp(pixelHeight, 1, kMaxPixelHeight));
  font.setWeight((flags & kFontFlagBold) ? QFont::Bold : QFont::Normal);
  font.setItalic((flags & kFontFlagItalic) != 0);
  font.setUnderline((flags & kFontFlagUnderline) != 0);
  font.setStrikeOut((flags & kFontFlagStrikeOut) != 0);
  if (flags & kFontFlagHighQuality) font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::PreferQuality));
  return std::make_unique<QtFont>(font);
}

std::vector<std::u16string> QtFontBackend::InstalledFamilies() {
  std::vector<std::u16string> families;
  for (const QString& family : QFontDatabase::families()) families.push_back(FromQString(family));
  return families;
}

int QtFontBackend::ScreenDpi() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 96;
  int dpi = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
  return dpi > 0 ? dpi : 96;
}

QFont DefaultCanvasFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, (10 * QtFontBackend().ScreenDpi()) / 72));
  return font;
}

}  // namespace quadrell::qt
