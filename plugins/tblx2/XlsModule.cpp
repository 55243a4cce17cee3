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
    return TextToWorkbook(
        EWorkbookKind::Xls,
        [](const char* path, const std::string& name, const CTextRows& rows, size_t textColumns) {
            // Not flushed: the program hands a scratch copy and flushes its own.
            const std::string file = BuildOle2File(BuildXlsWorkbookStream(name, rows, textColumns));
            return file.empty() ? kErrRead : ReplaceFile(path, file, false);
        },
        text_path, workbook, sheet, columns);
}
