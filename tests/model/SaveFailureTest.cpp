// A save that cannot finish never costs the file that was there: not when
// the folder fills up half-way (a file-size limit stands in for a full
// disk), and not when the saving process is killed at any moment.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/TestEnv.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// Fills `slots` file slots with `bytes` each, every byte `fill`.
void Fill(CDataSet& set, int slots, size_t bytes, uint8_t fill) {
  const Bytes content(bytes, fill);
  for (int i = 0; i < slots; ++i) ASSERT_TRUE(set.SetEntry(kSecFile, i, 1, content));
}

// Runs `body` in a child process and returns its exit status (-1 when it did
// not exit normally).
int InChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Files other than `keep` in the folder: temporaries left behind.
std::vector<std::string> Leftovers(const std::string& folder, const std::string& keep) {
  std::vector<std::string> out;
  for (const fs::directory_entry& e : fs::directory_iterator(folder))
    if (e.path().filename() != keep) out.push_back(e.path().filename().string());
  return out;
}

TEST(SaveFailure, FolderFillingUpKeepsTheOldFileAndReportsDiskFull) {
  struct CASE {
    const char* what;
    rlim_t limit;      // bytes any file may grow to
    bool oldFile;      // a file is there before the save
  };
  const CASE cases[] = {
      {"nothing can be written", 0, true},
      {"the header fits, the directory does not", 100, true},
      {"the limit falls inside the contents", 64 * 1024, true},
      {"a new file that does not fit", 64 * 1024, false},
  };
  for (const CASE& c : cases) {
    CTestEnv env;
    const std::string folder = env.Path("full");
    fs::create_directories(folder);
    const std::string path = folder + "/data.xmb";
    Bytes before;
    if (c.oldFile) {
      CDataSet old;
      Fill(old, 3, 40, 0x11);
      ASSERT_EQ(old.SaveDataFile(path), kFileOk);
      before = CTestEnv::ReadBytes(path);
    }
    const int status = InChild([&] {
      signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
      const rlimit limit{c.limit, c.limit};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 100;
      CDataSet big;
      Fill(big, 20, 30000, 0x22);
      return -big.SaveDataFile(path);
    });
    EXPECT_EQ(status, -kFileDiskFull) << c.what;
    if (c.oldFile) {
      EXPECT_EQ(CTestEnv::ReadBytes(path), before) << c.what;
    } else {
      EXPECT_FALSE(fs::exists(path)) << c.what;
    }
    EXPECT_EQ(Leftovers(folder, "data.xmb"), std::vector<std::string>{}) << c.what;
  }
}

TEST(SaveFailure, KilledSaveLeavesTheOldFileOrTheNewOneWhole) {
  CTestEnv env;
  const std::string folder = env.Path("kill");
  fs::create_directories(folder);
  const std::string path = folder + "/data.xmb";
  // Two versions large enough that a kill lands inside a save.
  CDataSet a, b;
  Fill(a, 100, 40000, 0xAA);
  Fill(b, 90, 45000, 0xBB);
  ASSERT_EQ(b.SaveDataFile(env.Path("b.xmb")), kFileOk);
  ASSERT_EQ(a.SaveDataFile(path), kFileOk);
  const Bytes bytesA = CTestEnv::ReadBytes(path);
  const Bytes bytesB = CTestEnv::ReadBytes(env.Path("b.xmb"));

  for (int delayMs : {0, 2, 5, 11, 23, 47}) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0;; ++i) (void)(i % 2 ? a : b).SaveDataFile(path);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    const Bytes now = CTestEnv::ReadBytes(path);
    EXPECT_TRUE(now == bytesA || now == bytesB) << "killed after " << delayMs << " ms";
    CDataSet loaded;
    EXPECT_EQ(loaded.LoadDataFile(path), kFileOk) << "killed after " << delayMs << " ms";
  }
  // A save killed after naming its temporary file leaves it; the next save
  // removes it.
  ASSERT_EQ(b.SaveDataFile(path), kFileOk);
  EXPECT_EQ(CTestEnv::ReadBytes(path), bytesB);
  EXPECT_EQ(Leftovers(folder, "data.xmb"), std::vector<std::string>{});
}

}  // namespace
