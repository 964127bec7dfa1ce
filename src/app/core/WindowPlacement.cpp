#include "app/core/WindowPlacement.h"

namespace velmarond::app {
namespace {

constexpr int VisibleMargin = 120;

const QRect* MonitorOf(const QRect& window, const QList<QRect>& monitors) {
  for (const QRect& monitor : monitors)
    if (monitor.intersects(window)) return &monitor;
  return nullptr;
}

QRect CentredDefault(const QRect& screen) {
  const int height = screen.height() - screen.height() * 15 / 100;
  const int width = screen.width() - screen.width() * 15 / 100;
  return QRect(screen.left() + (screen.width() - width) / 2, screen.top() + (screen.height() - height) / 2, width, height);
}

}  // namespace

QRect PlaceMainWindow(const TSavedGeometry& saved, const QRect& primaryScreen, const QList<QRect>& monitors) {
  QRect window(saved.Left.value_or(0), saved.Top.value_or(0), saved.Width.value_or(primaryScreen.width()),
               saved.Height.value_or(primaryScreen.height()));
  if (!saved.Top || !MonitorOf(window, monitors)) window = CentredDefault(primaryScreen);
  if (const QRect* monitor = MonitorOf(window, monitors)) {
    window.moveLeft(std::min(window.left(), monitor->left() + monitor->width() - VisibleMargin));
    window.moveTop(std::min(window.top(), monitor->top() + monitor->height() - VisibleMargin));
  }
  return window;
}

}  // namespace velmarond::app
