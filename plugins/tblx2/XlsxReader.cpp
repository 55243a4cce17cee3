#include "WorkbookReader.h"

#include "TextCodec.h"

#include <minizip/unzip.h>
#include <pugixml.hpp>

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>

namespace tblx2 {
namespace {

// No part of a workbook is inflated beyond this (a small zip can unpack
// into gigabytes).
constexpr uint64_t kMaxPartBytes = 128u << 20;
// Largest row and column numbers of a sheet (1-based, as cell references count).
constexpr uint32_t kMaxRow = 1048576;
constexpr uint32_t kMaxColumn = 16384;
// Relationship types, matched by their ending so that both the transitional
// and the strict namespaces are taken.
constexpr std::string_view kRelOfficeDocument = "/officeDocument";
constexpr std::string_view kRelSharedStrings = "/sharedStrings";
constexpr std::string_view kRelStyles = "/styles";
// Fallbacks for packages without (readable) relationships.
constexpr const char* kDefaultWorkbook = "xl/workbook.xml";
constexpr const char* kDefaultSheet = "xl/worksheets/sheet1.xml";
constexpr const char* kDefaultSharedStrings = "xl/sharedStrings.xml";
constexpr const char* kDefaultStyles = "xl/styles.xml";
// Whitespace-only text is content in a cell (" " is a valid address field).
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata;

class CZip {
public:
    explicit CZip(const char* path) : m_zip(unzOpen64(path)) {}
    ~CZip()
    {
        if (m_zip)
            unzClose(m_zip);
    }
    CZip(const CZip&) = delete;
    CZip& operator=(const CZip&) = delete;
    bool IsOpen() const { return m_zip != nullptr; }

    // Inflates one part; kErrFormat when missing or damaged (CRC included).
    int Read(const std::string& name, std::string& out)
    {
        out.clear();
        // Part names compare without regard to case in a package.
        if (unzLocateFile(m_zip, name.c_str(), 2) != UNZ_OK || unzOpenCurrentFile(m_zip) != UNZ_OK)
            return kErrFormat;
        char buffer[65536];
        int rc = kOk;
        for (;;) {
            const int n = unzReadCurrentFile(m_zip, buffer, sizeof buffer);
            if (n < 0) {
                rc = kErrFormat;
                break;
            }
            if (n == 0)
                break;
            if (out.size() + static_cast<size_t>(n) > kMaxPartBytes) {
                rc = kErrTooLarge;
                break;
            }
            out.append(buffer, static_cast<size_t>(n));
        }
        if (unzCloseCurrentFile(m_zip) != UNZ_OK && rc == kOk)
            rc = kErrFormat;
        return rc;
    }

private:
    unzFile m_zip;
};

std::string_view LocalName(const char* name)
{
    const std::string_view n(name);
    const size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node Child(pugi::xml_node node, std::string_view local)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c.name()) == local)
            return c;
    return {};
}

// The relationship id of a <sheet>: the "id" attribute of the relationships
// namespace, whatever its prefix.
std::string SheetRelId(pugi::xml_node sheet)
{
    for (pugi::xml_attribute a = sheet.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name(a.name());
        if (name.size() > 3 && name.substr(name.size() - 3) == ":id")
            return a.value();
    }
    return {};
}

// Resolves a relationship target against the folder of its source part.
std::string ResolveTarget(const std::string& sourceFolder, std::string_view target)
{
    std::string joined = !target.empty() && target.front() == '/' ? std::string(target.substr(1))
                                                                     : sourceFolder + std::string(target);
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string path;
    for (const std::string& p : parts)
        path += (path.empty() ? "" : "/") + p;
    return path;
}

std::string FolderOf(const std::string& part)
{
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string RelsPathOf(const std::string& part)
{
    const size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + name + ".rels";
}

struct RELATIONSHIP {
    std::string id;
    std::string type;
    std::string target;  // resolved part name
};

std::vector<RELATIONSHIP> ReadRelationships(CZip& zip, const std::string& sourcePart)
{
    std::vector<RELATIONSHIP> rels;
    std::string xml;
    if (zip.Read(RelsPathOf(sourcePart), xml) != kOk)
        return rels;
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size(), kParseOptions))
        return rels;
    const pugi::xml_node root = Child(doc, "Relationships");
    for (pugi::xml_node r = root.first_child(); r; r = r.next_sibling()) {
        if (r.type() != pugi::node_element || LocalName(r.name()) != "Relationship")
            continue;
        if (std::string_view(r.attribute("TargetMode").value()) == "External")
            continue;
        rels.push_back({r.attribute("Id").value(), r.attribute("Type").value(),
                        ResolveTarget(FolderOf(sourcePart), r.attribute("Target").value())});
    }
    return rels;
}

const RELATIONSHIP* FindByType(const std::vector<RELATIONSHIP>& rels, std::string_view typeEnd)
{
    for (const RELATIONSHIP& r : rels)
        if (r.type.size() >= typeEnd.size() && r.type.compare(r.type.size() - typeEnd.size(), typeEnd.size(), typeEnd) == 0)
            return &r;
    return nullptr;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Spreadsheet text escapes characters XML cannot hold as _xHHHH_ (a UTF-16
// code unit; _x005F_ is the underscore itself): a line break typed in a cell
// is stored as "_x000D_" before the LF.
std::string DecodeEscapes(std::string_view s)
{
    if (s.find("_x") == std::string_view::npos)
        return std::string(s);
    std::string out;
    std::u16string units;  // escaped code units waiting to be paired
    auto flushUnits = [&] {
        out += Utf16ToUtf8(units);
        units.clear();
    };
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '_' && i + 7 <= s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
            int value = 0;
            bool hex = true;
            for (size_t k = 2; k < 6 && hex; ++k) {
                const int d = HexDigit(s[i + k]);
                hex = d >= 0;
                value = value * 16 + d;
            }
            if (hex) {
                units += static_cast<char16_t>(value);
                i += 7;
                continue;
            }
        }
        flushUnits();
        out += s[i++];
    }
    flushUnits();
    return out;
}

std::string NodeText(pugi::xml_node t)
{
    std::string text;
    for (pugi::xml_node c = t.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            text += c.value();
    return text;
}

// Text of a shared string <si> or an inline string <is>: its own <t> and
// the <t> of its rich-text runs <r>; the phonetic runs <rPh> (furigana) are
// not part of what the cell shows.
std::string RichText(pugi::xml_node node)
{
    std::string text;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        const std::string_view name = LocalName(c.name());
        if (name == "t") {
            text += NodeText(c);
        } else if (name == "r") {
            for (pugi::xml_node t = c.first_child(); t; t = t.next_sibling())
                if (t.type() == pugi::node_element && LocalName(t.name()) == "t")
                    text += NodeText(t);
        }
    }
    return DecodeEscapes(text);
}

// "BC12" to 0-based column and row; false when it is not a cell reference.
bool ParseCellRef(std::string_view ref, uint32_t& row, uint32_t& col)
{
    size_t i = 0;
    uint32_t c = 0;
    while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) {
        c = c * 26 + static_cast<uint32_t>((ref[i] | 0x20) - 'a' + 1);
        if (c > kMaxColumn)
            return false;
        ++i;
    }
    uint32_t r = 0;
    const auto result = std::from_chars(ref.data() + i, ref.data() + ref.size(), r);
    if (c == 0 || result.ec != std::errc() || result.ptr != ref.data() + ref.size() || r == 0 || r > kMaxRow)
        return false;
    row = r - 1;
    col = c - 1;
    return true;
}

// How a number shows: as itself, or as a date and/or time, which the .xls
// reader gives as "YYYY-MM-DD", "HH:MM:SS" or both; the same here.
enum class ENumberKind { Plain, Date, Time, DateTime };

// Built-in number formats that show dates or times, the Japanese ones
// (27 to 36, 50 to 58) included.
ENumberKind BuiltInKind(uint32_t id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) || (id >= 50 && id <= 58))
        return ENumberKind::Date;
    if ((id >= 18 && id <= 21) || id == 32 || id == 33 || (id >= 45 && id <= 47))
        return ENumberKind::Time;
    if (id == 22)
        return ENumberKind::DateTime;
    return ENumberKind::Plain;
}

// Kind of a format code: its date letters (y, d, m without h or s, g and e
// for eras) and time letters (h, s), outside quotes, escapes and brackets
// other than elapsed time.
ENumberKind CodeKind(std::string_view code)
{
    bool date = false;
    bool time = false;
    bool month = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = static_cast<char>(code[i] | 0x20);
        if (code[i] == '"') {
            const size_t end = code.find('"', i + 1);
            i = end == std::string_view::npos ? code.size() : end;
        } else if (code[i] == '\\' || code[i] == '_' || code[i] == '*') {
            ++i;
        } else if (code[i] == '[') {
            const size_t end = code.find(']', i + 1);
            const std::string_view inside = code.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1);
            if (!inside.empty() && (inside[0] | 0x20) != 'h' && (inside[0] | 0x20) != 'm' && (inside[0] | 0x20) != 's') {
                i = end == std::string_view::npos ? code.size() : end;
                continue;
            }
            time = true;
            i = end == std::string_view::npos ? code.size() : end;
        } else if (code[i] == ';') {
            break;  // the first section decides
        } else if (c == 'y' || c == 'd' || c == 'g' || c == 'e') {
            date = true;
        } else if (c == 'h' || c == 's') {
            time = true;
        } else if (c == 'm') {
            month = true;
        }
    }
    if (month && !time)
        date = true;
    return date && time ? ENumberKind::DateTime : date ? ENumberKind::Date : time ? ENumberKind::Time : ENumberKind::Plain;
}

struct STYLES {
    std::vector<ENumberKind> cellKinds;  // by cell format index (the "s" of a cell)
    bool date1904 = false;
};

void ReadStyles(const std::string& xml, STYLES& styles)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size(), kParseOptions))
        return;
    const pugi::xml_node sheet = Child(doc, "styleSheet");
    std::map<uint32_t, ENumberKind> custom;
    for (pugi::xml_node f = Child(sheet, "numFmts").first_child(); f; f = f.next_sibling())
        if (f.type() == pugi::node_element && LocalName(f.name()) == "numFmt")
            custom[f.attribute("numFmtId").as_uint()] = CodeKind(f.attribute("formatCode").value());
    for (pugi::xml_node xf = Child(sheet, "cellXfs").first_child(); xf; xf = xf.next_sibling()) {
        if (xf.type() != pugi::node_element || LocalName(xf.name()) != "xf")
            continue;
        const uint32_t id = xf.attribute("numFmtId").as_uint();
        const auto it = custom.find(id);
        styles.cellKinds.push_back(it != custom.end() ? it->second : BuiltInKind(id));
    }
}

std::string TwoDigits(int64_t v)
{
    return std::string(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10);
}

// A serial day number as the .xls reader writes it. The 1900 system counts
// the 29th of February 1900 that never was (serial 60).
std::string SerialText(double serial, ENumberKind kind, bool date1904)
{
    if (!(serial >= 0 && serial < 2958466))  // up to 9999-12-31
        return FormatNumber(serial);
    int64_t days = static_cast<int64_t>(serial);
    int64_t seconds = std::llround((serial - static_cast<double>(days)) * 86400);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    std::string date;
    if (kind != ENumberKind::Time) {
        // Days since 1970-01-01 of the serial's day, then the civil date.
        int64_t z = date1904 ? days - 24107 : days >= 61 ? days - 25569 : days - 25568;
        if (!date1904 && days == 60) {
            date = "1900-02-29";
        } else {
            z += 719468;
            const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
            const int64_t doe = z - era * 146097;
            const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
            const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
            const int64_t mp = (5 * doy + 2) / 153;
            const int64_t d = doy - (153 * mp + 2) / 5 + 1;
            const int64_t m = mp < 10 ? mp + 3 : mp - 9;
            const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
            date = std::to_string(y) + "-" + TwoDigits(m) + "-" + TwoDigits(d);
        }
    }
    if (kind == ENumberKind::Date)
        return date;
    const std::string time = TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" + TwoDigits(seconds % 60);
    return kind == ENumberKind::Time ? time : date + " " + time;
}

std::string CellText(pugi::xml_node c, const std::vector<std::string>& shared, const STYLES& styles)
{
    const std::string_view type = c.attribute("t").value();
    const std::string v = NodeText(Child(c, "v"));
    if (type == "s") {
        size_t index = 0;
        const auto result = std::from_chars(v.data(), v.data() + v.size(), index);
        return result.ec == std::errc() && index < shared.size() ? shared[index] : std::string();
    }
    if (type == "inlineStr")
        return RichText(Child(c, "is"));
    if (type == "str")
        return DecodeEscapes(v);
    if (type == "b")
        return v.empty() ? v : v == "0" ? "FALSE" : "TRUE";
    if (type == "e" || type == "d")
        return v;
    if (v.empty())
        return v;
    const size_t style = c.attribute("s").as_uint();
    double value = 0;
    const auto result = std::from_chars(v.data(), v.data() + v.size(), value);
    if (result.ec != std::errc() || result.ptr != v.data() + v.size())
        return v;
    if (style < styles.cellKinds.size() && styles.cellKinds[style] != ENumberKind::Plain)
        return SerialText(value, styles.cellKinds[style], styles.date1904);
    return FormatNumber(value);
}

}  // namespace

int ReadXlsxCells(const char* path, CSheetCells& cells)
{
    cells.clear();
    CZip zip(path);
    if (!zip.IsOpen())
        return kErrFormat;

    std::string workbookPart = kDefaultWorkbook;
    if (const auto rootRels = ReadRelationships(zip, ""); const RELATIONSHIP* r = FindByType(rootRels, kRelOfficeDocument))
        workbookPart = r->target;
    std::string xml;
    int rc = zip.Read(workbookPart, xml);
    if (rc != kOk)
        return rc;
    pugi::xml_document workbook;
    if (!workbook.load_buffer(xml.data(), xml.size(), kParseOptions))
        return kErrFormat;
    const pugi::xml_node sheets = Child(Child(workbook, "workbook"), "sheets");
    const pugi::xml_node firstSheet = Child(sheets, "sheet");
    if (!firstSheet)
        return kErrEmpty;

    const std::vector<RELATIONSHIP> rels = ReadRelationships(zip, workbookPart);
    std::string sheetPart = kDefaultSheet;
    const std::string relId = SheetRelId(firstSheet);
    for (const RELATIONSHIP& r : rels)
        if (r.id == relId)
            sheetPart = r.target;

    std::vector<std::string> shared;
    const RELATIONSHIP* sst = FindByType(rels, kRelSharedStrings);
    rc = zip.Read(sst ? sst->target : kDefaultSharedStrings, xml);
    if (rc == kOk) {
        pugi::xml_document doc;
        if (!doc.load_buffer(xml.data(), xml.size(), kParseOptions))
            return kErrFormat;
        for (pugi::xml_node si = Child(doc, "sst").first_child(); si; si = si.next_sibling())
            if (si.type() == pugi::node_element && LocalName(si.name()) == "si")
                shared.push_back(RichText(si));
    } else if (rc == kErrTooLarge || sst) {
        return rc;  // a workbook without shared strings is fine, a broken one is not
    }

    // Styles only tell which numbers are dates; a workbook without them is fine.
    STYLES styles;
    styles.date1904 = Child(Child(workbook, "workbook"), "workbookPr").attribute("date1904").as_bool();
    const RELATIONSHIP* stylesRel = FindByType(rels, kRelStyles);
    if (zip.Read(stylesRel ? stylesRel->target : kDefaultStyles, xml) == kOk)
        ReadStyles(xml, styles);

    rc = zip.Read(sheetPart, xml);
    if (rc != kOk)
        return rc;
    pugi::xml_document sheet;
    if (!sheet.load_buffer(xml.data(), xml.size(), kParseOptions))
        return kErrFormat;
    xml.clear();
    xml.shrink_to_fit();
    const pugi::xml_node data = Child(Child(sheet, "worksheet"), "sheetData");
    uint32_t nextRow = 0;
    for (pugi::xml_node row = data.first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element || LocalName(row.name()) != "row")
            continue;
        uint32_t r = nextRow;
        if (const pugi::xml_attribute a = row.attribute("r")) {
            const std::string_view v = a.value();
            uint32_t n = 0;
            const auto result = std::from_chars(v.data(), v.data() + v.size(), n);
            if (result.ec == std::errc() && n >= 1 && n <= kMaxRow)
                r = n - 1;
        }
        if (r >= kMaxRow)
            break;
        nextRow = r + 1;
        uint32_t nextCol = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || LocalName(c.name()) != "c")
                continue;
            uint32_t cellRow = r;
            uint32_t col = nextCol;
            if (const pugi::xml_attribute a = c.attribute("r"))
                ParseCellRef(a.value(), cellRow, col);
            if (col >= kMaxColumn)
                break;
            nextCol = col + 1;
            std::string text = CellText(c, shared, styles);
            if (!text.empty())
                cells.push_back({cellRow, col, std::move(text)});
        }
    }
    return cells.empty() ? kErrEmpty : kOk;
}

}  // namespace tblx2
