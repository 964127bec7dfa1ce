#include "app/core/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QtEndian>
#include <unistd.h>

namespace velmarond::app {
namespace {

constexpr int ConnectTimeoutMs = 1000;
constexpr quint32 MaxCommandLineBytes = 1 << 20;

QByteArray U32(quint32 value) {
  char bytes[4];
  qToLittleEndian(value, bytes);
  return QByteArray(bytes, 4);
}

bool WriteAll(QLocalSocket& socket, const QByteArray& bytes) {
  socket.write(bytes);
  return socket.waitForBytesWritten(ConnectTimeoutMs) || socket.bytesToWrite() == 0;
}

}  // namespace

QString InstanceServerName(const QString& programFolder) {
  const QByteArray hash = QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return QStringLiteral("velmarond-KVZ_Orb_Instance-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

TForwardResult ForwardToFirstInstance(const QString& serverName, const QString& commandLine, int answerTimeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(serverName);
  if (!socket.waitForConnected(ConnectTimeoutMs)) return TForwardResult::NoFirstInstance;
  WriteAll(socket, U32(RequestRestore));
  if (commandLine.isEmpty()) return TForwardResult::Forwarded;
  const QByteArray text = commandLine.toUtf8();
  WriteAll(socket, U32(RequestCommandLine) + U32(static_cast<quint32>(text.size())) + text);
  while (socket.bytesAvailable() < 4)
    if (!socket.waitForReadyRead(answerTimeoutMs)) return TForwardResult::NotAnswered;
  return qFromLittleEndian<quint32>(socket.read(4).constData()) == AnswerAlive ? TForwardResult::Forwarded
                                                                             : TForwardResult::NotAnswered;
}

TInstanceServer::TInstanceServer(QObject* parent) : QObject(parent) {
  Server.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&Server, &QLocalServer::newConnection, this, &TInstanceServer::OnNewConnection);
}

bool TInstanceServer::Listen(const QString& serverName) {
  if (Server.listen(serverName)) return true;
  // A socket file left behind by a crashed instance: nobody answers on it, so it may go.
  QLocalServer::removeServer(serverName);
  return Server.listen(serverName);
}

void TInstanceServer::OnNewConnection() {
  while (QLocalSocket* socket = Server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    if (socket->bytesAvailable() > 0) OnReadyRead(socket);
  }
}

void TInstanceServer::OnReadyRead(QLocalSocket* socket) {
  while (socket->bytesAvailable() >= 4) {
    const QByteArray head = socket->peek(8);
    const quint32 code = qFromLittleEndian<quint32>(head.constData());
    if (code == RequestPing) {
      socket->read(4);
      socket->write(U32(AnswerAlive));
    } else if (code == RequestRestore) {
      socket->read(4);
      emit RestoreRequested();
    } else if (code == RequestCommandLine) {
      if (head.size() < 8) return;
      const quint32 length = qFromLittleEndian<quint32>(head.constData() + 4);
      if (length > MaxCommandLineBytes) {
        socket->abort();
        return;
      }
      if (socket->bytesAvailable() < 8 + static_cast<qint64>(length)) return;
      socket->read(8);
      const QString commandLine = QString::fromUtf8(socket->read(length));
      emit CommandLineReceived(commandLine);
      socket->write(U32(AnswerAlive));
    } else {
      socket->abort();  // not our protocol
      return;
    }
  }
}

}  // namespace velmarond::app
