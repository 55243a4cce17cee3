#include "app/SplashWnd.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPainter>
#include <QScreen>

namespace {
constexpr char kSplashPicture[] = ":/xamu/splash.bmp";
// Shown when the picture cannot be read.
constexpr QSize kFallbackSize(480, 300);
}  // namespace

CSplashWnd::CSplashWnd(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAccessibleName(QStringLiteral("XAMU"));
  QFile file(QString::fromLatin1(kSplashPicture));
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = file.readAll();
    m_dib.AttachFile(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
  }
  const QSize size = m_dib.IsAttached() ? QSize(m_dib.Width(), m_dib.Height()) : kFallbackSize;
  resize(size);
  // Centred on the screen the owner is on.
  QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen) move(screen->geometry().center() - QPoint(size.width() / 2, size.height() / 2));
  qApp->installEventFilter(this);
  m_timer.setSingleShot(true);
  connect(&m_timer, &QTimer::timeout, this, &CSplashWnd::Finish);
  m_timer.start(kShowTime);
}

CSplashWnd::~CSplashWnd() { qApp->removeEventFilter(this); }

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!m_dib.Draw(painter, 0, 0, width(), height())) painter.fillRect(rect(), palette().window());
}

bool CSplashWnd::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::KeyPress:
      if (!watched->isWidgetType() && !watched->isWindowType()) return false;
      Finish();
      return true;  // the press that closed the picture goes no further
    default: return false;
  }
}

void CSplashWnd::Finish() {
  if (m_finished) return;
  m_finished = true;
  m_timer.stop();
  qApp->removeEventFilter(this);
  hide();
  emit Finished();
}
