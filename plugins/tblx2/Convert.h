#pragma once
#include "Table.h"
#include "WorkbookReader.h"

#include <string>

// The steps a conversion takes whatever the workbook kind, shared by the
// plug-in and its .xls module so that both halves judge alike.
namespace tblx2 {

// The converter's answer (TBLX2_*) to a reader's result code and cells;
// writes the text file when there is something to write.
int CellsToText(int readResult, CSheetCells cells, const char* textPath);

// Reads and checks what a workbook of `kind` is to be filled with: the
// columns, the rows of the text file and the sheet name all within what
// the kind holds. False when the conversion must be refused.
bool ReadRowsForWorkbook(EWorkbookKind kind, const char* textPath, const char* sheet, int columns, CTextRows& rows,
                         std::string& sheetName);

}  // namespace tblx2
