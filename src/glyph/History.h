#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// An edit history: the executed commands in order, a cursor between the
// ones in force and the ones undone, and a mark where the document was last
// saved. It owns its commands and knows nothing of what they do; the caller
// executes the command it pushes and undoes or redoes the one it is handed.
// No depth limit.
template <class Command>
class CHistory {
 public:
  // A newly executed command. The undone ones after the cursor can never
  // come back, and a saved mark among them is lost with them.
  void Push(std::unique_ptr<Command> command) {
    if (m_saved > m_done) m_saved = kLost;
    m_commands.resize(m_done);
    m_commands.push_back(std::move(command));
    ++m_done;
  }
  // The command to undo, now counted as undone; null when none is left.
  Command* Undo() { return m_done == 0 ? nullptr : m_commands[--m_done].get(); }
  // The command to redo, now counted as done again; null when none is left.
  Command* Redo() { return m_done == m_commands.size() ? nullptr : m_commands[m_done++].get(); }
  bool CanUndo() const { return m_done > 0; }
  bool CanRedo() const { return m_done < m_commands.size(); }
  size_t UndoCount() const { return m_done; }
  size_t RedoCount() const { return m_commands.size() - m_done; }

  // The document now is what was saved.
  void MarkSaved() { m_saved = m_done; }
  // Modified means not at the saved mark, whichever way the cursor left it.
  bool IsModified() const { return m_saved != m_done; }

  // A fresh start (another document): empty and at the saved mark.
  void Clear() {
    m_commands.clear();
    m_done = 0;
    m_saved = 0;
  }

 private:
  static constexpr size_t kLost = SIZE_MAX;

  std::vector<std::unique_ptr<Command>> m_commands;
  size_t m_done = 0;   // commands in force: m_commands[0, m_done)
  size_t m_saved = 0;  // m_done when last saved, or kLost
};
