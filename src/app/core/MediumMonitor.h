#pragma once
// Medium arrival and removal for drives. The udev monitor watches block devices for the kernel's
// DISK_MEDIA_CHANGE events; virtual recorders report their insert and eject through the same signal.

#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace velmarond::app {

class TMediumMonitor : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
 signals:
  // `deviceNode` is the drive's node, such as /dev/sr0.
  void MediumChanged(const QString& deviceNode);
};

class TUdevMediumMonitor : public TMediumMonitor {
  Q_OBJECT
 public:
  explicit TUdevMediumMonitor(QObject* parent = nullptr);
  ~TUdevMediumMonitor() override;
  bool IsActive() const { return Monitor != nullptr; }

 private:
  void OnEvent();

  udev* Context = nullptr;
  udev_monitor* Monitor = nullptr;
  std::unique_ptr<QSocketNotifier> Notifier;
};

}  // namespace velmarond::app
