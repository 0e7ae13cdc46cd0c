#include "document/Page.h"

#include <algorithm>
#include <cmath>

#include "document/Document.h"

namespace quadrell {

namespace {

constexpr Colour kCornerColour = 0xAAAAAA;
constexpr Colour kSelectionColour = 0xFFD7B4;  // light blue (0xBBGGRR)
constexpr int32_t kCornerLength = 20;

}  // namespace

int32_t CmToPx(float cm, float zoom) {
  // 794 / 21 as the nearest float, multiplied in extended precision.
  constexpr float kPixelsPerCm = 37.809525f;
  return static_cast<int32_t>(std::lround(static_cast<long double>(cm) * zoom * kPixelsPerCm));
}

void Page::Draw(const Document& document, Canvas& canvas, int32_t x, int32_t y, const Rect& clip) const {
  int32_t width = WidthPx(), height = HeightPx();
  // The page's own area within the clip; a line taller than the page is cut at its edge.
  int32_t clipLeft = std::max(clip.x, x), clipRight = std::min(clip.Right(), x + width);
  int32_t clipTop = std::max(clip.y, y), clipBottom = std::min(clip.Bottom(), y + height);
  if (clipLeft >= clipRight || clipTop >= clipBottom) return;
  canvas.SetClip(clipLeft, clipTop, clipRight - clipLeft, clipBottom - clipTop);
  int32_t left = LeftEdge(), right = RightEdge(), top = TopEdge(), bottom = BottomEdge();
  canvas.FillBox(x, y, width, height, 0xFFFFFF);
  // The corners of the text area, pointing away from it.
  canvas.HorizontalLine(x + left - kCornerLength, y + top, kCornerLength, kCornerColour);
  canvas.VerticalLine(x + left, y + top - kCornerLength, kCornerLength, kCornerColour);
  canvas.HorizontalLine(x + right, y + top, kCornerLength, kCornerColour);
  canvas.VerticalLine(x + right, y + top - kCornerLength, kCornerLength, kCornerColour);
  canvas.HorizontalLine(x + left - kCornerLength, y + bottom, kCornerLength, kCornerColour);
  canvas.VerticalLine(x + left, y + bottom, kCornerLength, kCornerColour);
  canvas.HorizontalLine(x + right, y + bottom, kCornerLength, kCornerColour);
  canvas.VerticalLine(x + right, y + bottom, kCornerLength, kCornerColour);

  DocumentPosition selectionStart = document.SelectionStart(), selectionEnd = document.SelectionEnd();
  bool selection = document.HasSelection();
  canvas.SetDrawMode(DrawMode::TransparentText);
  for (const PlacedLine& placed : lines_) {
    const Paragraph& paragraph = document.GetParagraph(placed.paragraph);
    const LineRecord& line = paragraph.Lines()[static_cast<size_t>(placed.line)];
    int32_t lineTop = y + placed.y;
    if (lineTop >= clipBottom || lineTop + line.height <= clipTop) continue;
    if (selection && placed.paragraph >= selectionStart.paragraph && placed.paragraph <= selectionEnd.paragraph) {
      int32_t from = placed.paragraph == selectionStart.paragraph ? selectionStart.offset : 0;
      int32_t to = placed.paragraph == selectionEnd.paragraph ? selectionEnd.offset : paragraph.Length();
      from = std::max(from, line.start);
      bool lastLine = placed.line + 1 == static_cast<int32_t>(paragraph.Lines().size());
      bool markSelected = lastLine && placed.paragraph < selectionEnd.paragraph;
      if (from < line.end || (markSelected && from <= to) || (from == line.start && to > line.end)) {
        int32_t x1 = paragraph.XOnLine(placed.line, from);
        int32_t x2 = paragraph.XOnLine(placed.line, std::min(to, line.end));
        if (markSelected) x2 += 6;  // the paragraph's end is part of the selection
        if (x2 > x1) canvas.FillBox(x + left + x1, lineTop, x2 - x1, line.height, kSelectionColour);
      }
    }
    const std::u16string& text = paragraph.Text();
    for (auto k = static_cast<size_t>(line.firstToken); k < static_cast<size_t>(line.endToken); ++k) {
      const WordToken& token = paragraph.Tokens()[k];
      if (token.kind != TokenKind::Word) continue;
      const StyleRecord* style = token.style;
      canvas.SetFont(*style->font->platformFont);
      canvas.SetTextColour(style->textColor);
      canvas.DrawText(x + left + token.x, lineTop + line.ascent - TokenAscent(style),
                      std::u16string_view(text).substr(static_cast<size_t>(token.start),
                                                       static_cast<size_t>(token.length)));
    }
  }
  canvas.ClearClip();
}

}  // namespace quadrell
