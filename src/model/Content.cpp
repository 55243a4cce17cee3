#include "model/Content.h"

namespace {
inline bool WordIsZero(ContentBytes c, size_t pos) {
  return pos + 1 < c.size() && c[pos] == 0 && c[pos + 1] == 0;
}
inline size_t RoundEven(size_t v) { return (v + 1) & ~size_t(1); }
}  // namespace

TEXTRUN ScanTextRun(ContentBytes c, size_t pos) {
  TEXTRUN run;
  run.begin = pos;
  size_t p = pos;
  while (p + 1 < c.size() && c[p] != 0) p += 2;
  if (p + 1 < c.size()) {  // found the pair starting with 0
    run.end = p;
    run.next = p + 2;
  } else {  // no terminator: the run ends with the content
    run.end = p < c.size() ? p : c.size();
    if (run.end > c.size()) run.end = c.size();
    run.next = c.size();
  }
  if (run.begin > run.end) run.begin = run.end;
  return run;
}

bool ParseContentHeader(ContentBytes c, CONTENTHEADER& header) {
  header = CONTENTHEADER{};
  if (c.size() < 2) {
    header.title = {c.size(), c.size(), c.size()};
    header.group = header.title;
    header.items = c.size();
    return false;
  }
  header.title = ScanTextRun(c, 2);
  header.group = ScanTextRun(c, header.title.next);
  header.items = header.group.next;
  return true;
}

size_t ScanSubFields(ContentBytes c, size_t pos, bool& ok) {
  ok = true;
  size_t off = pos + 2;
  for (;;) {
    // The zero-word test is made at the even offset relative to the item.
    size_t test = pos + RoundEven(off - pos);
    if (test + 1 >= c.size()) {
      ok = false;
      return c.size();
    }
    if (c[test] == 0 && c[test + 1] == 0) return test;
    if (off + 2 > c.size()) {
      ok = false;
      return c.size();
    }
    size_t len = c[off + 1];
    if (off + 2 + len > c.size()) {
      ok = false;
      return c.size();
    }
    off += 2 + len;
  }
}

CItemWalker::CItemWalker(ContentBytes content, size_t pos, bool glyphItems, bool zeroWords)
    : m_c(content), m_pos(pos), m_glyph(glyphItems), m_zeroWords(zeroWords) {}

bool CItemWalker::Next(CONTENTITEM& item) {
  item = CONTENTITEM{};
  item.pos = m_pos;
  item.next = m_pos;
  if (m_done || m_pos + 1 >= m_c.size()) {
    m_done = true;
    item.kind = kItemEnd;
    return false;
  }
  const uint8_t b0 = m_c[m_pos], b1 = m_c[m_pos + 1];
  if (b0 == 0x0D && b1 == 0x0A) {
    m_done = true;
    item.kind = kItemEnd;
    return false;
  }
  if (b0 >= 0x80) {
    item.kind = kItemText;
    item.text = ScanTextRun(m_c, m_pos);
    item.next = item.text.next;
    m_pos = item.next;
    return true;
  }
  if (m_zeroWords && b0 == 0 && b1 == 0) {
    item.kind = kItemZeroWord;
    item.next = m_pos + 2;
    m_pos = item.next;
    return true;
  }
  item.type = b0;
  bool ok = true;
  item.subEnd = ScanSubFields(m_c, m_pos, ok);
  if (!ok) {
    item.kind = kItemBroken;
    m_done = true;
    return false;
  }
  item.kind = kItemControl;
  item.next = item.subEnd + 2;
  if (m_glyph) {
    item.bitmapLength = SubFieldValue(m_c, item, kSubGlyphLength, 0);
    item.bitmap = item.next;
    size_t after = item.bitmap + RoundEven(item.bitmapLength) + 2;
    if (after > m_c.size()) {
      item.kind = kItemBroken;
      m_done = true;
      return false;
    }
    item.next = after;
  }
  m_pos = item.next;
  return true;
}

size_t ReadSubFields(ContentBytes c, const CONTENTITEM& item, SUBFIELD* out, size_t max) {
  if (item.kind != kItemControl) return 0;
  size_t n = 0;
  size_t off = item.pos + 2;
  while (off + 2 <= item.subEnd && n < max) {
    SUBFIELD f;
    f.id = c[off];
    f.length = c[off + 1];
    f.data = off + 2;
    if (f.data + f.length > item.subEnd) break;
    out[n++] = f;
    off = f.data + f.length;
  }
  return n;
}

bool FindSubField(ContentBytes c, const CONTENTITEM& item, uint8_t id, SUBFIELD& out) {
  if (item.kind != kItemControl) return false;
  size_t off = item.pos + 2;
  while (off + 2 <= item.subEnd) {
    SUBFIELD f;
    f.id = c[off];
    f.length = c[off + 1];
    f.data = off + 2;
    if (f.data + f.length > item.subEnd) return false;
    if (f.id == id) {
      out = f;
      return true;
    }
    off = f.data + f.length;
  }
  return false;
}

uint32_t SubFieldValue(ContentBytes c, const CONTENTITEM& item, uint8_t id, uint32_t fallback) {
  SUBFIELD f;
  if (!FindSubField(c, item, id, f)) return fallback;
  uint32_t v = 0;
  for (size_t i = 0; i < f.length && i < 4; ++i) v = (v << 8) | c[f.data + i];
  return v;
}
