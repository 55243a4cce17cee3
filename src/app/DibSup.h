#pragma once
#include <QImage>
#include <cstddef>
#include <cstdint>

class QPainter;

// One packed device-independent bitmap in memory (a 40-byte information
// header, the colour table, then the pixel rows, bottom row first) drawn
// scaled. The splash window paints its picture with it. Every size in the
// header is checked against the bytes really given before anything is read.
class CDibSup {
 public:
  CDibSup() = default;
  ~CDibSup() { Detach(); }
  CDibSup(const CDibSup&) = delete;
  CDibSup& operator=(const CDibSup&) = delete;

  // Takes a copy of `bytes` when `own` is set, else keeps the pointer (the
  // caller keeps the bytes alive). 1 on success; 0 for a header other than
  // 40 bytes, sizes that do not fit `length`, or a format other than
  // uncompressed 1, 4, 8, 24 or 32 bits per pixel. A failure detaches.
  int Attach(const uint8_t* bytes, size_t length, bool own);
  // A packed bitmap from the bytes of a .bmp file (its 14-byte file header
  // skipped).
  int AttachFile(const uint8_t* bytes, size_t length);
  void Detach();

  bool IsAttached() const { return m_header != nullptr; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  uint32_t ImageSize() const { return m_imageSize; }
  int ColourCount() const { return m_colours; }

  // Draws the whole picture stretched into the rectangle; 1 when drawn.
  int Draw(QPainter& painter, int x, int y, int width, int height) const;
  // The picture as an image (null when nothing is attached).
  const QImage& Image() const { return m_image; }

 private:
  const uint8_t* m_header = nullptr;
  const uint8_t* m_colourTable = nullptr;
  const uint8_t* m_bits = nullptr;
  uint8_t* m_owned = nullptr;
  uint32_t m_imageSize = 0;
  int m_colours = 0;
  int m_width = 0;
  int m_height = 0;
  QImage m_image;
};
