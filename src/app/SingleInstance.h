#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per user. The first start listens on a local socket named
// after the user; a second start hands over its file argument, asks the
// first to restore and raise its window, and quits. A socket left behind by
// a crashed run (nobody answers) is removed and the start goes on.
class CSingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit CSingleInstance(QObject* parent = nullptr);
  ~CSingleInstance() override;

  // The server name for the current user.
  static QString ServerName();
  // True when another copy answered and took over `file` (may be empty);
  // this start should then quit silently.
  bool HandOver(const QString& file);
  // Starts listening; false when that failed (the program still runs).
  bool Listen();

 signals:
  // Another start asked to be shown; `file` is its absolute file argument
  // or empty.
  void Activated(const QString& file);

 private:
  void OnConnection();
  QLocalServer* m_server = nullptr;
};
