#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

// The saved window placement, ten numbers in one settings value.
struct WINDOWPLACEMENT {
  uint32_t flags = 0;
  uint32_t showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
  int minX = -1, minY = -1;
  int maxX = -1, maxY = -1;
  int left = 0, top = 0, right = 0, bottom = 0;  // the normal rectangle

  QRect Normal() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
};

// Show commands of a placement.
enum : uint32_t {
  kShowHidden = 0,
  kShowNormal = 1,
  kShowMinimised = 2,
  kShowMaximised = 3,
  kShowMinNoActive = 7,
};

// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d".
QString FormatPlacement(const WINDOWPLACEMENT& placement);
// True only for exactly ten comma-separated integers.
bool ParsePlacement(const QString& text, WINDOWPLACEMENT& out);
// Where a window of `window` size goes when there is no saved placement:
// centred in the screen's client area, lowered by half the menu bar.
QPoint CentredPosition(const QSize& screen, int menuBarHeight, const QSize& window);
// `rect` moved (and shrunk when larger) so that it lies on `screen`.
QRect ClampToScreen(const QRect& rect, const QRect& screen);
