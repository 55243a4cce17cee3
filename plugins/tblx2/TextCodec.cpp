#include "TextCodec.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

#include <mutex>

namespace tblx2 {
namespace {

// Length of the UTF-8 sequence that starts at s[i], or 1 when it is not a
// valid one (the byte is then dropped on its own).
size_t Utf8SequenceLength(std::string_view s, size_t i)
{
    const auto lead = static_cast<uint8_t>(s[i]);
    size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x06 ? 2 : (lead >> 4) == 0x0E ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size())
        return 1;
    for (size_t k = 1; k < len; ++k)
        if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return len;
}

size_t Cp932SequenceLength(std::string_view s, size_t i)
{
    const auto lead = static_cast<uint8_t>(s[i]);
    const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    if (!isLead || i + 1 >= s.size())
        return 1;
    const auto trail = static_cast<uint8_t>(s[i + 1]);
    return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC) ? 2 : 1;
}

// One iconv descriptor per direction, opened on first use and kept: a sheet
// converts thousands of cells, each on its own. Shared by the threads under
// a lock rather than kept per thread: thread-local storage in a module that
// is loaded with dlopen made the leak checker of the sanitizer builds read
// a stale block at exit.
class CConverter {
public:
    CConverter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CConverter()
    {
        if (IsOpen())
            iconv_close(m_cd);
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;
    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

struct SHAREDCONVERTER {
    std::mutex lock;
    const CConverter converter;
    SHAREDCONVERTER(const char* to, const char* from) : converter(to, from) {}
};

// Converts `in` with iconv; whatever cannot be converted is skipped one
// character at a time (as `unitLength` measures it) and replaced.
std::string Convert(const CConverter& converter, std::string_view in, std::string_view replacement,
                    size_t (*unitLength)(std::string_view, size_t))
{
    std::string out;
    if (!converter.IsOpen())
        return out;
    iconv_t cd = converter.Get();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.reserve(in.size() * 2);
    size_t pos = 0;
    char buffer[4096];
    while (pos < in.size()) {
        char* src = const_cast<char*>(in.data()) + pos;
        size_t srcLeft = in.size() - pos;
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        out.append(buffer, dst - buffer);
        pos = in.size() - srcLeft;
        if (rc != static_cast<size_t>(-1))
            continue;
        if (err == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut off at the end.
        out.append(replacement);
        pos += unitLength(in, pos);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    static SHAREDCONVERTER shared("UTF-8", "CP932");
    const std::lock_guard<std::mutex> guard(shared.lock);
    return Convert(shared.converter, cp932, kUtf8Replacement, Cp932SequenceLength);
}

std::string Utf8ToCp932(std::string_view utf8)
{
    static SHAREDCONVERTER shared("CP932", "UTF-8");
    const std::lock_guard<std::mutex> guard(shared.lock);
    return Convert(shared.converter, utf8, kCp932Replacement, Utf8SequenceLength);
}

std::string Utf8ToUtf16Le(std::string_view utf8)
{
    static SHAREDCONVERTER shared("UTF-16LE", "UTF-8");
    const std::lock_guard<std::mutex> guard(shared.lock);
    return Convert(shared.converter, utf8, std::string_view("\xFD\xFF", 2), Utf8SequenceLength);
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if ((cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF)
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf16ToUtf8(std::u16string_view units)
{
    std::string utf8;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
        AppendUtf8(utf8, cp);
    }
    return utf8;
}

size_t Utf16Length(std::string_view utf8)
{
    size_t units = 0;
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = Utf8SequenceLength(utf8, i);
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return units;
}

std::string_view Utf8PrefixByUtf16(std::string_view utf8, size_t units)
{
    size_t used = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        const size_t len = Utf8SequenceLength(utf8, i);
        const size_t need = len == 4 ? 2 : 1;
        if (used + need > units)
            break;
        used += need;
        i += len;
    }
    return utf8.substr(0, i);
}

}  // namespace tblx2
