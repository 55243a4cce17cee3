#include "WorkbookReader.h"

#include "BiffCheck.h"
#include "FileUtil.h"
#include "TextCodec.h"
#include "XlsWriter.h"

#include <freexl.h>
#include <gsf/gsf.h>

#include <charconv>
#include <cstring>
#include <map>
#include <mutex>

namespace tblx2 {
namespace {

// Record types needed to find the cached results of formulas, which the
// cell reader leaves empty.
constexpr uint16_t kRecEof = 0x000A;
constexpr uint16_t kRecFormula = 0x0006;
constexpr uint16_t kRecString = 0x0207;
constexpr uint16_t kRecBoundSheet = 0x0085;
constexpr uint16_t kRecBof = 0x0809;
// Version word of a BIFF8 BOF record.
constexpr uint16_t kBiff8 = 0x0600;
// Cached result kinds of a FORMULA record whose last two result bytes are 0xFFFF.
constexpr uint8_t kResultString = 0;
constexpr uint8_t kResultBool = 1;
// The workbook stream is read whole; larger ones are refused.
constexpr gsf_off_t kMaxWorkbookStream = 256 << 20;

uint16_t Le16(const std::string& s, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}
uint32_t Le32(const std::string& s, size_t at) { return Le16(s, at) | static_cast<uint32_t>(Le16(s, at + 2)) << 16; }

// The workbook stream of an OLE2 file and its name; empty when there is none.
std::string ReadWorkbookStream(const char* path, const char*& name)
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
    std::string bytes;
    GsfInput* input = gsf_input_stdio_new(path, nullptr);
    if (!input)
        return bytes;
    GsfInfile* ole = gsf_infile_msole_new(input, nullptr);
    g_object_unref(input);
    if (!ole)
        return bytes;
    name = "Workbook";
    GsfInput* stream = gsf_infile_child_by_name(ole, name);
    if (!stream) {
        name = "Book";
        stream = gsf_infile_child_by_name(ole, name);
    }
    if (stream) {
        const gsf_off_t size = gsf_input_size(stream);
        if (size > 0 && size <= kMaxWorkbookStream) {
            bytes.resize(static_cast<size_t>(size));
            if (!gsf_input_read(stream, bytes.size(), reinterpret_cast<guint8*>(bytes.data())))
                bytes.clear();
        }
        g_object_unref(stream);
    }
    g_object_unref(ole);
    return bytes;
}

// Text of a STRING record (the cached text of a formula): BIFF8 layout,
// character count, option byte, 8-bit or UTF-16 characters. Characters that
// would run past the record are not read.
std::string StringRecordText(const std::string& body)
{
    if (body.size() < 3)
        return {};
    const size_t count = Le16(body, 0);
    const bool wide = (static_cast<uint8_t>(body[2]) & 0x01) != 0;
    std::u16string units;
    for (size_t i = 0, at = 3; i < count; ++i) {
        if (at + (wide ? 2 : 1) > body.size())
            break;
        units += wide ? static_cast<char16_t>(Le16(body, at)) : static_cast<char16_t>(static_cast<uint8_t>(body[at]));
        at += wide ? 2 : 1;
    }
    return Utf16ToUtf8(units);
}

// Cached results of the formulas of the first sheet, by (row, column).
// Every length and offset is checked against the stream; a damaged stream
// just gives fewer results.
std::map<std::pair<uint32_t, uint32_t>, std::string> ReadFormulaResults(const std::string& stream)
{
    std::map<std::pair<uint32_t, uint32_t>, std::string> results;
    // Only BIFF8 is walked here: older STRING records have another layout.
    if (stream.size() < 8 || Le16(stream, 0) != kRecBof || Le16(stream, 4) != kBiff8)
        return results;
    size_t sheetOffset = 0;
    bool found = false;
    for (size_t at = 0; at + 4 <= stream.size();) {
        const uint16_t type = Le16(stream, at);
        const size_t length = Le16(stream, at + 2);
        if (at + 4 + length > stream.size())
            break;
        if (type == kRecBoundSheet && length >= 6) {
            sheetOffset = Le32(stream, at + 4);
            found = true;
            break;
        }
        if (type == kRecEof)
            break;
        at += 4 + length;
    }
    if (!found || sheetOffset + 4 > stream.size() || Le16(stream, sheetOffset) != kRecBof)
        return results;
    std::pair<uint32_t, uint32_t> pendingString{};
    bool stringPending = false;
    for (size_t at = sheetOffset; at + 4 <= stream.size();) {
        const uint16_t type = Le16(stream, at);
        const size_t length = Le16(stream, at + 2);
        if (at + 4 + length > stream.size())
            break;
        const std::string body = stream.substr(at + 4, length);
        at += 4 + length;
        if (type == kRecEof)
            break;
        if (type == kRecString && stringPending) {
            results[pendingString] = StringRecordText(body);
            stringPending = false;
            continue;
        }
        if (type != kRecFormula || body.size() < 14)
            continue;
        stringPending = false;
        const std::pair<uint32_t, uint32_t> cell{Le16(body, 0), Le16(body, 2)};
        if (Le16(body, 12) != 0xFFFF) {
            double value;
            std::memcpy(&value, body.data() + 6, sizeof value);
            results[cell] = FormatNumber(value);
        } else if (static_cast<uint8_t>(body[6]) == kResultString) {
            pendingString = cell;
            stringPending = true;
        } else if (static_cast<uint8_t>(body[6]) == kResultBool) {
            results[cell] = body[8] != 0 ? "TRUE" : "FALSE";
        }
        // Errors and empty strings stay empty cells.
    }
    return results;
}

std::string IntegerText(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

int ReadXlsCells(const char* path, CSheetCells& cells)
{
    cells.clear();
    // The cell reader gets a checked copy of the workbook stream in a
    // compound file of our own making, never the user's file itself: it
    // trusts the lengths in the file's allocation tables and records.
    const char* streamName = nullptr;
    const std::string stream = PrepareBiffStream(ReadWorkbookStream(path, streamName));
    if (stream.empty())
        return kErrFormat;
    const std::string clean = BuildOle2File(stream, streamName);
    CScratchCopy copy;
    if (clean.empty() || !copy.Make(clean, ScratchFolderFor(path)))
        return kErrRead;
    const void* handle = nullptr;
    const int opened = freexl_open(copy.Path().c_str(), &handle);
    copy.Drop();  // the open handle keeps what it needs
    if (opened != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        return kErrFormat;
    }
    unsigned int info = 0;
    int rc = kOk;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) != FREEXL_OK || info != FREEXL_BIFF_PLAIN)
        rc = kErrFormat;  // an obfuscated workbook cannot be read
    else if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
        rc = kErrEmpty;
    else if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
             freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
        rc = kErrFormat;
    std::map<std::pair<uint32_t, uint32_t>, std::string> formulas;
    bool formulasRead = false;
    for (unsigned int r = 0; rc == kOk && r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value{};
            if (freexl_get_cell_value(handle, r, c, &value) != FREEXL_OK)
                continue;
            std::string text;
            switch (value.type) {
            case FREEXL_CELL_INT:
                text = IntegerText(value.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = FormatNumber(value.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (value.value.text_value)
                    text = value.value.text_value;
                break;
            default: {
                // Empty, or a formula: its cached result, read on demand.
                if (!formulasRead) {
                    formulas = ReadFormulaResults(stream);
                    formulasRead = true;
                }
                const auto it = formulas.find({r, c});
                if (it != formulas.end())
                    text = it->second;
                break;
            }
            }
            if (!text.empty())
                cells.push_back({r, c, std::move(text)});
        }
    }
    freexl_close(handle);
    if (rc == kOk && cells.empty())
        rc = kErrEmpty;
    return rc;
}

}  // namespace tblx2
