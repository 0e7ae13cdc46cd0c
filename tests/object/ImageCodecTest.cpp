#include "object/ImageCodec.h"
#include "object/Image.h"

#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <cstdlib>

#include "TestSupport.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

// A 4 x 3 picture: red, green, blue and half-transparent white columns.
PixelImage Sample() {
  PixelImage image(4, 3);
  const uint8_t colours[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 128}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 4; ++c) image.Pixel(x, y)[c] = colours[x][c];
  return image;
}

std::string PngOf(const PixelImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&png, nullptr, &size, 0, image.rgba.data(), 0, nullptr);
  std::string bytes(size, '\0');
  EXPECT_TRUE(png_image_write_to_memory(&png, bytes.data(), &size, 0, image.rgba.data(), 0, nullptr));
  bytes.resize(size);
  return bytes;
}

std::string TiffOf(const PixelImage& image, const std::string& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
  TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  for (int y = 0; y < image.height; ++y)
    TIFFWriteScanline(tiff, const_cast<uint8_t*>(image.Pixel(0, y)), static_cast<uint32_t>(y), 0);
  TIFFClose(tiff);
  return *ReadWholeFile(path);
}

TEST(ImageCodec, PngAndTiffDecodeExactlyWithAlpha) {
  test::TempFolder folder;
  PixelImage sample = Sample();
  for (const std::string& bytes : {PngOf(sample), TiffOf(sample, folder.File("s.tif"))}) {
    auto decoded = DecodeImage(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 4);
    EXPECT_EQ(decoded->height, 3);
    EXPECT_EQ(decoded->rgba, sample.rgba);
  }
}

TEST(ImageCodec, JpegRoundTripKeepsColoursAndLaysAlphaOverWhite) {
  PixelImage big(64, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = big.Pixel(x, y);
      p[0] = x < 32 ? 200 : 20;
      p[1] = 60;
      p[2] = x < 32 ? 20 : 220;
      p[3] = y < 16 ? 255 : 0;  // the lower half is fully transparent
    }
  auto jpeg = EncodeJpeg(big);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(SniffImageKind(*jpeg), ImageFileKind::Jpeg);
  auto decoded = DecodeImage(*jpeg);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->width, 64);
  ASSERT_EQ(decoded->height, 32);
  auto near = [](const uint8_t* p, int r, int g, int b) {
    return std::abs(p[0] - r) < 12 && std::abs(p[1] - g) < 12 && std::abs(p[2] - b) < 12 && p[3] == 255;
  };
  EXPECT_TRUE(near(decoded->Pixel(8, 8), 200, 60, 20));
  EXPECT_TRUE(near(decoded->Pixel(50, 8), 20, 60, 220));
  EXPECT_TRUE(near(decoded->Pixel(8, 28), 255, 255, 255));
  EXPECT_FALSE(EncodeJpeg(PixelImage()));
}

TEST(ImageCodec, DamagedUnsupportedAndHugePicturesAreRefused) {
  test::TempFolder folder;
  PixelImage sample = Sample();
  std::string png = PngOf(sample);
  std::string jpeg = *EncodeJpeg(sample);
  std::string tiff = TiffOf(sample, folder.File("s.tif"));
  for (const std::string& whole : {png, jpeg, tiff}) {
    for (size_t cut : {size_t{4}, whole.size() / 3, whole.size() / 2}) (void)DecodeImage(whole.substr(0, cut));
    std::string flipped = whole;
    for (size_t i = 8; i < flipped.size(); i += 5) flipped[i] = static_cast<char>(~flipped[i]);
    (void)DecodeImage(flipped);  // a result or none, but no crash
  }
  EXPECT_FALSE(DecodeImage(png.substr(0, 20)));
  EXPECT_FALSE(DecodeImage("GIF89a\x01\x00\x01\x00"));
  EXPECT_FALSE(DecodeImage("plain text"));
  EXPECT_FALSE(DecodeImage(""));

  // A PNG header announcing 60000 x 60000 pixels is refused before any allocation.
  std::string header = png.substr(0, 33);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  put32(16, 60000);
  put32(20, 60000);
  put32(29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(header.data() + 12), 17)));
  EXPECT_FALSE(DecodeImage(header + png.substr(33)));
}

TEST(ImageCodec, PicturesFromFilesDecodeWhenFirstDrawn) {
  PixelImage sample = Sample();
  std::string png = PngOf(sample);
  auto picture = PictureFromBytes(png);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Bytes(), png);
  EXPECT_EQ(picture->Pixels().rgba, sample.rgba);
  // A file that looks like a picture but does not decode shows nothing and keeps its bytes.
  std::string cut = png.substr(0, png.size() / 2);
  auto damaged = PictureFromBytes(cut);
  ASSERT_TRUE(damaged);
  EXPECT_TRUE(damaged->Pixels().Empty());
  EXPECT_EQ(damaged->Bytes(), cut);
  Image image(damaged, 40, 30, u"cut.png");
  ASSERT_TRUE(image.GetImage());
  EXPECT_FALSE(PictureFromBytes("plain text"));
  EXPECT_FALSE(PictureFromBytes("GIF89a\x01\x00\x01\x00"));
}

}  // namespace
}  // namespace quadrell
