#pragma once
// The per-user program folder ($VELMAROND_HOME, else ~/.local/share/velmarond/) and the folders under it.
// Every path ends in a separator.

#include <QString>

namespace velmarond::app {

struct TProgramFolders {
  QString ProgramFolder;
  QString TempFolder;
  QString QueueFolder;
  QString LanguagesFolder;

  static TProgramFolders FromEnvironment();
  static TProgramFolders Under(const QString& programFolder);
  bool CreateAll() const;
};

}  // namespace velmarond::app
