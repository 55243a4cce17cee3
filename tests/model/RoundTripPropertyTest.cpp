// Load -> save -> load keeps every slot, for random valid data sets and for
// every file of the fuzz corpus the reader accepts; a second save of a loaded
// file writes the same bytes as the first.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

namespace fs = std::filesystem;

namespace {

// Slots as written: a used slot of size 0 is stored as an empty one.
void ExpectSameSlots(const CDataSet& a, const CDataSet& b, const std::string& what) {
  for (int s = 0; s < kSectionCount; ++s) {
    for (int i = 0; i < SectionSlotCount(s); ++i) {
      const DATAENTRY* x = a.Entry(s, i);
      const DATAENTRY* y = b.Entry(s, i);
      const bool xUsed = x->used && x->size;
      const bool yUsed = y->used && y->size;
      ASSERT_EQ(xUsed, yUsed) << what << " section " << s << " slot " << i;
      if (!xUsed) continue;
      EXPECT_EQ(x->group, y->group) << what << " section " << s << " slot " << i;
      ASSERT_EQ(x->size, y->size) << what << " section " << s << " slot " << i;
      EXPECT_EQ(std::memcmp(x->content.get(), y->content.get(), x->size), 0)
          << what << " section " << s << " slot " << i;
    }
  }
}

// A random set: each section empty, sparse or full; contents of any bytes,
// mostly short, now and then tens of kilobytes; some used slots of size 0.
void FillRandom(CDataSet& set, std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255);
  for (int s = 0; s < kSectionCount; ++s) {
    const int density = std::uniform_int_distribution<int>(0, 3)(rng);  // 0 none .. 3 all
    for (int i = 0; i < SectionSlotCount(s); ++i) {
      if (density == 0 || std::uniform_int_distribution<int>(1, 3)(rng) > density) continue;
      const bool large = std::uniform_int_distribution<int>(0, 40)(rng) == 0;
      const size_t size = std::uniform_int_distribution<size_t>(0, large ? 65535 : 300)(rng);
      std::vector<uint8_t> content(size);
      for (uint8_t& b : content) b = static_cast<uint8_t>(byte(rng));
      const uint16_t group = static_cast<uint16_t>(std::uniform_int_distribution<int>(0, 9)(rng));
      ASSERT_TRUE(set.SetEntry(s, i, group, content));
    }
  }
}

TEST(RoundTripProperty, RandomSetsSaveAndLoadBackUnchanged) {
  CTestEnv env;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    CDataSet set;
    FillRandom(set, rng);
    const std::string first = env.Path("first.xmb");
    const std::string second = env.Path("second.xmb");
    ASSERT_EQ(set.SaveDataFile(first), kFileOk) << "seed " << seed;
    CDataSet loaded;
    ASSERT_EQ(loaded.LoadDataFile(first), kFileOk) << "seed " << seed;
    ExpectSameSlots(set, loaded, "seed " + std::to_string(seed));
    ASSERT_EQ(loaded.SaveDataFile(second), kFileOk) << "seed " << seed;
    EXPECT_EQ(CTestEnv::ReadBytes(first), CTestEnv::ReadBytes(second)) << "seed " << seed;
  }
}

TEST(RoundTripProperty, EveryAcceptedCorpusFileSavesAndLoadsBack) {
  CTestEnv env;
  const fs::path corpus = fs::path(XAMU_SOURCE_DIR) / "fuzz" / "corpus" / "datafile";
  ASSERT_TRUE(fs::is_directory(corpus));
  int accepted = 0;
  for (const fs::directory_entry& f : fs::directory_iterator(corpus)) {
    CDataSet set;
    if (set.LoadDataFile(f.path().string()) != kFileOk) continue;
    ++accepted;
    const std::string out = env.Path("out.xmb");
    ASSERT_EQ(set.SaveDataFile(out), kFileOk) << f.path();
    CDataSet again;
    ASSERT_EQ(again.LoadDataFile(out), kFileOk) << f.path();
    ExpectSameSlots(set, again, f.path().filename().string());
  }
  // The samples are in the corpus; a reader that refused them all would make
  // this test empty.
  EXPECT_GT(accepted, 0);
}

}  // namespace
