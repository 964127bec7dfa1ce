#pragma once
// The platform operations on Linux: optical drives from sysfs, /dev/srN nodes, commands through
// ioctl(SG_IO). The system calls go through a seam so that tests can run the request packing and
// the result decoding without a drive.

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "device/ScsiPlatform.h"

struct sg_io_hdr;

namespace velmarond::device {

struct LinuxSystemCalls {
  std::function<int(const std::string& path, int flags)> Open;  // returns fd or -1 with errno set
  std::function<int(int fd)> Close;
  std::function<int(int fd, sg_io_hdr* request)> SgIo;          // ioctl(fd, SG_IO, request)

  static LinuxSystemCalls Real();
};

struct LinuxPlatformOptions {
  std::string SysfsRoot = "/sys";
  std::string DevRoot = "/dev";
  LinuxSystemCalls Calls = LinuxSystemCalls::Real();
};

class LinuxScsiPlatform final : public ScsiPlatform {
 public:
  explicit LinuxScsiPlatform(LinuxPlatformOptions options = {});
  ~LinuxScsiPlatform() override;
  LinuxScsiPlatform(const LinuxScsiPlatform&) = delete;
  LinuxScsiPlatform& operator=(const LinuxScsiPlatform&) = delete;

  std::vector<DriveRoot> ListDrives() override;
  DriveHandle Open(char letter, OpenMode mode) override;
  void Close(DriveHandle handle) override;
  std::optional<ScsiAddress> GetScsiAddress(DriveHandle handle) override;
  PassThroughResult PassThrough(DriveHandle handle, const PassThroughRequest& request) override;
  int LastSystemError() const override;

 private:
  struct KnownDrive {
    std::string Node;
    std::optional<ScsiAddress> Address;
  };

  void Rescan();

  LinuxPlatformOptions Options;
  mutable std::mutex Lock;
  std::map<char, KnownDrive> Drives;   // by letter, from the last scan
  std::map<DriveHandle, char> OpenHandles;
  int LastError = 0;
};

// What the sg driver reports, decoded into the platform result (exposed for the tests of the seam).
PassThroughResult DecodeSgIoResult(const sg_io_hdr& header, int ioctlResult, int error);

}  // namespace velmarond::device
