#include <gtest/gtest.h>

#include "GlyphArt.h"
#include "glyph/Glyph.h"

TEST(Glyph, NewGlyphIs48SquareEmptyAndUnmodified) {
  CGlyph g;
  EXPECT_EQ(g.Width(), 48);
  EXPECT_EQ(g.Height(), 48);
  EXPECT_TRUE(g.IsEmpty());
  EXPECT_FALSE(g.Modified());
  for (uint8_t b : g.Pixels()) EXPECT_EQ(b, 0);
}

TEST(Glyph, PixelLayoutUsesStrideOfCurrentWidthMsbFirst) {
  struct Case {
    int size, x, y, byte;
    uint8_t bit;
  } cases[] = {
      {16, 15, 0, 1, 0x01}, {16, 0, 1, 2, 0x80}, {24, 0, 1, 4, 0x80}, {24, 23, 0, 2, 0x01},
      {30, 29, 29, 29 * 4 + 3, 0x04}, {36, 8, 2, 13, 0x80}, {48, 47, 47, 287, 0x01},
  };
  for (const Case& c : cases) {
    CGlyph g = Blank(c.size, c.size);
    g.SetPixel(c.x, c.y);
    for (int i = 0; i < kGlyphBufferBytes; ++i)
      EXPECT_EQ(g.Pixels()[i], i == c.byte ? c.bit : 0) << c.size << " (" << c.x << "," << c.y << ") byte " << i;
    EXPECT_TRUE(g.GetPixel(c.x, c.y));
    g.ResetPixel(c.x, c.y);
    EXPECT_TRUE(g.IsEmpty());
  }
}

TEST(Glyph, StrideMatchesTheSizeTable) {
  for (const GLYPHSIZE& s : kGlyphSizes) {
    EXPECT_EQ(GlyphStride(s.size), s.stride);
    EXPECT_EQ(CGlyph(s.size, s.size).PictureBytes(), s.bufferBytes);
  }
}

TEST(Glyph, OutOfRangePixelsAreIgnoredAndNothingWraps) {
  CGlyph g = Blank(16, 16);
  for (auto [x, y] : {std::pair{-1, 0}, {16, 0}, {0, -1}, {0, 16}, {1000000, 3}, {-5, -5}}) g.SetPixel(x, y);
  EXPECT_TRUE(g.IsEmpty());
  for (uint8_t b : g.Pixels()) EXPECT_EQ(b, 0);
  EXPECT_FALSE(g.GetPixel(-1, 0));
}

TEST(Glyph, PaddingBitsAndBytesAfterThePictureDoNotCount) {
  CGlyph g = Blank(30, 30);
  for (int y = 0; y < 30; ++y) g.Pixels()[y * 4 + 3] |= 0x03;  // the two padding bits of each row
  for (int i = 120; i < kGlyphBufferBytes; ++i) g.Pixels()[i] = 0xFF;
  EXPECT_TRUE(g.IsEmpty());
  g.SetPixel(29, 29);
  EXPECT_FALSE(g.IsEmpty());
}

TEST(Glyph, HeightZeroIsEmpty) {
  CGlyph g = Blank(16, 16);
  g.SetPixel(3, 3);
  ASSERT_TRUE(g.SetSize(16, 0));
  EXPECT_TRUE(g.IsEmpty());
}

TEST(Glyph, SetSizeKeepsPixelsAndRefusesSizesPastTheBuffer) {
  CGlyph g = Blank(16, 16);
  g.SetPixel(0, 0);
  EXPECT_TRUE(g.SetSize(48, 48));
  EXPECT_TRUE(g.GetPixel(0, 0));
  EXPECT_FALSE(g.SetSize(49, 48));  // stride 8 x 48 rows
  EXPECT_FALSE(g.SetSize(48, 49));
  EXPECT_FALSE(g.SetSize(-1, 4));
  EXPECT_EQ(g.Width(), 48);
  EXPECT_EQ(g.Height(), 48);
  EXPECT_TRUE(g.SetSize(200, 2));  // 26 bytes a row still fits
}

TEST(Glyph, ClearKeepsSizeAndFlag) {
  CGlyph g = Noise(24, 24, 1);
  g.SetModified(true);
  g.Clear();
  EXPECT_EQ(g.Width(), 24);
  EXPECT_TRUE(g.Modified());
  EXPECT_TRUE(g.IsEmpty());
}

TEST(Glyph, ClearRectTakesCornersInAnyOrderAndClips) {
  CGlyph g = Art({"####", "####", "####"});
  g.ClearRect({3, 2, 1, -5});  // normalised to (1,-5)-(3,2), clipped to the picture
  EXPECT_EQ(ToArt(g), "#..#/#..#/####");
}

TEST(Glyph, InvertAllFlipsOnlyThePicture) {
  CGlyph g = Art({"#..", ".#."});
  g.InvertAll();
  EXPECT_EQ(ToArt(g), ".##/#.#");
  EXPECT_EQ(g.Pixels()[0], 0x60);  // padding bits stay clear
}

TEST(Glyph, ExtractPieceCopiesTheRectangleInEitherCornerOrder) {
  const CGlyph g = Art({"#...", ".#..", "..#.", "...#"});
  CGlyph piece;
  g.ExtractPiece(piece, {3, 3, 1, 0});
  EXPECT_EQ(piece.Width(), 2);
  EXPECT_EQ(piece.Height(), 3);
  EXPECT_EQ(ToArt(piece), "../#./.#");
  g.ExtractPiece(piece);
  EXPECT_EQ(ToArt(piece), ToArt(g));
}

TEST(Glyph, PutPieceCopiesBackgroundOverInk) {
  CGlyph g = Art({"####", "####", "####"});
  g.PutPiece(Art({"..", ".#"}), 1, 1);
  EXPECT_EQ(ToArt(g), "####/#..#/#.##");
  g.PutPiece(Art({"..", ".."}), 3, 2);  // mostly outside: only (3,2) is written
  EXPECT_EQ(ToArt(g), "####/#..#/#.#.");
}

TEST(Glyph, MovePieceClearsTheOldPlaceThenOverwritesTheNew) {
  CGlyph g = Art({"##..", "##..", "..#.", "...."});
  CGlyph piece;
  g.ExtractPiece(piece, {0, 0, 2, 2});
  g.MovePiece({0, 0}, {1, 2}, piece);
  EXPECT_EQ(ToArt(g), "..../..../.##./.##.");
}

TEST(Glyph, RotationsFollowTheCornerRules) {
  const CGlyph g = Art({"#..", "...", "..."});  // top-left corner only
  CGlyph r = g;
  r.RotateRight();
  EXPECT_EQ(ToArt(r), "..#/.../...");  // top-left becomes top-right
  CGlyph l = Art({"..#", "...", "..."});  // top-right corner
  l.RotateLeft();
  EXPECT_EQ(ToArt(l), "#../.../...");  // top-right becomes top-left
}

TEST(Glyph, RotationSwapsWidthAndHeight) {
  CGlyph g = Art({"###", "#.."});
  g.RotateRight();
  EXPECT_EQ(g.Width(), 2);
  EXPECT_EQ(g.Height(), 3);
  EXPECT_EQ(ToArt(g), "##/.#/.#");
  g.RotateLeft();
  EXPECT_EQ(ToArt(g), "###/#..");
}

TEST(Glyph, RotatingFourTimesOrBackAndForthGivesTheStart) {
  for (const GLYPHSIZE& s : kGlyphSizes) {
    const CGlyph start = Noise(s.size, s.size, s.size);
    CGlyph g = start;
    g.RotateRight();
    g.RotateLeft();
    EXPECT_TRUE(g.SamePicture(start)) << s.size;
    for (int i = 0; i < 4; ++i) g.RotateRight();
    EXPECT_TRUE(g.SamePicture(start)) << s.size;
  }
}

TEST(Glyph, LoadBitmapBitsCopiesOnlyThePictureBytes) {
  CGlyph g = Blank(16, 2);
  g.Pixels()[10] = 0x55;
  const uint8_t bits[6] = {0x80, 0x01, 0xFF, 0x00, 0xEE, 0xEE};
  g.LoadBitmapBits(bits);
  EXPECT_EQ(ToArt(g), "#..............#/########........");
  EXPECT_EQ(g.Pixels()[4], 0);  // past stride x height: untouched
  EXPECT_EQ(g.Pixels()[10], 0x55);
}

TEST(Glyph, CopiesCarryTheModifiedFlag) {
  CGlyph g = Noise(16, 16, 3);
  g.SetModified(true);
  const CGlyph copy = g;
  EXPECT_TRUE(copy.Modified());
  EXPECT_TRUE(copy.SamePicture(g));
}

TEST(Glyph, SelectionToDotsHalvesOriginAndExtentSeparately) {
  struct Case {
    GLYPHRECT doubled, dots;
  } cases[] = {
      {{20, 20, 26, 22}, {10, 10, 13, 11}},
      {{0, 0, 96, 96}, {0, 0, 48, 48}},
      {{1, 1, 4, 4}, {0, 0, 1, 1}},
      // Negative odd coordinates: the origin truncates toward zero and the
      // extent is kept, unlike halving each corner.
      {{-3, -1, 1, 3}, {-1, 0, 1, 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(SelectionToDots(c.doubled), c.dots);
}

TEST(Glyph, GlyphSetHasTheSevenTableSizes) {
  const GLYPHSET set = MakeGlyphSet();
  for (int i = 0; i < kGlyphSizeCount; ++i) {
    EXPECT_EQ(set[i].Width(), kGlyphSizes[i].size);
    EXPECT_EQ(set[i].Height(), kGlyphSizes[i].size);
    EXPECT_TRUE(set[i].IsEmpty());
  }
}
