#pragma once
// The languages folder holds one file per language under one canonical name, the upper-cased language
// name and ".INI". Reading matches names without regard to case, so files copied in by hand under
// another spelling are still found; writing replaces every spelling by the canonical one.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "device/Result.h"

namespace velmarond::app {

QString CanonicalLanguageFileName(const QString& languageName);
// Full path of the language's file, or empty when there is none.
QString FindLanguageFile(const QString& folder, const QString& languageName);
// Upper-cased base names of every "*.ini" file (any letter case), sorted, without duplicates.
QStringList ListLanguages(const QString& folder);
Result<void> WriteLanguageFile(const QString& folder, const QString& languageName, const QByteArray& bytes);
bool DeleteLanguageFile(const QString& folder, const QString& languageName);

}  // namespace velmarond::app
