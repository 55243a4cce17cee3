// Start-up as a whole: InitInstance on good and bad installations, settings
// and file arguments (the single-instance guard has its own file).
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLocalServer>
#include <QPushButton>
#include <QTranslator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <thread>

#include "GuiFixture.h"
#include "ScriptedPrompt.h"
#include "guikit/FileDialogs.h"
#include "app/SingleInstance.h"
#include "device/AppConfig.h"
#include "model/FileResult.h"
#include "view/XAMUListBox.h"

namespace {


// Points the program folder elsewhere for one test.
class CProgramFolder {
 public:
  explicit CProgramFolder(const QString& folder) : m_old(qgetenv("XAMU_PROGRAM_DIR")) {
    qputenv("XAMU_PROGRAM_DIR", folder.toUtf8());
  }
  ~CProgramFolder() { qputenv("XAMU_PROGRAM_DIR", m_old); }

 private:
  QByteArray m_old;
};

// Whether `text` holds kana or kanji.
bool IsJapanese(const QString& text) {
  for (const QChar c : text)
    if ((c.unicode() >= 0x3040 && c.unicode() <= 0x30FF) || (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF))
      return true;
  return false;
}

// The texts of the open dialog's own buttons and labels, which come from Qt.
QStringList OpenDialogTexts() {
  COpenFileDialog dialog(nullptr);
  QStringList texts;
  for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
    const auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
    texts << (label ? label->text() : QStringLiteral("(no %1)").arg(QLatin1String(name)));
  }
  const auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  for (const QDialogButtonBox::StandardButton b : {QDialogButtonBox::Open, QDialogButtonBox::Cancel}) {
    const QPushButton* button = box ? box->button(b) : nullptr;
    texts << (button ? button->text() : QStringLiteral("(no button %1)").arg(int(b)));
  }
  return texts;
}

}  // namespace

TEST_F(CGuiTest, StartUpGivesQtsOwnDialogTextsInJapaneseWhateverTheLocale) {
  // The test program runs under LANG=C.UTF-8 (see main.cpp).
  ASSERT_EQ(QLocale::system().language(), QLocale::C);
  // Another test may have started the program already: begin without it.
  delete qApp->findChild<QTranslator*>(QStringLiteral("qtbase_ja"), Qt::FindDirectChildrenOnly);
  for (const QString& text : OpenDialogTexts()) EXPECT_FALSE(IsJapanese(text)) << text.toStdString();

  const QString cwd = QDir::currentPath();
  CScriptedPrompt prompt;
  {
    CXAMUApp app;
    ASSERT_TRUE(app.InitInstance({QStringLiteral("xamu"), QStringLiteral("--no-splash")}));
    for (const QString& text : OpenDialogTexts()) EXPECT_TRUE(IsJapanese(text)) << text.toStdString();
  }
  QDir::setCurrent(cwd);
}

TEST_F(CGuiTest, StartWithoutPrintersIniEndsWithTheDriverMessage) {
  QTemporaryDir empty;
  CProgramFolder folder(empty.path());
  CScriptedPrompt prompt;
  {
    CXAMUApp app;
    EXPECT_FALSE(app.InitInstance({QStringLiteral("xamu"), QStringLiteral("--no-splash")}));
    EXPECT_EQ(app.ExitCode(), 1);
    EXPECT_EQ(app.Frame(), nullptr);
  }
  // No library in an empty program folder, then no model: both messages.
  ASSERT_EQ(prompt.messages.size(), 2);
  EXPECT_EQ(prompt.messages[0], QString::fromUtf8(kMsgNoBridge));
  EXPECT_EQ(prompt.messages[1], QStringLiteral("本プログラムには、専用プリンタのドライバが必要です。\n所定のドライバをインストールしてください。"));
}

TEST_F(CGuiTest, TwoConnectedPrintersEndTheStartWithTheirMessage) {
  const std::string ini = std::string(qgetenv("XAMU_SIM_DIR").constData()) + "/spooler.ini";
  const std::vector<uint8_t> saved = CTestEnv::ReadBytes(ini);
  const std::string two =
      "[QUILP PRO QP700]\ndriver=KORVANTE QUILP PRO QP700\nprivate=KORVANTE QUILP SERIES DRIVER\nconnected=1\n"
      "[QUILP PRO QP510]\ndriver=KORVANTE QUILP PRO QP510\nprivate=KORVANTE QUILP SERIES DRIVER\nconnected=1\n";
  CTestEnv::WriteBytes(ini, std::vector<uint8_t>(two.begin(), two.end()));
  CScriptedPrompt prompt;
  {
    CXAMUApp app;
    EXPECT_FALSE(app.InitInstance({QStringLiteral("xamu"), QStringLiteral("--no-splash")}));
    EXPECT_EQ(app.Frame(), nullptr);
  }
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("「クイルプ」ＰＲＯ本体を複数接続時は通信ができません。\n接続する「クイルプ」ＰＲＯ本体を１台にしてください。"));
  if (saved.empty()) std::remove(ini.c_str());
  else CTestEnv::WriteBytes(ini, saved);
}

TEST_F(CGuiTest, StartOnTheEmulatedPrinterShowsBothPanes) {
  const QString cwd = QDir::currentPath();
  CScriptedPrompt prompt;
  {
    CXAMUApp app;
    ASSERT_TRUE(app.InitInstance({QStringLiteral("xamu"), QStringLiteral("--no-splash"),
                                  QString::fromStdString(SamplePath("Sample.xmb"))}));
    EXPECT_TRUE(prompt.messages.isEmpty()) << prompt.messages.join(u'|').toStdString();
    ASSERT_NE(app.Frame(), nullptr);
    EXPECT_TRUE(app.Frame()->isVisible());
    CXAMUView* view = app.Frame()->View();
    EXPECT_EQ(view->PanePath(CXAMUView::kPaneLeft).toStdString(), SamplePath("Sample.xmb"));
    EXPECT_TRUE(view->PanePath(CXAMUView::kPaneRight).contains(QStringLiteral("無題")));
    EXPECT_EQ(view->List(CXAMUView::kPaneLeft)->ItemData(0), 1);
    EXPECT_FALSE(app.DeviceName().isEmpty());
    // The data selection command follows the window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.Frame()->focusWidget() == view->Control(1040); }, 2000));
    app.ExitInstance();
    // The selected printer is remembered for the next run.
    EXPECT_EQ(QSettings().value(QStringLiteral("Printer/DeviceName")).toString(), app.DeviceName());
  }
  QDir::setCurrent(cwd);
}

TEST_F(CGuiTest, StartWithAFileThatIsNoDataFileGoesOnWithAnEmptyPane) {
  const QString cwd = QDir::currentPath();
  QTemporaryDir dir;
  const QString bad = dir.path() + QStringLiteral("/notes.xmb");
  CTestEnv::WriteBytes(bad.toStdString(), std::vector<uint8_t>(100, 'n'));
  CScriptedPrompt prompt;
  {
    CXAMUApp app;
    ASSERT_TRUE(app.InitInstance({QStringLiteral("xamu"), bad}));
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_EQ(prompt.messages[0], QString::fromStdString(FileResultMessage(kFileBadSignature, false, "")));
    EXPECT_FALSE(app.SplashEnabled());
    EXPECT_EQ(app.Splash(), nullptr);
    EXPECT_TRUE(app.Frame()->View()->PanePath(CXAMUView::kPaneLeft).contains(QStringLiteral("無題")));
  }
  QDir::setCurrent(cwd);
}

TEST_F(CGuiTest, StartWithAFileThatCannotBeOpenedEnds) {
  const QString cwd = QDir::currentPath();
  CScriptedPrompt prompt;
  {
    CXAMUApp app;
    EXPECT_FALSE(app.InitInstance({QStringLiteral("xamu"), QStringLiteral("--no-splash"),
                                   QStringLiteral("/nonexistent/file.xmb")}));
    EXPECT_EQ(app.Frame(), nullptr);
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_EQ(prompt.messages[0],
              QString::fromStdString(FileResultMessage(kFileNotOpened, false, "/nonexistent/file.xmb")));
  }
  QDir::setCurrent(cwd);
}

TEST_F(CGuiTest, ABrokenSettingsFileFallsBackToDefaults) {
  const QString file = QSettings().fileName();
  QFile::remove(file);
  QDir().mkpath(QFileInfo(file).path());
  CTestEnv::WriteBytes(file.toStdString(), {'[', 0xFF, 0x00, '=', '\n', 'W', 'i', 'n', '=', '\x01', '\n'});
  MakeView();
  EXPECT_TRUE(m_frame->isVisible());
  EXPECT_FALSE(m_frame->isMaximized());
  QFile::remove(file);
}
