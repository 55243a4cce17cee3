// xamu-cli printer commands, run as a user would against the emulated printer.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/TestEnv.h"
#include "device/AppConfig.h"
#include "device/DeviceLink.h"
#include "device/DeviceResult.h"
#include "device/DeviceTestUtil.h"
#include "glyph/Glyph.h"
#include "glyph/GlyphCodec.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

namespace fs = std::filesystem;

namespace {

const std::string kHello = "\x82\xa0\x82\xa2";  // あい

class CliPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteText(env.Root() + "/sim/spooler.ini", SimIni()); }

  // A data file with the given address slots (1-based).
  std::string AddressFile(std::initializer_list<int> slots) {
    CDataSet set;
    for (int s : slots) EXPECT_TRUE(set.SetEntry(SectionOfCategory(kCatAddress), s - 1, 0, AddressContent(kHello)));
    std::string path = env.Path("addr.xmb");
    EXPECT_EQ(set.SaveDataFile(path), kFileOk);
    return "'" + path + "'";
  }

  CTestEnv env;
};

TEST_F(CliPrinterTest, StatusShowsModelsAndTheConnectedPrinter) {
  CLIRESULT r = RunCli("printer status");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("spooler: sim (" + env.Root() + "/sim/spooler.ini)\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("/drivers/3/libprbridge.so (loaded)\n  CheckConnectA: found\n  SoftStartA: found\n"
                       "  SoftEndA: found\n  SoftSetDataA: found\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("QP510"), std::string::npos);
  EXPECT_NE(r.out.find("glyph 107"), std::string::npos);
  EXPECT_NE(r.out.find("  \"QUILP PRO QP700\"  driver \"KORVANTE QUILP PRO QP700\"  model QP700  accepted  jobs 0  "
                       "connected\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("selected: QUILP PRO QP700\n"), std::string::npos) << r.out;
}

TEST_F(CliPrinterTest, StatusTellsWhyPrintersAreNotTaken) {
  WriteText(env.Root() + "/sim/spooler.ini",
            SimIni() + SimSection("Foreign", "Some Laser") +
                "[Plain]\ndriver=KORVANTE QUILP PRO QP510\nprivate=OTHER DRIVER\n");
  // A library that loads but lacks the four functions.
  fs::create_directories(env.Root() + "/drv/3");
  const char* libm = "/lib/x86_64-linux-gnu/libm.so.6";
  if (!fs::exists(libm)) GTEST_SKIP() << "no libm at " << libm;
  fs::create_symlink(libm, env.Root() + "/drv/3/libprbridge.so");
  setenv("XAMU_DRIVER_DIR", (env.Root() + "/drv").c_str(), 1);
  setenv("XAMU_SPOOLER", "sim", 1);
  CLIRESULT r = RunCli("printer status");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("library: " + env.Root() + "/drv/3/libprbridge.so (loaded)\n  CheckConnectA: missing\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"Foreign\"  driver \"Some Laser\"  model none  refused (unknown driver)  jobs -  not "
                       "connected\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"Plain\"  driver \"KORVANTE QUILP PRO QP510\"  model QP510  refused (not the maker's "
                       "driver text)"),
            std::string::npos)
      << r.out;

  // No library at all: said so, with the loader's words.
  setenv("XAMU_DRIVER_DIR", (env.Root() + "/nowhere").c_str(), 1);
  r = RunCli("printer status");
  EXPECT_NE(r.out.find("/nowhere/3/libprbridge.so (not loaded: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("SoftSetDataA: missing"), std::string::npos) << r.out;
}

TEST_F(CliPrinterTest, UnknownSpoolerIsAUsageError) {
  setenv("XAMU_SPOOLER", "lpd", 1);
  for (const char* cmd : {"printer status", "printer read -c address"}) {
    CLIRESULT r = RunCli(cmd);
    EXPECT_EQ(r.status, 2) << cmd;
    EXPECT_NE(r.err.find("XAMU_SPOOLER must be cups or sim, not \"lpd\""), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << cmd;
  }
}

TEST_F(CliPrinterTest, TwoPrintersStopEveryCommandWith305) {
  WriteText(env.Root() + "/sim/spooler.ini", SimIni() + SimSection("Other", "KORVANTE QUILP PRO QP510"));
  for (const char* cmd : {"printer status", "printer read -c address", "printer delete -c name -s 1"}) {
    CLIRESULT r = RunCli(cmd);
    EXPECT_EQ(r.status, 1) << cmd;
    EXPECT_NE(r.err.find(DeviceResultMessage(kDevSeveral)), std::string::npos) << cmd << r.err;
  }
}

TEST_F(CliPrinterTest, WriteReadAndDeleteRoundTrip) {
  std::string file = AddressFile({1, 3});
  CLIRESULT w = RunCli("printer write " + file + " -c address");
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_NE(w.out.find("written: 1,3"), std::string::npos);

  std::string out = env.Path("printer.xmb");
  CLIRESULT r = RunCli("printer read -c address '" + out + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("*01 あい\n 02 \n*03 あい\n 04 \n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(" 00 \n"), std::string::npos);  // slot 100 shows as 00
  CDataSet saved;
  ASSERT_EQ(saved.LoadDataFile(out), kFileOk);
  EXPECT_EQ(saved.IsUsed(SectionOfCategory(kCatAddress), 2), 1);

  // Occupied slots without an answer: the question is shown and answered no.
  CLIRESULT again = RunCli("printer write " + file + " -c address -s 1,3");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find("1番のデータは、すでに登録されています。"), std::string::npos);
  EXPECT_NE(again.out.find("written: none"), std::string::npos);
  CLIRESULT all = RunCli("printer write " + file + " -c address -s 1,3 --overwrite all");
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_NE(all.out.find("written: 1,3"), std::string::npos);

  CLIRESULT d = RunCli("printer delete -c address -s 1");
  EXPECT_EQ(d.status, 0) << d.err;
  r = RunCli("printer read -c address");
  EXPECT_EQ(r.out.rfind(" 01 \n 02 \n*03 あい\n", 0), 0u) << r.out;

  CLIRESULT refused = RunCli("printer delete -c address -s 2");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(DeviceResultMessage(kDevDeleteRefused)), std::string::npos);
}

TEST_F(CliPrinterTest, EmptyPrinterIsANoticeNotAFailure) {
  CLIRESULT r = RunCli("printer read -c name");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find(kMsgNoDeviceData), std::string::npos);
}

TEST_F(CliPrinterTest, FailuresPrintTheirMessage) {
  std::string file = AddressFile({2});
  WriteText(env.Root() + "/sim/spooler.ini", SimIni("answer_status=7"));
  CLIRESULT r = RunCli("printer read -c address");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("通信中にエラーが発生しました。(7)"), std::string::npos) << r.err;
  WriteText(env.Root() + "/sim/spooler.ini", SimIni("jobs=1"));
  CLIRESULT w = RunCli("printer write " + file + " -c address");
  EXPECT_EQ(w.status, 1);
  EXPECT_NE(w.err.find(DeviceResultMessage(kDevPrinting)), std::string::npos) << w.err;
}

TEST_F(CliPrinterTest, MissingLibraryIsReportedAndEveryCommandFails) {
  setenv("XAMU_DRIVER_DIR", (env.Root() + "/nowhere").c_str(), 1);
  setenv("XAMU_SPOOLER", "sim", 1);
  CLIRESULT r = RunCli("printer read -c address");
  unsetenv("XAMU_DRIVER_DIR");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kMsgNoBridge), std::string::npos);
  EXPECT_NE(r.err.find(DeviceResultMessage(kDevFailed)), std::string::npos);
}

TEST_F(CliPrinterTest, GlyphPatternQuestionIsAnsweredByYes) {
  WriteText(env.Root() + "/sim/spooler.ini", SimIni("", "KORVANTE QUILP PRO QP550"));  // needs 16 and 48
  std::vector<uint8_t> content = {0x10, 0x01, 0x82, 0xA0, 0, 0, 0, 0};
  CGlyph g(16, 16);
  g.SetPixel(0, 0);
  WriteGlyphItem(content, g);
  content.insert(content.end(), {0x0D, 0x0A});
  CDataSet set;
  ASSERT_TRUE(set.SetEntry(SectionOfCategory(kCatGlyph), 0, 0, content));
  std::string path = env.Path("glyph.xmb");
  ASSERT_EQ(set.SaveDataFile(path), kFileOk);

  CLIRESULT no = RunCli("printer write '" + path + "' -c glyph");
  EXPECT_EQ(no.status, 1);
  EXPECT_NE(no.err.find(kMsgGlyphSizesLacking), std::string::npos);
  EXPECT_NE(RunCli("printer read -c glyph").err.find(kMsgNoDeviceData), std::string::npos);

  CLIRESULT yes = RunCli("printer write '" + path + "' -c glyph --yes");
  EXPECT_EQ(yes.status, 0) << yes.err;
  EXPECT_NE(yes.out.find("written: 1"), std::string::npos);
}

TEST_F(CliPrinterTest, LinkHeldByAnotherProgramIsBusy) {
  CAppConfig config;
  config.Init();
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  CLIRESULT r = RunCli("printer read -c address");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(DeviceResultMessage(kDevFailed)), std::string::npos) << r.err;
  link.CloseLink();
  EXPECT_EQ(RunCli("printer read -c address").status, 0);
}

TEST_F(CliPrinterTest, UsageErrors) {
  const char* cases[] = {
      "printer read",
      "printer read -c paper",
      "printer delete -c address",
      "printer delete -c address -s 0",
      "printer write -c address",
      "printer write x.xmb -c address --overwrite maybe",
  };
  for (const char* c : cases) EXPECT_EQ(RunCli(c).status, 2) << c;
}

// Reading into a file the user has: refused without --overwrite all, and
// then only the read category is replaced.
TEST_F(CliPrinterTest, ReadIntoAnExistingFileKeepsItsOtherCategories) {
  ASSERT_EQ(RunCli("printer write " + AddressFile({1, 3}) + " -c address").status, 0);
  const int address = SectionOfCategory(kCatAddress), name = SectionOfCategory(kCatName);
  CDataSet mine;
  ASSERT_TRUE(mine.SetEntry(address, 4, 2, AddressContent("\x8c\xc3")));  // 古, replaced by the read
  ASSERT_TRUE(mine.SetEntry(name, 0, 1, AddressContent("\x96\xbc", 0x03)));
  const std::string out = env.Path("Sample.xmb");
  ASSERT_EQ(mine.SaveDataFile(out), kFileOk);
  const std::vector<uint8_t> before = CTestEnv::ReadBytes(out);

  for (const char* answer : {"", " --overwrite skip", " --overwrite cancel"}) {
    CLIRESULT r = RunCli("printer read -c address '" + out + "'" + answer);
    EXPECT_EQ(r.status, 1) << answer;
    EXPECT_NE(r.err.find("--overwrite all"), std::string::npos) << r.err;
    EXPECT_EQ(CTestEnv::ReadBytes(out), before) << answer;
  }

  CLIRESULT all = RunCli("printer read -c address '" + out + "' --overwrite all");
  ASSERT_EQ(all.status, 0) << all.err;
  CDataSet back;
  ASSERT_EQ(back.LoadDataFile(out), kFileOk);
  EXPECT_EQ(back.IsUsed(address, 0), 1);
  EXPECT_EQ(back.IsUsed(address, 2), 1);
  EXPECT_EQ(back.IsUsed(address, 4), 0) << "the category is the printer's now";
  ASSERT_EQ(back.IsUsed(name, 0), 1) << "other categories are kept";
  EXPECT_EQ(back.Entry(name, 0)->group, 1);
  EXPECT_EQ(std::vector<uint8_t>(back.Entry(name, 0)->Bytes().begin(), back.Entry(name, 0)->Bytes().end()),
            AddressContent("\x96\xbc", 0x03));

  // A file that is no data file is not replaced, even when told to.
  const std::string other = env.Path("notes.xmb");
  const std::string notes = "these are notes, no data file at all, really";
  WriteText(other, notes);
  CLIRESULT bad = RunCli("printer read -c address '" + other + "' --overwrite all");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("ＸＡＭＵのファイルでは、ありません。"), std::string::npos) << bad.err;
  EXPECT_EQ(CTestEnv::ReadBytes(other), std::vector<uint8_t>(notes.begin(), notes.end()));
}

TEST_F(CliPrinterTest, NothingToTransfer) {
  std::string file = AddressFile({});
  CLIRESULT r = RunCli("printer write " + file + " -c address");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("転送できません。"), std::string::npos);
}

}  // namespace
