#pragma once
// Key codes as the views receive them in key-down and key-up events: the
// virtual-key numbering of the design. Letters are their upper-case ASCII code
// ('A' = 65), digits their ASCII code ('0' = 48).

namespace quadrell {

constexpr int kKeyBackspace = 8;
constexpr int kKeyTab = 9;
constexpr int kKeyReturn = 13;
constexpr int kKeyShift = 16;
constexpr int kKeyControl = 17;
constexpr int kKeyAlt = 18;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyPageUp = 33;
constexpr int kKeyPageDown = 34;
constexpr int kKeyEnd = 35;
constexpr int kKeyHome = 36;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyInsert = 45;
constexpr int kKeyDelete = 46;
constexpr int kKeyF1 = 112;  // F1 to F12 are 112 to 123

}  // namespace quadrell
