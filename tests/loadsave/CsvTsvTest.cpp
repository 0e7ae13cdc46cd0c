#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "loadsave/LoadSaveCsvTsv.h"
#include "model/Cell.h"
#include "model/PlainHost.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/Files.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

using Texts = std::vector<std::u16string>;

class CsvTsvTest : public ::testing::Test {
 protected:
  PlainHost host;
  Workbook workbook{u"test", &host};
  Sheet* sheet = workbook.GetActiveSheet();
  test::TempFolder folder;

  // The display texts of a row's cells, column 0 to its last column.
  static Texts RowTexts(Sheet& s, int32_t row) {
    Texts texts;
    Row* r = s.FindRow(row);
    if (!r) return texts;
    for (int32_t c = 0; c <= r->GetLastColumn(); ++c) {
      Cell* cell = r->FindCell(c);
      texts.push_back(cell ? cell->GetText() : u"<none>");
    }
    return texts;
  }
  std::string Write(const std::string& name, const std::string& contents) {
    std::string path = folder.File(name);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  static std::string Read(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }
};

TEST_F(CsvTsvTest, CsvFieldsAreReadAsTyped) {
  struct Case {
    std::string line;
    Texts fields;
  };
  const Case cases[] = {
      {"a;\"b;c\";\"say \"\"hi\"\"\"", {u"a", u"b;c", u"say \"hi\""}},
      {"1;2;", {u"1", u"2", u""}},
      {"\n", {u""}},
      {"x;\"abc", {u"x", u"abc"}},
      // Nothing after a closing quote is lost; a quote inside a field quotes the rest of the line.
      {"\"ab\"cd;e", {u"abcd", u"e"}},
      {"ab\"c;d\"e;f", {u"abc;de", u"f"}},
      {"\"\"", {u""}},
      {"1,5;50%;\xC3\xA4\xE2\x82\xAC", {u"1,5", u"50%", u"\u00E4\u20AC"}},
  };
  for (const Case& c : cases) {
    Workbook fresh(u"csv", &host);
    ReadCsv(*fresh.GetActiveSheet(), c.line);
    EXPECT_EQ(RowTexts(*fresh.GetActiveSheet(), 1), c.fields) << c.line;
  }
}

TEST_F(CsvTsvTest, LinesEndAtCrLfOrCrLfAndAByteOrderMarkIsDropped) {
  ReadCsv(*sheet, "\xEF\xBB\xBF" "1;a\r\nb\rc\n\r\nd\r\n");
  EXPECT_EQ(RowTexts(*sheet, 1), (Texts{u"1", u"a"}));
  EXPECT_EQ(sheet->GetCellDirect(1, 0)->GetValue()->Number(), 1);
  EXPECT_EQ(RowTexts(*sheet, 2), (Texts{u"b"}));
  EXPECT_EQ(RowTexts(*sheet, 3), (Texts{u"c"}));
  EXPECT_EQ(RowTexts(*sheet, 4), (Texts{u""}));
  EXPECT_EQ(RowTexts(*sheet, 5), (Texts{u"d"}));
  EXPECT_EQ(sheet->GetMaxRow(), 5);
}

TEST_F(CsvTsvTest, SavingWritesDisplayTextsAndEmptyLines) {
  sheet->GetCellDirect(1, 0)->SetInput(u"x;y");
  sheet->GetCellDirect(1, 1)->SetInput(u"q");
  sheet->GetCellDirect(3, 2)->SetInput(u"say \"hi\"");
  sheet->GetCellDirect(4, 0)->SetValue(NewNumber(0.25, kFormatPercent));
  EXPECT_EQ(WriteCsv(*sheet), "\"x;y\";q\r\n\r\n;;\"say \"\"hi\"\"\"\r\n25%\r\n");
  EXPECT_EQ(WriteTsv(*sheet), "x;y\tq\r\n\r\n\t\tsay \"hi\"\r\n25%\r\n");
  // Read back, the formatted text is typed again.
  Workbook back(u"back", &host);
  ReadCsv(*back.GetActiveSheet(), WriteCsv(*sheet));
  EXPECT_EQ(back.GetActiveSheet()->GetCellDirect(4, 0)->GetValue()->Number(), 0.25);
  EXPECT_EQ(RowTexts(*back.GetActiveSheet(), 1), (Texts{u"x;y", u"q"}));
}

TEST_F(CsvTsvTest, BigSheetsAreWrittenInRowOrder) {
  // Big sheets are rendered in blocks of rows on two threads: every row must
  // come out once, in order, including empty rows, a text too long for one
  // piece and the rows around the last block's end.
  const int32_t rows = 40000;
  std::string expected;
  for (int32_t r = 1; r <= rows; ++r) {
    if (r % 997 == 0) {
      expected += "\r\n";
      continue;
    }
    sheet->GetCellDirect(r, 0)->SetValue(NewNumber(r + 0.5));
    expected += std::to_string(r) + ",5";
    if (r % 3 == 0) {
      sheet->GetCellDirect(r, 2)->SetInput(u"a;" + Utf8ToUtf16(std::to_string(r)));
      expected += ";;\"a;" + std::to_string(r) + "\"";
    }
    expected += "\r\n";
  }
  std::string wide(1500000, 'w');
  sheet->GetCellDirect(5000, 1)->SetInput(Utf8ToUtf16(wide));
  size_t at = expected.find("\r\n5000,5") + 2;
  expected.insert(expected.find("\r\n", at), ";" + wide);
  std::string path = folder.File("big.csv");
  std::string error;
  ASSERT_TRUE(SaveCsv(*sheet, path, &error)) << error;
  EXPECT_TRUE(Read(path) == expected);
  EXPECT_TRUE(WriteCsv(*sheet) == expected);
}

TEST_F(CsvTsvTest, TsvNeverQuotesAndKeepsRowsWhole) {
  ReadTsv(*sheet, "\"a\"\tb\t\r\n\t");
  EXPECT_EQ(RowTexts(*sheet, 1), (Texts{u"\"a\"", u"b", u""}));
  EXPECT_EQ(RowTexts(*sheet, 2), (Texts{u"", u""}));
  Workbook other(u"other", &host);
  Sheet& s = *other.GetActiveSheet();
  s.GetCellDirect(1, 0)->SetInput(u"tab\there");
  s.GetCellDirect(1, 1)->SetValue(NewText(u"two\r\nlines\nthree"));
  EXPECT_EQ(WriteTsv(s), "tab here\ttwo lines three\r\n");
}

TEST_F(CsvTsvTest, ACellWithLineBreaksSurvivesCsv) {
  EXPECT_EQ(QuoteCsvField(u"plain"), u"plain");
  EXPECT_EQ(QuoteCsvField(u"a\nb"), u"\"a\nb\"");
  sheet->GetCellDirect(1, 0)->SetValue(NewText(u"first\r\nsecond"));
  sheet->GetCellDirect(1, 1)->SetInput(u"next");
  sheet->GetCellDirect(2, 0)->SetInput(u"row 2");
  Workbook back(u"back", &host);
  ReadCsv(*back.GetActiveSheet(), WriteCsv(*sheet));
  EXPECT_EQ(RowTexts(*back.GetActiveSheet(), 1), (Texts{u"first\r\nsecond", u"next"}));
  EXPECT_EQ(RowTexts(*back.GetActiveSheet(), 2), (Texts{u"row 2"}));
}

TEST_F(CsvTsvTest, FilesAreReadInPiecesWithoutLosingALineEnd) {
  // A CR LF split where the reader's first piece ends.
  std::string contents(1 << 20, 'a');
  contents[(1 << 20) - 1] = '\r';
  contents += "\nlast";
  std::string path = Write("split.csv", contents);
  std::string error = "unset";
  auto loaded = LoadCsv(&host, path, &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(loaded->GetName(), std::u16string(path.begin(), path.end()));
  Sheet& s = *loaded->GetActiveSheet();
  EXPECT_EQ(s.GetMaxRow(), 2);
  EXPECT_EQ(s.GetCellText(1, 0).size(), (1u << 20) - 1);
  EXPECT_EQ(s.GetCellText(2, 0), u"last");
  auto tsv = LoadTsv(&host, Write("t.tsv", "1\t2\n3"), &error);
  EXPECT_EQ(RowTexts(*tsv->GetActiveSheet(), 2), (Texts{u"3"}));
}

TEST_F(CsvTsvTest, AFileThatCannotBeReadGivesAnEmptyWorkbookAndTheReason) {
  for (const std::string& path : {folder.File("missing.csv"), folder.Path()}) {
    std::string error;
    auto loaded = LoadCsv(&host, path, &error);
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(error.empty()) << path;
    EXPECT_EQ(loaded->GetActiveSheet()->GetCellText(1, 0), u"");
    EXPECT_EQ(loaded->GetActiveSheet()->GetMaxRow(), 1);
  }
}

TEST_F(CsvTsvTest, AFileThatCannotBeReplacedKeepsItsOldContent) {
  sheet->GetCellDirect(1, 0)->SetInput(std::u16string(100, u'x'));
  std::string path = Write("old.csv", "old");
  std::string error;
  // A file-size limit makes every write of the new content fail, as a full disk would.
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tight = saved;
  tight.rlim_cur = 10;
  setrlimit(RLIMIT_FSIZE, &tight);
  bool csv = SaveCsv(*sheet, path, &error);
  bool tsv = SaveTsv(*sheet, path, &error);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(csv);
  EXPECT_FALSE(tsv);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Read(path), "old");
  // A folder in the way cannot be replaced either.
  std::string inTheWay = folder.File("dir.csv");
  ASSERT_TRUE(MakeFolders(inTheWay + "/inside"));
  EXPECT_FALSE(SaveCsv(*sheet, inTheWay, &error));
  EXPECT_TRUE(MakeFolders(inTheWay + "/inside"));
  // And a good save replaces the old file.
  EXPECT_TRUE(SaveCsv(*sheet, path, &error));
  EXPECT_EQ(Read(path), std::string(100, 'x') + "\r\n");
}

// A file read from disk whose last byte is a CR (old Mac line ends, or a
// file cut after one) ends its last line there.
TEST_F(CsvTsvTest, FilesEndingInACrReadWhole) {
  struct Case {
    std::string contents;
    std::vector<Texts> rows;
  } cases[] = {
      {"hello\r", {{u"hello"}}},
      {"a;b\rc\r", {{u"a", u"b"}, {u"c"}}},
      {"x\r\r", {{u"x"}, {u""}}},
      {"\r", {{u""}}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Workbook> book = LoadCsv(&host, Write("cr.csv", c.contents));
    Sheet& s = *book->GetActiveSheet();
    EXPECT_EQ(s.GetMaxRow(), static_cast<int32_t>(c.rows.size())) << c.contents;
    for (size_t r = 0; r < c.rows.size(); ++r) EXPECT_EQ(RowTexts(s, static_cast<int32_t>(r + 1)), c.rows[r]) << c.contents;
    std::unique_ptr<Workbook> tsv = LoadTsv(&host, Write("cr.tsv", c.contents));
    EXPECT_EQ(tsv->GetActiveSheet()->GetMaxRow(), static_cast<int32_t>(c.rows.size())) << c.contents;
  }
}

// Fields beyond the grid's last column are refused with a message, never
// dropped unsaid; a file within the grid has nothing to report.
TEST_F(CsvTsvTest, FieldsBeyondTheGridAreReported) {
  std::u16string damage = u"stale";
  std::unique_ptr<Workbook> book = LoadCsv(&host, Write("wide.csv", std::string(16384, ';') + "beyond\n1\n"), nullptr, &damage);
  EXPECT_NE(damage, u"");
  EXPECT_EQ(book->GetActiveSheet()->GetCellText(2, 0), u"1");
  EXPECT_LE(book->GetActiveSheet()->GetMaxColumn(), 16383);
  std::unique_ptr<Workbook> tsv = LoadTsv(&host, Write("wide.tsv", std::string(16384, '\t') + "beyond\n"), nullptr, &damage);
  EXPECT_NE(damage, u"");
  LoadCsv(&host, Write("fits.csv", std::string(16383, ';') + "last\n"), nullptr, &damage);
  EXPECT_EQ(damage, u"");
}

// Formulas read from a file see the cells below them, however they are
// ordered; cells a formula merely names are not written.
TEST_F(CsvTsvTest, FormulasSeeTheWholeFileAndNamedCellsAreNotWritten) {
  std::unique_ptr<Workbook> book =
      LoadCsv(&host, Write("order.csv", "=SUM(A2:A4);=B2+1;=C2\n1;=B3+1;=C1\n2;5\n3;=A1000000000;=A1048576\n"));
  Sheet& s = *book->GetActiveSheet();
  EXPECT_EQ(s.GetCellText(1, 0), u"6");
  EXPECT_EQ(s.GetCellText(1, 1), u"7");
  EXPECT_EQ(s.GetCellText(1, 2), u"Cycle Found");
  EXPECT_EQ(s.GetCellText(4, 1), u"Ref");  // beyond the grid
  EXPECT_EQ(WriteCsv(s), "6;7;Cycle Found\r\n1;6;Cycle Found\r\n2;5\r\n3;Ref;\r\n");
}

}  // namespace
}  // namespace quadrell
