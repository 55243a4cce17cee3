// Load and save of a full data file (260 slots) against the floor of moving
// the same bytes with plain read()/write() in the same run. The save floor
// includes fsync: a save that may not lose the user's file has to wait for
// the disk as well, so a floor without it would measure the page cache only.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/GlyphSizes.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Run(Bytes& c, size_t chars, uint8_t seed) {
  for (size_t i = 0; i < chars; ++i) {
    c.push_back(static_cast<uint8_t>(0x88 + (i + seed) % 8));
    c.push_back(static_cast<uint8_t>(0x9F + (i * 7 + seed) % 80));
  }
  c.insert(c.end(), {0, 0});
}

Bytes Fields(uint8_t kind, int fields, size_t chars, uint8_t seed) {
  Bytes c = {kind, 0x01, 0, 0, 0, 0};
  for (int f = 0; f < fields; ++f) {
    c.insert(c.end(), {0x30, 0x00, 0x80, 0x01, static_cast<uint8_t>(f), 0x00, 0x00, 0x00});
    Run(c, chars, static_cast<uint8_t>(seed + f));
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

// About 2 KB of label file: six paragraphs of three lines.
Bytes LabelFile(uint8_t seed) {
  Bytes c = {0x01, 0x01};
  Run(c, 8, seed);
  Run(c, 4, seed);
  for (int p = 0; p < 6; ++p) {
    c.insert(c.end(), {0x30, 0x00, 0x80, 0x01, static_cast<uint8_t>(p), 0x00, 0x00, 0x00});
    for (int l = 0; l < 3; ++l) {
      if (l) c.insert(c.end(), {0x10, 0x00, 0x00, 0x00});
      Run(c, 50, static_cast<uint8_t>(seed + p + l));
    }
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

// 1140 bytes: no reading, all seven sizes.
Bytes Glyph(uint8_t seed) {
  Bytes c = {0x10, 0x01, 0, 0, 0, 0};
  for (const GLYPHSIZE& g : kGlyphSizes) {
    const int n = g.entryBytes;
    c.insert(c.end(), {0x00, 0x00, 0x00, 0x01, static_cast<uint8_t>(g.size), 0x01, 0x01, static_cast<uint8_t>(g.size),
                       0x02, 0x02, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x00, 0x00});
    for (int i = 0; i < n; ++i) c.push_back(static_cast<uint8_t>((i * 13 + seed) & 0xFF));
    c.insert(c.end(), {0, 0});
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

struct FIXTURE {
  std::string dir;
  std::string file;   // the full data file
  std::string out;    // where saves go
  std::string floor;  // where the floor writes
  Bytes bytes;        // the file's bytes
  CDataSet set;

  FIXTURE() {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/xamu-bench-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    dir = ::mkdtemp(name.data()) ? name.data() : "/tmp";
    file = dir + "/full.xmb";
    out = dir + "/saved.xmb";
    floor = dir + "/floor.bin";
    for (int i = 0; i < 100; ++i) set.SetEntry(kSecFile, i, static_cast<uint16_t>(i % 10), LabelFile(static_cast<uint8_t>(i)));
    for (int i = 0; i < 100; ++i) set.SetEntry(kSecAddress, i, 0, Fields(0x02, 7, 10, static_cast<uint8_t>(i)));
    for (int i = 0; i < 40; ++i) set.SetEntry(kSecName, i, 0, Fields(0x03, 4, 4, static_cast<uint8_t>(i)));
    for (int i = 0; i < 20; ++i) set.SetEntry(kSecGlyph, i, 0, Glyph(static_cast<uint8_t>(i)));
    if (set.SaveDataFile(file) != kFileOk) std::abort();
    int fd = ::open(file.c_str(), O_RDONLY);
    bytes.resize(static_cast<size_t>(::lseek(fd, 0, SEEK_END)));
    if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::close(fd);
  }
  ~FIXTURE() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

FIXTURE& Fixture() {
  static FIXTURE f;
  return f;
}

void LoadFloor(benchmark::State& state) {
  FIXTURE& f = Fixture();
  Bytes buffer(f.bytes.size());
  for (auto _ : state) {
    int fd = ::open(f.file.c_str(), O_RDONLY | O_CLOEXEC);
    ssize_t n = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}

void Load(benchmark::State& state) {
  FIXTURE& f = Fixture();
  for (auto _ : state) {
    CDataSet set;
    if (set.LoadDataFile(f.file) != kFileOk) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(set.Entry(kSecFile, 0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}

void SaveFloor(benchmark::State& state) {
  FIXTURE& f = Fixture();
  for (auto _ : state) {
    int fd = ::open(f.floor.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ssize_t n = ::write(fd, f.bytes.data(), f.bytes.size());
    ::fsync(fd);
    ::close(fd);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}

void Save(benchmark::State& state) {
  FIXTURE& f = Fixture();
  for (auto _ : state) {
    if (f.set.SaveDataFile(f.out) != kFileOk) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}

// Pairs "X/floor" and "X": bench/run prints X as a ratio to its floor.
const bool g_registered = [] {
  benchmark::RegisterBenchmark("datafile_load/floor", LoadFloor)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("datafile_load", Load)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("datafile_save/floor", SaveFloor)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("datafile_save", Save)->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
