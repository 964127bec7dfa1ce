#pragma once
// The platform both engines see: physical drives first, then the virtual recorders. Each drive
// keeps the letter its own platform gave it; handles are the composite's own, so two platforms
// never hand out the same number.

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "device/ScsiPlatform.h"

namespace velmarond::platform {

class CompositePlatform final : public device::ScsiPlatform {
 public:
  explicit CompositePlatform(std::vector<std::unique_ptr<device::ScsiPlatform>> parts);

  std::vector<device::DriveRoot> ListDrives() override;
  device::DriveHandle Open(char letter, device::OpenMode mode) override;
  void Close(device::DriveHandle handle) override;
  std::optional<device::ScsiAddress> GetScsiAddress(device::DriveHandle handle) override;
  device::PassThroughResult PassThrough(device::DriveHandle handle, const device::PassThroughRequest& request) override;
  int LastSystemError() const override;

 private:
  struct OpenDrive {
    device::ScsiPlatform* Part;
    device::DriveHandle Inner;
  };
  device::ScsiPlatform* PartOf(char letter);
  std::optional<OpenDrive> Find(device::DriveHandle handle);

  std::vector<std::unique_ptr<device::ScsiPlatform>> Parts;
  mutable std::mutex Lock;
  std::map<char, device::ScsiPlatform*> Owners;  // from the last listing
  std::map<device::DriveHandle, OpenDrive> Handles;
  device::DriveHandle NextHandle = 1;
  int LastError = 0;
};

// Linux drives, then the recorders of VELMAROND_VIRTUAL_RECORDERS (lettered from 'V', or after the
// last physical letter when that is later).
std::unique_ptr<device::ScsiPlatform> MakeSystemPlatform();

}  // namespace velmarond::platform
