#pragma once
// Objects that float above the grid (images, comments, charts), and the
// anchor that pins one to a cell of a sheet. Interfaces only: the object
// classes implement them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quadrell {

class Cell;
class CommentRecord;
class Bitmap;  // the platform image an object draws itself into
class Range;
class Sheet;

enum ObjectKind : int32_t { kObjectImage = 0, kObjectComment = 1, kObjectChart = 2 };

// Interaction codes of MouseDown, QueryPoint and BeginTextEdit.
enum ObjectInteraction : int32_t { kObjectHandled = 0, kObjectGrab = 2, kObjectTextEntry = 3, kObjectChartPart = 5 };

using ObjectEventCallback = void (*)(void* userData, void* argument);
class Object;
using ObjectToolAction = void (*)(Object* object);

// One glyph of the tool panel beside a selected object.
struct ObjectToolIcon {
  int32_t code = 0;
  ObjectToolAction action = nullptr;  // null for the codes the view handles itself (2, 5)
  const ObjectToolIcon* next = nullptr;
};

class Object {
 public:
  virtual Bitmap* GetImage() = 0;
  virtual int32_t GetKind() const = 0;
  virtual int32_t GetObjectWidth() const = 0;
  virtual int32_t GetObjectHeight() const = 0;
  virtual void SetSize(int32_t width, int32_t height) = 0;
  virtual int32_t MouseDown(int32_t x, int32_t y) = 0;
  virtual int32_t QueryPoint(int32_t x, int32_t y) = 0;
  virtual int32_t BeginTextEdit(int32_t x, int32_t y) = 0;
  virtual void KeyChar(char16_t character) = 0;
  virtual void KeyDown(int32_t key) = 0;
  virtual void DragPart(int32_t dx, int32_t dy) = 0;
  virtual void AddEventHandler(int32_t event, void* userData, ObjectEventCallback callback) = 0;
  virtual void FireEvent(int32_t event, void* argument) = 0;
  // The ranges the grid view marks while the object is selected, or null.
  virtual const std::vector<std::unique_ptr<Range>>* GetRanges() const = 0;
  virtual int32_t Deselect() = 0;
  virtual const ObjectToolIcon* GetToolIcons() const = 0;
  // FreeObject: releases the image and everything the object owns.
  virtual ~Object() = default;
};

// A point of the sheet: a cell plus a pixel offset from its top-left corner.
struct SheetPosition {
  Cell* cell = nullptr;
  int32_t x = 0;
  int32_t y = 0;
};

// What the sheet relies on of the anchors it keeps in drawing order. The
// anchor owns its object; destroying the anchor frees both.
class SheetAnchor {
 public:
  virtual ~SheetAnchor() = default;
  virtual int32_t GetKind() const = 0;
  virtual Object* GetObject() const = 0;
  // Recomputes the bottom-right corner after rows or columns changed.
  virtual void UpdatePosition() = 0;
  virtual const SheetPosition& GetTopLeft() const = 0;
  virtual const SheetPosition& GetBottomRight() const = 0;
};

}  // namespace quadrell
