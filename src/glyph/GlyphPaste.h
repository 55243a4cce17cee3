#pragma once
#include "glyph/Glyph.h"
#include "glyph/GlyphClip.h"
#include "glyph/GlyphPicture.h"

// Paste composition: the working glyph with the pasted block written over
// its top-left corner. Pasting always lands at the top-left, whatever was
// selected before.
struct PASTECOMPOSITION {
  CGlyph composed;  // the working glyph's size
  int width = 0;    // the pasted block, in dots
  int height = 0;
};

// A glyph clipboard record. With auto-scale the record's rectangle is
// stretched by the ratio of the working size to the source size (each side
// rounded to the nearest dot, halves away from zero, at least one dot);
// without, its top-left part that fits is copied unscaled.
PASTECOMPOSITION ComposeGlyphPaste(const CGlyph& working, const GLYPHCLIP& clip, bool autoScale);

// A picture. With auto-scale it is stretched over the whole glyph; without,
// its top-left part that fits is copied unscaled. False when the picture is
// not valid (nothing to paste).
bool ComposePicturePaste(const CGlyph& working, const PICTUREIMAGE& picture, bool autoScale,
                         PASTECOMPOSITION& out);

// Stretches the whole of `source` over the whole of `target` (the glyph
// dialog fills an empty size from the smallest listed one this way); the
// target keeps its size and flag, and every dot of it is overwritten.
void StretchGlyph(const CGlyph& source, CGlyph& target);

// Nearest-neighbour stretch of a w x h source onto a dw x dh block at the
// top-left of `target`, every target dot overwritten. Along a shrunk axis a
// dot is ink when any source dot merged into it is ink, so thin strokes
// survive. `ink(x, y)` reads the source.
template <typename InkAt>
void StretchInk(int w, int h, InkAt ink, int dw, int dh, CGlyph& target) {
  if (w <= 0 || h <= 0 || dw <= 0 || dh <= 0) return;
  for (int ty = 0; ty < dh && ty < target.Height(); ++ty) {
    const int y0 = static_cast<int>(static_cast<long long>(ty) * h / dh);
    int y1 = static_cast<int>(static_cast<long long>(ty + 1) * h / dh);
    if (y1 <= y0) y1 = y0 + 1;
    for (int tx = 0; tx < dw && tx < target.Width(); ++tx) {
      const int x0 = static_cast<int>(static_cast<long long>(tx) * w / dw);
      int x1 = static_cast<int>(static_cast<long long>(tx + 1) * w / dw);
      if (x1 <= x0) x1 = x0 + 1;
      bool on = false;
      for (int y = y0; y < y1 && !on; ++y)
        for (int x = x0; x < x1 && !on; ++x) on = ink(x, y);
      target.PutPixel(tx, ty, on);
    }
  }
}
