#include "app/DibSup.h"

#include <QPainter>
#include <cstring>
#include <new>

namespace {

// Layout of the 40-byte information header (little-endian).
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kOffWidth = 4;       // int32
constexpr size_t kOffHeight = 8;      // int32, negative = rows top first
constexpr size_t kOffBitCount = 14;   // uint16
constexpr size_t kOffCompression = 16;  // uint32, 0 = uncompressed
constexpr size_t kOffImageSize = 20;  // uint32, may be 0
constexpr size_t kOffClrUsed = 32;    // uint32, 0 = the bit count's full table
constexpr size_t kFileHeaderSize = 14;  // "BM", sizes, offset of the bits
// Pictures larger than this on a side are refused (a splash is far smaller).
constexpr int kMaxSide = 8192;

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

int CDibSup::Attach(const uint8_t* bytes, size_t length, bool own) {
  Detach();
  if (!bytes || length < kInfoHeaderSize || Get32(bytes) != kInfoHeaderSize) return 0;
  const int32_t width = int32_t(Get32(bytes + kOffWidth));
  const int32_t rawHeight = int32_t(Get32(bytes + kOffHeight));
  const int bitCount = Get16(bytes + kOffBitCount);
  if (Get32(bytes + kOffCompression) != 0) return 0;
  if (width <= 0 || width > kMaxSide || rawHeight == 0 || rawHeight < -kMaxSide || rawHeight > kMaxSide)
    return 0;
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  int colours = 0;
  switch (bitCount) {
    case 1: colours = 2; break;
    case 4: colours = 16; break;
    case 8: colours = 256; break;
    case 24:
    case 32: colours = 0; break;
    default: return 0;
  }
  if (const uint32_t used = Get32(bytes + kOffClrUsed); used != 0) {
    if (bitCount > 8 || used > uint32_t(colours)) return 0;
    colours = int(used);
  }
  const uint32_t stride = ((uint32_t(bitCount) * uint32_t(width) - 1) / 32 + 1) * 4;
  uint32_t imageSize = Get32(bytes + kOffImageSize);
  if (imageSize == 0) imageSize = stride * uint32_t(height);
  const size_t bitsOffset = kInfoHeaderSize + 4 * size_t(colours);
  // Every row must really be there, whatever the header claims.
  if (imageSize < size_t(stride) * size_t(height) || bitsOffset > length ||
      length - bitsOffset < size_t(stride) * size_t(height))
    return 0;

  const uint8_t* base = bytes;
  if (own) {
    m_owned = new (std::nothrow) uint8_t[length];
    if (!m_owned) return 0;
    std::memcpy(m_owned, bytes, length);
    base = m_owned;
  }
  m_header = base;
  m_colourTable = base + kInfoHeaderSize;
  m_bits = base + bitsOffset;
  m_imageSize = imageSize;
  m_colours = colours;
  m_width = width;
  m_height = height;

  // Converted once; drawing then only stretches.
  m_image = QImage(width, height, QImage::Format_RGB32);
  if (m_image.isNull()) {
    Detach();
    return 0;
  }
  for (int y = 0; y < height; ++y) {
    const int row = rawHeight > 0 ? height - 1 - y : y;
    const uint8_t* src = m_bits + size_t(row) * stride;
    auto* dst = reinterpret_cast<QRgb*>(m_image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      if (bitCount >= 24) {
        const uint8_t* p = src + size_t(x) * (bitCount / 8);
        dst[x] = qRgb(p[2], p[1], p[0]);
        continue;
      }
      int index = 0;
      if (bitCount == 8) index = src[x];
      else if (bitCount == 4) index = (src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
      else index = (src[x / 8] >> (7 - x % 8)) & 1;
      if (index >= colours) index = 0;
      const uint8_t* c = m_colourTable + 4 * index;
      dst[x] = qRgb(c[2], c[1], c[0]);
    }
  }
  return 1;
}

int CDibSup::AttachFile(const uint8_t* bytes, size_t length) {
  if (!bytes || length < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
    Detach();
    return 0;
  }
  return Attach(bytes + kFileHeaderSize, length - kFileHeaderSize, true);
}

void CDibSup::Detach() {
  delete[] m_owned;
  m_owned = nullptr;
  m_header = m_colourTable = m_bits = nullptr;
  m_imageSize = 0;
  m_colours = 0;
  m_width = m_height = 0;
  m_image = QImage();
}

int CDibSup::Draw(QPainter& painter, int x, int y, int width, int height) const {
  if (!m_header) return 0;
  painter.drawImage(QRect(x, y, width, height), m_image);
  return 1;
}
