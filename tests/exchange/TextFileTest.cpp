#include "exchange/TextFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ExchangeTestUtil.h"
#include "common/TestEnv.h"

namespace {

using Fields = std::vector<std::string>;

std::string Bytes(const std::string& path) {
  auto b = CTestEnv::ReadBytes(path);
  return std::string(b.begin(), b.end());
}

void WriteText(const std::string& path, const std::string& bytes) {
  CTestEnv::WriteBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::string S(const char* utf8) { return Utf8ToCp932(utf8); }

class TextFileTest : public ::testing::Test {
 protected:
  CTestEnv env;
  CDataSet set;
  CRecordedMessages messages;

  // Reads `bytes` (as a file) into the category; returns the stored count.
  int Read(const std::string& bytes, int category, bool skipFirst = false) {
    std::string path = env.Path("in.csv");
    WriteText(path, bytes);
    int stored = -1;
    EXPECT_TRUE(ReadTextFile(set, category, path, skipFirst, &stored));
    return stored;
  }
};

TEST_F(TextFileTest, AddressLineFollowsThePostalAndBarcodeRules) {
  EXPECT_EQ(Read("123-4567,Tokyo 1,,,," + S("山田") + ",1234567-1-2\r\n", kCatAddress), 1);
  EXPECT_EQ(FieldsOf(set, kCatAddress, 0),
            (Fields{"１２３－４５６７", "Ｔｏｋｙｏ １", "", "", "", "山田", "１２３４５６７－１－２"}));
  EXPECT_EQ(set.IsUsed(kSecAddress, 0), 1);
}

TEST_F(TextFileTest, BrokenPostalCodeAndBarcodeAreReadAsEmptyFields) {
  Read("12a-4567,A,B,C,D,E,12-x\r\n", kCatAddress);
  EXPECT_EQ(FieldsOf(set, kCatAddress, 0), (Fields{"", "Ａ", "Ｂ", "Ｃ", "Ｄ", "Ｅ", ""}));
}

TEST_F(TextFileTest, TabInTheFifthLineMakesTabTheSeparatorEverywhere) {
  std::string text = "a,b\r\nc\r\nd\r\ne\r\nf\tg\r\n";
  EXPECT_EQ(Read(text, kCatName), 5);
  EXPECT_EQ(FieldsOf(set, kCatName, 0), (Fields{"ａ，ｂ", "", "", ""}));
  EXPECT_EQ(FieldsOf(set, kCatName, 4), (Fields{"ｆ", "ｇ", "", ""}));
}

TEST_F(TextFileTest, QuotedCommaStaysInItsField) {
  Read("\"x,y\",z\r\n", kCatName);
  EXPECT_EQ(FieldsOf(set, kCatName, 0), (Fields{"ｘ，ｙ", "ｚ", "", ""}));
}

TEST_F(TextFileTest, RecordsBeyondTheSlotCountAreIgnored) {
  std::string text;
  for (int i = 0; i < 45; ++i) text += "n" + std::to_string(i) + "\r\n";
  EXPECT_EQ(Read(text, kCatName), 40);
  EXPECT_EQ(FieldsOf(set, kCatName, 39)[0], "ｎ３９");
  EXPECT_EQ(set.IsUsed(kSecName, -2), 1);
}

TEST_F(TextFileTest, EmptyLineStoresThePrinterSpace) {
  EXPECT_EQ(Read("a\r\n\r\nb\r\n", kCatName), 3);
  const DATAENTRY* e = set.Entry(kSecName, 1);
  ASSERT_EQ(e->used, 1);
  EXPECT_EQ(e->size, 6u + 4 * 10 + 2 + 2);
  EXPECT_EQ(FieldsOf(set, kCatName, 1)[0], " ");  // the printer's half-width space shows as a space
  EXPECT_EQ(FieldsOf(set, kCatName, 2)[0], "ｂ");
}

TEST_F(TextFileTest, SkipsTheFirstLineKeepsGroupsAndLaterSlots) {
  PutRecord(set, kCatName, 0, {"old0"}, 3);
  PutRecord(set, kCatName, 5, {"old5"}, 2);
  EXPECT_EQ(Read("header,row\r\nnew\r\n", kCatName, true), 1);
  EXPECT_EQ(FieldsOf(set, kCatName, 0)[0], "ｎｅｗ");
  EXPECT_EQ(set.Entry(kSecName, 0)->group, 3);
  EXPECT_EQ(FieldsOf(set, kCatName, 5)[0], "ｏｌｄ５");
  EXPECT_EQ(set.IsUsed(kSecName, 1), 0);
  EXPECT_EQ(set.m_modified, 0);
  EXPECT_EQ(set.IsUsed(kSecAddress, -2), 0);  // other sections untouched
}

TEST_F(TextFileTest, LineEndsBomAndEndOfFileMark) {
  struct {
    std::string bytes;
    const char* why;
  } cases[] = {
      {"a,b\r\nc\r\n", "CR LF"},
      {"a,b\nc\n", "LF"},
      {"a,b\r\nc", "no final line end"},
      {"a,b\r\nc\r\n\x1A", "final end-of-file mark"},
      {"\xEF\xBB\xBF" "a,b\nc\n", "UTF-8 with byte-order mark"},
  };
  for (const auto& c : cases) {
    CDataSet fresh;
    std::string path = env.Path("le.csv");
    WriteText(path, c.bytes);
    int stored = 0;
    ASSERT_TRUE(ReadTextFile(fresh, kCatName, path, false, &stored)) << c.why;
    EXPECT_EQ(stored, 2) << c.why;
    EXPECT_EQ(FieldsOf(fresh, kCatName, 0), (Fields{"ａ", "ｂ", "", ""})) << c.why;
    EXPECT_EQ(FieldsOf(fresh, kCatName, 1)[0], "ｃ") << c.why;
  }
}

TEST_F(TextFileTest, Utf8FileWithBomIsConvertedAndUnmappableBecomesMark) {
  Read("\xEF\xBB\xBF山田,太郎😀,ﾔﾏﾀﾞ\r\n", kCatName);
  EXPECT_EQ(FieldsOf(set, kCatName, 0), (Fields{"山田", "太郎■", "ヤマダ", ""}));
}

TEST_F(TextFileTest, WithoutBomUtf8BytesAreReadAsCp932) {
  // Read as CP932 the UTF-8 bytes of 山 are other characters; the result is
  // still whole double-byte text that shows without a break.
  Read("\xE5\xB1\xB1\r\n", kCatName);
  const DATAENTRY* e = set.Entry(kSecName, 0);
  ASSERT_EQ(e->used, 1);
  EXPECT_EQ(e->size % 2, 0u);
  EXPECT_FALSE(FieldsOf(set, kCatName, 0)[0].empty());
}

TEST_F(TextFileTest, GarbageAndHugeLinesDoNotBreakTheEntries) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) & 0xFF);
  Read(garbage, kCatAddress);
  for (int slot = 0; slot < 100; ++slot) {
    const DATAENTRY* e = set.Entry(kSecAddress, slot);
    if (!e->used) continue;
    EXPECT_EQ(e->size % 2, 0u);  // every field whole double-byte text
    for (const std::string& f : FieldsOf(set, kCatAddress, slot)) EXPECT_LE(f.size(), 3u * 20);
  }
  // One 10 MB line: cut at 254 bytes, then at 20 characters; later fields stay.
  std::string huge = "1234567," + std::string(10 * 1024 * 1024, 'x') + ",second,,,,\r\nnext\r\n";
  EXPECT_EQ(Read(huge, kCatAddress), 2);
  Fields f = FieldsOf(set, kCatAddress, 0);
  EXPECT_EQ(f[0], "１２３－４５６７");
  std::string twentyX;
  for (int i = 0; i < 20; ++i) twentyX += "ｘ";
  EXPECT_EQ(f[1], twentyX);
  EXPECT_EQ(f[2], "ｓｅｃｏｎｄ");
}

TEST_F(TextFileTest, OverlongFieldDoesNotShiftLaterColumns) {
  Read(std::string(300, 'a') + ",b,c\r\n", kCatName);
  Fields f = FieldsOf(set, kCatName, 0);
  EXPECT_EQ(f[1], "ｂ");
  EXPECT_EQ(f[2], "ｃ");
}

TEST_F(TextFileTest, FileThatCannotBeOpenedLeavesTheSetAlone) {
  PutRecord(set, kCatName, 0, {"keep"});
  int stored = 7;
  EXPECT_FALSE(ReadTextFile(set, kCatName, env.Path("missing.csv"), false, &stored));
  EXPECT_EQ(stored, 0);
  EXPECT_FALSE(ReadTextFile(set, kCatName, env.Root(), false, &stored));  // a folder
  EXPECT_FALSE(ReadTextFile(set, kCatName, "/dev/zero", false, &stored));  // endless
  EXPECT_EQ(FieldsOf(set, kCatName, 0)[0], "ｋｅｅｐ");
}

TEST_F(TextFileTest, EmptyFileStoresNothing) {
  EXPECT_EQ(Read("", kCatAddress), 0);
  EXPECT_EQ(set.IsUsed(kSecAddress, -2), 0);
}

TEST_F(TextFileTest, SlotWithoutMemoryKeepsItsEntryAndReadingGoesOn) {
  PutRecord(set, kCatName, 1, {"old"});
  SetContentAllocFailure(2);  // the second record's copy fails, and every later one
  int stored = Read("a\r\nb\r\nc\r\n", kCatName);
  SetContentAllocFailure(0);
  EXPECT_EQ(stored, 1);
  EXPECT_EQ(FieldsOf(set, kCatName, 0)[0], "ａ");
  EXPECT_EQ(FieldsOf(set, kCatName, 1)[0], "ｏｌｄ");
  EXPECT_EQ(set.IsUsed(kSecName, 2), 0);
}

TEST_F(TextFileTest, WritesUsedSlotsInOrderWithNarrowedBarcode) {
  PutRecord(set, kCatAddress, 4, {"１２３－４５６７", "東京", "", "", "", "山田", "１２３Ａ－１"});
  PutRecord(set, kCatAddress, 1, {"", "大阪，北", "", "", "", "", "，Ａ”"});
  std::string path = env.Path("out.csv");
  EXPECT_EQ(WriteTextFile(set, kCatAddress, path, false, messages), kTextWritten);
  EXPECT_EQ(Bytes(path), "," + S("大阪，北") + ",,,,," + S("，") + "A" + S("”") + "\r\n" + S("１２３－４５６７,東京,,,,山田,") +
                             "123A-1\r\n");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TextFileTest, HeaderLinesPerCategory) {
  std::string path = env.Path("h.csv");
  EXPECT_EQ(WriteTextFile(set, kCatAddress, path, true, messages), kTextWritten);
  EXPECT_EQ(Bytes(path), S("〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード") + "\r\n");
  PutRecord(set, kCatName, 0, {"山田", "太郎", "やまだ", "たろう"});
  EXPECT_EQ(WriteTextFile(set, kCatName, path, true, messages), kTextWritten);
  EXPECT_EQ(Bytes(path), S("氏（漢字）,名（漢字）,氏（読み）,名（読み）\r\n山田,太郎,やまだ,たろう\r\n"));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TextFileTest, NothingToSaveShowsItsMessageAndCreatesNothing) {
  std::string path = env.Path("none.csv");
  EXPECT_EQ(WriteTextFile(set, kCatName, path, false, messages), kTextNothingToSave);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"保存するデータがありません。"}));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TextFileTest, UnwritableTargetsFailAndKeepTheOldFile) {
  PutRecord(set, kCatName, 0, {"a"});
  EXPECT_EQ(WriteTextFile(set, kCatName, env.Path("no/such/folder/x.csv"), false, messages), kTextNotCreated);
  std::string ro = env.Path("ro.csv");
  WriteText(ro, "old\r\n");
  chmod(ro.c_str(), 0444);
  EXPECT_EQ(WriteTextFile(set, kCatName, ro, false, messages), kTextNotCreated);
  EXPECT_EQ(Bytes(ro), "old\r\n");
  EXPECT_EQ(WriteTextFile(set, kCatName, env.Root() + "/work", false, messages), kTextNotCreated);  // a folder
  // Nothing is left behind beside the targets.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(env.Root() + "/work")) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(TextFileTest, LongestFileNameStillWrites) {
  PutRecord(set, kCatName, 0, {"a"});
  std::string path = env.Path(std::string(251, 'n') + ".csv");  // 255 bytes, the longest name
  EXPECT_EQ(WriteTextFile(set, kCatName, path, false, messages), kTextWritten);
  EXPECT_EQ(Bytes(path), S("ａ,,,\r\n"));
}

TEST_F(TextFileTest, SymbolicLinkStaysAndItsTargetIsWritten) {
  PutRecord(set, kCatName, 0, {"a"});
  std::filesystem::create_directories(env.Root() + "/docs/real");
  const std::string real = env.Root() + "/docs/real/t.csv", link = env.Path("link.csv");
  WriteText(real, "old");
  std::filesystem::create_symlink(real, link);
  ASSERT_EQ(WriteTextFile(set, kCatName, link, false, messages), kTextWritten);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Bytes(real), S("ａ,,,\r\n"));
}

TEST_F(TextFileTest, OverwriteKeepsPermissions) {
  PutRecord(set, kCatName, 0, {"a"});
  std::string path = env.Path("perm.csv");
  WriteText(path, "old");
  chmod(path.c_str(), 0640);
  ASSERT_EQ(WriteTextFile(set, kCatName, path, false, messages), kTextWritten);
  struct stat st {};
  stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(TextFileTest, WrittenFileReadsBackTheSameFields) {
  const Fields a = {"９８７－６５４３", "東京都　千代田区", "丸の内１－１", "株式会社テスト", "営業部", "山田　太郎",
                    "９８７６５４３－１－Ａ"};
  PutRecord(set, kCatAddress, 0, a);
  PutRecord(set, kCatAddress, 2, {"", "ｘ，ｙ”"});
  std::string path = env.Path("rt.txt");
  ASSERT_EQ(WriteTextFile(set, kCatAddress, path, false, messages), kTextWritten);
  CDataSet back;
  int stored = 0;
  ASSERT_TRUE(ReadTextFile(back, kCatAddress, path, false, &stored));
  EXPECT_EQ(stored, 2);
  EXPECT_EQ(FieldsOf(back, kCatAddress, 0), a);
  EXPECT_EQ(FieldsOf(back, kCatAddress, 1)[1], "ｘ，ｙ”");  // slots are renumbered by record order
}

// The UTF-8 file holds the same characters as the CP932 one, behind the
// byte-order mark, and reads back into the same entries.
TEST_F(TextFileTest, Utf8ExportHoldsTheSameTextAndReadsBackUnchanged) {
  const Fields a = {"１２３－４５６７", "東京都　千代田区", "丸の内①", "株式会社テスト", "営業部", "山田　太郎",
                    "１２３４５６７－１－Ａ"};
  PutRecord(set, kCatAddress, 0, a);
  PutRecord(set, kCatAddress, 1, {"", "ｘ，ｙ”　ｶﾅ"});
  const std::string cp932 = env.Path("plain.csv"), utf8 = env.Path("utf8.csv");
  ASSERT_EQ(WriteTextFile(set, kCatAddress, cp932, false, messages), kTextWritten);
  ASSERT_EQ(WriteTextFile(set, kCatAddress, utf8, false, messages, true, ETextEncoding::kUtf8Bom), kTextWritten);
  EXPECT_EQ(Bytes(utf8), "\xEF\xBB\xBF" + Cp932ToUtf8(Bytes(cp932)));

  CDataSet viaCp932, viaUtf8;
  ASSERT_TRUE(ReadTextFile(viaCp932, kCatAddress, cp932, false));
  ASSERT_TRUE(ReadTextFile(viaUtf8, kCatAddress, utf8, false));
  for (int slot : {0, 1}) {
    const DATAENTRY* x = viaCp932.Entry(kSecAddress, slot);
    const DATAENTRY* y = viaUtf8.Entry(kSecAddress, slot);
    ASSERT_EQ(x->size, y->size) << slot;
    EXPECT_TRUE(std::equal(x->Bytes().begin(), x->Bytes().end(), y->Bytes().begin())) << slot;
  }
  EXPECT_EQ(FieldsOf(viaUtf8, kCatAddress, 0), a);
}

// The export writes through the same safe writer as the data file: another
// name of the same file sees the new content.
TEST_F(TextFileTest, ExportOverAHardLinkedFileKeepsBothNames) {
  PutRecord(set, kCatName, 0, {"a"});
  const std::string path = env.Path("linked.csv"), other = env.Path("other-name.csv");
  WriteText(path, "old");
  std::filesystem::create_hard_link(path, other);
  ASSERT_EQ(WriteTextFile(set, kCatName, path, false, messages), kTextWritten);
  EXPECT_EQ(Bytes(other), S("ａ,,,\r\n"));
  EXPECT_EQ(Bytes(path), Bytes(other));
}

}  // namespace
