#pragma once
// Fonts interned by face, size and flags. A record is created once, with its
// platform font and text metrics, and lives for the rest of the process.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FontBackend.h"

namespace quadrell {

struct FontRecord {
  std::u16string face;
  std::unique_ptr<PlatformFont> platformFont;
  uint32_t flags = 0;  // kFontFlagBold, kFontFlagItalic, kFontFlagUnderline, kFontFlagStrikeOut, kFontFlagHighQuality
  int32_t size = 0;    // points
  FontMetrics metrics;

  // The character cell height: the font pixel height of automatic row heights.
  int32_t PixelHeight() const { return metrics.height; }
  int32_t TextWidth(std::u16string_view text) const { return platformFont->TextWidth(text); }
  bool IsBold() const { return (flags & kFontFlagBold) != 0; }
  bool IsItalic() const { return (flags & kFontFlagItalic) != 0; }
  bool IsUnderline() const { return (flags & kFontFlagUnderline) != 0; }
  bool IsStrikeOut() const { return (flags & kFontFlagStrikeOut) != 0; }
};

// The interned font; created with the back end on first request.
const FontRecord* GetFont(std::u16string_view face, int32_t size, uint32_t flags);
// Arial, 10 points, no flags.
const FontRecord* GetDefaultFont();
// The em height in pixels of a point size at the back end's screen resolution.
int32_t FontPixelSize(int32_t size);

// Reads the installed families into the sorted face list (at signs removed, each
// face once, sorted without regard to case) and creates each face at 14 points.
void EnumerateFonts();
// Family names as the face list holds them: at signs removed (vertical
// variants fall onto their face), each once, sorted without regard to case.
std::vector<std::u16string> FontFaceList(std::vector<std::u16string> families);
// The face list of the last EnumerateFonts (empty before).
const std::vector<std::u16string>& GetFontFaces();
// 1-based position of a face in the list; 0 when it is not listed.
int32_t GetFontFacePosition(std::u16string_view face);

}  // namespace quadrell
