#pragma once
// What a command line can make the program do. The main window implements it; operations that other
// parts of the program build (burns, erase, disc information, the drop window, the compilation) are
// forwarded from there to the action dispatcher.

#include <QString>

namespace velmarond::app {

enum class TRefresh { Quiet, Full };

class TCommandTarget {
 public:
  virtual ~TCommandTarget() = default;
  virtual bool BurnProgressWindowExists() const = 0;
  virtual void RestoreAndRaise() = 0;
  virtual void ShowMainWindow() = 0;
  virtual void BeginAdding() = 0;
  virtual void EndAdding() = 0;
  virtual void ShowWaitCursor() = 0;
  virtual void RestoreCursor() = 0;
  virtual void RefreshCompilationState(TRefresh refresh) = 0;
  virtual bool HasAudioFiles() const = 0;
  // Forwarded actions.
  virtual void AddToCompilationRoot(const QString& path) = 0;
  virtual bool RemovePathFromCompilation(const QString& text) = 0;
  virtual void ImportPlaylist(const QString& path) = 0;
  virtual void ScrollToLastVisibleNode() = 0;
  virtual void LoadProject(const QString& path) = 0;
  virtual void StartBurnImage(const QString& path) = 0;
  virtual void StartErase() = 0;
  virtual void ShowDiscInformation() = 0;
  virtual void DeleteAll() = 0;
  virtual void StartDataBurn() = 0;
  virtual void ChooseBurnMode() = 0;
  virtual void ShowDropWindow() = 0;
};

}  // namespace velmarond::app
