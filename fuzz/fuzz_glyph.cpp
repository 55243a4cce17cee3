// The glyph pictures of an entry on arbitrary content: every size lookup,
// the whole set, the preview pair. Every picture found must write and load
// back unchanged.
#include <cstdlib>

#include "glyph/GlyphCodec.h"

namespace {

bool SamePicture(const CGlyph& a, const CGlyph& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 70000) return 0;
  ContentBytes content(data, size);
  for (const GLYPHSIZE& s : kGlyphSizes) {
    GLYPHITEMREF item;
    if (!FindGlyphItem(content, s.size, s.size, item)) continue;
    if (item.bitmap > size || item.length > size - item.bitmap ||
        item.length < static_cast<size_t>(s.entryBytes))
      std::abort();  // the reference must lie inside the content
    CGlyph glyph;
    if (!LoadGlyphItem(glyph, content, item)) std::abort();
    std::vector<uint8_t> written;
    const size_t end = WriteGlyphItem(written, glyph);
    GLYPHITEMREF again;
    CGlyph back;
    if (!FindGlyphItem(written, s.size, s.size, again) || again.bitmap > end ||
        !LoadGlyphItem(back, written, again) || !SamePicture(glyph, back))
      std::abort();
  }
  // Odd sizes too: the lookup must refuse them or stay inside.
  GLYPHITEMREF odd;
  (void)FindGlyphItem(content, 17, 5, odd);
  (void)FindGlyphItem(content, 0, 0, odd);
  GLYPHSET set = MakeGlyphSet();
  (void)LoadGlyphSet(content, set);
  GLYPHPREVIEW preview = GetPreviewGlyphs(content);
  (void)preview;
  return 0;
}
