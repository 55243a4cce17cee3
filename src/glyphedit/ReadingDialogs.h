#pragma once
#include <QDialog>
#include <string>

class QLineEdit;

// The reading step at the end of the glyph dialog: hiragana only, checked on
// OK, then confirmed. The dialog stays open until a reading passes.
class CInputHiraDialog : public QDialog {
  Q_OBJECT
 public:
  // `reading` is CP932.
  CInputHiraDialog(const std::string& reading, QWidget* parent = nullptr);
  // The accepted reading (CP932).
  const std::string& Reading() const { return m_reading; }
  QLineEdit* Edit() const { return m_edit; }

  // Checks the text as OK does (messages and confirmation included); true
  // when it passed and was confirmed.
  bool CheckAndConfirm();

 public slots:
  void accept() override;

 private:
  void LimitLength();

  QLineEdit* m_edit;
  std::string m_reading;
};

// The confirmation of a reading: "読み : %1" / "この内容でよろしいですか?"
// with はい and いいえ, asked through the program's prompt.
class CGlyphEndDialog {
 public:
  // True only for はい. `reading` is UTF-8.
  static bool Confirm(const QString& reading);
};
