// Saving over hard links, into folders the user cannot create files in, over
// files with ACLs and attributes, and after a killed save.
#include "model/SafeSave.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <acl/libacl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "common/TestEnv.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// A set whose address slot 0 holds `text`; different texts give different files.
void Fill(CDataSet& set, const std::string& text) {
  Bytes c = {0x02, 0x01, 0, 0, 0, 0, 0x30, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00, 0x00};
  c.insert(c.end(), text.begin(), text.end());
  c.insert(c.end(), {0x00, 0x00, 0x0D, 0x0A});
  ASSERT_TRUE(set.SetEntry(kSecAddress, 0, 3, c));
}

Bytes SavedBytes(const std::string& text, const CTestEnv& env) {
  CDataSet set;
  Fill(set, text);
  const std::string p = env.Path("reference-" + text + ".xmb");
  EXPECT_EQ(set.SaveDataFile(p), kFileOk);
  Bytes b = CTestEnv::ReadBytes(p);
  fs::remove(p);
  return b;
}

ino_t Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Names in `folder` other than those given.
std::vector<std::string> Others(const std::string& folder, std::initializer_list<std::string> keep) {
  std::vector<std::string> out;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (std::find(keep.begin(), keep.end(), name) == keep.end()) out.push_back(name);
  }
  return out;
}

// Runs `body` in a child process; its exit status, or -1.
int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Gives up root for good in a child, so that folder permissions apply.
bool BecomeNobody() {
  return ::setgroups(0, nullptr) == 0 && ::setgid(kNogroup) == 0 && ::setuid(kNobody) == 0;
}

struct SEAMS {
  ~SEAMS() {
    CSafeSave::SetTempRefused(false);
    CSafeSave::SetUnnamedTempRefused(false);
  }
};

}  // namespace

TEST(SafeSave, AHardLinkKeepsBothNamesInSync) {
  CTestEnv env;
  const std::string a = env.Path("a.xmb"), b = env.Path("b.xmb");
  CDataSet old, now;
  Fill(old, "old");
  Fill(now, "new");
  ASSERT_EQ(old.SaveDataFile(a), kFileOk);
  fs::create_hard_link(a, b);
  const ino_t inode = Inode(a);

  ASSERT_EQ(now.SaveDataFile(a), kFileOk);
  EXPECT_EQ(Inode(a), inode);
  EXPECT_EQ(CTestEnv::ReadBytes(b), CTestEnv::ReadBytes(a));
  EXPECT_EQ(CTestEnv::ReadBytes(b), SavedBytes("new", env));
  EXPECT_EQ(Others(env.Path(""), {"a.xmb", "b.xmb"}), std::vector<std::string>{}) << "the safety copy is removed";
  // Saving a shorter file in place cuts the old tail off.
  CDataSet empty;
  ASSERT_EQ(empty.SaveDataFile(b), kFileOk);
  EXPECT_EQ(CTestEnv::ReadBytes(a).size(), 28u);
}

// The normal way still renames (a new inode), and the new file carries what
// the old one had beyond its bytes.
TEST(SafeSave, TheRenamedFileKeepsModeAclAndAttributes) {
  CTestEnv env;
  const std::string p = env.Path("acl.xmb");
  CDataSet set;
  Fill(set, "one");
  ASSERT_EQ(set.SaveDataFile(p), kFileOk);
  ::chmod(p.c_str(), 0640);

  acl_t acl = ::acl_from_text("u::rw-,u:nobody:r--,g::r--,m::r--,o::---");
  ASSERT_NE(acl, nullptr);
  const int aclSet = ::acl_set_file(p.c_str(), ACL_TYPE_ACCESS, acl);
  ::acl_free(acl);
  const int attrSet = ::setxattr(p.c_str(), "user.xamu.note", "kept", 4, 0);
  if (aclSet != 0 && attrSet != 0) GTEST_SKIP() << "this file system takes neither ACLs nor user attributes";

  const ino_t before = Inode(p);
  Fill(set, "two");
  ASSERT_EQ(set.SaveDataFile(p), kFileOk);
  EXPECT_NE(Inode(p), before) << "a file with one name is replaced by rename";
  EXPECT_EQ(CTestEnv::ReadBytes(p), SavedBytes("two", env));
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  if (aclSet == 0) {
    acl_t now = ::acl_get_file(p.c_str(), ACL_TYPE_ACCESS);
    ASSERT_NE(now, nullptr);
    char* text = ::acl_to_any_text(now, nullptr, ',', 0);
    EXPECT_NE(std::string(text).find("user:nobody:r--"), std::string::npos) << text;
    ::acl_free(text);
    ::acl_free(now);
  }
  if (attrSet == 0) {
    char value[16] = {};
    EXPECT_EQ(::getxattr(p.c_str(), "user.xamu.note", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
  }
  EXPECT_EQ(Others(env.Path(""), {"acl.xmb"}), std::vector<std::string>{});
}

// A folder the user may not create files in, holding a file the user may
// write: the file takes the new content in place. Root may create files
// anywhere, so the save then runs as nobody in a child.
TEST(SafeSave, AFolderThatRefusesTheTemporaryFileGetsAnInPlaceSave) {
  CTestEnv env;
  const bool root = ::geteuid() == 0;
  ::chmod(env.Root().c_str(), 0755);
  ::chmod(env.Path("").c_str(), 0755);
  const std::string folder = env.Path("shared"), own = env.Path("own-data");
  fs::create_directories(folder);
  fs::create_directories(own);
  const std::string p = folder + "/list.xmb";
  CDataSet old;
  Fill(old, "old");
  ASSERT_EQ(old.SaveDataFile(p), kFileOk);
  ::chmod(p.c_str(), 0644);
  if (root) {
    ASSERT_EQ(::chown(p.c_str(), kNobody, kNogroup), 0);
    ASSERT_EQ(::chown(own.c_str(), kNobody, kNogroup), 0);
  }
  ::chmod(folder.c_str(), 0555);
  const ino_t inode = Inode(p);
  const Bytes oldBytes = CTestEnv::ReadBytes(p), newBytes = SavedBytes("new", env);

  struct CASE {
    const char* what;
    std::string dataHome;  // where the safety copy may go
    int result;
    const Bytes& after;
  };
  const CASE cases[] = {
      {"no folder for the safety copy: nothing is changed", "/proc/no-such-home", kFileNotOpened, oldBytes},
      {"the copy goes to the per-user data folder", own, kFileOk, newBytes},
  };
  for (const CASE& c : cases) {
    const int status = InChild([&] {
      if (root && !BecomeNobody()) return 100;
      ::setenv("XDG_DATA_HOME", c.dataHome.c_str(), 1);
      CDataSet set;
      Fill(set, "new");
      return -set.SaveDataFile(p);
    });
    EXPECT_EQ(status, -c.result) << c.what;
    EXPECT_EQ(CTestEnv::ReadBytes(p), c.after) << c.what;
    EXPECT_EQ(Inode(p), inode) << c.what;
    EXPECT_EQ(Others(folder, {"list.xmb"}), std::vector<std::string>{}) << c.what;
    if (fs::exists(own + "/KORVANTE/XAMU")) {
      EXPECT_EQ(Others(own + "/KORVANTE/XAMU", {}), std::vector<std::string>{}) << c.what << ": copy removed";
    }
  }
  ::chmod(folder.c_str(), 0755);
}

// A file the user may write but does not own: a new inode would change its
// owner, so it takes the content in place and keeps owner and group.
TEST(SafeSave, AFileOfAnotherOwnerKeepsItsOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file of another owner";
  CTestEnv env;
  ::chmod(env.Root().c_str(), 0755);
  ::chmod(env.Path("").c_str(), 0755);
  const std::string folder = env.Path("team");
  fs::create_directories(folder);
  ASSERT_EQ(::chown(folder.c_str(), kNobody, kNogroup), 0);  // nobody may create files here
  const std::string p = folder + "/list.xmb";
  CDataSet old;
  Fill(old, "old");
  ASSERT_EQ(old.SaveDataFile(p), kFileOk);
  ASSERT_EQ(::chown(p.c_str(), 0, kNogroup), 0);
  ::chmod(p.c_str(), 0664);  // root's file, writable by the group nobody is in
  const ino_t inode = Inode(p);
  const int status = InChild([&] {
    if (!BecomeNobody()) return 100;
    ::setenv("XDG_DATA_HOME", "/proc/no-such-home", 1);  // the copy goes beside the file
    CDataSet set;
    Fill(set, "new");
    return -set.SaveDataFile(p);
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(CTestEnv::ReadBytes(p), SavedBytes("new", env));
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_gid, kNogroup);
  EXPECT_EQ(st.st_ino, inode);
  EXPECT_EQ(Others(folder, {"list.xmb"}), std::vector<std::string>{});
}

// A write that fails half-way through an in-place save puts the old content
// back from the safety copy and removes the copy.
TEST(SafeSave, AFailedInPlaceWritePutsTheOldContentBack) {
  CTestEnv env;
  SEAMS seams;
  const std::string p = env.Path("keep.xmb");
  CDataSet old;
  Fill(old, "old content");
  ASSERT_EQ(old.SaveDataFile(p), kFileOk);
  const Bytes before = CTestEnv::ReadBytes(p), expected = SavedBytes("new", env);
  const ino_t inode = Inode(p);

  CSafeSave::SetTempRefused(true);
  for (const long long after : {0LL, 10LL, 40LL}) {
    CDataSet set;
    for (int i = 0; i < 20; ++i) Fill(set, std::string(200, 'x'));
    set.m_modified = 1;
    int result;
    {
      WRITEFAILURE fail(after, ENOSPC);
      result = set.SaveDataFile(p);
    }
    EXPECT_EQ(result, kFileDiskFull) << after;
    EXPECT_EQ(CTestEnv::ReadBytes(p), before) << after;
    EXPECT_EQ(Inode(p), inode) << after;
    EXPECT_EQ(set.m_modified, 1);
    EXPECT_EQ(Others(env.Path(""), {"keep.xmb"}), std::vector<std::string>{}) << after;
  }
  // With nothing failing the same way gives the new content.
  CDataSet now;
  Fill(now, "new");
  ASSERT_EQ(now.SaveDataFile(p), kFileOk);
  EXPECT_EQ(CTestEnv::ReadBytes(p), expected);
  EXPECT_EQ(Inode(p), inode);
  EXPECT_EQ(Others(env.Path(""), {"keep.xmb"}), std::vector<std::string>{});
}

// A named temporary file that a killed save left is removed by the next
// save; one that a live save holds, or that another user owns, is not.
TEST(SafeSave, TheNextSaveRemovesTemporaryFilesOfKilledSaves) {
  CTestEnv env;
  SEAMS seams;
  const std::string folder = env.Path("");
  const std::string p = folder + "data.xmb";
  const std::string stale = folder + "~GxAbC123.tmp", held = folder + "~GxHeld01.tmp",
                    foreign = folder + "~GxOther1.tmp", unrelated = folder + "~Gxnote.txt";
  for (const std::string& f : {stale, held, foreign, unrelated}) CTestEnv::WriteBytes(f, {1, 2, 3});
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(foreign.c_str(), kNobody, kNogroup), 0);
  }
  FOREIGNLOCK live(held);

  CSafeSave::SetUnnamedTempRefused(true);  // the named way, as where O_TMPFILE is refused
  CDataSet set;
  Fill(set, "x");
  ASSERT_EQ(set.SaveDataFile(p), kFileOk);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(held));
  EXPECT_TRUE(fs::exists(unrelated));
  if (root) {
    EXPECT_TRUE(fs::exists(foreign)) << "another user's file is not ours to remove";
  }
}

// A save killed before it finishes leaves no file behind where the folder
// takes unnamed temporary files, and the old content in any case.
TEST(SafeSave, AKilledSaveLeavesNothingBehind) {
  CTestEnv env;
  const std::string p = env.Path("data.xmb");
  CDataSet old;
  Fill(old, "old");
  ASSERT_EQ(old.SaveDataFile(p), kFileOk);
  const Bytes before = CTestEnv::ReadBytes(p);
  const int status = InChild([&] {
    CSafeSave save;
    if (save.Begin(p) != kFileOk) return 1;
    const Bytes junk(100000, 0x55);
    if (!save.Out().Write(junk.data(), static_cast<uint32_t>(junk.size()))) return 2;
    ::raise(SIGKILL);  // killed before Commit
    return 3;
  });
  EXPECT_EQ(status, -1) << "killed";
  EXPECT_EQ(CTestEnv::ReadBytes(p), before);
  EXPECT_EQ(Others(env.Path(""), {"data.xmb"}), std::vector<std::string>{});
}

// A device node is no data file: the save is refused and the node stays.
TEST(SafeSave, ADeviceIsNotReplaced) {
  CTestEnv env;
  const std::string node = env.Path("null");
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "cannot make a device node here";
  CDataSet set;
  Fill(set, "x");
  EXPECT_EQ(set.SaveDataFile(node), kFileNotOpened);
  struct stat st {};
  ASSERT_EQ(::lstat(node.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// A path whose file cannot be made gives -11 ("could not be opened"), not
// the cause of the failed creation.
TEST(SafeSave, APathThatCannotBeCreatedGivesMinus11) {
  CTestEnv env;
  for (const char* path : {"/proc/x.xmb", "/sys/x.xmb", "/proc/self/x.xmb"}) {
    CDataSet set;
    Fill(set, "x");
    set.m_modified = 1;
    EXPECT_EQ(set.SaveDataFile(path), kFileNotOpened) << path;
    EXPECT_EQ(set.m_modified, 1) << path;
    EXPECT_EQ(set.m_path, "") << path;
  }
}
