#include "BiffCheck.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
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

// The stream cut into records, and where its parts are.
struct BIFF {
    explicit BIFF(const std::string& stream) : s(stream) {}

    const std::string& s;
    std::vector<RECORD> records;
    bool biff8 = false;
    uint32_t maxRows = 0;
    size_t globalsEnd = 0;        // index of the globals' EOF
    size_t firstSheetRecord = 0;  // index of the kept BOUNDSHEET
    uint32_t sstCount = 0;        // strings in the shared string table
    size_t sheetBegin = 0;        // index of the first sheet's BOF
    size_t sheetEnd = 0;          // index of its EOF
};

// Extent of the first sheet's cells.
struct EXTENT {
    uint32_t lastRow = 0;
    uint32_t lastCol = 0;
    bool any = false;

    bool Add(const BIFF& b, uint32_t row, uint32_t col)
    {
        if (row >= b.maxRows || col >= kMaxColumns)
            return false;
        lastRow = any ? std::max(lastRow, row) : row;
        lastCol = any ? std::max(lastCol, col) : col;
        any = true;
        return true;
    }
};

// Every record whole and at most 8224 bytes long; a BIFF5 or BIFF8 BOF first.
bool FrameRecords(BIFF& b)
{
    const std::string& s = b.s;
    size_t at = 0;
    while (at + 4 <= s.size()) {
        const RECORD r{Le16(s, at), at, at + 4, Le16(s, at + 2)};
        if (r.length > kMaxRecordBody || r.body + r.length > s.size())
            return false;
        b.records.push_back(r);
        at = r.body + r.length;
    }
    if (b.records.empty() || b.records[0].type != kRecBof || b.records[0].length < 4)
        return false;
    const uint16_t version = Le16(s, b.records[0].body);
    if (version != kBiff8 && version != kBiff5)
        return false;
    b.biff8 = version == kBiff8;
    b.maxRows = b.biff8 ? kMaxRowsBiff8 : kMaxRowsBiff5;
    return true;
}

// Checks of the globals records the cell reader parses, one per kind.
using GlobalsCheck = bool (*)(BIFF& b, size_t index);

bool CheckWordRecord(BIFF& b, size_t index) { return b.records[index].length >= 2; }

bool CheckXf(BIFF& b, size_t index) { return b.records[index].length >= 4; }

bool CheckFormat(BIFF& b, size_t index)
{
    const RECORD& r = b.records[index];
    return StringFits(b.s, r, r.body + 2, b.biff8 ? 2 : 1, b.biff8);
}

bool CheckBoundSheet(BIFF& b, size_t index)
{
    const RECORD& r = b.records[index];
    if (!StringFits(b.s, r, r.body + 6, 1, b.biff8))
        return false;
    if (b.firstSheetRecord == b.records.size())
        b.firstSheetRecord = index;
    return true;
}

bool CheckSstRecord(BIFF& b, size_t index) { return b.biff8 && CheckSst(b.s, b.records, index, b.sstCount); }

constexpr struct {
    uint16_t type;
    GlobalsCheck check;
} kGlobalsChecks[] = {
    {kRecCodepage, CheckWordRecord}, {kRecDatemode, CheckWordRecord}, {kRecXf, CheckXf},
    {kRecFormat, CheckFormat},       {kRecBoundSheet, CheckBoundSheet}, {kRecSst, CheckSstRecord},
};

// The globals run to the first EOF; they must name a first sheet.
bool CheckGlobals(BIFF& b)
{
    b.globalsEnd = 0;
    while (b.globalsEnd < b.records.size() && b.records[b.globalsEnd].type != kRecEof)
        ++b.globalsEnd;
    if (b.globalsEnd == b.records.size())
        return false;
    b.firstSheetRecord = b.records.size();
    for (size_t i = 0; i < b.globalsEnd; ++i) {
        for (const auto& kind : kGlobalsChecks)
            if (kind.type == b.records[i].type && !kind.check(b, i))
                return false;
    }
    return b.firstSheetRecord != b.records.size();
}

// The first sheet runs from the BOF its BOUNDSHEET points at to the next EOF.
bool FindFirstSheet(BIFF& b)
{
    const uint32_t sheetOffset = Le32(b.s, b.records[b.firstSheetRecord].body);
    b.sheetBegin = b.globalsEnd + 1;
    while (b.sheetBegin < b.records.size() && b.records[b.sheetBegin].offset != sheetOffset)
        ++b.sheetBegin;
    if (b.sheetBegin == b.records.size() || b.records[b.sheetBegin].type != kRecBof ||
        b.records[b.sheetBegin].length < 4)
        return false;
    b.sheetEnd = b.sheetBegin;
    while (b.sheetEnd < b.records.size() && b.records[b.sheetEnd].type != kRecEof)
        ++b.sheetEnd;
    return b.sheetEnd != b.records.size();
}

// What a single-cell record carries after its row, column and XF.
enum class ECellText { None, SstIndex, String, ByteString };

// Single-cell records: the least body that holds their fixed fields.
constexpr struct {
    uint16_t type;
    uint8_t leastBody;
    ECellText text;
} kCellRecords[] = {
    {kRecBlank, 6, ECellText::None},      {kRecNumber, 14, ECellText::None},
    {kRecBoolErr, 8, ECellText::None},    {kRecRk, 10, ECellText::None},
    {kRecLabelSst, 10, ECellText::SstIndex}, {kRecLabel, 6, ECellText::String},
    {kRecRString, 6, ECellText::ByteString}, {kRecFormula, 20, ECellText::None},
};

// Records with a run of cells of one row: the bytes each cell takes.
constexpr struct {
    uint16_t type;
    uint8_t itemBytes;
} kMultiCellRecords[] = {{kRecMulRk, 6}, {kRecMulBlank, 2}};

bool CheckCell(const BIFF& b, const RECORD& r, uint8_t leastBody, ECellText text, EXTENT& extent)
{
    const size_t at = r.body;
    if (r.length < leastBody || !extent.Add(b, Le16(b.s, at), Le16(b.s, at + 2)))
        return false;
    switch (text) {
    case ECellText::None:
        return true;
    case ECellText::SstIndex:
        return Le32(b.s, at + 6) < b.sstCount;
    case ECellText::String:
        return StringFits(b.s, r, at + 6, 2, b.biff8);
    case ECellText::ByteString:
        return StringFits(b.s, r, at + 6, 2, false);
    }
    return false;
}

bool CheckMultiCell(const BIFF& b, const RECORD& r, size_t itemBytes, EXTENT& extent)
{
    const size_t at = r.body;
    const size_t n = r.length;
    if (n < 6 || (n - 6) % itemBytes != 0)
        return false;
    const uint16_t first = Le16(b.s, at + 2);
    const uint16_t last = Le16(b.s, at + n - 2);
    if (last < first || static_cast<size_t>(last - first + 1) != (n - 6) / itemBytes)
        return false;
    return extent.Add(b, Le16(b.s, at), first) && extent.Add(b, Le16(b.s, at), last);
}

// The sheet's cells: each record whole, each within what a sheet holds.
bool CheckSheet(const BIFF& b, EXTENT& extent)
{
    for (size_t i = b.sheetBegin + 1; i < b.sheetEnd; ++i) {
        const RECORD& r = b.records[i];
        if (r.type == kRecBof)
            return false;  // a sheet inside a sheet
        if (r.type == kRecDimensions && r.length < (b.biff8 ? 14u : 10u))
            return false;
        for (const auto& kind : kCellRecords)
            if (kind.type == r.type && !CheckCell(b, r, kind.leastBody, kind.text, extent))
                return false;
        for (const auto& kind : kMultiCellRecords)
            if (kind.type == r.type && !CheckMultiCell(b, r, kind.itemBytes, extent))
                return false;
    }
    return true;
}

void Put16(std::string& out, size_t at, uint32_t v)
{
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// The globals without the other sheets' BOUNDSHEET records and without the
// string-table index (its offsets would be stale); the kept BOUNDSHEET
// points at the sheet that follows.
void WriteGlobals(const BIFF& b, std::string& out)
{
    size_t boundSheetAt = 0;
    for (size_t i = 0; i <= b.globalsEnd; ++i) {
        const RECORD& r = b.records[i];
        if ((r.type == kRecBoundSheet && i != b.firstSheetRecord) || r.type == kRecExtSst)
            continue;
        if (i == b.firstSheetRecord)
            boundSheetAt = out.size() + 4;
        out.append(b.s, r.offset, 4 + r.length);
    }
    const auto sheetOffset = static_cast<uint32_t>(out.size());
    Put16(out, boundSheetAt, sheetOffset & 0xFFFF);
    Put16(out, boundSheetAt + 2, sheetOffset >> 16);
}

// The first sheet with dimensions that fit its cells, so the reader sizes
// its cell table by what is there, not by what a record claims.
void WriteSheet(const BIFF& b, const EXTENT& extent, std::string& out)
{
    const uint32_t rows = extent.any ? extent.lastRow + 1 : 0;
    const uint32_t cols = extent.any ? extent.lastCol + 1 : 0;
    for (size_t i = b.sheetBegin; i <= b.sheetEnd; ++i) {
        const RECORD& r = b.records[i];
        const size_t body = out.size() + 4;
        out.append(b.s, r.offset, 4 + r.length);
        if (r.type != kRecDimensions)
            continue;
        // BIFF8: first row, last row + 1 (32-bit each), first and last + 1
        // column; BIFF5: the rows 16-bit.
        const uint32_t fields8[] = {0, 0, rows & 0xFFFF, rows >> 16, 0, cols};
        const uint32_t fields5[] = {0, rows, 0, cols};
        if (b.biff8)
            for (size_t k = 0; k < std::size(fields8); ++k)
                Put16(out, body + 2 * k, fields8[k]);
        else
            for (size_t k = 0; k < std::size(fields5); ++k)
                Put16(out, body + 2 * k, fields5[k]);
    }
}

}  // namespace

std::string PrepareBiffStream(const std::string& s)
{
    BIFF b{s};
    EXTENT extent;
    if (!FrameRecords(b) || !CheckGlobals(b) || !FindFirstSheet(b) || !CheckSheet(b, extent))
        return {};
    std::string out;
    WriteGlobals(b, out);
    WriteSheet(b, extent, out);
    return out;
}

}  // namespace tblx2
