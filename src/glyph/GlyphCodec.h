#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "glyph/Glyph.h"
#include "model/Content.h"
#include "model/Labels.h"

// The glyph pictures inside a glyph entry's content. Each picture is one
// control item of type 0 with three sub-fields, followed by its bitmap:
//
//   00 00 | 00 01 w | 01 01 h | 02 02 nH nL | 00 00 | bitmap(n) | 00 00
//
// The bitmap is the picture turned clockwise and packed without row
// padding, most significant bit first: for the square sizes stored row r is
// picture column r, and bit 0x80 of its first byte is that column's bottom
// dot. Writing and loading are exact inverses.

// Packed bytes of a w x h picture: the clockwise-turned picture (h wide,
// w tall) without row padding. For the square sizes ((w + 7) / 8) x h.
constexpr size_t PackedGlyphBytes(int w, int h) {
  return w <= 0 || h <= 0 ? 0 : static_cast<size_t>((h + 7) / 8) * static_cast<size_t>(w);
}

// Appends one glyph bitmap item for the picture; returns the size of `out`
// afterwards (the position after the item).
size_t WriteGlyphItem(std::vector<uint8_t>& out, const CGlyph& glyph);

// The first glyph bitmap item of a glyph table size w x h whose bitmap holds
// at least the packed bytes of that size. Items of other sizes, too short
// items and anything that is not a glyph item are skipped; a broken item
// ends the walk. False when none matches.
bool FindGlyphItem(ContentBytes content, int w, int h, GLYPHITEMREF& found);

// Loads packed bytes (as WriteGlyphItem writes them) into the glyph, which
// takes the size w x h. Refuses (false, glyph unchanged) a size outside the
// glyph size table or fewer bytes than the packed size.
bool LoadPacked(CGlyph& glyph, int w, int h, std::span<const uint8_t> bytes);
// Loads the bitmap of an item found in `content`.
bool LoadGlyphItem(CGlyph& glyph, ContentBytes content, const GLYPHITEMREF& item);

// Result codes of BuildGlyphContent.
enum : int {
  kGlyphContentOk = 0,
  kGlyphContentBadReading = 1,  // odd length or a zero byte: not double-byte text
};

// The whole content of a glyph entry: 10 01, the reading (CP932, without
// terminator), 00 00 00 00 (its zero word and an empty group name), the seven
// pictures in table order, 0D 0A. Every size is written, whatever the model
// takes; the transfer to a model removes the sizes it does not take.
int BuildGlyphContent(std::string_view reading, const GLYPHSET& glyphs, std::vector<uint8_t>& out);

// Loads every size of the table found in `content`; sizes not found keep
// what the glyph had. Returns the mask of the sizes loaded (bit = table row).
uint32_t LoadGlyphSet(ContentBytes content, GLYPHSET& glyphs);

// The preview's two pictures of a glyph entry: the item with the largest
// bitmap length, and the one with the smallest length below 288 (the first
// of equal ones in both cases). Only items of the table sizes whose bitmap
// holds the packed size count.
struct GLYPHPREVIEW {
  bool hasLargest = false;
  CGlyph largest;
  bool hasSmallest = false;
  CGlyph smallest;
};
GLYPHPREVIEW GetPreviewGlyphs(ContentBytes content);
