#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "GlyphArt.h"
#include "glyph/DrawCommand.h"
#include "glyph/History.h"

namespace {

// A command that only carries a name, so the history is seen on its own.
struct NAMED {
  std::string name;
};

using CNamedHistory = CHistory<NAMED>;

void Push(CNamedHistory& history, const std::string& name) {
  history.Push(std::make_unique<NAMED>(NAMED{name}));
}

std::string NameOf(const NAMED* command) { return command ? command->name : "-"; }

// Runs a script over a fresh history: P pushes, U undoes, R redoes, S marks
// saved, C clears. Returns the modified state after the last step.
bool ModifiedAfter(const std::string& script) {
  CNamedHistory history;
  for (char step : script) {
    switch (step) {
      case 'P': Push(history, "x"); break;
      case 'U': history.Undo(); break;
      case 'R': history.Redo(); break;
      case 'S': history.MarkSaved(); break;
      case 'C': history.Clear(); break;
    }
  }
  return history.IsModified();
}

}  // namespace

TEST(History, UndoAndRedoWalkTheCommandsInOrderAndStopAtTheEnds) {
  CNamedHistory history;
  EXPECT_EQ(NameOf(history.Undo()), "-");
  EXPECT_EQ(NameOf(history.Redo()), "-");
  Push(history, "a");
  Push(history, "b");
  Push(history, "c");
  EXPECT_EQ(NameOf(history.Undo()), "c");
  EXPECT_EQ(NameOf(history.Undo()), "b");
  EXPECT_EQ(history.UndoCount(), 1u);
  EXPECT_EQ(history.RedoCount(), 2u);
  EXPECT_EQ(NameOf(history.Redo()), "b");
  EXPECT_EQ(NameOf(history.Redo()), "c");
  EXPECT_EQ(NameOf(history.Redo()), "-");
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(NameOf(history.Undo()), "c");
  EXPECT_EQ(NameOf(history.Undo()), "b");
  EXPECT_EQ(NameOf(history.Undo()), "a");
  EXPECT_EQ(NameOf(history.Undo()), "-");
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(history.CanRedo());
}

TEST(History, APushAfterUndoDropsTheUndoneCommands) {
  CNamedHistory history;
  Push(history, "a");
  Push(history, "b");
  Push(history, "c");
  history.Undo();
  history.Undo();
  Push(history, "d");
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.UndoCount(), 2u);
  EXPECT_EQ(NameOf(history.Undo()), "d");
  EXPECT_EQ(NameOf(history.Undo()), "a");
  EXPECT_EQ(NameOf(history.Redo()), "a");
  EXPECT_EQ(NameOf(history.Redo()), "d");
}

TEST(History, ModifiedMeansNotAtTheSavedMark) {
  struct ROW {
    const char* script;
    bool modified;
  };
  const ROW rows[] = {
      {"", false},
      {"P", true},
      {"PS", false},
      {"PSP", true},
      {"PSPU", false},     // undone back to what was saved
      {"PSU", true},       // undone past it
      {"PSUR", false},     // and redone onto it again
      {"PUS", false},      // saved with everything undone
      {"PUSR", true},
      {"SPU", false},
      {"PSUP", true},      // the saved state was dropped with the redo tail ...
      {"PSUPU", true},     // ... so no undo reaches it any more
      {"PSUPUR", true},
      {"PPSUUP", true},
      {"PPC", false},      // a fresh start is unmodified
      {"PSUPC", false},
      {"PSUPCP", true},
  };
  for (const ROW& row : rows) EXPECT_EQ(ModifiedAfter(row.script), row.modified) << row.script;
}

// The history as the glyph editor uses it: the caller executes, the history
// hands back what to undo and redo.
TEST(History, DrivesRealGlyphCommandsBackAndForth) {
  CGlyph working = Blank(4, 2);
  CGlyph piece;
  CHistory<CDrawCommand> history;
  const auto run = [&](std::unique_ptr<CDrawCommand> command) {
    command->Execute(working, piece);
    history.Push(std::move(command));
  };
  run(std::make_unique<CLineCommand>(GLYPHPOINT{0, 0}, GLYPHPOINT{3, 0}));
  history.MarkSaved();
  run(std::make_unique<CFillRectCommand>(GLYPHPOINT{0, 1}, GLYPHPOINT{1, 1}));
  EXPECT_EQ(ToArt(working), "####/##..");
  EXPECT_TRUE(history.IsModified());

  history.Undo()->Undo(working, piece);
  EXPECT_EQ(ToArt(working), "####/....");
  EXPECT_FALSE(history.IsModified());

  history.Redo()->Execute(working, piece);
  EXPECT_EQ(ToArt(working), "####/##..");
  history.Undo()->Undo(working, piece);
  history.Undo()->Undo(working, piece);
  EXPECT_EQ(ToArt(working), "..../....");
  EXPECT_TRUE(history.IsModified());
}
