#include "shell/toolboxes/AbstractToolbox.h"

#include "platform/Deferred.h"
#include "shell/Application.h"

namespace quadrell {

AbstractToolbox::AbstractToolbox(Application& application, int width) : application_(application), width_(width) {
  canvas_ = CreateCanvasControl(application.GetWindow(), Rect{0, 0, width, 1}, *this);
}

AbstractToolbox::~AbstractToolbox() { CancelSoon(this); }

void AbstractToolbox::Resize(int x, int y, int width, int height) {
  width_ = width;
  height_ = height;
  canvas_->SetBounds(Rect{x, y, width, height});
  Paint();
}

void AbstractToolbox::CloseSoon() {
  Application* application = &application_;
  Toolbox* self = this;
  // Not inside our own click handler: the canvas delivering it would go with us.
  RunSoon(this, [application, self] {
    std::unique_ptr<Toolbox> removed = application->RemoveToolbox(self);
  });
}

}  // namespace quadrell
