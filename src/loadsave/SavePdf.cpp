#include "loadsave/SavePdf.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "loadsave/PdfWriter.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/PivotTable.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "object/Image.h"
#include "object/LineChart.h"
#include "platform/FontBackend.h"
#include "object/SheetAnchor.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "context/ApplicationContext.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

constexpr float kScale = 0.794f;  // screen pixels to points

// A canvas writing a chart's drawing into a page: pixels of the chart become
// points at the chart's place. Text is measured with the installed fonts;
// translucent fills are mixed with the white ground, as charts draw on white.
class PdfChartCanvas final : public Canvas {
 public:
  PdfChartCanvas(PdfDocument& document, PdfPage& page, double left, double top, double scaleX, double scaleY, int width,
                 int height)
      : document_(document), page_(page), left_(left), top_(top), sx_(scaleX), sy_(scaleY), width_(width),
        height_(height) {}

  void Finish() {
    if (clipped_) page_.AppendOperators("Q ");
    clipped_ = false;
  }

  void DrawText(int x, int y, std::u16string_view text) override {
    if (text.empty() || !font_) return;
    double size = std::max(1, font_->Metrics().height) * 0.8 * sy_;
    double ascent = font_->Metrics().ascent > 0 ? font_->Metrics().ascent : font_->Metrics().height * 0.8;
    std::string ops = "BT /" + document_.FontResource(u"Arial") + " " + PdfNumber(size) + " Tf ";
    ops += Colour3(textColour_) + " rg ";
    ops += PdfNumber(X(x)) + " " + PdfNumber(page_.PageHeight() - Y(y + ascent)) + " Td (" + PdfString(text) + ") Tj ET ";
    page_.AppendOperators(ops);
  }
  int TextWidth(std::u16string_view text) override { return font_ ? font_->TextWidth(text) : 6 * int(text.size()); }
  int TextHeight(std::u16string_view) override { return font_ ? font_->Metrics().height : 12; }
  void PlotPoint(int x, int y, Colour colour) override { FillBox(x, y, 1, 1, colour); }
  void DrawLine(int x1, int y1, int x2, int y2, Colour colour) override {
    VectorPath p;
    p.MoveTo(x1 + 0.5, y1 + 0.5);
    p.LineTo(x2 + 0.5, y2 + 0.5);
    StrokePath(p, colour, 255, 1);
  }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  Colour LineColour() const override { return lineColour_; }
  void SetLineColour(Colour colour) override { lineColour_ = colour; }
  void SetFont(const PlatformFont& font) override { font_ = &font; }
  void SetTextColour(Colour colour) override { textColour_ = colour; }
  void SetDrawMode(DrawMode) override {}
  void FillBox(int x, int y, int width, int height, Colour colour) override {
    VectorPath p;
    p.AddRectangle(x, y, width, height);
    FillPath(p, colour, 255);
  }
  void BlendBox(int x, int y, int width, int height, Colour colour, int alpha) override {
    VectorPath p;
    p.AddRectangle(x, y, width, height);
    FillPath(p, colour, alpha);
  }
  void FrameBox(int x, int y, int width, int height, Colour colour) override {
    VectorPath p;
    p.AddRectangle(x + 0.5, y + 0.5, width - 1, height - 1);
    StrokePath(p, colour, 255, 1);
  }
  void SetClip(int x, int y, int width, int height) override {
    Finish();
    page_.AppendOperators("q " + PdfNumber(X(x)) + " " + PdfNumber(page_.PageHeight() - Y(y + height)) + " " +
                          PdfNumber(width * sx_) + " " + PdfNumber(height * sy_) + " re W n ");
    clipped_ = true;
  }
  void ClearClip() override { Finish(); }
  void DrawImage(const Bitmap&, int, int) override {}
  void FillPath(const VectorPath& path, Colour colour, int alpha) override {
    page_.AppendOperators(Colour3(Mixed(colour, alpha)) + " rg " + Figure(path) + "f ");
  }
  void StrokePath(const VectorPath& path, Colour colour, int alpha, double width) override {
    page_.AppendOperators(Colour3(Mixed(colour, alpha)) + " RG " + PdfNumber(width * sx_) + " w 1 J 1 j " + Figure(path) +
                          "S ");
  }

 private:
  double X(double x) const { return left_ + x * sx_; }
  double Y(double y) const { return top_ + y * sy_; }
  std::string Point(double x, double y) const {
    return PdfNumber(X(x)) + " " + PdfNumber(page_.PageHeight() - Y(y)) + " ";
  }
  static Colour Mixed(Colour c, int alpha) {
    alpha = std::clamp(alpha, 0, 255);
    auto mix = [&](int v) { return (v * alpha + 255 * (255 - alpha)) / 255; };
    return RgbColour(mix(RedOf(c)), mix(GreenOf(c)), mix(BlueOf(c)));
  }
  static std::string Colour3(Colour c) {
    return PdfNumber(RedOf(c) / 255.0) + " " + PdfNumber(GreenOf(c) / 255.0) + " " + PdfNumber(BlueOf(c) / 255.0);
  }
  // The path's operators; arcs become cubic curves of at most 90 degrees each.
  std::string Figure(const VectorPath& path) const {
    std::string ops;
    double cx = 0, cy = 0;
    for (const VectorPath::Segment& s : path.Segments()) {
      const double* v = s.v;
      switch (s.op) {
        case VectorPath::Op::Move:
          ops += Point(v[0], v[1]) + "m ";
          cx = v[0], cy = v[1];
          break;
        case VectorPath::Op::Line:
          ops += Point(v[0], v[1]) + "l ";
          cx = v[0], cy = v[1];
          break;
        case VectorPath::Op::Cubic:
          ops += Point(v[0], v[1]) + Point(v[2], v[3]) + Point(v[4], v[5]) + "c ";
          cx = v[4], cy = v[5];
          break;
        case VectorPath::Op::Arc: {
          const double pi = 3.14159265358979323846;
          double start = v[4], sweep = v[5];
          int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / 90)));
          double step = sweep / pieces;
          double a0 = start * pi / 180;
          ops += Point(v[0] + v[2] * std::cos(a0), v[1] + v[3] * std::sin(a0)) + "l ";
          for (int k = 0; k < pieces; ++k) {
            double a = (start + step * k) * pi / 180, b = (start + step * (k + 1)) * pi / 180;
            double t = 4.0 / 3.0 * std::tan((b - a) / 4);
            double x0 = std::cos(a), y0 = std::sin(a), x1 = std::cos(b), y1 = std::sin(b);
            ops += Point(v[0] + v[2] * (x0 - t * y0), v[1] + v[3] * (y0 + t * x0));
            ops += Point(v[0] + v[2] * (x1 + t * y1), v[1] + v[3] * (y1 - t * x1));
            ops += Point(v[0] + v[2] * x1, v[1] + v[3] * y1) + "c ";
            cx = v[0] + v[2] * x1, cy = v[1] + v[3] * y1;
          }
          break;
        }
        case VectorPath::Op::Close:
          ops += "h ";
          break;
      }
    }
    (void)cx;
    (void)cy;
    return ops;
  }

  PdfDocument& document_;
  PdfPage& page_;
  double left_, top_, sx_, sy_;
  int width_, height_;
  const PlatformFont* font_ = nullptr;
  Colour textColour_ = 0;
  Colour lineColour_ = 0;
  bool clipped_ = false;
};
constexpr float kRight = PdfDocument::kWidth - PdfDocument::kMarginRight;
constexpr float kBottom = PdfDocument::kHeight - PdfDocument::kMarginBottom;

class SheetPrinter {
 public:
  explicit SheetPrinter(Sheet* sheet) : sheet_(sheet), document_(CurrentLocalTime()) {}

  // The pages Print makes: those of the grid of column bands and row pages
  // that hold something to print. Counting stops past kMaxPdfPages.
  int64_t CountPages() {
    Paginate();
    return static_cast<int64_t>(std::max<size_t>(pages_.size(), 1));
  }

  std::string Print() {
    Paginate();
    // An empty sheet still prints one (empty) page.
    if (pages_.empty()) pages_.push_back(0);
    const int64_t rowPages = static_cast<int64_t>(pageStarts_.size()) - 1;
    bool first = true;
    for (int64_t key : pages_) {
      size_t band = static_cast<size_t>(key / rowPages), rowPage = static_cast<size_t>(key % rowPages);
      if (!first) {
        PdfPage& page = document_.NewPage();
        page.SetFont("F1", 10);
        page.FillColor(0);
        page.LineWidth(0.5f);
      }
      first = false;
      bandStart_ = bandStarts_[band];
      pageFirstRow_ = pageStarts_[rowPage];
      int32_t endColumn = bandStarts_[band + 1], endRow = pageStarts_[rowPage + 1];
      float y = PdfDocument::kMarginTop;
      for (row_ = pageFirstRow_; row_ < endRow; ++row_) {
        float x = PdfDocument::kMarginLeft;
        float rowHeight = static_cast<float>(sheet_->GetRowHeight(row_)) * kScale;
        Row* row = sheet_->FindRow(row_);
        for (int32_t column = bandStart_; column < endColumn; ++column) {
          float columnWidth = static_cast<float>(sheet_->GetColumnWidth(column)) * kScale;
          DrawCell(row, column, x, y, columnWidth, rowHeight);
          x += columnWidth;
        }
        y += rowHeight;
      }
      DrawPictures(endColumn, endRow);
    }
    return document_.Finish();
  }

 private:
  // The printed area is cut into column bands as wide as a page and row pages
  // as tall as one; only the pieces with content become pages, so a lone cell
  // far down and right prints one page, not every empty one before it.
  void Paginate() {
    if (paginated_) return;
    paginated_ = true;
    int32_t lastColumn, lastRow;
    PrintedArea(lastColumn, lastRow);
    for (int32_t column = 0; column <= lastColumn;) {
      bandStarts_.push_back(column);
      float x = PdfDocument::kMarginLeft;
      do {
        x += static_cast<float>(sheet_->GetColumnWidth(column)) * kScale;
        ++column;
      } while (column <= lastColumn && x + static_cast<float>(sheet_->GetColumnWidth(column)) * kScale <= kRight);
    }
    bandStarts_.push_back(lastColumn + 1);
    pageStarts_.push_back(1);
    float y = PdfDocument::kMarginTop;
    for (int32_t row = 1; row <= lastRow; ++row) {
      y += static_cast<float>(sheet_->GetRowHeight(row)) * kScale;
      if (y > kBottom && row < lastRow) {
        pageStarts_.push_back(row + 1);
        y = PdfDocument::kMarginTop;
      }
    }
    pageStarts_.push_back(std::max(lastRow, 1) + 1);
    const int64_t bands = static_cast<int64_t>(bandStarts_.size()) - 1;
    const int64_t rowPages = static_cast<int64_t>(pageStarts_.size()) - 1;
    std::unordered_set<int64_t> found;
    auto bandOf = [&](int32_t column) {
      return static_cast<int64_t>(std::upper_bound(bandStarts_.begin(), bandStarts_.end(), column) - bandStarts_.begin()) - 1;
    };
    auto pageOf = [&](int32_t row) {
      return static_cast<int64_t>(std::upper_bound(pageStarts_.begin(), pageStarts_.end(), row) - pageStarts_.begin()) - 1;
    };
    // Marks the pages of a block; false once there are more than a file may have.
    auto mark = [&](int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
      int64_t b1 = std::clamp<int64_t>(bandOf(c1), 0, bands - 1), b2 = std::clamp<int64_t>(bandOf(c2), 0, bands - 1);
      int64_t p1 = std::clamp<int64_t>(pageOf(r1), 0, rowPages - 1), p2 = std::clamp<int64_t>(pageOf(r2), 0, rowPages - 1);
      for (int64_t b = b1; b <= b2; ++b)
        for (int64_t p = p1; p <= p2; ++p) {
          found.insert(b * rowPages + p);
          if (static_cast<int64_t>(found.size()) > kMaxPdfPages) return false;
        }
      return true;
    };
    bool within = true;
    sheet_->ForEachStoredCell(-1, -1, -1, -1, [&](Cell* cell) {
      if (within && Prints(cell->GetStyle(), cell->GetText()))
        within = mark(cell->GetColumnIndex(), cell->GetRowIndex(), cell->GetColumnIndex(), cell->GetRowIndex());
    });
    // Styled rows and columns print where no cell of their own stands.
    sheet_->ForEachRow([&](int32_t r, const Row& row) {
      if (within && r >= 1 && r <= lastRow && row.HasStyle() && Prints(row.GetOwnStyle(), {}))
        within = mark(0, r, lastColumn, r);
    });
    for (int32_t c = 0; within && c <= lastColumn; ++c) {
      Column* column = sheet_->FindColumn(c);
      if (column && column->HasStyle() && Prints(column->GetOwnStyle(), {})) within = mark(c, 1, c, lastRow);
    }
    // The filter and pivot tables show cells of their own.
    if (Filter* filter = sheet_->GetFilter(); within && filter && filter->GetRange()) {
      const AreaRange* area = filter->GetRange();
      within = mark(area->GetFirstColumn(), area->GetFirstRow(), std::min(area->GetLastColumn(), lastColumn),
                    std::min(area->GetLastRow(), lastRow));
    }
    for (int32_t i = 0; within && i < sheet_->GetPivotTableCount(); ++i) {
      PivotTable* table = sheet_->GetPivotTable(i);
      if (table && table->GetRowCount() > 0 && table->GetColumnCount() > 0)
        within = mark(0, 1, table->GetColumnCount() - 1, table->GetRowCount());
    }
    sheet_->ResetObjects(1);
    while (SheetAnchor* anchor = sheet_->NextObject()) {
      if (!within) break;
      if (anchor->GetKind() != kObjectImage && anchor->GetKind() != kObjectChart) continue;
      within = mark(anchor->GetTopLeft().cell->GetColumnIndex(), anchor->GetTopLeft().cell->GetRowIndex(),
                    anchor->GetBottomRight().cell->GetColumnIndex(), anchor->GetBottomRight().cell->GetRowIndex());
    }
    pages_.assign(found.begin(), found.end());
    std::sort(pages_.begin(), pages_.end());
  }

  // Whether a cell of this style and text leaves a mark on paper.
  static bool Prints(const StyleRecord* style, const std::u16string& text) {
    bool anyBorder = style->bottom.lineStyle || style->top.lineStyle || style->left.lineStyle || style->right.lineStyle;
    return style->fillColor != kWhite || !text.empty() || anyBorder;
  }

  void PrintedArea(int32_t& lastColumn, int32_t& lastRow) {
    UsedSize used = sheet_->GetUsedSize();
    lastColumn = used.column;
    lastRow = used.row;
    // Pictures beyond the last used cell are printed too.
    sheet_->ResetObjects(1);
    while (SheetAnchor* anchor = sheet_->NextObject()) {
      if (anchor->GetKind() != kObjectImage && anchor->GetKind() != kObjectChart) continue;
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
    std::u16string text = cell ? cell->GetText() : std::u16string();
    if (!Prints(style, text)) return;
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
      if (auto* chart = dynamic_cast<LineChart*>(anchor->GetObject())) {
        DrawChart(*chart, *anchor, endColumn, endRow);
        continue;
      }
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

  // A chart drawn as vector figures and text at its place, scaled to its anchored size.
  void DrawChart(LineChart& chart, const SheetAnchor& anchor, int32_t endColumn, int32_t endRow) {
    const SheetPosition& from = anchor.GetTopLeft();
    const SheetPosition& to = anchor.GetBottomRight();
    int32_t c1 = from.cell->GetColumnIndex(), c2 = to.cell->GetColumnIndex();
    int32_t r1 = from.cell->GetRowIndex(), r2 = to.cell->GetRowIndex();
    if (c1 >= endColumn || c2 < bandStart_ || r1 >= endRow || r2 < pageFirstRow_) return;
    int64_t dx = from.x, dy = from.y;
    for (int32_t c = bandStart_; c < c1; ++c) dx += sheet_->GetColumnWidth(c);
    for (int32_t c = c1; c < bandStart_; ++c) dx -= sheet_->GetColumnWidth(c);
    for (int32_t r = pageFirstRow_; r < r1; ++r) dy += sheet_->GetRowHeight(r);
    for (int32_t r = r1; r < pageFirstRow_; ++r) dy -= sheet_->GetRowHeight(r);
    double scaleX = kScale, scaleY = kScale;
    if (auto* placed = dynamic_cast<const ObjectAnchor*>(&anchor)) {
      scaleX *= static_cast<double>(placed->GetWidth()) / std::max(1, chart.GetObjectWidth());
      scaleY *= static_cast<double>(placed->GetHeight()) / std::max(1, chart.GetObjectHeight());
    }
    PdfPage& page = document_.CurrentPage();
    // Nothing outside the printable area of the page.
    page.Clip(PdfDocument::kMarginLeft, PdfDocument::kMarginTop,
              PdfDocument::kWidth - PdfDocument::kMarginLeft - PdfDocument::kMarginRight,
              PdfDocument::kHeight - PdfDocument::kMarginTop - PdfDocument::kMarginBottom);
    PdfChartCanvas canvas(document_, page, static_cast<double>(dx) * kScale + PdfDocument::kMarginLeft,
                          static_cast<double>(dy) * kScale + PdfDocument::kMarginTop, scaleX, scaleY,
                          chart.GetObjectWidth(), chart.GetObjectHeight());
    chart.Render(canvas);
    canvas.Finish();
    page.RestoreState();
  }

  Sheet* sheet_;
  PdfDocument document_;
  int32_t bandStart_ = 0;
  int32_t pageFirstRow_ = 1;
  int32_t row_ = 1;
  bool paginated_ = false;
  std::vector<int32_t> bandStarts_;  // the first column of each band, then one past the last
  std::vector<int32_t> pageStarts_;  // the first row of each row page, then one past the last
  std::vector<int64_t> pages_;       // band * row pages + row page, in printing order
};

}  // namespace

std::string PdfOfSheet(Sheet* sheet) { return SheetPrinter(sheet).Print(); }

int64_t PdfPageCount(Sheet* sheet) { return SheetPrinter(sheet).CountPages(); }

bool SavePdf(Sheet* sheet, const std::string& path, std::string* reason) {
  if (!sheet) return false;
  SheetPrinter printer(sheet);
  if (printer.CountPages() > kMaxPdfPages) {
    if (reason) *reason = Utf16ToUtf8(TextWithArgument("pdfTooManyPages", u"10.000"));
    return false;
  }
  return WriteFileAtomically(path, printer.Print(), reason);
}

}  // namespace quadrell
