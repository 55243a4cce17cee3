#pragma once
#include <QRect>

// The form is laid out in dialog units of its font, converted with fixed
// base units: x * 7 / 4 and y * 13 / 8 pixels.
constexpr int DialogToPixelX(int x) { return x * 7 / 4; }
constexpr int DialogToPixelY(int y) { return y * 13 / 8; }
// A control rectangle given in dialog units (x, y, width, height); its
// corners are converted, as the form's template places them.
inline QRect DialogRect(int x, int y, int width, int height) {
  return QRect(QPoint(DialogToPixelX(x), DialogToPixelY(y)),
               QPoint(DialogToPixelX(x + width) - 1, DialogToPixelY(y + height) - 1));
}

// The form's own size in dialog units (638 x 393 pixels); below it the form
// keeps this size.
inline constexpr int kFormWidthDu = 365;
inline constexpr int kFormHeightDu = 242;

// The controls that follow a resize of the form. With W and H the client
// width and height: left = (W*a + b)/2, top = (H*c + d)/2,
// right = (W*e + f)/2, bottom = (H*g + h)/2, each division truncating
// toward zero.
struct LAYOUTROW {
  int id;
  int a, b, c, d, e, f, g, h;
};

inline constexpr LAYOUTROW kLayoutTable[] = {
    {1076, 0, 448, 0, 124, 1, 75, 0, 166},  {1061, 1, 97, 0, 172, 1, 193, 0, 268},
    {1062, 1, 97, 0, 290, 1, 193, 0, 386},  {1063, 1, 97, 0, 406, 1, 193, 0, 502},
    {1032, 1, 219, 0, 36, 1, 295, 0, 112},  {1031, 1, 295, 0, 36, 1, 371, 0, 112},
    {1077, 1, 313, 0, 124, 2, -60, 0, 166}, {1048, 1, 215, 0, 130, 1, 303, 0, 156},
    {1066, 0, 346, 0, 172, 1, 71, 2, -58},  {1067, 1, 215, 0, 172, 2, -60, 2, -58},
};

// Controls move only when the client area is wider than this.
inline constexpr int kLayoutMinWidth = 373;

// The row's rectangle for a client area of W x H (right and bottom
// exclusive, as the table gives them).
inline QRect LayoutRect(const LAYOUTROW& r, int W, int H) {
  const int left = (W * r.a + r.b) / 2, top = (H * r.c + r.d) / 2;
  const int right = (W * r.e + r.f) / 2, bottom = (H * r.g + r.h) / 2;
  return QRect(left, top, right - left, bottom - top);
}
