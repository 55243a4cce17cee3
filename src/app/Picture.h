#pragma once
#include <QImage>
#include <QString>

// Writes `image` as an RGB PNG in libpng's fast mode (the start-up picture
// of --screenshot); false, and no file left, when it cannot be written.
bool WritePictureQuickly(QImage image, const QString& path);
