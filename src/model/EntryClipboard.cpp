#include "model/EntryClipboard.h"

#include <cstring>
#include <limits>

namespace {

// Sizes of the fixed parts of the payload.
constexpr size_t kCountSize = 4;
constexpr size_t kRecordHeadSize = 10;

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

std::vector<uint8_t> EncodeEntries(std::span<const DATAENTRY* const> entries) {
  size_t total = kCountSize;
  for (const DATAENTRY* entry : entries) total += kRecordHeadSize + (entry ? entry->Bytes().size() : 0);
  std::vector<uint8_t> out;
  out.reserve(total);
  Put32(out, static_cast<uint32_t>(entries.size()));
  for (const DATAENTRY* entry : entries) {
    const std::span<const uint8_t> bytes = entry ? entry->Bytes() : std::span<const uint8_t>();
    Put32(out, static_cast<uint32_t>(entry ? entry->used : 0));
    Put16(out, entry ? entry->group : 0);
    Put32(out, static_cast<uint32_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

int DecodeEntries(std::span<const uint8_t> block, std::vector<DATAENTRY>& entries) {
  entries.clear();
  if (block.size() < kCountSize) return kClipTruncated;
  const auto count = static_cast<int32_t>(Get32(block.data()));
  if (count < 0 || static_cast<uint64_t>(count) > (block.size() - kCountSize) / kRecordHeadSize) return kClipBadCount;
  std::vector<DATAENTRY> parsed;
  parsed.reserve(static_cast<size_t>(count));
  size_t at = kCountSize;
  for (int32_t k = 0; k < count; ++k) {
    if (block.size() - at < kRecordHeadSize) return kClipTruncated;
    const uint8_t* head = block.data() + at;
    const auto used = static_cast<int32_t>(Get32(head));
    const auto group = static_cast<uint16_t>(head[4] | head[5] << 8);
    const auto length = static_cast<int32_t>(Get32(head + 6));
    at += kRecordHeadSize;
    if (length < 0) return kClipBadLength;
    if (block.size() - at < static_cast<size_t>(length)) return kClipTruncated;
    DATAENTRY entry;
    // A record without content is an empty slot, whatever its flag says.
    if (length > 0) {
      entry.content = AllocContent(static_cast<size_t>(length));
      if (!entry.content) return kClipNoMemory;
      std::memcpy(entry.content.get(), block.data() + at, static_cast<size_t>(length));
      entry.size = static_cast<uint32_t>(length);
      entry.used = used != 0 ? 1 : 0;
      entry.group = group;
    }
    at += static_cast<size_t>(length);
    parsed.push_back(std::move(entry));
  }
  if (at != block.size()) return kClipTrailing;
  entries = std::move(parsed);
  return kClipOk;
}
