// Glyph pictures and their packed form are inverses: random sets of every
// table size build into an entry and load back dot for dot, and random packed
// bitmaps load and write back byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "glyph/GlyphCodec.h"

namespace {

// Bytes of a glyph item before its bitmap (control word and sub-fields).
constexpr size_t kItemHead = 14;

CGlyph RandomPicture(int size, std::mt19937& rng, int inkPercent) {
  CGlyph g(size, size);
  std::uniform_int_distribution<int> pct(0, 99);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (pct(rng) < inkPercent) g.SetPixel(x, y);
  return g;
}

TEST(PackedRoundTrip, RandomGlyphSetsBuildAndLoadBack) {
  std::mt19937 rng(7);
  const std::string reading = "\x82\xA0";  // あ
  for (int ink : {0, 3, 50, 97, 100}) {
    GLYPHSET pictures = MakeGlyphSet();
    for (int i = 0; i < kGlyphSizeCount; ++i) pictures[i] = RandomPicture(kGlyphSizes[i].size, rng, ink);
    std::vector<uint8_t> content;
    ASSERT_EQ(BuildGlyphContent(reading, pictures, content), kGlyphContentOk);
    GLYPHSET back = MakeGlyphSet();
    ASSERT_EQ(LoadGlyphSet(content, back), (1u << kGlyphSizeCount) - 1) << "ink " << ink;
    for (int i = 0; i < kGlyphSizeCount; ++i) {
      const int size = kGlyphSizes[i].size;
      EXPECT_TRUE(back[i].SamePicture(pictures[i])) << size << " ink " << ink;
      // The same picture through the item lookup and the bare bitmap.
      GLYPHITEMREF item;
      ASSERT_TRUE(FindGlyphItem(content, size, size, item)) << size;
      ASSERT_LE(item.bitmap + item.length, content.size());
      CGlyph bare;
      ASSERT_TRUE(LoadPacked(bare, size, size, std::span<const uint8_t>(content).subspan(item.bitmap, item.length)));
      EXPECT_TRUE(bare.SamePicture(pictures[i])) << size << " ink " << ink;
    }
  }
}

TEST(PackedRoundTrip, RandomPackedBitmapsLoadAndWriteBack) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const GLYPHSIZE& s : kGlyphSizes) {
    const size_t rowBytes = static_cast<size_t>((s.size + 7) / 8);
    for (int round = 0; round < 5; ++round) {
      std::vector<uint8_t> packed(static_cast<size_t>(s.entryBytes));
      for (uint8_t& b : packed) b = static_cast<uint8_t>(byte(rng));
      // Bits past the last dot of each packed row are padding, written as 0.
      const int tailBits = static_cast<int>(rowBytes * 8) - s.size;
      if (tailBits)
        for (size_t r = 0; r < packed.size() / rowBytes; ++r)
          packed[r * rowBytes + rowBytes - 1] &= static_cast<uint8_t>(0xFF << tailBits);
      CGlyph glyph;
      ASSERT_TRUE(LoadPacked(glyph, s.size, s.size, packed));
      std::vector<uint8_t> item;
      ASSERT_EQ(WriteGlyphItem(item, glyph), kItemHead + packed.size() + 2);
      EXPECT_TRUE(std::equal(packed.begin(), packed.end(), item.begin() + kItemHead)) << s.size << " round " << round;
    }
  }
}

}  // namespace
