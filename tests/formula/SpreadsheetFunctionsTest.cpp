// The functions after the 118, with the meanings spreadsheet files give them.
#include <string>

#include "formula/FunctionRegistry.h"
#include "formula/FormulaTestSupport.h"

namespace quadrell {
namespace {

using test::FormulaFixture;
using test::Narrow;

class SpreadsheetFunctionsTest : public FormulaFixture {
 protected:
  void SetUp() override {
    FormulaFixture::SetUp();
    // A1:A6 numbers and more, B1:B6 labels, C1:C6 amounts.
    const char16_t* a[] = {u"10", u"25", u"30", u"abc", u"", u"5"};
    const char16_t* b[] = {u"apple", u"Banana", u"apricot", u"cherry", u"apple", u"date"};
    const char16_t* c[] = {u"1", u"2", u"3", u"4", u"5", u"6"};
    for (int i = 0; i < 6; ++i) {
      if (*a[i]) Type(i + 1, 0, a[i]);
      Type(i + 1, 1, b[i]);
      Type(i + 1, 2, c[i]);
    }
    Type(1, 3, u"=1/0");  // D1: +Infinity, no error
    Type(2, 3, u"=NA()");  // D2: #N/A
  }
};

TEST_F(SpreadsheetFunctionsTest, Table) {
  struct Case {
    const char16_t* formula;
    const char16_t* shown;
  };
  const Case cases[] = {
      {u"=AVERAGE(A1:A6)", u"17,5"},           // text and empty cells are skipped
      {u"=AVERAGE(A4:A5)", u"#DIV/0!"},
      {u"=MIN(A1:A6)", u"5"},
      {u"=MAX(A1:A6,100)", u"100"},
      {u"=MAX(B1:B6)", u"0"},
      {u"=MEDIAN(A1:A6)", u"17,5"},
      {u"=MEDIAN(1,2,3)", u"2"},
      {u"=ROUND(2.675,2)", u"2,68"},
      {u"=ROUND(-2.5,0)", u"-3"},
      {u"=ROUND(1234,-2)", u"1200"},
      {u"=ROUNDUP(1.21,1)", u"1,3"},
      {u"=ROUNDUP(-1.21,1)", u"-1,3"},
      {u"=ROUNDDOWN(1.29,1)", u"1,2"},
      {u"=TRUNC(-4.7)", u"-4"},
      {u"=ABS(-3)", u"3"},
      {u"=MOD(-7,3)", u"2"},
      {u"=MOD(7,-3)", u"-2"},
      {u"=MOD(1,0)", u"#DIV/0!"},
      {u"=POWER(2,10)", u"1024"},
      {u"=PRODUCT(A1:A3)", u"7500"},
      {u"=SUMPRODUCT(A1:A3,C1:C3)", u"150"},
      {u"=SUMPRODUCT(A1:A3,C1:C2)", u"#VALUE!"},
      {u"=SUMIF(A1:A6,\">20\")", u"55"},
      {u"=SUMIF(B1:B6,\"apple\",C1:C6)", u"6"},
      {u"=SUMIF(B1:B6,\"ap*\",C1:C6)", u"9"},
      {u"=SUMIF(B1:B6,\"<>apple\",C1:C6)", u"15"},
      {u"=SUMIF(B1:B6,\"?????\",C1:C1)", u"6"},    // the sum range takes the criteria's size
      {u"=SUMIFS(C1:C6,B1:B6,\"a*\",A1:A6,\">=25\")", u"3"},
      {u"=COUNTIFS(A1:A6,\">5\",A1:A6,\"<=25\")", u"2"},
      {u"=COUNTIFS(A1:A6,\"\")", u"1"},
      {u"=COUNTIFS(B1:B6,\"APPLE\")", u"2"},
      {u"=COUNTIFS(A1:A6,25)", u"1"},
      {u"=COUNTA(A1:A6)", u"5"},
      {u"=COUNTBLANK(A1:A6)", u"1"},
      {u"=AVERAGEIF(B1:B6,\"apple\",C1:C6)", u"3"},
      {u"=AVERAGEIF(A1:A6,\">100\")", u"#DIV/0!"},
      {u"=LARGE(A1:A6,2)", u"25"},
      {u"=SMALL(A1:A6,1)", u"5"},
      {u"=SMALL(A1:A6,9)", u"#NUM!"},
      {u"=RANK(25,A1:A6)", u"2"},
      {u"=RANK(25,A1:A6,1)", u"3"},
      {u"=STDEV(2,4,4,4,5,5,7,9)", u"2,1380899353"},
      {u"=VAR(1,2,3,4)", u"1,6666666667"},
      {u"=EXP(0)", u"1"},
      {u"=LN(1)", u"0"},
      {u"=LN(0)", u"#NUM!"},
      {u"=LOG(8,2)", u"3"},
      {u"=LOG(1000)", u"3"},
      {u"=LOG10(0.01)", u"-2"},
      {u"=MATCH(25,A1:A3,0)", u"2"},
      {u"=MATCH(27,A1:A3)", u"2"},
      {u"=MATCH(\"b*\",B1:B6,0)", u"2"},
      {u"=MATCH(1,A1:A3,0)", u"#N/A"},
      {u"=CHOOSE(2,\"a\",\"b\",\"c\")", u"b"},
      {u"=CHOOSE(4,\"a\",\"b\",\"c\")", u"#VALUE!"},
      {u"=LOOKUP(26,A1:A3,C1:C3)", u"2"},
      {u"=LOOKUP(1,A1:A3,C1:C3)", u"#N/A"},
      {u"=ISBLANK(A5)", u"TRUE"},
      {u"=ISBLANK(A4)", u"FALSE"},
      {u"=ISNUMBER(A1)", u"TRUE"},
      {u"=ISNUMBER(A4)", u"FALSE"},
      {u"=ISTEXT(A4)", u"TRUE"},
      {u"=ISERROR(D2)", u"TRUE"},
      {u"=ISERROR(D1)", u"FALSE"},
      {u"=ISNA(D2)", u"TRUE"},
      {u"=ISNA(1/0)", u"FALSE"},
      {u"=NA()", u"#N/A"},
      {u"=IFERROR(NA(),\"none\")", u"none"},
      {u"=TEXT(1234.5,\"0.00\")", u"1234.50"},
      {u"=TEXT(0.25,\"0%\")", u"25%"},
      {u"=SEARCH(\"AN\",\"Banana\")", u"2"},
      {u"=SEARCH(\"n?n\",\"Banana\")", u"3"},
      {u"=SEARCH(\"an\",\"Banana\",3)", u"4"},
      {u"=SEARCH(\"x\",\"Banana\")", u"#VALUE!"},
      {u"=REPLACE(\"abcdef\",2,3,\"XY\")", u"aXYef"},
      {u"=DATEDIF(DATE(2020,1,15),DATE(2021,3,10),\"Y\")", u"1"},
      {u"=DATEDIF(DATE(2020,1,15),DATE(2021,3,10),\"M\")", u"13"},
      {u"=DATEDIF(DATE(2020,1,15),DATE(2021,3,10),\"D\")", u"420"},
      {u"=DATEDIF(DATE(2020,1,15),DATE(2021,3,10),\"MD\")", u"23"},
      {u"=DATEDIF(DATE(2020,1,15),DATE(2021,3,10),\"YM\")", u"1"},
      {u"=DATEDIF(DATE(2021,3,10),DATE(2020,1,15),\"D\")", u"#NUM!"},
      {u"=COUNT.X(A1:A6,\"7\",TRUE)", u"6"},
      {u"=AND.X(A1:A3>0,TRUE)", u"TRUE"},
      {u"=AND.X(A1:A6)", u"TRUE"},
      {u"=OR.X(0,0,1)", u"TRUE"},
      {u"=OR.X(B1:B6)", u"#VALUE!"},
      {u"=VLOOKUP.X(\"CHERRY\",B1:C6,2,FALSE)", u"4"},
      {u"=VLOOKUP.X(27,A1:C3,3)", u"2"},
      {u"=VLOOKUP.X(\"x\",B1:C6,2,0)", u"#N/A"},
      {u"=VLOOKUP.X(10,A1:C3,4,0)", u"#REF!"},
      {u"=HLOOKUP.X(\"apple\",B1:C6,3,FALSE)", u"apricot"},
      {u"=INDEX.X(A1:C6,2,3)", u"2"},
      {u"=INDEX.X(A1:A6,3)", u"30"},
      {u"=INDEX.X(A1:C6,7,1)", u"#REF!"},
      {u"=N(\"x\")+N(TRUE)", u"1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(c.formula), c.shown) << Narrow(c.formula);
}

TEST_F(SpreadsheetFunctionsTest, GermanNamesAndHints) {
  EXPECT_EQ(Show(u"=MITTELWERT(A1:A3)", u"de"), u"21,6666666667");
  EXPECT_EQ(Show(u"=RUNDEN(2,5;0)+SUMMEWENN(B1:B6;\"apple\";C1:C6)", u"de"), u"9");
  EXPECT_EQ(Show(u"=ZÄHLENWENNS(A1:A6;\">5\")", u"de"), u"3");
  EXPECT_EQ(Show(u"=WENN(ISTZAHL(A1);SVERWEIS.X(10;A1:C3;3;FALSCH());0)", u"de"), u"1");
  const FunctionRegistry& r = FunctionRegistry::Get();
  EXPECT_EQ(FunctionRegistry::ArgumentHint(*r.Find(u"ROUND", u"en")), u"(Value,V[Value])");
  EXPECT_EQ(r.Find(u"KÜRZEN", u"de"), r.Find(u"TRUNC", u"en"));
}

}  // namespace
}  // namespace quadrell
