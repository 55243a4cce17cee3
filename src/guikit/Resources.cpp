#include "guikit/Resources.h"

#include <QImage>
#include <QImageReader>
#include <QString>
#include <QtGlobal>

void InitXamuResources() {
  // The pictures live in the static GUI library, which the linker would
  // otherwise leave out.
  static const bool done = [] {
    Q_INIT_RESOURCE(xamu);
    return true;
  }();
  (void)done;
}

QImage ReadPicture(const QString& path, const char* format) {
  QImageReader reader(path, format);
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}
