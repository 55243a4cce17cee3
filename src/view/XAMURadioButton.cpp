#include "view/XAMURadioButton.h"

CXAMURadioButton::CXAMURadioButton(int id, const QString& text, QWidget* parent) : CXAMUButton(id, text, parent) {
  setCheckable(true);
  setAutoExclusive(true);
}

int CXAMURadioButton::ImageIndex() const {
  // The current category stays pressed, hover or not.
  if (isChecked()) return 2;
  return CXAMUButton::ImageIndex();
}
