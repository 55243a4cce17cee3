#include <QApplication>
#include <QFont>
#include <string_view>

#include "app/XAMUApp.h"

namespace {
// --help and --version must answer on a terminal without a display, so they
// are recognised before a window system is needed.
bool AsksForText(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "-h" || arg == "--help" || arg == "-v" || arg == "--version") return true;
  }
  return false;
}
}  // namespace

int main(int argc, char* argv[]) {
  if (AsksForText(argc, argv)) {
    QCoreApplication core(argc, argv);
    CXAMUApp app;
    app.InitInstance(QCoreApplication::arguments());
    return app.ExitCode();
  }
  QApplication qt(argc, argv);
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
