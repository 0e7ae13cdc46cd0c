#include "shell/DocumentContainer.h"

#include "shell/Application.h"

namespace quadrell {

DocumentContainer::DocumentContainer(Application& application)
    : application_(application),
      toolbar_(std::make_unique<ToolbarGadget>(application_, application_.GetWindow(), kKindTextDocument)) {}

void DocumentContainer::Resize(int width, int height) {
  int toolbarHeight = toolbar_->Layout(width);
  viewPlace_ = Rect{0, toolbarHeight, width, height - toolbarHeight};
}

}  // namespace quadrell
