#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "model/DataEntry.h"

// The entries clipboard payload, little-endian and packed: a signed 32-bit
// record count, then per record a signed 32-bit used flag, the 16-bit group
// field, a signed 32-bit length L and L content bytes. One record per
// selected slot, empty slots included.

// The payload of `entries` (a null pointer stands for an empty slot).
std::vector<uint8_t> EncodeEntries(std::span<const DATAENTRY* const> entries);

// Result of DecodeEntries.
enum : int {
  kClipOk = 0,
  kClipTruncated = -1,  // a count, header or content runs past the block
  kClipBadCount = -2,   // negative record count, or more records than bytes allow
  kClipBadLength = -3,  // negative record length
  kClipTrailing = -4,   // bytes left over after the last record
  kClipNoMemory = -5,   // a content buffer could not be allocated
};

// Parses a payload from any process. Every count and length is checked
// against the block's size first; on any error `entries` is left empty, so a
// bad payload pastes nothing.
int DecodeEntries(std::span<const uint8_t> block, std::vector<DATAENTRY>& entries);
