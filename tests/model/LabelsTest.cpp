#include "model/Labels.h"

#include <gtest/gtest.h>

#include "common/EntryBytes.h"
#include "model/Category.h"
#include "model/Cp932.h"

using eb::Bytes;

namespace {

constexpr uint8_t kFileKind = 0x01;

std::string U(const std::string& cp932) { return Cp932ToUtf8(cp932); }

std::vector<std::string> U(const std::vector<std::string>& cp932) {
  std::vector<std::string> out;
  for (const std::string& s : cp932) out.push_back(Cp932ToUtf8(s));
  return out;
}

DATAENTRY MakeEntry(const Bytes& content, uint16_t group = 0) {
  DATAENTRY e;
  e.used = 1;
  e.group = group;
  e.size = static_cast<uint32_t>(content.size());
  e.content = AllocContent(content.size());
  std::copy(content.begin(), content.end(), e.content.get());
  return e;
}

std::string Convert(const Bytes& run, size_t* next = nullptr) { return ConvertContentText(run, 0, next); }

// ---- the character rule ----

TEST(ConvertContentText, PrinterSpacesAndReservedCodes) {
  size_t next = 0;
  const Bytes run = eb::Run({0x82A0, 0xECA5, 0xECA6, 0x82F3, 0x2041});
  EXPECT_EQ(U(Convert(run, &next)), "あ　 ■■");
  EXPECT_EQ(next, run.size());
}

// Structurally valid CP932: single bytes, or a lead byte with a trail byte.
bool WellFormedCp932(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const uint8_t b = static_cast<uint8_t>(s[i]);
    if (!IsCp932Lead(b)) {
      if (b >= 0x80 && !(b >= 0xA1 && b <= 0xDF)) return false;
      continue;
    }
    if (i + 1 >= s.size() || !IsCp932Trail(static_cast<uint8_t>(s[i + 1]))) return false;
    ++i;
  }
  return true;
}

TEST(ConvertContentText, RangesAndTheirBorders) {
  const struct {
    uint16_t code;
    bool copied;  // else shown as the mark
  } rows[] = {
      {0x8140, true},  {0x81CD, true},  {0x81CE, false}, {0x81D9, false}, {0x81DA, true},
      {0x8491, true},  {0x8492, false}, {0x873F, false}, {0x8740, true},  {0x879C, true},
      {0x879D, false}, {0x8840, false}, {0x889E, false}, {0x889F, true},  {0x9FFC, true},
      {0xE040, true},  {0xEAA4, true},  {0xEAA5, true},  {0xEAA6, false}, {0xED40, false},
      {0xFA40, false}, {0x82F1, true},  {0x82F2, false}, {0x82F4, false}, {0x82F5, true},
      // Codes of the ranges whose second byte is no trail byte.
      {0x817F, false}, {0x81FD, false}, {0x8A20, false}, {0x9FFF, false}, {0xEA3F, false},
      // Single-byte text cannot appear in a run.
      {0x4142, false},
  };
  for (const auto& r : rows) {
    const std::string bytes{static_cast<char>(r.code >> 8), static_cast<char>(r.code & 0xFF)};
    EXPECT_EQ(Convert(eb::Run({r.code})), r.copied ? bytes : std::string("\x81\xA1")) << std::hex << r.code;
  }
  EXPECT_EQ(U(Convert(eb::Run({0x8740, 0x889F, 0x82F1}))), "①亜ん");
}

TEST(ConvertContentText, EveryCodeGivesValidText) {
  // Whatever the printer holds, the shown and exported text is valid CP932:
  // the code itself, a space, the full-width space or the mark.
  for (uint32_t code = 0x0100; code <= 0xFFFF; ++code) {
    const std::string out = Convert(eb::Run({static_cast<uint16_t>(code)}));
    const std::string same{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    ASSERT_TRUE(out == same || out == " " || out == "\x81\x40" || out == "\x81\xA1") << std::hex << code;
    ASSERT_TRUE(WellFormedCp932(out)) << std::hex << code;
  }
}

TEST(ConvertContentText, RunEndsAtTheFirstPairStartingWithZero) {
  size_t next = 0;
  // 0x00 0x41 ends the run although its second byte is not 0.
  const Bytes c = {0x82, 0xA0, 0x00, 0x41, 0x82, 0xA2};
  EXPECT_EQ(U(Convert(c, &next)), "あ");
  EXPECT_EQ(next, 4u);
}

TEST(ConvertContentText, StopsAtTheContentEnd) {
  size_t next = 0;
  // No terminator and an odd last byte: the text ends with the content.
  const Bytes c = {0x82, 0xA0, 0x82, 0xA2, 0x82};
  EXPECT_EQ(U(Convert(c, &next)), "あい");
  EXPECT_EQ(next, c.size());
  EXPECT_EQ(ConvertContentText(c, 9, &next), "");
  EXPECT_EQ(next, c.size());
}

// ---- title and group label ----

TEST(GetTitleText, TitleOfTheContent) {
  EXPECT_EQ(U(GetTitleText(MakeEntry(eb::Content(kFileKind, eb::Text("見積書"), eb::Run({}), {})))), "見積書");
  EXPECT_EQ(GetTitleText(DATAENTRY{}), "");
  EXPECT_EQ(GetTitleText(MakeEntry({0x10})), "");
}

TEST(GetGroupLabel, Cases) {
  const struct {
    const char* what;
    Bytes content;
    uint16_t group;
    const char* label;
  } rows[] = {
      {"no group, no name", eb::Content(kFileKind, eb::Run({}), eb::Run({}), {}), 0, "Ｇ０　グループ無"},
      {"named group", eb::Content(kFileKind, eb::Run({}), eb::Text("営業部"), {}), 3, "Ｇ３　営業部"},
      {"group 9", eb::Content(kFileKind, eb::Run({}), eb::Run({}), {}), 9, "Ｇ９　グループ無"},
      {"group above 9", eb::Content(kFileKind, eb::Run({}), eb::Text("本社"), {}), 12, "Ｇ■　本社"},
      {"printer spaces in the name", eb::Content(kFileKind, eb::Run({}), eb::Run({0x82A0, 0xECA6, 0x82A2}), {}), 1,
       "Ｇ１　あ い"},
      {"content without a header", Bytes{0x02}, 2, "Ｇ２　グループ無"},
      {"name runs to the end", Bytes{0x02, 0x01, 0x00, 0x00, 0x82, 0xA0}, 4, "Ｇ４　あ"},
  };
  for (const auto& r : rows) EXPECT_EQ(U(GetGroupLabel(MakeEntry(r.content, r.group))), r.label) << r.what;
  EXPECT_EQ(U(GetGroupLabel(DATAENTRY{})), "Ｇ０　グループ無");
}

// ---- field text ----

Bytes AddressContent() {
  return eb::Content(kKindAddress, eb::Run({}), eb::Run({}),
                     {eb::Field(0), eb::Text("１００－０００１"), eb::Field(1), eb::Text("東京都千代田区"),
                      eb::Field(2), eb::Text("一丁目"), eb::Field(5), eb::Text("山田"), eb::Run({0xECA6}),
                      eb::Text("太郎"), eb::Field(6), eb::Text("１２３")});
}

TEST(GetFieldText, FieldsByNumber) {
  const DATAENTRY e = MakeEntry(AddressContent());
  const struct {
    int number;
    const char* text;
  } rows[] = {
      {0, "１００－０００１"}, {1, "東京都千代田区"}, {2, "一丁目"}, {3, ""}, {4, ""}, {5, "山田 太郎"},
      {6, "１２３"},    {7, ""},             {-1, ""},
  };
  for (const auto& r : rows) EXPECT_EQ(U(GetFieldText(e, r.number)), r.text) << r.number;
}

TEST(GetFieldText, ItemsInsideAField) {
  // Zero words are skipped, a 0x60 object shows as the mark, other control
  // items are skipped.
  const Bytes c = eb::Content(kKindAddress, eb::Run({}), eb::Run({}),
                              {eb::Field(1), eb::Text("本"), eb::Bytes{0, 0}, eb::Item(0x60, {{1, {2}}}),
                               eb::Item(0x10), eb::Text("町"), eb::Field(2), eb::Text("次")});
  EXPECT_EQ(U(GetFieldText(MakeEntry(c), 1)), "本■町");
}

TEST(GetFieldText, CollectingStopsAtAnyParagraphItem) {
  // A 0x30 item without field number ends field 1 but starts no field.
  const Bytes c = eb::Content(kKindAddress, eb::Run({}), eb::Run({}),
                              {eb::Field(1), eb::Text("甲"), eb::Item(0x30), eb::Text("乙"), eb::Field(2),
                               eb::Text("丙")});
  const DATAENTRY e = MakeEntry(c);
  EXPECT_EQ(U(GetFieldText(e, 1)), "甲");
  EXPECT_EQ(U(GetFieldText(e, 2)), "丙");
  EXPECT_EQ(U(GetFieldText(e, 0)), "");
}

TEST(GetFieldText, FirstFieldOfANumberWins) {
  const Bytes c = eb::Content(kKindName, eb::Run({}), eb::Run({}),
                              {eb::Field(0), eb::Text("一"), eb::Field(0), eb::Text("二")});
  EXPECT_EQ(U(GetFieldText(MakeEntry(c), 0)), "一");
}

TEST(GetFieldText, TruncatedContentGivesWhatIsThere) {
  const Bytes whole = AddressContent();
  for (size_t n = 0; n <= whole.size(); ++n) {
    const DATAENTRY e = MakeEntry(Bytes(whole.begin(), whole.begin() + static_cast<long>(n)));
    const std::string text = GetFieldText(e, 5);
    // Always a prefix of the full text, never garbage.
    EXPECT_EQ(std::string("山田 太郎").rfind(U(text), 0), 0u) << n;
  }
  // A sub-field list that runs past the end ends the walk.
  const Bytes broken = {0x02, 0x01, 0, 0, 0, 0, 0x30, 0x00, 0x80, 0xFF, 0x01};
  EXPECT_EQ(GetFieldText(MakeEntry(broken), 1), "");
}

// ---- list text ----

TEST(GetListText, PerCategory) {
  CDataSet set;
  set.SetEntry(kSecFile, 0, 0, eb::Content(kFileKind, eb::Text("案内状"), eb::Run({}), {}));
  set.SetEntry(kSecAddress, 1, 0, AddressContent());
  set.SetEntry(kSecAddress, 2, 0,
               eb::Content(kKindAddress, eb::Run({}), eb::Run({}), {eb::Field(0), eb::Text("１００－０００１")}));
  set.SetEntry(kSecName, 3, 0,
               eb::Content(kKindName, eb::Run({}), eb::Run({}),
                           {eb::Field(0), eb::Text("山田"), eb::Field(1), eb::Text("太郎"), eb::Field(2),
                            eb::Text("やまだ")}));
  set.SetEntry(kSecGlyph, 19, 0, eb::Content(kKindGlyph, eb::Text("ほし"), eb::Run({}), {eb::Glyph(16)}));
  const struct {
    int category, slot;
    const char* text;
  } rows[] = {
      {kCatFile, 0, "案内状"},         {kCatAddress, 1, "東京都千代田区"},
      {kCatAddress, 2, ""},            // field 1 absent
      {kCatName, 3, "山田太郎"},       {kCatGlyph, 19, "ほし"},
      {kCatFile, 1, ""},               {kCatGlyph, 20, ""},  // empty slot, slot outside
      {kCatName, 39, ""},
  };
  for (const auto& r : rows)
    EXPECT_EQ(U(GetListText(set, r.category, r.slot)), r.text) << r.category << "/" << r.slot;
}

// ---- detail lines ----

Bytes FileWithParagraphs(int paragraphs, int linesEach) {
  Bytes items;
  for (int p = 0; p < paragraphs; ++p) {
    Bytes para = eb::Item(0x30, {{0x80, {static_cast<uint8_t>(p)}}});
    items.insert(items.end(), para.begin(), para.end());
    for (int l = 0; l < linesEach; ++l) {
      if (l > 0) {
        Bytes br = eb::Item(l % 2 ? 0x10 : 0x70);
        items.insert(items.end(), br.begin(), br.end());
      }
      static const char* const kDigits[] = {"１", "２", "３"};
      static const char* const kLetters[] = {"ａ", "ｂ", "ｃ", "ｄ"};
      Bytes t = eb::Text(std::string("行") + kDigits[p] + kLetters[l]);
      items.insert(items.end(), t.begin(), t.end());
    }
  }
  return eb::Content(kFileKind, eb::Text("文書"), eb::Text("社内"), {items});
}

std::vector<std::string> Lines(const Bytes& content, int category, uint16_t group = 1) {
  CDataSet set;
  set.SetEntry(SectionOfCategory(category), 0, group, content);
  return U(GetDetailLines(set, category, 0).lines);
}

TEST(GetDetailLines, FileDataIsCutToSixLines) {
  EXPECT_EQ(Lines(FileWithParagraphs(3, 3), kCatFile),
            (std::vector<std::string>{"ﾌｧｲﾙ名　:文書", "ﾌｧｲﾙ内容　:", "行１ａ", "行１ｂ", "行１ｃ", ":",
                                      "ｸﾞﾙｰﾌﾟ名　:Ｇ１　社内"}));
}

TEST(GetDetailLines, FileDataIsPaddedToSixLines) {
  EXPECT_EQ(Lines(FileWithParagraphs(1, 1), kCatFile),
            (std::vector<std::string>{"ﾌｧｲﾙ名　:文書", "ﾌｧｲﾙ内容　:", "行１ａ", "", "", "",
                                      "ｸﾞﾙｰﾌﾟ名　:Ｇ１　社内"}));
}

TEST(GetDetailLines, FileDataParagraphMarkIsALine) {
  EXPECT_EQ(Lines(FileWithParagraphs(2, 1), kCatFile),
            (std::vector<std::string>{"ﾌｧｲﾙ名　:文書", "ﾌｧｲﾙ内容　:", "行１ａ", "(改段落)", "行２ａ", "",
                                      "ｸﾞﾙｰﾌﾟ名　:Ｇ１　社内"}));
  // Exactly six lines: nothing is cut.
  const auto six = Lines(FileWithParagraphs(1, 4), kCatFile);
  EXPECT_EQ(six, (std::vector<std::string>{"ﾌｧｲﾙ名　:文書", "ﾌｧｲﾙ内容　:", "行１ａ", "行１ｂ", "行１ｃ", "行１ｄ",
                                           "ｸﾞﾙｰﾌﾟ名　:Ｇ１　社内"}));
}

TEST(GetDetailLines, FileDataObjectsAndTextBeforeTheFirstParagraph) {
  const Bytes c = eb::Content(kFileKind, eb::Text("図"), eb::Run({}),
                              {eb::Text("前"), eb::Item(0x40), eb::Item(0x72, {{1, {1}}}), eb::Item(0x42),
                               eb::Item(0x30), eb::Item(0x50), eb::Text("後"), eb::Item(0x60)});
  EXPECT_EQ(Lines(c, kCatFile, 0),
            (std::vector<std::string>{"ﾌｧｲﾙ名　:図", "ﾌｧｲﾙ内容　:", "前■■", "(改段落)", "■後■", "",
                                      "ｸﾞﾙｰﾌﾟ名　:Ｇ０　グループ無"}));
}

TEST(GetDetailLines, AddressDataHasNineLines) {
  EXPECT_EQ(Lines(AddressContent(), kCatAddress, 2),
            (std::vector<std::string>{"住所　:", "１００－０００１", "東京都千代田区", "一丁目", "", "", "山田 太郎",
                                      "１２３", "ｸﾞﾙｰﾌﾟ名　:Ｇ２　グループ無"}));
}

TEST(GetDetailLines, NameDataHasFourLines) {
  const Bytes c = eb::Content(kKindName, eb::Run({}), eb::Text("友人"),
                              {eb::Field(0), eb::Text("山田"), eb::Field(1), eb::Text("太郎"), eb::Field(2),
                               eb::Text("やまだ"), eb::Field(3), eb::Text("たろう")});
  EXPECT_EQ(Lines(c, kCatName, 12),
            (std::vector<std::string>{"ふりがな　:", "やまだたろう", "名前　:山田太郎", "ｸﾞﾙｰﾌﾟ名　:Ｇ■　友人"}));
}

TEST(GetDetailLines, EmptySlotHasNoLines) {
  CDataSet set;
  for (int cat = 0; cat < kCategoryCount; ++cat) {
    const DETAILLINES d = GetDetailLines(set, cat, 0);
    EXPECT_TRUE(d.lines.empty()) << cat;
    EXPECT_FALSE(d.hasLargest || d.hasSmallest) << cat;
  }
  EXPECT_TRUE(GetDetailLines(set, kCatFile, 100).lines.empty());
}

struct PATTERNCASE {
  const char* what;
  Bytes items;
  int largest;   // 0: none
  int smallest;  // 0: none
};

TEST(GetDetailLines, GlyphPatternsForThePreview) {
  const PATTERNCASE rows[] = {
      {"only 48x48", eb::Glyph(48), 48, 0},
      {"all seven", eb::Cat({eb::Glyph(16), eb::Glyph(24), eb::Glyph(30), eb::Glyph(32), eb::Glyph(36),
                             eb::Glyph(40), eb::Glyph(48)}),
       48, 16},
      {"40 and 24", eb::Cat({eb::Glyph(40), eb::Glyph(24)}), 40, 24},
      {"no pattern", Bytes{}, 0, 0},
      // Items the glyph picture cannot load are not offered.
      {"short bitmap skipped", eb::Cat({eb::Glyph(32, 32, 20), eb::Glyph(24)}), 24, 24},
      {"odd size skipped", eb::Cat({eb::Glyph(20, 20, 300), eb::Glyph(16)}), 16, 16},
  };
  for (const PATTERNCASE& r : rows) {
    SCOPED_TRACE(r.what);
    CDataSet set;
    set.SetEntry(kSecGlyph, 0, 0, eb::Content(kKindGlyph, eb::Text("ほし"), eb::Run({}), {r.items}));
    const DETAILLINES d = GetDetailLines(set, kCatGlyph, 0);
    EXPECT_EQ(U(d.lines), std::vector<std::string>{"読み　:ほし"});
    EXPECT_EQ(d.hasLargest, r.largest != 0);
    if (d.hasLargest) {
      EXPECT_EQ(d.largest.width, r.largest);
      EXPECT_EQ(d.largest.height, r.largest);
    }
    EXPECT_EQ(d.hasSmallest, r.smallest != 0);
    if (d.hasSmallest) {
      EXPECT_EQ(d.smallest.width, r.smallest);
    }
  }
}

TEST(GetDetailLines, GlyphTiesKeepTheFirstItemAndPointAtItsBitmap) {
  const Bytes first = eb::Glyph(24, 24, 72, 0x11);
  const Bytes second = eb::Glyph(24, 24, 72, 0x22);
  CDataSet set;
  const Bytes c = eb::Content(kKindGlyph, eb::Text("か"), eb::Run({}), {first, second});
  set.SetEntry(kSecGlyph, 0, 0, c);
  const DETAILLINES d = GetDetailLines(set, kCatGlyph, 0);
  ASSERT_TRUE(d.hasLargest && d.hasSmallest);
  EXPECT_EQ(d.largest.length, 72u);
  EXPECT_EQ(c[d.largest.bitmap], 0x11);
  EXPECT_EQ(c[d.smallest.bitmap], 0x11);
  EXPECT_EQ(d.smallest.bitmap, 2 + eb::Text("か").size() + 2 + 14);
}

TEST(Labels, GarbageContentNeverBreaksAnyLabel) {
  // Deterministic pseudo-random contents, short and long, in every category.
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, static_cast<uint8_t>(seed >> 16); };
  for (int round = 0; round < 300; ++round) {
    Bytes c(static_cast<size_t>(next()) % 64 + (round % 7 == 0 ? 400 : 0));
    for (uint8_t& b : c) b = round % 3 ? next() : static_cast<uint8_t>(next() & 0x31);
    CDataSet set;
    for (int cat = 0; cat < kCategoryCount; ++cat) {
      set.SetEntry(SectionOfCategory(cat), 0, static_cast<uint16_t>(round % 12), c);
      for (const std::string& line : GetDetailLines(set, cat, 0).lines) EXPECT_TRUE(WellFormedCp932(line));
      EXPECT_TRUE(WellFormedCp932(GetListText(set, cat, 0)));
    }
  }
}

}  // namespace
