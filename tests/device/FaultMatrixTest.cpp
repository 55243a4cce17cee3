// Every fault the emulated printer can inject, in every device command flow:
// whatever the outcome, the link ends closed, no exchange file stays behind,
// the printer's memory stays readable, and a command that did not happen is
// never reported as done.
#include <filesystem>
#include <string>
#include <vector>

#include "DeviceTestUtil.h"
#include "device/AppConfig.h"
#include "device/DeviceResult.h"
#include "model/Category.h"
#include "model/FileResult.h"

namespace fs = std::filesystem;

namespace {

const std::string kHello = "\x82\xa0\x82\xa2";  // あい

enum class EFlow { Read, Transfer, Delete };

class FaultMatrixTest : public ::testing::TestWithParam<std::tuple<const char*, EFlow>> {
 protected:
  std::string SimDir() const { return env.Root() + "/sim"; }
  std::string MemoryPath() const { return SimDir() + "/" + kSimPrinter + ".xmb"; }

  CTestEnv env;
};

TEST_P(FaultMatrixTest, EndsClosedCleanAndReported) {
  const auto [key, flow] = GetParam();
  // The printer holds slots 1 and 2; the fault is set before the command.
  {
    CDataSet memory;
    for (int slot : {0, 1})
      ASSERT_TRUE(memory.SetEntry(SectionOfCategory(kCatAddress), slot, 0, AddressContent(kHello)));
    ASSERT_EQ(memory.SaveDataFile(MemoryPath()), kFileOk);
  }
  WriteText(SimDir() + "/spooler.ini", SimIni(key));
  CAppConfig config;
  config.Init();
  config.SetCategory(kCatAddress);
  CDeviceLink link(config);
  CScriptPrompt prompt;
  prompt.yesNo.assign(4, true);
  CTestProgress progress;
  CDataSet device;
  int result = kDevOk;
  switch (flow) {
    case EFlow::Read:
      result = link.ShowPrinterData(device, false, prompt, progress);
      break;
    case EFlow::Transfer: {
      CDataSet source;
      for (int slot : {4, 5})
        ASSERT_TRUE(source.SetEntry(SectionOfCategory(kCatAddress), slot, 0, AddressContent(kHello)));
      std::vector<int> selection = {4, 5};
      result = link.TransferFlow(selection, source, device, false, prompt, progress);
      break;
    }
    case EFlow::Delete: {
      std::vector<int> selection = {0, 1};
      result = link.DeleteSlots(selection, device, prompt, progress);
      break;
    }
  }
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(fs::exists(config.UserDataFolder() + "REQQUILPDATA.DAT"));
  EXPECT_FALSE(fs::exists(config.UserDataFolder() + "ANSQUILPDATA.DAT"));
  CDataSet memory;
  EXPECT_EQ(memory.LoadDataFile(MemoryPath()), kFileOk);
  const int failure = result != kDevOk ? result : link.LastResult();
  if (flow == EFlow::Read) {
    // The read flow shows its failure itself; the others leave that to
    // their caller, which shows the returned code.
    if (failure != kDevOk) {
      bool shown = false;
      for (const std::string& n : prompt.notices) shown = shown || n == DeviceResultMessage(failure);
      EXPECT_TRUE(shown) << "result " << failure << ", " << prompt.notices.size() << " notices";
    }
    return;
  }
  // A command that did not happen must not come back as a success.
  const int sec = SectionOfCategory(kCatAddress);
  const bool done = flow == EFlow::Transfer ? memory.IsUsed(sec, 4) && memory.IsUsed(sec, 5)
                                            : !memory.IsUsed(sec, 0) && !memory.IsUsed(sec, 1);
  EXPECT_TRUE(done || failure != kDevOk) << "result " << result << ", last " << link.LastResult();
}

const char* const kFaults[] = {
    "answer_status=7",       "bad_packet_checksum=1", "bad_block_checksum=1", "short_block=1",
    "busy=1",                "header_only=1",         "connected=0",          "status=16",
    "status=1",              "jobs=3",                "capacity=10",
};

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultMatrixTest,
    ::testing::Combine(::testing::ValuesIn(kFaults),
                       ::testing::Values(EFlow::Read, EFlow::Transfer, EFlow::Delete)),
    [](const auto& info) {
      std::string name = std::get<0>(info.param);
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      const EFlow f = std::get<1>(info.param);
      return name + (f == EFlow::Read ? "_Read" : f == EFlow::Transfer ? "_Transfer" : "_Delete");
    });

}  // namespace
