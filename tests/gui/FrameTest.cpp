// The application shell: window placement, the status bar's category pane,
// help and web page failures, the about box cutting rule, the file dialog
// helpers, opening a file as the document, the splash and the command line.
#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QLabel>

#include "GuiFixture.h"
#include "ScriptedPrompt.h"
#include "app/AboutDlg.h"
#include "guikit/CommandIds.h"
#include "guikit/FileDialogs.h"
#include "app/Placement.h"
#include "app/SplashWnd.h"
#include "model/FileResult.h"
#include "view/XAMUListBox.h"

TEST(Placement, OnlyExactlyTenNumbersParse) {
  const struct {
    const char* text;
    bool ok;
  } rows[] = {
      {"0,1,-1,-1,-1,-1,10,20,650,500", true},
      {" 0, 3, -1, -1, -1, -1, 10, 20, 650, 500 ", true},
      {"0,1,-1,-1,-1,-1,10,20,650", false},        // nine
      {"0,1,-1,-1,-1,-1,10,20,650,500,7", false},  // eleven
      {"0,1,-1,-1,-1,-1,10,20,650,x", false},
      {"-1,1,-1,-1,-1,-1,10,20,650,500", false},  // flags are unsigned
      {"", false},
  };
  for (const auto& row : rows) {
    WINDOWPLACEMENT p;
    EXPECT_EQ(ParsePlacement(QString::fromLatin1(row.text), p), row.ok) << row.text;
  }
  WINDOWPLACEMENT p;
  ASSERT_TRUE(ParsePlacement(QStringLiteral("0,3,-1,-1,-1,-1,10,20,650,500"), p));
  EXPECT_EQ(p.showCmd, 3u);
  EXPECT_EQ(p.Normal(), QRect(10, 20, 640, 480));
  EXPECT_EQ(FormatPlacement(p), QStringLiteral("0,3,-1,-1,-1,-1,10,20,650,500"));
}

TEST(Placement, CentringUsesHalfTheMenuBarAndIntegerDivision) {
  EXPECT_EQ(CentredPosition(QSize(1024, 741), 19, QSize(640, 480)), QPoint(192, 140));
  EXPECT_EQ(ClampToScreen(QRect(-50, 900, 300, 200), QRect(0, 0, 800, 600)), QRect(0, 400, 300, 200));
  EXPECT_EQ(ClampToScreen(QRect(10, 10, 2000, 200), QRect(0, 0, 800, 600)), QRect(0, 10, 800, 200));
}

namespace {

void SavePlacementText(const char* text) {
  QSettings().setValue(QStringLiteral("Settings/WindowsPosition"), QString::fromLatin1(text));
}

}  // namespace

TEST_F(CGuiTest, SavedNormalPlacementIsRestored) {
  SavePlacementText("0,1,-1,-1,-1,-1,30,40,730,540");
  MakeView();
  EXPECT_EQ(m_frame->geometry(), QRect(30, 40, 700, 500));
  EXPECT_FALSE(m_frame->isMaximized());
}

TEST_F(CGuiTest, SavedMaximisedPlacementRestoresAMaximisedWindow) {
  SavePlacementText("0,3,-1,-1,-1,-1,30,40,730,540");
  MakeView();
  EXPECT_TRUE(m_frame->isMaximized());
  EXPECT_EQ(m_frame->CurrentPlacement().showCmd, 3u);
  EXPECT_EQ(m_frame->normalGeometry(), QRect(30, 40, 700, 500));
}

TEST_F(CGuiTest, MinimisedOrBrokenPlacementsAreNotApplied) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen->availableGeometry();
  for (const char* text : {"0,2,-1,-1,-1,-1,30,40,730,540", "0,1,-1,-1,-1,-1,30,40,730", "garbage"}) {
    SCOPED_TRACE(text);
    SavePlacementText(text);
    MakeView();
    EXPECT_NE(m_frame->geometry().topLeft(), QPoint(30, 40));
    if (QString::fromLatin1(text).count(u',') != 9) {
      // Centred, lowered by half the menu bar.
      const QPoint at = area.topLeft() + CentredPosition(area.size(), m_frame->menuBar()->sizeHint().height(),
                                                         m_frame->size());
      EXPECT_EQ(m_frame->pos(), at);
    }
    TearDown();
  }
}

TEST_F(CGuiTest, ClosingSavesTheTenNumbersAndNeverAMinimisedState) {
  MakeView();
  m_frame->setGeometry(50, 60, 760, 560);
  m_frame->showMinimized();
  QApplication::processEvents();
  m_frame->close();
  WINDOWPLACEMENT p;
  ASSERT_TRUE(ParsePlacement(QSettings().value(QStringLiteral("Settings/WindowsPosition")).toString(), p));
  EXPECT_EQ(p.showCmd, 1u);
  EXPECT_EQ(p.Normal(), QRect(50, 60, 760, 560));
}

TEST_F(CGuiTest, MissingHelpFileIsReportedWithItsPath) {
  MakeView();
  CScriptedPrompt prompt;
  // The build installs the manual; it is put aside for this test.
  const std::string manual = App().Config().HelpFilePath();
  const std::string aside = manual + ".aside";
  const bool present = std::rename(manual.c_str(), aside.c_str()) == 0;
  m_frame->OnCommand(kCmdHelpTopics);
  if (present) std::rename(aside.c_str(), manual.c_str());
  ASSERT_EQ(prompt.messages.size(), 1);
  const QString path = QString::fromStdString(App().Config().HelpFilePath());
  EXPECT_EQ(prompt.messages[0], QStringLiteral("Not Exist Html Help File\n\n   File Path [ %1 ]").arg(path));
  EXPECT_TRUE(prompt.urls.isEmpty());
}

TEST_F(CGuiTest, WebPageFailureShowsTheBrowserMessage) {
  MakeView();
  CScriptedPrompt prompt;
  m_frame->OnCommand(kCmdWebPage);
  ASSERT_EQ(prompt.urls.size(), 1);
  EXPECT_TRUE(prompt.messages.isEmpty());
  prompt.openUrlResult = false;
  m_frame->OnCommand(kCmdWebPage);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("ブラウザプログラムの起動ができませんでした。"));
}

TEST_F(CGuiTest, ToolBarCommandTogglesTheBarAndItsCheckMark) {
  MakeView();
  QAction* action = m_frame->Action(kCmdToolBar);
  EXPECT_TRUE(action->isChecked());
  m_frame->OnCommand(kCmdToolBar);
  EXPECT_FALSE(action->isChecked());
  m_frame->OnCommand(kCmdToolBar);
  EXPECT_TRUE(action->isChecked());
}

TEST(AboutDlg, WideTextsAreCutToWholeCharactersWithDots) {
  const struct {
    QString text;
    int textWidth;
    int fieldWidth;
    QString expected;
  } rows[] = {
      // Fits: unchanged.
      {QStringLiteral(": ABC"), 30, 100, QStringLiteral(": ABC")},
      // 10 bytes, 10 px each; a 70 px field takes n = 7: 4 bytes and "...".
      {QStringLiteral(": ABCDEFGH"), 100, 70, QStringLiteral(": AB...")},
      // ": あいうえ" is 10 bytes; n = 8 would keep 5 bytes, splitting い:
      // byte 5 is a trail byte, so 4 bytes stay.
      {QStringLiteral(": あいうえ"), 100, 80, QStringLiteral(": あ...")},
      // n = 9 keeps 6 bytes: ": あい" ends on a whole character.
      {QStringLiteral(": あいうえ"), 100, 90, QStringLiteral(": あい...")},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CAboutDlg::CutToWidth(row.text, row.textWidth, row.fieldWidth), row.expected)
        << row.text.toStdString() << " " << row.fieldWidth;
}

TEST(FileDialogs, DataFileKindsNameTheFlaggedSectionsInCategoryOrder) {
  QTemporaryDir dir;
  auto path = [&dir](const char* name) { return (dir.path() + u'/' + QLatin1String(name)).toStdString(); };
  auto header = [](uint8_t flags, const char* signature) {
    std::vector<uint8_t> b(28, 0);
    std::memcpy(b.data(), signature, std::strlen(signature));
    b[20] = flags;
    return b;
  };
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* expected;
  } rows[] = {
      {"address-glyph.xmb", header(0x02 | 0x04, "QUILP PRO V3"), "あて名／外字"},
      {"all.xmb", header(0x0F, "QUILP PRO V3"), "ファイル／あて名／名前／外字"},
      {"name.xmb", header(0x08, "QUILP PRO V3"), "名前"},
      {"other.xmb", header(0x0F, "QUILP PRO V2"), ""},
      {"short.xmb", std::vector<uint8_t>(10, 0), ""},
  };
  for (const auto& row : rows) {
    CTestEnv::WriteBytes(path(row.name), row.bytes);
    EXPECT_EQ(DataFileKinds(QString::fromStdString(path(row.name))), QString::fromUtf8(row.expected)) << row.name;
  }
  EXPECT_EQ(DataFileKinds(QString::fromStdString(path("missing.xmb"))), QString());
  EXPECT_EQ(DataFileKinds(dir.path()), QString());
}

TEST(FileDialogs, OpenDialogShowsTheKindsOfTheSelectedFile) {
  COpenFileDialog dialog(nullptr);
  dialog.ShowContents(true);
  emit dialog.currentChanged(QString::fromStdString(SamplePath("Sample.xmb")));
  EXPECT_EQ(dialog.ContentsField()->text(), QStringLiteral("ファイル／あて名／名前／外字"));
  EXPECT_TRUE(dialog.ContentsField()->isReadOnly());
  // A folder change empties the field.
  emit dialog.directoryEntered(QDir::tempPath());
  EXPECT_TRUE(dialog.ContentsField()->text().isEmpty());
}

TEST(FileDialogs, OpenDialogGivesAnEmptyFieldAtOnceForWhatItCannotRead) {
  QTemporaryDir dir;
  const std::string fifo = (dir.path() + QStringLiteral("/pipe.xmb")).toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Held with the lock another program's open would take.
  const std::string locked = (dir.path() + QStringLiteral("/locked.xmb")).toStdString();
  std::filesystem::copy_file(SamplePath("Sample.xmb"), locked);
  const int holder = ::open(locked.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

  COpenFileDialog dialog(nullptr);
  dialog.ShowContents(true);
  for (const std::string& path : {fifo, locked, std::string("/dev/zero")}) {
    emit dialog.currentChanged(QString::fromStdString(SamplePath("Sample.xmb")));
    ASSERT_FALSE(dialog.ContentsField()->text().isEmpty());
    // A pipe without a writer would hold the dialog for good.
    emit dialog.currentChanged(QString::fromStdString(path));
    EXPECT_EQ(dialog.ContentsField()->text(), QString()) << path;
  }
  // Once the other program lets go, the kinds show.
  ::close(holder);
  emit dialog.currentChanged(QString::fromStdString(locked));
  EXPECT_EQ(dialog.ContentsField()->text(), QStringLiteral("ファイル／あて名／名前／外字"));
}

TEST(FileDialogs, OpenDialogLeavesAFileItCannotReadEmpty) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  QTemporaryDir dir;
  const std::string path = (dir.path() + QStringLiteral("/closed.xmb")).toStdString();
  std::filesystem::copy_file(SamplePath("Sample.xmb"), path);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  EXPECT_EQ(DataFileKinds(QString::fromStdString(path)), QString());
}

TEST(AboutBox, ShowsTheVersionTheProgramPrints) {
  CAboutDlg about(nullptr);
  QStringList texts;
  for (const QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("Version 4.30"))) << texts.join(u'|').toStdString();
  FILE* pipe = ::popen(XAMU_BUILD_DIR "/bin/xamu --version", "r");
  ASSERT_NE(pipe, nullptr);
  char line[64] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  ::pclose(pipe);
  ASSERT_TRUE(read);
  EXPECT_STREQ(line, "xamu 4.30\n");
}

TEST(FileDialogs, SaveDialogRenamesTheTypedFileWhenTheTypeChanges) {
  CSaveFileDialog dialog(nullptr);
  dialog.setNameFilters(FilterToQt(QStringLiteral("Excel 97-2003|*.xls|Excel|*.xlsx|ﾃｷｽﾄ|*.txt|CSV|*.csv||")));
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setText(QStringLiteral("Address1.xls"));
  emit dialog.filterSelected(dialog.nameFilters().at(3));
  EXPECT_EQ(edit->text(), QStringLiteral("Address1.csv"));
}

TEST(FileDialogs, SaveDialogKeepsTheExtensionInStepWithTheType) {
  const struct {
    const char* name;
    int index;
    const char* expected;
  } rows[] = {
      {"Address1.xls", 2, "Address1.xlsx"}, {"Address1.xlsx", 4, "Address1.csv"},
      {"list.backup.txt", 1, "list.xls"},  {"Name3", 3, "Name3.txt"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CSaveFileDialog::RenameForFilter(QString::fromUtf8(row.name), row.index), QString::fromUtf8(row.expected));
}

TEST(FileDialogs, FiltersAreBuiltFromThePatternParts) {
  EXPECT_EQ(FilterToQt(QStringLiteral("XAMU ﾌｧｲﾙ (*.xmb)|*.xmb||")), QStringList{QStringLiteral("XAMU ﾌｧｲﾙ (*.xmb) (*.xmb)")});
  EXPECT_EQ(FilterToQt(QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ (*.xls,*.xlsx)|*.xls;*.xlsx|CSV|*.csv||")),
            (QStringList{QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ (*.xls,*.xlsx) (*.xls *.xlsx)"), QStringLiteral("CSV (*.csv)")}));
}

TEST_F(CGuiTest, OpeningAFileWithAnotherSignatureLeavesTheLeftPaneEmpty) {
  CTestEnv::WriteBytes(App().Config().GetDataFolder(false) + "/bad.xmb", std::vector<uint8_t>(64, 'x'));
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView(App().Config().GetDataFolder(false) + "/bad.xmb");
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0],
            QStringLiteral("ＸＡＭＵのファイルでは、ありません。\nまたは、ファイルが壊れている可能性があります。"));
  EXPECT_EQ(view.DataSet(CXAMUView::kPaneLeft).IsUsed(0, -2), 0);
  // The pane is bound to a fresh untitled name, not to the damaged file.
  EXPECT_TRUE(view.PanePath(CXAMUView::kPaneLeft).contains(QStringLiteral("無題")));
  EXPECT_FALSE(App().SplashEnabled());
}

TEST_F(CGuiTest, AFileThatCannotBeOpenedFailsTheOpen) {
  CScriptedPrompt prompt;
  CSession session(App().Config());
  CXAMUDoc doc(session);
  EXPECT_FALSE(doc.OnOpenDocument(QStringLiteral("/nonexistent/missing.xmb")));
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QString::fromStdString(FileResultMessage(kFileNotOpened, false, "/nonexistent/missing.xmb")));
}

TEST_F(CGuiTest, NewDocumentAfterStartEmptiesOnlyTheLeftPane) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  view.DataSet(CXAMUView::kPaneLeft).CopySlotTo(view.DataSet(CXAMUView::kPaneRight), 0, 0);
  view.RefreshLists(true);
  ASSERT_TRUE(m_doc->OnNewDocument());
  EXPECT_EQ(view.DataSet(CXAMUView::kPaneLeft).IsUsed(0, -2), 0);
  EXPECT_EQ(view.DataSet(CXAMUView::kPaneRight).IsUsed(0, 0), 1);
  EXPECT_TRUE(view.PanePath(CXAMUView::kPaneLeft).contains(QStringLiteral("無題")));
  EXPECT_EQ(view.List(CXAMUView::kPaneLeft)->ItemData(0), 0);
}

TEST_F(CGuiTest, AKeyPressClosesTheSplashAndPostsTheDataSelectCommand) {
  CXAMUView& view = MakeView();
  view.SwitchCategory(kCatName);
  App().m_startCommand = kCmdDataSelect;
  CSplashWnd splash(m_frame.get());
  bool finished = false;
  QObject::connect(&splash, &CSplashWnd::Finished, [&] {
    finished = true;
    m_frame->OnCommand(int(App().m_startCommand));
  });
  splash.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
  EXPECT_TRUE(splash.HasPicture());
  m_frame->activateWindow();
  QTest::keyClick(m_frame.get(), Qt::Key_X);
  EXPECT_TRUE(finished);
  EXPECT_FALSE(splash.isVisible());
  EXPECT_EQ(m_frame->focusWidget(), view.Control(kIdcCatName));
}

TEST(CommandLine, OptionsAndAFileMadeAbsolute) {
  const QString cwd = QDir::currentPath();
  COMMANDLINE line = ParseCommandLine({QStringLiteral("xamu"), QStringLiteral("--no-splash"),
                                       QStringLiteral("--screenshot"), QStringLiteral("out.png"),
                                       QStringLiteral("data/a.xmb")});
  ASSERT_TRUE(line.ok);
  EXPECT_TRUE(line.noSplash);
  EXPECT_EQ(line.screenshot, cwd + QStringLiteral("/out.png"));
  EXPECT_EQ(line.file, cwd + QStringLiteral("/data/a.xmb"));
  EXPECT_FALSE(ParseCommandLine({QStringLiteral("xamu"), QStringLiteral("--bogus")}).ok);
  EXPECT_FALSE(ParseCommandLine({QStringLiteral("xamu"), QStringLiteral("a.xmb"), QStringLiteral("b.xmb")}).ok);
  line = ParseCommandLine({QStringLiteral("xamu")});
  EXPECT_TRUE(line.ok);
  EXPECT_FALSE(line.noSplash);
  EXPECT_TRUE(line.file.isEmpty());
}
