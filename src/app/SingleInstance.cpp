#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {

// The first line of a hand-over; the file argument follows on the second
// line, base64 of its bytes (a file name may hold a line break).
constexpr char kRaise[] = "RAISE";
// The running copy's reply.
constexpr char kDone[] = "OK";
// A request longer than this is no hand-over.
constexpr qint64 kMaxRequest = 16 * 1024;
// How long the running copy waits for a request to be complete, in ms.
constexpr int kRequestWait = 5000;
// Pause between two attempts while a copy that holds the guard is starting.
constexpr int kRetryPause = 50;
// A lock file whose process is gone is stale at once; one that cannot be
// read (a run killed while writing it) after this many ms. A live holder
// keeps its lock however old: Qt only removes a lock file it can lock itself.
constexpr int kStaleLockMs = 3000;

uid_t Me() { return ::geteuid(); }

// A real folder (not a link) of this user that nobody else can enter.
bool IsPrivateFolder(const QString& path) {
  struct stat st;
  if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == Me() && (st.st_mode & 077) == 0;
}

// <per-user data folder>/run, made if missing and closed to everyone else
// when it is ours but open; empty when that cannot be had.
QString FallbackFolder() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (data.isEmpty()) return {};
  const QString parent = data + QStringLiteral("/KORVANTE/XAMU");
  const QString folder = parent + QStringLiteral("/run");
  if (!QDir().mkpath(parent)) return {};
  const QByteArray native = QFile::encodeName(folder);
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return {};
  // Opened without following a link, so the folder checked is the folder
  // that gets its mode changed.
  const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == Me();
  if (ok && (st.st_mode & 077) != 0) ok = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ok && IsPrivateFolder(folder) ? folder : QString();
}

QByteArray Request(const QString& file) {
  return QByteArray(kRaise) + '\n' + QFile::encodeName(file).toBase64() + '\n';
}

}  // namespace

long long PeerUserId(int descriptor) {
  struct ucred cred {};
  socklen_t length = sizeof cred;
  if (descriptor < 0 || ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0 ||
      length != sizeof cred)
    return -1;
  return cred.uid;
}

CSingleInstance::CSingleInstance(QObject* parent) : CSingleInstance(RuntimeFolder(), parent) {}

CSingleInstance::CSingleInstance(const QString& folder, QObject* parent) : QObject(parent), m_folder(folder) {}

// The server closes (and removes its socket) before the lock goes, so a
// start that takes the lock next never finds our socket.
CSingleInstance::~CSingleInstance() {
  delete m_server;
  m_server = nullptr;
}

QString CSingleInstance::RuntimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime)) return QDir::cleanPath(runtime);
  return FallbackFolder();
}

QString CSingleInstance::ServerName() { return QStringLiteral("XAMU 3.0"); }

QString CSingleInstance::SocketPath() const { return m_folder + u'/' + ServerName(); }

QString CSingleInstance::LockPath() const { return SocketPath() + QStringLiteral(".lock"); }

CSingleInstance::Claim CSingleInstance::ClaimOrHandOver(const QString& file, int waitMs) {
  if (m_folder.isEmpty()) return Claim::kNoGuard;
  m_lock = std::make_unique<QLockFile>(LockPath());
  m_lock->setStaleLockTime(kStaleLockMs);
  const QDeadlineTimer deadline(waitMs);
  for (;;) {
    if (m_lock->tryLock(0)) {
      // Nobody else holds the guard, so a socket found here is a crashed
      // run's: nobody can be listening on it.
      QLocalServer::removeServer(SocketPath());
      // A copy that cannot listen still runs; later starts then wait for
      // it in vain and say so.
      Listen();
      return Claim::kFirst;
    }
    if (m_lock->error() != QLockFile::LockFailedError) return Claim::kNoGuard;
    // Held by a live copy: it may still be on its way to listening.
    if (TryHandOver(file, int(deadline.remainingTime()))) return Claim::kHandedOver;
    if (deadline.hasExpired()) return Claim::kBusy;
    QThread::msleep(kRetryPause);
  }
}

bool CSingleInstance::TryHandOver(const QString& file, int waitMs) {
  const QDeadlineTimer deadline(qMax(waitMs, 1));
  QLocalSocket socket;
  socket.connectToServer(SocketPath());
  if (!socket.waitForConnected(int(deadline.remainingTime()))) return false;
  // Whoever listens must be this user: nobody else gets the file name or a
  // say in whether this start goes on.
  if (PeerUserId(int(socket.socketDescriptor())) != Me()) {
    socket.abort();
    return false;
  }
  socket.write(Request(file));
  if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) return false;
  // Only a copy that answers counts as running.
  while (socket.bytesAvailable() < qint64(sizeof kDone) - 1)
    if (!socket.waitForReadyRead(int(deadline.remainingTime()))) return false;
  return socket.read(sizeof kDone - 1) == kDone;
}

bool CSingleInstance::Listen() {
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(SocketPath())) return false;
  connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnConnection);
  return true;
}

void CSingleInstance::SetReady() {
  m_ready = true;
  const QStringList pending = std::exchange(m_pending, {});
  for (const QString& file : pending) emit Activated(file);
}

void CSingleInstance::OnConnection() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (PeerUserId(int(socket->socketDescriptor())) != Me()) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    // A peer that never completes its request is not kept forever.
    QTimer::singleShot(kRequestWait, socket, [socket] {
      socket->abort();
      socket->deleteLater();
    });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnRequest(socket); });
    if (socket->bytesAvailable() > 0) OnRequest(socket);
  }
}

void CSingleInstance::OnRequest(QLocalSocket* socket) {
  const QByteArray seen = socket->peek(kMaxRequest + 1);
  if (seen.count('\n') < 2) {
    if (seen.size() > kMaxRequest) socket->abort();
    return;
  }
  const QByteArray head = socket->readLine().trimmed();
  const QByteArray encoded = socket->readLine().trimmed();
  if (head != kRaise) {
    socket->abort();
    return;
  }
  const QString file = QFile::decodeName(QByteArray::fromBase64(encoded));
  socket->write(kDone);
  socket->flush();
  if (m_ready)
    emit Activated(file);
  else
    m_pending << file;
}
