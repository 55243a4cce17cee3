#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/GlyphSizes.h"

// A point in dots. Coordinates may lie outside the picture; every pixel
// operation clips.
struct GLYPHPOINT {
  int x = 0;
  int y = 0;
  friend bool operator==(const GLYPHPOINT&, const GLYPHPOINT&) = default;
};

// A rectangle with right and bottom exclusive, in dots or, for selections,
// doubled dots (every coordinate x 2, so that a rotated selection can keep
// its centre to half a dot).
struct GLYPHRECT {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  // Empty unless right > left and bottom > top (an inverted rectangle is
  // empty until normalised).
  bool IsEmpty() const { return right <= left || bottom <= top; }
  GLYPHRECT Normalized() const;
  // The common part of two normalised rectangles; all zero when they do not meet.
  GLYPHRECT Intersect(const GLYPHRECT& other) const;
  friend bool operator==(const GLYPHRECT&, const GLYPHRECT&) = default;
};

// Dots from a doubled selection: (l/2, t/2, l/2 + (r-l)/2, t/2 + (b-t)/2)
// with division truncating toward zero. The extent is halved separately from
// the origin, which keeps the size for negative odd coordinates.
GLYPHRECT SelectionToDots(const GLYPHRECT& doubled);
// Doubled rectangle from dots.
GLYPHRECT DotsToSelection(const GLYPHRECT& dots);

// Row stride in bytes of a picture `width` dots wide: rows start on 16-bit
// boundaries.
constexpr int GlyphStride(int width) { return ((width + 15) / 16) * 2; }

// One 1-bit glyph picture. The pixel buffer is handed unchanged to the
// platform as a monochrome bitmap, so its layout is fixed: row stride from
// the current width (GlyphStride), pixel (x, y) is bit 0x80 >> (x % 8) of
// byte y * stride + x / 8, a set bit is ink. Padding bits and bytes after the
// last row are not part of the picture.
class CGlyph {
 public:
  CGlyph() = default;  // 48 x 48, all background
  CGlyph(int width, int height);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int Stride() const { return GlyphStride(m_width); }
  // Bytes of the buffer that hold the picture: stride x height.
  int PictureBytes() const { return Stride() * m_height; }
  const std::array<uint8_t, kGlyphBufferBytes>& Pixels() const { return m_pixels; }
  std::array<uint8_t, kGlyphBufferBytes>& Pixels() { return m_pixels; }
  bool Modified() const { return m_modified; }
  void SetModified(bool modified) { m_modified = modified; }

  // Sets the size and nothing else (the pixels keep their bytes). Refuses,
  // keeping the old size, a negative size or one whose rows would not fit
  // in the buffer.
  bool SetSize(int width, int height);
  void Clear() { m_pixels.fill(0); }
  bool GetPixel(int x, int y) const;
  void SetPixel(int x, int y);
  void ResetPixel(int x, int y);
  void PutPixel(int x, int y, bool ink) { ink ? SetPixel(x, y) : ResetPixel(x, y); }
  bool IsEmpty() const;
  // Clears left <= x < right, top <= y < bottom (corners in any order), clipped.
  void ClearRect(const GLYPHRECT& rect);
  void InvertAll();
  // The piece gets the rectangle's size, is cleared, and receives the pixels
  // of the rectangle (normalised); pixels outside this picture read as
  // background.
  void ExtractPiece(CGlyph& piece, const GLYPHRECT& rect) const;
  void ExtractPiece(CGlyph& piece) const;
  // Copies every piece pixel (ink and background alike) to (x + i, y + j), clipped.
  void PutPiece(const CGlyph& piece, int x, int y);
  // Clears the piece-sized area at `from`, then puts the piece at `to`.
  void MovePiece(GLYPHPOINT from, GLYPHPOINT to, const CGlyph& piece);
  // 90 degrees counter-clockwise; width and height swap.
  void RotateLeft();
  // 90 degrees clockwise; width and height swap.
  void RotateRight();
  // Copies a monochrome bitmap of this glyph's own size (same stride) into the
  // buffer: at most stride x height bytes; size and flag stay.
  void LoadBitmapBits(std::span<const uint8_t> bits);
  // True when the first stride x height bytes of both equal (the repaint test
  // of the drawing tools' previews); sizes must match too.
  bool SamePicture(const CGlyph& other) const;

  // Drawing primitives, dot for dot; coordinates may lie outside the picture.
  // Thickness t is 1 or 2.
  void DrawLine(int x0, int y0, int x1, int y1, int t);
  void DrawPolyline(std::span<const GLYPHPOINT> points, int t);
  void ErasePath(std::span<const GLYPHPOINT> points);
  void DrawBox(int x0, int y0, int x1, int y1);
  void FillBox(int x0, int y0, int x1, int y1);
  void DrawEllipse(int x0, int y0, int x1, int y1);
  void FillEllipse(int x0, int y0, int x1, int y1);

 private:
  // Byte index of (x, y), or -1 outside the picture or the buffer.
  int ByteIndex(int x, int y) const;
  void EraseSegment(int x0, int y0, int x1, int y1);
  void Ellipse(int x0, int y0, int x1, int y1, bool fill);

  int m_width = 48;
  int m_height = 48;
  std::array<uint8_t, kGlyphBufferBytes> m_pixels{};
  bool m_modified = false;
};

// One glyph entry's seven pictures, index = glyph size table row.
using GLYPHSET = std::array<CGlyph, kGlyphSizeCount>;
// A glyph set with every picture sized per the table and empty.
GLYPHSET MakeGlyphSet();
