#include "device/CommandPlan.h"

#include <algorithm>

#include "device/DeviceLink.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/EntryClipboard.h"

namespace {

constexpr char kMsgToRight[] = "【→ → →】\n右側表示エリアにデータを転送します。";
constexpr char kMsgToLeft[] = "【← ← ←】\n左側表示エリアにデータを転送します。";
// %1 names the pane (同じ, 左側 or 右側), %2 the first slot counted from 1.
constexpr char kMsgPasteOne[] = "%1表示エリアの%2番にデータを貼り付けます。";
constexpr char kMsgPasteMany[] = "%1表示エリアの%2番を先頭にデータを貼り付けます。";
constexpr char kMsgMoveOne[] = "%1表示エリアの%2番にデータを移動します。";
constexpr char kMsgMoveMany[] = "%1表示エリアの%2番を先頭にデータを移動します。";
constexpr char kMsgDeletePc[] = "選択中のＰＣデータを削除します。\nよろしいですか？";
constexpr char kMsgDeleteDevice[] = "選択中のクイルプデータを削除します。\nよろしいですか？";

std::string Fill(const char* format, const std::string& where, int slot) {
  std::string text = format;
  text.replace(text.find("%1"), 2, where);
  text.replace(text.find("%2"), 2, std::to_string(slot));
  return text;
}

// Whether a loop that may ask goes on with `slot` (0-based): an occupied
// slot is asked about until the answer is すべて上書き. `stop` is set on a
// cancel.
bool MayWrite(bool occupied, bool& ask, bool& stop, int slot, bool single, const OverwriteQuestion& question) {
  if (!occupied || !ask) return true;
  switch (question(slot + 1, single)) {
    case kOverwriteCancel: stop = true; return false;
    case kOverwriteSkip: return false;
    case kOverwriteAll: ask = false; return true;
    default: return true;
  }
}

}  // namespace

std::vector<int> PASTEPLAN::Slots() const {
  std::vector<int> slots;
  for (int k = 0; k < Count(); ++k) slots.push_back(first + k);
  return slots;
}

std::vector<const DATAENTRY*> PASTEPLAN::Entries() const {
  std::vector<const DATAENTRY*> entries;
  for (const DATAENTRY& record : records) entries.push_back(&record);
  return entries;
}

PASTEPLAN PlanPaste(std::span<const uint8_t> block, int caret, int lines, bool cut, const PASTETARGET& target) {
  PASTEPLAN plan;
  if (DecodeEntries(block, plan.records) != kClipOk) return plan;
  plan.first = std::max(0, caret);
  const int count = std::min(plan.Count(), lines - plan.first);
  if (count <= 0) {
    plan.records.clear();
    return plan;
  }
  plan.records.resize(static_cast<size_t>(count));
  plan.paste = true;
  plan.move = cut;
  plan.askGlyphSizes = target.device && target.category == kCatGlyph;
  const std::string where = target.pane == target.sourcePane ? "同じ" : target.pane == kPlanLeft ? "左側" : "右側";
  const char* format = cut ? (count == 1 ? kMsgMoveOne : kMsgMoveMany) : (count == 1 ? kMsgPasteOne : kMsgPasteMany);
  plan.question = Fill(format, where, plan.first + 1);
  return plan;
}

std::vector<int> PlanMoveSources(const std::vector<int>& written, int first, const std::vector<int>& sources,
                                 const std::vector<int>& cut, bool samePane) {
  std::vector<int> empty;
  for (int slot : written) {
    if (slot < first) continue;
    const size_t k = static_cast<size_t>(slot - first);
    if (k >= sources.size()) continue;
    const int source = sources[k];
    if (std::find(cut.begin(), cut.end(), source) == cut.end()) continue;
    // A slot that was just pasted onto in the same pane keeps its new entry.
    if (samePane && std::find(written.begin(), written.end(), source) != written.end()) continue;
    empty.push_back(source);
  }
  std::sort(empty.begin(), empty.end());
  return empty;
}

TRANSFERPLAN PlanTransfer(const CDataSet& source, int category, int activePane, int lines,
                          const std::vector<int>& selected, bool all, bool device) {
  TRANSFERPLAN plan;
  plan.from = activePane == kPlanRight ? kPlanRight : kPlanLeft;
  plan.to = kPlanRight - plan.from;
  const int section = SectionOfCategory(category);
  for (int i = 0; i < lines; ++i)
    if (source.IsUsed(section, i) &&
        (all || std::find(selected.begin(), selected.end(), i) != selected.end()))
      plan.picked.push_back(i);
  if (plan.from == kPlanRight) {
    // The right data set already holds what was read from the printer; a
    // whole transfer asks even with nothing to copy.
    plan.transfer = all || !plan.picked.empty();
    plan.question = kMsgToLeft;
    return plan;
  }
  plan.transfer = !plan.picked.empty();
  plan.askGlyphSizes = device && category == kCatGlyph;
  plan.question = kMsgToRight;
  return plan;
}

int PlanDeviceLimit(const std::vector<int>& tried, bool all, bool memoryFull) {
  if (!all || !memoryFull || tried.empty()) return 0;
  return tried.back() + 1;
}

DELETEPLAN PlanDelete(const CDataSet& set, int category, const std::vector<int>& selected, bool device) {
  DELETEPLAN plan;
  plan.question = device ? kMsgDeleteDevice : kMsgDeletePc;
  const int section = SectionOfCategory(category);
  std::vector<int> rows = selected;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows)
    if (set.IsUsed(section, row)) plan.picked.push_back(row);
  return plan;
}

std::vector<int> CopySlotsAsking(const CDataSet& source, CDataSet& target, int section, const std::vector<int>& slots,
                                 const OverwriteQuestion& ask) {
  std::vector<int> copied;
  bool asking = true, stop = false;
  for (int slot : slots) {
    if (!MayWrite(target.IsUsed(section, slot) != 0, asking, stop, slot, slots.size() == 1, ask)) {
      if (stop) break;
      continue;
    }
    if (source.CopySlotTo(target, section, slot)) copied.push_back(slot);
  }
  return copied;
}

std::vector<int> StoreRecordsAsking(CDataSet& target, int section, int first, std::span<const DATAENTRY> records,
                                    const OverwriteQuestion& ask) {
  std::vector<int> written;
  bool asking = true, stop = false;
  for (size_t k = 0; k < records.size(); ++k) {
    const int slot = first + static_cast<int>(k);
    if (!MayWrite(target.IsUsed(section, slot) != 0, asking, stop, slot, records.size() == 1, ask)) {
      if (stop) break;
      continue;
    }
    const DATAENTRY& record = records[k];
    if (record.size == 0) target.ClearSlot(section, slot);
    else if (!target.SetEntry(section, slot, record.group, record.Bytes())) continue;
    written.push_back(slot);
  }
  return written;
}
