#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "app/core/ProgramFolders.h"
#include "app/core/SingleInstance.h"

using namespace velmarond::app;

class SingleInstanceTest : public QObject {
  Q_OBJECT
  QTemporaryDir Home;

  QProcessEnvironment Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELMAROND_HOME", Home.path());
    environment.insert("XDG_CONFIG_HOME", Home.filePath("config"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
  }
  QString ServerName() const { return InstanceServerName(TProgramFolders::Under(Home.path()).ProgramFolder); }

  QStringList ForwardThroughRealProgram(const QStringList& arguments) {
    QProcess probe;
    probe.start(VELMAROND_PROBE_BINARY, {ServerName()});
    if (!probe.waitForReadyRead(10000) || probe.readLine() != "listening\n") return {"probe did not start"};
    QProcess second;
    second.setProcessEnvironment(Environment());
    second.start(VELMAROND_APP_BINARY, arguments);
    if (!second.waitForFinished(30000) || second.exitCode() != 0) return {"second instance did not exit cleanly"};
    QStringList received;
    while (probe.waitForReadyRead(arguments.isEmpty() ? 1000 : 10000) || probe.canReadLine()) {
      while (probe.canReadLine()) received << QString::fromUtf8(probe.readLine()).trimmed();
      if (!arguments.isEmpty() && received.size() >= 2) break;
    }
    probe.kill();
    probe.waitForFinished();
    return received;
  }

 private slots:
  void SecondInstanceForwardsItsCommandLineAndExits() {
    QCOMPARE(ForwardThroughRealProgram({"E"}), (QStringList{"restore", "command:E"}));
  }

  void SecondInstanceJoinsArguments() {
    QCOMPARE(ForwardThroughRealProgram({"RB", "/tmp/list one.txt"}), (QStringList{"restore", "command:RB /tmp/list one.txt"}));
  }

  void FirstInstanceAnswersThePing() {
    TInstanceServer server;
    QVERIFY(server.Listen(ServerName() + "-ping"));
    QLocalSocket socket;
    socket.connectToServer(ServerName() + "-ping");
    QVERIFY(socket.waitForConnected(5000));
    char request[4];
    qToLittleEndian<quint32>(RequestPing, request);
    socket.write(request, 4);
    QTRY_VERIFY_WITH_TIMEOUT(socket.bytesAvailable() >= 4 || (socket.waitForReadyRead(10) && socket.bytesAvailable() >= 4), 5000);
    QCOMPARE(qFromLittleEndian<quint32>(socket.read(4).constData()), AnswerAlive);
  }

  void NoFirstInstanceMeansNothingToForward() {
    QCOMPARE(ForwardToFirstInstance(ServerName() + "-nobody", "E", 1000), TForwardResult::NoFirstInstance);
  }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
