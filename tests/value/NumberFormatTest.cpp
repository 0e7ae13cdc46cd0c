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

TEST(ValueFormatTest, CustomCodesRenderAsDateOrPlainNumber) {
  ValueFormat date(u"dd/mm/yyyy");
  EXPECT_TRUE(date.HasDatePart());
  EXPECT_EQ(date.RenderNumber(43860), u"1.2.2020");
  EXPECT_EQ(date.RenderNumber(-1), u"31.12.1899");
  ValueFormat plain(u"0.000");
  EXPECT_FALSE(plain.HasDatePart());
  EXPECT_EQ(plain.RenderNumber(1.5), u"1.5");
  // Quoted and escaped letters are literals, not date parts; an odd quote is closed.
  ValueFormat quoted(u"0 \"days\" \\m");
  EXPECT_FALSE(quoted.HasDatePart());
  ASSERT_EQ(quoted.Tokens().size(), 2u);
  EXPECT_EQ(quoted.Tokens()[0].text, u"days");
  ValueFormat unbalanced(u"\"abc");
  EXPECT_EQ(unbalanced.Code(), u"\"abc\"");
}

TEST(ValueFormatTest, RegisteredFormatsRenderThroughTheirId) {
  FormatId id = static_cast<FormatId>(GetContext().RegisterObject(std::make_unique<ValueFormat>(u"d.m.yy")));
  EXPECT_GE(id, 200);
  EXPECT_TRUE(IsDateTimeFormat(id));
  const Value* v = NewNumber(43860, id);
  EXPECT_EQ(v->Kind(), ValueKind::DateTime);
  EXPECT_EQ(DisplayText(v), u"1.2.2020");
  FormatId plainId = static_cast<FormatId>(GetContext().RegisterObject(std::make_unique<ValueFormat>(u"#,##0.0")));
  EXPECT_EQ(DisplayText(NewNumber(1234.5, plainId)), u"1234.5");
}

}  // namespace
}  // namespace quadrell
