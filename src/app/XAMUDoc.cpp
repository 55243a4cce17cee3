#include "app/XAMUDoc.h"

#include "app/Prompt.h"
#include "app/SplashWnd.h"
#include "app/XAMUApp.h"
#include "model/FileResult.h"
#include "model/Paths.h"
#include "view/XAMUView.h"

bool CXAMUDoc::OnNewDocument() {
  m_modified = 0;
  if (m_view && m_view->IsInitialised()) {
    m_left.ClearAll();
    m_view->ResetLeftPane();
  }
  return true;
}

bool CXAMUDoc::OnOpenDocument(const QString& path) {
  const std::string file = MakeAbsolute(path.toStdString());
  const int result = m_left.LoadDataFile(file);
  ShowFileResult(result, false, file);
  // A file that cannot be opened at all fails the open itself.
  if (result == kFileNotOpened) return false;
  if (result != kFileOk) {
    App().DisableSplash();
    // Keep nothing half-read, and never let a later save overwrite the
    // file that failed to load.
    m_left.ClearAll();
    m_left.m_path.clear();
  } else {
    m_left.m_path = MakeAbsolute(file);
    m_left.m_untitled = 0;
    m_left.m_modified = 0;
    App().AddToRecentFileList(QString::fromStdString(m_left.m_path));
  }
  m_modified = 0;
  return true;
}

bool CXAMUDoc::OnCloseDocument() { return !m_view || m_view->SaveModifiedPanes(); }
