#pragma once
// The main window. It owns the settings, the language texts, the message log and the pieces of the
// window for the whole run; the operations built in their own pieces are reached through the action
// dispatcher.

#include <QHash>
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "app/core/ActionDispatcher.h"
#include "app/core/CommandLine.h"
#include "app/core/FolderCleaning.h"
#include "app/core/Languages.h"
#include "app/core/MessageLog.h"
#include "app/core/ProgramFolders.h"
#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QStackedWidget;
class QSystemTrayIcon;
class QTextBrowser;
class QToolBar;

namespace velmarond::app {

class TMediumMonitor;

enum class TSaveLanguage { No, Yes };

class TFormMasterKVZ : public QMainWindow, public TCommandTarget {
  Q_OBJECT
 public:
  TFormMasterKVZ(TProgramFolders folders, QStringList arguments, QWidget* parent = nullptr);
  ~TFormMasterKVZ() override;

  // Runs the creation steps and shows the window.
  void FormCreate();

  void AddLogMessage(const QString& text, TLineBreak lineBreak = TLineBreak::Append,
                     TTimeStamp timeStamp = TTimeStamp::With);
  bool ProcessCommandLine(const QString& commandLine) { return CommandLine.ProcessCommandLine(commandLine); }
  void LoadLanguage(const QString& name, TSaveLanguage save);
  void ApplyLanguageTexts();
  void SetStatusText(const QString& text);
  void ResetCaption(const QString& status = {});
  void ApplyToolbarLayout(const QString& layout);
  void BeginAdding(bool intoProgressWindow);
  void SaveSettingsNow();

  void SetDispatcher(std::unique_ptr<TActionDispatcher> dispatcher) { Dispatcher = std::move(dispatcher); }
  void SetMediumMonitor(TMediumMonitor* monitor);
  void SetSelectedDrive(const QString& displayName, const QString& deviceNode, QChar letter);

  const TLanguages& Languages() const { return LanguageTexts; }
  TSettingsFields& Settings() { return Fields; }
  const TMessageLog& Log() const { return MessageLog; }
  const TProgramFolders& Folders() const { return ProgramFolders; }
  TCreatedWavFiles CreatedWavFiles() const;
  bool FirstRun() const { return IsFirstRun; }
  QString StatusText() const;
  QAction* ActionByTag(int tag) const { return ActionsByTag.value(tag); }
  int& FilesAdded() { return FilesAddedCount; }
  int& FoldersAdded() { return FoldersAddedCount; }

  // TCommandTarget
  bool BurnProgressWindowExists() const override;
  void RestoreAndRaise() override;
  void ShowMainWindow() override;
  void BeginAdding() override { BeginAdding(false); }
  void EndAdding() override;
  void ShowWaitCursor() override;
  void RestoreCursor() override;
  void RefreshCompilationState(TRefresh refresh) override;
  bool HasAudioFiles() const override;
  void AddToCompilationRoot(const QString& path) override;
  bool RemovePathFromCompilation(const QString& text) override;
  void ImportPlaylist(const QString& path) override;
  void ScrollToLastVisibleNode() override {}
  void LoadProject(const QString& path) override;
  void StartBurnImage(const QString& path) override;
  void StartErase() override;
  void ShowDiscInformation() override;
  void DeleteAll() override;
  void StartDataBurn() override;
  void ChooseBurnMode() override;
  void ShowDropWindow() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildActions();
  void BuildMenus();
  void ShowLanguagePage();
  void FormShow();
  void FormClose();
  void FirstShow();
  void PlaceWindow();
  void WriteUserConfig(const QString& key, const QString& value) const;
  void AddingTimerTick();
  void OnMediumChanged(const QString& deviceNode);
  void LogPendingAction(TAction action, const QString& argument);
  bool Dispatch(TAction action, const QString& argument = {});
  QString GetText(int section, int number) const { return LanguageTexts.GetLanguageText(section, number); }

  TProgramFolders ProgramFolders;
  QStringList Arguments;
  TSettingsStore Store;
  TSettingsFields Fields;
  TLanguages LanguageTexts;
  TMessageLog MessageLog;
  TCommandLineProcessor CommandLine;
  std::unique_ptr<TActionDispatcher> Dispatcher;
  QString ProgramVersion;
  bool IsFirstRun = false;
  bool FirstShowPending = true;
  int FilesAddedCount = 0;
  int FoldersAddedCount = 0;
  int WaitCursorDepth = 0;
  QTimer AddingTimer;
  QString SelectedDriveName;
  QString SelectedDriveNode;
  QChar SelectedDriveLetter;

  QHash<int, QAction*> ActionsByTag;
  QHash<int, QAction*> ActionsByTextIndex;  // caption number in section [2]
  QList<QMenu*> Menus;
  QAction* ActionVersion = nullptr;
  QToolBar* MainToolBar = nullptr;
  QTextBrowser* LogView = nullptr;
  QStackedWidget* CompilationArea = nullptr;
  QLabel* GettingStarted = nullptr;
  QLabel* LabelVolumeName = nullptr;
  QComboBox* ComboBoxDriveName = nullptr;
  QComboBox* ComboBoxSpeed = nullptr;
  QLineEdit* EditVolumeName = nullptr;
  QLabel* LabelSpeed = nullptr;
  QLabel* LabelDrive = nullptr;
  QCheckBox* CheckBoxCommandCloseDisc = nullptr;
  QCheckBox* CheckBoxDriveQuickErase = nullptr;
  QLabel* StatusPanels[3] = {};
  QSystemTrayIcon* TrayIcon = nullptr;
};

}  // namespace velmarond::app
