#include <gtest/gtest.h>

#include <vector>

#include "device/DevicePacket.h"
#include "device/DeviceResult.h"
#include "model/Category.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(DevicePacket, WriteRequestPacketLayout) {
  PACKET p = BuildRequestPacket(kDevAddress, kOpWrite, 7, 3, 0x0123);
  Bytes expected = {0x1B, 0x7B, 0x09, 0x4D, 0x02, 0x02, 0x07, 0x03, 0x01, 0x23,
                    static_cast<uint8_t>(0x4D + 0x02 + 0x02 + 0x07 + 0x03 + 0x01 + 0x23), 0x7D};
  EXPECT_EQ(Bytes(p.begin(), p.end()), expected);
}

TEST(DevicePacket, LinkPacketChecksumIs4E) {
  PACKET p = BuildLinkPacket();
  EXPECT_EQ(Bytes(p.begin(), p.end()), (Bytes{0x1B, 0x7B, 0x09, 0x4D, 0x01, 0, 0, 0, 0, 0, 0x4E, 0x7D}));
}

TEST(DevicePacket, ChecksumWrapsModulo256) {
  PACKET p = BuildRequestPacket(kDevGlyph, kOpWrite, 0xFF, 0xFF, 0xFFFF);
  EXPECT_EQ(p[10], static_cast<uint8_t>((0x4D + 0x10 + 0x02 + 0xFF * 4) & 0xFF));
}

TEST(DevicePacket, DataBlockAndRequestFile) {
  Bytes content = {0x02, 0x01, 0x0D, 0x0A};
  Bytes block = BuildDataBlock(content);
  Bytes expected = {'D', 'T', ';', 0x02, 0x01, 0x0D, 0x0A, ';', 0};
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < expected.size(); ++i) sum += expected[i];
  expected.back() = static_cast<uint8_t>(sum);
  EXPECT_EQ(block, expected);

  PACKET p = BuildRequestPacket(kDevAddress, kOpWrite, 1, 0, 4);
  Bytes file = BuildRequestFile(p, block);
  ASSERT_EQ(file.size(), 32u + 12u + block.size());
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 32), Bytes(32, 0));
  EXPECT_EQ(file[32], 0x1B);
  EXPECT_EQ(Bytes(file.begin() + 44, file.end()), block);
}

TEST(DevicePacket, CategoryCodes) {
  EXPECT_EQ(DeviceCategoryCode(kCatFile), 0x01);
  EXPECT_EQ(DeviceCategoryCode(kCatAddress), 0x02);
  EXPECT_EQ(DeviceCategoryCode(kCatName), 0x03);
  EXPECT_EQ(DeviceCategoryCode(kCatGlyph), 0x10);
  EXPECT_EQ(DeviceCategoryCode(7), 0);
  EXPECT_EQ(CategoryOfDeviceCode(0x10), kCatGlyph);
  EXPECT_EQ(CategoryOfDeviceCode(0x04), -1);
}

TEST(DevicePacket, ParseRequestFileChecksFramingAndBlock) {
  Bytes content = {0x02, 0x01, 0, 0, 0, 0, 0x0D, 0x0A};
  Bytes good = BuildRequestFile(BuildRequestPacket(kDevAddress, kOpWrite, 4, 2, 8), BuildDataBlock(content));
  DEVICEREQUEST r = ParseRequestFile(good);
  ASSERT_TRUE(r.valid);
  EXPECT_TRUE(r.blockValid);
  EXPECT_EQ(r.slot, 4);
  EXPECT_EQ(r.group, 2);
  EXPECT_EQ(Bytes(r.content.begin(), r.content.end()), content);

  Bytes badSum = good;
  badSum[32 + 10] ^= 1;
  EXPECT_FALSE(ParseRequestFile(badSum).valid);

  Bytes badBlock = good;
  badBlock.back() ^= 1;
  EXPECT_TRUE(ParseRequestFile(badBlock).valid);
  EXPECT_FALSE(ParseRequestFile(badBlock).blockValid);

  Bytes shortBlock(good.begin(), good.end() - 3);
  EXPECT_FALSE(ParseRequestFile(shortBlock).blockValid);

  EXPECT_FALSE(ParseRequestFile(Bytes(43, 0)).valid);
}

// A query/write/delete answer: status, then packet bytes as given.
Bytes Answer(int32_t status, bool packet, bool goodStart = true, bool goodSum = true) {
  ANSWERPACKET p = BuildAnswerPacket(5, 9);
  if (!goodStart) p[0] = 'X';
  if (!goodSum) p[10] ^= 0xFF;
  Bytes a = BuildAnswerFile(status, p);
  if (!packet) a.resize(32);
  return a;
}

TEST(DevicePacket, CommonAnswerChecksInOrder) {
  struct CASE {
    const char* what;
    Bytes answer;
    int result;
    bool hasPacket;
  };
  const CASE cases[] = {
      {"empty file", Bytes(), kDevFailed, false},
      {"31 bytes", Bytes(31, 0), kDevFailed, false},
      {"header only", Answer(0, false), kDevOk, false},
      {"status 7 with a valid packet", Answer(7, true), 7, false},
      {"status 7 and a broken packet", Answer(7, true, false, false), 7, false},
      {"negative status", Answer(-5, true), -5, false},
      {"42 bytes", Bytes(42, 0), kDevOk, false},
      {"not RV;", Answer(0, true, false), kDevBadAnswer, false},
      {"wrong checksum", Answer(0, true, true, false), kDevBadChecksum, false},
      {"valid", Answer(0, true), kDevOk, true},
  };
  for (const CASE& c : cases) {
    bool hasPacket = true;
    EXPECT_EQ(CheckCommonAnswer(c.answer, hasPacket), c.result) << c.what;
    EXPECT_EQ(hasPacket, c.hasPacket) << c.what;
  }
}

// A read answer announcing `announced` bytes with a data block built from
// `content`, then adjusted by the caller.
Bytes ReadAnswer(const Bytes& content, size_t announced) {
  ANSWERPACKET p = BuildAnswerPacket(static_cast<uint8_t>(announced >> 8), static_cast<uint8_t>(announced));
  p[10] ^= 0x55;  // the packet checksum is not examined for reads
  return BuildAnswerFile(0, p, BuildDataBlock(content));
}

TEST(DevicePacket, ReadAnswerChecks) {
  Bytes content = {0x02, 0x01, 0, 0, 0, 0, 0x0D, 0x0A};
  Bytes good = ReadAnswer(content, content.size());
  Bytes noBlockStart = good;
  noBlockStart[43] = 'X';
  noBlockStart.back() = static_cast<uint8_t>(noBlockStart.back() + ('X' - 'D'));  // keep the sum right
  Bytes badSum = good;
  badSum.back() ^= 1;
  Bytes noRv = good;
  noRv[32] = 'r';
  Bytes withStatus = good;
  withStatus[0] = 3;
  // Announces all its bytes, but the block ends inside the content.
  Bytes cut(good.begin(), good.begin() + 43 + 5);
  // At least the announced length after the packet, but too short for
  // "DT;", the content and the checksum: never copied past the end.
  Bytes tooShortForBlock = ReadAnswer(content, content.size() + 3);
  struct CASE {
    const char* what;
    Bytes answer;
    int result;
  };
  const CASE cases[] = {
      {"shorter than the header", Bytes(20, 0), kDevFailed},
      {"status word", withStatus, 3},
      {"header only", Bytes(32, 0), kDevBadAnswer},
      {"no RV;", noRv, kDevBadAnswer},
      {"block shorter than announced", cut, kDevBadAnswer},
      {"too short for DT; content and checksum", tooShortForBlock, kDevBadAnswer},
      {"no DT;", noBlockStart, kDevBadAnswer},
      {"wrong block checksum", badSum, kDevBadChecksum},
  };
  for (const CASE& c : cases) {
    std::span<const uint8_t> out;
    EXPECT_EQ(CheckReadAnswer(c.answer, out), c.result) << c.what;
    EXPECT_TRUE(out.empty()) << c.what;
  }
  std::span<const uint8_t> out;
  ASSERT_EQ(CheckReadAnswer(good, out), kDevOk);
  EXPECT_EQ(Bytes(out.begin(), out.end()), content);
  ASSERT_EQ(CheckReadAnswer(ReadAnswer({}, 0), out), kDevOk);
  EXPECT_TRUE(out.empty());
}

}  // namespace
