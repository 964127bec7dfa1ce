// The main window's side of commands: the adding bracket, the wait cursor, and the forwarding of
// actions to the dispatcher.

#include <QAction>
#include <QApplication>
#include <QTextBrowser>

#include "app/core/FormMasterKVZ.h"

namespace velmarond::app {

bool TFormMasterKVZ::Dispatch(TAction action, const QString& argument) { return Dispatcher->Dispatch(action, argument); }

void TFormMasterKVZ::LogPendingAction(TAction action, const QString& argument) {
  const QString what = argument.isEmpty() ? ActionName(action) : ActionName(action) + QStringLiteral(": ") + argument;
  AddLogMessage(LanguageTexts.GetLanguageTextWith(11, 110, {QStringLiteral("<#value>=") + LogValue(what)}));
}

bool TFormMasterKVZ::BurnProgressWindowExists() const { return Dispatcher->BurnProgressWindowExists(); }
bool TFormMasterKVZ::HasAudioFiles() const { return Dispatcher->CompilationHasAudioFiles(); }

void TFormMasterKVZ::RestoreAndRaise() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void TFormMasterKVZ::ShowMainWindow() {
  show();
  raise();
}

void TFormMasterKVZ::BeginAdding(bool /*intoProgressWindow: the progress window is not part of this build*/) {
  FilesAddedCount = FoldersAddedCount = 0;
  AddingTimer.start();
}

void TFormMasterKVZ::AddingTimerTick() {
  const QString text = LanguageTexts.GetLanguageTextWith(
      12, 11, {QStringLiteral("<#files>=%1").arg(FilesAddedCount), QStringLiteral("<#directories>=%1").arg(FoldersAddedCount)});
  ResetCaption(text);
}

void TFormMasterKVZ::EndAdding() {
  AddingTimerTick();
  AddingTimer.stop();
  RestoreCursor();
  ResetCaption();
  RefreshCompilationState(TRefresh::Quiet);
}

void TFormMasterKVZ::ShowWaitCursor() {
  if (WaitCursorDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFormMasterKVZ::RestoreCursor() {
  if (WaitCursorDepth == 0) return;
  WaitCursorDepth = 0;
  QApplication::restoreOverrideCursor();
}

void TFormMasterKVZ::RefreshCompilationState(TRefresh /*refresh: totals come with the compilation view*/) {
  LogView->setVisible(Fields.LogVisible);
  ActionsByTextIndex.value(50)->setVisible(!Fields.LogVisible);
  ActionsByTextIndex.value(52)->setVisible(Fields.LogVisible);
  ActionsByTextIndex.value(42)->setEnabled(HasAudioFiles());
}

void TFormMasterKVZ::AddToCompilationRoot(const QString& path) { Dispatch(TAction::AddToCompilation, path); }
bool TFormMasterKVZ::RemovePathFromCompilation(const QString& text) { return Dispatch(TAction::RemoveFromCompilation, text); }
void TFormMasterKVZ::ImportPlaylist(const QString& path) { Dispatch(TAction::ImportPlaylist, path); }
void TFormMasterKVZ::LoadProject(const QString& path) { Dispatch(TAction::LoadProject, path); }
void TFormMasterKVZ::StartBurnImage(const QString& path) { Dispatch(TAction::BurnImage, path); }
void TFormMasterKVZ::StartErase() { Dispatch(TAction::Erase); }
void TFormMasterKVZ::ShowDiscInformation() { Dispatch(TAction::DiscInformation); }
void TFormMasterKVZ::DeleteAll() { Dispatch(TAction::DeleteAll); }
void TFormMasterKVZ::StartDataBurn() { Dispatch(TAction::DataBurn); }
void TFormMasterKVZ::ChooseBurnMode() { Dispatch(TAction::ChooseBurnMode); }
void TFormMasterKVZ::ShowDropWindow() { Dispatch(TAction::DropWindow); }

}  // namespace velmarond::app
