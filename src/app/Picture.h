#pragma once
#include <QImage>
#include <QString>

class QWidget;

// Writes `image` as an RGB PNG in libpng's fast mode (the start-up picture
// of --screenshot); false, and no file left, when it cannot be written.
bool WritePictureQuickly(QImage image, const QString& path);

// The picture of a shown window as it was painted (pending updates painted
// first). Where the platform keeps the window's pixels as an image between
// paints (offscreen, X11), that image itself: the window is not painted a
// second time and no copy is made. Elsewhere, or before the window is
// exposed, a fresh rendering of the window.
QImage ShownWindowPicture(QWidget& window);
