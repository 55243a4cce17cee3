// The spreadsheet converter plug-in, loaded as the program loads it: dlopen
// of the built libtblx2.so, functions looked up by name. Workbooks it writes
// are read back through its readers (FreeXL for .xls, the zip/XML reader
// for .xlsx), which are independent of the writers; the readers themselves
// are checked on workbooks made by a real spreadsheet program.
#include "FileUtil.h"
#include "common/Inotify.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iconv.h>
#include <string>
#include <vector>

namespace {

using Xls2CsvFn = int (*)(const char*, const char*);
using Csv2XlsFn = int (*)(const char*, const char*, const char*, int);

constexpr const char* kPluginPath = XAMU_BUILD_DIR "/share/xamu/libtblx2.so";
constexpr const char* kProgramDir = XAMU_BUILD_DIR "/share/xamu/";
constexpr const char* kDataDir = XAMU_TEST_DATA_DIR "/";
// Converter results.
constexpr int kFailed = 0;
constexpr int kWritten = 1;
constexpr int kNothingToRead = 2;
// What the text file holds before a conversion that must not touch it.
constexpr const char* kUntouched = "untouched";

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Spit(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Test texts are written in UTF-8 here and handed over as CP932, as the
// program does.
std::string Sjis(const std::string& utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    iconv_close(cd);
    EXPECT_NE(rc, static_cast<size_t>(-1)) << "test text without a CP932 form: " << utf8;
    out.resize(out.size() - dstLeft);
    return out;
}

class Tblx2Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_lib = dlopen(kPluginPath, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_lib, nullptr) << dlerror();
        m_toText = reinterpret_cast<Xls2CsvFn>(dlsym(m_lib, "ConvertXls2Csv"));
        m_toWorkbook = reinterpret_cast<Csv2XlsFn>(dlsym(m_lib, "ConvertCsv2Xls"));
        ASSERT_NE(m_toText, nullptr);
        ASSERT_NE(m_toWorkbook, nullptr);
    }
    void TearDown() override
    {
        if (m_lib)
            dlclose(m_lib);
    }

    // Converts `text` (CP932) into a workbook at `workbook` and reads it
    // back; gives the text the converter wrote.
    std::string RoundTrip(const std::string& text, const std::string& workbook, int columns)
    {
        const std::string in = m_env.Path("in.txt");
        const std::string out = m_env.Path("out.txt");
        Spit(in, text);
        EXPECT_EQ(m_toWorkbook(in.c_str(), workbook.c_str(), "Sheet1$", columns), kWritten);
        EXPECT_EQ(m_toText(workbook.c_str(), out.c_str()), kWritten);
        return Slurp(out);
    }

    CTestEnv m_env;
    void* m_lib = nullptr;
    Xls2CsvFn m_toText = nullptr;
    Csv2XlsFn m_toWorkbook = nullptr;
};

class Tblx2FormatTest : public Tblx2Test, public ::testing::WithParamInterface<const char*> {
protected:
    std::string Workbook(const std::string& stem = "book") { return m_env.Path(stem + GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Formats, Tblx2FormatTest, ::testing::Values(".xls", ".xlsx"),
                         [](const auto& info) { return std::string(info.param + 1); });

TEST_P(Tblx2FormatTest, AddressTextComesBackAsWritten)
{
    // Header row, text that looks like numbers (kept as typed, leading zeros
    // included), characters of the NEC and IBM rows, half-width katakana,
    // empty fields in the middle, an empty record line, quoted fields.
    const std::string text = Sjis(
        "〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード\r\n"
        "0012345,東京都港区①－２,髙島屋～本館,,ｶﾌﾞｼｷｶﾞｲｼｬ,山田 太郎,1234567.0\r\n"
        "\r\n"
        "\"a,b\",\"say \"\"hi\"\"\",x\"y,,,,00\r\n");
    // A quoted field that does not need its quotes comes back without them.
    std::string expected = text;
    const std::string quoted = "\"say \"\"hi\"\"\"";
    expected.replace(expected.find(quoted), quoted.size(), "say \"hi\"");
    EXPECT_EQ(RoundTrip(text, Workbook(), 7), expected);
}

TEST_P(Tblx2FormatTest, TextLinesAreReadByTheTextRules)
{
    struct CASE {
        const char* name;
        std::string in;
        std::string out;
    };
    const CASE cases[] = {
        {"fields beyond the column count are dropped", Sjis("1,2,3,4,5\r\n"), "1,2,3,4\r\n"},
        {"LF alone ends a line", "a\nb\n", "a\r\nb\r\n"},
        {"a final end-of-file mark is not text", "a,b\r\n\x1A", "a,b\r\n"},
        {"TAB separates when a line holds one", "a,b\tc\r\nd\te\r\n", "\"a,b\",c\r\nd,e\r\n"},
        {"a separator at the end gives no field", "a,\r\n", "a\r\n"},
        {"invalid CP932 becomes a black square", "a\x80z,\x81,q\r\n", Sjis("a■z,■,q\r\n")},
        {"a leading quote is kept by quoting", "x,\"\"\"q\"\r\n", "x,\"\"\"q\"\r\n"},
        {"empty text gives an empty sheet", "", ""},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = m_env.Path("in.txt");
        const std::string out = m_env.Path("out.txt");
        const std::string workbook = Workbook();
        Spit(in, c.in);
        ASSERT_EQ(m_toWorkbook(in.c_str(), workbook.c_str(), "Sheet1$", 4), kWritten);
        std::remove(out.c_str());
        const int read = m_toText(workbook.c_str(), out.c_str());
        if (c.out.empty()) {
            EXPECT_EQ(read, kNothingToRead);
        } else {
            EXPECT_EQ(read, kWritten);
            EXPECT_EQ(Slurp(out), c.out);
        }
    }
}

TEST_P(Tblx2FormatTest, ManyDistinctStringsAndHugeCellsSurvive)
{
    // Enough distinct double-byte text to run the string table over many
    // continuation records, and a long cell. In .xlsx it is longer than a
    // cell holds and is cut at 32767 characters. The .xls reader library
    // returns at most about 8000 characters of a cell, so there the cell
    // only spans one continuation record.
    std::string text;
    std::string expected;
    for (int r = 0; r < 3000; ++r) {
        std::string line;
        for (int c = 0; c < 4; ++c)
            line += (c ? "," : "") + Sjis("行") + std::to_string(r) + Sjis("列あいうえお") + std::to_string(c);
        text += line + "\r\n";
        expected += line + "\r\n";
    }
    const bool xlsx = std::string(GetParam()) == ".xlsx";
    text += std::string(xlsx ? 40000 : 6000, 'a') + ",b\r\n";
    expected += std::string(xlsx ? 32767 : 6000, 'a') + ",b\r\n";
    const std::string back = RoundTrip(text, Workbook(), 4);
    // Compared by hand: a failure must not print megabytes.
    EXPECT_EQ(back.size(), expected.size());
    const auto mismatch = std::mismatch(back.begin(), back.end(), expected.begin(), expected.end());
    EXPECT_TRUE(back == expected) << "first difference at byte " << (mismatch.first - back.begin());
}

// Where gnumeric's converter happens to be installed, a real spreadsheet
// program must read what we write (it is no dependency: skipped otherwise).
TEST_P(Tblx2FormatTest, ASpreadsheetProgramReadsWhatIsWritten)
{
    if (std::system("command -v ssconvert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ssconvert is not installed";
    const std::string in = m_env.Path("in.txt");
    const std::string workbook = Workbook();
    Spit(in, Sjis("〒番号,住所1\r\n0012345,東京都①髙～－\r\n\"a,b\",ｶﾀｶﾅ\r\n"));
    ASSERT_EQ(m_toWorkbook(in.c_str(), workbook.c_str(), "Sheet1$", 2), kWritten);
    const std::string csv = m_env.Path("check.csv");
    const std::string command = "ssconvert '" + workbook + "' '" + csv + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(Slurp(csv), "〒番号,住所1\n0012345,東京都①髙～－\n\"a,b\",ｶﾀｶﾅ\n");
}

TEST_P(Tblx2FormatTest, ReplacingAWorkbookKeepsItsPermissions)
{
    const std::string workbook = Workbook();
    Spit(workbook, "old");
    ASSERT_EQ(chmod(workbook.c_str(), 0640), 0);
    const std::string in = m_env.Path("in.txt");
    Spit(in, "a\r\n");
    ASSERT_EQ(m_toWorkbook(in.c_str(), workbook.c_str(), "Sheet1$", 7), kWritten);
    struct stat st {};
    ASSERT_EQ(stat(workbook.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_P(Tblx2FormatTest, RefusedConversionLeavesTheWorkbookAlone)
{
    const std::string workbook = Workbook();
    const std::string in = m_env.Path("in.txt");
    Spit(in, "a,b\r\n");
    const std::string fifo = m_env.Path("fifo.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct CASE {
        const char* name;
        std::string text;
        std::string sheet;
        int columns;
    };
    const CASE cases[] = {
        {"text path is a FIFO", fifo, "Sheet1$", 7},
        {"missing text file", m_env.Path("missing.txt"), "Sheet1$", 7},
        {"text path is a folder", m_env.Path(""), "Sheet1$", 7},
        {"no columns", in, "Sheet1$", 0},
        {"negative columns", in, "Sheet1$", -1},
        {"more columns than a sheet has", in, "Sheet1$", 20000},
        {"a sheet name no spreadsheet takes", in, "a[b]", 7},
        {"a sheet name longer than 31 characters", in, std::string(32, 'n'), 7},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.name);
        Spit(workbook, "the user's workbook");
        EXPECT_EQ(m_toWorkbook(c.text.c_str(), workbook.c_str(), c.sheet.c_str(), c.columns), kFailed);
        EXPECT_EQ(Slurp(workbook), "the user's workbook");
    }
    EXPECT_EQ(m_toWorkbook(nullptr, workbook.c_str(), "Sheet1$", 7), kFailed);
    EXPECT_EQ(m_toWorkbook(in.c_str(), nullptr, "Sheet1$", 7), kFailed);
}

TEST_P(Tblx2FormatTest, WorkbookInAMissingFolderFails)
{
    const std::string in = m_env.Path("in.txt");
    Spit(in, "a\r\n");
    const std::string workbook = m_env.Path(std::string("no/such/folder/book") + GetParam());
    EXPECT_EQ(m_toWorkbook(in.c_str(), workbook.c_str(), "Sheet1$", 7), kFailed);
}

TEST_F(Tblx2Test, XlsHoldsMoreRowsThanBiffAllowsIsRefused)
{
    std::string text;
    for (int r = 0; r < 65537; ++r)
        text += "x\r\n";
    const std::string in = m_env.Path("in.txt");
    Spit(in, text);
    const std::string xls = m_env.Path("big.xls");
    Spit(xls, "old");
    EXPECT_EQ(m_toWorkbook(in.c_str(), xls.c_str(), "Sheet1$", 7), kFailed);
    EXPECT_EQ(Slurp(xls), "old");
    // .xlsx sheets are larger.
    EXPECT_EQ(m_toWorkbook(in.c_str(), m_env.Path("big.xlsx").c_str(), "Sheet1$", 7), kWritten);
}

// The program releases the library after every conversion and loads it
// again for the next one.
TEST_F(Tblx2Test, WorksAgainAfterBeingReleasedAndLoaded)
{
    const std::string in = m_env.Path("in.txt");
    const std::string out = m_env.Path("out.txt");
    const std::string text = Sjis("氏（漢字）\r\n山田\r\n");
    Spit(in, text);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        dlclose(m_lib);
        m_lib = dlopen(kPluginPath, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_lib, nullptr);
        const auto toText = reinterpret_cast<Xls2CsvFn>(dlsym(m_lib, "ConvertXls2Csv"));
        const auto toWorkbook = reinterpret_cast<Csv2XlsFn>(dlsym(m_lib, "ConvertCsv2Xls"));
        ASSERT_TRUE(toText && toWorkbook);
        // Both .xls paths go through the compound-file library, whose module
        // stays loaded; the .xlsx modules are released with the library.
        for (const std::string ext : {".xls", ".xlsx"}) {
            SCOPED_TRACE(ext);
            const std::string book = m_env.Path("again" + ext);
            ASSERT_EQ(toWorkbook(in.c_str(), book.c_str(), "Sheet1$", 4), kWritten);
            ASSERT_EQ(toText(book.c_str(), out.c_str()), kWritten);
            EXPECT_EQ(Slurp(out), text);
            ASSERT_EQ(toText((XAMU_TEST_DATA_DIR "/Typed" + ext).c_str(), out.c_str()), kWritten);
            EXPECT_NE(Slurp(out).find("1234568,xy,TRUE\r\n"), std::string::npos);
        }
    }
}

// The plug-in loads the module for each workbook kind from its own folder;
// without it there, a conversion is a failure like any other and touches
// neither the workbook nor the text file.
TEST_F(Tblx2Test, MissingModuleIsAFailure)
{
    const std::string alone = m_env.Root() + "/alone";
    ASSERT_EQ(mkdir(alone.c_str(), 0700), 0);
    const std::string front = alone + "/libtblx2.so";
    Spit(front, Slurp(kPluginPath));
    void* lib = dlopen(front.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const auto toText = reinterpret_cast<Xls2CsvFn>(dlsym(lib, "ConvertXls2Csv"));
    const auto toWorkbook = reinterpret_cast<Csv2XlsFn>(dlsym(lib, "ConvertCsv2Xls"));
    ASSERT_TRUE(toText && toWorkbook);
    const std::string in = m_env.Path("in.txt");
    const std::string out = m_env.Path("out.txt");
    Spit(in, "a\r\n");
    for (const std::string ext : {".xlsx", ".xls"}) {
        SCOPED_TRACE(ext);
        const std::string book = m_env.Path("book" + ext);
        Spit(book, "old");
        EXPECT_EQ(toWorkbook(in.c_str(), book.c_str(), "Sheet1$", 1), kFailed);
        EXPECT_EQ(Slurp(book), "old");
        Spit(out, kUntouched);
        EXPECT_EQ(toText((kDataDir + std::string("Typed") + ext).c_str(), out.c_str()), kFailed);
        EXPECT_EQ(Slurp(out), kUntouched);
    }
    dlclose(lib);
    // The converter in the program folder still has its modules.
    EXPECT_EQ(RoundTrip("a\r\n", m_env.Path("again.xlsx"), 1), "a\r\n");
}

// Gives the runtime folder the permission bits `mode` and names it in
// XDG_RUNTIME_DIR, or leaves it unnamed when `set` is false.
bool SetRuntimeFolder(const std::string& runtime, bool set, mode_t mode)
{
    if (chmod(runtime.c_str(), mode) != 0)
        return false;
    if (set)
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    return true;
}

// The .xlsx writer stages its parts in files of their own: in the runtime
// folder when it is the user's private one, else beside the workbook, never
// in a folder another user could have prepared.
TEST_F(Tblx2Test, XlsxScratchFilesStayInPrivateFolders)
{
    const std::string runtime = m_env.Root() + "/runtime";
    const std::string books = m_env.Root() + "/docs";
    const std::string in = m_env.Path("in.txt");
    Spit(in, Sjis("氏（漢字）\r\n山田\r\n"));
    struct CASE {
        const char* name;
        bool set;       // XDG_RUNTIME_DIR set
        mode_t mode;    // of the runtime folder
        bool inRuntime; // scratch files expected there, else beside the workbook
    };
    for (const CASE c : {CASE{"private", true, 0700, true}, CASE{"open to others", true, 0777, false},
                         CASE{"group-writable", true, 0770, false}, CASE{"unset", false, 0700, false}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetRuntimeFolder(runtime, c.set, c.mode));
        const std::string workbook = books + "/book.xlsx";
        std::vector<std::string> beside;
        const std::vector<std::string> inRuntime = FilesMadeIn(runtime, [&] {
            beside = FilesMadeIn(books, [&] {
                EXPECT_EQ(m_toWorkbook(in.c_str(), workbook.c_str(), "Sheet1$", 4), kWritten);
            });
        });
        const size_t scratchBeside = std::count_if(beside.begin(), beside.end(), [](const std::string& name) {
            return name.rfind("book.xlsx", 0) != 0;  // not the workbook nor its staged copy
        });
        EXPECT_EQ(!inRuntime.empty(), c.inRuntime);
        EXPECT_EQ(scratchBeside > 0, !c.inRuntime);
        std::string out = m_env.Path("out.txt");
        ASSERT_EQ(m_toText(workbook.c_str(), out.c_str()), kWritten);
        EXPECT_EQ(Slurp(out), Sjis("氏（漢字）\r\n山田\r\n"));
    }
    chmod(runtime.c_str(), 0700);
}

// Descriptors the process holds open.
size_t OpenDescriptors()
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// The .xls reader hands its cell reader a checked copy of the workbook kept
// in memory: no folder sees a file, whatever the runtime folder is like,
// and no descriptor stays open once the conversion is done.
TEST_F(Tblx2Test, XlsReadingMakesNoFileAnywhere)
{
    const std::string runtime = m_env.Root() + "/runtime";
    const std::string books = m_env.Root() + "/docs";
    const std::string tmp = m_env.Root() + "/tmp";
    std::filesystem::create_directories(tmp);
    setenv("TMPDIR", tmp.c_str(), 1);
    const std::string workbook = books + "/Typed.xls";
    Spit(workbook, Slurp(std::string(kDataDir) + "Typed.xls"));
    const std::string out = m_env.Path("out.txt");
    // The first conversion loads the reader's libraries, which keep what
    // they open for the life of the process.
    ASSERT_EQ(m_toText(workbook.c_str(), out.c_str()), kWritten);
    const std::string expected = Slurp(out);
    ASSERT_FALSE(expected.empty());
    struct CASE {
        const char* name;
        bool set;    // XDG_RUNTIME_DIR set
        mode_t mode; // of the runtime folder
    };
    for (const CASE c : {CASE{"private", true, 0700}, CASE{"open to others", true, 0777}, CASE{"unset", false, 0700}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetRuntimeFolder(runtime, c.set, c.mode));
        Spit(out, kUntouched);
        const size_t before = OpenDescriptors();
        const std::vector<std::string> made = FilesMadeIn({runtime, books, tmp}, [&] {
            EXPECT_EQ(m_toText(workbook.c_str(), out.c_str()), kWritten);
        });
        EXPECT_EQ(made, std::vector<std::string>{});
        EXPECT_EQ(OpenDescriptors(), before);
        EXPECT_EQ(Slurp(out), expected);
    }
    chmod(runtime.c_str(), 0700);
}

// The copy in memory opens by name as the cell reader opens it, and a
// reader that has it open keeps its bytes after the copy is let go.
TEST(Tblx2ScratchCopy, MemoryCopyOpensByNameAndLeavesNothing)
{
    CTestEnv env;
    const std::string folder = env.Root() + "/docs";
    const std::string bytes("head\0\xFFtail", 10);
    tblx2::CScratchCopy copy;
    const std::vector<std::string> made =
        FilesMadeIn(folder, [&] { EXPECT_TRUE(copy.Make(bytes, folder)); });
    EXPECT_EQ(made, std::vector<std::string>{});
    const std::string path = copy.Path();
    ASSERT_EQ(path.rfind("/proc/self/fd/", 0), 0u) << path;
    const int fd = std::stoi(path.substr(14));
    std::FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    copy.Drop();
    EXPECT_TRUE(copy.Path().empty());
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);  // the copy's own descriptor is closed
    char back[32] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, in), bytes.size());
    std::fclose(in);
    EXPECT_EQ(std::string(back, bytes.size()), bytes);
}

// Where there is no memory file, the copy is a file only the user can read,
// removed when it is let go; a folder that cannot take it gives no copy.
TEST(Tblx2ScratchCopy, FolderCopyIsPrivateAndRemovedWhenDropped)
{
    CTestEnv env;
    ::umask(022);
    const std::string folder = env.Root() + "/docs";
    const std::string bytes = "workbook bytes";
    tblx2::CScratchCopy copy;
    ASSERT_TRUE(copy.MakeInFolder(bytes, folder));
    const std::string path = copy.Path();
    EXPECT_EQ(path.rfind(folder + "/", 0), 0u) << path;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, geteuid());
    std::FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    copy.Drop();
    EXPECT_FALSE(std::filesystem::exists(path));
    char back[32] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, in), bytes.size());
    std::fclose(in);
    EXPECT_EQ(std::string(back, bytes.size()), bytes);

    EXPECT_FALSE(copy.MakeInFolder(bytes, folder + "/missing"));
    EXPECT_TRUE(copy.Path().empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(Tblx2Test, SheetIsNamedWithoutTheDollar)
{
    const std::string in = m_env.Path("in.txt");
    Spit(in, "a\r\n");
    const std::string xls = m_env.Path("book.xls");
    ASSERT_EQ(m_toWorkbook(in.c_str(), xls.c_str(), "Sheet1$", 7), kWritten);
    const std::string bytes = Slurp(xls);
    const std::string utf16Name("S\0h\0e\0e\0t\0" "1\0", 12);
    EXPECT_NE(bytes.find(utf16Name), std::string::npos);
    EXPECT_EQ(bytes.find(utf16Name + std::string("$\0", 2)), std::string::npos);
}

TEST_F(Tblx2Test, KindFollowsTheExtensionElseTheContent)
{
    const std::string in = m_env.Path("in.txt");
    const std::string out = m_env.Path("out.txt");
    Spit(in, "v\r\n");
    // Upper-case extension.
    const std::string upper = m_env.Path("BOOK.XLSX");
    ASSERT_EQ(m_toWorkbook(in.c_str(), upper.c_str(), "Sheet1$", 1), kWritten);
    EXPECT_EQ(Slurp(upper).substr(0, 2), "PK");
    // No known extension: the template copy already there decides.
    const std::string odd = m_env.Path("book.dat");
    Spit(odd, Slurp(std::string(kProgramDir) + "TemplateXLSX.dat"));
    ASSERT_EQ(m_toWorkbook(in.c_str(), odd.c_str(), "Sheet1$", 1), kWritten);
    EXPECT_EQ(Slurp(odd).substr(0, 2), "PK");
    ASSERT_EQ(m_toText(odd.c_str(), out.c_str()), kWritten);
    EXPECT_EQ(Slurp(out), "v\r\n");
    // Neither: refused.
    const std::string unknown = m_env.Path("book.ods");
    Spit(unknown, "not a workbook");
    EXPECT_EQ(m_toWorkbook(in.c_str(), unknown.c_str(), "Sheet1$", 1), kFailed);
    EXPECT_EQ(Slurp(unknown), "not a workbook");
}

// Workbooks made by a real spreadsheet program: the first sheet is read,
// numbers come out as typed, formulas as their cached results, text as it
// was, the empty row stays a line, a whitespace-only cell is kept, dates and
// times as "YYYY-MM-DD" and "HH:MM:SS", a percentage as its number.
TEST_P(Tblx2FormatTest, ReadsWorkbookOfASpreadsheetProgram)
{
    const std::string out = m_env.Path("out.txt");
    const std::string workbook = std::string(kDataDir) + "Typed" + GetParam();
    ASSERT_EQ(m_toText(workbook.c_str(), out.c_str()), kWritten);
    EXPECT_EQ(Slurp(out), Sjis("〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード\r\n"
                               "0123456,東京都港区①,髙島屋～,,営業－部,山田 太郎,1234567-1-2\r\n"
                               "1234567,0.5,-3,1e+20,1234567.25,,\"a,b\"\r\n"
                               "1234568,xy,TRUE\r\n"
                               "\r\n"
                               "  ,,,last\r\n"
                               "2024-01-15,2024-01-15 12:00:00,18:00:00,2024-01-15,0.25\r\n"));
}

// Numbers under date and time formats come out as the .xls reader gives
// them; elsewhere as numbers, whatever letters a format shows in quotes.
TEST_F(Tblx2Test, XlsxDatesAreWrittenLikeXlsDates)
{
    const struct {
        const char* fixture;
        const char* text;
    } cases[] = {
        {"SerialDates.xlsx",
         "1900-01-01,1900-02-28,1900-02-29,1900-03-01,2024-01-15\r\n"
         "2024-01-16 00:00:00,12:00:00,2.5,3,45306\r\n"},
        {"Dates1904.xlsx", "1904-01-01,2024-01-15,2024-01-15 06:00:00\r\n"},
    };
    const std::string out = m_env.Path("out.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        ASSERT_EQ(m_toText((std::string(kDataDir) + c.fixture).c_str(), out.c_str()), kWritten);
        EXPECT_EQ(Slurp(out), c.text);
    }
}

TEST_F(Tblx2Test, XlsxReaderSkipsFuriganaAndDecodesEscapes)
{
    // Phonetic runs are not text; rich-text runs are joined; _x000D_ before
    // a line feed is one line break, which becomes a space; _x005F_ is an
    // underscore; cells without references follow their neighbours; an
    // out-of-range shared string is an empty cell; characters without a
    // CP932 form become black squares; a value text "007" is the number 7.
    const std::string out = m_env.Path("out.txt");
    ASSERT_EQ(m_toText(XAMU_TEST_DATA_DIR "/Furigana.xlsx", out.c_str()), kWritten);
    EXPECT_EQ(Slurp(out), Sjis("氏（漢字）\r\n"
                               "山田,太郎,やまだ\r\n"
                               "一行目 二行目,   ,TRUE,_x0041_,,7\r\n"
                               "Caf■■,\"\"\"quoted\",x y,,a b\r\n"));
}

TEST_F(Tblx2Test, GarbageIsAFailureAndWritesNothing)
{
    const std::string typedXlsx = Slurp(std::string(kDataDir) + "Typed.xlsx");
    const std::string typedXls = Slurp(std::string(kDataDir) + "Typed.xls");
    std::string noise;
    uint32_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245 + 12345;
        noise += static_cast<char>(seed >> 24);
    }
    struct CASE {
        const char* name;
        std::string bytes;
    };
    const CASE cases[] = {
        {"empty file", ""},
        {"text", "〒番号,住所1\r\n"},
        {"noise", noise},
        {"compound file signature, then noise", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + noise},
        {"zip signature, then noise", "PK\x03\x04" + noise},
        {"truncated .xlsx", typedXlsx.substr(0, typedXlsx.size() / 2)},
        {"truncated .xls", typedXls.substr(0, typedXls.size() / 2)},
        {".xlsx with its sheet data damaged", [&] {
             // Inside the compressed sheet, after its local header: the
             // inflater or the CRC check must notice.
             std::string b = typedXlsx;
             const size_t at = b.find("xl/worksheets/sheet1.xml");
             if (at != std::string::npos && at + 100 < b.size())
                 b[at + 100] ^= 0x5A;
             return b;
         }()},
        {"sheet XML not well-formed", Slurp(std::string(kDataDir) + "BrokenSheetXml.xlsx")},
        {"sheet inflating beyond the size limit", Slurp(std::string(kDataDir) + "InflatesTooFar.xlsx")},
    };
    const std::string workbook = m_env.Path("garbage.xls");
    const std::string out = m_env.Path("out.txt");
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.name);
        Spit(workbook, c.bytes);
        Spit(out, kUntouched);
        EXPECT_EQ(m_toText(workbook.c_str(), out.c_str()), kFailed);
        EXPECT_EQ(Slurp(out), kUntouched);
    }
    EXPECT_EQ(m_toText(m_env.Path("missing.xlsx").c_str(), out.c_str()), kFailed);
    // A FIFO is refused at once instead of waiting for a writer forever.
    const std::string fifo = m_env.Path("fifo.xls");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(m_toText(fifo.c_str(), out.c_str()), kFailed);
    EXPECT_EQ(m_toText(m_env.Path("").c_str(), out.c_str()), kFailed);
    EXPECT_EQ(m_toText(nullptr, out.c_str()), kFailed);
    EXPECT_EQ(m_toText(workbook.c_str(), nullptr), kFailed);
}

// Records whose lengths or indexes do not hold: the .xls cell reader would
// read past its buffers on them, so they must be refused before it runs.
TEST_F(Tblx2Test, XlsWithLyingRecordsIsRefused)
{
    const std::string in = m_env.Path("in.txt");
    const std::string good = m_env.Path("good.xls");
    Spit(in, "a\r\n");
    ASSERT_EQ(m_toWorkbook(in.c_str(), good.c_str(), "Sheet1$", 1), kWritten);
    const std::string ours = Slurp(good);
    const std::string typed = Slurp(std::string(kDataDir) + "Typed.xls");
    // Overwrites `value` at `offset` after the first record header `header`.
    auto patch = [](std::string bytes, const std::string& header, size_t offset, const std::string& value) {
        const size_t at = bytes.find(header);
        EXPECT_NE(at, std::string::npos);
        if (at != std::string::npos)
            bytes.replace(at + 4 + offset, value.size(), value);
        return bytes;
    };
    struct CASE {
        const char* name;
        std::string bytes;
    };
    const CASE cases[] = {
        {"shared-string index beyond the table",
         patch(ours, std::string("\xFD\x00\x0A\x00", 4), 6, std::string("\xFF\xFF\xFF\x7F", 4))},
        {"cell beyond the last column a sheet has",
         patch(ours, std::string("\xFD\x00\x0A\x00", 4), 2, std::string("\x00\x01", 2))},
        {"sheet name longer than its record", patch(ours, std::string("\x85\x00", 2), 6, "\xFF")},
        {"number format longer than its record", patch(typed, std::string("\x1E\x04", 2), 2, "\xFF\xFF")},
    };
    const std::string workbook = m_env.Path("lying.xls");
    const std::string out = m_env.Path("out.txt");
    ASSERT_EQ(m_toText(good.c_str(), out.c_str()), kWritten);  // unpatched, it reads
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.name);
        Spit(workbook, c.bytes);
        Spit(out, kUntouched);
        EXPECT_EQ(m_toText(workbook.c_str(), out.c_str()), kFailed);
        EXPECT_EQ(Slurp(out), kUntouched);
    }
}

// Sheet dimensions that do not match the cells (some writers get them
// wrong; a hostile file claims the whole sheet to exhaust memory) are
// replaced by the extent of the cells.
TEST_F(Tblx2Test, XlsDimensionsAreTakenFromTheCells)
{
    const std::string in = m_env.Path("in.txt");
    const std::string xls = m_env.Path("dims.xls");
    const std::string out = m_env.Path("out.txt");
    Spit(in, "a,b\r\nc\r\n");
    ASSERT_EQ(m_toWorkbook(in.c_str(), xls.c_str(), "Sheet1$", 2), kWritten);
    const std::string bytes = Slurp(xls);
    const size_t at = bytes.find(std::string("\x00\x02\x0E\x00", 4));  // DIMENSIONS
    ASSERT_NE(at, std::string::npos);
    const std::string claims[] = {
        std::string("\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 12),  // no cells at all
        std::string("\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x01", 12),  // 65536 x 256
        std::string("\x00\x00\x00\x00\xFF\xFF\xFF\x7F\x00\x00\xFF\xFF", 12),  // beyond any sheet
    };
    for (const std::string& claim : claims) {
        std::string patched = bytes;
        patched.replace(at + 4, claim.size(), claim);
        Spit(xls, patched);
        ASSERT_EQ(m_toText(xls.c_str(), out.c_str()), kWritten);
        EXPECT_EQ(Slurp(out), "a,b\r\nc\r\n");
    }
}

TEST_F(Tblx2Test, UnwritableTextFileIsAFailure)
{
    EXPECT_EQ(m_toText(XAMU_TEST_DATA_DIR "/Typed.xlsx", m_env.Path("no/such/folder/out.txt").c_str()), kFailed);
}

uint32_t Le32(const std::string& s, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(s[at + i]);
    return v;
}

// The blank workbooks the program copies before an export: readable, empty
// (nothing to read), sheet named Sheet1; Template.dat in its container
// layout with at least the entries 1 to 7.
TEST_F(Tblx2Test, TemplatesAreBlankWorkbooks)
{
    const std::string dat = Slurp(std::string(kProgramDir) + "Template.dat");
    ASSERT_GE(dat.size(), 4u + 8 * 7);
    const uint32_t count = Le32(dat, 0);
    ASSERT_GE(count, 7u);
    ASSERT_LE(4u + 8ull * count, dat.size());
    const std::string out = m_env.Path("out.txt");
    for (uint32_t n = 1; n <= count; ++n) {
        SCOPED_TRACE(n);
        const uint32_t offset = Le32(dat, 4 + 8 * (n - 1));
        const uint32_t length = Le32(dat, 8 + 8 * (n - 1));
        ASSERT_LE(uint64_t{offset} + length, dat.size());
        const std::string xls = dat.substr(offset, length);
        EXPECT_EQ(xls.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
        EXPECT_NE(xls.find(std::string("S\0h\0e\0e\0t\0" "1\0", 12)), std::string::npos);
        const std::string path = m_env.Path("template.xls");
        Spit(path, xls);
        Spit(out, kUntouched);
        EXPECT_EQ(m_toText(path.c_str(), out.c_str()), kNothingToRead);
        EXPECT_EQ(Slurp(out), kUntouched);
    }
    const std::string xlsx = std::string(kProgramDir) + "TemplateXLSX.dat";
    EXPECT_EQ(Slurp(xlsx).substr(0, 2), "PK");
    EXPECT_EQ(m_toText(xlsx.c_str(), out.c_str()), kNothingToRead);
}

TEST_F(Tblx2Test, TemplateCopyIsFilledInPlace)
{
    // The export flow: the template entry for the column count is put in
    // place, then filled.
    const std::string dat = Slurp(std::string(kProgramDir) + "Template.dat");
    ASSERT_GE(dat.size(), 4u + 8 * 4);
    const std::string workbook = m_env.Path("Name1.xls");
    Spit(workbook, dat.substr(Le32(dat, 4 + 8 * 3), Le32(dat, 8 + 8 * 3)));
    const std::string text = Sjis("氏（漢字）,名（漢字）,氏（読み）,名（読み）\r\n山田,太郎,ﾔﾏﾀﾞ,ﾀﾛｳ\r\n");
    EXPECT_EQ(RoundTrip(text, workbook, 4), text);
}

}  // namespace
