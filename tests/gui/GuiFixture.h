#pragma once
#include <gtest/gtest.h>

#include <QSettings>
#include <QTest>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/MainFrame.h"
#include "common/TestEnv.h"
#include "app/XAMUApp.h"
#include "app/XAMUDoc.h"
#include "view/XAMUView.h"

// A private copy of a sample file. Data files are opened with an exclusive
// lock, so tests running side by side must not share the build's samples:
// one would find the file locked by the other.
inline std::string SamplePath(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/samples-" + std::to_string(::getpid());
  const std::string copy = folder + "/" + name;
  std::error_code ec;
  if (!std::filesystem::exists(copy, ec)) {
    std::filesystem::create_directories(folder, ec);
    std::filesystem::copy_file(std::string(XAMU_BUILD_DIR "/share/xamu/samples/") + name, copy, ec);
  }
  return copy;
}

// A main frame with its view on a fresh document, shown offscreen. Settings
// and the application's category and limits start clean for every test.
class CGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings().clear();
    App().SetCategory(0);
    App().Config().ResetDeviceLimits();
  }
  void TearDown() override {
    m_frame.reset();
    m_doc.reset();
    m_session.reset();
  }

  // `leftFile` is opened into the left pane as the start-up argument is.
  CXAMUView& MakeView(const std::string& leftFile = std::string()) {
    m_session = std::make_unique<CSession>(App().Config());
    m_doc = std::make_unique<CXAMUDoc>(*m_session);
    // As the start-up wires it.
    QObject::connect(m_doc.get(), &CXAMUDoc::LoadFailed, &App(), &CXAMUApp::DisableSplash);
    m_frame = std::make_unique<CMainFrame>(*m_doc);
    if (!leftFile.empty()) m_doc->OnOpenDocument(QString::fromStdString(leftFile));
    else m_doc->OnNewDocument();
    m_frame->View()->OnInitialUpdate();
    m_frame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    return *m_frame->View();
  }

  std::unique_ptr<CSession> m_session;
  std::unique_ptr<CXAMUDoc> m_doc;
  std::unique_ptr<CMainFrame> m_frame;
};
