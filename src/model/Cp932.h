#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Entry contents, data files and exported text stay CP932 bytes. These are
// the only conversions to and from Unicode, used where text is shown or read
// from a user. Bytes are never round-tripped through Unicode.

// CP932 to UTF-8. Bytes that do not decode become U+FFFD; never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932. Characters without a CP932 form become `replacement`
// (CP932 bytes, "■" by default); invalid UTF-8 likewise. `lossy` (optional)
// is set when anything was replaced.
std::string Utf8ToCp932(std::string_view utf8, std::string_view replacement = "\x81\xA1",
                        bool* lossy = nullptr);

// True when `b` starts a double-byte CP932 character.
constexpr bool IsCp932Lead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
// True when `b` can be the second byte of a double-byte character.
constexpr bool IsCp932Trail(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// The longest prefix of `s` of at most `max` bytes that does not split a
// double-byte character.
size_t Cp932PrefixLength(std::string_view s, size_t max);
