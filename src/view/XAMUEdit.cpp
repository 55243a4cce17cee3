#include "view/XAMUEdit.h"

#include <QKeyEvent>
#include <QPainter>

CXAMUEdit::CXAMUEdit(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  setFrame(false);
  setTextMargins(kActiveFrameWidth + 1, 0, kActiveFrameWidth + 1, 0);
  ApplyColours();
  // A path too long for the field shows its end, the file name, and the
  // whole of it in the tool tip.
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    setCursorPosition(int(text.size()));
    setToolTip(text);
  });
}

void CXAMUEdit::SetActive(bool active) {
  if (m_active == active) return;
  m_active = active;
  ApplyColours();
  update();
}

void CXAMUEdit::ApplyColours() {
  QPalette pal = parentWidget() ? parentWidget()->palette() : palette();
  const bool lit = m_active && hasFocus();
  const QColor face = pal.color(QPalette::Button);
  pal.setColor(QPalette::Base, lit ? pal.color(QPalette::Highlight) : face);
  pal.setColor(QPalette::Text, lit ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText));
  setPalette(pal);
}

bool CXAMUEdit::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
      event->ignore();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void CXAMUEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (!m_active) return;
  QPainter painter(this);
  QPen pen(QColor(255, 0, 0), kActiveFrameWidth);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void CXAMUEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  ApplyColours();
  emit FocusEntered();
}

void CXAMUEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  ApplyColours();
}
