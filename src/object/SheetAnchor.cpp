#include "object/SheetAnchor.h"

#include <algorithm>

#include "loadsave/XlsxCommon.h"
#include "model/Cell.h"
#include "model/Sheet.h"
#include "object/LineChart.h"
#include "platform/Canvas.h"

namespace quadrell {

namespace {

// The grid ends somewhere: positions never step past the last addressable
// row or column, however far an offset reaches or how many of them are hidden.
constexpr int32_t kLastColumn = static_cast<int32_t>(kXlsxMaxColumns - 1);
constexpr int32_t kLastRow = static_cast<int32_t>(kXlsxMaxRows);

}  // namespace

void NormalizePosition(SheetPosition& p, PositionDelta& delta, Sheet* sheet) {
  p.x += delta.x;
  p.y += delta.y;
  int32_t column = p.cell->GetColumnIndex();
  int32_t row = p.cell->GetRowIndex();
  while (p.x > sheet->GetColumnWidth(column) && column < kLastColumn) p.x -= sheet->GetColumnWidth(column++);
  if (p.x > sheet->GetColumnWidth(column)) p.x = sheet->GetColumnWidth(column);
  while (p.x < 0) {
    if (column == 0) {
      delta.x -= p.x;
      p.x = 0;
    } else {
      p.x += sheet->GetColumnWidth(--column);
    }
  }
  while (p.y > sheet->GetRowHeight(row) && row < kLastRow) p.y -= sheet->GetRowHeight(row++);
  if (p.y > sheet->GetRowHeight(row)) p.y = sheet->GetRowHeight(row);
  while (p.y < 0) {
    if (row == 1) {
      delta.y -= p.y;
      p.y = 0;
    } else {
      p.y += sheet->GetRowHeight(--row);
    }
  }
  if (column != p.cell->GetColumnIndex() || row != p.cell->GetRowIndex()) p.cell = sheet->GetCellDirect(row, column);
}

ObjectAnchor::ObjectAnchor(Sheet* sheet, Cell* cell, std::unique_ptr<Object> object)
    : ObjectAnchor(sheet, cell, std::move(object), sheet->GetColumnWidth(cell->GetColumnIndex()), 0) {}

ObjectAnchor::ObjectAnchor(Sheet* sheet, Cell* cell, std::unique_ptr<Object> object, int32_t dx, int32_t dy)
    : object_(std::move(object)), sheet_(sheet) {
  width_ = object_->GetObjectWidth();
  height_ = object_->GetObjectHeight();
  topLeft_ = {cell, 0, 0};
  PositionDelta move{dx, dy};
  NormalizePosition(topLeft_, move, sheet_);
  UpdatePosition();
}

void ObjectAnchor::UpdatePosition() {
  bottomRight_ = topLeft_;
  PositionDelta size{width_, height_};
  NormalizePosition(bottomRight_, size, sheet_);
}

void ObjectAnchor::MoveBy(int32_t dx, int32_t dy) {
  PositionDelta delta{dx, dy};
  NormalizePosition(topLeft_, delta, sheet_);
  NormalizePosition(bottomRight_, delta, sheet_);
}

void ObjectAnchor::ResizeBy(int32_t dw, int32_t dh) {
  if (object_->GetKind() == kObjectChart) {
    // A chart keeps a size it can be drawn at.
    dw = std::clamp(width_ + dw, LineChart::kMinWidth, LineChart::kMaxSide) - width_;
    dh = std::clamp(height_ + dh, LineChart::kMinHeight, LineChart::kMaxSide) - height_;
  }
  if (width_ + dw >= 1) width_ += dw;
  else dw = 0;
  if (height_ + dh >= 1) height_ += dh;
  else dh = 0;
  object_->SetSize(width_, height_);
  if (width_ < 1) {
    dw += 1 - width_;
    width_ = 1;
  }
  if (height_ < 1) {
    dh += 1 - height_;
    height_ = 1;
  }
  PositionDelta delta{dw, dh};
  NormalizePosition(bottomRight_, delta, sheet_);
}

bool ObjectAnchor::HitTest(int32_t column, int32_t row, int32_t x, int32_t y) const {
  auto notBefore = [](int32_t a, int32_t aOffset, int32_t b, int32_t bOffset) {
    return a > b || (a == b && aOffset >= bOffset);
  };
  const SheetPosition& tl = topLeft_;
  const SheetPosition& br = bottomRight_;
  return notBefore(column, x, tl.cell->GetColumnIndex(), tl.x) && notBefore(row, y, tl.cell->GetRowIndex(), tl.y) &&
         notBefore(br.cell->GetColumnIndex(), br.x, column, x) && notBefore(br.cell->GetRowIndex(), br.y, row, y);
}

void ObjectAnchor::SetPlacement(const Placement& placement) {
  topLeft_ = placement.topLeft;
  bottomRight_ = placement.bottomRight;
  if (placement.width != width_ || placement.height != height_) {
    width_ = placement.width;
    height_ = placement.height;
    object_->SetSize(width_, height_);
  }
}

void ObjectAnchor::DrawAnchored(Canvas& canvas, const AnchorPlacement& view) {
  Bitmap* image = object_->GetImage();
  if (!image || image->IsEmpty()) return;
  int x = view.AnchorToX(topLeft_);
  int y = view.AnchorToY(topLeft_);
  if (image->Width() == width_ && image->Height() == height_) {
    canvas.DrawImage(*image, x, y);
    return;
  }
  if (scaledFrom_ != image || scaled_.Width() != width_ || scaled_.Height() != height_) {
    scaled_ = ScaleBitmap(*image, width_, height_);
    scaledFrom_ = image;
  }
  canvas.DrawImage(scaled_, x, y);
}

Bitmap ScaleBitmap(const Bitmap& source, int width, int height) {
  Bitmap out(width, height);
  if (out.IsEmpty() || source.IsEmpty()) return out;
  const int sw = source.Width(), sh = source.Height();
  const uint32_t* in = source.Pixels();
  uint32_t* target = out.Pixels();
  for (int ty = 0; ty < height; ++ty) {
    int y0 = static_cast<int>(static_cast<int64_t>(ty) * sh / height);
    int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(ty + 1) * sh / height));
    for (int tx = 0; tx < width; ++tx) {
      int x0 = static_cast<int>(static_cast<int64_t>(tx) * sw / width);
      int x1 = std::max(x0 + 1, static_cast<int>(static_cast<int64_t>(tx + 1) * sw / width));
      uint64_t sum[4] = {0, 0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        for (int sx = x0; sx < x1; ++sx) {
          uint32_t p = in[static_cast<size_t>(sy) * sw + sx];
          for (int k = 0; k < 4; ++k) sum[k] += (p >> (8 * k)) & 0xFF;
        }
      }
      uint64_t n = static_cast<uint64_t>(y1 - y0) * static_cast<uint64_t>(x1 - x0);
      uint32_t p = 0;
      for (int k = 0; k < 4; ++k) p |= static_cast<uint32_t>((sum[k] + n / 2) / n) << (8 * k);
      target[static_cast<size_t>(ty) * width + tx] = p;
    }
  }
  return out;
}

int32_t ObjectAnchor::PressAt(int32_t column, int32_t row, int32_t x, int32_t y) {
  int32_t px = x - topLeft_.x;
  for (int32_t c = topLeft_.cell->GetColumnIndex(); c < column; ++c) px += sheet_->GetColumnWidth(c);
  int32_t py = y - topLeft_.y;
  for (int32_t r = topLeft_.cell->GetRowIndex(); r < row; ++r) py += sheet_->GetRowHeight(r);
  return object_->MouseDown(px, py);
}

}  // namespace quadrell
