#include "loadsave/LoadSaveXlsx.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "loadsave/Container.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/Comment.h"
#include "object/Image.h"
#include "object/ImageCodec.h"
#include "object/SheetAnchor.h"
#include "platform/Files.h"
#include "value/Date.h"
#include "value/NumberFormat.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

std::string Data(const std::string& name) { return std::string(QUADRELL_TEST_DATA) + "/" + name; }

std::u16string TextAt(Sheet* sheet, int32_t row, int32_t column) { return sheet->GetCellText(row, column); }

// A package from (member, content) pairs, with the parts every workbook has.
std::string Package(std::vector<std::pair<std::string, std::string>> members, bool withWorkbook = true) {
  if (withWorkbook) {
    members.insert(members.begin(),
                   {"xl/workbook.xml",
                    "<workbook xmlns:r=\"urn:r\"><sheets><sheet name=\"First\" r:id=\"rId1\"/>"
                    "<sheet name=\"Second\" r:id=\"rId2\"/></sheets></workbook>"});
    members.insert(members.begin(), {"xl/_rels/workbook.xml.rels",
                                     "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                                     "<Relationship Id=\"rId2\" Target=\"worksheets/sheet2.xml\"/></Relationships>"});
  }
  PackageWriter writer;
  for (const auto& [name, content] : members) EXPECT_TRUE(writer.AddMember(name, content));
  std::string bytes;
  EXPECT_TRUE(writer.Finish(bytes));
  return bytes;
}

std::string Sheet1(const std::string& data, const std::string& after = "") {
  return "<worksheet><sheetData>" + data + "</sheetData>" + after + "</worksheet>";
}

std::string Python(const std::string& script, const std::string& file) { return test::RunPython(script, file); }

TEST(XlsxDates, SerialsMoveAtTheFileBoundaryOnlyUnderDateFormats) {
  // 1 February 2020 is our 43860 and the file's 43862.
  EXPECT_EQ(DateSerial(2020, 2, 1), 43860);
  struct Case {
    double ours;
    double file;
    FormatId format;
  } cases[] = {
      {43860, 43862, kFormatShortDate},   {43860.75, 43862.75, kFormatDateTime},
      {59, 61, kFormatDate},              // 1 March 1900
      {58, 59, kFormatDate},              // 28 February 1900
      {0, 1, kFormatShortDate},           // 1 January 1900
      {0.25, 0.25, kFormatTime},          // a pure time stays
      {43860, 43860, kFormatGeneral},     // a number is a number
      {43860, 43860, kFormatTwoDecimals},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SerialToFile(c.ours, c.format), c.file) << c.ours << " under " << c.format;
    EXPECT_EQ(SerialFromFile(c.file, c.format), c.ours) << c.file << " under " << c.format;
  }
}

TEST(XlsxDates, IndexedColours) {
  EXPECT_EQ(IndexedColor(2), 0x0000FFu);   // red, stored 0xBBGGRR
  EXPECT_EQ(IndexedColor(17), 0x008000u);  // dark green
  EXPECT_EQ(IndexedColor(63), 0x333333u);
  EXPECT_EQ(IndexedColor(81), 0xFFFFFFu);
  for (int64_t black : {0, 64, 80, -5, 1000000}) EXPECT_EQ(IndexedColor(black), 0u) << black;
}

TEST(XlsxImport, FileOfAnotherProgramLoadsValuesFormulasAndStyles) {
  auto book = LoadXlsx(Data("peer_openpyxl.xlsx"), nullptr);
  ASSERT_TRUE(book);
  ASSERT_EQ(book->GetSheetCount(), 2);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetName(), u"Values");
  EXPECT_EQ(book->GetSheet(1)->GetName(), u"Second sheet");
  EXPECT_EQ(book->GetActiveSheet(), s);

  EXPECT_EQ(s->GetCellDirect(1, 0)->GetValue()->Number(), 42);
  EXPECT_EQ(s->GetCellDirect(1, 1)->GetValue()->Number(), 3.25);
  // Every text of this writer is an inline string.
  EXPECT_EQ(TextAt(s, 1, 2), u"text from openpyxl");
  EXPECT_EQ(TextAt(book->GetSheet(1), 1, 0), u"on the second sheet");
  EXPECT_TRUE(s->GetCellDirect(1, 3)->GetValue()->IsBoolean());
  // Read straight in, they still count as typed: text beside them stops at them.
  for (int column : {0, 1, 3}) EXPECT_FALSE(s->GetCellDirect(1, column)->IsInputEmpty()) << column;

  // Dates show their own day; a time of day stays a fraction.
  EXPECT_EQ(s->GetCellDirect(2, 0)->GetValue()->Number(), DateSerial(2020, 2, 1));
  EXPECT_EQ(TextAt(s, 2, 0), u"1.2.2020");
  EXPECT_NEAR(s->GetCellDirect(2, 1)->GetValue()->Number(), DateSerial(2021, 7, 14) + 18.5 / 24, 1e-9);
  EXPECT_EQ(s->GetCellDirect(2, 2)->GetValue()->Number(), 0.25);
  EXPECT_EQ(s->GetCellDirect(2, 3)->GetValue()->Number(), DateSerial(1900, 2, 10));

  Cell* formula = s->GetCellDirect(3, 0);
  EXPECT_TRUE(formula->HasFormula());
  EXPECT_EQ(formula->GetEnglishFormulaText(), u"=A1*2");
  EXPECT_EQ(s->GetCellDirect(3, 1)->GetEnglishFormulaText(), u"=SUM(A1:B1)");

  const StyleRecord* bold = s->GetCellDirect(4, 0)->GetStyle();
  EXPECT_EQ(bold->font->face, u"Courier New");
  EXPECT_EQ(bold->font->size, 14);
  EXPECT_TRUE(bold->font->IsBold());
  EXPECT_EQ(bold->textColor, 0x0000FFu);
  EXPECT_EQ(s->GetCellDirect(4, 1)->GetStyle()->fillColor, 0x00FF00u);
  const StyleRecord* borders = s->GetCellDirect(4, 2)->GetStyle();
  EXPECT_EQ(borders->left.lineStyle, kBorderThin);
  EXPECT_EQ(borders->right.lineStyle, kBorderMedium);
  EXPECT_EQ(borders->top.lineStyle, kBorderDashed);
  EXPECT_EQ(borders->bottom.lineStyle, kBorderThin);
  const StyleRecord* centred = s->GetCellDirect(4, 3)->GetStyle();
  EXPECT_EQ(centred->horizontalAlignment, kHorizontalCenter);
  EXPECT_EQ(centred->verticalAlignment, kVerticalTop);
  EXPECT_EQ(centred->textFlow, kTextFlowLineBreak);
  EXPECT_EQ(s->GetCellDirect(5, 0)->GetValue()->Format(), kFormatPercentDecimals);
  EXPECT_EQ(TextAt(s, 5, 0), u"25,00%");

  EXPECT_EQ(s->GetCellDirect(6, 0)->GetColumnSpan(), 3);
  EXPECT_EQ(s->GetCellDirect(6, 0)->GetRowSpan(), 2);
  EXPECT_EQ(s->GetColumnWidth(1), 210);
  EXPECT_EQ(s->GetRowHeight(4), 40);
  const Value* link = s->GetCellDirect(8, 0)->GetValue();
  EXPECT_EQ(link->Kind(), ValueKind::Hyperlink);
  EXPECT_EQ(link->Text(), u"link");
  EXPECT_EQ(link->Link(), u"https://example.org/page");
}

TEST(XlsxImport, FormulasOfAnotherProgramCompute) {
  auto book = LoadXlsx(Data("peer_openpyxl.xlsx"), nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetCellDirect(3, 0)->GetValue()->Number(), 84);
  EXPECT_EQ(s->GetCellDirect(3, 1)->GetValue()->Number(), 45.25);
  EXPECT_EQ(TextAt(s, 3, 2), u"ab");
  EXPECT_EQ(TextAt(book->GetSheet(1), 2, 1), u"2");
  // Text functions read a loaded number as its decimal text.
  Cell* joined = s->GetCellDirect(10, 0);
  joined->SetInput(u"=A1&\"|\"&LEN(B1)", u"en");
  EXPECT_EQ(joined->GetText(), u"42|4");
}

TEST(XlsxImport, SharedFormulasAreMovedToEachCell) {
  std::string sheet = Sheet1(
      "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><f t=\"shared\" ref=\"B1:B3\" si=\"0\">A1*2</f><v>2</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\"><f t=\"shared\" si=\"0\"/><v>4</v></c></row>"
      "<row r=\"3\"><c r=\"A3\"><v>3</v></c><c r=\"B3\"><f t=\"shared\" si=\"0\"/><v>6</v></c></row>");
  auto book = LoadXlsxFromMemory(Package({{"xl/worksheets/sheet1.xml", sheet}}), nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetCellDirect(2, 1)->GetEnglishFormulaText(), u"=A2*2");
  EXPECT_EQ(s->GetCellDirect(3, 1)->GetEnglishFormulaText(), u"=A3*2");
  EXPECT_EQ(s->GetCellDirect(3, 1)->GetValue()->Number(), 6);
}

TEST(XlsxImport, PictureOfAnotherProgramLoadsAtItsCell) {
  // openpyxl writes its drawing without prefixes and with a one-cell anchor.
  auto book = LoadXlsx(Data("peer_picture.xlsx"), nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetActiveSheet();
  ASSERT_EQ(s->ObjectCount(), 1);
  s->ResetObjects(1);
  SheetAnchor* anchor = s->NextObject();
  ASSERT_TRUE(anchor);
  const SheetPosition& at = anchor->GetTopLeft();
  EXPECT_EQ(at.cell, s->GetCellDirect(3, 1));
}

TEST(XlsxImport, LibreOfficeFileLoadsItsValuesFormulasAndLayout) {
  auto book = LoadXlsx(Data("peer_libreoffice.xlsx"), nullptr);
  ASSERT_TRUE(book);
  ASSERT_EQ(book->GetSheetCount(), 2);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetName(), u"Values");
  EXPECT_EQ(s->GetCellDirect(1, 0)->GetValue()->Number(), 42);
  EXPECT_EQ(TextAt(s, 1, 2), u"text from openpyxl");  // a shared string
  EXPECT_EQ(s->GetCellDirect(2, 0)->GetValue()->Number(), DateSerial(2020, 2, 1));
  EXPECT_EQ(s->GetCellDirect(3, 0)->GetEnglishFormulaText(), u"=A1*2");
  EXPECT_EQ(s->GetCellDirect(3, 2)->GetEnglishFormulaText(), u"=CONCATENATE(\"a\",\"b\")");
  EXPECT_TRUE(s->GetCellDirect(1, 3)->HasFormula());  // TRUE() as this writer stores a boolean
  const StyleRecord* bold = s->GetCellDirect(4, 0)->GetStyle();
  EXPECT_EQ(bold->font->face, u"Courier New");
  EXPECT_TRUE(bold->font->IsBold());
  EXPECT_EQ(s->GetCellDirect(4, 1)->GetStyle()->fillColor, 0x00FF00u);
  EXPECT_EQ(s->GetCellDirect(4, 3)->GetStyle()->textFlow, kTextFlowLineBreak);
  EXPECT_EQ(s->GetCellDirect(6, 0)->GetColumnSpan(), 3);
  EXPECT_EQ(s->GetColumnWidth(1), 210);
  EXPECT_EQ(s->GetRowHeight(4), 40);
  EXPECT_EQ(s->GetCellDirect(8, 0)->GetValue()->Link(), u"https://example.org/page");
  EXPECT_EQ(book->GetSheet(1)->GetCellDirect(2, 1)->GetEnglishFormulaText(), u"=1+1");
}

TEST(XlsxImport, SheetOrderStringsAndCellKinds) {
  std::string strings =
      "<sst><si><t>plain</t></si><si><r><t>ri</t></r><r><rPr/><t>ch</t></r><rPh><t>guide</t></rPh></si>"
      "<si><t>00123</t></si><si><t>=1+1</t></si><si><t>tab_x0009_here</t></si><si><t>1.2.10</t></si>"
      "<si><t>8:30</t></si><si><t>http://example.org</t></si></sst>";
  std::string sheet1 = Sheet1(
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
      "<c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c><c r=\"F1\" t=\"s\"><v>99</v></c>"
      "<c r=\"G1\" t=\"s\"><v>5</v></c><c r=\"H1\" t=\"s\"><v>6</v></c><c r=\"I1\" t=\"s\"><v>7</v></c>"
      "<c r=\"J1\" t=\"inlineStr\"><is><t>0042</t></is></c><c r=\"K1\" t=\"str\"><v>12%</v></c></row>"
      "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>inline</t></is></c><c r=\"B2\" t=\"b\"><v>0</v></c>"
      "<c r=\"C2\" t=\"e\"><v>#DIV/0!</v></c><c r=\"D2\"><v>1.5E-3</v></c><c r=\"E2\"><v>-12</v></c></row>"
      "<row><c><v>7</v></c><c><v>8</v></c></row>");
  // The second sheet comes first in the directory; sheets still follow their numbers.
  auto book = LoadXlsxFromMemory(Package({{"xl/worksheets/sheet2.xml", Sheet1("<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")},
                                          {"xl/sharedStrings.xml", strings},
                                          {"xl/worksheets/sheet1.xml", sheet1}}),
                                 nullptr);
  ASSERT_TRUE(book);
  ASSERT_EQ(book->GetSheetCount(), 2);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetName(), u"First");
  EXPECT_EQ(book->GetSheet(1)->GetName(), u"Second");
  EXPECT_EQ(TextAt(book->GetSheet(1), 1, 0), u"2");
  EXPECT_EQ(TextAt(s, 1, 0), u"plain");
  EXPECT_EQ(TextAt(s, 1, 1), u"rich");  // runs joined, the phonetic guide left out
  // Strings of the file stay the texts they hold, whatever they look like.
  struct Kept {
    int32_t column;
    const char16_t* text;
  } kept[] = {{2, u"00123"}, {3, u"=1+1"}, {6, u"1.2.10"}, {7, u"8:30"}, {8, u"http://example.org"},
              {9, u"0042"},  {10, u"12%"}};
  for (const Kept& k : kept) {
    const Cell* cell = s->GetCellDirect(1, k.column);
    ASSERT_TRUE(cell) << k.column;
    EXPECT_FALSE(cell->HasFormula()) << k.column;
    EXPECT_EQ(cell->GetValue()->Kind(), ValueKind::Text) << k.column;
    EXPECT_EQ(TextAt(s, 1, k.column), k.text) << k.column;
  }
  EXPECT_EQ(TextAt(s, 1, 4), u"tab\there");
  EXPECT_EQ(TextAt(s, 1, 5), u"");  // an index beyond the table
  EXPECT_EQ(TextAt(s, 2, 0), u"inline");
  EXPECT_TRUE(s->GetCellDirect(2, 1)->GetValue()->IsBoolean());
  EXPECT_EQ(s->GetCellDirect(2, 1)->GetValue()->Number(), 0);
  EXPECT_EQ(TextAt(s, 2, 2), u"#DIV/0!");
  EXPECT_EQ(s->GetCellDirect(2, 3)->GetValue()->Number(), 0.0015);
  EXPECT_EQ(s->GetCellDirect(2, 4)->GetValue()->Number(), -12);
  // Rows and cells without a reference follow the previous ones.
  EXPECT_EQ(TextAt(s, 3, 0), u"7");
  EXPECT_EQ(TextAt(s, 3, 1), u"8");
}

TEST(XlsxImport, WhatIsNoWorkbookIsRefusedAndBrokenPartsAreSurvived) {
  test::TempFolder folder;
  ASSERT_TRUE(WriteFileAtomically(folder.File("text.xlsx"), "a text file given the extension .xlsx"));
  EXPECT_FALSE(LoadXlsx(folder.File("text.xlsx"), nullptr));
  EXPECT_FALSE(LoadXlsx(folder.File("missing.xlsx"), nullptr));
  // A ZIP file that holds no workbook part (another kind of package).
  EXPECT_FALSE(LoadXlsxFromMemory(Package({{"word/document.xml", "<w:document/>"}}, false), nullptr));
  // Truncated: refused rather than half read.
  std::string whole = *ReadWholeFile(Data("peer_openpyxl.xlsx"));
  for (size_t cut : {whole.size() / 4, whole.size() / 2, whole.size() - 30}) (void)LoadXlsxFromMemory(whole.substr(0, cut), nullptr);

  std::string hostile = Sheet1(
      "<row r=\"99999999999\"><c r=\"A99999999999\"><v>1</v></c></row>"
      "<row r=\"-4\" ht=\"1e308\"><c r=\"ZZZZZZZZ1\" s=\"99999999\"><v>1</v></c></row>"
      "<row r=\"5\" ht=\"-3\" hidden=\"1\"><c r=\"B5\" s=\"-1\" t=\"s\"><v>-7</v></c><c r=\"C5\" s=\"1\"><v>5</v></c></row>",
      "<cols><col min=\"1\" max=\"99999999\" width=\"1e300\"/><col min=\"0\" max=\"-1\" width=\"3\"/></cols>"
      "<mergeCells><mergeCell ref=\"A1:XFD1048576\"/><mergeCell ref=\"B:B\"/></mergeCells>"
      "<sheetViews><sheetView><selection activeCell=\"ZZZZZZZZ99999999999\"/></sheetView></sheetViews>");
  std::string styles =
      "<styleSheet><fonts><font><sz val=\"99999999999\"/><b val=\"false\"/><u val=\"none\"/><i/></font></fonts><cellXfs><xf fontId=\"-1\" fillId=\"77\" "
      "borderId=\"9\" numFmtId=\"999999\"/><xf/><xf numFmtId=\"14\"><alignment indent=\"100000\"/></xf></cellXfs>"
      "</styleSheet>";
  std::u16string damage;
  auto book = LoadXlsxFromMemory(Package({{"xl/worksheets/sheet1.xml", hostile},
                                          {"xl/worksheets/sheet2.xml",
                                           "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                                           "</sheetData><broken></worksheet>"},
                                          {"xl/styles.xml", styles}}),
                                 nullptr, &damage);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  EXPECT_LE(s->GetMaxRow(), 1048576);
  EXPECT_LE(s->GetMaxColumn(), 16383);
  EXPECT_EQ(s->GetCellDirect(5, 2)->GetValue()->Number(), 5);
  // Flags switched off by their value stay off.
  const FontRecord* font = s->GetCellDirect(5, 2)->GetStyle()->font;
  EXPECT_FALSE(font->IsBold() || font->IsUnderline());
  EXPECT_TRUE(font->IsItalic());
  EXPECT_EQ(font->size, 409);
  // A worksheet that is not well-formed keeps what was read before the damage, and says so.
  ASSERT_EQ(book->GetSheetCount(), 2);
  EXPECT_EQ(book->GetSheet(1)->GetName(), u"Second");
  EXPECT_EQ(TextAt(book->GetSheet(1), 1, 0), u"1");
  EXPECT_NE(damage.find(u"xl/worksheets/sheet2.xml"), std::u16string::npos) << Utf16ToUtf8(damage);
}

// Damage cut into a part keeps every cell and string read before it and names
// the part; a whole file reports nothing.
TEST(XlsxImport, DamagedPartsKeepWhatWasReadAndAreNamed) {
  std::string rows = "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>"
                     "<row r=\"2\"><c r=\"A2\"><f>A1*2</f></c><c r=\"B2\" t=\"s\"><v>1</v></c></row>";
  std::string strings = "<sst><si><t>first</t></si><si><t>second</t></si>";
  struct Case {
    const char* what;
    std::string sheet, strings;
    const char16_t* part;
  } cases[] = {
      {"whole", Sheet1(rows), strings + "</sst>", nullptr},
      {"sheet cut short", "<worksheet><sheetData>" + rows + "<row r=\"3\"><c r=\"A3\"><v>", strings + "</sst>",
       u"xl/worksheets/sheet1.xml"},
      {"invalid UTF-8", "<worksheet><sheetData>" + rows + "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>\xff\xfe</t>",
       strings + "</sst>", u"xl/worksheets/sheet1.xml"},
      {"strings cut short", Sheet1(rows), strings + "<si><t>thi", u"xl/sharedStrings.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::u16string damage = u"stale";
    auto book = LoadXlsxFromMemory(
        Package({{"xl/sharedStrings.xml", c.strings}, {"xl/worksheets/sheet1.xml", c.sheet}}), nullptr, &damage);
    ASSERT_TRUE(book);
    Sheet* s = book->GetSheet(0);
    EXPECT_EQ(TextAt(s, 1, 0), u"1");
    EXPECT_EQ(TextAt(s, 2, 0), u"2");
    EXPECT_EQ(TextAt(s, 1, 1), u"first");
    EXPECT_EQ(TextAt(s, 2, 1), u"second");
    if (c.part) {
      EXPECT_NE(damage.find(c.part), std::u16string::npos) << Utf16ToUtf8(damage);
    } else {
      EXPECT_EQ(damage, u"");
    }
  }
}

// Formulas that read cells stored after them, in any order and across a
// cycle, are computed once the file is in.
TEST(XlsxImport, FormulasAreComputedAfterTheWholeFileIsRead) {
  auto book = LoadXlsxFromMemory(
      Package({{"xl/worksheets/sheet1.xml",
                Sheet1("<row r=\"1\"><c r=\"A1\"><f>SUM(A2:A4)</f></c><c r=\"B1\"><f>B2+1</f></c>"
                       "<c r=\"C1\"><f>C2</f></c></row>"
                       "<row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"B2\"><f>B3+1</f></c><c r=\"C2\"><f>C1</f></c></row>"
                       "<row r=\"3\"><c r=\"A3\"><v>2</v></c><c r=\"B3\"><v>10</v></c></row>"
                       "<row r=\"4\"><c r=\"A4\"><f>B1</f></c></row>")}}),
      nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(TextAt(s, 1, 1), u"12");
  EXPECT_EQ(TextAt(s, 4, 0), u"12");
  EXPECT_EQ(TextAt(s, 1, 0), u"15");
  EXPECT_EQ(TextAt(s, 1, 2), u"Cycle Found");
  EXPECT_EQ(TextAt(s, 2, 2), u"Cycle Found");
  // The loaded formulas stay live.
  s->GetCellDirect(3, 1)->SetInput(u"20");
  EXPECT_EQ(TextAt(s, 1, 0), u"25");
}

// Sheets stored in reverse order come in their own order; overlapping col
// spans are settled by the later one.
TEST(XlsxImport, ReverseSheetsAndOverlappingColumnSpans) {
  std::string cols = "<cols><col min=\"1\" max=\"16384\" width=\"2\"/><col min=\"2\" max=\"3\" width=\"10\"/>"
                     "<col min=\"3\" max=\"3\" width=\"20\"/></cols>";
  auto book = LoadXlsxFromMemory(Package({{"xl/worksheets/sheet2.xml", Sheet1("<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")},
                                          {"xl/worksheets/sheet1.xml", "<worksheet>" + cols + "<sheetData/></worksheet>"}}),
                                 nullptr);
  ASSERT_TRUE(book);
  ASSERT_EQ(book->GetSheetCount(), 2);
  EXPECT_EQ(book->GetSheet(0)->GetName(), u"First");
  EXPECT_EQ(TextAt(book->GetSheet(1), 1, 0), u"2");
  Sheet* s = book->GetSheet(0);
  EXPECT_EQ(s->GetColumnWidth(0), 14);
  EXPECT_EQ(s->GetColumnWidth(1), 70);
  EXPECT_EQ(s->GetColumnWidth(2), 140);
  EXPECT_EQ(s->GetColumnWidth(16383), 14);
}

TEST(XlsxRoundTrip, AutoFilterWithItsValueList) {
  std::string rows;
  const char* values[] = {"kind", "x", "y", "x", "z"};
  for (int r = 1; r <= 5; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" t=\"inlineStr\"><is><t>" +
            values[r - 1] + "</t></is></c><c r=\"B" + std::to_string(r) + "\"><v>" + std::to_string(r) + "</v></c></row>";
  std::string sheet = "<worksheet><sheetData>" + rows +
                      "</sheetData><autoFilter ref=\"A1:B9999\"><filterColumn colId=\"0\"><filters><filter val=\"x\"/>"
                      "</filters></filterColumn></autoFilter></worksheet>";
  auto book = LoadXlsxFromMemory(Package({{"xl/worksheets/sheet1.xml", sheet}}), nullptr);
  ASSERT_TRUE(book);
  auto hiddenOf = [](Sheet* s) {
    std::vector<int32_t> hidden;
    Filter* filter = s->GetFilter();
    if (!filter) return hidden;
    for (int32_t d = 1; d <= filter->GetEntryCount(); ++d) {
      const FilterRowEntry* e = filter->GetRowEntry(filter->GetHeaderRow() + d);
      if (e && e->hidden) hidden.push_back(e->row->GetIndex());
    }
    std::sort(hidden.begin(), hidden.end());
    return hidden;
  };
  Sheet* s = book->GetSheet(0);
  ASSERT_TRUE(s->GetFilter());
  EXPECT_EQ(s->GetFilter()->GetRange()->ToString(), u"A1:B5");  // not beyond the data
  EXPECT_EQ(hiddenOf(s), (std::vector<int32_t>{3, 5}));

  test::TempFolder folder;
  std::string path = folder.File("filter.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  auto back = LoadXlsx(path, nullptr);
  ASSERT_TRUE(back && back->GetSheet(0)->GetFilter());
  EXPECT_EQ(back->GetSheet(0)->GetFilter()->GetRange()->ToString(), u"A1:B5");
  EXPECT_EQ(hiddenOf(back->GetSheet(0)), (std::vector<int32_t>{3, 5}));
  // The filter's area is named too, as other programs need it.
  EXPECT_EQ(Python(R"(import sys, zipfile, openpyxl
import xml.etree.ElementTree as ET
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(ws.auto_filter.ref, [r for r in range(1, 6) if ws.row_dimensions[r].hidden])
root = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read("xl/workbook.xml"))
for n in root.iter("{http://schemas.openxmlformats.org/spreadsheetml/2006/main}definedName"):
    print(n.get("name"), n.get("localSheetId"), n.get("hidden"), n.text)
)",
                   path),
            "A1:B5 [3, 5]\n_xlnm._FilterDatabase 0 1 'First'!$A$1:$B$5\n");
}

// A workbook with what the format carries, built through the model.
std::unique_ptr<Workbook> SampleBook() {
  auto book = std::make_unique<Workbook>(u"sample", nullptr);
  Sheet* s = book->GetActiveSheet();
  s->SetName(u"Data");
  s->GetCellDirect(1, 0)->SetInput(u"12.5");
  s->GetCellDirect(1, 1)->SetInput(u"text & <markup>");
  s->GetCellDirect(1, 2)->SetInput(u"1.2.2020");
  s->GetCellDirect(1, 3)->SetValue(NewNumber(1.0 / 3));
  s->GetCellDirect(1, 4)->SetValue(NewNumber(1e-12));
  s->GetCellDirect(1, 5)->SetValue(BooleanValue(true));
  s->GetCellDirect(2, 0)->SetInput(u"=A1*2", u"en");
  s->GetCellDirect(2, 1)->SetValue(NewHyperlink(u"site", u"https://example.org/x"));
  s->GetCellDirect(2, 2)->SetInput(u"  spaced  ");
  s->GetCellDirect(2, 3)->SetInput(u"text & <markup>");
  StyleRecord style = s->GetCellDirect(3, 5)->CopyStyle();
  style.font = GetFont(u"Courier New", 12, kFontFlagBold | kFontFlagItalic);
  style.textColor = 0x0000FF;
  style.fillColor = 0x00FFFF;
  style.bottom.lineStyle = kBorderMedium;
  style.left.lineStyle = kBorderDotted;
  style.top.lineStyle = kBorderDouble;
  style.right.lineStyle = kBorderDashedLong;
  style.horizontalAlignment = kHorizontalRight;
  style.verticalAlignment = kVerticalTop;
  style.textFlow = kTextFlowLineBreak;
  s->GetCellDirect(3, 5)->SetStyle(style);
  s->GetCellDirect(3, 5)->SetInput(u"styled");
  // Wrapped, with the standard horizontal alignment.
  style.horizontalAlignment = kHorizontalGeneral;
  style.left = style.right = style.top = style.bottom = BorderLine{};
  s->GetCellDirect(6, 6)->SetStyle(style);
  s->GetCellDirect(6, 6)->SetInput(u"7");
  s->GetColumn(1)->SetWidth(175);
  s->GetRow(3)->SetHeight(40, true);
  s->GetCellDirect(4, 0)->SetInput(u"merged");
  s->SetSelection(std::make_unique<AreaRange>(0, 4, 2, 5, s));
  s->MergeCells(false);
  Sheet* second = book->AddSheet(u"Data");
  second->SetName(u"Data");
  second->GetCellDirect(1, 0)->SetInput(u"text & <markup>");
  return book;
}

TEST(XlsxRoundTrip, SavedWorkbookReadsBackTheSame) {
  test::TempFolder folder;
  auto book = SampleBook();
  std::string path = folder.File("sample.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  auto back = LoadXlsx(path, nullptr);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->GetSheetCount(), 2);
  Sheet* s = back->GetSheet(0);
  EXPECT_EQ(back->GetSheet(1)->GetName(), u"Data (1)");
  EXPECT_EQ(s->GetCellDirect(1, 0)->GetValue()->Number(), 12.5);
  EXPECT_EQ(TextAt(s, 1, 1), u"text & <markup>");
  EXPECT_EQ(TextAt(s, 1, 2), TextAt(book->GetActiveSheet(), 1, 2));
  EXPECT_EQ(s->GetCellDirect(1, 2)->GetValue()->Number(), DateSerial(2020, 2, 1));
  // Numbers come back exactly, however many decimals they have.
  EXPECT_EQ(s->GetCellDirect(1, 3)->GetValue()->Number(), 1.0 / 3);
  EXPECT_EQ(s->GetCellDirect(1, 4)->GetValue()->Number(), 1e-12);
  EXPECT_TRUE(s->GetCellDirect(1, 5)->GetValue()->IsBoolean());
  EXPECT_EQ(s->GetCellDirect(2, 0)->GetEnglishFormulaText(), u"=A1*2");
  EXPECT_EQ(s->GetCellDirect(2, 1)->GetValue()->Link(), u"https://example.org/x");
  EXPECT_EQ(TextAt(s, 2, 2), u"  spaced  ");
  const StyleRecord* style = s->GetCellDirect(3, 5)->GetStyle();
  EXPECT_EQ(style->font->face, u"Courier New");
  EXPECT_EQ(style->font->size, 12);
  EXPECT_TRUE(style->font->IsBold() && style->font->IsItalic());
  EXPECT_EQ(style->textColor, 0x0000FFu);
  EXPECT_EQ(style->fillColor, 0x00FFFFu);
  EXPECT_EQ(style->bottom.lineStyle, kBorderMedium);
  EXPECT_EQ(style->left.lineStyle, kBorderDotted);
  EXPECT_EQ(style->top.lineStyle, kBorderDouble);
  EXPECT_EQ(style->right.lineStyle, kBorderDashedLong);
  EXPECT_EQ(style->horizontalAlignment, kHorizontalRight);
  EXPECT_EQ(style->verticalAlignment, kVerticalTop);
  EXPECT_EQ(style->textFlow, kTextFlowLineBreak);
  EXPECT_EQ(s->GetCellDirect(6, 6)->GetStyle()->horizontalAlignment, kHorizontalGeneral);
  EXPECT_EQ(s->GetCellDirect(6, 6)->GetStyle()->textFlow, kTextFlowLineBreak);
  EXPECT_EQ(s->GetColumnWidth(1), 175);
  EXPECT_EQ(s->GetRowHeight(3), 40);
  EXPECT_EQ(s->GetCellDirect(4, 0)->GetColumnSpan(), 3);
  EXPECT_EQ(s->GetCellDirect(4, 0)->GetRowSpan(), 2);
  EXPECT_EQ(TextAt(back->GetSheet(1), 1, 0), u"text & <markup>");

  // The shared strings hold the repeated text once.
  auto reader = PackageReader::Open(path);
  ASSERT_TRUE(reader);
  std::string sst;
  while (reader->Next())
    if (reader->Name() == "xl/sharedStrings.xml") reader->Read(sst);
  auto table = XmlDocument::Parse(sst);
  ASSERT_TRUE(table);
  int repeated = 0;
  for (XmlNode* si = table->Root()->FirstChild(); si; si = si->NextSibling())
    repeated += si->Find("t") && si->Find("t")->Text() == "text & <markup>";
  EXPECT_EQ(repeated, 1);
  int64_t count = std::stoll(std::string(table->Root()->Attribute("count")));
  int64_t unique = std::stoll(std::string(table->Root()->Attribute("uniqueCount")));
  EXPECT_EQ(unique, table->Root()->ChildCount());
  EXPECT_EQ(count - unique, 2);  // the one text is used three times
}

// A sheet whose part is several megabytes goes to the package in pieces: the
// member carries no size of its own, and we and other readers still read it
// whole, without ZIP64 fields.
TEST(XlsxRoundTrip, BigSheetWrittenInPiecesReadsBackWhole) {
  test::TempFolder folder;
  Workbook book(u"Data", nullptr);
  Sheet* sheet = book.GetActiveSheet();
  constexpr int kRows = 40000;
  for (int r = 1; r <= kRows; ++r) {
    sheet->GetCellDirect(r, 0)->SetValue(NewNumber(r + 0.5));
    sheet->GetCellDirect(r, 1)->SetInput(u"row " + Utf8ToUtf16(std::to_string(r)));
    sheet->GetCellDirect(r, 2)->SetInput(u"=A" + Utf8ToUtf16(std::to_string(r)) + u"*2");
  }
  std::string path = folder.File("big.xlsx");
  ASSERT_TRUE(SaveXlsx(book, path));
  auto back = LoadXlsx(path, nullptr);
  ASSERT_TRUE(back);
  Sheet* s = back->GetActiveSheet();
  for (int r : {1, kRows / 2, kRows}) {
    EXPECT_EQ(s->GetCellDirect(r, 0)->GetValue()->Number(), r + 0.5);
    EXPECT_EQ(TextAt(s, r, 1), u"row " + Utf8ToUtf16(std::to_string(r)));
    EXPECT_EQ(s->GetCellDirect(r, 2)->GetValue()->Number(), 2 * r + 1.0);
  }
  EXPECT_EQ(s->GetMaxRow(), kRows);
  EXPECT_EQ(Python(R"(import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
info = z.getinfo("xl/worksheets/sheet1.xml")
print(z.testzip(), info.file_size > 2 ** 21, info.extract_version, z.read(info.filename).count(b"<row "))
)",
                   path),
            "None True 20 40000\n");
}

TEST(XlsxRoundTrip, AnotherProgramReadsWhatWeWrite) {
  test::TempFolder folder;
  auto book = SampleBook();
  std::string path = folder.File("sample.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  std::string out = Python(R"(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
print(wb.sheetnames)
print(ws["A1"].value, ws["B1"].value, ws["C1"].value.date(), ws["D1"].value, ws["E1"].value, ws["F1"].value)
print(ws["A2"].value, ws["B2"].value, ws["B2"].hyperlink.target, repr(ws["C2"].value))
c = ws["F3"]
print(c.font.name, c.font.sz, c.font.b, c.font.i, c.font.color.rgb, c.fill.fgColor.rgb, c.border.bottom.style,
      c.alignment.horizontal, c.alignment.vertical, c.alignment.wrap_text)
print(ws.column_dimensions["B"].width, ws.row_dimensions[3].height, [str(r) for r in ws.merged_cells.ranges])
)",
                           path);
  EXPECT_EQ(out,
            "['Data', 'Data (1)']\n"
            "12.5 text & <markup> 2020-02-01 0.3333333333333333 1e-12 True\n"
            "=A1*2 site https://example.org/x '  spaced  '\n"
            "Courier New 12.0 True True FFFF0000 FFFFFF00 medium right top True\n"
            "25.0 30.0 ['A4:C5']\n");
}

TEST(XlsxRoundTrip, PicturesTravelWithTheirBytesAndPlace) {
  test::TempFolder folder;
  PixelImage pixels(6, 4);
  for (auto& b : pixels.rgba) b = 255;
  std::string jpeg = *EncodeJpeg(pixels);
  auto book = std::make_unique<Workbook>(u"p", nullptr);
  Sheet* s = book->GetActiveSheet();
  for (int sheet = 0; sheet < 2; ++sheet) {
    Sheet* target = sheet == 0 ? s : book->AddSheet(u"two");
    auto image = ImageFromMemory(jpeg, 60, 40, sheet == 0 ? u"photo.jpg" : u"scan.GIF");
    ASSERT_TRUE(image);
    target->AddObject(std::make_unique<ObjectAnchor>(target, target->GetCellDirect(2, 1), std::move(image), 5, 3));
  }
  std::string path = folder.File("pictures.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  std::vector<std::string> names;
  auto reader = PackageReader::Open(path);
  while (reader->Next()) names.push_back(reader->Name());
  EXPECT_NE(std::find(names.begin(), names.end(), "xl/media/image1.jpg"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "xl/media/image2.gif"), names.end());
  std::string types;
  reader = PackageReader::Open(path);
  while (reader->Next())
    if (reader->Name() == "[Content_Types].xml") reader->Read(types);
  EXPECT_NE(types.find("<Default Extension=\"gif\" ContentType=\"image/gif\"/>"), std::string::npos);

  auto back = LoadXlsx(path, nullptr);
  ASSERT_TRUE(back);
  for (int sheet = 0; sheet < 2; ++sheet) {
    Sheet* t = back->GetSheet(sheet);
    ASSERT_EQ(t->ObjectCount(), 1);
    t->ResetObjects(1);
    SheetAnchor* anchor = t->NextObject();
    EXPECT_EQ(anchor->GetKind(), kObjectImage);
    EXPECT_EQ(anchor->GetTopLeft().cell->GetRowIndex(), 2);
    EXPECT_EQ(anchor->GetTopLeft().cell->GetColumnIndex(), 1);
    EXPECT_EQ(anchor->GetTopLeft().x, 5);
    EXPECT_EQ(anchor->GetTopLeft().y, 3);
    auto* image = static_cast<Image*>(anchor->GetObject());
    EXPECT_EQ(image->GetObjectWidth(), 60);
    EXPECT_EQ(image->GetObjectHeight(), 40);
    EXPECT_TRUE(image->GetBytes() == jpeg);
    EXPECT_EQ(image->GetFileName(), sheet == 0 ? u"photo.jpg" : u"scan.GIF");
  }
}

TEST(XlsxSave, FailureLeavesTheOldFileAndIsReported) {
  test::TempFolder folder;
  auto book = SampleBook();
  std::string reason;
  EXPECT_FALSE(SaveXlsx(*book, folder.File("no/such/folder/book.xlsx"), &reason));
  EXPECT_FALSE(reason.empty());
  // A target that cannot be replaced (a folder) stays as it was.
  ASSERT_TRUE(MakeFolders(folder.File("taken.xlsx")));
  EXPECT_FALSE(SaveXlsx(*book, folder.File("taken.xlsx"), &reason));
  ASSERT_TRUE(WriteFileAtomically(folder.File("old.xlsx"), "old contents"));
  ASSERT_TRUE(SaveXlsx(*book, folder.File("old.xlsx")));
  EXPECT_TRUE(LoadXlsx(folder.File("old.xlsx"), nullptr));
}

}  // namespace
}  // namespace quadrell

namespace quadrell {
namespace {

TEST(XlsxRoundTrip, DatesAndTimesCrossAsTheFilesSerials) {
  test::TempFolder folder;
  Workbook book(u"dates", nullptr);
  Sheet* s = book.GetActiveSheet();
  s->GetCellDirect(1, 0)->SetInput(u"=DATE(2020,2,1)", u"en");
  s->GetCellDirect(1, 1)->SetInput(u"8:05");
  s->GetCellDirect(1, 2)->SetInput(u"=TIME(8,5,0)", u"en");
  s->GetCellDirect(1, 3)->SetInput(u"=DATE(2100,3,1)", u"en");
  s->GetCellDirect(1, 4)->SetInput(u"=TIME(23,59,59)", u"en");
  // A date value under a plain number format still goes out as a date.
  s->GetCellDirect(1, 5)->SetValue(NewNumber(43860.5, kFormatDateTime));
  s->GetCellDirect(1, 6)->SetValue(WithFormat(NewNumber(43860, kFormatShortDate), kFormatDateTime));
  EXPECT_EQ(s->GetCellText(1, 6), u"1.2.2020 0:00");  // rendered again under its new format
  std::string path = folder.File("dates.xlsx");
  ASSERT_TRUE(SaveXlsx(book, path));
  std::string out = Python(R"(import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1], data_only=True).worksheets[0]
print([str(ws.cell(1, c).value) for c in range(1, 8)])
print(ws["B1"].value == ws["C1"].value)
)",
                           path);
  EXPECT_EQ(out,
            "['2020-02-01 00:00:00', '08:05:00', '08:05:00', '2100-03-01 00:00:00', '23:59:59', "
            "'2020-02-01 12:00:00', '2020-02-01 00:00:00']\nTrue\n");
  auto back = LoadXlsx(path, nullptr);
  ASSERT_TRUE(back);
  Sheet* b = back->GetActiveSheet();
  EXPECT_EQ(b->GetCellText(1, 0), u"1.2.2020");
  EXPECT_EQ(b->GetCellDirect(1, 1)->GetValue()->Number(), TimeSerial(8, 5, 0));
  EXPECT_EQ(b->GetCellText(1, 3), u"1.3.2100");
  EXPECT_EQ(b->GetCellText(1, 5), u"1.2.2020 12:00");
}

// A file of another program: its strings stay texts, its custom codes render
// by their tokens and are kept, and its unstyled cells keep their alignment.
TEST(XlsxRoundTrip, OpenpyxlFileComesBackUnchanged) {
  test::TempFolder folder;
  std::string source = folder.File("peer.xlsx");
  std::string made = Python(R"(import sys, datetime, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
for column, text in enumerate(["00123", "1.2.10", "8:30", "=not a formula", "50%", "TRUE"], 1):
    ws.cell(1, column).value = text
    ws.cell(1, column).data_type = "s"
ws["A2"] = datetime.datetime(2020, 2, 1)
ws["A2"].number_format = "DD.MM.YYYY"
ws["B2"] = datetime.time(13, 5)
ws["B2"].number_format = "HH:MM:SS"
ws["C2"] = 1234.5
ws["C2"].number_format = "#,##0.00"
ws["D2"] = 0.25
ws["D2"].number_format = "General"
ws["E2"] = 7
ws["A3"] = "hidden row"
ws.row_dimensions[3].hidden = True
ws.column_dimensions["F"].hidden = True
from openpyxl.worksheet.hyperlink import Hyperlink
ws["G1"] = "go"
ws["G1"].hyperlink = Hyperlink(ref="G1", location="Sheet!A2")
wb.save(sys.argv[1])
print("ok")
)",
                            source);
  ASSERT_EQ(made, "ok\n");
  auto book = LoadXlsx(source, nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetActiveSheet();
  const char16_t* texts[] = {u"00123", u"1.2.10", u"8:30", u"=not a formula", u"50%", u"TRUE"};
  for (int32_t c = 0; c < 6; ++c) {
    EXPECT_EQ(s->GetCellDirect(1, c)->GetValue()->Kind(), ValueKind::Text) << c;
    EXPECT_EQ(s->GetCellText(1, c), texts[c]) << c;
  }
  EXPECT_EQ(s->GetCellText(2, 0), u"1.2.2020");
  EXPECT_EQ(s->GetCellText(2, 1), u"13:05:00");
  EXPECT_EQ(s->GetCellText(2, 2), u"1.234,50");
  EXPECT_EQ(s->GetCellText(2, 3), u"0,25");
  EXPECT_EQ(s->GetCellDirect(1, 6)->GetValue()->Link(), u"#Sheet!A2");
  ASSERT_TRUE(s->FindColumn(5));
  EXPECT_TRUE(s->FindColumn(5)->IsHidden());
  EXPECT_TRUE(s->FindRow(3)->IsHidden());
  std::string path = folder.File("back.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  std::string out = Python(R"(import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print([ws.cell(1, c).value for c in range(1, 7)], [ws.cell(1, c).data_type for c in range(1, 7)])
print(ws["A2"].value, ws["A2"].number_format, ws["B2"].value, ws["B2"].number_format, ws["C2"].number_format)
print([ws.cell(r, c).alignment.vertical for r in (1, 2) for c in range(1, 6)])
print(ws.row_dimensions[3].hidden, ws.column_dimensions["F"].hidden, ws.column_dimensions["E"].hidden,
      ws["G1"].value, ws["G1"].hyperlink.location, ws["G1"].hyperlink.target)
)",
                           path);
  EXPECT_EQ(out,
            "['00123', '1.2.10', '8:30', '=not a formula', '50%', 'TRUE'] ['s', 's', 's', 's', 's', 's']\n"
            "2020-02-01 00:00:00 DD.MM.YYYY 13:05:00 HH:MM:SS #,##0.00\n"
            "[None, None, None, None, None, None, None, None, None, None]\n"
            "True True False go Sheet!A2 None\n");
}

}  // namespace
}  // namespace quadrell

namespace quadrell {
namespace {

TEST(XlsxRoundTrip, CommentsTravelBothWaysShownOrHidden) {
  test::TempFolder folder;
  std::string source = folder.File("notes.xlsx");
  ASSERT_EQ(Python(R"(import sys, openpyxl
from openpyxl.comments import Comment
wb = openpyxl.Workbook()
ws = wb.active
ws["B2"] = 5
ws["B2"].comment = Comment("check & <this>\nsecond line", "Ann")
ws["D4"].comment = Comment("on an empty cell", "Bob")
wb.save(sys.argv[1])
print("ok")
)",
                   source),
            "ok\n");
  auto book = LoadXlsx(source, nullptr);
  ASSERT_TRUE(book);
  Sheet* s = book->GetActiveSheet();
  const CommentRecord* first = s->GetCellDirect(2, 1)->GetComment();
  const CommentRecord* second = s->GetCellDirect(4, 3)->GetComment();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->GetAuthor(), u"Ann");
  EXPECT_EQ(first->GetText(), u"check & <this>\nsecond line");
  EXPECT_EQ(second->GetAuthor(), u"Bob");
  EXPECT_FALSE(s->GetCommentObject(first));  // hidden, as the file has it

  ShowComment(s, s->GetCellDirect(4, 3));
  std::string path = folder.File("back.xlsx");
  ASSERT_TRUE(SaveXlsx(*book, path));
  EXPECT_EQ(Python(R"(import sys, zipfile, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
for ref in ("B2", "D4"):
    print(ref, repr(ws[ref].comment.text), ws[ref].comment.author)
names = zipfile.ZipFile(sys.argv[1]).namelist()
print("xl/comments1.xml" in names, "xl/drawings/vmlDrawing1.vml" in names)
)",
                   path),
            "B2 'check & <this>\\nsecond line' Ann\nD4 'on an empty cell' Bob\nTrue True\n");
  auto back = LoadXlsx(path, nullptr);
  ASSERT_TRUE(back);
  Sheet* b = back->GetActiveSheet();
  ASSERT_TRUE(b->GetCellDirect(2, 1)->GetComment() && b->GetCellDirect(4, 3)->GetComment());
  EXPECT_EQ(b->GetCellDirect(2, 1)->GetComment()->GetText(), u"check & <this>\nsecond line");
  EXPECT_FALSE(b->GetCommentObject(b->GetCellDirect(2, 1)->GetComment()));
  EXPECT_TRUE(b->GetCommentObject(b->GetCellDirect(4, 3)->GetComment()));  // shown stays shown
}

}  // namespace
}  // namespace quadrell

namespace quadrell {
namespace {

TEST(XlsxPanes, FrozenPanesSurviveARoundTripAndReadAsOtherProgramsWriteThem) {
  struct Case {
    Sheet::FrozenPanes panes;
  } cases[] = {
      {{0, 1, 1, 2}},    // first row and column
      {{0, 1, 0, 4}},    // three rows only
      {{2, 10, 5, 10}},  // columns only, scrolled to C10 when frozen
  };
  for (const Case& c : cases) {
    Workbook book(u"Book", nullptr);
    book.GetActiveSheet()->GetCellDirect(1, 0)->SetInput(u"x");
    book.GetActiveSheet()->SetFrozenPanes(c.panes);
    std::string bytes;
    ASSERT_TRUE(SaveXlsxToMemory(book, bytes));
    std::unique_ptr<Workbook> back = LoadXlsxFromMemory(bytes, nullptr);
    ASSERT_NE(back, nullptr);
    const Sheet::FrozenPanes& read = back->GetActiveSheet()->GetFrozenPanes();
    EXPECT_EQ(std::tuple(read.firstColumn, read.firstRow, read.scrollColumn, read.scrollRow),
              std::tuple(c.panes.firstColumn, c.panes.firstRow, c.panes.scrollColumn, c.panes.scrollRow));
  }
  // A sheet without frozen panes writes none and reads none.
  Workbook plain(u"Book", nullptr);
  std::string bytes;
  ASSERT_TRUE(SaveXlsxToMemory(plain, bytes));
  EXPECT_FALSE(LoadXlsxFromMemory(bytes, nullptr)->GetActiveSheet()->GetFrozenPanes().Any());
}

}  // namespace
}  // namespace quadrell
