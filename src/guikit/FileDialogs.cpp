#include "guikit/FileDialogs.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "model/DataSet.h"

QString DataFileKinds(const QString& path) {
  // The model's reader: it opens without waiting, refuses pipes, devices and
  // folders, and gives way to a file another program holds locked, so a
  // selection never stalls the dialog.
  return QString::fromStdString(DataFileKindsText(QFile::encodeName(path).toStdString()));
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
