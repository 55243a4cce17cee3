#include "XlsWriter.h"

#include "TextCodec.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <mutex>

namespace tblx2 {
namespace {

// BIFF8 record types written here.
constexpr uint16_t kRecEof = 0x000A;
constexpr uint16_t kRecCodepage = 0x0042;
constexpr uint16_t kRecWindow1 = 0x003D;
constexpr uint16_t kRecFont = 0x0031;
constexpr uint16_t kRecContinue = 0x003C;
constexpr uint16_t kRecColInfo = 0x007D;
constexpr uint16_t kRecBoundSheet = 0x0085;
constexpr uint16_t kRecXf = 0x00E0;
constexpr uint16_t kRecSst = 0x00FC;
constexpr uint16_t kRecLabelSst = 0x00FD;
constexpr uint16_t kRecExtSst = 0x00FF;
constexpr uint16_t kRecDimensions = 0x0200;
constexpr uint16_t kRecRow = 0x0208;
constexpr uint16_t kRecWindow2 = 0x023E;
constexpr uint16_t kRecStyle = 0x0293;
constexpr uint16_t kRecBof = 0x0809;

// Largest record body; longer data goes on in CONTINUE records.
constexpr size_t kMaxRecordBody = 8224;
// BOF substream kinds.
constexpr uint16_t kBofGlobals = 0x0005;
constexpr uint16_t kBofWorksheet = 0x0010;
// Code page record value for UTF-16 strings.
constexpr uint16_t kCodepageUtf16 = 1200;
// Cell formats: the default XF that follows the 15 style XFs, and one of our
// own with the built-in "@" (text) number format.
constexpr uint16_t kXfDefaultCell = 15;
constexpr uint16_t kXfText = 16;
constexpr uint16_t kNumberFormatText = 49;
// Strings per bucket of the EXTSST index.
constexpr uint16_t kExtSstBucket = 8;
// The workbook stream is padded to a multiple of this.
constexpr size_t kStreamAlignment = 4096;
// Rows per block of ROW records followed by their cells.
constexpr size_t kRowBlock = 32;
// Default column width of the text columns, in 1/256 of a character.
constexpr uint16_t kTextColumnWidth = 14 * 256;
// Default font: 11 point, the usual one of Japanese workbooks, charset 128.
constexpr uint16_t kFontHeightTwips = 220;
constexpr uint8_t kCharsetShiftJis = 128;
constexpr const char* kFontName = "ＭＳ Ｐゴシック";

class CBytes {
public:
    void U8(uint8_t v) { m_data.push_back(static_cast<char>(v)); }
    void U16(uint16_t v)
    {
        U8(v & 0xFF);
        U8(v >> 8);
    }
    void U32(uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Raw(const std::string& s) { m_data += s; }
    const std::string& Data() const { return m_data; }
    size_t Size() const { return m_data.size(); }

private:
    std::string m_data;
};

class CStream {
public:
    void Record(uint16_t type, const CBytes& body)
    {
        m_data.U16(type);
        m_data.U16(static_cast<uint16_t>(body.Size()));
        m_data.Raw(body.Data());
    }
    void Record(uint16_t type) { Record(type, CBytes()); }
    size_t Size() const { return m_data.Size(); }
    CBytes& Raw() { return m_data; }
    const std::string& Data() const { return m_data.Data(); }

private:
    CBytes m_data;
};

// A string of a FONT or BOUNDSHEET record: 8-bit count, then UTF-16.
void ShortUnicode(CBytes& b, const std::string& utf8)
{
    const std::string_view cut = Utf8PrefixByUtf16(utf8, 255);
    const std::string utf16 = Utf8ToUtf16Le(cut);
    b.U8(static_cast<uint8_t>(utf16.size() / 2));
    b.U8(0x01);  // fHighByte: characters are two bytes
    b.Raw(utf16);
}

// A record of fixed fields: each a little-endian number of 1, 2 or 4 bytes.
struct FIELD {
    uint8_t bytes;
    uint32_t value;
};

void Fixed(CStream& s, uint16_t type, std::initializer_list<FIELD> fields)
{
    CBytes b;
    for (const FIELD& f : fields) {
        if (f.bytes == 1)
            b.U8(static_cast<uint8_t>(f.value));
        else if (f.bytes == 2)
            b.U16(static_cast<uint16_t>(f.value));
        else
            b.U32(f.value);
    }
    s.Record(type, b);
}

// BOF: BIFF8, build and year of the format revision, history flags, lowest version.
void Bof(CStream& s, uint16_t kind)
{
    Fixed(s, kRecBof, {{2, 0x0600}, {2, kind}, {2, 0x0DBB}, {2, 0x07CC}, {4, 0x000000C1}, {4, 0x00000006}});
}

// FONT: height, attributes, colour index "automatic", weight normal, no
// sub/superscript, no underline, family, charset, reserved, name.
void Font(CStream& s)
{
    CBytes b;
    b.U16(kFontHeightTwips);
    b.U16(0);
    b.U16(0x7FFF);
    b.U16(400);
    b.U16(0);
    b.U8(0);
    b.U8(0);
    b.U8(kCharsetShiftJis);
    b.U8(0);
    ShortUnicode(b, kFontName);
    s.Record(kRecFont, b);
}

// XF: font, number format, type and parent, alignment (bottom), attribute
// flags, borders none, pattern colours automatic.
void Xf(CStream& s, uint16_t format, bool style)
{
    CBytes b;
    b.U16(0);
    b.U16(format);
    b.U16(style ? 0xFFF5 : 0x0001);
    b.U16(0x0020);
    b.U16(style ? 0xF400 : format != 0 ? 0x0400 : 0x0000);
    b.U32(0);
    b.U32(0);
    b.U16(0x20C0);
    s.Record(kRecXf, b);
}

struct SSTPOSITION {
    uint32_t streamOffset;  // where the string starts in the stream
    uint16_t recordOffset;  // its offset from the start of its record header
};

// SST with CONTINUE records. A string never starts in a record with no
// room for its header; its characters may go on in the next record, which
// then starts with the option byte again.
std::vector<SSTPOSITION> WriteSst(CStream& s, const std::vector<std::string>& utf16Strings, uint32_t totalRefs)
{
    std::vector<SSTPOSITION> positions;
    std::string record;  // body of the record being built
    uint16_t recordType = kRecSst;
    auto flush = [&] {
        CBytes b;
        b.Raw(record);
        s.Record(recordType, b);
        record.clear();
        recordType = kRecContinue;
    };
    CBytes head;
    head.U32(totalRefs);
    head.U32(static_cast<uint32_t>(utf16Strings.size()));
    record = head.Data();
    constexpr size_t kHeader = 3;  // character count and option byte
    for (const std::string& str : utf16Strings) {
        if (record.size() + kHeader + 2 > kMaxRecordBody)
            flush();
        positions.push_back({static_cast<uint32_t>(s.Size() + 4 + record.size()),
                             static_cast<uint16_t>(4 + record.size())});
        CBytes h;
        h.U16(static_cast<uint16_t>(str.size() / 2));
        h.U8(0x01);
        record += h.Data();
        size_t done = 0;
        while (done < str.size()) {
            size_t room = (kMaxRecordBody - record.size()) & ~size_t{1};
            if (room == 0) {
                flush();
                record += '\x01';  // the characters go on, still two bytes each
                room = (kMaxRecordBody - record.size()) & ~size_t{1};
            }
            const size_t take = std::min(room, str.size() - done);
            record.append(str, done, take);
            done += take;
        }
    }
    flush();
    return positions;
}

void ExtSst(CStream& s, const std::vector<SSTPOSITION>& positions)
{
    CBytes b;
    b.U16(kExtSstBucket);
    for (size_t i = 0; i < positions.size(); i += kExtSstBucket) {
        b.U32(positions[i].streamOffset);
        b.U16(positions[i].recordOffset);
        b.U16(0);
    }
    // The index is only a help for readers; drop it rather than split it.
    if (b.Size() <= kMaxRecordBody)
        s.Record(kRecExtSst, b);
}

// What the workbook holds: each distinct text once, cut to what a cell
// holds, and per cell the index of its string (-1: empty).
struct WORKBOOK {
    WORKBOOK(const std::string& sheetName, size_t textColumnCount) : sheet(sheetName), textColumns(textColumnCount) {}

    const std::string& sheet;
    size_t textColumns;
    std::vector<std::string> strings;  // UTF-16LE
    std::vector<std::vector<int64_t>> cellStrings;
    uint32_t refs = 0;
    size_t rowCount = 0;  // up to the last row with a filled cell
    size_t colCount = 0;  // up to the last column with a filled cell
    size_t boundSheetAt = 0;  // where the BOUNDSHEET record starts
};

void CollectStrings(WORKBOOK& w, const CTextRows& rows)
{
    std::map<std::string, uint32_t> index;
    w.cellStrings.resize(rows.size());
    for (size_t r = 0; r < rows.size() && r < kXlsMaxRows; ++r) {
        for (size_t c = 0; c < rows[r].size() && c < kXlsMaxColumns; ++c) {
            const std::string& text = rows[r][c];
            w.cellStrings[r].push_back(-1);
            if (text.empty())
                continue;
            const std::string utf16 = Utf8ToUtf16Le(Utf8PrefixByUtf16(text, kMaxCellChars));
            auto [it, added] = index.emplace(utf16, static_cast<uint32_t>(w.strings.size()));
            if (added)
                w.strings.push_back(utf16);
            w.cellStrings[r].back() = it->second;
            ++w.refs;
            w.rowCount = r + 1;
            w.colCount = std::max(w.colCount, c + 1);
        }
    }
}

// The records of the workbook stream, one writer per kind, in stream order.
using RecordWriter = void (*)(CStream& s, WORKBOOK& w);

void GlobalsBof(CStream& s, WORKBOOK&) { Bof(s, kBofGlobals); }

void Codepage(CStream& s, WORKBOOK&) { Fixed(s, kRecCodepage, {{2, kCodepageUtf16}}); }

// WINDOW1: position and size of the workbook window, tabs shown, first tab active.
void Window1(CStream& s, WORKBOOK&)
{
    Fixed(s, kRecWindow1, {{2, 0x0000}, {2, 0x0000}, {2, 0x4000}, {2, 0x2000}, {2, 0x0038}, {2, 0}, {2, 0}, {2, 1},
                           {2, 0x0258}});
}

// Four fonts: index 4 does not exist in BIFF, so readers expect 0 to 3.
void Fonts(CStream& s, WORKBOOK&)
{
    for (int i = 0; i < 4; ++i)
        Font(s);
}

// The 15 style XFs, then kXfDefaultCell and kXfText.
void Xfs(CStream& s, WORKBOOK&)
{
    for (int i = 0; i < 15; ++i)
        Xf(s, 0, true);
    Xf(s, 0, false);
    Xf(s, kNumberFormatText, false);
}

// STYLE: built-in style "Normal" on XF 0.
void Style(CStream& s, WORKBOOK&) { Fixed(s, kRecStyle, {{2, 0x8000}, {1, 0}, {1, 0xFF}}); }

// BOUNDSHEET: the sheet's offset (patched once known), visible, worksheet, name.
void BoundSheet(CStream& s, WORKBOOK& w)
{
    w.boundSheetAt = s.Size();
    CBytes b;
    b.U32(0);
    b.U8(0);
    b.U8(0);
    ShortUnicode(b, w.sheet);
    s.Record(kRecBoundSheet, b);
}

void SharedStrings(CStream& s, WORKBOOK& w) { ExtSst(s, WriteSst(s, w.strings, w.refs)); }

void Eof(CStream& s, WORKBOOK&) { s.Record(kRecEof); }

void SheetBof(CStream& s, WORKBOOK&) { Bof(s, kBofWorksheet); }

// COLINFO: the text columns' width and format.
void TextColumns(CStream& s, WORKBOOK& w)
{
    if (w.textColumns == 0)
        return;
    Fixed(s, kRecColInfo, {{2, 0}, {2, static_cast<uint32_t>(std::min(w.textColumns, kXlsMaxColumns) - 1)},
                           {2, kTextColumnWidth}, {2, kXfText}, {2, 0}, {2, 0}});
}

// DIMENSIONS: first row, last row + 1, first column, last column + 1.
void Dimensions(CStream& s, WORKBOOK& w)
{
    Fixed(s, kRecDimensions,
          {{4, 0}, {4, static_cast<uint32_t>(w.rowCount)}, {2, 0}, {2, static_cast<uint32_t>(w.colCount)}, {2, 0}});
}

// ROW: number, first and last+1 column, height 15 points, flags (reserved
// bit 8 set, default XF 15).
void Row(CStream& s, size_t r, size_t cells)
{
    Fixed(s, kRecRow, {{2, static_cast<uint32_t>(r)}, {2, 0}, {2, static_cast<uint32_t>(cells)}, {2, 0x012C},
                       {2, 0}, {2, 0}, {4, 0x000F0100}});
}

// LABELSST: row, column, XF, string index.
void LabelSst(CStream& s, const WORKBOOK& w, size_t r, size_t c)
{
    Fixed(s, kRecLabelSst, {{2, static_cast<uint32_t>(r)}, {2, static_cast<uint32_t>(c)},
                            {2, c < w.textColumns ? kXfText : kXfDefaultCell},
                            {4, static_cast<uint32_t>(w.cellStrings[r][c])}});
}

// Blocks of ROW records, each followed by the cells of its rows.
void Cells(CStream& s, WORKBOOK& w)
{
    for (size_t block = 0; block < w.rowCount; block += kRowBlock) {
        const size_t end = std::min(w.rowCount, block + kRowBlock);
        for (size_t r = block; r < end; ++r)
            if (!w.cellStrings[r].empty())
                Row(s, r, w.cellStrings[r].size());
        for (size_t r = block; r < end; ++r)
            for (size_t c = 0; c < w.cellStrings[r].size(); ++c)
                if (w.cellStrings[r][c] >= 0)
                    LabelSst(s, w, r, c);
    }
}

// WINDOW2: grid, headers, zeros, default colours, outline, selected and
// shown tab; top-left cell A1; header colour index 64.
void Window2(CStream& s, WORKBOOK&)
{
    Fixed(s, kRecWindow2, {{2, 0x06B6}, {2, 0}, {2, 0}, {2, 0x0040}, {2, 0}, {2, 0}, {2, 0}, {4, 0}});
}

constexpr RecordWriter kGlobals[] = {GlobalsBof, Codepage, Window1, Fonts, Xfs, Style, BoundSheet, SharedStrings, Eof};
constexpr RecordWriter kSheet[] = {SheetBof, TextColumns, Dimensions, Cells, Window2, Eof};

}  // namespace

std::string BuildXlsWorkbookStream(const std::string& sheet, const CTextRows& rows, size_t textColumns)
{
    WORKBOOK w{sheet, textColumns};
    CollectStrings(w, rows);
    CStream s;
    for (const RecordWriter write : kGlobals)
        write(s, w);
    const auto sheetOffset = static_cast<uint32_t>(s.Size());
    for (const RecordWriter write : kSheet)
        write(s, w);

    std::string stream = s.Data();
    for (int i = 0; i < 4; ++i)
        stream[w.boundSheetAt + 4 + i] = static_cast<char>((sheetOffset >> (8 * i)) & 0xFF);
    // Zeros after the last EOF up to a multiple of 4096 bytes: a smaller
    // stream would go into the compound file's mini-stream, which some
    // spreadsheet programs do not look in for the workbook.
    stream.resize((stream.size() + kStreamAlignment - 1) / kStreamAlignment * kStreamAlignment, '\0');
    return stream;
}

std::string BuildOle2File(const std::string& workbookStream, const char* streamName)
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
    GsfOutput* sink = gsf_output_memory_new();
    if (!sink)
        return {};
    GsfOutfile* ole = gsf_outfile_msole_new(sink);
    if (!ole) {
        g_object_unref(sink);
        return {};
    }
    GsfOutput* child = gsf_outfile_new_child(ole, streamName, FALSE);
    bool ok = child != nullptr;
    if (child) {
        ok = gsf_output_write(child, workbookStream.size(), reinterpret_cast<const guint8*>(workbookStream.data()));
        ok = gsf_output_close(child) && ok;
        g_object_unref(child);
    }
    ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
    g_object_unref(ole);
    std::string bytes;
    if (ok) {
        const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink));
        const gsf_off_t size = gsf_output_size(sink);
        if (data && size > 0)
            bytes.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    }
    g_object_unref(sink);
    return bytes;
}

}  // namespace tblx2
