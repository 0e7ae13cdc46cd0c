#include "loadsave/SavePdf.h"

#include <algorithm>

#include "loadsave/PdfWriter.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "object/Image.h"
#include "object/SheetAnchor.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "context/ApplicationContext.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

constexpr float kScale = 0.794f;  // screen pixels to points
constexpr float kRight = PdfDocument::kWidth - PdfDocument::kMarginRight;
constexpr float kBottom = PdfDocument::kHeight - PdfDocument::kMarginBottom;

class SheetPrinter {
 public:
  explicit SheetPrinter(Sheet* sheet) : sheet_(sheet), document_(CurrentLocalTime()) {}

  // The pages Print makes: column bands times the pages of rows per band.
  int64_t CountPages() {
    int32_t lastColumn, lastRow;
    PrintedArea(lastColumn, lastRow);
    int64_t bands = 0;
    for (int32_t column = 0; column <= lastColumn; ++bands) {
      float x = PdfDocument::kMarginLeft;
      do {
        x += static_cast<float>(sheet_->GetColumnWidth(column)) * kScale;
        ++column;
      } while (column <= lastColumn && x + static_cast<float>(sheet_->GetColumnWidth(column)) * kScale <= kRight);
    }
    int64_t pages = 1;
    float y = PdfDocument::kMarginTop;
    for (int32_t row = 1; row <= lastRow; ++row) {
      y += static_cast<float>(sheet_->GetRowHeight(row)) * kScale;
      if (y > kBottom && row < lastRow) {
        ++pages;
        y = PdfDocument::kMarginTop;
      }
    }
    return bands * pages;
  }

  std::string Print() {
    int32_t lastColumn, lastRow;
    PrintedArea(lastColumn, lastRow);
    int32_t nextColumn = 0;
    bool firstBand = true;
    do {
      if (!firstBand) {
        DrawPictures(nextColumn, row_);
        PdfPage& page = document_.NewPage();
        page.FillColor(0);
        page.LineWidth(0.5f);
      }
      firstBand = false;
      bandStart_ = nextColumn;
      float y = PdfDocument::kMarginTop;
      pageFirstRow_ = 1;
      row_ = 1;
      do {
        float x = PdfDocument::kMarginLeft;
        int32_t column = bandStart_;
        float rowHeight = static_cast<float>(sheet_->GetRowHeight(row_)) * kScale;
        Row* row = sheet_->FindRow(row_);
        do {
          float columnWidth = static_cast<float>(sheet_->GetColumnWidth(column)) * kScale;
          DrawCell(row, column, x, y, columnWidth, rowHeight);
          x += columnWidth;
          ++column;
          nextColumn = std::max(nextColumn, column);
        } while (column <= lastColumn && x + static_cast<float>(sheet_->GetColumnWidth(column)) * kScale <= kRight);
        y += rowHeight;
        ++row_;
        if (y > kBottom) {
          DrawPictures(nextColumn, row_);
          PdfPage& page = document_.NewPage();
          page.SetFont("F1", 10);
          page.FillColor(0);
          page.LineWidth(0.5f);
          y = PdfDocument::kMarginTop;
          pageFirstRow_ = row_;
        }
      } while (row_ <= lastRow);
    } while (nextColumn <= lastColumn);
    DrawPictures(nextColumn, row_);
    return document_.Finish();
  }

 private:
  void PrintedArea(int32_t& lastColumn, int32_t& lastRow) {
    UsedSize used = sheet_->GetUsedSize();
    lastColumn = used.column;
    lastRow = used.row;
    // Pictures beyond the last used cell are printed too.
    sheet_->ResetObjects(1);
    while (SheetAnchor* anchor = sheet_->NextObject()) {
      if (anchor->GetKind() != kObjectImage) continue;
      lastColumn = std::max(lastColumn, anchor->GetBottomRight().cell->GetColumnIndex());
      lastRow = std::max(lastRow, anchor->GetBottomRight().cell->GetRowIndex());
    }
  }

  // Missing cells are not created: they show their row's or column's style and no text.
  void DrawCell(Row* row, int32_t column, float x, float y, float w, float h) {
    Cell* cell = nullptr;
    if (sheet_->IsOverlayCell(row_, column)) cell = sheet_->GetCell(row_, column);
    else if (row) cell = row->FindCell(column);
    const StyleRecord* style;
    if (cell) {
      style = cell->GetStyle();
    } else if (row && row->HasStyle()) {
      style = row->GetOwnStyle();
    } else if (Column* c = sheet_->FindColumn(column); c && c->HasStyle()) {
      style = c->GetOwnStyle();
    } else {
      style = sheet_->GetStyle();
    }
    bool anyBorder = style->bottom.lineStyle || style->top.lineStyle || style->left.lineStyle || style->right.lineStyle;
    std::u16string text = cell ? cell->GetText() : std::u16string();
    if (style->fillColor == kWhite && text.empty() && !anyBorder) return;
    PdfPage& page = document_.CurrentPage();
    page.Clip(x, y, w, h);
    if (style->fillColor == kWhite) {
      if (style->textColor != kBlack) page.FillColor(style->textColor);
    } else {
      page.FillColor(style->fillColor);
      page.FillRect(x, y, w, h);
      page.FillColor(style->textColor);
    }
    float size = static_cast<float>(style->font->size);
    page.SetFont(document_.FontResource(style->font->face), size);
    float top = style->verticalAlignment == kVerticalTop      ? y
                : style->verticalAlignment == kVerticalMiddle ? (h - size) / 2 + y
                                                              : y + h - size;
    page.Text(x, top, text);
    page.RestoreState();
    if (style->bottom.lineStyle) {
      page.StrokeColor(style->bottom.colour);
      page.Line(x, y + h, w, 0);
    }
    if (style->top.lineStyle) {
      page.StrokeColor(style->top.colour);
      page.Line(x, y, w, 0);
    }
    if (style->left.lineStyle) {
      page.StrokeColor(style->left.colour);
      page.Line(x, y, 0, h);
    }
    if (style->right.lineStyle) {
      page.StrokeColor(style->right.colour);
      page.Line(x + w, y, 0, h);
    }
  }

  // The pictures on the page of the band's columns up to `endColumn` and the rows up to `endRow` (exclusive).
  void DrawPictures(int32_t endColumn, int32_t endRow) {
    sheet_->ResetObjects(1);
    while (SheetAnchor* anchor = sheet_->NextObject()) {
      if (anchor->GetKind() != kObjectImage) continue;
      auto* image = static_cast<Image*>(anchor->GetObject());
      const SheetPosition& from = anchor->GetTopLeft();
      const SheetPosition& to = anchor->GetBottomRight();
      int32_t c1 = from.cell->GetColumnIndex(), c2 = to.cell->GetColumnIndex();
      int32_t r1 = from.cell->GetRowIndex(), r2 = to.cell->GetRowIndex();
      if (c1 >= endColumn || c2 < bandStart_ || r1 >= endRow || r2 < pageFirstRow_) continue;
      int number = document_.ImageObject(image, image->GetPixels());
      if (number == 0) continue;
      int64_t dx = from.x, dy = from.y;
      for (int32_t c = bandStart_; c < c1; ++c) dx += sheet_->GetColumnWidth(c);
      for (int32_t c = c1; c < bandStart_; ++c) dx -= sheet_->GetColumnWidth(c);
      for (int32_t r = pageFirstRow_; r < r1; ++r) dy += sheet_->GetRowHeight(r);
      for (int32_t r = r1; r < pageFirstRow_; ++r) dy -= sheet_->GetRowHeight(r);
      int32_t width = image->GetObjectWidth(), height = image->GetObjectHeight();
      if (auto* placed = dynamic_cast<ObjectAnchor*>(anchor)) {
        width = placed->GetWidth();
        height = placed->GetHeight();
      }
      document_.CurrentPage().DrawImage(number, static_cast<float>(dx) * kScale + PdfDocument::kMarginLeft,
                                        static_cast<float>(dy) * kScale + PdfDocument::kMarginTop,
                                        static_cast<float>(width) * kScale, static_cast<float>(height) * kScale);
    }
  }

  Sheet* sheet_;
  PdfDocument document_;
  int32_t bandStart_ = 0;
  int32_t pageFirstRow_ = 1;
  int32_t row_ = 1;
};

}  // namespace

std::string PdfOfSheet(Sheet* sheet) { return SheetPrinter(sheet).Print(); }

int64_t PdfPageCount(Sheet* sheet) { return SheetPrinter(sheet).CountPages(); }

bool SavePdf(Sheet* sheet, const std::string& path, std::string* reason) {
  if (!sheet) return false;
  if (PdfPageCount(sheet) > kMaxPdfPages) {
    if (reason) *reason = Utf16ToUtf8(TextWithArgument("pdfTooManyPages", u"10.000"));
    return false;
  }
  return WriteFileAtomically(path, PdfOfSheet(sheet), reason);
}

}  // namespace quadrell
