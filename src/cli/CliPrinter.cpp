// xamu-cli commands on the printer: status, read, write, delete. They run the
// same device flows as the desktop program, with its questions answered by
// --overwrite and --yes (or on a terminal).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "device/AppConfig.h"
#include "device/CupsSpooler.h"
#include "device/DeviceLink.h"
#include "device/DeviceResult.h"
#include "device/SimSpooler.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/Labels.h"
#include "model/Paths.h"

namespace {

// Shown when a transfer has nothing to send.
constexpr char kMsgCannotTransfer[] = "転送できません。\n転送元と転送先の指定を確認してください。";

// Answers the device questions from the command line; a question without an
// answer is asked on a terminal and answered no (cancel) otherwise, so a
// script never overwrites by accident.
class CCliPrompt : public CDevicePrompt {
 public:
  explicit CCliPrompt(const CLIARGS& args) : m_args(args), m_overwrite(args.Get("--overwrite")) {}

  void Notice(const std::string& utf8) override {
    PrintError(utf8);
    if (utf8 != kMsgNoDeviceData) m_failed = true;
  }

  bool YesNo(const std::string& utf8) override {
    if (utf8 == kMsgGlyphSizesLacking) {
      if (m_args.Has("--yes")) return true;
      return Ask(utf8, "[y]es / [n]o: ", "yn") == 'y';
    }
    // The single-slot overwrite question: yes overwrites, no cancels.
    if (!m_overwrite.empty()) return m_overwrite == "all";
    return Ask(utf8, "[y]es / [n]o: ", "yn") == 'y';
  }

  bool OverwriteNotice(const std::string& utf8) override {
    // Name data is never overwritten: OK skips the slot, cancel stops.
    if (!m_overwrite.empty()) return m_overwrite != "cancel";
    return Ask(utf8, "[o]k (skip) / [c]ancel: ", "oc") == 'o';
  }

  int OverwriteChoice(const std::string& utf8) override {
    if (m_overwrite == "all") return kOverwriteAll;
    if (m_overwrite == "skip") return kOverwriteSkip;
    if (m_overwrite == "cancel") return kOverwriteCancel;
    switch (Ask(utf8, "[y]es / [a]ll / [n]o / [c]ancel: ", "yanc")) {
      case 'y': return kOverwriteOne;
      case 'a': return kOverwriteAll;
      case 'n': return kOverwriteSkip;
      default: return kOverwriteCancel;
    }
  }

  // True when a failure message was shown.
  bool Failed() const { return m_failed; }

 private:
  // The first letter of the answer among `letters`, or 0 without a terminal.
  char Ask(const std::string& question, const char* choices, const std::string& letters) {
    if (!::isatty(STDIN_FILENO)) {
      PrintError(question);
      PrintError("xamu-cli: no answer given (see --overwrite and --yes); answered no");
      return 0;
    }
    for (;;) {
      std::fprintf(stderr, "%s\n%s", question.c_str(), choices);
      std::fflush(stderr);
      std::string line;
      if (!std::getline(std::cin, line)) return 0;
      char c = line.empty() ? '\0' : static_cast<char>(line[0] | 0x20);
      if (c && letters.find(c) != std::string::npos) return c;
    }
  }

  const CLIARGS& m_args;
  std::string m_overwrite;
  bool m_failed = false;
};

bool OverwriteOptionValid(const CLIARGS& args) {
  if (!args.Has("--overwrite")) return true;
  std::string v = args.Get("--overwrite");
  return v == "all" || v == "skip" || v == "cancel";
}

// The configuration with the library loaded; a missing library is reported
// and tolerated, as the desktop program does. A spooler name that names no
// spooler is a usage error: nothing is listed with another one instead.
void InitConfig(CAppConfig& config) {
  bool loaded = config.Init();
  if (!config.SpoolerError().empty()) {
    const char* value = std::getenv("XAMU_SPOOLER");
    std::exit(UsageError(std::string("XAMU_SPOOLER must be cups or sim, not \"") + (value ? value : "") + "\""));
  }
  if (!loaded) PrintError(kMsgNoBridge);
}

// Every slot of the category, as the right-hand pane lists it.
void PrintSlots(const CDataSet& set, int category) {
  int section = SectionOfCategory(category);
  for (int i = 0; i < SectionSlotCount(section); ++i) {
    char head[8];
    std::snprintf(head, sizeof head, "%s%02d ", set.IsUsed(section, i) == 1 ? "*" : " ", (i + 1) % 100);
    PrintCp932Line(head + GetListText(set, category, i));
  }
}

std::string SlotNumbers(const std::vector<int>& slots) {
  std::string text;
  for (int s : slots) text += (text.empty() ? "" : ",") + std::to_string(s + 1);
  return text.empty() ? "none" : text;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// One line per listed printer: what the scan made of it.
std::string ScanLine(const SCANNEDPRINTER& p) {
  std::string line = "  " + Quoted(p.name) + "  driver " + Quoted(p.driver);
  line += "  model " + (p.model.empty() ? std::string("none") : p.model);
  line += p.accepted ? std::string("  accepted") : "  refused (" + p.refusal + ")";
  if (p.jobs == kJobsNotAsked)
    line += "  jobs -";
  else if (p.jobs < 0)
    line += "  jobs unknown";
  else
    line += "  jobs " + std::to_string(p.jobs);
  line += p.connected ? "  connected" : "  not connected";
  return line;
}

// What a user reads when no printer is found: the spooler, the library and
// its functions, the model table, then every printer with the scan's verdict,
// and the printer selected (or the scan's message).
int RunStatus(const CLIARGS& args) {
  if (!args.positional.empty()) return UsageError("status takes no arguments");
  CAppConfig config;
  InitConfig(config);
  int scan = config.CheckPrinters();
  if (config.SpoolerName() == kSpoolerCups)
    PrintUtf8Line("spooler: cups (server " + CCupsSpooler::ServerName() + ")");
  else
    PrintUtf8Line("spooler: sim (" + GetSimFolder(config.UserDataFolder()) + "/spooler.ini)");
  CPrBridge& bridge = config.Bridge();
  PrintUtf8Line("library: " + config.BridgePath() +
                (bridge.IsLoaded() ? std::string(" (loaded)") : " (not loaded: " + config.BridgeError() + ")"));
  for (const char* fn : {"CheckConnectA", "SoftStartA", "SoftEndA", "SoftSetDataA"})
    PrintUtf8Line(std::string("  ") + fn + (bridge.HasFunction(fn) ? ": found" : ": missing"));
  PrintUtf8Line("models:");
  for (const QUILPMODELINFO& m : config.Models())
    PrintUtf8Line("  " + m.name + "  driver " + Quoted(m.driver) + "  glyph " + std::to_string(m.glyph));
  PrintUtf8Line("printers:");
  if (!config.LastScanListed())
    PrintUtf8Line("  cannot enumerate: " + config.LastScanProblem());
  else if (config.LastScan().empty())
    PrintUtf8Line("  none");
  for (const SCANNEDPRINTER& p : config.LastScan()) PrintUtf8Line(ScanLine(p));
  if (scan != kScanOk) {
    PrintError(DeviceResultMessage(scan));
    return kExitFailed;
  }
  PrintUtf8Line("selected: " + (config.PrinterName().empty() ? std::string("none") : config.PrinterName()));
  return kExitOk;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;  // a dangling link is a name in use too
}

// Replaces the category's slots of the data file `out` by those read from
// the printer and keeps its other categories, as a pane would. A file that
// does not load is not replaced.
bool SaveIntoExisting(const CDataSet& device, int category, const std::string& out) {
  CDataSet file;
  if (int loaded = file.LoadDataFile(out); loaded != kFileOk) {
    PrintError(FileResultMessage(loaded, false, FileNameOf(out)));
    return false;
  }
  const int section = SectionOfCategory(category);
  file.ClearSection(section);
  for (int i = 0; i < SectionSlotCount(section); ++i) {
    if (device.IsUsed(section, i) == 1 && !device.CopySlotTo(file, section, i)) {
      PrintError(FileResultMessage(kFileNoMemory, true, FileNameOf(out)));
      return false;
    }
  }
  if (int saved = file.SaveDataFile(out); saved != kFileOk) {
    PrintError(FileResultMessage(saved, true, FileNameOf(out)));
    return false;
  }
  return true;
}

int RunRead(const CLIARGS& args) {
  int category = ParseCategory(args);
  if (category < 0) return kExitUsage;
  if (args.positional.size() > 1) return UsageError("read takes at most one OUT file");
  if (!OverwriteOptionValid(args)) return UsageError("--overwrite takes all, skip or cancel");
  const std::string out = args.positional.empty() ? std::string() : MakeAbsolute(args.positional[0]);
  // Asked before the printer is read: a file the user has is never replaced
  // without being told to.
  const bool existing = !out.empty() && Exists(out);
  if (existing && args.Get("--overwrite") != "all") {
    PrintError("xamu-cli: " + out + " exists; give --overwrite all to replace its " +
               std::string(CategoryKeyword(category)) + " entries (its other entries are kept)");
    return kExitFailed;
  }
  CAppConfig config;
  InitConfig(config);
  config.SetCategory(category);
  CDeviceLink link(config);
  CCliPrompt prompt(args);
  CCountingProgress progress;
  CDataSet device;
  if (link.ShowPrinterData(device, false, prompt, progress) != kDevOk) return kExitFailed;
  PrintSlots(device, category);
  if (existing) return SaveIntoExisting(device, category, out) ? kExitOk : kExitFailed;
  if (!out.empty()) {
    int saved = device.SaveDataFile(out);
    if (saved != kFileOk) {
      PrintError(FileResultMessage(saved, true, FileNameOf(out)));
      return kExitFailed;
    }
  }
  return kExitOk;
}

int RunWrite(const CLIARGS& args) {
  int category = ParseCategory(args);
  if (category < 0) return kExitUsage;
  if (args.positional.size() != 1) return UsageError("write needs exactly one FILE");
  if (!OverwriteOptionValid(args)) return UsageError("--overwrite takes all, skip or cancel");
  int section = SectionOfCategory(category);
  std::vector<int> selection;
  if (args.Has("-s")) {
    std::string error;
    if (!ParseSlotList(args.Get("-s"), SectionSlotCount(section), selection, error)) return UsageError(error);
  }
  const std::string& path = args.positional[0];
  CDataSet source;
  if (int loaded = source.LoadDataFile(path); loaded != kFileOk) {
    PrintError(FileResultMessage(loaded, false, path));
    return kExitFailed;
  }
  if (!args.Has("-s"))
    for (int i = 0; i < SectionSlotCount(section); ++i)
      if (source.IsUsed(section, i) == 1) selection.push_back(i);
  if (selection.empty() || source.IsUsed(section, -2) != 1) {
    PrintError(kMsgCannotTransfer);
    return kExitFailed;
  }
  CAppConfig config;
  InitConfig(config);
  config.SetCategory(category);
  CDeviceLink link(config);
  CCliPrompt prompt(args);
  if (category == kCatGlyph) {
    std::vector<const DATAENTRY*> entries;
    for (int i : selection) entries.push_back(source.Entry(section, i));
    if (!link.ConfirmGlyphSizes(entries, prompt)) {
      PrintError("xamu-cli: nothing was sent");
      return kExitFailed;
    }
  }
  CCountingProgress progress;
  CDataSet device;
  link.ResetLastResult();
  int result = link.TransferFlow(selection, source, device, false, prompt, progress);
  if (result != kDevOk) ReportDeviceResult(prompt, result);
  PrintUtf8Line("written: " + SlotNumbers(selection));
  return prompt.Failed() ? kExitFailed : kExitOk;
}

int RunDelete(const CLIARGS& args) {
  int category = ParseCategory(args);
  if (category < 0) return kExitUsage;
  if (!args.positional.empty()) return UsageError("delete takes no FILE");
  if (!args.Has("-s")) return UsageError("delete needs -s SLOTS");
  std::vector<int> selection;
  std::string error;
  if (!ParseSlotList(args.Get("-s"), CategorySlotCount(category), selection, error)) return UsageError(error);
  CAppConfig config;
  InitConfig(config);
  config.SetCategory(category);
  CDeviceLink link(config);
  CCliPrompt prompt(args);
  CCountingProgress progress;
  CDataSet device;
  int result = link.DeleteSlots(selection, device, prompt, progress);
  if (result != kDevOk) ReportDeviceResult(prompt, result);
  return prompt.Failed() ? kExitFailed : kExitOk;
}

const bool g_registered = [] {
  RegisterCommand({"printer status", "printer status",
                   "Tells why a printer is found or not: the spooler used (XAMU_SPOOLER, cups or sim),\n"
                   "the printer utility library and its four functions, the model table, then one\n"
                   "line per listed printer (queue, driver, model matched, accepted or why not,\n"
                   "queued jobs, connected) and the printer selected.",
                   {}, RunStatus});
  RegisterCommand({"printer read", "printer read -c CAT [OUT] [--overwrite all]",
                   "Reads the printer's entries of a category, lists every slot as the right-hand pane\n"
                   "does, and saves them to the data file OUT when given. An existing OUT is refused\n"
                   "unless --overwrite all is given; then only the category's slots of OUT are\n"
                   "replaced and its other entries are kept.",
                   {"-c", "--overwrite"}, RunRead});
  RegisterCommand({"printer write", "printer write FILE -c CAT [-s SLOTS] [--overwrite all|skip|cancel] [--yes]",
                   "Transfers entries of a data file (every occupied slot, or SLOTS) into the same\n"
                   "slots of the printer. --overwrite answers the overwrite question; --yes answers\n"
                   "the glyph pattern question. Without them the question is asked on a terminal\n"
                   "and answered no otherwise.",
                   {"-c", "-s", "--overwrite"}, RunWrite});
  RegisterCommand({"printer delete", "printer delete -c CAT -s SLOTS",
                   "Deletes the given slots of a category from the printer.", {"-c", "-s"}, RunDelete});
  return true;
}();

}  // namespace
