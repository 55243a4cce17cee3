#include "Convert.h"
#include "Modules.h"
#include "Tblx2.h"
#include "WorkbookReader.h"

using namespace tblx2;

extern "C" int Tblx2XlsxToText(const char* workbook, const char* text_path)
{
    if (!workbook || !text_path)
        return TBLX2_FAILED;
    try {
        CSheetCells cells;
        const int rc = ReadXlsxCells(workbook, cells);
        return CellsToText(rc, std::move(cells), text_path);
    } catch (...) {  // nothing may unwind into the C caller
        return TBLX2_FAILED;
    }
}
