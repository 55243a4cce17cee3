// The emulated printer library called directly with hand-made requests: it
// must check every packet and data block as a printer would.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "DeviceTestUtil.h"
#include "device/DevicePacket.h"
#include "device/ExchangeFiles.h"
#include "device/PrBridge.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

class EmulatedPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteText(env.Root() + "/sim/spooler.ini", SimIni());
    ASSERT_TRUE(bridge.Load(GetBridgeLibraryPath()));
  }
  // The answer to one request, or empty when the library call failed.
  Bytes Send(const Bytes& request, int mode = 0) {
    std::string path = env.Path("answer");
    int fd = OpenLockedForWriting(path);
    EXPECT_GE(fd, 0);
    int ok = bridge.SoftSetData(kSimPrinter, request, fd, mode);
    close(fd);
    Bytes answer = CTestEnv::ReadBytes(path);
    return ok ? answer : Bytes();
  }
  // Byte 5 of the answer packet after the common checks.
  int Value5(const Bytes& answer) {
    bool hasPacket = false;
    EXPECT_EQ(CheckCommonAnswer(answer, hasPacket), 0);
    return hasPacket ? answer[kAnswerHeaderSize + kAnsValue5] : -1;
  }
  Bytes Write(uint8_t category, uint8_t slot, const Bytes& content) {
    return BuildRequestFile(BuildRequestPacket(category, kOpWrite, slot, 0, static_cast<uint16_t>(content.size())),
                            BuildDataBlock(content));
  }

  CTestEnv env;
  CPrBridge bridge;
};

TEST_F(EmulatedPrinterTest, RefusesMalformedRequests) {
  Bytes good = Write(kDevAddress, 1, AddressContent("\x82\xa0"));
  Bytes badPacketSum = good;
  badPacketSum[32 + 10] ^= 1;
  Bytes badFraming = good;
  badFraming[32 + 11] = 0;
  Bytes badBlockSum = good;
  badBlockSum.back() ^= 1;
  Bytes shortBlock(good.begin(), good.end() - 2);
  Bytes noBlockStart = good;
  noBlockStart[44] = 'X';
  struct CASE {
    const char* what;
    Bytes request;
  };
  const CASE cases[] = {
      {"packet checksum", badPacketSum},
      {"packet framing", badFraming},
      {"block checksum", badBlockSum},
      {"short block", shortBlock},
      {"no DT;", noBlockStart},
      {"unknown category", Write(0x04, 1, AddressContent("\x82\xa0"))},
      {"slot 0", Write(kDevAddress, 0, AddressContent("\x82\xa0"))},
      {"slot beyond the category", Write(kDevName, 41, AddressContent("\x82\xa0", 0x03))},
      {"kind of another category", Write(kDevGlyph, 1, AddressContent("\x82\xa0"))},
      {"file data with an address kind", Write(kDevFile, 1, AddressContent("\x82\xa0"))},
      {"unknown operation", BuildRequestFile(BuildRequestPacket(kDevAddress, 0x07, 1))},
      {"header without packet", Bytes(40, 0)},
  };
  for (const CASE& c : cases) EXPECT_EQ(Value5(Send(c.request)), kAnsNotTaken) << c.what;
  EXPECT_EQ(Value5(Send(good)), 0);
}

TEST_F(EmulatedPrinterTest, AnswersQueriesReadsAndDeletes) {
  Bytes content = AddressContent("\x82\xa0");
  ASSERT_EQ(Value5(Send(Write(kDevAddress, 7, content))), 0);
  Bytes query = Send(BuildRequestFile(BuildRequestPacket(kDevAddress, kOpQuery, 1)));
  EXPECT_EQ(Value5(query), 7);
  Bytes read = Send(BuildRequestFile(BuildRequestPacket(kDevAddress, kOpRead, 7)), 1);
  std::span<const uint8_t> got;
  ASSERT_EQ(CheckReadAnswer(read, got), 0);
  EXPECT_EQ(Bytes(got.begin(), got.end()), content);
  EXPECT_EQ(Value5(Send(BuildRequestFile(BuildRequestPacket(kDevAddress, kOpDelete, 7)))), 0);
  EXPECT_EQ(Value5(Send(BuildRequestFile(BuildRequestPacket(kDevAddress, kOpDelete, 7)))), kAnsRefused);
  EXPECT_EQ(Value5(Send(BuildRequestFile(BuildRequestPacket(kDevAddress, kOpQuery, 1)))), 0);
}

TEST_F(EmulatedPrinterTest, SettingsChangesAreSeenAtOnce) {
  const std::string ini = env.Root() + "/sim/spooler.ini";
  WriteText(ini, SimIni("status=16"));
  struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, ini.c_str(), old, 0), 0);
  int32_t status = 0;
  ASSERT_NE(bridge.CheckConnect(kSimPrinter, status), 0);
  EXPECT_EQ(status, 16);
  ASSERT_NE(bridge.CheckConnect(kSimPrinter, status), 0);  // kept parsed now
  // Same size, written at once: still seen.
  WriteText(ini, SimIni("status=17"));
  ASSERT_NE(bridge.CheckConnect(kSimPrinter, status), 0);
  EXPECT_EQ(status, 17);
  WriteText(ini, SimIni("status=18"));
  ASSERT_NE(bridge.CheckConnect(kSimPrinter, status), 0);
  EXPECT_EQ(status, 18);
}

TEST_F(EmulatedPrinterTest, PrinterNameNeverLeadsOutOfItsFolder) {
  const std::string name = "../escape";
  WriteText(env.Root() + "/sim/spooler.ini", SimSection(name, "KORVANTE QUILP PRO QP700"));
  std::string path = env.Path("answer");
  int fd = OpenLockedForWriting(path);
  ASSERT_GE(fd, 0);
  Bytes request = Write(kDevAddress, 1, AddressContent("\x82\xa0"));
  EXPECT_NE(bridge.SoftSetData(name, request, fd, 0), 0);
  close(fd);
  EXPECT_FALSE(fs::exists(env.Root() + "/escape.xmb"));
  EXPECT_TRUE(fs::exists(env.Root() + "/sim/_._escape.xmb"));
}

TEST_F(EmulatedPrinterTest, UnknownOrDisconnectedPrinterAnswersNothing) {
  int32_t status = -1;
  EXPECT_NE(bridge.CheckConnect(kSimPrinter, status), 0);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(bridge.CheckConnect("nobody", status), 0);
  EXPECT_EQ(bridge.SoftStart("nobody"), 0);
  WriteText(env.Root() + "/sim/spooler.ini", SimIni("connected=0"));
  EXPECT_EQ(bridge.CheckConnect(kSimPrinter, status), 0);
  EXPECT_TRUE(Send(BuildRequestFile(BuildRequestPacket(kDevAddress, kOpQuery, 1))).empty());
}

}  // namespace
