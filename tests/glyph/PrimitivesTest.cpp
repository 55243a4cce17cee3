#include <gtest/gtest.h>

#include <vector>

#include "GlyphArt.h"
#include "glyph/Glyph.h"

namespace {

struct LineCase {
  int x0, y0, x1, y1, t;
  const char* dots;
};

}  // namespace

TEST(Primitives, DrawLineSetsExactlyTheseDots) {
  const LineCase cases[] = {
      // x-major rounds y to the nearest dot
      {0, 0, 5, 2, 1, "(0,0) (1,0) (2,1) (3,1) (4,2) (5,2)"},
      // y-major truncates x
      {0, 0, 2, 5, 1, "(0,0) (0,1) (0,2) (1,3) (1,4) (2,5)"},
      // |dx| == |dy| takes the y-major rule
      {0, 0, 3, 3, 1, "(0,0) (1,1) (2,2) (3,3)"},
      // the same lines walked backwards
      // Truncation toward zero also for negative steps: an x-major line
      // walked upwards rounds differently and ends one dot low.
      {5, 2, 0, 0, 1, "(0,1) (1,1) (2,2) (3,2) (4,2) (5,2)"},
      {0, 2, 5, 0, 1, "(4,1) (5,1) (0,2) (1,2) (2,2) (3,2)"},
      {2, 5, 0, 0, 1, "(0,0) (1,1) (1,2) (2,3) (2,4) (2,5)"},
      // thickness 2 grows downwards on an x-major line
      {0, 0, 5, 2, 2, "(0,0) (1,0) (0,1) (1,1) (2,1) (3,1) (2,2) (3,2) (4,2) (5,2) (4,3) (5,3)"},
      // and to the right on a y-major one
      {0, 0, 0, 2, 2, "(0,0) (1,0) (0,1) (1,1) (0,2) (1,2)"},
      // a dot to itself: the t x t block
      {3, 4, 3, 4, 1, "(3,4)"},
      {3, 4, 3, 4, 2, "(3,4) (4,4) (3,5) (4,5)"},
      // leaving the picture: only the dots inside, nothing wraps
      {5, 0, 9, 0, 1, "(5,0) (6,0) (7,0)"},
      {-3, 1, 2, 1, 1, "(0,1) (1,1) (2,1)"},
      {7, 6, 7, 6, 2, "(7,6) (7,7)"},
      // wild coordinates far outside cost nothing and draw what is inside
      {-1000000, 2, 1000000, 2, 1, "(0,2) (1,2) (2,2) (3,2) (4,2) (5,2) (6,2) (7,2)"},
  };
  for (const LineCase& c : cases) {
    CGlyph g = Blank(8, 8);
    g.DrawLine(c.x0, c.y0, c.x1, c.y1, c.t);
    EXPECT_EQ(InkDots(g), c.dots) << "(" << c.x0 << "," << c.y0 << ")->(" << c.x1 << "," << c.y1 << ") t=" << c.t;
  }
}

TEST(Primitives, DrawLineNeverWritesPastTheRowIntoTheNext) {
  CGlyph g = Blank(16, 16);
  g.DrawLine(10, 3, 30, 3, 2);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_FALSE(g.GetPixel(x, y)) << x << "," << y;
  EXPECT_TRUE(g.GetPixel(15, 4));
}

TEST(Primitives, PolylineJoinsConsecutivePoints) {
  CGlyph g = Blank(6, 6);
  const std::vector<GLYPHPOINT> one{{2, 2}};
  g.DrawPolyline(one, 1);
  EXPECT_TRUE(g.IsEmpty());  // a single point draws nothing
  const std::vector<GLYPHPOINT> pts{{0, 0}, {3, 0}, {3, 3}};
  g.DrawPolyline(pts, 1);
  EXPECT_EQ(ToArt(g), "####../...#../...#../...#../....../......");
  CGlyph click = Blank(6, 6);
  const std::vector<GLYPHPOINT> still{{1, 1}, {1, 1}};
  click.DrawPolyline(still, 2);  // a brush click: the 2 x 2 block
  EXPECT_EQ(InkDots(click), "(1,1) (2,1) (1,2) (2,2)");
}

TEST(Primitives, ErasePathRoundsInBothBranches) {
  struct Case {
    std::vector<GLYPHPOINT> path;
    const char* cleared;
  } cases[] = {
      {{{0, 0}, {2, 5}}, "(0,0) (0,1) (1,2) (1,3) (2,4) (2,5)"},
      {{{0, 0}, {5, 2}}, "(0,0) (1,0) (2,1) (3,1) (4,2) (5,2)"},
      {{{4, 4}}, "(4,4)"},
      {{{1, 1}, {1, 1}, {2, 1}}, "(1,1) (2,1)"},
      {{{-2, 0}, {1, 0}}, "(0,0) (1,0)"},
  };
  for (const Case& c : cases) {
    CGlyph g = Blank(8, 8);
    g.InvertAll();
    g.ErasePath(c.path);
    g.InvertAll();  // cleared dots are now the ink
    EXPECT_EQ(InkDots(g), c.cleared);
  }
}

TEST(Primitives, BoxesAndEllipsesMatchTheirPictures) {
  struct Case {
    const char* what;
    int x0, y0, x1, y1;
    int w, h;
    const char* art;
  } cases[] = {
      {"box", 0, 0, 4, 4, 5, 5, "#####/#...#/#...#/#...#/#####"},
      {"box", 4, 3, 1, 0, 5, 4, ".####/.#..#/.#..#/.####"},
      {"fillbox", 3, 2, 1, 0, 5, 4, ".###./.###./.###./....."},
      {"ellipse", 0, 0, 4, 4, 5, 5, ".###./#...#/#...#/#...#/.###."},
      {"ellipse", 0, 0, 6, 3, 7, 4, ".#####./#.....#/#.....#/.#####."},
      {"fillellipse", 0, 0, 6, 3, 7, 4, ".#####./#######/#######/.#####."},
      {"ellipse", 6, 3, 0, 0, 7, 4, ".#####./#.....#/#.....#/.#####."},  // corners in any order
      {"ellipse", 1, 0, 1, 3, 3, 4, ".#./.#./.#./.#."},    // width 0: a vertical line
      {"ellipse", 0, 1, 3, 1, 4, 3, "..../####/...."},     // height 0: a horizontal line
      {"ellipse", 1, 1, 1, 1, 3, 3, ".../.#./..."},        // a single point
      {"fillellipse", 1, 1, 1, 1, 3, 3, ".../.#./..."},
      {"ellipse", 0, 0, 3, 6, 4, 7, ".##./#..#/#..#/#..#/#..#/#..#/.##."},  // tall
      {"fillellipse", 0, 0, 3, 6, 4, 7, ".##./####/####/####/####/####/.##."},
  };
  for (const Case& c : cases) {
    CGlyph g = Blank(c.w, c.h);
    const std::string what = c.what;
    if (what == "box") g.DrawBox(c.x0, c.y0, c.x1, c.y1);
    if (what == "fillbox") g.FillBox(c.x0, c.y0, c.x1, c.y1);
    if (what == "ellipse") g.DrawEllipse(c.x0, c.y0, c.x1, c.y1);
    if (what == "fillellipse") g.FillEllipse(c.x0, c.y0, c.x1, c.y1);
    EXPECT_EQ(ToArt(g), c.art) << what << " (" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
  }
}

TEST(Primitives, ShapesPartlyOutsideThePictureAreClipped) {
  CGlyph g = Blank(4, 4);
  g.FillBox(-10, -10, 1, 1);
  EXPECT_EQ(ToArt(g), "##../##../..../....");
  CGlyph e = Blank(4, 4);
  e.DrawEllipse(-2, -2, 2, 2);  // the 5 x 5 circle centred on (0,0)
  EXPECT_EQ(ToArt(e), "..#./..#./##../....");
}
