// The writing half of the XLSX format.
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "context/ApplicationContext.h"
#include "loadsave/Container.h"
#include "loadsave/LoadSaveXlsx.h"
#include "loadsave/XlsxCommon.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "model/Workbook.h"
#include "object/Comment.h"
#include "loadsave/XlsxCharts.h"
#include "object/Image.h"
#include "object/LineChart.h"
#include "object/SheetAnchor.h"
#include "value/NumberFormat.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "value/ValueFormat.h"

namespace quadrell {

namespace {

// The error codes other programs know, for the errors a formula computes;
// empty for errors that stay texts.
std::string_view FileErrorCode(const Value* value) {
  if (value->Kind() != ValueKind::Error) return {};
  std::u16string_view t = value->Text();
  if (t == u"Ref" || t == u"#REF!") return "#REF!";
  if (t == u"Div by zero" || t == u"#DIV/0!") return "#DIV/0!";
  for (std::string_view code : {"#N/A", "#VALUE!", "#NUM!", "#NAME?", "#NULL!"}) {
    if (t.size() == code.size() && std::equal(code.begin(), code.end(), t.begin())) return code;
  }
  return {};
}

// A spilled result's cells show values of the formula of its first cell only.
bool OwnsFormula(const Cell* cell) {
  return cell->HasFormula() &&
         !(cell->IsMatrixMember() && (cell->GetMatrixColumnOffset() != 0 || cell->GetMatrixRowOffset() != 0));
}

}  // namespace

namespace {

constexpr const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRel = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr int32_t kDefaultWidth = 98;
constexpr int32_t kDefaultHeight = 18;

std::string Str(int64_t n) { return IntegerText(n); }
std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

// The drawing's anchor of an object from cell to cell, moving with its cells.
XmlNode* AppendCellAnchor(XmlNode* drawing, const SheetAnchor& anchor) {
  XmlNode* two = drawing->AppendChild("xdr:twoCellAnchor")->SetAttribute("editAs", "oneCell");
  for (auto [name, p] : {std::pair{"xdr:from", &anchor.GetTopLeft()}, std::pair{"xdr:to", &anchor.GetBottomRight()}}) {
    XmlNode* node = two->AppendChild(name);
    node->AppendChild("xdr:col")->SetText(Str(p->cell->GetColumnIndex()));
    node->AppendChild("xdr:colOff")->SetText(Str(int64_t{p->x} * kEmuPerPixel));
    node->AppendChild("xdr:row")->SetText(Str(p->cell->GetRowIndex() - 1));
    node->AppendChild("xdr:rowOff")->SetText(Str(int64_t{p->y} * kEmuPerPixel));
  }
  return two;
}

// Shortest text that reads back as exactly the same double.
std::string NumberText(double x) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
  return std::string(buffer, result.ptr);
}

// Ten decimals at most, trailing zeros and point removed ("14" for 98 pixels).
std::string TrimmedDecimals(double x, int decimals) {
  std::string text = FixedForm(x, decimals);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::string_view BorderStyleNameOf(int style) {
  for (const BorderStyleName& entry : kBorderStyleNames) {
    if (entry.style == style) return entry.name;
  }
  return "thin";
}

// The number format id as the file writes it. Our date format has an id that
// other programs read as a locale's own format; the short date of the format
// shows the same day.
FormatId FileFormatId(FormatId id) { return id == kFormatDate ? kFormatShortDate : id; }

// The format a value is written under. A date or time value always goes under
// a date or time format, so that every reader takes its number for the file's
// serial of that day and not for a count.
FormatId FileFormatOf(const Value* value) {
  if (value->IsBoolean()) return kFormatGeneral;
  FormatId format = value->Format();
  if (value->Kind() == ValueKind::DateTime && !IsDateFormatInFile(format)) {
    double n = value->Number();
    return n == std::floor(n) ? kFormatShortDate : kFormatDateTime;
  }
  return format;
}

class StyleRegistry {
 public:
  StyleRegistry() {
    XmlNode* root = document_.AppendRoot("styleSheet");
    root->SetAttribute("xmlns", kMain);
    numFmts_ = root->AppendChild("numFmts");
    fonts_ = root->AppendChild("fonts")->SetAttribute("count", "1");
    XmlNode* font = fonts_->AppendChild("font");
    font->AppendChild("sz")->SetAttribute("val", "10");
    font->AppendChild("name")->SetAttribute("val", "Arial");
    font->AppendChild("family")->SetAttribute("val", "2");
    fills_ = root->AppendChild("fills")->SetAttribute("count", "2");
    fills_->AppendChild("fill")->AppendChild("patternFill")->SetAttribute("patternType", "none");
    fills_->AppendChild("fill")->AppendChild("patternFill")->SetAttribute("patternType", "gray125");
    borders_ = root->AppendChild("borders")->SetAttribute("count", "1");
    XmlNode* border = borders_->AppendChild("border");
    for (const char* side : {"left", "right", "top", "bottom", "diagonal"}) border->AppendChild(side);
    XmlNode* styleXfs = root->AppendChild("cellStyleXfs")->SetAttribute("count", "1");
    styleXfs->AppendChild("xf")
        ->SetAttribute("applyProtection", "1")
        ->SetAttribute("applyAlignment", "1")
        ->SetAttribute("borderId", "0")
        ->SetAttribute("applyFont", "1")
        ->SetAttribute("fillId", "0")
        ->SetAttribute("fontId", "0");
    cellXfs_ = root->AppendChild("cellXfs")->SetAttribute("count", "1");
    XmlNode* xf = cellXfs_->AppendChild("xf");
    xf->SetAttribute("numFmtId", "0")
        ->SetAttribute("applyProtection", "1")
        ->SetAttribute("applyAlignment", "1")
        ->SetAttribute("applyFont", "1")
        ->SetAttribute("borderId", "0")
        ->SetAttribute("fillId", "0")
        ->SetAttribute("fontId", "0")
        ->SetAttribute("xfId", "0");
    xf->AppendChild("alignment")
        ->SetAttribute("shrinkToFit", "0")
        ->SetAttribute("indent", "0")
        ->SetAttribute("wrapText", "0")
        ->SetAttribute("textRotation", "0")
        ->SetAttribute("vertical", "center")
        ->SetAttribute("horizontal", "general");
    xf->AppendChild("protection")->SetAttribute("hidden", "0");
    root->AppendChild("cellStyles")
        ->SetAttribute("count", "1")
        ->AppendChild("cellStyle")
        ->SetAttribute("name", "Standard")
        ->SetAttribute("xfId", "0")
        ->SetAttribute("builtinId", "0");
    root->AppendChild("dxfs")->SetAttribute("count", "0");
    root->AppendChild("tableStyles")->SetAttribute("count", "0");
    fontIds_["placeholder"] = 0;
    fillIds_[kWhite] = 0;
    fillIds_[0xFFFFFFFFu] = 1;  // stands for the gray125 template fill
    borderIds_["0,0,0,0"] = 0;
    cellFormatIds_["placeholder"] = 0;
    RegisterFont(GetDefaultFont(), kBlack);
  }

  int RegisterFont(const FontRecord* font, Colour colour) {
    std::string key = Str(font->flags) + "-" + Str(font->size) + "-" + U8(font->face) + "-" + Str(colour);
    auto [it, added] = fontIds_.emplace(key, static_cast<int>(fontIds_.size()));
    if (!added) return it->second;
    XmlNode* node = fonts_->AppendChild("font");
    if (font->flags & kFontFlagBold) node->AppendChild("b");
    if (font->flags & kFontFlagItalic) node->AppendChild("i");
    if (font->flags & kFontFlagUnderline) node->AppendChild("u");
    if (font->flags & kFontFlagStrikeOut) node->AppendChild("strike");
    node->AppendChild("sz")->SetAttribute("val", Str(font->size));
    if (colour != 0) node->AppendChild("color")->SetAttribute("rgb", U8(ColorToHex(colour)));
    node->AppendChild("name")->SetAttribute("val", U8(font->face));
    node->AppendChild("family")->SetAttribute("val", "2");
    fonts_->SetAttribute("count", Str(it->second + 1));
    return it->second;
  }

  int RegisterFill(Colour colour) {
    auto [it, added] = fillIds_.emplace(colour, static_cast<int>(fillIds_.size()));
    if (!added) return it->second;
    fills_->AppendChild("fill")
        ->AppendChild("patternFill")
        ->SetAttribute("patternType", "solid")
        ->AppendChild("fgColor")
        ->SetAttribute("rgb", U8(ColorToHex(colour)));
    fills_->SetAttribute("count", Str(it->second + 1));
    return it->second;
  }

  int RegisterBorder(const StyleRecord& s) {
    std::string key = Str(s.bottom.lineStyle) + "," + Str(s.left.lineStyle) + "," + Str(s.top.lineStyle) + "," +
                      Str(s.right.lineStyle);
    auto [it, added] = borderIds_.emplace(key, static_cast<int>(borderIds_.size()));
    if (!added) return it->second;
    XmlNode* border = borders_->AppendChild("border");
    for (auto [name, line] : {std::pair{"left", s.left}, {"right", s.right}, {"top", s.top}, {"bottom", s.bottom}}) {
      XmlNode* side = border->AppendChild(name);
      if (line.lineStyle != 0) {
        side->SetAttribute("style", BorderStyleNameOf(line.lineStyle));
        side->AppendChild("color")->SetAttribute("rgb", "FF000000");
      }
    }
    border->AppendChild("diagonal");
    borders_->SetAttribute("count", Str(it->second + 1));
    return it->second;
  }

  int RegisterCellFormat(int border, int font, int vertical, int horizontal, int fill, int indent, int flow,
                         FormatId format) {
    format = FileFormatId(format);
    std::string key = "B" + Str(border) + "F" + Str(font) + "H" + Str(horizontal) + "V" + Str(vertical) + "F" +
                      Str(fill) + "I" + Str(indent) + "T" + Str(flow) + "F" + Str(format);
    auto [it, added] = cellFormatIds_.emplace(key, static_cast<int>(cellFormatIds_.size()));
    if (!added) return it->second;
    NoteNumberFormat(format);
    XmlNode* xf = cellXfs_->AppendChild("xf");
    xf->SetAttribute("numFmtId", Str(format))
        ->SetAttribute("applyProtection", "1")
        ->SetAttribute("applyAlignment", "1")
        ->SetAttribute("applyBorder", "1")
        ->SetAttribute("applyFont", "1")
        ->SetAttribute("borderId", Str(border))
        ->SetAttribute("fillId", Str(fill))
        ->SetAttribute("applyFill", "1")
        ->SetAttribute("fontId", Str(font))
        ->SetAttribute("xfId", "0");
    if (vertical != 0 || horizontal != 0 || indent != 0 || flow == kTextFlowLineBreak) {
      XmlNode* alignment = xf->AppendChild("alignment");
      if (indent != 0) alignment->SetAttribute("indent", Str(indent));
      if (flow == kTextFlowLineBreak) alignment->SetAttribute("wrapText", "1");
      if (vertical == kVerticalMiddle) alignment->SetAttribute("vertical", "center");
      if (vertical == kVerticalTop) alignment->SetAttribute("vertical", "top");
      if (horizontal == kHorizontalLeft) alignment->SetAttribute("horizontal", "left");
      if (horizontal == kHorizontalCenter) alignment->SetAttribute("horizontal", "center");
      if (horizontal == kHorizontalRight) alignment->SetAttribute("horizontal", "right");
    }
    cellXfs_->SetAttribute("count", Str(it->second + 1));
    return it->second;
  }

  // The cell-format id of a style with a number format; cached per interned record.
  int Register(const StyleRecord* style, FormatId format) {
    auto key = std::pair{style, format};
    auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    int border = RegisterBorder(*style);
    int font = RegisterFont(style->font, style->textColor);
    int fill = RegisterFill(style->fillColor);
    int id = RegisterCellFormat(border, font, style->verticalAlignment, style->horizontalAlignment, fill,
                                style->indent, style->textFlow, format);
    cache_.emplace(key, id);
    return id;
  }

  // Custom formats are defined in the part, so other programs show them too.
  void NoteNumberFormat(FormatId format) {
    if (format < kFirstCustomFormat || !customWritten_.insert(format).second) return;
    const ValueFormat* custom = FindValueFormat(format);
    if (!custom) return;
    numFmts_->AppendChild("numFmt")->SetAttribute("numFmtId", Str(format))->SetAttribute("formatCode", U8(custom->Code()));
    numFmts_->SetAttribute("count", Str(static_cast<int64_t>(customWritten_.size())));
  }

  XmlDocument& Finish() {
    if (!numFmts_->FirstChild()) document_.Delete(numFmts_);
    return document_;
  }

 private:
  struct PairHash {
    size_t operator()(const std::pair<const StyleRecord*, FormatId>& p) const {
      return std::hash<const void*>()(p.first) * 31 + static_cast<size_t>(p.second);
    }
  };
  XmlDocument document_;
  XmlNode* numFmts_;
  XmlNode* fonts_;
  XmlNode* fills_;
  XmlNode* borders_;
  XmlNode* cellXfs_;
  std::unordered_map<std::string, int> fontIds_;
  std::unordered_map<Colour, int> fillIds_;
  std::unordered_map<std::string, int> borderIds_;
  std::unordered_map<std::string, int> cellFormatIds_;
  std::unordered_map<std::pair<const StyleRecord*, FormatId>, int, PairHash> cache_;
  std::set<FormatId> customWritten_;
};

class SharedStrings {
 public:
  std::string Add(std::u16string_view text) {
    ++count_;
    auto [it, added] = positions_.emplace(std::u16string(text), static_cast<int64_t>(positions_.size()));
    if (added) {
      writer_.Start("si");
      writer_.Start("t");
      std::string utf8 = U8(text);
      // Leading or trailing spaces survive only when marked.
      if (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' ')) writer_.Attribute("xml:space", "preserve");
      writer_.Text(utf8);
      writer_.End();
      writer_.End();
    }
    return Str(it->second);
  }
  std::string Finish() {
    std::string out;
    XmlWriter head(out);
    head.Declaration();
    out += "\n<sst xmlns=\"";
    out += kMain;
    out += "\" count=\"" + Str(count_) + "\" uniqueCount=\"" + Str(static_cast<int64_t>(positions_.size())) + "\">";
    out += items_;
    out += "\n</sst>";
    return out;
  }

 private:
  std::unordered_map<std::u16string, int64_t> positions_;
  std::string items_;
  XmlWriter writer_{items_};
  int64_t count_ = 0;
};

std::unique_ptr<XmlDocument> Relationships() {
  auto document = std::make_unique<XmlDocument>();
  document->AppendRoot("Relationships")->SetAttribute("xmlns", kPackageRel);
  return document;
}

void AddRelationship(XmlDocument& rels, std::string_view id, std::string_view type, std::string_view target) {
  rels.Root()
      ->AppendChild("Relationship")
      ->SetAttribute("Id", id)
      ->SetAttribute("Type", std::string(kRel) + "/" + std::string(type))
      ->SetAttribute("Target", target);
}

// Other programs refuse sheet names with these characters, longer than 31 or empty.
std::u16string FileSheetName(std::u16string_view name, int position) {
  std::u16string out;
  for (char16_t c : name) out += std::u16string_view(u"[]:*?/\\").find(c) == std::u16string_view::npos ? c : u'_';
  if (out.size() > 31) out.resize(31);
  if (out.empty()) out = Text("sheet") + AsciiToUtf16(Str(position));
  return out;
}

struct PendingCell {
  Cell* cell;
  int32_t column;
  int style;
};

class Writer {
 public:
  Writer(Workbook& workbook) : workbook_(workbook) {}

  bool Write(PackageWriter& package) {
    int count = workbook_.GetSheetCount();
    XmlDocument app;
    XmlNode* properties = app.AppendRoot("Properties");
    properties->SetAttribute("xmlns", "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties");
    properties->SetAttribute("xmlns:vt", "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes");
    properties->AppendChild("Application")->SetText("quadrell " QUADRELL_VERSION);
    bool ok = WritePart(app, package, "docProps/app.xml");

    auto rels = Relationships();
    AddRelationship(*rels, "rId1", "officeDocument", "xl/workbook.xml");
    AddRelationship(*rels, "rId2", "extended-properties", "docProps/app.xml");
    ok = ok && WritePart(*rels, package, "_rels/.rels");

    auto workbookRels = Relationships();
    AddRelationship(*workbookRels, "rId" + Str(count + 1), "styles", "styles.xml");
    AddRelationship(*workbookRels, "rId" + Str(count + 2), "sharedStrings", "sharedStrings.xml");
    for (int i = 1; i <= count; ++i)
      AddRelationship(*workbookRels, "rId" + Str(i), "worksheet", "worksheets/sheet" + Str(i) + ".xml");
    ok = ok && WritePart(*workbookRels, package, "xl/_rels/workbook.xml.rels");

    XmlDocument book;
    XmlNode* root = book.AppendRoot("workbook");
    root->SetAttribute("xmlns", kMain)->SetAttribute("xmlns:r", kRel);
    root->AppendChild("workbookPr");
    XmlNode* sheets = root->AppendChild("sheets");
    std::map<std::u16string, int> used;  // how often each name was met
    std::set<std::u16string> written;
    std::vector<std::u16string> fileNames;
    for (int i = 1; i <= count; ++i) {
      std::u16string name = FileSheetName(workbook_.GetSheet(i - 1)->GetName(), i);
      std::u16string unique = name;
      if (used[name] > 0 || written.count(name)) {
        for (int k = used[name];; ++k) {
          std::u16string suffix = u" (" + AsciiToUtf16(Str(k)) + u")";
          unique = name.substr(0, 31 - std::min<size_t>(31, suffix.size())) + suffix;
          if (!written.count(unique)) break;
        }
        ++used[unique];
      }
      ++used[name];
      written.insert(unique);
      fileNames.push_back(unique);
      sheets->AppendChild("sheet")
          ->SetAttribute("name", U8(unique))
          ->SetAttribute("sheetId", Str(i))
          ->SetAttribute("r:id", "rId" + Str(i));
    }
    sheetFileNames_ = fileNames;
    // An auto-filter's area is also named, as other programs expect; without
    // the name some of them drop the filter.
    XmlNode* names = root->AppendChild("definedNames");
    for (int i = 1; i <= count; ++i) {
      Filter* filter = workbook_.GetSheet(i - 1)->GetFilter();
      const AreaRange* area = filter ? filter->GetRange() : nullptr;
      if (!area) continue;
      std::string quoted = "'";
      for (char c : U8(fileNames[i - 1])) quoted += c == '\'' ? std::string("''") : std::string(1, c);
      quoted += "'!";
      auto corner = [](int32_t column, int32_t row) { return "$" + U8(ColumnName(column)) + "$" + Str(row); };
      names->AppendChild("definedName")
          ->SetAttribute("name", "_xlnm._FilterDatabase")
          ->SetAttribute("localSheetId", Str(i - 1))
          ->SetAttribute("hidden", "1")
          ->SetText(quoted + corner(area->GetFirstColumn(), area->GetFirstRow()) + ":" +
                    corner(area->GetLastColumn(), area->GetLastRow()));
    }
    root->AppendChild("calcPr");
    ok = ok && WritePart(book, package, "xl/workbook.xml");

    std::vector<int> drawings;
    for (int i = 1; i <= count && ok; ++i) ok = WriteSheet(package, workbook_.GetSheet(i - 1), i, drawings);

    XmlDocument types;
    XmlNode* typesRoot = types.AppendRoot("Types");
    typesRoot->SetAttribute("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
    auto addDefault = [&](const char* extension, const char* type) {
      typesRoot->AppendChild("Default")->SetAttribute("Extension", extension)->SetAttribute("ContentType", type);
    };
    auto addOverride = [&](const std::string& part, const char* type) {
      typesRoot->AppendChild("Override")->SetAttribute("PartName", part)->SetAttribute("ContentType", type);
    };
    addDefault("png", "image/png");
    addDefault("jpeg", "image/jpeg");
    addDefault("jpg", "image/jpeg");
    // Every member needs a content type; pictures of other kinds get theirs.
    for (const std::string& extension : mediaExtensions_) {
      if (extension == "png" || extension == "jpeg" || extension == "jpg" || extension == "rels" || extension == "xml")
        continue;
      std::string type = extension == "gif" ? "image/gif"
                         : extension == "tif" || extension == "tiff" ? "image/tiff"
                         : extension == "bmp" ? "image/bmp"
                                              : "application/octet-stream";
      typesRoot->AppendChild("Default")->SetAttribute("Extension", extension)->SetAttribute("ContentType", type);
    }
    addDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
    addOverride("/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml");
    addOverride("/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
    addOverride("/xl/styles.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");
    for (int i = 1; i <= count; ++i)
      addOverride("/xl/worksheets/sheet" + Str(i) + ".xml",
                  "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
    addOverride("/xl/sharedStrings.xml",
                "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml");
    for (int i : drawings)
      addOverride("/xl/drawings/drawing" + Str(i) + ".xml", "application/vnd.openxmlformats-officedocument.drawing+xml");
    for (int i : charts_)
      addOverride("/xl/charts/chart" + Str(i) + ".xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml");
    if (!commentSheets_.empty()) addDefault("vml", "application/vnd.openxmlformats-officedocument.vmlDrawing");
    for (int i : commentSheets_)
      addOverride("/xl/comments" + Str(i) + ".xml",
                  "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml");
    ok = ok && WritePart(types, package, "[Content_Types].xml");
    ok = ok && WritePart(styles_.Finish(), package, "xl/styles.xml");
    ok = ok && package.AddMember("xl/sharedStrings.xml", strings_.Finish());
    return ok;
  }

 private:
  // Writes the sheet's pictures and its drawing part; the relationship number of the drawing, or 0.
  bool WriteDrawing(PackageWriter& package, Sheet* sheet, int i, XmlDocument& drawing, XmlDocument& drawingRels) {
    XmlNode* root = drawing.AppendRoot("xdr:wsDr");
    root->SetAttribute("xmlns:xdr", "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing")
        ->SetAttribute("xmlns:r", kRel)
        ->SetAttribute("xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main");
    drawingRels.AppendRoot("Relationships")->SetAttribute("xmlns", kPackageRel);
    int k = 1;
    bool ok = true;
    sheet->ResetObjects(1);
    while (SheetAnchor* anchor = sheet->NextObject()) {
      if (auto* chart = dynamic_cast<LineChart*>(anchor->GetObject())) {
        ok = ok && WriteChart(package, *chart, *anchor, i, root, drawingRels, k);
        ++k;
        continue;
      }
      if (anchor->GetKind() != kObjectImage) continue;
      auto* image = static_cast<Image*>(anchor->GetObject());
      // Part names allow few characters; an extension is letters and digits, lower case.
      std::string extension, fileName = U8(image->GetFileName());
      for (char c : Extension(fileName))
        if (std::isalnum(static_cast<unsigned char>(c))) extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (extension.empty()) extension = image->DefaultExtension();
      mediaExtensions_.insert(extension);
      std::string media = "image" + Str(imageCounter_) + "." + extension;
      ok = ok && WriteMedia(image->GetBytes(), package, "xl/media/" + media);
      AddRelationship(drawingRels, "rId" + Str(k), "image", "../media/" + media);
      XmlNode* two = AppendCellAnchor(root, *anchor);
      XmlNode* pic = two->AppendChild("xdr:pic");
      XmlNode* nv = pic->AppendChild("xdr:nvPicPr");
      nv->AppendChild("xdr:cNvPr")
          ->SetAttribute("descr", U8(image->GetFileName()))
          ->SetAttribute("name", "Bild " + Str(imageCounter_))
          ->SetAttribute("id", Str(imageCounter_));
      nv->AppendChild("xdr:cNvPicPr")->AppendChild("a:picLocks")->SetAttribute("noChangeAspect", "1");
      XmlNode* fill = pic->AppendChild("xdr:blipFill");
      fill->AppendChild("a:blip")->SetAttribute("r:embed", "rId" + Str(k));
      fill->AppendChild("a:stretch")->AppendChild("a:fillRect");
      XmlNode* shape = pic->AppendChild("xdr:spPr");
      XmlNode* xfrm = shape->AppendChild("a:xfrm");
      xfrm->AppendChild("a:off")->SetAttribute("y", "0")->SetAttribute("x", "0");
      int32_t width = anchor->GetObject()->GetObjectWidth(), height = anchor->GetObject()->GetObjectHeight();
      if (auto* placed = dynamic_cast<ObjectAnchor*>(anchor)) {
        width = placed->GetWidth();
        height = placed->GetHeight();
      }
      xfrm->AppendChild("a:ext")
          ->SetAttribute("cy", Str(int64_t{height} * kEmuPerPixel))
          ->SetAttribute("cx", Str(int64_t{width} * kEmuPerPixel));
      shape->AppendChild("a:prstGeom")->SetAttribute("prst", "rect")->AppendChild("a:avLst");
      two->AppendChild("xdr:clientData");
      ++imageCounter_;
      ++k;
    }
    (void)i;
    return ok;
  }

  // A chart: its part, its relationship and the frame in the drawing that shows it where it stands.
  bool WriteChart(PackageWriter& package, LineChart& chart, const SheetAnchor& anchor, int i, XmlNode* root,
                  XmlDocument& drawingRels, int k) {
    int number = chartCounter_++;
    charts_.push_back(number);
    XmlDocument part;
    std::u16string sheetName = i - 1 < static_cast<int>(sheetFileNames_.size()) ? sheetFileNames_[i - 1] : u"Sheet1";
    BuildChartPart(chart, sheetName, part);
    bool ok = WritePart(part, package, "xl/charts/chart" + Str(number) + ".xml");
    AddRelationship(drawingRels, "rId" + Str(k), "chart", "../charts/chart" + Str(number) + ".xml");
    XmlNode* two = AppendCellAnchor(root, anchor);
    XmlNode* frame = two->AppendChild("xdr:graphicFrame")->SetAttribute("macro", "");
    XmlNode* nv = frame->AppendChild("xdr:nvGraphicFramePr");
    nv->AppendChild("xdr:cNvPr")->SetAttribute("id", Str(1000 + number))->SetAttribute("name", "Chart " + Str(number));
    nv->AppendChild("xdr:cNvGraphicFramePr");
    int32_t width = chart.GetObjectWidth(), height = chart.GetObjectHeight();
    if (auto* placed = dynamic_cast<const ObjectAnchor*>(&anchor)) {
      width = placed->GetWidth();
      height = placed->GetHeight();
    }
    XmlNode* xfrm = frame->AppendChild("xdr:xfrm");
    xfrm->AppendChild("a:off")->SetAttribute("x", "0")->SetAttribute("y", "0");
    xfrm->AppendChild("a:ext")
        ->SetAttribute("cx", Str(int64_t{width} * kEmuPerPixel))
        ->SetAttribute("cy", Str(int64_t{height} * kEmuPerPixel));
    XmlNode* data = frame->AppendChild("a:graphic")
                        ->AppendChild("a:graphicData")
                        ->SetAttribute("uri", "http://schemas.openxmlformats.org/drawingml/2006/chart");
    data->AppendChild("c:chart")
        ->SetAttribute("xmlns:c", "http://schemas.openxmlformats.org/drawingml/2006/chart")
        ->SetAttribute("r:id", "rId" + Str(k));
    two->AppendChild("xdr:clientData");
    return ok;
  }

  bool WriteSheet(PackageWriter& package, Sheet* sheet, int i, std::vector<int>& drawings) {
    bool hasDrawing = sheet->ObjectCount() > 0;
    bool ok = true;
    XmlDocument drawing, drawingRels;
    auto sheetRels = Relationships();
    int drawingRelation = 0;
    if (hasDrawing) {
      ok = WriteDrawing(package, sheet, i, drawing, drawingRels);
      AddRelationship(*sheetRels, "rId1", "drawing", "../drawings/drawing" + Str(i) + ".xml");
      drawingRelation = 1;
    }

    // The part goes to the package in pieces of about this size as its rows
    // are written: a big sheet is never held whole.
    constexpr size_t kPieceBytes = size_t{1} << 20;
    std::string out;
    out.reserve(kPieceBytes + (kPieceBytes >> 2));
    std::string partName = "xl/worksheets/sheet" + Str(i) + ".xml";
    ok = ok && package.BeginMember(partName);
    XmlWriter w(out);
    // Rows stand on lines of their own; their cells follow on the row's line.
    w.SetIndentDepth(2);
    w.Declaration();
    w.Start("worksheet");
    w.Attribute("xmlns", kMain);
    w.Attribute("xmlns:r", kRel);
    w.Attribute("xmlns:mx", "http://schemas.microsoft.com/office/mac/excel/2008/main");
    w.Attribute("xmlns:mc", "http://schemas.openxmlformats.org/markup-compatibility/2006");
    w.Attribute("xmlns:mv", "urn:schemas-microsoft-com:mac:vml");
    w.Attribute("xmlns:x14", "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main");
    w.Attribute("xmlns:x14ac", "http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac");
    w.Attribute("xmlns:xm", "http://schemas.microsoft.com/office/excel/2006/main");
    w.Start("sheetPr");
    w.Start("tabColor");
    w.Attribute("rgb", U8(ColorToHex(sheet->GetTabColor())));
    w.End();
    w.End();
    if (const Sheet::FrozenPanes& panes = sheet->GetFrozenPanes(); panes.Any()) {
      // Frozen panes as other programs keep them: the split counted from the
      // view's top-left cell, and the first cell of the scrolling pane.
      int32_t xSplit = std::max(panes.scrollColumn - panes.firstColumn, 0);
      int32_t ySplit = std::max(panes.scrollRow - panes.firstRow, 0);
      w.Start("sheetViews");
      w.Start("sheetView");
      w.Attribute("workbookViewId", "0");
      if (panes.firstColumn > 0 || panes.firstRow > 1) {
        w.Attribute("topLeftCell", U8(ColumnName(panes.firstColumn)) + Str(std::max(panes.firstRow, 1)));
      }
      w.Start("pane");
      if (xSplit > 0) w.Attribute("xSplit", Str(xSplit));
      if (ySplit > 0) w.Attribute("ySplit", Str(ySplit));
      w.Attribute("topLeftCell", U8(ColumnName(panes.scrollColumn)) + Str(std::max(panes.scrollRow, 1)));
      w.Attribute("activePane", xSplit > 0 && ySplit > 0 ? "bottomRight" : ySplit > 0 ? "bottomLeft" : "topRight");
      w.Attribute("state", "frozen");
      w.End();
      w.End();
      w.End();
    }
    w.Start("sheetFormatPr");
    w.Attribute("defaultRowHeight", "13.50");
    w.Attribute("defaultColWidth", "14");
    w.Attribute("customHeight", "1");
    w.End();

    bool colsOpen = false;
    for (int32_t c = 0; c <= sheet->GetMaxColumn(); ++c) {
      Column* column = sheet->FindColumn(c);
      int id = column && column->HasStyle() ? styles_.Register(column->GetOwnStyle(), 0) : 0;
      int32_t width = sheet->GetColumnWidth(c);
      if (width == kDefaultWidth && id == 0 && !(column && column->IsHidden())) continue;
      if (!colsOpen) w.Start("cols");
      colsOpen = true;
      w.Start("col");
      w.Attribute("customWidth", "1");
      w.Attribute("width", TrimmedDecimals(static_cast<float>(width) / 7.0f, 10));
      w.Attribute("min", Str(c + 1));
      w.Attribute("max", Str(c + 1));
      if (id != 0) w.Attribute("style", Str(id));
      if (column && column->IsHidden()) w.Attribute("hidden", "1");
      w.End();
    }
    if (colsOpen) w.End();

    // Rows the filter hides are written hidden.
    std::set<const Row*> hiddenRows;
    Filter* filter = sheet->GetFilter();
    if (filter) {
      for (int32_t d = 1; d <= filter->GetEntryCount(); ++d) {
        const FilterRowEntry* e = filter->GetRowEntry(filter->GetHeaderRow() + d);
        if (e && e->hidden) hiddenRows.insert(e->row);
      }
    }
    std::vector<std::string> merges;
    // Address and relationship id, or for a place in the workbook ("#Sheet!A1") address and location.
    struct Link {
      std::string address, id, location;
    };
    std::vector<Link> links;
    bool externalLinks = false;
    struct Note {
      int32_t column, row;
      const CommentRecord* record;
      bool shown;
    };
    std::vector<Note> notes;
    const StyleRecord* sheetLook = sheet->GetStyle() != GetDefaultStyle() ? sheet->GetStyle() : nullptr;
    int nextRelation = drawingRelation + 1;
    w.Start("sheetData");
    std::vector<PendingCell> pending;
    for (int32_t r = 1; r <= sheet->GetMaxRow(); ++r) {
      Row* row = sheet->FindRow(r);
      if (!row) continue;
      pending.clear();
      for (int32_t c = 0; c <= row->GetLastColumn(); ++c) {
        Cell* cell = row->FindCell(c);
        if (!cell) continue;
        int32_t span = cell->GetColumnSpan(), rowSpan = cell->GetRowSpan();
        if (span >= 2 || rowSpan >= 2)
          merges.push_back(U8(cell->GetName()) + ":" + U8(ColumnName(c + span - 1)) + Str(r + rowSpan - 1));
        const Value* value = cell->GetValue();
        int id = 0;
        FormatId format = FileFormatOf(value);
        // A sheet whose unstyled cells look other than ours (as read from
        // another program's file) gives them its look explicitly.
        if (cell->HasStyle() || format != 0 ||
            (sheetLook && value->Kind() != ValueKind::Empty && cell->GetStyle() == sheetLook)) {
          id = styles_.Register(cell->GetStyle(), format);
        }
        if (const CommentRecord* note = cell->GetComment())
          notes.push_back({c, r, note, sheet->GetCommentObject(note) != nullptr});
        // An empty text is no value to keep.
        bool empty = value->Kind() == ValueKind::Empty || (value->Kind() == ValueKind::Text && value->Text().empty());
        if (empty && id == 0 && !OwnsFormula(cell)) continue;
        pending.push_back({cell, c, id});
      }
      int rowStyle = row->HasStyle() ? styles_.Register(row->GetOwnStyle(), 0) : 0;
      int32_t height = row->GetHeight();
      if (pending.empty() && height == kDefaultHeight && rowStyle == 0) continue;
      w.Start("row");
      if (height != kDefaultHeight) {
        w.Attribute("customHeight", "1");
        w.Attribute("ht", FixedForm(height * 0.75, 2));
      }
      if (row->IsHidden() || hiddenRows.count(row)) w.Attribute("hidden", "1");
      if (rowStyle != 0) {
        w.Attribute("customFormat", "1");
        w.Attribute("s", Str(rowStyle));
      }
      w.Attribute("r", Str(r));
      for (const PendingCell& p : pending) {
        Cell* cell = p.cell;
        const Value* value = cell->GetValue();
        std::string address = U8(ColumnName(p.column)) + Str(r);
        w.Start("c");
        w.Attribute("r", address);
        if (p.style != 0) w.Attribute("s", Str(p.style));
        std::string formula;
        if (OwnsFormula(cell)) {
          // A formula is written whatever it computes: an empty result keeps it too.
          std::u16string text = cell->GetFileFormulaText();
          formula = U8(std::u16string_view(text).substr(text.empty() || text[0] != u'=' ? 0 : 1));
        }
        bool hasValue = value->Kind() != ValueKind::Empty && !(value->Kind() == ValueKind::Text && value->Text().empty());
        // "Syntax Error" is Quadrell's word for a formula it could not read, no value for other programs.
        if (value->Kind() == ValueKind::Error && value->Text() == u"Syntax Error") hasValue = false;
        if (!hasValue && !formula.empty()) {
          w.TextElement("f", formula);
        } else if (hasValue) {
          bool number = value->Kind() == ValueKind::Number || value->Kind() == ValueKind::DateTime;
          std::string v;
          std::string_view fileError = FileErrorCode(value);
          if (number && value->IsBoolean()) {
            // A boolean type of its own: a number format of -1 is no valid file id.
            w.Attribute("t", "b");
            v = value->Number() != 0 ? "1" : "0";
          } else if (number && std::isfinite(value->Number())) {
            w.Attribute("t", "n");
            v = NumberText(SerialToFile(value->Number(), FileFormatOf(value)));
          } else if (!fileError.empty()) {
            w.Attribute("t", "e");
            v = std::string(fileError);
          } else if (!formula.empty()) {
            // A formula's text result is no shared string.
            w.Attribute("t", "str");
            v = U8(DisplayText(value));
          } else {
            w.Attribute("t", "s");
            v = strings_.Add(DisplayText(value));
          }
          if (!formula.empty()) w.TextElement("f", formula);
          w.TextElement("v", v);
        }
        w.End();
        if (value->Kind() == ValueKind::Hyperlink && value->Link().starts_with(u"#")) {
          links.push_back({address, {}, U8(value->Link().substr(1))});
        } else if (value->Kind() == ValueKind::Hyperlink) {
          std::string id = "rId" + Str(nextRelation++);
          links.push_back({address, id, {}});
          externalLinks = true;
          sheetRels->Root()
              ->AppendChild("Relationship")
              ->SetAttribute("Id", id)
              ->SetAttribute("Type", std::string(kRel) + "/hyperlink")
              ->SetAttribute("Target", U8(value->Link()))
              ->SetAttribute("TargetMode", "External");
        }
      }
      w.End();
      if (out.size() >= kPieceBytes) {
        ok = ok && package.AppendToMember(out);
        out.clear();
      }
    }
    w.End();  // sheetData
    if (filter) {
      const AreaRange* area = filter->GetRange();
      w.Start("autoFilter");
      w.Attribute("ref", U8(area->ToString()));
      for (int32_t c = area->GetFirstColumn(); c <= area->GetLastColumn(); ++c) {
        const ColumnFilterSettings* settings = filter->GetColumnSettings(c);
        if (!settings || settings->showAll) continue;
        w.Start("filterColumn");
        w.Attribute("colId", Str(c - area->GetFirstColumn()));
        w.Start("filters");
        for (const auto& [text, shown] : settings->selected) {
          if (!shown) continue;
          w.Start("filter");
          w.Attribute("val", U8(text));
          w.End();
        }
        w.End();
        w.End();
      }
      w.End();
    }
    if (!merges.empty()) {
      w.Start("mergeCells");
      w.Attribute("count", Str(static_cast<int64_t>(merges.size())));
      for (const std::string& ref : merges) {
        w.Start("mergeCell");
        w.Attribute("ref", ref);
        w.End();
      }
      w.End();
    }
    if (!links.empty()) {
      w.Start("hyperlinks");
      for (const Link& link : links) {
        w.Start("hyperlink");
        w.Attribute("ref", link.address);
        if (link.id.empty()) {
          w.Attribute("location", link.location);
        } else {
          w.Attribute("r:id", link.id);
        }
        w.End();
      }
      w.End();
    }
    if (hasDrawing) {
      w.Start("drawing");
      w.Attribute("r:id", "rId" + Str(drawingRelation));
      w.End();
    }
    // Comments: the part with the texts, and the legacy drawing of their boxes
    // that other programs need to show them.
    XmlDocument comments, vml;
    if (!notes.empty()) {
      std::string commentsId = "rId" + Str(nextRelation++), vmlId = "rId" + Str(nextRelation++);
      AddRelationship(*sheetRels, commentsId, "comments", "../comments" + Str(i) + ".xml");
      AddRelationship(*sheetRels, vmlId, "vmlDrawing", "../drawings/vmlDrawing" + Str(i) + ".vml");
      w.Start("legacyDrawing");
      w.Attribute("r:id", vmlId);
      w.End();
      XmlNode* root = comments.AppendRoot("comments");
      root->SetAttribute("xmlns", kMain);
      XmlNode* authors = root->AppendChild("authors");
      XmlNode* list = root->AppendChild("commentList");
      std::map<std::u16string, int> authorIds;
      XmlNode* xml = vml.AppendRoot("xml");
      xml->SetAttribute("xmlns:v", "urn:schemas-microsoft-com:vml")
          ->SetAttribute("xmlns:o", "urn:schemas-microsoft-com:office:office")
          ->SetAttribute("xmlns:x", "urn:schemas-microsoft-com:office:excel");
      xml->AppendChild("o:shapelayout")
          ->SetAttribute("v:ext", "edit")
          ->AppendChild("o:idmap")
          ->SetAttribute("v:ext", "edit")
          ->SetAttribute("data", Str(i));
      XmlNode* type = xml->AppendChild("v:shapetype");
      type->SetAttribute("id", "_x0000_t202")
          ->SetAttribute("coordsize", "21600,21600")
          ->SetAttribute("o:spt", "202")
          ->SetAttribute("path", "m,l,21600r21600,l21600,xe");
      type->AppendChild("v:stroke")->SetAttribute("joinstyle", "miter");
      type->AppendChild("v:path")->SetAttribute("gradientshapeok", "t")->SetAttribute("o:connecttype", "rect");
      int k = 0;
      for (const Note& note : notes) {
        std::string ref = U8(ColumnName(note.column)) + Str(note.row);
        auto [author, added] = authorIds.emplace(note.record->GetAuthor(), static_cast<int>(authorIds.size()));
        if (added) authors->AppendChild("author")->SetText(U8(note.record->GetAuthor()));
        XmlNode* comment = list->AppendChild("comment")->SetAttribute("ref", ref)->SetAttribute("authorId", Str(author->second));
        comment->AppendChild("text")
            ->AppendChild("r")
            ->AppendChild("t")
            ->SetAttribute("xml:space", "preserve")
            ->SetText(U8(note.record->GetText()));
        XmlNode* shape = xml->AppendChild("v:shape");
        shape->SetAttribute("id", "_x0000_s" + Str(static_cast<int64_t>(i) * 1024 + 1 + k++))
            ->SetAttribute("type", "#_x0000_t202")
            ->SetAttribute("style", std::string("position:absolute;margin-left:59.25pt;margin-top:1.5pt;width:108pt;"
                                                "height:59.25pt;z-index:1;visibility:") +
                                        (note.shown ? "visible" : "hidden"))
            ->SetAttribute("fillcolor", "#ffffe1")
            ->SetAttribute("o:insetmode", "auto");
        shape->AppendChild("v:fill")->SetAttribute("color2", "#ffffe1");
        shape->AppendChild("v:shadow")->SetAttribute("on", "t")->SetAttribute("color", "black")->SetAttribute("obscured", "t");
        shape->AppendChild("v:path")->SetAttribute("o:connecttype", "none");
        shape->AppendChild("v:textbox")->SetAttribute("style", "mso-direction-alt:auto")->AppendChild("div")->SetAttribute(
            "style", "text-align:left");
        XmlNode* data = shape->AppendChild("x:ClientData")->SetAttribute("ObjectType", "Note");
        data->AppendChild("x:MoveWithCells");
        data->AppendChild("x:SizeWithCells");
        int64_t c0 = note.column, r0 = note.row - 1;
        data->AppendChild("x:Anchor")->SetText(Str(c0 + 1) + ", 15, " + Str(r0 > 0 ? r0 - 1 : 0) + ", 10, " + Str(c0 + 3) +
                                                ", 15, " + Str(r0 + 3) + ", 4");
        data->AppendChild("x:AutoFill")->SetText("False");
        data->AppendChild("x:Row")->SetText(Str(r0));
        data->AppendChild("x:Column")->SetText(Str(c0));
        if (note.shown) data->AppendChild("x:Visible");
      }
    }
    w.End();  // worksheet
    ok = ok && package.AppendToMember(out) && package.EndMember();
    out = std::string();
    if (hasDrawing) {
      drawings.push_back(i);
      ok = ok && WritePart(drawing, package, "xl/drawings/drawing" + Str(i) + ".xml");
      ok = ok && WritePart(drawingRels, package, "xl/drawings/_rels/drawing" + Str(i) + ".xml.rels");
    }
    if (!notes.empty()) {
      commentSheets_.push_back(i);
      ok = ok && WritePart(comments, package, "xl/comments" + Str(i) + ".xml");
      ok = ok && WritePart(vml, package, "xl/drawings/vmlDrawing" + Str(i) + ".vml");
    }
    if (hasDrawing || externalLinks || !notes.empty())
      ok = ok && WritePart(*sheetRels, package, "xl/worksheets/_rels/sheet" + Str(i) + ".xml.rels");
    return ok;
  }

  Workbook& workbook_;
  std::vector<int> commentSheets_;  // numbers of the sheets with comments
  StyleRegistry styles_;
  SharedStrings strings_;
  int imageCounter_ = 1;
  int chartCounter_ = 1;
  std::vector<int> charts_;  // the numbers of the chart parts written
  std::vector<std::u16string> sheetFileNames_;
  std::set<std::string> mediaExtensions_;
};

}  // namespace

bool SaveXlsxToMemory(Workbook& workbook, std::string& bytes) {
  PackageWriter package;
  Writer writer(workbook);
  if (!writer.Write(package)) return false;
  return package.Finish(bytes);
}

bool SaveXlsx(Workbook& workbook, const std::string& path, std::string* reason) {
  PackageWriter package;
  Writer writer(workbook);
  if (!writer.Write(package)) {
    if (reason) *reason = "the package could not be built";
    return false;
  }
  return package.WriteFile(path, reason);
}

}  // namespace quadrell
