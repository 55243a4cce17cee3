// Reading 100 full address slots from the emulated printer (the desktop
// program's "show the printer's data" flow), against the floor of the same
// number of bare request/answer file round trips (create, write, read,
// delete) without the library, in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include <string>
#include <vector>

#include "../tests/common/TestEnv.h"
#include "device/AppConfig.h"
#include "device/DeviceLink.h"
#include "device/DevicePacket.h"
#include "device/SimSpooler.h"
#include "model/Category.h"
#include "model/DataSet.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kSlots = 100;
constexpr int kFieldChars = 30;  // double-byte characters per field
// Exchanges of the flow: a query and a read per slot, and the connection
// check, start and end requests.
constexpr int kExchanges = 2 * kSlots + 3;

// An address entry with all seven fields filled.
Bytes FullAddress(int seed) {
  Bytes c = {0x02, 0x01, 0, 0, 0, 0};
  for (uint8_t field = 0; field < 7; ++field) {
    const uint8_t item[] = {0x30, 0x00, 0x80, 0x01, field, 0x00, 0x00, 0x00};
    c.insert(c.end(), std::begin(item), std::end(item));
    for (int i = 0; i < kFieldChars; ++i) {
      c.push_back(0x82);
      c.push_back(static_cast<uint8_t>(0x9F + (i + seed + field) % 80));
    }
    c.push_back(0);
    c.push_back(0);
  }
  c.push_back(0x0D);
  c.push_back(0x0A);
  return c;
}

class CQuietPrompt : public CDevicePrompt {
 public:
  void Notice(const std::string&) override {}
  bool YesNo(const std::string&) override { return false; }
  bool OverwriteNotice(const std::string&) override { return false; }
  int OverwriteChoice(const std::string&) override { return kOverwriteCancel; }
};

void ReadPrinter(benchmark::State& state) {
  CTestEnv env;
  CDataSet memory;
  for (int i = 0; i < kSlots; ++i) memory.SetEntry(SectionOfCategory(kCatAddress), i, 1, FullAddress(i));
  memory.SaveDataFile(GetSimFolder(GetUserDataFolder()) + "/" + "QUILP PRO QP700.xmb");
  CAppConfig config;
  if (!config.Init()) {
    state.SkipWithError("the emulated printer library is not built");
    return;
  }
  config.SetCategory(kCatAddress);
  // An installed printer's settings were written long before: back-date them
  // so the emulator keeps them parsed, as it would in a running installation.
  std::string ini = EnsureSimSpoolerIni(GetUserDataFolder());
  struct timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
  utimensat(AT_FDCWD, ini.c_str(), times, 0);
  CDeviceLink link(config);
  CQuietPrompt prompt;
  for (auto _ : state) {
    CDataSet device;
    CCountingProgress progress;
    if (link.ShowPrinterData(device, false, prompt, progress) != 0 ||
        device.IsUsed(SectionOfCategory(kCatAddress), kSlots - 1) != 1) {
      state.SkipWithError("reading the printer failed");
      return;
    }
  }
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  benchmark::DoNotOptimize(write(fd, bytes.data(), bytes.size()));
  close(fd);
}

Bytes ReadFile(const std::string& path, size_t size) {
  Bytes bytes(size);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    benchmark::DoNotOptimize(read(fd, bytes.data(), bytes.size()));
    close(fd);
  }
  return bytes;
}

void RoundTrips(benchmark::State& state) {
  CTestEnv env;
  std::string folder = env.Root() + "/data/";
  std::string req = folder + "REQ.DAT", ans = folder + "ANS.DAT";
  Bytes request = BuildRequestFile(BuildRequestPacket(kDevAddress, kOpRead, 1));
  Bytes query = BuildAnswerFile(0, BuildAnswerPacket(1, 1));
  Bytes read = BuildAnswerFile(0, BuildAnswerPacket(0, 0), BuildDataBlock(FullAddress(0)));
  for (auto _ : state) {
    for (int i = 0; i < kExchanges; ++i) {
      const Bytes& answer = i % 2 ? read : query;
      WriteFile(req, request);
      benchmark::DoNotOptimize(ReadFile(req, request.size()));
      WriteFile(ans, answer);
      benchmark::DoNotOptimize(ReadFile(ans, answer.size()));
      unlink(req.c_str());
      unlink(ans.c_str());
    }
  }
}

const bool g_registered = [] {
  benchmark::RegisterBenchmark("ReadPrinter100Addresses", ReadPrinter)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ReadPrinter100Addresses/floor", RoundTrips)->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
