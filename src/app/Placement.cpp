#include "app/Placement.h"

#include <QStringList>
#include <algorithm>

QString FormatPlacement(const WINDOWPLACEMENT& p) {
  return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
      .arg(p.flags)
      .arg(p.showCmd)
      .arg(p.minX)
      .arg(p.minY)
      .arg(p.maxX)
      .arg(p.maxY)
      .arg(p.left)
      .arg(p.top)
      .arg(p.right)
      .arg(p.bottom);
}

bool ParsePlacement(const QString& text, WINDOWPLACEMENT& out) {
  const QStringList parts = text.split(u',');
  if (parts.size() != 10) return false;
  long long v[10];
  for (int i = 0; i < 10; ++i) {
    bool ok = false;
    v[i] = parts[i].trimmed().toLongLong(&ok);
    if (!ok) return false;
  }
  // The first two are unsigned, the rest signed 32-bit.
  for (int i = 0; i < 10; ++i) {
    const long long lo = i < 2 ? 0 : INT32_MIN;
    const long long hi = i < 2 ? UINT32_MAX : INT32_MAX;
    if (v[i] < lo || v[i] > hi) return false;
  }
  out.flags = uint32_t(v[0]);
  out.showCmd = uint32_t(v[1]);
  out.minX = int(v[2]);
  out.minY = int(v[3]);
  out.maxX = int(v[4]);
  out.maxY = int(v[5]);
  out.left = int(v[6]);
  out.top = int(v[7]);
  out.right = int(v[8]);
  out.bottom = int(v[9]);
  return true;
}

QPoint CentredPosition(const QSize& screen, int menuBarHeight, const QSize& window) {
  return QPoint((screen.width() - window.width()) / 2,
                (screen.height() + menuBarHeight - window.height()) / 2);
}

QRect ClampToScreen(const QRect& rect, const QRect& screen) {
  if (screen.isEmpty()) return rect;
  QRect r(rect.topLeft(), rect.size().boundedTo(screen.size()));
  if (r.width() <= 0 || r.height() <= 0) return screen;
  r.moveLeft(std::clamp(r.left(), screen.left(), screen.right() - r.width() + 1));
  r.moveTop(std::clamp(r.top(), screen.top(), screen.bottom() - r.height() + 1));
  return r;
}
