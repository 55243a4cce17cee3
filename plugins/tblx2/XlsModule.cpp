#include "Modules.h"

#include "Convert.h"
#include "FileUtil.h"
#include "Tblx2.h"
#include "XlsWriter.h"

using namespace tblx2;

extern "C" int Tblx2XlsToText(const char* workbook, const char* text_path)
{
    return WorkbookToText(ReadXlsCells, workbook, text_path);
}

extern "C" int Tblx2TextToXls(const char* text_path, const char* workbook, const char* sheet, int columns)
{
    if (!text_path || !workbook)
        return 0;
    try {
        CTextRows rows;
        std::string name;
        if (!ReadRowsForWorkbook(EWorkbookKind::Xls, text_path, sheet, columns, rows, name))
            return 0;
        // Not flushed: the program hands a scratch copy and flushes its own.
        const std::string file = BuildOle2File(BuildXlsWorkbookStream(name, rows, static_cast<size_t>(columns)));
        return !file.empty() && ReplaceFile(workbook, file, false) == kOk ? 1 : 0;
    } catch (...) {  // nothing may unwind into the C caller
        return 0;
    }
}
