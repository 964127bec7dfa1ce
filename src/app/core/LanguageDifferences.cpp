#include "app/core/LanguageDifferences.h"

namespace velmarond::app {

QString BuildDifferencesReport(const TLanguageFile& english, const TLanguageFile& translation) {
  QString report;
  for (const auto& section : english.Sections()) {
    QString missing;
    for (const auto& entry : section.Entries) {
      if (entry.Key.trimmed().isEmpty()) continue;
      if (translation.Text(section.Name, entry.Key).trimmed().isEmpty())
        missing += entry.Key + QLatin1Char('=') + entry.Text + QLatin1Char('\n');
    }
    if (missing.isEmpty())
      report += QStringLiteral("Section [%1] OK\n").arg(section.Name);
    else
      report += QLatin1Char('[') + section.Name + QStringLiteral("]\n") + missing;
    report += QLatin1Char('\n');
  }
  return report;
}

QString DifferencesReportFileName(const QString& languageName) {
  return QStringLiteral("Differences_") + languageName.trimmed().toUpper() + QStringLiteral(".txt");
}

}  // namespace velmarond::app
