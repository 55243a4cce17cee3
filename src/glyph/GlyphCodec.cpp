#include "glyph/GlyphCodec.h"

#include <algorithm>

#include "model/Category.h"

namespace {

constexpr uint8_t kGlyphItemType = 0x00;  // the control item type written for a glyph picture
constexpr uint8_t kFormatByte = 0x01;     // written by every builder of this system
constexpr size_t kPreviewSmallLimit = 288;  // the preview's small picture is below this length

// A glyph item of a table size whose declared bitmap holds the packed bytes.
// The type byte is not looked at: in glyph content every control item carries
// a bitmap, and the size mask, the labels and the transfer judge items the
// same way.
bool UsableGlyphItem(ContentBytes c, const CONTENTITEM& item, GLYPHITEMREF& ref) {
  if (item.kind != kItemControl) return false;
  const int w = static_cast<int>(SubFieldValue(c, item, kSubGlyphWidth, 0));
  const int h = static_cast<int>(SubFieldValue(c, item, kSubGlyphHeight, 0));
  if (GlyphSizeIndex(w, h) < 0) return false;
  if (item.bitmapLength < PackedGlyphBytes(w, h)) return false;
  ref.width = w;
  ref.height = h;
  ref.bitmap = item.bitmap;
  ref.length = item.bitmapLength;
  return true;
}

template <typename Visit>
void ForEachGlyphItem(ContentBytes c, Visit visit) {
  CONTENTHEADER header;
  if (!ParseContentHeader(c, header)) return;
  CItemWalker walker(c, header.items, /*glyphItems=*/true);
  CONTENTITEM item;
  while (walker.Next(item)) {
    GLYPHITEMREF ref;
    if (UsableGlyphItem(c, item, ref) && !visit(ref)) return;
  }
}

}  // namespace

size_t WriteGlyphItem(std::vector<uint8_t>& out, const CGlyph& glyph) {
  const int w = glyph.Width(), h = glyph.Height();
  const size_t n = PackedGlyphBytes(w, h);
  const uint8_t header[14] = {kGlyphItemType, 0x00,
                              kSubGlyphWidth, 1, static_cast<uint8_t>(w),
                              kSubGlyphHeight, 1, static_cast<uint8_t>(h),
                              kSubGlyphLength, 2, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n & 0xFF),
                              0x00, 0x00};
  out.insert(out.end(), header, header + sizeof header);
  CGlyph turned = glyph;
  turned.RotateRight();  // now h wide and w tall
  const size_t rowBytes = static_cast<size_t>((turned.Width() + 7) / 8);
  for (int y = 0; y < turned.Height(); ++y) {
    const size_t row = static_cast<size_t>(y) * turned.Stride();
    out.insert(out.end(), turned.Pixels().begin() + row, turned.Pixels().begin() + row + rowBytes);
  }
  if (n % 2) out.push_back(0x00);  // never for the table sizes
  out.push_back(0x00);
  out.push_back(0x00);
  return out.size();
}

bool FindGlyphItem(ContentBytes content, int w, int h, GLYPHITEMREF& found) {
  bool ok = false;
  ForEachGlyphItem(content, [&](const GLYPHITEMREF& ref) {
    if (ref.width != w || ref.height != h) return true;
    found = ref;
    ok = true;
    return false;
  });
  return ok;
}

bool LoadPacked(CGlyph& glyph, int w, int h, std::span<const uint8_t> bytes) {
  if (GlyphSizeIndex(w, h) < 0 || bytes.size() < PackedGlyphBytes(w, h)) return false;
  // The packed picture is the clockwise-turned one: h wide, w tall.
  CGlyph turned(h, w);
  const size_t rowBytes = static_cast<size_t>((h + 7) / 8);
  for (int y = 0; y < w; ++y)
    std::copy_n(bytes.begin() + y * rowBytes, rowBytes, turned.Pixels().begin() + y * turned.Stride());
  // Clear the padding bits past the last dot of each row: packed rows may carry
  // stray bits there, and the picture's bytes are compared whole elsewhere.
  const CGlyph raw = turned;
  turned.Clear();
  turned.PutPiece(raw, 0, 0);
  turned.RotateLeft();
  const bool modified = glyph.Modified();
  glyph = turned;
  glyph.SetModified(modified);
  return true;
}

bool LoadGlyphItem(CGlyph& glyph, ContentBytes content, const GLYPHITEMREF& item) {
  if (item.bitmap > content.size() || item.length > content.size() - item.bitmap) return false;
  return LoadPacked(glyph, item.width, item.height, content.subspan(item.bitmap, item.length));
}

int BuildGlyphContent(std::string_view reading, const GLYPHSET& glyphs, std::vector<uint8_t>& out) {
  if (reading.size() % 2) return kGlyphContentBadReading;
  for (size_t i = 0; i < reading.size(); i += 2)
    if (reading[i] == 0) return kGlyphContentBadReading;
  out.clear();
  out.reserve(1140 + reading.size());
  out.push_back(kKindGlyph);
  out.push_back(kFormatByte);
  out.insert(out.end(), reading.begin(), reading.end());
  out.insert(out.end(), {0x00, 0x00, 0x00, 0x00});
  for (const CGlyph& g : glyphs) WriteGlyphItem(out, g);
  out.push_back(0x0D);
  out.push_back(0x0A);
  return kGlyphContentOk;
}

uint32_t LoadGlyphSet(ContentBytes content, GLYPHSET& glyphs) {
  uint32_t mask = 0;
  for (int i = 0; i < kGlyphSizeCount; ++i) {
    const int s = kGlyphSizes[i].size;
    GLYPHITEMREF ref;
    if (FindGlyphItem(content, s, s, ref) && LoadGlyphItem(glyphs[i], content, ref)) mask |= 1u << i;
  }
  return mask;
}

GLYPHPREVIEW GetPreviewGlyphs(ContentBytes content) {
  GLYPHPREVIEW preview;
  bool haveLarge = false, haveSmall = false;
  GLYPHITEMREF large, small;
  ForEachGlyphItem(content, [&](const GLYPHITEMREF& ref) {
    if (!haveLarge || ref.length > large.length) {
      large = ref;
      haveLarge = true;
    }
    if (ref.length < kPreviewSmallLimit && (!haveSmall || ref.length < small.length)) {
      small = ref;
      haveSmall = true;
    }
    return true;
  });
  if (haveLarge) preview.hasLargest = LoadGlyphItem(preview.largest, content, large);
  if (haveSmall) preview.hasSmallest = LoadGlyphItem(preview.smallest, content, small);
  return preview;
}
