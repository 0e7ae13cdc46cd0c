#pragma once
// Pins an object to a sheet: its top-left corner is a cell plus a pixel
// offset, its bottom-right corner follows from the object's size. Positions
// are cells, so objects follow rows and columns that change or move.
#include <cstdint>
#include <memory>

#include "object/Object.h"
#include "platform/Bitmap.h"

namespace quadrell {

class Canvas;

// Where a view shows sheet positions: the pixel position of a position's
// point on the view's object drawing.
class AnchorPlacement {
 public:
  virtual ~AnchorPlacement() = default;
  virtual int32_t AnchorToX(const SheetPosition& position) const = 0;
  virtual int32_t AnchorToY(const SheetPosition& position) const = 0;
};

class ObjectAnchor final : public SheetAnchor {
 public:
  // At the right edge of the cell, at the top of its row, with the object's size.
  ObjectAnchor(Sheet* sheet, Cell* cell, std::unique_ptr<Object> object);
  // At the offsets from the cell's top-left corner (pictures read from files).
  ObjectAnchor(Sheet* sheet, Cell* cell, std::unique_ptr<Object> object, int32_t dx, int32_t dy);

  // Draws the object's image at the view's position of the top-left corner, at
  // the anchored size (a picture shown at another size is scaled once per size).
  void DrawAnchored(Canvas& canvas, const AnchorPlacement& view);
  // Keeps the size: at the sheet's top and left edges both corners stop together.
  void MoveBy(int32_t dx, int32_t dy);
  int32_t GetKind() const override { return object_->GetKind(); }
  Object* GetObject() const override { return object_.get(); }
  void ResizeBy(int32_t dw, int32_t dh);
  void KeyChar(char16_t character) { object_->KeyChar(character); }
  void KeyDown(int32_t key) { object_->KeyDown(key); }
  void DragPart(int32_t dx, int32_t dy) { object_->DragPart(dx, dy); }
  void Deselect() { object_->Deselect(); }
  const ObjectToolIcon* GetToolIcons() const { return object_->GetToolIcons(); }
  void UpdatePosition() override;
  const SheetPosition& GetTopLeft() const override { return topLeft_; }
  const SheetPosition& GetBottomRight() const override { return bottomRight_; }
  // True when the sheet point lies inside the corners, edges included.
  bool HitTest(int32_t column, int32_t row, int32_t x, int32_t y) const;
  // Hands the press to the object in its own pixel coordinates.
  int32_t PressAt(int32_t column, int32_t row, int32_t x, int32_t y);
  const std::vector<std::unique_ptr<Range>>* GetRanges() const { return object_->GetRanges(); }

  // Where and how large the object is, to put it back there (undo).
  struct Placement {
    SheetPosition topLeft;
    SheetPosition bottomRight;
    int32_t width = 0;
    int32_t height = 0;
  };
  Placement GetPlacement() const { return {topLeft_, bottomRight_, width_, height_}; }
  void SetPlacement(const Placement& placement);

  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  Sheet* GetSheet() const { return sheet_; }

 private:
  std::unique_ptr<Object> object_;
  int32_t width_;
  int32_t height_;
  SheetPosition topLeft_;
  SheetPosition bottomRight_;
  Sheet* sheet_;
  Bitmap scaled_;  // the image at the anchored size, when that differs from the image's
  const Bitmap* scaledFrom_ = nullptr;
};

// The image scaled to the size by averaging the source pixels each target pixel covers.
Bitmap ScaleBitmap(const Bitmap& source, int width, int height);

struct PositionDelta {
  int32_t x = 0;
  int32_t y = 0;
};

// Adds the delta to the offsets, then steps over columns and rows until the
// offsets lie inside the cell. At column A and row 1 the position stops, and
// the delta is reduced by what could not be moved.
void NormalizePosition(SheetPosition& position, PositionDelta& delta, Sheet* sheet);

}  // namespace quadrell
