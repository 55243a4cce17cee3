#include "app/AppStyle.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImageReader>
#include <QStyleOption>

namespace {

// Qt's own pictures of the two arrows, as its built-in styles use them.
constexpr char kArrowFolder[] = ":/qt-project.org/styles/commonstyle/images/";

QPixmap ReadPng(const QString& path) {
  QImageReader reader(path, "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

// True for the styles that draw these arrows from Qt's common pictures; any
// other style keeps its own.
bool UsesCommonArrows(const QStyle* style) {
  const QString name = style->name();
  return name == QLatin1String("fusion") || name == QLatin1String("windows");
}

}  // namespace

CAppStyle::CAppStyle(QStyle* base) : QProxyStyle(base) {}

QIcon CAppStyle::standardIcon(StandardPixmap pixmap, const QStyleOption* option, const QWidget* widget) const {
  if ((pixmap != SP_ToolBarHorizontalExtensionButton && pixmap != SP_ToolBarVerticalExtensionButton) ||
      !UsesCommonArrows(baseStyle()))
    return QProxyStyle::standardIcon(pixmap, option, widget);
  const bool rtl = option ? option->direction == Qt::RightToLeft
                          : QGuiApplication::layoutDirection() == Qt::RightToLeft;
  // The same files and sizes as Qt's common style.
  const QString folder = QLatin1String(kArrowFolder);
  QIcon icon;
  if (pixmap == SP_ToolBarHorizontalExtensionButton) {
    const QString stem = folder + (rtl ? QLatin1String("toolbar-ext-h-rtl-") : QLatin1String("toolbar-ext-h-"));
    for (int size : {8, 16, 32}) icon.addPixmap(ReadPng(stem + QString::number(size) + QLatin1String(".png")));
  } else {
    for (int size : {5, 10, 20})
      icon.addPixmap(ReadPng(folder + QLatin1String("toolbar-ext-v-") + QString::number(size) + QLatin1String(".png")));
  }
  // A picture missing from this Qt: its own icon, however it reads it.
  for (const QSize& size : icon.availableSizes())
    if (size.isEmpty()) return QProxyStyle::standardIcon(pixmap, option, widget);
  if (icon.availableSizes().size() != 3) return QProxyStyle::standardIcon(pixmap, option, widget);
  return icon;
}

void InstallAppStyle() { QApplication::setStyle(new CAppStyle); }
