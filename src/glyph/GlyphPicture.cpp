#include "glyph/GlyphPicture.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace {
constexpr uint8_t kWhite = 255;
constexpr uint8_t kMostlyTransparent = 128;  // alpha below this is background
}  // namespace

bool PICTUREIMAGE::IsValid() const {
  if (width <= 0 || height <= 0 || (format != kPictureGray8 && format != kPictureRgba8)) return false;
  return pixels.size() / static_cast<size_t>(format) / static_cast<size_t>(width) >= static_cast<size_t>(height);
}

bool PICTUREIMAGE::IsInk(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  const size_t i = (static_cast<size_t>(y) * width + x) * static_cast<size_t>(format);
  if (i + format > pixels.size()) return false;
  if (format == kPictureGray8) return pixels[i] != kWhite;
  if (pixels[i + 3] < kMostlyTransparent) return false;
  return !(pixels[i] == kWhite && pixels[i + 1] == kWhite && pixels[i + 2] == kWhite);
}

bool IsPngFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char sig[8] = {};
  const bool png = std::fread(sig, 1, sizeof sig, f) == sizeof sig && png_sig_cmp(sig, 0, sizeof sig) == 0;
  std::fclose(f);
  return png;
}

int LoadPngPicture(const std::string& path, PICTUREIMAGE& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return kPictureNotOpened;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_stdio(&image, f)) {
    std::fclose(f);
    return kPictureBadFormat;
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxPictureSide || image.height > kMaxPictureSide) {
    png_image_free(&image);
    std::fclose(f);
    return image.width == 0 || image.height == 0 ? kPictureBadFormat : kPictureTooLarge;
  }
  image.format = PNG_FORMAT_RGBA;
  PICTUREIMAGE pic;
  pic.width = static_cast<int>(image.width);
  pic.height = static_cast<int>(image.height);
  pic.format = kPictureRgba8;
  pic.pixels.resize(PNG_IMAGE_SIZE(image));
  const bool ok = png_image_finish_read(&image, nullptr, pic.pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  std::fclose(f);
  if (!ok) return kPictureBadFormat;
  out = std::move(pic);
  return kPictureOk;
}
