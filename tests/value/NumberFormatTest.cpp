#include "value/NumberFormat.h"

#include <cmath>
#include <memory>
#include <random>

#include "TestSupport.h"
#include "context/ApplicationContext.h"
#include "value/Date.h"
#include "value/ValueFormat.h"

namespace quadrell {
namespace {

struct FormatCase {
  double number;
  FormatId id;
  const char16_t* shown;
};

TEST(NumberFormatTest, BuiltInIds) {
  LoadLanguage(u"en");
  const FormatCase cases[] = {
      {1234.56, 0, u"1234,56"},    {1234.56, 1, u"1235"},        {1234.56, 2, u"1234,56"},
      {1234.56, 3, u"1.235"},      {1234.56, 4, u"1.234,56"},    {-1234, 3, u"-1.234"},
      {999, 3, u"999"},            {1234567.891, 4, u"1.234.567,89"}, {-0.4, 1, u"0"},
      {0.1256, 9, u"13%"},         {0.1256, 10, u"12,56%"},      {0.1 + 0.2, 0, u"0,3"},
      {-0.0, 0, u"0"},             {1e-11, 0, u"0"},             {1.0 / 3, 0, u"0,3333333333"},
      {12345, 11, u"1,23E+4"},     {0.00123, 11, u"1,23E-3"},    {9.999, 11, u"1,00E+1"},
      {0, 11, u"0,00E+0"},         {-12345, 11, u"-1,23E+4"},
      {0.75, 12, u"3/4"},          {3.14159, 12, u"3 1/7"},      {3.14159, 13, u"3 14/99"},
      {0.5, 12, u"1/2"},           {1.25, 12, u"1 1/4"},         {2, 12, u"2 0/1"},
      {-1.5, 12, u"-2 1/2"},       {0.333, 12, u"1/3"},          {0.333, 13, u"1/3"},
      {43860, 58, u"1.2.2020"},    {43860, 14, u"1.2.2020"},     {-5, 14, u""},
      {43860 + TimeSerial(8, 5, 9), 21, u"8:05:09"},
      {43860 + TimeSerial(8, 5, 0), 22, u"1.2.2020 8:05"},
      {std::nan(""), 2, u"NaN"},    {INFINITY, 9, u"+Infinity"},   {std::nan(""), 58, u""},
      {1.5, 7, u"1,5"},            {1.5, 199, u"1,5"},           {1.5, 4000, u"1,5"},
      // The general form stops at 15 significant digits: no binary remainders.
      {1234567.891, 0, u"1234567,891"},  {12345678.9012345, 0, u"12345678,9012345"},
      {1234567.891 + 1e-10, 0, u"1234567,891"}, {-98765.4321 * 3, 0, u"-296296,2963"},
      {123456789012345678.0, 0, u"123456789012346000"}, {1e20, 0, u"100000000000000000000"},
      {10000, 0, u"10000"},        {99999.99999999999, 0, u"100000"},
      // Times to the second, with the carry of the last half second.
      {TimeSerial(13, 5, 0), 21, u"13:05:00"}, {TimeSerial(8, 5, 0), 20, u"8:05"},
      {TimeSerial(23, 59, 59), 21, u"23:59:59"}, {TimeSerial(12, 30, 15), 21, u"12:30:15"},
      {43860 + TimeSerial(23, 59, 59.8), 22, u"2.2.2020 0:00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatNumber(c.number, c.id), std::u16string(c.shown)) << c.number << " id " << c.id;
  }
}

TEST(NumberFormatTest, DateAndTimeNumbersPoolAsDateTimes) {
  const Value* date = NewNumber(43860, 58);
  EXPECT_EQ(date->Kind(), ValueKind::DateTime);
  EXPECT_EQ(date->Text(), u"1.2.2020");
  const Value* time = NewNumber(TimeSerial(8, 5, 0), 20);
  EXPECT_EQ(time->Kind(), ValueKind::DateTime);
  EXPECT_EQ(DisplayText(time), u"8:05");
  // Before 1900 a date shows nothing and the record stays a number.
  const Value* early = NewNumber(-5, 14);
  EXPECT_EQ(early->Kind(), ValueKind::Number);
  EXPECT_EQ(DisplayText(early), u"");
}

TEST(NumberFormatTest, GroupingAndSwapping) {
  EXPECT_EQ(GroupThousands("1234567.89"), "1,234,567.89");
  EXPECT_EQ(GroupThousands("-123456"), "-123,456");
  EXPECT_EQ(GroupThousands("123.5"), "123.5");
  EXPECT_EQ(GroupThousands("1000"), "1,000");
  EXPECT_EQ(SwapSeparators("1,234.5"), "1.234,5");
}

TEST(NumberFormatTest, FastFractionSearchMatchesTheFullSearch) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<double> samples;
  for (int i = 0; i < 3000; ++i) samples.push_back(unit(random));
  for (int q = 2; q < 100; ++q) {
    for (int p = 0; p < q; ++p) {
      samples.push_back(static_cast<double>(p) / q);
      samples.push_back((p + 0.5) / q);
    }
  }
  for (double f : samples) {
    for (int d : {9, 99}) {
      int p1, q1, p2, q2;
      BestFractionLiteral(f, d, p1, q1);
      BestFraction(f, d, p2, q2);
      ASSERT_EQ(p1, p2) << f << " / " << d;
      ASSERT_EQ(q1, q2) << f << " / " << d;
    }
  }
}

TEST(ValueFormatTest, CustomCodesRenderByTheirTokens) {
  const double feb1 = 43860;  // 1.2.2020, a Saturday
  struct Case {
    const char16_t* code;
    double number;
    const char16_t* shown;
  } cases[] = {
      {u"General", 1234567.891, u"1234567,891"},
      {u"General", -0.5, u"-0,5"},
      {u"0", 2.6, u"3"},
      {u"0.00", 1.5, u"1,50"},
      {u"0.00", -1.005, u"-1,00"},
      {u"0.000", 1.5, u"1,500"},
      {u"#,##0", 1234567.4, u"1.234.567"},
      {u"#,##0.00", -1234.5, u"-1.234,50"},
      {u"#,##0.00", 0, u"0,00"},
      {u"#.##", 0.5, u",5"},
      {u"0.0#", 2, u"2,0"},
      {u"0.0#", 2.126, u"2,13"},
      {u"000", 7, u"007"},
      {u"#,##0,", 1234567, u"1.235"},  // a trailing comma divides by 1000
      {u"0%", 0.25, u"25%"},
      {u"0.00%", 0.1234, u"12,34%"},
      {u"0.00E+00", 12345, u"1,23E+04"},
      {u"0.00E+00", 0.000123, u"1,23E-04"},
      {u"0.00E+00", 99999, u"1,00E+05"},
      {u"0.0E+0", 0, u"0,0E+0"},
      {u"0 \"days\"", 3, u"3 days"},
      {u"\\m 0", 3, u"m 3"},
      {u"#,##0.00 €", 1234.5, u"1.234,50 €"},
      {u"[$€-407] #,##0.00", 12, u"€ 12,00"},
      {u"$0.00", 12, u"$12,00"},
      {u"0.00_);(0.00)", -12, u"(12,00)"},
      {u"0.00_);(0.00)", 12, u"12,00 "},
      {u"[Red]0.00;[Blue]-0.00", -2, u"-2,00"},
      {u"0;-0;\"zero\"", 0, u"zero"},
      {u"0;-0;\"zero\";@", 5, u"5"},
      {u"0.00;0.00", -3, u"3,00"},  // the second section shows no minus of its own
      // Dates and times, case-insensitive, in the house order and time style.
      {u"dd/mm/yyyy", feb1, u"1.2.2020"},
      {u"DD.MM.YYYY", feb1, u"1.2.2020"},
      {u"yyyy-mm-dd", feb1, u"1.2.2020"},
      {u"m/d/yy", -1, u"31.12.1899"},
      {u"yyyy-mm-dd hh:mm", feb1 + 0.75, u"1.2.2020 18:00"},
      {u"YYYY-MM-DD HH:MM:SS", feb1 + 0.5 + 15.0 / 86400, u"1.2.2020 12:00:15"},
      {u"h:mm", 8.0 / 24 + 5.0 / 1440, u"8:05"},
      {u"HH:MM:SS", 13.0 / 24 + 5.0 / 1440, u"13:05:00"},
      {u"hh:mm:ss", 23.0 / 24 + 59.0 / 1440 + 59.0 / 86400, u"23:59:59"},
      {u"mm:ss", 5.0 / 1440 + 7.0 / 86400, u"05:07"},
      {u"h:mm AM/PM", 13.0 / 24 + 5.0 / 1440, u"1:05 PM"},
      {u"h:mm am/pm", 0.25, u"6:00 am"},
      {u"h:mm A/P", 0, u"12:00 A"},
      {u"[h]:mm:ss", 1.25 + 30.0 / 86400, u"30:00:30"},
      {u"[mm]:ss", 1.0 / 24, u"60:00"},
      {u"d mmm yyyy", feb1, u"1 Feb 2020"},
      {u"dddd, mmmm d", feb1, u"Saturday, February 1"},
      {u"ddd dd.mm.", feb1 + 2, u"Mon 03.02."},
      {u"mmmmm yy", feb1, u"F 20"},
      {u"[$-407]DD.MM.YYYY", feb1, u"1.2.2020"},
      {u"[Red]0.00", 1, u"1,00"},  // a colour's letters are no date
  };
  for (const Case& c : cases) {
    ValueFormat format(c.code);
    EXPECT_EQ(format.RenderNumber(c.number), c.shown) << std::string(c.code, c.code + std::char_traits<char16_t>::length(c.code));
  }
  // What counts as a date or a pure time at the file boundary.
  EXPECT_TRUE(ValueFormat(u"DD.MM.YYYY").HasDatePart());
  EXPECT_FALSE(ValueFormat(u"DD.MM.YYYY").IsTimeOnly());
  EXPECT_TRUE(ValueFormat(u"HH:MM:SS").IsTimeOnly());
  EXPECT_TRUE(ValueFormat(u"[h]:mm").IsTimeOnly());
  for (const char16_t* plain : {u"0.000", u"[Red]0.00", u"0 \"days\" \\m", u"General", u"#,##0 \"d\""})
    EXPECT_FALSE(ValueFormat(plain).HasDatePart());
  ValueFormat unbalanced(u"\"abc");
  EXPECT_EQ(unbalanced.Code(), u"\"abc\"");
  EXPECT_EQ(unbalanced.RenderNumber(1), u"abc");
}

TEST(ValueFormatTest, RegisteredFormatsRenderThroughTheirId) {
  FormatId id = static_cast<FormatId>(GetContext().RegisterObject(std::make_unique<ValueFormat>(u"d.m.yy")));
  EXPECT_GE(id, 200);
  EXPECT_TRUE(IsDateTimeFormat(id));
  const Value* v = NewNumber(43860, id);
  EXPECT_EQ(v->Kind(), ValueKind::DateTime);
  EXPECT_EQ(DisplayText(v), u"1.2.2020");
  FormatId plainId = static_cast<FormatId>(GetContext().RegisterObject(std::make_unique<ValueFormat>(u"#,##0.0")));
  EXPECT_EQ(DisplayText(NewNumber(1234.5, plainId)), u"1.234,5");
}

}  // namespace
}  // namespace quadrell
