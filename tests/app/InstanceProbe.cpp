// Stands in for a first instance in the forwarding test: prints what a second instance sends.

#include <QCoreApplication>
#include <QTextStream>

#include "app/core/SingleInstance.h"

using namespace velmarond::app;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) return 2;
  TInstanceServer server;
  if (!server.Listen(QString::fromLocal8Bit(argv[1]))) return 3;
  QTextStream out(stdout);
  QObject::connect(&server, &TInstanceServer::RestoreRequested, [&out] { out << "restore\n" << Qt::flush; });
  QObject::connect(&server, &TInstanceServer::CommandLineReceived,
                   [&out](const QString& line) { out << "command:" << line << "\n" << Qt::flush; });
  out << "listening\n" << Qt::flush;
  return QCoreApplication::exec();
}
