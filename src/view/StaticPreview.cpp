#include "view/StaticPreview.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

namespace {

// Where the two glyph sizes go in the picture.
constexpr QRect kSmallSquare(0, 64, 32, 32);
constexpr QRect kLargeSquare(48, 0, 96, 96);

// Nearest-neighbour stretch of a 1-bit picture (1 = ink) into `square` of
// the picture; the whole source lands in the square.
void StretchInk(QImage& picture, const QImage& glyph, const QRect& square) {
  if (glyph.isNull() || glyph.width() <= 0 || glyph.height() <= 0) return;
  for (int y = 0; y < square.height(); ++y) {
    const int sy = y * glyph.height() / square.height();
    for (int x = 0; x < square.width(); ++x) {
      const int sx = x * glyph.width() / square.width();
      if (glyph.pixelIndex(sx, sy)) picture.setPixel(square.left() + x, square.top() + y, 1);
    }
  }
}

}  // namespace

CStaticPreview::CStaticPreview(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
  m_bar = new QScrollBar(Qt::Horizontal, this);
  m_bar->setFocusPolicy(Qt::NoFocus);
  connect(m_bar, &QScrollBar::valueChanged, this, [this](int value) {
    if (value == m_pos) return;
    m_pos = value;
    update();
  });
  Clear();
}

QFont CStaticPreview::FormFont() const {
  // The parent form's font: the container's parent is the form.
  const QWidget* form = parentWidget() && parentWidget()->parentWidget() ? parentWidget()->parentWidget() : parentWidget();
  return form ? form->font() : font();
}

int CStaticPreview::LineHeight() const { return QFontMetrics(FormFont()).height(); }

int CStaticPreview::ScrollHeight() const { return m_bar->sizeHint().height(); }

int CStaticPreview::SetContent(const QStringList& lines, const QImage* small, const QImage* large) {
  m_picture = QImage();
  int width = 0;
  if (small || large) {
    m_picture = QImage(kPictureWidth, kPictureHeight, QImage::Format_Mono);
    m_picture.setColor(0, qRgb(0, 0, 0));
    m_picture.setColor(1, qRgb(255, 255, 255));
    m_picture.fill(0);
    if (small) StretchInk(m_picture, *small, kSmallSquare);
    if (large) StretchInk(m_picture, *large, kLargeSquare);
    width = kPictureWidth;
  }
  m_lines = lines;
  const QFontMetrics metrics(FormFont());
  for (const QString& line : m_lines) width = std::max(width, metrics.horizontalAdvance(line));
  update();
  return width;
}

void CStaticPreview::SetScrollRange(int contentWidth) {
  m_max = contentWidth + QFontMetrics(FormFont()).horizontalAdvance(QStringLiteral("@@")) + 2;
  m_page = width();
  m_pos = 0;
  SyncBar();
  update();
}

void CStaticPreview::Clear() {
  m_lines.clear();
  m_picture = QImage();
  m_max = 2;
  m_page = width();
  m_pos = 0;
  SyncBar();
  update();
}

void CStaticPreview::ScrollTo(int pos) {
  const int clamped = std::max(0, std::min(pos, m_max - m_page));
  if (clamped == m_pos) return;
  m_pos = clamped;
  SyncBar();
  update();
}

void CStaticPreview::SyncBar() {
  const QSignalBlocker block(m_bar);
  m_bar->setRange(0, std::max(0, m_max - m_page));
  m_bar->setPageStep(std::max(1, m_page));
  m_bar->setSingleStep(std::max(1, QFontMetrics(FormFont()).averageCharWidth()));
  m_bar->setValue(m_pos);
  m_bar->setEnabled(m_max > m_page);
}

void CStaticPreview::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int s = ScrollHeight();
  m_bar->setGeometry(0, height() - s, width(), s);
  m_page = width();
  m_pos = std::max(0, std::min(m_pos, m_max - m_page));
  SyncBar();
}

void CStaticPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect client(0, 0, width(), height() - ScrollHeight());
  const QRect inner = client.adjusted(1, 1, -1, -1);
  const int lineHeight = LineHeight();
  painter.setClipRect(inner);
  painter.setFont(FormFont());
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.translate(-m_pos, 0);
  const int ascent = QFontMetrics(FormFont()).ascent();
  for (int i = 0; i < m_lines.size(); ++i) painter.drawText(1, i * lineHeight + ascent, m_lines[i]);
  if (!m_picture.isNull()) {
    // Ink black, the rest shows the background.
    QImage ink(m_picture.size(), QImage::Format_ARGB32);
    ink.fill(Qt::transparent);
    for (int y = 0; y < m_picture.height(); ++y)
      for (int x = 0; x < m_picture.width(); ++x)
        if (m_picture.pixelIndex(x, y)) ink.setPixel(x, y, qRgb(0, 0, 0));
    painter.drawImage(0, lineHeight, ink);
  }
  painter.resetTransform();
  painter.setClipping(false);
  // Sunken frame around the client area.
  const QRect r = client.adjusted(0, 0, -1, -1);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
}
