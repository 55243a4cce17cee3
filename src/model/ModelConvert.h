#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "model/DataEntry.h"

// Conversions of entries before they go to a printer model, and the question
// of whether a glyph entry lacks sizes the model needs. They work on content
// bytes alone, and the data file writer needs them for its state 2, so they
// live with the model rather than with the device link.

// True when the glyph size question must be asked: the model's mask holds a
// size that the entry lacks. A mask of -1 (no "glyph" key) needs every size.
bool GlyphSizesLacking(uint32_t entryMask, int32_t modelMask);

// Content keeping only the glyph bitmap items whose size is in `mask`.
std::vector<uint8_t> FilterGlyphSizes(std::span<const uint8_t> content, int32_t mask);

// Both replace the entry's content when they change it and report whether
// they did.
bool ConvertGlyphsForQP510(DATAENTRY& entry);
bool ConvertFileDataForQP510(DATAENTRY& entry);

// Whether the QP510 conversion would change the entry (state 2 in a data
// file); the entry is left as it is. `section` is kSecFile or kSecGlyph.
bool QP510WouldChange(const DATAENTRY& entry, int section);

// Membership in the QP510 symbol code table (loaded once from QP510.sym in
// the program folder; a missing table is an empty one).
bool IsQP510SymbolCode(uint16_t code);
// Test seam: the next IsQP510SymbolCode reads the table again from the
// program folder as it is then.
void ReloadQP510SymbolTable();
