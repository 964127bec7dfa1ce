#include "app/core/LanguageFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace velmarond::app {
namespace {

QFileInfoList LanguageFilesOf(const QString& folder) {
  QFileInfoList files;
  for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
    if (info.suffix().compare(QLatin1String("ini"), Qt::CaseInsensitive) == 0) files.append(info);
  return files;
}

QFileInfoList SpellingsOf(const QString& folder, const QString& languageName) {
  QFileInfoList matches;
  const QString wanted = CanonicalLanguageFileName(languageName);
  for (const QFileInfo& info : LanguageFilesOf(folder))
    if (info.fileName().compare(wanted, Qt::CaseInsensitive) == 0) matches.append(info);
  return matches;
}

}  // namespace

QString CanonicalLanguageFileName(const QString& languageName) {
  return languageName.trimmed().toUpper() + QStringLiteral(".INI");
}

QString FindLanguageFile(const QString& folder, const QString& languageName) {
  const QFileInfoList matches = SpellingsOf(folder, languageName);
  if (matches.isEmpty()) return {};
  // Prefer the canonical spelling when several exist.
  for (const QFileInfo& info : matches)
    if (info.fileName() == CanonicalLanguageFileName(languageName)) return info.absoluteFilePath();
  return matches.first().absoluteFilePath();
}

QStringList ListLanguages(const QString& folder) {
  QStringList names;
  for (const QFileInfo& info : LanguageFilesOf(folder)) names.append(info.completeBaseName().toUpper());
  names.removeDuplicates();
  names.sort();
  return names;
}

Result<void> WriteLanguageFile(const QString& folder, const QString& languageName, const QByteArray& bytes) {
  const QString canonical = QDir(folder).filePath(CanonicalLanguageFileName(languageName));
  QSaveFile file(canonical);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    return MakeError(file.errorString().toStdString());
  for (const QFileInfo& info : SpellingsOf(folder, languageName))
    if (info.absoluteFilePath() != QFileInfo(canonical).absoluteFilePath()) QFile::remove(info.absoluteFilePath());
  return {};
}

bool DeleteLanguageFile(const QString& folder, const QString& languageName) {
  bool removedAll = true;
  for (const QFileInfo& info : SpellingsOf(folder, languageName))
    removedAll = QFile::remove(info.absoluteFilePath()) && removedAll;
  return removedAll;
}

}  // namespace velmarond::app
