#pragma once
// Helpers shared by the model, the formula engine and the views.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Canvas.h"

namespace quadrell {

// The grid a sheet offers: references and files reach no further.
constexpr int32_t kSheetRows = 1048576;
constexpr int32_t kSheetColumns = 16384;

std::u16string ColumnName(int32_t index);
int32_t ColumnIndex(const char16_t* characters, int32_t length);
int32_t ColumnIndex(std::u16string_view letters);
int32_t RowOfReference(std::u16string_view text);
int32_t ColumnOfReference(std::u16string_view text);

inline int64_t MaxInt(int64_t a, int64_t b) { return a > b ? a : b; }
inline int64_t MinInt(int64_t a, int64_t b) { return a < b ? a : b; }
inline double MaxFloat(double a, double b) { return a > b ? a : b; }
inline double MinFloat(double a, double b) { return a < b ? a : b; }
inline int64_t Clamp(int64_t value, int64_t low, int64_t high) {
  return value < low ? low : (value > high ? high : value);
}

void DrawTextLeftTop(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextCenterTop(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextRightTop(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextLeftMiddle(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextCenterMiddle(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextRightMiddle(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextLeftBottom(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextCenterBottom(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);
void DrawTextRightBottom(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text);

enum class HorizontalAlign { Left, Center, Right };
enum class VerticalAlign { Top, Middle, Bottom };
void DrawTextAligned(Canvas& canvas, int x, int y, int width, int height, std::u16string_view text,
                     HorizontalAlign horizontal, VerticalAlign vertical);

// Kind 1 is a workbook (choice: 0 xlsx, 1 csv, 2 tsv, 3 pdf), kind 0 a text document.
std::u16string AddDefaultExtension(std::u16string_view fileName, int kind, int choice);
// The extension of the path's file name in lower case, "" when it has none.
std::u16string LowerExtension(std::u16string_view path);
// The file name without its folder.
std::u16string_view FileNamePart(std::u16string_view path);

void DrawStyledLine(Canvas& canvas, int x1, int y1, int x2, int y2, int style);

std::u16string ColorToHex(Colour colour);
Colour HexToColor(std::u16string_view text);
Colour PaletteColor(int hue, int saturation, int lightness);
Colour PaletteCoordinates(Colour colour);
double AxisStep(double min, double max);
Colour RainbowColor(double angle);
bool IsOperandPosition(std::u16string_view text, int position);
std::u16string WordAtPosition(std::u16string_view text, int position);
double ParseNumber(std::u16string_view text);

}  // namespace quadrell
