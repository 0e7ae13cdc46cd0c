#pragma once
// A small PDF 1.4 writer of our own: numbered objects kept in memory, page
// content streams built from a handful of operators, and the cross-reference
// table written at the end, when every object's offset is known.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Environment.h"
#include "object/ImageCodec.h"

namespace quadrell {

// Three decimals, trailing zeros and a trailing point removed: 10 -> "10", 0.5 -> "0.5".
std::string PdfNumber(double x);
// A literal string's body: "\", "(" and ")" escaped, each character in
// WinAnsiEncoding as an octal escape from code 128 on; a character the encoding
// lacks becomes "?".
std::string PdfString(std::u16string_view text);
// The WinAnsiEncoding code of a character, or -1 when it has none.
int WinAnsiCode(char32_t c);

class PdfDocument;

class PdfObject {
 public:
  explicit PdfObject(int number) : number_(number) {}
  virtual ~PdfObject() = default;
  // Appends the object, taking its xref entry from the offset it starts at.
  virtual void Write(std::string& out) = 0;
  const std::string& XrefEntry() const { return xrefEntry_; }
  int Number() const { return number_; }

 protected:
  void Begin(std::string& out);
  int number_;
  std::string xrefEntry_;
};

class PdfTextObject : public PdfObject {
 public:
  PdfTextObject(int number, std::string text) : PdfObject(number), text_(std::move(text)) {}
  void Write(std::string& out) override;

 private:
  std::string text_;
};

class PdfPage : public PdfObject {
 public:
  PdfPage(int number, float width, float height) : PdfObject(number), width_(width), height_(height) {}
  void Write(std::string& out) override;

  void SetFont(std::string_view name, float size);
  void Text(float x, float y, std::u16string_view text);
  void FillColor(Colour colour);
  void Clip(float x, float y, float w, float h);
  void RestoreState();
  void FillRect(float x, float y, float w, float h);
  void LineWidth(float w);
  void Line(float x, float y, float dx, float dy);
  void StrokeColor(Colour colour);
  void DrawImage(int imageNumber, float x, float y, float w, float h);

  const std::string& Content() const { return content_; }
  // Operators written as they are (vector figures of charts).
  void AppendOperators(std::string_view operators) { content_.append(operators); }
  float PageHeight() const { return height_; }

 private:
  void Append(float x) {
    content_ += PdfNumber(x);
    content_ += ' ';
  }
  void ColourNumbers(Colour colour);
  std::string content_;
  float width_;
  float height_;
  float fontSize_ = 10;
  Colour strokeColour_ = 0;
};

class PdfDocument {
 public:
  static constexpr float kWidth = 595.2f;
  static constexpr float kHeight = 842;
  static constexpr float kMarginLeft = 54;
  static constexpr float kMarginRight = 54;
  static constexpr float kMarginTop = 71;
  static constexpr float kMarginBottom = 71;

  // Sets up the information, catalogue, page tree and resources objects and the first page.
  explicit PdfDocument(const LocalTime& created);
  ~PdfDocument();

  // Starts a new page, which becomes the current one.
  PdfPage& NewPage();
  PdfPage& CurrentPage() { return *pages_.back(); }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // The resource name ("F1", "F2", ...) of a font, added on first use.
  const std::string& FontResource(std::u16string_view fontName);
  // The object number of the picture registered under the key, added (as JPEG)
  // on first use; 0 when it cannot be encoded.
  int ImageObject(const void* key, const PixelImage& image);
  int ImageCount() const { return imageCount_; }

  // The whole file.
  std::string Finish();

 private:
  friend class PdfResourcesObject;
  friend class PdfPagesObject;
  template <class T, class... Args>
  T& Add(Args&&... args);

  std::vector<std::unique_ptr<PdfObject>> objects_;
  std::map<std::u16string, std::string, std::less<>> fonts_;
  std::map<const void*, int> images_;
  int imageCount_ = 0;
  std::string fontDictionary_;
  std::string xobjectDictionary_;
  std::vector<PdfPage*> pages_;
  std::string kids_;
};

}  // namespace quadrell
