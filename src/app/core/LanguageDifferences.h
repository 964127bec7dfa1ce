#pragma once
// The translators' difference report: for every section of the English file, the keys that the
// translation leaves empty, with their English texts.

#include <QString>

#include "app/core/LanguageFile.h"

namespace velmarond::app {

QString BuildDifferencesReport(const TLanguageFile& english, const TLanguageFile& translation);
QString DifferencesReportFileName(const QString& languageName);

}  // namespace velmarond::app
