#include "BiffCheck.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tblx2 {
namespace {

// Record types the cell reader parses.
constexpr uint16_t kRecBof = 0x0809;
constexpr uint16_t kRecContinue = 0x003C;
constexpr uint16_t kRecCodepage = 0x0042;
constexpr uint16_t kRecDatemode = 0x0022;
constexpr uint16_t kRecFormat = 0x041E;
constexpr uint16_t kRecXf = 0x00E0;
constexpr uint16_t kRecBoundSheet = 0x0085;
constexpr uint16_t kRecSst = 0x00FC;
constexpr uint16_t kRecDimensions = 0x0200;
constexpr uint16_t kRecBlank = 0x0201;
constexpr uint16_t kRecNumber = 0x0203;
constexpr uint16_t kRecLabel = 0x0204;
constexpr uint16_t kRecBoolErr = 0x0205;
constexpr uint16_t kRecRk = 0x027E;
constexpr uint16_t kRecMulRk = 0x00BD;
constexpr uint16_t kRecMulBlank = 0x00BE;
constexpr uint16_t kRecLabelSst = 0x00FD;
constexpr uint16_t kRecRString = 0x00D6;
constexpr uint16_t kRecFormula = 0x0006;
constexpr uint16_t kRecEof = 0x000A;
constexpr uint16_t kRecExtSst = 0x00FF;
// What a BIFF sheet holds.
constexpr uint32_t kMaxRowsBiff8 = 65536;
constexpr uint32_t kMaxRowsBiff5 = 16384;
constexpr uint32_t kMaxColumns = 256;
// BOF version words.
constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kBiff5 = 0x0500;
// Largest record body BIFF8 allows (BIFF5: 2080, but readers take 8224).
constexpr size_t kMaxRecordBody = 8224;
// Option bits of a BIFF8 string header.
constexpr uint8_t kStrWide = 0x01;
constexpr uint8_t kStrExt = 0x04;
constexpr uint8_t kStrRich = 0x08;

uint16_t Le16(const std::string& s, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}
uint32_t Le32(const std::string& s, size_t at) { return Le16(s, at) | static_cast<uint32_t>(Le16(s, at + 2)) << 16; }

struct RECORD {
    uint16_t type;
    size_t offset;  // of the header in the stream
    size_t body;    // offset of the body
    size_t length;
};

// A string that may run on over continuation records: the body of the
// first record and of each CONTINUE after it are segments.
class CSegments {
public:
    CSegments(const std::string& s, const std::vector<RECORD>& records, size_t first) : m_s(s)
    {
        m_segments.push_back(records[first]);
        for (size_t i = first + 1; i < records.size() && records[i].type == kRecContinue; ++i)
            m_segments.push_back(records[i]);
        m_pos = m_segments[0].body;
        m_end = m_pos + m_segments[0].length;
    }
    // Bytes in the current segment, moving to the next one when it is used
    // up (only where a new item may start there).
    bool Need(size_t n)
    {
        if (m_pos == m_end && !Next())
            return false;
        return m_end - m_pos >= n;
    }
    bool Next()
    {
        if (++m_index >= m_segments.size())
            return false;
        m_pos = m_segments[m_index].body;
        m_end = m_pos + m_segments[m_index].length;
        return true;
    }
    uint8_t U8() { return static_cast<uint8_t>(m_s[m_pos++]); }
    uint16_t U16()
    {
        const uint16_t v = Le16(m_s, m_pos);
        m_pos += 2;
        return v;
    }
    uint32_t U32()
    {
        const uint32_t v = Le32(m_s, m_pos);
        m_pos += 4;
        return v;
    }
    // Characters of a string: a continuation record starts with a new
    // option byte that tells their width from there on.
    bool Chars(size_t count, bool wide)
    {
        while (count > 0) {
            if (m_pos == m_end) {
                if (!Next() || m_pos == m_end)
                    return false;
                wide = (U8() & kStrWide) != 0;
            }
            const size_t width = wide ? 2 : 1;
            const size_t fit = std::min(count, (m_end - m_pos) / width);
            if (fit == 0)
                return false;  // half a character before the record ends
            m_pos += fit * width;
            count -= fit;
        }
        return true;
    }
    // Formatting runs and phonetic data: plain bytes, split anywhere.
    bool Skip(size_t n)
    {
        while (n > 0) {
            if (m_pos == m_end && !Next())
                return false;
            const size_t take = std::min(n, m_end - m_pos);
            m_pos += take;
            n -= take;
        }
        return true;
    }

private:
    const std::string& m_s;
    std::vector<RECORD> m_segments;
    size_t m_index = 0;
    size_t m_pos = 0;
    size_t m_end = 0;
};

// The shared string table: `count` strings, each inside the segments.
bool CheckSst(const std::string& s, const std::vector<RECORD>& records, size_t index, uint32_t& count)
{
    if (records[index].length < 8)
        return false;
    CSegments seg(s, records, index);
    seg.U32();  // references in the workbook
    count = seg.U32();
    for (uint32_t i = 0; i < count; ++i) {
        if (!seg.Need(3))
            return false;
        const size_t chars = seg.U16();
        const uint8_t options = seg.U8();
        size_t runs = 0;
        size_t ext = 0;
        if (options & kStrRich) {
            if (!seg.Need(2))
                return false;
            runs = seg.U16();
        }
        if (options & kStrExt) {
            if (!seg.Need(4))
                return false;
            ext = seg.U32();
        }
        if (!seg.Chars(chars, (options & kStrWide) != 0) || !seg.Skip(4 * runs + ext))
            return false;
    }
    return true;
}

// A string in one record at `at`: BIFF8 count of `countBytes`, option byte,
// characters; BIFF5 count and 8-bit characters.
bool StringFits(const std::string& s, const RECORD& r, size_t at, size_t countBytes, bool biff8)
{
    const size_t end = r.body + r.length;
    if (at + countBytes > end)
        return false;
    const size_t count = countBytes == 1 ? static_cast<uint8_t>(s[at]) : Le16(s, at);
    at += countBytes;
    if (!biff8)
        return at + count <= end;
    if (at + 1 > end)
        return false;
    const uint8_t options = static_cast<uint8_t>(s[at++]);
    if (options & kStrRich)
        at += 2;
    if (options & kStrExt)
        at += 4;
    return at <= end && at + count * ((options & kStrWide) ? 2 : 1) <= end;
}

}  // namespace

std::string PrepareBiffStream(const std::string& s)
{
    std::vector<RECORD> records;
    size_t at = 0;
    while (at + 4 <= s.size()) {
        const RECORD r{Le16(s, at), at, at + 4, Le16(s, at + 2)};
        if (r.length > kMaxRecordBody || r.body + r.length > s.size())
            return {};
        records.push_back(r);
        at = r.body + r.length;
    }
    if (records.empty() || records[0].type != kRecBof || records[0].length < 4)
        return {};
    const uint16_t version = Le16(s, records[0].body);
    if (version != kBiff8 && version != kBiff5)
        return {};
    const bool biff8 = version == kBiff8;
    const uint32_t maxRows = biff8 ? kMaxRowsBiff8 : kMaxRowsBiff5;

    // The globals run to the first EOF; the first sheet from the BOF its
    // BOUNDSHEET points at to the next EOF.
    size_t globalsEnd = 0;
    while (globalsEnd < records.size() && records[globalsEnd].type != kRecEof)
        ++globalsEnd;
    if (globalsEnd == records.size())
        return {};
    uint32_t sstCount = 0;
    size_t firstSheetRecord = records.size();  // index of the kept BOUNDSHEET
    for (size_t i = 0; i < globalsEnd; ++i) {
        const RECORD& r = records[i];
        const size_t b = r.body;
        const size_t n = r.length;
        switch (r.type) {
        case kRecCodepage:
        case kRecDatemode:
            if (n < 2)
                return {};
            break;
        case kRecXf:
            if (n < 4)
                return {};
            break;
        case kRecFormat:
            if (!StringFits(s, r, b + 2, biff8 ? 2 : 1, biff8))
                return {};
            break;
        case kRecBoundSheet:
            if (!StringFits(s, r, b + 6, 1, biff8))
                return {};
            if (firstSheetRecord == records.size())
                firstSheetRecord = i;
            break;
        case kRecSst:
            if (!biff8 || !CheckSst(s, records, i, sstCount))
                return {};
            break;
        default:
            break;
        }
    }
    if (firstSheetRecord == records.size())
        return {};
    const uint32_t sheetOffset = Le32(s, records[firstSheetRecord].body);
    size_t sheetBegin = globalsEnd + 1;
    while (sheetBegin < records.size() && records[sheetBegin].offset != sheetOffset)
        ++sheetBegin;
    if (sheetBegin == records.size() || records[sheetBegin].type != kRecBof || records[sheetBegin].length < 4)
        return {};
    size_t sheetEnd = sheetBegin;
    while (sheetEnd < records.size() && records[sheetEnd].type != kRecEof)
        ++sheetEnd;
    if (sheetEnd == records.size())
        return {};

    // The sheet's cells: each record whole, each within what a sheet holds.
    uint32_t lastRow = 0;
    uint32_t lastCol = 0;
    bool anyCell = false;
    auto cell = [&](uint32_t row, uint32_t col) {
        if (row >= maxRows || col >= kMaxColumns)
            return false;
        lastRow = anyCell ? std::max(lastRow, row) : row;
        lastCol = anyCell ? std::max(lastCol, col) : col;
        anyCell = true;
        return true;
    };
    for (size_t i = sheetBegin + 1; i < sheetEnd; ++i) {
        const RECORD& r = records[i];
        const size_t b = r.body;
        const size_t n = r.length;
        switch (r.type) {
        case kRecBof:
            return {};  // a sheet inside a sheet
        case kRecDimensions:
            if (n < (biff8 ? 14u : 10u))
                return {};
            break;
        case kRecBlank:
        case kRecNumber:
        case kRecBoolErr:
        case kRecRk:
        case kRecLabelSst:
        case kRecLabel:
        case kRecRString:
        case kRecFormula: {
            const size_t least = r.type == kRecNumber ? 14 : r.type == kRecRk || r.type == kRecLabelSst ? 10
                               : r.type == kRecBoolErr ? 8 : r.type == kRecFormula ? 20 : 6;
            if (n < least || !cell(Le16(s, b), Le16(s, b + 2)))
                return {};
            if (r.type == kRecLabelSst && Le32(s, b + 6) >= sstCount)
                return {};
            if ((r.type == kRecLabel || r.type == kRecRString) && !StringFits(s, r, b + 6, 2, biff8 && r.type == kRecLabel))
                return {};
            break;
        }
        case kRecMulRk:
        case kRecMulBlank: {
            const size_t item = r.type == kRecMulRk ? 6 : 2;
            if (n < 6 || (n - 6) % item != 0)
                return {};
            const uint16_t first = Le16(s, b + 2);
            const uint16_t last = Le16(s, b + n - 2);
            if (last < first || static_cast<size_t>(last - first + 1) != (n - 6) / item)
                return {};
            if (!cell(Le16(s, b), first) || !cell(Le16(s, b), last))
                return {};
            break;
        }
        default:
            break;
        }
    }

    // The prepared stream: the globals without the other sheets' BOUNDSHEET
    // records and without the string-table index (its offsets would be
    // stale), then the first sheet with dimensions that fit its cells, so
    // the reader sizes its cell table by what is there, not by what a
    // record claims.
    std::string out;
    size_t boundSheetAt = 0;
    auto copy = [&](const RECORD& r) { out.append(s, r.offset, 4 + r.length); };
    for (size_t i = 0; i <= globalsEnd; ++i) {
        const RECORD& r = records[i];
        if ((r.type == kRecBoundSheet && i != firstSheetRecord) || r.type == kRecExtSst)
            continue;
        if (i == firstSheetRecord)
            boundSheetAt = out.size() + 4;
        copy(r);
    }
    const auto newSheetOffset = static_cast<uint32_t>(out.size());
    for (int k = 0; k < 4; ++k)
        out[boundSheetAt + k] = static_cast<char>((newSheetOffset >> (8 * k)) & 0xFF);
    const uint32_t rows = anyCell ? lastRow + 1 : 0;
    const uint32_t cols = anyCell ? lastCol + 1 : 0;
    for (size_t i = sheetBegin; i <= sheetEnd; ++i) {
        const RECORD& r = records[i];
        const size_t body = out.size() + 4;
        copy(r);
        if (r.type != kRecDimensions)
            continue;
        auto put16 = [&](size_t at, uint32_t v) {
            out[at] = static_cast<char>(v & 0xFF);
            out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
        };
        if (biff8) {
            put16(body, 0);
            put16(body + 2, 0);
            put16(body + 4, rows & 0xFFFF);
            put16(body + 6, rows >> 16);
            put16(body + 8, 0);
            put16(body + 10, cols);
        } else {
            put16(body, 0);
            put16(body + 2, rows);
            put16(body + 4, 0);
            put16(body + 6, cols);
        }
    }
    return out;
}

}  // namespace tblx2
