#include "exchange/Exchange.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "exchange/Spreadsheet.h"
#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/Paths.h"

namespace {

std::string Upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool ExportEntries(const CDataSet& set, int category, const std::string& path, CExchangeMessages& messages,
                   ETextEncoding encoding) {
  const std::string tail = Upper(path.size() > 4 ? path.substr(path.size() - 4) : path);
  bool ok = tail.find("XLS") != std::string::npos
                ? SpreadsheetExport(set, category, path, messages)
                : WriteTextFile(set, category, path, false, messages, true, encoding) > 0;
  if (!ok) messages.ShowMessage(category == kCatName ? kMsgNameSaveFailed : kMsgAddressSaveFailed);
  return ok;
}

bool ImportEntries(CDataSet& set, int category, const std::string& path, CExchangeMessages& messages,
                   int* stored) {
  const std::string name = FileNameOf(path);
  const size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : Upper(name.substr(dot + 1));
  bool ok = extension.find("XLS") != std::string::npos ? SpreadsheetImport(set, category, path, messages, stored)
                                                        : ReadTextFile(set, category, path, false, stored);
  if (!ok) messages.ShowMessage(kMsgReadFailed);
  return ok;
}

std::string MakeExportFileName(const std::string& folder, int category) {
  const char* pattern = category == kCatAddress ? "Address%d.xls" : category == kCatName ? "Name%d.xls" : "無題%d.xmb";
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  for (int n = 1;; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, n);
    if (!Exists(base + name) || n == 99999) return name;
  }
}
