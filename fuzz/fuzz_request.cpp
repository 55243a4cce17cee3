// A request file as the emulated printer reads it: whatever it accepts must
// lie inside the request and build back to the same bytes.
#include <algorithm>
#include <cstdlib>

#include "device/DevicePacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 70000) return 0;
  std::span<const uint8_t> request(data, size);
  const DEVICEREQUEST r = ParseRequestFile(request);
  if (!r.valid) return 0;
  if (!r.content.empty() &&
      (r.content.data() < data || r.content.data() + r.content.size() > data + size))
    std::abort();
  if (r.operation == kOpWrite && r.blockValid) {
    const PACKET packet = BuildRequestPacket(r.category, r.operation, r.slot, r.group, r.length);
    const std::vector<uint8_t> again = BuildRequestFile(packet, BuildDataBlock(r.content));
    const DEVICEREQUEST back = ParseRequestFile(again);
    if (!back.valid || !back.blockValid || back.slot != r.slot || back.group != r.group ||
        !std::equal(back.content.begin(), back.content.end(), r.content.begin(), r.content.end()))
      std::abort();
  }
  return 0;
}
