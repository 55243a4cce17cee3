// The pixel primitives shared by the drawing tools' previews and the edit
// commands. A preview and the command that follows it must give the same
// dots, so the rounding here is part of the contract. Division truncates
// toward zero, for negative values too (C++ integer division does).
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "glyph/Glyph.h"

namespace {

constexpr int64_t kMaxEllipseBox = 16384;  // dots; larger boxes are not drawn

// The k of a walk from 0 to `d` (inclusive, either direction) whose
// coordinate `origin + k` lies in [0, limit). Dots outside the picture are
// dropped anyway; this only keeps a wild coordinate from costing a long loop.
bool VisibleSteps(int64_t origin, int64_t d, int64_t limit, int64_t& lo, int64_t& hi) {
  lo = std::max<int64_t>(std::min<int64_t>(0, d), -origin);
  hi = std::min<int64_t>(std::max<int64_t>(0, d), limit - 1 - origin);
  return lo <= hi;
}

}  // namespace

void CGlyph::DrawLine(int x0, int y0, int x1, int y1, int t) {
  const int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
  if (dx == 0 && dy == 0) {
    for (int j = 0; j < t; ++j)
      for (int i = 0; i < t; ++i) SetPixel(x0 + i, y0 + j);
    return;
  }
  int64_t lo = 0, hi = 0;
  if (std::llabs(dy) < std::llabs(dx)) {
    // x-major: y rounded to the nearest dot; thickness grows downwards.
    if (!VisibleSteps(x0, dx, m_width, lo, hi)) return;
    for (int64_t k = lo; k <= hi; ++k) {
      const int64_t a = (2 * dy * k) / dx;
      const int64_t y = y0 + (a + 1) / 2;
      for (int i = 0; i < t; ++i) SetPixel(static_cast<int>(x0 + k), static_cast<int>(y + i));
    }
  } else {
    // y-major (also |dy| == |dx|): x truncated, not rounded; thickness grows
    // to the right.
    if (!VisibleSteps(y0, dy, m_height, lo, hi)) return;
    for (int64_t k = lo; k <= hi; ++k) {
      const int64_t x = x0 + (dx * k) / dy;
      for (int i = 0; i < t; ++i) SetPixel(static_cast<int>(x + i), static_cast<int>(y0 + k));
    }
  }
}

void CGlyph::DrawPolyline(std::span<const GLYPHPOINT> points, int t) {
  for (size_t i = 1; i < points.size(); ++i)
    DrawLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, t);
}

// Like DrawLine with t = 1, but rounding in both branches: the eraser's
// path differs from the pencil's in the y-major case.
void CGlyph::EraseSegment(int x0, int y0, int x1, int y1) {
  const int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
  int64_t lo = 0, hi = 0;
  if (std::llabs(dy) < std::llabs(dx)) {
    if (!VisibleSteps(x0, dx, m_width, lo, hi)) return;
    for (int64_t k = lo; k <= hi; ++k) {
      const int64_t a = (2 * dy * k) / dx;
      ResetPixel(static_cast<int>(x0 + k), static_cast<int>(y0 + (a + 1) / 2));
    }
  } else {
    if (!VisibleSteps(y0, dy, m_height, lo, hi)) return;
    for (int64_t k = lo; k <= hi; ++k) {
      const int64_t a = (2 * dx * k) / dy;
      ResetPixel(static_cast<int>(x0 + (a + 1) / 2), static_cast<int>(y0 + k));
    }
  }
}

void CGlyph::ErasePath(std::span<const GLYPHPOINT> points) {
  if (points.empty()) return;
  ResetPixel(points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i)
    if (points[i] != points[i - 1]) EraseSegment(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
}

void CGlyph::DrawBox(int x0, int y0, int x1, int y1) {
  const int l = std::min(x0, x1), r = std::max(x0, x1), t = std::min(y0, y1), b = std::max(y0, y1);
  DrawLine(l, t, r, t, 1);
  DrawLine(l, b, r, b, 1);
  DrawLine(l, t, l, b, 1);
  DrawLine(r, t, r, b, 1);
}

void CGlyph::FillBox(int x0, int y0, int x1, int y1) {
  const int l = std::min(x0, x1), r = std::max(x0, x1);
  // Rows outside the picture draw nothing; skip them without looping.
  const int t = std::max(std::min(y0, y1), 0), b = std::min(std::max(y0, y1), m_height - 1);
  for (int y = t; y <= b; ++y) DrawLine(l, y, r, y, 1);
}

// Midpoint-style walk over one quarter of the ellipse through the midpoints
// of the inclusive box's edges, mirrored four ways. E is zero on the ideal
// ellipse; each step takes the neighbour with the smaller error.
void CGlyph::Ellipse(int x0, int y0, int x1, int y1, bool fill) {
  const int64_t L = std::min(x0, x1), R = std::max(x0, x1), T = std::min(y0, y1), B = std::max(y0, y1);
  const int64_t w = R - L, h = B - T, SX = L + R, SY = T + B;
  // The error terms grow with the fourth power of the box; no box made from
  // screen points comes near this, and beyond it they would overflow.
  if (w > kMaxEllipseBox || h > kMaxEllipseBox) return;
  const int64_t w2 = w * w, h2 = h * h;
  auto E = [&](int64_t x, int64_t y) {
    const int64_t ex = 2 * x - SX, ey = 2 * y - SY;
    const int64_t e = ex * ex * h2 + ey * ey * w2 - w2 * h2;
    return e < 0 ? -e : e;
  };
  auto plot = [&](int64_t x, int64_t y) {
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    const int mx = static_cast<int>(SX - x), my = static_cast<int>(SY - y);
    if (fill) {
      DrawLine(ix, iy, mx, iy, 1);
      DrawLine(ix, my, mx, my, 1);
    } else {
      SetPixel(ix, iy);
      SetPixel(mx, iy);
      SetPixel(ix, my);
      SetPixel(mx, my);
    }
  };
  if (w < h) {
    // Tall: from the top centre downwards to the middle row.
    int64_t x = SX / 2, y = T;
    SetPixel(static_cast<int>(x), static_cast<int>(y));
    while (x <= R && 2 * y <= SY) {
      plot(x, y);
      const int64_t e1 = E(x + 1, y), e2 = E(x + 1, y + 1), e3 = E(x, y + 1);
      if (e3 > e1) {
        ++x;
        if (e2 <= e1) ++y;
      } else if (e3 < e1) {
        ++y;
        if (e2 <= e3) ++x;
      } else {
        ++x;
        ++y;
      }
    }
  } else {
    // Wide or square: from the left middle upwards to the centre column.
    int64_t x = L, y = SY / 2;
    SetPixel(static_cast<int>(x), static_cast<int>(y));
    while (2 * x <= SX && y >= T) {
      plot(x, y);
      const int64_t e1 = E(x + 1, y), e2 = E(x + 1, y - 1), e3 = E(x, y - 1);
      if (e3 > e1) {
        ++x;
        if (e2 <= e1) --y;
      } else if (e3 < e1) {
        --y;
        if (e2 <= e3) ++x;
      } else {
        ++x;
        --y;
      }
    }
  }
}

void CGlyph::DrawEllipse(int x0, int y0, int x1, int y1) { Ellipse(x0, y0, x1, y1, false); }

void CGlyph::FillEllipse(int x0, int y0, int x1, int y1) { Ellipse(x0, y0, x1, y1, true); }
