#pragma once
#include <vector>

#include "glyph/Glyph.h"

// Undoable edits of the picture being edited. Every command works on two
// glyphs owned by the edit control: the working glyph and the piece (the
// pixels of the current selection, or of the last paste). `Execute` first
// snapshots both, so `Undo` is a plain restore; there is no redo.
// Selections are doubled rectangles (see GLYPHRECT).
class CDrawCommand {
 public:
  virtual ~CDrawCommand() = default;
  // The base takes the snapshot; every subclass calls it first, then edits.
  virtual void Execute(CGlyph& working, CGlyph& piece);
  // Restores the snapshot (size, pixels and modified flag of both glyphs).
  void Undo(CGlyph& working, CGlyph& piece) const;

  // Restored by undo.
  const GLYPHRECT& OldSelection() const { return m_oldSelection; }
  // Made current after execution.
  const GLYPHRECT& NewSelection() const { return m_newSelection; }

 protected:
  CDrawCommand() = default;

  CGlyph m_savedWorking;
  CGlyph m_savedPiece;
  GLYPHRECT m_oldSelection;
  GLYPHRECT m_newSelection;
};

// Pencil and brush strokes.
class CPolylineCommand : public CDrawCommand {
 public:
  CPolylineCommand(std::vector<GLYPHPOINT> points, int thickness);
  void Execute(CGlyph& working, CGlyph& piece) override;

 private:
  std::vector<GLYPHPOINT> m_points;
  int m_thickness;
};

// Shapes between two points: the tools' start and end dots.
class CTwoPointCommand : public CDrawCommand {
 protected:
  CTwoPointCommand(GLYPHPOINT a, GLYPHPOINT b) : m_a(a), m_b(b) {}
  GLYPHPOINT m_a;
  GLYPHPOINT m_b;
};

class CLineCommand : public CTwoPointCommand {
 public:
  CLineCommand(GLYPHPOINT start, GLYPHPOINT end) : CTwoPointCommand(start, end) {}
  void Execute(CGlyph& working, CGlyph& piece) override;
};

class CDrawRectCommand : public CTwoPointCommand {
 public:
  CDrawRectCommand(GLYPHPOINT a, GLYPHPOINT b) : CTwoPointCommand(a, b) {}
  void Execute(CGlyph& working, CGlyph& piece) override;
};

class CFillRectCommand : public CTwoPointCommand {
 public:
  CFillRectCommand(GLYPHPOINT a, GLYPHPOINT b) : CTwoPointCommand(a, b) {}
  void Execute(CGlyph& working, CGlyph& piece) override;
};

class CDrawEllipseCommand : public CTwoPointCommand {
 public:
  CDrawEllipseCommand(GLYPHPOINT a, GLYPHPOINT b) : CTwoPointCommand(a, b) {}
  void Execute(CGlyph& working, CGlyph& piece) override;
};

class CFillEllipseCommand : public CTwoPointCommand {
 public:
  CFillEllipseCommand(GLYPHPOINT a, GLYPHPOINT b) : CTwoPointCommand(a, b) {}
  void Execute(CGlyph& working, CGlyph& piece) override;
};

class CEraserCommand : public CDrawCommand {
 public:
  explicit CEraserCommand(std::vector<GLYPHPOINT> points) : m_points(std::move(points)) {}
  void Execute(CGlyph& working, CGlyph& piece) override;

 private:
  std::vector<GLYPHPOINT> m_points;
};

// Clears the selected dots; undo brings them and the selection back.
class CDeleteCommand : public CDrawCommand {
 public:
  explicit CDeleteCommand(const GLYPHRECT& selection);
  void Execute(CGlyph& working, CGlyph& piece) override;
};

// Flips the selected dots through the piece, or the whole picture when
// nothing is selected (the selection then stays empty).
class CInvertCommand : public CDrawCommand {
 public:
  explicit CInvertCommand(const GLYPHRECT& selection);
  void Execute(CGlyph& working, CGlyph& piece) override;
};

// Turns the piece clockwise about the selection's centre (in doubled units,
// so a non-square selection keeps its centre to half a dot), or the whole
// picture in place when nothing is selected.
class CRotateRightCommand : public CDrawCommand {
 public:
  explicit CRotateRightCommand(const GLYPHRECT& selection);
  void Execute(CGlyph& working, CGlyph& piece) override;

 protected:
  virtual void Turn(CGlyph& piece) const { piece.RotateRight(); }

 private:
  bool m_wasEmpty;
};

class CRotateLeftCommand : public CRotateRightCommand {
 public:
  explicit CRotateLeftCommand(const GLYPHRECT& selection) : CRotateRightCommand(selection) {}

 protected:
  void Turn(CGlyph& piece) const override { piece.RotateLeft(); }
};

// Moves the piece from one top-left dot to another; what lies under the
// destination is overwritten (background dots of the piece included), and
// undo brings it back. The selection follows the piece.
class CMoveCommand : public CDrawCommand {
 public:
  CMoveCommand(GLYPHPOINT from, GLYPHPOINT to, const CGlyph& piece);
  void Execute(CGlyph& working, CGlyph& piece) override;

 private:
  GLYPHPOINT m_from;
  GLYPHPOINT m_to;
  CGlyph m_piece;
};

// Replaces the whole picture by a composed one (the working glyph with the
// pasted block at its top-left).
class CPasteCommand : public CDrawCommand {
 public:
  CPasteCommand(const GLYPHRECT& oldSelection, const GLYPHRECT& newSelection, const CGlyph& composed);
  void Execute(CGlyph& working, CGlyph& piece) override;

 private:
  CGlyph m_composed;
};
