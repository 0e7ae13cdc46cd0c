#pragma once
// Reading numbers from text and writing them as text, independent of the C locale.
#include <cstdint>
#include <string>
#include <string_view>

namespace quadrell {

// Reads a decimal number with "." as decimal point. Leading spaces and tabs are
// skipped; "+Infinity", "-Infinity" and "NaN" (any case) give those values;
// reading stops at the first character that does not belong to the number, and a
// text that does not start with a number gives 0.
double ReadDecimal(std::u16string_view text);
double ReadDecimal(std::string_view text);

// Reads an integer: leading spaces and tabs, one sign, then decimal digits up to
// the first other character; "$" introduces hexadecimal and "%" binary digits.
// Values beyond 64 bits saturate.
int64_t ReadInteger(std::u16string_view text);

// The general decimal form: up to 10 decimals, trailing zeros and a trailing
// point removed, "." as decimal point; "+Infinity", "-Infinity", "NaN"; -0 is "0".
std::string GeneralForm(double x);
void AppendGeneralForm(std::u16string& out, double x);
std::u16string GeneralForm16(double x);

// Exactly `decimals` digits after the point, rounded, no exponent; a negative
// zero result loses its sign. Non-finite numbers give their general form.
std::string FixedForm(double x, int decimals);

// Decimal text of an integer.
std::string IntegerText(int64_t x);

}  // namespace quadrell
