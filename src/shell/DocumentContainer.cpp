#include "shell/DocumentContainer.h"

namespace quadrell {

void DocumentContainer::Resize(int width, int height) {
  // The toolbar reports its height once it is laid out across the width.
  int toolbarHeight = 20;
  viewPlace_ = Rect{0, toolbarHeight, width, height - toolbarHeight};
}

}  // namespace quadrell
