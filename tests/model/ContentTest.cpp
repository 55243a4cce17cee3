#include "model/Content.h"

#include <gtest/gtest.h>

#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

// kind, format, title "あ", group "G", field 3 "い", line break, glyph-less object, CR LF
const Bytes kEntry = {0x02, 0x01, 0x82, 0xA0, 0x00, 0x00, 0x82, 0x66, 0x00, 0x00,
                      0x30, 0x00, 0x80, 0x01, 0x03, 0x00, 0x00, 0x00,  // sub-fields, pad, zero word
                      0x82, 0xA2, 0x00, 0x00,                          // text run
                      0x10, 0x00, 0x00, 0x00,                          // item without sub-fields
                      0x0D, 0x0A};

// A glyph entry with one 16x16 item (32 bitmap bytes).
Bytes GlyphEntry() {
  Bytes c = {0x10, 0x01, 0x00, 0x00, 0x00, 0x00,
             0x00, 0x00, 0x00, 0x01, 16, 0x01, 0x01, 16, 0x02, 0x02, 0x00, 32, 0x00, 0x00};
  c.insert(c.end(), 32, 0xAA);
  c.insert(c.end(), {0x00, 0x00, 0x0D, 0x0A});
  return c;
}

}  // namespace

TEST(Content, TextRunsEndAtTheFirstPairStartingWithZero) {
  const Bytes c = {0x82, 0xA0, 0x00, 0x41, 0x82};  // "あ", then a pair 00 41 (ends the run)
  TEXTRUN r = ScanTextRun(c, 0);
  EXPECT_EQ(r.begin, 0u);
  EXPECT_EQ(r.end, 2u);
  EXPECT_EQ(r.next, 4u);
  // No terminator before the end: the run ends with the content, without a
  // lone final byte (half a character is never part of a run).
  r = ScanTextRun(c, 4);
  EXPECT_EQ(r.end, 4u);
  EXPECT_EQ(r.next, 5u);
  r = ScanTextRun(c, 9);  // past the end
  EXPECT_LE(r.begin, r.end);
  EXPECT_LE(r.next, c.size());
}

TEST(Content, HeaderGivesTitleGroupAndItems) {
  CONTENTHEADER h;
  ASSERT_TRUE(ParseContentHeader(kEntry, h));
  EXPECT_EQ(h.title.begin, 2u);
  EXPECT_EQ(h.title.end, 4u);
  EXPECT_EQ(h.group.begin, 6u);
  EXPECT_EQ(h.group.end, 8u);
  EXPECT_EQ(h.items, 10u);
  EXPECT_FALSE(ParseContentHeader(Bytes{0x02}, h));
  EXPECT_EQ(h.items, 1u);
}

TEST(Content, WalkerReportsEachItemAndStopsAtCrLf) {
  CONTENTHEADER h;
  ASSERT_TRUE(ParseContentHeader(kEntry, h));
  CItemWalker w(kEntry, h.items);
  CONTENTITEM it;
  ASSERT_TRUE(w.Next(it));
  EXPECT_EQ(it.kind, kItemControl);
  EXPECT_EQ(it.type, 0x30);
  EXPECT_EQ(it.subEnd, 16u);  // after the pad byte, at the even offset
  EXPECT_EQ(SubFieldValue(kEntry, it, kSubFieldNumber), 3u);
  EXPECT_EQ(SubFieldValue(kEntry, it, 0x81, 77), 77u);
  ASSERT_TRUE(w.Next(it));
  EXPECT_EQ(it.kind, kItemText);
  EXPECT_EQ(it.text.begin, 18u);
  EXPECT_EQ(it.text.end, 20u);
  ASSERT_TRUE(w.Next(it));
  EXPECT_EQ(it.kind, kItemControl);
  EXPECT_EQ(it.type, 0x10);
  SUBFIELD f[4];
  EXPECT_EQ(ReadSubFields(kEntry, it, f, 4), 0u);
  EXPECT_FALSE(w.Next(it));
  EXPECT_EQ(it.kind, kItemEnd);
  EXPECT_TRUE(w.ReachedEnd());
  EXPECT_EQ(w.Position(), kEntry.size() - 2);
}

TEST(Content, GlyphItemsSkipTheirBitmap) {
  const Bytes c = GlyphEntry();
  CItemWalker w(c, 6, /*glyphItems=*/true);
  CONTENTITEM it;
  ASSERT_TRUE(w.Next(it));
  EXPECT_EQ(it.kind, kItemControl);
  EXPECT_EQ(SubFieldValue(c, it, kSubGlyphWidth), 16u);
  EXPECT_EQ(SubFieldValue(c, it, kSubGlyphHeight), 16u);
  EXPECT_EQ(it.bitmapLength, 32u);
  EXPECT_EQ(it.bitmap, 20u);
  EXPECT_EQ(c[it.bitmap], 0xAA);
  EXPECT_FALSE(w.Next(it));
  EXPECT_EQ(it.kind, kItemEnd);
}

TEST(Content, BrokenItemsEndTheWalk) {
  const struct {
    const char* what;
    Bytes content;
    bool glyph;
  } rows[] = {
      {"sub-field longer than the content", {0x30, 0x00, 0x80, 0x40, 0x01}, false},
      {"no zero word after the sub-fields", {0x30, 0x00, 0x80, 0x01, 0x03}, false},
      {"bitmap longer than the content", {0x00, 0x00, 0x02, 0x02, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x02}, true},
  };
  for (const auto& r : rows) {
    CItemWalker w(r.content, 0, r.glyph);
    CONTENTITEM it;
    EXPECT_FALSE(w.Next(it)) << r.what;
    EXPECT_EQ(it.kind, kItemBroken) << r.what;
    EXPECT_FALSE(w.Next(it)) << r.what;  // stays ended
  }
}

TEST(Content, ZeroWordsAreReportedOnlyWhenAsked) {
  const Bytes c = {0x00, 0x00, 0x82, 0xA0, 0x00, 0x00, 0x0D, 0x0A};
  CONTENTITEM it;
  CItemWalker asked(c, 0, false, /*zeroWords=*/true);
  ASSERT_TRUE(asked.Next(it));
  EXPECT_EQ(it.kind, kItemZeroWord);
  ASSERT_TRUE(asked.Next(it));
  EXPECT_EQ(it.kind, kItemText);
  // Otherwise it starts a control item of type 0, whose "sub-field" 82 A0
  // runs past the content: the walk ends there.
  CItemWalker plain(c, 0);
  EXPECT_FALSE(plain.Next(it));
  EXPECT_EQ(it.kind, kItemBroken);
}

// Every prefix of valid content is walked without any position past its end.
TEST(Content, EveryTruncationStaysInsideTheContent) {
  for (const Bytes& full : {kEntry, GlyphEntry()}) {
    const bool glyph = full[0] == 0x10;
    for (size_t n = 0; n <= full.size(); ++n) {
      const Bytes c(full.begin(), full.begin() + static_cast<long>(n));
      CONTENTHEADER h;
      ParseContentHeader(c, h);
      ASSERT_LE(h.items, n);
      CItemWalker w(c, h.items, glyph);
      CONTENTITEM it;
      int steps = 0;
      while (w.Next(it)) {
        ASSERT_LE(it.next, n) << n;
        ASSERT_GT(it.next, it.pos) << n;  // always moves on
        if (it.kind == kItemText) {
          ASSERT_LE(it.text.end, n);
        }
        if (it.kind == kItemControl) {
          ASSERT_LE(it.subEnd + 2, n);
          SUBFIELD f[8];
          const size_t count = ReadSubFields(c, it, f, 8);
          for (size_t i = 0; i < count; ++i) ASSERT_LE(f[i].data + f[i].length, n);
          if (glyph) {
            ASSERT_LE(it.bitmap + it.bitmapLength, n);
          }
        }
        ASSERT_LT(++steps, 100);
      }
      EXPECT_EQ(w.ReachedEnd(), true);
    }
  }
}
