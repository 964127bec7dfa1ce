#include "app/core/TableFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace velmarond::app {
namespace {

constexpr int RetryPauseMs = 50;

Result<QByteArray> ReadWholeFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return MakeError(file.errorString().toStdString());
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return MakeError(file.errorString().toStdString());
  return bytes;
}

QString SystemErrorText() { return QString::fromLocal8Bit(std::strerror(errno)); }

}  // namespace

std::variant<TTable, TLoadError> LoadTableFromFile(const QString& path, int attempts) {
  if (!QFileInfo(path).isFile()) return TLoadError{TLoadFailure::Missing, QStringLiteral("no file")};
  Result<QByteArray> bytes = MakeError("not read");
  for (int attempt = 0; attempt < attempts; ++attempt) {
    bytes = ReadWholeFile(path);
    if (bytes) break;
    QCoreApplication::processEvents();
    QThread::msleep(RetryPauseMs);
  }
  if (!bytes) return TLoadError{TLoadFailure::Unreadable, QString::fromStdString(bytes.GetError().Text)};
  auto table = ParseTable(*bytes);
  if (!table) return TLoadError{TLoadFailure::Damaged, QString::fromStdString(table.GetError().Text)};
  return std::move(table).Value();
}

Result<QString> WriteTemporaryTableFile(const QString& path, const TTable& table) {
  const QString temporaryPath = path + QStringLiteral(".new");
  QFile file(temporaryPath);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return MakeError(file.errorString().toStdString());
  const QByteArray bytes = SerializeTable(table);
  const bool written = file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
  file.close();
  if (!written || file.error() != QFileDevice::NoError) {
    QFile::remove(temporaryPath);
    return MakeError("cannot write " + temporaryPath.toStdString());
  }
  return temporaryPath;
}

Result<void> CommitTemporaryTableFile(const QString& temporaryPath, const QString& path) {
  if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(path).constData()) != 0) {
    const QString reason = SystemErrorText();
    QFile::remove(temporaryPath);
    return MakeError("cannot replace " + path.toStdString() + ": " + reason.toStdString());
  }
  return {};
}

Result<void> SaveTableToFile(const QString& path, const TTable& table) {
  auto temporaryPath = WriteTemporaryTableFile(path, table);
  if (!temporaryPath) return temporaryPath.GetError();
  return CommitTemporaryTableFile(*temporaryPath, path);
}

Result<QString> KeepDamagedFileAside(const QString& path) {
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
  QString asidePath = path + QStringLiteral(".damaged-") + stamp;
  for (int n = 2; QFileInfo::exists(asidePath); ++n)
    asidePath = path + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
  if (!QFile::rename(path, asidePath)) return MakeError("cannot rename " + path.toStdString());
  return asidePath;
}

}  // namespace velmarond::app
