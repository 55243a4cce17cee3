#pragma once
#include <functional>

class CGlyphDialog;
class CXAMUView;
struct DATAENTRY;

// The view's side of the glyph editor: 外字編集 opens it on the caret glyph
// slot of the active pane, its result goes into the pane's file or into the
// printer, and its own 上書き保存 saves the pane.

// Connects the view's 外字編集 button to RunGlyphEdit.
void InstallGlyphHandOver(CXAMUView& view);

// The 外字編集 command.
void RunGlyphEdit(CXAMUView& view);

// The editor's save request for `slot` of `pane`: stores the entry, saves the
// pane and answers with the pane's modified flag in the high 16 bits and its
// untitled flag in the low 16 bits, as they are afterwards; 0 means saved.
int SaveGlyphFromEditor(CXAMUView& view, int pane, int slot, const DATAENTRY& entry);

// Runs the editor modally and returns its result; tests install their own
// runner to drive it. Returns the previous runner (empty = exec()).
using GlyphDialogRunner = std::function<int(CGlyphDialog& dialog)>;
GlyphDialogRunner SetGlyphDialogRunner(GlyphDialogRunner runner);
