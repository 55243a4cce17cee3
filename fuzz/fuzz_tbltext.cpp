// The spreadsheet converter's reader of text files (the export side's
// input) on arbitrary bytes.
#include "FuzzUtil.h"
#include "Table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 200000) return 0;
  const std::string& path = FuzzInputFile(data + 1, size - 1);
  tblx2::CTextRows rows;
  (void)tblx2::ReadTextRows(path.c_str(), 1 + data[0] % 16, rows);
  return 0;
}
