#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// Entry content framing, read with bounds checks everywhere:
//
//   kind(1) format(1) title... 00 00  groupname... 00 00  items...  0D 0A
//
// A text run is double-byte characters ended by the first pair whose first
// byte is 0. A control item is type(1) 00(1), then sub-fields id(1) len(1)
// data(len) without padding; before each sub-field the word at the offset
// rounded up to even is tested and a zero word ends the list. In glyph
// content each control item is followed by its bitmap (padded to even) and a
// zero word. No reader here ever looks past the content's end: malformed
// content simply ends the walk early.

using ContentBytes = std::span<const uint8_t>;

inline constexpr uint8_t kItemField = 0x30;  // start of a text field / paragraph
inline constexpr uint8_t kSubFieldNumber = 0x80;
inline constexpr uint8_t kSubGlyphWidth = 0x00;
inline constexpr uint8_t kSubGlyphHeight = 0x01;
inline constexpr uint8_t kSubGlyphLength = 0x02;

// A text run: [begin, end) are its characters; next is the position after its
// zero word (clamped to the content's size when the terminator is missing).
struct TEXTRUN {
  size_t begin = 0;
  size_t end = 0;
  size_t next = 0;
};
TEXTRUN ScanTextRun(ContentBytes c, size_t pos);

struct CONTENTHEADER {
  TEXTRUN title;
  TEXTRUN group;
  size_t items = 0;  // start of the item stream
};
// False when the content is shorter than kind + format byte.
bool ParseContentHeader(ContentBytes c, CONTENTHEADER& header);

struct SUBFIELD {
  uint8_t id = 0;
  uint8_t length = 0;
  size_t data = 0;  // absolute position of the first data byte
};

enum : int {
  kItemEnd = 0,      // CR LF reached (or nothing more to read)
  kItemText = 1,     // a text run
  kItemControl = 2,  // a control item (in glyph content: a glyph bitmap item)
  kItemZeroWord = 3, // a bare zero word (only reported when asked for)
  kItemBroken = 4,   // an item that does not fit in the content; the walk ends
};

struct CONTENTITEM {
  int kind = kItemEnd;
  size_t pos = 0;      // first byte of the item
  size_t next = 0;     // first byte after the item (bitmap and zero word included)
  uint8_t type = 0;    // control item type
  TEXTRUN text;        // for kItemText
  size_t subEnd = 0;   // absolute position of the zero word ending the sub-fields
  size_t bitmap = 0;   // glyph items: absolute position of the bitmap
  size_t bitmapLength = 0;  // glyph items: the length sub-field (0 when missing)
};

// Walks the item stream from `pos` up to CR LF.
class CItemWalker {
 public:
  // glyphItems: control items carry a bitmap after them (glyph content).
  // zeroWords: report a zero word at an item boundary as kItemZeroWord
  // instead of reading it as a control item of type 0 (the field text walk).
  CItemWalker(ContentBytes content, size_t pos, bool glyphItems = false, bool zeroWords = false);
  // Fills `item` and advances. Returns false at the end (CR LF, content end or
  // a broken item; item.kind tells which).
  bool Next(CONTENTITEM& item);
  size_t Position() const { return m_pos; }
  // Position of the CR LF that ended the walk, or the content size.
  bool ReachedEnd() const { return m_done; }

 private:
  ContentBytes m_c;
  size_t m_pos;
  bool m_glyph;
  bool m_zeroWords;
  bool m_done = false;
};

// The sub-fields of a control item, in order; at most `max` reported. Returns
// the number found.
size_t ReadSubFields(ContentBytes c, const CONTENTITEM& item, SUBFIELD* out, size_t max);
// The first sub-field with this id; false when absent.
bool FindSubField(ContentBytes c, const CONTENTITEM& item, uint8_t id, SUBFIELD& out);
// Value of a sub-field read as a big-endian number of its length (max 4 bytes),
// or `fallback` when absent.
uint32_t SubFieldValue(ContentBytes c, const CONTENTITEM& item, uint8_t id, uint32_t fallback = 0);

// Position of the zero word that ends the sub-field list of a control item
// starting at `pos`; sets `ok` false when the list runs past the content.
size_t ScanSubFields(ContentBytes c, size_t pos, bool& ok);
