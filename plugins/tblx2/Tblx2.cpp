#include "Tblx2.h"

#include "FileUtil.h"
#include "Table.h"
#include "TextCodec.h"
#include "WorkbookReader.h"
#include "XlsWriter.h"
#include "XlsxWriter.h"

#include <cctype>
#include <new>
#include <string>
#include <unistd.h>

using namespace tblx2;

namespace {

// The sheet name callers pass names the sheet as a data source would
// ("Sheet1$"); the sheet itself has no "$".
constexpr const char* kDefaultSheet = "Sheet1";

std::string SheetName(const char* sheet)
{
    std::string name = sheet ? sheet : "";
    if (!name.empty() && name.back() == '$')
        name.pop_back();
    return name.empty() ? kDefaultSheet : name;
}

// What every spreadsheet program takes as a sheet name: 1 to 31 characters,
// none of []:*?/\, no apostrophe at either end.
constexpr size_t kMaxSheetNameChars = 31;

bool IsValidSheetName(const std::string& name)
{
    if (name.empty() || Utf16Length(name) > kMaxSheetNameChars || name.front() == '\'' || name.back() == '\'')
        return false;
    return name.find_first_of("[]:*?/\\") == std::string::npos;
}

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    const std::string tail(suffix);
    if (s.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i])
            return false;
    return true;
}

EWorkbookKind TargetKind(const char* workbook)
{
    const std::string path(workbook);
    if (EndsWithNoCase(path, ".xlsx"))
        return EWorkbookKind::Xlsx;
    if (EndsWithNoCase(path, ".xls"))
        return EWorkbookKind::Xls;
    return SniffWorkbook(workbook);
}

int ToText(const char* workbook, const char* textPath)
{
    CSheetCells cells;
    int rc = kErrFormat;
    switch (SniffWorkbook(workbook)) {
    case EWorkbookKind::Xls:
        rc = ReadXlsCells(workbook, cells);
        break;
    case EWorkbookKind::Xlsx:
        rc = ReadXlsxCells(workbook, cells);
        break;
    case EWorkbookKind::Unknown:
        break;
    }
    if (rc == kErrEmpty)
        return TBLX2_NOTHING_TO_READ;
    if (rc != kOk)
        return TBLX2_FAILED;
    return WriteTextRows(textPath, std::move(cells)) == kOk ? TBLX2_WRITTEN : TBLX2_FAILED;
}

int ToWorkbook(const char* textPath, const char* workbook, const char* sheet, int columns)
{
    const EWorkbookKind kind = TargetKind(workbook);
    const size_t maxColumns = kind == EWorkbookKind::Xlsx ? kXlsxMaxColumns : kXlsMaxColumns;
    if (kind == EWorkbookKind::Unknown || columns < 1 || static_cast<size_t>(columns) > maxColumns)
        return 0;
    CTextRows rows;
    if (ReadTextRows(textPath, static_cast<size_t>(columns), rows) != kOk)
        return 0;
    const size_t maxRows = kind == EWorkbookKind::Xlsx ? kXlsxMaxRows : kXlsMaxRows;
    if (rows.size() > maxRows)
        return 0;  // refused rather than silently cut
    const std::string name = SheetName(sheet);
    if (!IsValidSheetName(name))
        return 0;
    if (kind == EWorkbookKind::Xls) {
        const std::string file = BuildOle2File(BuildXlsWorkbookStream(name, rows, static_cast<size_t>(columns)));
        return !file.empty() && ReplaceFile(workbook, file, true) == kOk ? 1 : 0;
    }
    const std::string temp = MakeSiblingTemp(workbook);
    if (temp.empty())
        return 0;
    if (WriteXlsxFile(temp.c_str(), name, rows, static_cast<size_t>(columns)) != kOk) {
        unlink(temp.c_str());
        return 0;
    }
    return CommitSiblingTemp(temp, workbook) == kOk ? 1 : 0;
}

}  // namespace

extern "C" int ConvertXls2Csv(const char* workbook, const char* text_path)
{
    if (!workbook || !text_path)
        return TBLX2_FAILED;
    try {
        return ToText(workbook, text_path);
    } catch (...) {  // nothing may unwind into the C caller
        return TBLX2_FAILED;
    }
}

extern "C" int ConvertCsv2Xls(const char* text_path, const char* workbook, const char* sheet, int columns)
{
    if (!text_path || !workbook)
        return 0;
    try {
        return ToWorkbook(text_path, workbook, sheet, columns);
    } catch (...) {  // nothing may unwind into the C caller
        return 0;
    }
}
