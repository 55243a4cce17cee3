#include "exchange/Spreadsheet.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ExchangeTestUtil.h"
#include "common/Inotify.h"
#include "common/TestEnv.h"
#include "exchange/Exchange.h"
#include "model/Paths.h"

namespace fs = std::filesystem;

namespace {

std::string S(const char* utf8) { return Utf8ToCp932(utf8); }

std::string Bytes(const std::string& path) {
  auto b = CTestEnv::ReadBytes(path);
  return std::string(b.begin(), b.end());
}

void WriteText(const std::string& path, const std::string& bytes) {
  CTestEnv::WriteBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void PutLe32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A template container whose entry n holds the bytes "XLS-n".
std::string MakeTemplate(uint32_t count) {
  std::string dir, data;
  uint32_t offset = 4 + 8 * count;
  PutLe32(dir, count);
  for (uint32_t n = 1; n <= count; ++n) {
    std::string bytes = "XLS-" + std::to_string(n);
    PutLe32(dir, offset + static_cast<uint32_t>(data.size()));
    PutLe32(dir, static_cast<uint32_t>(bytes.size()));
    data += bytes;
  }
  return dir + data;
}

// "~Gx" and staging files left in a folder.
int LeftoverTemps(const std::string& folder) {
  int n = 0;
  for (auto& e : fs::directory_iterator(folder)) n += e.path().filename().string().find("~Gx") != std::string::npos;
  return n;
}

class SpreadsheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XAMU_PROGRAM_DIR");
    m_oldProgramDir = old ? old : "";
    m_program = env.Root() + "/prog";
    fs::create_directories(m_program);
    setenv("XAMU_PROGRAM_DIR", m_program.c_str(), 1);
    unsetenv("FAKE_TBLX2_RESULT");
    UseConverter("FakeTblx2");
    WriteText(m_program + "/Template.dat", MakeTemplate(7));
    WriteText(m_program + "/TemplateXLSX.dat", "XLSX-BLANK");
    PutRecord(set, kCatAddress, 0, {"１２３－４５６７", "東京"});
    PutRecord(set, kCatName, 0, {"山田", "太郎"});
  }
  void TearDown() override {
    if (m_oldProgramDir.empty())
      unsetenv("XAMU_PROGRAM_DIR");
    else
      setenv("XAMU_PROGRAM_DIR", m_oldProgramDir.c_str(), 1);
    unsetenv("FAKE_TBLX2_RESULT");
  }
  // Installs one of the stand-in converters ("" removes it).
  void UseConverter(const std::string& which) {
    fs::remove(m_program + "/libtblx2.so");
    if (!which.empty())
      fs::copy_file(std::string(XAMU_BUILD_DIR) + "/tests/" + which + "/libtblx2.so", m_program + "/libtblx2.so");
  }

  CTestEnv env;
  CDataSet set;
  CRecordedMessages messages;
  std::string m_program;
  std::string m_oldProgramDir;
};

const std::string kAddressText = S("〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード\r\n１２３－４５６７,東京,,,,,\r\n");

TEST_F(SpreadsheetTest, XlsxExportReplacesTheFileWithAWritableFilledTemplate) {
  std::string out = env.Path("book.xlsx");
  WriteText(out, "old workbook");
  chmod(out.c_str(), 0444);
  ASSERT_TRUE(SpreadsheetExport(set, kCatAddress, out, messages));
  EXPECT_EQ(Bytes(out), "XLSX-BLANK|Sheet1$|7|w|" + kAddressText);
  struct stat st {};
  stat(out.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u);  // the old bits plus the owner's write bit
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(LeftoverTemps(env.Root() + "/work"), 0);
  EXPECT_TRUE(fs::is_empty(env.Root() + "/runtime"));
  EXPECT_EQ(LeftoverTemps(env.Path("")), 0);
}

// A folder the user may not create files in, holding a workbook the user may
// write: the workbook is staged in the per-user data folder (there is no
// private runtime folder here) and written in place; the temporary folder
// sees nothing. Root may create files anywhere, so the export then runs as
// nobody.
TEST_F(SpreadsheetTest, WorkbookInAFolderThatRefusesNewFilesIsWrittenInPlace) {
  const bool root = geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNogroup = 65534;
  chmod(env.Root().c_str(), 0755);
  chmod(env.Path("").c_str(), 0755);
  const std::string folder = env.Path("shared"), scratch = env.Path("scratch"), own = env.Path("own"),
                    openRuntime = env.Path("open-runtime"), ownData = own + "/KORVANTE/XAMU";
  for (const std::string& f : {folder, scratch, ownData, openRuntime}) fs::create_directories(f);
  const std::string book = folder + "/book.xlsx";
  WriteText(book, "old workbook");
  if (root) {
    for (const std::string& f : {book, scratch, own, own + "/KORVANTE", ownData, openRuntime})
      ASSERT_EQ(chown(f.c_str(), kNobody, kNogroup), 0) << f;
  }
  chmod(ownData.c_str(), 0700);
  chmod(openRuntime.c_str(), 0777);
  chmod(folder.c_str(), 0555);
  struct {
    const char* name;
    const char* runtime;  // XDG_RUNTIME_DIR of the export, nullptr = unset
  } cases[] = {{"runtime unset", nullptr}, {"runtime open to others", openRuntime.c_str()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    chmod(folder.c_str(), 0755);
    WriteText(book, "old workbook");
    chmod(folder.c_str(), 0555);
    struct stat before {};
    stat(book.c_str(), &before);
    int status = -1;
    std::vector<std::string> inData;
    const std::vector<std::string> elsewhere = FilesMadeIn({scratch, folder, openRuntime}, [&] {
      inData = FilesMadeIn(ownData, [&] {
        const pid_t pid = fork();
        if (pid == 0) {
          if (root && (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0)) _exit(100);
          setenv("TMPDIR", scratch.c_str(), 1);
          setenv("XDG_DATA_HOME", own.c_str(), 1);
          if (c.runtime)
            setenv("XDG_RUNTIME_DIR", c.runtime, 1);
          else
            unsetenv("XDG_RUNTIME_DIR");
          CRecordedMessages quiet;
          _exit(SpreadsheetExport(set, kCatAddress, book, quiet) ? 0 : 1);
        }
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
      });
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Bytes(book), "XLSX-BLANK|Sheet1$|7|w|" + kAddressText);
    struct stat after {};
    stat(book.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(elsewhere, std::vector<std::string>{});
    EXPECT_FALSE(inData.empty());  // the scratch files found a private home
    EXPECT_EQ(LeftoverTemps(ownData), 0);
  }
  chmod(folder.c_str(), 0755);
}

// With the real converter and no private runtime folder, exports and imports
// of both workbook kinds succeed and make nothing in the temporary folder:
// the text they pass through goes to the per-user data folder, the staged
// workbook beside its target, and the .xls reader's copy stays in memory.
TEST_F(SpreadsheetTest, WorkbooksGoThroughNoSharedFolder) {
  setenv("XAMU_PROGRAM_DIR", XAMU_BUILD_DIR "/share/xamu", 1);
  const std::string tmp = env.Root() + "/tmp", runtime = env.Root() + "/runtime", docs = env.Root() + "/docs";
  fs::create_directories(tmp);
  setenv("TMPDIR", tmp.c_str(), 1);
  const std::string data = PrivateDataFolder();
  ASSERT_FALSE(data.empty());
  struct {
    const char* name;
    bool set;  // XDG_RUNTIME_DIR set (to a folder open to others)
  } runtimes[] = {{"runtime unset", false}, {"runtime open to others", true}};
  struct {
    const char* file;
    bool exporting;
  } steps[] = {{"book.xlsx", true}, {"book.xls", true}, {"book.xlsx", false}, {"book.xls", false}};
  for (const auto& r : runtimes) {
    chmod(runtime.c_str(), r.set ? 0777 : 0700);
    if (r.set)
      setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    else
      unsetenv("XDG_RUNTIME_DIR");
    for (const auto& step : steps) {
      SCOPED_TRACE(std::string(r.name) + ", " + (step.exporting ? "export " : "import ") + step.file);
      const std::string book = docs + "/" + step.file;
      CDataSet back;
      int stored = 0;
      std::vector<std::string> inData;
      const std::vector<std::string> shared = FilesMadeIn({tmp, runtime}, [&] {
        inData = FilesMadeIn(data, [&] {
          if (step.exporting)
            EXPECT_TRUE(ExportEntries(set, kCatAddress, book, messages));
          else
            EXPECT_TRUE(ImportEntries(back, kCatAddress, book, messages, &stored));
        });
      });
      EXPECT_EQ(shared, std::vector<std::string>{});
      EXPECT_FALSE(inData.empty());
      EXPECT_EQ(LeftoverTemps(data), 0);
      EXPECT_EQ(LeftoverTemps(docs), 0);
      EXPECT_TRUE(messages.shown.empty());
      if (!step.exporting) {
        EXPECT_EQ(stored, 1);
        EXPECT_EQ(FieldsOf(back, kCatAddress, 0), FieldsOf(set, kCatAddress, 0));
      }
    }
  }
  chmod(runtime.c_str(), 0700);
}

TEST_F(SpreadsheetTest, XlsExportTakesTheTemplateEntryOfTheColumnCount) {
  std::string out = env.Path("a.XLS");
  ASSERT_TRUE(SpreadsheetExport(set, kCatAddress, out, messages));
  EXPECT_EQ(Bytes(out).substr(0, 17), "XLS-7|Sheet1$|7|w");
  ASSERT_TRUE(SpreadsheetExport(set, kCatName, out, messages));
  EXPECT_EQ(Bytes(out), "XLS-4|Sheet1$|4|w|" + S("氏（漢字）,名（漢字）,氏（読み）,名（読み）\r\n山田,太郎,,\r\n"));
}

TEST_F(SpreadsheetTest, EmptyPaneExportsTheHeaderRowAlone) {
  CDataSet empty;
  std::string out = env.Path("h.xls");
  ASSERT_TRUE(SpreadsheetExport(empty, kCatAddress, out, messages));
  EXPECT_EQ(Bytes(out), "XLS-7|Sheet1$|7|w|" + S("〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード\r\n"));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SpreadsheetTest, TemplateWithFiveEntriesFailsAddressButNotName) {
  WriteText(m_program + "/Template.dat", MakeTemplate(5));
  std::string out = env.Path("t.xls");
  WriteText(out, "keep");
  EXPECT_FALSE(SpreadsheetExport(set, kCatAddress, out, messages));
  EXPECT_EQ(Bytes(out), "keep");
  EXPECT_TRUE(SpreadsheetExport(set, kCatName, out, messages));
  EXPECT_EQ(LeftoverTemps(env.Root() + "/work"), 0);
}

TEST_F(SpreadsheetTest, FailedExportsLeaveTheOldWorkbook) {
  struct {
    const char* name;
    std::function<void()> breakIt;
    std::vector<std::string> shown;
  } cases[] = {
      {"missing template", [&] { fs::remove(m_program + "/Template.dat"); }, {}},
      {"missing converter", [&] { UseConverter(""); }, {"必要なＤＬＬが見つかりません。"}},
      {"converter without functions", [&] { UseConverter("EmptyTblx2"); },
       {"必要なドライバが組み込まれていない可能性があります。"}},
      {"converter failure", [&] { setenv("FAKE_TBLX2_RESULT", "0", 1); }, {}},
  };
  for (auto& c : cases) {
    SetUp();
    messages.shown.clear();
    c.breakIt();
    std::string out = env.Path("old.xls");
    WriteText(out, "old workbook");
    EXPECT_FALSE(SpreadsheetExport(set, kCatAddress, out, messages)) << c.name;
    EXPECT_EQ(Bytes(out), "old workbook") << c.name;
    EXPECT_EQ(messages.shown, c.shown) << c.name;
    EXPECT_EQ(LeftoverTemps(env.Root() + "/work"), 0) << c.name;
  }
}

TEST_F(SpreadsheetTest, ExportChoosesByTheLastFourCharacters) {
  // .xlsm holds "XLS": tried as a workbook, it fails at the template step.
  EXPECT_FALSE(ExportEntries(set, kCatAddress, env.Path("m.xlsm"), messages));
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"保存ができませんでした"}));
  EXPECT_FALSE(fs::exists(env.Path("m.xlsm")));
  messages.shown.clear();
  EXPECT_FALSE(ExportEntries(set, kCatName, env.Path("m.xlsm"), messages));
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"保存ができませんでした。"}));
  // Anything else is a text file without header.
  EXPECT_TRUE(ExportEntries(set, kCatName, env.Path("n.dat"), messages));
  EXPECT_EQ(Bytes(env.Path("n.dat")), S("山田,太郎,,\r\n"));
}

TEST_F(SpreadsheetTest, EmptyPaneTextExportShowsBothMessages) {
  CDataSet empty;
  EXPECT_FALSE(ExportEntries(empty, kCatAddress, env.Path("e.csv"), messages));
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"保存するデータがありません。", "保存ができませんでした"}));
  EXPECT_FALSE(fs::exists(env.Path("e.csv")));
}

TEST_F(SpreadsheetTest, ImportSkipsTheFirstRow) {
  std::string book = env.Path("in.xlsx");
  WriteText(book, S("ヘッダ,行\r\n山田,花子\r\n佐藤,一郎\r\n"));
  int stored = 0;
  ASSERT_TRUE(ImportEntries(set, kCatName, book, messages, &stored));
  EXPECT_EQ(stored, 2);
  EXPECT_EQ(FieldsOf(set, kCatName, 0), (std::vector<std::string>{"山田", "花子", "", ""}));
  EXPECT_EQ(FieldsOf(set, kCatName, 1)[0], "佐藤");
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(LeftoverTemps(env.Root() + "/work"), 0);
}

TEST_F(SpreadsheetTest, ImportResultsOtherThanDone) {
  std::string book = env.Path("in.XLS");
  WriteText(book, "h\r\nnew\r\n");
  struct {
    const char* result;  // FAKE_TBLX2_RESULT, "" = no converter
    bool ok;
    std::vector<std::string> shown;
  } cases[] = {
      {"2", true, {}},
      {"0", false, {"読み込みができませんでした。"}},
      {"", false, {"必要なＤＬＬが見つかりません。", "読み込みができませんでした。"}},
  };
  for (auto& c : cases) {
    SetUp();
    messages.shown.clear();
    if (*c.result) setenv("FAKE_TBLX2_RESULT", c.result, 1);
    else UseConverter("");
    int stored = -1;
    EXPECT_EQ(ImportEntries(set, kCatName, book, messages, &stored), c.ok) << c.result;
    EXPECT_EQ(stored, 0) << c.result;
    EXPECT_EQ(FieldsOf(set, kCatName, 0)[0], "山田") << c.result;  // nothing stored
    EXPECT_EQ(messages.shown, c.shown) << c.result;
    EXPECT_EQ(LeftoverTemps(env.Root() + "/work"), 0) << c.result;
  }
}

TEST_F(SpreadsheetTest, TextImportIsChosenWithoutXlsInTheExtension) {
  std::string file = env.Path("plain.txt");
  WriteText(file, "first\r\n");
  int stored = 0;
  ASSERT_TRUE(ImportEntries(set, kCatName, file, messages, &stored));
  EXPECT_EQ(stored, 1);
  EXPECT_EQ(FieldsOf(set, kCatName, 0)[0], "ｆｉｒｓｔ");  // no header skipped
  EXPECT_FALSE(ImportEntries(set, kCatName, env.Path("none.csv"), messages));
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"読み込みができませんでした。"}));
}

TEST(ExtractTemplate, BrokenContainersAreRefused) {
  CTestEnv env;
  std::string tpl = env.Path("t.dat"), out = env.Path("out.xls");
  std::string good = MakeTemplate(3);
  std::string pastEnd = good;
  pastEnd[4 + 8 * 2 + 4] = 100;  // entry 3's length runs past the end
  std::string dirPastEnd;
  PutLe32(dirPastEnd, 9);  // claims nine entries, holds none
  struct {
    const char* why;
    std::string bytes;
    int entry;
    bool ok;
  } cases[] = {
      {"entry 3 of 3", good, 3, true},
      {"entry 4 of 3", good, 4, false},
      {"entry 0", good, 0, false},
      {"data past the end", pastEnd, 3, false},
      {"directory past the end", dirPastEnd, 1, false},
      {"truncated count", std::string("\x03\x00", 2), 1, false},
      {"empty file", "", 1, false},
  };
  for (auto& c : cases) {
    WriteText(tpl, c.bytes);
    chmod(tpl.c_str(), 0444);
    WriteText(out, "before");
    EXPECT_EQ(ExtractTemplate(tpl, out, c.entry), c.ok) << c.why;
    EXPECT_EQ(Bytes(out), c.ok ? "XLS-3" : "before") << c.why;
    chmod(tpl.c_str(), 0644);
  }
  EXPECT_FALSE(ExtractTemplate(env.Path("missing.dat"), out, 1));
  WriteText(tpl, good);
  EXPECT_FALSE(ExtractTemplate(tpl, env.Path("no/folder/out.xls"), 1));
}

TEST(MakeExportFileName, CountsFromOnePastExistingFiles) {
  CTestEnv env;
  std::string folder = env.Root() + "/work";
  EXPECT_EQ(MakeExportFileName(folder, kCatAddress), "Address1.xls");
  WriteText(folder + "/Address1.xls", "");
  WriteText(folder + "/Address2.xls", "");
  WriteText(folder + "/Address4.xls", "");
  EXPECT_EQ(MakeExportFileName(folder + "/", kCatAddress), "Address3.xls");
  EXPECT_EQ(MakeExportFileName(folder, kCatName), "Name1.xls");
  EXPECT_EQ(MakeExportFileName(folder, kCatFile), "無題1.xmb");
}

}  // namespace
