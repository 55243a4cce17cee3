#pragma once
#include <QObject>
#include <QString>

#include "model/DataSet.h"

class CSession;

// The single document: the two data sets the panes show, kept in the
// session. Everything else about pane files (names, saving) belongs to the
// view.
class CXAMUDoc : public QObject {
  Q_OBJECT
 public:
  explicit CXAMUDoc(CSession& session);
  CXAMUDoc(const CXAMUDoc&) = delete;
  CXAMUDoc& operator=(const CXAMUDoc&) = delete;

  CSession& Session() const { return m_session; }
  CDataSet& Left();
  CDataSet& Right();

  // A new document: NewDocument goes out, on which an initialised view
  // empties and resets the left pane; at start-up nothing more happens.
  bool OnNewDocument();
  // Opens a data file into the left pane (start-up argument, shell). False
  // only when the file cannot be opened at all (its message has been
  // shown); a damaged file is reported and leaves an empty left pane.
  bool OnOpenDocument(const QString& path);

  bool IsModified() const { return m_modified != 0; }
  void SetModifiedFlag(bool modified = true) { m_modified = modified ? 1 : 0; }

 signals:
  void NewDocument();
  // A data file was opened under `path` (the recent-file list).
  void FileNamed(const QString& path);
  // The start-up file could not be read: a message was shown and the left
  // pane is empty.
  void LoadFailed();

 private:
  CSession& m_session;
  int32_t m_modified = 0;
};
