#pragma once
// What the drive-facing verbs share: --drive L and --log FILE, the platform and the data engine's
// device record opened on the chosen drive.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/EngineDevice.h"
#include "device/ScsiPlatform.h"

namespace velmarond::cli {

struct DriveOptions {
  std::optional<char> Drive;
  std::string LogPath;
  std::vector<std::string> Rest;  // arguments the verb reads itself
};

// Takes --drive and --log out of args; an error text when one lacks its value.
std::optional<std::string> ParseDriveOptions(const std::vector<std::string>& args, DriveOptions& options);

struct DriveSession {
  std::unique_ptr<device::ScsiPlatform> Platform;
  std::unique_ptr<device::EngineDevice> Device;
};

// The system platform with the data engine's record initialised (and the log opened).
std::optional<DriveSession> OpenDrives(const DriveOptions& options, std::string& error);
// Selects the drive of --drive; an error text for a missing option or an unknown letter.
std::optional<std::string> SelectDrive(DriveSession& session, const DriveOptions& options);

}  // namespace velmarond::cli
