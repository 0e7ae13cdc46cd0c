#include "value/ValueFormat.h"

#include <cmath>

#include "context/ApplicationContext.h"
#include "value/Date.h"
#include "value/NumberFormat.h"
#include "value/NumberText.h"

namespace quadrell {
namespace {

constexpr const char* kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool MatchesIgnoringCase(std::u16string_view s, size_t at, std::u16string_view word) {
  if (s.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Lower(s[at + i]) != word[i]) return false;
  return true;
}

bool IsPlaceholder(char16_t c) { return c == u'0' || c == u'#' || c == u'?'; }

void AppendAscii(std::u16string& out, std::string_view s) {
  for (char c : s) out.push_back(static_cast<unsigned char>(c));
}

void AppendLiteral(std::vector<FormatToken>& tokens, std::u16string_view text) {
  if (!tokens.empty() && tokens.back().kind == FormatToken::Literal) {
    tokens.back().text.append(text);
  } else {
    tokens.push_back({std::u16string(text), FormatToken::Literal});
  }
}

// Sections split at ";" outside quotes, escapes and brackets.
std::vector<std::u16string_view> SplitSections(std::u16string_view code) {
  std::vector<std::u16string_view> out;
  size_t start = 0;
  for (size_t i = 0; i < code.size(); ++i) {
    char16_t c = code[i];
    if (c == u'\\' || c == u'_' || c == u'*') {
      ++i;
    } else if (c == u'"') {
      size_t end = code.find(u'"', i + 1);
      i = end == std::u16string_view::npos ? code.size() : end;
    } else if (c == u'[') {
      size_t end = code.find(u']', i + 1);
      i = end == std::u16string_view::npos ? code.size() : end;
    } else if (c == u';') {
      out.push_back(code.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(code.substr(start));
  return out;
}

// Reads the run of digit placeholders at i into the pattern; returns the index after it.
size_t ReadNumberRun(std::u16string_view s, size_t i, NumberPattern& p) {
  bool afterPoint = false;
  int commas = 0;
  while (i < s.size()) {
    char16_t c = s[i];
    if (IsPlaceholder(c)) {
      if (commas > 0 && !afterPoint) p.grouping = true;
      commas = 0;
      if (!afterPoint) {
        if (c == u'0') ++p.integerZeros;
      } else {
        ++p.maxDecimals;
        if (c == u'0') p.minDecimals = p.maxDecimals;
      }
      ++i;
    } else if (c == u'.' && !afterPoint) {
      if (commas > 0) p.grouping = true;
      commas = 0;
      afterPoint = true;
      ++i;
    } else if (c == u',') {
      ++commas;
      ++i;
    } else if ((c == u'E' || c == u'e') && i + 2 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-') &&
               IsPlaceholder(s[i + 2])) {
      p.scientific = true;
      p.exponentPlus = s[i + 1] == u'+';
      i += 2;
      while (i < s.size() && IsPlaceholder(s[i])) {
        if (s[i] == u'0') ++p.exponentDigits;
        ++i;
      }
      break;
    } else {
      break;
    }
  }
  p.scaleThousands = commas;
  return i;
}

// True when the next date or time letter after i is a seconds part: "m" before it counts minutes.
bool SecondsFollow(std::u16string_view s, size_t i) {
  for (; i < s.size(); ++i) {
    char16_t c = Lower(s[i]);
    if (c == u'"') {
      size_t end = s.find(u'"', i + 1);
      if (end == std::u16string_view::npos) return false;
      i = end;
    } else if (c == u'\\') {
      ++i;
    } else if (c == u's') {
      return true;
    } else if (c == u'[') {
      return i + 1 < s.size() && Lower(s[i + 1]) == u's';
    } else if ((c >= u'a' && c <= u'z') || IsPlaceholder(c)) {
      return false;
    }
  }
  return false;
}

FormatSection ParseSection(std::u16string_view s) {
  FormatSection section;
  std::vector<FormatToken>& tokens = section.tokens;
  bool haveNumber = false;
  FormatToken::Kind lastTime = FormatToken::Literal;  // the last hour or elapsed token, for "m" after it
  auto push = [&](FormatToken::Kind kind) { tokens.push_back({{}, kind}); };
  for (size_t i = 0; i < s.size();) {
    char16_t c = s[i];
    char16_t l = Lower(c);
    auto run = [&](char16_t letter) {
      size_t n = 0;
      while (i + n < s.size() && Lower(s[i + n]) == letter) ++n;
      i += n;
      return n;
    };
    if (c == u'"') {
      size_t end = s.find(u'"', i + 1);
      if (end == std::u16string_view::npos) end = s.size();
      AppendLiteral(tokens, s.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == u'\\') {
      if (i + 1 < s.size()) AppendLiteral(tokens, s.substr(i + 1, 1));
      i += 2;
    } else if (c == u'_') {
      // Room for the next character: a space.
      AppendLiteral(tokens, u" ");
      i += 2;
    } else if (c == u'*') {
      i += 2;  // a fill to the cell's width: nothing in a text
    } else if (c == u'[') {
      size_t end = s.find(u']', i + 1);
      if (end == std::u16string_view::npos) end = s.size();
      std::u16string_view inside = s.substr(i + 1, end - i - 1);
      i = end + 1;
      if (!inside.empty() && inside[0] == u'$') {
        // [$€-407]: a currency sign and a locale tag; the sign shows.
        size_t dash = inside.find(u'-');
        AppendLiteral(tokens, inside.substr(1, dash == std::u16string_view::npos ? std::u16string_view::npos : dash - 1));
      } else if (!inside.empty()) {
        char16_t k = Lower(inside[0]);
        bool same = true;
        for (char16_t x : inside) same = same && Lower(x) == k;
        if (same && (k == u'h' || k == u'm' || k == u's')) {
          FormatToken::Kind kind = k == u'h'   ? FormatToken::ElapsedHours
                                   : k == u'm' ? FormatToken::ElapsedMinutes
                                               : FormatToken::ElapsedSeconds;
          push(kind);
          section.hasTime = true;
          lastTime = kind;
          if (k == u's') section.hasSeconds = true;
        }
        // Colours and conditions do not change the text.
      }
    } else if (MatchesIgnoringCase(s, i, u"general")) {
      push(FormatToken::General);
      i += 7;
    } else if (IsPlaceholder(c) || (c == u'.' && i + 1 < s.size() && IsPlaceholder(s[i + 1]))) {
      if (section.hasTime && c == u'.') {
        // Fractions of a second: the time is shown to the second.
        ++i;
        while (i < s.size() && IsPlaceholder(s[i])) ++i;
      } else if (!haveNumber) {
        haveNumber = true;
        push(FormatToken::Number);
        i = ReadNumberRun(s, i, section.number);
      } else {
        NumberPattern ignored;
        i = ReadNumberRun(s, i, ignored);
      }
    } else if (c == u'%') {
      ++section.percents;
      AppendLiteral(tokens, u"%");
      ++i;
    } else if (c == u'@') {
      push(FormatToken::Text);
      ++i;
    } else if (MatchesIgnoringCase(s, i, u"am/pm")) {
      tokens.push_back({std::u16string(s.substr(i, 5)), FormatToken::AmPm});
      section.twelveHours = true;
      i += 5;
    } else if (MatchesIgnoringCase(s, i, u"a/p")) {
      tokens.push_back({std::u16string(s.substr(i, 3)), FormatToken::AmPm});
      section.twelveHours = true;
      i += 3;
    } else if (l == u'y') {
      push(run(u'y') <= 2 ? FormatToken::Year2 : FormatToken::Year4);
      section.hasDate = true;
    } else if (l == u'd') {
      size_t n = run(u'd');
      push(n == 1 ? FormatToken::Day : n == 2 ? FormatToken::Day2 : n == 3 ? FormatToken::DayShortName : FormatToken::DayName);
      section.hasDate = true;
      section.hasNames = section.hasNames || n >= 3;
    } else if (l == u'h') {
      run(u'h');
      push(FormatToken::Hour);
      section.hasTime = true;
      lastTime = FormatToken::Hour;
    } else if (l == u's') {
      push(run(u's') == 1 ? FormatToken::Second : FormatToken::Second2);
      section.hasTime = true;
      section.hasSeconds = true;
    } else if (l == u'm') {
      size_t n = run(u'm');
      bool minutes = n <= 2 && (lastTime == FormatToken::Hour || lastTime == FormatToken::ElapsedHours || SecondsFollow(s, i));
      if (minutes) {
        push(n == 1 ? FormatToken::Minute : FormatToken::Minute2);
        section.hasTime = true;
        lastTime = FormatToken::Minute;
      } else {
        push(n == 1   ? FormatToken::Month
             : n == 2 ? FormatToken::Month2
             : n == 3 ? FormatToken::MonthShortName
             : n == 4 ? FormatToken::MonthName
                      : FormatToken::MonthLetter);
        section.hasDate = true;
        section.hasNames = section.hasNames || n >= 3;
      }
    } else {
      AppendLiteral(tokens, s.substr(i, 1));
      ++i;
    }
  }
  return section;
}

void AppendTwoDigits(std::u16string& out, int64_t v) {
  if (v < 10) out.push_back(u'0');
  AppendAscii(out, IntegerText(v));
}

// "1234.5" with "." as point: groups with "." and "," as decimal point.
std::u16string HouseDigits(std::string_view integer, std::string_view fraction, bool grouping) {
  std::u16string out;
  size_t n = integer.size();
  for (size_t k = 0; k < n; ++k) {
    if (grouping && k > 0 && (n - k) % 3 == 0) out.push_back(u'.');
    out.push_back(static_cast<unsigned char>(integer[k]));
  }
  if (!fraction.empty()) {
    out.push_back(u',');
    AppendAscii(out, fraction);
  }
  return out;
}

std::u16string RenderDigits(double a, const NumberPattern& p) {
  if (!std::isfinite(a)) return SwapSeparators16(GeneralForm16(a));
  int exponent = 0;
  if (p.scientific && a != 0) {
    exponent = static_cast<int>(std::floor(std::log10(a)));
    double m = a / std::pow(10.0, exponent);
    // Rounding can carry the mantissa to 10: one more in the exponent.
    if (FixedForm(m, p.maxDecimals).size() > static_cast<size_t>(p.maxDecimals + (p.maxDecimals > 0 ? 2 : 1))) ++exponent;
    a = a / std::pow(10.0, exponent);
  }
  std::string t = FixedForm(a, p.maxDecimals);
  size_t point = t.find('.');
  std::string integer = t.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : t.substr(point + 1);
  while (static_cast<int>(fraction.size()) > p.minDecimals && !fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (integer == "0" && p.integerZeros == 0) integer.clear();
  while (static_cast<int>(integer.size()) < p.integerZeros) integer.insert(integer.begin(), '0');
  std::u16string out = HouseDigits(integer, fraction, p.grouping);
  if (p.scientific) {
    out.push_back(u'E');
    if (exponent < 0) {
      out.push_back(u'-');
    } else if (p.exponentPlus) {
      out.push_back(u'+');
    }
    std::string e = IntegerText(exponent < 0 ? -exponent : exponent);
    while (static_cast<int>(e.size()) < p.exponentDigits) e.insert(e.begin(), '0');
    AppendAscii(out, e);
  }
  return out;
}

std::u16string HouseDate(const DateRecord& r) {
  std::u16string out;
  AppendAscii(out, IntegerText(r.day) + "." + IntegerText(r.month) + "." + IntegerText(r.year));
  return out;
}

std::u16string HouseTime(const DateRecord& r, bool seconds) {
  std::u16string out;
  AppendAscii(out, IntegerText(r.hour));
  out.push_back(u':');
  AppendTwoDigits(out, r.minute);
  if (seconds) {
    out.push_back(u':');
    AppendTwoDigits(out, r.second);
  }
  return out;
}

}  // namespace

ValueFormat::ValueFormat(std::u16string_view code) : code_(code) {
  size_t quotes = 0;
  for (char16_t c : code_) quotes += c == u'"';
  if (quotes % 2 == 1) code_.push_back(u'"');
  for (std::u16string_view part : SplitSections(code_)) {
    if (sections_.size() == 4) break;
    sections_.push_back(ParseSection(part));
  }
  const FormatSection& first = sections_.front();
  dateFlag_ = first.hasDate || first.hasTime;
  timeOnly_ = first.hasTime && !first.hasDate;
}

std::u16string ValueFormat::RenderSection(const FormatSection& section, double n, bool sign) const {
  std::u16string out;
  if (section.hasDate || section.hasTime) {
    DateRecord r = SplitDateTime(n);
    if (!HasCalendarDate(r)) return {};
    // Numeric dates keep the house order day.month.year, times H:MM(:SS).
    if (section.hasDate && !section.hasNames && !section.twelveHours) {
      out = HouseDate(r);
      if (section.hasTime) out += u" " + HouseTime(r, section.hasSeconds);
      return out;
    }
    int64_t totalSeconds = std::llround(std::fabs(n) * 86400);
    for (const FormatToken& t : section.tokens) {
      switch (t.kind) {
        case FormatToken::Literal:
          out += t.text;
          break;
        case FormatToken::Year2:
          AppendTwoDigits(out, ((r.year % 100) + 100) % 100);
          break;
        case FormatToken::Year4:
          AppendAscii(out, IntegerText(r.year));
          break;
        case FormatToken::Month:
          AppendAscii(out, IntegerText(r.month));
          break;
        case FormatToken::Month2:
          AppendTwoDigits(out, r.month);
          break;
        case FormatToken::MonthShortName:
          AppendAscii(out, std::string_view(kMonthNames[r.month - 1]).substr(0, 3));
          break;
        case FormatToken::MonthName:
          AppendAscii(out, kMonthNames[r.month - 1]);
          break;
        case FormatToken::MonthLetter:
          AppendAscii(out, std::string_view(kMonthNames[r.month - 1]).substr(0, 1));
          break;
        case FormatToken::Day:
          AppendAscii(out, IntegerText(r.day));
          break;
        case FormatToken::Day2:
          AppendTwoDigits(out, r.day);
          break;
        case FormatToken::DayShortName:
        case FormatToken::DayName: {
          // Serial 0, 1 January 1900, was a Monday.
          int64_t whole = static_cast<int64_t>(std::floor(n + 0.5 / 86400));
          int weekday = static_cast<int>(((whole + 1) % 7 + 7) % 7);
          std::string_view name = kDayNames[weekday];
          AppendAscii(out, t.kind == FormatToken::DayName ? name : name.substr(0, 3));
          break;
        }
        case FormatToken::Hour: {
          int hour = r.hour;
          if (section.twelveHours) hour = hour % 12 == 0 ? 12 : hour % 12;
          AppendAscii(out, IntegerText(hour));
          break;
        }
        case FormatToken::Minute:
          AppendAscii(out, IntegerText(r.minute));
          break;
        case FormatToken::Minute2:
          AppendTwoDigits(out, r.minute);
          break;
        case FormatToken::Second:
          AppendAscii(out, IntegerText(r.second));
          break;
        case FormatToken::Second2:
          AppendTwoDigits(out, r.second);
          break;
        case FormatToken::AmPm: {
          bool pm = r.hour >= 12;
          if (t.text.size() == 3) {
            out.push_back(t.text[pm ? 2 : 0]);
          } else {
            out += pm ? t.text.substr(3, 2) : t.text.substr(0, 2);
          }
          break;
        }
        case FormatToken::ElapsedHours:
          if (n < 0) out.push_back(u'-');
          AppendAscii(out, IntegerText(totalSeconds / 3600));
          break;
        case FormatToken::ElapsedMinutes:
          if (n < 0) out.push_back(u'-');
          AppendAscii(out, IntegerText(totalSeconds / 60));
          break;
        case FormatToken::ElapsedSeconds:
          if (n < 0) out.push_back(u'-');
          AppendAscii(out, IntegerText(totalSeconds));
          break;
        default:
          break;
      }
    }
    return out;
  }
  double a = std::fabs(n);
  for (int k = 0; k < section.percents; ++k) a *= 100;
  for (int k = 0; k < section.number.scaleThousands; ++k) a /= 1000;
  bool digits = false;
  for (const FormatToken& t : section.tokens) {
    if (t.kind == FormatToken::Literal) {
      out += t.text;
    } else if (t.kind == FormatToken::Number) {
      out += RenderDigits(a, section.number);
      digits = true;
    } else if (t.kind == FormatToken::General) {
      out += SwapSeparators16(GeneralForm16(a));
      digits = true;
    }
  }
  // A negative number under a section of its own shows the sign that section
  // has; under a shared one it gets a minus, unless it shows as zero.
  if (sign && n < 0 && digits && out.find_first_of(u"123456789") != std::u16string::npos) out.insert(out.begin(), u'-');
  return out;
}

std::u16string ValueFormat::RenderNumber(double number) const {
  const FormatSection& first = sections_.front();
  if (first.tokens.empty() && sections_.size() == 1) return SwapSeparators16(GeneralForm16(number));
  size_t count = sections_.size();
  // A fourth section is for texts; numbers use the first three.
  if (count == 4) count = 3;
  if (count == 1 || std::isnan(number)) return RenderSection(first, number, true);
  if (number < 0) return RenderSection(sections_[1], number, false);
  if (number == 0 && count >= 3) return RenderSection(sections_[2], number, false);
  return RenderSection(first, number, true);
}

std::u16string ValueFormat::Render(const Value* value) const {
  return RenderNumber(value ? value->Number() : 0);
}

const ValueFormat* FindValueFormat(FormatId id) {
  if (id < 200) return nullptr;
  return dynamic_cast<const ValueFormat*>(GetContext().GetRegisteredObject(id));
}

}  // namespace quadrell
