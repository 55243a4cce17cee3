// The spreadsheet converter on a 100 x 7 address sheet with its header row:
// text to .xls and .xlsx and back, one call into the loaded library as the
// program makes it (time only: there is no cheaper way to the same bytes).
//
// `bench_tblx2 --convert export|import FROM TO` is one whole conversion in a
// process of its own; bench/tblx2-vs-ssconvert times it against gnumeric's
// ssconvert doing the same conversion.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <string>

namespace {

using Xls2CsvFn = int (*)(const char*, const char*);
using Csv2XlsFn = int (*)(const char*, const char*, const char*, int);

constexpr int kRecords = 100;
constexpr int kColumns = 7;

std::string g_self;
std::string g_dir;
std::string g_plugin;

std::string Sjis(const std::string& utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    iconv(cd, &in, &inLeft, &dst, &dstLeft);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

// Address records as an export writes them: header row, seven fields.
std::string AddressText()
{
    std::string utf8 = "〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード\r\n";
    for (int r = 0; r < kRecords; ++r) {
        const std::string n = std::to_string(r);
        utf8 += "１２３－" + std::string(4 - std::min<size_t>(4, n.size()), '0') + n + ",東京都港区芝公園" + n +
                "丁目,ＡＢＣビル" + n + "階,株式会社見本" + n + ",営業部,山田　太郎" + n + ",１２３４５６７－" + n +
                "\r\n";
    }
    return Sjis(utf8);
}

struct CPLUGIN {
    void* lib = dlopen(g_plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    Xls2CsvFn toText = lib ? reinterpret_cast<Xls2CsvFn>(dlsym(lib, "ConvertXls2Csv")) : nullptr;
    Csv2XlsFn toWorkbook = lib ? reinterpret_cast<Csv2XlsFn>(dlsym(lib, "ConvertCsv2Xls")) : nullptr;
    ~CPLUGIN()
    {
        if (lib)
            dlclose(lib);
    }
};

std::string In(const char* name) { return g_dir + "/" + name; }

void InProcessToWorkbook(benchmark::State& state, const char* ext)
{
    CPLUGIN p;
    if (!p.toWorkbook)
        return state.SkipWithError("converter not built");
    const std::string text = In("in.txt");
    const std::string book = In((std::string("out") + ext).c_str());
    for (auto _ : state)
        if (p.toWorkbook(text.c_str(), book.c_str(), "Sheet1$", kColumns) != 1)
            return state.SkipWithError("conversion failed");
}

void InProcessToText(benchmark::State& state, const char* ext)
{
    CPLUGIN p;
    if (!p.toText)
        return state.SkipWithError("converter not built");
    const std::string book = In((std::string("book") + ext).c_str());
    const std::string text = In("back.txt");
    for (auto _ : state)
        if (p.toText(book.c_str(), text.c_str()) != 1)
            return state.SkipWithError("conversion failed");
}

int ConvertMode(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    CPLUGIN p;
    if (!p.toText)
        return 1;
    if (std::strcmp(argv[2], "export") == 0)
        return p.toWorkbook(argv[3], argv[4], "Sheet1$", kColumns) == 1 ? 0 : 1;
    return p.toText(argv[3], argv[4]) == 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    g_self = std::filesystem::canonical("/proc/self/exe").string();
    g_plugin = (std::filesystem::path(g_self).parent_path().parent_path() / "share/xamu/libtblx2.so").string();
    if (argc > 1 && std::strcmp(argv[1], "--convert") == 0)
        return ConvertMode(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--write-sample") == 0)
        return argc == 3 && (std::ofstream(argv[2], std::ios::binary) << AddressText()) ? 0 : 1;

    char tmpl[] = "/tmp/xamu-bench-tblx2-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    g_dir = tmpl;
    const std::string text = AddressText();
    std::ofstream(In("in.txt"), std::ios::binary) << text;
    {
        CPLUGIN p;
        if (p.toWorkbook) {
            p.toWorkbook(In("in.txt").c_str(), In("book.xls").c_str(), "Sheet1$", kColumns);
            p.toWorkbook(In("in.txt").c_str(), In("book.xlsx").c_str(), "Sheet1$", kColumns);
        }
    }

    for (const char* ext : {".xls", ".xlsx"}) {
        const std::string e = ext + 1;
        benchmark::RegisterBenchmark(("InProcess/export/" + e).c_str(), InProcessToWorkbook, ext)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("InProcess/import/" + e).c_str(), InProcessToText, ext)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
