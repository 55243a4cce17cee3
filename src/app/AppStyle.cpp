#include "app/AppStyle.h"

#include "guikit/Resources.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QStyleOption>

namespace {

// Qt's own pictures of the two arrows, as its built-in styles use them.
constexpr char kArrowFolder[] = ":/qt-project.org/styles/commonstyle/images/";

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
    for (int size : {8, 16, 32}) icon.addPixmap(QPixmap::fromImage(ReadPicture(stem + QString::number(size) + QLatin1String(".png"), "png")));
  } else {
    for (int size : {5, 10, 20})
      icon.addPixmap(QPixmap::fromImage(
          ReadPicture(folder + QLatin1String("toolbar-ext-v-") + QString::number(size) + QLatin1String(".png"), "png")));
  }
  // A picture missing from this Qt: its own icon, however it reads it.
  for (const QSize& size : icon.availableSizes())
    if (size.isEmpty()) return QProxyStyle::standardIcon(pixmap, option, widget);
  if (icon.availableSizes().size() != 3) return QProxyStyle::standardIcon(pixmap, option, widget);
  return icon;
}

void InstallAppStyle() { QApplication::setStyle(new CAppStyle); }
