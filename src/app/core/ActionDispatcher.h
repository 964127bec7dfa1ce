#pragma once
// The one point through which the main window reaches the operations that live in their own pieces
// (compilation, burns, erase, disc information, drop window). Until a piece is built, the pending
// dispatcher tells the user in the log that the command is not available.

#include <QString>
#include <functional>

namespace velmarond::app {

enum class TAction {
  AddToCompilation, RemoveFromCompilation, ImportPlaylist, LoadProject, BurnImage, Erase, DiscInformation,
  DeleteAll, DataBurn, ChooseBurnMode, DropWindow, MediumChanged
};

QString ActionName(TAction action);

class TActionDispatcher {
 public:
  virtual ~TActionDispatcher() = default;
  // `argument` is the path or text the action works on, empty when it takes none. The result is the
  // action's own (for example whether an entry was removed).
  virtual bool Dispatch(TAction action, const QString& argument) = 0;
  virtual bool CompilationHasAudioFiles() const = 0;
  virtual bool BurnProgressWindowExists() const = 0;
};

class TPendingActions : public TActionDispatcher {
 public:
  using TLogger = std::function<void(TAction, const QString&)>;
  explicit TPendingActions(TLogger logger) : Logger(std::move(logger)) {}
  bool Dispatch(TAction action, const QString& argument) override;
  bool CompilationHasAudioFiles() const override { return false; }
  bool BurnProgressWindowExists() const override { return false; }

 private:
  TLogger Logger;
};

}  // namespace velmarond::app
