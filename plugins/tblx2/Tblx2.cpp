#include "Tblx2.h"

#include "Modules.h"
#include "WorkbookReader.h"

#include <cctype>
#include <dlfcn.h>
#include <iterator>
#include <mutex>
#include <string>

using namespace tblx2;

namespace {

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    const std::string tail(suffix);
    if (s.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i])
            return false;
    return true;
}

EWorkbookKind TargetKind(const char* workbook)
{
    const std::string path(workbook);
    if (EndsWithNoCase(path, ".xlsx"))
        return EWorkbookKind::Xlsx;
    if (EndsWithNoCase(path, ".xls"))
        return EWorkbookKind::Xls;
    return SniffWorkbook(workbook);
}

// The modules, each loaded from the folder this library was loaded from on
// its first use, held while this library is loaded and released with it: a
// caller that keeps the converter loaded (a benchmark, a batch) pays for
// loading a module once. The .xls module stays mapped whatever happens (the
// OLE2 library it links cannot be unloaded).
class CModules {
public:
    CModules() = default;
    ~CModules()
    {
        for (void* handle : m_handles)
            if (handle)
                dlclose(handle);
    }
    CModules(const CModules&) = delete;
    CModules& operator=(const CModules&) = delete;

    // The function `symbol` of module `index` (one of kModuleNames), null
    // when the module is missing or damaged; a later call tries again.
    void* Function(size_t index, const char* symbol)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_handles[index])
            m_handles[index] = Open(kModuleNames[index]);
        return m_handles[index] ? dlsym(m_handles[index], symbol) : nullptr;
    }

    static constexpr const char* kModuleNames[] = {TBLX2_XLSX_READ_MODULE, TBLX2_XLSX_WRITE_MODULE, TBLX2_XLS_MODULE};

private:
    static void* Open(const char* name)
    {
        Dl_info self{};
        if (dladdr(reinterpret_cast<void*>(&ConvertXls2Csv), &self) == 0 || !self.dli_fname)
            return nullptr;
        std::string path(self.dli_fname);
        const size_t slash = path.rfind('/');
        path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
        // Lazily bound, as the program binds this library.
        return dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    }

    std::mutex m_mutex;
    void* m_handles[std::size(kModuleNames)] = {};
};

CModules g_modules;
constexpr size_t kXlsxRead = 0;
constexpr size_t kXlsxWrite = 1;
constexpr size_t kXls = 2;

template <typename FN>
FN ModuleFunction(size_t index, const char* symbol)
{
    return reinterpret_cast<FN>(g_modules.Function(index, symbol));
}

// A missing or damaged module is the conversion's failure, like any other.
int ToText(const char* workbook, const char* textPath)
{
    const EWorkbookKind kind = SniffWorkbook(workbook);
    if (kind == EWorkbookKind::Unknown)
        return TBLX2_FAILED;
    const bool xls = kind == EWorkbookKind::Xls;
    const auto toText = ModuleFunction<decltype(&Tblx2XlsToText)>(xls ? kXls : kXlsxRead,
                                                                   xls ? "Tblx2XlsToText" : "Tblx2XlsxToText");
    return toText ? toText(workbook, textPath) : TBLX2_FAILED;
}

int ToWorkbook(const char* textPath, const char* workbook, const char* sheet, int columns)
{
    const EWorkbookKind kind = TargetKind(workbook);
    if (kind == EWorkbookKind::Unknown)
        return 0;
    const bool xls = kind == EWorkbookKind::Xls;
    const auto toWorkbook = ModuleFunction<decltype(&Tblx2TextToXls)>(xls ? kXls : kXlsxWrite,
                                                                      xls ? "Tblx2TextToXls" : "Tblx2TextToXlsx");
    return toWorkbook ? toWorkbook(textPath, workbook, sheet, columns) : 0;
}

}  // namespace

extern "C" int ConvertXls2Csv(const char* workbook, const char* text_path)
{
    if (!workbook || !text_path)
        return TBLX2_FAILED;
    try {
        return ToText(workbook, text_path);
    } catch (...) {  // nothing may unwind into the C caller
        return TBLX2_FAILED;
    }
}

extern "C" int ConvertCsv2Xls(const char* text_path, const char* workbook, const char* sheet, int columns)
{
    if (!text_path || !workbook)
        return 0;
    try {
        return ToWorkbook(text_path, workbook, sheet, columns);
    } catch (...) {  // nothing may unwind into the C caller
        return 0;
    }
}
