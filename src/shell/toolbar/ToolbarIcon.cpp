#include "shell/toolbar/ToolbarIcon.h"

#include <map>
#include <optional>
#include <string>

#include "context/EmbeddedResources.h"
#include "object/Image.h"
#include "object/ImageCodec.h"

namespace quadrell {

namespace {

std::optional<Bitmap> Decode(const std::string& name) {
  std::string_view bytes = GetEmbeddedResource(name);
  if (bytes.empty()) return std::nullopt;
  std::optional<PixelImage> pixels = DecodePng(bytes);
  if (!pixels) return std::nullopt;
  return ToBitmap(*pixels);
}

int PictureOf(int id) {
  // The dropdown controls share one picture.
  if (id == 30 || id == 31 || id == 37) return 29;
  return id;
}

const Bitmap& Fallback() {
  static const Bitmap* fallback = [] {
    std::optional<Bitmap> image = Decode("toolbarFallback.png");
    return new Bitmap(image ? *image : Bitmap(16, 16));
  }();
  return *fallback;
}

std::map<int, std::optional<Bitmap>>& Cache() {
  static auto* cache = new std::map<int, std::optional<Bitmap>>();
  return *cache;
}

const std::optional<Bitmap>& Own(int id) {
  int picture = PictureOf(id);
  auto found = Cache().find(picture);
  if (found != Cache().end()) return found->second;
  return Cache().emplace(picture, Decode("toolbar" + std::to_string(picture) + ".png")).first->second;
}

}  // namespace

const Bitmap& ToolbarIcon(int id) {
  const std::optional<Bitmap>& own = Own(id);
  return own ? *own : Fallback();
}

bool HasToolbarIcon(int id) { return Own(id).has_value(); }

const Bitmap& ToolbarStartPicture(int kind) {
  static const Bitmap* pictures[2] = {nullptr, nullptr};
  int k = kind == 0 ? 0 : 1;
  if (!pictures[k]) {
    std::optional<Bitmap> image = Decode(k == 0 ? "toolbarStartText.png" : "toolbarStartSheet.png");
    pictures[k] = new Bitmap(image ? *image : Bitmap(60, 20));
  }
  return *pictures[k];
}

}  // namespace quadrell
