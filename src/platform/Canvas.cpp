#include "platform/Canvas.h"

#include <utility>

namespace quadrell {

namespace {
std::function<std::unique_ptr<Canvas>(Bitmap&)>& Factory() {
  static std::function<std::unique_ptr<Canvas>(Bitmap&)> factory;
  return factory;
}
}  // namespace

std::unique_ptr<Canvas> OpenBitmapCanvas(Bitmap& image) {
  auto& factory = Factory();
  return factory ? factory(image) : nullptr;
}

void SetBitmapCanvasFactory(std::function<std::unique_ptr<Canvas>(Bitmap&)> factory) {
  Factory() = std::move(factory);
}

}  // namespace quadrell
