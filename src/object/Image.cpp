#include "object/Image.h"

#include <cmath>

#include "platform/Files.h"
#include "value/Unicode.h"

namespace quadrell {

Image::Image(std::string bytes, PixelImage pixels, int32_t width, int32_t height, std::u16string fileName)
    : Image(std::make_shared<const PictureData>(std::move(bytes), std::move(pixels)), width, height,
            std::move(fileName)) {}

Image::Image(std::shared_ptr<const PictureData> picture, int32_t width, int32_t height, std::u16string fileName)
    : picture_(std::move(picture)), width_(width), height_(height), fileName_(std::move(fileName)) {}

const PixelImage& PictureData::Pixels() const {
  if (!decoded_) {
    decoded_ = true;
    if (std::optional<PixelImage> pixels = DecodeImage(bytes_)) pixels_ = std::move(*pixels);
  }
  return pixels_;
}

std::shared_ptr<const PictureData> PictureFromBytes(std::string bytes) {
  switch (SniffImageKind(bytes)) {
    case ImageFileKind::Png:
    case ImageFileKind::Jpeg:
    case ImageFileKind::Tiff: return std::make_shared<const PictureData>(std::move(bytes));
    default: return nullptr;
  }
}

Bitmap* Image::GetImage() {
  if (!bitmap_) bitmap_ = std::make_unique<Bitmap>(ToBitmap(picture_->Pixels()));
  return bitmap_.get();
}

Bitmap ToBitmap(const PixelImage& pixels) {
  Bitmap bitmap(pixels.width, pixels.height);
  if (bitmap.Width() != pixels.width || bitmap.Height() != pixels.height) return bitmap;
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x) {
      const uint8_t* p = pixels.Pixel(x, y);
      bitmap.SetPixel(x, y, RgbColour(p[0], p[1], p[2]), p[3]);
    }
  return bitmap;
}

void Image::AddEventHandler(int32_t event, void* userData, ObjectEventCallback callback) {
  for (auto& [number, handler] : handlers_) {
    if (number == event) {
      handler = {userData, callback};
      return;
    }
  }
  handlers_.push_back({event, {userData, callback}});
}

void Image::FireEvent(int32_t event, void* argument) {
  for (auto& [number, handler] : handlers_)
    if (number == event && handler.callback) handler.callback(handler.userData, argument);
}

std::string Image::DefaultExtension() const {
  switch (SniffImageKind(picture_->Bytes())) {
    case ImageFileKind::Jpeg: return "jpeg";
    case ImageFileKind::Tiff: return "tiff";
    case ImageFileKind::Gif: return "gif";
    case ImageFileKind::Bmp: return "bmp";
    default: return "png";
  }
}

std::unique_ptr<Image> ImageFromMemory(std::string bytes, int32_t width, int32_t height, std::u16string name) {
  std::optional<PixelImage> pixels = DecodeImage(bytes);
  if (!pixels) return nullptr;
  return std::make_unique<Image>(std::move(bytes), std::move(*pixels), width, height, std::move(name));
}

std::unique_ptr<Image> LoadImageFile(const std::string& path, int32_t availableWidth, int32_t availableHeight) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return nullptr;
  std::optional<PixelImage> pixels = DecodeImage(*bytes);
  if (!pixels) return nullptr;
  double width = pixels->width, height = pixels->height;
  if (width > availableWidth || height > availableHeight) {
    double ratio = std::min(availableWidth / width, availableHeight / height);
    if (ratio > 0) {
      width = std::round(width * ratio);
      height = std::round(height * ratio);
    }
  }
  size_t slash = path.rfind('/');
  std::u16string name = Utf8ToUtf16(slash == std::string::npos ? path : path.substr(slash + 1));
  return std::make_unique<Image>(std::move(*bytes), std::move(*pixels), static_cast<int32_t>(std::max(1.0, width)),
                                 static_cast<int32_t>(std::max(1.0, height)), std::move(name));
}

}  // namespace quadrell
