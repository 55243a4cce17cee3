#include "view/XAMUButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCursor>
#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "guikit/Resources.h"

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

namespace {

QString ButtonPicturePath(int id) { return QStringLiteral(":/xamu/bmp%1.bmp").arg(id); }

}  // namespace

bool CXAMUButton::LoadImages(int normal, int hover, int pressed, bool frame) {
  // Only the size is read now (from the picture's header); each picture is
  // decoded when it is first drawn: most buttons are never hovered or
  // pressed before the window is first shown, and one is hidden.
  const int ids[3] = {normal, hover, pressed};
  for (int id : ids)
    if (!QFile::exists(ButtonPicturePath(id))) return false;
  QImageReader reader(ButtonPicturePath(normal), "bmp");
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();
  if (!size.isValid()) return false;
  for (int i = 0; i < 3; ++i) {
    m_ids[i] = ids[i];
    m_images[i] = QPixmap();
  }
  m_size = size;
  m_frame = frame;
  updateGeometry();
  update();
  return true;
}

const QPixmap& CXAMUButton::Image(int index) const {
  QPixmap& image = m_images[index];
  if (!image.isNull() || !m_ids[index]) return image;
  QImage read = ReadPicture(ButtonPicturePath(m_ids[index]), "bmp");
  m_ids[index] = 0;  // one attempt: a picture that cannot be read stays undrawn
  if (read.isNull()) return image;
  // Premultiplied, the form a pixmap keeps, so it takes the buffer over
  // without another pass; an opaque pixel reads alike in both forms and a
  // cleared one is transparent in both.
  read.convertTo(QImage::Format_ARGB32_Premultiplied);
  // The mask colour becomes transparent.
  const int width = read.width(), height = read.height();
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(read.scanLine(y));
    for (int x = 0; x < width; ++x)
      if ((line[x] | 0xFF000000) == kMaskColour) line[x] = 0;
  }
  image = QPixmap::fromImage(std::move(read));
  return image;
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
  painter.drawPixmap(rect(), Image(index));
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
