#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "GlyphArt.h"
#include "glyph/GlyphCodec.h"
#include "model/DataSet.h"

namespace {

// A glyph item as WriteGlyphItem frames it, with any declared size and length.
std::vector<uint8_t> Item(int w, int h, size_t declared, size_t actual) {
  std::vector<uint8_t> v = {0x00, 0x00, 0x00, 0x01, static_cast<uint8_t>(w), 0x01, 0x01, static_cast<uint8_t>(h),
                            0x02, 0x02, static_cast<uint8_t>(declared >> 8), static_cast<uint8_t>(declared), 0x00, 0x00};
  for (size_t i = 0; i < actual; ++i) v.push_back(0xFF);
  if (actual % 2) v.push_back(0);
  v.push_back(0);
  v.push_back(0);
  return v;
}

std::vector<uint8_t> Content(std::initializer_list<std::vector<uint8_t>> items, bool crlf = true) {
  std::vector<uint8_t> c = {0x10, 0x01, 0x82, 0xA0, 0x00, 0x00, 0x00, 0x00};
  for (const auto& i : items) c.insert(c.end(), i.begin(), i.end());
  if (crlf) c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

}  // namespace

TEST(GlyphCodec, WriteThenLoadIsBitIdenticalAtEverySize) {
  for (int i = 0; i < kGlyphSizeCount; ++i) {
    const int s = kGlyphSizes[i].size;
    for (unsigned seed : {1u, 2u, 3u}) {
      const CGlyph g = Noise(s, s, seed * 100 + s);
      std::vector<uint8_t> out;
      EXPECT_EQ(WriteGlyphItem(out, g), 14 + static_cast<size_t>(kGlyphSizes[i].entryBytes) + 2);
      CGlyph back;
      ASSERT_TRUE(LoadPacked(back, s, s, std::span<const uint8_t>(out).subspan(14, kGlyphSizes[i].entryBytes)));
      EXPECT_TRUE(back.SamePicture(g)) << s;
    }
  }
}

TEST(GlyphCodec, ItemBytesOf24x24) {
  CGlyph g = Blank(24, 24);
  g.SetPixel(0, 23);  // bottom-left: the first bit of the first stored column
  std::vector<uint8_t> out = {0xAA};
  EXPECT_EQ(WriteGlyphItem(out, g), 1u + 14 + 72 + 2);
  const std::vector<uint8_t> head(out.begin() + 1, out.begin() + 15);
  EXPECT_EQ(head, (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x01, 24, 0x01, 0x01, 24, 0x02, 0x02, 0x00, 0x48, 0x00, 0x00}));
  EXPECT_EQ(out[15], 0x80);
  for (size_t i = 16; i < out.size(); ++i) EXPECT_EQ(out[i], 0) << i;
}

TEST(GlyphCodec, StoredRowsAreColumnsFromTheBottomUp) {
  CGlyph g = Blank(16, 16);
  g.SetPixel(1, 15);  // column 1, bottom dot
  g.SetPixel(0, 0);   // column 0, top dot: bit 15 counted from the bottom
  std::vector<uint8_t> out;
  WriteGlyphItem(out, g);
  EXPECT_EQ(out[14 + 0], 0x00);
  EXPECT_EQ(out[14 + 1], 0x01);
  EXPECT_EQ(out[14 + 2], 0x80);
}

TEST(GlyphCodec, BuildWithEmptyReadingIs1140Bytes) {
  std::vector<uint8_t> c;
  ASSERT_EQ(BuildGlyphContent("", MakeGlyphSet(), c), kGlyphContentOk);
  ASSERT_EQ(c.size(), 1140u);
  EXPECT_EQ(std::vector<uint8_t>(c.begin(), c.begin() + 6), (std::vector<uint8_t>{0x10, 0x01, 0, 0, 0, 0}));
  EXPECT_EQ(c[1138], 0x0D);
  EXPECT_EQ(c[1139], 0x0A);
  EXPECT_EQ(GetGlyphSizeMask(c), 0x7Fu);
}

TEST(GlyphCodec, BuildAndLoadTheWholeSetBack) {
  GLYPHSET set = MakeGlyphSet();
  for (int i = 0; i < kGlyphSizeCount; ++i) set[i] = Noise(kGlyphSizes[i].size, kGlyphSizes[i].size, 40 + i);
  const std::string reading = "\x82\xA0\x82\xA2";  // あい
  std::vector<uint8_t> c;
  ASSERT_EQ(BuildGlyphContent(reading, set, c), kGlyphContentOk);
  EXPECT_EQ(c.size(), 1140u + reading.size());
  EXPECT_EQ(std::string(c.begin() + 2, c.begin() + 6), reading);
  GLYPHSET back;  // 48 x 48 each until loaded
  EXPECT_EQ(LoadGlyphSet(c, back), 0x7Fu);
  for (int i = 0; i < kGlyphSizeCount; ++i) EXPECT_TRUE(back[i].SamePicture(set[i])) << i;
}

TEST(GlyphCodec, BuildRefusesAReadingThatIsNotDoubleByteText) {
  std::vector<uint8_t> c = {1, 2, 3};
  EXPECT_EQ(BuildGlyphContent("\x82", MakeGlyphSet(), c), kGlyphContentBadReading);
  EXPECT_EQ(BuildGlyphContent(std::string("\x82\xA0\x00\x41", 4), MakeGlyphSet(), c), kGlyphContentBadReading);
  EXPECT_EQ(c.size(), 3u);
}

TEST(GlyphCodec, MissingSizesKeepWhatTheGlyphHad) {
  GLYPHSET set = MakeGlyphSet();
  set[0] = Noise(16, 16, 7);
  std::vector<uint8_t> only16;
  WriteGlyphItem(only16, set[0]);
  const std::vector<uint8_t> c = Content({only16});
  GLYPHSET back = MakeGlyphSet();
  back[6].SetPixel(5, 5);
  EXPECT_EQ(LoadGlyphSet(c, back), 0x01u);
  EXPECT_TRUE(back[0].SamePicture(set[0]));
  EXPECT_TRUE(back[6].GetPixel(5, 5));
  EXPECT_EQ(back[1].Width(), 24);
}

TEST(GlyphCodec, FindSkipsItemsThatCannotBeRead) {
  struct Case {
    const char* what;
    std::vector<uint8_t> content;
    bool found;
  } cases[] = {
      {"plain 16", Content({Item(16, 16, 32, 32)}), true},
      {"longer bitmap than needed", Content({Item(16, 16, 40, 40)}), true},
      {"bitmap shorter than the packed size", Content({Item(16, 16, 30, 30)}), false},
      {"a short one, then a good one", Content({Item(16, 16, 2, 2), Item(16, 16, 32, 32)}), true},
      {"size outside the table first", Content({Item(17, 17, 34, 34), Item(16, 16, 32, 32)}), true},
      {"no CR LF at the end", Content({Item(16, 16, 32, 32)}, false), true},
      {"length past the content end", Content({Item(16, 16, 600, 32)}), false},
      {"content cut inside the bitmap", [] {
         auto c = Content({Item(16, 16, 32, 32)});
         c.resize(30);
         return c;
       }(), false},
      {"header only", {0x10, 0x01}, false},
      {"nothing", {}, false},
  };
  for (const Case& c : cases) {
    GLYPHITEMREF ref;
    EXPECT_EQ(FindGlyphItem(c.content, 16, 16, ref), c.found) << c.what;
    if (c.found) {
      EXPECT_GE(ref.length, 32u);
      EXPECT_LE(ref.bitmap + 32, c.content.size());
      CGlyph g;
      EXPECT_TRUE(LoadGlyphItem(g, c.content, ref)) << c.what;
      EXPECT_EQ(g.Width(), 16);
    }
  }
}

TEST(GlyphCodec, LoadPackedRefusesSizesOutsideTheTableAndShortInput) {
  const std::vector<uint8_t> bytes(288, 0xFF);
  CGlyph g = Blank(24, 24);
  EXPECT_FALSE(LoadPacked(g, 17, 17, bytes));
  EXPECT_FALSE(LoadPacked(g, 16, 24, bytes));
  EXPECT_FALSE(LoadPacked(g, 48, 48, std::span<const uint8_t>(bytes).first(287)));
  EXPECT_EQ(g.Width(), 24);
  EXPECT_TRUE(g.IsEmpty());
  EXPECT_TRUE(LoadPacked(g, 30, 30, bytes));
  EXPECT_EQ(g.Width(), 30);
  // Stray bits past the last dot of packed rows never reach the padding.
  for (int y = 0; y < 30; ++y) EXPECT_EQ(g.Pixels()[y * 4 + 3], 0xFC);
}

TEST(GlyphCodec, PreviewPicksLargestAndSmallestBelow288) {
  std::vector<uint8_t> i16, i48, i24;
  WriteGlyphItem(i16, Noise(16, 16, 1));
  WriteGlyphItem(i48, Noise(48, 48, 2));
  WriteGlyphItem(i24, Noise(24, 24, 3));
  {
    const GLYPHPREVIEW p = GetPreviewGlyphs(Content({i24, i48, i16}));
    ASSERT_TRUE(p.hasLargest);
    ASSERT_TRUE(p.hasSmallest);
    EXPECT_TRUE(p.largest.SamePicture(Noise(48, 48, 2)));
    EXPECT_TRUE(p.smallest.SamePicture(Noise(16, 16, 1)));
  }
  {
    const GLYPHPREVIEW p = GetPreviewGlyphs(Content({i48}));  // only 48 x 48: no small picture
    EXPECT_TRUE(p.hasLargest);
    EXPECT_FALSE(p.hasSmallest);
  }
  {
    // Equal lengths: the first one wins both.
    std::vector<uint8_t> other16;
    WriteGlyphItem(other16, Noise(16, 16, 9));
    const GLYPHPREVIEW p = GetPreviewGlyphs(Content({i16, other16}));
    EXPECT_TRUE(p.largest.SamePicture(Noise(16, 16, 1)));
    EXPECT_TRUE(p.smallest.SamePicture(Noise(16, 16, 1)));
  }
  {
    // An item declaring a huge bitmap of a size outside the table is ignored.
    const GLYPHPREVIEW p = GetPreviewGlyphs(Content({Item(20, 20, 400, 400), i24}));
    EXPECT_TRUE(p.largest.SamePicture(Noise(24, 24, 3)));
  }
  EXPECT_FALSE(GetPreviewGlyphs(Content({})).hasLargest);
}

TEST(GlyphCodec, MutatedContentNeverReadsOutOfBounds) {
  GLYPHSET set = MakeGlyphSet();
  for (int i = 0; i < kGlyphSizeCount; ++i) set[i] = Noise(kGlyphSizes[i].size, kGlyphSizes[i].size, i);
  std::vector<uint8_t> good;
  ASSERT_EQ(BuildGlyphContent("\x82\xA0", set, good), kGlyphContentOk);
  unsigned v = 99;
  auto next = [&v] {
    v = v * 1103515245u + 12345u;
    return v >> 16;
  };
  for (int n = 0; n < 3000; ++n) {
    // Copied into an exact-size heap buffer so a sanitizer sees any overrun.
    std::vector<uint8_t> c = good;
    for (int k = 0; k < 1 + n % 4; ++k) c[next() % c.size()] = static_cast<uint8_t>(next());
    c.resize(next() % (c.size() + 1));
    std::unique_ptr<uint8_t[]> exact(new uint8_t[c.size() + 1]);
    std::copy(c.begin(), c.end(), exact.get());
    const ContentBytes bytes(exact.get(), c.size());
    GLYPHSET back = MakeGlyphSet();
    const uint32_t loaded = LoadGlyphSet(bytes, back);
    EXPECT_EQ(loaded & ~GetGlyphSizeMask(bytes), 0u);  // never a size the mask does not know
    const GLYPHPREVIEW p = GetPreviewGlyphs(bytes);
    EXPECT_TRUE(!p.hasSmallest || p.hasLargest);
  }
}
