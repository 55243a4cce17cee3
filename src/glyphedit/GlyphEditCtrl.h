#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <array>
#include <memory>

#include "glyph/GlyphEditCore.h"
#include "glyphedit/DrawState.h"
#include "glyphedit/GlyphCanvas.h"

// Margin around the grid on every side, in pixels.
inline constexpr int kGlyphGridMargin = 6;
GLYPHLAYOUT ComputeGlyphLayout(int clientWidth, int clientHeight, int glyphWidth, int glyphHeight);
// The grid side S of zoom step `step` (0 the smallest, 200); 0 past the last.
int GlyphGridSide(int step);

// The zoomed drawing area of the glyph dialog: shows one size as a grid of
// cells, routes the left mouse button to the current tool, paints the tool's
// live preview and the selection frame, and holds the glyph core (working
// glyph, piece, selection, undo stack).
class CGlyphEditCtrl : public QWidget, public IGlyphCanvas {
  Q_OBJECT
 public:
  explicit CGlyphEditCtrl(QWidget* parent = nullptr);
  ~CGlyphEditCtrl() override;

  // Another size: layout, empty selection and undo stack, repaint.
  void LoadGlyph(const CGlyph& glyph);
  const CGlyph& GetWorkingGlyph() const override { return m_core.Working(); }
  CGlyph& Piece() override { return m_core.Piece(); }
  CGlyphEditCore& Core() { return m_core; }

  // Leaving the selection tool drops the selection.
  void SetTool(int index);
  int Tool() const { return m_tool; }
  CDrawState& CurrentTool() const { return *m_tools[m_tool]; }

  void SelectAll() { m_core.SelectAll(); }
  // Puts the selection's record on the clipboard; nothing without a selection.
  void Copy();
  void Cut();
  bool CanPaste() const;
  // A picture on the clipboard wins over a glyph record. False when neither
  // could be pasted (nothing changed).
  bool Paste(bool autoScale);
  bool HasSelection() const { return m_core.HasSelection(); }
  bool CanUndo() const { return m_core.CanUndo(); }
  void Undo() { m_core.Undo(); }
  void InvertSelection() { m_core.InvertSelection(); }
  void RotateSelectionRight() { m_core.RotateSelectionRight(); }
  void RotateSelectionLeft() { m_core.RotateSelectionLeft(); }
  void DeleteSelection() { m_core.DeleteSelection(); }
  void ExecuteCommand(std::unique_ptr<CDrawCommand> command) override { m_core.ExecuteCommand(std::move(command)); }

  // The canvas the tools draw on.
  GLYPHPOINT PixelFromPoint(QPoint p) const override;
  GLYPHRECT RectToPixels(const GLYPHRECT& client) const override;
  GLYPHRECT RectToClient(const GLYPHRECT& dots) const override;
  void SetSelection(const GLYPHRECT& doubled) override { m_core.SetSelection(doubled); }
  const GLYPHRECT& Selection() const override { return m_core.Selection(); }
  void SetCapture() override { m_capture = true; }
  bool HasCapture() const { return m_capture; }
  void SetCursor(const QCursor& cursor) override { setCursor(cursor); }
  void SetToolCursor(int tool) override { setCursor(ToolCursor(tool)); }
  void RefreshPreview(const CGlyph& preview) override;
  void Invalidate() override { update(); }

  const GLYPHLAYOUT& Layout() const override { return m_layout; }
  // Renders the control as a paint would (grid, ink, selection frame).
  QImage Render();
  // Repaints asked for by previews, for tests of the refresh rule.
  int PreviewRepaints() const { return m_previewRepaints; }

  // The tool cursors (pencil, brush, eraser).
  static QCursor ToolCursor(int tool);

 signals:
  // A command was executed or undone: the working glyph changed.
  void GlyphChanged();
  // The selection changed (the dialog updates its command states).
  void SelectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Forwards the core's notices to the control's signals.
  class CSink : public IGlyphEditSink {
   public:
    explicit CSink(CGlyphEditCtrl& ctrl) : m_ctrl(ctrl) {}
    void SelectionChanged() override;
    void GlyphChanged() override;

   private:
    CGlyphEditCtrl& m_ctrl;
  };

  void DoLayout();
  void PaintInto(QImage& image, const CGlyph& display) const;
  void PaintFrames(class QPainter& painter) const;
  void UpdateCursor(QPoint p);
  void UpdateDescription();

  CSink m_sink{*this};
  CGlyphEditCore m_core;
  std::array<std::unique_ptr<CDrawState>, kToolCount> m_tools;
  int m_tool = kToolNone;
  GLYPHLAYOUT m_layout;
  bool m_capture = false;
  CGlyph m_painted;
  int m_previewRepaints = 0;
};
