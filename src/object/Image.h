#pragma once
// A picture on a sheet: the file's bytes as read (written unchanged into
// saved workbooks), its file name and the decoded pixels.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "object/ImageCodec.h"
#include "object/Object.h"
#include "platform/Bitmap.h"

namespace quadrell {

// A picture file's bytes, shared by every image that shows the same file. The
// pixels are decoded when something first draws them: a workbook converted to
// text never pays for its photos. Used from one thread at a time.
class PictureData {
 public:
  explicit PictureData(std::string bytes) : bytes_(std::move(bytes)) {}
  PictureData(std::string bytes, PixelImage pixels)
      : bytes_(std::move(bytes)), pixels_(std::move(pixels)), decoded_(true) {}

  const std::string& Bytes() const { return bytes_; }
  // Empty when the bytes do not decode after all.
  const PixelImage& Pixels() const;

 private:
  std::string bytes_;
  mutable PixelImage pixels_;
  mutable bool decoded_ = false;
};

// Null when the bytes are no picture format we can show (judged by their
// signature; decoding waits until the picture is drawn).
std::shared_ptr<const PictureData> PictureFromBytes(std::string bytes);

class Image final : public Object {
 public:
  Image(std::string bytes, PixelImage pixels, int32_t width, int32_t height, std::u16string fileName);
  Image(std::shared_ptr<const PictureData> picture, int32_t width, int32_t height, std::u16string fileName);

  // The picture as the platform draws it, made on first use.
  Bitmap* GetImage() override;
  int32_t GetKind() const override { return kObjectImage; }
  int32_t GetObjectWidth() const override { return width_; }
  int32_t GetObjectHeight() const override { return height_; }
  // The anchor keeps the displayed size; the picture's stays.
  void SetSize(int32_t, int32_t) override {}
  int32_t MouseDown(int32_t, int32_t) override { return kObjectGrab; }
  int32_t QueryPoint(int32_t, int32_t) override { return kObjectGrab; }
  int32_t BeginTextEdit(int32_t, int32_t) override { return kObjectGrab; }
  void KeyChar(char16_t) override {}
  void KeyDown(int32_t) override {}
  void DragPart(int32_t, int32_t) override {}
  void AddEventHandler(int32_t event, void* userData, ObjectEventCallback callback) override;
  void FireEvent(int32_t event, void* argument) override;
  const std::vector<std::unique_ptr<Range>>* GetRanges() const override { return nullptr; }
  int32_t Deselect() override { return 0; }
  const ObjectToolIcon* GetToolIcons() const override { return &removeIcon_; }

  const std::string& GetBytes() const { return picture_->Bytes(); }
  const std::u16string& GetFileName() const { return fileName_; }
  const PixelImage& GetPixels() const { return picture_->Pixels(); }
  // The extension the bytes' format has ("png"), for pictures whose name has none.
  std::string DefaultExtension() const;

 private:
  struct Handler {
    void* userData = nullptr;
    ObjectEventCallback callback = nullptr;
  };
  std::shared_ptr<const PictureData> picture_;
  int32_t width_;
  int32_t height_;
  std::u16string fileName_;
  std::unique_ptr<Bitmap> bitmap_;
  std::vector<std::pair<int32_t, Handler>> handlers_;
  ObjectToolIcon removeIcon_{2, nullptr, nullptr};
};

// Straight RGBA pixels as the platform's premultiplied image.
Bitmap ToBitmap(const PixelImage& pixels);

// Decodes the picture and keeps the bytes; null when they are no picture.
std::unique_ptr<Image> ImageFromMemory(std::string bytes, int32_t width, int32_t height, std::u16string name);

// Loads a picture file for a view with the available area: kept at its size
// when it fits, else scaled down (never up) by the smaller ratio. Null when it
// cannot be loaded. The name kept is the file name without its folder.
std::unique_ptr<Image> LoadImageFile(const std::string& path, int32_t availableWidth, int32_t availableHeight);

}  // namespace quadrell
