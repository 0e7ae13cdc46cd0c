#pragma once
// The pieces a paragraph is laid out in: words (or the part of a word in one
// style), spaces, tabs and line breaks. Tokens are made from the paragraph's
// text by each layout; the text and its styles are what the paragraph keeps.
#include <cstdint>
#include <string_view>

#include "model/Style.h"
#include "value/Unicode.h"

namespace quadrell {

enum class TokenKind : uint8_t { Word, Space, Tab, Break };

struct WordToken {
  TokenKind kind = TokenKind::Word;
  const StyleRecord* style = nullptr;
  int32_t start = 0;   // offset of the first character in the paragraph's text
  int32_t length = 0;  // UTF-16 units
  int32_t width = 0;   // pixels
  int32_t x = 0;       // pixels from the left text edge, set by the layout

  int32_t End() const { return start + length; }
};

// The pixel width of the text in the style's font.
int32_t MeasureText(const StyleRecord* style, std::u16string_view text);
// The character cell height and the ascent of the style's font.
int32_t TokenHeight(const StyleRecord* style);
int32_t TokenAscent(const StyleRecord* style);

// Tab stops every 1.25 cm from the left text edge.
constexpr int32_t kTabStopPx = 47;

// The UTF-16 units that belong together as one character (IsLowSurrogate):
// a surrogate pair is never split by the caret or by a deletion.
// The offset one character before or after `offset` in the text.
int32_t PreviousCharacter(std::u16string_view text, int32_t offset);
int32_t NextCharacter(std::u16string_view text, int32_t offset);

}  // namespace quadrell
