#include "glyph/Glyph.h"

#include <algorithm>

GLYPHRECT GLYPHRECT::Normalized() const {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

GLYPHRECT GLYPHRECT::Intersect(const GLYPHRECT& o) const {
  GLYPHRECT r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

GLYPHRECT SelectionToDots(const GLYPHRECT& d) {
  const int l = d.left / 2, t = d.top / 2;
  return {l, t, l + (d.right - d.left) / 2, t + (d.bottom - d.top) / 2};
}

GLYPHRECT DotsToSelection(const GLYPHRECT& r) { return {r.left * 2, r.top * 2, r.right * 2, r.bottom * 2}; }

CGlyph::CGlyph(int width, int height) {
  if (!SetSize(width, height)) SetSize(0, 0);
}

bool CGlyph::SetSize(int width, int height) {
  if (width < 0 || height < 0 || width > 8 * kGlyphBufferBytes) return false;
  if (static_cast<long>(GlyphStride(width)) * height > kGlyphBufferBytes) return false;
  m_width = width;
  m_height = height;
  return true;
}

int CGlyph::ByteIndex(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return -1;
  const int index = y * Stride() + x / 8;
  return index < kGlyphBufferBytes ? index : -1;
}

bool CGlyph::GetPixel(int x, int y) const {
  const int i = ByteIndex(x, y);
  return i >= 0 && (m_pixels[i] & (0x80 >> (x % 8))) != 0;
}

void CGlyph::SetPixel(int x, int y) {
  const int i = ByteIndex(x, y);
  if (i >= 0) m_pixels[i] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

void CGlyph::ResetPixel(int x, int y) {
  const int i = ByteIndex(x, y);
  if (i >= 0) m_pixels[i] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
}

bool CGlyph::IsEmpty() const {
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x)
      if (GetPixel(x, y)) return false;
  return true;
}

void CGlyph::ClearRect(const GLYPHRECT& rect) {
  const GLYPHRECT r = rect.Normalized().Intersect({0, 0, m_width, m_height});
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) ResetPixel(x, y);
}

void CGlyph::InvertAll() {
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) PutPixel(x, y, !GetPixel(x, y));
}

void CGlyph::ExtractPiece(CGlyph& piece, const GLYPHRECT& rect) const {
  GLYPHRECT r = rect.Normalized();
  // A rectangle too large for any picture can only be garbage: keep the part
  // that lies on this picture.
  if (!piece.SetSize(r.Width(), r.Height())) {
    r = r.Intersect({0, 0, m_width, m_height});
    piece.SetSize(r.Width(), r.Height());
  }
  piece.Clear();
  for (int j = 0; j < piece.m_height; ++j)
    for (int i = 0; i < piece.m_width; ++i)
      if (GetPixel(r.left + i, r.top + j)) piece.SetPixel(i, j);
}

void CGlyph::ExtractPiece(CGlyph& piece) const { ExtractPiece(piece, {0, 0, m_width, m_height}); }

void CGlyph::PutPiece(const CGlyph& piece, int x, int y) {
  for (int j = 0; j < piece.m_height; ++j)
    for (int i = 0; i < piece.m_width; ++i) PutPixel(x + i, y + j, piece.GetPixel(i, j));
}

void CGlyph::MovePiece(GLYPHPOINT from, GLYPHPOINT to, const CGlyph& piece) {
  ClearRect({from.x, from.y, from.x + piece.m_width, from.y + piece.m_height});
  PutPiece(piece, to.x, to.y);
}

// Rotation works on a copy: clear, swap the sizes, then set each new pixel
// whose source pixel is set.
void CGlyph::RotateLeft() {
  const CGlyph old = *this;
  Clear();
  SetSize(old.m_height, old.m_width);
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x)
      if (old.GetPixel(old.m_width - 1 - y, x)) SetPixel(x, y);
}

void CGlyph::RotateRight() {
  const CGlyph old = *this;
  Clear();
  SetSize(old.m_height, old.m_width);
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x)
      if (old.GetPixel(y, old.m_height - 1 - x)) SetPixel(x, y);
}

void CGlyph::LoadBitmapBits(std::span<const uint8_t> bits) {
  const size_t n = std::min<size_t>(bits.size(), static_cast<size_t>(PictureBytes()));
  std::copy_n(bits.begin(), n, m_pixels.begin());
}

bool CGlyph::SamePicture(const CGlyph& other) const {
  if (m_width != other.m_width || m_height != other.m_height) return false;
  return std::equal(m_pixels.begin(), m_pixels.begin() + PictureBytes(), other.m_pixels.begin());
}

GLYPHSET MakeGlyphSet() {
  GLYPHSET set;
  for (int i = 0; i < kGlyphSizeCount; ++i) {
    set[i].SetSize(kGlyphSizes[i].size, kGlyphSizes[i].size);
    set[i].Clear();
  }
  return set;
}
