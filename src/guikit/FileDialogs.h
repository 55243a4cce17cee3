#pragma once
#include <QFileDialog>
#include <QString>

class QLabel;
class QLineEdit;

// The kinds a PC data file holds, as the open dialog shows them: the names
// of the flagged sections joined with "／" in category order, for example
// "あて名／外字". Empty when the file cannot be read or is no data file, is
// no regular file, or is locked by another program.
QString DataFileKinds(const QString& path);

// The open dialog for PC data files: Qt's own (non-native) file dialog with
// a read-only 内容 field under it that names the kinds the selected file
// holds.
class COpenFileDialog : public QFileDialog {
  Q_OBJECT
 public:
  explicit COpenFileDialog(QWidget* parent);
  QLineEdit* ContentsField() const { return m_contents; }
  void ShowContents(bool show);

 private:
  void OnCurrentChanged(const QString& path);
  QLineEdit* m_contents = nullptr;
  QLabel* m_label = nullptr;
};

// The save dialog of the text and spreadsheet files: changing the file type
// replaces the extension of the typed name with the type's extension.
class CSaveFileDialog : public QFileDialog {
  Q_OBJECT
 public:
  explicit CSaveFileDialog(QWidget* parent);
  // Extension for 1-based filter index: 1 ".xls", 2 ".xlsx", 3 ".txt", 4 ".csv".
  static QString ExtensionOfFilter(int index);
  // `name` cut at its first '.' with the filter's extension appended.
  static QString RenameForFilter(const QString& name, int index);

 private:
  void OnFilterSelected(const QString& filter);
};
