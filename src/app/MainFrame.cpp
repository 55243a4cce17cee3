#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "app/AboutDlg.h"
#include "guikit/CommandIds.h"
#include "guikit/Prompt.h"
#include "guikit/Resources.h"
#include "guikit/Strings.h"
#include "app/SplashWnd.h"
#include "app/RecentFiles.h"
#include "app/XAMUDoc.h"
#include "guikit/Session.h"
#include "view/ViewCommands.h"
#include "view/ViewGlyphHandOver.h"
#include "view/XAMUView.h"

namespace {

constexpr char kPlacementKey[] = "Settings/WindowsPosition";
constexpr char kBarStateKey[] = "Settings/TBSMain";
constexpr char kHelpMissing[] = "Not Exist Html Help File\n\n   File Path [ %1 ]";

// Help commands of the help file.
enum : int {
  kHelpContext = 1,      // the topic of a context id
  kHelpContents = 3,     // table of contents
  kHelpHelpOnHelp = 4,   // the search page
  kHelpFinder = 11,      // the index
};

// Commands the frame carries out itself; every other one goes to the view.
bool IsFrameCommand(int id) {
  switch (id) {
    case kCmdToolBar:
    case kCmdStatusBar:
    case kCmdWebPage:
    case kCmdAbout:
    case kCmdExit:
    case kCmdF1Nothing:
    case kCmdHelpIndex:
    case kCmdHelpTopics:
    case kCmdContextHelp:
    case kCmdHelpUsing:
    case kCmdHelpFinder: return true;
    default: return false;
  }
}

// Texts of the category pane, by category.
const char* const kCategoryPane[] = {"ﾌｧｲﾙﾃﾞｰﾀ", "あて名ﾃﾞｰﾀ", "名前ﾃﾞｰﾀ", "外字ﾃﾞｰﾀ"};

}  // namespace

CMainFrame::CMainFrame(CXAMUDoc& doc, QWidget* parent) : QMainWindow(parent), m_doc(doc) {
  setObjectName(QStringLiteral("CMainFrame"));
  setWindowTitle(LoadString(kStrTitle));
  setWindowIcon(QIcon(QPixmap::fromImage(ReadPicture(QStringLiteral(":/xamu/xamu.png"), "png"))));
  m_view = new CXAMUView(doc.Session(), this);
  InstallGlyphHandOver(*m_view);
  m_commands = std::make_unique<CViewCommands>(*m_view, doc.Session());
  setCentralWidget(m_view);
  connect(&doc, &CXAMUDoc::NewDocument, m_view, [this] {
    if (m_view->IsInitialised()) m_view->ResetLeftPane();
  });
  // Recent files and a second start's file go through the open of the left
  // pane, questions included.
  m_openHandler = [this](const QString& file) { m_view->Commands().OpenFile(CXAMUView::kPaneLeft, file); };
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  connect(m_view, &CXAMUView::CommandStatesChanged, this, &CMainFrame::UpdateCommandStates);
  connect(m_view, &CXAMUView::CategoryChanged, this, &CMainFrame::UpdateCategoryPane);
  connect(m_view, &CXAMUView::StatusText, this, &CMainFrame::SetMessageText);
  connect(m_view, &CXAMUView::HelpRequested, this, [this](int context, int command) { WinHelp(context, command); });
  connect(&doc, &CXAMUDoc::FileNamed, this, &CMainFrame::AddRecentFile);
  connect(&m_view->Commands(), &CViewCommands::FileNamed, this, &CMainFrame::AddRecentFile);
  // There is no idle update: every change that can move a command's state
  // calls the one update function.
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateCommandStates);
  connect(qApp, &QApplication::focusChanged, this, &CMainFrame::UpdateCommandStates);
  adjustSize();
  RestorePlacement();
  restoreState(QSettings().value(QLatin1String(kBarStateKey)).toByteArray());
  UpdateCategoryPane();
  UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
  // Hiding while being destroyed moves the focus; the actions are gone by
  // then.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
  disconnect(m_view, nullptr, this, nullptr);
  disconnect(&m_doc, nullptr, this, nullptr);
  disconnect(&m_doc, nullptr, m_view, nullptr);
}

QAction* CMainFrame::AddAction(QMenu* menu, int id, const QString& text, const QKeySequence& key) {
  auto* action = new QAction(text, this);
  action->setData(id);
  if (!key.isEmpty()) action->setShortcut(key);
  const QString status = StatusText(id);
  if (!status.isEmpty()) action->setStatusTip(status);
  const QString tip = TipText(id);
  if (!tip.isEmpty()) action->setToolTip(tip);
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  if (menu) menu->addAction(action);
  else addAction(action);  // an accelerator without a menu item
  m_actions.insert(id, action);
  return action;
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  AddAction(file, kCmdNew, QStringLiteral("新規作成(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N));
  QMenu* open = file->addMenu(QStringLiteral("開く(&O)"));
  AddAction(open, kCmdOpenPrinter, QStringLiteral("「ｸｲﾙﾌﾟ」PRO本体(&T)"));
  AddAction(open, kCmdOpenFile, QStringLiteral("PCﾃﾞｰﾀﾌｧｲﾙ(&P)..."));
  AddAction(file, kCmdSave, QStringLiteral("上書き保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
  AddAction(file, kCmdSaveAs, QStringLiteral("名前を付けて保存(&A)..."));
  file->addSeparator();
  AddAction(file, kCmdReadAddress, QStringLiteral("あて名ﾃﾞｰﾀ読み込み(&I)..."));
  AddAction(file, kCmdSaveAddress, QStringLiteral("あて名ﾃﾞｰﾀ保存(&E)..."));
  AddAction(file, kCmdReadName, QStringLiteral("名前ﾃﾞｰﾀ読み込み(&R)..."));
  AddAction(file, kCmdSaveName, QStringLiteral("名前ﾃﾞｰﾀ保存(&M)..."));
  file->addSeparator();
  m_recentMenu = file->addMenu(QStringLiteral("最近使ったﾌｧｲﾙ(&F)"));
  file->addSeparator();
  AddAction(file, kCmdExit, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"));

  QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  AddAction(edit, kCmdUndo, QStringLiteral("元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z));
  edit->addSeparator();
  AddAction(edit, kCmdCut, QStringLiteral("切り取り(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X));
  AddAction(edit, kCmdCopy, QStringLiteral("ｺﾋﾟｰ(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
  AddAction(edit, kCmdPaste, QStringLiteral("貼り付け(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V));
  AddAction(edit, kCmdDelete, QStringLiteral("削除(&D)"), QKeySequence(Qt::Key_Delete));
  edit->addSeparator();
  AddAction(edit, kCmdTransferAll, QStringLiteral("全転送(&L)..."));
  AddAction(edit, kCmdSelectAll, QStringLiteral("全て選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A));

  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  AddAction(view, kCmdDataSelect, QStringLiteral("ﾃﾞｰﾀ選択(&D)"));
  view->addSeparator();
  AddAction(view, kCmdToolBar, QStringLiteral("ﾂｰﾙ ﾊﾞｰ(&T)"))->setCheckable(true);
  AddAction(view, kCmdStatusBar, QStringLiteral("ｽﾃｰﾀｽ ﾊﾞｰ(&S)"))->setCheckable(true);
  view->addSeparator();
  AddAction(view, kCmdRefresh, QStringLiteral("最新の情報に更新(&R)"), QKeySequence(Qt::Key_F5));

  QMenu* help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  AddAction(help, kCmdHelpTopics, QStringLiteral("ﾄﾋﾟｯｸの検索(&H)"));
  AddAction(help, kCmdWebPage, QStringLiteral("KORVANTE Webﾍﾟｰｼﾞ(&K)"));
  help->addSeparator();
  AddAction(help, kCmdAbout, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));

  // Accelerators without a menu item.
  AddAction(nullptr, kCmdF1Nothing, QString(), QKeySequence(Qt::Key_F1));
  AddAction(nullptr, kCmdContextHelp, QString(), QKeySequence(Qt::SHIFT | Qt::Key_F1));

  for (QMenu* menu : {file, open, edit, view, help})
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
  FillRecentMenu();
}

void CMainFrame::CreateToolBar() {
  m_toolBar = new QToolBar(QStringLiteral("ﾂｰﾙ ﾊﾞｰ"), this);
  m_toolBar->setObjectName(QStringLiteral("TBSMain"));
  m_toolBar->setIconSize(QSize(16, 16));
  struct BUTTON {
    int id;
    const char* image;
  };
  static const BUTTON kButtons[] = {{kCmdNew, "tb_new"}, {kCmdSave, "tb_save"}, {0, nullptr},
                                    {kCmdCut, "tb_cut"}, {kCmdDelete, "tb_delete"}, {0, nullptr},
                                    {kCmdHelpTopics, "tb_help"}};
  for (const BUTTON& b : kButtons) {
    if (!b.id) {
      m_toolBar->addSeparator();
      continue;
    }
    QAction* action = m_actions.value(b.id);
    action->setIcon(QIcon(QPixmap::fromImage(ReadPicture(QStringLiteral(":/xamu/%1.png").arg(QLatin1String(b.image)), "png"))));
    m_toolBar->addAction(action);
  }
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  connect(m_toolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::CreateStatusBar() {
  m_message = new QLabel(this);
  m_message->setAccessibleName(QStringLiteral("ステータス"));
  statusBar()->addWidget(m_message, 1);
  m_categoryPane = new QLabel(this);
  m_categoryPane->setObjectName(QStringLiteral("categoryPane"));
  m_categoryPane->setAccessibleName(QStringLiteral("データの種類"));
  m_categoryPane->setAlignment(Qt::AlignCenter);
  m_categoryPane->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("あて名ﾃﾞｰﾀ")) + 16);
  statusBar()->addPermanentWidget(m_categoryPane);
  // The keyboard indicators keep their places; this platform gives no lock
  // state to show in them.
  for (const char* indicator : {"KANA", "CAP", "NUM", "SCRL"}) {
    auto* pane = new QLabel(this);
    pane->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QLatin1String(indicator)) + 8);
    pane->setAccessibleName(QLatin1String(indicator));
    statusBar()->addPermanentWidget(pane);
  }
  SetMessageText(QString());
}

void CMainFrame::SetMessageText(const QString& text) {
  m_message->setText(text.isEmpty() ? LoadString(kStrIdle) : text);
}

QString CMainFrame::MessageText() const { return m_message->text(); }

QString CMainFrame::CategoryPaneText() const { return m_categoryPane->text(); }

void CMainFrame::UpdateCategoryPane() {
  const int category = m_doc.Session().Category();
  m_categoryPane->setText(category >= 0 && category < 4 ? QString::fromUtf8(kCategoryPane[category]) : QString());
}

void CMainFrame::AddRecentFile(const QString& path) {
  AddToRecentFileList(path);
  FillRecentMenu();
}

void CMainFrame::FillRecentMenu() {
  m_recentMenu->clear();
  const QStringList files = RecentFiles();
  for (int i = 0; i < files.size(); ++i) {
    QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]));
    const QString file = files[i];
    connect(action, &QAction::triggered, this, [this, file] {
      if (m_openHandler) m_openHandler(file);
    });
    action->setEnabled(bool(m_openHandler));
  }
  m_recentMenu->setEnabled(!files.isEmpty());
}

bool CMainFrame::IsCommandEnabled(int id) const {
  if (IsFrameCommand(id)) return true;
  // Forwarded commands act only while the frame is shown.
  return isVisible() && m_view->IsCommandEnabled(id);
}

void CMainFrame::UpdateCommandStates() {
  for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) it.value()->setEnabled(IsCommandEnabled(it.key()));
  m_actions.value(kCmdToolBar)->setChecked(m_toolBar && !m_toolBar->isHidden());
  m_actions.value(kCmdStatusBar)->setChecked(!statusBar()->isHidden());
}

void CMainFrame::OnCommand(int id) {
  if (!IsCommandEnabled(id)) return;
  switch (id) {
    case kCmdToolBar: m_toolBar->setVisible(m_toolBar->isHidden()); break;
    case kCmdStatusBar: statusBar()->setVisible(statusBar()->isHidden()); break;
    case kCmdWebPage: OnWebPage(); break;
    case kCmdAbout: OnAbout(); break;
    case kCmdExit: close(); break;
    case kCmdF1Nothing: break;
    case kCmdHelpIndex: WinHelp(0, kHelpContents); break;
    case kCmdHelpTopics:
    case kCmdHelpFinder: WinHelp(0, kHelpFinder); break;
    case kCmdHelpUsing: WinHelp(0, kHelpHelpOnHelp); break;
    case kCmdContextHelp: WinHelp(0, kHelpContext); break;
    default: m_view->OnCommand(id); break;
  }
  UpdateCommandStates();
}

void CMainFrame::WinHelp(int context, int command) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QString path = QString::fromStdString(m_doc.Session().Config().HelpFilePath());
  if (!QFileInfo::exists(path)) {
    QApplication::restoreOverrideCursor();
    ShowWarning(QString::fromUtf8(kHelpMissing).arg(path));
    return;
  }
  QUrl url = QUrl::fromLocalFile(path);
  switch (command) {
    case kHelpContext:
      // A topic when there is one for the context, else the contents.
      if (context) url.setFragment(QStringLiteral("topic-%1").arg(context));
      break;
    case kHelpContents: break;
    case kHelpHelpOnHelp: url.setFragment(QStringLiteral("search")); break;
    case kHelpFinder: url.setFragment(QStringLiteral("index")); break;
    default: url = QUrl(); break;
  }
  if (url.isValid()) Prompt().OpenUrl(url);
  QApplication::restoreOverrideCursor();
}

void CMainFrame::OnWebPage() {
  if (!Prompt().OpenUrl(QUrl(LoadString(kStrWebAddress)))) ShowWarning(LoadString(kStrBrowserFailed));
}

void CMainFrame::OnAbout() {
  CAboutDlg about(this, QString::fromStdString(m_doc.Session().Config().DriverFolder()));
  about.exec();
}

void CMainFrame::Activate() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void CMainFrame::OpenFromOtherStart(const QString& file) {
  if (m_openHandler) m_openHandler(file);
}

WINDOWPLACEMENT CMainFrame::CurrentPlacement() const {
  WINDOWPLACEMENT p;
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  p.left = normal.left();
  p.top = normal.top();
  p.right = normal.left() + normal.width();
  p.bottom = normal.top() + normal.height();
  if (isMinimized() || isHidden()) p.showCmd = kShowNormal;  // never saved minimised or hidden
  else if (isMaximized()) p.showCmd = kShowMaximised;
  else p.showCmd = kShowNormal;
  return p;
}

void CMainFrame::RestorePlacement() {
  WINDOWPLACEMENT p;
  const QString saved = QSettings().value(QLatin1String(kPlacementKey)).toString();
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect();
  if (ParsePlacement(saved, p) && p.right > p.left && p.bottom > p.top) {
    // A window saved minimised opens where the system places it.
    if (p.showCmd == kShowMinimised) return;
    setGeometry(ClampToScreen(p.Normal(), area));
    if (p.showCmd == kShowMaximised) setWindowState(windowState() | Qt::WindowMaximized);
    return;
  }
  const QSize size = sizeHint().expandedTo(minimumSizeHint());
  resize(size);
  const QPoint at = CentredPosition(area.size(), menuBar()->sizeHint().height(), size);
  move(area.topLeft() + at);
}

void CMainFrame::SavePlacement() {
  QSettings settings;
  // Unchanged values are not written again: every write of the settings
  // file waits for the disk.
  const QString placement = FormatPlacement(CurrentPlacement());
  if (settings.value(QLatin1String(kPlacementKey)).toString() != placement)
    settings.setValue(QLatin1String(kPlacementKey), placement);
  const QByteArray state = saveState();
  if (settings.value(QLatin1String(kBarStateKey)).toByteArray() != state)
    settings.setValue(QLatin1String(kBarStateKey), state);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_view->SaveModifiedPanes()) {
    event->ignore();
    return;
  }
  SavePlacement();
  event->accept();
}
