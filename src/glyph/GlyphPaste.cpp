#include "glyph/GlyphPaste.h"

#include <algorithm>

namespace {

// n x to / from, rounded to the nearest integer, halves away from zero; n,
// to and from are positive here.
int ScaleRounded(int n, int to, int from) {
  const long long num = 2LL * n * to + from;
  return static_cast<int>(num / (2LL * from));
}

}  // namespace

PASTECOMPOSITION ComposeGlyphPaste(const CGlyph& working, const GLYPHCLIP& clip, bool autoScale) {
  PASTECOMPOSITION out;
  out.composed = working;
  const GLYPHRECT& r = clip.rect;
  int b = r.Width(), c = r.Height();
  auto ink = [&](int x, int y) { return clip.source.GetPixel(r.left + x, r.top + y); };
  if (autoScale) {
    // A rectangle of one dot may round to none; keep at least one.
    b = std::clamp(ScaleRounded(b, working.Width(), clip.source.Width()), 1, std::max(working.Width(), 1));
    c = std::clamp(ScaleRounded(c, working.Height(), clip.source.Height()), 1, std::max(working.Height(), 1));
    StretchInk(r.Width(), r.Height(), ink, b, c, out.composed);
  } else {
    b = std::min(b, working.Width());
    c = std::min(c, working.Height());
    for (int y = 0; y < c; ++y)
      for (int x = 0; x < b; ++x) out.composed.PutPixel(x, y, ink(x, y));
  }
  out.width = b;
  out.height = c;
  return out;
}

bool ComposePicturePaste(const CGlyph& working, const PICTUREIMAGE& picture, bool autoScale,
                         PASTECOMPOSITION& out) {
  if (!picture.IsValid()) return false;
  out.composed = working;
  auto ink = [&](int x, int y) { return picture.IsInk(x, y); };
  if (autoScale) {
    out.width = working.Width();
    out.height = working.Height();
    StretchInk(picture.width, picture.height, ink, out.width, out.height, out.composed);
  } else {
    out.width = std::min(picture.width, working.Width());
    out.height = std::min(picture.height, working.Height());
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) out.composed.PutPixel(x, y, ink(x, y));
  }
  return true;
}

void StretchGlyph(const CGlyph& source, CGlyph& target) {
  target.Clear();
  StretchInk(source.Width(), source.Height(), [&](int x, int y) { return source.GetPixel(x, y); }, target.Width(),
             target.Height(), target);
}
