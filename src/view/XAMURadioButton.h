#pragma once
#include "view/XAMUButton.h"

// A category button: a picture button with a check state, drawn pressed
// while checked; checking one unchecks the others of its group.
class CXAMURadioButton : public CXAMUButton {
  Q_OBJECT
 public:
  CXAMURadioButton(int id, const QString& text, QWidget* parent);
  int ImageIndex() const override;
};
