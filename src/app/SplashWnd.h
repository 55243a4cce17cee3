#pragma once
#include <QTimer>
#include <QWidget>

#include "app/DibSup.h"

// The start-up picture. It closes when its timer runs out, or on the first
// mouse button or key press anywhere in the program (that press is
// swallowed); closing calls back the application object.
class CSplashWnd : public QWidget {
  Q_OBJECT
 public:
  // How long the picture stays, in ms.
  static constexpr int kShowTime = 2000;

  explicit CSplashWnd(QWidget* owner);
  ~CSplashWnd() override;
  bool HasPicture() const { return m_dib.IsAttached(); }

 signals:
  void Finished();

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Finish();
  CDibSup m_dib;
  QTimer m_timer;
  bool m_finished = false;
};
