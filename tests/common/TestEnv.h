#pragma once
// A private set of folders for one test: HOME, XDG_* and the XAMU_* variables
// point into a fresh temporary folder, so tests never touch a user's files.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class CTestEnv {
 public:
  CTestEnv() {
    char tmpl[] = "/tmp/xamu-test-XXXXXX";
    const char* made = mkdtemp(tmpl);
    m_root = made ? made : "/tmp/xamu-test";
    for (const char* sub : {"home", "data", "config", "runtime", "docs", "sim", "work"})
      std::filesystem::create_directories(m_root + "/" + sub);
    std::filesystem::permissions(m_root + "/runtime", std::filesystem::perms::owner_all);
    setenv("HOME", (m_root + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (m_root + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_root + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (m_root + "/runtime").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (m_root + "/docs").c_str(), 1);
    setenv("XAMU_DATA_HOME", (m_root + "/docs/XAMU").c_str(), 1);
    setenv("XAMU_SIM_DIR", (m_root + "/sim").c_str(), 1);
    setenv("TMPDIR", (m_root + "/work").c_str(), 1);
    // The spooler follows from the library unless a test names one, and no
    // test reaches the machine's own CUPS server: this socket never exists
    // unless a test starts a private server there.
    unsetenv("XAMU_SPOOLER");
    unsetenv("XAMU_DRIVER_DIR");
    setenv("CUPS_SERVER", (m_root + "/runtime/cups.sock").c_str(), 1);
#ifdef XAMU_BUILD_DIR
    if (!std::getenv("XAMU_PROGRAM_DIR")) setenv("XAMU_PROGRAM_DIR", XAMU_BUILD_DIR "/share/xamu", 1);
#endif
  }
  ~CTestEnv() {
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
  }
  CTestEnv(const CTestEnv&) = delete;
  CTestEnv& operator=(const CTestEnv&) = delete;

  const std::string& Root() const { return m_root; }
  // A path inside the private work folder.
  std::string Path(const std::string& name) const { return m_root + "/work/" + name; }

  static std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

 private:
  std::string m_root;
};

#ifdef XAMU_BUILD_DIR
// Runs xamu-cli with the arguments (a shell-quoted string); captures output.
struct CLIRESULT {
  int status = -1;
  std::string out;
  std::string err;
};
inline CLIRESULT RunCli(const std::string& args, const std::string& input = "") {
  char tmpl[] = "/tmp/xamu-cli-XXXXXX";
  std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  std::string outPath = dir + "/out", errPath = dir + "/err", inPath = dir + "/in";
  { std::ofstream(inPath) << input; }
  std::string cmd = std::string(XAMU_BUILD_DIR "/bin/xamu-cli ") + args + " <" + inPath + " >" +
                    outPath + " 2>" + errPath;
  int rc = std::system(cmd.c_str());
  CLIRESULT r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  auto slurp = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  r.out = slurp(outPath);
  r.err = slurp(errPath);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return r;
}
#endif
