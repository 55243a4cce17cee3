#include "exchange/Spreadsheet.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "exchange/SafeFile.h"
#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/GxFile.h"
#include "model/Paths.h"

namespace {

using ConvertXls2CsvFn = int (*)(const char* workbook, const char* textPath);
using ConvertCsv2XlsFn = int (*)(const char* textPath, const char* workbook, const char* sheet, int columns);

// The converter is loaded for each call and released right after it, so a
// replaced plug-in takes effect without a restart.
class CConverterLibrary {
 public:
  explicit CConverterLibrary(CExchangeMessages& messages) : m_messages(messages) {
    std::string own = GetProgramFolder() + "/" + kConverterLibrary;
    // Lazy binding: a conversion calls few of the functions of the libraries
    // the converter brings, and binding them all up front cost a command-line
    // conversion more than its work.
    m_handle = dlopen(own.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!m_handle) m_handle = dlopen(kConverterLibrary, RTLD_LAZY | RTLD_LOCAL);
    if (!m_handle) m_messages.ShowMessage(kMsgConverterMissing);
  }
  ~CConverterLibrary() {
    if (m_handle) dlclose(m_handle);
  }
  CConverterLibrary(const CConverterLibrary&) = delete;
  CConverterLibrary& operator=(const CConverterLibrary&) = delete;

  template <typename Fn>
  Fn Find(const char* name) {
    if (!m_handle) return nullptr;
    void* symbol = dlsym(m_handle, name);
    if (!symbol) m_messages.ShowMessage(kMsgConverterFunctionMissing);
    return reinterpret_cast<Fn>(symbol);
  }

 private:
  CExchangeMessages& m_messages;
  void* m_handle = nullptr;
};

// Removes a temporary file when the flow that made it ends.
class CTempFileGuard {
 public:
  explicit CTempFileGuard(std::string path) : m_path(std::move(path)) {}
  ~CTempFileGuard() {
    if (!m_path.empty()) unlink(m_path.c_str());
  }
  CTempFileGuard(const CTempFileGuard&) = delete;
  CTempFileGuard& operator=(const CTempFileGuard&) = delete;
  void Release() { m_path.clear(); }

 private:
  std::string m_path;
};

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

bool ReadExact(int fd, uint64_t offset, void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(fd, static_cast<char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The whole of a small file (a template); false when it cannot be read.
bool ReadSmallFile(const std::string& path, std::string& out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    out.resize(static_cast<size_t>(st.st_size));
    ok = ReadExact(fd, 0, out.data(), out.size());
  }
  close(fd);
  return ok;
}

// The text a conversion passes through: in the private runtime folder, else
// in the per-user data folder.
bool MakeTextScratch(const std::string& runtime, std::string& path) {
  if (runtime.empty()) return GetGxTempFileName(path);
  path = CreateSiblingTemp(runtime + "/text", ".tmp");
  return !path.empty();
}

int ColumnsOf(int category) {
  if (category == kCatAddress) return kAddressColumns;
  if (category == kCatName) return kNameColumns;
  return 0;
}

std::string UpperLastFour(const std::string& path) {
  std::string tail = path.size() > 4 ? path.substr(path.size() - 4) : path;
  for (char& ch : tail) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return tail;
}

// ".xlsx" of "/a/b.xlsx": the extension as the user wrote it, "" without one.
std::string ExtensionOf(const std::string& path) {
  std::string name = FileNameOf(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace

int ConvertToText(const std::string& workbook, const std::string& textPath, CExchangeMessages& messages) {
  CConverterLibrary library(messages);
  auto fn = library.Find<ConvertXls2CsvFn>("ConvertXls2Csv");
  if (!fn) return kConvertFailed;
  return fn(workbook.c_str(), textPath.c_str());
}

int ConvertToWorkbook(const std::string& textPath, const std::string& workbook, int columns,
                      CExchangeMessages& messages) {
  CConverterLibrary library(messages);
  auto fn = library.Find<ConvertCsv2XlsFn>("ConvertCsv2Xls");
  if (!fn) return kConvertFailed;
  return fn(textPath.c_str(), workbook.c_str(), kWorkbookSheet, columns);
}

namespace {

// "Template.dat": u32 count, then per workbook {u32 offset, u32 length}, all
// little-endian; entry n (from 1) is the directory entry at 4 + 8 * (n - 1).
// Every number is checked against the file before it is used.
bool ReadTemplateEntry(const std::string& templatePath, int entry, std::string& bytes) {
  constexpr uint64_t kCountSize = 4;
  constexpr uint64_t kDirEntrySize = 8;
  if (entry < 1) return false;
  // Read-only: an installed program folder is not writable.
  int fd = open(templatePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = false;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    uint8_t head[4], dir[8];
    const uint64_t dirPos = kCountSize + kDirEntrySize * static_cast<uint64_t>(entry - 1);
    if (ReadExact(fd, 0, head, sizeof head) && ReadLe32(head) >= static_cast<uint32_t>(entry) &&
        dirPos + kDirEntrySize <= fileSize && ReadExact(fd, dirPos, dir, sizeof dir)) {
      const uint64_t offset = ReadLe32(dir), length = ReadLe32(dir + 4);
      if (length > 0 && offset + length <= fileSize) {
        bytes.resize(length);
        ok = ReadExact(fd, offset, bytes.data(), bytes.size());
      }
    }
  }
  close(fd);
  return ok;
}

}  // namespace

bool ExtractTemplate(const std::string& templatePath, const std::string& destination, int entry) {
  std::string bytes;
  return ReadTemplateEntry(templatePath, entry, bytes) && WriteFileReplacing(destination, bytes, true);
}

bool SpreadsheetExport(const CDataSet& set, int category, const std::string& path, CExchangeMessages& messages) {
  const int columns = ColumnsOf(category);
  if (columns == 0) return false;
  const std::string runtime = PrivateRuntimeFolder();
  std::string text;
  if (!MakeTextScratch(runtime, text)) return false;
  CTempFileGuard textGuard(text);
  if (WriteTextFile(set, category, text, true, messages, false) < 0) return false;

  // The blank workbook and the conversion go into a scratch file (in the
  // private runtime folder, else beside the target); the user's file is
  // replaced only when the workbook is complete.
  const std::string tail = UpperLastFour(path);
  const bool xls = tail == ".XLS", xlsx = tail == "XLSX";
  if (!xls && !xlsx) return false;
  std::string staged =
      CreateSiblingTemp(runtime.empty() ? path : runtime + "/" + FileNameOf(path), ExtensionOf(path));
  if (staged.empty()) return false;
  CTempFileGuard stagedGuard(staged);
  const std::string folder = GetProgramFolder() + "/";
  std::string blank;
  const bool haveBlank = xls ? ReadTemplateEntry(folder + kXlsTemplateFile, columns, blank)
                             : ReadSmallFile(folder + kXlsxTemplateFile, blank) && !blank.empty();
  if (!haveBlank || !WriteScratchFile(staged, blank)) return false;
  // A missing converter leaves a blank workbook: that is no export. The
  // converter does not flush the staged workbook; the copy into the user's
  // file is flushed before it replaces the old one.
  if (ConvertToWorkbook(text, staged, columns, messages) == kConvertFailed) return false;
  if (!ReplaceWithTemp(staged, path, true)) return false;
  stagedGuard.Release();
  return true;
}

bool SpreadsheetImport(CDataSet& set, int category, const std::string& path, CExchangeMessages& messages,
                       int* stored) {
  if (stored) *stored = 0;
  std::string text;
  if (!MakeTextScratch(PrivateRuntimeFolder(), text)) return false;
  CTempFileGuard textGuard(text);
  const int result = ConvertToText(path, text, messages);
  if (result == kConvertDone) return ReadTextFile(set, category, text, true, stored);
  return result != kConvertFailed;  // any other result: nothing to read
}
