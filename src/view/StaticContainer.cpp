#include "view/StaticContainer.h"

#include <QResizeEvent>

#include "view/StaticPreview.h"
#include "view/XAMUListBox.h"

CStaticContainer::CStaticContainer(CXAMUListBox* list, CStaticPreview* preview, QWidget* parent)
    : QWidget(parent), m_list(list), m_preview(preview) {
  m_list->setParent(this);
  m_preview->setParent(this);
}

void CStaticContainer::SetPreviewHeight(int h) {
  m_previewHeight = h;
  const int s = m_preview->ScrollHeight();
  const int band = h + s + 2;
  setMinimumHeight(h + 2 * s + 8);
  if (height() < s + band + 6) resize(width(), s + band + 6);
  Place();
}

void CStaticContainer::ShowContent(const QStringList& lines, const QImage* small, const QImage* large) {
  m_preview->SetScrollRange(m_preview->SetContent(lines, small, large));
}

void CStaticContainer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Place();
}

void CStaticContainer::Place() {
  const int band = m_previewHeight + m_preview->ScrollHeight() + 2;
  m_list->setGeometry(0, 0, width(), std::max(0, height() - band));
  m_preview->setGeometry(0, height() - band, width(), band);
}
