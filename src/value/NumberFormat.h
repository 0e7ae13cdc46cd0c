#pragma once
// Rendering of numbers under the built-in format ids and the registered custom ones.
// Displayed numbers use "," as decimal point and "." between thousands.
#include <string>
#include <string_view>

#include "value/Value.h"

namespace quadrell {

constexpr FormatId kFormatWhole = 1;
constexpr FormatId kFormatTwoDecimals = 2;
constexpr FormatId kFormatThousands = 3;
constexpr FormatId kFormatThousandsDecimals = 4;
constexpr FormatId kFormatScientific = 11;
constexpr FormatId kFormatFraction = 12;
constexpr FormatId kFormatFractionTwoDigits = 13;
constexpr FormatId kFormatShortDate = 14;
constexpr FormatId kFormatTimeSeconds = 21;
constexpr FormatId kFormatDateTime = 22;
constexpr FormatId kFirstCustomFormat = 200;

std::u16string FormatNumber(double number, FormatId formatId);
// FormatNumber under the general format, appended as UTF-8 (it is plain
// ASCII): writers of big sheets skip the wide text.
void AppendGeneralDisplay(std::string& out, double number);

// Ids 14, 20, 21, 22, 58 and custom formats whose code holds a date part.
bool IsDateTimeFormat(FormatId formatId);
// Ids 14 and 58, which render nothing before 1900.
bool IsDateOnlyFormat(FormatId formatId);

// t written with "." as decimal point; "," goes between groups of three digits.
std::string GroupThousands(std::string_view t);
std::string SwapSeparators(std::string_view t);
std::u16string SwapSeparators16(std::u16string_view t);

// Literal fraction search kept for comparison with the fast one in tests.
void BestFractionLiteral(double f, int maxDenominator, int& numerator, int& denominator);
void BestFraction(double f, int maxDenominator, int& numerator, int& denominator);

}  // namespace quadrell
