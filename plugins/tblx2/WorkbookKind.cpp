#include "WorkbookReader.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace tblx2 {
namespace {

// First bytes of every OLE2 compound file, and of every zip local header.
constexpr unsigned char kOle2Magic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr unsigned char kZipMagic[4] = {'P', 'K', 0x03, 0x04};

}  // namespace

EWorkbookKind SniffWorkbook(const char* path)
{
    // Only regular files: a FIFO or device would block or never end.
    struct stat st {};
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return EWorkbookKind::Unknown;
    unsigned char head[8] = {};
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return EWorkbookKind::Unknown;
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (n == sizeof head && std::memcmp(head, kOle2Magic, sizeof kOle2Magic) == 0)
        return EWorkbookKind::Xls;
    if (n >= sizeof kZipMagic && std::memcmp(head, kZipMagic, sizeof kZipMagic) == 0)
        return EWorkbookKind::Xlsx;
    return EWorkbookKind::Unknown;
}

}  // namespace tblx2
