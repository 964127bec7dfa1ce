#pragma once
// The device paths the bridge stands in for, parsed from VELMAROND_BRIDGE
// ("/dev/sr7=DIR[:/dev/sr8=DIR2]").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Result.h"

namespace velmarond::bridge {

struct BridgedPath {
  std::string DevicePath;  // e.g. /dev/sr7
  std::string Folder;      // the virtual recorder folder behind it
  unsigned Minor = 0;      // the sr minor the path reports in stat (7 for /dev/sr7)
};

Result<std::vector<BridgedPath>> ParseBridgeSpec(std::string_view text);

// The trailing number of a device path (/dev/sr12 -> 12), nullopt when it has none.
std::optional<unsigned> TrailingNumber(std::string_view path);

}  // namespace velmarond::bridge
