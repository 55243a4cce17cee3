// The real device link against the emulated printer, in a private sim folder.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DeviceTestUtil.h"
#include "device/AppConfig.h"
#include "device/DevicePacket.h"
#include "device/DeviceResult.h"
#include "glyph/Glyph.h"
#include "glyph/GlyphCodec.h"
#include "model/Category.h"
#include "model/FileResult.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kHello = "\x82\xa0\x82\xa2";  // あい
const std::string kWorld = "\x82\xa4\x82\xa6";  // うえ

// Makes `entry` a used entry holding a copy of `content`.
void SetContent(DATAENTRY& entry, const Bytes& content) {
  entry.used = 1;
  entry.size = static_cast<uint32_t>(content.size());
  entry.content = AllocContent(content.size());
  std::copy(content.begin(), content.end(), entry.content.get());
}

class DeviceLinkTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSpooler(SimIni()); }

  void SetSpooler(const std::string& ini) { WriteText(env.Root() + "/sim/spooler.ini", ini); }
  void Init(int category = kCatAddress) {
    config.Init();
    config.SetCategory(category);
  }
  std::string MemoryPath() const { return env.Root() + "/sim/" + kSimPrinter + ".xmb"; }
  std::string RequestPath() const { return config.UserDataFolder() + "REQQUILPDATA.DAT"; }
  std::string AnswerPath() const { return config.UserDataFolder() + "ANSQUILPDATA.DAT"; }
  bool ExchangeFilesGone() const { return !fs::exists(RequestPath()) && !fs::exists(AnswerPath()); }

  // Puts entries straight into the printer's memory file.
  void Seed(int category, const std::vector<std::pair<int, Bytes>>& slots, uint16_t group = 0) {
    CDataSet memory;
    if (fs::exists(MemoryPath())) {
      ASSERT_EQ(memory.LoadDataFile(MemoryPath()), kFileOk);
    }
    for (const auto& [slot, content] : slots)
      ASSERT_TRUE(memory.SetEntry(SectionOfCategory(category), slot - 1, group, content));
    ASSERT_EQ(memory.SaveDataFile(MemoryPath()), kFileOk);
  }
  // The printer's memory as it is on disk.
  Bytes Stored(int category, int slot) const {
    CDataSet memory;
    if (!fs::exists(MemoryPath()) || memory.LoadDataFile(MemoryPath()) != kFileOk) return {};
    const DATAENTRY* e = memory.Entry(SectionOfCategory(category), slot - 1);
    return e && e->used ? Bytes(e->Bytes().begin(), e->Bytes().end()) : Bytes();
  }
  static void Put(CDataSet& set, int category, int index, const Bytes& content, uint16_t group = 0) {
    ASSERT_TRUE(set.SetEntry(SectionOfCategory(category), index, group, content));
  }

  CTestEnv env;
  CAppConfig config;
  CScriptPrompt prompt;
  CTestProgress progress;
};

TEST_F(DeviceLinkTest, OpenAndCloseLeaveNothingBehind) {
  Init();
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.PrinterName(), kSimPrinter);
  link.CloseLink();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.PrinterName(), "");
  EXPECT_TRUE(ExchangeFilesGone());
}

TEST_F(DeviceLinkTest, OpenFailures) {
  struct CASE {
    const char* what;
    std::string ini;
    int result;
  };
  const std::string second = SimSection("Second", "KORVANTE QUILP PRO QP510");
  const CASE cases[] = {
      {"unknown driver", SimIni("", "Some Laser"), kDevNoPrinter},
      {"no maker's text", SimIni("private=OTHER DRIVER"), kDevNoPrinter},
      {"settings too short", SimIni("private_size=40"), kDevNoPrinter},
      {"two connected", SimIni() + second, kDevSeveral},
      {"queued jobs", SimIni("jobs=2"), kDevPrinting},
      {"queue unreadable", SimIni("jobs=-1"), kDevFailed},
      {"printing", SimIni("status=1"), kDevPrinting},
      {"cutter", SimIni("status=16"), kDevCutter},
      {"motor", SimIni("status=17"), kDevMotor},
      {"head", SimIni("status=18"), kDevHeadHot},
      {"unknown status", SimIni("status=99"), kDevFailed},
      {"no status", SimIni("status=0"), kDevFailed},
      {"not connected", SimIni("connected=0"), kDevFailed},
  };
  Init();
  for (const CASE& c : cases) {
    SetSpooler(c.ini);
    CDeviceLink link(config);
    EXPECT_EQ(link.OpenLink(), c.result) << c.what;
    EXPECT_FALSE(link.IsOpen()) << c.what;
    EXPECT_EQ(link.PrinterName(), "") << c.what;
    EXPECT_TRUE(ExchangeFilesGone()) << c.what;
  }
  // Nothing stayed locked: a good printer opens again.
  SetSpooler(SimIni());
  CDeviceLink link(config);
  EXPECT_EQ(link.OpenLink(), kDevOk);
}

TEST_F(DeviceLinkTest, MissingLibraryFailsEveryCommand) {
  setenv("XAMU_DRIVER_DIR", (env.Root() + "/nodriver").c_str(), 1);
  setenv("XAMU_SPOOLER", "sim", 1);
  EXPECT_FALSE(config.Init());
  config.SetCategory(kCatAddress);
  CDeviceLink link(config);
  EXPECT_EQ(link.OpenLink(), kDevFailed);
  CDataSet device;
  EXPECT_EQ(link.ShowPrinterData(device, false, prompt, progress), kDevFailed);
  ASSERT_EQ(prompt.notices.size(), 1u);
  EXPECT_EQ(prompt.notices[0], DeviceResultMessage(kDevFailed));
  unsetenv("XAMU_DRIVER_DIR");
}

TEST_F(DeviceLinkTest, LibraryWithoutTheFunctionsFails) {
  // A library that loads but exports none of the four functions.
  fs::create_directories(env.Root() + "/drv/3");
  const char* libm = "/lib/x86_64-linux-gnu/libm.so.6";
  if (!fs::exists(libm)) GTEST_SKIP() << "no libm at " << libm;
  fs::create_symlink(libm, env.Root() + "/drv/3/libprbridge.so");
  setenv("XAMU_DRIVER_DIR", (env.Root() + "/drv").c_str(), 1);
  setenv("XAMU_SPOOLER", "sim", 1);
  EXPECT_TRUE(config.Init());
  SetSpooler(SimIni("jobs=0"));
  CDeviceLink link(config);
  EXPECT_EQ(link.OpenLink(), kDevFailed);
  EXPECT_TRUE(ExchangeFilesGone());
  unsetenv("XAMU_DRIVER_DIR");
}

TEST_F(DeviceLinkTest, SecondLinkOfTheSameUserIsBusy) {
  Init();
  CDeviceLink first(config), second(config);
  ASSERT_EQ(first.OpenLink(), kDevOk);
  DATAENTRY entry;
  SetContent(entry, AddressContent(kHello));
  ASSERT_EQ(first.WriteEntry(0, kCatAddress, entry), kDevOk);  // its request file stays
  {
    CDeviceLink third(config);
    EXPECT_EQ(third.OpenLink(), kDevFailed);
    third.CloseLink();
  }
  EXPECT_EQ(second.OpenLink(), kDevFailed);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(first.IsOpen());
  // The busy links left the first link's exchange alone.
  EXPECT_TRUE(fs::exists(RequestPath()));
  first.CloseLink();
  EXPECT_EQ(second.OpenLink(), kDevOk);
}

TEST_F(DeviceLinkTest, ShowPrinterDataReadsEveryRegisteredSlot) {
  Seed(kCatAddress, {{1, AddressContent(kHello)}, {5, AddressContent(kWorld)}, {100, AddressContent(kHello)}}, 3);
  Seed(kCatName, {{2, AddressContent(kHello, 0x03)}});
  Init();
  CDeviceLink link(config);
  CDataSet device;
  device.m_modified = 1;
  ASSERT_EQ(link.ShowPrinterData(device, false, prompt, progress), kDevOk);
  EXPECT_TRUE(prompt.notices.empty());
  EXPECT_EQ(device.m_modified, 0);
  EXPECT_EQ(progress.Range(), 3);
  EXPECT_EQ(progress.GetPos(), 3);
  const int sec = SectionOfCategory(kCatAddress);
  for (int slot : {1, 5, 100}) {
    ASSERT_EQ(device.IsUsed(sec, slot - 1), 1) << slot;
    EXPECT_EQ(device.Entry(sec, slot - 1)->group, 3);
  }
  EXPECT_EQ(Bytes(device.Entry(sec, 4)->Bytes().begin(), device.Entry(sec, 4)->Bytes().end()), AddressContent(kWorld));
  EXPECT_EQ(device.IsUsed(sec, 1), 0);
  // Only the current category is read.
  EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatName), -2), 0);
  EXPECT_TRUE(ExchangeFilesGone());
}

TEST_F(DeviceLinkTest, SlotListHoldsSlotAndGroup) {
  Seed(kCatGlyph, {{3, {0x10, 0x01, 0, 0, 0, 0, 0x0D, 0x0A}}, {20, {0x10, 0x01, 0, 0, 0, 0, 0x0D, 0x0A}}}, 7);
  Init(kCatGlyph);
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  std::vector<uint32_t> list;
  ASSERT_EQ(link.ReadSlotList(list), kDevOk);
  EXPECT_EQ(list, (std::vector<uint32_t>{3 * 256 + 7, 20 * 256 + 7}));
  int found = -1, group = -1;
  ASSERT_EQ(link.QuerySlot(4, found, group), kDevOk);
  EXPECT_EQ(found, 20);
  ASSERT_EQ(link.QuerySlot(21, found, group), kDevOk);
  EXPECT_EQ(found, 0);
  // A registered slot with empty content reads as zero bytes.
  std::unique_ptr<uint8_t[]> content;
  size_t length = 99;
  EXPECT_EQ(link.ReadEntry(5, content, length), kDevOk);
  EXPECT_EQ(length, 0u);
}

TEST_F(DeviceLinkTest, SlotListWalkStopsOnOddAnswers) {
  struct CASE {
    const char* key;
    int category;
    std::vector<uint32_t> list;
  };
  const CASE cases[] = {
      // The second query (from slot 4) answers slot 3: the walk ends, no error.
      {"query_slot=3", kCatName, {3 * 256}},
      // Beyond the category's slots: nothing is listed, nothing stored.
      {"query_slot=41", kCatName, {}},
      {"query_slot=21", kCatGlyph, {}},
      {"query_slot=20", kCatGlyph, {20 * 256}},
      // A query answer of the header alone passes and means no further slot.
      {"header_only=1", kCatAddress, {}},
  };
  for (const CASE& c : cases) {
    SetSpooler(SimIni(c.key));
    Init(c.category);
    CDeviceLink link(config);
    ASSERT_EQ(link.OpenLink(), kDevOk) << c.key;
    std::vector<uint32_t> list;
    EXPECT_EQ(link.ReadSlotList(list), kDevOk) << c.key;
    EXPECT_EQ(list, c.list) << c.key;
  }
}

TEST_F(DeviceLinkTest, EmptyPrinterShowsItsNotice) {
  Init();
  CDeviceLink link(config);
  CDataSet device;
  EXPECT_EQ(link.ShowPrinterData(device, false, prompt, progress), kDevOk);
  EXPECT_EQ(prompt.notices, std::vector<std::string>{kMsgNoDeviceData});
}

TEST_F(DeviceLinkTest, FaultsDuringReadRestoreTheDataSet) {
  struct CASE {
    const char* key;
    int result;
  };
  const CASE cases[] = {
      {"answer_status=7", 7},
      {"bad_packet_checksum=1", kDevBadChecksum},  // the list walk's query answer
      {"bad_block_checksum=1", kDevBadChecksum},   // the read answer
      {"short_block=1", kDevBadAnswer},
      {"busy=1", kDevFailed},
  };
  Seed(kCatAddress, {{2, AddressContent(kHello)}});
  Init();
  for (const CASE& c : cases) {
    SetSpooler(SimIni(c.key));
    CDeviceLink link(config);
    CDataSet device;
    device.m_path = "printer";
    Put(device, kCatAddress, 0, AddressContent(kWorld));
    Put(device, kCatName, 3, AddressContent(kWorld, 0x03));
    CScriptPrompt p;
    CTestProgress pr;
    EXPECT_EQ(link.ShowPrinterData(device, true, p, pr), c.result) << c.key;
    ASSERT_EQ(p.notices.size(), 1u) << c.key;
    EXPECT_EQ(p.notices[0], DeviceResultMessage(c.result)) << c.key;
    // What the pane held before is back; nothing half-read stays.
    EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), 0), 1) << c.key;
    EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), 1), 0) << c.key;
    EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatName), 3), 1) << c.key;
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(ExchangeFilesGone()) << c.key;
  }
}

TEST_F(DeviceLinkTest, NoMemoryForTheContentGives201) {
  Seed(kCatAddress, {{1, AddressContent(kHello)}, {2, AddressContent(kWorld)}});
  Init();
  // 1: the bytes read; 2: their copy into the data set (never a used slot
  // with a made-up content).
  for (int nth : {1, 2}) {
    CDeviceLink link(config);
    CDataSet device;
    CScriptPrompt p;
    CTestProgress pr;
    SetContentAllocFailure(nth);
    int result = link.ShowPrinterData(device, false, p, pr);
    SetContentAllocFailure(0);
    EXPECT_EQ(result, kDevNoMemory) << nth;
    EXPECT_EQ(p.notices, std::vector<std::string>{DeviceResultMessage(kDevNoMemory)}) << nth;
    EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), -2), 0) << nth;
    EXPECT_TRUE(ExchangeFilesGone()) << nth;
  }
}

TEST_F(DeviceLinkTest, StatusWordOnWriteIsReportedWithItsNumber) {
  Init();
  SetSpooler(SimIni("answer_status=5"));
  CDeviceLink link(config);
  CDataSet source, device;
  Put(source, kCatAddress, 0, AddressContent(kHello));
  std::vector<int> selection = {0};
  // Every answer carries status 5, so the first query already fails.
  EXPECT_EQ(link.TransferFlow(selection, source, device, false, prompt, progress), 5);
  EXPECT_EQ(prompt.notices[0], "通信中にエラーが発生しました。(5)");
  EXPECT_TRUE(selection.empty());
  EXPECT_FALSE(link.IsOpen());
  EXPECT_TRUE(ExchangeFilesGone());
}

TEST_F(DeviceLinkTest, TransferWritesAndReadsBack) {
  Init();
  CDeviceLink link(config);
  CDataSet source, device;
  Put(source, kCatAddress, 0, AddressContent(kHello), 2);
  Put(source, kCatAddress, 3, AddressContent(kWorld));
  std::vector<int> selection = {0, 3};
  ASSERT_EQ(link.TransferFlow(selection, source, device, false, prompt, progress), kDevOk);
  EXPECT_EQ(selection, (std::vector<int>{0, 3}));
  EXPECT_TRUE(prompt.questions.empty());
  EXPECT_EQ(Stored(kCatAddress, 1), AddressContent(kHello));
  EXPECT_EQ(Stored(kCatAddress, 4), AddressContent(kWorld));
  // The pane shows the printer's real state, group number included.
  ASSERT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), 0), 1);
  EXPECT_EQ(device.Entry(SectionOfCategory(kCatAddress), 0)->group, 2);
  // The re-read sets the range to its listed slots plus the steps already made.
  EXPECT_EQ(progress.Range(), 2 + 2);
  EXPECT_EQ(progress.GetPos(), 4);
  EXPECT_TRUE(ExchangeFilesGone());
}

TEST_F(DeviceLinkTest, OverwriteQuestionsOfATransfer) {
  struct CASE {
    const char* what;
    int category;
    std::vector<int> selection;
    std::vector<int> choices;  // four-button answers
    std::vector<bool> yesNo;
    std::vector<bool> oks;
    std::vector<int> written;  // selection afterwards
    std::vector<std::string> questions;
    std::vector<std::string> notices;
  };
  const std::string q2 = "2番のデータは、すでに登録されています。\n上書きしてよろしいですか？";
  const std::string q3 = "3番のデータは、すでに登録されています。\n上書きしてよろしいですか？";
  const std::string name = "すでにデータが登録されています。\n未登録番号に登録してください。";
  const CASE cases[] = {
      {"skip", kCatAddress, {0, 1, 2}, {kOverwriteSkip, kOverwriteOne}, {}, {}, {0, 2}, {q2, q3}, {}},
      {"overwrite all asks once", kCatAddress, {0, 1, 2}, {kOverwriteAll}, {}, {}, {0, 1, 2}, {q2}, {}},
      {"cancel keeps what was written", kCatAddress, {0, 1, 2}, {kOverwriteCancel}, {}, {}, {0}, {q2}, {}},
      {"single yes", kCatAddress, {1}, {}, {true}, {}, {1}, {q2}, {}},
      {"single no", kCatAddress, {1}, {}, {false}, {}, {}, {q2}, {}},
      {"name data single", kCatName, {1}, {}, {}, {}, {}, {}, {name}},
      {"name data several: OK skips", kCatName, {0, 1, 2}, {}, {}, {true, true}, {0}, {name, name}, {}},
      {"name data several: cancel", kCatName, {0, 1, 2}, {}, {}, {false}, {0}, {name}, {}},
  };
  for (const CASE& c : cases) {
    fs::remove(MemoryPath());
    uint8_t kind = c.category == kCatName ? 0x03 : 0x02;
    Seed(c.category, {{2, AddressContent(kWorld, kind)}, {3, AddressContent(kWorld, kind)}});
    Init(c.category);
    CDeviceLink link(config);
    CDataSet source, device;
    for (int i = 0; i < 3; ++i) Put(source, c.category, i, AddressContent(kHello, kind));
    CScriptPrompt p;
    p.choices.assign(c.choices.begin(), c.choices.end());
    p.yesNo.assign(c.yesNo.begin(), c.yesNo.end());
    p.oks.assign(c.oks.begin(), c.oks.end());
    CTestProgress pr;
    std::vector<int> selection = c.selection;
    EXPECT_EQ(link.TransferFlow(selection, source, device, false, p, pr), kDevOk) << c.what;
    EXPECT_EQ(selection, c.written) << c.what;
    EXPECT_EQ(p.questions, c.questions) << c.what;
    EXPECT_EQ(p.notices, c.notices) << c.what;
    EXPECT_EQ(pr.hidden, pr.shown) << c.what;
    for (int slot = 1; slot <= 3; ++slot) {
      bool written = std::find(c.written.begin(), c.written.end(), slot - 1) != c.written.end();
      Bytes expected = written ? AddressContent(kHello, kind) : slot == 1 ? Bytes() : AddressContent(kWorld, kind);
      EXPECT_EQ(Stored(c.category, slot), expected) << c.what << " slot " << slot;
    }
    EXPECT_TRUE(ExchangeFilesGone()) << c.what;
  }
}

TEST_F(DeviceLinkTest, FullMemoryStopsTheTransferAndIsRemembered) {
  Init();
  Bytes first = AddressContent(kHello), second = AddressContent(kWorld + kWorld);
  SetSpooler(SimIni("capacity=" + std::to_string(first.size() + second.size() - 1)));
  CDeviceLink link(config);
  CDataSet source, device;
  Put(source, kCatAddress, 0, first);
  Put(source, kCatAddress, 1, second);
  Put(source, kCatAddress, 2, first);
  std::vector<int> selection = {0, 1, 2};
  link.ResetLastResult();
  // The failed write is reported, then the printer is read back.
  EXPECT_EQ(link.TransferFlow(selection, source, device, false, prompt, progress), kDevOk);
  EXPECT_EQ(prompt.notices, std::vector<std::string>{DeviceResultMessage(kDevMemoryFull)});
  EXPECT_EQ(link.LastResult(), kDevMemoryFull);
  EXPECT_EQ(selection, std::vector<int>{0});
  EXPECT_EQ(Stored(kCatAddress, 1), first);
  EXPECT_TRUE(Stored(kCatAddress, 2).empty());
  EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), -2), 1);
}

TEST_F(DeviceLinkTest, PrinterRefusesDataOfAnotherKind) {
  Init(kCatName);
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  DATAENTRY entry;
  const Bytes address = AddressContent(kHello);
  SetContent(entry, address);
  EXPECT_EQ(link.WriteEntry(0, kCatName, entry), kDevNotTaken);
  EXPECT_EQ(link.LastResult(), kDevNotTaken);
  // The same entry as address data is taken, whatever the current category.
  EXPECT_EQ(link.WriteEntry(0, kCatAddress, entry), kDevOk);
  EXPECT_EQ(Stored(kCatAddress, 1), address);
}

TEST_F(DeviceLinkTest, OversizedContentIsRefusedBeforeAnythingIsSent) {
  Init();
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  DATAENTRY entry;
  entry.used = 1;
  entry.size = 65536;
  entry.content = AllocContent(entry.size);
  std::fill(entry.content.get(), entry.content.get() + entry.size, 0x02);
  EXPECT_EQ(link.WriteEntry(0, kCatAddress, entry), kDevNotTaken);
  EXPECT_FALSE(fs::exists(RequestPath()));
  EXPECT_FALSE(fs::exists(MemoryPath()));
}

TEST_F(DeviceLinkTest, ExchangeFilesArePrivateAndTheWriteRequestStaysUntilClose) {
  Init();
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  DATAENTRY entry;
  SetContent(entry, AddressContent(kHello));
  ASSERT_EQ(link.WriteEntry(4, kCatAddress, entry), kDevOk);
  struct stat st {};
  ASSERT_EQ(stat(RequestPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  Bytes request = CTestEnv::ReadBytes(RequestPath());
  DEVICEREQUEST r = ParseRequestFile(request);
  EXPECT_TRUE(r.valid && r.blockValid);
  EXPECT_EQ(r.slot, 5);
  EXPECT_FALSE(fs::exists(AnswerPath()));
  int found = 0, group = 0;
  ASSERT_EQ(link.QuerySlot(1, found, group), kDevOk);
  EXPECT_EQ(found, 5);
  EXPECT_FALSE(fs::exists(RequestPath()));  // a query's request is removed at once
  ASSERT_EQ(link.WriteEntry(5, kCatAddress, entry), kDevOk);
  link.CloseLink();
  EXPECT_TRUE(ExchangeFilesGone());
}

TEST_F(DeviceLinkTest, RequestFileIsRemovedEvenWhenTheLibraryFails) {
  Seed(kCatAddress, {{1, AddressContent(kHello)}});
  Init();
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  SetSpooler(SimIni("busy=1"));
  int found = 0, group = 0;
  EXPECT_EQ(link.QuerySlot(1, found, group), kDevFailed);
  EXPECT_FALSE(fs::exists(RequestPath()));
  std::unique_ptr<uint8_t[]> content;
  size_t length = 0;
  EXPECT_EQ(link.ReadEntry(1, content, length), kDevFailed);
  EXPECT_FALSE(fs::exists(RequestPath()));
  EXPECT_EQ(link.DeleteEntry(0), kDevFailed);
  EXPECT_FALSE(fs::exists(RequestPath()));
  EXPECT_EQ(link.LastResult(), kDevFailed);
  EXPECT_EQ(Stored(kCatAddress, 1), AddressContent(kHello));
}

TEST_F(DeviceLinkTest, LockedRequestFileIsNeverTruncated) {
  Init();
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  WriteText(RequestPath(), "someone else's request");
  int fd = open(RequestPath().c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  int found = 0, group = 0;
  EXPECT_EQ(link.QuerySlot(1, found, group), kDevFailed);
  close(fd);
  Bytes kept = CTestEnv::ReadBytes(RequestPath());
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "someone else's request");
}

TEST_F(DeviceLinkTest, DeleteSlotsAndRefusedDelete) {
  Seed(kCatAddress, {{1, AddressContent(kHello)}, {3, AddressContent(kHello)}, {4, AddressContent(kWorld)}});
  Init();
  CDeviceLink link(config);
  CDataSet device;
  std::vector<int> selection = {0, 2};
  EXPECT_EQ(link.DeleteSlots(selection, device, prompt, progress), kDevOk);
  EXPECT_TRUE(Stored(kCatAddress, 1).empty());
  EXPECT_TRUE(Stored(kCatAddress, 3).empty());
  EXPECT_EQ(Stored(kCatAddress, 4), AddressContent(kWorld));
  EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), 3), 1);
  EXPECT_TRUE(prompt.notices.empty());

  // Slot 2 is empty: deleted last to first, slot 4 goes, slot 2 is refused.
  selection = {1, 3};
  EXPECT_EQ(link.DeleteSlots(selection, device, prompt, progress), kDevOk);
  EXPECT_EQ(prompt.notices, std::vector<std::string>{DeviceResultMessage(kDevDeleteRefused)});
  EXPECT_EQ(link.LastResult(), kDevDeleteRefused);
  EXPECT_TRUE(Stored(kCatAddress, 4).empty());
  EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), -2), 0);

  std::vector<int> none;
  EXPECT_EQ(link.DeleteSlots(none, device, prompt, progress), kDevOk);
}

TEST_F(DeviceLinkTest, PasteWritesThenDeletesEmptiedSlots) {
  Seed(kCatAddress, {{2, AddressContent(kWorld)}, {4, AddressContent(kWorld)}});
  Init();
  CDeviceLink link(config);
  CDataSet device;
  ASSERT_EQ(link.ShowPrinterData(device, false, prompt, progress), kDevOk);
  // Records for slots 1..4: content, empty (onto a registered slot), empty
  // (onto an empty slot), content (onto a registered slot).
  std::vector<DATAENTRY> pasted(4);
  Bytes c = AddressContent(kHello);
  for (size_t k : {0u, 3u}) SetContent(pasted[k], c);
  prompt.choices = {kOverwriteAll};
  std::vector<int> selection = {0, 1, 2, 3};
  EXPECT_EQ(link.PasteFlow(selection, pasted, device, 0, true, prompt, progress), kDevOk);
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(selection, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(Stored(kCatAddress, 1), c);
  EXPECT_TRUE(Stored(kCatAddress, 2).empty());
  EXPECT_TRUE(Stored(kCatAddress, 3).empty());
  EXPECT_EQ(Stored(kCatAddress, 4), c);
  EXPECT_EQ(device.IsUsed(SectionOfCategory(kCatAddress), 1), 0);
}

TEST_F(DeviceLinkTest, PasteQueryFailureStopsWithoutWriting) {
  Init();
  SetSpooler(SimIni("bad_packet_checksum=1"));
  CDeviceLink link(config);
  CDataSet device;
  std::vector<DATAENTRY> pasted(1);
  Bytes c = AddressContent(kHello);
  SetContent(pasted[0], c);
  std::vector<int> selection = {0};
  // Reported once; the read-back fails the same way and its result is returned.
  EXPECT_EQ(link.PasteFlow(selection, pasted, device, 0, true, prompt, progress), kDevBadChecksum);
  EXPECT_EQ(prompt.notices, std::vector<std::string>{DeviceResultMessage(kDevBadChecksum)});
  EXPECT_TRUE(selection.empty());
  EXPECT_TRUE(Stored(kCatAddress, 1).empty());
}

// File data with one control item of type 0x00 whose sub-field 0 is 9.
Bytes FileDataWithLayout9() { return {0x01, 0x01, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x01, 0x09, 0x00, 0x00, 0x00, 0x0D, 0x0A}; }

TEST_F(DeviceLinkTest, QP510GetsItsConvertedFormAndThePaneKeepsTheEntry) {
  SetSpooler(SimIni("", "KORVANTE QUILP PRO QP510"));
  Init(kCatFile);
  CDeviceLink link(config);
  CDataSet source, device;
  Put(source, kCatFile, 0, FileDataWithLayout9());
  std::vector<int> selection = {0};
  ASSERT_EQ(link.TransferFlow(selection, source, device, false, prompt, progress), kDevOk);
  Bytes stored = Stored(kCatFile, 1);
  ASSERT_EQ(stored.size(), FileDataWithLayout9().size());
  EXPECT_EQ(stored[10], 2);
  EXPECT_EQ(source.Entry(SectionOfCategory(kCatFile), 0)->content[10], 9);
}

Bytes GlyphContent(std::initializer_list<int> sizes) {
  Bytes c = {0x10, 0x01, 0x82, 0xA0, 0, 0, 0, 0};
  for (int s : sizes) {
    CGlyph g(s, s);
    g.SetPixel(1, 1);
    WriteGlyphItem(c, g);
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

TEST_F(DeviceLinkTest, GlyphSizesTheModelDoesNotTakeAreRemoved) {
  struct CASE {
    const char* driver;
    Bytes sent;
    Bytes stored;
  };
  const CASE cases[] = {
      {"KORVANTE QUILP PRO QP550", GlyphContent({16, 24, 48}), GlyphContent({16, 48})},  // mask 65
      {"KORVANTE QUILP PRO QP700", GlyphContent({16, 24, 30, 36}), GlyphContent({16, 24, 30, 36})},  // no key
      // QP510: its own table drops 30 and 36 whatever the mask says.
      {"KORVANTE QUILP PRO QP510", GlyphContent({16, 30, 36, 40}), GlyphContent({16, 40})},
  };
  for (const CASE& c : cases) {
    fs::remove(MemoryPath());
    SetSpooler(SimIni("", c.driver));
    Init(kCatGlyph);
    CDeviceLink link(config);
    CDataSet source, device;
    Put(source, kCatGlyph, 0, c.sent);
    std::vector<int> selection = {0};
    ASSERT_EQ(link.TransferFlow(selection, source, device, true, prompt, progress), kDevOk) << c.driver;
    EXPECT_EQ(Stored(kCatGlyph, 1), c.stored) << c.driver;
    EXPECT_EQ(device.Entry(SectionOfCategory(kCatGlyph), 0)->size, c.stored.size()) << c.driver;
    // The entry in the pane is not changed by the write.
    EXPECT_EQ(source.Entry(SectionOfCategory(kCatGlyph), 0)->size, c.sent.size()) << c.driver;
  }
}

TEST_F(DeviceLinkTest, StoringFromTheGlyphEditorNeverAsks) {
  Seed(kCatGlyph, {{2, GlyphContent({16})}});
  Init(kCatGlyph);
  CDeviceLink link(config);
  CDataSet source, device;
  Put(source, kCatGlyph, 1, GlyphContent({16, 24}));
  std::vector<int> selection = {1};
  ASSERT_EQ(link.TransferFlow(selection, source, device, true, prompt, progress), kDevOk);
  EXPECT_TRUE(prompt.questions.empty());
  EXPECT_EQ(selection, std::vector<int>{1});
  EXPECT_EQ(Stored(kCatGlyph, 2), GlyphContent({16, 24}));
  std::vector<int> none;
  EXPECT_EQ(link.WriteEntriesNoAsk(none, source, progress), kDevFailed);  // an empty selection
}

TEST_F(DeviceLinkTest, GlyphSizeQuestion) {
  struct CASE {
    const char* driver;
    Bytes content;
    bool asked;
  };
  const CASE cases[] = {
      {"KORVANTE QUILP PRO QP550", GlyphContent({16}), true},       // 48 lacking
      {"KORVANTE QUILP PRO QP550", GlyphContent({16, 48}), false},
      {"KORVANTE QUILP PRO QP700", GlyphContent({16, 24, 30, 32, 36, 40}), true},  // no glyph key: all
      {"KORVANTE QUILP PRO QP510", GlyphContent({16, 24, 32, 40, 48}), false},
  };
  for (const CASE& c : cases) {
    SetSpooler(SimIni("", c.driver));
    Init(kCatGlyph);
    CDeviceLink link(config);
    CDataSet source;
    Put(source, kCatGlyph, 0, c.content);
    const DATAENTRY* entries[] = {source.Entry(SectionOfCategory(kCatGlyph), 0),
                                  source.Entry(SectionOfCategory(kCatGlyph), 0)};
    CScriptPrompt p;
    p.yesNo = {false};
    EXPECT_EQ(link.ConfirmGlyphSizes(entries, p), !c.asked) << c.driver;
    EXPECT_EQ(p.questions.size(), c.asked ? 1u : 0u) << c.driver;
    if (c.asked) {
      EXPECT_EQ(p.questions[0], kMsgGlyphSizesLacking);
    }
  }
}

}  // namespace
