#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/Cp932.h"

namespace fs = std::filesystem;

namespace {

std::string S(const char* utf8) { return Utf8ToCp932(utf8); }

std::string ReadAll(const std::string& path) {
  auto b = CTestEnv::ReadBytes(path);
  return std::string(b.begin(), b.end());
}

void WriteAll(const std::string& path, const std::string& bytes) {
  CTestEnv::WriteBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool HaveConverter() { return fs::exists(std::string(XAMU_BUILD_DIR) + "/share/xamu/libtblx2.so"); }

// Three address records as a user's program might write them: ASCII and
// half-width kana that import widens, a quoted comma, a bad postal code.
const std::string kAddressCsv = "123-4567,Tokyo,\"Chiyoda, 1-1\",ACME,Sales," + S("山田　太郎") +
                                ",1234567-1-2\r\n" + "1000001,\xC4\xB3\xB7\xAE\xB3,,,,,\r\n" +
                                "12x,Osaka,,,,,bad barcode\r\n";
// The same records written back: the field text, barcode narrowed.
const std::string kAddressExport = S("１２３－４５６７,Ｔｏｋｙｏ,Ｃｈｉｙｏｄａ，") + " " + S("１－１,ＡＣＭＥ,Ｓａｌｅｓ,山田　太郎,") +
                                   "1234567-1-2\r\n" + S("１００－０００１,トウキョウ,,,,,") + "\r\n" +
                                   S(",Ｏｓａｋａ,,,,,") + "\r\n";

TEST(CliExchange, CsvImportCreatesTheFileAndExportGivesTheFieldTexts) {
  CTestEnv env;
  const std::string in = env.Path("in.csv"), file = env.Path("new.xmb"), out = env.Path("out.csv");
  WriteAll(in, kAddressCsv);
  CLIRESULT r = RunCli("import " + file + " -c address " + in);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("3"), std::string::npos);
  ASSERT_TRUE(fs::exists(file));
  r = RunCli("export " + file + " -c address " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(out), kAddressExport);
  // The list shows field 1 of each slot.
  r = RunCli("list " + file + " -c address");
  EXPECT_NE(r.out.find("トウキョウ"), std::string::npos) << r.out;
}

// --encoding utf8 writes the same text in UTF-8 behind a byte-order mark,
// and importing that file gives back the same data file.
TEST(CliExchange, Utf8ExportImportsBackUnchanged) {
  CTestEnv env;
  const std::string in = env.Path("in.csv"), file = env.Path("a.xmb"), out = env.Path("out8.csv"),
                    back = env.Path("back.xmb");
  WriteAll(in, kAddressCsv);
  ASSERT_EQ(RunCli("import " + file + " -c address " + in).status, 0);
  CLIRESULT r = RunCli("export " + file + " -c address " + out + " --encoding utf8");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(out), "\xEF\xBB\xBF" + Cp932ToUtf8(kAddressExport));
  r = RunCli("import " + back + " -c address " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(back), ReadAll(file));
  // --encoding sjis (or none) keeps CP932.
  ASSERT_EQ(RunCli("export " + file + " -c address " + out + " --encoding sjis").status, 0);
  EXPECT_EQ(ReadAll(out), kAddressExport);
}

TEST(CliExchange, ImportIntoAnExistingFileKeepsOtherSlotsAndSections) {
  CTestEnv env;
  const std::string file = env.Path("f.xmb"), names = env.Path("n.txt"), more = env.Path("m.txt");
  WriteAll(names, "A\tB\r\nC\tD\r\nE\tF\r\n");
  ASSERT_EQ(RunCli("import " + file + " -c name " + names).status, 0);
  WriteAll(more, "X,Y\r\n");
  ASSERT_EQ(RunCli("import " + file + " -c name " + more).status, 0);
  WriteAll(more, "1000001,addr\r\n");
  ASSERT_EQ(RunCli("import " + file + " -c address " + more).status, 0);
  CLIRESULT r = RunCli("export " + file + " -c name " + env.Path("o.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(env.Path("o.csv")), S("Ｘ,Ｙ,,\r\nＣ,Ｄ,,\r\nＥ,Ｆ,,\r\n"));
}

TEST(CliExchange, WorkbookRoundTripsThroughXlsAndXlsx) {
  if (!HaveConverter()) GTEST_SKIP() << "libtblx2.so not built";
  CTestEnv env;
  const std::string in = env.Path("in.csv"), file = env.Path("a.xmb");
  WriteAll(in, kAddressCsv);
  ASSERT_EQ(RunCli("import " + file + " -c address " + in).status, 0);
  for (const char* ext : {".xls", ".xlsx", ".XLSX"}) {
    const std::string book = env.Path(std::string("book") + ext), back = env.Path("back.xmb");
    CLIRESULT r = RunCli("export " + file + " -c address " + book);
    ASSERT_EQ(r.status, 0) << ext << r.err;
    fs::remove(back);
    r = RunCli("import " + back + " -c address " + book);
    ASSERT_EQ(r.status, 0) << ext << r.err;
    r = RunCli("export " + back + " -c address " + env.Path("back.csv"));
    ASSERT_EQ(r.status, 0) << ext << r.err;
    EXPECT_EQ(ReadAll(env.Path("back.csv")), kAddressExport) << ext;
  }
}

TEST(CliExchange, WorkbookFromASpreadsheetProgramImports) {
  if (!HaveConverter()) GTEST_SKIP() << "libtblx2.so not built";
  if (std::system("command -v ssconvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ssconvert not installed";
  CTestEnv env;
  const std::string csv = env.Path("u.csv"), book = env.Path("u.xlsx"), file = env.Path("u.xmb");
  // The first row is a header whatever it holds; numbers keep their leading zeros as typed text.
  WriteAll(csv, "〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード\n\"0012345\",東京都,,,,佐藤,\n");
  std::string cmd = "ssconvert --import-encoding=UTF-8 " + csv + " " + book + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "ssconvert could not make the workbook";
  CLIRESULT r = RunCli("import " + file + " -c address " + book);
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunCli("export " + file + " -c address " + env.Path("o.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string got = ReadAll(env.Path("o.csv"));
  EXPECT_NE(got.find(S(",東京都,,,,佐藤,")), std::string::npos) << Cp932ToUtf8(got);
  EXPECT_EQ(got.find(S("〒番号")), std::string::npos);  // header skipped
}

TEST(CliExchange, FailuresPrintTheirMessagesAndExitOne) {
  CTestEnv env;
  const std::string empty = env.Path("empty.xmb");
  ASSERT_EQ(RunCli("new " + empty).status, 0);
  const std::string full = env.Path("full.xmb");
  WriteAll(env.Path("one.csv"), "a\r\n");
  ASSERT_EQ(RunCli("import " + full + " -c address " + env.Path("one.csv")).status, 0);
  struct {
    std::string args;
    std::string err;  // expected standard error, exactly
    const char* notCreated;
  } cases[] = {
      {"export " + empty + " -c address " + env.Path("x.csv"), "保存するデータがありません。\n保存ができませんでした\n",
       "x.csv"},
      {"export " + empty + " -c name " + env.Path("x.txt"), "保存するデータがありません。\n保存ができませんでした。\n",
       "x.txt"},
      {"export " + empty + " -c address " + env.Path("x.xlsm"), "保存ができませんでした\n", "x.xlsm"},
      {"import " + env.Path("made.xmb") + " -c name " + env.Path("missing.csv"), "読み込みができませんでした。\n",
       "made.xmb"},
      {"export " + full + " -c address " + env.Path("nofolder/x.csv"), "保存ができませんでした\n", "nofolder"},
  };
  for (const auto& c : cases) {
    CLIRESULT r = RunCli(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_FALSE(fs::exists(env.Path(c.notCreated))) << c.args;
  }
}

TEST(CliExchange, WorkbookThatIsNoneFailsToRead) {
  if (!HaveConverter()) GTEST_SKIP() << "libtblx2.so not built";
  CTestEnv env;
  const std::string file = env.Path("f.xmb");
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 131 + 7) & 0xFF);
  for (const std::string& bytes : {std::string("name,given\r\nA,B\r\n"), garbage, std::string()}) {
    for (const char* ext : {".xls", ".xlsx"}) {
      const std::string book = env.Path(std::string("bad") + ext);
      WriteAll(book, bytes);
      CLIRESULT r = RunCli("import " + file + " -c name " + book);
      EXPECT_EQ(r.status, 1) << ext;
      EXPECT_EQ(r.err, "読み込みができませんでした。\n") << ext;
      EXPECT_FALSE(fs::exists(file)) << ext;
    }
  }
}

TEST(CliExchange, EmptyPaneExportsAWorkbookWithTheHeaderAlone) {
  if (!HaveConverter()) GTEST_SKIP() << "libtblx2.so not built";
  CTestEnv env;
  const std::string empty = env.Path("e.xmb"), book = env.Path("h.xls");
  ASSERT_EQ(RunCli("new " + empty).status, 0);
  CLIRESULT r = RunCli("export " + empty + " -c address " + book);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Read back, the header row is skipped and nothing is stored.
  r = RunCli("import " + empty + " -c address " + book);
  EXPECT_EQ(r.status, 0) << r.err;
  r = RunCli("export " + empty + " -c address " + env.Path("o.csv"));
  EXPECT_EQ(r.status, 1);
}

TEST(CliExchange, DataFileThatIsNoDataFileIsLeftAlone) {
  CTestEnv env;
  const std::string bad = env.Path("bad.xmb"), in = env.Path("in.csv");
  WriteAll(bad, "this is not a data file");
  WriteAll(in, "a\r\n");
  CLIRESULT r = RunCli("import " + bad + " -c name " + in);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.err.empty());
  EXPECT_EQ(ReadAll(bad), "this is not a data file");
  r = RunCli("export " + bad + " -c name " + env.Path("o.csv"));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(fs::exists(env.Path("o.csv")));
}

TEST(CliExchange, MissingConverterIsReportedAndTheOldWorkbookStays) {
  CTestEnv env;
  const std::string prog = env.Root() + "/prog", file = env.Path("f.xmb"), in = env.Path("in.csv");
  fs::create_directories(prog);
  const std::string share = std::string(XAMU_BUILD_DIR) + "/share/xamu/";
  for (const char* f : {"Template.dat", "TemplateXLSX.dat"})
    if (fs::exists(share + f)) fs::copy_file(share + f, prog + "/" + f);
  if (!fs::exists(prog + "/TemplateXLSX.dat")) GTEST_SKIP() << "templates not built";
  WriteAll(in, "a,b\r\n");
  ASSERT_EQ(RunCli("import " + file + " -c name " + in).status, 0);
  const std::string book = env.Path("keep.xlsx");
  WriteAll(book, "old");
  // A real workbook at the target first (when the converter is built), then
  // the same export with a program folder that has templates but no converter.
  CLIRESULT r = RunCli("export " + file + " -c name " + book);
  const char* old = std::getenv("XAMU_PROGRAM_DIR");
  std::string saved = old ? old : "";
  setenv("XAMU_PROGRAM_DIR", prog.c_str(), 1);
  r = RunCli("export " + file + " -c name " + book);
  CLIRESULT imp = RunCli("import " + file + " -c name " + book);
  if (saved.empty()) unsetenv("XAMU_PROGRAM_DIR"); else setenv("XAMU_PROGRAM_DIR", saved.c_str(), 1);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "必要なＤＬＬが見つかりません。\n保存ができませんでした。\n");
  EXPECT_EQ(ReadAll(book).substr(0, 2), HaveConverter() ? "PK" : "ol");
  EXPECT_EQ(imp.status, 1);
  EXPECT_EQ(imp.err, "必要なＤＬＬが見つかりません。\n読み込みができませんでした。\n");
}

TEST(CliExchange, UsageErrors) {
  CTestEnv env;
  for (const std::string& args : {"export " + env.Path("f.xmb") + " -c glyph " + env.Path("o.csv"),
                                 "import " + env.Path("f.xmb") + " -c file " + env.Path("i.csv"),
                                 "export " + env.Path("f.xmb") + " " + env.Path("o.csv"),
                                 "import " + env.Path("f.xmb") + " -c name"}) {
    CLIRESULT r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_FALSE(fs::exists(env.Path("f.xmb"))) << args;
  }
}

}  // namespace
