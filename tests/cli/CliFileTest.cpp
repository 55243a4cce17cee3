#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

using Bytes = std::vector<uint8_t>;

namespace {

// An address or name entry whose one field holds `text` (ASCII is enough here).
Bytes Record(uint8_t kind, const std::string& text) {
  const uint8_t head[] = {kind, 0x01, 0, 0, 0, 0, 0x30, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00, 0x00};
  const uint8_t tail[] = {0, 0, 0x0D, 0x0A};
  Bytes c(std::begin(head), std::end(head));
  for (char ch : text) c.push_back(static_cast<uint8_t>(ch));
  c.insert(c.end(), std::begin(tail), std::end(tail));
  return c;
}

// A data file with the given used slots (0-based) of one section, each
// holding its own tag.
std::string MakeFile(const CTestEnv& env, const std::string& name, int section,
                     const std::vector<std::pair<int, std::string>>& slots) {
  CDataSet set;
  const uint8_t kind = section == kSecName ? kKindName : kKindAddress;
  for (const auto& [i, tag] : slots) set.SetEntry(section, i, 0, Record(kind, tag));
  const std::string path = env.Path(name);
  EXPECT_EQ(set.SaveDataFile(path), kFileOk);
  return path;
}

// The tag each used slot of the section holds ("" when empty).
std::vector<std::string> Tags(const std::string& path, int section) {
  CDataSet set;
  EXPECT_EQ(set.LoadDataFile(path), kFileOk);
  std::vector<std::string> tags;
  for (int i = 0; i < SectionSlotCount(section); ++i) {
    const DATAENTRY* e = set.Entry(section, i);
    tags.push_back(e->used ? std::string(e->content.get() + 14, e->content.get() + e->size - 4) : "");
  }
  return tags;
}

}  // namespace

TEST(CliFile, InfoShowsKindsAndCounts) {
  CTestEnv env;
  CDataSet set;
  set.SetEntry(kSecAddress, 0, 0, Record(kKindAddress, "a"));
  set.SetEntry(kSecAddress, 7, 0, Record(kKindAddress, "b"));
  set.SetEntry(kSecName, 39, 0, Record(kKindName, "c"));
  ASSERT_EQ(set.SaveDataFile(env.Path("i.xmb")), kFileOk);
  const CLIRESULT r = RunCli("info " + env.Path("i.xmb"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "内容: あて名／名前\n"
            "ファイル (file): 0/100\n"
            "あて名 (address): 2/100\n"
            "名前 (name): 1/40\n"
            "外字 (glyph): 0/20\n");
}

TEST(CliFile, FailuresPrintTheFileMessage) {
  CTestEnv env;
  CTestEnv::WriteBytes(env.Path("bad.xmb"), Bytes(40, 'x'));
  CTestEnv::WriteBytes(env.Path("short.xmb"), Bytes{'Q', 'U'});
  const struct {
    std::string args;
    std::string err;
  } rows[] = {
      {"info " + env.Path("none.xmb"), env.Path("none.xmb") + "がみつかりませんでした。\n"},
      {"info " + env.Path("bad.xmb"), "ＸＡＭＵのファイルでは、ありません。\nまたは、ファイルが壊れている可能性があります。\n"},
      {"info " + env.Path("short.xmb"), "ファイルアクセス時に何らかのエラーが発生しました。\n"},
      {"delete " + env.Path("bad.xmb") + " -c address -s 1",
       "ＸＡＭＵのファイルでは、ありません。\nまたは、ファイルが壊れている可能性があります。\n"},
      {"new " + env.Path("deep/er/n.xmb"), "ファイルアクセス時に何らかのエラーが発生しました。\n"},
  };
  for (const auto& row : rows) {
    const CLIRESULT r = RunCli(row.args);
    EXPECT_EQ(r.status, 1) << row.args;
    EXPECT_EQ(r.err, row.err) << row.args;
    EXPECT_EQ(r.out, "") << row.args;
  }
}

TEST(CliFile, UsageErrorsExitWith2) {
  CTestEnv env;
  const std::string f = MakeFile(env, "u.xmb", kSecAddress, {{0, "a"}});
  const std::string g = env.Path("g.xmb");
  const std::string rows[] = {
      "info",
      "info " + f + " " + f,
      "new",
      "copy " + f,
      "copy " + f + " " + g,  // no -c
      "copy " + f + " " + g + " -c bogus",
      "copy " + f + " " + g + " -c address --overwrite maybe",
      "copy " + f + " " + g + " -c address -s 0",
      "copy " + f + " " + f + " -c address",
      "delete " + f + " -c address",
      "delete " + f + " -c name -s 41",
      "delete " + f + " -c glyph -s 3-1",
      "delete " + f + " -s 1",
  };
  for (const std::string& args : rows) {
    const CLIRESULT r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("xamu-cli"), std::string::npos) << args;
  }
  EXPECT_EQ(Tags(f, kSecAddress)[0], "a");
  EXPECT_FALSE(std::filesystem::exists(g));
}

TEST(CliFile, NewMakesAnEmptyFileAndNeverReplacesOne) {
  CTestEnv env;
  const std::string p = env.Path("n.xmb");
  CLIRESULT r = RunCli("new " + p);
  ASSERT_EQ(r.status, 0) << r.err;
  const Bytes b = CTestEnv::ReadBytes(p);
  ASSERT_EQ(b.size(), 28u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 12), "QUILP PRO V3");
  const std::string kept = MakeFile(env, "kept.xmb", kSecAddress, {{3, "x"}});
  const Bytes before = CTestEnv::ReadBytes(kept);
  r = RunCli("new " + kept);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(CTestEnv::ReadBytes(kept), before);
}

// The overwrite answer decides each occupied target slot; the slots copied
// before a cancel are kept.
TEST(CliFile, CopyAnswersOccupiedSlots) {
  const struct {
    std::string option;
    int status;
    std::vector<std::string> first4;  // target slots 1..4 afterwards
  } rows[] = {
      {"--overwrite all", 0, {"s1", "s2", "s3", "t4"}},
      {"--overwrite skip", 0, {"s1", "t2", "s3", "t4"}},
      {"--overwrite cancel", 1, {"s1", "t2", "", "t4"}},
      {"", 1, {"s1", "t2", "", "t4"}},  // not a terminal: cancel
      {"-s 2,4 --overwrite all", 0, {"", "s2", "", "t4"}},  // slot 4 is empty in the source
  };
  for (const auto& row : rows) {
    CTestEnv env;
    const std::string src = MakeFile(env, "src.xmb", kSecAddress, {{0, "s1"}, {1, "s2"}, {2, "s3"}});
    const std::string dst = MakeFile(env, "dst.xmb", kSecAddress, {{1, "t2"}, {3, "t4"}});
    const CLIRESULT r = RunCli("copy " + src + " " + dst + " -c address " + row.option);
    EXPECT_EQ(r.status, row.status) << row.option << r.err;
    std::vector<std::string> tags = Tags(dst, kSecAddress);
    tags.resize(4);
    EXPECT_EQ(tags, row.first4) << row.option;
    EXPECT_EQ(Tags(src, kSecAddress)[0], "s1");
  }
}

TEST(CliFile, CopyAsksOnATerminalOnlyForOccupiedSlots) {
  CTestEnv env;
  const std::string src = MakeFile(env, "src.xmb", kSecAddress, {{0, "s1"}, {1, "s2"}});
  const std::string dst = MakeFile(env, "dst.xmb", kSecAddress, {{1, "t2"}});
  // No terminal: the question is not asked and the answer is cancel.
  const CLIRESULT r = RunCli("copy " + src + " " + dst + " -c address", "y\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Tags(dst, kSecAddress)[1], "t2");
  EXPECT_EQ(r.err.find("上書き"), std::string::npos) << r.err;
}

TEST(CliFile, NameEntriesAreNeverOverwritten) {
  CTestEnv env;
  const std::string src = MakeFile(env, "src.xmb", kSecName, {{0, "s1"}, {1, "s2"}});
  const std::string dst = MakeFile(env, "dst.xmb", kSecName, {{0, "t1"}});
  CLIRESULT r = RunCli("copy " + src + " " + dst + " -c name --overwrite all");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("すでにデータが登録されています。\n未登録番号に登録してください。"), std::string::npos);
  std::vector<std::string> tags = Tags(dst, kSecName);
  EXPECT_EQ(tags[0], "t1");
  EXPECT_EQ(tags[1], "s2");
  // A single name entry onto an occupied slot stops.
  r = RunCli("copy " + src + " " + dst + " -c name -s 1 --overwrite all");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Tags(dst, kSecName)[0], "t1");
  // Cancel stops at the first occupied slot: nothing after it is copied.
  const std::string dst2 = MakeFile(env, "dst2.xmb", kSecName, {{0, "t1"}});
  r = RunCli("copy " + src + " " + dst2 + " -c name --overwrite cancel");
  EXPECT_EQ(r.status, 1);
  tags = Tags(dst2, kSecName);
  EXPECT_EQ(tags[0], "t1");
  EXPECT_EQ(tags[1], "");
}

TEST(CliFile, CopyCreatesAMissingTargetAndLeavesItAloneOnFailure) {
  CTestEnv env;
  const std::string src = MakeFile(env, "src.xmb", kSecAddress, {{5, "s6"}});
  const std::string dst = env.Path("fresh.xmb");
  CLIRESULT r = RunCli("copy " + src + " " + dst + " -c address");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Tags(dst, kSecAddress)[5], "s6");

  CTestEnv::WriteBytes(env.Path("bad.xmb"), Bytes(30, 0));
  const Bytes before = CTestEnv::ReadBytes(dst);
  r = RunCli("copy " + env.Path("bad.xmb") + " " + dst + " -c address");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(CTestEnv::ReadBytes(dst), before);
  // Nothing of the category in the source.
  r = RunCli("copy " + src + " " + dst + " -c glyph");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(CTestEnv::ReadBytes(dst), before);
}

TEST(CliFile, DeleteEmptiesSlotsAndReportsAReadOnlyFile) {
  CTestEnv env;
  const std::string f = MakeFile(env, "d.xmb", kSecAddress, {{0, "a"}, {1, "b"}, {2, "c"}, {9, "j"}});
  CLIRESULT r = RunCli("delete " + f + " -c address -s 1,3-5");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> tags = Tags(f, kSecAddress);
  EXPECT_EQ(tags[0], "");
  EXPECT_EQ(tags[1], "b");
  EXPECT_EQ(tags[2], "");
  EXPECT_EQ(tags[9], "j");

  ::chmod(f.c_str(), 0444);
  const Bytes before = CTestEnv::ReadBytes(f);
  r = RunCli("delete " + f + " -c address -s 2");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ファイルアクセス時に何らかのエラーが発生しました。\n");
  EXPECT_EQ(CTestEnv::ReadBytes(f), before);
}

// Copying every category of the sample into a new file rebuilds it byte for byte.
TEST(CliFile, CopyingEveryCategoryRebuildsTheSample) {
  CTestEnv env;
  // A private copy: the shared sample may be locked by a test running beside this one.
  const std::string sample = env.Path("Sample.xmb");
  std::filesystem::copy_file(XAMU_BUILD_DIR "/share/xamu/samples/Sample.xmb", sample);
  const std::string out = env.Path("rebuilt.xmb");
  for (const char* cat : {"glyph", "name", "file", "address"}) {
    const CLIRESULT r = RunCli("copy " + sample + " " + out + " -c " + cat);
    ASSERT_EQ(r.status, 0) << cat << r.err;
  }
  EXPECT_EQ(CTestEnv::ReadBytes(out), CTestEnv::ReadBytes(sample));
}
