#include "app/core/Languages.h"

#include <QDir>
#include <QFile>

#include "app/core/LanguageFolder.h"

// The resources live in a static library, so they are registered by hand before the first use.
static void RegisterEmbeddedLanguages() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(app);
    return true;
  }();
  (void)registered;
}

namespace velmarond::app {
namespace {

const QString EmbeddedFolder = QStringLiteral(":/languages/");
const QString ReservedFileName = QStringLiteral("languagereserved.ini");
const QString EnglishFileName = QStringLiteral("english.ini");

}  // namespace

QByteArray EmbeddedLanguageFile(const QString& fileName) {
  RegisterEmbeddedLanguages();
  QFile file(EmbeddedFolder + fileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList EmbeddedLanguageNames() {
  RegisterEmbeddedLanguages();
  QStringList names;
  for (const QFileInfo& info : QDir(EmbeddedFolder).entryInfoList(QDir::Files)) {
    if (info.suffix().compare(QLatin1String("ini"), Qt::CaseInsensitive) != 0) continue;
    if (info.fileName().compare(ReservedFileName, Qt::CaseInsensitive) == 0) continue;
    names.append(info.completeBaseName().toUpper());
  }
  names.sort();
  return names;
}

TLanguages::TLanguages(QString languagesFolder)
    : Folder(std::move(languagesFolder)),
      Reserved(TLanguageFile::FromBytes(EmbeddedLanguageFile(ReservedFileName))),
      English(TLanguageFile::FromBytes(EmbeddedLanguageFile(EnglishFileName))) {}

QString TLanguages::Lookup(int section, int number) const {
  const QString sectionName = QString::number(section);
  const QString key = QString::number(number);
  if (section == 0) return Reserved.Text(sectionName, key);
  if (CurrentName != QLatin1String(EnglishLanguageName)) {
    const QString translated = Selected.Text(sectionName, key);
    if (!translated.isEmpty()) return translated;
  }
  return English.Text(sectionName, key);
}

QString TLanguages::GetLanguageText(int section, int number) const {
  QString text = Lookup(section, number);
  if (text.isEmpty()) text = QStringLiteral("%1-%2").arg(section).arg(number);
  return ExpandLanguageEscapes(text);
}

QString TLanguages::GetLanguageTextWith(int section, int number, const QStringList& placeholders) const {
  QString text = GetLanguageText(section, number);
  for (const QString& line : placeholders) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0) continue;
    text.replace(line.left(equals), line.mid(equals + 1), Qt::CaseInsensitive);
  }
  return text;
}

bool TLanguages::SelectLanguage(const QString& name) {
  // Keeping ENGLISH.INI in the folder lists English and gives translators a template.
  (void)WriteLanguageFile(Folder, QString::fromLatin1(EnglishLanguageName), EmbeddedLanguageFile(EnglishFileName));
  const QString upperName = name.trimmed().toUpper();
  if (upperName.isEmpty()) {
    CurrentName = QString::fromLatin1(EnglishLanguageName);
    return false;
  }
  if (upperName == QLatin1String(EnglishLanguageName)) {
    CurrentName = upperName;
    return true;
  }
  const QString path = FindLanguageFile(Folder, upperName);
  if (path.isEmpty()) return true;  // nothing changes; lookups fall back to English
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    CurrentName = QString::fromLatin1(EnglishLanguageName);
    return false;
  }
  Selected = TLanguageFile::FromBytes(file.readAll());
  CurrentName = upperName;
  return true;
}

}  // namespace velmarond::app
