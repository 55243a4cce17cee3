#include "device/DevicePacket.h"

#include "device/DeviceResult.h"
#include "model/Category.h"

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kOpenBrace = 0x7B;   // "{"
constexpr uint8_t kCloseBrace = 0x7D;  // "}"
constexpr uint8_t kPacketCount = 0x09;  // bytes 3..11 of the packet
constexpr uint8_t kCommandMemory = 0x4D;  // "M"
constexpr uint8_t kBlockStart[3] = {'D', 'T', ';'};
constexpr uint8_t kAnswerStart[3] = {'R', 'V', ';'};
constexpr uint8_t kBlockEnd = ';';

bool StartsWith(std::span<const uint8_t> bytes, const uint8_t (&prefix)[3]) {
  return bytes.size() >= 3 && bytes[0] == prefix[0] && bytes[1] == prefix[1] && bytes[2] == prefix[2];
}

}  // namespace

uint8_t DeviceCategoryCode(int category) {
  switch (category) {
    case kCatFile: return kDevFile;
    case kCatAddress: return kDevAddress;
    case kCatName: return kDevName;
    case kCatGlyph: return kDevGlyph;
    default: return 0;
  }
}

int CategoryOfDeviceCode(uint8_t code) {
  for (int c = 0; c < kCategoryCount; ++c)
    if (DeviceCategoryCode(c) == code) return c;
  return -1;
}

uint8_t ByteSum(std::span<const uint8_t> bytes) {
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  return static_cast<uint8_t>(sum);
}

PACKET BuildRequestPacket(uint8_t category, uint8_t operation, uint8_t slot, uint8_t group, uint16_t length) {
  PACKET p = {kEsc, kOpenBrace, kPacketCount, kCommandMemory, category, operation, slot, group,
              static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF), 0, kCloseBrace};
  p[10] = ByteSum(std::span<const uint8_t>(p.data() + 3, 7));
  return p;
}

PACKET BuildLinkPacket() { return BuildRequestPacket(kDevFile, kOpQuery, 0); }

std::vector<uint8_t> BuildDataBlock(std::span<const uint8_t> content) {
  std::vector<uint8_t> block;
  block.reserve(content.size() + kBlockOverhead);
  block.insert(block.end(), std::begin(kBlockStart), std::end(kBlockStart));
  block.insert(block.end(), content.begin(), content.end());
  block.push_back(kBlockEnd);
  block.push_back(ByteSum(block));
  return block;
}

std::vector<uint8_t> BuildRequestFile(const PACKET& packet, std::span<const uint8_t> block) {
  std::vector<uint8_t> file(kRequestHeaderSize, 0);
  file.insert(file.end(), packet.begin(), packet.end());
  file.insert(file.end(), block.begin(), block.end());
  return file;
}

ANSWERPACKET BuildAnswerPacket(uint8_t value5, uint8_t value6) {
  ANSWERPACKET p = {'R', 'V', ';', 0, 0, value5, value6, 0, 0, 0, 0};
  p[10] = ByteSum(std::span<const uint8_t>(p.data(), 10));
  return p;
}

std::vector<uint8_t> BuildAnswerFile(int32_t status, const ANSWERPACKET& packet, std::span<const uint8_t> block) {
  std::vector<uint8_t> file(kAnswerHeaderSize, 0);
  auto u = static_cast<uint32_t>(status);
  for (int i = 0; i < 4; ++i) file[static_cast<size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
  file.insert(file.end(), packet.begin(), packet.end());
  file.insert(file.end(), block.begin(), block.end());
  return file;
}

DEVICEREQUEST ParseRequestFile(std::span<const uint8_t> request) {
  DEVICEREQUEST r;
  if (request.size() < kRequestHeaderSize + kPacketSize) return r;
  std::span<const uint8_t> p = request.subspan(kRequestHeaderSize, kPacketSize);
  if (p[0] != kEsc || p[1] != kOpenBrace || p[2] != kPacketCount || p[3] != kCommandMemory ||
      p[11] != kCloseBrace || p[10] != ByteSum(p.subspan(3, 7)))
    return r;
  r.valid = true;
  r.category = p[4];
  r.operation = p[5];
  r.slot = p[6];
  r.group = p[7];
  r.length = static_cast<uint16_t>(p[8] << 8 | p[9]);
  std::span<const uint8_t> block = request.subspan(kRequestHeaderSize + kPacketSize);
  size_t need = size_t{r.length} + kBlockOverhead;
  if (block.size() >= need && StartsWith(block, kBlockStart) && block[3 + r.length] == kBlockEnd &&
      block[need - 1] == ByteSum(block.first(need - 1))) {
    r.blockValid = true;
    r.content = block.subspan(3, r.length);
  }
  return r;
}

int32_t AnswerStatus(std::span<const uint8_t> answer) {
  if (answer.size() < 4) return kDevFailed;
  uint32_t u = answer[0] | uint32_t{answer[1]} << 8 | uint32_t{answer[2]} << 16 | uint32_t{answer[3]} << 24;
  return static_cast<int32_t>(u);
}

int CheckCommonAnswer(std::span<const uint8_t> answer, bool& hasPacket) {
  hasPacket = false;
  if (answer.size() < kAnswerHeaderSize) return kDevFailed;
  if (int32_t status = AnswerStatus(answer); status != 0) return status;
  if (answer.size() < kAnswerHeaderSize + kAnswerPacketSize) return kDevOk;
  std::span<const uint8_t> p = answer.subspan(kAnswerHeaderSize, kAnswerPacketSize);
  if (!StartsWith(p, kAnswerStart)) return kDevBadAnswer;
  if (p[10] != ByteSum(p.first(10))) return kDevBadChecksum;
  hasPacket = true;
  return kDevOk;
}

int CheckChangeAnswer(std::span<const uint8_t> answer, int refused) {
  bool hasPacket = false;
  int result = CheckCommonAnswer(answer, hasPacket);
  if (result != kDevOk || !hasPacket) return result;
  const uint8_t value = answer[kAnswerHeaderSize + kAnsValue5];
  if (value == kAnsNotTaken) return kDevNotTaken;
  if (value == kAnsRefused) return refused;
  return kDevOk;
}

int CheckReadAnswer(std::span<const uint8_t> answer, std::span<const uint8_t>& content) {
  content = {};
  if (answer.size() < kAnswerHeaderSize) return kDevFailed;
  if (int32_t status = AnswerStatus(answer); status != 0) return status;
  constexpr size_t kBlockAt = kAnswerHeaderSize + kAnswerPacketSize;
  if (answer.size() < kBlockAt) return kDevBadAnswer;
  std::span<const uint8_t> p = answer.subspan(kAnswerHeaderSize, kAnswerPacketSize);
  if (!StartsWith(p, kAnswerStart)) return kDevBadAnswer;
  size_t length = size_t{p[kAnsValue5]} << 8 | p[kAnsValue6];
  std::span<const uint8_t> block = answer.subspan(kBlockAt);
  if (block.size() < length) return kDevBadAnswer;
  // Too short for "DT;", the content and the checksum byte: the content would
  // run into (or past) the checksum.
  if (block.size() < length + 4) return kDevBadAnswer;
  if (!StartsWith(block, kBlockStart)) return kDevBadAnswer;
  if (block.back() != ByteSum(block.first(block.size() - 1))) return kDevBadChecksum;
  content = block.subspan(3, length);
  return kDevOk;
}
