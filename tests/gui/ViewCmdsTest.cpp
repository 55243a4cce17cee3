// The pane file, transfer, clipboard, delete and device commands of the view
// on real widgets, the prompt seam answering and the emulated printer in the
// process's private sim folder.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <filesystem>
#include <unistd.h>

#include "GuiFixture.h"
#include "ScriptedPrompt.h"
#include "guikit/CommandIds.h"
#include "device/AppConfig.h"
#include "device/DeviceResult.h"
#include "model/Category.h"
#include "model/Content.h"
#include "model/EntryClipboard.h"
#include "model/FileResult.h"
#include "view/ViewCommands.h"
#include "view/XAMUListBox.h"

namespace {

constexpr int L = CXAMUView::kPaneLeft;
constexpr int R = CXAMUView::kPaneRight;

// Content that names its slot in the title, so moved entries can be told
// apart.
std::vector<uint8_t> Content(uint8_t tag) { return {0x02, 0x01, 0x82, uint8_t(0x4F + tag), 0, 0, 0, 0, 0x0D, 0x0A}; }

void Put(CDataSet& set, int section, int slot, uint8_t tag) { ASSERT_TRUE(set.SetEntry(section, slot, 0, Content(tag))); }

uint8_t TagOf(const CDataSet& set, int section, int slot) {
  const DATAENTRY* entry = set.Entry(section, slot);
  return entry && entry->used && entry->size > 3 ? uint8_t(entry->content[3] - 0x4F) : 0;
}

// A file entry the printer takes: the sample's first one.
void PutReal(CDataSet& set, int slot) {
  CDataSet sample;
  ASSERT_EQ(sample.LoadDataFile(SamplePath("Sample.xmb")), kFileOk);
  const DATAENTRY* entry = sample.Entry(kSecFile, 0);
  ASSERT_TRUE(entry && entry->used);
  ASSERT_TRUE(set.SetEntry(kSecFile, slot, entry->group, entry->Bytes()));
}

void Select(CXAMUView& view, int pane, std::initializer_list<int> rows) {
  view.SetActivePane(pane);
  CXAMUListBox* list = view.List(pane);
  list->clearSelection();
  for (int row : rows) list->item(row)->setSelected(true);
}

class ViewCmdsTest : public CGuiTest {
 protected:
  void SetUp() override {
    CGuiTest::SetUp();
    m_sim = std::getenv("XAMU_SIM_DIR");
  }
  void TearDown() override {
    std::filesystem::remove(m_sim + "/spooler.ini");
    std::filesystem::remove(m_sim + "/QUILP PRO QP700.xmb");
    App().Config().SetPrinterName(std::string());
    CGuiTest::TearDown();
  }
  // The emulated printer with `extra` settings; false when this build has
  // none.
  bool UsePrinter(const std::string& extra = "") {
    const std::string ini =
        "[QUILP PRO QP700]\ndriver=KORVANTE QUILP PRO QP700\nprivate=KORVANTE QUILP SERIES DRIVER\njobs=0\n"
        "connected=1\nstatus=2\ncapacity=262144\n" +
        extra;
    CTestEnv::WriteBytes(m_sim + "/spooler.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
    return App().Config().Init() && App().Config().CheckPrinters() == kScanOk;
  }
  CViewCommands& Cmds() { return m_frame->View()->Commands(); }
  // Copies (`cut`: cuts) `rows` of pane `from`, then pastes them from line
  // `caret` of pane `to`, the prompt giving `answers` in turn.
  void CopyThenPaste(CScriptedPrompt& prompt, int from, std::initializer_list<int> rows, bool cut, int to, int caret,
                     const QList<int>& answers) {
    CXAMUView& view = *m_frame->View();
    Select(view, from, rows);
    view.OnCommand(cut ? kCmdCut : kCmdCopy);
    view.SetActivePane(to);
    if (to == from) view.List(to)->clearSelection();
    view.List(to)->SetCaretIndex(caret);
    prompt.answers = answers;
    view.OnCommand(kCmdPaste);
  }
  // Selects `rows` of `pane` and runs command `id`, the prompt giving
  // `answers` in turn.
  void SelectAndRun(CScriptedPrompt& prompt, int pane, std::initializer_list<int> rows, int id,
                    const QList<int>& answers) {
    Select(*m_frame->View(), pane, rows);
    prompt.answers = answers;
    m_frame->View()->OnCommand(id);
  }
  std::string m_sim;
};

}  // namespace

TEST(EntryClipboardCodec, RoundTripKeepsFlagsGroupsAndEmptySlots) {
  DATAENTRY a, b;
  a.used = 1;
  a.group = 7;
  a.content = AllocContent(3);
  a.size = 3;
  a.content[0] = 1, a.content[1] = 2, a.content[2] = 3;
  const DATAENTRY* in[] = {&a, nullptr, &b};
  const std::vector<uint8_t> block = EncodeEntries(in);
  ASSERT_EQ(block.size(), 4u + 3 * 10 + 3);
  std::vector<DATAENTRY> out;
  ASSERT_EQ(DecodeEntries(block, out), kClipOk);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].used, 1);
  EXPECT_EQ(out[0].group, 7);
  ASSERT_EQ(out[0].size, 3u);
  EXPECT_EQ(out[0].content[2], 3);
  EXPECT_EQ(out[1].size, 0u);
  EXPECT_EQ(out[1].used, 0);
}

TEST(EntryClipboardCodec, BadBlocksDecodeToNothing) {
  auto le32 = [](std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
  };
  auto record = [&](std::vector<uint8_t>& v, uint32_t length, size_t bytes) {
    le32(v, 1);
    v.push_back(0), v.push_back(0);
    le32(v, length);
    v.insert(v.end(), bytes, 0xAA);
  };
  struct ROW {
    const char* name;
    std::vector<uint8_t> block;
    int result;
  };
  std::vector<ROW> rows;
  rows.push_back({"empty block", {}, kClipTruncated});
  rows.push_back({"short count", {1, 0}, kClipTruncated});
  {
    std::vector<uint8_t> v;
    le32(v, 0xFFFFFFFF);
    rows.push_back({"negative count", v, kClipBadCount});
  }
  {
    std::vector<uint8_t> v;
    le32(v, 1000000);
    record(v, 2, 2);
    rows.push_back({"count beyond the block", v, kClipBadCount});
  }
  {
    std::vector<uint8_t> v;
    le32(v, 1);
    record(v, 0x80000000u, 0);
    rows.push_back({"negative length", v, kClipBadLength});
  }
  {
    std::vector<uint8_t> v;
    le32(v, 1);
    record(v, 50, 10);
    rows.push_back({"length past the end", v, kClipTruncated});
  }
  {
    std::vector<uint8_t> v;
    le32(v, 2);
    record(v, 2, 2);
    v.insert(v.end(), 9, 0);
    rows.push_back({"second header cut", v, kClipTruncated});
  }
  {
    std::vector<uint8_t> v;
    le32(v, 1);
    record(v, 2, 2);
    v.push_back(0);
    rows.push_back({"trailing byte", v, kClipTrailing});
  }
  for (const ROW& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<DATAENTRY> out(1);
    EXPECT_EQ(DecodeEntries(row.block, out), row.result);
    EXPECT_TRUE(out.empty());
  }
}

TEST_F(ViewCmdsTest, MovingSlots3And4OntoSlot4EmptiesOnlySlot3) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  Put(left, kSecFile, 2, 3);
  Put(left, kSecFile, 3, 4);
  view.FillList(L, 0);
  Select(view, L, {2, 3});
  view.OnCommand(kCmdCut);
  EXPECT_EQ(Cmds().CutList(), (std::vector<int>{2, 3}));
  view.List(L)->clearSelection();
  view.List(L)->SetCaretIndex(3);
  prompt.answers = {kAnswerYes, 0};  // the move question, はい to overwriting 4
  view.OnCommand(kCmdPaste);
  ASSERT_EQ(prompt.messages.size(), 2);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("同じ表示エリアの4番を先頭にデータを移動します。"));
  EXPECT_EQ(prompt.messages[1], QStringLiteral("4番のデータは、すでに登録されています。\n上書きしてよろしいですか？"));
  EXPECT_EQ(left.IsUsed(kSecFile, 2), 0);
  EXPECT_EQ(TagOf(left, kSecFile, 3), 3);
  EXPECT_EQ(TagOf(left, kSecFile, 4), 4);
  EXPECT_EQ(left.m_modified, 1);
  EXPECT_TRUE(Cmds().CutList().empty());
}

TEST_F(ViewCmdsTest, MoveKeepsTheSourcesOfSkippedRecords) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  Put(left, kSecFile, 0, 1);
  Put(left, kSecFile, 1, 2);
  Put(right, kSecFile, 11, 9);
  view.RefreshLists(true);
  CopyThenPaste(prompt, L, {0, 1}, true, R, 10, {kAnswerYes, 2});  // move; いいえ for slot 12
  EXPECT_EQ(prompt.messages[0], QStringLiteral("右側表示エリアの11番を先頭にデータを移動します。"));
  EXPECT_EQ(TagOf(right, kSecFile, 10), 1);
  EXPECT_EQ(TagOf(right, kSecFile, 11), 9);
  EXPECT_EQ(left.IsUsed(kSecFile, 0), 0);
  EXPECT_EQ(TagOf(left, kSecFile, 1), 2);  // its record was skipped
}

TEST_F(ViewCmdsTest, PasteAtTheLastLineWritesOneRecordWithTheSingleQuestion) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  for (int i = 0; i < 3; ++i) Put(left, kSecFile, i, uint8_t(i + 1));
  view.FillList(L, 0);
  CopyThenPaste(prompt, L, {0, 1, 2}, false, R, 99, {kAnswerYes});
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("右側表示エリアの100番にデータを貼り付けます。"));
  EXPECT_EQ(TagOf(view.DataSet(R), kSecFile, 99), 1);
  EXPECT_EQ(view.DataSet(R).m_modified, 1);
  EXPECT_EQ(view.List(R)->CaretIndex(), 99);
}

TEST_F(ViewCmdsTest, CopiedEmptySlotsEmptyTheTargetsAfterConfirmation) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  Put(left, kSecFile, 0, 1);
  Put(right, kSecFile, 0, 7);
  Put(right, kSecFile, 1, 8);
  view.RefreshLists(true);
  CopyThenPaste(prompt, L, {0, 1}, false, R, 0, {kAnswerYes, 0, 0});
  EXPECT_EQ(TagOf(right, kSecFile, 0), 1);
  EXPECT_EQ(right.IsUsed(kSecFile, 1), 0);
}

TEST_F(ViewCmdsTest, NameDataIsNeverOverwritten) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  view.SwitchCategory(kCatName);
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  for (int i = 0; i < 3; ++i) Put(left, kSecName, i, uint8_t(i + 1));
  Put(right, kSecName, 0, 9);
  view.RefreshLists(true);
  const QString notice = QStringLiteral("すでにデータが登録されています。\n未登録番号に登録してください。");

  // One record onto an occupied slot: the notice, nothing pasted.
  CopyThenPaste(prompt, L, {0}, false, R, 0, {kAnswerYes});
  ASSERT_EQ(prompt.messages.size(), 2);
  EXPECT_EQ(prompt.messages[1], notice);
  EXPECT_EQ(TagOf(right, kSecName, 0), 9);
  EXPECT_EQ(right.m_modified, 0);

  // Several: OK skips the occupied slot, the others are written.
  prompt.messages.clear();
  CopyThenPaste(prompt, L, {0, 1, 2}, false, R, 0, {kAnswerYes, 0});
  ASSERT_EQ(prompt.messages.size(), 2);
  EXPECT_EQ(prompt.messages[1], notice);
  EXPECT_EQ(TagOf(right, kSecName, 0), 9);
  EXPECT_EQ(TagOf(right, kSecName, 1), 2);
  EXPECT_EQ(TagOf(right, kSecName, 2), 3);
}

TEST_F(ViewCmdsTest, OverwriteAllAsksOnceInATransfer) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  for (int i = 0; i < 4; ++i) {
    Put(left, kSecFile, i, uint8_t(i + 1));
    Put(right, kSecFile, i, uint8_t(i + 11));
  }
  view.RefreshLists(true);
  view.SetActivePane(L);
  prompt.answers = {kAnswerYes, 2, 1};  // 192; いいえ for 1; すべて上書き from 2 on
  view.OnCommand(kCmdTransferAll);
  ASSERT_EQ(prompt.messages.size(), 3);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("【→ → →】\n右側表示エリアにデータを転送します。"));
  EXPECT_EQ(TagOf(right, kSecFile, 0), 11);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(TagOf(right, kSecFile, i), i + 1) << i;
  EXPECT_EQ(right.m_modified, 1);
}

TEST_F(ViewCmdsTest, TransferButtonRefusesAndSelectionlessTransferDoesNothing) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  emit view.ButtonPressed(kIdcTransfer);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("転送できません。\n転送元と転送先の指定を確認してください。"));
  Put(view.DataSet(L), kSecFile, 0, 1);
  view.FillList(L, 0);
  view.SetActivePane(L);
  emit view.ButtonPressed(kIdcTransfer);
  EXPECT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(view.DataSet(R).IsUsed(kSecFile, 0), 0);
}

TEST_F(ViewCmdsTest, BadClipboardPayloadPastesNothing) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  auto* mime = new QMimeData;
  const char bad[] = {2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 100, 0, 0, 0, 1};
  mime->setData(CViewCommands::EntriesMimeType(kCatFile), QByteArray(bad, sizeof bad));
  QGuiApplication::clipboard()->setMimeData(mime);
  view.SetActivePane(L);
  EXPECT_TRUE(view.IsCommandEnabled(kCmdPaste));
  view.OnCommand(kCmdPaste);
  EXPECT_TRUE(prompt.messages.isEmpty());
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecFile, -2), 0);
  EXPECT_EQ(view.DataSet(L).m_modified, 0);
  // Another category's block does not enable the command.
  view.SwitchCategory(kCatAddress);
  EXPECT_FALSE(view.IsCommandEnabled(kCmdPaste));
}

TEST_F(ViewCmdsTest, DeleteFromAFileClearsOccupiedSelectedSlots) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  Put(left, kSecFile, 1, 1);
  view.FillList(L, 0);
  // Only empty slots selected: asked, nothing changes.
  SelectAndRun(prompt, L, {4, 5}, kCmdDelete, {kAnswerYes});
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("選択中のＰＣデータを削除します。\nよろしいですか？"));
  EXPECT_EQ(left.m_modified, 0);
  SelectAndRun(prompt, L, {1, 4}, kCmdDelete, {kAnswerNo});
  EXPECT_EQ(left.IsUsed(kSecFile, 1), 1);
  SelectAndRun(prompt, L, {1, 4}, kCmdDelete, {kAnswerYes});
  EXPECT_EQ(left.IsUsed(kSecFile, 1), 0);
  EXPECT_EQ(left.m_modified, 1);
}

TEST_F(ViewCmdsTest, NewGivesTheUntitledNameTheOtherPaneDoesNotHold) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  const QString folder = QString::fromStdString(App().Config().GetDataFolder(false));
  view.SetActivePane(R);
  view.OnCommand(kCmdNew);
  EXPECT_EQ(view.PanePath(R), folder + QStringLiteral("/無題2.xmb"));
  view.SetActivePane(L);
  Put(view.DataSet(L), kSecFile, 0, 1);
  view.DataSet(L).m_modified = 1;
  prompt.answers = {kAnswerNo};  // do not save
  view.OnCommand(kCmdNew);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("データは更新されています。\n保存しますか？"));
  EXPECT_EQ(view.PanePath(L), folder + QStringLiteral("/無題1.xmb"));
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecFile, -2), 0);
  EXPECT_EQ(view.DataSet(L).m_untitled, 1);
}

TEST_F(ViewCmdsTest, OpeningTheFileTheOtherPaneHoldsIsRefused) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  const std::string path = App().Config().GetDataFolder(false) + "/held.xmb";
  ASSERT_EQ(std::filesystem::copy_file(SamplePath("Sample.xmb"), path,
                                       std::filesystem::copy_options::overwrite_existing),
            true);
  Cmds().OpenFile(R, QString::fromStdString(path));
  ASSERT_EQ(view.DataSet(R).m_path, path);
  const std::string leftBefore = view.DataSet(L).m_path;
  prompt.files = {QString::fromStdString(path)};
  emit view.ButtonPressed(kIdcOpenLeft);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("ファイルheld.xmbは、すでに開いているため開けませんでした。"));
  EXPECT_EQ(view.DataSet(L).m_path, leftBefore);
  EXPECT_EQ(view.ActivePane(), L);
  std::filesystem::remove(path);
}

TEST_F(ViewCmdsTest, AFailedLoadBindsThePaneToAFreshUntitledName) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  const std::string bad = App().Config().GetDataFolder(false) + "/bad.xmb";
  CTestEnv::WriteBytes(bad, std::vector<uint8_t>(40, 0x41));
  Cmds().OpenFile(L, QString::fromStdString(bad));
  EXPECT_EQ(prompt.messages.size(), 1);
  EXPECT_NE(view.DataSet(L).m_path, bad);
  EXPECT_EQ(view.DataSet(L).m_untitled, 1);
  // A file that cannot be opened changes nothing at all.
  Put(view.DataSet(L), kSecFile, 0, 1);
  const std::string before = view.DataSet(L).m_path;
  Cmds().OpenFile(L, QString::fromStdString(bad + ".missing"));
  EXPECT_EQ(view.DataSet(L).m_path, before);
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecFile, 0), 1);
  std::filesystem::remove(bad);
}

TEST_F(ViewCmdsTest, SaveAsAppendsTheExtensionOnlyWhenMissing) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  const std::string folder = App().Config().GetDataFolder(false);
  Put(view.DataSet(L), kSecFile, 0, 1);
  view.SetActivePane(L);
  struct ROW {
    const char* chosen;
    const char* written;
  };
  const ROW rows[] = {{"/plain", "/plain.xmb"}, {"/CAPS.XMB", "/CAPS.XMB"}};
  for (const ROW& row : rows) {
    SCOPED_TRACE(row.chosen);
    prompt.files = {QString::fromStdString(folder + row.chosen)};
    view.OnCommand(kCmdSaveAs);
    EXPECT_TRUE(std::filesystem::exists(folder + row.written));
    EXPECT_EQ(view.DataSet(L).m_path, folder + row.written);
    EXPECT_EQ(view.DataSet(L).m_untitled, 0);
    std::filesystem::remove(folder + row.written);
  }
  EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(ViewCmdsTest, SaveAsOverAnExistingFileAsksAndAFailedSaveKeepsIt) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  const std::string target = App().Config().GetDataFolder(false) + "/old.xmb";
  CTestEnv::WriteBytes(target, {1, 2, 3});
  Put(view.DataSet(L), kSecFile, 0, 1);
  view.DataSet(L).m_modified = 1;
  view.SetActivePane(L);
  // No: nothing written.
  prompt.files = {QString::fromStdString(target)};
  prompt.answers = {kAnswerNo};
  view.OnCommand(kCmdSaveAs);
  EXPECT_EQ(prompt.messages.value(0), QStringLiteral("ファイルはすでに存在します。\n上書きしますか？"));
  EXPECT_EQ(CTestEnv::ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));
  // Write-protected: its message, the file and the pane's path kept.
  std::filesystem::permissions(target, std::filesystem::perms::owner_read);
  if (::access(target.c_str(), W_OK) != 0) {
    prompt.messages.clear();
    prompt.files = {QString::fromStdString(target)};
    prompt.answers = {kAnswerYes};
    const std::string before = view.DataSet(L).m_path;
    view.OnCommand(kCmdSaveAs);
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_EQ(prompt.messages[1], QStringLiteral("書き込み禁止のファイルです。"));
    EXPECT_EQ(CTestEnv::ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(view.DataSet(L).m_path, before);
    EXPECT_EQ(view.DataSet(L).m_modified, 1);
  }
  std::filesystem::permissions(target, std::filesystem::perms::owner_all);
  std::filesystem::remove(target);
}

TEST_F(ViewCmdsTest, ProgramEndAsksForTheRightPaneFirstAndAFailedSaveKeepsItOpen) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  view.DataSet(L).m_modified = 1;
  view.DataSet(R).m_modified = 1;
  prompt.answers = {kAnswerNo, kAnswerNo};
  EXPECT_TRUE(view.SaveModifiedPanes());
  ASSERT_EQ(prompt.messages.size(), 2);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("無題2.xmb への変更を保存しますか？"));
  EXPECT_EQ(prompt.messages[1], QStringLiteral("無題1.xmb への変更を保存しますか？"));
  // Yes, then the save as dialog is cancelled: the program stays.
  prompt.messages.clear();
  prompt.answers = {kAnswerYes};
  EXPECT_FALSE(view.SaveModifiedPanes());
  EXPECT_EQ(prompt.dialogs.size(), 1);
  EXPECT_EQ(view.DataSet(R).m_modified, 1);
}

// ------------------------------------------------- emulated printer

TEST_F(ViewCmdsTest, PrinterTransferDeleteAndReadBack) {
  CScriptedPrompt prompt;
  if (!UsePrinter()) GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  for (int slot : {1, 4, 8}) PutReal(left, slot);
  view.FillList(L, 0);

  // An empty printer: message 170, device mode on.
  Put(right, kSecFile, 0, 9);
  view.SetActivePane(R);
  emit view.ButtonPressed(kIdcOpenDevice);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("「クイルプ」ＰＲＯ本体にデータが登録されていません。"));
  EXPECT_TRUE(view.DeviceMode());
  EXPECT_EQ(right.IsUsed(kSecFile, -2), 0);
  EXPECT_EQ(view.PanePath(R), App().DeviceName());
  EXPECT_FALSE(view.IsCommandEnabled(kCmdSave));
  EXPECT_TRUE(view.IsCommandEnabled(kCmdRefresh));

  // Left to right: written to the printer and read back.
  prompt.messages.clear();
  view.SetActivePane(L);
  prompt.answers = {kAnswerYes};
  view.OnCommand(kCmdTransferAll);
  ASSERT_EQ(prompt.messages.size(), 1) << prompt.messages.join(u'|').toStdString();
  for (int slot : {1, 4, 8}) EXPECT_EQ(right.IsUsed(kSecFile, slot), 1) << slot;
  EXPECT_EQ(right.IsUsed(kSecFile, 0), 0);
  CDataSet memory;
  ASSERT_EQ(memory.LoadDataFile(m_sim + "/QUILP PRO QP700.xmb"), kFileOk);
  EXPECT_EQ(memory.IsUsed(kSecFile, 8), 1);

  // Right to left in device mode never contacts the printer: it works
  // while the printer is unplugged.
  const std::string off =
      "[QUILP PRO QP700]\ndriver=KORVANTE QUILP PRO QP700\nprivate=KORVANTE QUILP SERIES DRIVER\njobs=0\n"
      "connected=0\nstatus=2\ncapacity=262144\n";
  CTestEnv::WriteBytes(m_sim + "/spooler.ini", std::vector<uint8_t>(off.begin(), off.end()));
  left.ClearAll();
  view.FillList(L, 0);
  prompt.messages.clear();
  Select(view, R, {1, 4});
  prompt.answers = {kAnswerYes};
  emit view.ButtonPressed(kIdcTransfer);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("【← ← ←】\n左側表示エリアにデータを転送します。"));
  EXPECT_EQ(left.IsUsed(kSecFile, 1), 1);
  EXPECT_EQ(left.IsUsed(kSecFile, 4), 1);
  EXPECT_EQ(left.IsUsed(kSecFile, 8), 0);
  EXPECT_EQ(left.m_modified, 1);

  // Delete 2, 5 and 9 from the printer.
  ASSERT_TRUE(UsePrinter());
  prompt.messages.clear();
  SelectAndRun(prompt, R, {1, 4, 8}, kCmdDelete, {kAnswerYes});
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("選択中のクイルプデータを削除します。\nよろしいですか？"));
  EXPECT_EQ(right.IsUsed(kSecFile, -2), 0);
  ASSERT_EQ(memory.LoadDataFile(m_sim + "/QUILP PRO QP700.xmb"), kFileOk);
  EXPECT_EQ(memory.IsUsed(kSecFile, -2), 0);
}

TEST_F(ViewCmdsTest, AFailedPrinterReadRestoresTheRightPane) {
  CScriptedPrompt prompt;
  if (!UsePrinter()) GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  PutReal(left, 2);
  view.FillList(L, 0);
  view.SetActivePane(R);
  Cmds().ReadPrinter(false);
  view.SetActivePane(L);
  prompt.answers = {kAnswerYes};
  view.OnCommand(kCmdTransferAll);
  ASSERT_EQ(right.IsUsed(kSecFile, 2), 1) << prompt.messages.join(u'|').toStdString();
  prompt.messages.clear();

  // Every data block now arrives with a bad checksum.
  ASSERT_TRUE(UsePrinter("bad_block_checksum=1\n"));
  view.SetActivePane(R);
  view.OnCommand(kCmdRefresh);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(right.IsUsed(kSecFile, 2), 1);
  EXPECT_TRUE(view.DeviceMode());

  // From file mode a failed read leaves no PC entries under the printer's
  // name.
  Cmds().OnNew();
  Put(right, kSecFile, 5, 6);
  prompt.messages.clear();
  Cmds().ReadPrinter(false);
  EXPECT_EQ(prompt.messages.size(), 1);
  EXPECT_TRUE(view.DeviceMode());
  EXPECT_EQ(right.IsUsed(kSecFile, -2), 0);
}

TEST_F(ViewCmdsTest, NameImportMarksThePaneAndExportWritesItBack) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  view.SwitchCategory(kCatName);
  view.SetActivePane(L);
  EXPECT_FALSE(view.IsCommandEnabled(kCmdSaveName));
  EXPECT_FALSE(view.IsCommandEnabled(kCmdReadAddress));
  const std::string in = App().Config().GetDataFolder(true) + "/in.txt";
  CTestEnv::WriteBytes(in, {'a', 'b', '\r', '\n', 'c', '\r', '\n'});
  prompt.files = {QString::fromStdString(in)};
  view.OnCommand(kCmdReadName);
  ASSERT_EQ(prompt.dialogs.value(0), QStringLiteral("名前ﾃﾞｰﾀ読み込み"));
  EXPECT_TRUE(prompt.messages.isEmpty());
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecName, 0), 1);
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecName, 1), 1);
  EXPECT_EQ(view.DataSet(L).m_modified, 1);
  EXPECT_EQ(view.List(L)->item(0)->text().left(1), QStringLiteral("*"));

  const std::string out = App().Config().GetDataFolder(true) + "/out.txt";
  prompt.files = {QString::fromStdString(out)};
  ASSERT_TRUE(view.IsCommandEnabled(kCmdSaveName));
  view.OnCommand(kCmdSaveName);
  EXPECT_EQ(prompt.dialogs.value(1), QStringLiteral("名前ﾃﾞｰﾀ保存"));
  EXPECT_TRUE(prompt.messages.isEmpty());
  EXPECT_FALSE(CTestEnv::ReadBytes(out).empty());
  EXPECT_NE(CTestEnv::ReadBytes(out)[0], 0xEF) << "CP932 unless asked";
  // The file type "CSV (UTF-8)" writes UTF-8 with its mark.
  const std::string utf8 = App().Config().GetDataFolder(true) + "/out8.csv";
  prompt.files = {QString::fromStdString(utf8)};
  prompt.fileTypes = {5};
  view.OnCommand(kCmdSaveName);
  const std::vector<uint8_t> bytes = CTestEnv::ReadBytes(utf8);
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "\xEF\xBB\xBF");
  EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()) + 3, qsizetype(bytes.size()) - 3)
                .section(u',', 0, 0),
            QStringLiteral("ａｂ")) << "the same characters as the CP932 file";
  std::filesystem::remove(utf8);
  // A file that cannot be read: the message, the pane keeps its entries
  // and a read that stored nothing does not mark it.
  view.DataSet(L).m_modified = 0;
  prompt.files = {QString::fromStdString(in + ".missing")};
  view.OnCommand(kCmdReadName);
  EXPECT_EQ(prompt.messages.value(0), QStringLiteral("読み込みができませんでした。"));
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecName, 0), 1);
  EXPECT_EQ(view.DataSet(L).m_modified, 0);
  std::filesystem::remove(in);
  std::filesystem::remove(out);
}

TEST_F(ViewCmdsTest, AnsweringYesToSaveThenCancellingStopsTheCommand) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  view.SetActivePane(L);
  Put(view.DataSet(L), kSecFile, 0, 1);
  view.DataSet(L).m_modified = 1;
  prompt.answers = {kAnswerYes};  // save; the save as dialog is cancelled
  view.OnCommand(kCmdNew);
  EXPECT_EQ(prompt.dialogs.size(), 1);
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecFile, 0), 1);
  EXPECT_EQ(view.DataSet(L).m_modified, 1);
}

TEST_F(ViewCmdsTest, AFailedLinkIsReportedAndChangesNothing) {
  CScriptedPrompt prompt;
  if (!UsePrinter("status=16\n")) GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = MakeView();
  Put(view.DataSet(R), kSecFile, 0, 1);
  view.SetActivePane(R);
  Cmds().ReadPrinter(false);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_FALSE(view.DeviceMode());
  EXPECT_EQ(TagOf(view.DataSet(R), kSecFile, 0), 1);
}

TEST_F(ViewCmdsTest, PasteAndMoveWithinThePrinter) {
  CScriptedPrompt prompt;
  if (!UsePrinter()) GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  PutReal(left, 0);
  view.FillList(L, 0);
  view.SetActivePane(R);
  prompt.answers = {kAnswerOk};
  Cmds().ReadPrinter(false);  // empty: message 170
  // Paste from the left pane into printer slot 3.
  prompt.messages.clear();
  CopyThenPaste(prompt, L, {0}, false, R, 2, {kAnswerYes});
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("右側表示エリアの3番にデータを貼り付けます。"));
  EXPECT_EQ(right.IsUsed(kSecFile, 2), 1);
  // Move it within the printer to slot 6: written there, deleted at 3.
  prompt.messages.clear();
  CopyThenPaste(prompt, R, {2}, true, R, 5, {kAnswerYes});
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("同じ表示エリアの6番にデータを移動します。"));
  EXPECT_EQ(right.IsUsed(kSecFile, 2), 0);
  EXPECT_EQ(right.IsUsed(kSecFile, 5), 1);
  CDataSet memory;
  ASSERT_EQ(memory.LoadDataFile(m_sim + "/QUILP PRO QP700.xmb"), kFileOk);
  EXPECT_EQ(memory.IsUsed(kSecFile, 2), 0);
  EXPECT_EQ(memory.IsUsed(kSecFile, 5), 1);
  EXPECT_TRUE(Cmds().CutList().empty());
}

TEST_F(ViewCmdsTest, SwitchingCategoryInDeviceModeReadsThatCategory) {
  CScriptedPrompt prompt;
  if (!UsePrinter()) GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = MakeView();
  CDataSet& right = view.DataSet(R);
  // The right pane has an address entry the printer does not hold.
  view.SetActivePane(R);
  prompt.answers = {kAnswerOk};
  Cmds().ReadPrinter(false);
  ASSERT_TRUE(view.DeviceMode());
  Put(right, kSecAddress, 7, 1);
  prompt.messages.clear();
  prompt.answers = {kAnswerOk};
  view.SwitchCategory(kCatAddress);
  // Read from the (empty) printer: its notice, and the stale slot is gone.
  EXPECT_EQ(prompt.messages.value(0), QStringLiteral("「クイルプ」ＰＲＯ本体にデータが登録されていません。"));
  EXPECT_EQ(right.IsUsed(kSecAddress, 7), 0);
  // Back to a category read already: no second read.
  prompt.messages.clear();
  view.SwitchCategory(kCatFile);
  EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(ViewCmdsTest, AFullPrinterLowersTheDeviceLimitAfterTransferAll) {
  CScriptedPrompt prompt;
  CDataSet sample;
  ASSERT_EQ(sample.LoadDataFile(SamplePath("Sample.xmb")), kFileOk);
  const uint32_t size = sample.Entry(kSecFile, 0)->size;
  // Room for two entries of the sample's size.
  if (!UsePrinter("capacity=" + std::to_string(2 * size + size / 2) + "\n"))
    GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = MakeView();
  for (int slot = 0; slot < 4; ++slot) PutReal(view.DataSet(L), slot);
  view.FillList(L, 0);
  view.SetActivePane(R);
  prompt.answers = {kAnswerOk};
  Cmds().ReadPrinter(false);
  view.SetActivePane(L);
  prompt.messages.clear();
  prompt.answers = {kAnswerYes};
  view.OnCommand(kCmdTransferAll);
  ASSERT_EQ(prompt.messages.size(), 2) << prompt.messages.join(u'|').toStdString();
  EXPECT_EQ(prompt.messages[1], QString::fromStdString(DeviceResultMessage(kDevMemoryFull)));
  EXPECT_EQ(view.DataSet(R).IsUsed(kSecFile, 1), 1);
  EXPECT_EQ(view.DataSet(R).IsUsed(kSecFile, 2), 0);
  EXPECT_EQ(App().DeviceLimit(kCatFile), 2);
  // The left list greys what the printer will not take.
  EXPECT_EQ(view.List(L)->ItemData(1), 1);
  EXPECT_EQ(view.List(L)->ItemData(2), 0);
}

TEST_F(ViewCmdsTest, ASecondStartsFileOpensIntoTheLeftPaneWithItsQuestions) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  view.DataSet(L).m_modified = 1;
  prompt.answers = {kAnswerNo};
  m_frame->OpenFromOtherStart(QString::fromStdString(SamplePath("Sample.xmb")));
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("データは更新されています。\n保存しますか？"));
  EXPECT_TRUE(prompt.dialogs.isEmpty());
  EXPECT_EQ(view.DataSet(L).m_path, SamplePath("Sample.xmb"));
  EXPECT_EQ(view.DataSet(L).m_modified, 0);
  EXPECT_EQ(view.DataSet(L).IsUsed(kSecFile, 0), 1);
}

TEST_F(ViewCmdsTest, SaveWritesANamedFileAndSendsAnUntitledOneToSaveAs) {
  CScriptedPrompt prompt;
  CXAMUView& view = MakeView();
  view.SetActivePane(L);
  // Untitled: the save as dialog, titled as ever.
  view.OnCommand(kCmdSave);
  ASSERT_EQ(prompt.dialogs.size(), 1);
  EXPECT_EQ(prompt.dialogs[0], QStringLiteral("名前を付けて保存"));
  // Named: written in place, flags cleared.
  const std::string path = App().Config().GetDataFolder(false) + "/named.xmb";
  std::filesystem::copy_file(SamplePath("Sample.xmb"), path, std::filesystem::copy_options::overwrite_existing);
  Cmds().OpenFile(L, QString::fromStdString(path));
  view.DataSet(L).ClearSlot(kSecFile, 0);
  view.DataSet(L).m_modified = 1;
  view.OnCommand(kCmdSave);
  EXPECT_EQ(prompt.dialogs.size(), 1);
  EXPECT_TRUE(prompt.messages.isEmpty());
  EXPECT_EQ(view.DataSet(L).m_modified, 0);
  CDataSet back;
  ASSERT_EQ(back.LoadDataFile(path), kFileOk);
  EXPECT_EQ(back.IsUsed(kSecFile, 0), 0);
  std::filesystem::remove(path);
}

TEST_F(ViewCmdsTest, WritingToThePrinterAlignsGroupNamesOfTheSameNumber) {
  CScriptedPrompt prompt;
  if (!UsePrinter()) GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = MakeView();
  CDataSet& left = view.DataSet(L);
  CDataSet& right = view.DataSet(R);
  const std::vector<uint8_t> nameA = {0x82, 0x60}, nameB = {0x82, 0x61};  // Ａ, Ｂ
  for (int slot : {0, 1}) {
    PutReal(left, slot);
    DATAENTRY* entry = left.Entry(kSecFile, slot);
    entry->group = 3;
    SetGroupName(*entry, slot == 0 ? nameA : nameB);
  }
  auto groupName = [](const DATAENTRY* entry) {
    CONTENTHEADER header;
    if (!entry || !ParseContentHeader(entry->Bytes(), header)) return std::vector<uint8_t>();
    return std::vector<uint8_t>(entry->content.get() + header.group.begin, entry->content.get() + header.group.end);
  };
  ASSERT_EQ(groupName(left.Entry(kSecFile, 1)), nameB);
  view.FillList(L, 0);
  view.SetActivePane(R);
  prompt.answers = {kAnswerOk};
  Cmds().ReadPrinter(false);
  // Slot 1 (group Ａ) first, then slot 2 (group Ｂ) alone.
  for (int slot : {0, 1}) {
    Select(view, L, {slot});
    prompt.answers = {kAnswerYes};
    emit view.ButtonPressed(kIdcTransfer);
  }
  ASSERT_EQ(right.IsUsed(kSecFile, 0), 1) << prompt.messages.join(u'|').toStdString();
  ASSERT_EQ(right.IsUsed(kSecFile, 1), 1);
  EXPECT_EQ(right.Entry(kSecFile, 0)->group, 3);
  EXPECT_EQ(groupName(right.Entry(kSecFile, 0)), nameB);
  EXPECT_EQ(groupName(right.Entry(kSecFile, 1)), nameB);
}
