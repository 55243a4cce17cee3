// Draws the application icon at the sizes of the desktop's hicolor theme,
// with the very painting code that makes the program's own icon, so the menu
// entry and the window always look alike. Run it after changing the icon and
// commit the PNG files:
//   QT_QPA_PLATFORM=offscreen build/bin/xamu-mkicons dist/icons
#define main XamuMakeImagesMain
#include "app/tools/MakeImages.cpp"
#undef main

#include <QDir>

namespace {
// The hicolor sizes desktops look for in a menu, a task bar and a file manager.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: xamu-mkicons OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  for (int side : kIconSizes) {
    const QString name = out.filePath(QStringLiteral("xamu-%1.png").arg(side));
    if (!AppIcon(side).save(name)) {
      std::fprintf(stderr, "xamu-mkicons: cannot write %s\n", qPrintable(name));
      return 1;
    }
  }
  return 0;
}
