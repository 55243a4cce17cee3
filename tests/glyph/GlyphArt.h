#pragma once
// Glyphs as ASCII art in tests: '#' ink, '.' background, rows top to bottom.
#include <initializer_list>
#include <string>
#include <vector>

#include "glyph/Glyph.h"

inline CGlyph Art(std::initializer_list<const char*> rows) {
  std::vector<std::string> r(rows.begin(), rows.end());
  CGlyph g(r.empty() ? 0 : static_cast<int>(r[0].size()), static_cast<int>(r.size()));
  g.Clear();
  for (size_t y = 0; y < r.size(); ++y)
    for (size_t x = 0; x < r[y].size(); ++x)
      if (r[y][x] == '#') g.SetPixel(static_cast<int>(x), static_cast<int>(y));
  return g;
}

// An empty w x h glyph.
inline CGlyph Blank(int w, int h) {
  CGlyph g(w, h);
  g.Clear();
  return g;
}

// Rows joined by '/', e.g. ".#./#.#".
inline std::string ToArt(const CGlyph& g) {
  std::string s;
  for (int y = 0; y < g.Height(); ++y) {
    if (y) s += '/';
    for (int x = 0; x < g.Width(); ++x) s += g.GetPixel(x, y) ? '#' : '.';
  }
  return s;
}

// The top-left w x h corner of a glyph as art.
inline std::string CornerArt(const CGlyph& g, int w, int h) {
  std::string s;
  for (int y = 0; y < h; ++y) {
    if (y) s += '/';
    for (int x = 0; x < w; ++x) s += g.GetPixel(x, y) ? '#' : '.';
  }
  return s;
}

// The ink dots of a glyph as "(x,y) (x,y) ...", row by row.
inline std::string InkDots(const CGlyph& g) {
  std::string s;
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      if (g.GetPixel(x, y)) s += (s.empty() ? "" : " ") + ("(" + std::to_string(x) + "," + std::to_string(y) + ")");
  return s;
}

// A deterministic pseudo-random picture.
inline CGlyph Noise(int w, int h, unsigned seed) {
  CGlyph g = Blank(w, h);
  unsigned v = seed * 2654435761u + 1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      v = v * 1103515245u + 12345u;
      if ((v >> 16) & 1) g.SetPixel(x, y);
    }
  return g;
}
