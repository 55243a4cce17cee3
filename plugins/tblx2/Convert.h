#pragma once
#include "Table.h"
#include "WorkbookReader.h"

#include <string>

// The steps a conversion takes whatever the workbook kind, shared by the
// plug-in and its .xls module so that both halves judge alike.
namespace tblx2 {

// Reads the first sheet of `workbook` with `readCells` (ReadXlsCells or
// ReadXlsxCells) and writes its text file when there is something to write:
// the converter's answer (TBLX2_*) for a module's entry point. Never throws.
int WorkbookToText(int (*readCells)(const char*, CSheetCells&), const char* workbook, const char* textPath) noexcept;

// Reads the text file and, when it may go into a workbook of `kind`, has
// `writeWorkbook` write it to `workbook` (kOk when written): the converter's
// answer (1 written, 0 not) for a module's entry point. Never throws.
int TextToWorkbook(EWorkbookKind kind,
                   int (*writeWorkbook)(const char* workbook, const std::string& sheetName, const CTextRows& rows,
                                        size_t columns),
                   const char* textPath, const char* workbook, const char* sheet, int columns) noexcept;

// Reads and checks what a workbook of `kind` is to be filled with: the
// columns, the rows of the text file and the sheet name all within what
// the kind holds. False when the conversion must be refused.
bool ReadRowsForWorkbook(EWorkbookKind kind, const char* textPath, const char* sheet, int columns, CTextRows& rows,
                         std::string& sheetName);

}  // namespace tblx2
