#include "view/ViewGlyphHandOver.h"

#include <QFileInfo>
#include <cstring>
#include <memory>
#include <vector>

#include "guikit/CommandIds.h"
#include "guikit/Prompt.h"
#include "guikit/Session.h"
#include "device/AppConfig.h"
#include "device/DeviceLink.h"
#include "glyphedit/GlyphDialog.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "device/DeviceResult.h"
#include "model/FileResult.h"
#include "view/XAMUListBox.h"
#include "view/XAMUView.h"

namespace {

// Shown when the active pane has neither a file nor a printer.
const char kMsgNoGlyphData[] = "編集可能な外字データがありません。";
// Slots of the glyph category.
constexpr int kGlyphSlots = 20;
// Device result after which the left list is filled again at its top line.
constexpr int kDevRefillLeft = 254;
// Filter of the data file save dialog.
const char kDataFileFilter[] = "ﾃﾞｰﾀﾌｧｲﾙ (*.xmb)|*.xmb||";

GlyphDialogRunner& Runner() {
  static GlyphDialogRunner runner;
  return runner;
}

// Device questions through the program's prompt.
class CPromptDevice : public CDevicePrompt {
 public:
  void Notice(const std::string& utf8) override {
    Prompt().Message(QString::fromStdString(utf8), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
  }
  bool YesNo(const std::string& utf8) override {
    return Prompt().Message(QString::fromStdString(utf8), kButtonsYesNo, EPromptIcon::kQuestion, kAnswerYes) ==
           kAnswerYes;
  }
  bool OverwriteNotice(const std::string& utf8) override {
    return Prompt().Message(QString::fromStdString(utf8), kButtonsOkCancel, EPromptIcon::kQuestion, kAnswerOk) ==
           kAnswerOk;
  }
  int OverwriteChoice(const std::string&) override { return kOverwriteOne; }
};

bool CopyInto(DATAENTRY& to, const DATAENTRY& from) {
  to.Clear();
  if (from.size > 0 && from.content) {
    to.content = AllocContent(from.size);
    if (!to.content) return false;
    std::memcpy(to.content.get(), from.content.get(), from.size);
  }
  to.used = from.used;
  to.group = from.group;
  to.size = to.content ? from.size : 0;
  return true;
}

bool StoreEntry(CDataSet& set, int slot, const DATAENTRY& entry) {
  return set.SetEntry(kSecGlyph, slot, entry.group, entry.Bytes());
}

// Saves a pane without the view's own save command: its file, or a new name
// for an untitled one. False when nothing was written.
bool SavePaneFile(CSession& session, CDataSet& set) {
  std::string path = set.m_path;
  if (set.m_untitled || path.empty()) {
    FILEDIALOGSPEC spec;
    spec.title = QStringLiteral("名前を付けて保存");
    spec.filter = QString::fromUtf8(kDataFileFilter);
    spec.defaultExt = QStringLiteral("xmb");
    spec.folder = QString::fromStdString(session.Config().GetDataFolder(false));
    spec.fileName = QFileInfo(QString::fromStdString(path)).fileName();
    const QString chosen = Prompt().SaveFileName(spec);
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
  }
  const int result = set.SaveDataFile(path);
  if (result != kFileOk) {
    ShowFileResult(result, true, path);
    return false;
  }
  set.m_path = path;
  set.m_untitled = 0;
  set.m_modified = 0;
  return true;
}

}  // namespace

GlyphDialogRunner SetGlyphDialogRunner(GlyphDialogRunner runner) {
  GlyphDialogRunner previous = std::move(Runner());
  Runner() = std::move(runner);
  return previous;
}

void InstallGlyphHandOver(CXAMUView& view) {
  QObject::connect(&view, &CXAMUView::ButtonPressed, &view, [&view](int id) {
    if (id == kIdcGlyphEdit) RunGlyphEdit(view);
  });
}

int SaveGlyphFromEditor(CXAMUView& view, int pane, int slot, const DATAENTRY& entry) {
  CDataSet& set = view.DataSet(pane);
  DATAENTRY kept;
  if (const DATAENTRY* old = set.Entry(kSecGlyph, slot)) CopyInto(kept, *old);
  const int32_t keptModified = set.m_modified;
  if (!StoreEntry(set, slot, entry)) return (1 << 16) | (set.m_untitled ? 1 : 0);
  set.m_modified = 1;
  view.SetActivePane(pane);
  if (view.IsCommandEnabled(kCmdSave)) view.OnCommand(kCmdSave);
  else SavePaneFile(view.Session(), set);
  if (set.m_untitled) {
    // The new name was not chosen: the slot goes back to what the file holds.
    if (kept.used) StoreEntry(set, slot, kept);
    else set.ClearSlot(kSecGlyph, slot);
    set.m_modified = keptModified;
  }
  view.FillList(pane, CXAMUView::kKeepPosition);
  return ((set.m_modified ? 1 : 0) << 16) | (set.m_untitled ? 1 : 0);
}

void RunGlyphEdit(CXAMUView& view) {
  const int pane = view.ActivePane();
  if (view.PanePath(pane).isEmpty()) {
    Prompt().Message(QString::fromUtf8(kMsgNoGlyphData), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
    return;
  }
  int slot = view.List(pane) ? view.List(pane)->CaretIndex() : 0;
  if (slot < 0 || slot >= kGlyphSlots) slot = 0;
  CDataSet& set = view.DataSet(pane);
  const DATAENTRY* current = set.Entry(kSecGlyph, slot);
  if (!current) return;
  const bool device = pane == CXAMUView::kPaneRight && view.DeviceMode();

  CGlyphDialog dialog(view.window());
  dialog.SetModels(view.Session().Config().Models());
  QObject::connect(&dialog, &CGlyphDialog::HelpRequested, &view, &CXAMUView::HelpRequested);
  dialog.LoadEntry(*current);
  dialog.SetSaveDisabled(device);
  // The save always goes to the slot the editor was opened on.
  dialog.SetSaveHandler([&view, pane, slot](const DATAENTRY& entry) {
    return SaveGlyphFromEditor(view, pane, slot, entry);
  });
  const int result = Runner() ? Runner()(dialog) : dialog.exec();
  if (result != QDialog::Accepted || !dialog.HasChanges()) return;

  const DATAENTRY& edited = dialog.Entry();
  if (!device) {
    StoreEntry(set, slot, edited);
    set.m_modified = 1;
  } else {
    CPromptDevice prompt;
    CCountingProgress progress;
    CDeviceLink& link = view.Session().Link();
    const DATAENTRY* entries[] = {&edited};
    // Asked for the user's information only: the editor's result is stored anyway.
    link.ConfirmGlyphSizes(entries, prompt);
    StoreEntry(set, slot, edited);
    CDataSet source;
    StoreEntry(source, slot, edited);
    std::vector<int> selection{slot};
    // Every failure of the write is reported, a refused link included; the
    // pane is read back unless the write itself failed, so that it shows
    // what the printer holds.
    int code = link.OpenLink();
    if (code == kDevOk) {
      progress.SetRange(1 + kGlyphSlots);
      code = link.WriteEntriesNoAsk(selection, source, progress);
      link.CloseLink();
    }
    if (code != kDevOk) ReportDeviceResult(prompt, code);
    if (code >= 0) {
      const int read = link.ReRead(set, 0, progress);
      if (read != kDevOk) code = read;
    }
    view.Session().Config().ResetDeviceLimits();
    view.FillList(CXAMUView::kPaneLeft, CXAMUView::kKeepPosition);
    if (code == kDevRefillLeft && view.List(CXAMUView::kPaneLeft))
      view.FillList(CXAMUView::kPaneLeft, view.List(CXAMUView::kPaneLeft)->TopIndex());
  }
  view.FillList(pane, 0);
  if (CXAMUListBox* list = view.List(pane)) list->SetCaretIndex(slot);
  view.UpdatePreview(pane);
}
