#include "app/core/ActionDispatcher.h"

namespace velmarond::app {

QString ActionName(TAction action) {
  switch (action) {
    case TAction::AddToCompilation: return QStringLiteral("Add");
    case TAction::RemoveFromCompilation: return QStringLiteral("Remove");
    case TAction::ImportPlaylist: return QStringLiteral("Import playlist");
    case TAction::LoadProject: return QStringLiteral("Open project");
    case TAction::BurnImage: return QStringLiteral("Burn image");
    case TAction::Erase: return QStringLiteral("Erase");
    case TAction::DiscInformation: return QStringLiteral("Disc information");
    case TAction::DeleteAll: return QStringLiteral("Delete all");
    case TAction::DataBurn: return QStringLiteral("Burn");
    case TAction::ChooseBurnMode: return QStringLiteral("Select mode");
    case TAction::DropWindow: return QStringLiteral("Drop window");
    case TAction::MediumChanged: return QStringLiteral("Medium change");
  }
  return {};
}

bool TPendingActions::Dispatch(TAction action, const QString& argument) {
  // A medium change needs no word to the user while nothing shows disc state yet.
  if (action != TAction::MediumChanged) Logger(action, argument);
  return false;
}

}  // namespace velmarond::app
