// Formulas in files: those Quadrell cannot compute keep their text and the
// value the file cached; functions whose meaning differs are translated both
// ways; references to other sheets are read and written.
#include <string>
#include <vector>

#include "TestSupport.h"
#include "loadsave/Container.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Cell.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/Files.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

std::string Package(const std::string& first, const std::string& second) {
  std::vector<std::pair<std::string, std::string>> members = {
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
       "<Relationship Id=\"rId2\" Target=\"worksheets/sheet2.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<workbook xmlns:r=\"urn:r\"><sheets><sheet name=\"Main\" r:id=\"rId1\"/>"
       "<sheet name=\"My Data\" r:id=\"rId2\"/></sheets></workbook>"},
      {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + first + "</sheetData></worksheet>"},
      {"xl/worksheets/sheet2.xml", "<worksheet><sheetData>" + second + "</sheetData></worksheet>"},
  };
  PackageWriter writer;
  for (const auto& [name, content] : members) EXPECT_TRUE(writer.AddMember(name, content));
  std::string bytes;
  EXPECT_TRUE(writer.Finish(bytes));
  return bytes;
}

// A row of cells, each "formula|cached value|type".
std::string Row(int r, const std::vector<std::string>& cells) {
  std::string out = "<row r=\"" + std::to_string(r) + "\">";
  char column = 'A';
  for (const std::string& c : cells) {
    size_t bar = c.find('|');
    size_t bar2 = c.find('|', bar + 1);
    std::string f = c.substr(0, bar), v = c.substr(bar + 1, bar2 - bar - 1), t = c.substr(bar2 + 1);
    out += std::string("<c r=\"") + column + std::to_string(r) + "\"" + (t.empty() ? "" : " t=\"" + t + "\"") + ">";
    if (!f.empty()) out += "<f>" + f + "</f>";
    if (!v.empty()) out += "<v>" + v + "</v>";
    out += "</c>";
    ++column;
  }
  return out + "</row>";
}

std::string Python(const std::string& script, const std::string& file) { return test::RunPython(script, file); }

constexpr const char* kFormulasAndValues = R"(import sys, openpyxl
for ws in openpyxl.load_workbook(sys.argv[1]).worksheets:
    for row in ws.iter_rows():
        for c in row:
            if c.data_type == "f" or isinstance(c.value, str) and c.value.startswith("="):
                print(c.coordinate, c.value)
for ws in openpyxl.load_workbook(sys.argv[1], data_only=True).worksheets:
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print(c.coordinate, repr(c.value))
)";

TEST(XlsxFormulaTest, FormulasQuadrellCannotComputeKeepTextAndCachedValue) {
  std::string first = Row(1, {"|5|", "FOOBAR(A1)+1|42|", "INDIRECT(&quot;A1&quot;)|five|str", "A1:A2*2|10|",
                              "NOSUCH()|#N/A|e", "A1+|7|"});
  auto book = LoadXlsxFromMemory(Package(first, ""), nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetCellText(1, 1), u"42");
  EXPECT_EQ(s->GetCellText(1, 2), u"five");
  EXPECT_EQ(s->GetCellText(1, 3), u"10");
  EXPECT_EQ(s->GetCellText(1, 4), u"#N/A");
  EXPECT_EQ(s->GetCellText(1, 5), u"7");
  EXPECT_EQ(s->GetCellDirect(1, 1)->GetInput(), u"=FOOBAR(A1)+1");
  EXPECT_EQ(s->GetCellDirect(1, 2)->GetFileFormulaText(), u"=INDIRECT(\"A1\")");
  // Changing what they read changes nothing: they are not computed.
  s->GetCellDirect(1, 0)->SetInput(u"6");
  EXPECT_EQ(s->GetCellText(1, 1), u"42");

  test::TempFolder folder;
  std::string path = folder.File("kept.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  EXPECT_EQ(Python(kFormulasAndValues, path),
            "B1 =FOOBAR(A1)+1\nC1 =INDIRECT(\"A1\")\nD1 =A1:A2*2\nE1 =NOSUCH()\nF1 =A1+\n"
            "A1 6\nB1 42\nC1 'five'\nD1 10\nE1 '#N/A'\nF1 7\n");
  // Edited, a formula computes again.
  s->GetCellDirect(1, 1)->SetInput(u"=A1+1", u"en");
  EXPECT_EQ(s->GetCellText(1, 1), u"7");
}

TEST(XlsxFormulaTest, NoFormulaIsLostOnSave) {
  auto book = std::make_unique<Workbook>(u"w", nullptr);
  Sheet* s = book->GetSheet(0);
  s->GetCellDirect(1, 0)->SetInput(u"=A1^2", u"en");      // a cycle
  s->GetCellDirect(2, 0)->SetInput(u"3", u"en");
  s->GetCellDirect(2, 1)->SetInput(u"=A2^2", u"en");
  s->GetCellDirect(3, 1)->SetInput(u"=A2>A9", u"en");
  s->GetCellDirect(4, 1)->SetInput(u"=A9", u"en");       // an empty result
  s->GetCellDirect(5, 1)->SetInput(u"=1+", u"en");       // a syntax error
  test::TempFolder folder;
  std::string path = folder.File("kept.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  EXPECT_EQ(Python(kFormulasAndValues, path),
            "A1 =A1^2\nB2 =A2^2\nB3 =A2>A9\nB4 =A9\nB5 =1+\n"
            "A1 'Cycle Found'\nA2 3\nB2 9\nB3 True\n");
}

TEST(XlsxFormulaTest, FileMeaningsAreTranslatedWhenRead) {
  std::string first = Row(1, {"|1|", "|x|str", "COUNT(A1:A3)||", "INT(-2.5)||", "COLUMN(C1)||",
                              "COUNTIF(A1:A3,&quot;&gt;0&quot;)||", "AND(1&gt;0,A1)||",
                              "CONCATENATE(&quot;a&quot;,A1,&quot;c&quot;)||", "MROUND(7,5)||",
                              "VLOOKUP(2.5,'My Data'!A1:B3,2)||", "INDEX('My Data'!B1:B3,2)||",
                              "_xlfn.STDEV.S(1,2)||", "SUM( A1 , 2 )||", "IF(A1,TRUE,FALSE)||"});
  std::string second = Row(1, {"|1|", "|one|str"}) + Row(2, {"|2|", "|two|str"}) + Row(3, {"|3|", "|three|str"});
  auto book = LoadXlsxFromMemory(Package(first, second), nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  const char16_t* expected[] = {u"1", u"-3", u"3", u"1", u"TRUE", u"a1c", u"5", u"two", u"two", u"", u"3", u"TRUE"};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(s->GetCellText(1, 2 + i), expected[i]) << i;
  EXPECT_EQ(s->GetCellDirect(1, 11)->GetInput(), u"=_xlfn.STDEV.S(1,2)");  // unknown: kept
  // A change on the other sheet reaches them.
  book->GetSheet(1)->GetCellDirect(2, 1)->SetInput(u"deux");
  EXPECT_EQ(s->GetCellText(1, 10), u"deux");
}

// Operators of a file's formula pass errors on and divide by 0 to an error,
// as the programs that wrote it do; typed ones keep Quadrell's meaning.
TEST(XlsxFormulaTest, OperatorsOfFilesComputeTheFilesMeaning) {
  std::string first = Row(1, {"|0|", "|x|str", "IFERROR(1/A1,5)||", "A1+B1||", "ISERROR(NA()*2)||", "&quot;4&quot;*2||",
                              "IFERROR(0^-1,3)||"});
  auto book = LoadXlsxFromMemory(Package(first, ""), nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  const char16_t* expected[] = {u"5", u"#VALUE!", u"TRUE", u"8", u"3"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s->GetCellText(1, 2 + i), expected[i]) << i;
  s->GetCellDirect(2, 2)->SetInput(u"=IFERROR(1/A1,5)", u"en");
  EXPECT_EQ(s->GetCellText(2, 2), u"+Infinity");
}

TEST(XlsxFormulaTest, QuadrellMeaningsAreTranslatedWhenWritten) {
  auto book = std::make_unique<Workbook>(u"w", nullptr);
  Sheet* s = book->GetSheet(0);
  s->SetName(u"Main");
  Sheet* data = book->AddSheet(u"My Data");
  data->GetCellDirect(1, 0)->SetInput(u"4");
  s->GetCellDirect(1, 0)->SetInput(u"=INT(2.5)", u"en");
  s->GetCellDirect(2, 0)->SetInput(u"=COUNT(A1:B2,C3)", u"en");
  s->GetCellDirect(3, 0)->SetInput(u"=COLUMN(C1)", u"en");
  s->GetCellDirect(4, 0)->SetInput(u"=AND(A1,'My Data'!A1>3)", u"en");
  s->GetCellDirect(5, 0)->SetInput(u"=GT(\"b\",\"a\")", u"en");
  s->GetCellDirect(6, 0)->SetInput(u"=AVG(A1:A2,4)", u"en");
  s->GetCellDirect(7, 0)->SetInput(u"=JOIN(\"\",\"a\",A1)", u"en");
  EXPECT_EQ(s->GetCellDirect(1, 0)->GetFileFormulaText(),
            u"=IF(ABS(2.5-TRUNC(2.5))=0.5,2*ROUND(2.5/2,0),ROUND(2.5,0))");
  EXPECT_EQ(s->GetCellDirect(2, 0)->GetFileFormulaText(), u"=(ROWS(A1:B2)*COLUMNS(A1:B2)+1)");
  EXPECT_EQ(s->GetCellDirect(3, 0)->GetFileFormulaText(), u"=(COLUMN(C1)-1)");
  EXPECT_EQ(s->GetCellDirect(4, 0)->GetFileFormulaText(), u"=AND(N(A1)<>0,'My Data'!A1>3)");
  EXPECT_EQ(s->GetCellDirect(5, 0)->GetFileFormulaText(), u"=(N(\"b\")>N(\"a\"))");
  EXPECT_EQ(s->GetCellDirect(6, 0)->GetFileFormulaText(), u"=(SUM(A1:A2,4)/(ROWS(A1:A2)*COLUMNS(A1:A2)+1))");
  EXPECT_EQ(s->GetCellDirect(7, 0)->GetFileFormulaText(), u"=CONCATENATE(\"a\",A1)");
  // Read back, each computes the value Quadrell computed.
  test::TempFolder folder;
  std::string path = folder.File("written.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  auto back = LoadXlsx(path, nullptr);
  ASSERT_TRUE(back);
  for (int r = 1; r <= 7; ++r) {
    EXPECT_EQ(back->GetSheet(0)->GetCellText(r, 0), s->GetCellText(r, 0)) << r;
    EXPECT_TRUE(back->GetSheet(0)->GetCellDirect(r, 0)->GetFormula()->GetRoot()) << r;
  }
}

TEST(XlsxFormulaTest, SharedFormulasFollowTheirCells) {
  std::string first = Row(1, {"|1|", "|2|"}) + Row(2, {"|3|", "|4|"}) +
                      "<row r=\"3\"><c r=\"A3\"><f t=\"shared\" ref=\"A3:B3\" si=\"0\">A1+A2</f><v>4</v></c>"
                      "<c r=\"B3\"><f t=\"shared\" si=\"0\"/><v>6</v></c></row>"
                      "<row r=\"4\"><c r=\"A4\"><f t=\"shared\" ref=\"A4:B4\" si=\"1\">ZZZ(A1)+$A$2</f><v>8</v></c>"
                      "<c r=\"B4\"><f t=\"shared\" si=\"1\"/><v>9</v></c></row>";
  auto book = LoadXlsxFromMemory(Package(first, ""), nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetCellText(3, 1), u"6");
  EXPECT_EQ(s->GetCellDirect(3, 1)->GetInput(), u"=B1+B2");
  EXPECT_EQ(s->GetCellText(4, 1), u"9");
  EXPECT_EQ(s->GetCellDirect(4, 1)->GetInput(), u"=ZZZ(B1)+$A$2");
}

}  // namespace
}  // namespace quadrell
