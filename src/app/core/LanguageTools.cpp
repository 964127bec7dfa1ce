#include "app/core/LanguageTools.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "app/core/LanguageDifferences.h"
#include "app/core/LanguageFolder.h"

namespace velmarond::app {
namespace {

bool IsEnglish(const QString& name) { return name.trimmed().toUpper() == QLatin1String(EnglishLanguageName); }

}  // namespace

TNewLanguageCheck CheckNewLanguageName(const QString& folder, const QString& name) {
  const QString upper = name.trimmed().toUpper();
  if (upper.isEmpty()) return TNewLanguageCheck::EmptyName;
  if (IsEnglish(upper)) return TNewLanguageCheck::EnglishRefused;
  if (!FindLanguageFile(folder, upper).isEmpty()) return TNewLanguageCheck::AlreadyExists;
  return TNewLanguageCheck::Ok;
}

Result<void> CreateLanguageFromEnglish(const QString& folder, const QString& name) {
  if (IsEnglish(name) || name.trimmed().isEmpty()) return MakeError("not a new language name");
  return WriteLanguageFile(folder, name, EmbeddedLanguageFile(QStringLiteral("english.ini")));
}

bool CanDeleteLanguage(const QString& name) { return !name.trimmed().isEmpty() && !IsEnglish(name); }

Result<QString> WriteDifferencesReport(const TLanguages& languages, const QString& name) {
  if (IsEnglish(name)) return MakeError("English is the reference");
  const QString path = FindLanguageFile(languages.LanguagesFolder(), name);
  if (path.isEmpty()) return MakeError("no file for " + name.toStdString());
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return MakeError(file.errorString().toStdString());
  const QString report = BuildDifferencesReport(languages.EnglishTexts(), TLanguageFile::FromBytes(file.readAll()));
  const QString reportPath = QDir(languages.LanguagesFolder()).filePath(DifferencesReportFileName(name));
  QSaveFile out(reportPath);
  const QByteArray bytes = report.toUtf8();
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
    return MakeError(out.errorString().toStdString());
  return reportPath;
}

}  // namespace velmarond::app
