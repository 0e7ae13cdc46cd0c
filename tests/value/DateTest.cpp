#include "value/Date.h"

#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace quadrell {
namespace {

// The month-by-month walk from 1 January 1900, step for step, as a reference.
DateRecord WalkFrom1900(int64_t days) {
  int year = 1900, month = 1, day = 1;
  auto next = [&] { month == 12 ? (month = 1, ++year) : ++month; };
  auto previous = [&] { month == 1 ? (month = 12, --year) : --month; };
  int64_t d = days;
  while (d > 0) {
    int n = DaysInMonth(month, year);
    if (d < n) {
      day += static_cast<int>(d);
      if (day > n) {
        day -= n;
        next();
      }
      d = 0;
    } else {
      next();
      d -= n;
    }
  }
  while (d < 0) {
    int n = DaysInMonth(month - 1, year);
    if (-n < d) {
      day += static_cast<int>(d);
      if (day < 1) {
        day += n;
        previous();
      }
      d = 0;
    } else {
      previous();
      d += n;
    }
  }
  DateRecord r;
  r.year = static_cast<int16_t>(year);
  r.month = static_cast<int16_t>(month);
  r.day = static_cast<int16_t>(day);
  return r;
}

void ExpectSameDate(const DateRecord& a, const DateRecord& b, double serial) {
  EXPECT_EQ(a.year, b.year) << serial;
  EXPECT_EQ(a.month, b.month) << serial;
  EXPECT_EQ(a.day, b.day) << serial;
}

TEST(DateTest, SerialsOfKnownDays) {
  EXPECT_EQ(DateSerial(1900, 1, 1), 0);
  EXPECT_EQ(DateSerial(2000, 1, 1), 36524);
  EXPECT_EQ(DateSerial(2000, 3, 1), 36584);
  EXPECT_EQ(DateSerial(2020, 1, 1), 43829);
  EXPECT_EQ(DateSerial(2020, 2, 1), 43860);
  EXPECT_EQ(DateSerial(2020, 2, 31), DateSerial(2020, 3, 2));
  // Months beyond the year carry into it.
  EXPECT_EQ(DateSerial(2020, 13, 1), DateSerial(2021, 1, 1));
  EXPECT_EQ(DateSerial(2020, 0, 1), DateSerial(2019, 12, 1));
}

TEST(DateTest, SplitGivesCalendarDateAndTime) {
  DateRecord r = SplitDateTime(36584);
  EXPECT_EQ(r.day, 1);
  EXPECT_EQ(r.month, 3);
  EXPECT_EQ(r.year, 2000);
  r = SplitDateTime(-1);
  EXPECT_EQ(r.day, 31);
  EXPECT_EQ(r.month, 12);
  EXPECT_EQ(r.year, 1899);
  r = SplitDateTime(TimeSerial(8, 5, 0));
  EXPECT_EQ(r.hour, 8);
  EXPECT_EQ(r.minute, 5);
  EXPECT_EQ(r.second, 0);
  r = SplitDateTime(43860.75);
  EXPECT_EQ(r.hour, 18);
  EXPECT_EQ(r.minute, 0);
  // 2100 is no leap year: its dates are the calendar's own.
  for (int month : {1, 2, 3, 12}) {
    r = SplitDateTime(static_cast<double>(DateSerial(2100, month, 1)));
    EXPECT_EQ(r.year, 2100) << month;
    EXPECT_EQ(r.month, month);
    EXPECT_EQ(r.day, 1) << month;
  }
  EXPECT_EQ(DateSerial(2100, 3, 1) - DateSerial(2100, 2, 28), 1);
  EXPECT_EQ(DateSerial(2100, 2, 28), 73107);
}

TEST(DateTest, TimeSerialsAreExactAndSplitToTheNearestSecond) {
  EXPECT_EQ(TimeSerial(8, 5, 0), (8 * 60 + 5) / 1440.0);
  EXPECT_EQ(TimeSerial(12, 0, 0), 0.5);
  struct Case {
    double serial;
    int day, hour, minute, second;
  } cases[] = {
      {TimeSerial(23, 59, 59), 1, 23, 59, 59},
      {TimeSerial(12, 30, 15), 1, 12, 30, 15},
      {TimeSerial(13, 5, 0), 1, 13, 5, 0},
      {TimeSerial(8, 5, 0), 1, 8, 5, 0},
      {TimeSerial(8, 4, 59.6), 1, 8, 5, 0},        // carries into the minute
      {TimeSerial(9, 59, 59.5), 1, 10, 0, 0},      // and the hour
      {TimeSerial(23, 59, 59.7), 2, 0, 0, 0},      // and the day
      {TimeSerial(6, 0, 0.4), 1, 6, 0, 0},
      {43860 + TimeSerial(18, 0, 0), 1, 18, 0, 0},  // 1.2.2020 18:00
  };
  for (const Case& c : cases) {
    DateRecord r = SplitDateTime(c.serial);
    EXPECT_EQ(r.day, c.day) << c.serial;
    EXPECT_EQ(r.hour, c.hour) << c.serial;
    EXPECT_EQ(r.minute, c.minute) << c.serial;
    EXPECT_EQ(r.second, c.second) << c.serial;
  }
}

TEST(DateTest, MonthLengths) {
  EXPECT_EQ(DaysInMonth(2, 1900), 28);
  EXPECT_EQ(DaysInMonth(2, 2000), 29);
  EXPECT_EQ(DaysInMonth(2, 2024), 29);
  EXPECT_EQ(DaysInMonth(0, 2021), 31);
  EXPECT_EQ(DaysInMonth(4, 2021), 30);
}

TEST(DateTest, ConstantTimeSplitMatchesTheWalk) {
  for (int64_t d = -60000; d <= 120000; d += 7) ExpectSameDate(SplitDateTime(static_cast<double>(d)), WalkFrom1900(d), d);
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int64_t> wide(-12000000, 11000000);
  for (int i = 0; i < 150; ++i) {
    int64_t d = wide(random);
    DateRecord walked = WalkFrom1900(d);
    DateRecord split = SplitDateTime(static_cast<double>(d) + 0.25);
    if (walked.year != split.year) {
      EXPECT_EQ(split.month, 0) << d;  // beyond 16-bit years: no calendar date
    } else {
      ExpectSameDate(split, walked, d);
    }
  }
}

TEST(DateTest, AddDaysMatchesTheWalkFromAnyDay) {
  DateRecord start;
  start.year = 2019;
  start.month = 1;
  start.day = 31;
  // Adding whole 400-year cycles at once must give what the walk gives.
  DateRecord r = AddDays(start, 146097 * 3 + 45);
  DateRecord walked = start;
  walked.year = static_cast<int16_t>(2019 + 1200);
  walked = AddDays(walked, 45);
  ExpectSameDate(r, walked, 0);
  EXPECT_EQ(AddDays(start, 31).month, 2);  // the walk keeps the day number: 31 February
  EXPECT_EQ(AddDays(start, 31).day, 31);
}

TEST(DateTest, SerialsBeyondAnyCalendarHaveNoDate) {
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(), 1e15, -2e9, 1e308};
  for (double x : odd) EXPECT_FALSE(HasCalendarDate(SplitDateTime(x))) << x;
}

TEST(DateTest, Validity) {
  DateRecord r;
  r.month = 12;
  r.day = 31;
  EXPECT_TRUE(IsValidDate(r));
  r.month = 13;
  EXPECT_FALSE(IsValidDate(r));
  r.hour = 23;
  r.minute = 59;
  r.second = 59;
  EXPECT_TRUE(IsValidTime(r));
  r.hour = 24;
  EXPECT_FALSE(IsValidTime(r));
}

}  // namespace
}  // namespace quadrell
