#include "Convert.h"

#include "Tblx2.h"
#include "TextCodec.h"
#include "XlsWriter.h"
#include "XlsxWriter.h"

namespace tblx2 {
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

}  // namespace

int WorkbookToText(int (*readCells)(const char*, CSheetCells&), const char* workbook, const char* textPath) noexcept
{
    if (!workbook || !textPath)
        return TBLX2_FAILED;
    try {
        CSheetCells cells;
        const int readResult = readCells(workbook, cells);
        if (readResult == kErrEmpty)
            return TBLX2_NOTHING_TO_READ;
        if (readResult != kOk)
            return TBLX2_FAILED;
        return WriteTextRows(textPath, std::move(cells)) == kOk ? TBLX2_WRITTEN : TBLX2_FAILED;
    } catch (...) {  // nothing may unwind into the C caller
        return TBLX2_FAILED;
    }
}

int TextToWorkbook(EWorkbookKind kind,
                   int (*writeWorkbook)(const char* workbook, const std::string& sheetName, const CTextRows& rows,
                                        size_t columns),
                   const char* textPath, const char* workbook, const char* sheet, int columns) noexcept
{
    if (!textPath || !workbook)
        return 0;
    try {
        CTextRows rows;
        std::string name;
        if (!ReadRowsForWorkbook(kind, textPath, sheet, columns, rows, name))
            return 0;
        return writeWorkbook(workbook, name, rows, static_cast<size_t>(columns)) == kOk ? 1 : 0;
    } catch (...) {  // nothing may unwind into the C caller
        return 0;
    }
}

bool ReadRowsForWorkbook(EWorkbookKind kind, const char* textPath, const char* sheet, int columns, CTextRows& rows,
                         std::string& sheetName)
{
    const size_t maxColumns = kind == EWorkbookKind::Xlsx ? kXlsxMaxColumns : kXlsMaxColumns;
    if (kind == EWorkbookKind::Unknown || columns < 1 || static_cast<size_t>(columns) > maxColumns)
        return false;
    if (ReadTextRows(textPath, static_cast<size_t>(columns), rows) != kOk)
        return false;
    const size_t maxRows = kind == EWorkbookKind::Xlsx ? kXlsxMaxRows : kXlsMaxRows;
    if (rows.size() > maxRows)
        return false;  // refused rather than silently cut
    sheetName = SheetName(sheet);
    return IsValidSheetName(sheetName);
}

}  // namespace tblx2
