#include "app/Picture.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>
#include <QWindow>
#include <png.h>

#include <cstdio>

// Writes `image` as an RGB PNG with no row filters and the quickest
// deflate, straight from the window's own rows: the run ends as soon as the
// picture is written, and the image writer's filter search alone took more
// time than the whole start-up above a bare window (and a converted copy
// more memory). A failed picture is removed.
bool WritePictureQuickly(QImage image, const QString& path) {
  if (image.isNull()) return false;
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
    image.convertTo(QImage::Format_RGB32);
  const QByteArray name = QFile::encodeName(path);
  FILE* file = std::fopen(name.constData(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool written = false;
  if (info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()), static_cast<png_uint_32>(image.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The rows hold 32-bit words 0xAARRGGBB in the machine's byte order.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
    png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif
    for (int y = 0; y < image.height(); ++y) png_write_row(png, const_cast<png_bytep>(image.constScanLine(y)));
    png_write_end(png, nullptr);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  const bool saved = std::fclose(file) == 0 && written;
  if (!saved) std::remove(name.constData());
  return saved;
}

QImage ShownWindowPicture(QWidget& window) {
  QWidget& top = *window.window();
  // Paints what is still marked for painting, as the event loop would.
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(&top, &request);
  // Backing stores known to hold the window's pixels in a plain image that
  // stays valid between paints; others (a compositor's shared buffers) are
  // not read.
  const QString platform = QGuiApplication::platformName();
  const bool keepsImage = platform == QLatin1String("offscreen") || platform == QLatin1String("xcb");
  QBackingStore* store = top.backingStore();
  QWindow* handle = top.windowHandle();
  if (&top == &window && keepsImage && store && handle && handle->isExposed() && store->paintDevice() &&
      store->paintDevice()->devType() == QInternal::Image) {
    const QImage& painted = *static_cast<const QImage*>(store->paintDevice());
    const QSize size = handle->size() * handle->devicePixelRatio();
    if (painted.size() == size) return painted;
    if (painted.width() >= size.width() && painted.height() >= size.height())
      return painted.copy(QRect(QPoint(0, 0), size));
  }
  return window.grab().toImage();
}
