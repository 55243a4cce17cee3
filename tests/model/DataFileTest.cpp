#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "FileFixtures.h"
#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/GlyphSizes.h"
#include "model/GxFile.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

uint32_t Le32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

// An address entry: one field 0 holding `text` (CP932 bytes).
Bytes AddressContent(const std::string& text) {
  Bytes c = {0x02, 0x01, 0, 0, 0, 0, 0x30, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00, 0x00};
  for (char ch : text) c.push_back(static_cast<uint8_t>(ch));
  for (uint8_t b : {0x00, 0x00, 0x0D, 0x0A}) c.push_back(b);
  return c;
}

// A glyph entry holding one bitmap item per size index given (all ink-free).
Bytes GlyphContent(std::initializer_list<int> sizes) {
  Bytes c = {0x10, 0x01, 0x82, 0xA0, 0, 0, 0, 0};  // reading "あ", no group name
  for (int i : sizes) {
    const GLYPHSIZE& g = kGlyphSizes[i];
    const int n = g.entryBytes;
    c.insert(c.end(), {0x00, 0x00, 0x00, 1, static_cast<uint8_t>(g.size), 0x01, 1,
                       static_cast<uint8_t>(g.size), 0x02, 2, static_cast<uint8_t>(n >> 8),
                       static_cast<uint8_t>(n), 0x00, 0x00});
    c.insert(c.end(), static_cast<size_t>(n), 0x00);
    c.insert(c.end(), {0, 0});
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

void ExpectEmpty(const CDataSet& set) {
  for (int s = 0; s < kSectionCount; ++s) EXPECT_EQ(set.IsUsed(s, -2), 0) << "section " << s;
}

void ExpectSameSlots(const CDataSet& a, const CDataSet& b) {
  for (int s = 0; s < kSectionCount; ++s) {
    for (int i = 0; i < SectionSlotCount(s); ++i) {
      const DATAENTRY* x = a.Entry(s, i);
      const DATAENTRY* y = b.Entry(s, i);
      ASSERT_EQ(x->used, y->used) << s << "/" << i;
      EXPECT_EQ(x->group, y->group) << s << "/" << i;
      ASSERT_EQ(x->size, y->size) << s << "/" << i;
      if (x->size) {
        EXPECT_EQ(0, std::memcmp(x->content.get(), y->content.get(), x->size)) << s << "/" << i;
      }
    }
  }
}

// A set with used slots in every section.
void FillSet(CDataSet& set) {
  const Bytes file = {0x01, 0x01, 0x82, 0xA0, 0, 0, 0, 0, 0x30, 0, 0x80, 1, 0, 0, 0, 0, 0x0D, 0x0A};
  set.SetEntry(kSecFile, 0, 1, file);
  set.SetEntry(kSecFile, 99, 9, file);
  set.SetEntry(kSecAddress, 3, 2, AddressContent("\x82\xA0\x82\xA2"));
  set.SetEntry(kSecGlyph, 19, 0, GlyphContent({0, 6}));
  set.SetEntry(kSecName, 0, 0, AddressContent("\x96\xBC"));
  set.SetEntry(kSecName, 39, 7, AddressContent(""));
}

bool HasTempFiles(const std::string& folder) {
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().rfind("~Gx", 0) == 0) return true;
  return false;
}

}  // namespace

TEST(DataFile, EmptySetIsJustTheHeader) {
  CTestEnv env;
  CDataSet set;
  ASSERT_EQ(set.SaveDataFile(env.Path("e.xmb")), kFileOk);
  const Bytes b = CTestEnv::ReadBytes(env.Path("e.xmb"));
  ASSERT_EQ(b.size(), 28u);
  EXPECT_EQ(0, std::memcmp(b.data(), "QUILP PRO V3\0\0\0\0", 16));
  EXPECT_EQ(Le32(b, 16), 0u);
  EXPECT_EQ(Le32(b, 20), 0u);
  EXPECT_EQ(Le32(b, 24), 0u);
  CDataSet back;
  back.SetEntry(kSecName, 1, 0, AddressContent("x"));
  EXPECT_EQ(back.LoadDataFile(env.Path("e.xmb")), kFileOk);
  ExpectEmpty(back);
}

TEST(DataFile, OnlyNameSlotFiveWritesFortyEntries) {
  CTestEnv env;
  CDataSet set;
  const Bytes c = AddressContent("\x96\xBC");
  set.SetEntry(kSecName, 5, 4, c);
  ASSERT_EQ(set.SaveDataFile(env.Path("n.xmb")), kFileOk);
  const Bytes b = CTestEnv::ReadBytes(env.Path("n.xmb"));
  ASSERT_EQ(b.size(), 28u + 40 * 12 + c.size());
  EXPECT_EQ(Le32(b, 20), 0x08u);
  EXPECT_EQ(Le32(b, 24), 40u);
  for (int i = 0; i < 40; ++i) {
    const size_t at = 28 + 12 * static_cast<size_t>(i);
    const bool used = i == 5;
    EXPECT_EQ(Le16(b, at), used ? 1 : 0) << i;
    EXPECT_EQ(Le16(b, at + 2), used ? 4 : 0) << i;
    EXPECT_EQ(Le32(b, at + 4), used ? c.size() : 0u) << i;
    // Empty slots carry the running offset.
    EXPECT_EQ(Le32(b, at + 8), i <= 5 ? 0u : c.size()) << i;
  }
  EXPECT_EQ(Bytes(b.end() - static_cast<long>(c.size()), b.end()), c);
}

TEST(DataFile, SaveAndLoadRoundTripEverySection) {
  CTestEnv env;
  CDataSet set;
  FillSet(set);
  set.m_modified = 1;
  set.m_untitled = 1;
  const std::string p = env.Path("all.xmb");
  ASSERT_EQ(set.SaveDataFile(p), kFileOk);
  EXPECT_EQ(set.m_modified, 0);
  EXPECT_EQ(set.m_untitled, 0);
  EXPECT_EQ(set.m_path, p);
  const Bytes first = CTestEnv::ReadBytes(p);
  EXPECT_EQ(Le32(first, 20), 0x0Fu);
  EXPECT_EQ(Le32(first, 24), 260u);

  CDataSet back;
  back.m_modified = back.m_untitled = 1;
  ASSERT_EQ(back.LoadDataFile(p), kFileOk);
  EXPECT_EQ(back.m_path, p);
  EXPECT_EQ(back.m_modified, 0);
  EXPECT_EQ(back.m_untitled, 0);
  ExpectSameSlots(set, back);
  // Saved again it is the same file byte for byte.
  ASSERT_EQ(back.SaveDataFile(env.Path("again.xmb")), kFileOk);
  EXPECT_EQ(CTestEnv::ReadBytes(env.Path("again.xmb")), first);
}

TEST(DataFile, GlyphStateTellsWhetherTheQP510ConversionChangesTheEntry) {
  CTestEnv env;
  CDataSet set;
  set.SetEntry(kSecGlyph, 0, 0, GlyphContent({0, 1, 2, 3, 4, 5, 6}));  // as the editor makes them
  set.SetEntry(kSecGlyph, 1, 0, GlyphContent({0, 1, 3, 5, 6}));        // only what QP510 takes
  set.SetEntry(kSecAddress, 0, 0, AddressContent("\x82\xA0"));         // never checked
  ASSERT_EQ(set.SaveDataFile(env.Path("g.xmb")), kFileOk);
  const Bytes b = CTestEnv::ReadBytes(env.Path("g.xmb"));
  const size_t address = 28, glyph = 28 + 100 * 12;
  EXPECT_EQ(Le16(b, address), 1);
  EXPECT_EQ(Le16(b, glyph), 2);
  EXPECT_EQ(Le16(b, glyph + 12), 1);
  CDataSet back;
  ASSERT_EQ(back.LoadDataFile(env.Path("g.xmb")), kFileOk);
  ExpectSameSlots(set, back);  // the content itself is never converted
}

TEST(DataFile, UsedSlotOfSizeZeroIsSavedEmpty) {
  CTestEnv env;
  CDataSet set;
  set.SetEntry(kSecAddress, 2, 3, {});
  set.SetEntry(kSecAddress, 4, 0, AddressContent("a"));
  ASSERT_EQ(set.SaveDataFile(env.Path("z.xmb")), kFileOk);
  const Bytes b = CTestEnv::ReadBytes(env.Path("z.xmb"));
  EXPECT_EQ(Le16(b, 28 + 2 * 12), 0);
  EXPECT_EQ(Le16(b, 28 + 2 * 12 + 2), 0);
  CDataSet back;
  ASSERT_EQ(back.LoadDataFile(env.Path("z.xmb")), kFileOk);
  EXPECT_EQ(back.IsUsed(kSecAddress, 2), 0);
  EXPECT_EQ(back.IsUsed(kSecAddress, 4), 1);
}

// Files the reader accepts although the writer never makes them.
TEST(DataFile, ToleratedVariantsLoad) {
  CTestEnv env;
  const Bytes c = AddressContent("\x82\xA0");
  auto make = [&](uint32_t flags, uint32_t count, uint16_t state, uint16_t group, uint32_t size) {
    Bytes b(28, 0);
    std::memcpy(b.data(), "QUILP PRO V3", 12);
    for (int i = 0; i < 4; ++i) {
      b[20 + i] = static_cast<uint8_t>(flags >> (8 * i));
      b[24 + i] = static_cast<uint8_t>(count >> (8 * i));
    }
    for (uint32_t i = 0; i < count; ++i) {
      Bytes e(12, 0);
      if (i == 0) {
        e = {static_cast<uint8_t>(state), 0, static_cast<uint8_t>(group), 0, static_cast<uint8_t>(size), 0, 0, 0, 0, 0, 0, 0};
      } else {
        e = {0xEE, 0xEE, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // garbage past the needed ones
        if (i < 100) e = Bytes(12, 0);
      }
      b.insert(b.end(), e.begin(), e.end());
    }
    b.insert(b.end(), c.begin(), c.end());
    return b;
  };
  const struct {
    const char* name;
    Bytes file;
    int usedSlot0;     // address slot 0 used afterwards
    uint32_t size;     // its size
  } rows[] = {
      {"count above the flags", make(0x02, 105, 1, 2, static_cast<uint32_t>(c.size())), 1, static_cast<uint32_t>(c.size())},
      {"flag bits above 0x08", make(0xF2, 100, 1, 2, static_cast<uint32_t>(c.size())), 1, static_cast<uint32_t>(c.size())},
      {"state 2 loads as state 1", make(0x02, 100, 2, 2, static_cast<uint32_t>(c.size())), 1, static_cast<uint32_t>(c.size())},
      {"used with size 0", make(0x02, 100, 1, 2, 0), 1, 0},
      {"flags beyond the low byte", make(0x0200, 0, 1, 2, 0), 0, 0},
  };
  for (const auto& r : rows) {
    CTestEnv::WriteBytes(env.Path("t.xmb"), r.file);
    CDataSet set;
    ASSERT_EQ(set.LoadDataFile(env.Path("t.xmb")), kFileOk) << r.name;
    EXPECT_EQ(set.IsUsed(kSecAddress, 0), r.usedSlot0) << r.name;
    if (!r.usedSlot0) {
      ExpectEmpty(set);
      continue;
    }
    const DATAENTRY* e = set.Entry(kSecAddress, 0);
    EXPECT_EQ(e->group, 2) << r.name;
    EXPECT_EQ(e->size, r.size) << r.name;
    if (r.size) {
      EXPECT_EQ(Bytes(e->content.get(), e->content.get() + e->size), c) << r.name;
    }
    EXPECT_EQ(set.IsUsed(kSecAddress, -2), 1);
    for (int s : {kSecFile, kSecGlyph, kSecName}) EXPECT_EQ(set.IsUsed(s, -2), 0) << r.name;
  }
}

// Damaged files: each fails with its code and leaves the set empty, flags
// cleared and the path as it was.
TEST(DataFile, DamagedFilesFailAndLeaveTheSetEmpty) {
  const struct {
    const char* fixture;
    int result;
  } rows[] = {
      {"TruncatedHeader.xmb", kFileAccessError},
      {"WrongSignature.xmb", kFileBadSignature},
      {"SignatureWithoutNul.xmb", kFileBadSignature},
      {"CountBelowFlags.xmb", kFileAccessError},
      {"DirectoryTruncated.xmb", kFileAccessError},
      {"TruncatedContent.xmb", kFileAccessError},
      {"OffsetPastEnd.xmb", kFileAccessError},
      {"HugeSize.xmb", kFileAccessError},  // refused before any allocation
      {"Garbage.xmb", kFileBadSignature},
  };
  CTestEnv env;
  CTestEnv::WriteBytes(env.Path("empty.xmb"), {});
  for (const auto& r : rows) {
    CDataSet set;
    FillSet(set);
    set.m_path = "/before.xmb";
    set.m_modified = set.m_untitled = 1;
    EXPECT_EQ(set.LoadDataFile(std::string(XAMU_TEST_DATA_DIR "/") + r.fixture), r.result) << r.fixture;
    ExpectEmpty(set);
    EXPECT_EQ(set.m_path, "/before.xmb") << r.fixture;
    EXPECT_EQ(set.m_modified, 0) << r.fixture;
    EXPECT_EQ(set.m_untitled, 0) << r.fixture;
  }
  CDataSet set;
  EXPECT_EQ(set.LoadDataFile(env.Path("empty.xmb")), kFileAccessError);
}

TEST(DataFile, OutOfMemoryWhileLoadingGivesMinus2AndAnEmptySet) {
  CTestEnv env;
  CDataSet set;
  FillSet(set);
  ASSERT_EQ(set.SaveDataFile(env.Path("m.xmb")), kFileOk);
  CDataSet back;
  SetContentAllocFailure(3);  // the third slot's buffer
  const int r = back.LoadDataFile(env.Path("m.xmb"));
  SetContentAllocFailure(0);
  EXPECT_EQ(r, kFileNoMemory);
  ExpectEmpty(back);
}

TEST(DataFile, UnopenableFilesChangeNothing) {
  CTestEnv env;
  CDataSet other;
  other.SetEntry(kSecAddress, 0, 0, AddressContent("a"));
  const std::string locked = env.Path("locked.xmb");
  ASSERT_EQ(other.SaveDataFile(locked), kFileOk);

  for (const std::string& path : {env.Path("missing.xmb"), locked}) {
    FOREIGNLOCK hold(locked);
    CDataSet set;
    FillSet(set);
    set.m_modified = set.m_untitled = 1;
    set.m_path = "/pane.xmb";
    EXPECT_EQ(set.LoadDataFile(path), kFileNotOpened) << path;
    EXPECT_EQ(set.IsUsed(kSecName, 39), 1);
    EXPECT_EQ(set.IsUsed(kSecAddress, 0), 0);
    EXPECT_EQ(set.m_modified, 1);
    EXPECT_EQ(set.m_untitled, 1);
    EXPECT_EQ(set.m_path, "/pane.xmb");
  }
}

TEST(DataFile, SavingOverALockedFileGivesMinus11AndChangesNothing) {
  CTestEnv env;
  const std::string p = env.Path("held.xmb");
  CDataSet old;
  old.SetEntry(kSecAddress, 0, 0, AddressContent("old"));
  ASSERT_EQ(old.SaveDataFile(p), kFileOk);
  const Bytes before = CTestEnv::ReadBytes(p);

  FOREIGNLOCK hold(p);
  CDataSet set;
  FillSet(set);
  set.m_modified = set.m_untitled = 1;
  EXPECT_EQ(set.SaveDataFile(p), kFileNotOpened);
  EXPECT_EQ(CTestEnv::ReadBytes(p), before);
  EXPECT_FALSE(HasTempFiles(env.Path("")));
  EXPECT_EQ(set.m_modified, 1);
  EXPECT_EQ(set.m_untitled, 1);
}

TEST(DataFile, SavingOverAReadOnlyFileGivesMinus18AndLeavesIt) {
  CTestEnv env;
  const std::string p = env.Path("ro.xmb");
  CTestEnv::WriteBytes(p, {1, 2, 3});
  ::chmod(p.c_str(), 0444);
  CDataSet set;
  FillSet(set);
  set.m_modified = 1;
  EXPECT_EQ(set.SaveDataFile(p), kFileReadOnly);
  EXPECT_EQ(CTestEnv::ReadBytes(p), (Bytes{1, 2, 3}));
  EXPECT_EQ(set.m_modified, 1);
  EXPECT_EQ(set.m_path, "");
  // Group and other write bits do not make it writable: the owner's bit decides.
  ::chmod(p.c_str(), 0466);
  EXPECT_EQ(PrepareSavePath(p), kFileReadOnly);
  ::chmod(p.c_str(), 0200);
  EXPECT_EQ(PrepareSavePath(p), kFileOk);
}

// A save that fails part-way leaves the old file as it was, no temporary
// file behind, and the flags set so the user is asked again.
TEST(DataFile, FailedWriteLeavesTheOldFileIntact) {
  CTestEnv env;
  const std::string p = env.Path("keep.xmb");
  CDataSet old;
  old.SetEntry(kSecName, 1, 1, AddressContent("old"));
  ASSERT_EQ(old.SaveDataFile(p), kFileOk);
  const Bytes before = CTestEnv::ReadBytes(p);

  const struct {
    long long after;
    int err;
    int result;
  } rows[] = {
      {0, ENOSPC, kFileDiskFull},      // nothing written at all
      {27, ENOSPC, kFileDiskFull},     // inside the header
      {28 + 300, EDQUOT, kFileDiskFull},  // inside the directory
      {28 + 260 * 12 + 5, EIO, kFileAccessError},  // inside the contents
      {28 + 260 * 12 + 30, EMFILE, kFileDiskFull},
  };
  for (const auto& r : rows) {
    CDataSet set;
    FillSet(set);
    set.m_modified = set.m_untitled = 1;
    set.m_path = "/pane.xmb";
    int result;
    {
      WRITEFAILURE fail(r.after, r.err);
      result = set.SaveDataFile(p);
    }
    EXPECT_EQ(result, r.result) << r.after;
    EXPECT_EQ(CTestEnv::ReadBytes(p), before) << r.after;
    EXPECT_FALSE(HasTempFiles(env.Path(""))) << r.after;
    EXPECT_EQ(set.m_modified, 1);
    EXPECT_EQ(set.m_untitled, 1);
    EXPECT_EQ(set.m_path, "/pane.xmb");
  }
}

TEST(DataFile, SaveKeepsPermissionsAndLinks) {
  CTestEnv env;
  ::umask(022);
  CDataSet set;
  FillSet(set);
  const std::string p = env.Path("perm.xmb");
  ASSERT_EQ(set.SaveDataFile(p), kFileOk);
  struct stat st;
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);  // a new file: 0666 less the umask
  ::chmod(p.c_str(), 0600);
  ASSERT_EQ(set.SaveDataFile(p), kFileOk);
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  const std::string link = env.Path("link.xmb");
  fs::create_symlink(p, link);
  set.ClearSection(kSecFile);
  ASSERT_EQ(set.SaveDataFile(link), kFileOk);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(set.m_path, link);
  CDataSet back;
  ASSERT_EQ(back.LoadDataFile(p), kFileOk);
  EXPECT_EQ(back.IsUsed(kSecFile, -2), 0);
  EXPECT_EQ(back.IsUsed(kSecName, 39), 1);
}

TEST(DataFile, SaveCreatesOneMissingFolderLevel) {
  CTestEnv env;
  CDataSet set;
  FillSet(set);
  EXPECT_EQ(set.SaveDataFile(env.Path("new/a.xmb")), kFileOk);
  EXPECT_TRUE(fs::exists(env.Path("new/a.xmb")));
  EXPECT_EQ(set.SaveDataFile(env.Path("x/y/a.xmb")), kFileNoFolder);
  EXPECT_FALSE(fs::exists(env.Path("x")));
  EXPECT_EQ(PrepareSavePath("plain-name.xmb"), kFileOk);  // no folder part: nothing to make
}

TEST(DataFile, KindsTextAsTheOpenDialogShowsThem) {
  CTestEnv env;
  CDataSet set;
  set.SetEntry(kSecGlyph, 0, 0, GlyphContent({0}));
  set.SetEntry(kSecName, 0, 0, AddressContent("a"));
  set.SetEntry(kSecFile, 0, 0, AddressContent("a"));
  ASSERT_EQ(set.SaveDataFile(env.Path("k.xmb")), kFileOk);
  EXPECT_EQ(DataFileKindsText(env.Path("k.xmb")), "ファイル／名前／外字");
  EXPECT_EQ(DataFileKindsText(XAMU_TEST_DATA_DIR "/WrongSignature.xmb"), "");
  EXPECT_EQ(DataFileKindsText(env.Path("none.xmb")), "");
  CDataSet empty;
  ASSERT_EQ(empty.SaveDataFile(env.Path("e.xmb")), kFileOk);
  EXPECT_EQ(DataFileKindsText(env.Path("e.xmb")), "");
}

TEST(FileResult, CausesMapToResults) {
  const struct {
    int cause, result;
  } rows[] = {{0, 0}, {1, -10}, {2, -13}, {5, -10}, {8, -12}, {11, -10}, {13, -12}, {14, -10}};
  for (const auto& r : rows) EXPECT_EQ(CauseToResult(r.cause), r.result) << r.cause;
}

TEST(FileResult, MessagesForEveryCode) {
  const std::string access = "ファイルアクセス時に何らかのエラーが発生しました。";
  const struct {
    int code;
    bool save;
    std::string text;
  } rows[] = {
      {0, false, ""},
      {-1, false, "ＸＡＭＵのファイルでは、ありません。\nまたは、ファイルが壊れている可能性があります。"},
      {-2, false, "メモリ不足のため、読み込みできません。"},
      {-2, true, "メモリ不足のため、保存できません。"},
      {-10, true, access},
      {-11, false, "無題1.xmbがみつかりませんでした。"},
      {-12, true, "ディスク容量不足のため、保存できませんでした。"},
      {-13, false, "指定のファイルが見つかりませんでした。"},
      {-14, true, access},
      {-18, true, access},
      {-99, false, access},
      {7, false, access},
  };
  for (const auto& r : rows) EXPECT_EQ(FileResultMessage(r.code, r.save, "無題1.xmb"), r.text) << r.code;
}

TEST(DataFile, SamplesLoadAndSaveBackByteForByte) {
  CTestEnv env;
  const struct {
    const char* name;
    const char* kinds;
  } rows[] = {
      {"Address.xmb", "あて名"},
      {"Name.xmb", "名前"},
      {"Label.xmb", "ファイル"},
      {"Glyph.xmb", "外字"},
      {"Sample.xmb", "ファイル／あて名／名前／外字"},
  };
  for (const auto& r : rows) {
    // A private copy: data files are opened with an exclusive lock, and tests
    // running side by side would otherwise find the shared sample locked.
    const std::string path = env.Path(std::string("sample-") + r.name);
    std::filesystem::copy_file(std::string(XAMU_BUILD_DIR "/share/xamu/samples/") + r.name, path);
    const Bytes original = CTestEnv::ReadBytes(path);
    ASSERT_GT(original.size(), 28u) << r.name;
    EXPECT_EQ(DataFileKindsText(path), r.kinds);
    CDataSet set;
    ASSERT_EQ(set.LoadDataFile(path), kFileOk) << r.name;
    ASSERT_EQ(set.SaveDataFile(env.Path(r.name)), kFileOk) << r.name;
    EXPECT_EQ(CTestEnv::ReadBytes(env.Path(r.name)), original) << r.name;
  }
}
