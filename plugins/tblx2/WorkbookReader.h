#pragma once
#include "Table.h"

namespace tblx2 {

// Kind of workbook judged by its first bytes, never by the file name.
enum class EWorkbookKind { Unknown, Xls, Xlsx };
EWorkbookKind SniffWorkbook(const char* path);

// Cells of the first sheet of an .xls workbook (BIFF5/BIFF8 in an OLE2
// file). Formula cells give their cached results. Result codes of Table.h.
int ReadXlsCells(const char* path, CSheetCells& cells);

// Cells of the first sheet of an .xlsx workbook. Result codes of Table.h.
int ReadXlsxCells(const char* path, CSheetCells& cells);

}  // namespace tblx2
