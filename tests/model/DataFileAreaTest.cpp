// Loaded entries refer to their parts of one buffer holding the file: what
// must hold whatever the file's layout, and whatever happens to the set or
// the entries afterwards. Data files are built by hand here, so that the
// directory can say what a saved file never does (parts overlapping, far
// apart, a file beyond the size read whole).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/TestEnv.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

using Bytes = std::vector<uint8_t>;

namespace {

struct SLOT {
  int index;       // address slot
  uint32_t offset; // from the start of the content area
  uint32_t size;
};

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A data file holding only the address section: the slots' directory
// entries as given, then `contents` as the content area, then `tail` zeros.
Bytes AddressFile(const std::vector<SLOT>& slots, const Bytes& contents, size_t tail = 0) {
  const uint32_t count = static_cast<uint32_t>(kSectionSlots[kSecAddress]);
  Bytes b(28 + 12 * count, 0);
  std::memcpy(b.data(), "QUILP PRO V3", 13);
  Put32(b, 20, kSectionFlag[kSecAddress]);
  Put32(b, 24, count);
  for (const SLOT& s : slots) {
    const size_t d = 28 + 12 * static_cast<size_t>(s.index);
    b[d] = 1;
    Put32(b, d + 4, s.size);
    Put32(b, d + 8, s.offset);
  }
  b.insert(b.end(), contents.begin(), contents.end());
  b.resize(b.size() + tail, 0);
  return b;
}

// Content bytes 0, 1, 2, ... (mod 251), so that every offset shows.
Bytes Counting(size_t n) {
  Bytes c(n);
  for (size_t i = 0; i < n; ++i) c[i] = static_cast<uint8_t>(i % 251);
  return c;
}

Bytes Of(const DATAENTRY* e) { return e && e->content ? Bytes(e->content.get(), e->content.get() + e->size) : Bytes(); }

Bytes Slice(const Bytes& b, size_t at, size_t n) { return Bytes(b.begin() + at, b.begin() + at + n); }

std::string Write(const CTestEnv& env, const std::string& name, const Bytes& bytes) {
  const std::string path = env.Path(name);
  CTestEnv::WriteBytes(path, bytes);
  return path;
}

TEST(DataFileArea, EveryLayoutLoadsTheBytesTheDirectoryNames) {
  CTestEnv env;
  const Bytes area = Counting(3000);
  struct CASE {
    const char* what;
    std::vector<SLOT> slots;
    size_t tail;
  } cases[] = {
      {"back to back", {{0, 0, 100}, {1, 100, 200}, {2, 300, 50}}, 0},
      {"in reverse order", {{0, 300, 50}, {1, 100, 200}, {2, 0, 100}}, 0},
      {"overlapping", {{0, 0, 200}, {1, 100, 200}, {2, 100, 200}}, 0},
      {"far apart", {{0, 0, 10}, {1, 2990, 10}}, 200000},
      // Past the size that is read whole: read in steps.
      {"large file", {{0, 0, 100}, {5, 1000, 20}}, 9u << 20},
  };
  for (const CASE& c : cases) {
    const Bytes file = AddressFile(c.slots, area, c.tail);
    CDataSet set;
    ASSERT_EQ(set.LoadDataFile(Write(env, "f.xmb", file)), kFileOk) << c.what;
    for (const SLOT& s : c.slots) {
      const DATAENTRY* e = set.Entry(kSecAddress, s.index);
      ASSERT_EQ(e->used, 1) << c.what;
      EXPECT_EQ(Of(e), Slice(area, s.offset, s.size)) << c.what << " slot " << s.index;
    }
  }
}

TEST(DataFileArea, ChangingOneEntryLeavesTheOthersAlone) {
  CTestEnv env;
  const Bytes area = Counting(600);
  // Slots 1 and 2 name the same bytes: after a change through slot 1's
  // buffer, slot 2 must still hold what the file holds.
  const std::string path =
      Write(env, "f.xmb", AddressFile({{0, 0, 200}, {1, 200, 200}, {2, 200, 200}, {3, 400, 200}}, area));
  CDataSet set;
  ASSERT_EQ(set.LoadDataFile(path), kFileOk);
  for (int i = 0; i < 4; ++i) {
    DATAENTRY* e = set.Entry(kSecAddress, i);
    ASSERT_TRUE(e->content);
    std::memset(e->content.get(), 0xEE, e->size);  // as an editor writing in place
    for (int j = 0; j < 4; ++j) {
      if (j == i) continue;
      const DATAENTRY* other = set.Entry(kSecAddress, j);
      const Bytes expected = j < i ? Bytes(other->size, 0xEE) : Slice(area, j == 0 ? 0 : j == 3 ? 400 : 200, 200);
      EXPECT_EQ(Of(other), expected) << "slot " << j << " after writing slot " << i;
    }
  }
  // A replaced entry and a cleared one take nothing of the others with them.
  ASSERT_EQ(set.LoadDataFile(path), kFileOk);
  ASSERT_TRUE(set.SetEntry(kSecAddress, 0, 0, Bytes{1, 2, 3}));
  set.ClearSlot(kSecAddress, 3);
  EXPECT_EQ(Of(set.Entry(kSecAddress, 0)), (Bytes{1, 2, 3}));
  EXPECT_EQ(Of(set.Entry(kSecAddress, 1)), Slice(area, 200, 200));
  EXPECT_EQ(set.Entry(kSecAddress, 3)->content, nullptr);
}

TEST(DataFileArea, EntriesOutliveTheSetAndALoadOverThem) {
  CTestEnv env;
  const Bytes area = Counting(300);
  const std::string path = Write(env, "f.xmb", AddressFile({{0, 0, 100}, {1, 100, 200}}, area));
  DATAENTRY kept;
  std::vector<DATAENTRY> moved(2);
  {
    CDataSet set;
    ASSERT_EQ(set.LoadDataFile(path), kFileOk);
    kept = std::move(*set.Entry(kSecAddress, 1));
    moved[0] = std::move(*set.Entry(kSecAddress, 0));
    // Loading again replaces the set's entries; the ones taken out stay.
    ASSERT_EQ(set.LoadDataFile(path), kFileOk);
    moved[1] = std::move(*set.Entry(kSecAddress, 0));
  }
  // Read after the set and its buffers are gone (the sanitizer build sees
  // any use of freed memory here).
  EXPECT_EQ(Of(&kept), Slice(area, 100, 200));
  EXPECT_EQ(Of(&moved[0]), Slice(area, 0, 100));
  EXPECT_EQ(Of(&moved[1]), Slice(area, 0, 100));
  moved.clear();
  EXPECT_EQ(Of(&kept), Slice(area, 100, 200));
}

TEST(DataFileArea, CopiesAndSavesOfLoadedEntriesAreTheirOwn) {
  CTestEnv env;
  const Bytes area = Counting(300);
  const std::string path = Write(env, "f.xmb", AddressFile({{0, 0, 100}, {1, 100, 200}}, area));
  CDataSet set, other;
  ASSERT_EQ(set.LoadDataFile(path), kFileOk);
  ASSERT_EQ(set.CopySlotTo(other, kSecAddress, 1), 1);
  EXPECT_NE(other.Entry(kSecAddress, 1)->content.get(), set.Entry(kSecAddress, 1)->content.get());
  // Saving over the file the entries came from keeps them intact.
  ASSERT_EQ(set.SaveDataFile(path), kFileOk);
  set.ClearAll();
  EXPECT_EQ(Of(other.Entry(kSecAddress, 1)), Slice(area, 100, 200));
  CDataSet back;
  ASSERT_EQ(back.LoadDataFile(path), kFileOk);
  EXPECT_EQ(Of(back.Entry(kSecAddress, 0)), Slice(area, 0, 100));
  EXPECT_EQ(Of(back.Entry(kSecAddress, 1)), Slice(area, 100, 200));
}

}  // namespace
