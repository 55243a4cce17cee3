#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The converter stands alone (it is loaded into the program with dlopen and
// links nothing of the core), so it carries its own small codec over iconv.
// "CP932" and never "SHIFT_JIS": the latter maps 0x5C to the yen sign and
// refuses the NEC and IBM rows (① 髙 and friends).
namespace tblx2 {

// "■" in CP932 and in UTF-8: what a character becomes when it has no form
// on the other side, so the result is always valid text.
inline constexpr std::string_view kCp932Replacement = "\x81\xA1";
inline constexpr std::string_view kUtf8Replacement = "\xE2\x96\xA0";

// CP932 bytes to UTF-8; undecodable bytes become "■".
std::string Cp932ToUtf8(std::string_view cp932);
// UTF-8 to CP932; characters without a CP932 form and invalid UTF-8 become "■".
std::string Utf8ToCp932(std::string_view utf8);
// UTF-8 to UTF-16LE bytes; invalid UTF-8 becomes U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// Appends code point `cp` as UTF-8 (surrogates and values past U+10FFFF as U+FFFD).
void AppendUtf8(std::string& out, uint32_t cp);

// UTF-16 code units to UTF-8; lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// Number of UTF-16 code units `utf8` needs; invalid sequences count as one.
size_t Utf16Length(std::string_view utf8);
// The longest prefix of `utf8` that needs at most `units` UTF-16 code units,
// never splitting a character.
std::string_view Utf8PrefixByUtf16(std::string_view utf8, size_t units);

}  // namespace tblx2
