// Import and export of 100 address records as CSV, .xls and .xlsx, in
// process, each against the floor of moving the same file's bytes with plain
// read()/write() in the same run. Exports are flushed to disk (fsync) because
// a save that may not lose the user's file has to wait for the disk; their
// floors include the fsync too. Workbook figures include loading the
// converter plug-in for every call, as the program does.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/ExchangeMessages.h"
#include "exchange/Spreadsheet.h"
#include "exchange/TextFile.h"
#include "exchange/TextRules.h"
#include "model/Category.h"
#include "model/Cp932.h"
#include "model/DataSet.h"

namespace {

namespace fs = std::filesystem;

const std::string& WorkFolder() {
  static const std::string folder = [] {
    char tmpl[] = "/tmp/xamu-bench-exchange-XXXXXX";
    // A folder of its own or nothing: the shared folder itself is no place
    // for the benchmark's files.
    const char* made = mkdtemp(tmpl);
    if (!made) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    setenv("TMPDIR", made, 1);
    return std::string(made);
  }();
  return folder;
}

// 100 address records with every field filled as a user would.
const CDataSet& AddressSet() {
  static CDataSet set;
  static bool made = false;
  if (!made) {
    for (int i = 0; i < 100; ++i) {
      std::string n = std::to_string(1000 + i);
      std::vector<std::string> raw = {
          "1" + n.substr(1) + "-" + n,
          Utf8ToCp932("東京都千代田区丸の内") + n,
          Utf8ToCp932("第一ビルディング") + n + "F",
          Utf8ToCp932("株式会社サンプル商事"),
          Utf8ToCp932("営業第二部"),
          Utf8ToCp932("山田　太郎") + n,
          "1" + n.substr(1) + "567-" + n + "-A",
      };
      set.SetEntry(kSecAddress, i, 0, BuildRecordContent(kCatAddress, PrepareRecordFields(kCatAddress, raw)));
    }
    made = true;
  }
  return set;
}

std::string FileBytes(const std::string& path) {
  std::string out;
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return out;
  char buf[65536];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  close(fd);
  return out;
}

void RawWrite(const std::string& path, const std::string& bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  fsync(fd);
  close(fd);
}

bool Export(const std::string& path) {
  CSilentMessages quiet;
  if (path.ends_with(".csv")) return WriteTextFile(AddressSet(), kCatAddress, path, false, quiet) == kTextWritten;
  return SpreadsheetExport(AddressSet(), kCatAddress, path, quiet);
}

bool Import(CDataSet& set, const std::string& path) {
  CSilentMessages quiet;
  int stored = 0;
  if (path.ends_with(".csv")) return ReadTextFile(set, kCatAddress, path, false, &stored) && stored == 100;
  return SpreadsheetImport(set, kCatAddress, path, quiet, &stored) && stored == 100;
}

void BM_Export(benchmark::State& state, std::string ext) {
  const std::string path = WorkFolder() + "/export" + ext;
  for (auto _ : state)
    if (!Export(path)) state.SkipWithError("export failed (is libtblx2.so built?)");
  state.counters["bytes"] = static_cast<double>(fs::exists(path) ? fs::file_size(path) : 0);
}

void BM_ExportFloor(benchmark::State& state, std::string ext) {
  const std::string made = WorkFolder() + "/floor-src" + ext;
  if (!Export(made)) state.SkipWithError("export failed");
  const std::string bytes = FileBytes(made), path = WorkFolder() + "/floor" + ext;
  for (auto _ : state) RawWrite(path, bytes);
}

void BM_Import(benchmark::State& state, std::string ext) {
  const std::string path = WorkFolder() + "/import" + ext;
  if (!Export(path)) state.SkipWithError("export failed");
  for (auto _ : state) {
    CDataSet set;
    if (!Import(set, path)) state.SkipWithError("import failed");
  }
}

void BM_ImportFloor(benchmark::State& state, std::string ext) {
  const std::string path = WorkFolder() + "/import-floor" + ext;
  if (!Export(path)) state.SkipWithError("export failed");
  for (auto _ : state) benchmark::DoNotOptimize(FileBytes(path));
}

const bool g_registered = [] {
  for (const char* ext : {".csv", ".xls", ".xlsx"}) {
    std::string kind = ext + 1;
    benchmark::RegisterBenchmark(("Export100/" + kind).c_str(), BM_Export, ext)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Export100/" + kind + "/floor").c_str(), BM_ExportFloor, ext)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Import100/" + kind).c_str(), BM_Import, ext)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Import100/" + kind + "/floor").c_str(), BM_ImportFloor, ext)
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace

int main(int argc, char** argv) {
  WorkFolder();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(WorkFolder(), ec);
  return 0;
}
