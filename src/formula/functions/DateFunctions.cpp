// Building, taking apart and computing with dates and times: serial numbers of
// whole days since 1 January 1900 plus the fraction of the day. Weekdays count
// from the serial: serial mod 7 is 0 on Mondays.
#include <algorithm>

#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"
#include "platform/Environment.h"
#include "value/Date.h"

namespace quadrell {
namespace {

using namespace fn;

constexpr FormatId kDate = 58;
constexpr FormatId kTimeWithSeconds = 21;
constexpr FormatId kDateAndTime = 22;
constexpr int kCommonMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Day counts far beyond any calendar are held back, so date arithmetic cannot overflow.
int64_t Days(double x) { return std::clamp<int64_t>(ToInteger(x), -1000000000000, 1000000000000); }
int64_t ArgDays(FormulaFunction& call, size_t i) { return Days(ArgNumber(call, i)); }

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

std::unique_ptr<Matrix> DateFunction(FormulaFunction& call) {
  constexpr int64_t kLimit = 10000000;
  int64_t y = std::clamp<int64_t>(ArgInteger(call, 0), -kLimit, kLimit);
  int64_t m = std::clamp<int64_t>(ArgInteger(call, 1), -kLimit, kLimit);
  int64_t d = std::clamp<int64_t>(ArgInteger(call, 2), -kLimit * 400, kLimit * 400);
  return NumberResult(static_cast<double>(DateSerial(y, m, d)), kDate);
}

std::unique_ptr<Matrix> TimeFunction(FormulaFunction& call) {
  double h = static_cast<double>(ArgInteger(call, 0));
  double m = static_cast<double>(ArgInteger(call, 1));
  double s = static_cast<double>(ArgInteger(call, 2));
  return NumberResult(TimeSerial(h, m, s), kTimeWithSeconds);
}

std::unique_ptr<Matrix> DateValue(FormulaFunction& call) { return ParsedResult(ArgText(call, 0)); }

double DayFraction(double x) { return x - std::floor(x); }

std::unique_ptr<Matrix> Hour(FormulaFunction& call) {
  return NumberResult(std::floor(DayFraction(ArgNumber(call, 0)) * 24), 0);
}

std::unique_ptr<Matrix> Minute(FormulaFunction& call) {
  double t = DayFraction(ArgNumber(call, 0)) * 24;
  return NumberResult(std::floor((t - std::floor(t)) * 60), 0);
}

std::unique_ptr<Matrix> Second(FormulaFunction& call) {
  double t = DayFraction(ArgNumber(call, 0)) * 24;
  double m = (t - std::floor(t)) * 60;
  return NumberResult(std::floor((m - std::floor(m)) * 60), 0);
}

std::unique_ptr<Matrix> Day(FormulaFunction& call) { return NumberResult(SplitDateTime(ArgNumber(call, 0)).day, 0); }
std::unique_ptr<Matrix> Month(FormulaFunction& call) {
  return NumberResult(SplitDateTime(ArgNumber(call, 0)).month, 0);
}
std::unique_ptr<Matrix> Year(FormulaFunction& call) { return NumberResult(SplitDateTime(ArgNumber(call, 0)).year, 0); }

// Sunday 1, Monday 2, ... Saturday 7.
std::unique_ptr<Matrix> Weekday(FormulaFunction& call) {
  return NumberResult(static_cast<double>(Days(ArgNumber(call, 0) + 1) % 7 + 1), 0);
}

int64_t TodaySerial(const LocalTime& now) { return DateSerial(now.year, now.month, now.day); }

std::unique_ptr<Matrix> Today(FormulaFunction&) {
  return NumberResult(static_cast<double>(TodaySerial(CurrentLocalTime())), kDate);
}

std::unique_ptr<Matrix> Now(FormulaFunction&) {
  LocalTime now = CurrentLocalTime();
  double seconds = now.hour * 3600.0 + now.minute * 60.0 + now.second;
  return NumberResult(static_cast<double>(TodaySerial(now)) + seconds / 86400.0, kDateAndTime);
}

// Year and month of a 0-based month index counted from year 0.
void MonthOfIndex(int64_t year, int64_t index, int64_t& y, int64_t& m) {
  y = year + FloorDiv(index, 12);
  m = index - 12 * FloorDiv(index, 12) + 1;
}

int64_t MonthIndex(double x) { return std::clamp<int64_t>(ToInteger(x), -1000000, 1000000); }

std::unique_ptr<Matrix> EDate(FormulaFunction& call) {
  const Value* a = ArgValue(call, 0);
  DateRecord d = SplitDateTime(NumberOf(a));
  double months = ArgNumber(call, 1);
  int64_t y, m;
  MonthOfIndex(d.year, MonthIndex(d.month + months - 1), y, m);
  int64_t day = std::min<int64_t>(d.day, kCommonMonthDays[m - 1]);
  return NumberResult(static_cast<double>(DateSerial(y, m, day)), a->Format());
}

std::unique_ptr<Matrix> EOMonth(FormulaFunction& call) {
  DateRecord d = SplitDateTime(ArgNumber(call, 0));
  double months = ArgNumber(call, 1);
  int64_t y, m;
  MonthOfIndex(d.year, MonthIndex(d.month + months) - 1, y, m);
  int last = DaysInMonth(static_cast<int>(m), static_cast<int>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)));
  return NumberResult(static_cast<double>(DateSerial(y, m, last)), kDate);
}

std::unique_ptr<Matrix> DaysFunction(FormulaFunction& call) {
  int64_t a = ArgDays(call, 0);
  return NumberResult(static_cast<double>(a - ArgDays(call, 1)), 0);
}

std::unique_ptr<Matrix> Days360(FormulaFunction& call) {
  DateRecord a = SplitDateTime(ArgNumber(call, 0));
  DateRecord b = SplitDateTime(ArgNumber(call, 1));
  int64_t y1 = a.year, m1 = a.month, d1 = a.day;
  int64_t y2 = b.year, m2 = b.month, d2 = b.day;
  if (d1 < 30 && m2 >= 1 && d2 == DaysInMonth(static_cast<int>(m2), static_cast<int>(y2))) {
    d2 = 1;
    m2 = m2 + 1;
  }
  if (d1 == 31) d1 = 30;
  if (d2 == 31) d2 = 30;
  if (m1 == 2 && d1 >= 28) d1 = 30;
  if (m2 == 2 && d2 >= 28) d2 = 30;
  return NumberResult(static_cast<double>((y2 - y1) * 360 + (m2 - m1) * 30 + (d2 - d1)), 0);
}

// Weeks start on Sunday; the week holding 1 January is week 1.
std::unique_ptr<Matrix> WeekNum(FormulaFunction& call) {
  double x = ArgNumber(call, 0);
  int64_t s = Days(x);
  DateRecord d = SplitDateTime(x);
  int64_t n = d.day;
  for (int month = 1; month < d.month; ++month) n += DaysInMonth(month, d.year);
  int64_t w = ((s - n) % 7 + 2) % 7;
  return NumberResult(static_cast<double>((n + w + 6) / 7), 0);
}

// A start on a weekend moves to the Monday and uses up one day; the rest of
// the days beyond whole weeks are added as calendar days.
std::unique_ptr<Matrix> WorkDay(FormulaFunction& call) {
  int64_t s = ArgDays(call, 0);
  int64_t k = ArgDays(call, 1);
  if (s % 7 == 5) {
    s += 2;
    --k;
  } else if (s % 7 == 6) {
    s += 1;
    --k;
  }
  int64_t q = k / 5;
  int64_t r = k - 5 * q;
  return NumberResult(static_cast<double>(s + 7 * q + r), kDate);
}

std::unique_ptr<Matrix> NetWorkDays(FormulaFunction& call) {
  int64_t s = ArgDays(call, 0);
  int64_t e = ArgDays(call, 1);
  if (s % 7 == 5) {
    s += 2;
  } else if (s % 7 == 6) {
    s += 1;
  }
  int64_t n = e - s;
  return NumberResult(static_cast<double>((n / 7) * 5 + std::min<int64_t>(5, n % 7)), 0);
}

const FunctionDefinition kFunctions[] = {
    {u"DATE", u"DATUM", "eee", DateFunction},
    {u"TIME", u"ZEIT", "eee", TimeFunction},
    {u"DATEVALUE", u"DATWERT", "e", DateValue},
    {u"TIMEVALUE", u"ZEITWERT", "e", DateValue},
    {u"HOUR", u"STUNDE", "e", Hour},
    {u"MINUTE", u"MINUTE", "e", Minute},
    {u"SECOND", u"SEKUNDE", "e", Second},
    {u"DAY", u"TAG", "e", Day},
    {u"MONTH", u"MONAT", "e", Month},
    {u"YEAR", u"JAHR", "e", Year},
    {u"EDATE", u"EDATUM", "ee", EDate},
    {u"WEEKDAY", u"WOCHENTAG", "e", Weekday},
    {u"WORKDAY", u"ARBEITSTAG", "ee", WorkDay},
    {u"DAYS360", u"TAGE360", "ee", Days360},
    {u"DAYS", u"TAGE", "ee", DaysFunction},
    {u"WEEKNUM", u"KALENDERWOCHE", "e", WeekNum},
    {u"TODAY", u"HEUTE", "", Today},
    {u"NOW", u"JETZT", "", Now},
    {u"EOMONTH", u"MONATSENDE", "ee", EOMonth},
    {u"NETWORKDAYS", u"NETTOARBEITSTAGE", "ee", NetWorkDays},
};

}  // namespace

std::span<const FunctionDefinition> DateFunctions() { return kFunctions; }

}  // namespace quadrell
