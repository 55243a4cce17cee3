#include "view/XAMUButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCursor>
#include <QEnterEvent>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

// What assistive tools see of a picture button. Qt's own interface toggles a
// checkable button without clicking it, so a category button would show the
// new category while the lists kept the old one; here every action is a
// click, as the mouse and the keyboard give it.
class CXAMUButtonAccessible : public QAccessibleWidget {
 public:
  explicit CXAMUButtonAccessible(CXAMUButton* button)
      : QAccessibleWidget(button, button->isCheckable() ? QAccessible::RadioButton : QAccessible::Button) {}

  QString text(QAccessible::Text t) const override {
    const QString own = QAccessibleWidget::text(t);
    return own.isEmpty() && t == QAccessible::Name ? Button()->text() : own;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.pressed = Button()->isDown();
    s.checkable = Button()->isCheckable();
    s.checked = Button()->isChecked();
    return s;
  }
  QStringList actionNames() const override {
    QStringList names;
    if (Button()->isEnabled()) {
      names << pressAction();
      if (Button()->isCheckable()) names << toggleAction();
    }
    return names << QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action != pressAction() && action != toggleAction()) {
      QAccessibleWidget::doAction(action);
      return;
    }
    // Animated, as a shortcut presses a button: the click comes after the
    // tool's call has returned, so a dialog it opens cannot block the tool.
    if (Button()->isEnabled()) Button()->animateClick();
  }

 private:
  CXAMUButton* Button() const { return static_cast<CXAMUButton*>(widget()); }
};

QAccessibleInterface* ButtonAccessibleFactory(const QString&, QObject* object) {
  auto* button = qobject_cast<CXAMUButton*>(object);
  return button ? new CXAMUButtonAccessible(button) : nullptr;
}

}  // namespace

CXAMUButton::CXAMUButton(int id, const QString& text, QWidget* parent) : QAbstractButton(parent), m_id(id) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(ButtonAccessibleFactory);
    return true;
  }();
  (void)factoryInstalled;
  setText(text);
  setObjectName(QStringLiteral("button%1").arg(id));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover, true);
}

bool CXAMUButton::LoadImages(int normal, int hover, int pressed, bool frame) {
  QPixmap loaded[3];
  const int ids[3] = {normal, hover, pressed};
  for (int i = 0; i < 3; ++i) {
    // Read as BMP and nothing else: left to guess, the reader has every
    // image plug-in look at the bytes first.
    QImageReader reader(QStringLiteral(":/xamu/bmp%1.bmp").arg(ids[i]), "bmp");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull()) return false;
    // Premultiplied, the form a pixmap keeps, so it takes the buffer over
    // without another pass; an opaque pixel reads alike in both forms and a
    // cleared one is transparent in both.
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    // The mask colour becomes transparent.
    const int width = image.width(), height = image.height();
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x)
        if ((line[x] | 0xFF000000) == kMaskColour) line[x] = 0;
    }
    loaded[i] = QPixmap::fromImage(std::move(image));
  }
  for (int i = 0; i < 3; ++i) m_images[i] = loaded[i];
  m_frame = frame;
  updateGeometry();
  update();
  return true;
}

QSize CXAMUButton::sizeHint() const { return HasImages() ? ImageSize() : QSize(40, 30); }

void CXAMUButton::SetHover(bool hover) {
  if (m_hover == hover) return;
  m_hover = hover;
  update();
}

int CXAMUButton::ImageIndex() const {
  if (isDown()) return 2;
  return m_hover ? 1 : 0;
}

void CXAMUButton::paintEvent(QPaintEvent*) {
  // Without its pictures the button stays undrawn.
  if (!HasImages()) return;
  QPainter painter(this);
  const int index = ImageIndex();
  painter.drawPixmap(rect(), m_images[index]);
  if (m_frame) {
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    QColor topLeft = palette().color(QPalette::Button), bottomRight = topLeft;
    if (index == 2) {
      topLeft = shadow;
      bottomRight = light;
    } else if (index == 1) {
      topLeft = light;
      bottomRight = shadow;
    }
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
  }
  if (hasFocus()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void CXAMUButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  emit HoverCheck(event->globalPosition().toPoint());
}

void CXAMUButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  emit HoverCheck(QCursor::pos());
}

void CXAMUButton::focusInEvent(QFocusEvent* event) {
  QAbstractButton::focusInEvent(event);
  emit HoverCheck(QCursor::pos());
}

void CXAMUButton::focusOutEvent(QFocusEvent* event) {
  QAbstractButton::focusOutEvent(event);
  emit HoverCheck(QCursor::pos());
}
