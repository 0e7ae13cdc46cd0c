#include "value/Value.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "value/NumberText.h"

#include "TestSupport.h"
#include "context/ApplicationContext.h"
#include "platform/Environment.h"
#include "value/Date.h"

namespace quadrell {
namespace {

struct InputCase {
  const char16_t* input;
  ValueKind kind;
  double number;
  FormatId format;
  const char16_t* shown;
};

TEST(ParseInputTest, RecognisesWhatUsersType) {
  LoadLanguage(u"en");
  const InputCase cases[] = {
      {u"5", ValueKind::Number, 5, 0, u"5"},
      {u"-5", ValueKind::Number, -5, 0, u"-5"},
      {u".5", ValueKind::Number, 0.5, 0, u"0,5"},
      {u"5.", ValueKind::Number, 5, 0, u"5"},
      {u" 1.5 ", ValueKind::Number, 1.5, 0, u"1,5"},
      {u"1,5", ValueKind::Number, 1.5, 0, u"1,5"},
      {u"1.234,5", ValueKind::Text, 0, 0, u"1.234,5"},
      {u"+5", ValueKind::Text, 0, 0, u"+5"},
      {u"1e5", ValueKind::Text, 0, 0, u"1e5"},
      {u"-", ValueKind::Text, 0, 0, u"-"},
      {u"50%", ValueKind::Number, 0.5, 9, u"50%"},
      {u"12,5%", ValueKind::Number, 0.125, 10, u"12,50%"},
      {u"1.2.2020", ValueKind::DateTime, 43860, 58, u"1.2.2020"},
      {u"1.2.20", ValueKind::DateTime, 43860, 58, u"1.2.2020"},
      {u"31.2.2020", ValueKind::DateTime, 43890, 58, u"2.3.2020"},
      {u"01.02.2020", ValueKind::Text, 0, 0, u"01.02.2020"},
      {u"1.2.0020", ValueKind::Text, 0, 0, u"1.2.0020"},
      {u"1.13.2020", ValueKind::Text, 0, 0, u"1.13.2020"},
      {u"1.2.99999", ValueKind::Text, 0, 0, u"1.2.99999"},
      {u"8:05", ValueKind::DateTime, TimeSerial(8, 5, 0), 20, u"8:05"},
      {u"23:59", ValueKind::DateTime, TimeSerial(23, 59, 0), 20, u"23:59"},
      {u"24:00", ValueKind::Text, 0, 0, u"24:00"},
      {u"8:5:0", ValueKind::Text, 0, 0, u"8:5:0"},
      {u"a:b", ValueKind::Text, 0, 0, u"a:b"},
      {u"TRUE", ValueKind::Text, 0, 0, u"TRUE"},
      {u"WAHR", ValueKind::Text, 0, 0, u"WAHR"},
      {u"ftp://x", ValueKind::Text, 0, 0, u"ftp://x"},
      {u"", ValueKind::Text, 0, 0, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::u16string(c.input).size());
    const Value* v = ParseInput(c.input);
    EXPECT_EQ(v->Kind(), c.kind) << "input index " << (&c - cases);
    EXPECT_DOUBLE_EQ(v->Number(), c.number) << "input index " << (&c - cases);
    EXPECT_EQ(v->Format(), c.format) << "input index " << (&c - cases);
    EXPECT_EQ(DisplayText(v), std::u16string(c.shown)) << "input index " << (&c - cases);
  }
}

TEST(ParseInputTest, TypedNumbersKeepTheirTypedText) {
  EXPECT_EQ(ParseInput(u"5.")->Text(), u"5.");
  EXPECT_EQ(ParseInput(u"1,5")->Text(), u"1.5");
  EXPECT_EQ(ParseInput(u"50%")->Text(), u"50%");
}

TEST(ParseInputTest, EveryTypedNumberReadsBackItsTypedText) {
  // Texts in their general form are given back from the number; others are kept.
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> magnitude(-7, 7);
  std::uniform_int_distribution<int> decimals(0, 12);
  for (int i = 0; i < 20000; ++i) {
    double x = std::pow(10.0, magnitude(random)) * (i % 2 ? -1 : 1);
    std::string t = FixedForm(x, decimals(random));
    std::u16string typed(t.begin(), t.end());
    EXPECT_EQ(ParseInput(typed)->Text(), typed);
  }
  for (const char16_t* typed : {u"0", u"-0", u"0.5", u"-0.5", u"007", u"1.50", u"123456789012345", u"0.0000000001",
                                u"0.00000000001", u"449999.9999999999", u"450000.5", u"9007199254740993"}) {
    EXPECT_EQ(ParseInput(typed)->Text(), std::u16string(typed));
  }
}

TEST(ReadDecimalTest, ReadsEveryDecimalTextAsTheNearestDouble) {
  std::mt19937_64 random(11);
  std::uniform_int_distribution<int> length(1, 20), point(0, 21), digit(0, 9);
  for (int i = 0; i < 50000; ++i) {
    std::string t;
    int n = length(random), at = point(random);
    for (int k = 0; k < n; ++k) {
      if (k == at) t += '.';
      t += static_cast<char>('0' + digit(random));
    }
    if (i % 3 == 0) t = "-" + t;
    EXPECT_EQ(ReadDecimal(t), std::strtod(t.c_str(), nullptr)) << t;
  }
  for (const char* t : {"  12.5", "0.1", "1e3", "1e", "2.5E-3", "123456789012345.6", "0.30000000000000004"})
    EXPECT_EQ(ReadDecimal(std::string(t)), std::strtod(t, nullptr)) << t;
}

TEST(ParseInputTest, DateWithoutYearTakesTheCurrentYear) {
  const Value* v = ParseInput(u"1.2.");
  ASSERT_EQ(v->Kind(), ValueKind::DateTime);
  DateRecord r = SplitDateTime(v->Number());
  EXPECT_EQ(r.year, CurrentLocalTime().year);
  EXPECT_EQ(r.month, 2);
  EXPECT_EQ(r.day, 1);
}

TEST(ParseInputTest, HyperlinksShowAndTargetTheTypedText) {
  const Value* v = ParseInput(u"https://x");
  EXPECT_EQ(v->Kind(), ValueKind::Hyperlink);
  EXPECT_EQ(v->Text(), u"https://x");
  EXPECT_EQ(v->Link(), u"https://x");
  EXPECT_EQ(ParseInput(u"http://example.org/a")->Kind(), ValueKind::Hyperlink);
}

TEST(ValuePoolTest, EqualContentSharesOneRecord) {
  EXPECT_EQ(ParseInput(u"42"), ParseInput(u"42"));
  EXPECT_EQ(NewNumber(1.25), NewNumber(1.25));
  EXPECT_NE(NewNumber(1.25), NewNumber(1.25, 2));
  EXPECT_NE(NewNumber(0.0), NewNumber(-0.0));
  EXPECT_EQ(NewText(u"abc"), NewText(u"abc"));
  EXPECT_NE(NewText(u"abc"), NewError(u"abc"));
  EXPECT_NE(NewHyperlink(u"a", u"b"), NewHyperlink(u"a", u"c"));
  EXPECT_NE(EmptyValue(), NewText(u""));
  EXPECT_EQ(EmptyValue()->Kind(), ValueKind::Empty);
  EXPECT_EQ(BooleanValue(true), NewNumber(1, -1));
  EXPECT_EQ(BooleanValue(false)->Text(), u"0");

  ValueRecord copy = CopyValue(NewNumber(3.5));
  copy.formatId = 2;
  EXPECT_EQ(Intern(copy), NewNumber(3.5, 2));
}

TEST(ValuePoolTest, NumbersPooledWithoutTextReadTheirGeneralForm) {
  ValueRecord bare;
  bare.kind = ValueKind::Number;
  bare.number = -1234.5;
  const Value* v = Intern(bare);
  EXPECT_EQ(Intern(bare), v);  // found again, not pooled twice
  EXPECT_EQ(v->Text(), u"-1234.5");
  EXPECT_EQ(DisplayText(v), u"-1234,5");
  EXPECT_EQ(CopyValue(v).text, u"-1234.5");
}

TEST(ValuePoolTest, NumbersOutsideIntegerRangeAndNaNPoolSafely) {
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(), 1e300, -1e300, 9.3e18,
                        std::numeric_limits<double>::denorm_min()};
  for (double x : odd) {
    const Value* v = NewNumber(x);
    EXPECT_EQ(v->Kind(), ValueKind::Number);
    EXPECT_EQ(NewNumber(x), v) << x;
  }
  EXPECT_EQ(DisplayText(NewNumber(std::numeric_limits<double>::quiet_NaN())), u"NaN");
  EXPECT_EQ(DisplayText(NewNumber(-std::numeric_limits<double>::infinity())), u"-Infinity");
  EXPECT_EQ(NewNumber(std::numeric_limits<double>::infinity())->Text(), u"+Infinity");
}

TEST(ValuePoolTest, ManyDistinctValuesStayFindable) {
  std::vector<const Value*> made;
  for (int i = 0; i < 20000; ++i) made.push_back(NewText(u"item " + std::u16string(1, char16_t(u'a' + i % 26)) +
                                                       std::u16string(i / 26 + 1, u'x')));
  for (int i = 0; i < 20000; ++i) {
    EXPECT_EQ(NewText(made[i]->Text()), made[i]);
  }
}

TEST(ValuesEqualTest, ComparesTextsExactlyAndEverythingElseByNumber) {
  EXPECT_TRUE(ValuesEqual(NewText(u"abc"), NewText(u"abc")));
  EXPECT_FALSE(ValuesEqual(NewText(u"abc"), NewText(u"ABC")));
  EXPECT_TRUE(ValuesEqual(NewText(u"abc"), NewNumber(0)));
  EXPECT_TRUE(ValuesEqual(EmptyValue(), NewNumber(0)));
  EXPECT_TRUE(ValuesEqual(NewText(u"abc"), EmptyValue()));
  EXPECT_TRUE(ValuesEqual(NewNumber(1), BooleanValue(true)));
  EXPECT_TRUE(ValuesEqual(ParseInput(u"1.2.2020"), NewNumber(43860)));
  EXPECT_FALSE(ValuesEqual(NewNumber(1), NewNumber(2)));
  const Value* nan = NewNumber(std::nan(""));
  EXPECT_FALSE(ValuesEqual(nan, nan));
}

TEST(ParseLiteralTest, QuotedTextsAndTypedValues) {
  EXPECT_EQ(ParseLiteral(u"\"abc\""), NewText(u"abc"));
  EXPECT_EQ(ParseLiteral(u"\""), NewText(u""));
  EXPECT_EQ(ParseLiteral(u"\"\""), NewText(u""));
  EXPECT_EQ(ParseLiteral(u"12")->Number(), 12);
  EXPECT_EQ(ParseLiteral(u"1.2.2020")->Kind(), ValueKind::DateTime);
}

TEST(ComplexTest, ParseAndFormat) {
  struct Case {
    const char16_t* text;
    double re, im;
  };
  const Case parse[] = {{u"3+4i", 3, 4},  {u"1-2i", 1, -2}, {u"-1-2i", -1, -2}, {u"i", 0, 1},
                        {u"-i", 0, -1},   {u"2,5", 2.5, 0}, {u"4i", 0, 4},      {u"-4i", 0, -4},
                        {u"abc", 0, 0},   {u"", 0, 0}};
  for (const auto& c : parse) {
    Complex z = ParseComplex(c.text);
    EXPECT_DOUBLE_EQ(z.real, c.re) << std::u16string(c.text).size();
    EXPECT_DOUBLE_EQ(z.imaginary, c.im);
  }
  struct Out {
    double re, im;
    const char16_t* text;
  };
  const Out format[] = {{3, 4, u"3+4i"},    {0, 1, u"i"},   {0, -1, u"-i"}, {2, -3, u"2-3i"},
                        {0, 2.5, u"2.5i"},  {0, 0, u"0"},   {2, 1, u"2+i"}, {2, -1, u"2-i"},
                        {-1.5, 0, u"-1.5"}, {0, -2, u"-2i"}};
  for (const auto& c : format) EXPECT_EQ(FormatComplex(c.re, c.im), std::u16string(c.text));
}

TEST(DisplayTextTest, NullAndNonNumbers) {
  EXPECT_EQ(DisplayText(nullptr), u"");
  EXPECT_EQ(DisplayText(NewError(u"Cycle Found")), u"Cycle Found");
  EXPECT_EQ(DisplayText(NewHyperlink(u"shown", u"target")), u"shown");
}

TEST(DisplayTextTest, BooleansFollowTheLanguage) {
  LoadLanguage(u"de");
  EXPECT_EQ(DisplayText(BooleanValue(true)), u"WAHR");
  EXPECT_EQ(DisplayText(BooleanValue(false)), u"FALSCH");
  EXPECT_EQ(DisplayText(NewNumber(std::nan(""), -1)), u"FALSCH");
  LoadLanguage(u"en");
  EXPECT_EQ(DisplayText(BooleanValue(true)), u"TRUE");
  EXPECT_EQ(DisplayText(NewNumber(-3, -1)), u"TRUE");
}

}  // namespace
}  // namespace quadrell
