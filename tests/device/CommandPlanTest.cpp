#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/CommandPlan.h"
#include "device/DeviceLink.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/EntryClipboard.h"

namespace {

// A set whose `used` slots of `section` hold one byte naming the slot.
void Fill(CDataSet& set, int section, const std::vector<int>& used) {
  for (int slot : used) {
    const uint8_t byte = static_cast<uint8_t>('A' + slot);
    ASSERT_TRUE(set.SetEntry(section, slot, 0, std::span<const uint8_t>(&byte, 1)));
  }
}

// The payload of `count` records; record k holds 'a' + k, a 0 in `empty`
// marks an empty slot.
std::vector<uint8_t> Payload(int count, const std::vector<int>& empty = {}) {
  CDataSet set;
  std::vector<const DATAENTRY*> entries;
  for (int k = 0; k < count; ++k) {
    const uint8_t byte = static_cast<uint8_t>('a' + k);
    set.SetEntry(kSecFile, k, 0, std::span<const uint8_t>(&byte, 1));
    const bool isEmpty = std::find(empty.begin(), empty.end(), k) != empty.end();
    entries.push_back(isEmpty ? nullptr : set.Entry(kSecFile, k));
  }
  return EncodeEntries(entries);
}

// The first content byte of each used slot, '.' for an empty one.
std::string Slots(const CDataSet& set, int section, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    const DATAENTRY* e = set.Entry(section, i);
    s += e && e->used && e->size > 0 ? static_cast<char>(e->Bytes()[0]) : '.';
  }
  return s;
}

// Overwrite answers given in turn; every question is recorded.
struct ANSWERS {
  std::vector<int> answers;
  std::vector<std::pair<int, bool>> asked;  // 1-based slot, single
  OverwriteQuestion Question() {
    return [this](int slot, bool single) {
      asked.emplace_back(slot, single);
      const size_t k = asked.size() - 1;
      return k < answers.size() ? answers[k] : kOverwriteCancel;
    };
  }
};

}  // namespace

TEST(PastePlan, ClipsToTheCaretAndNamesCopyOrMove) {
  struct ROW {
    int records, caret, lines;
    bool cut;
    int pane, source;
    int count, first;
    const char* question;
  };
  const ROW rows[] = {
      {1, 4, 100, false, kPlanLeft, kPlanLeft, 1, 4, "同じ表示エリアの5番にデータを貼り付けます。"},
      {3, 0, 100, false, kPlanRight, kPlanLeft, 3, 0, "右側表示エリアの1番を先頭にデータを貼り付けます。"},
      {3, -1, 100, true, kPlanLeft, kPlanRight, 3, 0, "左側表示エリアの1番を先頭にデータを移動します。"},
      {1, 7, 20, true, kPlanRight, -1, 1, 7, "右側表示エリアの8番にデータを移動します。"},
      // Only the lines from the caret on are pasted: one fits, so the
      // question is the one for a single slot.
      {5, 99, 100, false, kPlanLeft, kPlanRight, 1, 99, "左側表示エリアの100番にデータを貼り付けます。"},
      {5, 17, 20, true, kPlanRight, kPlanRight, 3, 17, "同じ表示エリアの18番を先頭にデータを移動します。"},
  };
  for (const ROW& row : rows) {
    const std::vector<uint8_t> block = Payload(row.records);
    const PASTEPLAN plan = PlanPaste(block, row.caret, row.lines, row.cut, {kCatFile, row.pane, false, row.source});
    SCOPED_TRACE(row.question);
    ASSERT_TRUE(plan.paste);
    EXPECT_EQ(plan.Count(), row.count);
    EXPECT_EQ(plan.first, row.first);
    EXPECT_EQ(plan.move, row.cut);
    EXPECT_EQ(plan.question, row.question);
    EXPECT_FALSE(plan.askGlyphSizes);
    ASSERT_EQ(plan.Slots().size(), static_cast<size_t>(row.count));
    EXPECT_EQ(plan.Slots().front(), row.first);
    EXPECT_EQ(plan.records.front().Bytes()[0], 'a');
  }
}

TEST(PastePlan, NothingToPasteForABadPayloadOrACaretPastTheEnd) {
  const std::vector<uint8_t> good = Payload(2);
  const std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
  std::vector<uint8_t> trailing = good;
  trailing.push_back(0);
  EXPECT_FALSE(PlanPaste(truncated, 0, 100, false, {}).paste);
  EXPECT_FALSE(PlanPaste(trailing, 0, 100, false, {}).paste);
  EXPECT_FALSE(PlanPaste({}, 0, 100, false, {}).paste);
  EXPECT_FALSE(PlanPaste(good, 100, 100, false, {}).paste);
  EXPECT_FALSE(PlanPaste(good, 0, 0, false, {}).paste);  // a pane without lines
  EXPECT_FALSE(PlanPaste(Payload(0), 0, 100, false, {}).paste);
  EXPECT_TRUE(PlanPaste(good, 0, 100, false, {}).paste);
}

TEST(PastePlan, GlyphEntriesForThePrinterAskTheSizeQuestionFirst) {
  const std::vector<uint8_t> block = Payload(2, {1});
  EXPECT_TRUE(PlanPaste(block, 0, 20, false, {kCatGlyph, kPlanRight, true, kPlanLeft}).askGlyphSizes);
  EXPECT_FALSE(PlanPaste(block, 0, 20, false, {kCatGlyph, kPlanRight, false, kPlanLeft}).askGlyphSizes);
  EXPECT_FALSE(PlanPaste(block, 0, 20, false, {kCatName, kPlanRight, true, kPlanLeft}).askGlyphSizes);
  // The empty record travels as an empty record: it empties its slot.
  const PASTEPLAN plan = PlanPaste(block, 0, 20, false, {kCatGlyph, kPlanRight, true, kPlanLeft});
  ASSERT_EQ(plan.Entries().size(), 2u);
  EXPECT_EQ(plan.Entries()[1]->size, 0u);
}

TEST(MovePlan, EmptiesTheCutSourcesOfTheRecordsWritten) {
  struct ROW {
    const char* what;
    std::vector<int> written;
    int first;
    std::vector<int> sources, cut;
    bool samePane;
    std::vector<int> empty;
  };
  const ROW rows[] = {
      {"to the other pane", {10, 11, 12}, 10, {2, 3, 4}, {2, 3, 4}, false, {2, 3, 4}},
      {"a skipped slot keeps its source", {10, 12}, 10, {2, 3, 4}, {2, 3, 4}, false, {2, 4}},
      {"an empty source was not cut", {10, 11}, 10, {2, 3}, {2}, false, {2}},
      {"same pane, overlapping: a pasted-onto source stays", {3, 4, 5}, 3, {2, 3, 4}, {2, 3, 4}, true, {2}},
      {"other pane, same numbers: every source goes", {3, 4, 5}, 3, {2, 3, 4}, {2, 3, 4}, false, {2, 3, 4}},
      {"sources come back ascending", {0, 1}, 0, {9, 5}, {5, 9}, false, {5, 9}},
      {"more written than sources", {0, 1, 2}, 0, {7}, {7}, false, {7}},
      {"nothing written", {}, 0, {1, 2}, {1, 2}, false, {}},
  };
  for (const ROW& row : rows)
    EXPECT_EQ(PlanMoveSources(row.written, row.first, row.sources, row.cut, row.samePane), row.empty) << row.what;
}

TEST(TransferPlan, PicksTheUsedSlotsAndTheDirection) {
  CDataSet left, right;
  Fill(left, kSecAddress, {0, 2, 5});
  const TRANSFERPLAN some = PlanTransfer(left, kCatAddress, kPlanLeft, 100, {5, 1, 0}, false, false);
  EXPECT_TRUE(some.transfer);
  EXPECT_EQ(some.from, kPlanLeft);
  EXPECT_EQ(some.to, kPlanRight);
  EXPECT_EQ(some.picked, (std::vector<int>{0, 5}));
  EXPECT_EQ(some.question, "【→ → →】\n右側表示エリアにデータを転送します。");

  const TRANSFERPLAN all = PlanTransfer(left, kCatAddress, kPlanLeft, 100, {}, true, false);
  EXPECT_EQ(all.picked, (std::vector<int>{0, 2, 5}));
  // Only the lines the list shows count.
  EXPECT_EQ(PlanTransfer(left, kCatAddress, kPlanLeft, 3, {}, true, false).picked, (std::vector<int>{0, 2}));

  const TRANSFERPLAN back = PlanTransfer(left, kCatAddress, kPlanRight, 100, {2}, false, true);
  EXPECT_EQ(back.from, kPlanRight);
  EXPECT_EQ(back.to, kPlanLeft);
  EXPECT_EQ(back.question, "【← ← ←】\n左側表示エリアにデータを転送します。");
}

TEST(TransferPlan, WhenNothingGoesThereIsNoQuestion) {
  CDataSet empty;
  struct ROW {
    const char* what;
    int active;
    bool all;
    bool transfer;
  };
  const ROW rows[] = {
      {"left, selection of empty slots", kPlanLeft, false, false},
      {"left, everything of an empty pane", kPlanLeft, true, false},
      {"right, selection of empty slots", kPlanRight, false, false},
      // A whole transfer back from the right pane still asks, and copies
      // nothing.
      {"right, everything of an empty pane", kPlanRight, true, true},
  };
  for (const ROW& row : rows) {
    const TRANSFERPLAN plan = PlanTransfer(empty, kCatFile, row.active, 100, {1, 2}, row.all, true);
    EXPECT_EQ(plan.transfer, row.transfer) << row.what;
    EXPECT_TRUE(plan.picked.empty()) << row.what;
  }
}

TEST(TransferPlan, GlyphsGoingToThePrinterAskTheSizeQuestion) {
  CDataSet set;
  Fill(set, kSecGlyph, {1});
  EXPECT_TRUE(PlanTransfer(set, kCatGlyph, kPlanLeft, 20, {1}, false, true).askGlyphSizes);
  EXPECT_FALSE(PlanTransfer(set, kCatGlyph, kPlanLeft, 20, {1}, false, false).askGlyphSizes);
  EXPECT_FALSE(PlanTransfer(set, kCatGlyph, kPlanRight, 20, {1}, false, true).askGlyphSizes);
}

TEST(TransferPlan, AFullPrinterLowersTheLimitOnlyAfterAWholeTransfer) {
  EXPECT_EQ(PlanDeviceLimit({0, 1, 4}, true, true), 5);
  EXPECT_EQ(PlanDeviceLimit({0, 1, 4}, false, true), 0);
  EXPECT_EQ(PlanDeviceLimit({0, 1, 4}, true, false), 0);
  EXPECT_EQ(PlanDeviceLimit({}, true, true), 0);
}

TEST(DeletePlan, TakesTheUsedSelectedSlotsInOrder) {
  CDataSet set;
  Fill(set, kSecName, {1, 3, 7});
  const DELETEPLAN pc = PlanDelete(set, kCatName, {7, 2, 1, 7}, false);
  EXPECT_EQ(pc.picked, (std::vector<int>{1, 7}));
  EXPECT_EQ(pc.question, "選択中のＰＣデータを削除します。\nよろしいですか？");
  const DELETEPLAN device = PlanDelete(set, kCatName, {2}, true);
  EXPECT_TRUE(device.picked.empty());
  EXPECT_EQ(device.question, "選択中のクイルプデータを削除します。\nよろしいですか？");
  // Another category's slots are another section.
  EXPECT_TRUE(PlanDelete(set, kCatFile, {1, 3}, false).picked.empty());
}

TEST(OverwriteLoop, AsksForOccupiedSlotsUntilOverwriteAll) {
  struct ROW {
    const char* what;
    std::vector<int> answers;
    const char* after;  // target slots 0..5 afterwards
    size_t questions;
  };
  // Source: slots 1..4 hold B..E; target: slots 1, 2 and 4 hold x.
  const ROW rows[] = {
      {"yes each time", {kOverwriteOne, kOverwriteOne, kOverwriteOne}, ".BCDE.", 3},
      {"all stops the questions", {kOverwriteAll}, ".BCDE.", 1},
      {"skip leaves the slot", {kOverwriteSkip, kOverwriteOne, kOverwriteOne}, ".xCDE.", 3},
      {"cancel keeps what was written", {kOverwriteOne, kOverwriteCancel}, ".Bx.x.", 2},
  };
  for (const ROW& row : rows) {
    CDataSet source, target;
    Fill(source, kSecFile, {1, 2, 3, 4});
    for (int slot : {1, 2, 4}) {
      const uint8_t x = 'x';
      target.SetEntry(kSecFile, slot, 0, std::span<const uint8_t>(&x, 1));
    }
    ANSWERS answers{row.answers, {}};
    CopySlotsAsking(source, target, kSecFile, {1, 2, 3, 4}, answers.Question());
    EXPECT_EQ(Slots(target, kSecFile, 6), row.after) << row.what;
    EXPECT_EQ(answers.asked.size(), row.questions) << row.what;
    if (!answers.asked.empty()) {
      EXPECT_EQ(answers.asked[0].first, 2) << row.what;  // slot numbers count from 1
      EXPECT_FALSE(answers.asked[0].second) << row.what;
    }
  }
}

TEST(OverwriteLoop, PastedRecordsFillAndEmptyTheirSlots) {
  CDataSet target;
  for (int slot : {0, 1}) {
    const uint8_t x = 'x';
    target.SetEntry(kSecFile, slot, 0, std::span<const uint8_t>(&x, 1));
  }
  std::vector<DATAENTRY> records;
  ASSERT_EQ(DecodeEntries(Payload(3, {1}), records), kClipOk);
  ANSWERS answers{{kOverwriteAll}, {}};
  const std::vector<int> written = StoreRecordsAsking(target, kSecFile, 0, records, answers.Question());
  EXPECT_EQ(written, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Slots(target, kSecFile, 4), "a.c.");
  EXPECT_EQ(answers.asked.size(), 1u);

  // One record alone is asked about as a single slot.
  std::vector<DATAENTRY> one;
  ASSERT_EQ(DecodeEntries(Payload(1), one), kClipOk);
  ANSWERS no{{kOverwriteCancel}, {}};
  EXPECT_TRUE(StoreRecordsAsking(target, kSecFile, 0, one, no.Question()).empty());
  ASSERT_EQ(no.asked.size(), 1u);
  EXPECT_TRUE(no.asked[0].second);
  EXPECT_EQ(Slots(target, kSecFile, 4), "a.c.");
}
