#pragma once
#include <QAbstractButton>
#include <QPixmap>

// A picture button of the form: three pictures (normal, hover, pressed) in
// which the mask colour RGB(212, 0, 127) is transparent, an optional 3D
// frame, and a hover look the view switches on and off.
class CXAMUButton : public QAbstractButton {
  Q_OBJECT
 public:
  // The colour that marks the transparent parts of a button picture.
  static constexpr QRgb kMaskColour = 0xFFD4007F;  // RGB(212, 0, 127)

  CXAMUButton(int id, const QString& text, QWidget* parent);
  int Id() const { return m_id; }

  // Takes the three pictures (resource numbers); false, and the button stays
  // undrawn, when any of them is missing. The picture size is the first
  // one's. Each picture is read when it is first drawn.
  bool LoadImages(int normal, int hover, int pressed, bool frame);
  bool HasImages() const { return m_size.isValid(); }
  QSize ImageSize() const { return m_size; }
  bool HasFrame() const { return m_frame; }

  void SetHover(bool hover);
  bool IsHover() const { return m_hover; }
  // 0 normal, 1 hover, 2 pressed: the picture that is drawn now.
  virtual int ImageIndex() const;

  QSize sizeHint() const override;

 signals:
  // The mouse entered or left, or the focus came or went: the view decides
  // which button shows the hover look.
  void HoverCheck(const QPoint& globalPos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // The picture of a state (0 normal, 1 hover, 2 pressed), read on first use.
  const QPixmap& Image(int index) const;

  int m_id;
  mutable int m_ids[3] = {0, 0, 0};  // resource numbers of the pictures not read yet
  mutable QPixmap m_images[3];
  QSize m_size;
  bool m_frame = false;
  bool m_hover = false;
};
