#include "glyph/GlyphClip.h"

#include <algorithm>

namespace {

constexpr int kMaxClipSide = 48;    // the largest glyph size
constexpr size_t kClipPixels = 24;  // offset of the pixel buffer

void PutLe32(std::vector<uint8_t>& out, size_t pos, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out[pos + i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetLe32(std::span<const uint8_t> in, size_t pos) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(in[pos + i]) << (8 * i);
  return static_cast<int32_t>(u);
}

}  // namespace

std::vector<uint8_t> EncodeGlyphClip(const GLYPHRECT& r, const CGlyph& source) {
  std::vector<uint8_t> out(kGlyphClipBytes, 0);
  PutLe32(out, 0, r.left);
  PutLe32(out, 4, r.top);
  PutLe32(out, 8, r.right);
  PutLe32(out, 12, r.bottom);
  PutLe32(out, 16, source.Width());
  PutLe32(out, 20, source.Height());
  std::copy(source.Pixels().begin(), source.Pixels().end(), out.begin() + kClipPixels);
  return out;
}

int DecodeGlyphClip(std::span<const uint8_t> bytes, GLYPHCLIP& out) {
  if (bytes.size() < kGlyphClipBytes) return kGlyphClipShort;
  const int32_t w = GetLe32(bytes, 16), h = GetLe32(bytes, 20);
  if (w < 1 || w > kMaxClipSide || h < 1 || h > kMaxClipSide) return kGlyphClipBadSize;
  CGlyph source;
  if (!source.SetSize(w, h)) return kGlyphClipBadSize;  // stride x height past the buffer
  source.LoadBitmapBits(bytes.subspan(kClipPixels, kGlyphBufferBytes));
  // Garbage bits past the last dot of a row must not reach a picture.
  CGlyph clean(w, h);
  clean.Clear();
  clean.PutPiece(source, 0, 0);
  const GLYPHRECT r = GLYPHRECT{GetLe32(bytes, 0), GetLe32(bytes, 4), GetLe32(bytes, 8), GetLe32(bytes, 12)}
                          .Normalized()
                          .Intersect({0, 0, w, h});
  if (r.IsEmpty()) return kGlyphClipEmpty;
  out.rect = r;
  out.source = clean;
  return kGlyphClipOk;
}
