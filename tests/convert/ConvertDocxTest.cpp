// The converter on text documents: DOCX to PDF pages, to DOCX again and to
// plain text, and a clear failure for a file that is no DOCX.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "document/Document.h"
#include "loadsave/LoadSaveDocx.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

int Convert(const test::TempFolder& folder, const std::string& in, const std::string& out) {
  std::string command = "localappdata='" + folder.File("home") + "' '" QUADRELL_CONVERT "' '" + in + "' '" + out +
                        "' 2>'" + folder.File("stderr.txt") + "'";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ConvertDocx, PdfDocxAndText) {
  test::TempFolder folder;
  Document document;
  document.GetParagraph(0).Append(u"Erste Zeile mit \u00e4\u00f6\u00fc", nullptr);
  // Enough paragraphs for a second page.
  for (int i = 0; i < 80; ++i) document.AddParagraph().Append(u"Absatz " + std::u16string(1, u'A' + i % 26), nullptr);
  std::string in = folder.File("in.docx");
  ASSERT_TRUE(SaveDocx(document, in));

  ASSERT_EQ(Convert(folder, in, folder.File("out.txt")), 0);
  std::string text = ReadWholeFile(folder.File("out.txt")).value_or("");
  EXPECT_EQ(text.substr(0, text.find('\n')), "Erste Zeile mit \xC3\xA4\xC3\xB6\xC3\xBC");
  EXPECT_EQ(Count(text, "\n"), 81u);

  ASSERT_EQ(Convert(folder, in, folder.File("out.pdf")), 0);
  std::string pdf = ReadWholeFile(folder.File("out.pdf")).value_or("");
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_EQ(Count(pdf, "/Type /Page\n"), 2u);
  EXPECT_NE(pdf.find("(Erste) Tj"), std::string::npos);

  ASSERT_EQ(Convert(folder, in, folder.File("out.docx")), 0);
  std::unique_ptr<Document> back = LoadDocx(folder.File("out.docx"));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->PlainText(), document.PlainText());

  std::ofstream(folder.File("fake.docx")) << "PK but not really";
  EXPECT_EQ(Convert(folder, folder.File("fake.docx"), folder.File("fake.txt")), 1);
  EXPECT_FALSE(ReadWholeFile(folder.File("fake.txt")));
  EXPECT_NE(ReadWholeFile(folder.File("stderr.txt")).value_or("").find("fake.docx"), std::string::npos);
}

}  // namespace
}  // namespace quadrell
