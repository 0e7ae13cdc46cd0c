#include <gtest/gtest.h>

#include <QFontInfo>

#include <algorithm>

#include "platform/qt/QtFonts.h"

namespace quadrell {
namespace {

using qt::QtFont;
using qt::QtFontBackend;

TEST(QtFontTest, ArialResolvesToAMetricCompatibleFaceWithRealMetrics) {
  QtFontBackend backend;
  auto font = backend.CreateFont(u"Arial", 13, 0);
  const auto& qtFont = dynamic_cast<const QtFont&>(*font);
  EXPECT_EQ(QFontInfo(qtFont.Font()).family(), QStringLiteral("Liberation Sans"));
  FontMetrics m = font->Metrics();
  EXPECT_EQ(m.height, m.ascent + m.descent);
  EXPECT_GE(m.height, 14);
  EXPECT_LE(m.height, 17);
  EXPECT_GT(m.averageCharWidth, 0);
  int hi = font->TextWidth(u"Hi");
  int hello = font->TextWidth(u"Hello");
  EXPECT_GT(hi, 0);
  EXPECT_GT(hello, hi);
  EXPECT_EQ(font->TextWidth(u""), 0);
  EXPECT_EQ(backend.ScreenDpi(), 96);
}

TEST(QtFontTest, FlagsAndSizesChangeTheFont) {
  QtFontBackend backend;
  auto regular = backend.CreateFont(u"Arial", 16, 0);
  auto bold = backend.CreateFont(u"Arial", 16, kFontFlagBold);
  auto italic = backend.CreateFont(u"Arial", 16, kFontFlagItalic | kFontFlagUnderline | kFontFlagStrikeOut);
  auto large = backend.CreateFont(u"Arial", 32, 0);
  EXPECT_GT(bold->TextWidth(u"Hello world"), regular->TextWidth(u"Hello world"));
  const QFont& f = dynamic_cast<const QtFont&>(*italic).Font();
  EXPECT_TRUE(f.italic() && f.underline() && f.strikeOut());
  EXPECT_GT(large->Metrics().height, regular->Metrics().height * 3 / 2);
  // Sizes no screen can show are limited instead of exhausting memory.
  auto absurd = backend.CreateFont(u"Arial", 1'000'000'000, 0);
  EXPECT_LE(absurd->Metrics().height, 1300);
  EXPECT_GE(backend.CreateFont(u"Arial", -5, 0)->Metrics().height, 1);
}

TEST(QtFontTest, InstalledFamiliesListTheMachinesFonts) {
  auto families = QtFontBackend().InstalledFamilies();
  EXPECT_NE(std::find(families.begin(), families.end(), u"Liberation Sans"), families.end());
}

}  // namespace
}  // namespace quadrell
