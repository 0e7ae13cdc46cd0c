#pragma once
// Picture files to pixels and back: PNG, JPEG and TIFF are read, JPEG is
// written (for the pictures of PDF files).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quadrell {

// Rows from the top, each pixel four bytes: red, green, blue, alpha (not premultiplied).
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;

  PixelImage() = default;
  PixelImage(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
  bool Empty() const { return width <= 0 || height <= 0; }
  uint8_t* Pixel(int x, int y) { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
  const uint8_t* Pixel(int x, int y) const { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

// Pictures beyond this many pixels are refused rather than exhausting memory.
constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

enum class ImageFileKind { Unknown, Png, Jpeg, Tiff, Gif, Bmp };
// By the file's signature, whatever its name says.
ImageFileKind SniffImageKind(std::string_view bytes);

// The decoded picture, or nothing for damaged, unsupported or absurdly large files.
std::optional<PixelImage> DecodeImage(std::string_view bytes);
std::optional<PixelImage> DecodePng(std::string_view bytes);
std::optional<PixelImage> DecodeJpeg(std::string_view bytes);
std::optional<PixelImage> DecodeTiff(std::string_view bytes);

// Baseline JPEG of the picture; transparent pixels are laid over white.
std::optional<std::string> EncodeJpeg(const PixelImage& image, int quality = 75);

}  // namespace quadrell
