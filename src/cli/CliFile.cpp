// xamu-cli commands on PC data files: info, new, copy, delete.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/Paths.h"

namespace {

// How an occupied target slot is answered (the overwrite dialog's buttons).
enum : int {
  kAnswerYes = 0,     // overwrite this slot
  kAnswerAll = 1,     // overwrite this and every later slot without asking
  kAnswerNo = 2,      // skip this slot
  kAnswerCancel = 3,  // stop the operation
};

// Shown for every occupied target slot but name data's (slot 1-based).
std::string OverwriteQuestion(int slot) {
  return std::to_string(slot + 1) + "番のデータは、すでに登録されています。\n上書きしてよろしいですか？";
}
// Name data is never overwritten: a name entry only goes to an empty slot.
constexpr const char* kNameSlotTaken = "すでにデータが登録されています。\n未登録番号に登録してください。";

int LoadOrReport(CDataSet& set, const std::string& path) {
  const int result = set.LoadDataFile(path);
  if (result != kFileOk) PrintError(FileResultMessage(result, false, path));
  return result;
}

int SaveOrReport(CDataSet& set, const std::string& path) {
  const int result = set.SaveDataFile(path);
  if (result != kFileOk) PrintError(FileResultMessage(result, true, path));
  return result;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The answer to an overwrite question: --overwrite when given, else asked on
// a terminal, else cancel (a script never overwrites by accident). `multi`
// offers the four answers of the dialog; a single slot is yes or no (no stops).
int AskOverwrite(const CLIARGS& args, int slot, bool multi) {
  const std::string given = args.Get("--overwrite");
  if (given == "all") return kAnswerAll;
  if (given == "skip") return kAnswerNo;
  if (given == "cancel") return kAnswerCancel;
  if (!::isatty(STDIN_FILENO)) return kAnswerCancel;
  for (;;) {
    std::fprintf(stderr, "%s\n%s", OverwriteQuestion(slot).c_str(),
                 multi ? "[y]es / [a]ll / [n]o / [c]ancel: " : "[y]es / [n]o: ");
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line)) return kAnswerCancel;
    const char c = line.empty() ? '\0' : line[0];
    if (c == 'y' || c == 'Y') return kAnswerYes;
    if (multi && (c == 'a' || c == 'A')) return kAnswerAll;
    if (c == 'n' || c == 'N') return multi ? kAnswerNo : kAnswerCancel;
    if (multi && (c == 'c' || c == 'C')) return kAnswerCancel;
  }
}

// Name data: the slot is only skipped (OK) or the copy stopped (cancel);
// --overwrite all and skip both mean OK. The message is already shown.
int AskNameSlot(const CLIARGS& args) {
  const std::string given = args.Get("--overwrite");
  if (given == "all" || given == "skip") return kAnswerNo;
  if (given == "cancel" || !::isatty(STDIN_FILENO)) return kAnswerCancel;
  for (;;) {
    std::fprintf(stderr, "[o]k / [c]ancel: ");
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line)) return kAnswerCancel;
    const char ch = line.empty() ? '\0' : line[0];
    if (ch == 'o' || ch == 'O') return kAnswerNo;
    if (ch == 'c' || ch == 'C') return kAnswerCancel;
  }
}

bool CheckOverwriteOption(const CLIARGS& args) {
  if (!args.Has("--overwrite")) return true;
  const std::string v = args.Get("--overwrite");
  return v == "all" || v == "skip" || v == "cancel";
}

// ---- info -------------------------------------------------------------------

int RunInfo(const CLIARGS& args) {
  if (args.positional.size() != 1) return UsageError("info needs exactly one FILE");
  const std::string& path = args.positional[0];
  CDataSet set;
  if (LoadOrReport(set, path) != kFileOk) return kExitFailed;
  PrintUtf8Line("内容: " + DataFileKindsText(path));
  for (int c = 0; c < kCategoryCount; ++c) {
    const int section = SectionOfCategory(c);
    int used = 0;
    for (int i = 0; i < SectionSlotCount(section); ++i) used += set.IsUsed(section, i) ? 1 : 0;
    PrintUtf8Line(std::string(CategoryDisplayName(c)) + " (" + std::string(CategoryKeyword(c)) +
                  "): " + std::to_string(used) + "/" + std::to_string(SectionSlotCount(section)));
  }
  return kExitOk;
}

// ---- new --------------------------------------------------------------------

int RunNew(const CLIARGS& args) {
  if (args.positional.size() != 1) return UsageError("new needs exactly one FILE");
  const std::string& path = args.positional[0];
  if (FileExists(path)) {
    PrintError("xamu-cli: " + path + " already exists; nothing was changed");
    return kExitFailed;
  }
  CDataSet set;
  return SaveOrReport(set, path) == kFileOk ? kExitOk : kExitFailed;
}

// ---- copy -------------------------------------------------------------------

int RunCopy(const CLIARGS& args) {
  if (args.positional.size() != 2) return UsageError("copy needs SRC and DST");
  const int category = ParseCategory(args);
  if (category < 0) return kExitUsage;
  if (!CheckOverwriteOption(args)) return UsageError("--overwrite takes all, skip or cancel");
  const std::string& src = args.positional[0];
  const std::string& dst = args.positional[1];
  if (SamePath(src, dst)) return UsageError("SRC and DST are the same file");
  const int section = SectionOfCategory(category);
  std::vector<int> wanted;
  if (args.Has("-s")) {
    std::string error;
    if (!ParseSlotList(args.Get("-s"), SectionSlotCount(section), wanted, error)) return UsageError(error);
  }

  CDataSet from;
  if (LoadOrReport(from, src) != kFileOk) return kExitFailed;
  CDataSet to;
  if (FileExists(dst) && LoadOrReport(to, dst) != kFileOk) return kExitFailed;

  // The occupied source slots, all of them or those asked for.
  std::vector<int> slots;
  for (int i = 0; i < SectionSlotCount(section); ++i) {
    if (!from.IsUsed(section, i)) continue;
    if (args.Has("-s") && std::find(wanted.begin(), wanted.end(), i) == wanted.end()) continue;
    slots.push_back(i);
  }
  if (slots.empty()) {
    PrintError("xamu-cli: no entries to copy");
    return kExitFailed;
  }

  const bool multi = slots.size() > 1;
  bool all = false, stopped = false;
  int copied = 0, skipped = 0;
  for (int slot : slots) {
    if (to.IsUsed(section, slot)) {
      if (category == kCatName) {
        PrintError(kNameSlotTaken);
        PrintError("xamu-cli: name slot " + std::to_string(slot + 1) + " of " + dst + " is in use");
        if (!multi || AskNameSlot(args) == kAnswerCancel) {
          stopped = true;
          break;
        }
        ++skipped;
        continue;
      }
      if (!all) {
        const int answer = AskOverwrite(args, slot, multi);
        if (answer == kAnswerCancel) {
          stopped = true;
          break;
        }
        if (answer == kAnswerNo) {
          ++skipped;
          continue;
        }
        all = answer == kAnswerAll;
      }
    }
    if (!from.CopySlotTo(to, section, slot)) {
      PrintError(FileResultMessage(kFileNoMemory, false, src));
      stopped = true;
      break;
    }
    ++copied;
  }
  // What was copied before a stop is kept, as it would stay in the pane.
  if (copied && SaveOrReport(to, dst) != kFileOk) return kExitFailed;
  PrintUtf8Line("copied " + std::to_string(copied) + ", skipped " + std::to_string(skipped) +
                (stopped ? ", stopped" : ""));
  return stopped ? kExitFailed : kExitOk;
}

// ---- delete -----------------------------------------------------------------

int RunDelete(const CLIARGS& args) {
  if (args.positional.size() != 1) return UsageError("delete needs exactly one FILE");
  const int category = ParseCategory(args);
  if (category < 0) return kExitUsage;
  if (!args.Has("-s")) return UsageError("missing -s SLOTS");
  const int section = SectionOfCategory(category);
  std::vector<int> slots;
  std::string error;
  if (!ParseSlotList(args.Get("-s"), SectionSlotCount(section), slots, error)) return UsageError(error);
  const std::string& path = args.positional[0];
  CDataSet set;
  if (LoadOrReport(set, path) != kFileOk) return kExitFailed;
  int deleted = 0;
  for (int slot : slots) {
    if (!set.IsUsed(section, slot)) continue;
    set.ClearSlot(section, slot);
    ++deleted;
  }
  if (deleted && SaveOrReport(set, path) != kFileOk) return kExitFailed;
  PrintUtf8Line("deleted " + std::to_string(deleted));
  return kExitOk;
}

const bool g_registered = [] {
  RegisterCommand({"info", "info FILE",
                   "Shows the kinds a data file holds (as the open dialog's 内容 field) and the\n"
                   "used slots of each category.",
                   {}, RunInfo});
  RegisterCommand({"new", "new FILE", "Creates an empty data file. An existing file is never replaced.", {}, RunNew});
  RegisterCommand({"copy", "copy SRC DST -c CAT [-s SLOTS] [--overwrite all|skip|cancel]",
                   "Copies the used slots of a category (all, or those of -s) from SRC into the same\n"
                   "slot numbers of DST, which is created when missing. An occupied target slot is\n"
                   "answered by --overwrite; without it the question is asked on a terminal and\n"
                   "answered \"cancel\" otherwise. Name entries are never overwritten. Slots copied\n"
                   "before a cancel are kept; the exit status is then 1.",
                   {"-c", "-s", "--overwrite"}, RunCopy});
  RegisterCommand({"delete", "delete FILE -c CAT -s SLOTS", "Empties the given slots of a category and saves the file.",
                   {"-c", "-s"}, RunDelete});
  return true;
}();

}  // namespace
