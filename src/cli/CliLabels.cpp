// xamu-cli list and show: a category's slots as a pane lists them, and one
// entry's detail lines as the preview shows them.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/Labels.h"

namespace {

// List lines number slots modulo 100 in two digits, as the panes do: the
// hundredth slot of the file and address categories shows "00".
constexpr int kListNumberModulo = 100;

bool LoadOrReport(CDataSet& set, const std::string& path) {
  const int result = set.LoadDataFile(path);
  if (result == kFileOk) return true;
  PrintError(FileResultMessage(result, false, path));
  return false;
}

// "%s%02d %s": the mark ("*" for an occupied slot, else a space), the slot
// number and the slot's list text (CP932).
std::string ListLine(const CDataSet& set, int category, int slot) {
  char head[8];
  std::snprintf(head, sizeof head, "%s%02d ", set.IsUsed(SectionOfCategory(category), slot) ? "*" : " ",
                (slot + 1) % kListNumberModulo);
  return head + GetListText(set, category, slot);
}

int RunList(const CLIARGS& args) {
  if (args.positional.size() != 1) return UsageError("list needs exactly one FILE");
  const int category = ParseCategory(args);
  if (category < 0) return kExitUsage;
  CDataSet set;
  if (!LoadOrReport(set, args.positional[0])) return kExitFailed;
  for (int slot = 0; slot < CategorySlotCount(category); ++slot) PrintCp932Line(ListLine(set, category, slot));
  return kExitOk;
}

std::string PatternText(const char* which, bool present, const GLYPHITEMREF& ref) {
  std::string text = std::string(which) + " pattern: ";
  if (!present) return text + "none";
  return text + std::to_string(ref.width) + "x" + std::to_string(ref.height) + " (" + std::to_string(ref.length) +
         " bytes)";
}

int RunShow(const CLIARGS& args) {
  if (args.positional.size() != 1) return UsageError("show needs exactly one FILE");
  const int category = ParseCategory(args);
  if (category < 0) return kExitUsage;
  if (!args.Has("-s")) return UsageError("missing -s SLOT");
  std::vector<int> slots;
  std::string error;
  if (!ParseSlotList(args.Get("-s"), CategorySlotCount(category), slots, error)) return UsageError(error);
  if (slots.size() != 1) return UsageError("show takes one slot");
  const int slot = slots[0];

  CDataSet set;
  if (!LoadOrReport(set, args.positional[0])) return kExitFailed;
  const DETAILLINES detail = GetDetailLines(set, category, slot);
  if (detail.lines.empty()) {
    // The preview of an empty slot is empty; say so where a person reads it.
    PrintError("xamu-cli: slot " + std::to_string(slot + 1) + " of " + std::string(CategoryKeyword(category)) +
               " is empty");
    return kExitOk;
  }
  for (const std::string& line : detail.lines) PrintCp932Line(line);
  if (category == kCatGlyph) {
    // The preview draws the smallest pattern small and the largest big.
    PrintUtf8Line(PatternText("small", detail.hasSmallest, detail.smallest));
    PrintUtf8Line(PatternText("large", detail.hasLargest, detail.largest));
  }
  return kExitOk;
}

const bool g_registered = [] {
  RegisterCommand({"list", "list FILE -c CAT",
                   "Lists every slot of a category as a pane does: \"*\" for an occupied slot (else a\n"
                   "space), the slot number in two digits (slot 100 shows 00) and the entry's list text.",
                   {"-c"}, RunList});
  RegisterCommand({"show", "show FILE -c CAT -s N",
                   "Shows the detail lines of one entry as the preview does. For glyph data it also\n"
                   "names the two patterns the preview draws: the smallest below 288 bytes and the\n"
                   "largest.",
                   {"-c", "-s"}, RunShow});
  return true;
}();

}  // namespace
