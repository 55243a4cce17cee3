#include "view/ComMsg.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// Id the progress bar has always had (accessible name and tests find it).
constexpr char kBarName[] = "1078";

}  // namespace

CComMsg::CComMsg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CComMsg"));
  setWindowTitle(QStringLiteral("データ転送中です"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  m_text = new QLabel(QStringLiteral("「クイルプ」ＰＲＯ本体と通信中です。\nしばらくお待ちください。"), this);
  layout->addWidget(m_text);
  m_bar = new QProgressBar(this);
  m_bar->setObjectName(QLatin1String(kBarName));
  m_bar->setAccessibleName(QStringLiteral("進行状況"));
  m_bar->setRange(0, 0);
  m_bar->setTextVisible(false);
  layout->addWidget(m_bar);
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

CComMsg::~CComMsg() { QApplication::restoreOverrideCursor(); }

void CComMsg::PrepareRange(int n) {
  m_range = std::max(0, n);
  m_bar->setRange(0, m_range);
  m_bar->setValue(std::min(m_pos, m_range));
}

void CComMsg::SetRange(int n) {
  PrepareRange(n);
  Show();
}

void CComMsg::Step() {
  Show();
  Paint();
  ++m_pos;
  m_bar->setValue(std::min(m_pos, m_range));
}

void CComMsg::Hide() { hide(); }

void CComMsg::Show() {
  if (isVisible()) return;
  if (QWidget* owner = parentWidget()) {
    adjustSize();
    const QRect area = owner->window()->geometry();
    move(area.center() - rect().center());
  }
  show();
  m_wasShown = true;
  Paint();
}

void CComMsg::Paint() {
  // The command holds the event loop: draw now, and let nothing the user
  // does in the meantime run.
  repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
