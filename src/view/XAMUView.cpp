#include "view/XAMUView.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QResizeEvent>

#include "guikit/CommandIds.h"
#include "guikit/Resources.h"
#include "guikit/Session.h"
#include "guikit/Strings.h"
#include "glyph/Glyph.h"
#include "glyph/GlyphCodec.h"
#include "model/Category.h"
#include "model/Cp932.h"
#include "model/DataSet.h"
#include "model/Labels.h"
#include "model/Paths.h"
#include "view/StaticContainer.h"
#include "view/StaticPreview.h"
#include "view/ViewLayout.h"
#include "view/XAMUButton.h"
#include "view/XAMUEdit.h"
#include "view/XAMUListBox.h"
#include "view/XAMURadioButton.h"

namespace {

// The form's buttons: id, text, place in dialog units, pictures (normal,
// hover, pressed) and whether a 3D frame is drawn.
struct BUTTONROW {
  int id;
  const char* text;
  int x, y, w, h;
  int normal, hover, pressed;
  bool frame;
};

constexpr BUTTONROW kButtons[] = {
    {kIdcCatFile, "ファイル", 7, 10, 82, 30, 177, 179, 178, false},
    {kIdcCatAddress, "あて名", 7, 43, 82, 30, 180, 181, 182, false},
    {kIdcCatName, "名前", 7, 76, 82, 30, 187, 188, 189, false},
    {kIdcCatGlyph, "外字", 7, 109, 82, 30, 183, 184, 185, false},
    {kIdcGlyphEdit, "外字編集", 9, 154, 78, 30, 190, 191, 192, false},
    {kIdcOpenLeft, "ﾌｧｲﾙ左", 99, 11, 22, 23, 186, 193, 194, true},
    {kIdcOpenRight, "ﾌｧｲﾙ右", 244, 11, 22, 23, 186, 193, 194, true},
    {kIdcOpenDevice, "本体", 266, 11, 22, 23, 195, 196, 197, true},
    {kIdcTransfer, "転送", 210, 53, 28, 30, 204, 205, 206, false},
    {kIdcCopy, "コピー", 210, 89, 28, 30, 198, 199, 200, false},
    {kIdcPaste, "貼り付け", 210, 125, 28, 30, 201, 202, 203, false},
};

// Text lines of the preview per category, the glyph category adding its
// picture height to one line.
constexpr int kPreviewLines[kCategoryCount] = {8, 10, 5, 1};
constexpr int kGlyphPictureHeight = 96;

// Untitled names are looked for up to this counter.
constexpr int kMaxUntitled = 100000;

QImage GlyphImage(const DATAENTRY& entry, const GLYPHITEMREF& item) {
  CGlyph glyph;
  if (!LoadGlyphItem(glyph, entry.Bytes(), item)) return {};
  QImage image(glyph.Width(), glyph.Height(), QImage::Format_Mono);
  image.setColor(0, qRgb(255, 255, 255));
  image.setColor(1, qRgb(0, 0, 0));
  for (int y = 0; y < glyph.Height(); ++y)
    for (int x = 0; x < glyph.Width(); ++x) image.setPixel(x, y, glyph.GetPixel(x, y) ? 1 : 0);
  return image;
}

QString FromCp932(const std::string& text) { return QString::fromStdString(Cp932ToUtf8(text)); }

}  // namespace

CXAMUView::CXAMUView(CSession& session, QWidget* parent) : QWidget(parent), m_session(session) {
  setObjectName(QStringLiteral("CXAMUView"));
  InitXamuResources();
  m_sets[0] = &session.Left();
  m_sets[1] = &session.Right();
  setMinimumSize(DialogToPixelX(kFormWidthDu), DialogToPixelY(kFormHeightDu));
  setMouseTracking(true);
  QFont form(QStringLiteral("IPAGothic"));
  form.setPixelSize(12);
  setFont(form);
  CreateControls();
  RegisterCommand(kCmdSelectAll, [this] { OnSelectAll(); },
                  [this] { return DataSet(m_activePane).IsUsed(SectionOfCategory(m_session.Category()), -2) != 0; });
  RegisterCommand(kCmdDataSelect, [this] { OnDataSelect(); }, [] { return true; });
}

CXAMUView::~CXAMUView() {
  m_saveModified = nullptr;
  // The controls outlive this part of the view while they are torn down;
  // none of them may call back into it.
  for (QWidget* control : std::as_const(m_controls)) disconnect(control, nullptr, this, nullptr);
}

void CXAMUView::AddControl(int id, QWidget* control, const QRect& rect) {
  control->setGeometry(rect);
  m_controls.insert(id, control);
}

void CXAMUView::CreateControls() {
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  for (const BUTTONROW& row : kButtons) {
    const QString text = QString::fromUtf8(row.text);
    CXAMUButton* button = row.id >= kIdcCatFile && row.id <= kIdcCatGlyph
                              ? new CXAMURadioButton(row.id, text, this)
                              : new CXAMUButton(row.id, text, this);
    AddControl(row.id, button, DialogRect(row.x, row.y, row.w, row.h));
    button->setAccessibleName(text);
    button->setAccessibleDescription(TipText(row.id));
    button->setToolTip(TipText(row.id));
    button->installEventFilter(this);
    connect(button, &CXAMUButton::HoverCheck, this, &CXAMUView::UpdateHover);
    connect(button, &QAbstractButton::clicked, this, [this, id = row.id] { OnButton(id); });
    if (auto* radio = qobject_cast<CXAMURadioButton*>(button)) {
      group->addButton(radio, row.id);
      m_categoryButtons[row.id - kIdcCatFile] = radio;
    }
  }
  Button(kIdcGlyphEdit)->hide();  // shown for glyph data only

  const char* const listNames[2] = {"左リスト", "右リスト"};
  const char* const fieldNames[2] = {"左アドレス", "右アドレス"};
  const char* const previewNames[2] = {"左プレビュー", "右プレビュー"};
  const int listIds[2] = {kIdcLeftList, kIdcRightList};
  const int fieldIds[2] = {kIdcLeftAddress, kIdcRightAddress};
  const int previewIds[2] = {kIdcLeftPreview, kIdcRightPreview};
  const int containerIds[2] = {kIdcLeftContainer, kIdcRightContainer};
  const int labelIds[2] = {kIdcLeftAddressLabel, kIdcRightAddressLabel};
  const int paneX[2] = {99, 244};
  for (int pane = 0; pane < 2; ++pane) {
    auto* label = new QLabel(QStringLiteral("ｱﾄﾞﾚｽ:"), this);
    AddControl(labelIds[pane], label, DialogRect(paneX[pane] + 1, 40, 25, 8));
    label->setAccessibleName(QStringLiteral("ｱﾄﾞﾚｽ:"));

    auto* edit = m_edits[pane] = new CXAMUEdit(this);
    AddControl(fieldIds[pane], edit, DialogRect(paneX[pane] + 28, 38, 76, 12));
    edit->setAccessibleName(QString::fromUtf8(fieldNames[pane]));
    label->setBuddy(edit);

    auto* list = m_lists[pane] = new CXAMUListBox(this);
    list->setAccessibleName(QString::fromUtf8(listNames[pane]));
    auto* preview = m_previews[pane] = new CStaticPreview(this);
    preview->setAccessibleName(QString::fromUtf8(previewNames[pane]));
    auto* container = m_containers[pane] = new CStaticContainer(list, preview, this);
    AddControl(containerIds[pane], container, DialogRect(paneX[pane], 53, 104, 171));
    m_controls.insert(listIds[pane], list);
    m_controls.insert(previewIds[pane], preview);

    connect(list, &CXAMUListBox::FocusEntered, this, [this, pane] { SetActivePane(pane); });
    connect(edit, &CXAMUEdit::FocusEntered, this, [this, pane] { SetActivePane(pane); });
    connect(list, &QListWidget::itemSelectionChanged, this, [this, pane] {
      UpdatePreview(pane);
      emit CommandStatesChanged();
    });
    connect(list, &QListWidget::currentRowChanged, this, [this, pane] { UpdatePreview(pane); });
  }
  m_lists[kPaneLeft]->SetActive(true);
  m_edits[kPaneLeft]->SetActive(true);
  // Tab walks the form as it reads: categories, the left pane, the buttons
  // between the panes, the right pane.
  const int tabOrder[] = {kIdcCatFile,  kIdcCatAddress, kIdcCatName,      kIdcCatGlyph,     kIdcGlyphEdit,
                          kIdcOpenLeft, kIdcLeftAddress, kIdcLeftList,    kIdcTransfer,     kIdcCopy,
                          kIdcPaste,    kIdcOpenRight,  kIdcOpenDevice,   kIdcRightAddress, kIdcRightList};
  for (size_t i = 1; i < std::size(tabOrder); ++i)
    setTabOrder(m_controls.value(tabOrder[i - 1]), m_controls.value(tabOrder[i]));
  LoadButtonImages();
  ApplyPreviewHeights();
}

void CXAMUView::LoadButtonImages() {
  for (const BUTTONROW& row : kButtons) {
    CXAMUButton* button = Button(row.id);
    // A button without its pictures stays undrawn; the form goes on.
    if (!button->LoadImages(row.normal, row.hover, row.pressed, row.frame)) continue;
    button->resize(button->ImageSize());
  }
}

CXAMUButton* CXAMUView::Button(int id) const { return qobject_cast<CXAMUButton*>(m_controls.value(id)); }

void CXAMUView::OnInitialUpdate() {
  if (m_initialised) return;
  int counter = 1;
  CDataSet& left = DataSet(kPaneLeft);
  CDataSet& right = DataSet(kPaneRight);
  if (left.m_path.empty()) {
    left.m_path = UntitledPath(&counter, std::string());
    left.m_untitled = 1;
  }
  if (right.m_path.empty()) {
    right.m_path = UntitledPath(&counter, left.m_path);
    right.m_untitled = 1;
  }
  // Switching to the category fills both lists and the address fields and
  // checks its button; filling them before or after as well was work thrown
  // away.
  const int category = m_session.Category();
  if (category >= 0 && category < kCategoryCount) {
    SwitchCategory(category);
  } else {
    FillList(kPaneLeft, 0);
    UpdateAddressFields();
  }
  m_initialised = true;
  emit CommandStatesChanged();
}

std::string CXAMUView::UntitledPath(int* counter, const std::string& avoid) const {
  return UntitledPath(m_session.Config().GetDataFolder(false), counter, avoid);
}

std::string CXAMUView::UntitledPath(const std::string& folder, int* counter, const std::string& avoid) {
  for (int n = std::max(1, *counter); n < kMaxUntitled; ++n) {
    const std::string path = folder + "/無題" + std::to_string(n) + ".xmb";
    if (QFileInfo::exists(QString::fromStdString(path))) continue;
    if (!avoid.empty() && SamePath(path, avoid)) continue;
    *counter = n + 1;
    return path;
  }
  return folder + "/無題.xmb";
}

void CXAMUView::ResetLeftPane() {
  int counter = 1;
  CDataSet& left = DataSet(kPaneLeft);
  left.ClearAll();
  left.m_path = UntitledPath(&counter, DataSet(kPaneRight).m_path);
  left.m_modified = 0;
  left.m_untitled = 1;
  FillList(kPaneLeft, 0);
  UpdateAddressFields();
}

bool CXAMUView::SetActivePane(int pane) {
  if (pane != kPaneLeft && pane != kPaneRight) return false;
  const bool changed = pane != m_activePane;
  m_activePane = pane;
  const int other = 1 - pane;
  m_lists[other]->SetActive(false);
  m_edits[other]->SetActive(false);
  m_lists[pane]->SetActive(true);
  m_edits[pane]->SetActive(true);
  if (changed) {
    UpdateAddressFields();
    update();
    emit CommandStatesChanged();
  }
  return changed;
}

void CXAMUView::SetDeviceMode(bool on) {
  if (m_deviceMode == on) return;
  m_deviceMode = on;
  UpdateAddressFields();
  emit CommandStatesChanged();
}

QString CXAMUView::ListLine(const CDataSet& set, int category, int slot) {
  const int section = SectionOfCategory(category);
  const QString mark = set.IsUsed(section, slot) ? QStringLiteral("*") : QStringLiteral(" ");
  return QStringLiteral("%1%2 %3")
      .arg(mark)
      .arg((slot + 1) % 100, 2, 10, QChar(u'0'))
      .arg(FromCp932(GetListText(set, category, slot)));
}

void CXAMUView::FillList(int pane, int position) {
  CXAMUListBox* list = m_lists[pane];
  int top = position, caret = position;
  if (position == kKeepPosition) {
    top = list->TopIndex();
    caret = list->CaretIndex();
  }
  {
    const QSignalBlocker block(list);
    list->clear();
  }
  const CDataSet& set = DataSet(pane);
  // A pane without a file shows nothing; its preview stays as it is.
  if (set.m_path.empty()) {
    emit CommandStatesChanged();
    return;
  }
  const int category = m_session.Category();
  const int section = SectionOfCategory(category);
  const int slotCount = CategorySlotCount(category);
  {
    const QSignalBlocker block(list);
    for (int i = 0; i < slotCount; ++i) {
      list->addItem(ListLine(set, category, i));
      const bool used = set.IsUsed(section, i) != 0;
      // The left list greys what the printer will not take.
      const bool normal = pane == kPaneRight ? used : used && i < m_session.DeviceLimit(category);
      list->SetItemData(i, normal ? 1 : 0);
    }
  }
  list->SetTopIndex(top);
  // A caret of -1 counts as line 0.
  {
    const QSignalBlocker block(list);
    list->SetCaretIndex(std::clamp(caret, 0, slotCount - 1));
  }
  UpdatePreview(pane);
  emit CommandStatesChanged();
}

void CXAMUView::RefreshLists(bool both) {
  if (both) {
    FillList(kPaneLeft, 0);
    FillList(kPaneRight, 0);
  } else {
    FillList(m_activePane, 0);
  }
  UpdateAddressFields();
}

void CXAMUView::UpdateAddressFields() {
  for (int pane = 0; pane < 2; ++pane) {
    const QString path = PanePath(pane);
    m_edits[pane]->setText(path);
    m_edits[pane]->setToolTip(path);
  }
}

QString CXAMUView::PanePath(int pane) const {
  if (pane == kPaneRight && m_deviceMode) return QString::fromStdString(m_session.DeviceName());
  return QString::fromStdString(DataSet(pane).m_path);
}

void CXAMUView::UpdatePreview(int pane) {
  CXAMUListBox* list = m_lists[pane];
  if (list->count() == 0) return;
  const int slot = std::max(0, list->CaretIndex());
  const int category = m_session.Category();
  const CDataSet& set = DataSet(pane);
  const DETAILLINES detail = GetDetailLines(set, category, slot);
  QStringList lines;
  for (const std::string& line : detail.lines) lines << FromCp932(line);
  QImage small, large;
  if (category == kCatGlyph) {
    if (const DATAENTRY* entry = set.Entry(kSecGlyph, slot)) {
      if (detail.hasSmallest) small = GlyphImage(*entry, detail.smallest);
      if (detail.hasLargest) large = GlyphImage(*entry, detail.largest);
    }
  }
  m_containers[pane]->ShowContent(lines, small.isNull() ? nullptr : &small, large.isNull() ? nullptr : &large);
}

void CXAMUView::ApplyPreviewHeights() {
  const int category = std::clamp(m_session.Category(), 0, kCategoryCount - 1);
  for (int pane = 0; pane < 2; ++pane) {
    const int line = m_previews[pane]->LineHeight();
    const int h = line * kPreviewLines[category] + (category == kCatGlyph ? kGlyphPictureHeight : 0);
    m_containers[pane]->SetPreviewHeight(h);
  }
}

void CXAMUView::SwitchCategory(int category) {
  if (category < 0 || category >= kCategoryCount) return;
  m_session.SetCategory(category);
  for (int pane = 0; pane < 2; ++pane) {
    const QSignalBlocker block(m_lists[pane]);
    m_lists[pane]->clear();
    m_previews[pane]->Clear();
  }
  Button(kIdcGlyphEdit)->setVisible(category == kCatGlyph);
  ApplyPreviewHeights();
  if (CXAMURadioButton* button = m_categoryButtons[category]; button && !button->isChecked())
    button->setChecked(true);
  RefreshLists(true);  // the address fields with them
  update();
  emit CategoryChanged();
  emit CommandStatesChanged();
}

void CXAMUView::LayoutForClientSize(int width, int height) {
  if (width <= kLayoutMinWidth) return;
  for (const LAYOUTROW& row : kLayoutTable)
    if (QWidget* control = m_controls.value(row.id)) control->setGeometry(LayoutRect(row, width, height));
}

void CXAMUView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutForClientSize(width(), height());
}

void CXAMUView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!m_laidOut) {
    m_laidOut = true;
    LayoutForClientSize(width(), height());
  }
}

void CXAMUView::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  UpdateHover(event->globalPosition().toPoint());
}

void CXAMUView::UpdateHover(const QPoint& globalPos) {
  CXAMUButton* under = nullptr;
  CXAMUButton* shown = nullptr;
  for (const BUTTONROW& row : kButtons) {
    CXAMUButton* button = Button(row.id);
    if (!button->isVisible()) continue;
    if (!under && button->rect().contains(button->mapFromGlobal(globalPos))) under = button;
    if (button->IsHover()) shown = button;
  }
  if (under != shown) {
    if (shown) shown->SetHover(false);
    if (under) under->SetHover(true);
  }
  emit StatusText(under ? ::StatusText(under->Id()) : QString());
}

bool CXAMUView::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a focused form button presses it, as Space does.
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && qobject_cast<CXAMUButton*>(watched)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      QKeyEvent space(event->type(), Qt::Key_Space, key->modifiers(), QStringLiteral(" "), key->isAutoRepeat());
      QCoreApplication::sendEvent(watched, &space);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CXAMUView::OnButton(int id) {
  switch (id) {
    case kIdcCatFile:
    case kIdcCatAddress:
    case kIdcCatName:
    case kIdcCatGlyph: SwitchCategory(id - kIdcCatFile); return;
    case kIdcOpenLeft: SetActivePane(kPaneLeft); break;
    case kIdcOpenRight:
    case kIdcOpenDevice: SetActivePane(kPaneRight); break;
    default: break;
  }
  emit ButtonPressed(id);
}

void CXAMUView::OnSelectAll() {
  if (!DataSet(m_activePane).IsUsed(SectionOfCategory(m_session.Category()), -2)) return;
  m_lists[m_activePane]->selectAll();
}

void CXAMUView::OnDataSelect() {
  if (CXAMURadioButton* button = m_categoryButtons[std::clamp(m_session.Category(), 0, kCategoryCount - 1)])
    button->setFocus(Qt::OtherFocusReason);
}

void CXAMUView::RegisterCommand(int id, std::function<void()> run, std::function<bool()> enabled) {
  m_commands.insert(id, COMMAND{std::move(run), std::move(enabled)});
}

bool CXAMUView::IsCommandEnabled(int id) const {
  const auto it = m_commands.constFind(id);
  return it != m_commands.cend() && it->run && (!it->enabled || it->enabled());
}

void CXAMUView::OnCommand(int id) {
  if (!IsCommandEnabled(id)) return;
  m_commands.value(id).run();
  emit CommandStatesChanged();
}
