// What a whole export or import maps: the converter's .xls half (and the
// OLE2 library with GLib, libxml2 and ICU behind it) is loaded for an .xls
// workbook only. Seen through the dynamic loader's own trace of every
// object it opens in the xamu-cli process.
#include <gtest/gtest.h>

#include <cstdlib>
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

TEST(CliConverterLoad, OnlyAnXlsWorkbookLoadsTheXlsHalf) {
  if (!fs::exists(std::string(XAMU_BUILD_DIR) + "/share/xamu/libtblx2.so")) GTEST_SKIP() << "converter not built";
  CTestEnv env;
  const std::string sample = std::string(XAMU_BUILD_DIR) + "/share/xamu/samples/Sample.xmb";
  const std::string copy = env.Path("copy.xmb");
  fs::copy_file(sample, copy);
  // Libraries only the .xls half may bring.
  const std::vector<std::string> xlsOnly = {"libtblx2-xls.so", "libgsf-1", "libglib-2.0", "libgobject-2.0",
                                            "libgio-2.0", "libxml2", "libicuuc", "libicudata", "libfreexl"};
  struct CASE {
    const char* what;
    std::string args;
    bool xls;
  } cases[] = {
      {"export .xlsx", "export " + copy + " -c address " + env.Path("a.xlsx"), false},
      {"import .xlsx", "import " + env.Path("b.xmb") + " -c address " + env.Path("a.xlsx"), false},
      {"export .xls", "export " + copy + " -c address " + env.Path("a.xls"), true},
      {"import .xls", "import " + env.Path("c.xmb") + " -c address " + env.Path("a.xls"), true},
  };
  for (const CASE& c : cases) {
    int status = -1;
    const std::string trace = LoaderTrace(env, c.args, status);
    ASSERT_EQ(status, 0) << c.what;
    ASSERT_TRUE(Loaded(trace, "libtblx2.so")) << c.what << ": the trace shows no converter\n" << trace;
    if (c.xls) {
      EXPECT_TRUE(Loaded(trace, "libtblx2-xls.so")) << c.what;
      EXPECT_TRUE(Loaded(trace, "libfreexl")) << c.what;
    } else {
      for (const std::string& lib : xlsOnly) EXPECT_FALSE(Loaded(trace, lib)) << c.what << " loads " << lib;
    }
  }
}

}  // namespace
