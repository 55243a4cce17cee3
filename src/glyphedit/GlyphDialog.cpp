#include "glyphedit/GlyphDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstring>

#include "guikit/Prompt.h"
#include "glyph/GlyphCodec.h"
#include "glyph/GlyphPaste.h"
#include "glyphedit/GlyphEditCtrl.h"
#include "glyphedit/ReadingDialogs.h"
#include "glyphedit/ToolImages.h"
#include "model/Content.h"

namespace {

// Settings key of the remembered model.
const char kSelectPrinterKey[] = "Glyph/SelectPrinter";
// The close question.
const char kMsgCloseUnsaved[] =
    "このまま終了すると、現在描画中の外字データは保存されません。\nよろしいですか？";
// Help topic of the glyph editor, and the main window's help command that
// opens a topic.
constexpr int kGlyphHelpTopic = 0x20083;
constexpr int kHelpCommandTopic = 1;
// Settings key of the size the user gave the editor: "width,height" of
// the dialog's client area, menu bar included.
const char kWindowSizeKey[] = "Glyph/WindowSize";
// Client size the dialog opens with (below the menu bar) on a small screen,
// in pixels.
constexpr int kInitialWidth = 420;
constexpr int kInitialHeight = 430;
// What the dialog's children take around the edit control (see
// PlaceChildren): 35 left and 107 right, 38 above and 51 below.
constexpr int kEditExtraWidth = 35 + 107;
constexpr int kEditExtraHeight = 38 + 51;
// Room left on the screen for the window frame and title bar.
constexpr int kFrameAllowance = 48;
// Smallest client size for which the children are moved.
constexpr int kPlaceMinWidth = 354;
constexpr int kPlaceMinHeight = 301;
// Extra height of a list item above the font's character height, and the
// smallest item width.
constexpr int kItemExtraHeight = 52;
constexpr int kItemMinWidth = 52;
// Width of the selected item's red frame.
constexpr int kSelectedFrameWidth = 2;

void CopyEntry(const DATAENTRY& from, DATAENTRY& to) {
  to.Clear();
  to.used = from.used;
  to.group = from.group;
  if (from.content && from.size > 0) {
    to.content = AllocContent(from.size);
    if (to.content) {
      std::memcpy(to.content.get(), from.content.get(), from.size);
      to.size = from.size;
    }
  }
}

// The saved "width,height", or an empty size.
QSize ParseWindowSize(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 2) return {};
  bool okW = false, okH = false;
  const QSize size(parts[0].trimmed().toInt(&okW), parts[1].trimmed().toInt(&okH));
  return okW && okH && size.width() > 0 && size.height() > 0 ? size : QSize();
}

}  // namespace

QSize GlyphDialogFirstClientSize(const QSize& screen, int menuBarHeight) {
  const int editSide = GlyphGridSide(1) + 2 * kGlyphGridMargin;
  const QSize roomy(std::max(kInitialWidth, editSide + kEditExtraWidth),
                    std::max(kInitialHeight, editSide + kEditExtraHeight));
  const bool fits = roomy.width() + kFrameAllowance <= screen.width() &&
                    roomy.height() + menuBarHeight + kFrameAllowance <= screen.height();
  return fits ? roomy : QSize(kInitialWidth, kInitialHeight);
}

// ---- CGlyphListBox ---------------------------------------------------------

CGlyphListBox::CGlyphListBox(QWidget* parent) : QWidget(parent) {
  setAccessibleName(QStringLiteral("外字サイズ一覧"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CGlyphListBox::Clear() {
  m_items.clear();
  m_current = -1;
  m_top = 0;
  update();
}

void CGlyphListBox::AddGlyph(const CGlyph* glyph) {
  if (!glyph) return;
  const int area = glyph->Width() * glyph->Height();
  auto at = m_items.begin();
  while (at != m_items.end() && (*at)->Width() * (*at)->Height() <= area) ++at;
  m_items.insert(at, glyph);
  update();
}

const CGlyph* CGlyphListBox::Item(int index) const {
  return index >= 0 && index < Count() ? m_items[static_cast<size_t>(index)] : nullptr;
}

void CGlyphListBox::SetCurrentIndex(int index) {
  m_current = index >= 0 && index < Count() ? index : -1;
  const CGlyph* g = Item(m_current);
  setAccessibleDescription(g ? QStringLiteral("%1x%2").arg(g->Width()).arg(g->Height()) : QString());
  update();
}

void CGlyphListBox::SetTopIndex(int index) {
  m_top = std::clamp(index, 0, std::max(0, Count() - 1));
  update();
}

int CGlyphListBox::ItemHeight() const { return fontMetrics().height() + kItemExtraHeight; }

int CGlyphListBox::ItemWidth() const {
  return std::max(kItemMinWidth, 5 * fontMetrics().maxWidth());
}

void CGlyphListBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor window = palette().color(QPalette::Active, QPalette::Base);
  const QColor text = palette().color(QPalette::Active, QPalette::Text);
  p.fillRect(rect(), window);
  const int ih = ItemHeight();
  const int iw = width();
  for (int i = m_top; i < Count(); ++i) {
    const int top = (i - m_top) * ih;
    if (top >= height()) break;
    const CGlyph& g = *m_items[static_cast<size_t>(i)];
    const QRect item(0, top, iw, ih);
    p.fillRect(item, window);
    const int x0 = (iw - g.Width()) / 2;
    const int y0 = top + 2 + (48 - g.Height()) / 2;
    p.setPen(Qt::black);
    for (int y = 0; y < g.Height(); ++y)
      for (int x = 0; x < g.Width(); ++x)
        if (g.GetPixel(x, y)) p.drawPoint(x0 + x, y0 + y);
    p.setPen(text);
    p.drawText(item.adjusted(2, 2, -2, -2), Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine,
               QStringLiteral("%1x%2").arg(g.Width()).arg(g.Height()));
    if (i == m_current) {
      p.setPen(QPen(QColor(255, 0, 0), kSelectedFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRect(item.left() + 1, item.top() + 1, item.width() - 2, item.height() - 2));
    }
  }
}

// ---- CGlyphDialog ----------------------------------------------------------

CGlyphDialog::CGlyphDialog(QWidget* parent) : QDialog(parent), m_glyphs(MakeGlyphSet()), m_baseline(m_glyphs) {
  setWindowTitle(QStringLiteral("外字編集"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  if (QWidget* top = parent ? parent->window() : nullptr) setWindowIcon(top->windowIcon());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_area = new QWidget(this);
  layout->addWidget(m_area);
  m_area->installEventFilter(this);

  auto* separator = new QFrame(m_area);
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);
  separator->setGeometry(0, 0, 4000, 2);

  auto* label = new QLabel(QStringLiteral("機種:"), m_area);
  label->setGeometry(40, 11, 40, 20);
  m_combo = new QComboBox(m_area);
  m_combo->setObjectName(QStringLiteral("1010"));
  m_combo->setAccessibleName(QStringLiteral("機種"));
  m_combo->setGeometry(82, 8, 180, 24);
  label->setBuddy(m_combo);

  m_edit = new CGlyphEditCtrl(m_area);
  m_edit->setObjectName(QStringLiteral("1027"));
  m_list = new CGlyphListBox(m_area);
  m_list->setObjectName(QStringLiteral("1022"));
  m_list->setEnabled(false);
  m_back = new QPushButton(QStringLiteral("戻る"), m_area);
  m_back->setObjectName(QStringLiteral("1011"));
  m_next = new QPushButton(QStringLiteral("次へ"), m_area);
  m_next->setObjectName(QStringLiteral("1012"));
  for (QPushButton* b : {m_back, m_next}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  m_scroll = new QScrollBar(Qt::Vertical, m_area);
  m_scroll->setObjectName(QStringLiteral("1079"));
  m_scroll->setAccessibleName(QStringLiteral("外字サイズ一覧のスクロール"));
  m_scroll->hide();

  CreateMenu();
  layout->setMenuBar(m_menuBar);
  CreateToolBar();

  connect(m_combo, &QComboBox::activated, this, &CGlyphDialog::OnModelChosen);
  connect(m_back, &QPushButton::clicked, this, &CGlyphDialog::OnBack);
  connect(m_next, &QPushButton::clicked, this, &CGlyphDialog::OnNext);
  connect(m_edit, &CGlyphEditCtrl::GlyphChanged, this, &CGlyphDialog::OnGlyphChanged);
  connect(m_edit, &CGlyphEditCtrl::SelectionChanged, this, &CGlyphDialog::UpdateCommandStates);
  connect(m_scroll, &QScrollBar::actionTriggered, this, &CGlyphDialog::OnScrollAction);
  connect(m_scroll, &QScrollBar::valueChanged, m_list, &CGlyphListBox::SetTopIndex);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CGlyphDialog::UpdateCommandStates);

  // The size the user gave the editor last time; the first time, one in
  // which the grid is not at its smallest.
  const int menuHeight = layout->menuBar()->sizeHint().height();
  const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  const QSize free = screen ? screen->availableGeometry().size() : QSize(kInitialWidth, kInitialHeight);
  QSize size = ParseWindowSize(QSettings().value(QLatin1String(kWindowSizeKey)).toString());
  if (size.isEmpty()) size = GlyphDialogFirstClientSize(free, menuHeight) + QSize(0, menuHeight);
  size = size.boundedTo(free);
  resize(size);
  PlaceChildren(size.width(), size.height() - menuHeight);
}

CGlyphDialog::~CGlyphDialog() {
  RememberModel();
  RememberSize();
}

void CGlyphDialog::RememberSize() {
  if (!m_initialised) return;
  // Maximised, the size to come back to is the one the user gave it.
  const QSize size = normalGeometry().isValid() ? normalGeometry().size() : this->size();
  QSettings().setValue(QLatin1String(kWindowSizeKey), QStringLiteral("%1,%2").arg(size.width()).arg(size.height()));
}

void CGlyphDialog::RememberModel() {
  if (m_initialised) QSettings().setValue(QLatin1String(kSelectPrinterKey), m_combo->currentText());
}

void CGlyphDialog::CreateMenu() {
  m_menuBar = new QMenuBar(this);
  const auto add = [this](QMenu* menu, int id, const char* text, QKeySequence key = {}) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    if (!key.isEmpty()) {
      a->setShortcut(key);
      a->setShortcutContext(Qt::WindowShortcut);
    }
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, a);
    return a;
  };
  QMenu* file = m_menuBar->addMenu(QStringLiteral("ファイル(&F)"));
  add(file, kGlyphCmdSave, "上書き保存(&S)\tCtrl+S", QKeySequence(Qt::CTRL | Qt::Key_S));
  file->addSeparator();
  add(file, kGlyphCmdClose, "外字編集画面を閉じる(&X)");
  QMenu* edit = m_menuBar->addMenu(QStringLiteral("編集(&E)"));
  add(edit, kGlyphCmdUndo, "元に戻す(&U)\tCtrl+Z", QKeySequence(Qt::CTRL | Qt::Key_Z));
  edit->addSeparator();
  add(edit, kGlyphCmdCut, "切り取り(&T)\tCtrl+X", QKeySequence(Qt::CTRL | Qt::Key_X));
  add(edit, kGlyphCmdCopy, "ｺﾋﾟｰ(&C)\tCtrl+C", QKeySequence(Qt::CTRL | Qt::Key_C));
  add(edit, kGlyphCmdPaste, "貼り付け(&P)\tCtrl+V", QKeySequence(Qt::CTRL | Qt::Key_V));
  add(edit, kGlyphCmdDelete, "削除(&D)\tDelete", QKeySequence(Qt::Key_Delete));
  edit->addSeparator();
  add(edit, kGlyphCmdSelectAll, "全て選択(&A)\tCtrl+A", QKeySequence(Qt::CTRL | Qt::Key_A));
  edit->addSeparator();
  add(edit, kGlyphCmdInvert, "白黒反転(&F)");
  QMenu* rotate = edit->addMenu(QStringLiteral("回転(&R)"));
  add(rotate, kGlyphCmdRotateRight, "右 90度(&R)");
  add(rotate, kGlyphCmdRotateLeft, "左 90度(&L)");
  edit->addSeparator();
  QAction* autoScale = add(edit, kGlyphCmdAutoScale, "貼り付け自動拡大(&M)");
  autoScale->setCheckable(true);
  autoScale->setChecked(m_autoScale);
  // The shared accelerator's Ctrl+N (new file) means nothing here.
  auto* swallow = new QAction(this);
  swallow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  addAction(swallow);
  auto* help = new QAction(this);
  help->setShortcut(QKeySequence(Qt::Key_F1));
  connect(help, &QAction::triggered, this, &CGlyphDialog::ShowHelp);
  addAction(help);
  for (QMenu* m : {file, edit, rotate}) connect(m, &QMenu::aboutToShow, this, &CGlyphDialog::UpdateCommandStates);
}

void CGlyphDialog::CreateToolBar() {
  m_toolBar = new QToolBar(m_area);
  m_toolBar->setObjectName(QStringLiteral("59392"));
  m_toolBar->setOrientation(Qt::Vertical);
  m_toolBar->setMovable(false);
  m_toolBar->setFloatable(false);
  m_toolBar->setIconSize(QSize(16, 16));
  m_toolBar->setAccessibleName(QStringLiteral("ツール"));
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  for (int id = kGlyphCmdFirstTool; id <= kGlyphCmdLastTool; ++id) {
    const int tool = id - kToolCommandBase;
    const QString text = QString::fromUtf8(ToolString(tool));
    const QString tip = text.mid(text.indexOf(QLatin1Char('\n')) + 1);
    QAction* a = m_toolBar->addAction(GlyphToolIcon(tool), tip);
    a->setToolTip(tip);
    a->setStatusTip(text.left(text.indexOf(QLatin1Char('\n'))));
    a->setCheckable(true);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, a);
    m_toolBar->addSeparator();
  }
  m_toolBar->adjustSize();
}

void CGlyphDialog::PlaceChildren(int w, int h) {
  if (m_toolBar) m_toolBar->setGeometry(0, 4, m_toolBar->sizeHint().width(), std::max(0, h - 8));
  if (w < kPlaceMinWidth || h < kPlaceMinHeight) {
    UpdateScrollBar();
    return;
  }
  const auto place = [](QWidget* c, int l, int t, int r, int b) { c->setGeometry(l, t, r - l, b - t); };
  place(m_edit, 35, 38, w - 107, h - 51);
  place(m_back, (w - 210) / 2, h - 32, (w - 34) / 2, h - 11);
  place(m_next, (w + 22) / 2, h - 32, (w + 198) / 2, h - 11);
  place(m_list, w - 96, 38, w - 29, h - 51);
  place(m_scroll, w - 29, 38, w - 11, h - 51);
  UpdateScrollBar();
}

bool CGlyphDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_area && event->type() == QEvent::Resize) PlaceChildren(m_area->width(), m_area->height());
  return QDialog::eventFilter(watched, event);
}

void CGlyphDialog::LoadEntry(const DATAENTRY& entry) {
  m_glyphs = MakeGlyphSet();
  LoadGlyphSet(entry.Bytes(), m_glyphs);
  for (CGlyph& g : m_glyphs) g.SetModified(false);
  m_baseline = m_glyphs;
  CopyEntry(entry, m_entry);
  m_reading.clear();
  CONTENTHEADER header;
  if (ParseContentHeader(entry.Bytes(), header) && header.title.end > header.title.begin) {
    const ContentBytes c = entry.Bytes();
    m_reading.assign(reinterpret_cast<const char*>(c.data() + header.title.begin),
                     header.title.end - header.title.begin);
    // Only whole two-byte characters can be written back.
    if (m_reading.size() % 2) m_reading.pop_back();
  }
  if (m_initialised) OnModelChosen();
}

void CGlyphDialog::SetSaveDisabled(bool disabled) {
  m_saveDisabled = disabled;
  UpdateCommandStates();
}

void CGlyphDialog::Initialize() {
  if (m_initialised) return;
  m_initialised = true;
  m_combo->clear();
  m_combo->addItem(QStringLiteral("全ドット数"), kAllGlyphSizesMask);
  for (const QUILPMODELINFO& m : m_models)
    m_combo->addItem(QString::fromStdString(m.name), m.glyph < 0 ? kAllGlyphSizesMask : (m.glyph & kAllGlyphSizesMask));
  const int remembered = m_combo->findText(QSettings().value(QLatin1String(kSelectPrinterKey)).toString(),
                                           Qt::MatchExactly | Qt::MatchCaseSensitive);
  m_combo->setCurrentIndex(remembered >= 0 ? remembered : 0);
  PressTool(kGlyphCmdFirstTool);
  OnModelChosen();
  m_back->setEnabled(false);
  UpdateCommandStates();
}

void CGlyphDialog::showEvent(QShowEvent* event) {
  Initialize();
  QDialog::showEvent(event);
}

int CGlyphDialog::GlyphIndexOfItem(int item) const {
  const CGlyph* g = m_list->Item(item);
  return g ? static_cast<int>(g - m_glyphs.data()) : -1;
}

int CGlyphDialog::CurrentGlyph() const { return GlyphIndexOfItem(m_list->CurrentIndex()); }

void CGlyphDialog::OnModelChosen() {
  const int mask = m_combo->currentData().toInt();
  m_list->Clear();
  for (int i = 0; i < kGlyphSizeCount; ++i)
    if (mask & (1 << i)) m_list->AddGlyph(&m_glyphs[static_cast<size_t>(i)]);
  m_list->SetCurrentIndex(0);
  UpdateScrollBar();
  SelectSize();
}

void CGlyphDialog::SelectSize() {
  if (m_list->CurrentIndex() < 0) m_list->SetCurrentIndex(0);
  const int index = m_list->CurrentIndex();
  m_back->setEnabled(index > 0);
  if (const CGlyph* g = m_list->Item(index)) m_edit->LoadGlyph(*g);
  m_list->SetTopIndex(index);
  m_scroll->setValue(std::max(0, index));
  UpdateCommandStates();
}

void CGlyphDialog::OnGlyphChanged() {
  const int i = CurrentGlyph();
  if (i >= 0) {
    CGlyph& g = m_glyphs[static_cast<size_t>(i)];
    g = m_edit->GetWorkingGlyph();
    g.SetModified(true);
    m_list->update();
  }
  UpdateCommandStates();
}

void CGlyphDialog::SetModifiedFromPicture(int item) {
  const int i = GlyphIndexOfItem(item);
  if (i < 0) return;
  CGlyph& g = m_glyphs[static_cast<size_t>(i)];
  g.SetModified(!g.SamePicture(m_baseline[static_cast<size_t>(i)]));
}

void CGlyphDialog::OnBack() {
  const int i = m_list->CurrentIndex();
  if (i < 0) return;
  SetModifiedFromPicture(i);
  m_list->SetCurrentIndex(i - 1);
  if (i == 1) m_next->setFocus();
  SelectSize();
}

void CGlyphDialog::OnNext() {
  const int i = m_list->CurrentIndex();
  if (i >= 0) SetModifiedFromPicture(i);
  const int n = i + 1;
  if (n < m_list->Count()) {
    const int target = GlyphIndexOfItem(n);
    const int smallest = GlyphIndexOfItem(0);
    CGlyph& g = m_glyphs[static_cast<size_t>(target)];
    if (g.IsEmpty() && smallest >= 0) {
      StretchGlyph(m_glyphs[static_cast<size_t>(smallest)], g);
      if (!g.IsEmpty()) m_modified = true;
    }
    m_list->SetCurrentIndex(n);
    SelectSize();
    return;
  }
  CInputHiraDialog reading(m_reading, this);
  if (reading.exec() != QDialog::Accepted) return;
  if (reading.Reading() != m_reading) m_modified = true;
  m_reading = reading.Reading();
  if (i >= 0) SetModifiedFromPicture(i);
  if (!BuildEntry()) return;
  RememberModel();
  done(QDialog::Accepted);
}

bool CGlyphDialog::BuildEntry() {
  std::vector<uint8_t> content;
  if (BuildGlyphContent(m_reading, m_glyphs, content) != kGlyphContentOk) return false;
  std::unique_ptr<uint8_t[]> bytes = AllocContent(content.size());
  if (!bytes) return false;
  std::memcpy(bytes.get(), content.data(), content.size());
  m_entry.used = 1;
  m_entry.size = static_cast<uint32_t>(content.size());
  m_entry.content = std::move(bytes);
  return true;
}

void CGlyphDialog::OnSave() {
  if (m_saveDisabled || !BuildEntry()) return;
  const int answer = m_saveHandler ? m_saveHandler(m_entry) : -1;
  if (answer != 0) return;
  for (CGlyph& g : m_glyphs) g.SetModified(false);
  m_baseline = m_glyphs;
  m_modified = false;
}

bool CGlyphDialog::HasChanges() const {
  if (m_modified) return true;
  for (const CGlyph& g : m_glyphs)
    if (g.Modified()) return true;
  return false;
}

void CGlyphDialog::closeEvent(QCloseEvent* event) {
  if (HasChanges() && Prompt().Message(QString::fromUtf8(kMsgCloseUnsaved), kButtonsOkCancel, EPromptIcon::kQuestion,
                                       kAnswerCancel) != kAnswerOk) {
    event->ignore();
    return;
  }
  event->accept();
  RememberModel();
  done(QDialog::Rejected);
}

void CGlyphDialog::PressTool(int id) {
  if (QAction* a = m_actions.value(id)) a->setChecked(true);
  for (int t = kGlyphCmdFirstTool; t <= kGlyphCmdLastTool; ++t)
    if (QAction* a = m_actions.value(t)) a->setChecked(t == id);
  m_edit->SetTool(id - kToolCommandBase);
}

bool CGlyphDialog::IsCommandEnabled(int id) const {
  switch (id) {
    case kGlyphCmdSave: return !m_saveDisabled;
    case kGlyphCmdUndo: return m_edit->CanUndo();
    case kGlyphCmdCut:
    case kGlyphCmdCopy:
    case kGlyphCmdDelete: return m_edit->HasSelection();
    case kGlyphCmdPaste: return m_edit->CanPaste();
    default: return true;
  }
}

void CGlyphDialog::UpdateCommandStates() {
  for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) it.value()->setEnabled(IsCommandEnabled(it.key()));
  if (QAction* a = m_actions.value(kGlyphCmdAutoScale)) a->setChecked(m_autoScale);
}

void CGlyphDialog::OnCommand(int id) {
  if (!IsCommandEnabled(id)) return;
  if (id >= kGlyphCmdFirstTool && id <= kGlyphCmdLastTool) {
    PressTool(id);
    UpdateCommandStates();
    return;
  }
  switch (id) {
    case kGlyphCmdSave: OnSave(); break;
    case kGlyphCmdClose: close(); break;
    case kGlyphCmdUndo: m_edit->Undo(); break;
    case kGlyphCmdCut: m_edit->Cut(); break;
    case kGlyphCmdCopy: m_edit->Copy(); break;
    case kGlyphCmdPaste: m_edit->Paste(m_autoScale); break;
    case kGlyphCmdDelete: m_edit->DeleteSelection(); break;
    case kGlyphCmdSelectAll:
      if (m_edit->Tool() != kToolSelect) PressTool(kToolCommandBase + static_cast<int>(kToolSelect));
      m_edit->SelectAll();
      break;
    case kGlyphCmdInvert: m_edit->InvertSelection(); break;
    case kGlyphCmdAutoScale: m_autoScale = !m_autoScale; break;
    case kGlyphCmdRotateRight: m_edit->RotateSelectionRight(); break;
    case kGlyphCmdRotateLeft: m_edit->RotateSelectionLeft(); break;
    default: break;
  }
  UpdateCommandStates();
}

void CGlyphDialog::ShowHelp() { emit HelpRequested(kGlyphHelpTopic, kHelpCommandTopic); }

void CGlyphDialog::UpdateScrollBar() {
  const int ih = m_list->ItemHeight();
  const int count = m_list->Count();
  if (ih > 0 && count * ih > m_list->height()) {
    m_scroll->setRange(0, count - 1);
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(std::max(1, m_list->height() / ih));
    m_scroll->setValue(m_list->TopIndex());
    m_scroll->show();
  } else {
    m_scroll->hide();
  }
}

void CGlyphDialog::OnScrollAction(int action) {
  int top = m_list->TopIndex();
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
    case QAbstractSlider::SliderPageStepSub: --top; break;
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderPageStepAdd: ++top; break;
    case QAbstractSlider::SliderMove: top = m_scroll->sliderPosition(); break;
    case QAbstractSlider::SliderToMinimum: top = 0; break;
    default: break;
  }
  top = std::clamp(top, 0, std::max(0, m_list->Count() - 1));
  m_scroll->setSliderPosition(top);
  m_list->SetTopIndex(top);
}

// ---- tool pictures ---------------------------------------------------------

QIcon GlyphToolIcon(int tool) {
  if (tool < kToolPencil || tool > kToolEraser) return QIcon();
  return QIcon(QPixmap(kToolImages[tool - kToolPencil]));
}
