#pragma once
#include <QLineEdit>

// A pane's read-only address field: the end of a long path in view and the
// whole path as its tool tip; a red frame while its pane is active,
// highlight colours while active and focused, button-face colours
// otherwise. It leaves Ctrl+C and Ctrl+A to the window's accelerators, which
// act on the lists.
class CXAMUEdit : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr int kActiveFrameWidth = 2;

  explicit CXAMUEdit(QWidget* parent);
  void SetActive(bool active);
  bool IsActive() const { return m_active; }

 signals:
  void FocusEntered();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ApplyColours();
  bool m_active = false;
};
