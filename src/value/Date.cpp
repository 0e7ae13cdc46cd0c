#include "value/Date.h"

#include <cmath>

namespace quadrell {
namespace {

constexpr int kDaysPerMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int64_t kDaysPer400Years = 146097;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days from 1 January 1970 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * kDaysPer400Years + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  int64_t era = FloorDiv(z, kDaysPer400Years);
  int64_t doe = z - era * kDaysPer400Years;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

const int64_t kDays1900 = DaysFromCivil(1900, 1, 1);

}  // namespace

int64_t DateSerial(int64_t year, int64_t month, int64_t day) {
  int64_t carry = FloorDiv(month - 1, 12);
  year += carry;
  month -= carry * 12;
  return DaysFromCivil(year, month, 1) + day - 1 - kDays1900;
}

double TimeSerial(double hour, double minute, double second) { return (hour * 3600 + minute * 60 + second) / 86400; }

int DaysInMonth(int month, int year) {
  if (month == 0) {
    month = 12;
    year -= 1;
  }
  if (month < 1 || month > 12) return 31;
  if (month == 2) return (year % 4 == 0 && !(year % 100 == 0 && year % 400 != 0)) ? 29 : 28;
  return kDaysPerMonth[month - 1];
}

bool IsValidDate(const DateRecord& r) { return r.month >= 1 && r.month <= 12 && r.day >= 1 && r.day <= 31; }

bool IsValidTime(const DateRecord& r) {
  return r.hour >= 0 && r.hour <= 23 && r.minute >= 0 && r.minute <= 59 && r.second >= 0 && r.second <= 59;
}

void NextMonth(DateRecord& r) {
  if (r.month >= 12) {
    r.month = 1;
    r.year = static_cast<int16_t>(r.year + 1);
  } else {
    r.month = static_cast<int16_t>(r.month + 1);
  }
}

void PreviousMonth(DateRecord& r) {
  if (r.month <= 1) {
    r.month = 12;
    r.year = static_cast<int16_t>(r.year - 1);
  } else {
    r.month = static_cast<int16_t>(r.month - 1);
  }
}

DateRecord AddDays(const DateRecord& record, double days) {
  DateRecord r = record;
  if (!std::isfinite(days) || std::fabs(days) > 1e12) return DateRecord{};
  int64_t d = static_cast<int64_t>(std::floor(days));
  // Every 4800 month steps cover exactly 400 calendar years, whatever the day
  // number, so whole cycles can be taken at once.
  int64_t cycles = d / kDaysPer400Years;
  int64_t year = r.year + cycles * 400;
  d -= cycles * kDaysPer400Years;
  if (year < INT16_MIN || year > INT16_MAX) return DateRecord{};
  r.year = static_cast<int16_t>(year);
  while (d > 0) {
    int n = DaysInMonth(r.month, r.year);
    if (d < n) {
      r.day = static_cast<int16_t>(r.day + d);
      if (r.day > n) {
        r.day = static_cast<int16_t>(r.day - n);
        NextMonth(r);
      }
      d = 0;
    } else {
      NextMonth(r);
      d -= n;
    }
  }
  while (d < 0) {
    int n = DaysInMonth(r.month - 1, r.year);
    if (-n < d) {
      r.day = static_cast<int16_t>(r.day + d);
      if (r.day < 1) {
        r.day = static_cast<int16_t>(r.day + n);
        PreviousMonth(r);
      }
      d = 0;
    } else {
      PreviousMonth(r);
      d += n;
    }
  }
  return r;
}

DateRecord SplitDateTime(double x) {
  if (!std::isfinite(x) || std::fabs(x) > 1e9) return DateRecord{};
  double whole = std::floor(x);
  // The time of day to the nearest second; a day's last half second carries
  // into the next day, so 23:59:59.6 is midnight and not 23:59:60.
  int64_t seconds = std::llround((x - whole) * 86400);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += 1;
  }
  int64_t y, m, d;
  CivilFromDays(kDays1900 + static_cast<int64_t>(whole), y, m, d);
  if (y < INT16_MIN || y > INT16_MAX) return DateRecord{};
  DateRecord r;
  r.year = static_cast<int16_t>(y);
  r.month = static_cast<int16_t>(m);
  r.day = static_cast<int16_t>(d);
  r.hour = static_cast<int16_t>(seconds / 3600);
  r.minute = static_cast<int16_t>(seconds / 60 % 60);
  r.second = static_cast<int16_t>(seconds % 60);
  return r;
}

}  // namespace quadrell
