#pragma once
#include "Table.h"

#include <ctime>
#include <string>

namespace tblx2 {

// Cells an .xlsx sheet can hold.
inline constexpr size_t kXlsxMaxRows = 1048576;
inline constexpr size_t kXlsxMaxColumns = 16384;

// Writes a new .xlsx at `path` (which must not be the user's file: callers
// rename it into place) with one sheet named `sheet` holding `rows` as text
// cells; columns 0 to textColumns-1 are formatted as text. `created` fixes
// the document's creation time (0: now). Result codes of Table.h.
int WriteXlsxFile(const char* path, const std::string& sheet, const CTextRows& rows, size_t textColumns,
                  std::time_t created = 0);

}  // namespace tblx2
