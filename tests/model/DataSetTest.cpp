#include "model/DataSet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/GlyphSizes.h"

using Bytes = std::vector<uint8_t>;

namespace {

Bytes Content(uint8_t tag) { return {0x02, 0x01, 0, 0, 0, 0, 0x82, tag, 0, 0, 0x0D, 0x0A}; }

Bytes Of(const DATAENTRY& e) { return e.content ? Bytes(e.content.get(), e.content.get() + e.size) : Bytes(); }

// Resets the allocation failure seam however a test ends.
struct ALLOCFAILURE {
  explicit ALLOCFAILURE(int nth) { SetContentAllocFailure(nth); }
  ~ALLOCFAILURE() { SetContentAllocFailure(0); }
};

// A glyph entry with a bitmap item for each (width, height) given.
Bytes GlyphWith(std::initializer_list<std::pair<int, int>> sizes) {
  Bytes c = {0x10, 0x01, 0x00, 0x00, 0x00, 0x00};
  for (auto [w, h] : sizes) {
    const size_t n = static_cast<size_t>((w + 7) / 8 * h);
    c.insert(c.end(), {0x00, 0x00, 0x00, 0x01, static_cast<uint8_t>(w), 0x01, 0x01, static_cast<uint8_t>(h), 0x02,
                       0x02, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x00, 0x00});
    c.resize(c.size() + n + (n & 1), 0x00);
    c.insert(c.end(), {0x00, 0x00});
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

}  // namespace

TEST(DataSet, CategoriesMapToTheirSections) {
  const struct {
    int category, section, slots;
  } rows[] = {{kCatFile, kSecFile, 100}, {kCatAddress, kSecAddress, 100}, {kCatName, kSecName, 40}, {kCatGlyph, kSecGlyph, 20}};
  for (const auto& r : rows) {
    EXPECT_EQ(SectionOfCategory(r.category), r.section);
    EXPECT_EQ(CategoryOfSection(r.section), r.category);
    EXPECT_EQ(CategorySlotCount(r.category), r.slots);
  }
  EXPECT_EQ(SectionOfCategory(4), -1);
  EXPECT_EQ(CategorySlotCount(-1), 0);
}

TEST(DataSet, IsUsedByIndex) {
  CDataSet set;
  for (int s = 0; s < kSectionCount; ++s) {
    const int last = SectionSlotCount(s) - 1;
    EXPECT_EQ(set.IsUsed(s, -2), 0) << s;
    ASSERT_TRUE(set.SetEntry(s, last, 0, Content(1)));
    EXPECT_EQ(set.IsUsed(s, -2), 1) << s;  // only the last slot used
    EXPECT_EQ(set.IsUsed(s, last), 1) << s;
    EXPECT_EQ(set.IsUsed(s, 0), 0) << s;
    EXPECT_EQ(set.IsUsed(s, last + 1), 0) << s;
    EXPECT_EQ(set.IsUsed(s, -1), 0) << s;
    EXPECT_EQ(set.IsUsed(s, -3), 0) << s;
  }
  EXPECT_EQ(set.IsUsed(kSecFile, 100), 0);
  EXPECT_EQ(set.IsUsed(9, -2), 0);
}

TEST(DataSet, ClearingSlotsSectionsAndAll) {
  CDataSet set;
  for (int s = 0; s < kSectionCount; ++s) set.SetEntry(s, 1, 5, Content(2));
  set.ClearSlot(kSecAddress, 100);  // outside: ignored
  set.ClearSlot(kSecAddress, -1);
  EXPECT_EQ(set.IsUsed(kSecAddress, 1), 1);
  set.ClearSlot(kSecAddress, 1);
  const DATAENTRY* e = set.Entry(kSecAddress, 1);
  EXPECT_EQ(e->used, 0);
  EXPECT_EQ(e->group, 0);
  EXPECT_EQ(e->size, 0u);
  EXPECT_EQ(e->content, nullptr);
  set.ClearSection(kSecGlyph);
  EXPECT_EQ(set.IsUsed(kSecGlyph, -2), 0);
  EXPECT_EQ(set.IsUsed(kSecName, -2), 1);
  set.ClearAll();
  for (int s = 0; s < kSectionCount; ++s) EXPECT_EQ(set.IsUsed(s, -2), 0);
}

TEST(DataSet, CopySlotToIsDeep) {
  CDataSet a, b;
  a.SetEntry(kSecName, 3, 7, Content(9));
  ASSERT_EQ(a.CopySlotTo(b, kSecName, 3), 1);
  const DATAENTRY* src = a.Entry(kSecName, 3);
  const DATAENTRY* dst = b.Entry(kSecName, 3);
  EXPECT_EQ(dst->used, 1);
  EXPECT_EQ(dst->group, 7);
  EXPECT_EQ(Of(*dst), Content(9));
  EXPECT_NE(dst->content.get(), src->content.get());
  EXPECT_EQ(a.CopySlotTo(b, kSecName, 40), 0);
  EXPECT_EQ(a.CopySlotTo(b, kSecName, -1), 0);
}

TEST(DataSet, CopyingAnEmptySlotEmptiesTheDestination) {
  CDataSet a, b;
  b.SetEntry(kSecFile, 0, 3, Content(1));
  ASSERT_EQ(a.CopySlotTo(b, kSecFile, 0), 1);
  const DATAENTRY* e = b.Entry(kSecFile, 0);
  EXPECT_EQ(e->used, 0);
  EXPECT_EQ(e->group, 0);
  EXPECT_EQ(e->size, 0u);
  EXPECT_EQ(e->content, nullptr);
}

TEST(DataSet, FailedAllocationKeepsTheDestination) {
  CDataSet a, b;
  a.SetEntry(kSecFile, 0, 1, Content(1));
  b.SetEntry(kSecFile, 0, 2, Content(2));
  {
    ALLOCFAILURE fail(1);
    EXPECT_EQ(a.CopySlotTo(b, kSecFile, 0), 0);
  }
  EXPECT_EQ(b.Entry(kSecFile, 0)->group, 2);
  EXPECT_EQ(Of(*b.Entry(kSecFile, 0)), Content(2));
}

TEST(DataSet, CopyFromReproducesEverySlotOrEndsEmpty) {
  CDataSet a;
  int n = 0;
  for (int s = 0; s < kSectionCount; ++s)
    for (int i : {0, SectionSlotCount(s) - 1}) {
      ++n;
      a.SetEntry(s, i, static_cast<uint16_t>(n % 10), Content(static_cast<uint8_t>(n)));
    }
  a.m_modified = 1;
  a.m_path = "/a.xmb";
  CDataSet b;
  b.SetEntry(kSecAddress, 50, 0, Content(0x77));
  ASSERT_EQ(b.CopyFrom(a), 1);
  for (int s = 0; s < kSectionCount; ++s) {
    for (int i = 0; i < SectionSlotCount(s); ++i) {
      EXPECT_EQ(b.IsUsed(s, i), a.IsUsed(s, i)) << s << "/" << i;
      EXPECT_EQ(b.Entry(s, i)->group, a.Entry(s, i)->group);
      EXPECT_EQ(Of(*b.Entry(s, i)), Of(*a.Entry(s, i)));
    }
  }
  EXPECT_EQ(b.m_modified, 0);  // flags and path stay the destination's own
  EXPECT_EQ(b.m_path, "");

  CDataSet c;
  c.SetEntry(kSecName, 0, 0, Content(1));
  {
    ALLOCFAILURE fail(5);  // part-way through
    EXPECT_EQ(c.CopyFrom(a), 0);
  }
  for (int s = 0; s < kSectionCount; ++s) EXPECT_EQ(c.IsUsed(s, -2), 0);
}

TEST(DataSet, SetGroupNameReplacesOnlyTheGroupName) {
  // kind, format, title "あ", group "G1" (two characters), one item, CR LF
  const Bytes base = {0x01, 0x01, 0x82, 0xA0, 0, 0, 0x82, 0x66, 0x82, 0x50, 0, 0, 0x10, 0x00, 0, 0, 0x0D, 0x0A};
  const Bytes tail = {0x10, 0x00, 0, 0, 0x0D, 0x0A};
  const struct {
    const char* what;
    uint16_t group;
    Bytes name;
    Bytes expect;
  } rows[] = {
      {"longer", 1, {0x82, 0xA0, 0x82, 0xA2, 0x82, 0xA4}, {}},
      {"shorter", 1, {0x82, 0xA0}, {}},
      {"empty", 1, {}, {}},
      {"same name", 1, {0x82, 0x66, 0x82, 0x50}, base},
      {"group 0", 0, {0x82, 0xA0}, base},
  };
  for (const auto& r : rows) {
    DATAENTRY e;
    e.used = 1;
    e.group = r.group;
    e.size = static_cast<uint32_t>(base.size());
    e.content = AllocContent(base.size());
    std::memcpy(e.content.get(), base.data(), base.size());
    SetGroupName(e, r.name);
    Bytes expect = r.expect;
    if (expect.empty()) {
      for (uint8_t b : {0x01, 0x01, 0x82, 0xA0, 0x00, 0x00}) expect.push_back(b);
      for (uint8_t b : r.name) expect.push_back(b);
      for (uint8_t b : {0x00, 0x00}) expect.push_back(b);
      for (uint8_t b : tail) expect.push_back(b);
    }
    EXPECT_EQ(Of(e), expect) << r.what;
    EXPECT_EQ(e.group, r.group) << r.what;
    EXPECT_EQ(e.used, 1) << r.what;
  }
}

TEST(DataSet, SetGroupNameOnMalformedOrEmptyContent) {
  DATAENTRY empty;
  empty.group = 1;
  SetGroupName(empty, Bytes{0x82, 0xA0});
  EXPECT_EQ(empty.content, nullptr);

  // The group name runs to the end without its zero word.
  const Bytes cut = {0x01, 0x01, 0, 0, 0x82, 0x66};
  DATAENTRY e;
  e.used = 1;
  e.group = 2;
  e.size = static_cast<uint32_t>(cut.size());
  e.content = AllocContent(cut.size());
  std::memcpy(e.content.get(), cut.data(), cut.size());
  SetGroupName(e, Bytes{0x82, 0xA0});
  EXPECT_EQ(Of(e), (Bytes{0x01, 0x01, 0, 0, 0x82, 0xA0, 0, 0}));

  ALLOCFAILURE fail(1);
  SetGroupName(e, Bytes{0x82, 0xA2});
  EXPECT_EQ(Of(e), (Bytes{0x01, 0x01, 0, 0, 0x82, 0xA0, 0, 0}));  // unchanged
}

TEST(DataSet, GlyphSizeMask) {
  const struct {
    const char* what;
    Bytes content;
    uint32_t mask;
  } rows[] = {
      {"16 and 48", GlyphWith({{16, 16}, {48, 48}}), 0x41},
      {"all seven", GlyphWith({{16, 16}, {24, 24}, {30, 30}, {32, 32}, {36, 36}, {40, 40}, {48, 48}}), 0x7F},
      {"not in the table", GlyphWith({{20, 20}, {16, 24}, {24, 24}}), 0x02},
      {"no items", GlyphWith({}), 0},
      {"too short", Bytes{0x10}, 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(GetGlyphSizeMask(r.content), r.mask) << r.what;
  }
  // A bitmap cut short ends the walk with what was found before it.
  Bytes cut = GlyphWith({{16, 16}, {48, 48}});
  cut.resize(cut.size() - 100);
  EXPECT_EQ(GetGlyphSizeMask(cut), 0x01u);
}
