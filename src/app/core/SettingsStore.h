#pragma once
// The settings table: an ordered key/value table with the two text fields "C" (key, upper case) and
// "A" (value). Keys the program does not know stay in the table and are saved again unchanged.

#include <QString>
#include <optional>

#include "app/core/TableFile.h"

namespace velmarond::app {

inline constexpr auto SettingsFileName = "VELMAROND.CFG";

TTable MakeSettingsTable();

// How the last LoadTableFile ended, for the start-up log.
struct TSettingsLoadOutcome {
  bool Loaded = false;
  std::optional<TLoadFailure> Failure;
  QString FailureText;
  QString DamagedFileKeptAs;  // set when a damaged file was moved aside
};

class TSettingsStore {
 public:
  explicit TSettingsStore(QString programFolder);

  std::optional<QString> ReadSetting(const QString& key) const;
  bool WriteSetting(const QString& key, const QString& value);
  bool ReadBoolSetting(const QString& key, bool defaultValue) const;

  // A name without a folder is placed in the program folder and upper-cased; a full path is used as it is.
  bool LoadTableFile(const QString& name, TTable& table, int attempts = 101) const;
  bool SaveTableFile(const QString& name, const TTable& table) const;

  // Start-up: load the settings file; on any failure start from an empty table (the first run), keep a
  // damaged file aside and save the empty table at once.
  TSettingsLoadOutcome LoadSettingsFile(int attempts = 101);
  bool SaveSettingsFile() const;

  const TTable& Table() const { return SettingsTable; }
  QString PathOf(const QString& name) const;

 private:
  int FindRow(const QString& upperKey) const;

  QString ProgramFolder;
  TTable SettingsTable;
  // When a damaged file could not be moved aside, saving would destroy it: refuse until next start.
  bool SavingBlocked = false;
};

}  // namespace velmarond::app
