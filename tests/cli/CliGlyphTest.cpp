#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "glyph/GlyphCodec.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

namespace {

// A square text picture: ink where (x + 2y) % k == 0, so every size differs.
std::string PictureText(int size, int k) {
  std::string s;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) s += (x + 2 * y) % k == 0 ? '#' : '.';
    s += '\n';
  }
  return s;
}

std::string WriteText(const CTestEnv& env, const std::string& name, const std::string& text) {
  const std::string path = env.Path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The glyph entry stored in slot (0-based), or empty bytes.
std::vector<uint8_t> SlotBytes(const std::string& path, int slot) {
  CDataSet set;
  if (set.LoadDataFile(path) != kFileOk) return {};
  const DATAENTRY* e = set.Entry(kSecGlyph, slot);
  auto b = e->Bytes();
  return std::vector<uint8_t>(b.begin(), b.end());
}

}  // namespace

TEST(CliGlyph, ImportThenShowGivesBackEverySize) {
  CTestEnv env;
  const std::string file = env.Path("g.xmb");
  std::string args = "glyph import " + file + " -s 20 --reading かなー";
  std::string expected;
  for (int i = 0; i < kGlyphSizeCount; ++i) {
    const int s = kGlyphSizes[i].size;
    const std::string text = PictureText(s, 3 + i);
    args += " " + WriteText(env, "p" + std::to_string(s) + ".txt", text);
    expected += std::to_string(s) + "x" + std::to_string(s) + "\n" + text;
  }
  CLIRESULT r = RunCli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunCli("glyph show " + file + " -s 20");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
  r = RunCli("glyph show " + file + " -s 20 --size 30x30");
  EXPECT_EQ(r.out, "30x30\n" + PictureText(30, 5));
  r = RunCli("glyph show " + file + " -s 20 --size 30");
  EXPECT_EQ(r.out, "30x30\n" + PictureText(30, 5));
  // Stored as a glyph entry with its reading in CP932.
  const std::vector<uint8_t> c = SlotBytes(file, 19);
  ASSERT_EQ(c.size(), 1140u + 6);
  EXPECT_EQ(std::vector<uint8_t>(c.begin(), c.begin() + 8),
            (std::vector<uint8_t>{0x10, 0x01, 0x82, 0xA9, 0x82, 0xC8, 0x81, 0x5B}));
}

TEST(CliGlyph, ImportLeavesOtherSizesEmptyAndAcceptsShowOutput) {
  CTestEnv env;
  const std::string file = env.Path("g.xmb");
  // CR LF line ends, a "WxH" header as glyph show prints it, blank lines around.
  std::string text = "\r\n24x24\r\n";
  for (int y = 0; y < 24; ++y) text += std::string(24, y == 23 ? '#' : '.') + "\r\n";
  text += "\r\n";
  CLIRESULT r = RunCli("glyph import " + file + " -s 1 --reading '' " + WriteText(env, "p.txt", text));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunCli("glyph show " + file + " -s 1");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("24x24\n" + std::string(23, '.') + "."), std::string::npos);
  EXPECT_NE(r.out.find(std::string(24, '#') + "\n30x30\n"), std::string::npos);
  EXPECT_NE(r.out.find("16x16\n" + std::string(16, '.') + "\n"), std::string::npos);
  EXPECT_EQ(r.out.find('#'), r.out.find(std::string(24, '#')));  // the only ink is that row
  EXPECT_EQ(SlotBytes(file, 0).size(), 1140u);
}

TEST(CliGlyph, ImportReadsPng) {
  CTestEnv env;
  const std::string png = env.Path("p.png");
  // 16 x 16 RGBA: a black top row, a transparent black second row, a red
  // dot, white elsewhere.
  std::vector<uint8_t> px(16 * 16 * 4, 255);
  for (int x = 0; x < 16; ++x) {
    uint8_t* top = &px[x * 4];
    top[0] = top[1] = top[2] = 0;
    uint8_t* second = &px[(16 + x) * 4];
    second[0] = second[1] = second[2] = 0;
    second[3] = 0;
  }
  uint8_t* red = &px[(5 * 16 + 7) * 4];
  red[1] = red[2] = 0;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = image.height = 16;
  image.format = PNG_FORMAT_RGBA;
  ASSERT_TRUE(png_image_write_to_file(&image, png.c_str(), 0, px.data(), 0, nullptr));
  const std::string file = env.Path("g.xmb");
  CLIRESULT r = RunCli("glyph import " + file + " -s 2 --reading あ " + png);
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunCli("glyph show " + file + " -s 2 --size 16");
  std::string expected = "16x16\n" + std::string(16, '#') + "\n" + std::string(16, '.') + "\n";
  for (int y = 2; y < 16; ++y) expected += y == 5 ? ".......#........\n" : std::string(16, '.') + "\n";
  EXPECT_EQ(r.out, expected);
}

TEST(CliGlyph, ImportRefusesBadReadingsWithTheDialogsMessages) {
  CTestEnv env;
  const std::string pic = WriteText(env, "p.txt", PictureText(16, 2));
  const std::string file = env.Path("g.xmb");
  struct Row {
    const char* reading;
    const char* message;
  } rows[] = {
      {"をかし", "先頭に使用できない文字です。"},
      {"ーか", "先頭に使用できない文字です。"},
      {"カナ", "ひらがなのみ入力してください。"},
      {"かa", "ひらがなのみ入力してください。"},
      {"ab", "ひらがなのみ入力してください。"},
      {"ｶﾅ", "ひらがなのみ入力してください。"},
      {"か😀", "ひらがなのみ入力してください。"},  // no CP932 form at all
      {"あいうえおかきくけこさしすせそたち", "longer than 32 bytes"},
  };
  for (const Row& row : rows) {
    const CLIRESULT r = RunCli("glyph import " + file + " -s 1 --reading " + Quote(row.reading) + " " + pic);
    EXPECT_EQ(r.status, 1) << row.reading;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << row.reading << ": " << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(CliGlyph, ImportRefusesBadPictures) {
  CTestEnv env;
  const std::string file = env.Path("g.xmb");
  struct Row {
    const char* what;
    std::string text;
    const char* message;
  } rows[] = {
      {"other characters", std::string(15, '.') + "x\n" + PictureText(16, 2).substr(17), "1: only '#'"},
      {"a size line after the rows", PictureText(16, 2) + "16x16\n", "17: only '#'"},
      {"not square", PictureText(16, 2).substr(17), "16x15 is not a glyph size"},
      {"not a table size", PictureText(20, 2), "20x20 is not a glyph size"},
      {"ragged rows", "##\n#\n", "row 2"},
      {"nothing", "\n\n", "no picture rows"},
      {"wrong header", "24x24\n" + PictureText(16, 2), "the header says 24x24"},
      {"too large", std::string(70000, '.'), "too large"},
      {"broken png", "\x89PNG\r\n\x1a\n garbage", "not a readable PNG"},
  };
  for (const Row& row : rows) {
    const CLIRESULT r = RunCli("glyph import " + file + " -s 1 --reading あ " + WriteText(env, "bad.txt", row.text));
    EXPECT_EQ(r.status, 1) << row.what;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << row.what << ": " << r.err;
  }
  const CLIRESULT r = RunCli("glyph import " + file + " -s 1 --reading あ " + env.Path("missing.txt"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot be read"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(CliGlyph, UsageErrorsExitWith2) {
  CTestEnv env;
  const std::string pic = WriteText(env, "p.txt", PictureText(16, 2));
  const std::string file = env.Path("g.xmb");
  const std::string rows[] = {
      "glyph import " + file + " -s 1 " + pic,                         // no reading
      "glyph import " + file + " --reading あ " + pic,                 // no slot
      "glyph import " + file + " -s 21 --reading あ " + pic,           // past the glyph slots
      "glyph import " + file + " -s 1,2 --reading あ " + pic,          // one slot only
      "glyph import " + file + " -s 1 --reading あ",                   // no picture
      "glyph import " + file + " -s 1 --reading あ " + pic + " " + pic,  // the same size twice
      "glyph import " + file + " -s 1 --reading あ --overwrite maybe " + pic,
      "glyph show " + file + " -s 1 --size 17",
      "glyph show " + file,
  };
  for (const std::string& args : rows) {
    const CLIRESULT r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(CliGlyph, AnOccupiedSlotIsReplacedOnlyWhenAsked) {
  CTestEnv env;
  const std::string file = env.Path("g.xmb");
  const std::string first = WriteText(env, "a.txt", PictureText(16, 2));
  const std::string second = WriteText(env, "b.txt", PictureText(16, 3));
  ASSERT_EQ(RunCli("glyph import " + file + " -s 5 --reading あ " + first).status, 0);
  const std::vector<uint8_t> before = CTestEnv::ReadBytes(file);
  struct Row {
    const char* option;
    int status;
  } rows[] = {{"", 1}, {"--overwrite cancel", 1}, {"--overwrite skip", 0}};
  for (const Row& row : rows) {
    const CLIRESULT r = RunCli("glyph import " + file + " -s 5 --reading い " + std::string(row.option) + " " + second);
    EXPECT_EQ(r.status, row.status) << row.option;
    EXPECT_NE(r.err.find("occupied"), std::string::npos);
    EXPECT_EQ(CTestEnv::ReadBytes(file), before) << row.option;
  }
  CLIRESULT r = RunCli("glyph import " + file + " -s 5 --reading い --overwrite all " + second);
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunCli("glyph show " + file + " -s 5 --size 16");
  EXPECT_EQ(r.out, "16x16\n" + PictureText(16, 3));
}

TEST(CliGlyph, ShowReportsWhatIsMissing) {
  CTestEnv env;
  // An entry holding only a 48 x 48 picture, with an item of a foreign size
  // and a truncated one around it.
  CGlyph g(48, 48);
  g.Clear();
  g.SetPixel(47, 0);
  std::vector<uint8_t> c = {0x10, 0x01, 0x82, 0xA0, 0, 0, 0, 0};
  CGlyph odd(20, 20);
  WriteGlyphItem(c, odd);
  WriteGlyphItem(c, g);
  c.insert(c.end(), {0x00, 0x00, 0x00, 0x01, 16, 0x01, 0x01, 16, 0x02, 0x02, 0x00, 0x20, 0x00, 0x00, 0xFF});
  CDataSet set;
  ASSERT_TRUE(set.SetEntry(kSecGlyph, 0, 0, c));
  const std::string file = env.Path("g.xmb");
  ASSERT_EQ(set.SaveDataFile(file), kFileOk);

  CLIRESULT r = RunCli("glyph show " + file + " -s 1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 6 + 49), "48x48\n" + std::string(47, '.') + "#\n");
  EXPECT_EQ(r.out.find("16x16"), std::string::npos);
  EXPECT_EQ(r.out.find("20x20"), std::string::npos);
  r = RunCli("glyph show " + file + " -s 1 --size 16");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("holds no 16x16 picture"), std::string::npos);
  r = RunCli("glyph show " + file + " -s 2");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("glyph slot 2 is empty"), std::string::npos);
}

TEST(CliGlyph, FileFailuresPrintTheFileMessage) {
  CTestEnv env;
  const std::string bad = env.Path("bad.xmb");
  CTestEnv::WriteBytes(bad, {'n', 'o', 't', ' ', 'a', ' ', 'd', 'a', 't', 'a', ' ', 'f', 'i', 'l', 'e'});
  const std::string pic = WriteText(env, "p.txt", PictureText(16, 2));
  for (const std::string& args : {"glyph show " + bad + " -s 1", "glyph import " + bad + " -s 1 --reading あ " + pic,
                                  "glyph show " + env.Path("none.xmb") + " -s 1"}) {
    const CLIRESULT r = RunCli(args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(CTestEnv::ReadBytes(bad).size(), 15u);  // a file that failed to load is never replaced
  CDataSet probe;
  const int result = probe.LoadDataFile(bad);
  ASSERT_NE(result, kFileOk);
  EXPECT_EQ(RunCli("glyph show " + bad + " -s 1").err, FileResultMessage(result, false, bad) + "\n");
}
