#pragma once
#include <QString>

#include "model/DataSet.h"

class CXAMUView;

// The single document: the two data sets the panes show. Everything else
// about pane files (names, saving) belongs to the view.
class CXAMUDoc {
 public:
  CXAMUDoc() = default;
  CXAMUDoc(const CXAMUDoc&) = delete;
  CXAMUDoc& operator=(const CXAMUDoc&) = delete;

  CDataSet& Left() { return m_left; }
  CDataSet& Right() { return m_right; }
  void SetView(CXAMUView* view) { m_view = view; }
  CXAMUView* View() const { return m_view; }

  // A new document: once the view is initialised, the left pane is emptied
  // and reset; at start-up nothing more happens.
  bool OnNewDocument();
  // Opens a data file into the left pane (start-up argument, shell). False
  // only when the file cannot be opened at all (its message has been
  // shown); a damaged file is reported and leaves an empty left pane.
  bool OnOpenDocument(const QString& path);
  // Lets the view offer to save the modified panes; false when the close
  // was refused.
  bool OnCloseDocument();

  bool IsModified() const { return m_modified != 0; }
  void SetModifiedFlag(bool modified = true) { m_modified = modified ? 1 : 0; }

 private:
  CDataSet m_left;   // always a PC data file
  CDataSet m_right;  // a PC data file or the printer's memory
  CXAMUView* m_view = nullptr;
  int32_t m_modified = 0;
};
