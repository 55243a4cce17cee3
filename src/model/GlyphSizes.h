#pragma once
#include <cstdint>

// The seven square glyph sizes. The index is also the bit number in a glyph
// size mask (an entry's own mask and a printer model's "glyph" value).
struct GLYPHSIZE {
  int size;         // width and height in dots
  int stride;       // bytes per row in the 288-byte picture buffer (16-bit rows)
  int bufferBytes;  // stride x size
  int entryBytes;   // packed bytes in an entry: ((size + 7) / 8) x size
};

inline constexpr int kGlyphSizeCount = 7;
inline constexpr int kGlyphBufferBytes = 288;
inline constexpr GLYPHSIZE kGlyphSizes[kGlyphSizeCount] = {
    {16, 2, 32, 32},   {24, 4, 96, 72},   {30, 4, 120, 120}, {32, 4, 128, 128},
    {36, 6, 216, 180}, {40, 6, 240, 200}, {48, 6, 288, 288},
};

// Index of the first table row with this width and height, or -1.
constexpr int GlyphSizeIndex(int width, int height) {
  if (width != height) return -1;
  for (int i = 0; i < kGlyphSizeCount; ++i)
    if (kGlyphSizes[i].size == width) return i;
  return -1;
}
