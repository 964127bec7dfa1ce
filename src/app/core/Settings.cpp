#include "app/core/Settings.h"

#include <QDir>
#include <variant>

namespace velmarond::app {
namespace {

using TFields = TSettingsFields;
using TFieldRef = std::variant<bool TFields::*, int TFields::*, QString TFields::*>;

struct TKeyBinding {
  const char* Key;
  TFieldRef Field;
};

// Keys with a plain field, in the order they are written. Keys with special rules are handled by name
// in LoadSettings/SaveSettings and have their place in this order through WriteOrder below.
const std::vector<TKeyBinding>& PlainBindings() {
  static const std::vector<TKeyBinding> bindings = {
      {"0.4", &TFields::LanguageName},
      {"0.5", &TFields::DataBurnCount},
      {"0.6", &TFields::AudioBurnCount},
      {"0.7", &TFields::EraseCount},
      {"0.8", &TFields::LogVisible},
      {"0.9", &TFields::ShowFolderSize},
      {"0.10", &TFields::ExtrasAsked},
      {"0.12", &TFields::ToolbarLayout},
      {"0.14", &TFields::LastOperation},
      {"0.15", &TFields::AutoUpdate},
      {"0.16", &TFields::ShowOnlineHelp},
      {"1.0", &TFields::DataUnderrunProtection},
      {"1.1", &TFields::DataJoliet},
      {"1.5", &TFields::DataCacheSizeMB},
      {"1.6", &TFields::VerifyAfterWrite},
      {"1.7", &TFields::EjectAfterWrite},
      {"1.11", &TFields::CarriedSetting1_11},
      {"1.12", &TFields::QuickErase},
      {"1.13", &TFields::DataVolumeNamePattern},
      {"1.14", &TFields::DataVolumeIncrement},
      {"1.16", &TFields::AudioUnderrunProtection},
      {"1.17", &TFields::AudioPerformOPC},
      {"1.20", &TFields::AudioCacheSizeMB},
      {"1.28", &TFields::AudioVolumeNamePattern},
      {"1.29", &TFields::AudioVolumeIncrement},
      {"1.30", &TFields::CDSongWriter},
      {"1.31", &TFields::CDPerformer},
      {"1.32", &TFields::CDCatalog},
      {"1.33", &TFields::AudioWriteMethod},
      {"1.34", &TFields::WavFolder},
      {"1.35", &TFields::InterceptAutoPlay},
      {"1.36", &TFields::AudioTrackPauseMs},
      {"1.41", &TFields::InternalTransportFirst},
      {"1.42", &TFields::DataISO9660v1999},
      {"1.43", &TFields::DataUDFBridge},
      {"1.44", &TFields::SelectedDriveIndex},
      {"2.0", &TFields::AddDialogFolder},
      {"2.1", &TFields::AddDialogTop},
      {"2.2", &TFields::AddDialogLeft},
      {"2.3", &TFields::AddDialogHeight},
      {"2.4", &TFields::AddDialogWidth},
      {"4.0", &TFields::DropWindowTop},
      {"4.1", &TFields::DropWindowLeft},
      {"4.2", &TFields::DropWindowAlpha},
      {"5.1", &TFields::VolumeNameText},
      {"5.2", &TFields::SpeedFactor},
      {"5.3", &TFields::CloseDisc},
      {"6.0", &TFields::CarriedSetting6_0},
      {"7.2", &TFields::ExtrasList},
      {"9.0", &TFields::ProgressTop},
      {"9.1", &TFields::ProgressLeft},
  };
  return bindings;
}

constexpr int MinimumCacheSizeMB = 16;

std::optional<int> StrictInteger(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  return ok ? std::optional<int>(value) : std::nullopt;
}

void ReadBinding(const TSettingsStore& store, const TKeyBinding& binding, TFields& fields) {
  const QString key = QString::fromLatin1(binding.Key);
  const auto value = store.ReadSetting(key);
  if (!value) return;
  std::visit(
      [&](auto member) {
        using TMember = decltype(member);
        if constexpr (std::is_same_v<TMember, bool TFields::*>) {
          fields.*member = store.ReadBoolSetting(key, fields.*member);
        } else if constexpr (std::is_same_v<TMember, int TFields::*>) {
          // A stored value that is not a whole number keeps the default.
          if (const auto number = StrictInteger(*value)) fields.*member = *number;
        } else {
          fields.*member = *value;
        }
      },
      binding.Field);
}

QString TextOf(const TKeyBinding& binding, const TFields& fields) {
  return std::visit(
      [&](auto member) -> QString {
        using TMember = decltype(member);
        if constexpr (std::is_same_v<TMember, bool TFields::*>)
          return fields.*member ? QStringLiteral("1") : QStringLiteral("0");
        else if constexpr (std::is_same_v<TMember, int TFields::*>)
          return QString::number(fields.*member);
        else
          return fields.*member;
      },
      binding.Field);
}

QString WithSeparator(const QString& folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString ResolveWavFolder(const QString& stored, const QString& programFolder) {
  const QString defaultFolder = programFolder + QStringLiteral("wav/");
  if (!stored.isEmpty()) {
    const QString folder = WithSeparator(stored);
    if (QDir().mkpath(folder)) return folder;
  }
  QDir().mkpath(defaultFolder);
  return defaultFolder;
}

// Base64 whose length is not a multiple of 4 is refused, like any other decoding error.
std::optional<QByteArray> StrictBase64(const QString& text) {
  if (text.size() % 4 != 0) return std::nullopt;
  auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return std::nullopt;
  return *decoded;
}

void ReadConfirmations(const TSettingsStore& store, TFields& fields) {
  int key = 0;
  for (auto member : ConfirmationOrder()) {
    TConfirmationFlags& flags = fields.*member;
    flags.Suppressed = store.ReadBoolSetting(QStringLiteral("3.%1").arg(key++), flags.Suppressed);
    flags.DontShowDefault = store.ReadBoolSetting(QStringLiteral("3.%1").arg(key++), flags.DontShowDefault);
    flags.Answer = store.ReadBoolSetting(QStringLiteral("3.%1").arg(key++), flags.Answer);
  }
}

void WriteConfirmations(const TFields& fields, TSettingsStore& store) {
  int key = 0;
  const auto bit = [](bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); };
  for (auto member : ConfirmationOrder()) {
    const TConfirmationFlags& flags = fields.*member;
    store.WriteSetting(QStringLiteral("3.%1").arg(key++), bit(flags.Suppressed));
    store.WriteSetting(QStringLiteral("3.%1").arg(key++), bit(flags.DontShowDefault));
    store.WriteSetting(QStringLiteral("3.%1").arg(key++), bit(flags.Answer));
  }
}

void WriteBindingsOfGroup(const TFields& fields, TSettingsStore& store, char group) {
  for (const auto& binding : PlainBindings())
    if (binding.Key[0] == group) store.WriteSetting(QString::fromLatin1(binding.Key), TextOf(binding, fields));
}

}  // namespace

std::array<TConfirmationFlags TSettingsFields::*, 12> ConfirmationOrder() {
  return {&TFields::ConfirmBurnData,       &TFields::ConfirmBurnAudio,     &TFields::ConfirmQuickErase,
          &TFields::ConfirmNormalErase,    &TFields::ConfirmSendBurner,    &TFields::ConfirmDeleteSelected,
          &TFields::ConfirmDeleteAll,      &TFields::ConfirmCloseDisc,     &TFields::ConfirmBurnImage,
          &TFields::ConfirmImportSessions, &TFields::ConfirmNewProject,    &TFields::ConfirmNonAudioFiles};
}

TSettingsFields LoadSettings(const TSettingsStore& store, const QString& programFolder) {
  TFields fields;
  const std::array<std::optional<int> TFields::*, 4> geometry = {&TFields::WindowTop, &TFields::WindowLeft,
                                                                 &TFields::WindowHeight, &TFields::WindowWidth};
  for (int i = 0; i < 4; ++i)
    if (const auto value = store.ReadSetting(QStringLiteral("0.%1").arg(i))) fields.*geometry[i] = StrictInteger(*value);
  for (const auto& binding : PlainBindings()) ReadBinding(store, binding, fields);
  fields.DataCacheSizeMB = std::max(fields.DataCacheSizeMB, MinimumCacheSizeMB);
  fields.AudioCacheSizeMB = std::max(fields.AudioCacheSizeMB, MinimumCacheSizeMB);
  fields.WavFolder = ResolveWavFolder(fields.WavFolder, programFolder);
  if (const auto header = store.ReadSetting(QStringLiteral("1.40")))
    fields.TreeHeaderState = StrictBase64(*header).value_or(QByteArray());
  ReadConfirmations(store, fields);
  fields.ExtrasItems = fields.ExtrasList.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  return fields;
}

void SaveSettings(const TSettingsFields& fields, const QString& programVersion, TSettingsStore& store) {
  const std::array<std::optional<int> TFields::*, 4> geometry = {&TFields::WindowTop, &TFields::WindowLeft,
                                                                 &TFields::WindowHeight, &TFields::WindowWidth};
  for (int i = 0; i < 4; ++i)
    if (const auto value = fields.*geometry[i]) store.WriteSetting(QStringLiteral("0.%1").arg(i), QString::number(*value));
  WriteBindingsOfGroup(fields, store, '0');
  store.WriteSetting(QStringLiteral("0.13"), programVersion.toLower());
  WriteBindingsOfGroup(fields, store, '1');
  if (!fields.TreeHeaderState.isEmpty())
    store.WriteSetting(QStringLiteral("1.40"), QString::fromLatin1(fields.TreeHeaderState.toBase64()));
  WriteBindingsOfGroup(fields, store, '2');
  WriteConfirmations(fields, store);
  for (char group : {'4', '5', '6', '7', '8', '9'}) WriteBindingsOfGroup(fields, store, group);
  store.SaveSettingsFile();
}

}  // namespace velmarond::app
