#include "document/WordToken.h"

namespace quadrell {

int32_t MeasureText(const StyleRecord* style, std::u16string_view text) {
  if (text.empty()) return 0;
  return style->font->TextWidth(text);
}

int32_t TokenHeight(const StyleRecord* style) { return style->font->metrics.height; }

int32_t TokenAscent(const StyleRecord* style) { return style->font->metrics.ascent; }

int32_t PreviousCharacter(std::u16string_view text, int32_t offset) {
  if (offset <= 0) return 0;
  int32_t size = static_cast<int32_t>(text.size());
  if (offset > size) return size;
  --offset;
  if (offset > 0 && IsLowSurrogate(text[static_cast<size_t>(offset)]) &&
      IsHighSurrogate(text[static_cast<size_t>(offset - 1)])) {
    --offset;
  }
  return offset;
}

int32_t NextCharacter(std::u16string_view text, int32_t offset) {
  int32_t size = static_cast<int32_t>(text.size());
  if (offset >= size) return size;
  if (offset < 0) return 0;
  ++offset;
  if (offset < size && IsLowSurrogate(text[static_cast<size_t>(offset)]) &&
      IsHighSurrogate(text[static_cast<size_t>(offset - 1)])) {
    ++offset;
  }
  return offset;
}

}  // namespace quadrell
