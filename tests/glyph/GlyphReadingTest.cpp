#include <gtest/gtest.h>

#include "glyph/GlyphReading.h"
#include "model/Cp932.h"

TEST(GlyphReading, ChecksRunInOrder) {
  struct Case {
    const char* utf8;
    int result;
  } cases[] = {
      {"", kReadingOk},
      {"かー", kReadingOk},
      {"あいうえお", kReadingOk},
      {"ゑびす", kReadingBadFirst},
      {"をかし", kReadingBadFirst},
      {"ーあ", kReadingBadFirst},
      {"っ", kReadingBadFirst},
      {"ん", kReadingBadFirst},
      {"゛あ", kReadingBadFirst},
      {"をア", kReadingBadFirst},          // the first-character check comes first
      {"かな", kReadingOk},
      {"カナ", kReadingNotHiragana},       // katakana
      {"あア", kReadingNotHiragana},
      {"あa", kReadingNotHiragana},        // odd length
      {"abcd", kReadingNotHiragana},       // ASCII in pairs
      {"ｶﾅ", kReadingNotHiragana},         // half-width katakana in pairs
      {"あ゛", kReadingNotHiragana},       // a sound mark is not hiragana
      {"漢字", kReadingNotHiragana},
      {"あいうえおかきくけこさしすせそた", kReadingOk},         // 32 bytes
      {"あいうえおかきくけこさしすせそたち", kReadingTooLong},  // 34 bytes
  };
  for (const Case& c : cases) EXPECT_EQ(CheckReading(Utf8ToCp932(c.utf8)), c.result) << c.utf8;
}

TEST(GlyphReading, MessagesAreTheDialogs) {
  EXPECT_EQ(ReadingMessage(kReadingNotHiragana), "ひらがなのみ入力してください。");
  EXPECT_EQ(ReadingMessage(kReadingBadFirst), "先頭に使用できない文字です。");
  EXPECT_EQ(ReadingMessage(kReadingOk), "");
}
