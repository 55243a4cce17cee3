#include "app/XAMUApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTimer>

#include <cstdio>

#include "guikit/CommandIds.h"
#include "app/MainFrame.h"
#include "app/Picture.h"
#include "app/QtTranslation.h"
#include "guikit/Prompt.h"
#include "app/SingleInstance.h"
#include "app/SplashWnd.h"
#include "guikit/Strings.h"
#include "app/XAMUDoc.h"
#include "XamuVersion.h"
#include "model/Paths.h"
#include "view/XAMUView.h"

namespace {

CXAMUApp* g_app = nullptr;

// Settings keys.
constexpr char kPrinterKey[] = "Printer/DeviceName";
// The printer utility library's folder chosen with --driver-dir.
constexpr char kDriverFolderKey[] = "Printer/DriverFolder";

// Exit statuses of a start that ends early.
constexpr int kExitFailed = 1;     // a start-up step failed (after its message)
constexpr int kExitUsage = 2;      // the command line could not be read
// What --help prints: the command line and where the run-time folders come from.
constexpr const char* kHelpText =
    "usage: xamu [--no-splash] [--screenshot FILE.png] [--driver-dir DIR] [FILE.xmb]\n"
    "\n"
    "The desktop companion of the QUILP PRO label printers. Without a file a new\n"
    "document is opened; with a file, that data file is opened into the left pane\n"
    "(a running XAMU takes it over and comes to the front).\n"
    "\n"
    "  --no-splash            start without the splash window\n"
    "  --screenshot FILE.png  save a picture of the main window once it is shown,\n"
    "                         then exit (works under xvfb-run)\n"
    "  --driver-dir DIR       use the printer utility library DIR/3/libprbridge.so\n"
    "                         from now on (kept as a setting; an empty DIR goes\n"
    "                         back to the emulated printer)\n"
    "  -h, --help             show this text\n"
    "  -v, --version          show the version\n"
    "\n"
    "Environment: XAMU_PROGRAM_DIR (program folder), XAMU_DRIVER_DIR (folder whose\n"
    "3/libprbridge.so is the printer utility library; default: the emulated\n"
    "printer; overrides the setting), XAMU_SPOOLER (cups or sim; default: sim with\n"
    "the emulated printer, cups with any other library), XAMU_SIM_DIR,\n"
    "XAMU_DATA_HOME. See xamu(1).\n";

}  // namespace

COMMANDLINE ParseCommandLine(const QStringList& arguments) {
  COMMANDLINE result;
  QCommandLineParser parser;
  const QCommandLineOption noSplash(QStringLiteral("no-splash"));
  const QCommandLineOption screenshot(QStringLiteral("screenshot"), QString(), QStringLiteral("FILE.png"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
  const QCommandLineOption driverDir(QStringLiteral("driver-dir"), QString(), QStringLiteral("DIR"));
  parser.addOption(driverDir);
  parser.addOption(noSplash);
  parser.addOption(screenshot);
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(QStringLiteral("file"), QString());
  if (!parser.parse(arguments)) {
    result.ok = false;
    result.error = parser.errorText();
    return result;
  }
  result.help = parser.isSet(help);
  result.version = parser.isSet(version);
  result.noSplash = parser.isSet(noSplash);
  if (parser.isSet(driverDir)) {
    result.driverDirSet = true;
    const QString dir = parser.value(driverDir);
    if (!dir.isEmpty()) result.driverDir = QFileInfo(dir).absoluteFilePath();
  }
  if (parser.isSet(screenshot)) result.screenshot = QFileInfo(parser.value(screenshot)).absoluteFilePath();
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    result.ok = false;
    result.error = QStringLiteral("only one data file can be opened");
    return result;
  }
  // Made absolute now: the start-up changes the current folder later.
  if (!files.isEmpty()) result.file = QString::fromStdString(MakeAbsolute(files.first().toStdString()));
  return result;
}

CXAMUApp::CXAMUApp() {
  g_app = this;
  InitXamuResources();
  QCoreApplication::setOrganizationName(QStringLiteral("KORVANTE"));
  QCoreApplication::setApplicationName(QStringLiteral("XAMU"));
}

CXAMUApp::~CXAMUApp() {
  delete m_splash;
  delete m_frame;
  if (g_app == this) g_app = nullptr;
}

CXAMUApp& App() {
  if (!g_app) {
    static CXAMUApp* made = new CXAMUApp;
    return *made;
  }
  return *g_app;
}

QString CXAMUApp::Title() const { return LoadString(kStrTitle); }

bool CXAMUApp::InitInstance(const QStringList& arguments) {
  const COMMANDLINE line = ParseCommandLine(arguments);
  if (!line.ok) {
    std::fprintf(stderr, "xamu: %s\nusage: xamu [--no-splash] [--screenshot FILE.png] [--driver-dir DIR] [FILE.xmb]\n",
                 qPrintable(line.error));
    m_exitCode = kExitUsage;
    return false;
  }
  if (line.help) {
    std::fputs(kHelpText, stdout);
    return false;
  }
  if (line.version) {
    std::printf("xamu %s\n", kXamuVersion);
    return false;
  }
  // Before any message box or file dialog can show.
  InstallQtTranslation();

  // One copy per user, claimed before anything else: of two starts in the
  // same instant exactly one goes on; the other's file opens in it.
  m_instance = new CSingleInstance(this);
  switch (m_instance->ClaimOrHandOver(line.file)) {
    case CSingleInstance::Claim::kFirst: break;
    case CSingleInstance::Claim::kHandedOver: return false;
    case CSingleInstance::Claim::kBusy:
      std::fprintf(stderr, "xamu: XAMU is already running but does not answer\n");
      m_exitCode = kExitFailed;
      return false;
    case CSingleInstance::Claim::kNoGuard:
      std::fprintf(stderr, "xamu: no private runtime folder: a second start cannot be refused\n");
      break;
  }

  // Program folder, model table, per-user data folder, spooler, utility
  // library. The library comes from --driver-dir (kept), else
  // $XAMU_DRIVER_DIR, else the kept folder, else the emulated printer.
  m_config.SetDriverFolder(DriverFolderSetting(line).toStdString());
  if (!m_config.Init()) ShowWarning(QString::fromUtf8(kMsgNoBridge));
  if (!m_config.SpoolerError().empty()) {
    ShowError(QString::fromStdString(m_config.SpoolerError()));
    m_exitCode = kExitFailed;
    return false;
  }

  m_splashEnabled = !line.noSplash;
  m_screenshot = line.screenshot;

  switch (m_config.CheckPrinters()) {
    case kScanOk: break;
    case kScanSeveral:
      ShowError(LoadString(kStrManyConnected));
      m_exitCode = kExitFailed;
      return false;
    default:
      ShowError(LoadString(kStrNoDriver));
      m_exitCode = kExitFailed;
      return false;
  }

  QDir::setCurrent(QString::fromStdString(m_config.ProgramFolder()));

  m_doc = std::make_unique<CXAMUDoc>(m_session);
  m_frame = new CMainFrame(*m_doc);
  SetPromptParent(m_frame);
  m_startCommand = kCmdDataSelect;
  // A file that fails to load leaves a pane to look at, not a splash.
  connect(m_doc.get(), &CXAMUDoc::LoadFailed, this, &CXAMUApp::DisableSplash);
  const bool opened = line.file.isEmpty() ? m_doc->OnNewDocument() : m_doc->OnOpenDocument(line.file);
  if (!opened) {
    delete m_frame;
    m_exitCode = kExitFailed;
    return false;
  }
  m_frame->View()->OnInitialUpdate();
  m_frame->show();
  connect(m_instance, &CSingleInstance::Activated, m_frame, [this](const QString& file) {
    if (!m_frame) return;
    m_frame->Activate();
    if (!file.isEmpty()) m_frame->OpenFromOtherStart(file);
  });
  // Starts that came while this one was starting are shown now.
  m_instance->SetReady();

  if (m_splashEnabled) {
    ShowSplashScreen(m_frame);
  } else {
    // Without a splash the start-up command goes once the window is shown.
    QTimer::singleShot(0, this, &CXAMUApp::PostStartCommand);
  }
  return true;
}

QString CXAMUApp::DriverFolderSetting(const COMMANDLINE& line) {
  QSettings settings;
  const QString key = QString::fromLatin1(kDriverFolderKey);
  if (line.driverDirSet) {
    if (line.driverDir.isEmpty())
      settings.remove(key);
    else
      settings.setValue(key, line.driverDir);
    return line.driverDir;
  }
  if (!qEnvironmentVariableIsEmpty("XAMU_DRIVER_DIR")) return QString();
  return settings.value(key).toString();
}

int CXAMUApp::ExitInstance() {
  QSettings settings;
  const QString printer = QString::fromStdString(m_config.PrinterName());
  if (settings.value(QString::fromLatin1(kPrinterKey)).toString() != printer)
    settings.setValue(QString::fromLatin1(kPrinterKey), printer);
  m_config.Bridge().Unload();
  return m_exitCode;
}

void CXAMUApp::ShowSplashScreen(QWidget* owner) {
  if (!m_splashEnabled || m_splash) return;
  m_splash = new CSplashWnd(owner);
  connect(m_splash, &CSplashWnd::Finished, this, &CXAMUApp::HideSplashScreen);
  m_splash->show();
}

void CXAMUApp::HideSplashScreen() {
  if (m_splash) {
    m_splash->hide();
    m_splash->deleteLater();
    m_splash = nullptr;
  }
  if (m_frame) m_frame->update();
  // Queued, as a posted command would be.
  QTimer::singleShot(0, this, &CXAMUApp::PostStartCommand);
}

void CXAMUApp::PostStartCommand() {
  if (m_frame && m_startCommand != 0) m_frame->OnCommand(int(m_startCommand));
  if (!m_screenshot.isEmpty()) QTimer::singleShot(0, this, &CXAMUApp::TakeScreenshot);
}

void CXAMUApp::TakeScreenshot() {
  if (!m_frame) return;
  const bool saved = WritePictureQuickly(ShownWindowPicture(*m_frame), m_screenshot);
  if (!saved) std::fprintf(stderr, "xamu: cannot write %s\n", qPrintable(m_screenshot));
  m_exitCode = saved ? 0 : kExitFailed;
  // The window closes as at any end of the run, without questions: nothing
  // has been changed yet.
  m_frame->SavePlacement();
  QCoreApplication::exit(m_exitCode);
}
