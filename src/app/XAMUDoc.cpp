#include "app/XAMUDoc.h"

#include "guikit/Prompt.h"
#include "guikit/Session.h"
#include "model/FileResult.h"
#include "model/Paths.h"

CXAMUDoc::CXAMUDoc(CSession& session) : m_session(session) {}

CDataSet& CXAMUDoc::Left() { return m_session.Left(); }
CDataSet& CXAMUDoc::Right() { return m_session.Right(); }

bool CXAMUDoc::OnNewDocument() {
  m_modified = 0;
  emit NewDocument();
  return true;
}

bool CXAMUDoc::OnOpenDocument(const QString& path) {
  const std::string file = MakeAbsolute(path.toStdString());
  CDataSet& left = Left();
  const int result = left.LoadDataFile(file);
  ShowFileResult(result, false, file);
  // A file that cannot be opened at all fails the open itself.
  if (result == kFileNotOpened) return false;
  if (result != kFileOk) {
    emit LoadFailed();
    // Keep nothing half-read, and never let a later save overwrite the
    // file that failed to load.
    left.ClearAll();
    left.m_path.clear();
  } else {
    left.m_path = MakeAbsolute(file);
    left.m_untitled = 0;
    left.m_modified = 0;
    emit FileNamed(QString::fromStdString(left.m_path));
  }
  m_modified = 0;
  return true;
}
