#pragma once
// One running program per program folder, over a local socket. A second start connects, asks the first
// to come to the front, hands over its command line and exits.
//
// Protocol: each request is a 4-byte little-endian code followed, for 32971, by a 4-byte length and the
// command line in UTF-8. The first instance answers 32969 and a handled 32971 with the 4-byte value
// 234539; 32970 (restore the window) has no answer.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <memory>

namespace velmarond::app {

inline constexpr quint32 RequestPing = 32969;
inline constexpr quint32 RequestRestore = 32970;
inline constexpr quint32 RequestCommandLine = 32971;
inline constexpr quint32 AnswerAlive = 234539;

QString InstanceServerName(const QString& programFolder);

enum class TForwardResult { NoFirstInstance, Forwarded, NotAnswered };

// The second instance's side: restore request, then the command line when there is one.
TForwardResult ForwardToFirstInstance(const QString& serverName, const QString& commandLine, int answerTimeoutMs = 60000);

class TInstanceServer : public QObject {
  Q_OBJECT
 public:
  explicit TInstanceServer(QObject* parent = nullptr);
  bool Listen(const QString& serverName);

 signals:
  void RestoreRequested();
  // Handlers run synchronously; the answer is sent when they return.
  void CommandLineReceived(const QString& commandLine);

 private:
  void OnNewConnection();
  void OnReadyRead(class QLocalSocket* socket);

  QLocalServer Server;
};

}  // namespace velmarond::app
