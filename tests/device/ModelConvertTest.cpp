#include "model/ModelConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "common/EntryBytes.h"
#include "common/TestEnv.h"
#include "model/Category.h"
#include "model/DataSet.h"

using eb::Bytes;
using eb::SF;

namespace {

constexpr uint8_t kFileKind = 0x01;  // any kind code: file data keeps what it carries
constexpr uint16_t kSymbolA = 0x819B;     // in the QP510 symbol table
constexpr uint16_t kSymbolB = 0x8740;     // in the table (circled one)
constexpr uint16_t kNotSymbol = 0x82A0;   // あ: not a symbol

SF Code(uint8_t id, uint16_t code) { return {id, {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)}}; }

// The symbol table comes from the program folder of the build tree unless
// ctest already points there.
struct ProgramFolderEnv : ::testing::Environment {
  void SetUp() override {
    if (!std::getenv("XAMU_PROGRAM_DIR")) setenv("XAMU_PROGRAM_DIR", XAMU_BUILD_DIR "/share/xamu", 1);
    ReloadQP510SymbolTable();
  }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new ProgramFolderEnv);

DATAENTRY MakeEntry(const Bytes& content) {
  DATAENTRY e;
  e.used = 1;
  e.group = 1;
  e.size = static_cast<uint32_t>(content.size());
  e.content = AllocContent(content.size());
  std::copy(content.begin(), content.end(), e.content.get());
  return e;
}

Bytes BytesOf(const DATAENTRY& e) { return Bytes(e.Bytes().begin(), e.Bytes().end()); }

Bytes GlyphContent(std::initializer_list<int> sizes) {
  Bytes items;
  for (int s : sizes) {
    Bytes g = eb::Glyph(s);
    items.insert(items.end(), g.begin(), g.end());
  }
  return eb::Content(kKindGlyph, eb::Text("あ"), eb::Run({}), {items});
}

Bytes FileContent(std::initializer_list<Bytes> items) {
  return eb::Content(kFileKind, eb::Text("ラベル"), eb::Text("会社"), items);
}

// ---- the glyph size question ----

struct LACKINGCASE {
  uint32_t entryMask;
  int32_t modelMask;
  bool ask;
};

TEST(GlyphSizesLacking, AsksWhenTheModelNeedsASizeTheEntryLacks) {
  const LACKINGCASE cases[] = {
      {0x07, 0x0B, true},    // 16, 24, 30 against 16, 24, 32: 32 is missing
      {0x0F, 0x0B, false},   // extra sizes are removed without a question
      {0x0B, 0x0B, false},
      {0x7F, -1, false},     // no "glyph" key: every size needed, all present
      {0x41, -1, true},      // ... and a 16 + 48 entry lacks five of them
      {0x00, 0x01, true},
      {0x00, 0x00, false},   // a model that needs nothing
      {0x41, 0x41, false},
  };
  for (const LACKINGCASE& c : cases)
    EXPECT_EQ(GlyphSizesLacking(c.entryMask, c.modelMask), c.ask)
        << std::hex << "entry 0x" << c.entryMask << " model 0x" << c.modelMask;
}

// ---- FilterGlyphSizes ----

TEST(FilterGlyphSizes, RemovesSizesOutsideTheMask) {
  const Bytes content = GlyphContent({16, 24, 30});
  const Bytes filtered = FilterGlyphSizes(content, 0x0B);
  EXPECT_EQ(filtered, GlyphContent({16, 24}));
  // The write request carries the shortened length.
  EXPECT_EQ(filtered.size(), content.size() - eb::Glyph(30).size());
  EXPECT_EQ(GetGlyphSizeMask(filtered), 0x03u);
}

TEST(FilterGlyphSizes, ModelWithoutGlyphKeyKeepsEverything) {
  const Bytes content = GlyphContent({16, 24, 30, 32, 36, 40, 48});
  EXPECT_EQ(FilterGlyphSizes(content, -1), content);
}

TEST(FilterGlyphSizes, DropsItemsOfNoTableSize) {
  const Bytes content = eb::Content(kKindGlyph, eb::Text("あ"), eb::Run({}),
                                    {eb::Glyph(16), eb::Glyph(20, 20, 60), eb::Glyph(16, 24, 48),
                                     // width only: no height, no bitmap (just its zero word)
                                     eb::Cat({eb::Item(0x00, {{0x00, {24}}}), {0, 0}}), eb::Glyph(48)});
  EXPECT_EQ(FilterGlyphSizes(content, -1), GlyphContent({16, 48}));
}

TEST(FilterGlyphSizes, KeepsTitleAndGroupName) {
  const Bytes content = eb::Content(kKindGlyph, eb::Text("ほし"), eb::Text("記号"), {eb::Glyph(24), eb::Glyph(32)});
  EXPECT_EQ(FilterGlyphSizes(content, 0x02),
            eb::Content(kKindGlyph, eb::Text("ほし"), eb::Text("記号"), {eb::Glyph(24)}));
}

TEST(FilterGlyphSizes, TruncatedContentGivesThePartBeforeTheDamage) {
  const Bytes whole = GlyphContent({16, 24});
  const Bytes header = eb::Cat({{kKindGlyph, 0x01}, eb::Text("あ"), eb::Run({})});
  const Bytes first = eb::Cat({header, eb::Glyph(16)});
  // Cut inside the 24-dot bitmap: the 16-dot item survives, CR LF is added.
  const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(first.size() + 20));
  EXPECT_EQ(FilterGlyphSizes(cut, -1), eb::Cat({first, {0x0D, 0x0A}}));
  // Every prefix is handled without reading past it.
  for (size_t n = 0; n <= whole.size(); ++n) {
    const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(n));
    const Bytes out = FilterGlyphSizes(prefix, -1);
    if (n < 2) {
      EXPECT_TRUE(out.empty()) << n;
    } else {
      ASSERT_GE(out.size(), 2u) << n;
      EXPECT_EQ(out[out.size() - 2], 0x0D) << n;
    }
  }
}

TEST(FilterGlyphSizes, BitmapLengthPastTheEndStopsTheWalk) {
  // The 16-dot item claims 0xFFFF bitmap bytes.
  Bytes content = GlyphContent({16, 24});
  const size_t lengthAt = 2 + eb::Text("あ").size() + 2 + 10;
  content[lengthAt] = 0xFF;
  content[lengthAt + 1] = 0xFF;
  EXPECT_EQ(FilterGlyphSizes(content, -1), eb::Cat({{kKindGlyph, 0x01}, eb::Text("あ"), eb::Run({}), {0x0D, 0x0A}}));
}

// ---- ConvertGlyphsForQP510 ----

TEST(ConvertGlyphsForQP510, KeepsOnlyTheFiveQP510Patterns) {
  DATAENTRY e = MakeEntry(GlyphContent({16, 24, 30, 32, 36, 40, 48}));
  EXPECT_TRUE(ConvertGlyphsForQP510(e));
  EXPECT_EQ(BytesOf(e), GlyphContent({16, 24, 32, 40, 48}));
  EXPECT_EQ(e.used, 1);
  EXPECT_EQ(e.group, 1);
}

TEST(ConvertGlyphsForQP510, RemovesA36EvenWhenTheModelAllowsIt) {
  DATAENTRY e = MakeEntry(GlyphContent({36, 48}));
  EXPECT_TRUE(ConvertGlyphsForQP510(e));
  EXPECT_EQ(BytesOf(e), GlyphContent({48}));
}

TEST(ConvertGlyphsForQP510, RemovesAPatternWithTheWrongByteCount) {
  const Bytes content = eb::Content(kKindGlyph, eb::Text("あ"), eb::Run({}),
                                    {eb::Glyph(16, 16, 30), eb::Glyph(24)});
  DATAENTRY e = MakeEntry(content);
  EXPECT_TRUE(ConvertGlyphsForQP510(e));
  EXPECT_EQ(BytesOf(e), GlyphContent({24}));
}

TEST(ConvertGlyphsForQP510, AcceptedPatternsLeaveTheEntryAlone) {
  const Bytes content = GlyphContent({16, 48});
  DATAENTRY e = MakeEntry(content);
  const uint8_t* before = e.content.get();
  EXPECT_FALSE(ConvertGlyphsForQP510(e));
  EXPECT_EQ(e.content.get(), before);
  EXPECT_EQ(BytesOf(e), content);
}

TEST(ConvertGlyphsForQP510, EmptyEntryIsNoChange) {
  DATAENTRY e;
  EXPECT_FALSE(ConvertGlyphsForQP510(e));
  EXPECT_FALSE(e.content);
}

// ---- ConvertFileDataForQP510: one row per rule ----

struct FILEDATACASE {
  const char* what;
  uint8_t type;
  std::vector<SF> in;
  std::vector<SF> out;  // empty: the item must stay as it was
};

std::vector<FILEDATACASE> FileDataCases() {
  using V = std::vector<SF>;
  return {
      // Item type 0x00
      {"0: 9 becomes 2", 0x00, V{{0, {9}}}, V{{0, {2}}}},
      {"0: 0 becomes 2", 0x00, V{{0, {0}}}, V{{0, {2}}}},
      {"0: 7 becomes 2", 0x00, V{{0, {7}}}, V{{0, {2}}}},
      {"0: 1 stays beside other sub-fields", 0x00, V{{0, {1}}, {3, {6}}}, {}},
      {"0: 6 stays", 0x00, V{{0, {6}}}, {}},
      {"4: 65 becomes 0", 0x00, V{{4, {65}}}, V{{4, {0}}}},
      {"4: 111 becomes 0", 0x00, V{{4, {111}}}, V{{4, {0}}}},
      {"4: 121 becomes 0", 0x00, V{{4, {121}}}, V{{4, {0}}}},
      {"4: 64 stays", 0x00, V{{4, {64}}}, {}},
      {"4: 112 stays", 0x00, V{{4, {112}}}, {}},
      {"4: 120 stays", 0x00, V{{4, {120}}}, {}},
      {"9 with 10 = 10 becomes 1", 0x00, V{{9, {3}}, {10, {10}}}, V{{9, {1}}, {10, {10}}}},
      {"9 = 0 with 10 = 10 becomes 1", 0x00, V{{10, {10}}, {9, {0}}}, V{{10, {10}}, {9, {1}}}},
      {"9 = 2 with 10 = 10 stays", 0x00, V{{9, {2}}, {10, {10}}}, {}},
      {"9 with 10 = 9 stays", 0x00, V{{9, {3}}, {10, {9}}}, {}},
      {"9 without 10 stays", 0x00, V{{9, {3}}}, {}},
      // Item types 0x08, 0x10, 0x20, 0x70
      {"4: 0x0C has bits outside the set", 0x10, V{{4, {0x0C}}}, V{{4, {0}}}},
      {"4: 0x1C becomes 0", 0x08, V{{4, {0x1C}}}, V{{4, {0}}}},
      {"4: 0x14 stays", 0x10, V{{4, {0x14}}}, {}},
      {"4: 0xE3 (bits outside 0x1C only) stays", 0x20, V{{4, {0xE3}}}, {}},
      {"21: 2 becomes 0", 0x70, V{{21, {2}}}, V{{21, {0}}}},
      {"21: 1 stays", 0x70, V{{21, {1}}}, {}},
      {"8: 12 becomes 2", 0x10, V{{8, {12}}, {9, {6}}}, V{{8, {2}}, {9, {6}}}},
      {"8: 12 becomes 2, 9 = 4 then 0", 0x10, V{{8, {12}}, {9, {4}}}, V{{8, {2}}, {9, {0}}}},
      {"8: 9 clears 8 and 9", 0x10, V{{8, {9}}, {9, {1}}}, V{{8, {0}}, {9, {0}}}},
      {"8 = 0 allows only 9 = 0", 0x08, V{{8, {0}}, {9, {1}}}, V{{8, {0}}, {9, {0}}}},
      {"8 = 2 allows 9 = 6", 0x08, V{{8, {2}}, {9, {6}}}, {}},
      {"8 = 4 allows 9 = 4", 0x08, V{{8, {4}}, {9, {4}}}, {}},
      {"8 = 4 refuses 9 = 6", 0x08, V{{8, {4}}, {9, {6}}}, V{{8, {4}}, {9, {0}}}},
      {"8 = 8 allows 9 = 1", 0x20, V{{8, {8}}, {9, {1}}}, {}},
      {"8 = 5 refuses 9 = 2", 0x20, V{{8, {5}}, {9, {2}}}, V{{8, {5}}, {9, {0}}}},
      {"12: 5 becomes 1", 0x10, V{{12, {5}}, {13, {6}}}, V{{12, {1}}, {13, {6}}}},
      {"12: 4 clears 12 and 13", 0x10, V{{12, {4}}, {13, {1}}}, V{{12, {0}}, {13, {0}}}},
      {"12 = 3 refuses 13 = 6", 0x10, V{{12, {3}}, {13, {6}}}, V{{12, {3}}, {13, {0}}}},
      {"12 = 3 allows 13 = 4", 0x10, V{{12, {3}}, {13, {4}}}, {}},
      {"12 = 2 refuses 13 = 4", 0x10, V{{12, {2}}, {13, {4}}}, V{{12, {2}}, {13, {0}}}},
      {"16: 8 becomes 2", 0x70, V{{16, {8}}, {17, {6}}}, V{{16, {2}}, {17, {6}}}},
      {"16: 7 clears 16 and 17", 0x70, V{{16, {7}}, {17, {1}}}, V{{16, {0}}, {17, {0}}}},
      {"16 = 6 allows 17 = 1", 0x70, V{{16, {6}}, {17, {1}}}, {}},
      {"16 = 4 refuses 17 = 6", 0x70, V{{16, {4}}, {17, {6}}}, V{{16, {4}}, {17, {0}}}},
      {"24 = 4 gives 25 = 1", 0x10, V{{24, {4}}, {25, {3}}}, V{{24, {4}}, {25, {1}}}},
      {"24 = 6 refuses 25 = 0", 0x10, V{{24, {6}}, {25, {0}}}, V{{24, {6}}, {25, {1}}}},
      {"24 = 2 allows 25 = 4", 0x10, V{{24, {2}}, {25, {4}}}, {}},
      {"24 = 3 leaves 25", 0x10, V{{24, {3}}, {25, {3}}}, {}},
      // Item type 0x02: character test and defaults
      {"12 above 3 fails: defaults", 0x02,
       V{{12, {4}}, {13, {50}}, Code(14, 0x1234), Code(15, 0x5678)},
       V{{12, {1}}, {13, {33}}, {14, {0xF1, 0xE0}}, {15, {0xF1, 0xE1}}}},
      {"12 = 1 with 13 = 32 fails", 0x02, V{{12, {1}}, {13, {32}}}, V{{12, {1}}, {13, {33}}}},
      {"12 = 1 with 13 = 119 fails", 0x02, V{{12, {1}}, {13, {119}}}, V{{12, {1}}, {13, {33}}}},
      {"12 = 1 with 13 = 33 passes", 0x02, V{{12, {1}}, {13, {33}}, Code(14, 0x1111)}, {}},
      {"12 = 1 with 13 = 118 passes", 0x02, V{{12, {1}}, {13, {118}}}, {}},
      {"12 = 3 with 13 = 0 fails", 0x02, V{{12, {3}}, {13, {0}}}, V{{12, {1}}, {13, {33}}}},
      {"12 = 3 with 13 = 11 fails", 0x02, V{{12, {3}}, {13, {11}}}, V{{12, {1}}, {13, {33}}}},
      {"12 = 3 with 13 = 10 passes", 0x02, V{{12, {3}}, {13, {10}}}, {}},
      {"12 = 2 with symbols passes", 0x02, V{{12, {2}}, {13, {0}}, Code(14, kSymbolA), Code(15, kSymbolB)}, {}},
      {"12 = 2 with a non-symbol in 14 fails", 0x02,
       V{{12, {2}}, {13, {7}}, Code(14, kNotSymbol), Code(15, kSymbolB)},
       V{{12, {1}}, {13, {33}}, {14, {0xF1, 0xE0}}, {15, {0xF1, 0xE1}}}},
      {"12 = 2 with a non-symbol in 15 fails", 0x02,
       V{{12, {2}}, Code(14, kSymbolA), Code(15, kNotSymbol)},
       V{{12, {1}}, {14, {0xF1, 0xE0}}, {15, {0xF1, 0xE1}}}},
      {"defaults keep each length byte", 0x02,
       V{{12, {9, 9}}, {13, {1}}, {14, {0x81}}, {15, {0x81, 0x9B, 0x77}}},
       V{{12, {1, 0}}, {13, {33}}, {14, {0xF1}}, {15, {0xF1, 0xE1, 0}}}},
      {"other sub-fields stay with the defaults", 0x02,
       V{{1, {42}}, {12, {7}}, {30, {1, 2, 3}}},
       V{{1, {42}}, {12, {1}}, {30, {1, 2, 3}}}},
      // Item type 0x02: common rules on sub-fields 4 and 5
      {"4 = 1, 5 = 0 gives 5 = 5", 0x02, V{{4, {1}}, {5, {0}}}, V{{4, {1}}, {5, {5}}}},
      {"4 = 1, 5 = 6 gives 5 = 5", 0x02, V{{4, {1}}, {5, {6}}}, V{{4, {1}}, {5, {5}}}},
      {"4 = 1, 5 = 5 stays", 0x02, V{{4, {1}}, {5, {5}}}, {}},
      {"4 = 2, 5 = 5 gives 1", 0x02, V{{4, {2}}, {5, {5}}}, V{{4, {2}}, {5, {1}}}},
      {"4 = 3, 5 = 5 gives 1", 0x02, V{{4, {3}}, {5, {5}}}, V{{4, {3}}, {5, {1}}}},
      {"4 = 4, 5 = 5 stays", 0x02, V{{4, {4}}, {5, {5}}}, {}},
      {"4 = 4, 5 = 6 gives 1", 0x02, V{{4, {4}}, {5, {6}}}, V{{4, {4}}, {5, {1}}}},
      {"4 = 5, 5 = 7 gives 1", 0x02, V{{4, {5}}, {5, {7}}}, V{{4, {5}}, {5, {1}}}},
      {"4 = 6, 5 = 4 gives 1", 0x02, V{{4, {6}}, {5, {4}}}, V{{4, {6}}, {5, {1}}}},
      {"4 = 6, 5 = 3 stays", 0x02, V{{4, {6}}, {5, {3}}}, {}},
      {"4 = 7, 5 = 2 gives 1", 0x02, V{{4, {7}}, {5, {2}}}, V{{4, {7}}, {5, {1}}}},
      {"4 = 8 leaves 5", 0x02, V{{4, {8}}, {5, {9}}}, {}},
      // Other types are rebuilt but never changed.
      {"type 0x40 is never changed", 0x40, V{{0, {9}}, {4, {200}}, {12, {9}}}, {}},
      {"type 0x72 is never changed", 0x72, V{{8, {12}}}, {}},
      // A sub-field without data bytes names nothing.
      {"a selector without data bytes is skipped", 0x10, V{{8, {}}, {9, {5}}}, {}},
  };
}

TEST(ConvertFileDataForQP510, EveryRuleOnItsOwnItem) {
  for (const FILEDATACASE& c : FileDataCases()) {
    SCOPED_TRACE(c.what);
    const Bytes original = FileContent({eb::Text("前"), eb::Item(c.type, c.in), eb::Text("後")});
    DATAENTRY e = MakeEntry(original);
    const bool changed = ConvertFileDataForQP510(e);
    if (c.out.empty()) {
      EXPECT_FALSE(changed);
      EXPECT_EQ(BytesOf(e), original);
      EXPECT_FALSE(QP510WouldChange(MakeEntry(original), kSecFile));
    } else {
      EXPECT_TRUE(changed);
      EXPECT_EQ(BytesOf(e), FileContent({eb::Text("前"), eb::Item(c.type, c.out), eb::Text("後")}));
      EXPECT_TRUE(QP510WouldChange(MakeEntry(original), kSecFile));
    }
  }
}

TEST(ConvertFileDataForQP510, ParagraphWithBadSettingsTakesTheLastCharacterItem) {
  const std::vector<SF> charSet{{12, {2}}, {13, {0}}, Code(14, kSymbolA), Code(15, kSymbolB)};
  const Bytes original = FileContent({
      eb::Item(0x02, charSet),
      eb::Item(0x30, {{0x80, {0}}, {12, {9}}, {13, {1}}, Code(14, 0), Code(15, 0), {20, {5}}}),
      eb::Text("本文"),
  });
  DATAENTRY e = MakeEntry(original);
  ASSERT_TRUE(ConvertFileDataForQP510(e));
  EXPECT_EQ(BytesOf(e), FileContent({
                            eb::Item(0x02, charSet),
                            eb::Item(0x30, {{0x80, {0}}, {12, {2}}, {13, {0}}, Code(14, kSymbolA),
                                            Code(15, kSymbolB), {20, {5}}}),
                            eb::Text("本文"),
                        }));
}

TEST(ConvertFileDataForQP510, ParagraphTakesTheCharacterItemAsConverted) {
  // The 0x02 item itself falls back to the defaults; the paragraph after it
  // inherits those, not the 0x02 item's original bytes.
  const Bytes original = FileContent({
      eb::Item(0x02, {{12, {2}}, {13, {0}}, Code(14, kNotSymbol), Code(15, kSymbolB)}),
      eb::Item(0x30, {{12, {1}}, {13, {5}}}),
  });
  DATAENTRY e = MakeEntry(original);
  ASSERT_TRUE(ConvertFileDataForQP510(e));
  const std::vector<SF> defaults{{12, {1}}, {13, {33}}, {14, {0xF1, 0xE0}}, {15, {0xF1, 0xE1}}};
  EXPECT_EQ(BytesOf(e), FileContent({eb::Item(0x02, defaults), eb::Item(0x30, defaults)}));
}

TEST(ConvertFileDataForQP510, ParagraphWithoutEarlierCharacterItemLosesItsSettings) {
  const Bytes original = FileContent({eb::Item(0x30, {{0x80, {1}}, {12, {8}}, {13, {1}}, {21, {3}}})});
  DATAENTRY e = MakeEntry(original);
  ASSERT_TRUE(ConvertFileDataForQP510(e));
  EXPECT_EQ(BytesOf(e), FileContent({eb::Item(0x30, {{0x80, {1}}, {21, {3}}})}));
}

TEST(ConvertFileDataForQP510, ParagraphWithGoodSettingsKeepsThem) {
  const Bytes original = FileContent({
      eb::Item(0x02, {{12, {3}}, {13, {4}}}),
      eb::Item(0x30, {{12, {2}}, Code(14, kSymbolA), Code(15, kSymbolA)}),
  });
  DATAENTRY e = MakeEntry(original);
  EXPECT_FALSE(ConvertFileDataForQP510(e));
  EXPECT_EQ(BytesOf(e), original);
}

TEST(ConvertFileDataForQP510, CommonRulesRunOnTheParagraph) {
  const Bytes original = FileContent({eb::Item(0x30, {{0x80, {0}}, {4, {7}}, {5, {3}}})});
  DATAENTRY e = MakeEntry(original);
  ASSERT_TRUE(ConvertFileDataForQP510(e));
  EXPECT_EQ(BytesOf(e), FileContent({eb::Item(0x30, {{0x80, {0}}, {4, {7}}, {5, {1}}})}));
}

TEST(ConvertFileDataForQP510, TheCopyIsConvertedAndThePaneKeepsNine) {
  // What WriteEntry does: convert a copy, send it; the data set keeps its entry.
  CDataSet set;
  const Bytes original = FileContent({eb::Item(0x00, {{0, {9}}, {1, {3}}}), eb::Text("あ")});
  ASSERT_TRUE(set.SetEntry(kSecFile, 4, 2, original));
  EXPECT_TRUE(QP510WouldChange(*set.Entry(kSecFile, 4), kSecFile));
  DATAENTRY copy = MakeEntry(BytesOf(*set.Entry(kSecFile, 4)));
  ASSERT_TRUE(ConvertFileDataForQP510(copy));
  EXPECT_EQ(BytesOf(copy), FileContent({eb::Item(0x00, {{0, {2}}, {1, {3}}}), eb::Text("あ")}));
  EXPECT_EQ(BytesOf(*set.Entry(kSecFile, 4)), original);
}

TEST(ConvertFileDataForQP510, PadByteAloneIsNoChange) {
  // An odd sub-field list whose pad byte is not 0: rebuilding writes 0 there,
  // but no rule changed anything, so the entry is left as it was.
  Bytes original = FileContent({eb::Item(0x10, {{3, {1}}})});
  const size_t padAt = 2 + eb::Text("ラベル").size() + eb::Text("会社").size() + 5;
  ASSERT_EQ(original[padAt], 0);
  original[padAt] = 0x55;
  DATAENTRY e = MakeEntry(original);
  EXPECT_FALSE(ConvertFileDataForQP510(e));
  EXPECT_EQ(BytesOf(e), original);
}

TEST(ConvertFileDataForQP510, ManyItemsKeepTheirOrder) {
  const Bytes original = FileContent({
      eb::Item(0x00, {{0, {3}}}), eb::Item(0x30, {{0x80, {0}}}), eb::Text("一行目"), eb::Item(0x10),
      eb::Item(0x40, {{1, {1}}}), eb::Item(0x10, {{21, {5}}}), eb::Text("二行目"), eb::Item(0x72),
  });
  DATAENTRY e = MakeEntry(original);
  ASSERT_TRUE(ConvertFileDataForQP510(e));
  EXPECT_EQ(BytesOf(e), FileContent({
                            eb::Item(0x00, {{0, {3}}}), eb::Item(0x30, {{0x80, {0}}}), eb::Text("一行目"),
                            eb::Item(0x10), eb::Item(0x40, {{1, {1}}}), eb::Item(0x10, {{21, {0}}}),
                            eb::Text("二行目"), eb::Item(0x72),
                        }));
}

TEST(ConvertFileDataForQP510, MalformedContentNeverReadsPastItsEnd) {
  const Bytes whole = FileContent({
      eb::Item(0x02, {{12, {2}}, Code(14, kNotSymbol), Code(15, kSymbolA)}),
      eb::Item(0x30, {{0x80, {0}}, {12, {9}}}), eb::Text("本文"), eb::Item(0x00, {{0, {9}}}),
  });
  for (size_t n = 0; n <= whole.size(); ++n) {
    const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(n));
    DATAENTRY e = MakeEntry(prefix);
    const bool would = QP510WouldChange(e, kSecFile);
    EXPECT_EQ(ConvertFileDataForQP510(e), would) << n;
    if (would) {
      ASSERT_GE(e.size, 2u);
      EXPECT_EQ(e.content[e.size - 1], 0x0A) << n;
    } else {
      EXPECT_EQ(BytesOf(e), prefix) << n;
    }
  }
  // A sub-field whose length runs past the content: the walk ends there.
  Bytes broken = {kFileKind, 0x01, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0xF0, 9};
  DATAENTRY e = MakeEntry(broken);
  EXPECT_FALSE(ConvertFileDataForQP510(e));
  EXPECT_EQ(BytesOf(e), broken);
}

// ---- QP510WouldChange (state 2 of the data file) ----

TEST(QP510WouldChange, DecidesWithoutTouchingTheEntry) {
  struct ROW {
    const char* what;
    int section;
    Bytes content;
    bool change;
  } rows[] = {
      {"editor glyph (seven sizes)", kSecGlyph, GlyphContent({16, 24, 30, 32, 36, 40, 48}), true},
      {"QP510 glyph sizes only", kSecGlyph, GlyphContent({16, 24, 32, 40, 48}), false},
      {"file data out of range", kSecFile, FileContent({eb::Item(0x00, {{0, {9}}})}), true},
      {"file data in range", kSecFile, FileContent({eb::Item(0x00, {{0, {2}}})}), false},
      // Address and name data are never converted.
      {"address section", kSecAddress, FileContent({eb::Item(0x00, {{0, {9}}})}), false},
      {"name section", kSecName, GlyphContent({30}), false},
  };
  for (const ROW& r : rows) {
    SCOPED_TRACE(r.what);
    const DATAENTRY e = MakeEntry(r.content);
    EXPECT_EQ(QP510WouldChange(e, r.section), r.change);
    EXPECT_EQ(BytesOf(e), r.content);
  }
  EXPECT_FALSE(QP510WouldChange(DATAENTRY{}, kSecGlyph));
}

// ---- the symbol table ----

TEST(QP510SymbolTable, LooksUpByExactCode) {
  const struct {
    uint16_t code;
    bool member;
  } rows[] = {
      {0x819B, true}, {0x8199, true}, {0x8189, true}, {0xFD7A, true}, {0xFD75, true},
      {0x8188, false}, {0xFD7B, false}, {0x82A0, false}, {0x9B81, false}, {0x0000, false},
  };
  for (const auto& r : rows) EXPECT_EQ(IsQP510SymbolCode(r.code), r.member) << std::hex << r.code;
}

TEST(QP510SymbolTable, ShippedFileHoldsTheModelData) {
  const Bytes raw = CTestEnv::ReadBytes(XAMU_SOURCE_DIR "/share/xamu/QP510.sym");
  ASSERT_EQ(raw.size(), 757u * 2);
  std::vector<uint16_t> codes;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) codes.push_back(static_cast<uint16_t>(raw[i] | raw[i + 1] << 8));
  const std::vector<uint16_t> first(codes.begin(), codes.begin() + 12);
  EXPECT_EQ(first, (std::vector<uint16_t>{0x819B, 0x819C, 0x819D, 0x81A2, 0x81A3, 0x81A4, 0x81A5, 0x819E,
                                          0x819F, 0x81A0, 0x81A1, 0x8199}));
  const std::vector<uint16_t> last(codes.end() - 6, codes.end());
  EXPECT_EQ(last, (std::vector<uint16_t>{0xFD75, 0xFD76, 0xFD77, 0xFD78, 0xFD79, 0xFD7A}));
  EXPECT_EQ(std::set<uint16_t>(codes.begin(), codes.end()).size(), 639u);
  EXPECT_EQ(*std::min_element(codes.begin(), codes.end()), 0x8189);
  EXPECT_EQ(*std::max_element(codes.begin(), codes.end()), 0xFD7A);
  for (uint16_t c : codes) EXPECT_TRUE(IsQP510SymbolCode(c)) << std::hex << c;
}

TEST(QP510SymbolTable, MissingTableIsEmpty) {
  const std::string saved = std::getenv("XAMU_PROGRAM_DIR");
  CTestEnv env;
  setenv("XAMU_PROGRAM_DIR", env.Path("empty").c_str(), 1);
  ReloadQP510SymbolTable();
  EXPECT_FALSE(IsQP510SymbolCode(0x819B));
  // Every symbol setting then falls back to the default character.
  DATAENTRY e = MakeEntry(FileContent({eb::Item(0x02, {{12, {2}}, Code(14, kSymbolA), Code(15, kSymbolA)})}));
  EXPECT_TRUE(ConvertFileDataForQP510(e));
  setenv("XAMU_PROGRAM_DIR", saved.c_str(), 1);
  ReloadQP510SymbolTable();
  EXPECT_TRUE(IsQP510SymbolCode(0x819B));
}

}  // namespace
