#include "object/ImageCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace quadrell {

namespace {

bool SizeAcceptable(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= 65535 && height <= 65535 && width * height <= kMaxImagePixels;
}

// libjpeg reports fatal errors through a callback that must not return.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  std::longjmp(error->jump, 1);
}

void QuietJpegMessage(j_common_ptr, int) {}

// The decoding itself, free of objects with destructors so a longjmp out of
// it skips nothing: rows go into a buffer the caller owns.
bool DecodeJpegInto(jpeg_decompress_struct& info, JpegError& error, std::string_view bytes, PixelImage* out,
                    std::vector<uint8_t>* row) {
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.emit_message = QuietJpegMessage;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (!SizeAcceptable(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  int width = static_cast<int>(info.output_width);
  int height = static_cast<int>(info.output_height);
  int components = info.output_components;
  out->width = width;
  out->height = height;
  out->rgba.assign(static_cast<size_t>(width) * height * 4, 255);
  row->resize(static_cast<size_t>(width) * components);
  while (info.output_scanline < info.output_height) {
    int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row->data()};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    uint8_t* target = out->Pixel(0, y);
    const uint8_t* source = row->data();
    for (int x = 0; x < width; ++x, target += 4, source += components) {
      if (components == 4) {
        // Adobe writes CMYK inverted; what libjpeg hands back is the inverse ink.
        target[0] = static_cast<uint8_t>(source[0] * source[3] / 255);
        target[1] = static_cast<uint8_t>(source[1] * source[3] / 255);
        target[2] = static_cast<uint8_t>(source[2] * source[3] / 255);
      } else if (components == 3) {
        target[0] = source[0];
        target[1] = source[1];
        target[2] = source[2];
      } else {
        target[0] = target[1] = target[2] = source[0];
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool EncodeJpegInto(jpeg_compress_struct& info, JpegError& error, const PixelImage& image, int quality,
                    unsigned char** buffer, unsigned long* size, std::vector<uint8_t>* row) {
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.emit_message = QuietJpegMessage;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  row->resize(static_cast<size_t>(image.width) * 3);
  while (info.next_scanline < info.image_height) {
    const uint8_t* source = image.Pixel(0, static_cast<int>(info.next_scanline));
    uint8_t* target = row->data();
    for (int x = 0; x < image.width; ++x, source += 4, target += 3) {
      int alpha = source[3];
      for (int c = 0; c < 3; ++c) target[c] = static_cast<uint8_t>((source[c] * alpha + 255 * (255 - alpha)) / 255);
    }
    JSAMPROW rows[1] = {row->data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

// libtiff reads through these over a block of memory.
struct TiffMemory {
  const char* data;
  toff_t size;
  toff_t position;
};

tmsize_t TiffRead(thandle_t handle, void* buffer, tmsize_t length) {
  auto* m = static_cast<TiffMemory*>(handle);
  if (length <= 0 || m->position >= m->size) return 0;
  toff_t available = m->size - m->position;
  toff_t n = static_cast<toff_t>(length) < available ? static_cast<toff_t>(length) : available;
  std::memcpy(buffer, m->data + m->position, n);
  m->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t TiffWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
  auto* m = static_cast<TiffMemory*>(handle);
  toff_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->size : 0;
  // Offsets come from the file: keep the arithmetic from wrapping.
  if (offset > (toff_t{1} << 62) || base + offset > (toff_t{1} << 62)) return static_cast<toff_t>(-1);
  m->position = base + offset;
  return m->position;
}

int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t handle) { return static_cast<TiffMemory*>(handle)->size; }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

int QuietTiffHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

ImageFileKind SniffImageKind(std::string_view b) {
  auto starts = [&](std::string_view prefix) { return b.substr(0, prefix.size()) == prefix; };
  if (starts("\x89PNG\r\n\x1a\n")) return ImageFileKind::Png;
  if (starts("\xFF\xD8\xFF")) return ImageFileKind::Jpeg;
  if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4))) return ImageFileKind::Tiff;
  if (starts("GIF87a") || starts("GIF89a")) return ImageFileKind::Gif;
  if (starts("BM")) return ImageFileKind::Bmp;
  return ImageFileKind::Unknown;
}

std::optional<PixelImage> DecodeImage(std::string_view bytes) {
  switch (SniffImageKind(bytes)) {
    case ImageFileKind::Png: return DecodePng(bytes);
    case ImageFileKind::Jpeg: return DecodeJpeg(bytes);
    case ImageFileKind::Tiff: return DecodeTiff(bytes);
    default: return std::nullopt;
  }
}

std::optional<PixelImage> DecodePng(std::string_view bytes) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return std::nullopt;
  if (!SizeAcceptable(png.width, png.height)) {
    png_image_free(&png);
    return std::nullopt;
  }
  png.format = PNG_FORMAT_RGBA;
  PixelImage image(static_cast<int>(png.width), static_cast<int>(png.height));
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return image;
}

std::optional<PixelImage> DecodeJpeg(std::string_view bytes) {
  jpeg_decompress_struct info;
  JpegError error;
  PixelImage image;
  std::vector<uint8_t> row;
  if (!DecodeJpegInto(info, error, bytes, &image, &row)) return std::nullopt;
  return image;
}

std::optional<PixelImage> DecodeTiff(std::string_view bytes) {
  static bool quiet = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return true;
  }();
  (void)quiet;
  TiffMemory memory{bytes.data(), static_cast<toff_t>(bytes.size()), 0};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, QuietTiffHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, QuietTiffHandler, nullptr);
  TIFF* tiff = TIFFClientOpenExt("memory", "rm", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                                 TiffMap, TiffUnmap, options);
  TIFFOpenOptionsFree(options);
  if (!tiff) return std::nullopt;
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  std::optional<PixelImage> result;
  if (SizeAcceptable(width, height)) {
    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    if (TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) {
      PixelImage image(static_cast<int>(width), static_cast<int>(height));
      uint8_t* target = image.rgba.data();
      // libtiff hands back premultiplied colours; pixels here are not.
      for (uint32_t p : raster) {
        unsigned alpha = TIFFGetA(p);
        auto plain = [alpha](unsigned c) {
          if (alpha == 0 || alpha == 255) return static_cast<uint8_t>(c);
          unsigned value = (c * 255 + alpha / 2) / alpha;
          return static_cast<uint8_t>(value > 255 ? 255 : value);
        };
        *target++ = plain(TIFFGetR(p));
        *target++ = plain(TIFFGetG(p));
        *target++ = plain(TIFFGetB(p));
        *target++ = static_cast<uint8_t>(alpha);
      }
      result = std::move(image);
    }
  }
  TIFFClose(tiff);
  return result;
}

std::optional<std::string> EncodeJpeg(const PixelImage& image, int quality) {
  if (image.Empty() || image.rgba.size() < static_cast<size_t>(image.width) * image.height * 4) return std::nullopt;
  jpeg_compress_struct info;
  JpegError error;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> row;
  bool ok = EncodeJpegInto(info, error, image, quality, &buffer, &size, &row);
  std::string bytes;
  if (ok && buffer) bytes.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

}  // namespace quadrell
