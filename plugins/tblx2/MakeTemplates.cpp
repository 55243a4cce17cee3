// Build tool: writes the blank workbooks the program copies before an
// export into the program folder given as the only argument:
//   Template.dat      entries 1..7, entry n a blank .xls whose first n
//                     columns are formatted as text (address export takes 7,
//                     name export 4)
//   TemplateXLSX.dat  a blank .xlsx whose first sheet is Sheet1
#include "FileUtil.h"
#include "XlsWriter.h"
#include "XlsxWriter.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace tblx2;

namespace {

constexpr int kTemplateEntries = 7;
constexpr const char* kSheet = "Sheet1";
// A fixed creation date keeps the build reproducible.
constexpr std::time_t kCreated = 1704067200;  // 2024-01-01 00:00 UTC

void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Container layout, all numbers 32-bit little-endian: entry count, then per
// entry {offset, length}, then the workbook bytes.
std::string BuildContainer(const std::vector<std::string>& workbooks)
{
    std::string out;
    PutU32(out, static_cast<uint32_t>(workbooks.size()));
    uint32_t offset = static_cast<uint32_t>(4 + 8 * workbooks.size());
    for (const std::string& w : workbooks) {
        PutU32(out, offset);
        PutU32(out, static_cast<uint32_t>(w.size()));
        offset += static_cast<uint32_t>(w.size());
    }
    for (const std::string& w : workbooks)
        out += w;
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PROGRAM-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    std::vector<std::string> workbooks;
    for (int n = 1; n <= kTemplateEntries; ++n) {
        std::string file = BuildOle2File(BuildXlsWorkbookStream(kSheet, {}, static_cast<size_t>(n)));
        if (file.empty()) {
            std::fprintf(stderr, "cannot build the .xls template %d\n", n);
            return 1;
        }
        workbooks.push_back(std::move(file));
    }
    const std::string dat = folder + "Template.dat";
    if (ReplaceFile(dat.c_str(), BuildContainer(workbooks), false) != kOk) {
        std::fprintf(stderr, "cannot write %s\n", dat.c_str());
        return 1;
    }
    const std::string xlsx = folder + "TemplateXLSX.dat";
    const std::string temp = MakeSiblingTemp(xlsx.c_str());
    if (temp.empty() || WriteXlsxFile(temp.c_str(), kSheet, {}, 0, kCreated) != kOk ||
        CommitSiblingTemp(temp, xlsx.c_str()) != kOk) {
        if (!temp.empty())
            std::remove(temp.c_str());
        std::fprintf(stderr, "cannot write %s\n", xlsx.c_str());
        return 1;
    }
    return 0;
}
