#include "app/SingleInstance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

namespace {

// How long a start waits for the running copy to answer, in ms.
constexpr int kAnswerWait = 1500;
// The first line of a hand-over; the file argument (maybe empty) follows.
constexpr char kRaise[] = "RAISE";
// The running copy's reply.
constexpr char kDone[] = "OK";

}  // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::ServerName() {
  return QStringLiteral("%1-XAMU 3.0").arg(uint(::getuid()));
}

bool CSingleInstance::HandOver(const QString& file) {
  QLocalSocket socket;
  socket.connectToServer(ServerName());
  if (!socket.waitForConnected(kAnswerWait)) return false;
  socket.write(QByteArray(kRaise) + '\n' + file.toUtf8() + '\n');
  if (!socket.waitForBytesWritten(kAnswerWait)) return false;
  // Only a copy that answers counts as running.
  while (socket.bytesAvailable() < qint64(sizeof kDone) - 1)
    if (!socket.waitForReadyRead(kAnswerWait)) return false;
  return socket.readAll().startsWith(kDone);
}

bool CSingleInstance::Listen() {
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(ServerName())) {
    // Left behind by a run that ended without closing it: nobody answered
    // the hand-over, so it can go.
    QLocalServer::removeServer(ServerName());
    if (!m_server->listen(ServerName())) return false;
  }
  connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnConnection);
  return true;
}

void CSingleInstance::OnConnection() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket->canReadLine()) return;
      const QByteArray head = socket->readLine().trimmed();
      if (head != kRaise) {
        socket->disconnectFromServer();
        return;
      }
      // The file line may still be on its way; a bounded wait keeps the
      // window responsive.
      if (!socket->canReadLine()) socket->waitForReadyRead(kAnswerWait);
      const QString file = QString::fromUtf8(socket->readLine().trimmed());
      socket->write(kDone);
      socket->flush();
      emit Activated(file);
    });
  }
}
