#pragma once

// Registers the program's pictures (idempotent). Everything that shows one
// calls it first, so that a widget made without the application object
// (tests) finds them too.
void InitXamuResources();

class QImage;
class QString;

// A picture read as `format` ("png", "bmp") and nothing else: left to guess,
// the image reader has every image plug-in of the system look at the bytes
// first. Null when it cannot be read.
QImage ReadPicture(const QString& path, const char* format);
