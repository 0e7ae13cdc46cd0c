#include "loadsave/LoadSaveXlsx.h"

#include <malloc.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <cstring>
#include <thread>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "context/ApplicationContext.h"
#include "formula/FileTranslation.h"
#include "loadsave/Container.h"
#include "loadsave/XlsxCharts.h"
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
#include "object/Image.h"
#include "object/LineChart.h"
#include "object/SheetAnchor.h"
#include "value/NumberFormat.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "value/ValueFormat.h"

namespace quadrell {

// ---------------------------------------------------------------------------
// Shared with the writer

namespace {

// Ids of the file format's built-in number formats that show dates or times.
bool IsBuiltInFileDate(FormatId id) { return (id >= 14 && id <= 17) || id == 22 || id == 58; }
bool IsBuiltInFileTime(FormatId id) { return (id >= 18 && id <= 21) || (id >= 45 && id <= 47); }

enum class DateKind { None, Date, Time };

DateKind DateKindOf(FormatId id) {
  if (id < kFirstCustomFormat) {
    if (IsBuiltInFileTime(id)) return DateKind::Time;
    if (IsBuiltInFileDate(id) || IsDateTimeFormat(id)) return DateKind::Date;
    return DateKind::None;
  }
  const ValueFormat* format = FindValueFormat(id);
  if (!format || !format->HasDatePart()) return DateKind::None;
  return format->IsTimeOnly() ? DateKind::Time : DateKind::Date;
}

}  // namespace

bool IsDateFormatInFile(FormatId format) { return DateKindOf(format) != DateKind::None; }

double SerialFromFile(double serial, FormatId format) {
  DateKind kind = DateKindOf(format);
  if (kind == DateKind::None || !std::isfinite(serial) || serial < 1) return serial;
  return serial >= 61 ? serial - 2 : serial - 1;
}

double SerialToFile(double serial, FormatId format) {
  DateKind kind = DateKindOf(format);
  if (kind == DateKind::None || !std::isfinite(serial)) return serial;
  if (kind == DateKind::Time && serial < 1 && serial >= 0) return serial;
  if (serial < 0) return serial;
  return serial >= 59 ? serial + 2 : serial + 1;
}

Colour IndexedColor(int64_t index) {
  static const uint32_t kTable[64] = {
      0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000, 0xFFFFFF, 0xFF0000,
      0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080,
      0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080,
      0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99,
      0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, 0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699,
      0x969696, 0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
  if (index == 81) return kWhite;
  if (index < 1 || index > 63) return kBlack;
  uint32_t rgb = kTable[index];
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

// ---------------------------------------------------------------------------
// Reading

namespace {

int64_t AttributeInteger(const XmlNode* node, std::string_view name) {
  if (!node) return 0;
  return ReadInteger(Utf8ToUtf16(node->Attribute(name)));
}

std::u16string Attribute16(const XmlNode* node, std::string_view name) {
  return node ? Utf8ToUtf16(node->Attribute(name)) : std::u16string();
}

// Text written in the _xHHHH_ form (characters XML cannot carry) turned back.
std::u16string DecodeEscapes(std::u16string text) {
  if (text.find(u"_x") == std::u16string::npos) return text;
  std::u16string out;
  out.reserve(text.size());
  auto hex = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
      int a = hex(text[i + 2]), b = hex(text[i + 3]), c = hex(text[i + 4]), d = hex(text[i + 5]);
      if (a >= 0 && b >= 0 && c >= 0 && d >= 0) {
        out += static_cast<char16_t>((a << 12) | (b << 8) | (c << 4) | d);
        i += 6;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// A cell reference "AB12" read from UTF-8: column (0-based) and row; -1 where absent or absurd.
void ReadReference(std::string_view text, int32_t& column, int32_t& row) {
  size_t i = 0;
  int64_t c = 0;
  while (i < text.size() && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z'))) {
    if (c <= kXlsxMaxColumns) c = c * 26 + ((text[i] | 0x20) - 'a' + 1);
    ++i;
  }
  column = (i == 0 || c > kXlsxMaxColumns) ? -1 : static_cast<int32_t>(c - 1);
  int64_t r = 0;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (r <= kXlsxMaxRows) r = r * 10 + (text[i] - '0');
    ++i;
    ++digits;
  }
  row = (digits == 0 || r < 1 || r > kXlsxMaxRows) ? -1 : static_cast<int32_t>(r);
}

// Leading spaces, a sign and decimal digits; 0 for anything else. Saturates far beyond any index.
int64_t ReadInteger8(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  int64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (n < (int64_t{1} << 50)) n = n * 10 + (text[i] - '0');
  return negative ? -n : n;
}

// A plain decimal number as a file writes it ("-12.5", "1E-3"): read directly
// instead of going through the typed-input rules.
bool IsPlainNumber(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    size_t exponent = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == s.size();
}

struct SheetEntry {
  int64_t number = 0;
  int index = 0;  // position of the member in the directory
  std::string member;
  std::string path;  // "worksheets/sheet1.xml"
  std::u16string name;
};

struct StyleTables {
  std::vector<Colour> themeColours = std::vector<Colour>(10, kBlack);
  std::unordered_map<int64_t, FormatId> customFormats;
  std::vector<std::optional<Colour>> fills;
  struct Borders {
    BorderLine left, right, top, bottom;
  };
  std::vector<Borders> borders;
  struct FontEntry {
    const FontRecord* font;
    Colour colour;
  };
  std::vector<FontEntry> fonts;
  std::vector<const StyleRecord*> cellFormats;
  std::vector<FormatId> cellFormatIds;  // the value format each cell format gives
};

// Where a colour element says its colour: rgb, then indexed, then theme, a later one winning.
std::optional<Colour> ReadColour(const XmlNode* node, const StyleTables& tables) {
  if (!node) return std::nullopt;
  std::optional<Colour> colour;
  if (node->HasAttribute("rgb")) colour = HexToColor(Utf8ToUtf16(node->Attribute("rgb")));
  if (node->HasAttribute("indexed")) colour = IndexedColor(AttributeInteger(node, "indexed"));
  if (node->HasAttribute("theme")) {
    int64_t theme = AttributeInteger(node, "theme");
    colour = theme >= 0 && theme < 10 ? tables.themeColours[theme] : kBlack;
  }
  return colour;
}

void ReadTheme(const XmlDocument* theme, StyleTables& tables) {
  if (!theme || !theme->Root()) return;
  const XmlNode* scheme = theme->Root()->Find("a:themeElements/a:clrScheme");
  if (!scheme) return;
  static const char* kNames[10] = {"a:lt1", "a:dk1", "a:lt2", "a:dk2", "a:accent1",
                                   "a:accent2", "a:accent3", "a:accent4", "a:accent5", "a:accent6"};
  for (int i = 0; i < 10; ++i) {
    const XmlNode* entry = scheme->FirstChildNamed(kNames[i]);
    const XmlNode* first = entry ? entry->FirstChild() : nullptr;
    if (!first) continue;
    // System colours carry their value as lastClr; the others as val.
    std::string_view attribute = first->HasAttribute("lastClr") || i < 2 ? "lastClr" : "val";
    if (!first->HasAttribute(attribute)) attribute = "val";
    tables.themeColours[i] = HexToColor(Utf8ToUtf16(first->Attribute(attribute)));
  }
}

// The names the writer gives line styles read back as those styles, so a
// saved dotted or double border survives reopening.
uint8_t BorderStyleOf(std::string_view name) {
  if (name.empty()) return kBorderNone;
  for (const BorderStyleName& entry : kBorderStyleNames) {
    if (entry.name == name) return entry.style;
  }
  return kBorderThin;
}

void ReadStyles(const XmlDocument* styles, StyleTables& tables) {
  if (!styles || !styles->Root()) return;
  const XmlNode* root = styles->Root();
  if (const XmlNode* numFmts = root->FirstChildNamed("numFmts")) {
    for (const XmlNode* f = numFmts->FirstChild(); f; f = f->NextSibling()) {
      int32_t id = GetContext().RegisterObject(std::make_unique<ValueFormat>(Attribute16(f, "formatCode")));
      // Format ids are 16-bit; a process that registered that many keeps the general format.
      tables.customFormats[AttributeInteger(f, "numFmtId")] =
          id > 0 && id <= INT16_MAX ? static_cast<FormatId>(id) : kFormatGeneral;
    }
  }
  if (const XmlNode* fills = root->FirstChildNamed("fills")) {
    for (const XmlNode* fill = fills->FirstChild(); fill; fill = fill->NextSibling()) {
      const XmlNode* pattern = fill->FirstChildNamed("patternFill");
      std::string_view type = pattern ? pattern->Attribute("patternType") : std::string_view();
      if (type == "solid") {
        tables.fills.push_back(ReadColour(pattern->FirstChildNamed("fgColor"), tables));
      } else {
        tables.fills.push_back(kWhite);
      }
    }
  }
  if (const XmlNode* borders = root->FirstChildNamed("borders")) {
    for (const XmlNode* border = borders->FirstChild(); border; border = border->NextSibling()) {
      StyleTables::Borders b;
      auto side = [&](const char* name, BorderLine& line) {
        if (const XmlNode* s = border->FirstChildNamed(name)) line.lineStyle = BorderStyleOf(s->Attribute("style"));
      };
      side("left", b.left);
      side("right", b.right);
      side("top", b.top);
      side("bottom", b.bottom);
      tables.borders.push_back(b);
    }
  }
  if (const XmlNode* fonts = root->FirstChildNamed("fonts")) {
    for (const XmlNode* font = fonts->FirstChild(); font; font = font->NextSibling()) {
      // A flag element is on unless its val switches it off ("0", "false", "none").
      auto on = [&](const char* name) {
        const XmlNode* flag = font->FirstChildNamed(name);
        if (!flag) return false;
        std::string_view val = flag->Attribute("val");
        return val != "0" && val != "false" && val != "none";
      };
      uint32_t flags = 0;
      if (on("b")) flags |= kFontFlagBold;
      if (on("i")) flags |= kFontFlagItalic;
      if (on("u")) flags |= kFontFlagUnderline;
      if (on("strike")) flags |= kFontFlagStrikeOut;
      const XmlNode* name = font->FirstChildNamed("name");
      std::u16string face = name ? Attribute16(name, "val") : u"Arial";
      int64_t size = AttributeInteger(font->FirstChildNamed("sz"), "val");
      if (size < 1) size = 10;
      if (size > 409) size = 409;  // the largest size the format allows
      Colour colour = ReadColour(font->FirstChildNamed("color"), tables).value_or(kBlack);
      tables.fonts.push_back({GetFont(face, static_cast<int32_t>(size), flags), colour});
    }
  }
  if (const XmlNode* xfs = root->FirstChildNamed("cellXfs")) {
    for (const XmlNode* xf = xfs->FirstChild(); xf; xf = xf->NextSibling()) {
      StyleRecord style = NewDefaultStyle();
      int64_t fontId = AttributeInteger(xf, "fontId");
      if (fontId >= 0 && fontId < static_cast<int64_t>(tables.fonts.size())) {
        style.font = tables.fonts[fontId].font;
        style.textColor = tables.fonts[fontId].colour;
      }
      int64_t fillId = AttributeInteger(xf, "fillId");
      if (fillId >= 0 && fillId < static_cast<int64_t>(tables.fills.size()))
        style.fillColor = tables.fills[fillId].value_or(kBlack);
      int64_t numFmtId = AttributeInteger(xf, "numFmtId");
      style.numberFormatId = static_cast<FormatId>(Clamp(numFmtId, INT16_MIN, INT16_MAX));
      int64_t borderId = AttributeInteger(xf, "borderId");
      if (borderId >= 0 && borderId < static_cast<int64_t>(tables.borders.size())) {
        const auto& b = tables.borders[borderId];
        style.left = b.left;
        style.right = b.right;
        style.top = b.top;
        style.bottom = b.bottom;
      }
      // Without an alignment of its own a cell of the file sits at the bottom.
      style.verticalAlignment = kVerticalBottom;
      if (const XmlNode* alignment = xf->FirstChildNamed("alignment")) {
        style.indent = static_cast<uint8_t>(Clamp(AttributeInteger(alignment, "indent"), 0, 250));
        std::string_view vertical = alignment->Attribute("vertical");
        style.verticalAlignment = vertical == "center" ? kVerticalMiddle : vertical == "top" ? kVerticalTop : kVerticalBottom;
        std::string_view horizontal = alignment->Attribute("horizontal");
        // No horizontal alignment, or "general", is the standard one (numbers
        // right, texts left), as the writer leaves it out for it.
        style.horizontalAlignment = horizontal == "center"  ? kHorizontalCenter
                                    : horizontal == "right" ? kHorizontalRight
                                    : horizontal.empty() || horizontal == "general" ? kHorizontalGeneral
                                                                                    : kHorizontalLeft;
        if (AttributeInteger(alignment, "wrapText") != 0 || alignment->Attribute("wrapText") == "true")
          style.textFlow = kTextFlowLineBreak;
      }
      // The style keeps the format as the program knows it, so numbers typed
      // into the cell later take it too.
      auto custom = tables.customFormats.find(numFmtId);
      if (custom != tables.customFormats.end()) style.numberFormatId = custom->second;
      tables.cellFormats.push_back(InternStyle(style));
      tables.cellFormatIds.push_back(style.numberFormatId);
    }
  }
}

// The longest text one cell or shared string may carry in a file (UTF-8
// bytes); a longer one makes its part count as damaged.
constexpr size_t kMaxCellText = size_t{16} << 20;

// What the cells of a worksheet say, in the order they stream past: read on
// the parsing thread, applied to the sheet on the loading one.
struct CellRecord {
  enum Kind : uint8_t { kRow, kCell };
  enum Type : uint8_t { kNumber, kShared, kInline, kString, kBoolean, kError, kOther };
  Kind kind = kCell;
  Type type = kNumber;
  bool hidden = false;       // rows
  bool hasFormula = false;   // cells: an f element
  bool hasValue = false;     // a v element
  bool hasInline = false;    // an is element
  int32_t style = -1;        // position in the cell formats, -1 for none
  int64_t number = 0;        // rows: the row number; cells: the column
  int64_t sharedIndex = -1;  // the group of a shared formula
  double height = -1;        // rows: ht in points, -1 for none
  uint32_t formula = 0, formulaLength = 0;
  uint32_t value = 0, valueLength = 0;
};

struct CellChunk {
  std::vector<CellRecord> records;
  std::string text;  // the formula, value and inline texts of the records
  std::string_view Text(uint32_t at, uint32_t length) const { return std::string_view(text).substr(at, length); }
};

// One col element of a worksheet: columns first..last (from 0), pixels -1
// when it sets no width of its own.
struct ColumnSpan {
  int32_t first, last, pixels;
  bool hidden;
  bool operator==(const ColumnSpan&) const = default;
};

// Reads a col element's attributes; false for one that sets nothing.
bool ReadColumnSpan(const char** attributes, ColumnSpan& span) {
  int64_t first = 0, last = 0;
  double width = std::numeric_limits<double>::quiet_NaN();
  bool hidden = false;
  for (const char** a = attributes; a[0]; a += 2) {
    std::string_view name(a[0]), value(a[1]);
    if (name == "min") {
      first = ReadInteger8(a[1]);
    } else if (name == "max") {
      last = ReadInteger8(a[1]);
    } else if (name == "width") {
      width = ReadDecimal(value);
    } else if (name == "hidden") {
      hidden = value == "1" || value == "true";
    }
  }
  bool hasWidth = std::isfinite(width);
  if (first < 1 || first > kXlsxMaxColumns || last < first || (!hasWidth && !hidden)) return false;
  last = std::min<int64_t>(last, kXlsxMaxColumns);
  int32_t px = -1;
  if (hasWidth) {
    double pixels = std::round(static_cast<float>(width) * 7);
    px = static_cast<int32_t>(pixels < 0 ? 0 : pixels > 20000 ? 20000 : pixels);
  }
  span = {static_cast<int32_t>(first - 1), static_cast<int32_t>(last - 1), px, hidden};
  return true;
}

// Chunks handed from the parsing thread to the loading one.
using ChunkQueue = BoundedQueue<CellChunk, 4>;

// Reads the sheetData events into records; touches nothing of the model.
class SheetDataScanner : public XmlStreamHandler {
 public:
  SheetDataScanner(ChunkQueue& queue, int32_t cellFormats) : queue_(queue), cellFormats_(cellFormats) {}

  void StartElement(const char* name, const char** attributes) override {
    if (NameIs(name, "row")) {
      StartRow(attributes);
    } else if (NameIs(name, "col")) {
      // Column spans are few in real files; a file repeating one millions of
      // times keeps one copy of each run.
      ColumnSpan span;
      if (ReadColumnSpan(attributes, span) && (columns_.empty() || !(columns_.back() == span))) columns_.push_back(span);
    } else if (NameIs(name, "c")) {
      StartCell(attributes);
    } else if (inCell_) {
      if (NameIs(name, "f")) {
        collect_ = &formula_;
        formula_.clear();
        cell_.sharedIndex = -1;
        bool shared = false;
        for (const char** a = attributes; a[0]; a += 2) {
          if (NameIs(a[0], "t")) shared = NameIs(a[1], "shared");
          if (NameIs(a[0], "si")) cell_.sharedIndex = ReadInteger8(a[1]);
        }
        if (!shared) cell_.sharedIndex = -1;
        cell_.hasFormula = true;
      } else if (NameIs(name, "v")) {
        collect_ = &value_;
        value_.clear();
        cell_.hasValue = true;
      } else if (NameIs(name, "is")) {
        inInline_ = true;
        inline_.clear();
        cell_.hasInline = true;
      } else if (inInline_ && NameIs(name, "rPh")) {
        inPhonetic_ = true;  // phonetic guides are no part of the text
      } else if (inInline_ && !inPhonetic_ && NameIs(name, "t")) {
        collect_ = &inline_;
      }
    }
  }

  void EndElement(const char* name) override {
    if (NameIs(name, "c")) {
      FinishCell();
    } else if (NameIs(name, "is")) {
      inInline_ = false;
    } else if (NameIs(name, "rPh")) {
      inPhonetic_ = false;
    }
    collect_ = nullptr;
  }

  void CharacterData(const char* text, int length) override {
    if (!collect_) return;
    if (collect_->size() + static_cast<size_t>(length) > kMaxCellText) {
      collect_ = nullptr;
      if (parser_) parser_->Stop();  // the sheet counts as damaged from here
      return;
    }
    collect_->append(text, static_cast<size_t>(length));
  }

  void SetParser(XmlParser& parser) { parser_ = &parser; }
  const std::vector<ColumnSpan>& Columns() const { return columns_; }

  // Hands on what is left; the queue is closed by the caller.
  void Flush() {
    if (!chunk_.records.empty()) queue_.Push(std::move(chunk_));
    chunk_ = CellChunk();
  }

 private:
  // Small chunks: the queue's chunks in flight are memory a big load holds on top of its cells.
  void Add(const CellRecord& record) {
    chunk_.records.push_back(record);
    if (chunk_.records.size() >= 2048 || chunk_.text.size() >= (size_t{1} << 18)) Flush();
  }
  uint32_t Store(const std::string& text) {
    uint32_t at = static_cast<uint32_t>(chunk_.text.size());
    chunk_.text += text;
    return at;
  }

  void StartRow(const char** attributes) {
    CellRecord row;
    row.kind = CellRecord::kRow;
    for (const char** a = attributes; a[0]; a += 2) {
      if (NameIs(a[0], "r")) {
        row.number = ReadInteger8(a[1]);
      } else if (NameIs(a[0], "ht") && a[1][0]) {
        double points = ReadDecimal(std::string_view(a[1]));
        if (std::isfinite(points) && points >= 0) row.height = std::min(points, 2000.0);
      } else if (NameIs(a[0], "hidden")) {
        row.hidden = NameIs(a[1], "1") || NameIs(a[1], "true");
      }
    }
    // Rows without a number follow the previous one.
    if (row.number == 0) row.number = rowNumber_ + 1;
    rowNumber_ = row.number;
    lastColumn_ = -1;
    Add(row);
  }

  void StartCell(const char** attributes) {
    inCell_ = true;
    cell_ = CellRecord();
    formula_.clear();
    value_.clear();
    inline_.clear();
    int64_t s = 0;
    int32_t column = -2;
    for (const char** a = attributes; a[0]; a += 2) {
      if (NameIs(a[0], "r")) {
        int32_t unusedRow;
        ReadReference(a[1], column, unusedRow);
      } else if (NameIs(a[0], "s")) {
        s = ReadInteger8(a[1]);
      } else if (NameIs(a[0], "t")) {
        const char* t = a[1];
        cell_.type = (!t[0] || NameIs(t, "n")) ? CellRecord::kNumber
                     : NameIs(t, "s")         ? CellRecord::kShared
                     : NameIs(t, "inlineStr") ? CellRecord::kInline
                     : NameIs(t, "str")       ? CellRecord::kString
                     : NameIs(t, "b")         ? CellRecord::kBoolean
                     : NameIs(t, "e")         ? CellRecord::kError
                                                        : CellRecord::kOther;
      }
    }
    if (column == -2) column = lastColumn_ + 1;  // no reference: the next column
    lastColumn_ = column;
    cell_.number = column;
    cell_.style = s >= 0 && s < cellFormats_ ? static_cast<int32_t>(s) : -1;
  }

  void FinishCell() {
    inCell_ = false;
    collect_ = nullptr;
    if (cell_.number < 0) return;
    cell_.formula = Store(formula_);
    cell_.formulaLength = static_cast<uint32_t>(formula_.size());
    const std::string& text = cell_.type == CellRecord::kInline || (cell_.hasInline && !cell_.hasValue) ? inline_ : value_;
    cell_.value = Store(text);
    cell_.valueLength = static_cast<uint32_t>(text.size());
    Add(cell_);
  }

  ChunkQueue& queue_;
  std::vector<ColumnSpan> columns_;
  XmlParser* parser_ = nullptr;
  int32_t cellFormats_;
  CellChunk chunk_;
  CellRecord cell_;
  int64_t rowNumber_ = 0;
  int32_t lastColumn_ = -1;
  bool inCell_ = false;
  bool inInline_ = false;
  bool inPhonetic_ = false;
  std::string formula_;
  std::string value_;
  std::string inline_;
  std::string* collect_ = nullptr;
};

// Applies the records to the sheet.
class SheetDataBuilder {
 public:
  SheetDataBuilder(Sheet* sheet, const StyleTables& styles, const std::vector<std::u16string>& strings)
      : sheet_(sheet), styles_(styles), strings_(strings) {
    // Cells without a style look as the file's first one says (a file's
    // unstyled cells sit at the bottom, ours in the middle): the sheet's own
    // style, so that no cell pays for it.
    if (!styles.cellFormats.empty() && styles.cellFormats[0] != GetDefaultStyle())
      sheet->SetStyle(*styles.cellFormats[0]);
  }

  void Apply(const CellChunk& chunk) {
    const auto& records = chunk.records;
    for (size_t i = 0; i < records.size(); ++i) {
      const CellRecord& record = records[i];
      if (record.kind == CellRecord::kRow) {
        StartRow(record);
        if (row_) ReserveRow(records, i + 1);
      } else if (row_ && record.number >= 0 && record.number < kXlsxMaxColumns) {
        column_ = static_cast<int32_t>(record.number);
        FinishCell(record, chunk, row_->GetCell(column_));
      }
    }
  }

 private:
  // The row's cells in this chunk size its cell table once.
  void ReserveRow(const std::vector<CellRecord>& records, size_t from) {
    int64_t last = -1;
    int32_t count = 0;
    for (size_t k = from; k < records.size() && records[k].kind == CellRecord::kCell; ++k, ++count) {
      last = std::max(last, records[k].number);
    }
    if (last >= 0 && last < kXlsxMaxColumns) row_->ReserveCells(static_cast<int32_t>(last), count);
  }

  void StartRow(const CellRecord& record) {
    rowNumber_ = record.number;
    row_ = record.number >= 1 && record.number <= kXlsxMaxRows ? sheet_->GetRow(static_cast<int32_t>(record.number))
                                                               : nullptr;
    if (!row_) return;
    if (record.height >= 0) row_->SetHeight(static_cast<int32_t>(std::lround(record.height / 0.75)), true);
    if (record.hidden) row_->SetHidden(true);
  }

  void FinishCell(const CellRecord& r, const CellChunk& chunk, Cell* cell) {
    if (r.style >= 0) SetStyleKeepingBorders(cell, *styles_.cellFormats[r.style]);
    FormatId format = r.style >= 0 ? styles_.cellFormatIds[r.style] : kFormatGeneral;
    std::string_view formula = chunk.Text(r.formula, r.formulaLength);
    std::string_view value = chunk.Text(r.value, r.valueLength);

    bool formulaSet = false;
    if (r.hasFormula && !formula.empty()) {
      std::u16string text = u"=" + Utf8ToUtf16(formula);
      cell->SetFileFormula(text, CachedValue(r, value, format));
      formulaSet = true;
      if (r.sharedIndex >= 0) sharedMasters_[r.sharedIndex] = {text, static_cast<int32_t>(rowNumber_), column_};
    } else if (r.hasFormula && r.sharedIndex >= 0) {
      // A formula shared with the group's first cell, moved to this one.
      auto master = sharedMasters_.find(r.sharedIndex);
      if (master != sharedMasters_.end()) {
        const SharedMaster& m = master->second;
        cell->SetFileFormula(ShiftFormulaText(m.text, column_ - m.column, static_cast<int32_t>(rowNumber_) - m.row),
                             CachedValue(r, value, format));
        formulaSet = true;
      }
    }
    if (!formulaSet) {
      // A string of the file is the text it holds: "00123", "1.2.10" or
      // "=x" typed as text elsewhere must not turn into a number, date or formula.
      if (r.type == CellRecord::kShared && r.hasValue) {
        int64_t index = ReadInteger8(value);
        SetText(cell, index >= 0 && index < static_cast<int64_t>(strings_.size()) ? std::u16string_view(strings_[index])
                                                                                    : std::u16string_view());
        return;
      } else if (r.type == CellRecord::kInline || (r.hasInline && !r.hasValue)) {
        SetText(cell, DecodeEscapes(Utf8ToUtf16(value)));
        return;
      } else if (r.type == CellRecord::kString && r.hasValue) {
        SetText(cell, DecodeEscapes(Utf8ToUtf16(value)));
        return;
      } else if (r.type == CellRecord::kBoolean && r.hasValue) {
        cell->SetValueAsInput(BooleanValue(ReadDecimal(value) != 0));
        return;
      } else if (r.hasValue) {
        if (r.type == CellRecord::kNumber && IsPlainNumber(value)) {
          // Numbers straight in, with their format and the date system converted.
          // Displays render numbers from the number itself; keeping no text for
          // them saves a sixth of a big sheet's memory.
          ValueRecord record;
          record.kind = ValueKind::Number;
          record.number = SerialFromFile(ReadDecimal(value), format);
          record.formatId = format;
          cell->SetValueAsInput(Intern(record));
          return;
        }
        cell->SetInput(Utf8ToUtf16(value));
      }
    }
    const Value* loaded = cell->GetValue();
    if (loaded->Format() == format) return;
    cell->SetValue(WithFormat(loaded, format));
  }

  // The value a file cached for a formula, shown while Quadrell cannot compute it.
  const Value* CachedValue(const CellRecord& r, std::string_view value, FormatId format) const {
    if (!r.hasValue) return nullptr;
    switch (r.type) {
      case CellRecord::kShared: {
        int64_t index = ReadInteger8(value);
        return NewText(index >= 0 && index < static_cast<int64_t>(strings_.size()) ? std::u16string_view(strings_[index])
                                                                                     : std::u16string_view());
      }
      case CellRecord::kString:
      case CellRecord::kInline:
        return NewText(DecodeEscapes(Utf8ToUtf16(value)));
      case CellRecord::kBoolean:
        return BooleanValue(ReadDecimal(value) != 0);
      case CellRecord::kError:
        return NewError(Utf8ToUtf16(value));
      default:
        if (!IsPlainNumber(value)) return NewText(Utf8ToUtf16(value));
        return NewNumber(SerialFromFile(ReadDecimal(value), format), format);
    }
  }

  static void SetText(Cell* cell, std::u16string_view text) {
    if (text.empty()) {
      cell->SetInput(text);
      return;
    }
    cell->SetValueAsInput(NewText(text));
  }

  // Neighbouring cells share their facing borders in the model, while a file
  // gives each cell its own: a side that this cell leaves empty keeps the line
  // the cell before it (left or above) already has there.
  void SetStyleKeepingBorders(Cell* cell, const StyleRecord& style) {
    const StyleRecord* left = nullptr;
    const StyleRecord* above = nullptr;
    if (column_ > 0 && style.left.lineStyle == kBorderNone) {
      if (Cell* n = row_->FindCell(column_ - 1)) left = n->GetStyle();
    }
    if (rowNumber_ > 1 && style.top.lineStyle == kBorderNone) {
      if (Row* r = sheet_->FindRow(static_cast<int32_t>(rowNumber_ - 1)))
        if (Cell* n = r->FindCell(column_)) above = n->GetStyle();
    }
    bool fromLeft = left && left->right.lineStyle != kBorderNone;
    bool fromAbove = above && above->bottom.lineStyle != kBorderNone;
    if (!fromLeft && !fromAbove) {
      cell->SetStyle(style);
      return;
    }
    StyleRecord copy = style;
    if (fromLeft) copy.left = left->right;
    if (fromAbove) copy.top = above->bottom;
    cell->SetStyle(copy);
  }

  Sheet* sheet_;
  const StyleTables& styles_;
  const std::vector<std::u16string>& strings_;
  Row* row_ = nullptr;
  int64_t rowNumber_ = 0;
  int32_t column_ = 0;
  struct SharedMaster {
    std::u16string text;
    int32_t row;
    int32_t column;
  };
  std::unordered_map<int64_t, SharedMaster> sharedMasters_;
};

// The shared strings as their part streams past: each si is one text.
class SharedStringReader : public XmlStreamHandler {
 public:
  explicit SharedStringReader(std::vector<std::u16string>& strings) : strings_(strings) {}
  void SetParser(XmlParser& parser) { parser_ = &parser; }
  void StartElement(const char* name, const char**) override {
    ++depth_;
    if (depth_ == 1) {
      current_.clear();
      inItem_ = std::strcmp(name, "si") == 0;
      sawDirect_ = false;
    } else if (inItem_ && std::strcmp(name, "t") == 0 && !phonetic_) {
      // The item's own t, or the t of one of its rich-text runs.
      collect_ = depth_ == 2 || (depth_ == 3 && run_);
      if (depth_ == 2) sawDirect_ = true;
    } else if (inItem_ && depth_ == 2) {
      run_ = std::strcmp(name, "r") == 0;
      phonetic_ = std::strcmp(name, "rPh") == 0;
    }
  }
  void EndElement(const char*) override {
    if (depth_ == 1 && inItem_) strings_.push_back(DecodeEscapes(Utf8ToUtf16(current_)));
    if (depth_ == 2) run_ = phonetic_ = false;
    collect_ = false;
    --depth_;
  }
  void CharacterData(const char* text, int length) override {
    if (!collect_) return;
    total_ += static_cast<size_t>(length);
    // Beyond the bounds the part counts as damaged: the strings so far stay.
    if (current_.size() + static_cast<size_t>(length) > kMaxCellText || total_ > kMaxStringsText) {
      collect_ = false;
      if (parser_) parser_->Stop();
      return;
    }
    current_.append(text, static_cast<size_t>(length));
  }

 private:
  static constexpr size_t kMaxStringsText = size_t{256} << 20;
  XmlParser* parser_ = nullptr;
  size_t total_ = 0;
  std::vector<std::u16string>& strings_;
  std::string current_;
  int depth_ = 0;
  bool inItem_ = false;
  bool run_ = false;
  bool phonetic_ = false;
  bool collect_ = false;
  bool sawDirect_ = false;
};

// Where the package comes from: a file or bytes, reopened for each pass.
struct PackageSource {
  const std::string* path = nullptr;
  std::string_view bytes;
  std::unique_ptr<PackageReader> Open() const {
    return path ? PackageReader::Open(*path) : PackageReader::OpenMemory(bytes);
  }
};

const XmlNode* FindRelationship(const XmlDocument* rels, std::string_view attribute, std::string_view value) {
  if (!rels || !rels->Root()) return nullptr;
  for (const XmlNode* r = rels->Root()->FirstChild(); r; r = r->NextSibling())
    if (r->Attribute(attribute) == value) return r;
  return nullptr;
}

const XmlDocument* Part(const PartMap& parts, std::string_view name) {
  auto found = parts.find(name);
  return found == parts.end() ? nullptr : found->second.get();
}

// "A1:C3" into its corners; a single reference gives the same cell twice.
bool ReadArea(std::string_view text, int32_t& c1, int32_t& r1, int32_t& c2, int32_t& r2) {
  size_t colon = text.find(':');
  ReadReference(text.substr(0, colon), c1, r1);
  if (colon == std::string_view::npos) {
    c2 = c1;
    r2 = r1;
  } else {
    ReadReference(text.substr(colon + 1), c2, r2);
  }
  return c1 >= 0 && r1 >= 1 && c2 >= 0 && r2 >= 1;
}

// A picture anchored on a sheet, made once the media it shows is read.
struct PendingPicture {
  Sheet* sheet;
  int32_t row, column, dx, dy, width, height;
  std::u16string description;
  std::string media;  // the member's name
};

// What of the charts read cannot be shown as they were, said once after loading.
thread_local std::vector<std::u16string>* tChartProblems = nullptr;

// A chart in a graphic frame: made over its sheet's cells (read by now).
void ReadChartFrame(Sheet* sheet, const XmlNode* anchor, const XmlNode* frame, const XmlDocument* drawingRels,
                    const PartMap& parts) {
  const XmlNode* chartRef = frame->Find("a:graphic/a:graphicData/c:chart");
  if (!chartRef) {
    for (const XmlNode* data = frame->Find("a:graphic/a:graphicData"); data; data = nullptr) {
      for (const XmlNode* c = data->FirstChild(); c; c = c->NextSibling()) {
        if (c->Name().ends_with(":chart") || c->Name() == "chart") chartRef = c;
      }
    }
  }
  if (!chartRef) return;
  const XmlNode* target = FindRelationship(drawingRels, "Id", chartRef->Attribute("r:id"));
  if (!target) return;
  const XmlDocument* part = Part(parts, "xl/charts/" + std::string(FilePart(target->Attribute("Target"))));
  if (!part || !part->Root()) return;
  ChartImport read = ReadChartPart(*part, sheet->GetName());
  if (!read.problem.empty() && tChartProblems) tChartProblems->push_back(read.problem);
  if (!read.ok) return;
  auto number = [](const XmlNode* node) { return node ? ReadInteger(Utf8ToUtf16(node->Text())) : 0; };
  const XmlNode* from = anchor->FirstChildNamed("xdr:from");
  const XmlNode* to = anchor->FirstChildNamed("xdr:to");
  int64_t column = number(from ? from->FirstChildNamed("xdr:col") : nullptr);
  int64_t row = number(from ? from->FirstChildNamed("xdr:row") : nullptr) + 1;
  int64_t dx = number(from ? from->FirstChildNamed("xdr:colOff") : nullptr) / kEmuPerPixel;
  int64_t dy = number(from ? from->FirstChildNamed("xdr:rowOff") : nullptr) / kEmuPerPixel;
  if (column < 0 || column >= kXlsxMaxColumns || row < 1 || row > kXlsxMaxRows) return;
  int64_t width = AttributeInteger(frame->Find("xdr:xfrm/a:ext"), "cx") / kEmuPerPixel;
  int64_t height = AttributeInteger(frame->Find("xdr:xfrm/a:ext"), "cy") / kEmuPerPixel;
  if (const XmlNode* ext = anchor->FirstChildNamed("xdr:ext"); ext && (width <= 0 || height <= 0)) {
    width = AttributeInteger(ext, "cx") / kEmuPerPixel;
    height = AttributeInteger(ext, "cy") / kEmuPerPixel;
  }
  if ((width <= 0 || height <= 0) && to) {
    // The size from the corners over the sheet's columns and rows.
    int64_t toColumn = Clamp(number(to->FirstChildNamed("xdr:col")), column, column + 200);
    int64_t toRow = Clamp(number(to->FirstChildNamed("xdr:row")) + 1, row, row + 2000);
    width = -dx + number(to->FirstChildNamed("xdr:colOff")) / kEmuPerPixel;
    for (int64_t c = column; c < toColumn; ++c) width += sheet->GetColumnWidth(static_cast<int32_t>(c));
    height = -dy + number(to->FirstChildNamed("xdr:rowOff")) / kEmuPerPixel;
    for (int64_t r = row; r < toRow; ++r) height += sheet->GetRowHeight(static_cast<int32_t>(r));
  }
  if (width <= 0 || height <= 0) {
    width = LineChart::kDefaultWidth;
    height = LineChart::kDefaultHeight;
  }
  auto chart = std::make_unique<LineChart>(sheet, read.setup, static_cast<int32_t>(Clamp(width, 1, 100000)),
                                           static_cast<int32_t>(Clamp(height, 1, 100000)));
  int32_t w = chart->GetObjectWidth(), h = chart->GetObjectHeight();
  Cell* cell = sheet->GetCellDirect(static_cast<int32_t>(row), static_cast<int32_t>(column));
  auto placed = std::make_unique<ObjectAnchor>(sheet, cell, std::move(chart), static_cast<int32_t>(Clamp(dx, 0, 100000)),
                                               static_cast<int32_t>(Clamp(dy, 0, 100000)));
  (void)w;
  (void)h;
  sheet->AddObject(std::move(placed));
}

void ReadPictures(const SheetEntry& entry, Sheet* sheet, const XmlNode* drawing, const PartMap& parts,
                  std::vector<PendingPicture>& pictures) {
  std::string sheetRels = "xl/worksheets/_rels/" + std::string(FilePart(entry.path)) + ".rels";
  const XmlNode* relation = FindRelationship(Part(parts, sheetRels), "Id", drawing->Attribute("r:id"));
  if (!relation) return;
  std::string file(FilePart(relation->Attribute("Target")));
  const XmlDocument* document = Part(parts, "xl/drawings/" + file);
  const XmlDocument* drawingRels = Part(parts, "xl/drawings/_rels/" + file + ".rels");
  if (!document || !document->Root()) return;
  for (const XmlNode* anchor = document->Root()->FirstChild(); anchor; anchor = anchor->NextSibling()) {
    if (const XmlNode* frame = anchor->FirstChildNamed("xdr:graphicFrame")) {
      ReadChartFrame(sheet, anchor, frame, drawingRels, parts);
      continue;
    }
    const XmlNode* pic = anchor->FirstChildNamed("xdr:pic");
    if (!pic) continue;
    const XmlNode* from = anchor->FirstChildNamed("xdr:from");
    auto number = [](const XmlNode* node) { return node ? ReadInteger(Utf8ToUtf16(node->Text())) : 0; };
    int64_t column = number(from ? from->FirstChildNamed("xdr:col") : nullptr);
    int64_t row = number(from ? from->FirstChildNamed("xdr:row") : nullptr) + 1;
    int64_t dx = number(from ? from->FirstChildNamed("xdr:colOff") : nullptr) / kEmuPerPixel;
    int64_t dy = number(from ? from->FirstChildNamed("xdr:rowOff") : nullptr) / kEmuPerPixel;
    const XmlNode* ext = pic->Find("xdr:spPr/a:xfrm/a:ext");
    // A one-cell anchor may give the size only on the anchor itself.
    if (!ext) ext = anchor->FirstChildNamed("xdr:ext");
    int64_t width = AttributeInteger(ext, "cx") / kEmuPerPixel;
    int64_t height = AttributeInteger(ext, "cy") / kEmuPerPixel;
    if (column < 0 || column >= kXlsxMaxColumns || row < 1 || row > kXlsxMaxRows) continue;
    const XmlNode* blip = pic->Find("xdr:blipFill/a:blip");
    const XmlNode* target = FindRelationship(drawingRels, "Id", blip ? blip->Attribute("r:embed") : "");
    if (!target) continue;
    pictures.push_back({sheet, static_cast<int32_t>(row), static_cast<int32_t>(column),
                        static_cast<int32_t>(Clamp(dx, 0, 100000)), static_cast<int32_t>(Clamp(dy, 0, 100000)),
                        static_cast<int32_t>(Clamp(width, 1, 100000)), static_cast<int32_t>(Clamp(height, 1, 100000)),
                        Attribute16(pic->Find("xdr:nvPicPr/xdr:cNvPr"), "descr"),
                        "xl/media/" + std::string(FilePart(target->Attribute("Target")))});
  }
}

// The most bytes one picture file may hold: larger ones are left out, with a message.
constexpr size_t kMaxPictureBytes = size_t{256} << 20;

// Reads each media member some picture shows, once, in one more pass over
// the package, and places the pictures in the order they were anchored.
// Returns the name of the first picture file left out for its size.
std::string ReadPictureMedia(const PackageSource& source, const std::map<std::string, int, std::less<>>& members,
                             std::vector<PendingPicture>& pictures) {
  std::unordered_map<int, std::string> wanted;  // member index -> name
  for (const PendingPicture& p : pictures) {
    if (auto found = members.find(p.media); found != members.end()) wanted.emplace(found->second, p.media);
  }
  std::string tooLarge;
  if (wanted.empty()) return tooLarge;
  std::unique_ptr<PackageReader> reader = source.Open();
  if (!reader) return tooLarge;
  MediaMap media;
  size_t seen = 0;
  for (int index = 0; reader->Next() && seen < wanted.size(); ++index) {
    auto found = wanted.find(index);
    if (found == wanted.end()) continue;
    ++seen;
    std::string bytes;
    if (reader->Read(bytes, kMaxPictureBytes)) {
      media[found->second] = std::move(bytes);
    } else if (!reader->Broken() && tooLarge.empty()) {
      tooLarge = found->second;
    }
    if (reader->Broken()) return tooLarge;
  }
  std::unordered_map<std::string, std::shared_ptr<const PictureData>> decoded;
  for (const PendingPicture& p : pictures) {
    auto bytes = media.find(p.media);
    if (bytes == media.end()) continue;
    // Judged once: a file that is no picture places none of its pictures.
    auto [slot, first] = decoded.try_emplace(p.media);
    std::shared_ptr<const PictureData>& picture = slot->second;
    if (!first && !picture) continue;
    if (!picture) picture = PictureFromBytes(std::move(bytes->second));
    if (!picture) continue;
    Cell* cell = p.sheet->GetCellDirect(p.row, p.column);
    p.sheet->AddObject(std::make_unique<ObjectAnchor>(
        p.sheet, cell, std::make_unique<Image>(picture, p.width, p.height, p.description), p.dx, p.dy));
  }
  return tooLarge;
}

// A filter over the area, with the value lists of its columns. The file lists
// the values shown; every other value of the column is hidden.
void ReadAutoFilter(Sheet* sheet, const XmlNode* autoFilter) {
  int32_t c1, r1, c2, r2;
  if (!ReadArea(autoFilter->Attribute("ref"), c1, r1, c2, r2)) return;
  if (c1 > c2) std::swap(c1, c2);
  if (r1 > r2) std::swap(r1, r2);
  // The rows of the area become the filter's entries: not beyond the data.
  r2 = std::max(r1, std::min(r2, sheet->GetMaxRow()));
  c2 = std::max(c1, std::min(c2, std::max(sheet->GetMaxColumn(), c1)));
  auto filter = std::make_unique<Filter>(sheet, AreaRange(c1, r1, c2, r2, sheet));
  Filter* placed = filter.get();
  sheet->SetFilter(std::move(filter));
  for (const XmlNode* column = autoFilter->FirstChild(); column; column = column->NextSibling()) {
    if (column->Name() != "filterColumn") continue;
    int64_t colId = AttributeInteger(column, "colId");
    const XmlNode* filters = column->FirstChildNamed("filters");
    if (colId < 0 || colId > c2 - c1 || !filters) continue;
    int32_t c = c1 + static_cast<int32_t>(colId);
    ColumnFilterSettings settings;
    settings.showAll = false;
    for (int32_t r = r1 + 1; r <= r2; ++r) {
      Row* row = sheet->FindRow(r);
      Cell* cell = row ? row->FindCell(c) : nullptr;
      settings.selected[cell ? cell->GetText() : std::u16string()] = false;
    }
    for (const XmlNode* f = filters->FirstChild(); f; f = f->NextSibling())
      if (f->Name() == "filter") settings.selected[Attribute16(f, "val")] = true;
    placed->ApplyColumnFilter(settings, c);
  }
}

// A later col element wins where spans overlap. The spans are taken from the
// last one back, each column set once: the work follows the elements and the
// columns, not their product.
void ReadColumnWidths(Sheet* sheet, const std::vector<ColumnSpan>& spans) {
  if (spans.empty()) return;
  // nextFree[c]: the first column from c on not yet set (path-halving).
  std::vector<int32_t> nextFree(static_cast<size_t>(kXlsxMaxColumns) + 1);
  for (size_t c = 0; c < nextFree.size(); ++c) nextFree[c] = static_cast<int32_t>(c);
  auto find = [&](int32_t c) {
    while (nextFree[c] != c) {
      nextFree[c] = nextFree[nextFree[c]];
      c = nextFree[c];
    }
    return c;
  };
  std::vector<int32_t> width(static_cast<size_t>(kXlsxMaxColumns), -1);
  std::vector<char> hidden(static_cast<size_t>(kXlsxMaxColumns), 0);
  for (size_t i = spans.size(); i-- > 0;) {
    for (int32_t c = find(spans[i].first); c <= spans[i].last; c = find(c)) {
      width[c] = spans[i].pixels;
      hidden[c] = spans[i].hidden;
      nextFree[c] = c + 1;
    }
  }
  for (int32_t c = 0; c < kXlsxMaxColumns; ++c) {
    if (width[c] >= 0) sheet->GetColumn(c)->SetWidth(width[c]);
    if (hidden[c]) sheet->GetColumn(c)->SetHidden(true);
  }
}

// Merging an area again would undo the merge; overlapping ones are broken files.
bool OverlapsMerge(Sheet* sheet, int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
  for (int32_t r = r1; r <= r2; ++r) {
    Row* row = sheet->FindRow(r);
    if (!row) continue;
    for (int32_t c = c1; c <= c2; ++c) {
      Cell* cell = row->FindCell(c);
      if (cell && (cell->GetMergeMaster() || cell->GetColumnSpan() != 1 || cell->GetRowSpan() != 1)) return true;
    }
  }
  return false;
}

// The member a worksheet's relationship points at: "../comments1.xml" and
// "/xl/comments/comment1.xml" alike.
std::string SheetTarget(std::string_view target) {
  if (target.starts_with("/")) return std::string(target.substr(1));
  if (target.starts_with("../")) return "xl/" + std::string(target.substr(3));
  return "xl/worksheets/" + std::string(target);
}

// A rich text's characters: its own <t> and those of its runs.
void CollectText(const XmlNode* node, std::string& out) {
  for (const XmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
    if (child->Name() == "t") {
      out += child->Text();
    } else if (child->Name() == "r") {
      if (const XmlNode* t = child->FirstChildNamed("t")) out += t->Text();
    }
  }
}

// Comments with their authors, and which of them the legacy drawing shows.
void ReadComments(Sheet* sheet, const XmlDocument* relations, const PartMap& parts) {
  if (!relations || !relations->Root()) return;
  const XmlDocument* comments = nullptr;
  const XmlDocument* vml = nullptr;
  for (const XmlNode* r = relations->Root()->FirstChild(); r; r = r->NextSibling()) {
    std::string_view type = r->Attribute("Type");
    if (type.ends_with("/comments")) comments = Part(parts, SheetTarget(r->Attribute("Target")));
    if (type.ends_with("/vmlDrawing")) vml = Part(parts, SheetTarget(r->Attribute("Target")));
  }
  if (!comments || !comments->Root()) return;
  std::vector<std::u16string> authors;
  if (const XmlNode* list = comments->Root()->FirstChildNamed("authors"))
    for (const XmlNode* a = list->FirstChild(); a; a = a->NextSibling()) authors.push_back(DecodeEscapes(Utf8ToUtf16(a->Text())));
  const XmlNode* list = comments->Root()->FirstChildNamed("commentList");
  for (const XmlNode* c = list ? list->FirstChild() : nullptr; c; c = c->NextSibling()) {
    int32_t c1, r1, c2, r2;
    if (!ReadArea(c->Attribute("ref"), c1, r1, c2, r2) || c1 >= kXlsxMaxColumns || r1 > kXlsxMaxRows) continue;
    std::string text;
    if (const XmlNode* t = c->FirstChildNamed("text")) CollectText(t, text);
    int64_t author = AttributeInteger(c, "authorId");
    Cell* cell = sheet->GetCellDirect(r1, c1);
    cell->SetComment(KeepRecord(std::make_unique<CommentRecord>(
        author >= 0 && author < static_cast<int64_t>(authors.size()) ? authors[author] : std::u16string(),
        DecodeEscapes(Utf8ToUtf16(text)), cell)));
  }
  if (!vml || !vml->Root()) return;
  for (const XmlNode* shape = vml->Root()->FirstChild(); shape; shape = shape->NextSibling()) {
    const XmlNode* data = shape->FirstChildNamed("x:ClientData");
    if (!data || !data->FirstChildNamed("x:Visible")) continue;
    const XmlNode* row = data->FirstChildNamed("x:Row");
    const XmlNode* column = data->FirstChildNamed("x:Column");
    if (!row || !column) continue;
    int64_t r = ReadInteger(Utf8ToUtf16(row->Text())) + 1, col = ReadInteger(Utf8ToUtf16(column->Text()));
    if (r < 1 || r > kXlsxMaxRows || col < 0 || col >= kXlsxMaxColumns) continue;
    Cell* cell = sheet->GetCellDirect(static_cast<int32_t>(r), static_cast<int32_t>(col));
    if (cell->GetComment()) ShowComment(sheet, cell);
  }
}

void ReadSheetParts(Sheet* sheet, const SheetEntry& entry, const XmlDocument& worksheet, const PartMap& parts,
                    std::vector<PendingPicture>& pictures) {
  const XmlNode* root = worksheet.Root();
  if (!root) return;
  if (const XmlNode* drawing = root->FirstChildNamed("drawing")) ReadPictures(entry, sheet, drawing, parts, pictures);
  if (const XmlNode* autoFilter = root->FirstChildNamed("autoFilter")) ReadAutoFilter(sheet, autoFilter);
  if (const XmlNode* links = root->FirstChildNamed("hyperlinks")) {
    std::string rels = "xl/" + std::string(entry.path);
    rels.replace(rels.find("worksheets"), 10, "worksheets/_rels");
    const XmlDocument* relations = Part(parts, rels + ".rels");
    for (const XmlNode* link = links->FirstChild(); link; link = link->NextSibling()) {
      const XmlNode* relation = FindRelationship(relations, "Id", link->Attribute("r:id"));
      std::string_view location = link->Attribute("location");
      int32_t c1, r1, c2, r2;
      if ((!relation && location.empty()) || !ReadArea(link->Attribute("ref"), c1, r1, c2, r2)) continue;
      // A place in the workbook ("Sheet!A1") is kept as "#Sheet!A1".
      std::u16string target = relation ? Utf8ToUtf16(relation->Attribute("Target")) : std::u16string();
      if (!location.empty()) target += u"#" + Utf8ToUtf16(location);
      Cell* cell = sheet->GetCellDirect(r1, c1);
      cell->SetValue(NewHyperlink(cell->GetText(), target));
    }
  }
  ReadComments(sheet, Part(parts, "xl/worksheets/_rels/" + std::string(FilePart(entry.path)) + ".rels"), parts);
  if (const XmlNode* merges = root->FirstChildNamed("mergeCells")) {
    // Merging creates every cell of the area: absurd areas are left alone.
    int64_t budget = kMaxMergedCells;
    for (const XmlNode* merge = merges->FirstChild(); merge; merge = merge->NextSibling()) {
      int32_t c1, r1, c2, r2;
      if (!ReadArea(merge->Attribute("ref"), c1, r1, c2, r2)) continue;
      if (c1 > c2) std::swap(c1, c2);
      if (r1 > r2) std::swap(r1, r2);
      int64_t area = int64_t{c2 - c1 + 1} * (r2 - r1 + 1);
      if (area == 1 || area > budget || OverlapsMerge(sheet, c1, r1, c2, r2)) continue;
      budget -= area;
      sheet->SetSelection(std::make_unique<AreaRange>(c1, r1, c2, r2, sheet));
      sheet->MergeCells(false);
    }
  }
  if (const XmlNode* pane = root->Find("sheetViews/sheetView/pane")) {
    std::string_view state = pane->Attribute("state");
    if (state == "frozen" || state == "frozenSplit") {
      int32_t fc = 0, fr = 1, c2 = 0, r2 = 1;
      const XmlNode* view = root->Find("sheetViews/sheetView");
      if (!view || !ReadArea(view->Attribute("topLeftCell"), fc, fr, c2, r2)) fc = 0, fr = 1;
      int64_t xSplit = 0, ySplit = 0;
      std::string_view xs = pane->Attribute("xSplit"), ys = pane->Attribute("ySplit");
      std::from_chars(xs.data(), xs.data() + xs.size(), xSplit);
      std::from_chars(ys.data(), ys.data() + ys.size(), ySplit);
      xSplit = std::clamp<int64_t>(xSplit, 0, kSheetColumns - 1 - fc);
      ySplit = std::clamp<int64_t>(ySplit, 0, kSheetRows - fr);
      if (xSplit > 0 || ySplit > 0) {
        sheet->SetFrozenPanes(Sheet::FrozenPanes{fc, fr, fc + static_cast<int32_t>(xSplit), fr + static_cast<int32_t>(ySplit)});
      }
    }
  }
  const XmlNode* selection = root->Find("sheetViews/sheetView/selection");
  int32_t c1 = 0, r1 = 1, c2 = 0, r2 = 1;
  if (!selection || !ReadArea(selection->Attribute("activeCell"), c1, r1, c2, r2)) c1 = c2 = 0, r1 = r2 = 1;
  sheet->SetSelection(std::make_unique<AreaRange>(c1, r1, c2, r2, sheet));
}

// A part parsed into a tree as it is inflated; null when it is not well-formed
// or passes the tree's bounds.
std::unique_ptr<XmlDocument> ParseMember(PackageReader& reader) {
  auto document = std::make_unique<XmlDocument>();
  XmlParser parser(*document);
  if (!reader.ReadInto(parser) || !document->Root()) return nullptr;
  return document;
}

// The parts a worksheet leads to: its relationships, drawings and theirs.
// Others are never inflated.
bool IsSheetPart(std::string_view name) {
  if (name.starts_with("xl/comments") && Extension(name) == "xml") return true;
  return (name.starts_with("xl/worksheets/_rels/") || name.starts_with("xl/drawings/") ||
          name.starts_with("xl/charts/")) &&
         (Extension(name) == "xml" || Extension(name) == "rels" || Extension(name) == "vml");
}

std::unique_ptr<Workbook> Load(const PackageSource& source, Host* host, std::u16string* damage) {
  if (damage) damage->clear();
  std::unique_ptr<PackageReader> reader = source.Open();
  if (!reader) return nullptr;

  std::vector<SheetEntry> sheets;
  PartMap parts;
  std::map<std::string, int, std::less<>> mediaMembers;
  std::unique_ptr<XmlDocument> workbookPart, workbookRels, styles, theme;
  std::vector<std::u16string> strings;
  std::string damagedPart;  // the first part found damaged
  auto damaged = [&](const std::string& name) {
    if (damagedPart.empty()) damagedPart = name;
  };
  const std::string kSheetPrefix = "xl/worksheets/sheet";
  for (int index = 0; reader->Next(); ++index) {
    const std::string& name = reader->Name();
    if (name.compare(0, kSheetPrefix.size(), kSheetPrefix) == 0) {
      // Read later, streamed into the sheet it fills.
      SheetEntry entry;
      entry.number = ReadInteger(Utf8ToUtf16(name.substr(kSheetPrefix.size())));
      entry.index = index;
      entry.member = name;
      entry.path = name.substr(3);
      sheets.push_back(std::move(entry));
    } else if (name == "xl/sharedStrings.xml") {
      // The strings read before any damage are kept.
      XmlDocument ignored;
      SharedStringReader handler(strings);
      XmlParser parser(ignored, "*", &handler);
      handler.SetParser(parser);
      if (!reader->ReadInto(parser)) damaged(name);
    } else if (name == "xl/styles.xml" || name == "xl/workbook.xml" || name == "xl/_rels/workbook.xml.rels" ||
               name == "xl/theme/theme1.xml") {
      std::unique_ptr<XmlDocument> document = ParseMember(*reader);
      if (!document && name == "xl/styles.xml") damaged(name);
      (name == "xl/styles.xml" ? styles
       : name == "xl/workbook.xml" ? workbookPart
       : name == "xl/theme/theme1.xml" ? theme
                                       : workbookRels) = std::move(document);
    } else if (IsSheetPart(name)) {
      if (auto document = ParseMember(*reader)) parts[name] = std::move(document);
    } else if (name.starts_with("xl/media/") && !reader->IsDirectory()) {
      mediaMembers[name] = index;  // inflated only when a picture shows it
    }
    if (reader->Broken()) return nullptr;
  }
  if (reader->Broken()) return nullptr;
  // A ZIP file without a workbook part is some other kind of package.
  if (!workbookPart || !workbookPart->Root() || workbookPart->Root()->Name() != "workbook") return nullptr;

  std::stable_sort(sheets.begin(), sheets.end(),
                   [](const SheetEntry& a, const SheetEntry& b) { return a.number < b.number; });
  // Relationships and sheet names by id, so many sheets cost no search each.
  std::unordered_map<std::string, std::string> idOfTarget;
  if (workbookRels && workbookRels->Root()) {
    for (const XmlNode* r = workbookRels->Root()->FirstChild(); r; r = r->NextSibling())
      idOfTarget.emplace(std::string(r->Attribute("Target")), std::string(r->Attribute("Id")));
  }
  std::unordered_map<std::string, std::u16string> nameOfId;
  if (const XmlNode* list = workbookPart->Root()->FirstChildNamed("sheets")) {
    for (const XmlNode* s = list->FirstChild(); s; s = s->NextSibling())
      nameOfId.emplace(std::string(s->Attribute("r:id")), Attribute16(s, "name"));
  }
  for (SheetEntry& entry : sheets) {
    // Targets are relative to the workbook part, or absolute within the package.
    auto id = idOfTarget.find(entry.path);
    if (id == idOfTarget.end()) id = idOfTarget.find("/xl/" + entry.path);
    if (id == idOfTarget.end()) continue;
    if (auto found = nameOfId.find(id->second); found != nameOfId.end()) entry.name = found->second;
  }

  StyleTables tables;
  ReadTheme(theme.get(), tables);
  ReadStyles(styles.get(), tables);
  styles.reset();
  theme.reset();

  auto workbook = std::make_unique<Workbook>(Text("unknownName"), host);
  // Formulas are computed once every sheet is in.
  DeferredRecalculation deferred;
  Sheet* initial = workbook->GetActiveSheet();
  // The sheets in their order, filled as their members come past in one pass.
  std::unordered_map<int, std::pair<const SheetEntry*, Sheet*>> sheetAt;
  for (const SheetEntry& entry : sheets) {
    Sheet* sheet = workbook->AddSheet(entry.name);
    sheet->SetName(entry.name);
    sheetAt[entry.index] = {&entry, sheet};
  }
  std::vector<PendingPicture> pictures;
  std::vector<std::u16string> chartProblems;
  tChartProblems = &chartProblems;
  struct Forget {
    ~Forget() { tChartProblems = nullptr; }
  } forget;
  if (!sheets.empty()) {
    reader = source.Open();
    if (!reader) return nullptr;
    for (int index = 0; reader->Next(); ++index) {
      auto found = sheetAt.find(index);
      if (found == sheetAt.end()) continue;
      const SheetEntry& entry = *found->second.first;
      Sheet* sheet = found->second.second;
      // One thread parses the worksheet while this one fills the sheet.
      XmlDocument worksheet;
      ChunkQueue queue;
      SheetDataScanner scanner(queue, static_cast<int32_t>(tables.cellFormats.size()));
      // The cells and the column spans stream past; neither is kept as a tree.
      XmlParser parser(worksheet, "sheetData|cols", &scanner);
      scanner.SetParser(parser);
      bool parsed = false;
      std::thread parsing([&] {
        parsed = reader->ReadInto(parser);
        scanner.Flush();
        queue.Close();
      });
      SheetDataBuilder builder(sheet, tables, strings);
      CellChunk chunk;
      while (queue.Pop(chunk)) builder.Apply(chunk);
      parsing.join();
      if (reader->Broken()) return nullptr;
      ReadColumnWidths(sheet, scanner.Columns());
      // A worksheet cut short or not well-formed keeps the cells read before the damage.
      if (!parsed || !worksheet.Root()) {
        damaged(entry.member);
        continue;
      }
      ReadSheetParts(sheet, entry, worksheet, parts, pictures);
    }
    if (reader->Broken()) return nullptr;
  }
  std::string pictureTooLarge = ReadPictureMedia(source, mediaMembers, pictures);
  if (!chartProblems.empty()) {
    std::u16string details;
    for (const std::u16string& p : chartProblems) {
      if (details.find(p) != std::u16string::npos) continue;
      if (!details.empty()) details += u"; ";
      details += p;
    }
    workbook->SetLoadNotice(TextWithArgument("chart:notShown", details));
  }
  if (workbook->GetSheetCount() > 1) workbook->RemoveSheet(initial);
  workbook->SetActiveSheet(workbook->GetSheet(0));
  parts.clear();
  if (damage && !damagedPart.empty()) {
    *damage = TextWithArgument("loadDamagedPart", Utf8ToUtf16(damagedPart));
  } else if (damage && !pictureTooLarge.empty()) {
    *damage = TextWithArgument("loadPictureTooLarge", Utf8ToUtf16(pictureTooLarge));
  }
  // Parsing leaves much freed memory behind.
  malloc_trim(0);
  return workbook;
}

}  // namespace

std::unique_ptr<Workbook> LoadXlsx(const std::string& path, Host* host, std::u16string* damage) {
  PackageSource source;
  source.path = &path;
  return Load(source, host, damage);
}

std::unique_ptr<Workbook> LoadXlsxFromMemory(std::string_view bytes, Host* host, std::u16string* damage) {
  PackageSource source;
  source.bytes = bytes;
  return Load(source, host, damage);
}

}  // namespace quadrell
