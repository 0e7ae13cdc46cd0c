#pragma once
// Picture files to pixels and back: PNG, JPEG and TIFF are read, JPEG is
// written (for the pictures of PDF files).
#include <optional>
#include <string>
#include <string_view>

#include "platform/PixelImage.h"

namespace quadrell {

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
