// The spreadsheet converter's readers on arbitrary workbooks. Both readers
// see every input, whatever its first bytes say, and whatever they read is
// written out as the converter's text file.
#include <cstdlib>

#include "FuzzUtil.h"
#include "Table.h"
#include "WorkbookReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  const std::string& path = FuzzInputFile(data, size);
  static const std::string out = path + ".txt";
  (void)tblx2::SniffWorkbook(path.c_str());
  for (int kind = 0; kind < 2; ++kind) {
    tblx2::CSheetCells cells;
    const int rc = kind ? tblx2::ReadXlsxCells(path.c_str(), cells) : tblx2::ReadXlsCells(path.c_str(), cells);
    if (rc != tblx2::kOk) continue;
    if (cells.empty()) std::abort();  // an empty sheet has its own code
    (void)tblx2::WriteTextRows(out.c_str(), std::move(cells));
  }
  return 0;
}
