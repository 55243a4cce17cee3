#include "Tblx2.h"

#include "Convert.h"
#include "FileUtil.h"
#include "Table.h"
#include "WorkbookReader.h"
#include "XlsModule.h"
#include "XlsxWriter.h"

#include <cctype>
#include <dlfcn.h>
#include <new>
#include <string>
#include <unistd.h>

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

// The .xls module from the folder this library was loaded from, held for
// one call. The module stays mapped once loaded (the OLE2 library it links
// cannot be unloaded), so the next call finds it without work.
class CXlsModule {
public:
    CXlsModule()
    {
        Dl_info self{};
        if (dladdr(reinterpret_cast<void*>(&ConvertXls2Csv), &self) == 0 || !self.dli_fname)
            return;
        std::string path(self.dli_fname);
        const size_t slash = path.rfind('/');
        path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + TBLX2_XLS_MODULE;
        // Lazily bound, as the program binds this library.
        m_handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    }
    ~CXlsModule()
    {
        if (m_handle)
            dlclose(m_handle);
    }
    CXlsModule(const CXlsModule&) = delete;
    CXlsModule& operator=(const CXlsModule&) = delete;

    template <typename FN>
    FN Function(const char* name) const
    {
        return m_handle ? reinterpret_cast<FN>(dlsym(m_handle, name)) : nullptr;
    }

private:
    void* m_handle = nullptr;
};

int ToText(const char* workbook, const char* textPath)
{
    switch (SniffWorkbook(workbook)) {
    case EWorkbookKind::Xls: {
        const CXlsModule module;
        const auto toText = module.Function<decltype(&Tblx2XlsToText)>("Tblx2XlsToText");
        return toText ? toText(workbook, textPath) : TBLX2_FAILED;
    }
    case EWorkbookKind::Xlsx: {
        CSheetCells cells;
        const int rc = ReadXlsxCells(workbook, cells);
        return CellsToText(rc, std::move(cells), textPath);
    }
    case EWorkbookKind::Unknown:
        break;
    }
    return TBLX2_FAILED;
}

int ToWorkbook(const char* textPath, const char* workbook, const char* sheet, int columns)
{
    const EWorkbookKind kind = TargetKind(workbook);
    if (kind == EWorkbookKind::Xls) {
        const CXlsModule module;
        const auto toXls = module.Function<decltype(&Tblx2TextToXls)>("Tblx2TextToXls");
        return toXls ? toXls(textPath, workbook, sheet, columns) : 0;
    }
    CTextRows rows;
    std::string name;
    if (!ReadRowsForWorkbook(kind, textPath, sheet, columns, rows, name))
        return 0;
    const std::string temp = MakeSiblingTemp(workbook);
    if (temp.empty())
        return 0;
    if (WriteXlsxFile(temp.c_str(), name, rows, static_cast<size_t>(columns)) != kOk) {
        unlink(temp.c_str());
        return 0;
    }
    // Not flushed: the program hands a scratch copy and flushes its own copy
    // into the user's file; the rename alone keeps the old workbook whole
    // until this one is complete.
    return RenameSiblingTemp(temp, workbook) == kOk ? 1 : 0;
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
