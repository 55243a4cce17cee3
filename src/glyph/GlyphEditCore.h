#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "glyph/DrawCommand.h"
#include "glyph/Glyph.h"
#include "glyph/GlyphPaste.h"
#include "glyph/GlyphPicture.h"
#include "glyph/History.h"

// What the window side of the glyph editor does when the core changes:
// repaint, and tell the dialog that the working glyph changed (the dialog
// copies it back into its glyph set and marks that size modified).
class IGlyphEditSink {
 public:
  virtual ~IGlyphEditSink() = default;
  // The selection was replaced (the whole control is repainted).
  virtual void SelectionChanged() = 0;
  // A command was executed or undone.
  virtual void GlyphChanged() = 0;
};

// The toolkit-free half of the glyph edit control: the working glyph, the
// piece, the selection (doubled rectangle) and the edit history, with every
// operation that needs no window. The control owns one, supplies and takes
// clipboard bytes and pictures, and repaints when told.
class CGlyphEditCore {
 public:
  explicit CGlyphEditCore(IGlyphEditSink* sink = nullptr) : m_sink(sink) {}

  void SetSink(IGlyphEditSink* sink) { m_sink = sink; }

  CGlyph& Working() { return m_working; }
  const CGlyph& Working() const { return m_working; }
  CGlyph& Piece() { return m_piece; }
  const CGlyph& Piece() const { return m_piece; }
  const GLYPHRECT& Selection() const { return m_selection; }
  const CHistory<CDrawCommand>& History() const { return m_history; }

  // Another size to edit: the selection and the history are emptied.
  void LoadGlyph(const CGlyph& glyph);
  // Stores the doubled rectangle normalised.
  void SetSelection(const GLYPHRECT& doubled);
  bool HasSelection() const { return !m_selection.IsEmpty(); }
  bool CanUndo() const { return m_history.CanUndo(); }

  // Pushes the command, executes it on the working glyph and the piece, and
  // makes its new selection current. Undone commands can no longer come back.
  void ExecuteCommand(std::unique_ptr<CDrawCommand> command);
  // Undoes the last command in force, restoring its old selection. Nothing
  // happens when there is none. (The editor offers no redo.)
  void Undo();

  void SelectAll();
  void InvertSelection();
  void RotateSelectionRight();
  void RotateSelectionLeft();
  // Only with a selection.
  void DeleteSelection();

  // The clipboard record for the selection (dots, the working glyph's size
  // and pixels); empty when nothing is selected, so the clipboard is left
  // alone.
  std::vector<uint8_t> CopyRecord() const;
  // Pastes a glyph clipboard record. False (nothing changed, no command)
  // when the record is unusable.
  bool PasteGlyphRecord(std::span<const uint8_t> record, bool autoScale);
  // Pastes a picture; a picture wins over a record when the clipboard holds
  // both, which is the caller's choice. False when the picture is unusable.
  bool PastePicture(const PICTUREIMAGE& picture, bool autoScale);

 private:
  void FinishPaste(const PASTECOMPOSITION& paste);

  IGlyphEditSink* m_sink;
  CGlyph m_working;
  CGlyph m_piece;
  GLYPHRECT m_selection;
  CHistory<CDrawCommand> m_history;
};
