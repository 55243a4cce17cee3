#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "device/AppConfig.h"
#include "device/IniFile.h"
#include "device/SimSpooler.h"
#include "model/Category.h"
#include "model/Paths.h"

namespace fs = std::filesystem;

namespace {

void WriteText(const std::string& path, const std::string& text) {
  CTestEnv::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(IniFile, ReadsLikeAPrivateProfile) {
  CIniFile ini;
  ini.Parse(
      "; comment\n[Zeta]\r\n  Driver = Drv Z  \r\nGLYPH=0x0B\n[alpha]\nglyph=12abc\n;glyph=5\nbroken line\n"
      "[ZETA]\nfilename=z.mdl\n[Empty]\n");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Zeta", "alpha", "Empty"}));
  EXPECT_EQ(ini.GetString("zeta", "driver"), "Drv Z");
  EXPECT_EQ(ini.GetString("Zeta", "filename"), "z.mdl");  // a repeated section merges into the first
  EXPECT_EQ(ini.GetInt("Zeta", "glyph", -1), 0);          // leading decimal digits only
  EXPECT_EQ(ini.GetInt("alpha", "glyph", -1), 12);
  EXPECT_EQ(ini.GetInt("Empty", "glyph", -1), -1);
  EXPECT_EQ(ini.GetInt("missing", "glyph", -1), -1);
  EXPECT_EQ(ini.GetString("alpha", "driver", "none"), "none");
}

TEST(IniFile, IntegersSaturateInsteadOfOverflowing) {
  CIniFile ini;
  ini.Parse("[s]\na=99999999999999999999\nb=-99999999999999999999\nc=-7\nd=\n");
  EXPECT_EQ(ini.GetInt("s", "a", 0), INT32_MAX);
  EXPECT_EQ(ini.GetInt("s", "b", 0), INT32_MIN);
  EXPECT_EQ(ini.GetInt("s", "c", 0), -7);
  EXPECT_EQ(ini.GetInt("s", "d", 5), 0);
}

// The file is read in blocks: a line across a block's end, a file ending
// without a newline and one past the size limit (whose tail is not read).
TEST(IniFile, LoadReadsTheFileUpToItsLimit) {
  CTestEnv env;
  struct CASE {
    size_t padding;  // comment bytes before the section
    bool readsKey;
  };
  for (const CASE& c : {CASE{0, true}, CASE{4090, true}, CASE{8192 * 3 + 7, true}, CASE{(1u << 20) + 1, false}}) {
    const std::string path = env.Path("profile.ini");
    WriteText(path, ";" + std::string(c.padding, 'x') + "\n[Printer]\nDriver=drv 1");
    CIniFile ini;
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(ini.GetString("Printer", "Driver"), c.readsKey ? "drv 1" : "") << c.padding;
  }
  CIniFile missing;
  EXPECT_FALSE(missing.Load(env.Path("none.ini")));
}

// A spooler given as a table, for the printer scan without the emulator.
class CFakeSpooler : public CSpooler {
 public:
  struct PRINTER {
    std::string driver;
    std::string privateText;
    size_t privateSize = 56;
    int jobs = 0;
  };
  std::map<std::string, PRINTER> printers;
  std::vector<std::string> order;
  bool enumFails = false;

  void Add(const std::string& name, const PRINTER& p) {
    printers[name] = p;
    order.push_back(name);
  }
  bool EnumPrinters(std::vector<SPOOLERPRINTER>& out) override {
    out.clear();
    if (enumFails) return false;
    for (const std::string& n : order) out.push_back({n, printers[n].driver});
    return true;
  }
  bool GetDriverPrivate(const std::string& printer, std::vector<uint8_t>& bytes) override {
    auto it = printers.find(printer);
    if (it == printers.end()) return false;
    bytes.assign(it->second.privateSize, 0);
    for (size_t i = 0; i < it->second.privateText.size() && i < bytes.size(); ++i)
      bytes[i] = static_cast<uint8_t>(it->second.privateText[i]);
    return true;
  }
  intptr_t OpenPrinter(const std::string& printer) override {
    for (size_t i = 0; i < order.size(); ++i)
      if (order[i] == printer) return static_cast<intptr_t>(i + 1);
    return 0;
  }
  int QueuedJobs(intptr_t handle) override { return printers[order[static_cast<size_t>(handle - 1)]].jobs; }
  void ClosePrinter(intptr_t) override {}
};

class AppConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config.LoadModelTable(GetProgramFolder() + "/printers.ini");
    auto s = std::make_unique<CFakeSpooler>();
    spooler = s.get();
    config.SetSpooler(std::move(s));
  }
  CTestEnv env;
  CAppConfig config;
  CFakeSpooler* spooler = nullptr;
};

const std::string kSig = kDriverSignature;

TEST_F(AppConfigTest, ShippedModelTable) {
  const auto& m = config.Models();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].name, "QP510");
  EXPECT_EQ(m[0].glyph, 107);  // 16, 24, 32, 40, 48
  EXPECT_EQ(m[1].glyph, 65);
  EXPECT_EQ(m[2].glyph, -1);   // no glyph key: every size
  for (const QUILPMODELINFO& model : m) {
    EXPECT_FALSE(model.driver.empty());
    EXPECT_FALSE(model.filename.empty());
    EXPECT_TRUE(model.printer.empty());
  }
}

TEST_F(AppConfigTest, SectionWithoutDriverMatchesNothing) {
  WriteText(env.Path("p.ini"), "\xEF\xBB\xBF[Bare]\nfilename=b.mdl\n[QP700]\ndriver=KORVANTE QUILP PRO QP700\n");
  ASSERT_EQ(config.LoadModelTable(env.Path("p.ini")), 2);
  EXPECT_EQ(config.Models()[0].name, "Bare");
  spooler->Add("No driver", {"", kSig, 56, 1});
  EXPECT_EQ(config.CheckPrinters(), kScanNoPrinter);
  spooler->Add("P", {"KORVANTE QUILP PRO QP700", kSig, 56, 1});
  EXPECT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), "P");
}

TEST_F(AppConfigTest, MissingModelTableFindsNoPrinter) {
  EXPECT_EQ(config.LoadModelTable(env.Path("none.ini")), 0);
  spooler->Add("P", {"KORVANTE QUILP PRO QP700", kSig, 56, 1});
  EXPECT_EQ(config.CheckPrinters(), kScanNoPrinter);
}

// Connected printers here are the ones with queued jobs: no library is loaded.
TEST_F(AppConfigTest, ScanSelectsTheOneConnectedPrinter) {
  spooler->Add("Idle 510", {"KORVANTE QUILP PRO QP510", kSig, 56, 0});
  spooler->Add("Busy 550", {"korvante quilp pro qp550", kSig, 56, 2});  // driver case does not matter
  spooler->Add("Other", {"Some Laser", kSig, 56, 3});
  EXPECT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), "Busy 550");
  EXPECT_EQ(config.DriverName(), "korvante quilp pro qp550");
  EXPECT_EQ(config.ModelFileName(), "QP550.mdl");
  EXPECT_EQ(config.Models()[0].printer, "Idle 510");
  EXPECT_EQ(config.Models()[1].printer, "Busy 550");
  QUILPMODELINFO model;
  ASSERT_TRUE(config.GetCurrentModelInfo(model));
  EXPECT_EQ(model.name, "QP550");
  EXPECT_EQ(model.glyph, 65);
}

TEST_F(AppConfigTest, QueueThatCannotBeReadCountsAsConnected) {
  spooler->Add("P", {"KORVANTE QUILP PRO QP700", kSig, 56, -1});
  EXPECT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), "P");
}

TEST_F(AppConfigTest, DriverPrivateSettingsMustCarryTheMakersText) {
  struct CASE {
    const char* what;
    std::string text;
    size_t size;
    int result;
  };
  const CASE cases[] = {
      {"exactly 56 bytes", kSig, 56, kScanOk},
      {"longer block", kSig, 200, kScanOk},
      {"55 bytes", kSig, 55, kScanNoPrinter},
      {"other text", "KORVANTE QUILP SERIES DRIVEX", 56, kScanNoPrinter},
      {"text with more after it", kSig + " 2", 56, kScanNoPrinter},
      {"text not ended in the block", std::string(56, 'K'), 56, kScanNoPrinter},
      {"empty", "", 56, kScanNoPrinter},
  };
  for (const CASE& c : cases) {
    spooler->printers.clear();
    spooler->order.clear();
    spooler->Add("P", {"KORVANTE QUILP PRO QP700", c.text, c.size, 1});
    EXPECT_EQ(config.CheckPrinters(), c.result) << c.what;
  }
}

TEST_F(AppConfigTest, TwoConnectedPrintersGive305) {
  spooler->Add("A", {"KORVANTE QUILP PRO QP510", kSig, 56, 1});
  spooler->Add("B", {"KORVANTE QUILP PRO QP700", kSig, 56, 1});
  EXPECT_EQ(config.CheckPrinters(), kScanSeveral);
}

TEST_F(AppConfigTest, NoneConnectedKeepsTheSelection) {
  spooler->Add("A", {"KORVANTE QUILP PRO QP510", kSig, 56, 1});
  ASSERT_EQ(config.CheckPrinters(), kScanOk);
  spooler->printers["A"].jobs = 0;
  spooler->Add("B", {"KORVANTE QUILP PRO QP700", kSig, 56, 0});
  EXPECT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), "A");
  EXPECT_EQ(config.DriverName(), "KORVANTE QUILP PRO QP510");
}

TEST_F(AppConfigTest, EnumerationFailureFindsNoPrinter) {
  spooler->Add("A", {"KORVANTE QUILP PRO QP510", kSig, 56, 1});
  spooler->enumFails = true;
  EXPECT_EQ(config.CheckPrinters(), kScanNoPrinter);
}

TEST_F(AppConfigTest, CurrentModelWithoutMatchIsEmpty) {
  QUILPMODELINFO model;
  model.name = "stale";
  model.glyph = 3;
  EXPECT_FALSE(config.GetCurrentModelInfo(model));
  EXPECT_EQ(model.name, "");
  EXPECT_EQ(model.glyph, -1);
}

TEST_F(AppConfigTest, DataFolderByCategory) {
  const std::string home = env.Root() + "/docs/XAMU";
  struct CASE {
    int category;
    bool byCategory;
    const char* sub;
  };
  const CASE cases[] = {
      {kCatFile, true, "DATA"},      {kCatAddress, true, "Adrsdata"}, {kCatName, true, "Namedata"},
      {kCatGlyph, true, "DATA"},     {kCatAddress, false, "DATA"},    {kCatName, false, "DATA"},
  };
  for (const CASE& c : cases) {
    config.SetCategory(c.category);
    std::string folder = config.GetDataFolder(c.byCategory);
    EXPECT_EQ(folder, home + "/" + c.sub);
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
  }
}

TEST_F(AppConfigTest, DataFolderFallsBackToDocuments) {
  unsetenv("XAMU_DATA_HOME");
  EXPECT_EQ(config.GetDataFolder(false), env.Root() + "/docs/XAMU/DATA");
  unsetenv("XDG_DOCUMENTS_DIR");
  EXPECT_EQ(config.GetDataFolder(false), env.Root() + "/home/Documents/XAMU/DATA");
}

// Without $HOME the data folders go into the home the password database
// names, never into a shared folder. Seen as nobody, whose home cannot be
// made: as the test's own user the real home would get the folders.
TEST_F(AppConfigTest, DataFolderWithoutHomeIsInThePasswordHome) {
  if (geteuid() != 0) GTEST_SKIP() << "would make folders in the real home of the test's user";
  constexpr uid_t kNobody = 65534;
  const struct passwd* nobody = getpwuid(kNobody);
  if (!nobody || !nobody->pw_dir || nobody->pw_dir[0] != '/') GTEST_SKIP() << "no home for nobody";
  const std::string expected = std::string(nobody->pw_dir) + "/Documents/XAMU/DATA";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(100);
    for (const char* name : {"HOME", "XDG_DOCUMENTS_DIR", "XAMU_DATA_HOME"}) unsetenv(name);
    CAppConfig own;
    const std::string folder = own.GetDataFolder(false);
    _exit(write(fds[1], folder.data(), folder.size()) == static_cast<ssize_t>(folder.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string folder;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) folder.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = -1;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(folder, expected);
}

TEST_F(AppConfigTest, UserDataFolderIsCreatedOrFallsBack) {
  EXPECT_EQ(GetUserDataFolder(), env.Root() + "/data/KORVANTE/XAMU");
  EXPECT_TRUE(fs::is_directory(env.Root() + "/data/KORVANTE/XAMU"));
  // A file where the company folder should be: the program folder is used.
  WriteText(env.Root() + "/blocked", "x");
  setenv("XDG_DATA_HOME", (env.Root() + "/blocked").c_str(), 1);
  EXPECT_EQ(GetUserDataFolder(), GetProgramFolder());
}

// The exchange files and safety copies live there, so the folder must be the
// user's own and closed to others; without a home there is no guess at a
// shared folder.
TEST_F(AppConfigTest, UserDataFolderIsPrivateOrNotTaken) {
  const std::string folder = PrivateDataFolder();
  ASSERT_EQ(folder, env.Root() + "/data/KORVANTE/XAMU");
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);

  // The application's folder is a link planted to elsewhere: not taken.
  fs::create_directories(env.Root() + "/elsewhere");
  fs::create_directories(env.Root() + "/linked/KORVANTE");
  fs::create_directory_symlink(env.Root() + "/elsewhere", env.Root() + "/linked/KORVANTE/XAMU");
  setenv("XDG_DATA_HOME", (env.Root() + "/linked").c_str(), 1);
  EXPECT_EQ(PrivateDataFolder(), "");
  EXPECT_EQ(GetUserDataFolder(), GetProgramFolder());

  for (const char* relative : {"", "data"}) {
    setenv("XDG_DATA_HOME", relative, 1);
    unsetenv("HOME");
    EXPECT_EQ(PrivateDataFolder(), "") << '"' << relative << '"';
    EXPECT_EQ(GetUserDataFolder(), GetProgramFolder());
  }
}

// Scratch files (PPD copies, a conversion's text) go to the runtime folder
// only when nobody else can enter it.
TEST_F(AppConfigTest, RuntimeFolderOnlyWhenPrivate) {
  const std::string folder = env.Root() + "/runtime";
  fs::create_directories(folder);
  struct ROW {
    const char* value;     // $XDG_RUNTIME_DIR; nullptr unsets it
    fs::perms perms;
    bool taken;
  } rows[] = {
      {"", fs::perms::owner_all, false},
      {"runtime", fs::perms::owner_all, false},
      {nullptr, fs::perms::owner_all, false},
      {"/", fs::perms::owner_all, true},  // replaced by the folder below
      {"/", fs::perms::owner_all | fs::perms::group_exec, false},
      {"/", fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec, false},
  };
  for (const ROW& row : rows) {
    fs::permissions(folder, row.perms);
    if (!row.value)
      unsetenv("XDG_RUNTIME_DIR");
    else
      setenv("XDG_RUNTIME_DIR", std::string(row.value) == "/" ? folder.c_str() : row.value, 1);
    EXPECT_EQ(PrivateRuntimeFolder(), row.taken ? folder : "")
        << (row.value ? row.value : "(unset)") << " " << static_cast<int>(row.perms);
  }
}

TEST_F(AppConfigTest, DeviceLimitsLowerAndReset) {
  EXPECT_EQ(config.DeviceLimit(kCatFile), 100);
  EXPECT_EQ(config.DeviceLimit(kCatAddress), 100);
  EXPECT_EQ(config.DeviceLimit(kCatName), 40);
  EXPECT_EQ(config.DeviceLimit(kCatGlyph), 20);
  config.SetCategory(kCatAddress);
  config.LowerDeviceLimit(30);
  config.LowerDeviceLimit(50);  // never raised by lowering
  EXPECT_EQ(config.DeviceLimit(kCatAddress), 30);
  EXPECT_EQ(config.DeviceLimit(kCatFile), 100);
  config.ResetDeviceLimits();
  EXPECT_EQ(config.DeviceLimit(kCatAddress), 100);
  EXPECT_EQ(config.DeviceLimit(9), 0);
}

TEST(SimSpooler, CreatesItsIniFromTheShippedDefault) {
  CTestEnv env;
  CSimSpooler spooler(GetUserDataFolder());
  std::vector<SPOOLERPRINTER> printers;
  ASSERT_TRUE(spooler.EnumPrinters(printers));
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_TRUE(fs::exists(env.Root() + "/sim/spooler.ini"));
  // The default installation works out of the box: a shipped model, connected.
  CAppConfig config;
  EXPECT_TRUE(config.Init());
  EXPECT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), printers[0].name);
  QUILPMODELINFO model;
  EXPECT_TRUE(config.GetCurrentModelInfo(model));
}

TEST(SimSpooler, JobsAndUnknownPrinters) {
  CTestEnv env;
  WriteText(env.Root() + "/sim/spooler.ini", "[A]\ndriver=d\njobs=3\n[B]\njobs=-4\n");
  CSimSpooler spooler(GetUserDataFolder());
  intptr_t a = spooler.OpenPrinter("A"), b = spooler.OpenPrinter("B");
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_EQ(spooler.QueuedJobs(a), 3);
  EXPECT_EQ(spooler.QueuedJobs(b), -1);
  EXPECT_EQ(spooler.OpenPrinter("C"), 0);
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(spooler.GetDriverPrivate("C", bytes));
}

}  // namespace
