#pragma once
// Where the main window opens: the saved geometry when it lies on a monitor, else 85 % of the screen
// centred; at least 120 pixels always stay on the monitor.

#include <QList>
#include <QRect>
#include <optional>

namespace velmarond::app {

struct TSavedGeometry {
  std::optional<int> Top, Left, Height, Width;
};

QRect PlaceMainWindow(const TSavedGeometry& saved, const QRect& primaryScreen, const QList<QRect>& monitors);

}  // namespace velmarond::app
