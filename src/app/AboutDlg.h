#pragma once
#include <QDialog>
#include <QString>

class QLabel;

// The version box: program name, version, and the user and company the
// installation was registered to, each cut to the width of its field.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  // `driverFolder`: the printer utility library's folder in use, shown on a
  // line of its own (none when empty).
  explicit CAboutDlg(QWidget* parent, const QString& driverFolder = QString());
  QLabel* UserLabel() const { return m_user; }
  QLabel* CompanyLabel() const { return m_company; }
  QLabel* DriverFolderLabel() const { return m_driverFolder; }

  // The registration values ("User", "Company"), each prefixed with ": ".
  static QString RegisteredValue(const char* name);
  // A text wider than its field keeps n - 3 CP932 bytes (n - 4 when byte
  // n - 3 is the trail byte of a double-byte character) and ends in "...",
  // n being the field width divided by the text's average byte width.
  static QString CutToWidth(const QString& text, int textWidth, int fieldWidth);

 private:
  QLabel* m_user = nullptr;
  QLabel* m_company = nullptr;
  QLabel* m_driverFolder = nullptr;
};
