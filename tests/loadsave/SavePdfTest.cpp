#include "loadsave/SavePdf.h"

#include <string>
#include <vector>

#include "TestSupport.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/Image.h"
#include "object/SheetAnchor.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

std::vector<std::string> Pages(const std::string& file) {
  std::vector<std::string> pages;
  for (size_t at = file.find(">>\r\nstream\r\n"); at != std::string::npos; at = file.find(">>\r\nstream\r\n", at + 1)) {
    size_t start = at + 12;
    pages.push_back(file.substr(start, file.find("\r\nendstream", start) - start));
  }
  return pages;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(SavePdf, CellsAreDrawnWithFillTextAndBorders) {
  Workbook book(u"b", nullptr);
  Sheet* sheet = book.GetActiveSheet();
  EXPECT_EQ(Pages(PdfOfSheet(sheet)), std::vector<std::string>{"/F1 10 Tf 0 0 0 rg 0.5 w "});

  sheet->GetCellDirect(1, 0)->SetInput(u"(a) \u20ac");
  Cell* red = sheet->GetCellDirect(2, 0);
  StyleRecord style = red->CopyStyle();
  style.fillColor = 0x0000FF;
  style.verticalAlignment = kVerticalTop;
  style.bottom = {0x00FF00, kBorderThin};
  red->SetStyle(style);
  red->SetInput(u"red");
  Cell* other = sheet->GetCellDirect(3, 1);
  StyleRecord times = other->CopyStyle();
  times.font = GetFont(u"Times New Roman", 12, 0);
  other->SetStyle(times);
  other->SetInput(u"t");

  std::vector<std::string> pages = Pages(PdfOfSheet(sheet));
  ASSERT_EQ(pages.size(), 1u);
  // White fill and black text: the clip, the font, the text, no colour.
  EXPECT_EQ(pages[0].rfind("/F1 10 Tf 0 0 0 rg 0.5 w q 54 756.708 77.812 14.292 re W* n /F1 10 Tf BT 55 759.854 Td "
                           "(\\(a\\) \\200) Tj ET Q ",
                           0),
            0u)
      << pages[0];
  EXPECT_NE(pages[0].find("/F2 12 Tf BT"), std::string::npos);
  // The red fill, then the text colour; the top-aligned text; the bottom border in its colour.
  EXPECT_NE(pages[0].find("1 0 0 rg 54 742.416 77.812 14.292 re f 0 0 0 rg /F1 10 Tf BT 55 747.708 Td (red) Tj ET Q "
                          "0 1 0 RG 54 742.416 m 131.812 742.416 l S "),
            std::string::npos)
      << pages[0];
}

TEST(SavePdf, ColumnBandsAndRowPages) {
  Workbook book(u"b", nullptr);
  Sheet* sheet = book.GetActiveSheet();
  // Eight columns of 98 pixels: six fit beside each other on a page.
  for (int32_t c = 0; c < 8; ++c) sheet->GetCellDirect(1, c)->SetInput(u"c" + std::u16string(1, u'A' + c));
  // 60 rows of 18 pixels: 49 fit on a page.
  sheet->GetCellDirect(60, 0)->SetInput(u"last");
  std::string file = PdfOfSheet(sheet);
  std::vector<std::string> pages = Pages(file);
  // The second band's second row page would be empty: it is not printed.
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_NE(pages[0].find("(cF)"), std::string::npos);
  EXPECT_EQ(pages[0].find("(cG)"), std::string::npos);
  EXPECT_NE(pages[1].find("(last)"), std::string::npos);
  // The second band starts with column G, rows again from row 1.
  EXPECT_EQ(pages[2].rfind("/F1 10 Tf 0 0 0 rg 0.5 w q 54 756.708", 0), 0u) << pages[2].substr(0, 60);
  EXPECT_NE(pages[2].find("(cG)"), std::string::npos);
  EXPECT_NE(pages[2].find("(cH)"), std::string::npos);
  for (const std::string& page : pages) EXPECT_NE(page.find("0.5 w "), std::string::npos);
  EXPECT_NE(file.find("/Count 3\n"), std::string::npos);
}

TEST(SavePdf, PicturesAreEmbeddedOnceAndDrawnOnEveryPageTheyTouch) {
  Workbook book(u"b", nullptr);
  Sheet* sheet = book.GetActiveSheet();
  PixelImage pixels(8, 8);
  for (auto& b : pixels.rgba) b = 128;
  auto jpeg = EncodeJpeg(pixels);
  auto image = ImageFromMemory(*jpeg, 200, 100, u"x.jpg");
  ASSERT_TRUE(image);
  // From column F into column H, below the last used row: on both bands.
  sheet->AddObject(std::make_unique<ObjectAnchor>(sheet, sheet->GetCellDirect(2, 5), std::move(image), 10, 0));
  sheet->GetCellDirect(1, 8)->SetInput(u"wide");
  std::string file = PdfOfSheet(sheet);
  std::vector<std::string> pages = Pages(file);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(Count(file, "/Subtype /Image"), 1u);
  EXPECT_EQ(Count(pages[0], " Do Q "), 1u);
  EXPECT_EQ(Count(pages[1], " Do Q "), 1u);
  // On the first band at column F plus 10 pixels; on the second 10 - 98 pixels left of its start.
  EXPECT_NE(pages[0].find("cm /I"), std::string::npos);
  EXPECT_NE(pages[0].find("q 158.8 0 0 79.4 451 677.308 cm"), std::string::npos) << pages[0];
  EXPECT_NE(pages[1].find("158.8 0 0 79.4 -15.872"), std::string::npos) << pages[1];
}

TEST(SavePdf, FailureKeepsTheOldFile) {
  test::TempFolder folder;
  Workbook book(u"b", nullptr);
  std::string reason;
  EXPECT_FALSE(SavePdf(book.GetActiveSheet(), folder.File("missing/out.pdf"), &reason));
  EXPECT_FALSE(reason.empty());
  ASSERT_TRUE(WriteFileAtomically(folder.File("out.pdf"), "old"));
  ASSERT_TRUE(SavePdf(book.GetActiveSheet(), folder.File("out.pdf")));
  EXPECT_EQ(ReadWholeFile(folder.File("out.pdf"))->rfind("%PDF-1.4", 0), 0u);
}

// Pages cover what holds content: a cell at the grid's far corner adds one
// page, not the millions of empty ones before it. Content that truly fills
// more pages than a file may have is refused with a message.
TEST(SavePdf, OnlyPagesWithContentArePrintedUpToTheLimit) {
  test::TempFolder folder;
  Workbook book(u"b", nullptr);
  Sheet* sheet = book.GetActiveSheet();
  sheet->GetCellDirect(1, 0)->SetInput(u"x");
  EXPECT_EQ(PdfPageCount(sheet), 1);
  sheet->GetCellDirect(1048576, 16383)->SetInput(u"far");
  EXPECT_EQ(PdfPageCount(sheet), 2);
  ASSERT_TRUE(SavePdf(sheet, folder.File("far-corner.pdf")));
  std::vector<std::string> pages = Pages(*ReadWholeFile(folder.File("far-corner.pdf")));
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NE(pages[0].find("(x)"), std::string::npos);
  EXPECT_NE(pages[1].find("(far)"), std::string::npos);
  // A filled row prints across every band of its page.
  StyleRecord filled = *sheet->GetStyle();
  filled.fillColor = RgbColour(255, 255, 0);
  sheet->GetRow(500)->SetStyle(filled);
  EXPECT_GT(PdfPageCount(sheet), 2000);
  // A value every 40 rows down the whole sheet: some 21,000 pages.
  for (int32_t r = 1; r <= 1048576; r += 40) sheet->GetCellDirect(r, 0)->SetInput(u"1");
  EXPECT_GT(PdfPageCount(sheet), kMaxPdfPages);
  std::string reason;
  EXPECT_FALSE(SavePdf(sheet, folder.File("far.pdf"), &reason));
  EXPECT_NE(reason, "");
  EXPECT_FALSE(ReadWholeFile(folder.File("far.pdf")));
}

}  // namespace
}  // namespace quadrell
