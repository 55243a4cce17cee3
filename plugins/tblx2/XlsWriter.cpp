#include "XlsWriter.h"

#include "TextCodec.h"

#include <gsf/gsf.h>

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

// BOF: BIFF8, build and year of the format revision, history flags, lowest version.
void Bof(CStream& s, uint16_t kind)
{
    CBytes b;
    b.U16(0x0600);
    b.U16(kind);
    b.U16(0x0DBB);
    b.U16(0x07CC);
    b.U32(0x000000C1);
    b.U32(0x00000006);
    s.Record(kRecBof, b);
}

// WINDOW1: position and size of the workbook window, tabs shown, first tab active.
void Window1(CStream& s)
{
    CBytes b;
    b.U16(0x0000);
    b.U16(0x0000);
    b.U16(0x4000);
    b.U16(0x2000);
    b.U16(0x0038);
    b.U16(0);
    b.U16(0);
    b.U16(1);
    b.U16(0x0258);
    s.Record(kRecWindow1, b);
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

}  // namespace

std::string BuildXlsWorkbookStream(const std::string& sheet, const CTextRows& rows, size_t textColumns)
{
    // Shared strings: each distinct text once, cut to what a cell holds.
    std::vector<std::string> strings;
    std::map<std::string, uint32_t> index;
    uint32_t refs = 0;
    size_t lastCol = 0;
    size_t lastRow = 0;
    bool any = false;
    std::vector<std::vector<int64_t>> cellStrings(rows.size());
    for (size_t r = 0; r < rows.size() && r < kXlsMaxRows; ++r) {
        for (size_t c = 0; c < rows[r].size() && c < kXlsMaxColumns; ++c) {
            const std::string& text = rows[r][c];
            cellStrings[r].push_back(-1);
            if (text.empty())
                continue;
            const std::string utf16 = Utf8ToUtf16Le(Utf8PrefixByUtf16(text, kMaxCellChars));
            auto [it, added] = index.emplace(utf16, static_cast<uint32_t>(strings.size()));
            if (added)
                strings.push_back(utf16);
            cellStrings[r].back() = it->second;
            ++refs;
            lastRow = r;
            lastCol = std::max(lastCol, c);
            any = true;
        }
    }

    CStream s;
    Bof(s, kBofGlobals);
    {
        CBytes b;
        b.U16(kCodepageUtf16);
        s.Record(kRecCodepage, b);
    }
    Window1(s);
    // Four fonts: index 4 does not exist in BIFF, so readers expect 0 to 3.
    for (int i = 0; i < 4; ++i)
        Font(s);
    for (int i = 0; i < 15; ++i)
        Xf(s, 0, true);
    Xf(s, 0, false);                       // kXfDefaultCell
    Xf(s, kNumberFormatText, false);       // kXfText
    {
        CBytes b;
        b.U16(0x8000);  // built-in style on XF 0
        b.U8(0);        // "Normal"
        b.U8(0xFF);
        s.Record(kRecStyle, b);
    }
    const size_t boundSheetAt = s.Size();
    {
        CBytes b;
        b.U32(0);  // sheet offset, patched below
        b.U8(0);   // visible
        b.U8(0);   // worksheet
        ShortUnicode(b, sheet);
        s.Record(kRecBoundSheet, b);
    }
    ExtSst(s, WriteSst(s, strings, refs));
    s.Record(kRecEof);

    const auto sheetOffset = static_cast<uint32_t>(s.Size());
    Bof(s, kBofWorksheet);
    if (textColumns > 0) {
        CBytes b;
        b.U16(0);
        b.U16(static_cast<uint16_t>(std::min(textColumns, kXlsMaxColumns) - 1));
        b.U16(kTextColumnWidth);
        b.U16(kXfText);
        b.U16(0);
        b.U16(0);
        s.Record(kRecColInfo, b);
    }
    {
        CBytes b;
        b.U32(0);
        b.U32(any ? static_cast<uint32_t>(lastRow + 1) : 0);
        b.U16(0);
        b.U16(any ? static_cast<uint16_t>(lastCol + 1) : 0);
        b.U16(0);
        s.Record(kRecDimensions, b);
    }
    const size_t rowCount = any ? lastRow + 1 : 0;
    for (size_t block = 0; block < rowCount; block += kRowBlock) {
        const size_t end = std::min(rowCount, block + kRowBlock);
        for (size_t r = block; r < end; ++r) {
            if (cellStrings[r].empty())
                continue;
            // ROW: number, first and last+1 column, height 15 points, flags
            // (reserved bit 8 set, default XF 15).
            CBytes b;
            b.U16(static_cast<uint16_t>(r));
            b.U16(0);
            b.U16(static_cast<uint16_t>(cellStrings[r].size()));
            b.U16(0x012C);
            b.U16(0);
            b.U16(0);
            b.U32(0x000F0100);
            s.Record(kRecRow, b);
        }
        for (size_t r = block; r < end; ++r) {
            for (size_t c = 0; c < cellStrings[r].size(); ++c) {
                if (cellStrings[r][c] < 0)
                    continue;
                CBytes b;
                b.U16(static_cast<uint16_t>(r));
                b.U16(static_cast<uint16_t>(c));
                b.U16(c < textColumns ? kXfText : kXfDefaultCell);
                b.U32(static_cast<uint32_t>(cellStrings[r][c]));
                s.Record(kRecLabelSst, b);
            }
        }
    }
    {
        // WINDOW2: grid, headers, zeros, default colours, outline, selected
        // and shown tab; top-left cell A1; header colour index 64.
        CBytes b;
        b.U16(0x06B6);
        b.U16(0);
        b.U16(0);
        b.U16(0x0040);
        b.U16(0);
        b.U16(0);
        b.U16(0);
        b.U32(0);
        s.Record(kRecWindow2, b);
    }
    s.Record(kRecEof);

    std::string stream = s.Data();
    const size_t at = boundSheetAt + 4;
    for (int i = 0; i < 4; ++i)
        stream[at + i] = static_cast<char>((sheetOffset >> (8 * i)) & 0xFF);
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
