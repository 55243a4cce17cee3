#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A picture handed to the glyph editor from outside (a pasted bitmap, an
// imported file), as plain pixels: the desktop program converts its images
// to this at the edge, so the glyph core never sees a toolkit type.
enum : int {
  kPictureGray8 = 1,  // one byte per pixel, 255 = white
  kPictureRgba8 = 4,  // R, G, B, A bytes per pixel
};

struct PICTUREIMAGE {
  int width = 0;
  int height = 0;
  int format = kPictureRgba8;
  std::vector<uint8_t> pixels;  // rows top to bottom, no padding

  // Dimensions positive and the pixel bytes all there.
  bool IsValid() const;
  // A pixel is background when it is pure white or mostly transparent
  // (alpha below 128); any other colour is ink.
  bool IsInk(int x, int y) const;
};

// Result codes of the picture readers.
enum : int {
  kPictureOk = 0,
  kPictureNotOpened = 1,  // the file could not be read
  kPictureBadFormat = 2,  // not a picture this reader understands, or damaged
  kPictureTooLarge = 3,   // larger than kMaxPictureSide on a side
};

// Pictures larger than this on either side are refused before any pixel
// memory is allocated.
inline constexpr int kMaxPictureSide = 4096;

// Reads a PNG file (any colour type and depth) as RGBA.
int LoadPngPicture(const std::string& path, PICTUREIMAGE& out);
// True when the file starts with the PNG signature.
bool IsPngFile(const std::string& path);
