#include <string>
#include <vector>

#include "formula/FormulaTestSupport.h"
#include "value/Date.h"
#include "platform/Environment.h"

namespace quadrell {
namespace {

using test::Narrow;

struct Case {
  const char16_t* formula;
  const char16_t* shown;
};

class FunctionsTest : public test::FormulaFixture {
 protected:
  void Check(const std::vector<Case>& cases, std::u16string_view language = u"en") {
    for (const Case& c : cases) EXPECT_EQ(Show(c.formula, language), c.shown) << Narrow(c.formula);
  }
  // The shown texts of a block, rows joined by "|" and cells by " ".
  std::u16string BlockText(int32_t row, int32_t column, int32_t rows, int32_t columns) {
    std::u16string out;
    for (int32_t r = 0; r < rows; ++r) {
      if (r > 0) out += u'|';
      for (int32_t c = 0; c < columns; ++c) {
        if (c > 0) out += u' ';
        out += TextAt(row + r, column + c);
      }
    }
    return out;
  }
};

TEST_F(FunctionsTest, Operators) {
  Type(1, 0, u"1.2.2020");
  Type(1, 1, u"3");
  Check({
      {u"=ADD(1,2)", u"3"},          {u"=ADD(A1,1)", u"2.2.2020"},     {u"=UNARY_PERCENT(50)", u"50%"},
      {u"=GT(2,1)", u"TRUE"},        {u"=EQ(\"a\",\"b\")", u"TRUE"},   {u"=NE(1,1)", u"FALSE"},
      {u"=LT(1,2)", u"TRUE"},        {u"=LTE(2,2)", u"TRUE"},          {u"=GTE(1,2)", u"FALSE"},
      {u"=POW(2,10)", u"1024"},      {u"=CONCAT(\"a\",1.5)", u"a1.5"}, {u"=DIVIDE(1,0)", u"+Infinity"},
      {u"=MINUS(5,7)", u"-2"},       {u"=MULTIPLY(2,3)", u"6"},        {u"=UMINUS(3)", u"-3"},
      {u"=UPLUS(\"x\")", u"0"},
      // The operators themselves: the left operand's format, text counts as 0, no propagation of errors.
      {u"=10-1-1-1", u"7"},          {u"=2*(3+4)", u"14"},             {u"=2*3+4", u"10"},
      {u"=8/4/2", u"1"},             {u"=\"a\"&1+2", u"a3"},           {u"=1/0", u"+Infinity"},
      {u"=A1+1", u"2.2.2020"},       {u"=\"x\"+1", u"1"},              {u"=B1:C2*2", u"6"},
  });
  // Texts doubling from cell to cell stop at what a cell may hold.
  Type(1, 5, u"=REPT(\"ab\",5000)");
  for (int r = 2; r <= 3; ++r) Type(r, 5, u"=F" + AsciiToUtf16(std::to_string(r - 1)) + u"&F" + AsciiToUtf16(std::to_string(r - 1)));
  EXPECT_EQ(At(2, 5)->GetText().size(), 20000u);
  EXPECT_EQ(TextAt(3, 5), u"Text Too Long");
}

TEST_F(FunctionsTest, ArithmeticAndStatistics) {
  Type(1, 0, u"1");
  Type(2, 0, u"text");
  Type(1, 1, u"x");
  Type(3, 1, u"x");
  Type(4, 1, u"y");
  Check({
      {u"=SUM(A1:A3,10)", u"11"},   {u"=AVG(A1:A3,10)", u"2,75"},   {u"=COUNT(A1:B2)", u"4"},
      {u"=COUNT(1,2)", u"0"},       {u"=COUNT(A1+B1)", u"2"},       {u"=COUNT(SUM(A1:A3))", u"3"},
      // The empty B2 equals the text criterion too.
      {u"=COUNTIF(B1:B4,\"x\")", u"3"},
      {u"=FACTDOUBLE(7)", u"105"},  {u"=FACTDOUBLE(0)", u"1"},      {u"=FACTDOUBLE(100000000)", u"+Infinity"},
      {u"=INT(2.5)", u"2"},         {u"=INT(3.5)", u"4"},           {u"=INT(-2.7)", u"-3"},
      {u"=FLOOR(7,2)", u"6"},       {u"=CEILING(7,2)", u"8"},       {u"=MROUND(7,5)", u"10"},
      {u"=MROUND(-7,5)", u"-5"},    {u"=PI()", u"3,14"},            {u"=SQRT(16)", u"4"},
      {u"=SQRT(\"x\")", u"0"},      {u"=SQRT(-1)", u"NaN"},         {u"=SQRTPI(1)", u"1,7724538509"},
      {u"=SIGN(-3)", u"-1"},        {u"=SIGN(0)", u"0"},            {u"=ODD(2)", u"3"},
      {u"=ODD(1.5)", u"3"},         {u"=ODD(-2)", u"-3"},           {u"=ODD(0)", u"0"},
      {u"=RANDBETWEEN(3,3)", u"3"}, {u"=RANDBETWEEN(5,1)", u"1"},
  });
  for (int i = 0; i < 20; ++i) {
    Show(u"=RAND()");
    double x = At(100, 20)->GetValue()->Number();
    EXPECT_TRUE(x >= 0 && x <= 1);
    Show(u"=RANDBETWEEN(-2,2)");
    x = At(100, 20)->GetValue()->Number();
    EXPECT_TRUE(x >= -2 && x <= 2 && x == static_cast<int>(x));
  }
}

TEST_F(FunctionsTest, BitsAndNumberBases) {
  Check({
      {u"=BITAND(12,10)", u"8"},  {u"=BITOR(12,10)", u"14"},    {u"=BITXOR(12,10)", u"6"},
      {u"=BITNOT(0)", u"-1"},     {u"=BITRSHIFT(-8,1)", u"-4"}, {u"=BITLSHIFT(1,65)", u"2"},
      {u"=DELTA(2,2)", u"1"},     {u"=DELTA(2,3)", u"0"},       {u"=DELTA(0)", u"1"},
      {u"=DELTA(5)", u"0"},       {u"=BIN2OCT(1010)", u"12"},   {u"=BIN2OCT(\"102\")", u""},
      {u"=BIN2HEX(11111111)", u"FF"}, {u"=BIN2DEC(\"101x1\")", u"5"}, {u"=HEX2DEC(\"FF\")", u"255"},
      {u"=HEX2DEC(10)", u"16"},   {u"=HEX2BIN(\"F\")", u"1111"},  {u"=HEX2OCT(\"F\")", u"17"},
      {u"=DEC2HEX(255)", u"FF"},  {u"=DEC2BIN(5)", u"101"},     {u"=DEC2BIN(0)", u"0"},
      {u"=DEC2OCT(8)", u"10"},    {u"=DEC2HEX(-1)", u"FFFFFFFFFFFFFFFF"}, {u"=DEC2BIN(\"6\")", u"110"},
  });
  EXPECT_EQ(Show(u"=DEC2BIN(-1)"), std::u16string(64, u'1'));
}

TEST_F(FunctionsTest, Texts) {
  for (int c = 0; c < 2; ++c) {
    Type(1, c, c == 0 ? u"1" : u"2");
    Type(2, c, c == 0 ? u"3" : u"4");
  }
  Type(3, 0, u"  12 ");
  Check({
      {u"=LOWER(\"TRUE\")", u"true"},      {u"=LOWER(TRUE())", u"1"},          {u"=TRIM(A3)", u"12"},
      {u"=LEFT(\"abc\")", u"a"},           {u"=LEFT(\"abc\",5)", u"abc"},      {u"=LEFT(\"abc\",-1)", u""},
      {u"=RIGHT(\"abc\",2)", u"bc"},       {u"=MID(\"abcdef\",0,2)", u"ab"},   {u"=MID(\"abcdef\",3,99)", u"cdef"},
      {u"=FIND(\"abc\",\"c\")", u"3"},     {u"=FIND(\"abc\",\"\")", u"0"},     {u"=FIND(\"abc\",\"x\")", u"0"},
      {u"=JOIN(\"-\",A1:B2)", u"1-2-3-4"}, {u"=JOIN(\"-\")", u""},             {u"=ROMAN(1994)", u"MCMXCIV"},
      {u"=ROMAN(3999)", u"MMMCMXCIX"},     {u"=ROMAN(0)", u""},                {u"=ROMAN(4000)", u""},
      {u"=ARABIC(\"MCMXCIV\")", u"1994"},  {u"=ARABIC(\"IIX\")", u"10"},       {u"=ARABIC(\"\")", u"0"},
      {u"=CODE(\"\")", u"0"},              {u"=CODE(\"A\")", u"65"},           {u"=CHAR(65)", u"A"},
      {u"=PROPER(\"hello wORLD-x\")", u"Hello World-x"},                      {u"=LEN(\"abc\")", u"3"},
      {u"=REPT(\"ab\",3)", u"ababab"},     {u"=REPT(\"a\",0)", u""},           {u"=REPT(\"a\",1000000)", u"Text Too Long"},
      {u"=SUBSTITUTE(\"a-b-c\",\"-\",\"+\")", u"a+b+c"},                      {u"=SUBSTITUTE(\"abc\",\"\",\"x\")", u"abc"},
      {u"=EXACT(\"a\",\"A\")", u"FALSE"},  {u"=EXACT(1,\"1\")", u"TRUE"},      {u"=CONCATENATE(\"a\",2)", u"a2"},
      {u"=FIXED(3.14159,2)", u"3.14"},     {u"=FIXED(2.5,-1)", u"2.5"},        {u"=FIXED(2.6,-7)", u"3"},
      {u"=VALUE(\"1.2.2020\")", u"1.2.2020"}, {u"=UPPER(\"straße\")", u"STRAßE"},
  });
  // Parsed results become numbers; HYPERLINK makes a link shown by its text.
  Show(u"=UPPER(\"1,5\")");
  EXPECT_EQ(At(100, 20)->GetValue()->Kind(), ValueKind::Number);
  EXPECT_EQ(At(100, 20)->GetText(), u"1,5");
  Show(u"=HYPERLINK(\"https://example.org\",\"site\")");
  EXPECT_EQ(At(100, 20)->GetValue()->Kind(), ValueKind::Hyperlink);
  EXPECT_EQ(At(100, 20)->GetText(), u"site");
  EXPECT_EQ(At(100, 20)->GetValue()->Link(), u"https://example.org");
  // SPLIT spills one row; adjacent separators give empty fields.
  Type(10, 0, u"=SPLIT(\"a,,b\",\",\")");
  EXPECT_EQ(BlockText(10, 0, 1, 4), u"a  b ");
  EXPECT_TRUE(At(10, 1)->IsMatrixMember());
}

TEST_F(FunctionsTest, DatesAndTimes) {
  Check({
      {u"=DATE(2020,2,1)", u"1.2.2020"},    {u"=DATE(2020,2,31)", u"2.3.2020"},   {u"=DATE(2020,14,1)", u"1.2.2021"},
      {u"=TIME(8,5,9)", u"8:05:09"},        {u"=HOUR(TIME(8,5,9))", u"8"},        {u"=MINUTE(TIME(8,5,9))", u"5"},
      {u"=SECOND(TIME(8,5,9))", u"9"},      {u"=DAY(DATE(2020,2,1))", u"1"},      {u"=MONTH(DATE(2020,2,1))", u"2"},
      {u"=YEAR(DATE(2020,2,1))", u"2020"},  {u"=WEEKDAY(0)", u"2"},               {u"=WEEKDAY(DATE(2020,2,2))", u"1"},
      {u"=DATEVALUE(\"1.2.2020\")", u"1.2.2020"}, {u"=DATEVALUE(\"soon\")", u"soon"},
      {u"=EDATE(DATE(2020,1,31),1)", u"28.2.2020"},  {u"=EDATE(DATE(2020,3,31),-1)", u"28.2.2020"},
      {u"=EDATE(DATE(2021,3,15),-3)", u"15.12.2020"}, {u"=EOMONTH(DATE(2021,3,15),-3)", u"31.12.2020"},
      {u"=EOMONTH(DATE(2020,2,10),0)", u"29.2.2020"}, {u"=DAYS(DATE(2020,1,10),DATE(2020,1,1))", u"9"},
      {u"=DAYS360(DATE(2020,1,31),DATE(2020,2,28))", u"30"}, {u"=DAYS360(DATE(2021,1,15),DATE(2021,2,28))", u"46"},
      {u"=WEEKNUM(DATE(2020,1,1))", u"1"},  {u"=WEEKNUM(DATE(2020,1,5))", u"2"},
      // 1.2.2020 is a Saturday: one working day later is the Monday.
      {u"=WORKDAY(DATE(2020,2,1),1)", u"3.2.2020"},  {u"=NETWORKDAYS(DATE(2020,2,3),DATE(2020,2,7))", u"4"},
      {u"=YEAR(POW(10,300))", u"0"},
  });
  LocalTime now = CurrentLocalTime();
  Show(u"=TODAY()");
  EXPECT_EQ(At(100, 20)->GetValue()->Number(), static_cast<double>(DateSerial(now.year, now.month, now.day)));
  Show(u"=NOW()");
  double serial = At(100, 20)->GetValue()->Number();
  EXPECT_GE(serial, static_cast<double>(DateSerial(now.year, now.month, now.day)));
  EXPECT_NE(At(100, 20)->GetText().find(u':'), std::u16string::npos);
}

TEST_F(FunctionsTest, LogicalFunctionsEvaluateOnlyWhatTheyRead) {
  Type(1, 0, u"=IMDIV(1,0)");
  Type(2, 0, u"5");
  Type(1, 1, u"a");
  Type(1, 2, u"b");
  Type(2, 1, u"c");
  Type(2, 2, u"d");
  Check({
      {u"=IF(0,A1,\"x\")", u"x"},    {u"=IF(\"text\",1,2)", u"2"},    {u"=IF(0.5,1,2)", u"1"},
      {u"=IFERROR(A1,0)", u"0"},     {u"=IFERROR(A2,0)", u"5"},       {u"=NOT(0)", u"TRUE"},
      {u"=NOT(\"abc\")", u"TRUE"},   {u"=AND(1,2)", u"TRUE"},         {u"=AND(1,0)", u"FALSE"},
      {u"=OR(0,\"x\")", u"FALSE"},   {u"=OR(0,1)", u"TRUE"},          {u"=TRUE()", u"TRUE"},
      {u"=FALSE()", u"FALSE"},
  });
  // A branch that is a range spills.
  Type(10, 0, u"=IF(1,B1:C2,0)");
  EXPECT_EQ(BlockText(10, 0, 2, 2), u"a b|c d");
}

TEST_F(FunctionsTest, ReferencesAndLookups) {
  const char16_t* rows[3][3] = {{u"a", u"1", u"x1"}, {u"b", u"2", u"x2"}, {u"b", u"3", u"x3"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) Type(r + 1, c, rows[r][c]);
  }
  Type(3, 3, u"D3");
  Type(11, 1, u"B11");
  Check({
      {u"=COLUMNS(B2:D5)", u"3"},   {u"=ROWS(B2:D5)", u"4"},           {u"=COLUMNS(C3)", u"1"},
      {u"=COLUMNS(A1+C1)", u"3"},   {u"=COLUMN(A1)", u"0"},            {u"=COLUMN(C5)", u"2"},
      {u"=ROW(C5)", u"5"},          {u"=INDEX(B2:D5,2,3)", u"D3"},     {u"=INDEX(B2:D5,10,1)", u"B11"},
      {u"=INDIRECT(\"B2\")", u"B2"}, {u"=VLOOKUP(\"b\",A1:C3,3)", u"x2"}, {u"=HLOOKUP(2,A2:C3,2)", u"3"},
      {u"=VLOOKUP(\"b\",A1:C3,5)", u""},
      // A key with no match, and a non-reference where a reference belongs, give clear errors.
      {u"=VLOOKUP(\"zz\",A1:C3,2)", u"Not Found"}, {u"=HLOOKUP(9,A1:C1,2)", u"Not Found"},
      {u"=VLOOKUP(\"a\",5,1)", u"Ref"},  {u"=VLOOKUP(\"a\",A1,1)", u"a"},   {u"=COLUMNS(5)", u"Ref"},
      {u"=ROW(\"A1\")", u"Ref"},         {u"=INDEX(1+2,1,1)", u"Ref"},
  });
  // An empty cell equals 0 and a text key.
  Type(20, 1, u"5");
  Type(19, 2, u"first");
  Type(20, 2, u"second");
  EXPECT_EQ(Show(u"=VLOOKUP(5,B19:C21,2)"), u"second");
  EXPECT_EQ(Show(u"=VLOOKUP(0,B19:C21,2)"), u"first");
}

TEST_F(FunctionsTest, SortAndUnique) {
  auto column = [&](int32_t c, std::vector<const char16_t*> values) {
    for (size_t i = 0; i < values.size(); ++i) Type(static_cast<int32_t>(i) + 1, c, values[i]);
  };
  column(0, {u"3", u"1", u"2"});
  column(1, {u"b", u"a", u"c"});
  column(2, {u"2", u"x", u"1"});
  column(3, {u"1", u"2", u"1", u"x", u"2"});
  Type(1, 4, u"a");
  Type(1, 5, u"A");
  Type(1, 6, u"a");
  Type(10, 0, u"=SORT(A1:A3)");
  EXPECT_EQ(BlockText(10, 0, 3, 1), u"1|2|3");
  Type(10, 1, u"=SORT(B1:B3)");
  EXPECT_EQ(BlockText(10, 1, 3, 1), u"a|b|c");
  Type(10, 2, u"=SORT(C1:C3)");
  EXPECT_EQ(BlockText(10, 2, 3, 1), u"x|1|2");
  EXPECT_EQ(Show(u"=SORT(A1:B2)"), u"Matrix Error");
  Type(20, 0, u"=UNIQUE(D1:D5)");
  EXPECT_EQ(BlockText(20, 0, 4, 1), u"1|2|x|");
  Type(30, 0, u"=UNIQUE(E1:G1)");
  EXPECT_EQ(BlockText(30, 0, 1, 3), u"a A ");
  EXPECT_EQ(Show(u"=UNIQUE(A1:B2)"), u"Matrix Error");
}

TEST_F(FunctionsTest, ComplexNumbers) {
  Type(1, 0, u"1+i");
  Type(2, 0, u"2+2i");
  Type(3, 0, u"3");
  Check({
      {u"=IMPRODUCT(\"3+4i\",\"1-2i\")", u"11-2i"}, {u"=IMPRODUCT(\"i\",\"i\")", u"-1"},
      {u"=IMDIV(\"11-2i\",\"1-2i\")", u"3+4i"},     {u"=IMDIV(\"1+i\",0)", u"Div by zero"},
      {u"=IMSUB(\"3+4i\",\"1+i\")", u"2+3i"},       {u"=IMSUM(\"1+i\",\"2\",\"-3i\")", u"3-2i"},
      {u"=IMSUM(A1:A3)", u"6+3i"},                  {u"=IMCONJUGATE(\"3+4i\")", u"3-4i"},
      {u"=IMCONJUGATE(\"-i\")", u"i"},              {u"=IMREAL(\"3+4i\")", u"3"},
      {u"=IMAGINARY(\"1-2i\")", u"-2"},             {u"=IMABS(\"3+4i\")", u"5"},
      {u"=IMABS(\"abc\")", u"0"},                   {u"=COMPLEX(3,4)", u"3+4i"},
      {u"=COMPLEX(0,1)", u"i"},                     {u"=COMPLEX(2,-1)", u"2-i"},
      {u"=COMPLEX(0,0)", u"0"},                     {u"=COMPLEX(2.5,1)", u"2.5+i"},
  });
  Show(u"=IMAGINARY(\"2+4,5i\")");
  EXPECT_EQ(At(100, 20)->GetValue()->Number(), 4.5);
}

TEST_F(FunctionsTest, MatricesSpill) {
  Type(1, 0, u"=MUNIT(2)");
  EXPECT_EQ(BlockText(1, 0, 2, 2), u"TRUE FALSE|FALSE TRUE");
  for (int c = 0; c < 3; ++c) Type(5, c, c == 0 ? u"1" : (c == 1 ? u"2" : u"3"));
  Type(6, 4, u"=TRANSPOSE(A5:C5)");
  EXPECT_EQ(BlockText(6, 4, 3, 1), u"1|2|3");
  Type(10, 0, u"1");
  Type(10, 1, u"2");
  Type(11, 3, u"3");
  Type(12, 3, u"4");
  EXPECT_EQ(Show(u"=MMULT(A10:B10,D11:D12)"), u"11");
  const char16_t* a[2][2] = {{u"1", u"2"}, {u"3", u"4"}};
  const char16_t* b[2][2] = {{u"5", u"6"}, {u"7", u"8"}};
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 2; ++c) {
      Type(20 + r, c, a[r][c]);
      Type(20 + r, 3 + c, b[r][c]);
    }
  }
  Type(30, 0, u"=MMULT(A20:B21,D20:E21)");
  EXPECT_EQ(BlockText(30, 0, 2, 2), u"19 22|43 50");
  EXPECT_EQ(Show(u"=MMULT(A20:B21,D20:D22)"), u"Matrix Error");
  EXPECT_EQ(Show(u"=MUNIT(0)"), u"Matrix Error");
  EXPECT_EQ(Show(u"=MUNIT(100000)"), u"Matrix Error");
  // A result too large to spill over the sheet.
  EXPECT_EQ(Show(u"=MUNIT(300)"), u"Matrix Error");
}

// German names and ";" between arguments; names of the other language are unknown.
TEST_F(FunctionsTest, GermanNames) {
  Type(1, 0, u"b");
  Type(1, 1, u"7");
  Check(
      {
          {u"=SUMME(1;2)", u"3"},                    {u"=WENN(1;\"ja\";\"nein\")", u"ja"},
          {u"=1,5*2", u"3"},                         {u"=RÖMSICH(4)", u"IV"},
          {u"=GLÄTTEN(\" a \")", u"a"},              {u"=LÄNGE(\"abc\")", u"3"},
          {u"=IMAGINÄRTEIL(\"1-2i\")", u"-2"},       {u"=ZWEIFAKULTÄT(5)", u"15"},
          {u"=MONATSENDE(DATUM(2020;2;10);0)", u"29.2.2020"}, {u"=SVERWEIS(\"b\";A1:B1;2)", u"7"},
          {u"=zählenwenn(A1:B1;\"b\")", u"1"},       {u"=DURCHSCHNITT(2;4)", u"3"},
          {u"=SUM(1;2)", u"Syntax Error"},           {u"=SUMME(1,5)", u"1,5"},
          {u"=WECHSELN(\"a.b\";\".\";\",\")", u"a,b"}, {u"=KALENDERWOCHE(DATUM(2020;1;5))", u"2"},
      },
      u"de");
  EXPECT_EQ(Show(u"=1,5*2"), u"1");  // in English the comma ends the expression
  At(5, 5)->SetInput(u"=summe(a1:b2;wurzel(4))", u"de");
  EXPECT_EQ(At(5, 5)->GetEnglishFormulaText(), u"=SUM(A1:B2,SQRT(4))");
  host.language = u"de";
  EXPECT_EQ(At(5, 5)->GetInput(), u"=SUMME(A1:B2;WURZEL(4))");
}

}  // namespace
}  // namespace quadrell
