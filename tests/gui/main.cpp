// test_gui's own main: the widget tests need a QApplication, a platform that
// works without a display, and private folders for settings and sockets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <cstdlib>
#include <memory>

#include "common/TestEnv.h"

int main(int argc, char** argv) {
  // Test discovery runs this at build time, often without a display.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // One private set of folders for the whole run: Qt reads the settings
  // and runtime folders once per process.
  auto env = std::make_unique<CTestEnv>();
  // Whatever the machine's locale, the widgets run as on a server whose
  // locale is C: what they say must not depend on it.
  setenv("LANG", "C.UTF-8", 1);
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) unsetenv(name);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  const int result = RUN_ALL_TESTS();
  return result;
}
