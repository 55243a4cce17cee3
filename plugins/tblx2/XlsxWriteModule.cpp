#include "Convert.h"
#include "FileUtil.h"
#include "Modules.h"
#include "XlsxWriter.h"

#include <unistd.h>

using namespace tblx2;

extern "C" int Tblx2TextToXlsx(const char* text_path, const char* workbook, const char* sheet, int columns)
{
    return TextToWorkbook(
        EWorkbookKind::Xlsx,
        [](const char* path, const std::string& name, const CTextRows& rows, size_t textColumns) {
            const std::string temp = MakeSiblingTemp(path);
            if (temp.empty())
                return kErrOpen;
            const int written = WriteXlsxFile(temp.c_str(), name, rows, textColumns);
            if (written != kOk) {
                unlink(temp.c_str());
                return written;
            }
            // Not flushed: the program hands a scratch copy and flushes its
            // own copy into the user's file; the rename alone keeps the old
            // workbook whole until this one is complete.
            return RenameSiblingTemp(temp, path);
        },
        text_path, workbook, sheet, columns);
}
