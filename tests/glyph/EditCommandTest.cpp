#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GlyphArt.h"
#include "glyph/GlyphClip.h"
#include "glyph/GlyphEditCore.h"

namespace {

// Records what the window side would be told.
class CSinkLog : public IGlyphEditSink {
 public:
  void SelectionChanged() override { ++repaints; }
  void GlyphChanged() override { ++changes; }
  int repaints = 0;
  int changes = 0;
};

class EditCore : public ::testing::Test {
 protected:
  void Load(const CGlyph& g) { core.LoadGlyph(g); }
  std::string Picture() const { return ToArt(core.Working()); }

  CSinkLog sink;
  CGlyphEditCore core{&sink};
};

}  // namespace

TEST_F(EditCore, UndoAfterAPencilStrokeRestoresThePictureWithoutSelection) {
  Load(Blank(8, 8));
  core.SelectAll();
  core.ExecuteCommand(std::make_unique<CPolylineCommand>(std::vector<GLYPHPOINT>{{0, 0}, {3, 0}}, 1));
  EXPECT_EQ(CornerArt(core.Working(), 4, 1), "####");
  EXPECT_FALSE(core.HasSelection());  // a stroke leaves no selection
  EXPECT_EQ(sink.changes, 1);
  core.Undo();
  EXPECT_TRUE(core.Working().IsEmpty());
  EXPECT_FALSE(core.HasSelection());
  EXPECT_FALSE(core.CanUndo());
  EXPECT_EQ(sink.changes, 2);
}

TEST_F(EditCore, EveryShapeCommandDrawsItsPrimitive) {
  struct Case {
    std::unique_ptr<CDrawCommand> (*make)();
    void (*draw)(CGlyph&);
  } cases[] = {
      {[] { return std::unique_ptr<CDrawCommand>(new CLineCommand({0, 0}, {5, 2})); },
       [](CGlyph& g) { g.DrawLine(0, 0, 5, 2, 1); }},
      {[] { return std::unique_ptr<CDrawCommand>(new CDrawRectCommand({1, 1}, {5, 4})); },
       [](CGlyph& g) { g.DrawBox(1, 1, 5, 4); }},
      {[] { return std::unique_ptr<CDrawCommand>(new CFillRectCommand({1, 1}, {5, 4})); },
       [](CGlyph& g) { g.FillBox(1, 1, 5, 4); }},
      {[] { return std::unique_ptr<CDrawCommand>(new CDrawEllipseCommand({0, 0}, {6, 3})); },
       [](CGlyph& g) { g.DrawEllipse(0, 0, 6, 3); }},
      {[] { return std::unique_ptr<CDrawCommand>(new CFillEllipseCommand({0, 0}, {6, 3})); },
       [](CGlyph& g) { g.FillEllipse(0, 0, 6, 3); }},
      {[] { return std::unique_ptr<CDrawCommand>(new CPolylineCommand({{2, 2}, {2, 2}}, 2)); },
       [](CGlyph& g) { g.DrawLine(2, 2, 2, 2, 2); }},
  };
  for (const Case& c : cases) {
    Load(Blank(8, 8));
    core.ExecuteCommand(c.make());
    CGlyph expected = Blank(8, 8);
    c.draw(expected);
    EXPECT_FALSE(expected.IsEmpty());
    EXPECT_EQ(Picture(), ToArt(expected));
    core.Undo();
    EXPECT_TRUE(core.Working().IsEmpty());
  }
}

TEST_F(EditCore, EraserClearsItsPath) {
  Load(Art({"####", "####"}));
  core.ExecuteCommand(std::make_unique<CEraserCommand>(std::vector<GLYPHPOINT>{{0, 1}, {3, 1}}));
  EXPECT_EQ(Picture(), "####/....");
  core.Undo();
  EXPECT_EQ(Picture(), "####/####");
}

TEST_F(EditCore, DeleteClearsTheSelectionAndUndoBringsBothBack) {
  Load(Art({"####", "####", "####"}));
  core.SetSelection({2, 0, 6, 4});  // dots (1,0)-(3,2)
  core.DeleteSelection();
  EXPECT_EQ(Picture(), "#..#/#..#/####");
  EXPECT_FALSE(core.HasSelection());
  core.Undo();
  EXPECT_EQ(Picture(), "####/####/####");
  EXPECT_EQ(core.Selection(), (GLYPHRECT{2, 0, 6, 4}));
}

TEST_F(EditCore, DeleteUsesTheDotFormulaForNegativeOddCoordinates) {
  Load(Art({"####", "####"}));
  core.SetSelection({-3, -1, 1, 3});  // dots (-1,0)-(1,2): column 0 only on the picture
  core.DeleteSelection();
  EXPECT_EQ(Picture(), ".###/.###");
}

TEST_F(EditCore, DeleteWithoutSelectionDoesNothing) {
  Load(Art({"##"}));
  core.DeleteSelection();
  EXPECT_FALSE(core.CanUndo());
  EXPECT_EQ(Picture(), "##");
  EXPECT_TRUE(core.CopyRecord().empty());
}

TEST_F(EditCore, InvertWithSelectionFlipsOnlyTheSelectedDotsAndTwiceRestores) {
  Load(Art({"#...", "....", "...."}));
  core.SetSelection({0, 0, 4, 4});  // dots (0,0)-(2,2)
  core.Working().ExtractPiece(core.Piece(), {0, 0, 2, 2});
  core.InvertSelection();
  EXPECT_EQ(Picture(), ".#../##../....");
  EXPECT_EQ(core.Selection(), (GLYPHRECT{0, 0, 4, 4}));
  core.InvertSelection();
  EXPECT_EQ(Picture(), "#.../..../....");
  core.Undo();
  core.Undo();
  EXPECT_EQ(Picture(), "#.../..../....");
}

TEST_F(EditCore, InvertWithoutSelectionFlipsEverythingAndKeepsNoSelection) {
  Load(Art({"#..", ".#."}));
  core.InvertSelection();
  EXPECT_EQ(Picture(), ".##/#.#");
  EXPECT_FALSE(core.HasSelection());
}

TEST_F(EditCore, Rotate48RightWithoutSelectionTurnsInPlace) {
  const CGlyph start = Noise(48, 48, 5);
  Load(start);
  core.RotateSelectionRight();
  CGlyph expected = start;
  expected.RotateRight();
  EXPECT_TRUE(core.Working().SamePicture(expected));
  EXPECT_FALSE(core.HasSelection());
  core.RotateSelectionLeft();
  EXPECT_TRUE(core.Working().SamePicture(start));
  for (int i = 0; i < 4; ++i) core.RotateSelectionLeft();
  EXPECT_TRUE(core.Working().SamePicture(start));
}

TEST_F(EditCore, RotatingANonSquareSelectionKeepsItsCentre) {
  CGlyph g = Blank(24, 24);
  g.SetPixel(10, 10);
  g.SetPixel(12, 10);  // the 3 x 1 row at (10,10)-(13,11): "#.#"
  Load(g);
  core.SetSelection({20, 20, 26, 22});
  core.Working().ExtractPiece(core.Piece(), SelectionToDots(core.Selection()));
  core.RotateSelectionRight();
  EXPECT_EQ(core.Selection(), (GLYPHRECT{22, 18, 24, 24}));
  EXPECT_EQ(SelectionToDots(core.Selection()), (GLYPHRECT{11, 9, 12, 12}));
  EXPECT_EQ(InkDots(core.Working()), "(11,9) (11,11)");
  core.Undo();
  EXPECT_EQ(InkDots(core.Working()), "(10,10) (12,10)");
  EXPECT_EQ(core.Selection(), (GLYPHRECT{20, 20, 26, 22}));
}

TEST_F(EditCore, RotateLeftOfASelectionPutsTheTopRightAtTheTopLeft) {
  Load(Art({"......", ".##...", ".#....", "......"}));
  core.SetSelection({2, 2, 6, 6});  // dots (1,1)-(3,3)
  core.Working().ExtractPiece(core.Piece(), {1, 1, 3, 3});
  core.RotateSelectionLeft();
  EXPECT_EQ(Picture(), "....../.#..../.##.../......");
  EXPECT_EQ(core.Selection(), (GLYPHRECT{2, 2, 6, 6}));
}

TEST_F(EditCore, MoveOverwritesTheDestinationAndUndoRestoresIt) {
  Load(Art({"##..", "##..", "...#", "...."}));
  core.SetSelection({0, 0, 4, 4});
  core.Working().ExtractPiece(core.Piece(), {0, 0, 2, 2});
  core.ExecuteCommand(std::make_unique<CMoveCommand>(GLYPHPOINT{0, 0}, GLYPHPOINT{2, 1}, core.Piece()));
  EXPECT_EQ(Picture(), "..../..##/..##/....");  // the ink at (3,2) was overwritten
  EXPECT_EQ(core.Selection(), (GLYPHRECT{4, 2, 8, 6}));
  core.Undo();
  EXPECT_EQ(Picture(), "##../##../...#/....");
  EXPECT_EQ(core.Selection(), (GLYPHRECT{0, 0, 4, 4}));  // the place the piece came from
}

TEST_F(EditCore, APieceMovedOutsideKeepsItsPixelsForTheWayBack) {
  Load(Art({"#.", ".."}));
  core.SetSelection({0, 0, 2, 2});
  core.Working().ExtractPiece(core.Piece(), {0, 0, 1, 1});
  const CGlyph piece = core.Piece();
  core.ExecuteCommand(std::make_unique<CMoveCommand>(GLYPHPOINT{0, 0}, GLYPHPOINT{-1, 0}, piece));
  EXPECT_TRUE(core.Working().IsEmpty());
  core.ExecuteCommand(std::make_unique<CMoveCommand>(GLYPHPOINT{-1, 0}, GLYPHPOINT{1, 1}, piece));
  EXPECT_EQ(Picture(), "../.#");
}

TEST_F(EditCore, EveryCommandUndoesInReverseOrder) {
  Load(Blank(16, 16));
  std::vector<std::string> states{Picture()};
  for (int i = 0; i < 40; ++i) {
    switch (i % 5) {
      case 0: core.ExecuteCommand(std::make_unique<CLineCommand>(GLYPHPOINT{i % 16, 0}, GLYPHPOINT{15, i % 16})); break;
      case 1: core.ExecuteCommand(std::make_unique<CFillEllipseCommand>(GLYPHPOINT{i % 7, 2}, GLYPHPOINT{12, 9})); break;
      case 2: core.InvertSelection(); break;
      case 3: core.RotateSelectionRight(); break;
      case 4: core.ExecuteCommand(std::make_unique<CEraserCommand>(std::vector<GLYPHPOINT>{{0, i % 16}, {15, 15 - i % 16}})); break;
    }
    states.push_back(Picture());
  }
  EXPECT_EQ(core.History().UndoCount(), 40u);
  for (int i = 40; i > 0; --i) {
    ASSERT_EQ(Picture(), states[i]) << i;
    core.Undo();
  }
  EXPECT_EQ(Picture(), states[0]);
  EXPECT_FALSE(core.CanUndo());
  core.Undo();  // an empty stack does nothing
  EXPECT_EQ(Picture(), states[0]);
}

TEST_F(EditCore, LoadingAnotherSizeEmptiesTheStackAndSelection) {
  Load(Blank(16, 16));
  core.InvertSelection();
  core.SelectAll();
  ASSERT_TRUE(core.CanUndo());
  Load(Blank(24, 24));
  EXPECT_FALSE(core.CanUndo());
  EXPECT_FALSE(core.HasSelection());
  EXPECT_EQ(core.Working().Width(), 24);
}

TEST_F(EditCore, UndoRestoresTheModifiedFlagOfTheSnapshot) {
  CGlyph g = Blank(16, 16);
  g.SetModified(false);
  Load(g);
  core.Working().SetModified(true);
  core.ExecuteCommand(std::make_unique<CLineCommand>(GLYPHPOINT{0, 0}, GLYPHPOINT{3, 3}));
  core.Working().SetModified(false);
  core.Undo();
  EXPECT_TRUE(core.Working().Modified());
}

// ---- paste ----------------------------------------------------------------

TEST_F(EditCore, PastingA16GlyphInto48WithAutoScaleFillsTheWholePicture) {
  CGlyph src = Blank(16, 16);
  src.FillBox(0, 0, 15, 15);
  const std::vector<uint8_t> record = EncodeGlyphClip({0, 0, 16, 16}, src);
  Load(Blank(48, 48));
  ASSERT_TRUE(core.PasteGlyphRecord(record, true));
  EXPECT_EQ(core.Selection(), (GLYPHRECT{0, 0, 96, 96}));
  CGlyph full = Blank(48, 48);
  full.FillBox(0, 0, 47, 47);
  EXPECT_TRUE(core.Working().SamePicture(full));
  EXPECT_EQ(core.Piece().Width(), 48);
  core.Undo();
  EXPECT_TRUE(core.Working().IsEmpty());
  EXPECT_FALSE(core.HasSelection());
}

TEST_F(EditCore, PastingA16GlyphInto48WithoutAutoScaleCopies16x16) {
  CGlyph src = Blank(16, 16);
  src.FillBox(0, 0, 15, 15);
  Load(Blank(48, 48));
  ASSERT_TRUE(core.PasteGlyphRecord(EncodeGlyphClip({0, 0, 16, 16}, src), false));
  EXPECT_EQ(core.Selection(), (GLYPHRECT{0, 0, 32, 32}));
  EXPECT_EQ(InkDots(core.Working()), InkDots([] {
              CGlyph g = Blank(48, 48);
              g.FillBox(0, 0, 15, 15);
              return g;
            }()));
  EXPECT_EQ(core.Piece().Width(), 16);
  EXPECT_EQ(core.Piece().Height(), 16);
}

TEST_F(EditCore, PastedGlyphLandsTopLeftOverTheOldPictureAndBecomesThePiece) {
  const CGlyph src = Art({"....", ".##.", ".#..", "...."});
  Load(Art({"#####", "#####", "#####"}));
  core.SetSelection({4, 2, 8, 6});
  ASSERT_TRUE(core.PasteGlyphRecord(EncodeGlyphClip({1, 1, 3, 3}, src), false));
  EXPECT_EQ(Picture(), "#####/#.###/#####");  // the rectangle's background overwrote ink
  EXPECT_EQ(ToArt(core.Piece()), "##/#.");
  core.Undo();
  EXPECT_EQ(core.Selection(), (GLYPHRECT{4, 2, 8, 6}));
}

TEST_F(EditCore, ShrinkingPasteKeepsThinStrokes) {
  CGlyph src = Blank(48, 48);
  src.DrawLine(0, 1, 47, 1, 1);  // one thin line on an odd row
  Load(Blank(16, 16));
  ASSERT_TRUE(core.PasteGlyphRecord(EncodeGlyphClip({0, 0, 48, 48}, src), true));
  EXPECT_EQ(core.Selection(), (GLYPHRECT{0, 0, 32, 32}));
  for (int x = 0; x < 16; ++x) EXPECT_TRUE(core.Working().GetPixel(x, 0)) << x;
  EXPECT_FALSE(core.Working().GetPixel(0, 1));
}

TEST_F(EditCore, AutoScaleRoundsHalvesAwayFromZero) {
  struct Case {
    int srcSize;
    GLYPHRECT rect;
    int target;
    int b, c;
  } cases[] = {
      {16, {0, 0, 3, 1}, 24, 5, 2},    // 4.5 -> 5, 1.5 -> 2
      {48, {0, 0, 5, 7}, 16, 2, 2},    // 1.67 -> 2, 2.33 -> 2
      {48, {0, 0, 1, 1}, 16, 1, 1},    // 0.33 would be nothing: at least one dot
      {30, {10, 10, 30, 30}, 40, 27, 27},  // 26.67 -> 27
  };
  for (const Case& c : cases) {
    CGlyph src = Blank(c.srcSize, c.srcSize);
    src.FillBox(0, 0, c.srcSize - 1, c.srcSize - 1);
    Load(Blank(c.target, c.target));
    ASSERT_TRUE(core.PasteGlyphRecord(EncodeGlyphClip(c.rect, src), true));
    EXPECT_EQ(SelectionToDots(core.Selection()), (GLYPHRECT{0, 0, c.b, c.c})) << c.srcSize << "->" << c.target;
  }
}

TEST_F(EditCore, UnusableClipboardRecordsChangeNothing) {
  Load(Art({"#."}));
  EXPECT_FALSE(core.PasteGlyphRecord(std::vector<uint8_t>(100, 0x41), true));
  std::vector<uint8_t> zeroSize = EncodeGlyphClip({0, 0, 1, 1}, Blank(16, 16));
  zeroSize[16] = 0;
  EXPECT_FALSE(core.PasteGlyphRecord(zeroSize, true));
  EXPECT_FALSE(core.CanUndo());
  EXPECT_EQ(Picture(), "#.");
  EXPECT_EQ(sink.changes, 0);
}

TEST_F(EditCore, CopyRecordHoldsTheSelectionInDotsAndTheWholePicture) {
  const CGlyph g = Noise(24, 24, 8);
  Load(g);
  core.SetSelection({3, 5, 13, 9});  // dots (1,2)-(6,4)
  const std::vector<uint8_t> rec = core.CopyRecord();
  ASSERT_EQ(rec.size(), kGlyphClipBytes);
  GLYPHCLIP clip;
  ASSERT_EQ(DecodeGlyphClip(rec, clip), kGlyphClipOk);
  EXPECT_EQ(clip.rect, (GLYPHRECT{1, 2, 6, 4}));
  EXPECT_TRUE(clip.source.SamePicture(g));
}

TEST_F(EditCore, PictureWithAutoScaleStretchesOverTheWholeGlyph) {
  PICTUREIMAGE pic;
  pic.width = 2;
  pic.height = 2;
  pic.format = kPictureGray8;
  pic.pixels = {0, 255, 255, 0};
  Load(Blank(4, 4));
  ASSERT_TRUE(core.PastePicture(pic, true));
  EXPECT_EQ(Picture(), "##../##../..##/..##");
  EXPECT_EQ(core.Selection(), (GLYPHRECT{0, 0, 8, 8}));
}

TEST_F(EditCore, LargerPictureWithoutAutoScaleKeepsItsTopLeft) {
  PICTUREIMAGE pic;
  pic.width = 5;
  pic.height = 3;
  pic.format = kPictureGray8;
  pic.pixels = {0, 255, 0, 255, 0,  //
                255, 0, 255, 0, 255,  //
                0, 0, 0, 0, 0};
  Load(Art({"###", "###"}));
  ASSERT_TRUE(core.PastePicture(pic, false));
  EXPECT_EQ(Picture(), "#.#/.#.");
  EXPECT_EQ(core.Selection(), (GLYPHRECT{0, 0, 6, 4}));
}

TEST_F(EditCore, SmallerPictureWithoutAutoScaleLeavesTheRest) {
  PICTUREIMAGE pic;
  pic.width = 1;
  pic.height = 1;
  pic.format = kPictureRgba8;
  pic.pixels = {255, 255, 255, 255};  // white
  Load(Art({"##", "##"}));
  ASSERT_TRUE(core.PastePicture(pic, false));
  EXPECT_EQ(Picture(), ".#/##");
  EXPECT_EQ(ToArt(core.Piece()), ".");
}

TEST_F(EditCore, InvalidPictureChangesNothing) {
  PICTUREIMAGE pic;
  pic.width = 4;
  pic.height = 4;
  pic.format = kPictureRgba8;
  pic.pixels.resize(10);  // far too few bytes
  Load(Blank(16, 16));
  EXPECT_FALSE(core.PastePicture(pic, true));
  pic.width = 0;
  EXPECT_FALSE(core.PastePicture(pic, false));
  EXPECT_FALSE(core.CanUndo());
}

TEST(StretchGlyph, EnlargesNearestNeighbourOverTheWholeTarget) {
  struct Case {
    CGlyph source;
    int target;
    const char* art;
  } cases[] = {
      {Art({"#.", ".#"}), 3, "##./##./..#"},
      {Art({"#.", ".#"}), 4, "##../##../..##/..##"},
      {Art({"#...", "....", "....", "...#"}), 2, "#./.#"},  // shrinking keeps every ink dot
      {Art({"..", ".."}), 3, ".../.../..."},
  };
  for (const Case& c : cases) {
    CGlyph t(c.target, c.target);
    t.InvertAll();  // whatever was there is overwritten
    StretchGlyph(c.source, t);
    EXPECT_EQ(ToArt(t), c.art);
  }
}

TEST(StretchGlyph, Fills24From16ThroughTheWholeSquare) {
  CGlyph src = Blank(16, 16);
  src.DrawBox(0, 0, 15, 15);
  CGlyph t = Blank(24, 24);
  StretchGlyph(src, t);
  for (int i = 0; i < 24; ++i) {
    EXPECT_TRUE(t.GetPixel(i, 0) && t.GetPixel(i, 23) && t.GetPixel(0, i) && t.GetPixel(23, i)) << i;
  }
  EXPECT_FALSE(t.GetPixel(12, 12));
}
