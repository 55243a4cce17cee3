#include "glyph/GlyphReading.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr uint16_t kHiraganaFirst = 0x829F;  // ぁ
constexpr uint16_t kHiraganaLast = 0x82F1;   // ん
constexpr uint16_t kLongVowel = 0x815B;      // ー

// Small kana, the long vowel, ん, the obsolete kana and the sound marks
// cannot begin a reading: を ぁ ぃ ぅ ぇ ぉ ゃ ゅ ょ っ ー ん ゐ ゑ ゎ ゛ ゜.
constexpr uint16_t kNotFirst[] = {0x82F0, 0x829F, 0x82A1, 0x82A3, 0x82A5, 0x82A7, 0x82E1, 0x82E3, 0x82E5,
                                  0x82C1, 0x815B, 0x82F1, 0x82EE, 0x82EF, 0x82EC, 0x814A, 0x814B};

uint16_t UnitAt(std::string_view s, size_t i) {
  return static_cast<uint16_t>((static_cast<uint8_t>(s[i]) << 8) | static_cast<uint8_t>(s[i + 1]));
}

}  // namespace

int CheckReading(std::string_view s) {
  if (s.size() % 2) return kReadingNotHiragana;
  if (s.size() >= 2 && std::find(std::begin(kNotFirst), std::end(kNotFirst), UnitAt(s, 0)) != std::end(kNotFirst))
    return kReadingBadFirst;
  for (size_t i = 0; i < s.size(); i += 2) {
    const uint16_t u = UnitAt(s, i);
    if (u != kLongVowel && (u < kHiraganaFirst || u > kHiraganaLast)) return kReadingNotHiragana;
  }
  if (s.size() > kMaxReadingBytes) return kReadingTooLong;
  return kReadingOk;
}

std::string ReadingMessage(int result) {
  switch (result) {
    case kReadingNotHiragana: return "ひらがなのみ入力してください。";
    case kReadingBadFirst: return "先頭に使用できない文字です。";
    default: return "";
  }
}
