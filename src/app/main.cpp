// Program entry of the desktop application: one instance per program folder; a second start hands
// its command line to the first and exits.

#include <QApplication>

#include "app/core/CommandLine.h"
#include "app/core/FormMasterKVZ.h"
#include "app/core/MediumMonitor.h"
#include "app/core/SingleInstance.h"

using namespace velmarond::app;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velmarond DVD Burning Software"));
  QApplication::setQuitOnLastWindowClosed(true);
  const QStringList arguments = QApplication::arguments().mid(1);
  const TProgramFolders folders = TProgramFolders::FromEnvironment();
  const QString serverName = InstanceServerName(folders.ProgramFolder);
  const bool fullCopy = !arguments.isEmpty() && arguments.first() == QLatin1String("INSTALLATION");

  if (!fullCopy && ForwardToFirstInstance(serverName, JoinArguments(arguments)) != TForwardResult::NoFirstInstance)
    return 0;

  TFormMasterKVZ window(folders, arguments);
  TInstanceServer server;
  if (!fullCopy) {
    server.Listen(serverName);
    QObject::connect(&server, &TInstanceServer::RestoreRequested, &window, &TFormMasterKVZ::RestoreAndRaise);
    QObject::connect(&server, &TInstanceServer::CommandLineReceived, &window,
                     [&window](const QString& commandLine) { window.ProcessCommandLine(commandLine); });
  }
  TUdevMediumMonitor mediumMonitor;
  window.SetMediumMonitor(&mediumMonitor);
  window.FormCreate();
  return QApplication::exec();
}
