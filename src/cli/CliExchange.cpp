// xamu-cli export / import: address and name entries to and from text files
// and workbooks, through the same steps as the desktop program's commands.
#include <sys/stat.h>

#include <string>

#include "cli/Cli.h"
#include "exchange/Exchange.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/Paths.h"

namespace {

// The flows' messages go to standard error, one per line.
class CCliMessages : public CExchangeMessages {
 public:
  void ShowMessage(const std::string& utf8) override { PrintError(utf8); }
};

// -c address|name; -1 after a usage message for anything else.
int ParseTextCategory(const CLIARGS& args) {
  int category = ParseCategory(args);
  if (category < 0) return -1;
  if (category != kCatAddress && category != kCatName) {
    UsageError("import and export take -c address or -c name");
    return -1;
  }
  return category;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

int RunExport(const CLIARGS& args) {
  if (args.positional.size() != 2) return UsageError("export needs FILE and OUT");
  const int category = ParseTextCategory(args);
  if (category < 0) return kExitUsage;
  const std::string file = MakeAbsolute(args.positional[0]);
  const std::string out = MakeAbsolute(args.positional[1]);
  CDataSet set;
  if (int r = set.LoadDataFile(file); r != kFileOk) {
    PrintError(FileResultMessage(r, false, FileNameOf(file)));
    return kExitFailed;
  }
  CCliMessages messages;
  const ETextEncoding encoding = args.Get("--encoding") == "utf8" ? ETextEncoding::kUtf8Bom : ETextEncoding::kCp932;
  return ExportEntries(set, category, out, messages, encoding) ? kExitOk : kExitFailed;
}

int RunImport(const CLIARGS& args) {
  if (args.positional.size() != 2) return UsageError("import needs FILE and IN");
  const int category = ParseTextCategory(args);
  if (category < 0) return kExitUsage;
  const std::string file = MakeAbsolute(args.positional[0]);
  const std::string in = MakeAbsolute(args.positional[1]);
  CDataSet set;
  const bool existed = Exists(file);
  if (existed) {
    if (int r = set.LoadDataFile(file); r != kFileOk) {
      PrintError(FileResultMessage(r, false, FileNameOf(file)));
      return kExitFailed;
    }
  }
  CCliMessages messages;
  int stored = 0;
  if (!ImportEntries(set, category, in, messages, &stored)) return kExitFailed;
  if (stored > 0 || !existed) {
    if (int r = set.SaveDataFile(file); r != kFileOk) {
      PrintError(FileResultMessage(r, true, FileNameOf(file)));
      return kExitFailed;
    }
  }
  PrintUtf8Line(std::to_string(stored) + " " + std::string(CategoryKeyword(category)) + " entries read into " +
                FileNameOf(file));
  return kExitOk;
}

const bool g_registered =
    RegisterCommand({"export", "export FILE -c address|name OUT [--encoding utf8]",
                     "Writes the address or name entries of the data file FILE to OUT: a workbook when OUT\n"
                     "ends in .xls or .xlsx, otherwise a comma-separated text file (.csv, .txt) in CP932,\n"
                     "or with --encoding utf8 in UTF-8 with a byte-order mark (for programs that read\n"
                     "UTF-8; import reads both).",
                     {"-c"}, RunExport}) &&
    RegisterCommand({"import", "import FILE -c address|name IN",
                     "Reads the records of IN (.csv, .txt, .xls or .xlsx) into the address or name slots of\n"
                     "the data file FILE, record k into slot k, and saves FILE (created when missing).\n"
                     "The first row of a workbook is its header and is skipped.",
                     {"-c"}, RunImport});

}  // namespace
