#include "loadsave/PdfWriter.h"

#include <cstdio>

#include "object/ImageCodec.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr float kColourScale = 0.003921569f;

void WriteLine(std::string& out, std::string_view text) {
  out.append(text);
  out += kLineEnd;
}

std::string Integer(int64_t n) { return IntegerText(n); }

}  // namespace

std::string PdfNumber(double x) {
  std::string text = FixedForm(x, 3);
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

int WinAnsiCode(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  if (c >= 0xA0 && c <= 0xFF) return static_cast<int>(c);
  static const struct {
    char32_t character;
    int code;
  } kSpecial[] = {{0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
                  {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
                  {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
                  {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
                  {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};
  for (const auto& entry : kSpecial)
    if (entry.character == c) return entry.code;
  return -1;
}

std::string PdfString(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    int code = WinAnsiCode(c);
    if (code < 0) code = '?';
    if (code == '\\' || code == '(' || code == ')') {
      out += '\\';
      out += static_cast<char>(code);
    } else if (code >= 128) {
      // Codes 128 to 255: always three octal digits.
      out += '\\';
      out += static_cast<char>('0' + ((code >> 6) & 7));
      out += static_cast<char>('0' + ((code >> 3) & 7));
      out += static_cast<char>('0' + (code & 7));
    } else {
      out += static_cast<char>(code);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------

void PdfObject::Begin(std::string& out) {
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010llu 00000 n", static_cast<unsigned long long>(out.size()));
  xrefEntry_ = entry;
}

void PdfTextObject::Write(std::string& out) {
  Begin(out);
  WriteLine(out, Integer(number_) + " 0 obj");
  WriteLine(out, text_);
  WriteLine(out, "endobj");
}

void PdfPage::Write(std::string& out) {
  Begin(out);
  WriteLine(out, Integer(number_) + " 0 obj");
  // The end of line after "stream" is CR LF: a lone CR there is not allowed.
  out += "<< /Length " + Integer(static_cast<int64_t>(content_.size())) + " >>\r\nstream\r\n";
  WriteLine(out, content_);
  WriteLine(out, "endstream");
  WriteLine(out, "endobj");
}

void PdfPage::SetFont(std::string_view name, float size) {
  content_ += '/';
  content_.append(name);
  content_ += ' ';
  content_ += Integer(static_cast<int64_t>(size < 0 ? size - 0.5f : size + 0.5f));
  content_ += " Tf ";
  fontSize_ = size;
}

void PdfPage::Text(float x, float y, std::u16string_view text) {
  if (text.empty()) return;
  content_ += "BT ";
  Append(x + 1);
  Append(height_ - y - fontSize_ + 1);
  content_ += "Td (";
  content_ += PdfString(text);
  content_ += ") Tj ET ";
}

void PdfPage::ColourNumbers(Colour colour) {
  Append(static_cast<float>(colour & 0xFF) * kColourScale);
  Append(static_cast<float>((colour >> 8) & 0xFF) * kColourScale);
  Append(static_cast<float>((colour >> 16) & 0xFF) * kColourScale);
}

void PdfPage::FillColor(Colour colour) {
  ColourNumbers(colour);
  content_ += "rg ";
}

void PdfPage::StrokeColor(Colour colour) {
  if (colour == strokeColour_) return;
  ColourNumbers(colour);
  content_ += "RG ";
  strokeColour_ = colour;
}

void PdfPage::Clip(float x, float y, float w, float h) {
  content_ += "q ";
  Append(x);
  Append(height_ - y - h);
  Append(w);
  Append(h);
  content_ += "re W* n ";
}

void PdfPage::RestoreState() {
  content_ += "Q ";
  fontSize_ = 10;
}

void PdfPage::FillRect(float x, float y, float w, float h) {
  Append(x);
  Append(height_ - y - h);
  Append(w);
  Append(h);
  content_ += "re f ";
}

void PdfPage::LineWidth(float w) {
  Append(w);
  content_ += "w ";
}

void PdfPage::Line(float x, float y, float dx, float dy) {
  Append(x);
  Append(height_ - y - dy);
  content_ += "m ";
  Append(x + dx);
  Append(height_ - y);
  content_ += "l S ";
}

void PdfPage::DrawImage(int imageNumber, float x, float y, float w, float h) {
  Clip(PdfDocument::kMarginLeft, PdfDocument::kMarginTop,
       width_ - PdfDocument::kMarginLeft - PdfDocument::kMarginRight,
       height_ - PdfDocument::kMarginTop - PdfDocument::kMarginBottom);
  content_ += "q ";
  Append(w);
  content_ += "0 0 ";
  Append(h);
  Append(x);
  Append(height_ - y - h);
  content_ += "cm /I" + Integer(imageNumber) + " Do Q ";
  RestoreState();
}

// ---------------------------------------------------------------------------

class PdfPagesObject : public PdfObject {
 public:
  PdfPagesObject(int number, PdfDocument& document) : PdfObject(number), document_(document) {}
  void Write(std::string& out) override {
    Begin(out);
    WriteLine(out, Integer(number_) + " 0 obj\n<<\n/Type /Pages\n/Count " + Integer(document_.PageCount()) +
                  "\n/MediaBox [0 0 " + PdfNumber(PdfDocument::kWidth) + " " + PdfNumber(PdfDocument::kHeight) +
                  "]\n/Kids [" + document_.kids_ + " ]\n/Resources 4 0 R\n>>\nendobj");
  }

 private:
  PdfDocument& document_;
};

class PdfResourcesObject : public PdfObject {
 public:
  PdfResourcesObject(int number, PdfDocument& document) : PdfObject(number), document_(document) {}
  void Write(std::string& out) override {
    Begin(out);
    WriteLine(out, Integer(number_) + " 0 obj");
    WriteLine(out, "<<\n/Font <<\n" + document_.fontDictionary_ + ">>");
    if (document_.imageCount_ > 0) WriteLine(out, "/XObject <<\n" + document_.xobjectDictionary_ + ">>");
    WriteLine(out, "/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n>>");
    WriteLine(out, "endobj");
  }

 private:
  PdfDocument& document_;
};

class PdfImageObject : public PdfObject {
 public:
  PdfImageObject(int number, int width, int height, std::string jpeg)
      : PdfObject(number), width_(width), height_(height), jpeg_(std::move(jpeg)) {}
  void Write(std::string& out) override {
    Begin(out);
    WriteLine(out, Integer(number_) + " 0 obj");
    WriteLine(out, " << /Type /XObject /Subtype /Image /Width " + Integer(width_) + " /Height " + Integer(height_) +
                  " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /Length " +
                  Integer(static_cast<int64_t>(jpeg_.size())) + " >>\nstream");
    WriteLine(out, jpeg_);
    WriteLine(out, "endstream");
    WriteLine(out, "endobj");
  }

 private:
  int width_;
  int height_;
  std::string jpeg_;
};

template <class T, class... Args>
T& PdfDocument::Add(Args&&... args) {
  auto object = std::make_unique<T>(static_cast<int>(objects_.size()) + 1, std::forward<Args>(args)...);
  T& ref = *object;
  objects_.push_back(std::move(object));
  return ref;
}

PdfDocument::PdfDocument(const LocalTime& created) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", created.year, created.month, created.day,
                created.hour, created.minute, created.second);
  Add<PdfTextObject>("<< /Creator  (" + PdfString(AsciiToUtf16("quadrell " QUADRELL_VERSION)) + ") /CreationDate (D:" + stamp +
                     "+01'00') >>");
  Add<PdfTextObject>("<< /Type /Catalog /Pages 3 0 R >>");
  Add<PdfPagesObject>(*this);
  Add<PdfResourcesObject>(*this);
  NewPage();
  PdfPage& page = CurrentPage();
  page.SetFont("F1", 10);
  page.FillColor(0);
  page.LineWidth(0.5f);
}

PdfDocument::~PdfDocument() = default;

PdfPage& PdfDocument::NewPage() {
  int n = static_cast<int>(objects_.size()) + 1;
  Add<PdfTextObject>("<<\n/Type /Page\n/Parent 3 0 R\n/Contents " + Integer(n + 1) + " 0 R\n>>");
  kids_ += Integer(n) + " 0 R ";
  PdfPage& page = Add<PdfPage>(kWidth, kHeight);
  pages_.push_back(&page);
  return page;
}

const std::string& PdfDocument::FontResource(std::u16string_view fontName) {
  auto found = fonts_.find(fontName);
  if (found != fonts_.end()) return found->second;
  std::string resource = "F" + Integer(static_cast<int64_t>(fonts_.size()) + 1);
  // A PDF name cannot hold spaces or delimiters; the encoding carries the rest.
  std::string base;
  for (char c : Utf16ToUtf8(fontName)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 127 || std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos) continue;
    base += c;
  }
  if (base.empty()) base = "Arial";
  int m = static_cast<int>(objects_.size()) + 1;
  Add<PdfTextObject>("<< /Type /Font \n/Subtype /TrueType\n/Name /" + resource + "\n/BaseFont /" + base +
                     "\n/FontDescriptor " + Integer(m + 1) + " 0 R\n/Encoding /WinAnsiEncoding\n>>");
  Add<PdfTextObject>("<<\n/Type /FontDescriptor\n/FontName /" + base +
                     "\n/Flags 34 /FontBBox [-250 -216 1200 1000] /MissingWidth 333 /StemV 73 /StemH 73 "
                     "/ItalicAngle 0 /CapHeight 891 /XHeight 446 /Ascent 891 /Descent -216 /Leading 149 "
                     "/MaxWidth 1000 /AvgWidth 401\n>>");
  fontDictionary_ += "/" + resource + " " + Integer(m) + " 0 R \n";
  return fonts_.emplace(std::u16string(fontName), resource).first->second;
}

int PdfDocument::ImageObject(const void* key, const PixelImage& image) {
  auto found = images_.find(key);
  if (found != images_.end()) return found->second;
  auto jpeg = EncodeJpeg(image);
  if (!jpeg) {
    images_.emplace(key, 0);
    return 0;
  }
  PdfImageObject& object = Add<PdfImageObject>(image.width, image.height, std::move(*jpeg));
  int n = object.Number();
  xobjectDictionary_ += "/I" + Integer(n) + " " + Integer(n) + " 0 R ";
  ++imageCount_;
  images_.emplace(key, n);
  return n;
}

std::string PdfDocument::Finish() {
  // Every page selects F1 first; a sheet without any text still names a real font.
  if (fonts_.empty()) FontResource(u"Arial");
  std::string out;
  size_t estimate = 4096;
  for (PdfPage* page : pages_) estimate += page->Content().size() + 64;
  out.reserve(estimate);
  WriteLine(out, "%PDF-1.4");
  for (auto& object : objects_) object->Write(out);
  size_t xref = out.size();
  std::string count = Integer(static_cast<int64_t>(objects_.size()) + 1);
  WriteLine(out, "xref\n0 " + count + "\n0000000000 65535 f");
  for (auto& object : objects_) WriteLine(out, object->XrefEntry());
  WriteLine(out, "trailer\n<<\n/Size " + count + "\n/Info 1 0 R\n/Root 2 0 R\n>>\nstartxref\n" +
                Integer(static_cast<int64_t>(xref)) + "\n%%EOF\n");
  return out;
}

}  // namespace quadrell
