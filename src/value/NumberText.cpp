#include "value/NumberText.h"

#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>

namespace quadrell {
namespace {

template <typename Char>
bool MatchesWordIgnoringCase(std::basic_string_view<Char> text, size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char16_t c = static_cast<char16_t>(text[at + i]);
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != static_cast<unsigned char>(word[i])) return false;
  }
  return true;
}

template <typename Char>
double ReadDecimalImpl(std::basic_string_view<Char> text) {
  size_t i = 0;
  size_t n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (MatchesWordIgnoringCase(text, i, "infinity")) {
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (MatchesWordIgnoringCase(text, i, "nan")) return std::numeric_limits<double>::quiet_NaN();

  // Collect the longest prefix that forms a number: digits, one point, digits,
  // and an exponent only when digits follow it.
  char small[64];
  std::string large;
  char* buffer = small;
  size_t length = 0;
  auto push = [&](char c) {
    if (buffer == small && length == sizeof(small)) {
      large.assign(small, length);
      buffer = nullptr;
    }
    if (buffer == small) {
      small[length++] = c;
    } else {
      large.push_back(c);
      ++length;
    }
  };
  size_t digits = 0;
  size_t fractionDigits = 0;
  uint64_t mantissa = 0;  // exact while digits <= 19
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    if (digits < 19) mantissa = mantissa * 10 + static_cast<uint64_t>(text[i] - '0');
    push(static_cast<char>(text[i++]));
    ++digits;
  }
  if (i < n && text[i] == '.') {
    push('.');
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      if (digits < 19) mantissa = mantissa * 10 + static_cast<uint64_t>(text[i] - '0');
      push(static_cast<char>(text[i++]));
      ++digits;
      ++fractionDigits;
    }
  }
  if (digits == 0) return 0;
  bool exponent = i < n && (text[i] == 'e' || text[i] == 'E');
  if (!exponent && digits <= 15) {
    // Both operands are exact doubles, so the one correctly rounded division
    // gives what the full conversion would.
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    double value = static_cast<double>(mantissa) / kPowers[fractionDigits];
    return negative ? -value : value;
  }
  if (exponent) {
    size_t j = i + 1;
    bool expNegative = false;
    if (j < n && (text[j] == '+' || text[j] == '-')) {
      expNegative = text[j] == '-';
      ++j;
    }
    if (j < n && text[j] >= '0' && text[j] <= '9') {
      push('e');
      if (expNegative) push('-');
      while (j < n && text[j] >= '0' && text[j] <= '9') push(static_cast<char>(text[j++]));
    }
  }
  const char* begin = buffer == small ? small : large.data();
  double value = 0;
  auto result = std::from_chars(begin, begin + length, value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value untouched on overflow or underflow; decide by the exponent sign.
    std::string_view all(begin, length);
    size_t e = all.find('e');
    bool tiny = e != std::string_view::npos && e + 1 < all.size() && all[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

}  // namespace

double ReadDecimal(std::u16string_view text) { return ReadDecimalImpl(text); }
double ReadDecimal(std::string_view text) { return ReadDecimalImpl(text); }

int64_t ReadInteger(std::u16string_view text) {
  size_t i = 0;
  size_t n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  unsigned base = 10;
  if (i < n && text[i] == u'$') {
    base = 16;
    ++i;
  } else if (i < n && text[i] == u'%') {
    base = 2;
    ++i;
  }
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
  uint64_t value = 0;
  bool saturated = false;
  for (; i < n; ++i) {
    char16_t c = text[i];
    unsigned digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    if (digit >= base) break;
    if (!saturated) {
      if (value > (kLimit - digit) / base) {
        saturated = true;
        value = kLimit;
      } else {
        value = value * base + digit;
      }
    }
  }
  if (negative) return value >= kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
  return value >= kLimit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(value);
}

namespace {

// Writes the general form into buf (at least 400 bytes) and returns its length.
size_t WriteGeneralForm(char* buf, double x) {
  if (std::isnan(x)) {
    std::memcpy(buf, "NaN", 3);
    return 3;
  }
  if (std::isinf(x)) {
    const char* t = x > 0 ? "+Infinity" : "-Infinity";
    std::memcpy(buf, t, 9);
    return 9;
  }
  // At most 15 significant digits, as a double holds no more: beyond them lie
  // only the binary's remainders (1234567.891 would show 1234567.8910000001).
  // Below 10^4 the ten decimals keep within 15 digits by themselves.
  if (std::fabs(x) >= 1e4) {
    char digits[32];
    auto s = std::to_chars(digits, digits + sizeof(digits), x, std::chars_format::scientific, 14);
    const char* p = digits;
    size_t len = 0;
    if (*p == '-') buf[len++] = *p++;
    char mantissa[15];
    size_t count = 0;
    for (; p < s.ptr && *p != 'e'; ++p)
      if (*p != '.') mantissa[count++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), s.ptr, exponent);
    // exponent >= 4 here: the integer part has exponent + 1 digits.
    size_t integerDigits = static_cast<size_t>(exponent) + 1;
    for (size_t i = 0; i < integerDigits; ++i) buf[len++] = i < count ? mantissa[i] : '0';
    if (integerDigits < count) {
      size_t end = count;
      while (end > integerDigits && mantissa[end - 1] == '0') --end;
      if (end > integerDigits) {
        buf[len++] = '.';
        for (size_t i = integerDigits; i < end; ++i) buf[len++] = mantissa[i];
      }
    }
    return len;
  }
  auto r = std::to_chars(buf, buf + 400, x, std::chars_format::fixed, 10);
  size_t len = static_cast<size_t>(r.ptr - buf);
  while (len > 0 && buf[len - 1] == '0') --len;
  if (len > 0 && buf[len - 1] == '.') --len;
  if (len == 2 && buf[0] == '-' && buf[1] == '0') {
    buf[0] = '0';
    len = 1;
  }
  return len;
}

}  // namespace

std::string GeneralForm(double x) {
  char buf[400];
  size_t len = WriteGeneralForm(buf, x);
  return std::string(buf, len);
}

void AppendGeneralForm(std::u16string& out, double x) {
  char buf[400];
  size_t len = WriteGeneralForm(buf, x);
  size_t old = out.size();
  out.resize(old + len);
  for (size_t i = 0; i < len; ++i) out[old + i] = static_cast<unsigned char>(buf[i]);
}

std::u16string GeneralForm16(double x) {
  std::u16string out;
  AppendGeneralForm(out, x);
  return out;
}

std::string FixedForm(double x, int decimals) {
  if (!std::isfinite(x)) return GeneralForm(x);
  // Room for the 309 digits of the largest double and 512 decimals.
  char buf[1100];
  auto r = std::to_chars(buf, buf + sizeof(buf), x, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return GeneralForm(x);
  std::string out(buf, r.ptr);
  if (!out.empty() && out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
  return out;
}

std::string IntegerText(int64_t x) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof(buf), x);
  return std::string(buf, r.ptr);
}

}  // namespace quadrell
