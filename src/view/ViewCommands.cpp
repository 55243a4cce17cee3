#include "view/ViewCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>
#include <algorithm>
#include <map>

#include "guikit/CommandIds.h"
#include "guikit/Prompt.h"
#include "guikit/Session.h"
#include "device/CommandPlan.h"
#include "device/DeviceResult.h"
#include "exchange/Exchange.h"
#include "model/Category.h"
#include "model/Content.h"
#include "model/DataSet.h"
#include "model/EntryClipboard.h"
#include "model/FileResult.h"
#include "model/Paths.h"
#include "view/ComMsg.h"
#include "view/XAMUListBox.h"
#include "view/XAMUView.h"

namespace {

constexpr int kLeft = CXAMUView::kPaneLeft;
constexpr int kRight = CXAMUView::kPaneRight;
constexpr int kKeep = CXAMUView::kKeepPosition;

// Pause after a read from the printer before the lists are refilled.
constexpr unsigned long kAfterReadPauseMs = 100;

constexpr char kOpenFilter[] = "XAMU ﾌｧｲﾙ (*.xmb)|*.xmb||";
constexpr char kSaveAsFilter[] = "XAMU ﾌｧｲﾙ(*.xmb)|*.xmb||";
constexpr char kExportFilter[] =
    "Excelﾌｧｲﾙ (*.xls)|*.xls|Excelﾌｧｲﾙ (*.xlsx)|*.xlsx|TXTﾌｧｲﾙ(*.txt)|*.txt|CSVﾌｧｲﾙ (*.csv)|*.csv|"
    "CSV (UTF-8)|*.csv||";
// The export file type written in UTF-8 (1-based, as the dialog counts).
constexpr int kExportUtf8Type = 5;
constexpr char kImportFilter[] =
    "ﾃﾞｰﾀﾌｧｲﾙ (*.xls,*.xlsx,*.txt,*.csv)|*.xlsx;*.xls;*.txt;*.csv|Excelﾌｧｲﾙ (*.xls)|*.xls|Excelﾌｧｲﾙ "
    "(*.xlsx)|*.xlsx|TXTﾌｧｲﾙ(*.txt)|*.txt|CSVﾌｧｲﾙ (*csv)|*.csv||";

constexpr char kMsgAlreadyOpen[] = "ファイル%1は、すでに開いているため開けませんでした。";
constexpr char kMsgSaveModified[] = "データは更新されています。\n保存しますか？";
constexpr char kMsgExists[] = "ファイルはすでに存在します。\n上書きしますか？";
constexpr char kMsgWriteProtected[] = "書き込み禁止のファイルです。";
constexpr char kMsgSaveChanges[] = "%1 への変更を保存しますか？";
constexpr char kMsgCannotTransfer[] = "転送できません。\n転送元と転送先の指定を確認してください。";

QString U(const char* text) { return QString::fromUtf8(text); }
QString U(const std::string& text) { return QString::fromStdString(text); }

// Questions of the device link through the prompt seam: OK notices with the
// exclamation icon, the overwrite dialogs as the program's own dialogs.
class CViewDevicePrompt : public CDevicePrompt {
 public:
  void Notice(const std::string& utf8) override {
    Prompt().Message(U(utf8), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
  }
  bool YesNo(const std::string& utf8) override {
    const EPromptIcon icon = utf8 == kMsgGlyphSizesLacking ? EPromptIcon::kInformation : EPromptIcon::kQuestion;
    return Prompt().Message(U(utf8), kButtonsYesNo, icon, kAnswerYes) == kAnswerYes;
  }
  // COverwriteDlg1: OK and ｷｬﾝｾﾙ; Escape and the close box cancel.
  bool OverwriteNotice(const std::string& utf8) override {
    return Prompt().Choice(QStringLiteral("XAMU"), U(utf8), {QStringLiteral("OK"), QStringLiteral("ｷｬﾝｾﾙ")}, 0, 1) ==
           0;
  }
  // COverwriteDlg: はい, すべて上書き, いいえ, ｷｬﾝｾﾙ (answers 0 to 3).
  int OverwriteChoice(const std::string& utf8) override {
    const QStringList buttons = {QStringLiteral("はい"), QStringLiteral("すべて上書き"), QStringLiteral("いいえ"),
                                 QStringLiteral("ｷｬﾝｾﾙ")};
    switch (Prompt().Choice(QStringLiteral("上書き確認"), U(utf8), buttons, 0, 3)) {
      case 0: return kOverwriteOne;
      case 1: return kOverwriteAll;
      case 2: return kOverwriteSkip;
      default: return kOverwriteCancel;
    }
  }
};

class CViewExchangeMessages : public CExchangeMessages {
 public:
  void ShowMessage(const std::string& utf8) override { ShowWarning(U(utf8)); }
};

// Drops mouse, key and wheel events while it is installed.
class CInputSwallower : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::ShortcutOverride: return true;
      default: return false;
    }
  }
};

bool EndsWithXmb(const QString& path) { return path.endsWith(QStringLiteral(".xmb"), Qt::CaseInsensitive); }

}  // namespace

CViewCommands::CViewCommands(CXAMUView& view, CSession& session)
    : QObject(nullptr),
      m_view(view),
      m_session(session),
      m_link(session.Link()),
      m_prompt(std::make_unique<CViewDevicePrompt>()) {
  auto always = [] { return true; };
  auto hasSelection = [this] { return !m_view.List(m_view.ActivePane())->SelectedRows().isEmpty(); };
  m_view.RegisterCommand(kCmdNew, [this] { OnNew(); }, always);
  m_view.RegisterCommand(kCmdOpenFile, [this] { OpenFile(m_view.ActivePane()); }, always);
  m_view.RegisterCommand(kCmdOpenPrinter, [this] { ReadPrinter(false); },
                         [this] { return m_view.ActivePane() == kRight; });
  m_view.RegisterCommand(kCmdSave, [this] { OnSave(); }, [this] { return CanSaveFile(); });
  m_view.RegisterCommand(kCmdSaveAs, [this] { SaveAs(m_view.ActivePane()); }, [this] { return CanSaveFile(); });
  m_view.RegisterCommand(kCmdDelete, [this] { Delete(); }, hasSelection);
  m_view.RegisterCommand(kCmdCopy, [this] { Copy(false); }, hasSelection);
  m_view.RegisterCommand(kCmdCut, [this] { Copy(true); }, hasSelection);
  m_view.RegisterCommand(kCmdPaste, [this] { Paste(); }, [this] { return CanPaste(); });
  m_view.RegisterCommand(kCmdRefresh, [this] { Refresh(); },
                         [this] { return m_view.ActivePane() == kRight && m_view.DeviceMode(); });
  m_view.RegisterCommand(kCmdTransferAll, [this] { Transfer(true); }, [this] { return CanTransferAll(); });
  m_view.RegisterCommand(kCmdReadAddress, [this] { ImportCommand(); }, [this] { return ImportEnabled(kCatAddress); });
  m_view.RegisterCommand(kCmdReadName, [this] { ImportCommand(); }, [this] { return ImportEnabled(kCatName); });
  m_view.RegisterCommand(kCmdSaveAddress, [this] { ExportCommand(); }, [this] {
    return ImportEnabled(kCatAddress) && m_view.DataSet(m_view.ActivePane()).IsUsed(kSecAddress, -2);
  });
  m_view.RegisterCommand(kCmdSaveName, [this] { ExportCommand(); }, [this] {
    return ImportEnabled(kCatName) && m_view.DataSet(m_view.ActivePane()).IsUsed(kSecName, -2);
  });
  m_view.SetSaveModifiedHandler([this] { return SaveModifiedPanes(); });
  m_view.SetCommands(this);
  connect(&m_view, &CXAMUView::ButtonPressed, this, &CViewCommands::OnButton);
  connect(&m_view, &CXAMUView::CategoryChanged, this, &CViewCommands::OnCategoryChanged);
}

CViewCommands::~CViewCommands() {
  m_view.SetSaveModifiedHandler(nullptr);
  m_view.SetCommands(nullptr);
}

QString CViewCommands::EntriesMimeType(int category) {
  return QStringLiteral("application/x-xamu-entries-%1").arg(category);
}

int CViewCommands::CurrentSection() const { return SectionOfCategory(m_session.Category()); }

bool CViewCommands::PaneHasPath(int pane) const { return !m_view.DataSet(pane).m_path.empty(); }

bool CViewCommands::CanSaveFile() const {
  const int pane = m_view.ActivePane();
  return PaneHasPath(pane) && !(pane == kRight && m_view.DeviceMode());
}

bool CViewCommands::ImportEnabled(int category) const {
  return m_session.Category() == category && CanSaveFile();
}

bool CViewCommands::CanTransferAll() const {
  return m_view.List(kLeft)->count() > 0 && m_view.List(kRight)->count() > 0 &&
         m_view.DataSet(m_view.ActivePane()).IsUsed(CurrentSection(), -2) != 0;
}

void CViewCommands::OnButton(int id) {
  switch (id) {
    case kIdcOpenLeft: OpenFile(kLeft); break;
    case kIdcOpenRight: OpenFile(kRight); break;
    case kIdcOpenDevice: ReadPrinter(true); break;
    case kIdcTransfer: OnTransferButton(); break;
    case kIdcCopy:
      if (!m_view.List(m_view.ActivePane())->SelectedRows().isEmpty()) Copy(false);
      break;
    case kIdcPaste:
      if (CanPaste()) Paste();
      m_view.List(m_view.ActivePane())->setFocus(Qt::OtherFocusReason);
      break;
    default: break;
  }
  emit m_view.CommandStatesChanged();
}

void CViewCommands::OnCategoryChanged() {
  ClearCutList();
  // The right pane shows the printer's real state in every category.
  if (m_view.IsInitialised() && m_view.DeviceMode() && PaneHasPath(kRight) &&
      !(m_readCategories & (1u << m_session.Category())))
    ReadPrinterInto(false);
}

void CViewCommands::ClearCutList() {
  m_cut.clear();
}

// ---------------------------------------------------------------- files

bool CViewCommands::SaveIfModified(int pane) {
  CDataSet& set = m_view.DataSet(pane);
  if (!set.m_modified) return true;
  if (pane == kRight && m_view.DeviceMode()) return true;
  if (Prompt().Message(U(kMsgSaveModified), kButtonsYesNo, EPromptIcon::kQuestion, kAnswerYes) != kAnswerYes)
    return true;
  return SaveProcedure(pane);
}

bool CViewCommands::SaveProcedure(int pane) {
  CDataSet& set = m_view.DataSet(pane);
  if (set.m_path.empty()) {
    int counter = 1;
    set.m_path = m_view.UntitledPath(&counter, m_view.DataSet(1 - pane).m_path);
    set.m_untitled = 1;
  }
  if (set.m_untitled) return SaveAs(pane);
  const int result = set.SaveDataFile(set.m_path);
  ShowFileResult(result, true, set.m_path);
  return result == kFileOk;
}

bool CViewCommands::SaveModifiedPanes() {
  for (int pane : {kRight, kLeft}) {
    CDataSet& set = m_view.DataSet(pane);
    if (set.m_path.empty() || !set.m_modified) continue;
    if (pane == kRight && m_view.DeviceMode()) continue;
    const QString text = U(kMsgSaveChanges).arg(U(FileNameOf(set.m_path)));
    if (Prompt().Message(text, kButtonsYesNo, EPromptIcon::kQuestion, kAnswerYes) != kAnswerYes) continue;
    // A save that was asked for and did not happen must not lose the data.
    if (!SaveProcedure(pane)) return false;
  }
  return true;
}

void CViewCommands::OnNew() {
  const int pane = m_view.ActivePane();
  if (!SaveIfModified(pane)) return;
  int counter = 1;
  const std::string path = m_view.UntitledPath(&counter, m_view.DataSet(1 - pane).m_path);
  if (pane == m_clipPane) ClearCutList();
  if (pane == kRight) m_view.SetDeviceMode(false);
  CDataSet& set = m_view.DataSet(pane);
  set.ClearAll();
  set.m_path = path;
  set.m_modified = 0;
  set.m_untitled = 1;
  m_view.FillList(pane, 0);
  m_view.UpdateAddressFields();
}

void CViewCommands::OpenFile(int pane, const QString& given) {
  QString chosen = given;
  if (chosen.isEmpty()) {
    FILEDIALOGSPEC spec;
    spec.filter = U(kOpenFilter);
    spec.fileName = QStringLiteral("*.xmb");
    spec.folder = U(m_session.Config().GetDataFolder(false));
    spec.mustExist = true;
    spec.showContents = true;
    chosen = Prompt().OpenFileName(spec);
  }
  m_view.SetActivePane(pane);
  if (chosen.isEmpty()) return;
  const std::string path = MakeAbsolute(chosen.toStdString());
  const CDataSet& other = m_view.DataSet(1 - pane);
  if (!other.m_path.empty() && !(pane == kLeft && m_view.DeviceMode()) && SamePath(path, other.m_path)) {
    Prompt().Message(U(kMsgAlreadyOpen).arg(U(FileNameOf(path))), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
    return;
  }
  if (!SaveIfModified(pane)) return;
  CDataSet& set = m_view.DataSet(pane);
  const int result = set.LoadDataFile(path);
  if (result == kFileNotOpened) {
    // Nothing was read: the pane stays exactly as it was.
    ShowFileResult(result, false, path);
    return;
  }
  if (pane == m_clipPane) ClearCutList();
  m_session.Config().ResetDeviceLimits();
  if (result != kFileOk) {
    // Bound to a fresh name, a later save cannot overwrite the file that
    // failed to load with an empty set.
    int counter = 1;
    set.m_path = m_view.UntitledPath(&counter, other.m_path);
    set.m_untitled = 1;
  } else {
    emit FileNamed(U(path));
  }
  if (pane == kRight) {
    m_view.SetDeviceMode(false);
    m_view.FillList(kLeft, kKeep);
  }
  ShowFileResult(result, false, path);
  m_view.FillList(pane, 0);
  m_view.UpdateAddressFields();
}

void CViewCommands::ReadPrinter(bool fromButton) {
  if (m_view.ActivePane() != kRight) return;
  if (!SaveIfModified(kRight)) return;
  m_view.DataSet(kRight).m_modified = 0;
  ReadPrinterInto(fromButton);
}

void CViewCommands::Refresh() {
  if (m_view.ActivePane() != kRight || !m_view.DeviceMode()) return;
  if (PaneHasPath(kRight)) ReadPrinterInto(false);
}

void CViewCommands::ReadPrinterInto(bool fromButton) {
  CDataSet& right = m_view.DataSet(kRight);
  const bool wasDevice = m_view.DeviceMode() && !right.m_path.empty();
  right.m_modified = 0;
  int result = m_link.OpenLink();
  if (result != kDevOk) {
    ReportDeviceResult(*m_prompt, result);
    m_view.UpdateAddressFields();
    return;
  }
  if (m_clipPane == kRight) ClearCutList();
  bool noData = false;
  {
    CComMsg progress(m_view.window());
    progress.Show();
    std::vector<uint32_t> list;
    result = m_link.ReadSlotList(list);
    if (result == kDevOk) {
      CDataSet kept;
      if (!kept.CopyFrom(right)) {
        result = kDevNoMemory;
      } else {
        if (wasDevice) right.ClearSection(CurrentSection());
        else right.ClearAll();
        progress.SetRange(static_cast<int>(list.size()));
        if (!list.empty()) {
          result = m_link.ReadEntries(list, right, progress);
          if (result != kDevOk) right.CopyFrom(kept);
        } else {
          noData = true;
        }
      }
    }
    m_link.CloseLink();
  }
  if (!wasDevice) m_readCategories = 0;
  m_view.SetDeviceMode(true);
  QThread::msleep(kAfterReadPauseMs);
  if (noData) m_prompt->Notice(kMsgNoDeviceData);
  if (result != kDevOk) {
    // The pane shows the printer's name: it must never show a PC file's
    // entries under it.
    if (!wasDevice) {
      right.ClearAll();
      right.m_path = m_session.DeviceName();
      right.m_untitled = 0;
    }
    ReportDeviceResult(*m_prompt, result);
    m_view.FillList(kRight, kKeep);
  } else {
    m_readCategories |= 1u << m_session.Category();
    m_session.Config().ResetDeviceLimits();
    m_view.FillList(kLeft, kKeep);
    right.m_path = m_session.DeviceName();
    right.m_untitled = 0;
    m_view.FillList(kRight, 0);
  }
  m_view.UpdateAddressFields();
  if (fromButton) DiscardQueuedInput();
}

void CViewCommands::DiscardQueuedInput() {
  CInputSwallower swallower;
  qApp->installEventFilter(&swallower);
  QCoreApplication::processEvents();
  qApp->removeEventFilter(&swallower);
}

void CViewCommands::OnSave() {
  const int pane = m_view.ActivePane();
  if (!CanSaveFile()) return;
  CDataSet& set = m_view.DataSet(pane);
  if (set.m_untitled) {
    SaveAs(pane);
    return;
  }
  const int result = set.SaveDataFile(set.m_path);
  ShowFileResult(result, true, set.m_path);
  m_view.UpdateAddressFields();
}

bool CViewCommands::SaveAs(int pane) {
  CDataSet& set = m_view.DataSet(pane);
  std::string current = set.m_path;
  if (current.empty()) {
    int counter = 1;
    current = m_view.UntitledPath(&counter, m_view.DataSet(1 - pane).m_path);
  }
  const QString currentName = U(FileNameOf(current));
  FILEDIALOGSPEC spec;
  spec.title = QStringLiteral("名前を付けて保存");
  spec.filter = U(kSaveAsFilter);
  spec.defaultExt = currentName.right(3);
  spec.fileName = currentName;
  spec.folder = U(FolderOf(current));
  spec.confirmOverwrite = false;
  QString chosen = Prompt().SaveFileName(spec);
  if (chosen.isEmpty()) return false;
  if (!EndsWithXmb(chosen)) chosen += QStringLiteral(".xmb");
  const std::string path = MakeAbsolute(chosen.toStdString());
  const CDataSet& other = m_view.DataSet(1 - pane);
  if (!other.m_path.empty() && !(pane == kLeft && m_view.DeviceMode()) && SamePath(path, other.m_path)) {
    Prompt().Message(U(kMsgAlreadyOpen).arg(U(FileNameOf(path))), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
    return false;
  }
  const QFileInfo info(U(path));
  if (info.exists()) {
    if (Prompt().Message(U(kMsgExists), kButtonsYesNo, EPromptIcon::kWarning, kAnswerNo) != kAnswerYes) return false;
    if (!info.isWritable()) {
      Prompt().Message(U(kMsgWriteProtected), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
      return false;
    }
  }
  // The old file is replaced only by a complete new one.
  const int result = set.SaveDataFile(path);
  ShowFileResult(result, true, path);
  if (result == kFileOk) emit FileNamed(U(path));
  m_view.FillList(pane, 0);
  m_view.UpdateAddressFields();
  return result == kFileOk;
}

// ------------------------------------------------------------- transfer

std::vector<int> CViewCommands::SelectedRows(int pane) const {
  const QList<int> rows = m_view.List(pane)->SelectedRows();
  return std::vector<int>(rows.begin(), rows.end());
}

bool CViewCommands::AskToGo(const std::string& question) const {
  return Prompt().Message(U(question), kButtonsYesNo, EPromptIcon::kInformation, kAnswerYes) == kAnswerYes;
}

OverwriteQuestion CViewCommands::AskOverwrite() {
  return [this](int slot, bool single) {
    CCountingProgress none;
    return m_link.ConfirmOverwrite(slot, single, *m_prompt, none);
  };
}

void CViewCommands::OnTransferButton() {
  const bool possible = m_view.List(kLeft)->count() > 0 && m_view.List(kRight)->count() > 0 &&
                        m_view.DataSet(m_view.ActivePane()).IsUsed(CurrentSection(), -2) != 0;
  if (!possible) {
    Prompt().Message(U(kMsgCannotTransfer), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
    return;
  }
  Transfer(false);
}

void CViewCommands::Transfer(bool all) {
  const int active = m_view.ActivePane();
  const TRANSFERPLAN plan = PlanTransfer(m_view.DataSet(active), m_session.Category(), active,
                                         m_view.List(active)->count(), SelectedRows(active), all, m_view.DeviceMode());
  if (!plan.transfer) return;
  if (plan.askGlyphSizes) {
    std::vector<const DATAENTRY*> entries;
    for (int slot : plan.picked) entries.push_back(m_view.DataSet(plan.from).Entry(kSecGlyph, slot));
    if (!m_link.ConfirmGlyphSizes(entries, *m_prompt)) return;
  }
  if (!AskToGo(plan.question)) return;
  if (plan.to == kRight && m_view.DeviceMode()) {
    TransferToPrinter(plan.picked, all);
    return;
  }
  CopySlotsAsking(m_view.DataSet(plan.from), m_view.DataSet(plan.to), CurrentSection(), plan.picked, AskOverwrite());
  m_view.DataSet(plan.to).m_modified = 1;
  m_view.FillList(plan.to, m_view.List(plan.from)->TopIndex());
}

void CViewCommands::TransferToPrinter(std::vector<int> picked, bool all) {
  m_link.ResetLastResult();
  int result = kDevOk;
  {
    CComMsg progress(m_view.window());
    result = m_link.TransferFlow(picked, m_view.DataSet(kLeft), m_view.DataSet(kRight), false, *m_prompt, progress);
  }
  // `picked` now holds the picked written.
  AlignGroupNames(picked);
  m_view.FillList(kRight, m_view.List(kLeft)->TopIndex());
  m_view.UpdateAddressFields();
  ReportDeviceResult(*m_prompt, result);
  if (!picked.empty()) {
    m_session.Config().ResetDeviceLimits();
    if (const int limit = PlanDeviceLimit(picked, all, m_link.LastResult() == kDevMemoryFull))
      m_session.Config().LowerDeviceLimit(limit);
    m_view.FillList(kLeft, kKeep);
  }
}

void CViewCommands::AlignGroupNames(const std::vector<int>& written) {
  CDataSet& right = m_view.DataSet(kRight);
  const int section = CurrentSection();
  std::map<uint16_t, std::vector<uint8_t>> names;
  for (int slot : written) {
    const DATAENTRY* entry = right.Entry(section, slot);
    if (!entry || !entry->used || entry->group == 0) continue;
    CONTENTHEADER header;
    if (!ParseContentHeader(entry->Bytes(), header)) continue;
    const auto bytes = entry->Bytes();
    names[entry->group].assign(bytes.begin() + header.group.begin, bytes.begin() + header.group.end);
  }
  if (names.empty()) return;
  for (int i = 0; i < SectionSlotCount(section); ++i) {
    DATAENTRY* entry = right.Entry(section, i);
    if (!entry || !entry->used || entry->group == 0) continue;
    const auto found = names.find(entry->group);
    if (found == names.end()) continue;
    SetGroupName(*entry, found->second);
  }
}

// ------------------------------------------------------ copy and paste

void CViewCommands::Copy(bool cut) {
  const int pane = m_view.ActivePane();
  const int category = m_session.Category();
  const int section = SectionOfCategory(category);
  m_cut.clear();
  m_clipSources.clear();
  m_clipPane = pane;
  const CDataSet& set = m_view.DataSet(pane);
  QList<int> rows = m_view.List(pane)->SelectedRows();
  std::sort(rows.begin(), rows.end());
  std::vector<const DATAENTRY*> entries;
  for (int row : rows) {
    const DATAENTRY* entry = set.Entry(section, row);
    entries.push_back(entry && entry->used ? entry : nullptr);
    m_clipSources.push_back(row);
    if (cut && set.IsUsed(section, row)) m_cut.push_back(row);
  }
  const std::vector<uint8_t> payload = EncodeEntries(entries);
  auto* mime = new QMimeData;
  mime->setData(EntriesMimeType(category),
                QByteArray(reinterpret_cast<const char*>(payload.data()), static_cast<qsizetype>(payload.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
}

bool CViewCommands::CanPaste() const {
  if (!PaneHasPath(m_view.ActivePane())) return false;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime && mime->hasFormat(EntriesMimeType(m_session.Category()));
}

void CViewCommands::Paste() {
  const int pane = m_view.ActivePane();
  const int category = m_session.Category();
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime || !PaneHasPath(pane)) return;
  const QByteArray block = mime->data(EntriesMimeType(category));
  CXAMUListBox* list = m_view.List(pane);
  const bool device = pane == kRight && m_view.DeviceMode();
  const PASTEPLAN plan =
      PlanPaste(std::span(reinterpret_cast<const uint8_t*>(block.constData()), static_cast<size_t>(block.size())),
                list->CaretIndex(), list->count(), !m_cut.empty(), PASTETARGET{category, pane, device, m_clipPane});
  if (!plan.paste) return;
  if (plan.askGlyphSizes && !m_link.ConfirmGlyphSizes(plan.Entries(), *m_prompt)) return;
  if (!AskToGo(plan.question)) return;

  std::unique_ptr<CComMsg> progress;
  m_link.ResetLastResult();
  const std::vector<int> written = device ? PasteToPrinter(plan, progress) : PasteToFile(plan, pane);
  const int top = list->TopIndex();
  const QList<int> selected = list->SelectedRows();
  if (plan.move && m_clipPane >= 0) {
    EmptyMoveSources(PlanMoveSources(written, plan.first, m_clipSources, m_cut, pane == m_clipPane), progress);
    m_cut.clear();
  }
  progress.reset();

  m_view.FillList(pane, 0);
  m_view.UpdateAddressFields();
  if (device) {
    m_session.Config().ResetDeviceLimits();
    m_view.FillList(kLeft, kKeep);
  }
  {
    const QSignalBlocker block(list);
    for (int row : selected)
      if (QListWidgetItem* item = list->item(row)) item->setSelected(true);
    list->SetCaretIndex(plan.first);
  }
  list->SetTopIndex(top);
  m_view.UpdatePreview(pane);
}

std::vector<int> CViewCommands::PasteToPrinter(const PASTEPLAN& plan, std::unique_ptr<CComMsg>& progress) {
  const int cutCount = static_cast<int>(m_cut.size());
  progress = std::make_unique<CComMsg>(m_view.window());
  progress->PrepareRange(plan.Count() + (m_clipPane == kRight ? cutCount : 0) + CategorySlotCount(m_session.Category()));
  std::vector<int> written = plan.Slots();
  const int result = m_link.PasteFlow(written, plan.records, m_view.DataSet(kRight), cutCount, m_clipPane == kLeft,
                                      *m_prompt, *progress);
  progress->Hide();
  ReportDeviceResult(*m_prompt, result);
  if (result == kDevNotTaken) m_view.FillList(kLeft, kKeep);
  AlignGroupNames(written);
  return written;
}

std::vector<int> CViewCommands::PasteToFile(const PASTEPLAN& plan, int pane) {
  CDataSet& target = m_view.DataSet(pane);
  const std::vector<int> written = StoreRecordsAsking(target, CurrentSection(), plan.first, plan.records, AskOverwrite());
  if (!written.empty()) target.m_modified = 1;
  return written;
}

void CViewCommands::EmptyMoveSources(std::vector<int> empty, std::unique_ptr<CComMsg>& progress) {
  const int from = m_clipPane;
  if (from == kLeft || !m_view.DeviceMode()) {
    CDataSet& set = m_view.DataSet(from);
    for (int slot : empty) set.ClearSlot(CurrentSection(), slot);
    if (!empty.empty()) set.m_modified = 1;
    m_view.FillList(from, kKeep);
    return;
  }
  // The printer's sources go only when the paste itself went through.
  if (empty.empty() || m_link.LastResult() != kDevOk) return;
  if (!progress) progress = std::make_unique<CComMsg>(m_view.window());
  const int result = m_link.DeleteSlots(empty, m_view.DataSet(kRight), *m_prompt, *progress);
  progress->Hide();
  m_view.FillList(kRight, kKeep);
  m_session.Config().ResetDeviceLimits();
  m_view.FillList(kLeft, kKeep);
  m_view.UpdateAddressFields();
  ReportDeviceResult(*m_prompt, result);
}

// --------------------------------------------------------------- delete

void CViewCommands::Delete() {
  const int pane = m_view.ActivePane();
  const bool device = pane == kRight && m_view.DeviceMode();
  CDataSet& set = m_view.DataSet(pane);
  DELETEPLAN plan = PlanDelete(set, m_session.Category(), SelectedRows(pane), device);
  if (Prompt().Message(U(plan.question), kButtonsYesNo, EPromptIcon::kQuestion, kAnswerYes) != kAnswerYes) return;
  if (!device) {
    for (int slot : plan.picked) set.ClearSlot(CurrentSection(), slot);
    if (!plan.picked.empty()) set.m_modified = 1;
    m_view.FillList(pane, kKeep);
    return;
  }
  int result = kDevOk;
  if (!plan.picked.empty()) {
    m_link.ResetLastResult();
    CComMsg progress(m_view.window());
    progress.PrepareRange(static_cast<int>(plan.picked.size()) + CategorySlotCount(m_session.Category()));
    result = m_link.DeleteSlots(plan.picked, set, *m_prompt, progress);
  }
  m_view.FillList(kRight, kKeep);
  m_session.Config().ResetDeviceLimits();
  m_view.FillList(kLeft, kKeep);
  m_view.UpdateAddressFields();
  ReportDeviceResult(*m_prompt, result);
}

// ------------------------------------------------------ import / export

void CViewCommands::ExportCommand() {
  const int category = m_session.Category();
  if (category != kCatAddress && category != kCatName) return;
  std::string folder = m_session.Config().GetDataFolder(true);
  if (folder.empty()) folder = m_session.Config().ProgramFolder();
  FILEDIALOGSPEC spec;
  spec.title = category == kCatAddress ? QStringLiteral("あて名ﾃﾞｰﾀ保存") : QStringLiteral("名前ﾃﾞｰﾀ保存");
  spec.filter = U(kExportFilter);
  spec.defaultExt = QStringLiteral("XLS");
  spec.folder = U(folder);
  spec.fileName = U(FileNameOf(MakeExportFileName(folder, category)));
  spec.keepExtension = true;
  const QString chosen = Prompt().SaveFileName(spec);
  if (chosen.isEmpty()) return;
  CViewExchangeMessages messages;
  const ETextEncoding encoding = spec.filterIndex == kExportUtf8Type ? ETextEncoding::kUtf8Bom : ETextEncoding::kCp932;
  ExportEntries(m_view.DataSet(m_view.ActivePane()), category, chosen.toStdString(), messages, encoding);
}

void CViewCommands::ImportCommand() {
  const int category = m_session.Category();
  if (category != kCatAddress && category != kCatName) return;
  const int pane = m_view.ActivePane();
  FILEDIALOGSPEC spec;
  spec.title = category == kCatAddress ? QStringLiteral("あて名ﾃﾞｰﾀ読み込み") : QStringLiteral("名前ﾃﾞｰﾀ読み込み");
  spec.filter = U(kImportFilter);
  spec.folder = U(m_session.Config().GetDataFolder(true));
  spec.mustExist = true;
  const QString chosen = Prompt().OpenFileName(spec);
  if (chosen.isEmpty()) return;
  CViewExchangeMessages messages;
  int stored = 0;
  CDataSet& set = m_view.DataSet(pane);
  ImportEntries(set, category, chosen.toStdString(), messages, &stored);
  if (stored > 0) set.m_modified = 1;
  m_view.FillList(pane, kKeep);
  m_view.UpdateAddressFields();
}
