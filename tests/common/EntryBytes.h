#pragma once
// Small builders for entry content in tests: text runs, control items with
// sub-fields, glyph bitmap items and whole contents, all as plain bytes so a
// test shows exactly what the printer would hold.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/Cp932.h"

namespace eb {

using Bytes = std::vector<uint8_t>;

// A text run of two-byte codes (first byte high), ended by a zero word.
inline Bytes Run(std::initializer_list<uint16_t> codes) {
  Bytes b;
  for (uint16_t c : codes) {
    b.push_back(static_cast<uint8_t>(c >> 8));
    b.push_back(static_cast<uint8_t>(c & 0xFF));
  }
  b.push_back(0);
  b.push_back(0);
  return b;
}

// A text run from UTF-8 text (converted to CP932), ended by a zero word.
inline Bytes Text(const std::string& utf8) {
  const std::string s = Utf8ToCp932(utf8);
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  b.push_back(0);
  return b;
}

struct SF {
  uint8_t id;
  Bytes data;
};

// type, 0x00, sub-fields, a pad byte when the length is odd, zero word.
inline Bytes Item(uint8_t type, const std::vector<SF>& fields = {}) {
  Bytes b{type, 0};
  for (const SF& f : fields) {
    b.push_back(f.id);
    b.push_back(static_cast<uint8_t>(f.data.size()));
    b.insert(b.end(), f.data.begin(), f.data.end());
  }
  if (b.size() % 2) b.push_back(0);
  b.push_back(0);
  b.push_back(0);
  return b;
}

// A field start item of address and name data: 0x30 with sub-field 0x80.
inline Bytes Field(uint8_t number) { return Item(0x30, {{0x80, {number}}}); }

// A glyph bitmap item: width, height, byte count n, then n bytes of `fill`
// (padded to even) and a zero word.
inline Bytes Glyph(int w, int h, int n, uint8_t fill = 0x5A) {
  Bytes b = Item(0x00, {{0x00, {static_cast<uint8_t>(w)}},
                        {0x01, {static_cast<uint8_t>(h)}},
                        {0x02, {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n & 0xFF)}}});
  b.insert(b.end(), static_cast<size_t>(n), fill);
  if (n % 2) b.push_back(0);
  b.push_back(0);
  b.push_back(0);
  return b;
}
// The packed size of a square glyph pattern.
inline Bytes Glyph(int size) { return Glyph(size, size, (size + 7) / 8 * size); }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

// kind, 0x01, title, group name, items, CR LF.
inline Bytes Content(uint8_t kind, const Bytes& title, const Bytes& group, std::initializer_list<Bytes> items) {
  Bytes b{kind, 0x01};
  b.insert(b.end(), title.begin(), title.end());
  b.insert(b.end(), group.begin(), group.end());
  for (const Bytes& i : items) b.insert(b.end(), i.begin(), i.end());
  b.push_back(0x0D);
  b.push_back(0x0A);
  return b;
}

}  // namespace eb
