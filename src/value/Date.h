#pragma once
// Calendar arithmetic behind date and time serials: whole days since
// 1 January 1900 (serial 0) plus the fraction of the day.
#include <cstdint>

namespace quadrell {

struct DateRecord {
  int16_t year = 0;
  int16_t month = 0;
  int16_t unused = 0;
  int16_t day = 0;
  int16_t hour = 0;
  int16_t minute = 0;
  int16_t second = 0;
  int16_t millisecond = 0;
};

// Days from 1 January 1900 in the Gregorian calendar. Months outside 1..12 carry
// into the year, days beyond the month into the next ones.
int64_t DateSerial(int64_t year, int64_t month, int64_t day);
// The exact fraction of a day.
double TimeSerial(double hour, double minute, double second);
// Month 0 stands for December of the previous year.
int DaysInMonth(int month, int year);
bool IsValidDate(const DateRecord& record);
bool IsValidTime(const DateRecord& record);
void NextMonth(DateRecord& record);
void PreviousMonth(DateRecord& record);
// Moves the record month by month, keeping its day number (exact from the first of a month).
DateRecord AddDays(const DateRecord& record, double days);
// The calendar date and time of day of a serial. A serial beyond any calendar
// (not finite, beyond 1e9 days, or a year outside 16 bits) gives a record with
// year, month and day 0, which renders as the empty date text.
DateRecord SplitDateTime(double serial);

// True when the record holds a real calendar date (what SplitDateTime gives for a serial it can place).
inline bool HasCalendarDate(const DateRecord& r) { return r.month != 0; }

}  // namespace quadrell
