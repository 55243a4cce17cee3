#pragma once
#include <QCursor>
#include <QPoint>
#include <memory>

#include "glyph/DrawCommand.h"
#include "glyph/Glyph.h"

// The grid side a client area allows and the resulting cell layout.
struct GLYPHLAYOUT {
  int side = 0;        // S: 200, 288, 480, 680 or 768
  int cellWidth = 0;   // client pixels per dot
  int cellHeight = 0;
  GLYPHRECT grid;      // client pixels, right and bottom exclusive
};

// What a drawing tool sees of the control it draws on: the working glyph
// and the piece, the selection, the cell layout, the capture and the
// cursor, and the one door for a finished stroke (ExecuteCommand). Points
// and rectangles are client pixels unless named dots.
class IGlyphCanvas {
 public:
  virtual ~IGlyphCanvas() = default;

  virtual const CGlyph& GetWorkingGlyph() const = 0;
  virtual CGlyph& Piece() = 0;
  virtual const GLYPHRECT& Selection() const = 0;
  // A doubled rectangle, as the selection is kept.
  virtual void SetSelection(const GLYPHRECT& doubled) = 0;
  // Pushes the command on the history and executes it.
  virtual void ExecuteCommand(std::unique_ptr<CDrawCommand> command) = 0;

  virtual const GLYPHLAYOUT& Layout() const = 0;
  virtual GLYPHPOINT PixelFromPoint(QPoint p) const = 0;
  virtual GLYPHRECT RectToPixels(const GLYPHRECT& client) const = 0;
  virtual GLYPHRECT RectToClient(const GLYPHRECT& dots) const = 0;

  // The mouse stays with the tool until the button goes up.
  virtual void SetCapture() = 0;
  virtual void SetCursor(const QCursor& cursor) = 0;
  // The cursor of a tool that has one (pencil, brush, eraser).
  virtual void SetToolCursor(int tool) = 0;
  // Repaints when `preview` differs from the picture last painted.
  virtual void RefreshPreview(const CGlyph& preview) = 0;
  // Repaints the whole area (tracker frames).
  virtual void Invalidate() = 0;
};
