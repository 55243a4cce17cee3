#pragma once
#include <QCursor>
#include <QPoint>
#include <cstdint>
#include <vector>

#include "glyph/Glyph.h"

class IGlyphCanvas;

// Tool indexes of the edit control's tool table; the tool bar's command id
// minus kToolCommandBase is the index.
enum : int {
  kToolNone = 0,
  kToolPencil = 1,
  kToolBrush = 2,
  kToolLine = 3,
  kToolRect = 4,
  kToolFillRect = 5,
  kToolEllipse = 6,
  kToolFillEllipse = 7,
  kToolSelect = 8,
  kToolEraser = 9,
  kToolCount = 10,
};
// Command id of tool 0 (the tool bar's buttons are 1013 to 1021).
inline constexpr int kToolCommandBase = 1012;

// The tool bar string of a tool: the status text, a line break, the tool tip.
const char* ToolString(int index);

// A drawing tool: receives the left button and, while the canvas holds the
// capture, the mouse moves and the release; hands one undoable command to the
// canvas when the stroke ends. Points are client coordinates.
class CDrawState {
 public:
  explicit CDrawState(IGlyphCanvas& canvas);
  virtual ~CDrawState() = default;
  // The preview while a drag is in progress, otherwise the working glyph.
  virtual const CGlyph& GetDisplayGlyph() const;
  virtual void OnButtonDown(QPoint p);
  virtual void OnButtonUp(QPoint p);
  virtual void OnMouseMove(QPoint p);
  // True when the tool set the cursor itself.
  virtual bool OnSetCursor(QPoint p);
  // Escape during a drag: drop the stroke without a command.
  virtual void Cancel() {}

 protected:
  const CGlyph& Target() const;
  // Copies the target into the preview.
  void ResetPreview();
  // Asks for a repaint when the preview differs from what is on screen.
  void RefreshPreview();

  IGlyphCanvas& m_canvas;
  CGlyph m_preview;
  bool m_dragging = false;
};

class CPenState : public CDrawState {
 public:
  using CDrawState::CDrawState;
  const CGlyph& GetDisplayGlyph() const override;
  void OnButtonDown(QPoint p) override;
  void OnButtonUp(QPoint p) override;
  void OnMouseMove(QPoint p) override;
  bool OnSetCursor(QPoint p) override;
  void Cancel() override;

 protected:
  virtual int Thickness() const { return 1; }
  virtual int CursorId() const;
  std::vector<GLYPHPOINT> m_points;
};

class CBrushState : public CPenState {
 public:
  using CPenState::CPenState;
  void OnButtonDown(QPoint p) override;
  void OnButtonUp(QPoint p) override;

 protected:
  int Thickness() const override { return 2; }
  int CursorId() const override;
};

// Line, rectangle and ellipse tools: a start dot and an end dot.
class CLineState : public CDrawState {
 public:
  using CDrawState::CDrawState;
  const CGlyph& GetDisplayGlyph() const override;
  void OnButtonDown(QPoint p) override;
  void OnButtonUp(QPoint p) override;
  void OnMouseMove(QPoint p) override;
  void Cancel() override;

 protected:
  virtual void DrawShape(CGlyph& glyph) const;
  virtual void Commit();
  GLYPHPOINT m_start;
  GLYPHPOINT m_end;
};

class CDrawRectState : public CLineState {
 public:
  using CLineState::CLineState;

 protected:
  void DrawShape(CGlyph& glyph) const override;
  void Commit() override;
};

class CFillRectState : public CDrawRectState {
 public:
  using CDrawRectState::CDrawRectState;

 protected:
  void DrawShape(CGlyph& glyph) const override;
  void Commit() override;
};

class CDrawEllipseState : public CLineState {
 public:
  using CLineState::CLineState;

 protected:
  void DrawShape(CGlyph& glyph) const override;
  void Commit() override;
};

class CFillEllipseState : public CDrawEllipseState {
 public:
  using CDrawEllipseState::CDrawEllipseState;

 protected:
  void DrawShape(CGlyph& glyph) const override;
  void Commit() override;
};

class CEraserState : public CDrawState {
 public:
  using CDrawState::CDrawState;
  const CGlyph& GetDisplayGlyph() const override;
  void OnButtonDown(QPoint p) override;
  void OnButtonUp(QPoint p) override;
  void OnMouseMove(QPoint p) override;
  bool OnSetCursor(QPoint p) override;
  void Cancel() override;

 private:
  std::vector<GLYPHPOINT> m_points;
};

// The rectangle tracker of the selection tool, in client pixels (right and
// bottom exclusive). It snaps to cells on every move; a rubber band may run
// inverted and keeps the cell of its anchor inside.
class CXAMUTracker {
 public:
  enum : int {
    kHitNothing = -1,
    // 0..3 corners (top-left, top-right, bottom-right, bottom-left),
    // 4..7 edges (top, right, bottom, left), 8 the inside (move).
    kHitMiddle = 8,
  };
  enum class EStyle { kSolid, kHatched };

  CXAMUTracker(const IGlyphCanvas& canvas, const GLYPHRECT& rect, EStyle style);

  int HitTest(QPoint p) const;
  // Starts following the mouse from `p` with the given handle.
  void Begin(int hit, QPoint p);
  // Starts a rubber band at `p`.
  void BeginRubberBand(QPoint p);
  void Track(QPoint p);

  const GLYPHRECT& Rect() const { return m_rect; }
  EStyle Style() const { return m_style; }
  int Handle() const { return m_hit; }
  bool Moved() const { return m_moved; }
  QCursor CursorFor(int hit) const;
  // Handle squares of the rectangle, inside it.
  std::vector<GLYPHRECT> Handles() const;

  // Holds edges at the grid origin (unless moving), snaps to cells and, for
  // a rubber band, keeps the anchor inside.
  void AdjustRect(int hit, GLYPHRECT& rect) const;

 private:
  int HandleSize() const;

  const IGlyphCanvas* m_canvas;
  GLYPHRECT m_rect;
  GLYPHRECT m_start;
  EStyle m_style;
  int m_hit = kHitNothing;
  QPoint m_anchor;
  QPoint m_press;
  bool m_moved = false;
};

class CSelectRectState : public CDrawState {
 public:
  using CDrawState::CDrawState;
  void OnButtonDown(QPoint p) override;
  void OnButtonUp(QPoint p) override;
  void OnMouseMove(QPoint p) override;
  bool OnSetCursor(QPoint p) override;
  void Cancel() override;

  // The tracker being dragged, or null.
  const CXAMUTracker* ActiveTracker() const { return m_tracking ? &m_tracker : nullptr; }

 private:
  GLYPHRECT SelectionDots() const;
  CXAMUTracker MakeTracker() const;

  CXAMUTracker m_tracker{m_canvas, {}, CXAMUTracker::EStyle::kSolid};
  bool m_tracking = false;
  bool m_rubberBand = false;
  GLYPHRECT m_r0;
  qint64 m_pressTime = 0;
};
