#include "glyph/DrawCommand.h"

#include <span>

void CDrawCommand::Execute(CGlyph& working, CGlyph& piece) {
  m_savedWorking = working;
  m_savedPiece = piece;
}

void CDrawCommand::Undo(CGlyph& working, CGlyph& piece) const {
  working = m_savedWorking;
  piece = m_savedPiece;
}

CPolylineCommand::CPolylineCommand(std::vector<GLYPHPOINT> points, int thickness)
    : m_points(std::move(points)), m_thickness(thickness) {}

void CPolylineCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.DrawPolyline(m_points, m_thickness);
}

void CLineCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.DrawLine(m_a.x, m_a.y, m_b.x, m_b.y, 1);
}

void CDrawRectCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.DrawBox(m_a.x, m_a.y, m_b.x, m_b.y);
}

void CFillRectCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.FillBox(m_a.x, m_a.y, m_b.x, m_b.y);
}

void CDrawEllipseCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.DrawEllipse(m_a.x, m_a.y, m_b.x, m_b.y);
}

void CFillEllipseCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.FillEllipse(m_a.x, m_a.y, m_b.x, m_b.y);
}

void CEraserCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.ErasePath(m_points);
}

CDeleteCommand::CDeleteCommand(const GLYPHRECT& selection) { m_oldSelection = selection.Normalized(); }

void CDeleteCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.ClearRect(SelectionToDots(m_oldSelection));
}

CInvertCommand::CInvertCommand(const GLYPHRECT& selection) {
  m_oldSelection = selection;
  m_newSelection = selection;
}

void CInvertCommand::Execute(CGlyph& working, CGlyph& piece) {
  GLYPHRECT s = SelectionToDots(m_oldSelection.Normalized());
  if (s.IsEmpty()) {
    // Nothing selected: the whole picture becomes the piece (before the
    // snapshot, as the selection-less invert always did).
    s = {0, 0, working.Width(), working.Height()};
    working.ExtractPiece(piece, s);
  }
  CDrawCommand::Execute(working, piece);
  piece.InvertAll();
  working.PutPiece(piece, s.left, s.top);
}

CRotateRightCommand::CRotateRightCommand(const GLYPHRECT& selection) {
  m_oldSelection = selection;
  m_newSelection = selection;
  m_wasEmpty = SelectionToDots(selection.Normalized()).IsEmpty();
}

void CRotateRightCommand::Execute(CGlyph& working, CGlyph& piece) {
  GLYPHRECT d = m_newSelection.Normalized();
  if (m_wasEmpty) {
    // The whole picture, turned in place.
    d = DotsToSelection({0, 0, working.Width(), working.Height()});
    working.ExtractPiece(piece, SelectionToDots(d));
  }
  CDrawCommand::Execute(working, piece);
  working.ClearRect(SelectionToDots(d));
  Turn(piece);
  const int turnedW = piece.Width(), turnedH = piece.Height();
  const int shift = turnedW - turnedH;
  // Keep the centre in doubled units: half a dot is representable.
  d.left -= shift;
  d.top += shift;
  d.right = d.left + 2 * turnedW;
  d.bottom = d.top + 2 * turnedH;
  working.PutPiece(piece, d.left / 2, d.top / 2);
  m_newSelection = m_wasEmpty ? GLYPHRECT{} : d;
}

CMoveCommand::CMoveCommand(GLYPHPOINT from, GLYPHPOINT to, const CGlyph& piece)
    : m_from(from), m_to(to), m_piece(piece) {
  m_oldSelection = DotsToSelection({from.x, from.y, from.x + piece.Width(), from.y + piece.Height()});
  m_newSelection = DotsToSelection({to.x, to.y, to.x + piece.Width(), to.y + piece.Height()});
}

void CMoveCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.MovePiece(m_from, m_to, m_piece);
}

CPasteCommand::CPasteCommand(const GLYPHRECT& oldSelection, const GLYPHRECT& newSelection, const CGlyph& composed)
    : m_composed(composed) {
  m_oldSelection = oldSelection;
  m_newSelection = newSelection;
}

void CPasteCommand::Execute(CGlyph& working, CGlyph& piece) {
  CDrawCommand::Execute(working, piece);
  working.LoadBitmapBits(std::span<const uint8_t>(m_composed.Pixels().data(), m_composed.Pixels().size()));
}
