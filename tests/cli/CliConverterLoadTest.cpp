// What a whole export or import maps: the converter's front loads only the
// module for the workbook kind and direction at hand, and with it only the
// libraries that module needs (the OLE2 library with GLib, libxml2 and ICU
// for .xls; the zip and XML libraries for reading .xlsx, linked in or
// shared; the .xlsx writer with its crypto library for writing one). Where
// the program and the .xlsx modules carry their own C++ runtime, no .xlsx
// conversion maps the shared one. Seen through the dynamic loader's own
// trace of every object it opens in the xamu-cli process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/TestEnv.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs xamu-cli with the loader tracing the files it opens; the trace.
std::string LoaderTrace(const CTestEnv& env, const std::string& args, int& status) {
  const std::string trace = env.Path("ld-trace");
  const std::string cmd = "LD_DEBUG=files " XAMU_BUILD_DIR "/bin/xamu-cli " + args + " >/dev/null 2>" + trace;
  const int rc = std::system(cmd.c_str());
  status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return Slurp(trace);
}

// Whether the trace shows an object opened whose file name holds `name`
// (lines "file=PATH [n];  needed by ..." or "...dynamically loaded by ...").
bool Loaded(const std::string& trace, const std::string& name) {
  for (size_t at = trace.find("file="); at != std::string::npos; at = trace.find("file=", at + 1)) {
    const size_t begin = at + 5;
    const size_t end = trace.find_first_of(" [\n", begin);
    const std::string path = trace.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    if (path.substr(path.rfind('/') + 1).find(name) != std::string::npos) return true;
  }
  return false;
}

TEST(CliConverterLoad, EachConversionLoadsOnlyItsOwnModule) {
  if (!fs::exists(std::string(XAMU_BUILD_DIR) + "/share/xamu/libtblx2.so")) GTEST_SKIP() << "converter not built";
  CTestEnv env;
  const std::string sample = std::string(XAMU_BUILD_DIR) + "/share/xamu/samples/Sample.xmb";
  const std::string copy = env.Path("copy.xmb");
  fs::copy_file(sample, copy);
  // What each module brings, and what is not its own. The .xlsx writer
  // reaches the zip library through its own library, so an export may map it.
  const std::vector<std::string> xlsxRead = {"libtblx2-xlsx-read.so"};
  const std::vector<std::string> xlsxReadOnly = {"libtblx2-xlsx-read.so", "libpugixml"};
#ifdef XAMU_STATIC_CXX_RUNTIME
  const std::vector<std::string> sharedCxx = {"libstdc++"};
#else
  const std::vector<std::string> sharedCxx;
#endif
  const std::vector<std::string> xlsxWrite = {"libtblx2-xlsx-write.so", "libxlsxwriter", "libcrypto"};
  const std::vector<std::string> xls = {"libtblx2-xls.so", "libgsf-1", "libglib-2.0", "libgobject-2.0",
                                        "libgio-2.0",      "libxml2",  "libicuuc",    "libfreexl"};
  const auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  const struct CASE {
    const char* what;
    std::string args;
    std::vector<std::string> loads;     // must be mapped
    std::vector<std::string> notLoads;  // must not be
  } cases[] = {
      {"export .xlsx", "export " + copy + " -c address " + env.Path("a.xlsx"), xlsxWrite,
       join({xlsxReadOnly, xls, sharedCxx})},
      {"import .xlsx", "import " + env.Path("b.xmb") + " -c address " + env.Path("a.xlsx"), xlsxRead,
       join({xlsxWrite, xls, sharedCxx})},
      {"export .xls", "export " + copy + " -c address " + env.Path("a.xls"), xls, join({xlsxRead, xlsxWrite})},
      {"import .xls", "import " + env.Path("c.xmb") + " -c address " + env.Path("a.xls"), xls,
       join({xlsxRead, xlsxWrite})},
  };
  for (const CASE& c : cases) {
    int status = -1;
    const std::string trace = LoaderTrace(env, c.args, status);
    ASSERT_EQ(status, 0) << c.what;
    ASSERT_TRUE(Loaded(trace, "libtblx2.so")) << c.what << ": the trace shows no converter\n" << trace;
    for (const std::string& lib : c.loads) EXPECT_TRUE(Loaded(trace, lib)) << c.what << " does not load " << lib;
    for (const std::string& lib : c.notLoads) EXPECT_FALSE(Loaded(trace, lib)) << c.what << " loads " << lib;
  }
}

}  // namespace
