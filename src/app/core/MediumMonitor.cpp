#include "app/core/MediumMonitor.h"

#include <QSocketNotifier>
#include <libudev.h>

namespace velmarond::app {

TUdevMediumMonitor::TUdevMediumMonitor(QObject* parent) : TMediumMonitor(parent) {
  Context = udev_new();
  if (!Context) return;
  Monitor = udev_monitor_new_from_netlink(Context, "udev");
  if (!Monitor || udev_monitor_filter_add_match_subsystem_devtype(Monitor, "block", "disk") < 0 ||
      udev_monitor_enable_receiving(Monitor) < 0) {
    if (Monitor) udev_monitor_unref(Monitor);
    Monitor = nullptr;
    return;
  }
  Notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(Monitor), QSocketNotifier::Read);
  connect(Notifier.get(), &QSocketNotifier::activated, this, &TUdevMediumMonitor::OnEvent);
}

TUdevMediumMonitor::~TUdevMediumMonitor() {
  Notifier.reset();
  if (Monitor) udev_monitor_unref(Monitor);
  if (Context) udev_unref(Context);
}

void TUdevMediumMonitor::OnEvent() {
  udev_device* device = udev_monitor_receive_device(Monitor);
  if (!device) return;
  const char* action = udev_device_get_action(device);
  const char* mediaChange = udev_device_get_property_value(device, "DISK_MEDIA_CHANGE");
  const char* node = udev_device_get_devnode(device);
  if (action && qstrcmp(action, "change") == 0 && mediaChange && qstrcmp(mediaChange, "1") == 0 && node)
    emit MediumChanged(QString::fromLocal8Bit(node));
  udev_device_unref(device);
}

}  // namespace velmarond::app
