#include "glyphedit/ReadingDialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "guikit/Prompt.h"
#include "glyph/GlyphReading.h"
#include "model/Cp932.h"

CInputHiraDialog::CInputHiraDialog(const std::string& reading, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("読み入力画面"));
  setAccessibleName(QStringLiteral("読み入力画面"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("「ひらがな」で\n読みを入力してください"), this);
  layout->addWidget(label);
  m_edit = new QLineEdit(QString::fromStdString(Cp932ToUtf8(reading)), this);
  m_edit->setObjectName(QStringLiteral("1056"));
  m_edit->setAccessibleName(QStringLiteral("読み"));
  m_edit->setMinimumWidth(220);
  label->setBuddy(m_edit);
  layout->addWidget(m_edit);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &CInputHiraDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CInputHiraDialog::reject);
  layout->addWidget(buttons);
  connect(m_edit, &QLineEdit::textEdited, this, &CInputHiraDialog::LimitLength);
  LimitLength();
}

// The field takes at most kMaxReadingBytes bytes of CP932, never splitting a
// character.
void CInputHiraDialog::LimitLength() {
  const QString text = m_edit->text();
  QString kept;
  size_t bytes = 0;
  for (const QChar* c = text.constData(); c < text.constData() + text.size();) {
    const int units = c->isHighSurrogate() && c + 1 < text.constData() + text.size() ? 2 : 1;
    const QString one(c, units);
    const size_t n = Utf8ToCp932(one.toStdString()).size();
    if (bytes + n > kMaxReadingBytes) break;
    bytes += n;
    kept += one;
    c += units;
  }
  if (kept != text) m_edit->setText(kept);
}

bool CInputHiraDialog::CheckAndConfirm() {
  const QString text = m_edit->text();
  bool lossy = false;
  const std::string cp932 = Utf8ToCp932(text.toStdString(), "\x81\xA1", &lossy);
  // A character without a CP932 form can be no hiragana.
  const int result = lossy ? kReadingNotHiragana : CheckReading(cp932);
  const std::string message = ReadingMessage(result);
  if (result != kReadingOk) {
    if (!message.empty()) Prompt().Message(QString::fromStdString(message), kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
    return false;
  }
  if (!CGlyphEndDialog::Confirm(text)) return false;
  m_reading = cp932;
  return true;
}

void CInputHiraDialog::accept() {
  if (CheckAndConfirm()) QDialog::accept();
}

bool CGlyphEndDialog::Confirm(const QString& reading) {
  const QString text = QStringLiteral("読み : %1\nこの内容でよろしいですか?").arg(reading);
  return Prompt().Choice(QStringLiteral("読み確認"), text, {QStringLiteral("はい"), QStringLiteral("いいえ")}, 0, 1) == 0;
}
