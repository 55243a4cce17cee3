// Draws the desktop program's pictures: the form's button pictures (normal,
// hover, pressed) with the mask colour in their transparent parts, the tool
// bar pictures, the application icon, the about picture and the splash
// picture. Run offscreen with the output folder (src/app/res) as argument.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

const QRgb kMask = qRgb(212, 0, 127);
// The form's background the edges are blended against.
const QColor kFace(0xEF, 0xEF, 0xEF);
QString g_out;

enum EState { kNormal, kHover, kPressed };

QFont Gothic(int px, bool bold = true) {
  QFont f(QStringLiteral("IPAGothic"));
  f.setPixelSize(px);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

// Anti-aliased drawing on a transparent canvas, then flattened: nearly
// transparent pixels become the mask colour, the rest is laid on the form's
// colour, so that no pink fringe shows around the shapes.
QImage Flatten(const QImage& argb) {
  QImage out(argb.size(), QImage::Format_RGB32);
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x) {
      const QRgb p = argb.pixel(x, y);
      const int a = qAlpha(p);
      if (a < 96) {
        out.setPixel(x, y, kMask);
        continue;
      }
      auto mix = [a](int c, int face) { return (c * a + face * (255 - a)) / 255; };
      out.setPixel(x, y, qRgb(mix(qRed(p), kFace.red()), mix(qGreen(p), kFace.green()), mix(qBlue(p), kFace.blue())));
    }
  return out;
}

void Save(const QImage& image, const QString& name) {
  const QString path = g_out + u'/' + name;
  if (!image.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

struct PALETTE {
  QColor top, bottom, border, text;
};

PALETTE Colours(EState state) {
  switch (state) {
    case kHover: return {QColor(0xFF, 0xF6, 0xDC), QColor(0xFF, 0xD9, 0x8A), QColor(0xE0, 0x8A, 0x10), QColor(0x3A, 0x2A, 0x10)};
    case kPressed: return {QColor(0x2B, 0x5C, 0xA8), QColor(0x1A, 0x3E, 0x7A), QColor(0x10, 0x2A, 0x5A), QColor(Qt::white)};
    default: return {QColor(0xFD, 0xFE, 0xFF), QColor(0xC9, 0xD8, 0xEC), QColor(0x6E, 0x88, 0xB0), QColor(0x1C, 0x2C, 0x48)};
  }
}

// A rounded plate with a soft gradient, shifted by one pixel when pressed.
void Plate(QPainter& p, const QRectF& r, EState state, qreal radius) {
  const PALETTE c = Colours(state);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, c.top);
  g.setColorAt(1, c.bottom);
  p.setPen(QPen(c.border, 1.2));
  p.setBrush(g);
  p.drawRoundedRect(r, radius, radius);
  // Gloss on the upper half.
  QRectF gloss = r.adjusted(2, 2, -2, -r.height() / 2);
  QLinearGradient gg(gloss.topLeft(), gloss.bottomLeft());
  gg.setColorAt(0, QColor(255, 255, 255, state == kPressed ? 40 : 150));
  gg.setColorAt(1, QColor(255, 255, 255, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(gg);
  p.drawRoundedRect(gloss, radius - 1, radius - 1);
}

using ICON = std::function<void(QPainter&, const QRectF&, const QColor& ink, const QColor& accent)>;

void Sheet(QPainter& p, const QRectF& r, const QColor& ink, const QColor& fill) {
  QPainterPath path;
  const qreal fold = r.width() * 0.3;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(ink, 1.2));
  p.setBrush(fill);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void IconFile(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  Sheet(p, r.adjusted(r.width() * 0.12, 0, -r.width() * 0.12, 0), ink, Qt::white);
  p.setPen(QPen(QColor(0x40, 0x70, 0xC0), 1.4));
  for (int i = 0; i < 3; ++i) {
    const qreal y = r.top() + r.height() * (0.45 + i * 0.17);
    p.drawLine(QPointF(r.left() + r.width() * 0.3, y), QPointF(r.right() - r.width() * 0.3, y));
  }
}

void IconAddress(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  const QRectF env = r.adjusted(0, r.height() * 0.18, 0, -r.height() * 0.18);
  p.setPen(QPen(ink, 1.2));
  p.setBrush(QColor(0xFF, 0xFB, 0xEE));
  p.drawRect(env);
  p.drawLine(env.topLeft(), QPointF(env.center().x(), env.center().y() + 1));
  p.drawLine(env.topRight(), QPointF(env.center().x(), env.center().y() + 1));
  p.setPen(QPen(QColor(0xD0, 0x30, 0x30), 1.2));
  p.drawRect(QRectF(env.right() - env.width() * 0.28, env.top() + 2, env.width() * 0.2, env.height() * 0.3));
}

void IconName(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  p.setPen(QPen(ink, 1.2));
  p.setBrush(QColor(0xFF, 0xE0, 0xB8));
  const qreal d = r.width() * 0.42;
  p.drawEllipse(QRectF(r.center().x() - d / 2, r.top(), d, d));
  p.setBrush(QColor(0x40, 0x80, 0xD0));
  p.drawChord(QRectF(r.left() + r.width() * 0.1, r.top() + r.height() * 0.5, r.width() * 0.8, r.height() * 0.9), 0, 180 * 16);
}

void IconGlyph(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  // A dot grid with a character drawn in it.
  p.setPen(QPen(ink, 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
  static const char* const kDots[] = {"..##..", ".####.", "##..##", "######", "##..##", "##..##"};
  const qreal cw = r.width() / 6.0, ch = r.height() / 6.0;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x20, 0x30, 0x50));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      if (kDots[y][x] == '#') p.drawRect(QRectF(r.left() + x * cw + 0.5, r.top() + y * ch + 0.5, cw - 1, ch - 1));
}

void IconPen(QPainter& p, const QRectF& r, const QColor& ink, const QColor& accent) {
  IconGlyph(p, r.adjusted(0, 0, -r.width() * 0.25, -r.height() * 0.25), ink, accent);
  p.save();
  p.translate(r.right() - r.width() * 0.28, r.bottom() - r.height() * 0.28);
  p.rotate(-45);
  p.setPen(QPen(ink, 1));
  p.setBrush(QColor(0xF0, 0xB0, 0x20));
  p.drawRect(QRectF(0, -r.height() * 0.09, r.width() * 0.5, r.height() * 0.18));
  p.setBrush(QColor(0x40, 0x40, 0x40));
  QPolygonF tip;
  tip << QPointF(0, -r.height() * 0.09) << QPointF(-r.width() * 0.14, 0) << QPointF(0, r.height() * 0.09);
  p.drawPolygon(tip);
  p.restore();
}

void IconFolder(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  p.setPen(QPen(ink, 1));
  p.setBrush(QColor(0xF5, 0xC8, 0x4C));
  QPainterPath back;
  back.moveTo(r.left(), r.bottom());
  back.lineTo(r.left(), r.top() + 2);
  back.lineTo(r.left() + r.width() * 0.4, r.top() + 2);
  back.lineTo(r.left() + r.width() * 0.5, r.top() + r.height() * 0.22);
  back.lineTo(r.right(), r.top() + r.height() * 0.22);
  back.lineTo(r.right(), r.bottom());
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(QColor(0xFF, 0xDE, 0x7A));
  QPolygonF front;
  front << QPointF(r.left(), r.bottom()) << QPointF(r.left() + r.width() * 0.15, r.top() + r.height() * 0.4)
        << QPointF(r.right() + 1, r.top() + r.height() * 0.4) << QPointF(r.right(), r.bottom());
  p.drawPolygon(front);
}

void IconPrinter(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  p.setPen(QPen(ink, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(r.left() + r.width() * 0.25, r.top(), r.width() * 0.5, r.height() * 0.4));
  p.setBrush(QColor(0x50, 0x60, 0x78));
  p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.3, r.width(), r.height() * 0.45), 2, 2);
  // The label tape coming out.
  p.setBrush(QColor(0xFF, 0xF2, 0x9A));
  p.drawRect(QRectF(r.left() + r.width() * 0.2, r.top() + r.height() * 0.68, r.width() * 0.6, r.height() * 0.3));
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
  p.drawLine(QPointF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.83),
             QPointF(r.right() - r.width() * 0.3, r.top() + r.height() * 0.83));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x60, 0xE0, 0x60));
  p.drawEllipse(QRectF(r.right() - r.width() * 0.2, r.top() + r.height() * 0.4, 3, 3));
}

void IconTransfer(QPainter& p, const QRectF& r, const QColor&, const QColor&) {
  auto arrow = [&p](QPointF from, QPointF to, const QColor& colour) {
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const qreal dir = to.x() > from.x() ? -1 : 1;
    p.drawLine(to, QPointF(to.x() + dir * 5, to.y() - 4));
    p.drawLine(to, QPointF(to.x() + dir * 5, to.y() + 4));
  };
  arrow(QPointF(r.left() + 2, r.top() + r.height() * 0.3), QPointF(r.right() - 2, r.top() + r.height() * 0.3),
        QColor(0x20, 0x90, 0x40));
  arrow(QPointF(r.right() - 2, r.top() + r.height() * 0.72), QPointF(r.left() + 2, r.top() + r.height() * 0.72),
        QColor(0xD0, 0x60, 0x10));
}

void IconCopy(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  const QRectF a(r.left(), r.top(), r.width() * 0.62, r.height() * 0.75);
  Sheet(p, a, ink, Qt::white);
  Sheet(p, a.translated(r.width() * 0.36, r.height() * 0.25), ink, QColor(0xE8, 0xF2, 0xFF));
}

void IconPaste(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  p.setPen(QPen(ink, 1.2));
  p.setBrush(QColor(0xC8, 0x98, 0x60));
  p.drawRoundedRect(QRectF(r.left() + r.width() * 0.05, r.top() + 2, r.width() * 0.7, r.height() - 2), 2, 2);
  p.setBrush(QColor(0x90, 0x90, 0x98));
  p.drawRect(QRectF(r.left() + r.width() * 0.25, r.top(), r.width() * 0.3, r.height() * 0.16));
  Sheet(p, QRectF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.35, r.width() * 0.58, r.height() * 0.65), ink,
        Qt::white);
}

// One set of three pictures for a button.
void Button(int normalId, int hoverId, int pressedId, QSize size, const QString& text, const ICON& icon, bool wide) {
  const int ids[3] = {normalId, hoverId, pressedId};
  for (int s = 0; s < 3; ++s) {
    const EState state = EState(s);
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal shift = state == kPressed ? 1 : 0;
    const QRectF plate = QRectF(1, 1, size.width() - 2, size.height() - 2);
    Plate(p, plate, state, wide ? 8 : 5);
    const PALETTE c = Colours(state);
    p.translate(shift, shift);
    if (wide) {
      const qreal side = size.height() - 16;
      icon(p, QRectF(12, 8, side, side), QColor(0x30, 0x30, 0x40), c.bottom);
      p.setFont(Gothic(17));
      p.setPen(c.text);
      p.drawText(QRectF(12 + side + 8, 0, size.width() - side - 28, size.height()), Qt::AlignVCenter | Qt::AlignLeft,
                 text);
    } else {
      const qreal side = size.height() * 0.5;
      icon(p, QRectF((size.width() - side) / 2, 4, side, side), QColor(0x30, 0x30, 0x40), c.bottom);
      p.setFont(Gothic(size.width() >= 48 ? 11 : 10));
      p.setPen(c.text);
      p.drawText(QRectF(0, 4 + side, size.width(), size.height() - 4 - side - 1), Qt::AlignCenter, text);
    }
    p.end();
    // Bitmaps, as the form has always loaded them: no decoding at start-up.
    Save(Flatten(canvas), QStringLiteral("bmp%1.bmp").arg(ids[s]));
  }
}

// A 16 x 16 tool bar picture on a transparent background.
void Tool(const QString& name, const ICON& icon) {
  QImage canvas(16, 16, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  icon(p, QRectF(1.5, 1.5, 13, 13), QColor(0x30, 0x30, 0x40), QColor());
  p.end();
  Save(canvas, name + QStringLiteral(".png"));
}

void IconCut(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  p.setPen(QPen(ink, 1.2));
  p.drawLine(QPointF(r.left() + r.width() * 0.2, r.top()), QPointF(r.right() - r.width() * 0.25, r.bottom() - r.height() * 0.3));
  p.drawLine(QPointF(r.right() - r.width() * 0.2, r.top()), QPointF(r.left() + r.width() * 0.25, r.bottom() - r.height() * 0.3));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 1.4));
  p.drawEllipse(QRectF(r.left(), r.bottom() - r.height() * 0.35, r.width() * 0.35, r.height() * 0.35));
  p.drawEllipse(QRectF(r.right() - r.width() * 0.35, r.bottom() - r.height() * 0.35, r.width() * 0.35, r.height() * 0.35));
}

void IconDelete(QPainter& p, const QRectF& r, const QColor&, const QColor&) {
  p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(r.topLeft() + QPointF(2, 2), r.bottomRight() - QPointF(2, 2));
  p.drawLine(r.topRight() + QPointF(-2, 2), r.bottomLeft() + QPointF(2, -2));
}

void IconSave(QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
  p.setPen(QPen(ink, 1));
  p.setBrush(QColor(0x30, 0x50, 0x90));
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(r.left() + 2.5, r.top() + 0.5, r.width() - 5, r.height() * 0.4));
  p.setBrush(QColor(0xB0, 0xB8, 0xC8));
  p.drawRect(QRectF(r.left() + 3.5, r.bottom() - r.height() * 0.38, r.width() - 7, r.height() * 0.38 - 0.5));
}

void IconHelp(QPainter& p, const QRectF& r, const QColor&, const QColor&) {
  p.setPen(QPen(QColor(0x20, 0x50, 0xA0), 1));
  p.setBrush(QColor(0x38, 0x78, 0xD8));
  p.drawEllipse(r);
  p.setPen(Qt::white);
  p.setFont(Gothic(11));
  p.drawText(r, Qt::AlignCenter, QStringLiteral("?"));
}

// The application icon: a label printer with its tape.
QImage AppIcon(int side) {
  QImage canvas(side, side, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal u = side / 64.0;
  QLinearGradient body(0, 14 * u, 0, 50 * u);
  body.setColorAt(0, QColor(0x4A, 0x7E, 0xC8));
  body.setColorAt(1, QColor(0x1E, 0x40, 0x80));
  p.setPen(QPen(QColor(0x10, 0x25, 0x50), 1.5 * u));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(4 * u, 12 * u, 56 * u, 36 * u), 7 * u, 7 * u);
  p.setBrush(QColor(0xFF, 0xF0, 0x90));
  p.setPen(QPen(QColor(0x80, 0x70, 0x30), 1 * u));
  p.drawRect(QRectF(14 * u, 40 * u, 36 * u, 20 * u));
  p.setPen(QColor(0x20, 0x20, 0x20));
  p.setFont(Gothic(int(13 * u)));
  p.drawText(QRectF(14 * u, 40 * u, 36 * u, 20 * u), Qt::AlignCenter, QStringLiteral("字"));
  p.setPen(Qt::white);
  p.setFont(Gothic(int(16 * u)));
  p.drawText(QRectF(4 * u, 12 * u, 56 * u, 26 * u), Qt::AlignCenter, QStringLiteral("XAMU"));
  return canvas;
}

void Splash() {
  const QSize size(480, 300);
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient bg(0, 0, 0, size.height());
  bg.setColorAt(0, QColor(0x1E, 0x3C, 0x78));
  bg.setColorAt(1, QColor(0x0A, 0x1A, 0x3A));
  p.fillRect(image.rect(), bg);
  // A label tape across the picture.
  p.save();
  p.translate(250, 205);
  p.rotate(-8);
  p.setPen(QPen(QColor(0xB0, 0x98, 0x30), 1));
  p.setBrush(QColor(0xFF, 0xF2, 0x9A));
  p.drawRect(QRectF(-300, -26, 600, 52));
  p.setPen(QColor(0x20, 0x20, 0x20));
  p.setFont(Gothic(24));
  p.drawText(QRectF(-230, -26, 460, 52), Qt::AlignCenter, QStringLiteral("あて名・名前・外字"));
  p.restore();
  p.drawImage(QPointF(28, 26), AppIcon(72));
  p.setPen(Qt::white);
  p.setFont(Gothic(30));
  p.drawText(QRectF(112, 26, 360, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("「クイルプ」PRO"));
  p.setFont(Gothic(20));
  p.drawText(QRectF(112, 66, 360, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("DATAメモリーシステム XAMU"));
  p.setPen(QColor(0xC8, 0xD8, 0xF0));
  p.setFont(Gothic(13, false));
  p.drawText(QRectF(0, 262, 464, 24), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Version 4.30  KORVANTE"));
  p.end();
  // A packed bitmap in a .bmp file: the splash window draws it itself.
  Save(image, QStringLiteral("splash.bmp"));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: xamu-mkimages OUTPUT_FOLDER\n");
    return 2;
  }
  g_out = QString::fromLocal8Bit(argv[1]);
  const QSize category(143, 49), edit(137, 49), small(38, 38), middle(48, 48);
  Button(177, 179, 178, category, QStringLiteral("ファイル"), IconFile, true);
  Button(180, 181, 182, category, QStringLiteral("あて名"), IconAddress, true);
  Button(187, 188, 189, category, QStringLiteral("名前"), IconName, true);
  Button(183, 184, 185, category, QStringLiteral("外字"), IconGlyph, true);
  Button(190, 191, 192, edit, QStringLiteral("外字編集"), IconPen, true);
  Button(186, 193, 194, small, QStringLiteral("開く"), IconFolder, false);
  Button(195, 196, 197, small, QStringLiteral("本体"), IconPrinter, false);
  Button(204, 205, 206, middle, QStringLiteral("転送"), IconTransfer, false);
  Button(198, 199, 200, middle, QStringLiteral("コピー"), IconCopy, false);
  Button(201, 202, 203, middle, QStringLiteral("貼り付け"), IconPaste, false);
  Tool(QStringLiteral("tb_new"), [](QPainter& p, const QRectF& r, const QColor& ink, const QColor&) {
    Sheet(p, r.adjusted(2, 0, -2, 0), ink, Qt::white);
  });
  Tool(QStringLiteral("tb_save"), IconSave);
  Tool(QStringLiteral("tb_cut"), IconCut);
  Tool(QStringLiteral("tb_delete"), IconDelete);
  Tool(QStringLiteral("tb_help"), IconHelp);
  Save(AppIcon(64), QStringLiteral("xamu.png"));
  Save(AppIcon(48), QStringLiteral("about.png"));
  Splash();
  return 0;
}
