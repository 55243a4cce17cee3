#pragma once
#include <QDialog>

#include "device/DeviceLink.h"

class QLabel;
class QProgressBar;

// The modeless "データ転送中です" progress dialog of a device command. It
// appears on the first SetRange, Step or Show (that is, once the link is
// open), is repainted at once on every step since the command runs on the
// user-interface thread, and is hidden while a question is asked. The wait
// cursor is shown from its creation until it is destroyed.
class CComMsg : public QDialog, public CDeviceProgress {
  Q_OBJECT
 public:
  explicit CComMsg(QWidget* parent);
  ~CComMsg() override;

  // Sets the range without showing the dialog (before the link is opened).
  void PrepareRange(int n);
  void SetRange(int n) override;
  int GetPos() const override { return m_pos; }
  void Step() override;
  void Hide() override;
  void Show() override;

  int Range() const { return m_range; }
  bool WasShown() const { return m_wasShown; }

 private:
  void Paint();

  QLabel* m_text = nullptr;
  QProgressBar* m_bar = nullptr;
  int m_range = 0;
  int m_pos = 0;
  bool m_wasShown = false;
};
