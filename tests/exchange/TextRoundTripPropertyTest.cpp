// Export -> import gives back the same fields for random address and name
// records inside the limits, with and without a header line.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ExchangeTestUtil.h"
#include "common/TestEnv.h"
#include "exchange/TextFile.h"

namespace {

void PutChar(std::string& s, uint16_t code) {
  s.push_back(static_cast<char>(code >> 8));
  s.push_back(static_cast<char>(code & 0xFF));
}

// Double-byte characters a stored record may hold: kana, kanji, full-width
// digits and letters, punctuation that would split or quote a line if it
// were narrowed, and the printer's half-width space.
uint16_t RandomChar(std::mt19937& rng) {
  static const uint16_t kSpecials[] = {kPrinterHalfSpace, 0x8140 /* 　 */, 0x8143 /* ， */,
                                       0x8168 /* ” */, 0x8197 /* ＠ */, kFullMinus, 0x815F /* ＼ */};
  switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
    case 0: return static_cast<uint16_t>(std::uniform_int_distribution<int>(0x829F, 0x82F1)(rng));  // ぁ..ん
    case 1: return static_cast<uint16_t>(std::uniform_int_distribution<int>(0x889F, 0x88FC)(rng));  // 亜..
    case 2: return static_cast<uint16_t>(std::uniform_int_distribution<int>(kFullDigitZero, kFullDigitZero + 9)(rng));
    case 3: return static_cast<uint16_t>(std::uniform_int_distribution<int>(kFullUpperA, kFullUpperA + 25)(rng));
    default:
      return kSpecials[std::uniform_int_distribution<size_t>(0, std::size(kSpecials) - 1)(rng)];
  }
}

std::string RandomText(std::mt19937& rng, int maxChars) {
  std::string s;
  for (int n = std::uniform_int_distribution<int>(0, maxChars)(rng); n > 0; --n) PutChar(s, RandomChar(rng));
  return s;
}

std::string RandomPostalCode(std::mt19937& rng) {
  if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) return {};
  std::uniform_int_distribution<int> digit(0, 9);
  std::string s;
  for (int i = 0; i < 7; ++i) {
    if (i == 3) PutChar(s, kFullMinus);
    PutChar(s, static_cast<uint16_t>(kFullDigitZero + digit(rng)));
  }
  return s;
}

std::string RandomBarcode(std::mt19937& rng) {
  std::string s;
  for (int n = std::uniform_int_distribution<int>(0, 20)(rng); n > 0; --n) {
    const int pick = std::uniform_int_distribution<int>(0, 2)(rng);
    PutChar(s, pick == 0   ? kFullMinus
               : pick == 1 ? static_cast<uint16_t>(kFullDigitZero + std::uniform_int_distribution<int>(0, 9)(rng))
                           : static_cast<uint16_t>(kFullUpperA + std::uniform_int_distribution<int>(0, 25)(rng)));
  }
  return s;
}

std::vector<std::string> RandomFields(int category, std::mt19937& rng) {
  std::vector<std::string> fields;
  for (int f = 0; f < RecordFieldCount(category); ++f) {
    if (category == kCatAddress && f == kAddressPostalField) fields.push_back(RandomPostalCode(rng));
    else if (category == kCatAddress && f == kAddressBarcodeField) fields.push_back(RandomBarcode(rng));
    else fields.push_back(RandomText(rng, FieldCharLimit(category, f)));
  }
  // Now and then a record with every field empty.
  if (std::uniform_int_distribution<int>(0, 15)(rng) == 0)
    for (std::string& f : fields) f.clear();
  return fields;
}

class TextRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(TextRoundTrip, ExportThenImportKeepsEveryField) {
  const int category = GetParam();
  const int sec = SectionOfCategory(category);
  CTestEnv env;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    CDataSet set;
    const int count = std::uniform_int_distribution<int>(1, SectionSlotCount(sec))(rng);
    for (int i = 0; i < count; ++i) {
      const std::vector<uint8_t> content = BuildRecordContent(category, RandomFields(category, rng));
      ASSERT_TRUE(set.SetEntry(sec, i, 0, content));
    }
    const bool header = seed % 2;
    const std::string path = env.Path("records.csv");
    CRecordedMessages messages;
    ASSERT_EQ(WriteTextFile(set, category, path, header, messages), kTextWritten) << "seed " << seed;
    EXPECT_TRUE(messages.shown.empty());
    CDataSet back;
    int stored = 0;
    ASSERT_TRUE(ReadTextFile(back, category, path, header, &stored)) << "seed " << seed;
    ASSERT_EQ(stored, count) << "seed " << seed;
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(FieldsOf(back, category, i), FieldsOf(set, category, i)) << "seed " << seed << " slot " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Categories, TextRoundTrip, ::testing::Values(kCatAddress, kCatName),
                         [](const auto& info) { return info.param == kCatAddress ? "Address" : "Name"; });

}  // namespace
