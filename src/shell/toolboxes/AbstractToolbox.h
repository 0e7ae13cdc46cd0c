#pragma once
// The common part of the panels docked at a sheet window's right edge: a
// canvas of a fixed width placed by the window, painted by the panel.
#include <memory>

#include "platform/Controls.h"
#include "shell/Container.h"

namespace quadrell {

class Application;

class AbstractToolbox : public Toolbox, protected CanvasEvents {
 public:
  static constexpr int kDefaultWidth = 200;
  ~AbstractToolbox() override;
  int GetWidth() const override { return width_; }
  // The canvas is placed and sized; the panel repaints.
  void Resize(int x, int y, int width, int height) override;
  CanvasControl& GetCanvas() const { return *canvas_; }

 protected:
  explicit AbstractToolbox(Application& application, int width = kDefaultWidth);
  // Undocks the toolbox once the event at hand is handled, which frees it.
  void CloseSoon();

  Application& application_;
  std::unique_ptr<CanvasControl> canvas_;
  int width_;
  int height_ = 0;
};

}  // namespace quadrell
