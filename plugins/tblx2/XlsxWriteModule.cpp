#include "Convert.h"
#include "FileUtil.h"
#include "Modules.h"
#include "XlsxWriter.h"

#include <unistd.h>

using namespace tblx2;

extern "C" int Tblx2TextToXlsx(const char* text_path, const char* workbook, const char* sheet, int columns)
{
    if (!text_path || !workbook)
        return 0;
    try {
        CTextRows rows;
        std::string name;
        if (!ReadRowsForWorkbook(EWorkbookKind::Xlsx, text_path, sheet, columns, rows, name))
            return 0;
        const std::string temp = MakeSiblingTemp(workbook);
        if (temp.empty())
            return 0;
        if (WriteXlsxFile(temp.c_str(), name, rows, static_cast<size_t>(columns)) != kOk) {
            unlink(temp.c_str());
            return 0;
        }
        // Not flushed: the program hands a scratch copy and flushes its own
        // copy into the user's file; the rename alone keeps the old workbook
        // whole until this one is complete.
        return RenameSiblingTemp(temp, workbook) == kOk ? 1 : 0;
    } catch (...) {  // nothing may unwind into the C caller
        return 0;
    }
}
