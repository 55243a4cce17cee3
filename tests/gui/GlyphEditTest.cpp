// The glyph edit control under real mouse events: layout, the tools with
// their live previews, the selection tracker, undo and the clipboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QStyleHints>
#include <QTest>
#include <span>
#include <memory>

#include "glyph/GlyphClip.h"
#include "glyphedit/GlyphEditCtrl.h"

namespace {

// A 300 x 300 control: S = 288, 6-pixel cells for 48 x 48, grid origin (6, 6).
constexpr int kSide = 300;
constexpr int kCell = 6;
constexpr int kOrigin = 6;

QPoint At(int x, int y) { return {kOrigin + x * kCell + kCell / 2, kOrigin + y * kCell + kCell / 2}; }
// The top-left pixel of dot (x, y): a rubber band between two corners covers
// exactly the cells between them.
QPoint Corner(int x, int y) { return {kOrigin + x * kCell, kOrigin + y * kCell}; }

std::string Dots(const CGlyph& g) {
  std::string s;
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      if (g.GetPixel(x, y)) s += std::to_string(x) + "," + std::to_string(y) + " ";
  return s;
}

class GlyphEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QGuiApplication::clipboard()->clear();
    ctrl = std::make_unique<CGlyphEditCtrl>();
    ctrl->resize(kSide, kSide);
    ctrl->LoadGlyph(CGlyph(48, 48));
    ctrl->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ctrl.get()));
    connect();
  }
  void connect() {
    QObject::connect(ctrl.get(), &CGlyphEditCtrl::GlyphChanged, [this] { ++changes; });
  }
  void Press(QPoint p) { QTest::mousePress(ctrl.get(), Qt::LeftButton, {}, p); }
  void Move(QPoint p) { QTest::mouseMove(ctrl.get(), p); }
  void Release(QPoint p) { QTest::mouseRelease(ctrl.get(), Qt::LeftButton, {}, p); }
  void Drag(QPoint a, QPoint b) {
    Press(a);
    Move(b);
    Release(b);
  }
  // Presses after the double-click time, so that two strokes never merge.
  void Settle() { QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 30); }
  const CGlyph& W() const { return ctrl->GetWorkingGlyph(); }
  // The colour of the centre of dot (x, y) as painted.
  QRgb Painted(int x, int y) { return ctrl->Render().pixel(At(x, y)); }

  std::unique_ptr<CGlyphEditCtrl> ctrl;
  int changes = 0;
};

}  // namespace

TEST(GlyphLayout, SideAndCellsForClientSizes) {
  struct CASE {
    int cw, ch, gw, gh, side, cell, gridRight;
  };
  const CASE cases[] = {
      {300, 300, 48, 48, 288, 6, 6 + 288},
      {600, 300, 48, 48, 288, 6, 6 + 288},  // the next step needs the height too
      {212, 212, 48, 48, 200, 4, 6 + 192},
      {212, 212, 36, 36, 200, 5, 6 + 180},  // 20 pixels short of S
      {100, 100, 16, 16, 200, 12, 6 + 192},  // S never drops below 200
      {780, 780, 48, 48, 768, 16, 6 + 768},
      {779, 780, 40, 40, 680, 17, 6 + 680},
      {492, 492, 30, 30, 480, 16, 6 + 480},
  };
  for (const CASE& c : cases) {
    const GLYPHLAYOUT l = ComputeGlyphLayout(c.cw, c.ch, c.gw, c.gh);
    EXPECT_EQ(l.side, c.side) << c.cw << "x" << c.ch;
    EXPECT_EQ(l.cellWidth, c.cell) << c.cw << "x" << c.ch << " glyph " << c.gw;
    EXPECT_EQ(l.grid, (GLYPHRECT{6, 6, c.gridRight, c.gridRight})) << c.cw << "x" << c.ch;
  }
}

TEST_F(GlyphEditTest, PixelFromPointTruncatesTowardZero) {
  EXPECT_EQ(ctrl->PixelFromPoint({kOrigin - 3, kOrigin}), (GLYPHPOINT{0, 0}));
  EXPECT_EQ(ctrl->PixelFromPoint({kOrigin - 7, kOrigin + 13}), (GLYPHPOINT{-1, 2}));
  EXPECT_EQ(ctrl->PixelFromPoint({kOrigin + 47 * kCell + 5, kOrigin}), (GLYPHPOINT{47, 0}));
  // Client rectangles become whole cells, rounded outwards; inverted ones too.
  EXPECT_EQ(ctrl->RectToPixels({kOrigin + 7, kOrigin + 1, kOrigin + 13, kOrigin + 6}), (GLYPHRECT{1, 0, 2, 1}));
  EXPECT_EQ(ctrl->RectToPixels({kOrigin + 13, kOrigin, kOrigin + 7, kOrigin + 6}), (GLYPHRECT{3, 0, 2, 1}));
  EXPECT_EQ(ctrl->RectToClient({1, 2, 3, 4}), (GLYPHRECT{12, 18, 24, 30}));
}

TEST_F(GlyphEditTest, PencilClickCommitsOneDotAndUndoRemovesIt) {
  ctrl->SetTool(kToolPencil);
  Press(At(5, 7));
  // The preview shows the dot before the stroke is committed.
  EXPECT_TRUE(ctrl->CurrentTool().GetDisplayGlyph().GetPixel(5, 7));
  EXPECT_FALSE(W().GetPixel(5, 7));
  EXPECT_EQ(Painted(5, 7), qRgb(0, 0, 0));
  Release(At(5, 7));
  EXPECT_EQ(Dots(W()), "5,7 ");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(ctrl->CanUndo());
  ctrl->Undo();
  EXPECT_EQ(Dots(W()), "");
  EXPECT_FALSE(ctrl->HasSelection());
  EXPECT_EQ(Painted(5, 7), qRgb(255, 255, 255));
}

TEST_F(GlyphEditTest, EveryToolDrawsWhatItsPrimitiveDraws) {
  // `released`: the pencil and brush append the release point once more.
  struct CASE {
    int tool;
    void (*draw)(CGlyph&, bool released);
  };
  const CASE cases[] = {
      {kToolPencil,
       [](CGlyph& g, bool r) {
         const GLYPHPOINT p[] = {{2, 3}, {10, 8}, {10, 8}};
         g.DrawPolyline(std::span(p, r ? 3 : 2), 1);
       }},
      {kToolBrush,
       [](CGlyph& g, bool r) {
         const GLYPHPOINT p[] = {{2, 3}, {10, 8}, {10, 8}};
         g.DrawPolyline(std::span(p, r ? 3 : 2), 2);
       }},
      {kToolLine, [](CGlyph& g, bool) { g.DrawLine(2, 3, 10, 8, 1); }},
      {kToolRect, [](CGlyph& g, bool) { g.DrawBox(2, 3, 10, 8); }},
      {kToolFillRect, [](CGlyph& g, bool) { g.FillBox(2, 3, 10, 8); }},
      {kToolEllipse, [](CGlyph& g, bool) { g.DrawEllipse(2, 3, 10, 8); }},
      {kToolFillEllipse, [](CGlyph& g, bool) { g.FillEllipse(2, 3, 10, 8); }},
  };
  for (const CASE& c : cases) {
    ctrl->LoadGlyph(CGlyph(48, 48));
    ctrl->SetTool(c.tool);
    CGlyph preview(48, 48);
    c.draw(preview, false);
    CGlyph expected(48, 48);
    c.draw(expected, true);
    Press(At(2, 3));
    Move(At(10, 8));
    // Live preview while the button is held; the working glyph is untouched.
    EXPECT_EQ(Dots(ctrl->CurrentTool().GetDisplayGlyph()), Dots(preview)) << "tool " << c.tool;
    EXPECT_EQ(Dots(W()), "") << "tool " << c.tool;
    const QImage shown = ctrl->Render();
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x)
        ASSERT_EQ(shown.pixel(At(x, y)), preview.GetPixel(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255))
            << "tool " << c.tool << " dot " << x << "," << y;
    Release(At(10, 8));
    EXPECT_EQ(Dots(W()), Dots(expected)) << "tool " << c.tool;
    EXPECT_EQ(Dots(ctrl->CurrentTool().GetDisplayGlyph()), Dots(expected)) << "tool " << c.tool;
    Settle();
  }
}

TEST_F(GlyphEditTest, BrushClickIsATwoByTwoBlock) {
  ctrl->SetTool(kToolBrush);
  Press(At(4, 4));
  Release(At(4, 4));
  EXPECT_EQ(Dots(W()), "4,4 5,4 4,5 5,5 ");
}

TEST_F(GlyphEditTest, StrokeLeavingTheGridKeepsDrawingWhereItReenters) {
  ctrl->SetTool(kToolPencil);
  Press(At(0, 5));
  Move(QPoint(kOrigin - 20, kOrigin + 5 * kCell + 3));  // dot (-3, 5), clipped
  Move(At(0, 7));
  Release(At(0, 7));
  CGlyph expected(48, 48);
  const GLYPHPOINT p[] = {{0, 5}, {-3, 5}, {0, 7}, {0, 7}};
  expected.DrawPolyline(p, 1);
  EXPECT_EQ(Dots(W()), Dots(expected));
  EXPECT_TRUE(W().GetPixel(0, 7));
}

TEST_F(GlyphEditTest, EraserClearsItsPathAndSkipsRepeatedPoints) {
  CGlyph full(48, 48);
  full.FillBox(0, 0, 47, 47);
  ctrl->LoadGlyph(full);
  ctrl->SetTool(kToolEraser);
  Press(At(10, 10));
  Move(At(20, 10));
  const int repaints = ctrl->PreviewRepaints();
  QApplication::processEvents();  // paint the preview
  Move(At(20, 10) + QPoint(1, 1));  // same dot: nothing to do
  EXPECT_EQ(ctrl->PreviewRepaints(), repaints);
  Release(At(20, 10));
  CGlyph expected = full;
  const GLYPHPOINT p[] = {{10, 10}, {20, 10}, {20, 10}};
  expected.ErasePath(p);
  EXPECT_EQ(Dots(W()), Dots(expected));
  EXPECT_FALSE(W().GetPixel(15, 10));
}

TEST_F(GlyphEditTest, PreviewRepaintsOnlyWhenItDiffersFromWhatIsOnScreen) {
  ctrl->SetTool(kToolLine);
  Press(At(3, 3));
  QApplication::processEvents();
  const int afterPress = ctrl->PreviewRepaints();
  EXPECT_EQ(afterPress, 1);
  Move(At(3, 3) + QPoint(1, 0));  // the same line: no repaint
  EXPECT_EQ(ctrl->PreviewRepaints(), afterPress);
  Move(At(9, 3));
  EXPECT_EQ(ctrl->PreviewRepaints(), afterPress + 1);
  QApplication::processEvents();
  // Back to the one-dot line: differs from the painted line, though not from
  // what the previous preview held when the line was first drawn.
  Move(At(3, 3));
  EXPECT_EQ(ctrl->PreviewRepaints(), afterPress + 2);
  Release(At(3, 3));
}

TEST_F(GlyphEditTest, DoubleClickOnTheGridIsASecondPress) {
  ctrl->SetTool(kToolPencil);
  // The events a double click brings: press, release, double click, release.
  const QPointF p = At(8, 9);
  const QPointF g = ctrl->mapToGlobal(p.toPoint());
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                            QEvent::MouseButtonRelease}) {
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent e(type, p, g, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ctrl.get(), &e);
  }
  // Press/release, then the double click as a second press and its release:
  // two one-dot strokes, both undoable.
  EXPECT_EQ(Dots(W()), "8,9 ");
  EXPECT_EQ(changes, 2);
  ctrl->Undo();
  EXPECT_TRUE(ctrl->CanUndo());
}

TEST_F(GlyphEditTest, UndoWalksBackEveryCommandInReverseOrder) {
  ctrl->SetTool(kToolPencil);
  std::vector<std::string> states{Dots(W())};
  for (int i = 0; i < 6; ++i) {
    Press(At(i * 3, i));
    Release(At(i * 3, i + 2));
    states.push_back(Dots(W()));
    Settle();
  }
  for (int i = 6; i > 0; --i) {
    ASSERT_TRUE(ctrl->CanUndo());
    EXPECT_EQ(Dots(W()), states[static_cast<size_t>(i)]);
    ctrl->Undo();
  }
  EXPECT_EQ(Dots(W()), states[0]);
  EXPECT_FALSE(ctrl->CanUndo());
  Press(At(1, 1));
  Release(At(1, 1));
  ctrl->LoadGlyph(CGlyph(24, 24));
  EXPECT_FALSE(ctrl->CanUndo());  // another size empties the stack
}

TEST_F(GlyphEditTest, RubberBandSelectsWholeCellsAndReleaseAtTheStartDeselects) {
  ctrl->SetTool(kToolSelect);
  Press(Corner(2, 3));
  Move(At(6, 8));
  Release(Corner(7, 9));
  ASSERT_TRUE(ctrl->HasSelection());
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{2, 3, 7, 9}));
  // From a cell's middle the band's extent is rounded up to whole cells.
  Settle();
  Press(At(30, 3));
  Release(At(34, 8));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{30, 3, 34, 8}));
  // Dragged up and to the left: the anchor's cell stays inside.
  Settle();
  Press(At(20, 20));
  Move(At(17, 18));
  Release(At(17, 18));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{18, 19, 21, 21}));
  Settle();
  Press(At(30, 30));
  Release(At(30, 30));
  EXPECT_FALSE(ctrl->HasSelection());
  // A band that wanders and comes back to its start selects nothing either.
  Settle();
  Press(At(30, 30));
  Move(At(35, 35));
  Release(At(30, 30));
  EXPECT_FALSE(ctrl->HasSelection());
}

TEST_F(GlyphEditTest, MovingTheSelectionMovesItsPixelsAndUndoRestoresThem) {
  CGlyph g(48, 48);
  g.FillBox(2, 2, 4, 4);    // 3 x 3 block to move
  g.SetPixel(10, 10);       // lies under the destination
  ctrl->LoadGlyph(g);
  ctrl->SetTool(kToolSelect);
  Press(Corner(2, 2));
  Move(At(4, 4));
  Release(Corner(5, 5));
  ASSERT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{2, 2, 5, 5}));
  Settle();
  Press(At(3, 3));
  Move(At(11, 11));
  Release(At(11, 11));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{10, 10, 13, 13}));
  CGlyph expected(48, 48);
  expected.FillBox(10, 10, 12, 12);
  EXPECT_EQ(Dots(W()), Dots(expected));
  ctrl->Undo();
  EXPECT_EQ(Dots(W()), Dots(g));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{2, 2, 5, 5}));
}

TEST_F(GlyphEditTest, MoveFarAboveThePictureStopsJustOutsideItsTopEdge) {
  CGlyph g(48, 48);
  g.FillBox(5, 5, 8, 8);
  ctrl->LoadGlyph(g);
  ctrl->SetTool(kToolSelect);
  Press(Corner(5, 5));
  Release(Corner(9, 9));
  Settle();
  Press(At(6, 6));
  Move(At(6, 6) + QPoint(0, -20 * kCell));  // top-left would land at y = -15
  Release(At(6, 6) + QPoint(0, -20 * kCell));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{5, -4, 9, 0}));
  EXPECT_EQ(Dots(W()), "");
  // Still selected, the piece comes back whole (grabbed between its handles,
  // above the grid).
  Settle();
  const QPoint grab(kOrigin + 5 * kCell + 7, 3);
  Press(grab);
  EXPECT_TRUE(ctrl->HasCapture());
  Move(grab + QPoint(0, 9 * kCell));
  Release(grab + QPoint(0, 9 * kCell));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{5, 5, 9, 9}));
  EXPECT_EQ(Dots(W()), Dots(g));
}

TEST_F(GlyphEditTest, QuickClickInsideTheSelectionDeselectsASlowOneDoesNot) {
  ctrl->SetTool(kToolSelect);
  Press(Corner(4, 4));
  Release(Corner(10, 10));
  ASSERT_TRUE(ctrl->HasSelection());
  Settle();
  Press(At(6, 6));
  QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 60);
  Release(At(6, 6));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{4, 4, 10, 10}));
  EXPECT_FALSE(ctrl->CanUndo());
  Settle();
  Press(At(6, 6));
  Release(At(6, 6));
  EXPECT_FALSE(ctrl->HasSelection());
}

TEST_F(GlyphEditTest, ResizeByAHandleReselectsWithoutScaling) {
  CGlyph g(48, 48);
  g.FillBox(4, 4, 9, 9);
  ctrl->LoadGlyph(g);
  ctrl->SetTool(kToolSelect);
  Press(Corner(4, 4));
  Release(Corner(10, 10));
  Settle();
  // The bottom-right handle sits inside the frame's last cell.
  const GLYPHRECT frame = ctrl->RectToClient(SelectionToDots(ctrl->Selection()));
  const QPoint handle(frame.right - 2, frame.bottom - 2);
  Press(handle);
  Move(handle + QPoint(3 * kCell, 2 * kCell));
  Release(handle + QPoint(3 * kCell, 2 * kCell));
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{4, 4, 13, 12}));
  EXPECT_EQ(Dots(W()), Dots(g));  // pixels stay, only the selection grew
  EXPECT_EQ(ctrl->Piece().Width(), 9);
  EXPECT_FALSE(ctrl->CanUndo());
}

TEST_F(GlyphEditTest, EscapeCancelsATrackerDrag) {
  ctrl->SetTool(kToolSelect);
  Press(At(2, 2));
  Move(At(6, 6));
  QTest::keyClick(ctrl.get(), Qt::Key_Escape);
  EXPECT_FALSE(ctrl->HasCapture());
  Release(At(6, 6));
  EXPECT_FALSE(ctrl->HasSelection());
}

TEST_F(GlyphEditTest, LeavingTheSelectionToolDropsTheSelection) {
  ctrl->SetTool(kToolSelect);
  ctrl->SelectAll();
  ctrl->SetTool(kToolPencil);
  EXPECT_FALSE(ctrl->HasSelection());
  ctrl->SelectAll();
  ctrl->SetTool(kToolLine);  // between two drawing tools it stays
  EXPECT_TRUE(ctrl->HasSelection());
}

TEST_F(GlyphEditTest, CopyAndPasteThroughTheClipboard) {
  QClipboard* clip = QGuiApplication::clipboard();
  ctrl->Copy();  // nothing selected: clipboard untouched
  EXPECT_FALSE(ctrl->CanPaste());

  CGlyph small(16, 16);
  small.FillBox(0, 0, 15, 15);
  ctrl->LoadGlyph(small);
  ctrl->SelectAll();
  ctrl->Copy();
  ASSERT_TRUE(clip->mimeData()->hasFormat(QString::fromLatin1(kGlyphClipMime)));
  EXPECT_EQ(clip->mimeData()->data(QString::fromLatin1(kGlyphClipMime)).size(), static_cast<int>(kGlyphClipBytes));

  struct CASE {
    bool autoScale;
    int block;
  };
  for (const CASE c : {CASE{true, 48}, CASE{false, 16}}) {
    ctrl->LoadGlyph(CGlyph(48, 48));
    ASSERT_TRUE(ctrl->CanPaste());
    ASSERT_TRUE(ctrl->Paste(c.autoScale));
    EXPECT_EQ(ctrl->Selection(), (GLYPHRECT{0, 0, 2 * c.block, 2 * c.block}));
    EXPECT_TRUE(W().GetPixel(c.block - 1, c.block - 1));
    if (c.block < 48) {
      EXPECT_FALSE(W().GetPixel(c.block, c.block));
      EXPECT_FALSE(W().GetPixel(c.block, 0));
    }
    ctrl->Undo();
    EXPECT_TRUE(W().IsEmpty());
  }
}

TEST_F(GlyphEditTest, APictureWinsOverAGlyphRecordAndBrokenDataChangesNothing) {
  auto* mime = new QMimeData;
  QImage picture(4, 2, QImage::Format_RGB32);
  picture.fill(Qt::white);
  picture.setPixel(0, 0, qRgb(200, 0, 0));  // any colour but white is ink
  mime->setImageData(picture);
  CGlyph source(16, 16);
  source.FillBox(0, 0, 15, 15);
  const std::vector<uint8_t> record = EncodeGlyphClip({0, 0, 16, 16}, source);
  mime->setData(QString::fromLatin1(kGlyphClipMime),
                QByteArray(reinterpret_cast<const char*>(record.data()), static_cast<int>(record.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
  ASSERT_TRUE(ctrl->Paste(false));
  EXPECT_EQ(Dots(W()), "0,0 ");
  EXPECT_EQ(SelectionToDots(ctrl->Selection()), (GLYPHRECT{0, 0, 4, 2}));

  ctrl->LoadGlyph(CGlyph(48, 48));
  auto* broken = new QMimeData;
  broken->setData(QString::fromLatin1(kGlyphClipMime), QByteArray(100, '\x7f'));
  QGuiApplication::clipboard()->setMimeData(broken);
  EXPECT_TRUE(ctrl->CanPaste());
  EXPECT_FALSE(ctrl->Paste(true));
  EXPECT_FALSE(ctrl->CanUndo());
  EXPECT_TRUE(W().IsEmpty());
}

TEST_F(GlyphEditTest, CursorFollowsToolAndGrid) {
  ctrl->SetTool(kToolLine);
  Move(At(3, 3));
  EXPECT_EQ(ctrl->cursor().shape(), Qt::CrossCursor);
  Move(QPoint(kSide - 2, kSide - 2));  // outside the grid
  EXPECT_EQ(ctrl->cursor().shape(), Qt::ArrowCursor);
  ctrl->SetTool(kToolPencil);
  Move(At(3, 3));
  EXPECT_EQ(ctrl->cursor().shape(), Qt::BitmapCursor);
  ctrl->SetTool(kToolSelect);
  ctrl->SelectAll();
  Move(At(20, 20));
  EXPECT_EQ(ctrl->cursor().shape(), Qt::SizeAllCursor);
  EXPECT_NE(ctrl->accessibleDescription().indexOf(QStringLiteral("48x48")), -1);
  EXPECT_NE(ctrl->accessibleDescription().indexOf(QStringLiteral("範囲選択")), -1);
}
