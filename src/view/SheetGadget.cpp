#include "view/SheetGadget.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "context/ApplicationContext.h"
#include "context/EmbeddedResources.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "object/Image.h"
#include "object/ImageCodec.h"
#include "shell/Application.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"

namespace quadrell {

namespace {

constexpr Colour kHeaderBackground = 0xEEEEEE;
constexpr Colour kHeaderLine = 0xDDDDDD;
constexpr Colour kGridLine = 0xEEEEEE;
constexpr Colour kPlaceholderFill = 0xDDDDDD;
constexpr Colour kCommentMarker = RgbColour(0x66, 0xBB, 0x55);
constexpr Colour kSelectionColour = RgbColour(0, 0, 0xFF);
constexpr Colour kFilterColour = RgbColour(0, 0x88, 0);
constexpr Colour kScrollThumb = 0xAAAAAA;
constexpr Colour kScrollThumbInner = 0xBBBBBB;
constexpr Colour kObjectFrame = RgbColour(0x33, 0x66, 0xCC);
// Rows and columns never step past the last addressable one, however many are hidden.
constexpr int32_t kLastRow = 1048576;
constexpr int32_t kLastColumn = 16383;

// The grid's small pictures, decoded once from the ones built into the program.
const Bitmap& ViewImage(std::string_view name) {
  static auto* images = new std::map<std::string, Bitmap, std::less<>>();
  auto found = images->find(name);
  if (found != images->end()) return found->second;
  std::optional<PixelImage> pixels = DecodePng(GetEmbeddedResource(name));
  return images->emplace(std::string(name), pixels ? ToBitmap(*pixels) : Bitmap()).first->second;
}

const FontRecord* HeaderFont() { return GetFont(u"Arial", 10, kFontFlagHighQuality); }

int32_t LabelWidth(int32_t row) { return static_cast<int32_t>(std::lround(std::log10(static_cast<double>(row)) * 7)); }

bool IsValueRight(const Cell* cell) {
  ValueKind kind = cell->GetValue()->Kind();
  return kind == ValueKind::Number || kind == ValueKind::DateTime;
}

// As many "#" as fit the width, none when not even one does.
std::u16string HashesFor(Canvas& canvas, int width) {
  int one = std::max(canvas.TextWidth(u"#"), 1);
  return std::u16string(static_cast<size_t>(std::max(width / one, 0)), u'#');
}

// A canvas clip that stays inside an outer one.
class ClipStack {
 public:
  ClipStack(Canvas& canvas, Rect outer) : canvas_(canvas), outer_(outer) { canvas_.SetClip(outer.x, outer.y, outer.width, outer.height); }
  void Inside(int x, int y, int width, int height) {
    int left = std::max(x, outer_.x), top = std::max(y, outer_.y);
    int right = std::min(x + width, outer_.Right()), bottom = std::min(y + height, outer_.Bottom());
    canvas_.SetClip(left, top, std::max(0, right - left), std::max(0, bottom - top));
  }
  void Outer() { canvas_.SetClip(outer_.x, outer_.y, outer_.width, outer_.height); }

 private:
  Canvas& canvas_;
  Rect outer_;
};

}  // namespace

// ---------------------------------------------------------------- lifecycle

SheetGadget::SheetGadget(Application& application, SheetContainer& container, ControlParent& parent,
                         const Rect& bounds, Sheet* sheet)
    : application_(application), container_(container), sheet_(sheet) {
  canvas_ = CreateCanvasControl(parent, bounds, *this, CanvasOptions{.takesFocus = true});
  canvas_->SetPointerShape(PointerShape::Cross);
  canvasWidth_ = bounds.width;
  canvasHeight_ = bounds.height;
  SetSheet(sheet);
}

SheetGadget::~SheetGadget() {
  // Whoever picks may be gone already (the formula bar goes first): the pick
  // is forgotten, and the listeners hear that the view goes.
  pickCallback_ = nullptr;
  pickData_ = nullptr;
  TellListeners(kViewGoing);
  if (GridPopups* popups = GetGridPopups()) popups->CloseSuggestions();
  canvas_.reset();
}

void SheetGadget::SetBounds(const Rect& bounds) {
  canvas_->SetBounds(bounds);
  canvasWidth_ = bounds.width;
  canvasHeight_ = bounds.height;
}

void SheetGadget::SetSheet(Sheet* sheet) {
  if (sheet != sheet_) {
    // A pick and the dialogs belong to the sheet shown so far.
    CancelRangePick();
    sheet_ = sheet;
    TellListeners(kViewSheetChanged);
  }
  sheet_ = sheet;
  editing_ = false;
  editText_.clear();
  editHome_.reset();
  awayOutlines_.clear();
  selectedObject_ = nullptr;
  objectHitKind_ = 0;
  const Range* remembered = sheet_ ? sheet_->GetSelection() : nullptr;
  std::unique_ptr<AreaRange> selection =
      remembered ? remembered->Copy() : std::make_unique<AreaRange>(0, 1, sheet_);
  anchorColumn_ = std::max(selection->GetFirstColumn(), 0);
  anchorRow_ = std::max(selection->GetFirstRow(), 1);
  firstColumn_ = 0;
  firstRow_ = 1;
  frozen_.reset();
  frozenWidth_ = frozenHeight_ = 0;
  if (sheet_ && sheet_->GetFrozenPanes().Any()) {
    const Sheet::FrozenPanes& panes = sheet_->GetFrozenPanes();
    frozen_ = FrozenRange{panes.firstColumn, std::max(panes.firstRow, 1), panes.scrollColumn, std::max(panes.scrollRow, 1)};
    firstColumn_ = panes.firstColumn;
    firstRow_ = std::max(panes.firstRow, 1);
  }
  lastFirstRow_ = -1;
  lastFirstColumn_ = -1;
  SetSelection(std::move(selection));
  ScrollIntoView(anchorColumn_, anchorRow_, true);
  Redraw(true);
}

int SheetGadget::ScrollbarWidth() const {
  return static_cast<int>(std::clamp<int64_t>(GetContext().GetSettingInt(kSettingScrollbarWidth), 3, 50));
}

// ---------------------------------------------------------------- geometry

const SheetGadget::RowCache* SheetGadget::FindRowCache(int32_t row) const {
  int32_t at = rowIndex_.Get(row);
  return at > 0 ? &rowCache_[static_cast<size_t>(at - 1)] : nullptr;
}

const SheetGadget::ColumnCache* SheetGadget::FindColumnCache(int32_t column) const {
  int32_t at = columnIndex_.Get(column);
  return at > 0 ? &columnCache_[static_cast<size_t>(at - 1)] : nullptr;
}

int32_t SheetGadget::RowAtY(int y) const {
  if (rowAtY_.empty()) return firstRow_;
  return rowAtY_[static_cast<size_t>(std::clamp<int64_t>(y, 0, static_cast<int64_t>(rowAtY_.size()) - 1))];
}

int32_t SheetGadget::ColumnAtX(int x) const {
  if (columnAtX_.empty()) return firstColumn_;
  return columnAtX_[static_cast<size_t>(std::clamp<int64_t>(x, 0, static_cast<int64_t>(columnAtX_.size()) - 1))];
}

Rect SheetGadget::CellBox(int32_t row, int32_t column) const {
  const RowCache* r = FindRowCache(row);
  const ColumnCache* c = FindColumnCache(column);
  if (!r || !c) return Rect{};
  return Rect{rowHeaderWidth_ + c->left, kHeaderHeight + r->top, c->right - c->left, r->bottom - r->top};
}

namespace {

// The pixel offset of a line outside the laid-out ones (from first to last,
// starting at firstStart and ending at lastEnd), walking the sizes of the
// lines in between; far outside the view the exact distance does not matter.
template <typename Size>
int32_t OffsetOutside(int32_t line, int32_t first, int64_t firstStart, int32_t last, int64_t lastEnd, int32_t inside,
                      Size size) {
  constexpr int64_t kFar = 1 << 20;
  int64_t at;
  if (line < first) {
    at = firstStart;
    for (int32_t k = first - 1; k >= line && at > -kFar; --k) at -= size(k);
  } else {
    at = lastEnd;
    for (int32_t k = last + 1; k < line && at < kFar; ++k) at += size(k);
  }
  return static_cast<int32_t>(std::clamp<int64_t>(at + inside, -kFar, kFar));
}

}  // namespace

int32_t SheetGadget::AnchorToX(const SheetPosition& position) const {
  int32_t column = position.cell ? position.cell->GetColumnIndex() : 0;
  if (const ColumnCache* e = FindColumnCache(column)) return e->left + position.x;
  if (columnCache_.empty()) return position.x;
  const ColumnCache* first = FindColumnCache(firstColumn_);
  const ColumnCache& last = columnCache_.back();
  return OffsetOutside(column, firstColumn_, first ? first->left : 0, last.column, last.right, position.x,
                       [&](int32_t k) { return sheet_->GetColumnWidth(k); });
}

int32_t SheetGadget::AnchorToY(const SheetPosition& position) const {
  int32_t row = position.cell ? position.cell->GetRowIndex() : 1;
  if (const RowCache* e = FindRowCache(row)) return e->top + position.y;
  if (rowCache_.empty()) return position.y;
  const RowCache* first = FindRowCache(firstRow_);
  const RowCache& last = rowCache_.back();
  return OffsetOutside(row, firstRow_, first ? first->top : 0, last.row, last.bottom, position.y,
                       [&](int32_t k) { return sheet_->GetRowHeight(k); });
}

// ---------------------------------------------------------------- layout

void SheetGadget::LayOutRows() {
  const int height = std::max(canvasHeight_, 1);
  rowAtY_.assign(static_cast<size_t>(height), firstRow_);
  rowCache_.clear();
  rowIndex_.Clear();
  struct Laid {
    int32_t row, height;
  };
  std::vector<Laid> rows;
  int64_t y = kHeaderHeight;
  int32_t width = 30;
  auto add = [&](int32_t r) {
    int32_t h = sheet_->GetRowHeight(r);
    width = std::max(width, LabelWidth(r));
    for (int64_t p = std::max<int64_t>(y, 0); p < std::min<int64_t>(y + h, height); ++p) rowAtY_[static_cast<size_t>(p)] = r;
    y += h;
    rows.push_back({r, h});
  };
  frozenHeight_ = 0;
  if (frozen_ && frozen_->scrollRow > frozen_->firstRow) {
    for (int32_t r = frozen_->firstRow; r < frozen_->scrollRow; ++r) add(r);
    frozenHeight_ = static_cast<int>(y - kHeaderHeight);
  }
  for (int32_t r = firstRow_; y < height && r <= kLastRow; ++r) add(r);
  if (!rows.empty()) {
    for (int p = 0; p < std::min(kHeaderHeight, height); ++p) rowAtY_[static_cast<size_t>(p)] = rows.front().row;
    for (int64_t p = std::max<int64_t>(y, kHeaderHeight); p < height; ++p) rowAtY_[static_cast<size_t>(p)] = rows.back().row;
  }
  width += 10;
  visibleRows_ = static_cast<int32_t>(rows.size());
  rowHeaderWidth_ = width;

  if (rowHeaderLayer_.Width() != width + 1 || rowHeaderLayer_.Height() != height) rowHeaderLayer_.Resize(width + 1, height);
  std::unique_ptr<Canvas> c = OpenBitmapCanvas(rowHeaderLayer_);
  int32_t top = 0;
  bool previousHidden = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    rowCache_.push_back({rows[i].row, top, top + rows[i].height, i > 0 && previousHidden});
    rowIndex_.Put(rows[i].row, static_cast<int32_t>(i + 1));
    previousHidden = rows[i].height == 0;
    top += rows[i].height;
  }
  if (!c) return;
  c->ClearClip();
  c->FillBox(0, 0, width + 1, height, kHeaderBackground);
  c->DrawLine(width, 0, width, height, kHeaderLine);
  c->SetDrawMode(DrawMode::TransparentText);
  c->SetFont(*HeaderFont()->platformFont);
  c->SetTextColour(kBlack);
  for (const RowCache& r : rowCache_) {
    int y0 = kHeaderHeight + r.top;
    if (y0 > height) break;
    c->DrawLine(0, y0, width, y0, kHeaderLine);
    if (r.bottom - r.top < 1) {
      c->SetDrawMode(DrawMode::AlphaBlend);
      c->DrawImage(ViewImage("hiddenRow.png"), 2, y0 - 7);
      c->SetDrawMode(DrawMode::TransparentText);
      continue;
    }
    c->SetClip(0, y0, width - 1, r.bottom - r.top);
    DrawTextAligned(*c, 0, y0, width - 1, r.bottom - r.top, Utf8ToUtf16(IntegerText(r.row)), HorizontalAlign::Center,
                    VerticalAlign::Middle);
    c->ClearClip();
  }
}

void SheetGadget::LayOutColumns() {
  const int width = std::max(canvasWidth_, 1);
  columnAtX_.assign(static_cast<size_t>(width), firstColumn_);
  columnCache_.clear();
  columnIndex_.Clear();
  int64_t x = rowHeaderWidth_;
  bool previousHidden = false;
  auto add = [&](int32_t column) {
    int32_t w = sheet_->GetColumnWidth(column);
    for (int64_t p = std::max<int64_t>(x, 0); p < std::min<int64_t>(x + w, width); ++p) columnAtX_[static_cast<size_t>(p)] = column;
    int32_t left = static_cast<int32_t>(x - rowHeaderWidth_);
    columnCache_.push_back({column, left, left + w, !columnCache_.empty() && previousHidden});
    columnIndex_.Put(column, static_cast<int32_t>(columnCache_.size()));
    previousHidden = w == 0;
    x += w;
  };
  frozenWidth_ = 0;
  if (frozen_ && frozen_->scrollColumn > frozen_->firstColumn) {
    for (int32_t c = frozen_->firstColumn; c < frozen_->scrollColumn; ++c) add(c);
    frozenWidth_ = static_cast<int>(x - rowHeaderWidth_);
  }
  for (int32_t c = firstColumn_; x < width && c <= kLastColumn; ++c) add(c);
  if (!columnCache_.empty()) {
    for (int p = 0; p < std::min(rowHeaderWidth_, width); ++p) columnAtX_[static_cast<size_t>(p)] = columnCache_.front().column;
    for (int64_t p = std::max<int64_t>(x, rowHeaderWidth_); p < width; ++p) columnAtX_[static_cast<size_t>(p)] = columnCache_.back().column;
  }
  visibleColumns_ = static_cast<int32_t>(columnCache_.size());

  if (columnHeaderLayer_.Width() != width || columnHeaderLayer_.Height() != kCellTop) columnHeaderLayer_.Resize(width, kCellTop);
  std::unique_ptr<Canvas> c = OpenBitmapCanvas(columnHeaderLayer_);
  if (!c) return;
  c->ClearClip();
  c->FillBox(0, 0, width, kHeaderHeight, kHeaderBackground);
  c->FillBox(0, kHeaderHeight, width, 1, kHeaderLine);
  c->DrawLine(0, 0, width, 0, kHeaderLine);
  c->SetDrawMode(DrawMode::TransparentText);
  c->SetFont(*HeaderFont()->platformFont);
  c->SetTextColour(kBlack);
  for (const ColumnCache& col : columnCache_) {
    int x0 = rowHeaderWidth_ + col.left;
    if (x0 > width) break;
    if (col.right - col.left < 1) {
      c->SetDrawMode(DrawMode::AlphaBlend);
      c->DrawImage(ViewImage("hiddenColumn.png"), x0 - 7, 2);
      c->SetDrawMode(DrawMode::TransparentText);
      continue;
    }
    c->DrawLine(x0, 0, x0, kHeaderHeight, kHeaderLine);
    c->SetClip(x0, 0, col.right - col.left, kHeaderHeight);
    DrawTextAligned(*c, x0, 0, col.right - col.left, kHeaderHeight, ColumnName(col.column), HorizontalAlign::Center,
                    VerticalAlign::Middle);
    c->ClearClip();
  }
}

// ---------------------------------------------------------------- painting

void SheetGadget::Redraw(bool full) {
  if (!sheet_) return;
  if (frozen_) {
    firstColumn_ = std::max(firstColumn_, frozen_->scrollColumn);
    firstRow_ = std::max(firstRow_, frozen_->scrollRow);
  }
  if (firstRow_ != lastFirstRow_ || firstColumn_ != lastFirstColumn_) full = true;
  if (full) {
    LayOutRows();
    LayOutColumns();
  }
  int w = std::max(canvasWidth_ - rowHeaderWidth_ - 1, 1);
  int h = std::max(canvasHeight_ - kCellTop, 1);
  bool resized = cellLayer_.Width() != w || cellLayer_.Height() != h;
  if (resized) {
    cellLayer_.Resize(w, h);
    objectLayer_.Resize(w, h);
    objectLayerBlank_ = true;
  }
  PaintCellLayer();
  summaryDue_ = true;  // contents may have changed (undo, paste, delete)
  if (full || resized) PaintObjectLayer();
  lastFirstRow_ = firstRow_;
  lastFirstColumn_ = firstColumn_;
  Refresh();
}

std::vector<SheetGadget::Pane> SheetGadget::Panes() const {
  const int w = cellLayer_.Width(), h = cellLayer_.Height();
  if (!frozen_ || (frozenWidth_ == 0 && frozenHeight_ == 0)) return {Pane{0, 0, w, h, firstColumn_, firstRow_}};
  const int fw = frozenWidth_, fh = frozenHeight_;
  std::vector<Pane> panes;
  if (fw && fh) panes.push_back({0, 0, fw, fh, frozen_->firstColumn, frozen_->firstRow});
  if (fh) panes.push_back({fw, 0, w - fw, fh, firstColumn_, frozen_->firstRow});
  if (fw) panes.push_back({0, fh, fw, h - fh, frozen_->firstColumn, firstRow_});
  panes.push_back({fw, fh, w - fw, h - fh, firstColumn_, firstRow_});
  return panes;
}

void SheetGadget::PaintCellLayer() {
  pendingBands_.clear();
  std::unique_ptr<Canvas> c = OpenBitmapCanvas(cellLayer_);
  if (!c) return;
  for (const Pane& pane : Panes()) PaintPane(*c, pane, 0, cellLayer_.Height());
  c->ClearClip();
  if (frozen_ && frozenHeight_) c->DrawLine(0, frozenHeight_ - 1, cellLayer_.Width(), frozenHeight_ - 1, kBlack);
  if (frozen_ && frozenWidth_) c->DrawLine(frozenWidth_, 0, frozenWidth_, cellLayer_.Height(), kBlack);
}

void SheetGadget::UpdateCell(int32_t row, int32_t column) {
  summaryDue_ = true;
  if (!sheet_ || cellLayer_.IsEmpty()) return;
  if (Filter* filter = sheet_->GetFilter(); filter && filter->Contains(row, column)) {
    Redraw(true);
    return;
  }
  // A cell inside a merged area repaints as the whole area.
  if (Row* stored = sheet_->FindRow(row)) {
    if (Cell* cell = stored->FindCell(column); cell && cell->GetMergeMaster()) {
      row = cell->GetMergeMaster()->GetRowIndex();
      column = cell->GetMergeMaster()->GetColumnIndex();
    }
  }
  const RowCache* r = FindRowCache(row);
  if (!r || !FindColumnCache(column)) return;
  int32_t spanHeight = r->bottom - r->top;
  if (Row* stored = sheet_->FindRow(row)) {
    if (Cell* cell = stored->FindCell(column)) {
      for (int32_t k = 1; k < cell->GetRowSpan(); ++k) spanHeight += sheet_->GetRowHeight(row + k);
    }
  }
  // The whole row band: text flowing in from neighbours, and the top border
  // drawn on the line above. Painted at the next refresh, each band once.
  std::pair<int, int> band{r->top - 1, r->top + spanHeight};
  if (std::find(pendingBands_.begin(), pendingBands_.end(), band) == pendingBands_.end()) pendingBands_.push_back(band);
}

void SheetGadget::PaintPendingBands() {
  if (pendingBands_.empty()) return;
  std::vector<std::pair<int, int>> bands = std::move(pendingBands_);
  pendingBands_.clear();
  std::unique_ptr<Canvas> c = OpenBitmapCanvas(cellLayer_);
  if (!c) return;
  // Many changed rows are painted as one layer.
  if (bands.size() > static_cast<size_t>(std::max(visibleRows_ / 2, 4))) bands.assign(1, {0, cellLayer_.Height()});
  for (const auto& [top, bottom] : bands) {
    for (const Pane& pane : Panes()) PaintPane(*c, pane, top, bottom);
  }
  c->ClearClip();
  if (frozen_ && frozenHeight_) c->DrawLine(0, frozenHeight_ - 1, cellLayer_.Width(), frozenHeight_ - 1, kBlack);
  if (frozen_ && frozenWidth_) c->DrawLine(frozenWidth_, 0, frozenWidth_, cellLayer_.Height(), kBlack);
}

void SheetGadget::DrawTextInBox(Canvas& canvas, const StyleRecord& style, std::u16string_view text, int x, int y,
                                int width, int height, bool valueRight, int textWidth) {
  // The single-line placement of the cell's alignment; general puts values on
  // the right and is always centred vertically. Text is measured only where
  // the placement needs its width.
  uint8_t horizontal = style.horizontalAlignment;
  if (horizontal == kHorizontalGeneral) horizontal = valueRight ? kHorizontalRight : kHorizontalLeft;
  if (horizontal > kHorizontalRight) horizontal = kHorizontalLeft;
  int px = x + 1;
  if (horizontal == kHorizontalCenter || horizontal == kHorizontalRight) {
    int tw = textWidth >= 0 ? textWidth : canvas.TextWidth(text);
    px = horizontal == kHorizontalCenter ? x + (width - tw) / 2 : x + width - tw;
  }
  int th = style.font ? style.font->PixelHeight() : canvas.TextHeight(text);
  uint8_t vertical = kVerticalMiddle;
  if (style.horizontalAlignment != kHorizontalGeneral && style.horizontalAlignment <= kHorizontalRight) {
    vertical = style.verticalAlignment;
  }
  int py = y + (height - th) / 2;
  if (vertical == kVerticalTop) py = y;
  if (vertical == kVerticalBottom) py = y + height - th;
  canvas.DrawText(px, py, text);
}

void SheetGadget::PaintPane(Canvas& canvas, const Pane& pane, int bandTop, int bandBottom) {
  int top = std::max(pane.y, bandTop), bottom = std::min(pane.y + pane.height, bandBottom);
  if (bottom <= top || pane.width <= 0) return;
  const Rect clip{pane.x, top, pane.width, bottom - top};
  ClipStack clips(canvas, clip);
  canvas.SetDrawMode(DrawMode::TransparentText);
  canvas.FillBox(clip.x, clip.y, clip.width, clip.height, kWhite);

  struct Track {
    int32_t index;
    int position;
    int32_t size;
  };
  std::vector<Track> columns;
  for (int32_t c = pane.firstColumn, x = 0; x <= pane.width && c <= kLastColumn; ++c) {
    int32_t w = sheet_->GetColumnWidth(c);
    columns.push_back({c, pane.x + x, w});
    x += w;
    if (columns.size() > static_cast<size_t>(kLastColumn)) break;
  }
  std::vector<Track> rows;
  for (int32_t r = pane.firstRow, y = 0; y <= pane.height && r <= kLastRow; ++r) {
    int32_t h = sheet_->GetRowHeight(r);
    rows.push_back({r, pane.y + y, h});
    y += h;
  }
  // Column, then row styles colour the positions without a cell.
  bool background = false;
  for (const Track& col : columns) {
    Column* column = sheet_->FindColumn(col.index);
    Colour fill = column ? column->GetStyle()->fillColor : sheet_->GetStyle()->fillColor;
    if (fill != kWhite && col.size > 0) {
      canvas.FillBox(col.position, pane.y, col.size, pane.height, fill);
      background = true;
    }
  }
  for (const Track& r : rows) {
    Row* row = sheet_->FindRow(r.index);
    const StyleRecord* own = row ? row->GetOwnStyle() : nullptr;
    if (own && own->fillColor != kWhite && r.size > 0) {
      canvas.FillBox(pane.x, r.position, pane.width, r.size, own->fillColor);
      background = true;
    }
  }
  const int paneBottom = pane.y + pane.height;
  for (const Track& col : columns) canvas.DrawLine(col.position, pane.y, col.position, paneBottom, kGridLine);
  for (const Track& r : rows) {
    if (r.size > 0) canvas.DrawLine(pane.x, r.position + r.size - 1, pane.x + pane.width, r.position + r.size - 1, kGridLine);
  }

  const bool overlays = sheet_->GetFilter() || sheet_->GetPivotTableCount() > 0;
  Filter* filter = sheet_->GetFilter();
  Cell* placeholder = sheet_->GetPlaceholderCell();
  // The rows whose cells can reach into the band: a cell's top border lies on the line above it.
  size_t firstRowIndex = 0;
  while (firstRowIndex < rows.size() && rows[firstRowIndex].position + rows[firstRowIndex].size < top) ++firstRowIndex;
  size_t endRowIndex = firstRowIndex;
  while (endRowIndex < rows.size() && rows[endRowIndex].position - 1 < bottom) ++endRowIndex;
  if (firstRowIndex >= endRowIndex) return;
  const int32_t firstVisitedRow = rows[firstRowIndex].index;

  auto cellAt = [&](Row* row, int32_t r, int32_t c) -> Cell* {
    if (overlays && sheet_->IsOverlayCell(r, c)) return sheet_->GetCell(r, c);
    return row ? row->FindCell(c) : nullptr;
  };
  auto spanWidth = [&](int32_t c, int32_t span) {
    int32_t w = 0;
    for (int32_t k = 0; k < span; ++k) w += sheet_->GetColumnWidth(c + k);
    return w;
  };
  auto spanHeight = [&](int32_t r, int32_t span) {
    int32_t h = 0;
    for (int32_t k = 0; k < span; ++k) h += sheet_->GetRowHeight(r + k);
    return h;
  };
  // Calls visit(cell, row, column, x, y) for every cell to paint; the master of
  // a merged area that starts above or left of what is visited comes in at its
  // own (partly hidden) position, once.
  auto walk = [&](auto&& visit) {
    std::vector<const Cell*> outsideMasters;
    for (size_t ri = firstRowIndex; ri < endRowIndex; ++ri) {
      const Track& r = rows[ri];
      Row* row = sheet_->FindRow(r.index);
      if (!overlays && (!row || row->IsEmpty())) continue;
      for (const Track& col : columns) {
        Cell* cell = cellAt(row, r.index, col.index);
        if (!cell) continue;
        if (Cell* master = cell->GetMergeMaster(); master && cell->GetColumnSpan() == 0) {
          int32_t mr = master->GetRowIndex(), mc = master->GetColumnIndex();
          if ((mr < firstVisitedRow || mc < pane.firstColumn) &&
              std::find(outsideMasters.begin(), outsideMasters.end(), master) == outsideMasters.end()) {
            outsideMasters.push_back(master);
            int x = col.position, y = r.position;
            for (int32_t k = mc; k < col.index; ++k) x -= sheet_->GetColumnWidth(k);
            for (int32_t k = mr; k < r.index; ++k) y -= sheet_->GetRowHeight(k);
            visit(master, mr, mc, x, y, true);
          }
          continue;
        }
        visit(cell, r.index, col.index, col.position, r.position, false);
      }
    }
  };

  // Fills first, so that no fill covers the text flowing out of a neighbour.
  walk([&](Cell* cell, int32_t r, int32_t c, int x, int y, bool) {
    int32_t cs = cell->GetColumnSpan(), rs = cell->GetRowSpan();
    if (cs <= 0 || rs <= 0 || sheet_->GetColumnWidth(c) == 0) return;
    const StyleRecord* style = cell->GetStyle();
    int32_t sw = cs == 1 ? sheet_->GetColumnWidth(c) : spanWidth(c, cs);
    int32_t sh = rs == 1 ? sheet_->GetRowHeight(r) : spanHeight(r, rs);
    if (cell == placeholder) {
      canvas.FillBox(x + 1, y, sw - 1, sh - 1, kPlaceholderFill);
      return;
    }
    if (style->fillColor != kWhite || background || cs > 1 || rs > 1) canvas.FillBox(x + 1, y, sw - 1, sh - 1, style->fillColor);
  });

  const FontRecord* currentFont = nullptr;
  Colour currentColour = kBlack;
  canvas.SetTextColour(currentColour);
  auto textAt = [&](int32_t r, int32_t c) -> bool {
    Cell* cell = nullptr;
    if (overlays && sheet_->IsOverlayCell(r, c)) {
      cell = sheet_->GetCell(r, c);
    } else if (Row* row = sheet_->FindRow(r)) {
      cell = row->FindCell(c);
    }
    return cell && cell != placeholder && !cell->IsInputEmpty() && !cell->GetText().empty();
  };

  walk([&](Cell* cell, int32_t r, int32_t c, int x, int y, bool) {
    int32_t cs = cell->GetColumnSpan(), rs = cell->GetRowSpan();
    int32_t columnWidth = sheet_->GetColumnWidth(c);
    if (columnWidth == 0 || cs <= 0 || rs <= 0) return;
    int32_t sw = cs == 1 ? columnWidth : spanWidth(c, cs);
    int32_t sh = rs == 1 ? sheet_->GetRowHeight(r) : spanHeight(r, rs);
    if (sh <= 0) return;
    const StyleRecord* style = cell->GetStyle();
    if (cell != placeholder) {
      if (cell->GetComment()) canvas.FillBox(x + sw - 4, y, 4, 4, kCommentMarker);
      std::u16string text = formulaView_ ? cell->GetInput() : cell->GetText();
      if (!text.empty()) {
        if (style->font != currentFont) {
          currentFont = style->font;
          canvas.SetFont(*currentFont->platformFont);
        }
        if (style->textColor != currentColour) {
          currentColour = style->textColor;
          canvas.SetTextColour(currentColour);
        }
        bool valueRight = IsValueRight(cell);
        int bx = x + style->indent * kIndentStep, by = y, bw = sw - 1, bh = sh - 1;
        // A number never shows fewer digits than it has: one that does not fit
        // its cell shows as a row of "#" instead (no glyph is wider than the
        // font is high, so a short text is not measured).
        bool hashes = false;
        if (valueRight && !formulaView_ && !cell->GetValue()->IsBoolean()) {
          int room = bw - 1 - style->indent * kIndentStep;
          if (static_cast<int64_t>(text.size()) * style->font->PixelHeight() > room && canvas.TextWidth(text) > room) {
            text = HashesFor(canvas, room);
            hashes = true;
          }
        }
        if (text.empty()) {
          // Not even one "#" fits.
        } else if (style->textFlow == kTextFlowLineBreak && !hashes) {
          // A line break is a word of its own.
          std::u16string prepared;
          for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
            if (text[i] == u'\n') {
              prepared += u" \n ";
            } else {
              prepared += text[i];
            }
          }
          std::vector<std::u16string> words;
          size_t start = 0;
          for (size_t i = 0; i <= prepared.size(); ++i) {
            if (i == prepared.size() || prepared[i] == u' ') {
              words.push_back(prepared.substr(start, i - start));
              start = i + 1;
            }
          }
          const int space = canvas.TextWidth(u" ");
          const int lineHeight = canvas.TextHeight(u" ");
          std::vector<std::u16string> lines(1);
          int lineWidth = 0;
          bool fresh = true;
          for (const std::u16string& word : words) {
            if (word == u"\n") {
              lines.emplace_back();
              lineWidth = 0;
              fresh = true;
              continue;
            }
            int ww = canvas.TextWidth(word);
            if (!fresh && lineWidth + space + ww > bw) {
              lines.emplace_back();
              lineWidth = 0;
              fresh = true;
            }
            if (!fresh) {
              lines.back() += u' ';
              lineWidth += space;
            }
            lines.back() += word;
            lineWidth += ww;
            fresh = false;
          }
          int total = lineHeight * static_cast<int>(lines.size() - 1);
          int offset = 0;
          if (style->verticalAlignment == kVerticalMiddle) offset = -total / 2;
          if (style->verticalAlignment == kVerticalBottom) offset = -total;
          clips.Inside(x, y, sw - 1, sh - 1);
          for (size_t k = 0; k < lines.size(); ++k) {
            DrawTextInBox(canvas, *style, lines[k], bx, by + offset + static_cast<int>(k) * lineHeight, bw, bh,
                          valueRight);
          }
        } else {
          int clipLeft = x, clipRight = x + sw - 1;
          int measured = -1;
          // No glyph is wider than the font is high: a short text cannot overflow.
          bool mayOverflow = static_cast<int64_t>(text.size()) * style->font->PixelHeight() +
                                     style->indent * kIndentStep > sw - 1 ||
                             text.find(u'\t') != std::u16string::npos;
          if (style->textFlow == kTextFlowOverflow && mayOverflow && !hashes) {
            measured = canvas.TextWidth(text);
            int tw = measured + style->indent * kIndentStep;
            bool toRight = style->horizontalAlignment == kHorizontalLeft ||
                           style->horizontalAlignment == kHorizontalCenter ||
                           (style->horizontalAlignment == kHorizontalGeneral && !valueRight) ||
                           style->horizontalAlignment > kHorizontalRight;
            bool toLeft = style->horizontalAlignment == kHorizontalRight ||
                          style->horizontalAlignment == kHorizontalCenter ||
                          (style->horizontalAlignment == kHorizontalGeneral && valueRight);
            int need = style->horizontalAlignment == kHorizontalCenter ? (tw - (sw - 1) + 1) / 2 : tw - (sw - 1);
            if (need > 0 && toRight) {
              int grown = 0;
              for (int32_t k = c + cs; grown < need && k <= kLastColumn && clipRight < pane.x + pane.width; ++k) {
                if (textAt(r, k)) break;
                int32_t kw = sheet_->GetColumnWidth(k);
                grown += kw;
                clipRight += kw;
              }
            }
            if (need > 0 && toLeft) {
              int grown = 0;
              for (int32_t k = c - 1; grown < need && k >= 0 && clipLeft > pane.x; --k) {
                if (textAt(r, k)) break;
                int32_t kw = sheet_->GetColumnWidth(k);
                grown += kw;
                clipLeft -= kw;
              }
            }
          }
          clips.Inside(clipLeft, y, clipRight - clipLeft, sh - 1);
          DrawTextInBox(canvas, *style, text, bx, by, bw, bh, valueRight, measured);
        }
        clips.Outer();
      }
    }
    if (filter && filter->IsHeaderCell(r, c)) {
      canvas.SetDrawMode(DrawMode::AlphaBlend);
      canvas.DrawImage(ViewImage("filterButton.png"), x + columnWidth - 15, y + 1);
      canvas.SetDrawMode(DrawMode::TransparentText);
    }
    auto border = [&](const BorderLine& line, int x1, int y1, int x2, int y2) {
      if (line.lineStyle == kBorderNone) return;
      canvas.SetLineColour(line.colour);
      DrawStyledLine(canvas, x1, y1, x2, y2, line.lineStyle);
    };
    border(style->bottom, x - 1, y + sh - 1, x + sw - 1, y + sh - 1);
    border(style->top, x - 1, y - 1, x + sw - 1, y - 1);
    border(style->left, x - 1, y - 1, x - 1, y + sh - 1);
    border(style->right, x + sw - 1, y + sh - 1, x + sw - 1, y - 1);
  });
  if (pane.x == 0) canvas.DrawLine(0, pane.y, 0, paneBottom, kHeaderLine);
}

void SheetGadget::PaintObjectLayer() {
  if (objectLayer_.IsEmpty()) return;
  bool none = !sheet_ || sheet_->ObjectCount() == 0;
  if (none && objectLayerBlank_) return;
  objectLayer_.Clear();
  objectLayerBlank_ = none;
  if (none) return;
  std::unique_ptr<Canvas> c = OpenBitmapCanvas(objectLayer_);
  if (!c) return;
  c->SetDrawMode(DrawMode::AlphaBlend);
  sheet_->ResetObjects(1);
  while (SheetAnchor* anchor = sheet_->NextObject()) {
    if (auto* placed = dynamic_cast<ObjectAnchor*>(anchor)) placed->DrawAnchored(*c, *this);
  }
}

void SheetGadget::RedrawObjects() {
  PaintObjectLayer();
  Refresh();
}

// ---------------------------------------------------------------- overlays

Rect SheetGadget::ObjectBox(const ObjectAnchor& anchor) const {
  return Rect{rowHeaderWidth_ + 1 + AnchorToX(anchor.GetTopLeft()), kCellTop + AnchorToY(anchor.GetTopLeft()),
              anchor.GetWidth(), anchor.GetHeight()};
}

void SheetGadget::DrawRangeFrame(Canvas& canvas, const Range& range, Colour colour, int style) {
  if (columnCache_.empty() || rowCache_.empty()) return;
  int32_t fc = range.GetFirstColumn(), lc = range.GetLastColumn();
  int32_t fr = range.GetFirstRow(), lr = range.GetLastRow();
  if (fc < 0) {
    fc = 0;
    lc = kLastColumn;
  }
  if (fr < 0) {
    fr = 1;
    lr = kLastRow;
  }
  if (lc < 0) lc = kLastColumn;
  if (lr < 0) lr = kLastRow;
  // Each edge is either laid out, or lies before or after what is shown.
  auto horizontal = [&](int32_t first, int32_t last, int& from, int& to, bool& showFirst, bool& showLast) {
    const ColumnCache* a = FindColumnCache(first);
    const ColumnCache* b = FindColumnCache(last);
    const ColumnCache& end = columnCache_.back();
    int scrollStart = frozenWidth_;
    if (!a && first > end.column) return false;
    if (!b && last < firstColumn_ && !(frozen_ && last >= frozen_->firstColumn && last < frozen_->scrollColumn)) {
      return false;
    }
    showFirst = a != nullptr;
    showLast = b != nullptr;
    from = a ? a->left : (first < firstColumn_ ? scrollStart - 3 : end.right + 3);
    to = b ? b->right : end.right + 3;
    return true;
  };
  auto vertical = [&](int32_t first, int32_t last, int& from, int& to, bool& showFirst, bool& showLast) {
    const RowCache* a = FindRowCache(first);
    const RowCache* b = FindRowCache(last);
    const RowCache& end = rowCache_.back();
    int scrollStart = frozenHeight_;
    if (!a && first > end.row) return false;
    if (!b && last < firstRow_ && !(frozen_ && last >= frozen_->firstRow && last < frozen_->scrollRow)) return false;
    showFirst = a != nullptr;
    showLast = b != nullptr;
    from = a ? a->top : (first < firstRow_ ? scrollStart - 3 : end.bottom + 3);
    to = b ? b->bottom : end.bottom + 3;
    return true;
  };
  int left, right, top, bottom;
  bool showLeft, showRight, showTop, showBottom;
  if (!horizontal(fc, lc, left, right, showLeft, showRight)) return;
  if (!vertical(fr, lr, top, bottom, showTop, showBottom)) return;
  int L = rowHeaderWidth_ + left, R = rowHeaderWidth_ + right, T = kHeaderHeight + top, B = kHeaderHeight + bottom;
  // An edge scrolled away under frozen panes: nothing of the frame crosses into them.
  int clipLeft = rowHeaderWidth_, clipTop = kHeaderHeight;
  if (!showLeft && frozenWidth_ && fc < firstColumn_) clipLeft += frozenWidth_ + 1;
  if (!showTop && frozenHeight_ && fr < firstRow_) clipTop += frozenHeight_ + 1;
  canvas.SetClip(clipLeft, clipTop, canvasWidth_ - clipLeft, canvasHeight_ - clipTop);
  switch (style) {
    case 0:
      if (showLeft) canvas.FillBox(L - 1, T - 1, 2, B - T + 3, colour);
      if (showRight) canvas.FillBox(R, T - 1, 2, B - T + 3, colour);
      if (showTop) canvas.FillBox(L - 1, T - 1, R - L + 3, 2, colour);
      if (showBottom) canvas.FillBox(L - 1, B, R - L + 3, 2, colour);
      if (showBottom && showRight) {
        canvas.FillBox(R - 2, B - 2, 6, 6, kWhite);
        canvas.FillBox(R - 1, B - 1, 4, 4, colour);
      }
      break;
    case 1: {
      auto dashed = [&](int x1, int y1, int x2, int y2) {
        canvas.DrawLine(x1, y1, x2, y2, kWhite);
        if (y1 == y2) {
          for (int x = x1; x < x2; x += 6) canvas.DrawLine(x, y1, std::min(x + 3, x2), y1, colour);
        } else {
          for (int y = y1; y < y2; y += 6) canvas.DrawLine(x1, y, x1, std::min(y + 3, y2), colour);
        }
      };
      if (showTop) dashed(L, T, R + 1, T);
      if (showBottom) dashed(L, B, R + 1, B);
      if (showLeft) dashed(L, T, L, B + 1);
      if (showRight) dashed(R, T, R, B + 1);
      break;
    }
    default:
      if (showTop) canvas.DrawLine(L, T, R + 1, T, colour);
      if (showBottom) canvas.DrawLine(L, B, R + 1, B, colour);
      if (showLeft) canvas.DrawLine(L, T, L, B + 1, colour);
      if (showRight) canvas.DrawLine(R, T, R, B + 1, colour);
      break;
  }
  canvas.ClearClip();
}

void SheetGadget::DrawEditor(Canvas& canvas) {
  Rect box = CellBox(GetActiveRow(), GetActiveColumn());
  if (box.width <= 0 && box.height <= 0) return;
  Cell* cell = GetActiveCell();
  const StyleRecord* style = cell ? cell->GetStyle() : GetDefaultStyle();
  if (cell) {
    box.width = 0;
    for (int32_t k = 0; k < std::max(cell->GetColumnSpan(), 1); ++k) box.width += sheet_->GetColumnWidth(GetActiveColumn() + k);
    box.height = 0;
    for (int32_t k = 0; k < std::max(cell->GetRowSpan(), 1); ++k) box.height += sheet_->GetRowHeight(GetActiveRow() + k);
  }
  canvas.SetFont(*(style->font ? style->font : HeaderFont())->platformFont);
  // A text longer than the cell widens the editor over the cells to the right.
  int textWidth = canvas.TextWidth(editText_) + 4;
  int width = std::max(box.width, textWidth);
  canvas.SetClip(rowHeaderWidth_, kCellTop, canvasWidth_ - rowHeaderWidth_, canvasHeight_ - kCellTop);
  canvas.FillBox(box.x + 1, box.y + 1, width - 1, box.height - 1, style->fillColor);
  canvas.SetDrawMode(DrawMode::TransparentText);
  canvas.SetTextColour(kBlack);
  int textHeight = canvas.TextHeight(u" ");
  int ty = box.y + 1 + (box.height - 1 - textHeight) / 2;
  canvas.DrawText(box.x + 2, ty, editText_);
  if (caretOn_) {
    int cx = box.x + 2 + canvas.TextWidth(editText_);
    canvas.DrawLine(cx, ty, cx, ty + textHeight, kBlack);
  }
  canvas.ClearClip();
}

void SheetGadget::DrawSelectedObject(Canvas& canvas) {
  if (!selectedObject_) return;
  Rect box = ObjectBox(*selectedObject_);
  canvas.SetClip(rowHeaderWidth_, kCellTop, canvasWidth_ - rowHeaderWidth_, canvasHeight_ - kCellTop);
  canvas.FrameBox(box.x - 1, box.y - 1, box.width + 2, box.height + 2, kObjectFrame);
  // Handles at the four corners.
  for (Point corner : {Point{box.x, box.y}, Point{box.Right(), box.y}, Point{box.x, box.Bottom()},
                       Point{box.Right(), box.Bottom()}}) {
    canvas.FillBox(corner.x - 3, corner.y - 3, 7, 7, kWhite);
    canvas.FrameBox(corner.x - 3, corner.y - 3, 7, 7, kObjectFrame);
  }
  // The panel: a move row, then one row per tool icon.
  int px = box.Right() + 4;
  int rows = 0;
  for (const ObjectToolIcon* icon = selectedObject_->GetToolIcons(); icon; icon = icon->next) ++rows;
  int height = 45 + rows * kObjectPanelRow;
  canvas.FillBox(px, box.y, kObjectPanelWidth - 4, height, kWhite);
  canvas.FrameBox(px, box.y, kObjectPanelWidth - 4, height, 0xAAAAAA);
  int cx = px + (kObjectPanelWidth - 4) / 2;
  // Move: four arrows around a centre.
  int my = box.y + 27;
  canvas.DrawLine(cx - 10, my, cx + 11, my, 0x555555);
  canvas.DrawLine(cx, my - 10, cx, my + 11, 0x555555);
  for (int k = 1; k <= 3; ++k) {
    canvas.DrawLine(cx - 10 + k, my - k, cx - 10 + k, my + k + 1, 0x555555);
    canvas.DrawLine(cx + 10 - k, my - k, cx + 10 - k, my + k + 1, 0x555555);
    canvas.DrawLine(cx - k, my - 10 + k, cx + k + 1, my - 10 + k, 0x555555);
    canvas.DrawLine(cx - k, my + 10 - k, cx + k + 1, my + 10 - k, 0x555555);
  }
  int row = 0;
  for (const ObjectToolIcon* icon = selectedObject_->GetToolIcons(); icon; icon = icon->next, ++row) {
    int top = box.y + 45 + row * kObjectPanelRow;
    canvas.DrawLine(px + 4, top, px + kObjectPanelWidth - 8, top, 0xDDDDDD);
    int iy = top + kObjectPanelRow / 2;
    switch (icon->code) {
      case 2:  // remove: a red cross
        for (int d = -7; d <= 7; ++d) {
          canvas.FillBox(cx + d, iy + d, 2, 2, RgbColour(0xCC, 0x22, 0x22));
          canvas.FillBox(cx + d, iy - d, 2, 2, RgbColour(0xCC, 0x22, 0x22));
        }
        break;
      case 5:  // delete the comment: a bin
        canvas.FrameBox(cx - 6, iy - 5, 13, 14, RgbColour(0xAA, 0x22, 0x22));
        canvas.DrawLine(cx - 8, iy - 7, cx + 9, iy - 7, RgbColour(0xAA, 0x22, 0x22));
        for (int k = -3; k <= 3; k += 3) canvas.DrawLine(cx + k, iy - 3, cx + k, iy + 7, RgbColour(0xAA, 0x22, 0x22));
        break;
      case 1: {  // a chart's data range: a small grid with a marked block
        const Colour grid = 0x555555, mark = RgbColour(0x33, 0x77, 0xDD);
        canvas.FillBox(cx - 3, iy - 4, 11, 9, RgbColour(0xCC, 0xDD, 0xF5));
        for (int k = 0; k <= 3; ++k) {
          canvas.DrawLine(cx - 9, iy - 8 + 4 * k + (k == 3 ? 1 : 0), cx + 10, iy - 8 + 4 * k + (k == 3 ? 1 : 0), grid);
        }
        for (int k = 0; k <= 3; ++k) canvas.DrawLine(cx - 9 + 6 * k, iy - 8, cx - 9 + 6 * k, iy + 6, grid);
        canvas.FrameBox(cx - 4, iy - 5, 13, 11, mark);
        canvas.FrameBox(cx - 3, iy - 4, 11, 9, mark);
        break;
      }
      case 3:  // a chart's title: a bold bar over a small chart
        canvas.FrameBox(cx - 8, iy - 8, 17, 17, 0x555555);
        canvas.FillBox(cx - 5, iy - 5, 11, 3, 0x222222);
        canvas.FillBox(cx - 5, iy + 3, 2, 3, RgbColour(0x33, 0x77, 0xDD));
        canvas.FillBox(cx - 1, iy + 1, 2, 5, RgbColour(0x33, 0x77, 0xDD));
        canvas.FillBox(cx + 3, iy - 1, 2, 7, RgbColour(0x33, 0x77, 0xDD));
        break;
      case 4:  // a chart's legend: coloured marks with their lines of text
        canvas.FrameBox(cx - 8, iy - 8, 17, 17, 0x555555);
        for (int k = 0; k < 3; ++k) {
          const Colour colours[] = {RgbColour(0x33, 0x77, 0xDD), RgbColour(0xEE, 0x88, 0x22), RgbColour(0x99, 0x99, 0x99)};
          canvas.FillBox(cx - 5, iy - 5 + 4 * k, 3, 3, colours[k]);
          canvas.DrawLine(cx - 1, iy - 4 + 4 * k, cx + 6, iy - 4 + 4 * k, 0x555555);
        }
        break;
      default:  // the object's own actions: a numbered box
        canvas.FrameBox(cx - 8, iy - 8, 17, 17, 0x555555);
        canvas.SetFont(*HeaderFont()->platformFont);
        canvas.SetTextColour(0x555555);
        canvas.SetDrawMode(DrawMode::TransparentText);
        DrawTextAligned(canvas, cx - 8, iy - 8, 17, 17, Utf8ToUtf16(IntegerText(icon->code)), HorizontalAlign::Center,
                        VerticalAlign::Middle);
        break;
    }
  }
  canvas.ClearClip();
}

double SheetGadget::ScrollTotal(bool rows) const {
  // The highest row and column the sheet holds stand for its used size: cheap
  // to ask on every scroll, however many cells the sheet has.
  if (rows) return std::max<double>(sheet_->GetMaxRow(), static_cast<double>(firstRow_) + visibleRows_) + 5;
  return std::max<double>(sheet_->GetMaxColumn(), static_cast<double>(firstColumn_) + visibleColumns_) + 5;
}

void SheetGadget::DrawScrollIndicators(Canvas& canvas) {
  const int s = ScrollbarWidth();
  {
    int start = kHeaderHeight + frozenHeight_;
    int track = canvasHeight_ - s - start;
    double total = ScrollTotal(true);
    if (track > 0) {
      int y = start + static_cast<int>(std::lround(track * (firstRow_ - 1) / total));
      int h = std::max(3, static_cast<int>(std::lround(track * visibleRows_ / total)));
      canvas.FillBox(canvasWidth_ - s, y, s - 1, h, kScrollThumb);
      canvas.FillBox(canvasWidth_ - s + 1, y + 1, s - 3, h - 2, kScrollThumbInner);
    }
  }
  {
    int start = rowHeaderWidth_ + frozenWidth_;
    int track = canvasWidth_ - s - start;
    double total = ScrollTotal(false);
    if (track > 0) {
      int x = start + static_cast<int>(std::lround(track * firstColumn_ / total));
      int w = std::max(3, static_cast<int>(std::lround(track * visibleColumns_ / total)));
      canvas.FillBox(x, canvasHeight_ - s, w, s - 1, kScrollThumb);
      canvas.FillBox(x + 1, canvasHeight_ - s + 1, w - 2, s - 3, kScrollThumbInner);
    }
  }
}

void SheetGadget::DrawFilterRowNumbers(Canvas& canvas) {
  Filter* filter = sheet_->GetFilter();
  if (!filter) return;
  const AreaRange* area = filter->GetRange();
  int32_t ar = GetActiveRow(), ac = GetActiveColumn();
  if (!area || ar < area->GetFirstRow() || ar > area->GetLastRow() || ac < area->GetFirstColumn() ||
      ac > area->GetLastColumn()) {
    return;
  }
  const ColumnCache* first = FindColumnCache(area->GetFirstColumn());
  canvas.SetFont(*HeaderFont()->platformFont);
  int width = canvas.TextWidth(Utf8ToUtf16(IntegerText(area->GetLastRow())) + u"10");
  int x = first ? rowHeaderWidth_ + first->left - width : rowHeaderWidth_;
  bool atStart = area->GetFirstColumn() == firstColumn_ || !first;
  if (atStart) x = 0;
  int32_t from = std::max(area->GetFirstRow(), firstRow_);
  const RowCache* top = FindRowCache(from);
  if (!top) return;
  const RowCache* last = FindRowCache(area->GetLastRow());
  int bottom = last ? last->bottom : rowCache_.back().bottom;
  int y = kHeaderHeight + top->top;
  int h = kHeaderHeight + bottom - y;
  canvas.SetClip(0, kHeaderHeight, canvasWidth_, canvasHeight_ - kHeaderHeight);
  if (atStart) {
    canvas.FillBox(x, y, width, h, kHeaderBackground);
  } else {
    canvas.BlendBox(x, y, width, h, kHeaderLine, 160);
  }
  canvas.FrameBox(x, y, width, h, kHeaderLine);
  canvas.SetDrawMode(DrawMode::TransparentText);
  canvas.SetTextColour(kBlack);
  for (int32_t r = from; r <= area->GetLastRow(); ++r) {
    const RowCache* e = FindRowCache(r);
    if (!e) break;
    int ry = kHeaderHeight + e->top;
    int32_t shown = filter->GetSourceRow(r);
    if (e->bottom > e->top && shown > 0) {
      DrawTextAligned(canvas, x, ry, width, e->bottom - e->top, Utf8ToUtf16(IntegerText(shown)), HorizontalAlign::Center,
                      VerticalAlign::Middle);
    }
    canvas.DrawLine(x, kHeaderHeight + e->bottom, x + width, kHeaderHeight + e->bottom, kHeaderLine);
  }
  canvas.ClearClip();
}

void SheetGadget::Refresh() {
  if (!sheet_ || cellLayer_.IsEmpty()) return;
  ForgetRemovedObject();
  PaintPendingBands();
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  c.SetDrawMode(DrawMode::Opaque);
  c.DrawImage(rowHeaderLayer_, 0, 0);
  c.DrawImage(columnHeaderLayer_, 0, 0);
  c.DrawImage(cellLayer_, rowHeaderWidth_, kCellTop);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(kBlack);
  c.SetFont(*HeaderFont()->platformFont);

  DrawFilterRowNumbers(c);
  if (selectedObject_ && selectedObject_->GetRanges()) {
    int index = 0;
    for (const auto& range : *selectedObject_->GetRanges()) DrawRangeFrame(c, *range, RainbowColor(index++), 2);
  } else if (selection_) {
    // An edit of a cell of another sheet shows in the formula bar, not here.
    if (editing_ && !editHome_) DrawEditor(c);
    DrawRangeFrame(c, *selection_, kSelectionColour, 0);
  }
  if (const AreaRange* copied = container_.GetCopiedRange(); copied && copied->GetSheet() == sheet_) {
    DrawRangeFrame(c, *copied, kBlack, 1);
  }
  if (Filter* filter = sheet_->GetFilter(); filter && filter->GetRange()) DrawRangeFrame(c, *filter->GetRange(), kFilterColour, 2);
  if (Row* row = sheet_->FindRow(GetActiveRow())) {
    if (Cell* active = row->FindCell(GetActiveColumn())) {
      int index = 0;
      for (const auto& range : active->GetReferenceRanges()) DrawRangeFrame(c, *range, RainbowColor(index++), 2);
    }
  }
  for (size_t k = 0; k < awayOutlines_.size(); ++k) {
    DrawRangeFrame(c, *awayOutlines_[k], RainbowColor(static_cast<int>(k)), 2);
  }
  if (!objectLayerBlank_) {
    c.SetDrawMode(DrawMode::AlphaBlend);
    c.DrawImage(objectLayer_, rowHeaderWidth_ + 1, kCellTop);
    c.SetDrawMode(DrawMode::TransparentText);
  }
  DrawSelectedObject(c);
  DrawScrollIndicators(c);
  // The edge the pointer may drag, in the header.
  if (pendingEdge_ >= 0 && pending_ == Pending::ResizeRow) {
    c.FillBox(0, pendingEdge_ - 1, rowHeaderWidth_, 3, kSelectionColour);
  } else if (pendingEdge_ >= 0 && pending_ == Pending::ResizeColumn) {
    c.FillBox(pendingEdge_ - 1, 0, 3, kHeaderHeight, kSelectionColour);
  }
  if (mouseMode_ >= kMouseFillBrushArmed && mouseMode_ <= kMouseTextBrushPainting) {
    int x = canvasWidth_ - 151;
    c.FillBox(x, kCellTop, 150, 50, kWhite);
    c.FrameBox(x, kCellTop, 150, 50, 0xAAAAAA);
    c.SetTextColour(kBlack);
    c.DrawText(canvasWidth_ - 100, 35, u"Stop");
  }
  if (summaryDue_ && container_.GetActiveView() == this) SummariseSelection();
}

// ---------------------------------------------------------------- selection state

int32_t SheetGadget::GetActiveRow() const { return selection_ ? std::max(selection_->GetFirstRow(), 1) : 1; }
int32_t SheetGadget::GetActiveColumn() const { return selection_ ? std::max(selection_->GetFirstColumn(), 0) : 0; }

Cell* SheetGadget::GetActiveCell() const { return sheet_ ? sheet_->GetCell(GetActiveRow(), GetActiveColumn()) : nullptr; }

void SheetGadget::SetSelection(std::unique_ptr<AreaRange> range) {
  if (!range) return;
  // The top-left cell of a merged area stands for the whole area.
  if (sheet_ && range->GetCellCount() == 1 && range->GetFirstRow() > 0 && range->GetFirstColumn() >= 0) {
    if (Row* row = sheet_->FindRow(range->GetFirstRow())) {
      Cell* cell = row->FindCell(range->GetFirstColumn());
      if (cell && (cell->GetColumnSpan() > 1 || cell->GetRowSpan() > 1)) {
        range = std::make_unique<AreaRange>(range->GetFirstColumn(), range->GetFirstRow(),
                                            range->GetFirstColumn() + cell->GetColumnSpan() - 1,
                                            range->GetFirstRow() + cell->GetRowSpan() - 1, sheet_);
      }
    }
  }
  selection_ = std::move(range);
  summaryDue_ = true;
  if (!sheet_) return;
  sheet_->SetSelection(selection_->Copy());
  if (Toolbar* toolbar = container_.GetToolbar()) {
    // An empty cell shows the sheet's font, so the boxes never keep the last cell's.
    const StyleRecord* style = sheet_->GetStyle() ? sheet_->GetStyle() : GetDefaultStyle();
    if (Row* row = sheet_->FindRow(GetActiveRow())) {
      if (Cell* cell = row->FindCell(GetActiveColumn())) style = cell->GetStyle();
    }
    toolbar->ShowFont(style->font->face, style->font->size);
  }
}

void SheetGadget::SelectAll() {
  SetSelection(std::make_unique<AreaRange>(-1, -1, -1, -1, sheet_));
  Refresh();
}

void SheetGadget::ForgetRemovedObject() {
  if (!selectedObject_) return;
  if (sheet_) {
    sheet_->ResetObjects(1);
    while (SheetAnchor* a = sheet_->NextObject()) {
      if (a == selectedObject_) return;
    }
  }
  selectedObject_ = nullptr;
  objectHitKind_ = 0;
  movingObject_ = false;
}

ObjectAnchor* SheetGadget::GetSelectedObject() {
  ForgetRemovedObject();
  return selectedObject_;
}

void SheetGadget::SetSelectedObject(ObjectAnchor* object) {
  ForgetRemovedObject();
  if (selectedObject_ && selectedObject_ != object) selectedObject_->Deselect();
  selectedObject_ = object;
  if (!object) objectHitKind_ = 0;
}

void SheetGadget::SetFrozenRange(std::optional<FrozenRange> frozen) {
  // Released panes scroll back to where the frozen part began.
  if (frozen_ && !frozen) {
    firstColumn_ = frozen_->firstColumn;
    firstRow_ = frozen_->firstRow;
  }
  frozen_ = frozen;
  if (!frozen_) {
    frozenWidth_ = frozenHeight_ = 0;
  }
  // The sheet keeps its panes, for the next time it is shown and for its file.
  if (sheet_) {
    Sheet::FrozenPanes panes;
    if (frozen_) panes = {frozen_->firstColumn, frozen_->firstRow, frozen_->scrollColumn, frozen_->scrollRow};
    sheet_->SetFrozenPanes(panes);
  }
  Redraw(true);
}

void SheetGadget::ToggleCaret() {
  if (!editing_) return;
  caretOn_ = !caretOn_;
  Refresh();
}

void SheetGadget::StartFormatPainter() {
  Cell* cell = GetActiveCell();
  painterStyle_ = cell ? cell->GetStyle() : GetDefaultStyle();
  mouseMode_ = kMouseFormatPainter;
}

void SheetGadget::StartBrush(bool fill, Colour colour) {
  brushColour_ = colour;
  mouseMode_ = fill ? kMouseFillBrushArmed : kMouseTextBrushArmed;
  Refresh();
}

void SheetGadget::StartRangePick(RangePickCallback callback, void* data) {
  SetSelectedObject(nullptr);
  pickCallback_ = callback;
  pickData_ = data;
  pickInProgress_ = false;
}

void SheetGadget::CancelRangePick() {
  RangePickCallback callback = pickCallback_;
  void* data = pickData_;
  pickCallback_ = nullptr;
  pickData_ = nullptr;
  pickInProgress_ = false;
  if (callback) callback(data, nullptr, kPickCancelled);
}

void SheetGadget::TellListeners(int phase) {
  // A listener may remove itself (or others) when told.
  std::vector<Listener> listeners = listeners_;
  for (const Listener& l : listeners) {
    bool still = std::any_of(listeners_.begin(), listeners_.end(), [&](const Listener& x) { return x.data == l.data; });
    if (still) l.callback(l.data, phase);
  }
}

void SheetGadget::AddChangeListener(void* data, ChangeListener callback) {
  for (const Listener& l : listeners_) {
    if (l.data == data) return;
  }
  listeners_.insert(listeners_.begin(), Listener{data, callback});
}

void SheetGadget::RemoveChangeListener(void* data) {
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [&](const Listener& l) { return l.data == data; }),
                   listeners_.end());
}

}  // namespace quadrell
