// xamu-cli list and show, run as a user runs them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/EntryBytes.h"
#include "common/TestEnv.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

using eb::Bytes;

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Bytes Address(const std::string& line1, const std::string& postal = "") {
  return eb::Content(kKindAddress, eb::Run({}), eb::Run({}),
                     {eb::Field(0), eb::Text(postal), eb::Field(1), eb::Text(line1)});
}

// A file with address slots 1, 3 and 100, name slot 40, a glyph and a file entry.
std::string MakeSample(const CTestEnv& env) {
  CDataSet set;
  set.SetEntry(kSecAddress, 0, 1, Address("東京都港区", "１０５－０００１"));
  set.SetEntry(kSecAddress, 2, 0, Address("大阪市"));
  set.SetEntry(kSecAddress, 99, 0, Address("札幌市"));
  set.SetEntry(kSecName, 39, 2,
               eb::Content(kKindName, eb::Run({}), eb::Text("友人"),
                           {eb::Field(0), eb::Text("山田"), eb::Field(1), eb::Text("太郎"), eb::Field(2),
                            eb::Text("やまだ"), eb::Field(3), eb::Text("たろう")}));
  set.SetEntry(kSecGlyph, 4, 0,
               eb::Content(kKindGlyph, eb::Text("ほし"), eb::Run({}),
                           {eb::Glyph(16), eb::Glyph(24), eb::Glyph(30), eb::Glyph(32), eb::Glyph(36),
                            eb::Glyph(40), eb::Glyph(48)}));
  set.SetEntry(kSecGlyph, 5, 0, eb::Content(kKindGlyph, eb::Text("つき"), eb::Run({}), {eb::Glyph(48)}));
  set.SetEntry(kSecFile, 0, 0,
               eb::Content(0x01, eb::Text("案内"), eb::Run({}),
                           {eb::Item(0x30, {{0x80, {0}}}), eb::Text("本日"), eb::Item(0x10), eb::Text("晴天")}));
  const std::string path = env.Path("sample.xmb");
  EXPECT_EQ(set.SaveDataFile(path), kFileOk);
  return path;
}

TEST(CliList, OneLinePerSlotAsThePaneListsIt) {
  CTestEnv env;
  const std::string path = MakeSample(env);
  const CLIRESULT r = RunCli("list " + path + " -c address");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 100u);
  EXPECT_EQ(lines[0], "*01 東京都港区");
  EXPECT_EQ(lines[1], " 02 ");
  EXPECT_EQ(lines[2], "*03 大阪市");
  EXPECT_EQ(lines[9], " 10 ");
  EXPECT_EQ(lines[99], "*00 札幌市");  // slot 100 shows 00
  EXPECT_EQ(r.err, "");
}

TEST(CliList, EveryCategoryByName) {
  CTestEnv env;
  const std::string path = MakeSample(env);
  const struct {
    const char* category;
    size_t count;
    size_t index;
    const char* line;
  } rows[] = {
      {"file", 100, 0, "*01 案内"},
      {"name", 40, 39, "*40 山田太郎"},
      {"glyph", 20, 4, "*05 ほし"},
      {"glyph", 20, 19, " 20 "},
  };
  for (const auto& row : rows) {
    const CLIRESULT r = RunCli("list " + path + " -c " + row.category);
    ASSERT_EQ(r.status, 0) << row.category << r.err;
    const std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), row.count) << row.category;
    EXPECT_EQ(lines[row.index], row.line) << row.category;
  }
}

TEST(CliList, RawEncodingGivesCp932) {
  CTestEnv env;
  const std::string path = MakeSample(env);
  const CLIRESULT r = RunCli("list " + path + " -c name --encoding sjis");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 40u);
  EXPECT_EQ(lines[39], "*40 " + Utf8ToCp932("山田太郎"));
}

TEST(CliList, FailuresAndUsage) {
  CTestEnv env;
  const std::string missing = env.Path("missing.xmb");
  CDataSet probe;
  const int code = probe.LoadDataFile(missing);
  ASSERT_NE(code, kFileOk);
  CLIRESULT r = RunCli("list " + missing + " -c address");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(FileResultMessage(code, false, missing)), std::string::npos) << r.err;

  const std::string garbage = env.Path("garbage.xmb");
  CTestEnv::WriteBytes(garbage, Bytes(100, 0x41));
  r = RunCli("list " + garbage + " -c address");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(FileResultMessage(kFileBadSignature, false, garbage)), std::string::npos) << r.err;

  const std::string path = MakeSample(env);
  EXPECT_EQ(RunCli("list " + path).status, 2);
  EXPECT_EQ(RunCli("list " + path + " -c glyphs").status, 2);
  EXPECT_EQ(RunCli("list -c file").status, 2);
}

TEST(CliShow, DetailLinesAsThePreviewShowsThem) {
  CTestEnv env;
  const std::string path = MakeSample(env);
  const struct {
    const char* args;
    std::vector<std::string> lines;
  } rows[] = {
      {"-c address -s 1",
       {"住所　:", "１０５－０００１", "東京都港区", "", "", "", "", "", "ｸﾞﾙｰﾌﾟ名　:Ｇ１　グループ無"}},
      {"-c name -s 40", {"ふりがな　:", "やまだたろう", "名前　:山田太郎", "ｸﾞﾙｰﾌﾟ名　:Ｇ２　友人"}},
      {"-c file -s 1",
       {"ﾌｧｲﾙ名　:案内", "ﾌｧｲﾙ内容　:", "本日", "晴天", "", "", "ｸﾞﾙｰﾌﾟ名　:Ｇ０　グループ無"}},
      {"-c glyph -s 5", {"読み　:ほし", "small pattern: 16x16 (32 bytes)", "large pattern: 48x48 (288 bytes)"}},
      {"-c glyph -s 6", {"読み　:つき", "small pattern: none", "large pattern: 48x48 (288 bytes)"}},
  };
  for (const auto& row : rows) {
    const CLIRESULT r = RunCli("show " + path + " " + row.args);
    EXPECT_EQ(r.status, 0) << row.args << r.err;
    EXPECT_EQ(SplitLines(r.out), row.lines) << row.args;
  }
}

TEST(CliShow, EmptySlotShowsNothing) {
  CTestEnv env;
  const std::string path = MakeSample(env);
  const CLIRESULT r = RunCli("show " + path + " -c address -s 2");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("empty"), std::string::npos);
}

TEST(CliShow, SlotMustBeOneValidSlot) {
  CTestEnv env;
  const std::string path = MakeSample(env);
  for (const char* args : {"-c address", "-c address -s 0", "-c address -s 101", "-c name -s 41",
                           "-c address -s 1,2", "-c address -s 1-3", "-c address -s x", "-s 1"}) {
    const CLIRESULT r = RunCli("show " + path + " " + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
  }
  EXPECT_EQ(RunCli("show " + env.Path("none.xmb") + " -c address -s 1").status, 1);
}

}  // namespace
