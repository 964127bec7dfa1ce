#pragma once
// Drive addresses as the device layers number them, and the one-line description ("device line")
// that identifies a drive in lists and settings.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/ScsiPlatform.h"

namespace velmarond::device {

struct DriveAddress {
  std::uint8_t Adapter = 0;
  std::uint8_t Target = 0;
  std::uint8_t Lun = 0;
  friend bool operator==(const DriveAddress&, const DriveAddress&) = default;
};

// 254 and 255 mark "no drive" in the two layers, so no real drive may get them.
inline constexpr unsigned HighestAdapterNumber = 253;

// Linux host numbers above 253 (and above 255) map to adapter numbers no other drive uses, above
// the highest natural one; hosts up to 253 keep their number. Drives whose address cannot be
// represented at all (no free adapter, target or unit above 255) come back without one.
std::vector<std::optional<DriveAddress>> AssignAdapters(const std::vector<std::optional<ScsiAddress>>& addresses);

// "A:T:U,L: " + vendor (8) + product (16) + revision (4) exactly as INQUIRY returned them;
// " (not supported)" for peripheral type 4. A letter of 0 shows as "?".
std::string ComponentDeviceLine(const DriveAddress& address, char letter, std::span<const std::uint8_t> inquiry);

// "%d:%d:%d,%s: %s %s %s " with control characters of the INQUIRY text turned into blanks, at most
// 128 characters.
std::string EngineDeviceLine(const DriveAddress& address, char letter, std::span<const std::uint8_t> inquiry);

// The adapter, target and unit at the start of a device line (decimal fields ending in ':', ':' and
// ','); none for a line that does not start that way.
std::optional<DriveAddress> ParseDeviceLineAddress(const std::string& line);

}  // namespace velmarond::device
