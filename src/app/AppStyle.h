#pragma once
#include <QProxyStyle>

// The application's style: the platform's own, except that the extension
// arrows of the menu bar and the tool bar are read as the PNG pictures they
// are. Left to Qt's built-in styles, each is read through an image reader
// that guesses the format, which loads every image plug-in of the system
// while the first window is being built.
class CAppStyle : public QProxyStyle {
 public:
  // Over `base` (taken over), else over the style the application would have.
  explicit CAppStyle(QStyle* base = nullptr);
  QIcon standardIcon(StandardPixmap pixmap, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;
};

// Makes a CAppStyle the application's style (after the QApplication).
void InstallAppStyle();
