#pragma once
// Conversions between the model's UTF-16 text and UTF-8 files, in one place.
#include <string>
#include <string_view>

namespace quadrell {

// Malformed UTF-8 sequences become U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// ASCII-only widening and narrowing, for texts known to be ASCII (numbers, keys).
std::u16string AsciiToUtf16(std::string_view text);
void AppendAscii(std::u16string& out, std::string_view text);

inline bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
// The halves of a UTF-16 surrogate pair, which belong together as one character.
inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// 0-15 for 0-9, A-F and a-f; -1 for any other character.
inline int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace quadrell
