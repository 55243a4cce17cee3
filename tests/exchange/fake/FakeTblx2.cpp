// A stand-in for the spreadsheet converter, so the glue can be tested without
// real workbooks. ConvertCsv2Xls appends "|sheet|columns|mode|" and the text
// to the workbook copy it is given (mode: 'w' when the owner may write it).
// ConvertXls2Csv copies the "workbook" (a text file in the tests) to the text
// path. Both return $FAKE_TBLX2_RESULT (default 1); with 0 they write nothing.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int Result() {
  const char* r = std::getenv("FAKE_TBLX2_RESULT");
  return r ? std::atoi(r) : 1;
}

std::string Slurp(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int ConvertXls2Csv(const char* workbook, const char* text) {
  int r = Result();
  if (r == 0) return 0;
  std::ifstream probe(workbook, std::ios::binary);
  if (!probe) return 0;
  std::ofstream(text, std::ios::binary | std::ios::trunc) << Slurp(workbook);
  return r;
}

extern "C" __attribute__((visibility("default"))) int ConvertCsv2Xls(const char* text, const char* workbook,
                                                                      const char* sheet, int columns) {
  int r = Result();
  if (r == 0) return 0;
  struct stat st {};
  char mode = (stat(workbook, &st) == 0 && (st.st_mode & S_IWUSR)) ? 'w' : 'r';
  std::ofstream(workbook, std::ios::binary | std::ios::app)
      << "|" << sheet << "|" << columns << "|" << mode << "|" << Slurp(text);
  return r;
}
