#pragma once
// The virtual recorders as drives of the platform interface: one drive per configured folder.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/ScsiPlatform.h"

namespace velmarond::vrec {

class OpenRecorder;

class VirtualPlatform final : public device::ScsiPlatform {
 public:
  explicit VirtualPlatform(std::vector<std::string> folders, char firstLetter = 'V');
  ~VirtualPlatform() override;

  std::vector<device::DriveRoot> ListDrives() override;
  device::DriveHandle Open(char letter, device::OpenMode mode) override;
  void Close(device::DriveHandle handle) override;
  std::optional<device::ScsiAddress> GetScsiAddress(device::DriveHandle handle) override;
  device::PassThroughResult PassThrough(device::DriveHandle handle, const device::PassThroughRequest& request) override;
  int LastSystemError() const override { return LastError; }
  // The reason of the last failed Open, for the user.
  const std::string& LastErrorText() const { return LastText; }

 private:
  struct Handle {
    std::size_t Index;
    std::shared_ptr<OpenRecorder> Recorder;
  };
  std::vector<std::string> Folders;
  char FirstLetter;
  std::map<device::DriveHandle, Handle> Handles;
  device::DriveHandle NextHandle = 1;
  int LastError = 0;
  std::string LastText;
};

// The folders listed in VELMAROND_VIRTUAL_RECORDERS (':'-separated), in order.
std::vector<std::string> RecorderFoldersFromEnvironment();

}  // namespace velmarond::vrec
