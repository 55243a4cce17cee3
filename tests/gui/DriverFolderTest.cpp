// The printer library's folder: --driver-dir keeps it as a setting, the
// spooler follows it (a library from elsewhere means a real printer in
// CUPS), the about box shows it; a spooler name that names none ends the
// start with a message.
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <cstdlib>

#include "GuiFixture.h"
#include "ScriptedPrompt.h"
#include "app/AboutDlg.h"
#include "common/CupsServer.h"
#include "device/AppConfig.h"
#include "model/Paths.h"

namespace {

const QString kMsgDriver = QStringLiteral("本プログラムには、専用プリンタのドライバが必要です。\n所定のドライバをインストールしてください。");

// Restores an environment variable at the end of a test.
class CEnvVar {
 public:
  CEnvVar(const char* name, const char* value) : m_name(name), m_had(std::getenv(name) != nullptr) {
    if (m_had) m_old = std::getenv(name);
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~CEnvVar() {
    if (m_had) setenv(m_name, m_old.c_str(), 1);
    else unsetenv(m_name);
  }

 private:
  const char* m_name;
  bool m_had;
  std::string m_old;
};

// Starts the program; true when it came up. Its messages are in `prompt`.
bool Start(const QStringList& extra, CScriptedPrompt& prompt, std::string* driverFolder = nullptr) {
  (void)prompt;
  const QString cwd = QDir::currentPath();
  CXAMUApp app;
  const bool started = app.InitInstance(QStringList{QStringLiteral("xamu"), QStringLiteral("--no-splash")} + extra);
  if (driverFolder) *driverFolder = app.Config().DriverFolder();
  if (started) app.ExitInstance();
  QDir::setCurrent(cwd);
  return started;
}

}  // namespace

TEST(DriverFolder, CommandLineOptionIsMadeAbsolute) {
  COMMANDLINE line = ParseCommandLine({QStringLiteral("xamu"), QStringLiteral("--driver-dir"), QStringLiteral("vendor/lib")});
  ASSERT_TRUE(line.ok);
  EXPECT_TRUE(line.driverDirSet);
  EXPECT_EQ(line.driverDir, QDir::current().absoluteFilePath(QStringLiteral("vendor/lib")));
  line = ParseCommandLine({QStringLiteral("xamu"), QStringLiteral("--driver-dir="), QStringLiteral("a.xmb")});
  ASSERT_TRUE(line.ok);
  EXPECT_TRUE(line.driverDirSet);
  EXPECT_TRUE(line.driverDir.isEmpty());
  EXPECT_FALSE(ParseCommandLine({QStringLiteral("xamu"), QStringLiteral("a.xmb")}).driverDirSet);
  EXPECT_FALSE(ParseCommandLine({QStringLiteral("xamu"), QStringLiteral("--driver-dir")}).ok);
}

TEST_F(CGuiTest, DriverFolderIsKeptUntilSetBack) {
  CEnvVar noDriver("XAMU_DRIVER_DIR", nullptr);
  CEnvVar noSpooler("XAMU_SPOOLER", nullptr);
  QTemporaryDir vendor;
  const QString dir = vendor.path();
  {
    // A library from elsewhere: CUPS lists the printers, and no server
    // answers here, so the start ends with the driver message.
    CScriptedPrompt prompt;
    std::string used;
    EXPECT_FALSE(Start({QStringLiteral("--driver-dir"), dir}, prompt, &used));
    EXPECT_EQ(used, dir.toStdString());
    ASSERT_EQ(prompt.messages.size(), 2) << prompt.messages.join(u'|').toStdString();
    EXPECT_EQ(prompt.messages[0], QString::fromUtf8(kMsgNoBridge));
    EXPECT_EQ(prompt.messages[1], kMsgDriver);
    EXPECT_EQ(QSettings().value(QStringLiteral("Printer/DriverFolder")).toString(), dir);
  }
  {
    // Kept for the next start; $XAMU_DRIVER_DIR still wins over it.
    CScriptedPrompt prompt;
    std::string used;
    EXPECT_FALSE(Start({}, prompt, &used));
    EXPECT_EQ(used, dir.toStdString());
    CEnvVar shipped("XAMU_DRIVER_DIR", (GetProgramFolder() + "/drivers").c_str());
    EXPECT_TRUE(Start({}, prompt, &used));
    EXPECT_EQ(used, GetProgramFolder() + "/drivers");
  }
  {
    // An empty folder goes back to the emulated printer.
    CScriptedPrompt prompt;
    EXPECT_TRUE(Start({QStringLiteral("--driver-dir=")}, prompt));
    EXPECT_TRUE(prompt.messages.isEmpty()) << prompt.messages.join(u'|').toStdString();
    EXPECT_FALSE(QSettings().contains(QStringLiteral("Printer/DriverFolder")));
  }
}

TEST_F(CGuiTest, UnknownSpoolerEndsTheStartWithItsMessage) {
  CEnvVar spooler("XAMU_SPOOLER", "cpus");
  CScriptedPrompt prompt;
  EXPECT_FALSE(Start({}, prompt));
  ASSERT_EQ(prompt.messages.size(), 1) << prompt.messages.join(u'|').toStdString();
  EXPECT_EQ(prompt.messages[0],
            QStringLiteral("環境変数 XAMU_SPOOLER の値「cpus」は使えません。\ncups または sim を指定してください。"));
}

TEST_F(CGuiTest, StartFindsTheQueueOfARunningCupsServerOnly) {
  if (!CCupsServer::Installed()) GTEST_SKIP() << "cupsd is not installed (Debian: cups-daemon, cups-client)";
  CEnvVar spooler("XAMU_SPOOLER", "cups");
  const std::string simIni = std::string(qgetenv("XAMU_SIM_DIR").constData()) + "/spooler.ini";
  const std::vector<uint8_t> saved = CTestEnv::ReadBytes(simIni);
  const std::string library = "[QuilpOne]\nconnected=1\nstatus=2\n";
  CTestEnv::WriteBytes(simIni, std::vector<uint8_t>(library.begin(), library.end()));
  CCupsServer server(FolderOf(qgetenv("XDG_RUNTIME_DIR").toStdString()));
  ASSERT_TRUE(server.Start()) << server.Error();
  ASSERT_TRUE(server.AddQueue("QuilpOne", XAMU_SOURCE_DIR "/dist/quilp-sample.ppd")) << server.ClientLog();
  {
    CScriptedPrompt prompt;
    const QString cwd = QDir::currentPath();
    CXAMUApp app;
    ASSERT_TRUE(app.InitInstance({QStringLiteral("xamu"), QStringLiteral("--no-splash")}))
        << prompt.messages.join(u'|').toStdString();
    EXPECT_EQ(app.DeviceName(), QStringLiteral("QuilpOne"));
    app.ExitInstance();
    QDir::setCurrent(cwd);
  }
  server.Stop();
  {
    CScriptedPrompt prompt;
    EXPECT_FALSE(Start({}, prompt));
    ASSERT_EQ(prompt.messages.size(), 1) << prompt.messages.join(u'|').toStdString();
    EXPECT_EQ(prompt.messages[0], kMsgDriver);
  }
  CTestEnv::WriteBytes(simIni, saved);
}

TEST(AboutDlg, ShowsTheDriverFolder) {
  CAboutDlg about(nullptr, QStringLiteral("/opt/korvante/drivers"));
  ASSERT_NE(about.DriverFolderLabel(), nullptr);
  EXPECT_TRUE(about.DriverFolderLabel()->text().endsWith(QStringLiteral(": /opt/korvante/drivers")));
  CAboutDlg without(nullptr);
  EXPECT_EQ(without.DriverFolderLabel(), nullptr);
}
