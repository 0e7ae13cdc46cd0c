#include "loadsave/PdfWriter.h"

#include <string>

#include <gtest/gtest.h>

namespace quadrell {
namespace {

// The content stream of page n (1-based) of a finished file.
std::string PageContent(const std::string& file, int n) {
  size_t at = 0;
  for (int i = 0; i < n; ++i) {
    at = file.find("stream\r\n", file.find(" >>\r\nstream\r\n", at) + 1);
    if (at == std::string::npos) return {};
  }
  at += 8;
  return file.substr(at, file.find("\r\nendstream", at) - at);
}

TEST(Pdf, NumbersAndStrings) {
  const std::pair<double, const char*> numbers[] = {{10, "10"},       {0.5, "0.5"},     {595.2f, "595.2"},
                                                    {0.0005, "0.001"}, {-0.0001, "0"},  {-3.25, "-3.25"},
                                                    {771.0004, "771"}, {1e7, "10000000"}};
  for (const auto& [x, text] : numbers) EXPECT_EQ(PdfNumber(x), text) << x;

  const std::pair<std::u16string, std::string> strings[] = {
      {u"(a)", "\\(a\\)"},
      {u"a\\b", "a\\\\b"},
      {u"\u00e4\u00df", "\\344\\337"},
      {u"\u20ac 5", "\\200 5"},                 // the euro sign has a WinAnsi code
      {u"\u201cq\u201d \u2013", "\\223q\\224 \\226"},  // typographic quotes and the dash too
      {u"\u4e2d\u6587", "??"},                  // characters the encoding lacks
      {u"\U0001F600!", "?!"},                   // one character, two UTF-16 units
      {u"\u0080", "?"},                          // a control code, not the euro sign
  };
  for (const auto& [text, pdf] : strings) EXPECT_EQ(PdfString(text), pdf);
  // No escape ever has more than three octal digits.
  std::u16string all;
  for (char16_t c = 1; c < 0xD800; ++c) all += c;
  std::string written = PdfString(all);
  for (size_t at = written.find('\\'); at != std::string::npos; at = written.find('\\', at + 1)) {
    size_t digits = 0;
    while (at + 1 + digits < written.size() && written[at + 1 + digits] >= '0' && written[at + 1 + digits] <= '7') ++digits;
    ASSERT_LE(digits, 3u);
  }
}

TEST(Pdf, EmptyDocumentIsCompleteWithConsistentXref) {
  PdfDocument document(LocalTime{2024, 3, 5, 7, 8, 9, 0});
  std::string file = document.Finish();
  EXPECT_EQ(file.rfind("%PDF-1.4\r\n", 0), 0u);
  EXPECT_EQ(PageContent(file, 1), "/F1 10 Tf 0 0 0 rg 0.5 w ");
  EXPECT_NE(file.find("/Creator  (quadrell 0.56) /CreationDate (D:20240305070809+01'00')"), std::string::npos);
  EXPECT_NE(file.find("/Count 1\n/MediaBox [0 0 595.2 842]\n/Kids [5 0 R  ]"), std::string::npos);
  // The font the first page selects exists even when nothing was drawn.
  EXPECT_NE(file.find("/F1 7 0 R"), std::string::npos);

  // Every xref entry holds the offset of its object, 20 bytes a line.
  size_t xref = file.find("xref\n");
  size_t startxref = file.find("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  EXPECT_EQ(std::stoul(file.substr(startxref + 10)), xref);
  EXPECT_EQ(file.substr(file.size() - 8), "%%EOF\n\r\n");
  std::string table = file.substr(xref);
  size_t first = table.find("0000000000 65535 f\r\n");
  ASSERT_NE(first, std::string::npos);
  int objects = 0;
  for (size_t at = first + 20; table.compare(at, 7, "trailer") != 0; at += 20) {
    ++objects;
    size_t offset = std::stoul(table.substr(at, 10));
    EXPECT_EQ(table.substr(at + 10, 10), " 00000 n\r\n");
    EXPECT_EQ(file.compare(offset, std::to_string(objects).size() + 6, std::to_string(objects) + " 0 obj"), 0);
  }
  EXPECT_EQ(objects, 8);  // information, catalogue, pages, resources, page and contents, font and descriptor
  EXPECT_NE(file.find("/Size 9\n"), std::string::npos);
}

TEST(Pdf, PageOperatorsFontsAndSharedImages) {
  PdfDocument document(LocalTime{});
  EXPECT_EQ(document.FontResource(u"Arial"), "F1");
  EXPECT_EQ(document.FontResource(u"Times New Roman"), "F2");
  EXPECT_EQ(document.FontResource(u"Arial"), "F1");
  PdfPage& page = document.CurrentPage();
  page.Clip(54, 71, 77.8f, 14.3f);
  page.FillColor(0x0000FF);
  page.FillRect(54, 71, 77.8f, 14.3f);
  page.SetFont("F2", 10.6f);
  page.Text(54, 71, u"(x)");
  page.Text(54, 71, u"");
  page.RestoreState();
  page.StrokeColor(0);          // already black: nothing
  page.StrokeColor(0x00FF00);
  page.StrokeColor(0x00FF00);   // unchanged: nothing
  page.Line(54, 85.3f, 77.8f, 0);

  PixelImage picture(2, 2);
  for (auto& b : picture.rgba) b = 200;
  int number = document.ImageObject(&picture, picture);
  EXPECT_GT(number, 0);
  EXPECT_EQ(document.ImageObject(&picture, picture), number);
  page.DrawImage(number, 60, 80, 10, 20);
  PdfPage& second = document.NewPage();
  second.DrawImage(number, 60, 80, 10, 20);
  EXPECT_EQ(document.ImageCount(), 1);

  std::string file = document.Finish();
  std::string n = std::to_string(number);
  EXPECT_EQ(PageContent(file, 1),
            "/F1 10 Tf 0 0 0 rg 0.5 w q 54 756.7 77.8 14.3 re W* n 1 0 0 rg 54 756.7 77.8 14.3 re f /F2 11 Tf "
            "BT 55 761.4 Td (\\(x\\)) Tj ET Q 0 1 0 RG 54 756.7 m 131.8 756.7 l S "
            "q 54 71 487.2 700 re W* n q 10 0 0 20 60 742 cm /I" + n + " Do Q Q ");
  EXPECT_NE(file.find("/XObject <<\n/I" + n + " " + n + " 0 R >>"), std::string::npos);
  EXPECT_NE(file.find("/Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode"),
            std::string::npos);
  EXPECT_NE(file.find("/BaseFont /TimesNewRoman"), std::string::npos);
  EXPECT_NE(file.find("/Count 2\n"), std::string::npos);
}

}  // namespace
}  // namespace quadrell
