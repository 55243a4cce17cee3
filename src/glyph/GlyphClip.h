#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "glyph/Glyph.h"

// The glyph editor's clipboard record: 312 bytes, little-endian 32-bit
// signed fields. The whole source picture travels; paste cuts the
// rectangle out of it.
//
//   0 left  4 top  8 right  12 bottom   selection in dots, right/bottom exclusive
//   16 source width  20 source height
//   24 the source picture's 288-byte pixel buffer (Glyph.h layout)
inline constexpr size_t kGlyphClipBytes = 312;
// MIME type of the record on the desktop clipboard.
inline constexpr const char* kGlyphClipMime = "application/x-xamu-glyph";

std::vector<uint8_t> EncodeGlyphClip(const GLYPHRECT& selectionDots, const CGlyph& source);

// Result codes of DecodeGlyphClip.
enum : int {
  kGlyphClipOk = 0,
  kGlyphClipShort = 1,     // fewer than 312 bytes
  kGlyphClipBadSize = 2,   // source width or height outside 1..48, or rows past the buffer
  kGlyphClipEmpty = 3,     // the rectangle has no dot on the source picture
};

struct GLYPHCLIP {
  GLYPHRECT rect;  // normalised and clipped to the source picture
  CGlyph source;
};

// Decodes a record from the clipboard, which is untrusted. Bytes after the
// record are ignored (a platform may round the block up).
int DecodeGlyphClip(std::span<const uint8_t> bytes, GLYPHCLIP& out);
