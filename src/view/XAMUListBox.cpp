#include "view/XAMUListBox.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

// Draws a line as the form's lists always looked: window or highlight
// background, grey text for unselected lines whose item data bit 0 is
// clear, the text at the line's left and top edge, and a focus rectangle on
// the caret line.
class CLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->fillRect(option.rect, pal.color(selected ? QPalette::Highlight : QPalette::Base));
    QColor text = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    // Grey would vanish into the highlight: a selected line always takes
    // the selection's text colour.
    if (!selected && !(index.data(CXAMUListBox::kItemDataRole).toInt() & 1))
      text = QColor(0x80, 0x80, 0x80);  // the grey text colour
    painter->setPen(text);
    painter->setFont(option.font);
    painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    if (option.state & QStyle::State_HasFocus) {
      QPen pen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine);
      painter->setPen(pen);
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
  }
};

}  // namespace

CXAMUListBox::CXAMUListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setUniformItemSizes(true);
  setItemDelegate(new CLineDelegate(this));
  setForegroundRole(QPalette::WindowText);
  ApplyFrame();
}

void CXAMUListBox::ApplyFrame() {
  if (m_active) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    setPalette(pal);
  } else {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, parentWidget() ? parentWidget()->palette().color(QPalette::WindowText)
                                                     : QColor(Qt::black));
    setPalette(pal);
  }
  setLineWidth(kActiveFrameWidth);
}

void CXAMUListBox::SetActive(bool active) {
  if (!active) clearSelection();
  if (m_active == active) return;
  m_active = active;
  ApplyFrame();
  update();
}

int CXAMUListBox::TopIndex() const {
  if (count() == 0) return 0;
  const QModelIndex top = indexAt(QPoint(1, 1));
  return top.isValid() ? top.row() : verticalScrollBar()->value();
}

void CXAMUListBox::SetTopIndex(int index) {
  verticalScrollBar()->setValue(std::max(0, index));
}

int CXAMUListBox::CaretIndex() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void CXAMUListBox::SetCaretIndex(int index) {
  if (index < 0 || index >= count()) return;
  selectionModel()->setCurrentIndex(model()->index(index, 0), QItemSelectionModel::NoUpdate);
}

int CXAMUListBox::HorizontalExtent() const {
  const QFontMetrics metrics(font());
  int widest = 0;
  for (int i = 0; i < count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(item(i)->text()));
  return widest;
}

int CXAMUListBox::ItemData(int index) const {
  const QListWidgetItem* line = item(index);
  return line ? line->data(kItemDataRole).toInt() : 0;
}

void CXAMUListBox::SetItemData(int index, int data) {
  if (QListWidgetItem* line = item(index)) line->setData(kItemDataRole, data);
}

QList<int> CXAMUListBox::SelectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CXAMUListBox::focusInEvent(QFocusEvent* event) {
  QListWidget::focusInEvent(event);
  emit FocusEntered();
}
