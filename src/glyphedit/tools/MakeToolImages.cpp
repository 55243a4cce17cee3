// Draws the glyph editor's tool bar pictures and tool cursors and writes them
// as XPM data into a header, so the program needs no image files. Run it
// (offscreen) after changing a picture and commit the header:
//   QT_QPA_PLATFORM=offscreen build/bin/xamu-mktoolimages src/glyphedit/ToolImages.h
#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QTextStream>
#include <cstdio>
#include <functional>

namespace {

// Tool bar pictures are 16 x 16, cursors 32 x 32.
constexpr int kToolSide = 16;
constexpr int kCursorSide = 32;

QImage Picture(int side, const std::function<void(QPainter&)>& draw) {
  QImage image(side, side, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setPen(QPen(Qt::black, 1));
  draw(p);
  return image;
}

void Pencil(QPainter& p) {
  p.setBrush(QColor(255, 200, 80));
  p.drawPolygon(QPolygon({QPoint(1, 14), QPoint(3, 9), QPoint(11, 1), QPoint(14, 4), QPoint(6, 12)}));
  p.drawLine(3, 9, 6, 12);
}

void Brush(QPainter& p) {
  p.setBrush(QColor(150, 100, 50));
  p.drawPolygon(QPolygon({QPoint(7, 7), QPoint(13, 1), QPoint(15, 3), QPoint(9, 9)}));
  p.setBrush(Qt::black);
  p.drawPolygon(QPolygon({QPoint(1, 14), QPoint(3, 9), QPoint(6, 7), QPoint(9, 10), QPoint(6, 13)}));
}

void Eraser(QPainter& p) {
  p.setBrush(QColor(250, 180, 190));
  p.drawPolygon(QPolygon({QPoint(1, 10), QPoint(7, 4), QPoint(12, 9), QPoint(6, 15)}));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygon({QPoint(7, 4), QPoint(10, 1), QPoint(15, 6), QPoint(12, 9)}));
}

// The cursors are the tool pictures doubled, with a white halo so that they
// show on black cells too.
QImage Cursor(const std::function<void(QPainter&)>& draw) {
  const QImage tool = Picture(kToolSide, draw).scaled(kCursorSide, kCursorSide);
  QImage image(kCursorSide, kCursorSide, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < kCursorSide; ++y)
    for (int x = 0; x < kCursorSide; ++x) {
      if (qAlpha(tool.pixel(x, y)) == 0) continue;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (x + dx >= 0 && x + dx < kCursorSide && y + dy >= 0 && y + dy < kCursorSide &&
              qAlpha(tool.pixel(x + dx, y + dy)) == 0)
            image.setPixel(x + dx, y + dy, qRgba(255, 255, 255, 255));
    }
  QPainter p(&image);
  p.drawImage(0, 0, tool);
  return image;
}

QString Xpm(const QImage& image, const QString& name) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "XPM");
  QString text = QString::fromLatin1(buffer.data());
  // Qt names the array after the file; give it ours.
  const qsizetype open = text.indexOf(QLatin1String("static"));
  const qsizetype bracket = text.indexOf(QLatin1Char('['), open);
  return QStringLiteral("inline const char* const %1[] = ").arg(name) + text.mid(text.indexOf(QLatin1Char('{'), bracket));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: xamu-mktoolimages OUTPUT.h\n");
    return 2;
  }
  const std::function<void(QPainter&)> tools[] = {
      Pencil,
      Brush,
      [](QPainter& p) { p.drawLine(2, 13, 13, 2); },
      [](QPainter& p) { p.drawRect(2, 3, 11, 9); },
      [](QPainter& p) {
        p.setBrush(Qt::black);
        p.drawRect(2, 3, 11, 9);
      },
      [](QPainter& p) { p.drawEllipse(1, 3, 13, 9); },
      [](QPainter& p) {
        p.setBrush(Qt::black);
        p.drawEllipse(1, 3, 13, 9);
      },
      [](QPainter& p) {
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawRect(2, 2, 11, 11);
      },
      Eraser,
  };
  QString out;
  QTextStream s(&out);
  s << "#pragma once\n// Made by tools/MakeToolImages.cpp; do not edit.\n\n";
  for (int i = 0; i < 9; ++i) s << Xpm(Picture(kToolSide, tools[i]), QStringLiteral("kToolImage%1").arg(i + 1)) << "\n";
  s << "inline const char* const* const kToolImages[9] = {kToolImage1, kToolImage2, kToolImage3, kToolImage4,\n"
       "    kToolImage5, kToolImage6, kToolImage7, kToolImage8, kToolImage9};\n\n";
  s << Xpm(Cursor(Pencil), QStringLiteral("kPencilCursor")) << "\n";
  s << Xpm(Cursor(Brush), QStringLiteral("kBrushCursor")) << "\n";
  s << Xpm(Cursor(Eraser), QStringLiteral("kEraserCursor")) << "\n";
  s.flush();
  QFile file(QString::fromLocal8Bit(argv[1]));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out.toUtf8()) != out.toUtf8().size()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
