#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The reading (読み) of a glyph entry: hiragana in CP932, at most 32 bytes.
inline constexpr size_t kMaxReadingBytes = 32;

// Result codes of CheckReading, in the order the checks run.
enum : int {
  kReadingOk = 0,
  kReadingNotHiragana = 1,  // odd length, or a character that is neither hiragana nor ー
  kReadingBadFirst = 2,     // starts with a character that cannot begin a reading
  kReadingTooLong = 3,      // more than kMaxReadingBytes bytes
};

// Checks CP932 bytes in two-byte units: an odd length is refused first,
// then a forbidden first character, then any unit that is not hiragana
// (0x829F-0x82F1) or ー (0x815B); half-width and ASCII characters never pass.
// The byte limit is checked last (the reading dialog's edit field never lets
// more in, so it has no message of its own). An empty reading passes.
int CheckReading(std::string_view cp932);

// The reading dialog's message for a result (UTF-8); empty for kReadingOk and
// for kReadingTooLong.
std::string ReadingMessage(int result);
