#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <string>

#include "XamuVersion.h"
#include "model/Cp932.h"

namespace {

// Width of the user and company fields, in pixels.
constexpr int kFieldWidth = 260;
constexpr char kProduct[] = "「クイルプ」PRO DATAメモリーシステム XAMU";
// The registration key, machine-wide; %s is "USER".
constexpr char kRegistrationApp[] = "「クイルプ」PRO DATAメモリーシステム XAMU";
constexpr char kRegistrationGroup[] = "USER";

std::string ToCp932(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToCp932(std::string_view(utf8.constData(), size_t(utf8.size())));
}

// True when byte `pos` of `s` is the second byte of a double-byte character.
bool IsTrailByteAt(const std::string& s, size_t pos) {
  size_t i = 0;
  while (i < pos) i += IsCp932Lead(uint8_t(s[i])) && i + 1 < s.size() ? 2 : 1;
  return i > pos;
}

}  // namespace

QString CAboutDlg::RegisteredValue(const char* name) {
  QSettings machine(QSettings::SystemScope, QStringLiteral("KORVANTE"), QString::fromUtf8(kRegistrationApp));
  machine.beginGroup(QLatin1String(kRegistrationGroup));
  return QStringLiteral(": ") + machine.value(QLatin1String(name)).toString();
}

QString CAboutDlg::CutToWidth(const QString& text, int textWidth, int fieldWidth) {
  if (textWidth <= fieldWidth) return text;
  const std::string bytes = ToCp932(text);
  if (bytes.empty() || textWidth <= 0) return text;
  const int average = std::max(1, textWidth / int(bytes.size()));
  const int n = fieldWidth / average;
  if (n < 4) return QStringLiteral("...");
  size_t keep = size_t(n - 3);
  if (keep < bytes.size() && IsTrailByteAt(bytes, keep)) keep = size_t(n - 4);
  keep = std::min(keep, bytes.size());
  return QString::fromStdString(Cp932ToUtf8(std::string_view(bytes).substr(0, keep))) + QStringLiteral("...");
}

CAboutDlg::CAboutDlg(QWidget* parent, const QString& driverFolder) : QDialog(parent) {
  setWindowTitle(QStringLiteral("XAMUのﾊﾞｰｼﾞｮﾝ情報"));
  auto* grid = new QGridLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(QPixmap(QStringLiteral(":/xamu/about.png")));
  icon->setAccessibleName(QStringLiteral("XAMU"));
  grid->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
  grid->addWidget(new QLabel(QString::fromUtf8(kProduct), this), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Version ") + QLatin1String(kXamuVersion), this), 1, 1);
  m_user = new QLabel(this);
  m_company = new QLabel(this);
  const QFontMetrics metrics(font());
  for (auto [label, key] : {std::pair{m_user, "User"}, std::pair{m_company, "Company"}}) {
    const QString value = RegisteredValue(key);
    label->setFixedWidth(kFieldWidth);
    label->setText(CutToWidth(value, metrics.horizontalAdvance(value), kFieldWidth));
    label->setAccessibleName(QString::fromLatin1(key));
  }
  grid->addWidget(m_user, 2, 1);
  grid->addWidget(m_company, 3, 1);
  int row = 4;
  if (!driverFolder.isEmpty()) {
    // Which printer library the program talks to: the first thing to check
    // when a real printer is not found.
    m_driverFolder = new QLabel(QStringLiteral("プリンタライブラリ: ") + driverFolder, this);
    m_driverFolder->setAccessibleName(QStringLiteral("DriverFolder"));
    m_driverFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_driverFolder, row++, 0, 1, 2);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  grid->addWidget(buttons, row, 0, 1, 2);
}
