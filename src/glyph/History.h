#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "glyph/DrawCommand.h"

// The executed commands, last on top. No depth limit; emptied when another
// glyph size is loaded. It owns its commands.
class CUndoStack {
 public:
  void Push(std::unique_ptr<CDrawCommand> command) { m_commands.push_back(std::move(command)); }
  // The top command, taken off the stack; null when the stack is empty.
  std::unique_ptr<CDrawCommand> Pop() {
    if (m_commands.empty()) return nullptr;
    std::unique_ptr<CDrawCommand> top = std::move(m_commands.back());
    m_commands.pop_back();
    return top;
  }
  void Clear() { m_commands.clear(); }
  bool IsEmpty() const { return m_commands.empty(); }
  size_t Size() const { return m_commands.size(); }

 private:
  std::vector<std::unique_ptr<CDrawCommand>> m_commands;
};
