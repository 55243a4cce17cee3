#include "Convert.h"
#include "Modules.h"
#include "Tblx2.h"
#include "WorkbookReader.h"

using namespace tblx2;

extern "C" int Tblx2XlsxToText(const char* workbook, const char* text_path)
{
    return WorkbookToText(ReadXlsxCells, workbook, text_path);
}
