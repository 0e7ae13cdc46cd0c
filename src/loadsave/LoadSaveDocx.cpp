#include "loadsave/LoadSaveDocx.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "document/Document.h"
#include "loadsave/Container.h"
#include "model/Font.h"
#include "model/Style.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

constexpr std::string_view kMainType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr int32_t kMinFontSize = 1;
constexpr int32_t kMaxFontSize = 1638;
// Parts of one package we keep for reading, all together.
constexpr size_t kMaxKeptBytes = size_t{512} << 20;

// ---------------------------------------------------------------------------
// Run properties

struct RunProps {
  std::optional<std::u16string> face;
  std::optional<int32_t> halfPoints;
  std::optional<bool> bold, italic, underline, strike;
  std::optional<Colour> colour;

  void Over(const RunProps& o) {
    if (o.face) face = o.face;
    if (o.halfPoints) halfPoints = o.halfPoints;
    if (o.bold) bold = o.bold;
    if (o.italic) italic = o.italic;
    if (o.underline) underline = o.underline;
    if (o.strike) strike = o.strike;
    if (o.colour) colour = o.colour;
  }
};

struct ThemeFonts {
  std::u16string major, minor;
};

bool OnOff(std::string_view value) { return !(value == "0" || value == "false" || value == "off"); }

std::optional<int32_t> Integer(std::string_view text) {
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

std::optional<Colour> HexColour(std::string_view text) {
  if (text == "auto") return Colour{0};
  if (text.size() != 6) return std::nullopt;
  uint32_t rgb = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + 6, rgb, 16);
  if (error != std::errc() || end != text.data() + 6) return std::nullopt;
  return Colour(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

// One property element of a w:rPr, by name and attribute lookup.
template <class GetAttribute>
void ReadRunProperty(RunProps& props, std::string_view name, GetAttribute&& attribute, const ThemeFonts& theme) {
  if (name == "w:rFonts") {
    for (const char* key : {"w:ascii", "w:hAnsi"}) {
      std::string_view face = attribute(key);
      if (!face.empty()) {
        props.face = Utf8ToUtf16(face);
        return;
      }
    }
    for (const char* key : {"w:asciiTheme", "w:hAnsiTheme"}) {
      std::string_view themed = attribute(key);
      if (themed.empty()) continue;
      const std::u16string& face = themed.substr(0, 5) == "major" ? theme.major : theme.minor;
      if (!face.empty()) props.face = face;
      return;
    }
  } else if (name == "w:sz") {
    if (auto value = Integer(attribute("w:val"))) props.halfPoints = *value;
  } else if (name == "w:b") {
    props.bold = OnOff(attribute("w:val"));
  } else if (name == "w:i") {
    props.italic = OnOff(attribute("w:val"));
  } else if (name == "w:strike" || name == "w:dstrike") {
    props.strike = OnOff(attribute("w:val"));
  } else if (name == "w:u") {
    std::string_view value = attribute("w:val");
    props.underline = value != "none" && value != "0" && value != "false";
  } else if (name == "w:color") {
    if (auto colour = HexColour(attribute("w:val"))) props.colour = *colour;
  }
}

void ReadRunProperties(RunProps& props, const XmlNode* rPr, const ThemeFonts& theme) {
  if (!rPr) return;
  for (const XmlNode* c = rPr->FirstChild(); c; c = c->NextSibling()) {
    ReadRunProperty(props, c->Name(), [c](const char* key) { return c->Attribute(key); }, theme);
  }
}

const StyleRecord* StyleOf(const RunProps& props) {
  StyleRecord style = NewDefaultStyle();
  const FontRecord* base = style.font;
  std::u16string face = props.face && !props.face->empty() ? *props.face : base->face;
  int32_t size = props.halfPoints ? std::clamp(*props.halfPoints / 2, kMinFontSize, kMaxFontSize) : base->size;
  uint32_t flags = 0;
  if (props.bold.value_or(false)) flags |= kFontFlagBold;
  if (props.italic.value_or(false)) flags |= kFontFlagItalic;
  if (props.underline.value_or(false)) flags |= kFontFlagUnderline;
  if (props.strike.value_or(false)) flags |= kFontFlagStrikeOut;
  style.font = GetFont(face, size, flags);
  style.textColor = props.colour.value_or(0);
  return InternStyle(style);
}

// ---------------------------------------------------------------------------
// Styles

struct StyleDefinition {
  std::string basedOn;
  RunProps props;
};

class StyleTable {
 public:
  void Read(const XmlDocument* styles, const ThemeFonts& theme) {
    if (!styles || !styles->Root()) return;
    const XmlNode* root = styles->Root();
    ReadRunProperties(defaults_, root->Find("w:docDefaults/w:rPrDefault/w:rPr"), theme);
    for (const XmlNode* s = root->FirstChild(); s; s = s->NextSibling()) {
      if (s->Name() != "w:style") continue;
      std::string id(s->Attribute("w:styleId"));
      StyleDefinition definition;
      if (const XmlNode* based = s->FirstChildNamed("w:basedOn")) definition.basedOn = based->Attribute("w:val");
      ReadRunProperties(definition.props, s->FirstChildNamed("w:rPr"), theme);
      // The default paragraph style is marked, whatever its id ("Normal", "Standard").
      if (s->Attribute("w:type") == "paragraph" && OnOff(s->Attribute("w:default")) &&
          s->HasAttribute("w:default") && defaultParagraph_.empty()) {
        defaultParagraph_ = id;
      }
      styles_.emplace(std::move(id), std::move(definition));
    }
  }

  // The properties of the style with everything it is based on, over the defaults.
  RunProps Resolve(const std::string& id) const {
    std::vector<const RunProps*> chain;
    std::string current = id;
    // Chains are short; a cycle or an absurd depth stops the walk.
    for (int depth = 0; depth < 32 && !current.empty(); ++depth) {
      auto found = styles_.find(current);
      if (found == styles_.end()) break;
      if (std::find(chain.begin(), chain.end(), &found->second.props) != chain.end()) break;
      chain.push_back(&found->second.props);
      current = found->second.basedOn;
    }
    RunProps props;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) props.Over(**it);
    return props;
  }

  RunProps ParagraphProps(const std::string& id) const {
    RunProps props = defaults_;
    const std::string& used = id.empty() || !styles_.count(id) ? defaultParagraph_ : id;
    props.Over(Resolve(used));
    return props;
  }

 private:
  RunProps defaults_;
  std::map<std::string, StyleDefinition, std::less<>> styles_;
  std::string defaultParagraph_;
};

// ---------------------------------------------------------------------------
// The document part, streamed

class BodyReader final : public XmlStreamHandler {
 public:
  BodyReader(Document& document, const StyleTable& styles, const ThemeFonts& theme)
      : document_(document), styles_(styles), theme_(theme) {}

  void SetParser(XmlParser* parser) { parser_ = parser; }
  uint32_t Omitted() const { return omitted_; }
  bool SawBody() const { return sawBody_; }

  void StartElement(const char* rawName, const char** attributes) override {
    std::string_view name(rawName);
    names_.emplace_back(name);
    if (static_cast<int>(names_.size()) > kMaxDocxDepth) {
      tooDeep_ = true;
      parser_->Stop();
      return;
    }
    if (skipDepth_ > 0) return;
    auto attribute = [attributes](const char* key) -> std::string_view {
      for (const char** a = attributes; a[0]; a += 2) {
        if (std::string_view(a[0]) == key) return a[1];
      }
      return {};
    };
    std::string_view parent = names_.size() >= 2 ? std::string_view(names_[names_.size() - 2]) : std::string_view();
    if (name == "w:body") sawBody_ = true;
    if (name == "w:drawing" || name == "w:pict" || name == "w:object" || name == "mc:AlternateContent") {
      omitted_ |= kDocxPictures;
      skipDepth_ = names_.size();
      return;
    }
    // Deleted and moved-away text, earlier formatting and control properties are no text of the document.
    if (name == "w:del" || name == "w:moveFrom" || name == "w:rPrChange" || name == "w:pPrChange" ||
        name == "w:sdtPr" || name == "w:sdtEndPr" || name == "w:instrText" || name == "w:delText" ||
        name == "w:tabs" || name == "w:numPr") {
      skipDepth_ = names_.size();
      return;
    }
    if (name == "w:tbl") omitted_ |= kDocxTables;
    if (name == "w:headerReference" || name == "w:footerReference") omitted_ |= kDocxHeaders;
    if (name == "w:p") {
      StartParagraph();
    } else if (name == "w:pStyle" && parent == "w:pPr") {
      paragraphStyle_ = attribute("w:val");
    } else if (name == "w:rPr" && parent == "w:pPr") {
      inMarkProps_ = true;
    } else if (name == "w:r") {
      runProps_ = RunProps();
      runStyle_.clear();
      runStyleRecord_ = nullptr;
    } else if (name == "w:rPr" && parent == "w:r") {
      inRunProps_ = true;
    } else if (inRunProps_ && name == "w:rStyle") {
      runStyle_ = attribute("w:val");
    } else if (inRunProps_) {
      ReadRunProperty(runProps_, name, attribute, theme_);
    } else if (inMarkProps_) {
      ReadRunProperty(markProps_, name, attribute, theme_);
    } else if (name == "w:t" && (parent == "w:r" || parent == "w:ins")) {
      inText_ = true;
    } else if (parent == "w:r") {
      if (name == "w:tab" || name == "w:ptab") {
        AddText(u"\t");
      } else if (name == "w:br" || name == "w:cr") {
        AddText(u"\v");
      } else if (name == "w:noBreakHyphen") {
        AddText(u"-");
      }
    }
  }

  void EndElement(const char* rawName) override {
    std::string_view name(rawName);
    if (skipDepth_ > 0) {
      if (names_.size() == skipDepth_) skipDepth_ = 0;
      names_.pop_back();
      return;
    }
    names_.pop_back();
    if (name == "w:t") {
      inText_ = false;
    } else if (name == "w:rPr") {
      inRunProps_ = false;
      inMarkProps_ = false;
    } else if (name == "w:p") {
      EndParagraph();
    }
  }

  void CharacterData(const char* text, int length) override {
    if (!inText_ || skipDepth_ > 0) return;
    std::u16string piece = Utf8ToUtf16(std::string_view(text, static_cast<size_t>(length)));
    for (char16_t& c : piece) {
      if (c < 0x20) c = u' ';
    }
    AddText(piece);
  }

  bool TooDeep() const { return tooDeep_; }
  bool TooLarge() const { return tooLarge_; }

  void Finish() {
    if (paragraph_) EndParagraph();
  }

 private:
  void StartParagraph() {
    // A paragraph inside a paragraph (a text box that was not skipped) ends the outer one.
    if (paragraph_) EndParagraph();
    if (paragraphs_ >= kMaxDocxParagraphs) return Refuse();
    paragraph_ = paragraphs_++ == 0 ? &document_.GetParagraph(0) : &document_.AddParagraph();
    paragraphStyle_.clear();
    markProps_ = RunProps();
    paragraphProps_.reset();
  }

  void EndParagraph() {
    if (!paragraph_) return;
    RunProps mark = Base();
    mark.Over(markProps_);
    // An empty paragraph is as high as its mark; one with text as its text.
    paragraph_->SetMarkStyle(StyleOf(mark));
    paragraph_ = nullptr;
  }

  const RunProps& Base() {
    if (!paragraphProps_) paragraphProps_ = styles_.ParagraphProps(paragraphStyle_);
    return *paragraphProps_;
  }

  void Refuse() {
    tooLarge_ = true;
    parser_->Stop();
  }

  void AddText(std::u16string_view text) {
    if (tooLarge_) return;
    characters_ += static_cast<int64_t>(text.size());
    if (characters_ > kMaxDocxCharacters) return Refuse();
    if (!paragraph_) StartParagraph();
    if (!paragraph_) return;
    if (!runStyleRecord_) {
      RunProps props = Base();
      if (!runStyle_.empty()) props.Over(styles_.Resolve(runStyle_));
      props.Over(runProps_);
      runStyleRecord_ = StyleOf(props);
    }
    paragraph_->Append(text, runStyleRecord_);
  }

  Document& document_;
  const StyleTable& styles_;
  const ThemeFonts& theme_;
  XmlParser* parser_ = nullptr;
  std::vector<std::string> names_;
  size_t skipDepth_ = 0;
  uint32_t omitted_ = 0;
  bool tooDeep_ = false;
  bool tooLarge_ = false;
  int64_t characters_ = 0;
  bool sawBody_ = false;
  Paragraph* paragraph_ = nullptr;
  int64_t paragraphs_ = 0;
  std::string paragraphStyle_;
  std::optional<RunProps> paragraphProps_;
  RunProps markProps_;
  RunProps runProps_;
  std::string runStyle_;
  const StyleRecord* runStyleRecord_ = nullptr;
  bool inRunProps_ = false;
  bool inMarkProps_ = false;
  bool inText_ = false;
};

std::unique_ptr<Document> Fail(std::string* reason, const char* why) {
  if (reason) *reason = why;
  return nullptr;
}

// The main part's name from the package relationships ("word/document.xml" when they say nothing).
std::string MainPartName(const std::map<std::string, std::string, std::less<>>& parts) {
  auto rels = parts.find("_rels/.rels");
  if (rels != parts.end()) {
    if (auto tree = XmlDocument::Parse(rels->second); tree && tree->Root()) {
      for (const XmlNode* r = tree->Root()->FirstChild(); r; r = r->NextSibling()) {
        if (r->Attribute("Type") != kMainType) continue;
        std::string target(r->Attribute("Target"));
        while (!target.empty() && target.front() == '/') target.erase(0, 1);
        return target;
      }
    }
  }
  return "word/document.xml";
}

std::unique_ptr<Document> Load(std::unique_ptr<PackageReader> package, std::string* reason, uint32_t* omitted) {
  if (!package) return Fail(reason, "not a ZIP package");
  std::map<std::string, std::string, std::less<>> parts;
  size_t kept = 0;
  uint32_t flags = 0;
  while (package->Next()) {
    const std::string& name = package->Name();
    if (name.rfind("word/header", 0) == 0 || name.rfind("word/footer", 0) == 0) flags |= kDocxHeaders;
    bool wanted = name == "_rels/.rels" || name == "[Content_Types].xml" ||
                  (Extension(name) == "xml" && name.find("/_rels/") == std::string::npos);
    if (!wanted) continue;
    std::string bytes;
    if (!package->Read(bytes, kMaxDocxPartSize)) {
      if (name.rfind("word/", 0) == 0 || name == "_rels/.rels") return Fail(reason, "a part is damaged or too large");
      continue;
    }
    kept += bytes.size();
    if (kept > kMaxKeptBytes) return Fail(reason, "the package is too large");
    parts.emplace(name, std::move(bytes));
  }
  if (package->Broken()) return Fail(reason, "the package is damaged");
  std::string mainName = MainPartName(parts);
  auto main = parts.find(mainName);
  if (main == parts.end()) return Fail(reason, "the package holds no text document");

  ThemeFonts theme;
  if (auto found = parts.find("word/theme/theme1.xml"); found != parts.end()) {
    if (auto tree = XmlDocument::Parse(found->second); tree && tree->Root()) {
      if (const XmlNode* major = tree->Root()->Find("a:themeElements/a:fontScheme/a:majorFont/a:latin"))
        theme.major = Utf8ToUtf16(major->Attribute("typeface"));
      if (const XmlNode* minor = tree->Root()->Find("a:themeElements/a:fontScheme/a:minorFont/a:latin"))
        theme.minor = Utf8ToUtf16(minor->Attribute("typeface"));
    }
  }
  StyleTable styles;
  std::string_view stylesName = mainName.rfind("word/", 0) == 0 ? "word/styles.xml" : "styles.xml";
  if (auto found = parts.find(stylesName); found != parts.end()) {
    auto tree = XmlDocument::Parse(found->second);
    styles.Read(tree.get(), theme);
  }

  auto document = std::make_unique<Document>();
  BodyReader body(*document, styles, theme);
  XmlDocument skeleton;
  XmlParser parser(skeleton, "*", &body);
  body.SetParser(&parser);
  const std::string& bytes = main->second;
  bool parsed = parser.Feed(bytes.data(), bytes.size(), true);
  if (body.TooDeep()) return Fail(reason, "the document nests too deeply");
  if (body.TooLarge()) return Fail(reason, "the document is too large");
  if (!parsed || !skeleton.Root() || skeleton.Root()->Name() != "w:document" || !body.SawBody()) {
    return Fail(reason, "the document part is not a WordprocessingML document");
  }
  body.Finish();
  flags |= body.Omitted();
  if (omitted) *omitted = flags;
  document->SetCaret({0, 0});
  return document;
}

// ---------------------------------------------------------------------------
// Writing

constexpr std::string_view kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kPackageRelationships = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kRelationshipBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

void Attribute(XmlWriter& xml, std::string_view name, int64_t value) { xml.Attribute(name, std::to_string(value)); }

void WriteEmpty(XmlWriter& xml, std::string_view name) {
  xml.Start(name);
  xml.End();
}

void WriteValue(XmlWriter& xml, std::string_view name, std::string_view value) {
  xml.Start(name);
  xml.Attribute("w:val", value);
  xml.End();
}

std::string HexOf(Colour colour) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  uint32_t rgb = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
  std::string text(6, '0');
  for (int i = 5; i >= 0; --i, rgb >>= 4) text[static_cast<size_t>(i)] = kDigits[rgb & 0xF];
  return text;
}

void WriteRunProperties(XmlWriter& xml, const StyleRecord* style) {
  const FontRecord* font = style->font;
  xml.Start("w:rPr");
  std::string face = Utf16ToUtf8(font->face);
  xml.Start("w:rFonts");
  for (const char* key : {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"}) xml.Attribute(key, face);
  xml.End();
  if (font->IsBold()) WriteEmpty(xml, "w:b");
  if (font->IsItalic()) WriteEmpty(xml, "w:i");
  if (font->IsStrikeOut()) WriteEmpty(xml, "w:strike");
  if (style->textColor != 0) WriteValue(xml, "w:color", HexOf(style->textColor));
  std::string size = std::to_string(int64_t{font->size} * 2);
  WriteValue(xml, "w:sz", size);
  WriteValue(xml, "w:szCs", size);
  if (font->IsUnderline()) WriteValue(xml, "w:u", "single");
  xml.End();
}

// Text as XML 1.0 allows it: other control characters are dropped.
std::string XmlText(std::u16string_view text) {
  std::u16string clean;
  clean.reserve(text.size());
  for (char16_t c : text) {
    if (c >= 0x20 && c != 0xFFFE && c != 0xFFFF) clean.push_back(c);
  }
  return Utf16ToUtf8(clean);
}

void WriteRun(XmlWriter& xml, const StyleRecord* style, std::u16string_view text) {
  xml.Start("w:r");
  WriteRunProperties(xml, style);
  size_t begin = 0;
  auto flush = [&](size_t end) {
    if (end > begin) {
      xml.Start("w:t");
      xml.Attribute("xml:space", "preserve");
      xml.Text(XmlText(text.substr(begin, end - begin)));
      xml.End();
    }
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\t' && text[i] != u'\v') continue;
    flush(i);
    WriteEmpty(xml, text[i] == u'\t' ? "w:tab" : "w:br");
    begin = i + 1;
  }
  flush(text.size());
  xml.End();
}

std::string DocumentPart(const Document& document) {
  std::string out;
  XmlWriter xml(out);
  xml.SetIndentDepth(2);
  xml.Declaration();
  xml.Start("w:document");
  xml.Attribute("xmlns:w", kW);
  xml.Start("w:body");
  for (int32_t p = 0; p < document.ParagraphCount(); ++p) {
    const Paragraph& paragraph = document.GetParagraph(p);
    xml.Start("w:p");
    xml.Start("w:pPr");
    WriteRunProperties(xml, paragraph.MarkStyle());
    xml.End();
    int32_t position = 0;
    for (const StyleSpan& span : paragraph.Spans()) {
      WriteRun(xml, span.style, std::u16string_view(paragraph.Text()).substr(static_cast<size_t>(position),
                                                                             static_cast<size_t>(span.length)));
      position += span.length;
    }
    xml.End();
  }
  // A4 with the margins the pages are laid out with.
  xml.Start("w:sectPr");
  xml.Start("w:pgSz");
  Attribute(xml, "w:w", 11906);
  Attribute(xml, "w:h", 16838);
  xml.End();
  xml.Start("w:pgMar");
  Attribute(xml, "w:top", 1440);
  Attribute(xml, "w:right", 1800);
  Attribute(xml, "w:bottom", 1440);
  Attribute(xml, "w:left", 1800);
  Attribute(xml, "w:header", 720);
  Attribute(xml, "w:footer", 720);
  Attribute(xml, "w:gutter", 0);
  xml.End();
  xml.End();
  xml.End();
  xml.End();
  return out;
}

std::string StylesPart() {
  const FontRecord* font = GetDefaultFont();
  std::string out;
  XmlWriter xml(out);
  xml.Declaration();
  xml.Start("w:styles");
  xml.Attribute("xmlns:w", kW);
  xml.Start("w:docDefaults");
  xml.Start("w:rPrDefault");
  WriteRunProperties(xml, GetDefaultStyle());
  xml.End();
  xml.Start("w:pPrDefault");
  xml.Start("w:pPr");
  xml.Start("w:spacing");
  Attribute(xml, "w:after", 0);
  Attribute(xml, "w:line", 240);
  xml.Attribute("w:lineRule", "auto");
  xml.End();
  xml.End();
  xml.End();
  xml.End();
  xml.Start("w:style");
  xml.Attribute("w:type", "paragraph");
  xml.Attribute("w:default", "1");
  xml.Attribute("w:styleId", "Normal");
  WriteValue(xml, "w:name", "Normal");
  WriteEmpty(xml, "w:qFormat");
  xml.End();
  xml.End();
  (void)font;
  return out;
}

void Relationship(XmlWriter& xml, std::string_view id, std::string_view type, std::string_view target) {
  xml.Start("Relationship");
  xml.Attribute("Id", id);
  xml.Attribute("Type", type);
  xml.Attribute("Target", target);
  xml.End();
}

bool BuildPackage(const Document& document, PackageWriter& package) {
  std::string types;
  {
    XmlWriter xml(types);
    xml.Declaration();
    xml.Start("Types");
    xml.Attribute("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
    xml.Start("Default");
    xml.Attribute("Extension", "rels");
    xml.Attribute("ContentType", "application/vnd.openxmlformats-package.relationships+xml");
    xml.End();
    xml.Start("Default");
    xml.Attribute("Extension", "xml");
    xml.Attribute("ContentType", "application/xml");
    xml.End();
    for (auto [part, type] : {std::pair<const char*, const char*>{"/word/document.xml",
                                                                   "application/vnd.openxmlformats-officedocument."
                                                                   "wordprocessingml.document.main+xml"},
                              {"/word/styles.xml",
                               "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"},
                              {"/docProps/app.xml",
                               "application/vnd.openxmlformats-officedocument.extended-properties+xml"}}) {
      xml.Start("Override");
      xml.Attribute("PartName", part);
      xml.Attribute("ContentType", type);
      xml.End();
    }
    xml.End();
  }
  std::string rels;
  {
    XmlWriter xml(rels);
    xml.Declaration();
    xml.Start("Relationships");
    xml.Attribute("xmlns", kPackageRelationships);
    Relationship(xml, "rId1", std::string(kRelationshipBase) + "/officeDocument", "word/document.xml");
    Relationship(xml, "rId2", std::string(kRelationshipBase) + "/extended-properties", "docProps/app.xml");
    xml.End();
  }
  std::string documentRels;
  {
    XmlWriter xml(documentRels);
    xml.Declaration();
    xml.Start("Relationships");
    xml.Attribute("xmlns", kPackageRelationships);
    Relationship(xml, "rId1", std::string(kRelationshipBase) + "/styles", "styles.xml");
    xml.End();
  }
  std::string app;
  {
    XmlWriter xml(app);
    xml.Declaration();
    xml.Start("Properties");
    xml.Attribute("xmlns", "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties");
    xml.TextElement("Application", "quadrell " QUADRELL_VERSION);
    xml.End();
  }
  return package.AddMember("[Content_Types].xml", types) && package.AddMember("_rels/.rels", rels) &&
         package.AddMember("docProps/app.xml", app) && package.AddMember("word/document.xml", DocumentPart(document)) &&
         package.AddMember("word/_rels/document.xml.rels", documentRels) &&
         package.AddMember("word/styles.xml", StylesPart());
}

}  // namespace

std::unique_ptr<Document> LoadDocx(const std::string& path, std::string* reason, uint32_t* omitted) {
  return Load(PackageReader::Open(path), reason, omitted);
}

std::unique_ptr<Document> LoadDocxFromMemory(std::string_view bytes, std::string* reason, uint32_t* omitted) {
  return Load(PackageReader::OpenMemory(bytes), reason, omitted);
}

bool SaveDocx(const Document& document, const std::string& path, std::string* reason) {
  PackageWriter package;
  if (!BuildPackage(document, package)) {
    if (reason) *reason = "the package could not be built";
    return false;
  }
  return package.WriteFile(path, reason);
}

bool SaveDocxToMemory(const Document& document, std::string& bytes) {
  PackageWriter package;
  return BuildPackage(document, package) && package.Finish(bytes);
}

}  // namespace quadrell
