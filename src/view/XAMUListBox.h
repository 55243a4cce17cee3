#pragma once
#include <QListWidget>

// A pane's list: extended selection, one line per slot, lines with item
// data 0 drawn in the grey text colour, and a red frame while its pane is
// active.
class CXAMUListBox : public QListWidget {
  Q_OBJECT
 public:
  // Item data role of a line: bit 0 set draws the line in the normal colour.
  static constexpr int kItemDataRole = Qt::UserRole;
  // Width of the active frame, in pixels.
  static constexpr int kActiveFrameWidth = 2;

  explicit CXAMUListBox(QWidget* parent);

  // Going inactive first removes the whole selection.
  void SetActive(bool active);
  bool IsActive() const { return m_active; }

  // The first visible line, and the caret line (-1 without lines).
  int TopIndex() const;
  void SetTopIndex(int index);
  int CaretIndex() const;
  // Moves the caret without selecting anything.
  void SetCaretIndex(int index);
  int ItemData(int index) const;
  void SetItemData(int index, int data);
  // Width of the widest line, measured when asked: measuring every line of
  // every fill cost more than the rest of the fill.
  int HorizontalExtent() const;
  QList<int> SelectedRows() const;

 signals:
  void FocusEntered();

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  void ApplyFrame();
  bool m_active = false;
};
