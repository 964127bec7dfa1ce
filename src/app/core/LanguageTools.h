#pragma once
// The translators' tools behind the language page: new translation from the English texts, delete,
// save an edited file and the difference report.

#include <QString>

#include "app/core/Languages.h"
#include "device/Result.h"

namespace velmarond::app {

enum class TNewLanguageCheck { Ok, EmptyName, EnglishRefused, AlreadyExists };

// The trimmed, upper-cased name must be non-empty and not English; an existing file asks first.
TNewLanguageCheck CheckNewLanguageName(const QString& folder, const QString& name);
Result<void> CreateLanguageFromEnglish(const QString& folder, const QString& name);
bool CanDeleteLanguage(const QString& name);
// Writes "Differences_NAME.txt" into the folder and returns its path.
Result<QString> WriteDifferencesReport(const TLanguages& languages, const QString& name);

}  // namespace velmarond::app
