#include <gtest/gtest.h>

#include <vector>

#include "GlyphArt.h"
#include "glyph/GlyphClip.h"

namespace {

void PutLe32(std::vector<uint8_t>& v, size_t pos, int32_t x) {
  for (int i = 0; i < 4; ++i) v[pos + i] = static_cast<uint8_t>(static_cast<uint32_t>(x) >> (8 * i));
}

}  // namespace

TEST(GlyphClip, RecordLayoutIsLittleEndianWithTheWholeBuffer) {
  CGlyph g = Blank(24, 24);
  g.SetPixel(0, 0);
  g.SetPixel(23, 23);
  const std::vector<uint8_t> rec = EncodeGlyphClip({1, 2, 300, 4}, g);
  ASSERT_EQ(rec.size(), 312u);
  EXPECT_EQ(std::vector<uint8_t>(rec.begin(), rec.begin() + 24),
            (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 0x2C, 1, 0, 0, 4, 0, 0, 0, 24, 0, 0, 0, 24, 0, 0, 0}));
  EXPECT_EQ(rec[24], 0x80);
  EXPECT_EQ(rec[24 + 23 * 4 + 2], 0x01);
}

TEST(GlyphClip, DecodeRoundTripsAndNormalisesAndClipsTheRectangle) {
  const CGlyph g = Noise(16, 16, 4);
  struct Case {
    GLYPHRECT written, decoded;
  } cases[] = {
      {{2, 3, 10, 12}, {2, 3, 10, 12}},
      {{10, 12, 2, 3}, {2, 3, 10, 12}},      // corners swapped
      {{-5, -5, 40, 8}, {0, 0, 16, 8}},      // clipped to the source picture
      {{0, 0, 16, 16}, {0, 0, 16, 16}},
  };
  for (const Case& c : cases) {
    GLYPHCLIP clip;
    ASSERT_EQ(DecodeGlyphClip(EncodeGlyphClip(c.written, g), clip), kGlyphClipOk);
    EXPECT_EQ(clip.rect, c.decoded);
    EXPECT_TRUE(clip.source.SamePicture(g));
  }
}

TEST(GlyphClip, DecodeRefusesGarbage) {
  const std::vector<uint8_t> good = EncodeGlyphClip({0, 0, 4, 4}, Blank(16, 16));
  struct Case {
    const char* what;
    size_t offset;
    int32_t value;
    int result;
  } cases[] = {
      {"width 0", 16, 0, kGlyphClipBadSize},
      {"width 49", 16, 49, kGlyphClipBadSize},
      {"negative height", 20, -1, kGlyphClipBadSize},
      {"huge height", 20, 0x7FFFFFFF, kGlyphClipBadSize},
      {"rectangle left of the picture", 8, -1, kGlyphClipEmpty},
      {"empty rectangle", 8, 0, kGlyphClipEmpty},
      {"extreme corners", 0, INT32_MIN, kGlyphClipOk},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> rec = good;
    PutLe32(rec, c.offset, c.value);
    GLYPHCLIP clip;
    EXPECT_EQ(DecodeGlyphClip(rec, clip), c.result) << c.what;
  }
  GLYPHCLIP clip;
  EXPECT_EQ(DecodeGlyphClip(std::span<const uint8_t>(good).first(311), clip), kGlyphClipShort);
  EXPECT_EQ(DecodeGlyphClip({}, clip), kGlyphClipShort);
}

TEST(GlyphClip, StrayBitsPastTheSourceRowsAreDropped) {
  std::vector<uint8_t> rec = EncodeGlyphClip({0, 0, 30, 30}, Blank(30, 30));
  for (size_t i = 24; i < rec.size(); ++i) rec[i] = 0xFF;
  GLYPHCLIP clip;
  ASSERT_EQ(DecodeGlyphClip(rec, clip), kGlyphClipOk);
  EXPECT_EQ(clip.source.Pixels()[3], 0xFC);   // padding bits of row 0 clear
  EXPECT_EQ(clip.source.Pixels()[120], 0x00);  // past the last row
}

TEST(GlyphClip, RandomRecordsNeverCrash) {
  unsigned v = 12345;
  for (int n = 0; n < 2000; ++n) {
    std::vector<uint8_t> rec(312 + n % 3);
    for (uint8_t& b : rec) {
      v = v * 1103515245u + 12345u;
      b = static_cast<uint8_t>(v >> 16);
    }
    // Plausible sizes now and then so the rectangle path runs too.
    if (n % 2) {
      PutLe32(rec, 16, 1 + n % 48);
      PutLe32(rec, 20, 1 + (n / 7) % 48);
    }
    GLYPHCLIP clip;
    if (DecodeGlyphClip(rec, clip) == kGlyphClipOk) {
      EXPECT_FALSE(clip.rect.IsEmpty());
      EXPECT_GE(clip.rect.left, 0);
      EXPECT_LE(clip.rect.right, clip.source.Width());
      EXPECT_LE(clip.rect.bottom, clip.source.Height());
    }
  }
}
