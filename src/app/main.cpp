#include <QApplication>
#include <QFont>
#include <QStringList>

#include "app/AppStyle.h"
#include "app/XAMUApp.h"

namespace {
// Help, version and a bad command line must answer on a terminal without a
// display, so the command line is read before a window system is needed.
bool EndsWithText(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const COMMANDLINE line = ParseCommandLine(arguments);
  return !line.ok || line.help || line.version;
}
}  // namespace

int main(int argc, char* argv[]) {
  if (EndsWithText(argc, argv)) {
    QCoreApplication core(argc, argv);
    CXAMUApp app;
    app.InitInstance(QCoreApplication::arguments());
    return app.ExitCode();
  }
  QApplication qt(argc, argv);
  InstallAppStyle();
  // Ties the windows to the menu entry (its name and icon) on Wayland.
  QGuiApplication::setDesktopFileName(QStringLiteral("xamu"));
  // One CJK font everywhere, so that no text shows as boxes and every
  // picture looks the same on every machine.
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);

  CXAMUApp app;
  if (!app.InitInstance(QApplication::arguments())) return app.ExitCode();
  QApplication::exec();
  return app.ExitInstance();
}
