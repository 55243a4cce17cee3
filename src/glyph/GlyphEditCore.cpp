#include "glyph/GlyphEditCore.h"

#include "glyph/GlyphClip.h"
#include "glyph/GlyphPaste.h"

void CGlyphEditCore::LoadGlyph(const CGlyph& glyph) {
  m_working = glyph;
  m_selection = {};
  m_history.Clear();
  if (m_sink) m_sink->SelectionChanged();
}

void CGlyphEditCore::SetSelection(const GLYPHRECT& doubled) {
  m_selection = doubled.Normalized();
  if (m_sink) m_sink->SelectionChanged();
}

void CGlyphEditCore::ExecuteCommand(std::unique_ptr<CDrawCommand> command) {
  if (!command) return;
  CDrawCommand* c = command.get();
  m_history.Push(std::move(command));
  c->Execute(m_working, m_piece);
  SetSelection(c->NewSelection());
  if (m_sink) m_sink->GlyphChanged();
}

void CGlyphEditCore::Undo() {
  const CDrawCommand* c = m_history.Undo();
  if (!c) return;
  c->Undo(m_working, m_piece);
  SetSelection(c->OldSelection());
  if (m_sink) m_sink->GlyphChanged();
}

void CGlyphEditCore::SelectAll() {
  m_piece = m_working;
  SetSelection(DotsToSelection({0, 0, m_working.Width(), m_working.Height()}));
}

void CGlyphEditCore::InvertSelection() { ExecuteCommand(std::make_unique<CInvertCommand>(m_selection)); }

void CGlyphEditCore::RotateSelectionRight() { ExecuteCommand(std::make_unique<CRotateRightCommand>(m_selection)); }

void CGlyphEditCore::RotateSelectionLeft() { ExecuteCommand(std::make_unique<CRotateLeftCommand>(m_selection)); }

void CGlyphEditCore::DeleteSelection() {
  if (HasSelection()) ExecuteCommand(std::make_unique<CDeleteCommand>(m_selection));
}

std::vector<uint8_t> CGlyphEditCore::CopyRecord() const {
  if (!HasSelection()) return {};
  return EncodeGlyphClip(SelectionToDots(m_selection), m_working);
}

void CGlyphEditCore::FinishPaste(const PASTECOMPOSITION& paste) {
  const GLYPHRECT newSelection = DotsToSelection({0, 0, paste.width, paste.height});
  ExecuteCommand(std::make_unique<CPasteCommand>(m_selection, newSelection, paste.composed));
  // The pasted block is now the floating selection the selection tool drags.
  m_working.ExtractPiece(m_piece, {0, 0, paste.width, paste.height});
}

bool CGlyphEditCore::PasteGlyphRecord(std::span<const uint8_t> record, bool autoScale) {
  GLYPHCLIP clip;
  if (DecodeGlyphClip(record, clip) != kGlyphClipOk) return false;
  FinishPaste(ComposeGlyphPaste(m_working, clip, autoScale));
  return true;
}

bool CGlyphEditCore::PastePicture(const PICTUREIMAGE& picture, bool autoScale) {
  PASTECOMPOSITION paste;
  if (!ComposePicturePaste(m_working, picture, autoScale, paste)) return false;
  FinishPaste(paste);
  return true;
}
