#include "Table.h"

#include "FileUtil.h"
#include "TextCodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace tblx2 {
namespace {

// An old end-of-file mark some programs still put at the end of text files.
constexpr char kEofMark = 0x1A;
// How many lines decide between TAB and "," as the separator.
constexpr size_t kSeparatorProbeLines = 10;

bool IsCp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsCp932Trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Length of the character at line[i]: 2 for a lead byte with a valid trail
// byte, else 1. A trail byte may equal '"' never, but may equal '\\' or '|';
// it must never end a field, hence the walk by characters.
size_t CharLength(std::string_view line, size_t i)
{
    if (IsCp932Lead(static_cast<unsigned char>(line[i])) && i + 1 < line.size() &&
        IsCp932Trail(static_cast<unsigned char>(line[i + 1])))
        return 2;
    return 1;
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

// Fields of one line, as CP932 bytes. A quoted field runs to the next lone
// quote ("" gives one quote); what follows the closing quote up to the
// separator is appended. A separator at the very end gives no further field.
std::vector<std::string> SplitLine(std::string_view line, char separator, size_t maxFields)
{
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size() && fields.size() < maxFields) {
        std::string field;
        if (line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                const size_t len = CharLength(line, i);
                field.append(line.substr(i, len));
                i += len;
            }
        }
        while (i < line.size() && line[i] != separator) {
            const size_t len = CharLength(line, i);
            field.append(line.substr(i, len));
            i += len;
        }
        if (i < line.size())
            ++i;  // the separator
        fields.push_back(std::move(field));
    }
    return fields;
}

// Cell text as one field of one CP932 line.
std::string FieldText(std::string_view utf8)
{
    std::string clean;
    clean.reserve(utf8.size());
    bool lastWasBreak = false;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n') {
            // A CR LF pair (or any run of line breaks) is one space.
            if (!lastWasBreak)
                clean += ' ';
            lastWasBreak = true;
            continue;
        }
        lastWasBreak = false;
        if (c == '\t')
            clean += ' ';
        else if (u >= 0x20 && u != 0x7F)
            clean += c;
    }
    std::string cp932 = Utf8ToCp932(clean);
    if (cp932.find(',') == std::string::npos && (cp932.empty() || cp932.front() != '"'))
        return cp932;
    std::string quoted = "\"";
    for (size_t i = 0; i < cp932.size();) {
        const size_t len = CharLength(cp932, i);
        if (len == 1 && cp932[i] == '"')
            quoted += '"';
        quoted.append(cp932, i, len);
        i += len;
    }
    quoted += '"';
    return quoted;
}

}  // namespace

int ReadTextRows(const char* path, size_t columns, CTextRows& rows)
{
    rows.clear();
    std::string text;
    const int rc = ReadWholeFile(path, kMaxTextFileBytes, text);
    if (rc != kOk)
        return rc;
    if (!text.empty() && text.back() == kEofMark)
        text.pop_back();
    const std::vector<std::string_view> lines = SplitLines(text);
    char separator = ',';
    for (size_t i = 0; i < lines.size() && i < kSeparatorProbeLines; ++i)
        if (lines[i].find('\t') != std::string_view::npos)
            separator = '\t';
    rows.reserve(lines.size());
    for (const std::string_view line : lines) {
        CTextRow row;
        for (std::string& field : SplitLine(line, separator, columns))
            row.push_back(Cp932ToUtf8(field));
        rows.push_back(std::move(row));
    }
    return kOk;
}

int WriteTextRows(const char* path, CSheetCells cells)
{
    std::sort(cells.begin(), cells.end(), [](const CELLTEXT& a, const CELLTEXT& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    std::string out;
    uint32_t row = 0;
    int64_t lastCol = -1;  // column of the last field written on this line
    for (const CELLTEXT& cell : cells) {
        if (cell.text.empty())
            continue;
        while (row < cell.row) {
            out += "\r\n";
            ++row;
            lastCol = -1;
        }
        if (static_cast<int64_t>(cell.col) <= lastCol)
            continue;  // the same cell twice: the first one counts
        // Field k of a line has k separators before it.
        out.append(cell.col - std::max<int64_t>(lastCol, 0), ',');
        out += FieldText(cell.text);
        lastCol = cell.col;
        if (out.size() > kMaxTextBytes)
            return kErrTooLarge;
    }
    if (!out.empty())
        out += "\r\n";
    return ReplaceFile(path, out, false);
}

std::string FormatNumber(double value)
{
    if (std::isnan(value) || std::isinf(value))
        return {};
    if (value == 0)
        return "0";  // also for -0
    char buffer[64];
    const double magnitude = std::fabs(value);
    // Fixed notation where a user would have typed the digits out; the
    // shortest round-trip form elsewhere, as a spreadsheet shows it.
    const auto format = magnitude >= 1e-5 && magnitude < 1e16 ? std::chars_format::fixed : std::chars_format::general;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, result.ptr);
}

}  // namespace tblx2
