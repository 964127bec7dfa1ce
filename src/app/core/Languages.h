#pragma once
// The language texts of the program: the built-in reserved and English files, and the selected
// translation from the languages folder. Every text a user sees is looked up here when it is used.

#include <QString>
#include <QStringList>

#include "app/core/LanguageFile.h"

namespace velmarond::app {

inline constexpr auto EnglishLanguageName = "ENGLISH";

// Built-in files shipped in the program's resources.
QByteArray EmbeddedLanguageFile(const QString& fileName);
// Upper-cased names (without extension) of the embedded translations, sorted; the reserved file is not one.
QStringList EmbeddedLanguageNames();

class TLanguages {
 public:
  explicit TLanguages(QString languagesFolder);

  QString GetLanguageText(int section, int number) const;
  // Each placeholder line is "<#name>=value"; every occurrence of the part before the first "=" is
  // replaced by the rest, ignoring letter case. Values are inserted as they are.
  QString GetLanguageTextWith(int section, int number, const QStringList& placeholders) const;

  // Selects a language: writes ENGLISH.INI into the folder, reads the translation's file when there is
  // one. Returns false when the name was reset to English after an error.
  bool SelectLanguage(const QString& name);
  const QString& LanguageName() const { return CurrentName; }
  const QString& LanguagesFolder() const { return Folder; }
  const TLanguageFile& EnglishTexts() const { return English; }

 private:
  QString Lookup(int section, int number) const;

  QString Folder;
  TLanguageFile Reserved;
  TLanguageFile English;
  TLanguageFile Selected;
  QString CurrentName = QString::fromLatin1(EnglishLanguageName);
};

}  // namespace velmarond::app
