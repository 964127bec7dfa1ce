#pragma once
// Finding the optical drives in sysfs: every /sys/class/block/srN whose SCSI device type is 5,
// with its host:channel:target:lun when the device link names one.

#include <optional>
#include <string>
#include <vector>

#include "device/ScsiPlatform.h"

namespace velmarond::device {

struct SysfsOpticalDrive {
  unsigned Number = 0;            // N of srN
  std::string Name;               // srN
  std::optional<ScsiAddress> Address;
  std::string Vendor, Model;      // from sysfs, for the display name
};

// Drives under sysfsRoot (normally "/sys"), ordered by N.
std::vector<SysfsOpticalDrive> ScanSysfsOpticalDrives(const std::string& sysfsRoot);

// "3:0:0:0" → the address; none for anything else.
std::optional<ScsiAddress> ParseHctl(const std::string& text);

// 'D' + N; 0 when the letter would pass 'Z' (the device layers key drives by letters C..Z).
char DriveLetterForNumber(unsigned number);

}  // namespace velmarond::device
