#include "app/core/FolderCleaning.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmarond::app {

void DeleteFilesIn(const QString& folder) {
  const QString clean = QDir::cleanPath(folder);
  if (clean.size() <= 3 || QDir(clean).isRoot()) return;  // never a file-system root by mistake
  for (const QFileInfo& info : QDir(clean).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
    QFile::remove(info.absoluteFilePath());
}

bool TCreatedWavFiles::Register(const QString& wavPath) const {
  QFile manifest(ManifestPath);
  if (!manifest.open(QIODevice::Append | QIODevice::Text)) return false;
  const QByteArray line = QFileInfo(wavPath).absoluteFilePath().toUtf8() + '\n';
  return manifest.write(line) == line.size();
}

void TCreatedWavFiles::DeleteCreated() const {
  QFile manifest(ManifestPath);
  if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) return;
  const QList<QByteArray> lines = manifest.readAll().split('\n');
  manifest.close();
  for (const QByteArray& line : lines)
    if (!line.isEmpty()) QFile::remove(QString::fromUtf8(line));
  QFile::remove(ManifestPath);
}

}  // namespace velmarond::app
