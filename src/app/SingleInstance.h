#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One running copy per user. The guard lives in a folder only the user can
// enter: a lock file, held for the whole run, and beside it the socket the
// running copy listens on. The first start takes the lock and listens; a
// later start finds the lock held, hands its file argument over to the
// running copy (which shows itself and opens the file) and quits. A socket
// whose lock nobody holds was left by a crashed run and is replaced.
// Every connection is checked on both ends: only a peer of the same user is
// believed.
class CSingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Claim {
    kFirst,       // this start holds the guard and listens
    kHandedOver,  // a running copy took the file; this start quits silently
    kBusy,        // a running copy holds the guard but never answered
    kNoGuard,     // no private folder for the guard: the start goes on unguarded
  };

  // The guard in the user's private runtime folder (see RuntimeFolder).
  explicit CSingleInstance(QObject* parent = nullptr);
  // The guard in `folder`, taken as it is (tests).
  CSingleInstance(const QString& folder, QObject* parent);
  ~CSingleInstance() override;

  // $XDG_RUNTIME_DIR when it is a real folder of this user that nobody else
  // can enter; else <per-user data folder>/run, made with mode 0700 and
  // checked the same way. Empty when neither can be had.
  static QString RuntimeFolder();
  // The socket's file name inside the folder.
  static QString ServerName();
  QString SocketPath() const;
  QString LockPath() const;

  // Takes the guard or hands `file` (absolute, maybe empty) over to the copy
  // holding it. A copy that is still starting is waited for up to `waitMs`.
  Claim ClaimOrHandOver(const QString& file, int waitMs = 30000);

  // Requests that came in before the program could show them are kept and
  // emitted from here on; until then they are answered and queued.
  void SetReady();

 signals:
  // Another start asked to be shown; `file` is its absolute file argument
  // or empty.
  void Activated(const QString& file);

 private:
  bool Listen();
  bool TryHandOver(const QString& file, int waitMs);
  void OnConnection();
  void OnRequest(QLocalSocket* socket);

  QString m_folder;
  std::unique_ptr<QLockFile> m_lock;
  QLocalServer* m_server = nullptr;
  bool m_ready = false;
  QStringList m_pending;
};

// The user id of the process at the other end of a connected local socket,
// or -1 when it cannot be told.
long long PeerUserId(int descriptor);
