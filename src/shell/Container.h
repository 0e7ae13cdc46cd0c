#pragma once
// What a window shows: the container of its document, and the toolboxes
// docked at its right edge.
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace quadrell {

class Container {
 public:
  virtual ~Container() = default;
  // Lays the content out in the area left of the docked toolboxes.
  virtual void Resize(int width, int height) = 0;
  // The system clipboard changed.
  virtual void ClipboardChanged() = 0;
  virtual void Cut() = 0;
  virtual void Copy() = 0;
  virtual void Paste() = 0;
  // The process is dying: keep a recovery copy of the document.
  virtual void EmergencySave() = 0;
  virtual void SelectAll() = 0;

  // Beyond the shared slots, what the window asks of every container.
  // Redraws the views; full also lays them out again.
  virtual void RefreshViews(bool) {}
  // Repaints one cell in every view.
  virtual void UpdateCellInViews(int32_t, int32_t) {}
  virtual void RedrawViewsWithObjects() {}
  // The 750 ms tick: carets blink.
  virtual void BlinkCarets() {}
  // Files dropped on the window, with the drop point on the screen.
  virtual void FilesDropped(const std::vector<std::u16string>&, Point) {}
};

// A panel docked at the window's right edge, with a fixed width.
class Toolbox {
 public:
  virtual ~Toolbox() = default;
  virtual int GetWidth() const = 0;
  virtual void Resize(int x, int y, int width, int height) = 0;
  virtual void Paint() = 0;
};

}  // namespace quadrell
