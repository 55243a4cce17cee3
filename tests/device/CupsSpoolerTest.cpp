// The printer scan and the queue state against a real CUPS scheduler: a
// private cupsd per test, queues made with lpadmin from the PPDs in data/.
// The connection check goes through the emulated library, whose spooler.ini
// names the queues, so no printer is needed.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/CupsServer.h"
#include "common/TestEnv.h"
#include "device/AppConfig.h"
#include "device/CupsSpooler.h"
#include "device/DeviceLink.h"
#include "device/DeviceResult.h"
#include "device/DeviceTestUtil.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = XAMU_TEST_DATA_DIR;
const std::string kSamplePpd = XAMU_SOURCE_DIR "/dist/quilp-sample.ppd";

// The emulated library answers the connection check for these queue names.
std::string LibrarySections(std::initializer_list<std::string> queues) {
  std::string ini;
  for (const std::string& q : queues) ini += "[" + q + "]\nconnected=1\nstatus=2\n";
  return ini;
}

const SCANNEDPRINTER* Scanned(const CAppConfig& config, const std::string& name) {
  for (const SCANNEDPRINTER& p : config.LastScan())
    if (p.name == name) return &p;
  return nullptr;
}

TEST(PpdDriverPrivate, KeywordBecomesA64ByteBlock) {
  struct CASE {
    std::string file;
    int result;
  };
  const CASE cases[] = {
      {kSamplePpd, kPpdOk},
      {kData + "/Keyword63.ppd", kPpdOk},
      {kData + "/NoKeyword.ppd", kPpdNoKeyword},
      {kData + "/LongKeyword.ppd", kPpdTooLong},
      {kData + "/Malformed.ppd", kPpdMalformed},
      {kData + "/Missing.ppd", kPpdUnreadable},
  };
  for (const CASE& c : cases) {
    std::vector<uint8_t> block{1, 2, 3};
    EXPECT_EQ(ReadPpdDriverPrivate(c.file, block), c.result) << c.file;
    if (c.result != kPpdOk) {
      EXPECT_TRUE(block.empty()) << c.file;
      continue;
    }
    ASSERT_EQ(block.size(), kPpdPrivateSize) << c.file;
    EXPECT_EQ(block.back(), 0) << c.file;  // always NUL-terminated within the block
  }
  std::vector<uint8_t> block;
  ASSERT_EQ(ReadPpdDriverPrivate(kSamplePpd, block), kPpdOk);
  std::vector<uint8_t> expected(kPpdPrivateSize, 0);
  std::memcpy(expected.data(), kDriverSignature, sizeof kDriverSignature - 1);
  EXPECT_EQ(block, expected);
}

TEST(SpoolerChoice, FollowsTheLibraryUnlessNamed) {
  CTestEnv env;
  const std::string elsewhere = env.Root() + "/vendor";
  struct CASE {
    const char* spooler;  // XAMU_SPOOLER, null for unset
    std::string driverDir;
    std::string expected;  // "" = refused
  };
  const CASE cases[] = {
      {nullptr, "", kSpoolerSim},
      {nullptr, elsewhere, kSpoolerCups},
      {nullptr, GetProgramFolder() + "/drivers/", kSpoolerSim},  // the shipped library, named
      {"sim", elsewhere, kSpoolerSim},
      {"cups", "", kSpoolerCups},
      {"CUPS", "", ""},
      {"lpd", elsewhere, ""},
  };
  for (const CASE& c : cases) {
    if (c.spooler)
      setenv("XAMU_SPOOLER", c.spooler, 1);
    else
      unsetenv("XAMU_SPOOLER");
    if (c.driverDir.empty())
      unsetenv("XAMU_DRIVER_DIR");
    else
      setenv("XAMU_DRIVER_DIR", c.driverDir.c_str(), 1);
    CAppConfig config;
    config.Init();
    std::string what = std::string(c.spooler ? c.spooler : "-") + " " + c.driverDir;
    EXPECT_EQ(config.SpoolerName(), c.expected) << what;
    if (!c.expected.empty()) {
      EXPECT_EQ(config.SpoolerError(), "") << what;
      continue;
    }
    // No silent fallback: the message names the value, and nothing is listed.
    EXPECT_NE(config.SpoolerError().find(c.spooler), std::string::npos) << what;
    EXPECT_EQ(config.CheckPrinters(), kScanNoPrinter) << what;
    EXPECT_FALSE(config.LastScanListed()) << what;
  }
  // The desktop program's setting chooses the library the same way.
  unsetenv("XAMU_SPOOLER");
  unsetenv("XAMU_DRIVER_DIR");
  CAppConfig config;
  config.SetDriverFolder(elsewhere + "/");
  config.Init();
  EXPECT_EQ(config.DriverFolder(), elsewhere);
  EXPECT_EQ(config.BridgePath(), elsewhere + "/3/libprbridge.so");
  EXPECT_EQ(config.SpoolerName(), kSpoolerCups);
}

// A server that takes connections and never answers.
class CStalledServer {
 public:
  explicit CStalledServer(const std::string& path) {
    m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(m_fd, 8);
    m_thread = std::thread([this] {
      for (;;) {
        int c = accept(m_fd, nullptr, nullptr);
        if (c < 0) return;
        m_clients.push_back(c);
      }
    });
  }
  ~CStalledServer() {
    shutdown(m_fd, SHUT_RDWR);
    m_thread.join();
    close(m_fd);
    for (int c : m_clients) close(c);
  }

 private:
  int m_fd = -1;
  std::thread m_thread;
  std::vector<int> m_clients;
};

TEST(CupsSpooler, StalledServerCannotEnumerate) {
  CTestEnv env;
  CStalledServer stalled(env.Root() + "/runtime/cups.sock");
  CCupsSpooler spooler(env.Root() + "/runtime", 200);
  std::vector<SPOOLERPRINTER> printers{{"stale", "entry"}};
  EXPECT_FALSE(spooler.EnumPrinters(printers));
  EXPECT_TRUE(printers.empty());
  EXPECT_NE(spooler.Problem().find("does not answer"), std::string::npos) << spooler.Problem();
  EXPECT_EQ(spooler.OpenPrinter("QuilpOne"), 0);
}

// libcups, and the libraries it brings, come with the first CUPS request,
// not with the program or a scan of the emulated printer. Looked at in a
// fresh process, which no earlier test can have made load it.
TEST(CupsSpooler, LibcupsIsLoadedByTheFirstCupsRequestOnly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        CTestEnv env;
        unsetenv("XAMU_SPOOLER");
        const auto loaded = [] { return dlopen("libcups.so.2", RTLD_LAZY | RTLD_NOLOAD) != nullptr; };
        int wrong = loaded() ? 1 : 0;
        CAppConfig config;
        std::vector<SPOOLERPRINTER> printers;
        config.Spooler().EnumPrinters(printers);
        if (config.SpoolerName() != kSpoolerSim || loaded()) wrong |= 2;
        CCupsSpooler spooler(env.Root() + "/runtime", 200);
        spooler.EnumPrinters(printers);  // no server: fails, but asked
        if (!loaded()) wrong |= 4;
        std::_Exit(wrong);
      },
      ::testing::ExitedWithCode(0), "");
}

class CupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CCupsServer::Installed()) GTEST_SKIP() << "cupsd is not installed (Debian: cups-daemon, cups-client)";
    ASSERT_TRUE(server.Start()) << server.Error();
    setenv("XAMU_SPOOLER", "cups", 1);
  }
  void AddQueue(const std::string& name, const std::string& ppd) {
    ASSERT_TRUE(server.AddQueue(name, ppd)) << name << "\n" << server.ClientLog();
  }
  void Library(std::initializer_list<std::string> queues) {
    WriteText(env.Root() + "/sim/spooler.ini", LibrarySections(queues));
  }
  // No temporary PPD copy is left behind: the runtime folder holds the
  // server's socket only, and nothing went to $TMPDIR.
  bool TempFolderEmpty() const {
    for (const auto& entry : fs::directory_iterator(env.Root() + "/runtime"))
      if (entry.path().filename() != "cups.sock") return false;
    return fs::is_empty(env.Root() + "/work");
  }

  CTestEnv env;
  CCupsServer server{env.Root()};
  CAppConfig config;
};

TEST_F(CupsTest, QuilpQueueIsAcceptedAndConnected) {
  AddQueue("QuilpOne", kSamplePpd);
  Library({"QuilpOne"});
  ASSERT_TRUE(config.Init());
  EXPECT_EQ(config.SpoolerName(), kSpoolerCups);
  ASSERT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), "QuilpOne");
  EXPECT_EQ(config.DriverName(), "KORVANTE QUILP PRO QP700");
  const SCANNEDPRINTER* p = Scanned(config, "QuilpOne");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->model, "QP700");
  EXPECT_TRUE(p->accepted);
  EXPECT_EQ(p->jobs, 0);
  EXPECT_TRUE(p->connected);
  EXPECT_TRUE(TempFolderEmpty());

  // The whole device link runs on the queue.
  CDeviceLink link(config);
  ASSERT_EQ(link.OpenLink(), kDevOk);
  std::vector<uint32_t> slots;
  EXPECT_EQ(link.ReadSlotList(slots), kDevOk);
  link.CloseLink();
}

TEST_F(CupsTest, InstancesAreNotPrintersOfTheirOwn) {
  AddQueue("QuilpOne", kSamplePpd);
  // A user's instance: the same queue with other default options.
  fs::create_directories(env.Root() + "/home/.cups");
  WriteText(env.Root() + "/home/.cups/lpoptions", "Dest QuilpOne/wide PageSize=Tape18\n");
  CCupsSpooler spooler(env.Root() + "/runtime");
  std::vector<SPOOLERPRINTER> printers;
  ASSERT_TRUE(spooler.EnumPrinters(printers)) << spooler.Problem();
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].name, "QuilpOne");
  EXPECT_EQ(printers[0].driver, "KORVANTE QUILP PRO QP700");
}

TEST_F(CupsTest, QueuesWithoutTheMakersDriverAreNotAccepted) {
  struct CASE {
    const char* queue;
    std::string ppd;
    const char* model;  // "" = no model matched
    const char* refusal;
  };
  const CASE cases[] = {
      {"NoKeyword", kData + "/NoKeyword.ppd", "QP510", "no PPD keyword"},
      {"LongKeyword", kData + "/LongKeyword.ppd", "QP700", "PPD keyword value too long"},
      {"Acme", kData + "/UnknownDriver.ppd", "", "unknown driver"},
      {"Raw", "", "", "unknown driver"},
  };
  for (const CASE& c : cases) AddQueue(c.queue, c.ppd);
  Library({"NoKeyword", "LongKeyword", "Acme", "Raw"});
  config.Init();
  EXPECT_EQ(config.CheckPrinters(), kScanNoPrinter);
  EXPECT_TRUE(config.LastScanListed());
  for (const CASE& c : cases) {
    const SCANNEDPRINTER* p = Scanned(config, c.queue);
    ASSERT_NE(p, nullptr) << c.queue;
    EXPECT_EQ(p->model, c.model) << c.queue;
    EXPECT_FALSE(p->accepted) << c.queue;
    EXPECT_EQ(p->refusal, c.refusal) << c.queue;
    EXPECT_FALSE(p->connected) << c.queue;
    EXPECT_EQ(p->jobs, kJobsNotAsked) << c.queue;
  }
  // A queue without a PPD gives no block at all.
  CCupsSpooler spooler(env.Root() + "/runtime");
  std::vector<uint8_t> block;
  EXPECT_FALSE(spooler.GetDriverPrivate("Raw", block));
  EXPECT_EQ(spooler.Problem(), "no PPD");
  EXPECT_FALSE(spooler.GetDriverPrivate("NoSuchQueue", block));
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(CupsTest, TwoConnectedQuilpQueuesGive305) {
  AddQueue("QuilpA", kSamplePpd);
  AddQueue("QuilpB", kData + "/QP510.ppd");
  Library({"QuilpA", "QuilpB"});
  config.Init();
  EXPECT_EQ(config.CheckPrinters(), kScanSeveral);
  CDeviceLink link(config);
  EXPECT_EQ(link.OpenLink(), kDevSeveral);
  // With one of them switched off, the other is the one.
  Library({"QuilpB"});
  EXPECT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), "QuilpB");
}

TEST_F(CupsTest, QueueHoldingAJobIsBusyAtOpenLink) {
  AddQueue("QuilpOne", kSamplePpd);
  ASSERT_TRUE(server.HoldJob("QuilpOne")) << server.ClientLog();
  Library({"QuilpOne"});
  config.Init();
  ASSERT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(Scanned(config, "QuilpOne")->jobs, 1);
  CDeviceLink link(config);
  EXPECT_EQ(link.OpenLink(), kDevPrinting);
  EXPECT_FALSE(link.IsOpen());
  // Printing resumes and ends: the link opens.
  ASSERT_TRUE(server.Run("cancel", "-a QuilpOne")) << server.ClientLog();
  EXPECT_EQ(link.OpenLink(), kDevOk);
  link.CloseLink();
}

TEST_F(CupsTest, QueueNamesOutsideAsciiAndUnknownNames) {
  const std::string name = "ラベル機";
  AddQueue(name, kSamplePpd);
  Library({name});
  config.Init();
  ASSERT_EQ(config.CheckPrinters(), kScanOk);
  EXPECT_EQ(config.PrinterName(), name);
  CDeviceLink link(config);
  EXPECT_EQ(link.OpenLink(), kDevOk);
  link.CloseLink();
  // CUPS has no queue names with spaces; asking for one is answered, not a crash.
  CCupsSpooler spooler(env.Root() + "/runtime");
  EXPECT_EQ(spooler.OpenPrinter("With Space"), 0);
  EXPECT_NE(spooler.Problem(), "");
  EXPECT_EQ(spooler.OpenPrinter(""), 0);
  EXPECT_EQ(spooler.QueuedJobs(12345), -1);
  intptr_t handle = spooler.OpenPrinter(name);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(spooler.QueuedJobs(handle), 0);
  spooler.ClosePrinter(handle);
}

TEST_F(CupsTest, StoppedServerFindsNoPrinter) {
  AddQueue("QuilpOne", kSamplePpd);
  Library({"QuilpOne"});
  config.Init();
  ASSERT_EQ(config.CheckPrinters(), kScanOk);
  server.Stop();
  EXPECT_EQ(config.CheckPrinters(), kScanNoPrinter);
  EXPECT_FALSE(config.LastScanListed());
  EXPECT_NE(config.LastScanProblem().find("does not answer"), std::string::npos) << config.LastScanProblem();
  CDeviceLink link(config);
  EXPECT_EQ(link.OpenLink(), kScanNoPrinter);
}

}  // namespace
