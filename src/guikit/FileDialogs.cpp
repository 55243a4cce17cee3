#include "guikit/FileDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <cstring>

#include "model/Category.h"

namespace {

// Data file header: 16-byte signature, 4 reserved bytes, section flags,
// directory entry count.
constexpr int kHeaderBytes = 28;
constexpr char kSignature[16] = {'Q', 'U', 'I', 'L', 'P', ' ', 'P', 'R', 'O', ' ', 'V', '3', 0, 0, 0, 0};
constexpr int kFlagsOffset = 20;

}  // namespace

QString DataFileKinds(const QString& path) {
  QFile file(path);
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) return {};
  const QByteArray header = file.read(kHeaderBytes);
  // Only the first 13 bytes (text and its NUL) identify a data file.
  if (header.size() < kHeaderBytes || std::memcmp(header.constData(), kSignature, 13) != 0) return {};
  const uint8_t flags = uint8_t(header[kFlagsOffset]);
  QStringList names;
  for (int category = 0; category < kCategoryCount; ++category) {
    if (flags & kSectionFlag[SectionOfCategory(category)])
      names << QString::fromUtf8(CategoryDisplayName(category).data(), qsizetype(CategoryDisplayName(category).size()));
  }
  return names.join(QStringLiteral("／"));
}

COpenFileDialog::COpenFileDialog(QWidget* parent) : QFileDialog(parent) {
  setOption(QFileDialog::DontUseNativeDialog, true);
  setOption(QFileDialog::HideNameFilterDetails, true);
  setFileMode(QFileDialog::ExistingFile);
  setAcceptMode(QFileDialog::AcceptOpen);
  m_contents = new QLineEdit(this);
  m_contents->setReadOnly(true);
  m_contents->setObjectName(QStringLiteral("contents"));
  m_contents->setAccessibleName(QStringLiteral("内容"));
  auto* label = m_label = new QLabel(QStringLiteral("内容"), this);
  label->setBuddy(m_contents);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(m_contents, row, 1, 1, grid->columnCount() - 1);
  }
  connect(this, &QFileDialog::currentChanged, this, &COpenFileDialog::OnCurrentChanged);
  connect(this, &QFileDialog::directoryEntered, m_contents, &QLineEdit::clear);
}

void COpenFileDialog::ShowContents(bool show) {
  m_contents->setVisible(show);
  m_label->setVisible(show);
}

void COpenFileDialog::OnCurrentChanged(const QString& path) { m_contents->setText(DataFileKinds(path)); }

CSaveFileDialog::CSaveFileDialog(QWidget* parent) : QFileDialog(parent) {
  setOption(QFileDialog::DontUseNativeDialog, true);
  setOption(QFileDialog::HideNameFilterDetails, true);
  // The program asks its own overwrite question.
  setOption(QFileDialog::DontConfirmOverwrite, true);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  connect(this, &QFileDialog::filterSelected, this, &CSaveFileDialog::OnFilterSelected);
}

QString CSaveFileDialog::ExtensionOfFilter(int index) {
  static const char* const kExt[] = {".xls", ".xlsx", ".txt", ".csv"};
  return index >= 1 && index <= 4 ? QString::fromLatin1(kExt[index - 1]) : QString();
}

QString CSaveFileDialog::RenameForFilter(const QString& name, int index) {
  const int dot = name.indexOf(u'.');
  return (dot < 0 ? name : name.left(dot)) + ExtensionOfFilter(index);
}

void CSaveFileDialog::OnFilterSelected(const QString& filter) {
  const int index = int(nameFilters().indexOf(filter)) + 1;
  auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!edit || index < 1) return;
  edit->setText(RenameForFilter(edit->text(), index));
}
