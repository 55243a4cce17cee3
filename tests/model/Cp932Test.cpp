#include "model/Cp932.h"

#include <gtest/gtest.h>

#include <string>

TEST(Cp932, ConvertsBothWaysIncludingTheVendorRows) {
  // Characters that "SHIFT_JIS" refuses or maps elsewhere must survive.
  const struct {
    const char* utf8;
    const char* cp932;
  } rows[] = {
      {"あいう", "\x82\xA0\x82\xA2\x82\xA4"},
      {"①", "\x87\x40"},
      {"髙", "\xFB\xFC"},
      {"～", "\x81\x60"},
      {"－", "\x81\x7C"},
      {"\\", "\\"},  // stays a backslash, never a yen sign
      {"ｱ", "\xB1"},  // half-width katakana is one byte
      {"■", "\x81\xA1"},
      {"", ""},
  };
  for (const auto& r : rows) {
    bool lossy = true;
    EXPECT_EQ(Utf8ToCp932(r.utf8, "\x81\xA1", &lossy), r.cp932) << r.utf8;
    EXPECT_FALSE(lossy) << r.utf8;
    EXPECT_EQ(Cp932ToUtf8(r.cp932), r.utf8) << r.utf8;
  }
}

TEST(Cp932, CharactersWithoutAFormAreReplaced) {
  const struct {
    std::string utf8;
    std::string replacement;
    std::string cp932;
  } rows[] = {
      {"a😀b", "\x81\xA1", "a\x81\xA1" "b"},  // no CP932 form
      {"x\xFFy", "?", "x?y"},                 // not UTF-8 at all
      {"\xE3\x81", "?", "?"},                 // cut off at the end
      {"\xE3\x81" "A", "?", "?A"},            // cut off inside the text: the next character stays
  };
  for (const auto& r : rows) {
    bool lossy = false;
    EXPECT_EQ(Utf8ToCp932(r.utf8, r.replacement, &lossy), r.cp932) << r.utf8;
    EXPECT_TRUE(lossy) << r.utf8;
  }
}

TEST(Cp932, UndecodableBytesBecomeReplacementCharacters) {
  const struct {
    std::string cp932;
    std::string utf8;
  } rows[] = {
      {"a\x82", "a\xEF\xBF\xBD"},                  // a lead byte at the very end
      {"\x82\x20" "b", "\xEF\xBF\xBD b"},          // a lead byte without a trail byte: the space stays
      {"\xEC\xA6" "c", "\xEF\xBF\xBD" "c"},        // printer-only code: one mark for both bytes
      {"\x80", "\xEF\xBF\xBD"},
  };
  for (const auto& r : rows) EXPECT_EQ(Cp932ToUtf8(r.cp932), r.utf8);
}

TEST(Cp932, PrefixNeverSplitsADoubleByteCharacter) {
  const std::string s = "a\x82\xA0" "b\x82\xA2";  // a あ b い
  const struct {
    size_t max, length;
  } rows[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 4}, {5, 4}, {6, 6}, {100, 6}};
  for (const auto& r : rows) EXPECT_EQ(Cp932PrefixLength(s, r.max), r.length) << r.max;
  EXPECT_EQ(Cp932PrefixLength("\x82", 5), 1u);  // a lone lead byte at the end counts alone
}

TEST(Cp932, LeadAndTrailRanges) {
  for (int b = 0; b < 256; ++b) {
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    const bool trail = (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
    EXPECT_EQ(IsCp932Lead(static_cast<uint8_t>(b)), lead) << b;
    EXPECT_EQ(IsCp932Trail(static_cast<uint8_t>(b)), trail) << b;
  }
}
