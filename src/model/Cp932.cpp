#include "model/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace {

// One conversion through iconv; returns false when the descriptor cannot be
// opened. `onBad` is called with the offending input position and must
// return how many input bytes to skip.
template <typename OnBad>
bool Convert(const char* to, const char* from, std::string_view in, std::string& out, OnBad onBad) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  out.reserve(in.size() * 2 + 4);
  char buf[1024];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      size_t skip = onBad(static_cast<size_t>(src - in.data()), out);
      if (skip > left) skip = left;
      src += skip;
      left -= skip;
    }
  }
  char* dst = buf;
  size_t room = sizeof buf;
  iconv(cd, nullptr, nullptr, &dst, &room);
  out.append(buf, dst - buf);
  iconv_close(cd);
  return true;
}

size_t Utf8SequenceLength(unsigned char b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 1;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  bool ok = Convert("UTF-8", "CP932", cp932, out, [&](size_t pos, std::string& o) -> size_t {
    o += "\xEF\xBF\xBD";
    const auto b = static_cast<uint8_t>(cp932[pos]);
    // A lead byte with a valid trail byte is one unmapped character: skip both.
    if (IsCp932Lead(b) && pos + 1 < cp932.size() && IsCp932Trail(static_cast<uint8_t>(cp932[pos + 1])))
      return 2;
    return 1;
  });
  if (!ok) {  // no iconv module: keep ASCII, mark the rest
    out.clear();
    for (char ch : cp932) out += (static_cast<uint8_t>(ch) < 0x80) ? std::string(1, ch) : "\xEF\xBF\xBD";
  }
  return out;
}

std::string Utf8ToCp932(std::string_view utf8, std::string_view replacement, bool* lossy) {
  std::string out;
  bool replaced = false;
  bool ok = Convert("CP932", "UTF-8", utf8, out, [&](size_t pos, std::string& o) -> size_t {
    replaced = true;
    o.append(replacement);
    // Skip the lead byte and only the continuation bytes that follow it: a
    // sequence cut short must not swallow the character after it.
    const size_t n = Utf8SequenceLength(static_cast<uint8_t>(utf8[pos]));
    size_t k = 1;
    while (k < n && pos + k < utf8.size() && (static_cast<uint8_t>(utf8[pos + k]) & 0xC0) == 0x80) ++k;
    return k;
  });
  if (!ok) {
    out.clear();
    for (char ch : utf8) {
      if (static_cast<uint8_t>(ch) < 0x80) out += ch;
      else replaced = true;
    }
  }
  if (lossy) *lossy = replaced;
  return out;
}

size_t Cp932PrefixLength(std::string_view s, size_t max) {
  size_t i = 0;
  while (i < s.size()) {
    size_t n = (IsCp932Lead(static_cast<uint8_t>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    if (i + n > max) break;
    i += n;
  }
  return i;
}
