#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "device/AppConfig.h"

#include "app/MainFrame.h"
#include "app/SplashWnd.h"
#include "guikit/Resources.h"
#include "guikit/Session.h"
class CSingleInstance;
class CXAMUDoc;


// What the command line asked for.
struct COMMANDLINE {
  bool noSplash = false;
  QString screenshot;  // save a picture of the main window there, then exit
  QString file;        // absolute path of the data file to open, or empty
  bool help = false;     // --help: print the command line and end
  bool version = false;  // --version: print the version and end
  bool driverDirSet = false;  // --driver-dir given: its value becomes the setting
  QString driverDir;          // absolute; empty: back to the emulated printer
  bool ok = true;      // false for an unknown option
  QString error;
};
COMMANDLINE ParseCommandLine(const QStringList& arguments);

// The application object: start-up, the configuration every part reads,
// the splash window and the end of the run. One per process.
class CXAMUApp : public QObject {
  Q_OBJECT
 public:
  CXAMUApp();
  ~CXAMUApp() override;

  // The start-up steps; false when the program should end (exit status in
  // ExitCode()).
  bool InitInstance(const QStringList& arguments);
  // Remembers the printer and releases the library.
  int ExitInstance();
  int ExitCode() const { return m_exitCode; }
  // The printer library folder to use: --driver-dir's value (kept as the
  // setting, or the setting removed for an empty one); empty when
  // $XAMU_DRIVER_DIR is set, which then decides; else the kept setting.
  static QString DriverFolderSetting(const COMMANDLINE& line);

  CAppConfig& Config() { return m_config; }
  // What the windows work on; made with the application, handed down.
  CSession& Session() { return m_session; }
  int Category() const { return m_config.Category(); }
  void SetCategory(int category) { m_config.SetCategory(category); }
  int DeviceLimit(int category) const { return m_config.DeviceLimit(category); }
  // The title of the main window.
  QString Title() const;
  // The device name a pane in device mode shows.
  QString DeviceName() const { return QString::fromStdString(m_config.PrinterName()); }

  CXAMUDoc* Doc() const { return m_doc.get(); }
  CMainFrame* Frame() const { return m_frame; }

  // The command sent to the main window when the splash closes (0 = none).
  uint32_t m_startCommand = 0;

  void ShowSplashScreen(QWidget* owner);
  void HideSplashScreen();
  void DisableSplash() { m_splashEnabled = false; }
  bool SplashEnabled() const { return m_splashEnabled; }
  CSplashWnd* Splash() const { return m_splash; }

 private:
  void PostStartCommand();
  void TakeScreenshot();

  CAppConfig m_config;
  CSession m_session{m_config};
  std::unique_ptr<CXAMUDoc> m_doc;
  QPointer<CMainFrame> m_frame;
  QPointer<CSplashWnd> m_splash;
  CSingleInstance* m_instance = nullptr;
  bool m_splashEnabled = true;
  QString m_screenshot;
  int m_exitCode = 0;
};

// The application object; made on first use when main() has not made one
// (tests).
CXAMUApp& App();
