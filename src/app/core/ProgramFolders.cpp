#include "app/core/ProgramFolders.h"

#include <QDir>

namespace velmarond::app {

TProgramFolders TProgramFolders::Under(const QString& programFolder) {
  QString folder = QDir::cleanPath(programFolder);
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return {folder, folder + QStringLiteral("temp/"), folder + QStringLiteral("queue/"),
          folder + QStringLiteral("languages/")};
}

TProgramFolders TProgramFolders::FromEnvironment() {
  const QString home = qEnvironmentVariable("VELMAROND_HOME");
  if (!home.isEmpty()) return Under(QDir(home).absolutePath());
  return Under(QDir::homePath() + QStringLiteral("/.local/share/velmarond"));
}

bool TProgramFolders::CreateAll() const {
  bool created = true;
  for (const QString& folder : {ProgramFolder, TempFolder, QueueFolder, LanguagesFolder})
    created = QDir().mkpath(folder) && created;
  return created;
}

}  // namespace velmarond::app
