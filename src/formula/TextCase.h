#pragma once
// Upper and lower case of single UTF-16 units for the scripts a user is likely
// to type (Latin, Greek, Cyrillic), independent of the C locale.
#include <string>
#include <string_view>

namespace quadrell {

char16_t UpperCaseOf(char16_t c);
char16_t LowerCaseOf(char16_t c);
std::u16string UpperCase(std::u16string_view text);
std::u16string LowerCase(std::u16string_view text);

}  // namespace quadrell
