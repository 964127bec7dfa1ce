#pragma once
// The working copy of every setting: LoadSettings copies the table into these fields at start-up,
// the rest of the program reads and changes only the fields, SaveSettings writes them back.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "app/core/SettingsStore.h"

namespace velmarond::app {

struct TConfirmationFlags {
  bool Suppressed = false;       // "Don't display this message again" was ticked
  bool DontShowDefault = false;  // initial state of that check box
  bool Answer = true;            // last answer, true for Yes
};

inline constexpr auto DefaultToolbarLayout = "2;3;7;32;0;1;9;10;22;24;34;21;11";
inline constexpr auto DefaultVolumeNamePattern = "Disc <#increment> <#dd><#mm><#yy>";
inline constexpr int NoSavedProgressPosition = -10000;

struct TSettingsFields {
  // group 0: window and general
  std::optional<int> WindowTop, WindowLeft, WindowHeight, WindowWidth;
  QString LanguageName = QStringLiteral("ENGLISH");
  int DataBurnCount = 0;
  int AudioBurnCount = 0;
  int EraseCount = 0;
  bool LogVisible = true;
  bool ShowFolderSize = false;
  bool ExtrasAsked = false;
  QString ToolbarLayout = QString::fromLatin1(DefaultToolbarLayout);
  int LastOperation = 0;
  bool AutoUpdate = false;
  bool ShowOnlineHelp = true;
  // group 1: burning
  bool DataUnderrunProtection = true;
  bool DataJoliet = true;
  int DataCacheSizeMB = 32;
  bool VerifyAfterWrite = false;
  bool EjectAfterWrite = false;
  int CarriedSetting1_11 = 0;
  bool QuickErase = true;
  QString DataVolumeNamePattern = QString::fromLatin1(DefaultVolumeNamePattern);
  int DataVolumeIncrement = 1;
  bool AudioUnderrunProtection = true;
  bool AudioPerformOPC = true;
  int AudioCacheSizeMB = 32;
  QString AudioVolumeNamePattern = QString::fromLatin1(DefaultVolumeNamePattern);
  int AudioVolumeIncrement = 1;
  QString CDSongWriter, CDPerformer, CDCatalog;
  int AudioWriteMethod = 0;
  QString WavFolder;  // with a trailing separator
  bool InterceptAutoPlay = true;
  int AudioTrackPauseMs = 0;
  QByteArray TreeHeaderState;  // "1.40", owned by the compilation view
  bool InternalTransportFirst = true;
  bool DataISO9660v1999 = true;
  bool DataUDFBridge = false;
  int SelectedDriveIndex = 0;
  // group 2: add dialog
  QString AddDialogFolder;
  int AddDialogTop = 0, AddDialogLeft = 0, AddDialogHeight = 0, AddDialogWidth = 0;
  // group 3: confirmations, in the order the settings dialog lists them
  TConfirmationFlags ConfirmBurnData, ConfirmBurnAudio, ConfirmQuickErase, ConfirmNormalErase,
      ConfirmSendBurner, ConfirmDeleteSelected, ConfirmDeleteAll, ConfirmCloseDisc, ConfirmBurnImage,
      ConfirmImportSessions, ConfirmNewProject, ConfirmNonAudioFiles;
  // group 4: drop window
  int DropWindowTop = 0, DropWindowLeft = 0, DropWindowAlpha = 180;
  // group 5: command panel
  QString VolumeNameText;
  int SpeedFactor = 0;
  bool CloseDisc = true;
  // groups 6 and 7
  QString CarriedSetting6_0;
  QString ExtrasList;
  QStringList ExtrasItems;
  // group 9: burn progress window
  int ProgressTop = NoSavedProgressPosition, ProgressLeft = NoSavedProgressPosition;
};

// The twelve confirmation records in settings order ("3.0" .. "3.35").
std::array<TConfirmationFlags TSettingsFields::*, 12> ConfirmationOrder();

// `programFolder` ends in a separator; it gives the default WAV folder.
TSettingsFields LoadSettings(const TSettingsStore& store, const QString& programFolder);
void SaveSettings(const TSettingsFields& fields, const QString& programVersion, TSettingsStore& store);

}  // namespace velmarond::app
