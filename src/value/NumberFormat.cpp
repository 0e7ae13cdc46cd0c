#include "value/NumberFormat.h"

#include <cmath>

#include "context/ApplicationContext.h"
#include "value/Date.h"
#include "value/NumberText.h"
#include "value/ValueFormat.h"

namespace quadrell {

std::string SwapSeparators(std::string_view t) {
  std::string out(t);
  for (char& c : out) {
    if (c == '.') {
      c = ',';
    } else if (c == ',') {
      c = '.';
    }
  }
  return out;
}

std::u16string SwapSeparators16(std::u16string_view t) {
  std::u16string out(t);
  for (char16_t& c : out) {
    if (c == u'.') {
      c = u',';
    } else if (c == u',') {
      c = u'.';
    }
  }
  return out;
}

std::string GroupThousands(std::string_view t) {
  size_t point = t.find('.');
  std::string_view integer = t.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? std::string_view() : t.substr(point + 1);
  bool negative = !integer.empty() && integer[0] == '-';
  if (negative) integer.remove_prefix(1);
  if (integer.size() <= 3) return std::string(t);
  std::string out;
  out.reserve(t.size() + integer.size() / 3 + 1);
  if (negative) out.push_back('-');
  size_t g = integer.size() % 3;
  if (g == 0) g = 3;
  out.append(integer.substr(0, g));
  for (size_t i = g; i < integer.size(); i += 3) {
    out.push_back(',');
    out.append(integer.substr(i, 3));
  }
  if (point != std::string_view::npos) {
    out.push_back('.');
    out.append(fraction);
  }
  return out;
}

void BestFractionLiteral(double f, int maxDenominator, int& numerator, int& denominator) {
  numerator = 0;
  denominator = 1;
  double best = f;
  for (int q = 2; q <= maxDenominator; ++q) {
    for (int p = 1; p <= q - 1; ++p) {
      double error = std::fabs(f - static_cast<double>(p) / q);
      if (error < best) {
        best = error;
        numerator = p;
        denominator = q;
      }
    }
  }
}

// For each denominator only the numerators next to f * q can win, and among
// equal errors the first (smaller) numerator does, as in the full search.
void BestFraction(double f, int maxDenominator, int& numerator, int& denominator) {
  numerator = 0;
  denominator = 1;
  double best = f;
  for (int q = 2; q <= maxDenominator; ++q) {
    int centre = static_cast<int>(std::floor(f * q));
    int low = centre - 1 < 1 ? 1 : centre - 1;
    int high = centre + 2 > q - 1 ? q - 1 : centre + 2;
    for (int p = low; p <= high; ++p) {
      double error = std::fabs(f - static_cast<double>(p) / q);
      if (error < best) {
        best = error;
        numerator = p;
        denominator = q;
      }
    }
  }
}

namespace {

std::u16string Widen(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  for (size_t i = 0; i < s.size(); ++i) out[i] = static_cast<unsigned char>(s[i]);
  return out;
}

std::u16string WidenSwapped(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    out[i] = c == '.' ? u',' : (c == ',' ? u'.' : static_cast<unsigned char>(c));
  }
  return out;
}

void AppendTwoDigits(std::string& out, int v) {
  if (v < 10 && v >= 0) out.push_back('0');
  out += IntegerText(v);
}

std::string Scientific(double n) {
  if (n == 0) return "0.00E+0";
  if (n < 0) return "-" + Scientific(-n);
  int e = static_cast<int>(std::floor(std::log10(n)));
  auto mantissa = [&](int exponent) {
    double m = exponent < -300 ? (n * 1e300) * std::pow(10.0, -exponent - 300) : n * std::pow(10.0, -exponent);
    return FixedForm(m, 2);
  };
  std::string m = mantissa(e);
  // Rounding can carry the mantissa to 10; show it as 1 with the next exponent.
  if (m.size() > 4) m = mantissa(++e);
  std::string out = m + "E";
  if (e >= 0) out.push_back('+');
  out += IntegerText(e);
  return out;
}

std::string Fraction(double n, int maxDenominator) {
  double w = std::floor(n);
  double f = n - w;
  int p, q;
  BestFraction(f, maxDenominator, p, q);
  std::string out;
  if (w != 0) {
    out = GeneralForm(w);
    out.push_back(' ');
  }
  out += IntegerText(p);
  out.push_back('/');
  out += IntegerText(q);
  return out;
}

std::string DateText(const DateRecord& r) {
  std::string out = IntegerText(r.day);
  out.push_back('.');
  out += IntegerText(r.month);
  out.push_back('.');
  out += IntegerText(r.year);
  return out;
}

std::string TimeText(const DateRecord& r, bool seconds) {
  std::string out = IntegerText(r.hour);
  out.push_back(':');
  AppendTwoDigits(out, r.minute);
  if (seconds) {
    out.push_back(':');
    AppendTwoDigits(out, r.second);
  }
  return out;
}

}  // namespace

bool IsDateOnlyFormat(FormatId id) { return id == kFormatShortDate || id == kFormatDate; }

bool IsDateTimeFormat(FormatId id) {
  switch (id) {
    case kFormatShortDate:
    case kFormatTime:
    case kFormatTimeSeconds:
    case kFormatDateTime:
    case kFormatDate:
      return true;
    default:
      break;
  }
  if (id < kFirstCustomFormat) return false;
  const ValueFormat* format = FindValueFormat(id);
  return format && format->HasDatePart();
}

void AppendGeneralDisplay(std::string& out, double n) {
  for (char c : GeneralForm(n)) out.push_back(c == '.' ? ',' : (c == ',' ? '.' : c));
}

std::u16string FormatNumber(double n, FormatId id) {
  switch (id) {
    case kFormatGeneral:
      return WidenSwapped(GeneralForm(n));
    case kFormatBoolean:
      return Text(n != 0 && !std::isnan(n) ? "true" : "false");
    default:
      break;
  }
  bool calendar = IsDateTimeFormat(id) && id < kFirstCustomFormat;
  if (!std::isfinite(n) && !calendar) return WidenSwapped(GeneralForm(n));
  switch (id) {
    case kFormatWhole:
      return Widen(FixedForm(n, 0));
    case kFormatTwoDecimals:
      return WidenSwapped(FixedForm(n, 2));
    case kFormatThousands:
      return WidenSwapped(GroupThousands(FixedForm(n, 0)));
    case kFormatThousandsDecimals:
      return WidenSwapped(GroupThousands(FixedForm(n, 2)));
    case kFormatPercent:
      return Widen(FixedForm(n * 100, 0) + "%");
    case kFormatPercentDecimals:
      return WidenSwapped(FixedForm(n * 100, 2) + "%");
    case kFormatScientific:
      return WidenSwapped(Scientific(n));
    case kFormatFraction:
      return Widen(Fraction(n, 9));
    case kFormatFractionTwoDigits:
      return Widen(Fraction(n, 99));
    case kFormatShortDate:
    case kFormatDate: {
      DateRecord r = SplitDateTime(n);
      if (!HasCalendarDate(r) || r.year < 1900) return {};
      return Widen(DateText(r));
    }
    case kFormatTime:
    case kFormatTimeSeconds:
    case kFormatDateTime: {
      DateRecord r = SplitDateTime(n);
      if (!HasCalendarDate(r)) return {};
      if (id == kFormatDateTime) return Widen(DateText(r) + " " + TimeText(r, false));
      return Widen(TimeText(r, id == kFormatTimeSeconds));
    }
    default:
      break;
  }
  if (const ValueFormat* format = FindValueFormat(id)) return format->RenderNumber(n);
  return WidenSwapped(GeneralForm(n));
}

}  // namespace quadrell
