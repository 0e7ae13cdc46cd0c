#include "loadsave/Container.h"

#include <zlib.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

struct Member {
  std::string name;
  std::string bytes;
};

std::vector<Member> ReadAll(PackageReader& reader) {
  std::vector<Member> members;
  while (reader.Next()) {
    Member m{reader.Name(), {}};
    EXPECT_TRUE(reader.Read(m.bytes)) << m.name;
    members.push_back(std::move(m));
  }
  return members;
}

void PutLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A stored (uncompressed) ZIP written by hand, whose members may claim a size
// other than their real one.
std::string HandMadeZip(const std::vector<std::pair<std::string, uint32_t>>& members) {
  std::string out, directory;
  for (const auto& [name, declared] : members) {
    std::string data = "x";
    uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), 1));
    uint32_t offset = static_cast<uint32_t>(out.size());
    PutLe(out, 0x04034b50, 4);
    PutLe(out, 20, 2);
    PutLe(out, 0, 2);
    PutLe(out, 0, 2);  // stored
    PutLe(out, 0, 4);
    PutLe(out, crc, 4);
    PutLe(out, data.size(), 4);
    PutLe(out, declared, 4);
    PutLe(out, name.size(), 2);
    PutLe(out, 0, 2);
    out += name + data;
    PutLe(directory, 0x02014b50, 4);
    PutLe(directory, 20, 2);
    PutLe(directory, 20, 2);
    PutLe(directory, 0, 2);
    PutLe(directory, 0, 2);
    PutLe(directory, 0, 4);
    PutLe(directory, crc, 4);
    PutLe(directory, data.size(), 4);
    PutLe(directory, declared, 4);
    PutLe(directory, name.size(), 2);
    PutLe(directory, 0, 6);  // extra, comment, disk
    PutLe(directory, 0, 2);
    PutLe(directory, 0, 4);
    PutLe(directory, offset, 4);
    directory += name;
  }
  uint32_t directoryOffset = static_cast<uint32_t>(out.size());
  out += directory;
  PutLe(out, 0x06054b50, 4);
  PutLe(out, 0, 4);
  PutLe(out, members.size(), 2);
  PutLe(out, members.size(), 2);
  PutLe(out, directory.size(), 4);
  PutLe(out, directoryOffset, 4);
  PutLe(out, 0, 2);
  return out;
}

TEST(Package, MembersRoundTripInOrderWhateverTheirSize) {
  test::TempFolder folder;
  std::string big(40u << 20, '\0');  // larger than any fixed part buffer
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>("<a>b</a>"[i % 8] + (i / 8 % 7 == 0));
  std::string binary("\x89PNG\r\n\x1a\n\0\0\xff", 11);
  std::vector<Member> written = {{"[Content_Types].xml", "<Types/>"},
                                 {"xl/worksheets/sheet1.xml", big},
                                 {"xl/media/image1.png", binary},
                                 {"xl/empty.xml", ""}};
  PackageWriter writer;
  for (const auto& m : written) ASSERT_TRUE(writer.AddMember(m.name, m.bytes));
  std::string path = folder.File("book.xlsx");
  ASSERT_TRUE(writer.WriteFile(path));

  auto reader = PackageReader::Open(path);
  ASSERT_TRUE(reader);
  std::vector<Member> read = ReadAll(*reader);
  EXPECT_FALSE(reader->Broken());
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].name, written[i].name);
    EXPECT_TRUE(read[i].bytes == written[i].bytes) << written[i].name;
  }
  // Deflate did its work on the repetitive member.
  EXPECT_LT(ReadWholeFile(path)->size(), big.size() / 4);
}

TEST(Package, WhatIsNoZipIsRefusedAndDamageIsReported) {
  test::TempFolder folder;
  ASSERT_TRUE(WriteFileAtomically(folder.File("text.xlsx"), "just some text, not a package\n"));
  EXPECT_FALSE(PackageReader::Open(folder.File("text.xlsx")));
  EXPECT_FALSE(PackageReader::Open(folder.File("missing.xlsx")));
  EXPECT_FALSE(PackageReader::OpenMemory(""));

  PackageWriter writer;
  std::string data(200000, 'q');
  for (size_t i = 0; i < data.size(); i += 7) data[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(writer.AddMember("a.xml", data));
  ASSERT_TRUE(writer.AddMember("b.xml", data));
  std::string zip;
  ASSERT_TRUE(writer.Finish(zip));

  // Cut in the middle, and with bytes of the first member's data overwritten:
  // reading ends with a broken package instead of wrong or endless data.
  for (int variant = 0; variant < 2; ++variant) {
    std::string damaged = variant == 0 ? zip.substr(0, zip.size() / 2) : zip;
    if (variant == 1)
      for (size_t i = 200; i < 260; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    auto reader = PackageReader::OpenMemory(damaged);
    if (!reader) continue;  // refused at once is fine too
    int complete = 0;
    while (reader->Next()) {
      std::string bytes;
      if (reader->Read(bytes) && bytes == data) ++complete;
    }
    EXPECT_TRUE(reader->Broken()) << "variant " << variant;
    EXPECT_LT(complete, 2) << "variant " << variant;
  }
}

TEST(Package, AMemberBeyondItsReadLimitIsSkippedNotTheRest) {
  PackageWriter writer;
  ASSERT_TRUE(writer.AddMember("big.png", std::string(100000, 'p')));
  ASSERT_TRUE(writer.AddMember("small.xml", "<a/>"));
  std::string zip;
  ASSERT_TRUE(writer.Finish(zip));
  auto reader = PackageReader::OpenMemory(zip);
  ASSERT_TRUE(reader);
  ASSERT_TRUE(reader->Next());
  std::string bytes = "stale";
  EXPECT_FALSE(reader->Read(bytes, 99999));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(reader->Broken());
  ASSERT_TRUE(reader->Next());
  EXPECT_TRUE(reader->Read(bytes, 4));
  EXPECT_EQ(bytes, "<a/>");
}

TEST(Package, DeclaredInflatedSizeBeyondTheLimitIsRefused) {
  EXPECT_TRUE(PackageReader::OpenMemory(HandMadeZip({{"a.xml", 1}, {"b.xml", 1}})));
  // Each member claims 3.75 GiB: together beyond the 4 GiB a spreadsheet may have.
  EXPECT_FALSE(PackageReader::OpenMemory(HandMadeZip({{"a.xml", 0xF0000000u}, {"b.xml", 0xF0000000u}})));
}

TEST(Xml, NamesCarryThePrefixOfTheirNamespace) {
  // Producers choose their own prefixes; names come out with the usual prefix
  // of their namespace, whatever was written.
  const char* kDrawing = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing";
  const char* kMain = "http://schemas.openxmlformats.org/drawingml/2006/main";
  const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::string text = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + "<wsDr xmlns=\"" + kDrawing +
                     "\" xmlns:rel=\"" + kRel + "\"><twoCellAnchor><from><col>3</col>"
                     "<row>7</row></from><pic><q:blip xmlns:q=\"" + kMain + "\" rel:embed=\"rId4\"/></pic>"
                     "</twoCellAnchor><other:from xmlns:other=\"urn:other\"><other:col>9</other:col></other:from>"
                     "<t xml:space=\"preserve\"> a &amp; b &lt;c&gt; \xC3\xA4</t></wsDr>";
  auto doc = XmlDocument::Parse(text);
  ASSERT_TRUE(doc);
  XmlNode* root = doc->Root();
  EXPECT_EQ(root->Name(), "xdr:wsDr");
  EXPECT_EQ(root->ChildCount(), 3);
  XmlNode* anchor = root->Child(1);
  EXPECT_EQ(anchor->Find("xdr:from/xdr:col")->Text(), "3");
  EXPECT_EQ(anchor->Find("xdr:from/xdr:row")->Text(), "7");
  EXPECT_EQ(anchor->Find("xdr:pic/a:blip")->Attribute("r:embed"), "rId4");
  EXPECT_EQ(anchor->Find("xdr:pic/a:blip")->Attribute("embed"), "");
  EXPECT_EQ(anchor->Find("xdr:to/xdr:col"), nullptr);
  // A namespace we do not know keeps its own prefix, and is not one of ours.
  EXPECT_EQ(root->Child(2)->Name(), "other:from");
  EXPECT_EQ(root->Find("xdr:from"), nullptr);
  EXPECT_EQ(root->Child(3)->Text(), " a & b <c> \xC3\xA4");
  EXPECT_EQ(root->Child(3)->Attribute("xml:space"), "preserve");
  EXPECT_EQ(root->Child(4), nullptr);
  EXPECT_EQ(root->Child(0), nullptr);
  // Written again, the tree binds the prefixes it uses and reads back alike.
  auto again = XmlDocument::Parse(doc->Serialize());
  ASSERT_TRUE(again) << doc->Serialize();
  EXPECT_EQ(again->Root()->Find("xdr:twoCellAnchor/xdr:pic/a:blip")->Attribute("r:embed"), "rId4");
  EXPECT_EQ(again->Root()->Child(2)->Name(), "other:from");
  // A prefix bound to no namespace is not well-formed.
  EXPECT_FALSE(XmlDocument::Parse("<a:b/>"));
  // The unprefixed namespace of worksheets, written with a prefix and without,
  // in turn with an unknown one.
  const char* kSheet = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  auto sheet = XmlDocument::Parse(std::string("<x:worksheet xmlns:x=\"") + kSheet + "\"><x:sheetData><row xmlns=\"" +
                                  kSheet + "\"><x:c/><u:c xmlns:u=\"urn:u\"/><c/></row></x:sheetData></x:worksheet>");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->Root()->Name(), "worksheet");
  XmlNode* row = sheet->Root()->Find("sheetData/row");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->Child(1)->Name(), "c");
  EXPECT_EQ(row->Child(2)->Name(), "u:c");
  EXPECT_EQ(row->Child(3)->Name(), "c");

  // The encoding named by the declaration is honoured.
  auto latin = XmlDocument::Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><t>\xE4</t>");
  ASSERT_TRUE(latin);
  EXPECT_EQ(latin->Root()->Text(), "\xC3\xA4");
}

TEST(Xml, MalformedAndHostileInputIsRejected) {
  for (const char* bad : {"", "not xml at all", "<a><b></a>", "<a>", "\x89PNG\r\n\x1a\n", "<a x='1' x='2'/>"})
    EXPECT_FALSE(XmlDocument::Parse(bad)) << bad;

  // Exponential entity expansion is stopped by the parser's amplification limit.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY l0 \"lollollollollollollollollollol\">";
  for (int i = 1; i <= 9; ++i)
    laughs += "<!ENTITY l" + std::to_string(i) + " \"" + std::string(10, '&') + "\">";
  for (int i = 1; i <= 9; ++i) {
    std::string refs;
    for (int k = 0; k < 10; ++k) refs += "&l" + std::to_string(i - 1) + ";";
    std::string decl = "<!ENTITY l" + std::to_string(i) + " \"" + std::string(10, '&') + "\">";
    laughs.replace(laughs.find(decl), decl.size(), "<!ENTITY l" + std::to_string(i) + " \"" + refs + "\">");
  }
  laughs += "]><r>&l9;</r>";
  EXPECT_FALSE(XmlDocument::Parse(laughs));

  // External entities are never fetched.
  auto external = XmlDocument::Parse(
      "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><r>&e;</r>");
  if (external) {
    EXPECT_EQ(external->Root()->Text().find("root:"), std::string::npos);
  }

  // Nesting 200,000 deep neither overflows the stack when built, written nor released.
  std::string deep;
  const int depth = 200000;
  deep.reserve(depth * 7);
  for (int i = 0; i < depth; ++i) deep += "<a>";
  for (int i = 0; i < depth; ++i) deep += "</a>";
  auto doc = XmlDocument::Parse(deep);
  ASSERT_TRUE(doc);
  EXPECT_GT(doc->Serialize(false).size(), deep.size());
}

// A tree keeps only its leaves' text, and a part of more elements or text
// than a tree may hold fails to parse instead of taking gigabytes.
TEST(Xml, TreesAreBoundedInElementsAndText) {
  auto doc = XmlDocument::Parse("<a>\n   <b> x y </b>\n   <c/>\n</a>");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->Root()->Text(), "");
  EXPECT_EQ(doc->Root()->FirstChild()->Text(), " x y ");

  std::string many = "<a>";
  for (size_t i = 0; i <= XmlParser::kMaxTreeElements; ++i) many += "<b/>";
  many += "</a>";
  EXPECT_FALSE(XmlDocument::Parse(many));
  std::string text = "<a><b>" + std::string(XmlParser::kMaxTreeText + 1, 'x') + "</b></a>";
  EXPECT_FALSE(XmlDocument::Parse(text));
  // Layout between elements costs nothing however long.
  EXPECT_TRUE(XmlDocument::Parse("<a>" + std::string(XmlParser::kMaxTreeText + 1, ' ') + "<b/></a>"));
}

TEST(Xml, StreamedElementBypassesTheTree) {
  struct Recorder : XmlStreamHandler {
    std::string log;
    void StartElement(const char* name, const char** attributes) override {
      log += std::string("<") + name;
      for (const char** a = attributes; *a; a += 2) log += std::string(" ") + a[0] + "=" + a[1];
      log += ">";
    }
    void EndElement(const char* name) override { log += std::string("</") + name + ">"; }
    void CharacterData(const char* text, int length) override { log.append(text, static_cast<size_t>(length)); }
  } recorder;
  XmlDocument doc;
  XmlParser parser(doc, "sheetData", &recorder);
  std::string xml =
      "<worksheet><cols><col min=\"1\"/></cols><sheetData>\n <row r=\"1\"><c r=\"A1\"><v>5</v></c></row>"
      "</sheetData><mergeCells count=\"1\"/></worksheet>";
  // Fed in small pieces, as inflated blocks arrive.
  for (size_t i = 0; i < xml.size(); i += 5) ASSERT_TRUE(parser.Feed(xml.data() + i, std::min<size_t>(5, xml.size() - i), false));
  ASSERT_TRUE(parser.Feed("", 0, true));
  EXPECT_EQ(recorder.log, "<row r=1><c r=A1><v>5</v></c></row>");
  ASSERT_TRUE(doc.Root());
  EXPECT_EQ(doc.Root()->ChildCount(), 3);
  EXPECT_EQ(doc.Root()->Find("sheetData")->ChildCount(), 0);
  EXPECT_EQ(doc.Root()->Find("mergeCells")->Attribute("count"), "1");

  // Several children of the root may stream, named with '|'.
  recorder.log.clear();
  XmlDocument both;
  XmlParser twoStreams(both, "sheetData|cols", &recorder);
  ASSERT_TRUE(twoStreams.Feed(xml.data(), xml.size(), true));
  EXPECT_EQ(recorder.log, "<col min=1></col><row r=1><c r=A1><v>5</v></c></row>");
  EXPECT_EQ(both.Root()->Find("cols")->ChildCount(), 0);
}

TEST(Xml, WrittenTreesSerialiseIndentedEscapedAndInOrder) {
  XmlDocument doc;
  XmlNode* root = doc.AppendRoot("sst");
  root->SetAttribute("xmlns", "urn:main")->SetAttribute("count", "1");
  root->SetAttribute("xmlns", "urn:main2");  // keeps its first position
  XmlNode* gone = root->AppendChild("si");
  root->AppendChild("si")->AppendChild("t")->SetText("a<b & \"c\"\r\x01");
  root->AppendChild("empty")->SetAttribute("v", "x\"y<\n");
  doc.Delete(gone);
  EXPECT_EQ(root->ChildCount(), 2);
  EXPECT_EQ(doc.Serialize(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<sst xmlns=\"urn:main2\" count=\"1\">\n"
            "  <si>\n"
            "    <t>a&lt;b &amp; \"c\"&#13;_x0001_</t>\n"
            "  </si>\n"
            "  <empty v=\"x&quot;y&lt;&#10;\"/>\n"
            "</sst>");
  std::string shallow;
  XmlWriter writer(shallow);
  writer.SetIndentDepth(1);
  writer.Start("sheetData");
  writer.Start("row");
  writer.Start("c");
  writer.TextElement("v", "1");
  writer.End();
  writer.End();
  writer.Start("row");
  writer.End();
  writer.End();
  EXPECT_EQ(shallow, "<sheetData>\n  <row><c><v>1</v></c></row>\n  <row/>\n</sheetData>");
  // What is written reads back as it was.
  auto back = XmlDocument::Parse(doc.Serialize());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Root()->Find("si/t")->Text(), "a<b & \"c\"\r_x0001_");
  EXPECT_EQ(back->Root()->Find("empty")->Attribute("v"), "x\"y<\n");
}

TEST(Package, MemberWithoutNameFailsTheWrite) {
  PackageWriter writer;
  EXPECT_TRUE(writer.AddMember("a.xml", "<a/>"));
  EXPECT_FALSE(writer.AddMember("", "x"));
  EXPECT_FALSE(writer.AddMember("b.xml", "<b/>"));
  std::string bytes;
  EXPECT_FALSE(writer.Finish(bytes));
}

TEST(Package, PathHelpers) {
  EXPECT_EQ(FilePart("xl/drawings/drawing1.xml"), "drawing1.xml");
  EXPECT_EQ(FilePart("plain"), "plain");
  EXPECT_EQ(Extension("xl/media/image1.jpeg"), "jpeg");
  EXPECT_EQ(Extension("x.y/noext"), "");
}

}  // namespace
}  // namespace quadrell
