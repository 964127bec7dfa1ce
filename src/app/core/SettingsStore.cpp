#include "app/core/SettingsStore.h"

#include <QDir>
#include <QFileInfo>

namespace velmarond::app {
namespace {

constexpr int KeyField = 0;
constexpr int ValueField = 1;

bool HasSettingsLayout(const TTable& table) {
  return table.FieldList() == MakeSettingsTable().FieldList();
}

}  // namespace

TTable MakeSettingsTable() {
  return TTable({{QStringLiteral("C"), TFieldType::Text}, {QStringLiteral("A"), TFieldType::Text}});
}

TSettingsStore::TSettingsStore(QString programFolder)
    : ProgramFolder(std::move(programFolder)), SettingsTable(MakeSettingsTable()) {}

QString TSettingsStore::PathOf(const QString& name) const {
  if (QFileInfo(name).isAbsolute()) return name;
  return QDir(ProgramFolder).filePath(name.toUpper());
}

int TSettingsStore::FindRow(const QString& upperKey) const {
  for (int row = 0; row < SettingsTable.RowCount(); ++row)
    if (SettingsTable.Value(row, KeyField).toString().toUpper() == upperKey) return row;
  return -1;
}

std::optional<QString> TSettingsStore::ReadSetting(const QString& key) const {
  const int row = FindRow(key.toUpper());
  if (row < 0) return std::nullopt;
  return SettingsTable.Value(row, ValueField).toString();
}

bool TSettingsStore::WriteSetting(const QString& key, const QString& value) {
  const QString upperKey = key.toUpper();
  int row = FindRow(upperKey);
  if (row < 0) row = SettingsTable.AppendRow();
  SettingsTable.SetValue(row, KeyField, upperKey);
  SettingsTable.SetValue(row, ValueField, value);
  return true;
}

bool TSettingsStore::ReadBoolSetting(const QString& key, bool defaultValue) const {
  const auto value = ReadSetting(key);
  return value ? *value == QLatin1String("1") : defaultValue;
}

bool TSettingsStore::LoadTableFile(const QString& name, TTable& table, int attempts) const {
  auto loaded = LoadTableFromFile(PathOf(name), attempts);
  if (auto* result = std::get_if<TTable>(&loaded)) {
    table = std::move(*result);
    return true;
  }
  return false;
}

bool TSettingsStore::SaveTableFile(const QString& name, const TTable& table) const {
  return static_cast<bool>(SaveTableToFile(PathOf(name), table));
}

TSettingsLoadOutcome TSettingsStore::LoadSettingsFile(int attempts) {
  TSettingsLoadOutcome outcome;
  const QString path = PathOf(QString::fromLatin1(SettingsFileName));
  auto loaded = LoadTableFromFile(path, attempts);
  if (auto* table = std::get_if<TTable>(&loaded); table && HasSettingsLayout(*table)) {
    SettingsTable = std::move(*table);
    outcome.Loaded = true;
    return outcome;
  }
  if (auto* error = std::get_if<TLoadError>(&loaded)) {
    outcome.Failure = error->Kind;
    outcome.FailureText = error->Text;
  } else {
    outcome.Failure = TLoadFailure::Damaged;
    outcome.FailureText = QStringLiteral("not a settings table");
  }
  if (outcome.Failure != TLoadFailure::Missing) {
    auto aside = KeepDamagedFileAside(path);
    if (aside)
      outcome.DamagedFileKeptAs = *aside;
    else
      SavingBlocked = true;
  }
  SettingsTable = MakeSettingsTable();
  SaveSettingsFile();
  return outcome;
}

bool TSettingsStore::SaveSettingsFile() const {
  if (SavingBlocked) return false;
  return SaveTableFile(QString::fromLatin1(SettingsFileName), SettingsTable);
}

}  // namespace velmarond::app
