#include <QApplication>
#include <QFont>

#include "app/XAMUApp.h"

int main(int argc, char* argv[]) {
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
