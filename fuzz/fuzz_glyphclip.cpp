// The glyph editor's clipboard record from any process: a record that
// decodes must describe a rectangle on its source picture and encode back to
// a record that decodes the same.
#include <cstdlib>

#include "glyph/GlyphClip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  GLYPHCLIP clip;
  if (DecodeGlyphClip(std::span<const uint8_t>(data, size), clip) != kGlyphClipOk) return 0;
  const GLYPHRECT& r = clip.rect;
  if (r.IsEmpty() || r.left < 0 || r.top < 0 || r.right > clip.source.Width() ||
      r.bottom > clip.source.Height())
    std::abort();
  const std::vector<uint8_t> again = EncodeGlyphClip(r, clip.source);
  GLYPHCLIP back;
  if (DecodeGlyphClip(again, back) != kGlyphClipOk || !(back.rect == r) ||
      back.source.Width() != clip.source.Width() || back.source.Height() != clip.source.Height())
    std::abort();
  for (int y = 0; y < clip.source.Height(); ++y)
    for (int x = 0; x < clip.source.Width(); ++x)
      if (back.source.GetPixel(x, y) != clip.source.GetPixel(x, y)) std::abort();
  return 0;
}
