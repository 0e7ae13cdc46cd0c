// DOCX import and export: every kind of text container, run and style
// properties with inheritance, hostile packages, and round trips through our
// writer, python-docx and the converter.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "document/Document.h"
#include "loadsave/Container.h"
#include "loadsave/LoadSaveDocx.h"
#include "model/Font.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

constexpr const char* kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string Package(const std::string& body, const std::string& styles = "",
                    const std::vector<std::pair<std::string, std::string>>& extra = {}) {
  PackageWriter package;
  package.AddMember("[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
  package.AddMember("word/document.xml", "<?xml version=\"1.0\"?><w:document " + std::string(kW) + "><w:body>" + body +
                                             "</w:body></w:document>");
  if (!styles.empty()) {
    package.AddMember("word/styles.xml", "<w:styles " + std::string(kW) + ">" + styles + "</w:styles>");
  }
  for (const auto& [name, bytes] : extra) package.AddMember(name, bytes);
  std::string bytes;
  EXPECT_TRUE(package.Finish(bytes));
  return bytes;
}

std::vector<std::string> Paragraphs(const Document& document) {
  std::vector<std::string> texts;
  for (int32_t p = 0; p < document.ParagraphCount(); ++p) texts.push_back(Utf16ToUtf8(document.GetParagraph(p).Text()));
  return texts;
}

const FontRecord* FontAt(const Document& document, int32_t paragraph, int32_t offset) {
  return document.GetParagraph(paragraph).StyleAt(offset)->font;
}

TEST(DocxImport, TextFromEveryContainerInDocumentOrder) {
  std::string body =
      "<w:p><w:r><w:t>Hello</w:t></w:r><w:r><w:t xml:space=\"preserve\"> world</w:t></w:r>"
      "<w:hyperlink><w:r><w:t>-link</w:t></w:r></w:hyperlink>"
      "<w:ins><w:r><w:t>-ins</w:t></w:r></w:ins>"
      "<w:del><w:r><w:delText>GONE</w:delText></w:r></w:del>"
      "<w:smartTag><w:r><w:t>-tag</w:t></w:r></w:smartTag>"
      "<w:sdt><w:sdtPr><w:alias w:val=\"x\"/></w:sdtPr><w:sdtContent><w:r><w:t>-sdt</w:t></w:r></w:sdtContent></w:sdt>"
      "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
      "<w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t></w:r></w:p>"
      "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>cell 1</w:t></w:r></w:p></w:tc>"
      "<w:tc><w:p><w:r><w:t>cell 2</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
      "<w:p/>"
      "<w:p><w:r><w:drawing><wp:inline xmlns:wp=\"x\"><w:t>not text</w:t></wp:inline></w:drawing><w:t>end</w:t></w:r></w:p>"
      "<w:sectPr><w:headerReference w:type=\"default\"/></w:sectPr>";
  uint32_t omitted = 0;
  std::unique_ptr<Document> document = LoadDocxFromMemory(Package(body), nullptr, &omitted);
  ASSERT_TRUE(document);
  EXPECT_EQ(Paragraphs(*document), (std::vector<std::string>{"Hello world-link-ins-tag-sdt7a\tb\vc", "cell 1",
                                                              "cell 2", "", "end"}));
  EXPECT_EQ(omitted, kDocxTables | kDocxPictures | kDocxHeaders);
}

TEST(DocxImport, RunPropertiesOverStylesOverDefaults) {
  std::string styles =
      "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Liberation Serif\"/><w:sz w:val=\"24\"/>"
      "</w:rPr></w:rPrDefault></w:docDefaults>"
      // German files call the default paragraph style "Standard".
      "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Standard\"><w:rPr><w:color w:val=\"0000FF\"/>"
      "</w:rPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Base\"><w:basedOn w:val=\"Standard\"/><w:rPr><w:b/><w:sz "
      "w:val=\"32\"/></w:rPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Heading\"><w:basedOn w:val=\"Base\"/><w:rPr><w:i/></w:rPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Loop1\"><w:basedOn w:val=\"Loop2\"/></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Loop2\"><w:basedOn w:val=\"Loop1\"/><w:rPr><w:u "
      "w:val=\"single\"/></w:rPr></w:style>"
      "<w:style w:type=\"character\" w:styleId=\"Strong\"><w:rPr><w:strike/></w:rPr></w:style>";
  std::string body =
      "<w:p><w:r><w:t>plain</w:t></w:r></w:p>"
      "<w:p><w:pPr><w:pStyle w:val=\"Heading\"/></w:pPr><w:r><w:rPr><w:b w:val=\"0\"/></w:rPr><w:t>head</w:t></w:r>"
      "<w:r><w:rPr><w:rStyle w:val=\"Strong\"/><w:sz w:val=\"99999\"/><w:color w:val=\"auto\"/></w:rPr>"
      "<w:t>x</w:t></w:r></w:p>"
      "<w:p><w:pPr><w:pStyle w:val=\"Loop1\"/></w:pPr><w:r><w:t>loop</w:t></w:r></w:p>"
      "<w:p><w:pPr><w:pStyle w:val=\"Missing\"/><w:rPr><w:sz w:val=\"40\"/></w:rPr></w:pPr></w:p>";
  std::unique_ptr<Document> document = LoadDocxFromMemory(Package(body, styles));
  ASSERT_TRUE(document);
  const FontRecord* plain = FontAt(*document, 0, 1);
  EXPECT_EQ(plain->face, u"Liberation Serif");
  EXPECT_EQ(plain->size, 12);
  EXPECT_EQ(document->GetParagraph(0).StyleAt(1)->textColor, 0xFF0000u);  // blue as 0xBBGGRR

  const FontRecord* head = FontAt(*document, 1, 1);
  EXPECT_EQ(head->size, 16);
  EXPECT_FALSE(head->IsBold());  // switched off by the run
  EXPECT_TRUE(head->IsItalic());
  const FontRecord* x = FontAt(*document, 1, 5);
  EXPECT_TRUE(x->IsStrikeOut());
  EXPECT_TRUE(x->IsBold());
  EXPECT_EQ(x->size, 1638);  // clamped
  EXPECT_EQ(document->GetParagraph(1).StyleAt(5)->textColor, 0u);

  EXPECT_TRUE(FontAt(*document, 2, 1)->IsUnderline());  // a cycle ends the walk, keeps what it found
  // An empty paragraph is as high as its mark.
  EXPECT_EQ(document->GetParagraph(3).MarkStyle()->font->size, 20);
}

TEST(DocxImport, NamespacesAreMatchedByUriAndTheMainPartByRelationship) {
  std::string document =
      "<?xml version=\"1.0\"?><x:document xmlns:x=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<x:body><x:p><x:r><x:t>prefixed</x:t></x:r></x:p></x:body></x:document>";
  PackageWriter package;
  package.AddMember("_rels/.rels",
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"r\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/officeDocument\" Target=\"/word/main.xml\"/></Relationships>");
  package.AddMember("word/main.xml", document);
  std::string bytes;
  ASSERT_TRUE(package.Finish(bytes));
  std::unique_ptr<Document> read = LoadDocxFromMemory(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(Paragraphs(*read), (std::vector<std::string>{"prefixed"}));
}

TEST(DocxImport, HostilePackagesGiveNoDocument) {
  std::string good = Package("<w:p><w:r><w:t>text</w:t></w:r></w:p>");
  std::string deep = "<w:p>";
  for (int i = 0; i < 1000; ++i) deep += "<w:ins>";
  for (int i = 0; i < 1000; ++i) deep += "</w:ins>";
  deep += "</w:p>";
  PackageWriter workbook;
  workbook.AddMember("xl/workbook.xml", "<workbook/>");
  std::string xlsx;
  ASSERT_TRUE(workbook.Finish(xlsx));
  PackageWriter dtd;
  dtd.AddMember("word/document.xml",
                "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY e \"boom\">]><w:document " + std::string(kW) +
                    "><w:body><w:p><w:r><w:t>&e;</w:t></w:r></w:p></w:body></w:document>");
  std::string withDtd;
  ASSERT_TRUE(dtd.Finish(withDtd));

  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not a zip", "just some text"},
      {"a workbook", xlsx},
      {"truncated", good.substr(0, good.size() / 2)},
      {"broken xml", Package("<w:p><w:r><w:t>open")},
      {"not a document root", ""},  // filled below
      {"too deep", Package(deep)},
      {"a DTD", withDtd},
      {"too many paragraphs", ""},  // filled below
  };
  std::string many;
  for (int64_t i = 0; i <= kMaxDocxParagraphs; ++i) many += "<w:p/>";
  cases[8].bytes = Package(many);
  // The root check: a package whose document part is something else.
  PackageWriter other;
  other.AddMember("word/document.xml", "<html><body/></html>");
  ASSERT_TRUE(other.Finish(cases[5].bytes));
  for (const Case& c : cases) {
    std::string reason;
    EXPECT_FALSE(LoadDocxFromMemory(c.bytes, &reason)) << c.what;
    EXPECT_FALSE(reason.empty()) << c.what;
  }
  EXPECT_TRUE(LoadDocxFromMemory(good));
}

std::unique_ptr<Document> Sample() {
  auto made = std::make_unique<Document>();
  Document& document = *made;
  StyleRecord bold = NewDefaultStyle();
  bold.font = GetFont(u"Liberation Serif", 14, kFontFlagBold | kFontFlagItalic);
  bold.textColor = 0x0000C0;  // red
  StyleRecord lined = NewDefaultStyle();
  lined.font = GetFont(u"Liberation Sans", 9, kFontFlagUnderline | kFontFlagStrikeOut);
  document.GetParagraph(0).Append(u"Gr\u00fc\u00dfe ", nullptr);
  document.GetParagraph(0).Append(u"fett", InternStyle(bold));
  document.GetParagraph(0).Append(u" <&> \tTab\vline", InternStyle(lined));
  document.AddParagraph(InternStyle(bold));
  document.AddParagraph().Append(u"last \U0001F600", nullptr);
  return made;
}

TEST(DocxExport, ReadsBackTheSame) {
  std::unique_ptr<Document> sample = Sample();
  Document& document = *sample;
  std::string bytes;
  ASSERT_TRUE(SaveDocxToMemory(document, bytes));
  std::unique_ptr<Document> back = LoadDocxFromMemory(bytes);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->ParagraphCount(), document.ParagraphCount());
  for (int32_t p = 0; p < document.ParagraphCount(); ++p) {
    EXPECT_EQ(back->GetParagraph(p).Text(), document.GetParagraph(p).Text());
    EXPECT_EQ(back->GetParagraph(p).Spans(), document.GetParagraph(p).Spans()) << p;
  }
  EXPECT_EQ(back->GetParagraph(1).MarkStyle(), document.GetParagraph(1).MarkStyle());
}

std::string RunCommand(const std::string& command) { return test::RunCommand(command).output; }

TEST(DocxExport, PythonDocxReadsTextAndFormatting) {
  if (RunCommand("/usr/bin/python3 -c 'import docx; print(1)' 2>/dev/null") != "1\n") {
    GTEST_SKIP() << "python3-docx is not installed";
  }
  std::unique_ptr<Document> document = Sample();
  std::string path = ::testing::TempDir() + "quadrell-docx-export.docx";
  ASSERT_TRUE(SaveDocx(*document, path));
  std::string script =
      "import docx\n"
      "d = docx.Document('" + path + "')\n"
      "for p in d.paragraphs:\n"
      "    print(repr(p.text))\n"
      "    for r in p.runs:\n"
      "        print(' ', repr(r.text), r.font.name, r.font.size.pt, r.bold, r.italic, r.underline, r.font.strike,"
      " r.font.color.rgb)\n";
  std::string scriptPath = ::testing::TempDir() + "quadrell-docx-read.py";
  std::ofstream(scriptPath) << script;
  std::string out = RunCommand("/usr/bin/python3 " + scriptPath + " 2>&1");
  std::string expected =
      "'Grüße fett <&> \\tTab\\nline'\n"
      "  'Grüße ' Arial 10.0 None None None None None\n"
      "  'fett' Liberation Serif 14.0 True True None None C00000\n"
      "  ' <&> \\tTab\\nline' Liberation Sans 9.0 None None True True None\n"
      "''\n"
      "'last 😀'\n"
      "  'last 😀' Arial 10.0 None None None None None\n";
  EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace quadrell
