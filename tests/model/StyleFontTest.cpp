#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/ColorScheme.h"
#include "model/Font.h"
#include "model/Style.h"

namespace quadrell {
namespace {

TEST(StyleTest, EqualRecordsShareOneInternedRecordAndEveryFieldCounts) {
  StyleRecord a = NewDefaultStyle();
  StyleRecord b = NewDefaultStyle();
  const StyleRecord* shared = InternStyle(a);
  EXPECT_EQ(InternStyle(b), shared);
  EXPECT_EQ(shared, GetDefaultStyle());

  // Changing any one field gives a record of its own, and each is found again.
  std::vector<StyleRecord> variants(12, NewDefaultStyle());
  variants[0].font = GetFont(u"Arial", 10, kFontFlagBold);
  variants[1].top.lineStyle = kBorderThin;
  variants[2].bottom.colour = 0x0000FF;
  variants[3].left.lineStyle = kBorderDouble;
  variants[4].right.lineStyle = kBorderDotted;
  variants[5].fillColor = 0xFFFFFE;
  variants[6].textColor = 1;
  variants[7].verticalAlignment = kVerticalTop;
  variants[8].horizontalAlignment = kHorizontalRight;
  variants[9].indent = 2;
  variants[10].textFlow = kTextFlowLineBreak;
  variants[11].numberFormatId = 14;
  std::set<const StyleRecord*> seen{shared};
  for (const StyleRecord& v : variants) {
    const StyleRecord* interned = InternStyle(v);
    EXPECT_TRUE(seen.insert(interned).second);
    EXPECT_EQ(*interned, v);
    EXPECT_EQ(InternStyle(v), interned);
  }
}

TEST(StyleTest, HandlesNameInternedRecords) {
  StyleRecord r = NewDefaultStyle();
  r.fillColor = 0x123456;
  uint32_t handle = InternStyleHandle(r);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(StyleFromHandle(handle), InternStyle(r));
  EXPECT_EQ(StyleFromHandle(0), nullptr);
  // Many distinct records keep being found after the table grows.
  std::vector<uint32_t> handles;
  for (uint32_t i = 0; i < 3000; ++i) {
    StyleRecord s = NewDefaultStyle();
    s.fillColor = i;
    s.indent = static_cast<uint8_t>(i % 7);
    handles.push_back(InternStyleHandle(s));
  }
  for (uint32_t i = 0; i < 3000; ++i) {
    EXPECT_EQ(StyleFromHandle(handles[i])->fillColor, i);
    StyleRecord s = NewDefaultStyle();
    s.fillColor = i;
    s.indent = static_cast<uint8_t>(i % 7);
    EXPECT_EQ(InternStyleHandle(s), handles[i]);
  }
}

TEST(FontTest, FontsAreInternedByFaceSizeAndFlags) {
  const FontRecord* arial = GetFont(u"Arial", 10, 0);
  EXPECT_EQ(GetFont(u"Arial", 10, 0), arial);
  EXPECT_EQ(GetDefaultFont(), arial);
  const FontRecord* bold = GetFont(u"Arial", 10, kFontFlagBold);
  EXPECT_NE(bold, arial);
  EXPECT_TRUE(bold->IsBold());
  EXPECT_NE(GetFont(u"Arial", 11, 0), arial);
  EXPECT_NE(GetFont(u"Arial Black", 10, 0), arial);
  EXPECT_EQ(arial->face, u"Arial");
  EXPECT_EQ(arial->size, 10);
}

// The fallback back end at 96 dpi: pixel size = points x 96 / 72 (integer).
TEST(FontTest, FallbackMetricsFollowLiberationSans) {
  EXPECT_EQ(FontPixelSize(10), 13);
  EXPECT_EQ(FontPixelSize(11), 14);
  EXPECT_EQ(FontPixelSize(20), 26);
  const FontRecord* arial = GetFont(u"Arial", 10, 0);
  EXPECT_EQ(arial->metrics.ascent, 12);
  EXPECT_EQ(arial->metrics.descent, 3);
  EXPECT_EQ(arial->PixelHeight(), 15);  // below the default row height
  EXPECT_GT(GetFont(u"Arial", 20, 0)->PixelHeight(), 18);
  EXPECT_EQ(arial->TextWidth(u"0123456789"), 70);
  EXPECT_EQ(arial->TextWidth(u""), 0);
  EXPECT_LT(arial->TextWidth(u"iiii"), arial->TextWidth(u"MMMM"));
  EXPECT_GT(GetFont(u"Arial", 10, kFontFlagBold)->TextWidth(u"Quadrell"), arial->TextWidth(u"Quadrell"));
  const FontRecord* mono = GetFont(u"Liberation Mono", 10, 0);
  EXPECT_EQ(mono->TextWidth(u"iiii"), mono->TextWidth(u"MMMM"));
}

TEST(FontTest, EnumeratedFacesAreSortedAndNumbered) {
  EnumerateFonts();
  const auto& faces = GetFontFaces();
  ASSERT_FALSE(faces.empty());
  for (size_t i = 0; i < faces.size(); ++i) {
    EXPECT_EQ(GetFontFacePosition(faces[i]), static_cast<int32_t>(i + 1));
    EXPECT_EQ(faces[i].find(u'@'), std::u16string::npos);
  }
  EXPECT_GT(GetFontFacePosition(u"Arial"), 0);
  EXPECT_EQ(GetFontFacePosition(u"No Such Face"), 0);
}

TEST(FontTest, FaceListDropsAtSignsAndSortsWithoutCase) {
  EXPECT_EQ(FontFaceList({u"@MS Gothic", u"zeta", u"MS Gothic", u"Alpha", u"beta"}),
            (std::vector<std::u16string>{u"Alpha", u"beta", u"MS Gothic", u"zeta"}));
}

TEST(ColorSchemeTest, FurtherRoundsOfEightAreLighter) {
  const ColorScheme& scheme = GetColorScheme();
  auto rgb = [](uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); };
  EXPECT_EQ(scheme.GetSchemeColor(0), rgb(0, 128, 255));
  EXPECT_EQ(scheme.GetSchemeColor(7), rgb(192, 64, 255));
  EXPECT_EQ(scheme.GetSchemeColor(8), rgb(127, 191, 255));
  EXPECT_EQ(scheme.GetSchemeColor(16), rgb(170, 212, 255));
  EXPECT_EQ(scheme.GetSchemeColor(-3), scheme.GetSchemeColor(0));
}

}  // namespace
}  // namespace quadrell
