#include "loadsave/DocumentExport.h"

#include "document/Document.h"
#include "loadsave/PdfWriter.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

// Page pixels (96 per inch) to PDF points.
constexpr float kPointsPerPixel = 0.75f;

std::u16string PdfFontName(const FontRecord* font) {
  std::u16string name = font->face;
  if (font->IsBold() && font->IsItalic()) {
    name += u",BoldItalic";
  } else if (font->IsBold()) {
    name += u",Bold";
  } else if (font->IsItalic()) {
    name += u",Italic";
  }
  return name;
}

}  // namespace

std::string DocumentPdfBytes(Document& document) {
  document.Layout();
  PdfDocument pdf(CurrentLocalTime());
  const std::vector<Page>& pages = document.Pages();
  int32_t left = Page::LeftEdge();
  for (size_t n = 0; n < pages.size(); ++n) {
    PdfPage& page = n == 0 ? pdf.CurrentPage() : pdf.NewPage();
    for (const PlacedLine& placed : pages[n].Lines()) {
      const Paragraph& paragraph = document.GetParagraph(placed.paragraph);
      const LineRecord& line = paragraph.Lines()[static_cast<size_t>(placed.line)];
      float baseline = static_cast<float>(placed.y + line.ascent) * kPointsPerPixel;
      for (auto k = static_cast<size_t>(line.firstToken); k < static_cast<size_t>(line.endToken); ++k) {
        const WordToken& token = paragraph.Tokens()[k];
        if (token.kind == TokenKind::Tab || token.kind == TokenKind::Break) continue;
        const StyleRecord* style = token.style;
        const FontRecord* font = style->font;
        auto size = static_cast<float>(font->size);
        float x = static_cast<float>(left + token.x) * kPointsPerPixel;
        float width = static_cast<float>(token.width) * kPointsPerPixel;
        page.FillColor(style->textColor);
        if (token.kind == TokenKind::Word) {
          page.SetFont(pdf.FontResource(PdfFontName(font)), size);
          page.Text(x - 1, baseline - size + 1,
                    std::u16string_view(paragraph.Text()).substr(static_cast<size_t>(token.start),
                                                                 static_cast<size_t>(token.length)));
        }
        if (font->IsUnderline() || font->IsStrikeOut()) {
          page.StrokeColor(style->textColor);
          page.LineWidth(size / 18);
          if (font->IsUnderline()) page.Line(x, baseline + size / 9, width, 0);
          if (font->IsStrikeOut()) page.Line(x, baseline - size * 0.3f, width, 0);
        }
      }
    }
  }
  return pdf.Finish();
}

bool SaveDocumentPdf(Document& document, const std::string& path, std::string* reason) {
  return WriteFileAtomically(path, DocumentPdfBytes(document), reason);
}

bool SaveDocumentText(const Document& document, const std::string& path, std::string* reason) {
  std::string text = Utf16ToUtf8(document.PlainText());
  text += '\n';
  return WriteFileAtomically(path, text, reason);
}

}  // namespace quadrell
