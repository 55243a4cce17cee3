#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// One slot. The slot owns its content; copies are deep.
struct DATAENTRY {
  int32_t used = 0;    // 1 when the slot holds an entry
  uint16_t group = 0;  // group number, 0..9 valid, 0 = no group
  uint32_t size = 0;   // content length in bytes
  std::unique_ptr<uint8_t[]> content;  // exactly `size` bytes, or null

  std::span<const uint8_t> Bytes() const {
    return content ? std::span<const uint8_t>(content.get(), size) : std::span<const uint8_t>();
  }
  void Clear() {
    used = 0;
    group = 0;
    size = 0;
    content.reset();
  }
};

// Allocates an entry content buffer; null when memory runs out (never throws).
std::unique_ptr<uint8_t[]> AllocContent(size_t size);

// Test seam: the n-th following AllocContent call (1 = the next one) and every
// call after it fail; 0 turns failures off.
void SetContentAllocFailure(int nth);
