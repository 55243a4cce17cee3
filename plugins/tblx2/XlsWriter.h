#pragma once
#include "Table.h"

#include <string>

namespace tblx2 {

// Rows and columns a BIFF8 sheet can hold.
inline constexpr size_t kXlsMaxRows = 65536;
inline constexpr size_t kXlsMaxColumns = 256;
// Characters one cell can hold in any spreadsheet program.
inline constexpr size_t kMaxCellChars = 32767;

// The BIFF8 "Workbook" stream of a workbook with one sheet named `sheet`
// holding `rows` as text cells. Columns 0 to textColumns-1 are formatted as
// text, so what a user types there later stays text (postal codes keep their
// leading zeros). Rows beyond kXlsMaxRows or columns beyond kXlsMaxColumns
// must have been refused by the caller.
std::string BuildXlsWorkbookStream(const std::string& sheet, const CTextRows& rows, size_t textColumns);

// A workbook stream wrapped in an OLE2 compound file, as .xls files are
// ("Workbook" for BIFF8, "Book" for BIFF5); empty on failure.
std::string BuildOle2File(const std::string& workbookStream, const char* streamName = "Workbook");

}  // namespace tblx2
