#include "model/GxFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <vector>

#include "common/TestEnv.h"
#include "FileFixtures.h"

TEST(GxFile, CausesKeepTheFrameworkNumbers) {
  const struct {
    int err;
    int cause;
  } rows[] = {
      {0, 0},       {ENOENT, 2},  {ENOSPC, 13}, {EDQUOT, 13},      {EMFILE, 8}, {ENFILE, 8},
      {EACCES, 5},  {EPERM, 5},   {EIO, 10},    {EWOULDBLOCK, 11}, {EBADF, 1},  {EINVAL, 1},
  };
  for (const auto& r : rows) EXPECT_EQ(CauseFromErrno(r.err), r.cause) << "errno " << r.err;
}

TEST(GxFile, OpeningAMissingFileFailsWithFileNotFound) {
  CTestEnv env;
  CGxFile f;
  EXPECT_FALSE(f.Open(env.Path("missing.xmb"), kGxOpenReadExclusive));
  EXPECT_EQ(f.GetLastCause(), kCauseFileNotFound);
  EXPECT_FALSE(f.IsOpen());
}

TEST(GxFile, OpeningAFolderFails) {
  CTestEnv env;
  CGxFile f;
  EXPECT_FALSE(f.Open(env.Path(""), kGxOpenReadExclusive));
  EXPECT_EQ(f.GetLastCause(), kCauseAccessDenied);
}

TEST(GxFile, ReadAtTheEndReturnsZeroAndKeepsTheCause) {
  CTestEnv env;
  CTestEnv::WriteBytes(env.Path("a"), {1, 2, 3});
  CGxFile f;
  ASSERT_TRUE(f.Open(env.Path("a"), kGxOpenReadExclusive));
  f.OnError(kCauseDiskFull);  // an earlier failure's cause
  uint8_t buf[8];
  EXPECT_EQ(f.Read(buf, 8), 3u);  // short only at the end
  EXPECT_EQ(f.Read(buf, 8), 0u);
  EXPECT_EQ(f.GetLastCause(), kCauseDiskFull);
}

TEST(GxFile, WriteToAFullDiskGivesDiskFull) {
  CGxFile f;
  ASSERT_TRUE(f.Open("/dev/full", kGxModeWrite | kGxShareDenyNone));
  const uint8_t b[4] = {1, 2, 3, 4};
  EXPECT_FALSE(f.Write(b, 4));
  EXPECT_EQ(f.GetLastCause(), kCauseDiskFull);
}

TEST(GxFile, ExclusiveOpenFailsWhileAnotherHoldsTheFile) {
  CTestEnv env;
  const std::string p = env.Path("locked.xmb");
  CTestEnv::WriteBytes(p, {9, 9, 9});
  {
    FOREIGNLOCK other(p);
    CGxFile r, w;
    EXPECT_FALSE(r.Open(p, kGxOpenReadExclusive));
    EXPECT_EQ(r.GetLastCause(), kCauseSharingViolation);
    // The create-and-write open takes the lock before truncating: nothing changes.
    EXPECT_FALSE(w.Open(p, kGxOpenWriteExclusive));
    EXPECT_EQ(CTestEnv::ReadBytes(p), (std::vector<uint8_t>{9, 9, 9}));
  }
  CGxFile again;
  EXPECT_TRUE(again.Open(p, kGxOpenReadExclusive));
  CGxFile second;
  EXPECT_FALSE(second.Open(p, kGxOpenReadExclusive)) << "our own exclusive open excludes a second one too";
  again.Close();
  EXPECT_TRUE(second.Open(p, kGxOpenReadExclusive));
}

TEST(GxFile, CreateTruncatesAndSeeksAndMeasures) {
  CTestEnv env;
  const std::string p = env.Path("w");
  CTestEnv::WriteBytes(p, std::vector<uint8_t>(100, 7));
  CGxFile f;
  ASSERT_TRUE(f.Open(p, kGxOpenWriteExclusive));
  uint32_t len = 99;
  ASSERT_TRUE(f.GetLength(len));
  EXPECT_EQ(len, 0u);
  ASSERT_TRUE(f.Seek(4, GxSeek::kBegin));
  const uint8_t b[2] = {0xAB, 0xCD};
  ASSERT_TRUE(f.Write(b, 2));
  ASSERT_TRUE(f.SeekToBegin());
  ASSERT_TRUE(f.Write(b, 1));
  ASSERT_TRUE(f.SeekToEnd());
  ASSERT_TRUE(f.Write(b + 1, 1));
  EXPECT_FALSE(f.Seek(-100, GxSeek::kCurrent));
  EXPECT_EQ(f.GetLastCause(), kCauseBadSeek);
  ASSERT_TRUE(f.GetLength(len));
  EXPECT_EQ(len, 7u);
  f.Close();
  EXPECT_EQ(CTestEnv::ReadBytes(p), (std::vector<uint8_t>{0xAB, 0, 0, 0, 0xAB, 0xCD, 0xCD}));
}

TEST(GxFile, LengthAtOpenIsWhatTheFileHadOrNothing) {
  CTestEnv env;
  const std::string p = env.Path("l");
  CTestEnv::WriteBytes(p, std::vector<uint8_t>(300, 1));
  struct CASE {
    unsigned flags;
    bool known;
    uint64_t length;
  };
  for (const CASE c : {CASE{kGxOpenReadExclusive, true, 300}, CASE{kGxModeReadWrite | kGxShareExclusive, true, 300},
                       CASE{kGxOpenWriteExclusive, true, 0}}) {
    CTestEnv::WriteBytes(p, std::vector<uint8_t>(300, 1));
    CGxFile f;
    ASSERT_TRUE(f.Open(p, c.flags)) << c.flags;
    uint64_t length = 99;
    EXPECT_EQ(f.GetLengthAtOpen(length), c.known) << c.flags;
    EXPECT_EQ(length, c.length) << c.flags;
    if (c.length > 0) {
      std::vector<uint8_t> all(400);
      EXPECT_EQ(f.Read(all.data(), 400), 300u) << c.flags;
    }
    f.Close();
    EXPECT_FALSE(f.GetLengthAtOpen(length)) << c.flags;
    EXPECT_EQ(length, 0u);
  }
  // A device and a taken-over descriptor have no length Open found.
  CGxFile d;
  ASSERT_TRUE(d.Open("/dev/null", kGxModeWrite | kGxShareDenyNone));
  uint64_t length = 99;
  EXPECT_FALSE(d.GetLengthAtOpen(length));
  CGxFile a;
  a.Attach(::open(p.c_str(), O_RDONLY | O_CLOEXEC), p);
  EXPECT_FALSE(a.GetLengthAtOpen(length));
}

TEST(GxFile, OperationsOnAClosedFileFail) {
  CGxFile f;
  uint8_t b[1];
  uint32_t len = 5;
  EXPECT_EQ(f.Read(b, 1), 0u);
  EXPECT_FALSE(f.Write(b, 1));
  EXPECT_FALSE(f.Seek(0, GxSeek::kBegin));
  EXPECT_FALSE(f.GetLength(len));
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(f.GetLastCause(), kCauseGeneric);
}

TEST(GxFile, InjectedFailureLeavesExactlyTheAllowedBytes) {
  CTestEnv env;
  for (long long allowed : {0LL, 1LL, 5LL, 9LL}) {
    const std::string p = env.Path("f" + std::to_string(allowed));
    CGxFile f;
    ASSERT_TRUE(f.Open(p, kGxOpenWriteExclusive));
    WRITEFAILURE fail(allowed, EIO);
    const uint8_t b[5] = {1, 2, 3, 4, 5};
    const bool first = f.Write(b, 5);
    const bool second = first && f.Write(b, 5);
    EXPECT_FALSE(first && second) << allowed;
    EXPECT_EQ(f.GetLastCause(), kCauseHardIO);
    f.Close();
    EXPECT_EQ(CTestEnv::ReadBytes(p).size(), static_cast<size_t>(allowed));
  }
}

TEST(GxFile, VectorWriteAndReadCrossManyBuffers) {
  CTestEnv env;
  const std::string p = env.Path("v");
  // More buffers than one system call takes, of uneven sizes (some empty).
  const int n = IOV_MAX + 300;
  std::vector<std::vector<uint8_t>> parts(n);
  std::vector<struct iovec> out;
  size_t total = 0;
  for (int i = 0; i < n; ++i) {
    parts[i].assign(static_cast<size_t>(i % 5), static_cast<uint8_t>(i));
    out.push_back({parts[i].data(), parts[i].size()});
    total += parts[i].size();
  }
  CGxFile w;
  ASSERT_TRUE(w.Open(p, kGxOpenWriteExclusive));
  ASSERT_TRUE(w.WriteVector(out.data(), n));
  w.Close();
  ASSERT_EQ(CTestEnv::ReadBytes(p).size(), total);

  std::vector<std::vector<uint8_t>> back(n);
  std::vector<struct iovec> in;
  for (int i = 0; i < n; ++i) {
    back[i].resize(parts[i].size());
    in.push_back({back[i].data(), back[i].size()});
  }
  CGxFile r;
  ASSERT_TRUE(r.Open(p, kGxOpenReadExclusive));
  EXPECT_EQ(r.ReadVector(in.data(), n), total);
  EXPECT_EQ(back, parts);
  // Past the end: only what is there.
  uint8_t extra[4];
  struct iovec one = {extra, 4};
  ASSERT_TRUE(r.Seek(-2, GxSeek::kEnd));
  EXPECT_EQ(r.ReadVector(&one, 1), 2u);
}

// Temporary files go where only the user can enter: the runtime folder when
// it is private, else the per-user data folder; never $TMPDIR, and no file
// at all when neither folder can be had.
TEST(GxFile, TempFileNameIsAFreshEmptyPrivateFile) {
  CTestEnv env;  // TMPDIR is the work folder
  const std::string runtime = env.Root() + "/runtime", dataHome = env.Root() + "/data";
  const std::string data = dataHome + "/KORVANTE/XAMU";
  struct {
    const char* name;
    const char* runtime;   // XDG_RUNTIME_DIR, nullptr = unset
    mode_t mode;           // of the runtime folder
    const char* dataHome;  // XDG_DATA_HOME, nullptr = unset
    const char* home;      // HOME
    std::string folder;    // where the file is made, "" = none is
  } cases[] = {
      {"private runtime folder", runtime.c_str(), 0700, nullptr, "/nonexistent-home", runtime},
      {"runtime folder open to others", runtime.c_str(), 0755, dataHome.c_str(), "", data},
      {"no runtime folder", nullptr, 0700, dataHome.c_str(), "", data},
      {"neither folder", nullptr, 0700, nullptr, "relative", ""},
  };
  ::umask(022);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(::chmod(runtime.c_str(), c.mode), 0);
    if (c.runtime) setenv("XDG_RUNTIME_DIR", c.runtime, 1);
    else unsetenv("XDG_RUNTIME_DIR");
    if (c.dataHome) setenv("XDG_DATA_HOME", c.dataHome, 1);
    else unsetenv("XDG_DATA_HOME");
    setenv("HOME", c.home, 1);
    std::string a, b;
    if (c.folder.empty()) {
      EXPECT_FALSE(GetGxTempFileName(a));
    } else {
      ASSERT_TRUE(GetGxTempFileName(a));
      ASSERT_TRUE(GetGxTempFileName(b));
      EXPECT_NE(a, b);
      EXPECT_EQ(a.rfind(c.folder + "/~Gx", 0), 0u) << a;
      struct stat st {};
      ASSERT_EQ(::stat(a.c_str(), &st), 0);
      EXPECT_TRUE(S_ISREG(st.st_mode));
      EXPECT_EQ(st.st_size, 0);
      EXPECT_EQ(st.st_mode & 07777, 0600u);
      ::unlink(a.c_str());
      ::unlink(b.c_str());
    }
    EXPECT_TRUE(std::filesystem::is_empty(env.Path(""))) << "something made in TMPDIR";
  }
}

TEST(GxFile, OpenTempMakesAUniqueLockedFileWithTheMode) {
  CTestEnv env;
  ::umask(022);
  CGxFile t;
  ASSERT_TRUE(t.OpenTemp(env.Path(""), 0640));
  EXPECT_EQ(std::filesystem::path(t.FilePath()).filename().string().rfind("~Gx", 0), 0u);
  struct stat st;
  ASSERT_EQ(::stat(t.FilePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  CGxFile other;
  EXPECT_FALSE(other.Open(t.FilePath(), kGxOpenReadExclusive));
  CGxFile nowhere;
  EXPECT_FALSE(nowhere.OpenTemp(env.Path("missing")));
  EXPECT_EQ(nowhere.GetLastCause(), kCauseFileNotFound);
}

TEST(GxFile, CreatedFilesGetTheRequestedModeAndExistingOnesKeepTheirs) {
  CTestEnv env;
  ::umask(022);
  const std::string p = env.Path("exchange.dat");
  {
    CGxFile f;
    ASSERT_TRUE(f.Open(p, kGxOpenWriteExclusive, 0600));
  }
  struct stat st;
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ::chmod(p.c_str(), 0640);
  {
    CGxFile f;
    ASSERT_TRUE(f.Open(p, kGxOpenWriteExclusive, 0600));
  }
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(GxFile, PipesAreRefusedWithoutWaiting) {
  CTestEnv env;
  const std::string p = env.Path("pipe.xmb");
  ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
  CGxFile r, w;
  EXPECT_FALSE(r.Open(p, kGxOpenReadExclusive));  // would block for a writer
  EXPECT_EQ(r.GetLastCause(), kCauseGeneric);
  EXPECT_FALSE(w.Open(p, kGxOpenWriteExclusive));  // would block for a reader
  EXPECT_EQ(w.GetLastCause(), kCauseGeneric);
}

// Whether opening `path` with `flags` opens the node at all (an open of a
// device may already act: a tape rewinds). inotify reports every open.
static bool OpensTheNode(const std::string& path, unsigned flags) {
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0 || ::inotify_add_watch(watch, path.c_str(), IN_OPEN) < 0) {
    ADD_FAILURE() << "no inotify watch on " << path;
    if (watch >= 0) ::close(watch);
    return false;
  }
  CGxFile f;
  EXPECT_FALSE(f.Open(path, flags));
  EXPECT_EQ(f.GetLastCause(), kCauseGeneric);
  alignas(inotify_event) char events[256];
  const bool opened = ::read(watch, events, sizeof events) > 0;
  ::close(watch);
  return opened;
}

TEST(GxFile, APeekLooksBeforeItOpensALoadRefusesWhatItOpened) {
  CTestEnv env;
  const std::string p = env.Path("pipe.xmb");
  ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
  EXPECT_FALSE(OpensTheNode(p, kGxOpenPeek));
  EXPECT_TRUE(OpensTheNode(p, kGxOpenReadExclusive));
}

TEST(GxFile, ReadingRefusesDevicesWritingKeepsThem) {
  // Read from, a device gives endless or blocking data; written to, /dev/full
  // is the way to a full disk.
  for (const char* device : {"/dev/zero", "/dev/null", "/dev/urandom"}) {
    CGxFile r;
    EXPECT_FALSE(r.Open(device, kGxOpenReadExclusive)) << device;
    EXPECT_EQ(r.GetLastCause(), kCauseGeneric) << device;
  }
  CGxFile w;
  EXPECT_TRUE(w.Open("/dev/null", kGxModeWrite | kGxShareDenyNone));
}
