// quadrell-convert on XLSX and PDF files, run as a user would.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "loadsave/Container.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

using Result = test::CommandResult;

Result Convert(const std::string& arguments) {
  return test::RunCommand(std::string(QUADRELL_CONVERT) + " " + arguments + " 2>&1");
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }
std::string Data(const std::string& name) { return Quote(std::string(QUADRELL_TEST_DATA) + "/" + name); }

TEST(ConvertFiles, XlsxToCsvXlsxAndPdf) {
  test::TempFolder folder;
  Result csv = Convert(Data("peer_openpyxl.xlsx") + " " + Quote(folder.File("out.csv")));
  EXPECT_EQ(csv.status, 0) << csv.output;
  std::string text = ReadWholeFile(folder.File("out.csv")).value_or("");
  EXPECT_EQ(text.rfind("42;3,25;text from openpyxl;", 0), 0u) << text;
  EXPECT_NE(text.find("1.2.2020"), std::string::npos);

  // Through our own XLSX and back: the same CSV.
  ASSERT_EQ(Convert(Data("peer_openpyxl.xlsx") + " " + Quote(folder.File("again.xlsx"))).status, 0);
  ASSERT_EQ(Convert(Quote(folder.File("again.xlsx")) + " " + Quote(folder.File("again.csv"))).status, 0);
  EXPECT_EQ(ReadWholeFile(folder.File("again.csv")).value_or("-"), text);

  // The second sheet as PDF.
  Result pdf = Convert("--sheet 2 " + Data("peer_openpyxl.xlsx") + " " + Quote(folder.File("second.PDF")));
  EXPECT_EQ(pdf.status, 0) << pdf.output;
  std::string file = ReadWholeFile(folder.File("second.PDF")).value_or("");
  EXPECT_EQ(file.rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(file.find("(on the second sheet)"), std::string::npos);
  EXPECT_EQ(file.find("(text from openpyxl)"), std::string::npos);
}

TEST(ConvertFiles, WhatIsNoWorkbookFailsAndLeavesTheOutput) {
  test::TempFolder folder;
  ASSERT_TRUE(WriteFileAtomically(folder.File("text.xlsx"), "just text\n"));
  PackageWriter writer;
  ASSERT_TRUE(writer.AddMember("word/document.xml", "<w:document/>"));
  ASSERT_TRUE(writer.WriteFile(folder.File("document.xlsx")));
  ASSERT_TRUE(WriteFileAtomically(folder.File("old.csv"), "old contents"));
  for (const char* input : {"text.xlsx", "document.xlsx"}) {
    Result r = Convert(Quote(folder.File(input)) + " " + Quote(folder.File("old.csv")));
    EXPECT_EQ(r.status, 1) << input;
    EXPECT_NE(r.output.find("Cannot open the file."), std::string::npos) << r.output;
    EXPECT_EQ(ReadWholeFile(folder.File("old.csv")).value_or(""), "old contents");
  }
  Result missing = Convert(Quote(folder.File("missing.xlsx")) + " " + Quote(folder.File("x.csv")));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("missing.xlsx"), std::string::npos);
  // PDF is written only.
  ASSERT_TRUE(WriteFileAtomically(folder.File("in.pdf"), "%PDF-1.4\n"));
  EXPECT_EQ(Convert(Quote(folder.File("in.pdf")) + " " + Quote(folder.File("x.csv"))).status, 1);
  // A PDF that cannot be written reports the export's message.
  Result unwritable = Convert(Data("peer_openpyxl.xlsx") + " " + Quote(folder.File("no/folder/out.pdf")));
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.output.find("Beim Speichern ist ein Fehler aufgetreten."), std::string::npos) << unwritable.output;
}

}  // namespace
}  // namespace quadrell
